// Boards for the rectangle and room placer tests: a rectangular placement area
// given in mils, blocks and dual-row parts, clusters built from them, and the
// progress log of the plan tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/PlacementContext.h"
#include "model/Cluster.h"
#include "engines/PlanFixture.h"

namespace autoplacer::roomtest {

inline int32_t Mil(double mils) { return hostpcb::MilsToUnits(mils); }
inline TPoint P(double xMils, double yMils) { return Point(Mil(xMils), Mil(yMils)); }
// Rect(left, top, right, bottom) in mils.
inline TRect R(double left, double top, double right, double bottom) {
    return Rect(Mil(left), Mil(top), Mil(right), Mil(bottom));
}

// A context whose keep-out is the plain rectangle area.
inline TPlacementContext RectangularContext(PcbHandle board, const TRect& area) {
    TPlacementContext context;
    context.Board = board;
    context.KeepOutExtent = area;
    context.KeepOutIsRectangular = true;
    return context;
}

class RoomBoard : public plantest::PlanBoard {
protected:
    static hostpcb::Point At(double xMils, double yMils) { return {Mil(xMils), Mil(yMils)}; }

    // A part whose extent is exactly w x h mils around the centre.
    PcbHandle BlockAt(const std::string& designator, double xMils, double yMils, double wMils, double hMils) {
        return Block(designator, At(xMils, yMils), Mil(wMils), Mil(hMils));
    }

    // Two rows of n pads (200 x 100 mil, 200 mil pitch) 300 mil apart, along
    // the bottom and top of the part: its extent is 200n x 400 mil.
    PcbHandle DualRowPart(const std::string& designator, double xMils, double yMils, int n) {
        hostpcb::Component& c = board->AddComponent(designator, "DUALROW", At(xMils, yMils));
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = Mil(200);
        pad.sizeY = Mil(100);
        int pin = 1;
        for (const double row : {-150.0, 150.0}) {
            for (int i = 0; i < n; ++i) {
                const double x = xMils - 100.0 * (n - 1) + 200.0 * i;
                board->AddPad(&c, std::to_string(pin++), At(x, yMils + row), pad, PCB_TOP_LAYER);
            }
        }
        return c.Handle();
    }

    // A cluster of the components; the test keeps it.
    TCluster* ClusterOf(const std::vector<PcbHandle>& components) {
        auto& cluster = owned.emplace_back(std::make_unique<TCluster>());
        for (PcbHandle component : components) {
            cluster->AddComponent(component);
        }
        return cluster.get();
    }

    TRect ExtentOf(PcbHandle component) {
        const hostpcb::Box b = Host(component).Bounds();
        return Rect(b.x1, b.y2, b.x2, b.y1);
    }
    double AngleOf(PcbHandle component) { return Host(component).Rotation(); }

    std::vector<std::unique_ptr<TCluster>> owned;
};

}  // namespace autoplacer::roomtest
