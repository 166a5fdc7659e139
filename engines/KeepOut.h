// The placer's tests against the board's keep-out outline and between components:
// the keep-out extent and whether the board has a usable keep-out at all, whether
// the outline is a plain rectangle, and whether a rectangle is a legal place
// inside it. Collisions between components are in ComponentCollisions.h.
//
// Overlaps are judged by the host on temporary tracks, arcs and fills, which are
// created and destroyed within each call. Layers play no part in these tests: a
// temporary shape is put on the layer of the primitive it is tested against.
#pragma once

#include <cstdint>

#include "model/PlacementContext.h"
#include "engines/ContainmentGeometry.h"
#include "model/PrimitivesList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

// The extent of the arcs, pads, tracks and fills on the board's keep-out layer.
// True when at least one object lies on that layer and the extent has positive
// width and height. A stop request ends the scan early with what was gathered.
bool GetKeepOutExtent(PcbHandle board, TRect& extent);

// The outline is made of tracks and arcs only, reaches into all four corners of its
// extent (a point 10 mil inside each corner is a legal place) and crosses no side
// of the extent shrunk by those 10 mil, so the extent itself is the usable area.
bool KeepOutIsRectangularTest(const TPlacementContext& context);

// Fills KeepOutExtent and KeepOutIsRectangular. False (and KeepOutIsRectangular
// untouched) when the board has no usable keep-out.
bool ValidateKeepOut(TPlacementContext& context);

// The board sides whose copper a rectangle stands for (bit 0 top, bit 1 bottom):
// a keep-out pad on one side's outer copper only (a pad of a board frame, such as
// a battery contact on the back) meets rectangles of that side alone.
inline constexpr uint8_t TopSide = 1;
inline constexpr uint8_t BottomSide = 2;
inline constexpr uint8_t BothSides = TopSide | BottomSide;

// The rectangle comes closer than the clearance to a fill, shape or pad of the
// list (a pad only when it is on one of the sides, or through the board), or one
// of its sides crosses a track or meets an arc of the list.
bool RectHitsKeepOut(const TRect& r, const TPrimitivesList& list, int32_t clearance,
                     TOutlineSearch search = TOutlineSearch::Remembered, uint8_t sides = BothSides);
// Not touching anything of the list and inside its outline.
bool RectIsLegal(const TRect& r, const TPrimitivesList& list, int32_t clearance,
                 TOutlineSearch search = TOutlineSearch::Remembered, uint8_t sides = BothSides);

// The rectangle grown by the clearance on every side lies within the area.
bool RectFitsAreaWithGap(const TRect& r, const TRect& area, int32_t clearance);
// The rectangular fast path: on a rectangular keep-out, RectFitsAreaWithGap against
// the area (the keep-out extent or an engine's own area); otherwise RectIsLegal
// against the context's keep-out primitives.
bool RectFitsKeepOut(const TPlacementContext& context, const TRect& area, const TRect& r, int32_t clearance,
                     uint8_t sides = BothSides);

}  // namespace autoplacer
