// A fresh host board per alignment test, parts of exact sizes, the selection
// in the host's flag word, and the application's scripted presenter standing
// for the user of the dialog and the questions.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <cmath>
#include <initializer_list>
#include <string>

#include "app/AppClient.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/Board.h"
#include "hostpcb/Host.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::test {

// Mils as host units.
inline int32_t Mil(double mils) { return static_cast<int32_t>(std::lround(mils * 10000)); }

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("editing.kicad_pcb");
        client.SetDialogHost(&presenter);
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    // A part whose only primitive is one rectangular pad: its extent is exactly
    // w x h around the centre (w and h in mils, even unit counts keep it exact).
    hostpcb::Component& Block(const std::string& designator, double xMils, double yMils, double wMils,
                              double hMils, hostpcb::LayerNumber side = PCB_TOP_LAYER) {
        const hostpcb::Point centre{Mil(xMils), Mil(yMils)};
        hostpcb::Component& c = board->AddComponent(designator, "BLOCK", centre);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = Mil(wMils);
        pad.sizeY = Mil(hMils);
        board->AddPad(&c, "1", centre, pad, PCB_TOP_LAYER);
        if (side != PCB_TOP_LAYER) {
            c.SetLayer(side);  // mirrored about its centre: the same extent
        }
        return c;
    }

    hostpcb::Component& Part(const std::string& designator) { return *board->FindComponent(designator); }
    PcbHandle Handle(const std::string& designator) { return Part(designator).Handle(); }
    hostpcb::Box Box(const std::string& designator) { return Part(designator).Bounds(); }
    hostpcb::Point Position(const std::string& designator) { return Part(designator).Position(); }
    // Extent centre in mils.
    double CentreX(const std::string& designator) { return (double(Box(designator).x1) + Box(designator).x2) / 2 / 1e4; }
    double CentreY(const std::string& designator) { return (double(Box(designator).y1) + Box(designator).y2) / 2 / 1e4; }

    void Select(std::initializer_list<const char*> designators) {
        for (const char* designator : designators) {
            Part(designator).flags |= PCB_FLAG_SELECTED;
        }
    }
    void Lock(const char* designator) { Part(designator).moveable = false; }

    void Answer(const std::string& answer) { ASSERT_EQ(presenter.AddAnswer(answer), "") << answer; }
    void ExpectAllAnswersUsed() {
        EXPECT_TRUE(presenter.UnusedAnswers().empty()) << notices.str();
        EXPECT_EQ(notices.str().find("autoplacer: answer"), std::string::npos) << notices.str();
    }

    hostpcb::Board* board = nullptr;
    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
};

}  // namespace autoplacer::test
