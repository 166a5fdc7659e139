// A component's shape as the host holds it: its arcs, pads and tracks with
// their layers and boxes, and whether its extent is a poor stand-in for it.
#pragma once

#include <cstdint>
#include <vector>

#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/TemporaryPrimitive.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// One arc, pad or track of a component as it is at the start of a test.
struct TComponentPrimitive {
    PcbHandle Handle = nullptr;
    int Layer = 0;
    TRect Box;
};

// The component's arcs, pads and tracks in the host's order.
std::vector<TComponentPrimitive> ComponentPrimitives(PcbHandle component);

// Boxes farther apart than the clearance along either axis hold shapes that
// cannot come closer than it, so the host need not be asked.
bool BoxesApart(const TRect& a, const TRect& b, int32_t clearance);

// A fill covering the rectangle touches one of the primitives (on its layer).
bool FillTouchesAny(TTemporaryPrimitive& fill, const TRect& r, const std::vector<TComponentPrimitive>& primitives);

// One of the 100-mil squares in the corners of the component's extent touches
// none of its primitives: the bounding rectangle is a poor stand-in for the outline.
bool ComponentHasEmptyCorner(PcbHandle component);

}  // namespace autoplacer
