// Whether two components collide: their extents come closer than a clearance,
// and their primitives do (on any layers) or one lies inside the ring of the
// other. The group placer's conflict test and the cluster editor ask these.
// Overlaps are judged by the host on temporary shapes, each put on the layer of
// the primitive it is tested against.
#pragma once

#include <cstdint>

#include "model/PlacerForms.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// Host overlap test with the clearance between fills covering the two extents.
bool ComponentExtentsOverlap(PcbHandle a, PcbHandle b, int32_t clearance,
                             TPlacerForms forms = TPlacerForms::Fast);
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
bool ComponentsCollide(PcbHandle a, PcbHandle b, int32_t clearance, TPlacerForms forms = TPlacerForms::Fast);
// A fill covering the rectangle touches an arc, pad or track of the component.
bool RectTouchesComponent(PcbHandle component, const TRect& r);
// The point touches the component or lies inside the outline of its tracks and arcs.
bool PointOnOrInComponent(PcbHandle component, const TPoint& p);

}  // namespace autoplacer
