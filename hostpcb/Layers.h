// Layer numbers (as the placer numbers them) and the host's layer identity
// (a layer kind and an index within it), with conversions both ways.
#pragma once

#include <cstdint>

#include "sdk/pcb_types.h"

namespace hostpcb {

using LayerNumber = int;  // PcbLayerNumber values, 0 .. 82

// Identity -> number: top 1; mid n-th in the signal stack -> min(n-1, 30) + 1; bottom 32;
// plane n -> 38 + min(n, 16); mechanical n -> 56 + min(n, 16); fixed layers by number;
// anything else 0.
LayerNumber LayerFromId(PcbLayerId id);
// Number -> identity, the inverse for every valid number; 0 and unknown numbers give kind NONE.
PcbLayerId LayerToId(LayerNumber layer);

bool IsSignalLayer(LayerNumber layer);  // 1 .. 32
// The layer on the other side of the board (TopLayer <-> BottomLayer, overlays, pastes,
// solder masks); every other layer maps to itself.
LayerNumber FlippedLayer(LayerNumber layer);

inline bool LayerSetHas(const PcbLayerSet& set, LayerNumber layer) {
    return layer >= 0 && layer < 128 && ((set.Bits[layer / 64] >> (layer % 64)) & 1u) != 0;
}
inline void LayerSetAdd(PcbLayerSet& set, LayerNumber layer) {
    if (layer >= 0 && layer < 128) set.Bits[layer / 64] |= uint64_t{1} << (layer % 64);
}
inline bool LayerSetEmpty(const PcbLayerSet& set) { return set.Bits[0] == 0 && set.Bits[1] == 0; }
PcbLayerSet LayerSetRange(LayerNumber first, LayerNumber last);  // inclusive

inline bool KindSetHas(PcbKindSet set, int kind) { return kind >= 0 && kind < 32 && ((set >> kind) & 1u) != 0; }
inline PcbKindSet KindBit(int kind) { return PcbKindSet{1} << kind; }

}  // namespace hostpcb
