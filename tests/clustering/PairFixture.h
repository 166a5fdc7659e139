// Boards for the pair generator tests: parts with exactly the pads and nets a
// case needs, a progress recorder and the run-control flags reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "clustering/PairGenerator.h"
#include "hostpcb/Board.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::testing {

// Every progress phase as the host saw it.
class TProgressRecorder : public hostpcb::ProgressSink {
public:
    struct Phase {
        std::string Text;
        int32_t Total = 0;
        int64_t Updates = 0;
        bool Finished = false;
        bool operator==(const Phase&) const = default;
    };

    void PercentInit(const std::string& text, int32_t total) override { Phases.push_back({text, total, 0, false}); }
    void PercentUpdate() override {
        ++Phases.back().Updates;
        if (OnUpdate) {
            OnUpdate(Phases.back());
        }
    }
    void PercentFinish() override { Phases.back().Finished = true; }

    std::vector<Phase> Phases;
    std::function<void(const Phase&)> OnUpdate;
};

// Makes every later stop check answer True, as after a confirmed stop.
inline void ConfirmStop() {
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
}

class PairBoard : public ::testing::Test {
protected:
    void SetUp() override {
        FreshBoard();
        client.SetMessagePump([this] { ++polls; });
        Client = &client;
    }
    // Forgets every object and starts an empty board.
    void FreshBoard() {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("pairs.kicad_pcb");
        hostpcb::Host::Instance().SetProgressSink(&progress);
    }
    void TearDown() override {
        PlacementRunning = false;
        StopRequested = false;
        StopConfirmed = false;
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    hostpcb::Net* NetNamed(const std::string& name) {
        hostpcb::Net* net = board->FindNet(name);
        return net != nullptr ? net : &board->AddNet(name);
    }

    // A part with one pad per entry of nets, on that net ("" = no net).
    PcbHandle Part(const std::string& designator, const std::string& pattern, const std::vector<std::string>& nets) {
        const hostpcb::Point origin{1000000 * static_cast<int32_t>(board->Components().size() + 1), 1000000};
        hostpcb::Component& component = board->AddComponent(designator, pattern, origin);
        hostpcb::PadGeometry geometry;
        geometry.sizeX = 200000;
        geometry.sizeY = 200000;
        int32_t x = origin.x;
        for (std::size_t i = 0; i < nets.size(); ++i) {
            board->AddPad(&component, std::to_string(i + 1), {x, origin.y}, geometry, PCB_TOP_LAYER,
                          nets[i].empty() ? nullptr : NetNamed(nets[i]));
            x += 500000;
        }
        return component.Handle();
    }

    hostpcb::Board* board = nullptr;
    TProgressRecorder progress;
    app::AppClient client;
    int64_t polls = 0;
};

}  // namespace autoplacer::testing
