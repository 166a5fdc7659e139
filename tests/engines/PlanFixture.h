// A fresh host board per test for the cluster formation and floor-plan tests:
// parts with exactly the pads and nets a case needs, hand-made pair trees, a
// progress recorder, and the run-control flags reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppClient.h"
#include "clustering/PairGenerator.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::plantest {

// Every progress phase as the host saw it.
class TProgressLog : public hostpcb::ProgressSink {
public:
    struct Phase {
        std::string Text;
        int32_t Total = 0;
        int64_t Updates = 0;
        bool Finished = false;
        bool operator==(const Phase&) const = default;
    };
    void PercentInit(const std::string& text, int32_t total) override { Phases.push_back({text, total, 0, false}); }
    void PercentUpdate() override { ++Phases.back().Updates; }
    void PercentFinish() override { Phases.back().Finished = true; }

    std::vector<Phase> Phases;
};

// Makes every later stop check answer True, as after a confirmed stop.
inline void ConfirmStop() {
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
}

class PlanBoard : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("plan.kicad_pcb");
        hostpcb::Host::Instance().SetProgressSink(&progress);
        client.SetMessagePump([this] {
            ++polls;
            if (stopAfterPolls > 0 && polls >= stopAfterPolls) {
                ConfirmStop();
            }
        });
        Client = &client;
    }
    void TearDown() override {
        PlacementRunning = false;
        StopRequested = false;
        StopConfirmed = false;
        Client = nullptr;
        hostpcb::Host::Instance().SetProgressSink(nullptr);
        hostpcb::Host::Instance().Reset();
    }

    hostpcb::Net* NetNamed(const std::string& name) {
        hostpcb::Net* net = board->FindNet(name);
        return net != nullptr ? net : &board->AddNet(name);
    }
    PcbHandle NetHandle(const std::string& name) { return NetNamed(name)->Handle(); }

    // A part with one 20 x 20 mil pad per entry of nets, on that net ("" = no net).
    PcbHandle Part(const std::string& designator, const std::string& pattern, const std::vector<std::string>& nets,
                   const std::string& comment = "") {
        const hostpcb::Coord x0 = 1000000 * static_cast<hostpcb::Coord>(board->Components().size() + 1);
        hostpcb::Component& component =
            board->AddComponent(designator, pattern, {x0, 1000000}, 0, PCB_TOP_LAYER, comment);
        hostpcb::PadGeometry geometry;
        geometry.shape = hostpcb::PadShape::Rect;
        geometry.sizeX = 200000;
        geometry.sizeY = 200000;
        hostpcb::Coord x = x0;
        for (std::size_t i = 0; i < nets.size(); ++i) {
            board->AddPad(&component, std::to_string(i + 1), {x, 1000000}, geometry, PCB_TOP_LAYER,
                          nets[i].empty() ? nullptr : NetNamed(nets[i]));
            x += 500000;
        }
        return component.Handle();
    }

    // A part whose only primitive is one w x h pad centred on the given point.
    PcbHandle Block(const std::string& designator, hostpcb::Point centre, hostpcb::Coord w, hostpcb::Coord h) {
        hostpcb::Component& component = board->AddComponent(designator, "BLOCK", centre);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = w;
        pad.sizeY = h;
        board->AddPad(&component, "1", centre, pad, PCB_TOP_LAYER);
        return component.Handle();
    }

    hostpcb::Component& Host(PcbHandle component) {
        return *hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(component);
    }
    void Lock(PcbHandle component) { Host(component).moveable = false; }
    // The lower-left corner of the component's box (texts excluded), as the host sees it.
    hostpcb::Point Corner(PcbHandle component) {
        const hostpcb::Box box = Host(component).Bounds();
        return {box.x1, box.y1};
    }

    hostpcb::Board* board = nullptr;
    TProgressLog progress;
    app::AppClient client;
    int64_t polls = 0;
    // When positive, the stop is confirmed at this many message polls.
    int64_t stopAfterPolls = 0;
};

// Hand-made pair trees: the extractor or the test frees them.
inline TPair* Leaf(PcbHandle component) { return new TPair(component); }
inline TPair* Join(int32_t score, TPair* left, TPair* right) {
    auto* node = new TPair(nullptr);
    node->SetChildren(left, right);
    node->Score = score;
    return node;
}

// The handle of each movable group's first member, in group order.
inline std::vector<PcbHandle> GroupHandles(const TCluster& cluster) {
    std::vector<PcbHandle> handles;
    for (const TRectangularComponentGroup* group : cluster) {
        handles.push_back(FirstHandle(*group));
    }
    return handles;
}

}  // namespace autoplacer::plantest
