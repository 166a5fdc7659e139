// Boards for the statistical placer's tests: a fresh host per test, a rectangular
// outline, parts parked left of it and joined by nets, and checks that measure the
// result from the host board itself (app/Metrics extents), not from the placer's model.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/statistical/StatisticalPlacer.h"

namespace statistical_test {

using hostpcb::Board;
using hostpcb::BoardBuilder;
using hostpcb::Box;
using hostpcb::Component;
using hostpcb::Coord;
using hostpcb::MmToUnits;
using hostpcb::Point;

inline Point Mm(double x, double y) { return {MmToUnits(x), MmToUnits(y)}; }

// Position, rotation and side of every component, in board order.
using Placement = std::vector<std::tuple<std::string, Point, double, int>>;

inline Placement PlacementOf(const Board& board) {
    Placement out;
    for (const Component* c : board.Components()) {
        out.emplace_back(c->Designator(), c->Position(), c->Rotation(), c->Layer());
    }
    return out;
}

// The smallest distance between the extents of two components that can meet (same
// side), measured along the axis that separates them most.
inline double SmallestSeparation(const Board& board) {
    const std::vector<app::ComponentExtent> extents = app::ComponentExtents(board);
    double smallest = 1e18;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        for (std::size_t j = i + 1; j < extents.size(); ++j) {
            if (extents[i].component->Layer() != extents[j].component->Layer()) continue;
            const Box& a = extents[i].box;
            const Box& b = extents[j].box;
            const double dx = std::max(double(a.x1) - b.x2, double(b.x1) - a.x2);
            const double dy = std::max(double(a.y1) - b.y2, double(b.y1) - a.y2);
            smallest = std::min(smallest, std::max(dx, dy));
        }
    }
    return smallest;
}

// The smallest distance from a component's extent to the edges of a rectangle it lies in.
inline double SmallestEdgeDistance(const Board& board, const Box& outline) {
    double smallest = 1e18;
    for (const app::ComponentExtent& e : app::ComponentExtents(board)) {
        smallest = std::min({smallest, double(e.box.x1) - outline.x1, double(outline.x2) - e.box.x2,
                             double(e.box.y1) - outline.y1, double(outline.y2) - e.box.y2});
    }
    return smallest;
}

class StatisticalTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("statistical.kicad_pcb");
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }

    // A 60 x 40 mm outline at (100, 100) mm and `chips` 0805 parts with two SOIC-8,
    // parked in a column left of the outline; the chips are chained by nets and each
    // SOIC takes part in some of them.
    void BuildConnectedBoard(int chips = 16, Box outlineMm = {100, 100, 160, 140}) {
        BoardBuilder b(*board);
        outline = {MmToUnits(outlineMm.x1), MmToUnits(outlineMm.y1), MmToUnits(outlineMm.x2), MmToUnits(outlineMm.y2)};
        b.RectOutline(outline.x1, outline.y1, outline.x2, outline.y2);
        b.Soic("U1", 8, Mm(40, 100));
        b.Soic("U2", 8, Mm(40, 115));
        for (int i = 1; i <= chips; ++i) {
            b.Chip("R" + std::to_string(i), "0805", Mm(60, 100 + 4 * i), (i % 2) * 90.0);
        }
        for (int i = 1; i < chips; ++i) {
            const std::string a = "R" + std::to_string(i) + ".2";
            const std::string c = "R" + std::to_string(i + 1) + ".1";
            b.Connect("N" + std::to_string(i), {a, c});
        }
        b.Connect("SA", {"U1.1", "R1.1", "U2.3"});
        b.Connect("SB", {"U1.5", "R8.2"});
        b.Connect("SC", {"U2.8", "R" + std::to_string(chips) + ".2"});
        // Two big nets that the power-net search takes as supplies.
        b.Connect("GND", {"U1.4", "U2.4"});
    }

    void SetGaps(double componentMm, double outlineMm) {
        board->placerOptions.value1 = MmToUnits(componentMm);
        board->placerOptions.value2 = MmToUnits(outlineMm);
    }

    hostpcb::statistical::PlacementOutcome Place(uint64_t seed = 1) {
        hostpcb::statistical::PlacerSettings settings;
        settings.seed = seed;
        return hostpcb::statistical::PlaceBoard(*board, settings);
    }

    void ExpectLegal() {
        const app::BoardMetrics m = app::MeasureBoard(*board);
        EXPECT_EQ(m.overlappingPairs, 0);
        EXPECT_EQ(m.outsideOutline, 0);
    }

    Board* board = nullptr;
    Box outline;
};

}  // namespace statistical_test
