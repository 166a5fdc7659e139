// Geometry shared by component groups and clusters: narrowing wide coordinate
// sums back to host coordinates, and the union of component extents.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/PlacedComponent.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// A coordinate computed in 64 bits, clamped to the host's 32-bit range.
inline int32_t ToCoord(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Merges component extents: minima start at 999990000 and maxima at 0, so a
// union of components without arcs, pads and tracks keeps the start values.
class TExtentUnion {
public:
    void Merge(PcbHandle component, bool includeTexts) {
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        GetComponentExtent(component, x1, y1, x2, y2, includeTexts);
        X1 = std::min(X1, x1);
        Y1 = std::min(Y1, y1);
        X2 = std::max(X2, x2);
        Y2 = std::max(Y2, y2);
    }
    TRect AsRect() const { return Rect(X1, Y2, X2, Y1); }

    int32_t X1 = ExtentStartMin;
    int32_t Y1 = ExtentStartMin;
    int32_t X2 = ExtentStartMax;
    int32_t Y2 = ExtentStartMax;
};

}  // namespace autoplacer
