#include "engines/ComponentCollisions.h"

#include <vector>

#include "engines/ContainmentGeometry.h"
#include "host/PcbRecords.h"
#include "model/BoardQueries.h"
#include "model/ComponentShape.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "model/TemporaryPrimitive.h"

namespace autoplacer {

namespace {

// The enclosure test starts with a square of this half-size and grows it by as much per step (10 mil).
constexpr int32_t kEnclosureStep = 100000;
// Width of its left and right strips (50 mil) and height of its bottom and top strips (10 mil).
constexpr int32_t kSideStripWidth = 500000;
constexpr int32_t kEndStripHeight = 100000;

}  // namespace

bool ComponentExtentsOverlap(PcbHandle a, PcbHandle b, int32_t clearance, TPlacerForms forms) {
    return RectsOverlap(ComponentExtentRect(a), ComponentExtentRect(b), clearance, forms);
}

bool ComponentPrimitivesOverlap(PcbHandle a, PcbHandle b, int32_t clearance) {
    const std::vector<TComponentPrimitive> primitivesA = ComponentPrimitives(a);
    const std::vector<TComponentPrimitive> primitivesB = ComponentPrimitives(b);
    for (const TComponentPrimitive& pa : primitivesA) {
        for (const TComponentPrimitive& pb : primitivesB) {
            if (BoxesApart(pa.Box, pb.Box, clearance)) {
                continue;
            }
            const TLayerSwap onSameLayer(pb.Handle, pb.Layer, pa.Layer);
            if (PcbApi::PCBAPI_CheckPrimitivesOverlapWithClearance(pa.Handle, pb.Handle, clearance) != 0) {
                return true;
            }
        }
    }
    return false;
}

bool PointEnclosedByComponent(const TPoint& p, PcbHandle component) {
    const TRect extent = ComponentExtentRect(component);
    const std::vector<TComponentPrimitive> primitives = ComponentPrimitives(component);
    TTemporaryPrimitive strip(PCB_FILL);
    TRect square = Rect(p.X - kEnclosureStep, p.Y + kEnclosureStep, p.X + kEnclosureStep, p.Y - kEnclosureStep);
    bool left = false;
    bool right = false;
    bool bottom = false;
    bool top = false;
    while (RectContainsRect(extent, square)) {
        const TRect s = square;
        left = left || FillTouchesAny(strip, Rect(s.Left, s.Top, s.Left + kSideStripWidth, s.Bottom), primitives);
        bottom = bottom || FillTouchesAny(strip, Rect(s.Left, s.Bottom + kEndStripHeight, s.Right, s.Bottom), primitives);
        right = right || FillTouchesAny(strip, Rect(s.Right - kSideStripWidth, s.Top, s.Right, s.Bottom), primitives);
        top = top || FillTouchesAny(strip, Rect(s.Left, s.Top, s.Right, s.Top - kEndStripHeight), primitives);
        if ((left && right) || (bottom && top)) {
            return true;
        }
        square = InflateRectXY(square, kEnclosureStep, kEnclosureStep);
    }
    return false;
}

bool ComponentsNested(PcbHandle a, PcbHandle b) {
    return PointEnclosedByComponent(Point(GetObjectX(a), GetObjectY(a)), b) ||
           PointEnclosedByComponent(Point(GetObjectX(b), GetObjectY(b)), a);
}

bool ComponentsCollide(PcbHandle a, PcbHandle b, int32_t clearance, TPlacerForms forms) {
    return ComponentExtentsOverlap(a, b, clearance, forms) &&
           (ComponentPrimitivesOverlap(a, b, clearance) || ComponentsNested(a, b));
}

bool RectTouchesComponent(PcbHandle component, const TRect& r) {
    TTemporaryPrimitive fill(PCB_FILL);
    return FillTouchesAny(fill, r, ComponentPrimitives(component));
}

bool PointOnOrInComponent(PcbHandle component, const TPoint& p) {
    const TRect at = Rect(p.X, p.Y, p.X, p.Y);
    if (RectTouchesComponent(component, at)) {
        return true;
    }
    const TPrimitivesList outline(component);
    return RectInsideOutline(at, outline);
}

}  // namespace autoplacer
