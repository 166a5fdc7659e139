// Which components a moved component is in conflict with under the board's
// component-clearance rules: the test behind the cluster editor's conflict
// highlighting.
#pragma once

#include <cstdint>

#include "model/FastList.h"
#include "model/SpatialObjectStore.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// A store holding one TPlacedComponent record per component of the board, in
// the host's iteration order (the records are read once, when it is built).
void FillComponentStore(TSpatialObjectStore& store, PcbHandle board);

// Appends to list every component of the store near the component (its extent
// grown by margin) that the dominant component-clearance rule of the pair calls a
// conflict: check mode 0 compares extents when the two share a layer or either has
// through-hole pads, mode 1 compares extents on one side and through-hole pads
// across sides, mode 2 compares the real shapes on one side and through-hole pads
// across sides. A pair without a rule, or with another mode, is no conflict. The
// sides compared are those in the records, not read again.
void FindConflictingComponents(PcbHandle component, TSpatialObjectStore& store, TFastListOf<PcbHandle>& list,
                               int32_t margin);

}  // namespace autoplacer
