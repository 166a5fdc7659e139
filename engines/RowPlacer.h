// The row placer: lines components up from left to right, starting at the
// lower-left corner of an area, each separated from its neighbour by the gap
// the design rules require between the two.
//
// Single components are stood upright first (taller than wide). Pairs, such as
// an IC with its decoupling capacitor, form one column each: the bigger part at
// the bottom of the row, the smaller one stacked above it, or, when the two are
// surface-mount parts on opposite board sides, tucked under it on the other
// side. A row is built with one kind of addition only: a pair keeps its
// distance from the last two members as the previous pair.
//
// Every move is written to the host at once. There is no overlap test beyond
// the neighbours' gaps, and the row may run past the area's right edge.
#pragma once

#include <cstdint>

#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

class TPlacedComponent;

class TRowPlacer {
public:
    // Only the area's Left and Bottom are used.
    TRowPlacer(const TRect& area, const TPlacerOptions& options);

    // Stands the component upright and adds it at the right end of the row.
    void AddToRow(TPlacedComponent& component);
    // Turns the two (OrientPair) and adds them as one column at the right end.
    void AddPair(TPlacedComponent& a, TPlacedComponent& b);
    // Chooses the rotations of a pair: the bigger part takes its first allowed
    // right angle, the smaller the turn that packs the two into the smaller
    // area measure; a lying big part turns both back a quarter so that it
    // stands and the smaller one lies above it.
    void OrientPair(TPlacedComponent& a, TPlacedComponent& b);

    TPlacerOptions Options;  // kept for the caller's record; not consulted
    // The components placed, in order (a pair adds its bigger part first); borrowed.
    TFastListOf<TPlacedComponent*> Members;
    // The union of the members' extents, grown from the area's lower-left corner.
    TRect Extent;
    TRect Area;

private:
    void GrowExtent(const TPlacedComponent& component);
    // Places big at x + its centring offset, and small stacked above it or
    // under its reference point; appends both.
    void PlaceColumn(TPlacedComponent& big, TPlacedComponent& small, int32_t x);
    void PlacePairFirst(TPlacedComponent& big, TPlacedComponent& small);
    void AppendPair(TPlacedComponent& big, TPlacedComponent& small);
};

}  // namespace autoplacer
