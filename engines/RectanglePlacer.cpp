#include "engines/RectanglePlacer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "engines/KeepOut.h"
#include "model/PrimitivesList.h"
#include "model/RunControl.h"

namespace autoplacer {
namespace {

// The two rectangles share area: both spans overlap strictly, so rectangles that
// only share an edge or a corner do not.
bool OverlapWithArea(const TRect& a, const TRect& b) {
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Bottom, b.Bottom) < std::min(a.Top, b.Top);
}

int64_t Positive(int64_t value) { return value > 0 ? value : 0; }

bool Near(int64_t edge, int64_t areaEdge) { return std::llabs(edge - areaEdge) <= kEdgeNearDistance; }

int64_t PreferenceScore(uint8_t preference, bool nearOne, bool nearOther) {
    switch (preference) {
        case kEdgeNear:
            return nearOne || nearOther ? 0 : kEdgePenalty;
        case kEdgeAway:
            return nearOne || nearOther ? kEdgePenalty : 0;
        default:
            return 0;
    }
}

}  // namespace

TRectanglePlacer::TRectanglePlacer(const TPlacementContext& context) : Context(context) {
    const TRect& area = Context.KeepOutExtent;
    Occupied = Rect(area.Left, area.Bottom, area.Left, area.Bottom);
    AddCorners(area);
    // The vertices of an irregular outline are where rooms can nestle into it.
    if (!Context.KeepOutIsRectangular && Context.KeepOutPrimitives != nullptr) {
        for (const TSegmentRecord* track : Context.KeepOutPrimitives->Tracks) {
            const int32_t x1 = Round(track->X1);
            const int32_t y1 = Round(track->Y1);
            const int32_t x2 = Round(track->X2);
            const int32_t y2 = Round(track->Y2);
            Anchors.push_back(Point(x1, y1));
            Anchors.push_back(Point(x2, y1));
            Anchors.push_back(Point(x1, y2));
            Anchors.push_back(Point(x2, y2));
        }
    }
}

void TRectanglePlacer::AddCorners(const TRect& r) {
    Anchors.push_back(Point(r.Left, r.Bottom));
    Anchors.push_back(Point(r.Right, r.Bottom));
    Anchors.push_back(Point(r.Left, r.Top));
    Anchors.push_back(Point(r.Right, r.Top));
}

void TRectanglePlacer::CommitRect(TRect* rect) {
    Placed.Add(rect);
    Occupied.Left = std::min(Occupied.Left, rect->Left);
    Occupied.Right = std::max(Occupied.Right, rect->Right);
    Occupied.Bottom = std::min(Occupied.Bottom, rect->Bottom);
    Occupied.Top = std::max(Occupied.Top, rect->Top);
    AddCorners(*rect);
    ProcessPendingMessages();
}

TRect TRectanglePlacer::MoveRectToCorner(const TPoint& corner, const TRect& rect) {
    const int32_t w = RectWidth(rect);
    const int32_t h = RectHeight(rect);
    return Rect(corner.X, corner.Y + h, corner.X + w, corner.Y);
}

TRect TRectanglePlacer::Turned(const TRect& rect) { return Rect(0, RectWidth(rect), RectHeight(rect), 0); }

bool TRectanglePlacer::RectFitsArea(const TRect& r) const {
    if (Context.KeepOutIsRectangular) {
        return RectFitsAreaWithGap(r, Context.KeepOutExtent, 0);
    }
    if (Context.KeepOutPrimitives == nullptr || !RectFitsAreaWithGap(r, Context.KeepOutExtent, 0)) {
        return false;
    }
    // The anchors of an irregular outline lie on it, and a rectangle there
    // touches it: judged exactly, none of them would ever be legal, and every
    // room would fall back to the extent's corner, off the board. Within the
    // extent, the tolerance lets a room reach at most into the outline's track.
    const int32_t dx = std::min(kOutlineTouchTolerance, RectWidth(r) / 2);
    const int32_t dy = std::min(kOutlineTouchTolerance, RectHeight(r) / 2);
    return RectIsLegal(InflateRectXY(r, -dx, -dy), *Context.KeepOutPrimitives, 0, OutlineSearchFor(Context.Forms));
}

bool TRectanglePlacer::CornerFits(const TPoint& corner, const TRect& rect) const {
    const TRect r = MoveRectToCorner(corner, rect);
    // The cheap test first: both must hold, so the order changes no answer.
    for (const TRect* placed : Placed) {
        if (OverlapWithArea(r, *placed)) {
            return false;
        }
    }
    return RectFitsArea(r);
}

int64_t TRectanglePlacer::GrowthScore(const TPoint& corner, const TRect& rect) const {
    const int64_t gx = Positive(int64_t{corner.X} + RectWidth(rect) - Occupied.Right);
    const int64_t gy = Positive(int64_t{corner.Y} + RectHeight(rect) - Occupied.Top);
    // One unit is 100 mil of growth to the right and upwards.
    return Round64(std::hypot(static_cast<double>(gx) / 1000000.0, static_cast<double>(gy) / 1000000.0));
}

int64_t TRectanglePlacer::EdgeScore(const TPoint& corner, const TRect& rect) const {
    const TRect r = MoveRectToCorner(corner, rect);
    const TRect& area = Context.KeepOutExtent;
    const bool nearBottom = Near(r.Bottom, area.Bottom);
    const bool nearTop = Near(r.Top, area.Top);
    const bool nearLeft = Near(r.Left, area.Left);
    const bool nearRight = Near(r.Right, area.Right);
    return PreferenceScore(VerticalEdgePreference, nearBottom, nearTop) +
           PreferenceScore(HorizontalEdgePreference, nearLeft, nearRight);
}

int64_t TRectanglePlacer::CornerScore(const TPoint& corner, const TRect& rect) const {
    return GrowthScore(corner, rect) + EdgeScore(corner, rect);
}

int64_t TRectanglePlacer::CornerPenalty(const TPoint& corner, const TRect& rect) const {
    const TRect r = MoveRectToCorner(corner, rect);
    const TRect& area = Context.KeepOutExtent;
    int64_t penalty = Positive(int64_t{area.Left} - r.Left) + Positive(int64_t{r.Right} - area.Right) +
                      Positive(int64_t{area.Bottom} - r.Bottom) + Positive(int64_t{r.Top} - area.Top);
    for (const TRect* placed : Placed) {
        const int64_t w = int64_t{std::min(r.Right, placed->Right)} - std::max(r.Left, placed->Left);
        const int64_t h = int64_t{std::min(r.Top, placed->Top)} - std::max(r.Bottom, placed->Bottom);
        if (w > 0 && h > 0) {
            penalty += SqrtArea(w, h);
        }
    }
    return penalty;
}

std::optional<int32_t> TRectanglePlacer::BestLegalCorner(const TRect& rect, int64_t& score) const {
    std::optional<int32_t> best;
    score = -1;
    for (std::size_t i = 0; i < Anchors.size(); ++i) {
        // The host stays responsive through long anchor lists.
        ProcessPendingMessages();
        if (!CornerFits(Anchors[i], rect)) {
            continue;
        }
        const int64_t s = CornerScore(Anchors[i], rect);
        if (!best || s < score) {
            best = static_cast<int32_t>(i);
            score = s;
        }
    }
    return best;
}

std::optional<int32_t> TRectanglePlacer::LeastBadCorner(const TRect& rect, int64_t& penalty) const {
    std::optional<int32_t> best;
    penalty = -1;
    for (std::size_t i = 0; i < Anchors.size(); ++i) {
        const int64_t p = CornerPenalty(Anchors[i], rect);
        if (!best || p < penalty) {
            best = static_cast<int32_t>(i);
            penalty = p;
        }
    }
    return best;
}

void TRectanglePlacer::SwapPreferences() { std::swap(VerticalEdgePreference, HorizontalEdgePreference); }

bool TRectanglePlacer::PlaceRect(TRect& rect, uint8_t verticalPreference, uint8_t horizontalPreference) {
    VerticalEdgePreference = verticalPreference;
    HorizontalEdgePreference = horizontalPreference;
    const TRect given = rect;
    const TRect turned = Turned(rect);
    int64_t givenScore = -1;
    const std::optional<int32_t> givenCorner = BestLegalCorner(given, givenScore);
    // The preferences follow the turned shape (and stay swapped afterwards).
    SwapPreferences();
    int64_t turnedScore = -1;
    const std::optional<int32_t> turnedCorner = BestLegalCorner(turned, turnedScore);

    bool turn = false;
    std::optional<int32_t> corner;
    LastPlacementFellBack = !givenCorner && !turnedCorner;
    if (givenCorner && turnedCorner) {
        turn = turnedScore < givenScore;
        corner = turn ? turnedCorner : givenCorner;
    } else if (turnedCorner) {
        turn = true;
        corner = turnedCorner;
    } else if (givenCorner) {
        corner = givenCorner;
    } else {
        // Nowhere legal: the least overhang plus overlap, the given shape on ties.
        int64_t givenPenalty = -1;
        int64_t turnedPenalty = -1;
        const std::optional<int32_t> givenBad = LeastBadCorner(given, givenPenalty);
        const std::optional<int32_t> turnedBad = LeastBadCorner(turned, turnedPenalty);
        turn = turnedBad && turnedPenalty < givenPenalty;
        corner = turn ? turnedBad : givenBad;
    }
    const TPoint anchor = corner ? Anchors[static_cast<std::size_t>(*corner)]
                                 : Point(Context.KeepOutExtent.Left, Context.KeepOutExtent.Bottom);
    rect = MoveRectToCorner(anchor, turn ? turned : given);
    CommitRect(&rect);
    return turn;
}

void TRectanglePlacer::PlaceAtAreaCorner(TRect& rect) {
    rect = MoveRectToCorner(Point(Context.KeepOutExtent.Left, Context.KeepOutExtent.Bottom), rect);
    CommitRect(&rect);
}

}  // namespace autoplacer
