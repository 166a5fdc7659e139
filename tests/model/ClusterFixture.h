// A fresh host board for every cluster test, and helpers that read the host's
// own view of a component (position, angle, bounding box) to check the placer
// against.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/AppClient.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::test {

class ClusterTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("clusters.kicad_pcb");
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    static hostpcb::Point At(double xMils, double yMils) {
        return {hostpcb::MilsToUnits(xMils), hostpcb::MilsToUnits(yMils)};
    }

    // A component whose only primitive is one rectangular pad: its extent is
    // exactly w x h units around the centre (even sizes keep it exact).
    hostpcb::Component& Block(const std::string& designator, hostpcb::Point centre, hostpcb::Coord w,
                              hostpcb::Coord h) {
        hostpcb::Component& c = board->AddComponent(designator, "BLOCK", centre);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = w;
        pad.sizeY = h;
        board->AddPad(&c, "1", centre, pad, PCB_TOP_LAYER);
        return c;
    }

    hostpcb::Component& Part(const std::string& designator) { return *board->FindComponent(designator); }
    PcbHandle Handle(const std::string& designator) { return Part(designator).Handle(); }

    // The host's box of the component's shape (texts excluded) as a placer rectangle.
    TRect Extent(const std::string& designator) {
        const hostpcb::Box b = Part(designator).Bounds();
        return Rect(b.x1, b.y2, b.x2, b.y1);
    }
    double Angle(const std::string& designator) { return Part(designator).Rotation(); }

    app::AppClient client;
    hostpcb::Board* board = nullptr;
};

// The union of two rectangles.
inline TRect Union(const TRect& a, const TRect& b) {
    return Rect(std::min(a.Left, b.Left), std::max(a.Top, b.Top), std::max(a.Right, b.Right),
                std::min(a.Bottom, b.Bottom));
}

}  // namespace autoplacer::test
