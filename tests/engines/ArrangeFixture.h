// A fresh host board for the arrangement tests (row placer and relative
// placer): block parts of exact sizes in mils, the placement area, and the
// host's own view of where a part ended up.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "hostpcb/Geometry.h"
#include "model/PlacedComponent.h"
#include "engines/PlanFixture.h"

namespace autoplacer::arrangetest {

inline int32_t Mils(double mils) { return hostpcb::MilsToUnits(mils); }

// The angle brought into 0 .. 360.
inline double Normalised(double angle) {
    const double a = std::fmod(angle, 360.0);
    return a < 0 ? a + 360.0 : a;
}

class ArrangeBoard : public plantest::PlanBoard {
protected:
    // A block w x h mils whose reference point is its centre, away from the area.
    PcbHandle BlockMils(const std::string& designator, double w, double h, double xMils = 5000,
                        double yMils = 5000) {
        return Block(designator, {Mils(xMils), Mils(yMils)}, Mils(w), Mils(h));
    }
    // Turns the part over to the bottom side (the host mirrors it).
    void ToBottom(PcbHandle component) { Host(component).SetLayer(PCB_BOTTOM_LAYER); }

    // The part's extent (texts excluded) as the host sees it.
    TRect Extent(PcbHandle component) {
        const hostpcb::Box b = Host(component).Bounds();
        return Rect(b.x1, b.y2, b.x2, b.y1);
    }
    double Angle(PcbHandle component) { return Normalised(Host(component).Rotation()); }
    hostpcb::Point Reference(PcbHandle component) { return Host(component).Position(); }

    // The area used by most cases: lower-left corner at (1000, 2000) mils.
    const TRect area = Rect(Mils(1000), Mils(4000), Mils(4000), Mils(2000));
};

}  // namespace autoplacer::arrangetest
