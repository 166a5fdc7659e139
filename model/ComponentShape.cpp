#include "model/ComponentShape.h"

#include <algorithm>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbUnits.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

// Side of the corner squares of the empty-corner test (100 mil).
constexpr int32_t kCornerSquare = 1000000;

}  // namespace

std::vector<TComponentPrimitive> ComponentPrimitives(PcbHandle component) {
    std::vector<TComponentPrimitive> primitives;
    TObjectIterator members(component, PCB_ANY_OBJECT, PCB_ITERATE_GROUP_PRIMITIVES);
    members.ForEach([&](PcbHandle member) {
        const uint8_t kind = PcbApi::PcbApi_GetObjectIdFromObjectHandle(member);
        if (kind != PCB_ARC && kind != PCB_PAD && kind != PCB_TRACK) {
            return;
        }
        PcbObjectData data{};
        PcbApi::PcbApi_QueryObjectBase(member, PCB_READ, &data);
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        PcbApi::PcbApi_QueryObjectBoundingRectangle(member, &x1, &y1, &x2, &y2);
        primitives.push_back({member, LayerIdToNumber(data.Layer),
                              Rect(std::min(x1, x2), std::max(y1, y2), std::max(x1, x2), std::min(y1, y2))});
    });
    return primitives;
}

bool BoxesApart(const TRect& a, const TRect& b, int32_t clearance) {
    const int64_t limit = std::max(clearance, 0);
    const int64_t dx = std::max<int64_t>({0, int64_t{a.Left} - b.Right, int64_t{b.Left} - a.Right});
    const int64_t dy = std::max<int64_t>({0, int64_t{a.Bottom} - b.Top, int64_t{b.Bottom} - a.Top});
    return dx > limit || dy > limit;
}

bool FillTouchesAny(TTemporaryPrimitive& fill, const TRect& r, const std::vector<TComponentPrimitive>& primitives) {
    for (const TComponentPrimitive& primitive : primitives) {
        if (BoxesApart(r, primitive.Box, 0)) {
            continue;
        }
        fill.SetFill(r, primitive.Layer);
        if (fill.Overlaps(primitive.Handle, 0)) {
            return true;
        }
    }
    return false;
}

bool ComponentHasEmptyCorner(PcbHandle component) {
    const TRect e = ComponentExtentRect(component);
    const std::vector<TComponentPrimitive> primitives = ComponentPrimitives(component);
    const TRect corners[] = {Rect(e.Left, e.Bottom + kCornerSquare, e.Left + kCornerSquare, e.Bottom),
                             Rect(e.Right - kCornerSquare, e.Bottom + kCornerSquare, e.Right, e.Bottom),
                             Rect(e.Left, e.Top, e.Left + kCornerSquare, e.Top - kCornerSquare),
                             Rect(e.Right - kCornerSquare, e.Top, e.Right, e.Top - kCornerSquare)};
    TTemporaryPrimitive fill(PCB_FILL);
    return !std::all_of(std::begin(corners), std::end(corners),
                        [&](const TRect& corner) { return FillTouchesAny(fill, corner, primitives); });
}

}  // namespace autoplacer
