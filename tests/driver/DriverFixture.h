// A fresh host board per driver test, the scripted presenter standing for the
// user, a record of the steps the cluster placer ran and of the progress phases
// the host saw, and the run-control flags reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/ScriptedDialogHost.h"
#include "driver/AutoPlacerDriver.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::drivertest {

inline void ResetRunFlags() {
    PlacementRunning = false;
    StopRequested = false;
    StopConfirmed = false;
    RestoreOnStop = true;
    CurrentDriver = nullptr;
}

class TProgressTexts : public hostpcb::ProgressSink {
public:
    void PercentInit(const std::string& text, int32_t) override { Texts.push_back(text); }
    std::vector<std::string> Texts;
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRunFlags();
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("/boards/driver.kicad_pcb");
        hostpcb::Host::Instance().SetProgressSink(&progress);
        client.SetDialogHost(&presenter);
        client.SetMessagePump([this] {
            if (onPump) {
                onPump();
            }
        });
        Client = &client;
        SetPlacerStepObserver(
            [](void* self, TPlacerStep step) {
                auto* test = static_cast<DriverTest*>(self);
                test->steps.push_back(step);
                if (test->onStep) {
                    test->onStep(step);
                }
            },
            this);
    }
    void TearDown() override {
        SetPlacerStepObserver(nullptr, nullptr);
        Client = nullptr;
        hostpcb::Host::Instance().SetProgressSink(nullptr);
        hostpcb::Host::Instance().Reset();
        ResetRunFlags();
    }

    static hostpcb::Point At(double xMils, double yMils) {
        return {hostpcb::MilsToUnits(xMils), hostpcb::MilsToUnits(yMils)};
    }
    hostpcb::Component& Part(const std::string& designator) { return *board->FindComponent(designator); }
    PcbHandle Handle(const std::string& designator) { return Part(designator).Handle(); }

    // A 2000 x 1500 mil board: an IC with three decoupling capacitors, a few
    // resistors and a header, all parked outside the outline.
    void SmallBoard() {
        hostpcb::BoardBuilder build(*board);
        build.RectOutline(At(0, 0).x, At(0, 0).y, At(2000, 1500).x, At(2000, 1500).y);
        build.Soic("U1", 8, At(2500, 200));
        build.Chip("C1", "0603", At(2500, 600));
        build.Chip("C2", "0603", At(2700, 600));
        build.Chip("R1", "0603", At(2500, 800));
        build.Chip("R2", "0603", At(2700, 800));
        build.Chip("R3", "0805", At(2900, 800));
        build.Header("J1", 4, 1, At(3000, 200));
        build.Connect("VCC", {"U1.8", "C1.1", "C2.1", "J1.1"});
        build.Connect("GND", {"U1.4", "C1.2", "C2.2", "J1.4"});
        build.Connect("SIG1", {"U1.1", "R1.1"});
        build.Connect("SIG2", {"U1.2", "R2.1"});
        build.Connect("OUT", {"R1.2", "R2.2", "R3.1", "J1.2"});
        build.Connect("IN", {"R3.2", "J1.3"});
    }

    bool Ran(TPlacerStep step) const {
        for (TPlacerStep s : steps) {
            if (s == step) {
                return true;
            }
        }
        return false;
    }

    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
    TProgressTexts progress;
    hostpcb::Board* board = nullptr;
    std::vector<TPlacerStep> steps;
    std::function<void(TPlacerStep)> onStep;
    std::function<void()> onPump;
};

}  // namespace autoplacer::drivertest
