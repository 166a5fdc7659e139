// Whether a component has a placement shape at all.
#pragma once

#include "hostpcb/Board.h"

namespace hostpcb {

// Some arc, pad or track of its placement shape gives the component a size. A
// logo or a panel tab drawn only on layers the reader does not map has none: its
// Bounds are its origin, and the placers leave it where it is.
bool HasExtent(const Component& component);

// A pad, or a drawing on a copper layer: what keeps a footprint without courtyard
// from being artwork (a logo, a text) that KiCad's checks pass over.
bool HasCopper(const Component& component);

}  // namespace hostpcb
