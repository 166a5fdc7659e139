// The placer's tests against the board's keep-out outline and between components:
// the keep-out extent and whether the board has a usable keep-out at all, whether
// the outline is a plain rectangle, whether a rectangle is a legal place inside
// it, and whether two components collide (overlapping primitives on any layers,
// or one inside the ring of the other).
//
// Overlaps are judged by the host on temporary tracks, arcs and fills, which are
// created and destroyed within each call. Layers play no part in these tests: a
// temporary shape is put on the layer of the primitive it is tested against.
#pragma once

#include <cstdint>

#include "driver/PlacementContext.h"
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

// The rectangle comes closer than the clearance to a fill, shape or pad of the
// list, or one of its sides crosses a track or meets an arc of the list.
bool RectHitsKeepOut(const TRect& r, const TPrimitivesList& list, int32_t clearance,
                     TOutlineSearch search = TOutlineSearch::Indexed);
// Not touching anything of the list and inside its outline.
bool RectIsLegal(const TRect& r, const TPrimitivesList& list, int32_t clearance,
                 TOutlineSearch search = TOutlineSearch::Indexed);

// The rectangle grown by the clearance on every side lies within the area.
bool RectFitsAreaWithGap(const TRect& r, const TRect& area, int32_t clearance);
// The rectangular fast path: on a rectangular keep-out, RectFitsAreaWithGap against
// the area (the keep-out extent or an engine's own area); otherwise RectIsLegal
// against the context's keep-out primitives.
bool RectFitsKeepOut(const TPlacementContext& context, const TRect& area, const TRect& r, int32_t clearance);

// Host overlap test with the clearance between fills covering the two extents.
bool ComponentExtentsOverlap(PcbHandle a, PcbHandle b, int32_t clearance);
// Some arc, pad or track of A and some arc, pad or track of B come closer than the
// clearance, whatever their layers.
bool ComponentPrimitivesOverlap(PcbHandle a, PcbHandle b, int32_t clearance);
// The point lies inside a ring of the component's primitives: growing a square
// around it, strips at its left and right, or at its bottom and top, both touch the
// component before the square outgrows the component's extent.
bool PointEnclosedByComponent(const TPoint& p, PcbHandle component);
// The reference point of one component is enclosed by the other.
bool ComponentsNested(PcbHandle a, PcbHandle b);
// Extents overlap and (primitives overlap or one is nested in the other).
bool ComponentsCollide(PcbHandle a, PcbHandle b, int32_t clearance);
// A fill covering the rectangle touches an arc, pad or track of the component.
bool RectTouchesComponent(PcbHandle component, const TRect& r);
// One of the 100-mil squares in the corners of the component's extent touches
// none of its primitives: the bounding rectangle is a poor stand-in for the outline.
bool ComponentHasEmptyCorner(PcbHandle component);
// The point touches the component or lies inside the outline of its tracks and arcs.
bool PointOnOrInComponent(PcbHandle component, const TPoint& p);

}  // namespace autoplacer
