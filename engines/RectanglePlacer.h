// The rectangle placer: packs rectangles one at a time into the placement area
// (the keep-out extent).
//
// Every new rectangle is put with its lower-left corner on an anchor point: a
// corner of the area, a vertex of a non-rectangular keep-out outline, or a
// corner of a rectangle committed earlier. Among the anchors where it fits (in
// the area, overlapping no committed rectangle) it takes the one that grows the
// occupied region least, after honouring the edge preferences, in its given
// shape or turned a quarter, whichever scores lower. When no anchor fits it goes
// where it sticks out and overlaps least. The room placer feeds it clusters'
// rooms and obstacles.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/PlacementContext.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

// Edge preferences of PlaceRect, for the bottom/top edges (vertical) and the
// left/right edges (horizontal) of the area.
inline constexpr uint8_t kEdgeNoPreference = 0;
// The rectangle should have one of its edges within 200 mil of the area's edge.
inline constexpr uint8_t kEdgeNear = 1;
// It should have neither edge within 200 mil of the area's edges.
inline constexpr uint8_t kEdgeAway = 2;

// How close (inclusive) an edge must be to the area's edge to count as near.
inline constexpr int64_t kEdgeNearDistance = 2000000;
// The score of a violated edge preference: it outweighs any realistic growth.
inline constexpr int64_t kEdgePenalty = 5000;
// On an irregular outline a rectangle is judged this far (10 mil) inside its
// edges, so that one anchored on the outline may touch it.
inline constexpr int32_t kOutlineTouchTolerance = 100000;

class TRectanglePlacer {
public:
    // Copies the context; the anchors start with the area's corners and, on a
    // non-rectangular keep-out, the end points of every keep-out track.
    explicit TRectanglePlacer(const TPlacementContext& context);
    TRectanglePlacer(const TRectanglePlacer&) = delete;
    TRectanglePlacer& operator=(const TRectanglePlacer&) = delete;

    // Records an occupied rectangle where it is. The placer keeps the pointer:
    // the rectangle must outlive the placer and is read again by later tests.
    void CommitRect(TRect* rect);
    // Moves the rectangle (turned a quarter when that scores lower) to its best
    // anchor and commits it. Answers whether it was turned: a square one may be
    // turned too, because the preferences turn with it.
    bool PlaceRect(TRect& rect, uint8_t verticalPreference, uint8_t horizontalPreference);
    // Moves the rectangle's lower-left corner to the area's and commits it.
    void PlaceAtAreaCorner(TRect& rect);

    // The pieces of the search, public so that their rules can be checked.
    static TRect MoveRectToCorner(const TPoint& corner, const TRect& rect);
    // Width and height exchanged, at the origin.
    static TRect Turned(const TRect& rect);
    // Within the extent; on an irregular keep-out also a legal place for the
    // rectangle shrunk by kOutlineTouchTolerance (at most to its centre line).
    bool RectFitsArea(const TRect& r) const;
    bool CornerFits(const TPoint& corner, const TRect& rect) const;
    int64_t GrowthScore(const TPoint& corner, const TRect& rect) const;
    int64_t EdgeScore(const TPoint& corner, const TRect& rect) const;
    int64_t CornerScore(const TPoint& corner, const TRect& rect) const;
    int64_t CornerPenalty(const TPoint& corner, const TRect& rect) const;
    // The index into Corners of the best fitting anchor (earliest on equal
    // scores), with its score; none and -1 when no anchor fits.
    std::optional<int32_t> BestLegalCorner(const TRect& rect, int64_t& score) const;
    // The anchor of least penalty (earliest on ties); none and -1 without anchors.
    std::optional<int32_t> LeastBadCorner(const TRect& rect, int64_t& penalty) const;
    void SwapPreferences();

    const TFastListOf<TRect*>& PlacedRects() const { return Placed; }
    const std::vector<TPoint>& Corners() const { return Anchors; }
    const TRect& OccupiedRect() const { return Occupied; }
    const TRect& Area() const { return Context.KeepOutExtent; }

    uint8_t VerticalEdgePreference = kEdgeNoPreference;
    uint8_t HorizontalEdgePreference = kEdgeNoPreference;
    // The last PlaceRect found no legal anchor and took the least bad one, so
    // the rectangle may overlap others or leave the area.
    bool LastPlacementFellBack = false;

private:
    void AddCorners(const TRect& r);

    // Borrowed from the callers, in commit order.
    TFastListOf<TRect*> Placed;
    // In insertion order; duplicates stay and the list never shrinks.
    std::vector<TPoint> Anchors;
    TRect Occupied;
    TPlacementContext Context;
};

}  // namespace autoplacer
