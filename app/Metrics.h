// Placement quality figures of a host board, shared by the application's reports and
// the benchmarks: connection length (minimum spanning tree per net), half-perimeter
// wire length, overlapping component pairs and components outside the outline.
#pragma once

#include <map>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/Courtyard.h"

namespace app {

// The host layer that holds footprint courtyards (KiCad F.CrtYd / B.CrtYd).
constexpr hostpcb::LayerNumber kCourtyardLayer = PCB_MECHANICAL_1 + 14;

struct ComponentExtent {
    const hostpcb::Component* component = nullptr;
    hostpcb::Box box;
    bool courtyard = false;  // the box is the courtyard's, not the whole footprint's
    // A locked footprint without courtyard spanning more than half the outline (a
    // case outline drawn round the board): KiCad checks no courtyard for it, and
    // neither does the report.
    bool frame = false;
    // Neither pads nor courtyard nor copper (a logo, a text): KiCad checks no courtyard for it,
    // the placers leave it where it was drawn, and the report does not judge it.
    bool artwork = false;
    bool Judged() const { return !frame && !artwork; }
};

// The extent of a component: its courtyard when it has one, else the box of its
// placement shape; artwork marked.
ComponentExtent ExtentOf(const hostpcb::Component& component);
// The extent of each component; frames and artwork marked.
std::vector<ComponentExtent> ComponentExtents(const hostpcb::Board& board);

struct Segment {
    hostpcb::Point a, b;
};

// Segments of the keep-out outline (arcs as short chords).
std::vector<Segment> OutlineSegments(const hostpcb::Board& board);
// Even-odd test against every outline segment, so cut-outs and separate outlines count.
bool InsideOutline(const std::vector<Segment>& outline, hostpcb::Point p);

// Courtyard outlines, each read once, for the tests below.
class CourtyardCache {
public:
    const hostpcb::CourtyardShape& Of(const hostpcb::Component& component);

private:
    std::map<const hostpcb::Component*, hostpcb::CourtyardShape> shapes_;
};

// Two extents (on one side) overlap with positive area; a courtyard only where its
// outline does, as KiCad's check finds (a part turned by 45 degrees leaves the
// corners of its box to others).
bool ExtentsOverlap(const ComponentExtent& a, const ComponentExtent& b, CourtyardCache& courtyards);
// A closed shape leaves the outline: its first vertex is outside, or a side crosses an
// outline segment.
bool ShapeLeavesOutline(const hostpcb::CourtyardShape& shape, const std::vector<Segment>& outline);
// The extent leaves the outline: its courtyard where it has one, else a corner of its box.
bool ExtentLeavesOutline(const ComponentExtent& e, const std::vector<Segment>& outline, CourtyardCache& courtyards);

// Minimum spanning tree over the centres of a net's pads (Prim, ties by pad order).
std::vector<Segment> NetSpanningTree(const hostpcb::Net& net);

struct BoardMetrics {
    double connectionLength = 0;  // host units, sum of every net's spanning tree
    double halfPerimeter = 0;     // host units, sum over nets with two or more pads
    int overlappingPairs = 0;     // same side, extents overlapping with positive area (courtyards: their outlines)
    int outsideOutline = 0;       // components whose extent leaves the outline
    bool hasOutline = false;
};

BoardMetrics MeasureBoard(const hostpcb::Board& board);

}  // namespace app
