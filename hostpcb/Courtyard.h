// A component's courtyard (the KiCad F.CrtYd / B.CrtYd outline, read onto one host
// layer) as segments, and the tests KiCad's design-rule check makes with it:
// courtyards on one side must not overlap, and a part with through-hole pads must not
// sit over or under a part on the other side.
#pragma once

#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb {

// The host layer that holds footprint courtyards.
constexpr LayerNumber kCourtyardLayer = PCB_MECHANICAL_1 + 14;

struct CourtyardSegment {
    PointF a, b;
};

// A closed region given by its boundary segments (even-odd), in board coordinates.
struct CourtyardShape {
    std::vector<CourtyardSegment> segments;
    Box box;  // of the segments; meaningless when empty
    bool Empty() const { return segments.empty(); }
};

// The courtyard of a component where it is now; empty when it has none.
CourtyardShape ComponentCourtyard(const Component& component);

// The same shape moved by (dx, dy).
CourtyardShape Shifted(const CourtyardShape& shape, double dx, double dy);

// Segments that cross at a point inside both (touching ends and collinear runs excluded).
bool SegmentsCrossProperly(const CourtyardSegment& s, const CourtyardSegment& t);

// True when a point lies inside the region (even-odd over its segments).
bool InsideCourtyard(const CourtyardShape& shape, PointF p);

// Two regions closer than `gap`: boundaries that cross or come closer than the gap,
// or one region inside the other. With gap 0 regions that only touch do not meet.
bool CourtyardsMeet(const CourtyardShape& a, const CourtyardShape& b, double gap);

// A component with at least one pad that goes through the board.
bool HasThroughHolePads(const Component& component);

// What KiCad's check reports for two components with these courtyards: on the same
// side, courtyards that overlap (or come closer than `gap`); on opposite sides, a hole
// of a through-hole pad of either inside the other's courtyard.
bool CourtyardsConflict(const Component& a, const CourtyardShape& courtyardA, const Component& b,
                        const CourtyardShape& courtyardB, double gap = 0);

}  // namespace hostpcb
