// The action of the "AlignComponents" command: ask how to align, then line the
// board's selected components up as one modification of the board.
#pragma once

#include "sdk/pcb_types.h"

namespace autoplacer {

// Cancel in the dialog, or No to the question about locked components, leaves
// the components where they are.
void AlignSelection(PcbHandle board);

}  // namespace autoplacer
