#include "engines/KeepOut.h"

#include <algorithm>
#include <vector>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbUnits.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"
#include "model/TemporaryPrimitive.h"

namespace autoplacer {

namespace {

// The points tested by the rectangle test sit this far inside each extent corner (10 mil).
constexpr int32_t kCornerInset = 100000;

// A side of the rectangle comes closer than the clearance to a piece of the
// shape's outline, or the rectangle's top-left corner lies inside the outline.
bool RectMeetsShape(const TRect& r, const TPcbPolygon& shape, int32_t clearance, TOutlineSearch search) {
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
    return PointInOutline(Point(r.Left, r.Top), outline, search);
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
        return RectIsLegal(Rect(p.X, p.Y, p.X, p.Y), *list, 0, OutlineSearchFor(context.Forms));
    });
    // Reaching into the corners is not enough: a notch in an edge, or a second
    // board beside the first, leaves the corners inside while part of the extent
    // is off the board. The sides between the corner points must cross nothing.
    return cornersInside && !RectSidesMeetOutline(InflateRectXY(e, -kCornerInset, -kCornerInset), *list,
                                                 OutlineSearchFor(context.Forms));
}

bool ValidateKeepOut(TPlacementContext& context) {
    if (!GetKeepOutExtent(context.Board, context.KeepOutExtent)) {
        return false;
    }
    context.KeepOutIsRectangular = KeepOutIsRectangularTest(context);
    return true;
}

bool RectHitsKeepOut(const TRect& r, const TPrimitivesList& list, int32_t clearance, TOutlineSearch search,
                     uint8_t sides) {
    for (const TRect* fill : list.Fills) {
        if (RectsOverlap(r, *fill, clearance, FormsOf(search))) {
            return true;
        }
    }
    for (const TPcbPolygon* shape : list.Polygons) {
        if ((shape->ObjectId == PCB_POLYGON || shape->ObjectId == PCB_SPLIT_PLANE) &&
            RectMeetsShape(r, *shape, clearance, search)) {
            return true;
        }
    }
    if (!list.Pads.Empty()) {
        TTemporaryPrimitive fill(PCB_FILL);
        for (const TPcbPad* pad : list.Pads) {
            const int layer = pad->GetLayer();
            if ((layer == PCB_TOP_LAYER && (sides & TopSide) == 0) ||
                (layer == PCB_BOTTOM_LAYER && (sides & BottomSide) == 0)) {
                continue;
            }
            fill.SetFill(r, layer);
            if (fill.Overlaps(pad->Handle, clearance)) {
                return true;
            }
        }
    }
    return RectSidesMeetOutline(r, list, search);
}

bool RectIsLegal(const TRect& r, const TPrimitivesList& list, int32_t clearance, TOutlineSearch search,
                 uint8_t sides) {
    return !RectHitsKeepOut(r, list, clearance, search, sides) && RectInsideOutline(r, list, search);
}

bool RectFitsAreaWithGap(const TRect& r, const TRect& area, int32_t clearance) {
    return int64_t{r.Left} - clearance >= area.Left && int64_t{r.Right} + clearance <= area.Right &&
           int64_t{r.Bottom} - clearance >= area.Bottom && int64_t{r.Top} + clearance <= area.Top;
}

bool RectFitsKeepOut(const TPlacementContext& context, const TRect& area, const TRect& r, int32_t clearance,
                     uint8_t sides) {
    if (context.KeepOutIsRectangular) {
        return RectFitsAreaWithGap(r, area, clearance);
    }
    return context.KeepOutPrimitives != nullptr &&
           RectIsLegal(r, *context.KeepOutPrimitives, clearance, OutlineSearchFor(context.Forms), sides);
}

}  // namespace autoplacer
