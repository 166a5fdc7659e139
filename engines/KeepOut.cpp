#include "engines/KeepOut.h"

#include <algorithm>
#include <vector>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbUnits.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

// The points tested by the rectangle test sit this far inside each extent corner (10 mil).
constexpr int32_t kCornerInset = 100000;
// The enclosure test starts with a square of this half-size and grows it by as much per step (10 mil).
constexpr int32_t kEnclosureStep = 100000;
// Width of its left and right strips (50 mil) and height of its bottom and top strips (10 mil).
constexpr int32_t kSideStripWidth = 500000;
constexpr int32_t kEndStripHeight = 100000;
// Side of the corner squares of the empty-corner test (100 mil).
constexpr int32_t kCornerSquare = 1000000;

// A host object made for one test and destroyed with this wrapper.
class TTemporaryPrimitive {
public:
    explicit TTemporaryPrimitive(uint8_t kind) : Handle(PcbApi::PcbApi_CreateObject(kind)) {}
    ~TTemporaryPrimitive() {
        if (Handle != nullptr) {
            PcbApi::PcbApi_DestroyObject(Handle);
        }
    }
    TTemporaryPrimitive(const TTemporaryPrimitive&) = delete;
    TTemporaryPrimitive& operator=(const TTemporaryPrimitive&) = delete;

    // A fill with the rectangle's corners on the layer (0 keeps the layer it has).
    void SetFill(const TRect& r, int layer = 0) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = r.Left;
            data.Base.Y = r.Bottom;
            data.X2 = r.Right;
            data.Y2 = r.Top;
        }, layer);
    }
    void SetTrack(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = x1;
            data.Base.Y = y1;
            data.X2 = x2;
            data.Y2 = y2;
            data.Width = 0;
        }, 0);
    }
    void SetArc(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = cx;
            data.Base.Y = cy;
            data.Radius = radius;
            data.StartAngle = startAngle;
            data.EndAngle = endAngle;
            data.Width = 0;
        }, 0);
    }

    bool Overlaps(PcbHandle other, int32_t clearance) const {
        return Handle != nullptr && other != nullptr &&
               PcbApi::PCBAPI_CheckPrimitivesOverlapWithClearance(Handle, other, clearance) != 0;
    }

    PcbHandle Handle;

private:
    template <typename Change>
    void Write(Change change, int layer) {
        if (Handle == nullptr) {
            return;
        }
        PcbPrimitiveData data{};
        PcbApi::PcbApi_QueryPrimitive(Handle, PCB_READ, &data);
        change(data);
        if (layer != 0) {
            data.Base.Layer = LayerNumberToId(layer);
        }
        PcbApi::PcbApi_QueryPrimitive(Handle, PCB_WRITE, &data);
    }
};

// One arc, pad or track of a component as it is at the start of a test.
struct TComponentPrimitive {
    PcbHandle Handle = nullptr;
    int Layer = 0;
    TRect Box;
};

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

// Boxes farther apart than the clearance along either axis hold shapes that cannot
// come closer than it, so the host need not be asked.
bool BoxesApart(const TRect& a, const TRect& b, int32_t clearance) {
    const int64_t limit = std::max(clearance, 0);
    const int64_t dx = std::max<int64_t>({0, int64_t{a.Left} - b.Right, int64_t{b.Left} - a.Right});
    const int64_t dy = std::max<int64_t>({0, int64_t{a.Bottom} - b.Top, int64_t{b.Bottom} - a.Top});
    return dx > limit || dy > limit;
}

// Puts a board object on another layer for the length of one test.
class TLayerSwap {
public:
    TLayerSwap(PcbHandle object, int from, int to) : Object(object), From(from), Swapped(from != to) {
        if (Swapped) {
            SetLayer(to);
        }
    }
    ~TLayerSwap() {
        if (Swapped) {
            SetLayer(From);
        }
    }
    TLayerSwap(const TLayerSwap&) = delete;
    TLayerSwap& operator=(const TLayerSwap&) = delete;

private:
    void SetLayer(int layer) {
        PcbObjectData data{};
        if (PcbApi::PcbApi_QueryObjectBase(Object, PCB_READ, &data) == PCB_OK) {
            data.Layer = LayerNumberToId(layer);
            PcbApi::PcbApi_QueryObjectBase(Object, PCB_WRITE_SILENT, &data);
        }
    }

    PcbHandle Object;
    int From;
    bool Swapped;
};

// A fill covering the rectangle touches one of the primitives (on its layer).
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

// A side of the rectangle comes closer than the clearance to a piece of the
// shape's outline, or the rectangle's top-left corner lies inside the outline.
bool RectMeetsShape(const TRect& r, const TPcbPolygon& shape, int32_t clearance) {
    const std::vector<PcbPolygonVertex>& vertices = shape.Vertices;
    TTemporaryPrimitive side(PCB_TRACK);
    TTemporaryPrimitive line(PCB_TRACK);
    TTemporaryPrimitive arc(PCB_ARC);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const PcbPolygonVertex& v = vertices[i];
        TTemporaryPrimitive* piece = &line;
        if (v.Kind == 0) {
            const PcbPolygonVertex& next = vertices[(i + 1) % vertices.size()];
            line.SetTrack(v.X, v.Y, next.X, next.Y);
        } else {
            arc.SetArc(v.CX, v.CY, v.Radius, v.StartAngle, v.EndAngle);
            piece = &arc;
        }
        for (const TSegmentRecord& s : RectToSegments(r)) {
            side.SetTrack(static_cast<int32_t>(s.X1), static_cast<int32_t>(s.Y1), static_cast<int32_t>(s.X2),
                          static_cast<int32_t>(s.Y2));
            if (side.Overlaps(piece->Handle, clearance)) {
                return true;
            }
        }
    }
    const TPrimitivesList outline(shape.Handle);
    return PointInOutline(Point(r.Left, r.Top), outline);
}

}  // namespace

bool GetKeepOutExtent(PcbHandle board, TRect& extent) {
    extent = Rect(ExtentStartMin, ExtentStartMax, ExtentStartMax, ExtentStartMin);
    int32_t seen = 0;
    TObjectIterator objects(board, PCB_ANY_OBJECT, PCB_ITERATE_OWN_OBJECTS, PCB_KEEP_OUT_LAYER);
    for (PcbHandle object = objects.First(); object != nullptr; object = objects.Next()) {
        ++seen;
        const uint8_t kind = PcbApi::PcbApi_GetObjectIdFromObjectHandle(object);
        if (kind == PCB_ARC || kind == PCB_PAD || kind == PCB_TRACK || kind == PCB_FILL) {
            int32_t x1 = 0;
            int32_t y1 = 0;
            int32_t x2 = 0;
            int32_t y2 = 0;
            if (PcbApi::PcbApi_QueryObjectBoundingRectangle(object, &x1, &y1, &x2, &y2) != 0) {
                extent.Left = std::min({extent.Left, x1, x2});
                extent.Bottom = std::min({extent.Bottom, y1, y2});
                extent.Right = std::max({extent.Right, x1, x2});
                extent.Top = std::max({extent.Top, y1, y2});
            }
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return seen > 0 && extent.Right - extent.Left > 0 && extent.Top - extent.Bottom > 0;
}

bool KeepOutIsRectangularTest(const TPlacementContext& context) {
    const TPrimitivesList* list = context.KeepOutPrimitives;
    if (list == nullptr || !list->Fills.Empty() || !list->Polygons.Empty() || !list->Pads.Empty()) {
        return false;
    }
    const TRect& e = context.KeepOutExtent;
    const TPoint corners[] = {Point(e.Left + kCornerInset, e.Bottom + kCornerInset),
                              Point(e.Right - kCornerInset, e.Bottom + kCornerInset),
                              Point(e.Left + kCornerInset, e.Top - kCornerInset),
                              Point(e.Right - kCornerInset, e.Top - kCornerInset)};
    const bool cornersInside = std::all_of(std::begin(corners), std::end(corners), [&](const TPoint& p) {
        return RectIsLegal(Rect(p.X, p.Y, p.X, p.Y), *list, 0);
    });
    // Reaching into the corners is not enough: a notch in an edge, or a second
    // board beside the first, leaves the corners inside while part of the extent
    // is off the board. The sides between the corner points must cross nothing.
    return cornersInside && !RectSidesMeetOutline(InflateRectXY(e, -kCornerInset, -kCornerInset), *list);
}

bool ValidateKeepOut(TPlacementContext& context) {
    if (!GetKeepOutExtent(context.Board, context.KeepOutExtent)) {
        return false;
    }
    context.KeepOutIsRectangular = KeepOutIsRectangularTest(context);
    return true;
}

bool RectHitsKeepOut(const TRect& r, const TPrimitivesList& list, int32_t clearance, TOutlineSearch search) {
    for (const TRect* fill : list.Fills) {
        if (RectsOverlap(r, *fill, clearance)) {
            return true;
        }
    }
    for (const TPcbPolygon* shape : list.Polygons) {
        if ((shape->ObjectId == PCB_POLYGON || shape->ObjectId == PCB_SPLIT_PLANE) &&
            RectMeetsShape(r, *shape, clearance)) {
            return true;
        }
    }
    if (!list.Pads.Empty()) {
        TTemporaryPrimitive fill(PCB_FILL);
        for (const TPcbPad* pad : list.Pads) {
            fill.SetFill(r, pad->GetLayer());
            if (fill.Overlaps(pad->Handle, clearance)) {
                return true;
            }
        }
    }
    return RectSidesMeetOutline(r, list, search);
}

bool RectIsLegal(const TRect& r, const TPrimitivesList& list, int32_t clearance, TOutlineSearch search) {
    return !RectHitsKeepOut(r, list, clearance, search) && RectInsideOutline(r, list, search);
}

bool RectFitsAreaWithGap(const TRect& r, const TRect& area, int32_t clearance) {
    return int64_t{r.Left} - clearance >= area.Left && int64_t{r.Right} + clearance <= area.Right &&
           int64_t{r.Bottom} - clearance >= area.Bottom && int64_t{r.Top} + clearance <= area.Top;
}

bool RectFitsKeepOut(const TPlacementContext& context, const TRect& area, const TRect& r, int32_t clearance) {
    if (context.KeepOutIsRectangular) {
        return RectFitsAreaWithGap(r, area, clearance);
    }
    return context.KeepOutPrimitives != nullptr && RectIsLegal(r, *context.KeepOutPrimitives, clearance);
}

bool ComponentExtentsOverlap(PcbHandle a, PcbHandle b, int32_t clearance) {
    return RectsOverlap(ComponentExtentRect(a), ComponentExtentRect(b), clearance);
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

bool ComponentsCollide(PcbHandle a, PcbHandle b, int32_t clearance) {
    return ComponentExtentsOverlap(a, b, clearance) &&
           (ComponentPrimitivesOverlap(a, b, clearance) || ComponentsNested(a, b));
}

bool RectTouchesComponent(PcbHandle component, const TRect& r) {
    TTemporaryPrimitive fill(PCB_FILL);
    return FillTouchesAny(fill, r, ComponentPrimitives(component));
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

bool PointOnOrInComponent(PcbHandle component, const TPoint& p) {
    const TRect at = Rect(p.X, p.Y, p.X, p.Y);
    if (RectTouchesComponent(component, at)) {
        return true;
    }
    const TPrimitivesList outline(component);
    return RectInsideOutline(at, outline);
}

}  // namespace autoplacer
