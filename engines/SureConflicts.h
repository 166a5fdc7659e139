// Arithmetic judgements of the member-extent conflict test made before the
// searched group is moved on the host. The rectangles they see are known only
// up to a small error: a shifted extent of a turned part may be a unit off the
// one the host finds after the move, and the host rounds bounds outward. Each
// judgement answers only when every rectangle within margin of the given one
// (shifted by dx, dy) gets the same answer; the caller moves the group and asks
// the exact test otherwise.
#pragma once

#include <cstdint>

#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

// Rectangle a (shifted) and b come within reach of each other, edges touching
// counted: farther apart they cannot conflict.
bool WithinReach(const TRect& a, int64_t dx, int64_t dy, const TRect& b, int64_t reach);

// Every rectangle within margin of a (shifted) overlaps b under the given
// clearance as the fast rectangle test answers it (touching, an axis gap
// below the clearance, a diagonal gap at most the clearance less a unit).
// Rectangles of either side no wider or taller than twice the margin are
// never judged: the true one might have no area.
bool SurelyOverlapping(const TRect& a, int64_t dx, int64_t dy, const TRect& b, int32_t clearance, int64_t margin);

// A shape whose bounds lie within margin of pad (shifted) comes within the
// clearance of rectangle b (or touches it): a shape reaches every side of its
// bounds, so when one whole side lies well inside b along its length, and
// across it no farther out of b than the clearance less a unit, some point of
// the shape does too. Bounds without area are never judged.
bool SurelyMeets(const TRect& pad, int64_t dx, int64_t dy, const TRect& b, int32_t clearance, int64_t margin);

}  // namespace autoplacer
