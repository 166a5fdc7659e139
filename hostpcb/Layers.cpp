#include "hostpcb/Layers.h"

#include <algorithm>

namespace hostpcb {
namespace {

bool IsFixedLayer(int n) {
    return (n >= PCB_TOP_OVERLAY && n <= PCB_BOTTOM_SOLDER) || n == PCB_DRILL_GUIDE || n == PCB_KEEP_OUT_LAYER ||
           (n >= PCB_DRILL_DRAWING && n <= PCB_VIA_HOLE_LAYER);
}

}  // namespace

LayerNumber LayerFromId(PcbLayerId id) {
    const int n = id.Index;
    switch (id.Kind) {
        case PCB_LAYER_KIND_TOP_SIGNAL: return PCB_TOP_LAYER;
        case PCB_LAYER_KIND_MID_SIGNAL: return n >= 1 ? std::min(n - 1, 30) + 1 : PCB_NO_LAYER;
        case PCB_LAYER_KIND_BOTTOM_SIGNAL: return PCB_BOTTOM_LAYER;
        case PCB_LAYER_KIND_PLANE: return n >= 1 ? 38 + std::min(n, 16) : PCB_NO_LAYER;
        case PCB_LAYER_KIND_MECHANICAL: return n >= 1 ? 56 + std::min(n, 16) : PCB_NO_LAYER;
        case PCB_LAYER_KIND_FIXED: return IsFixedLayer(n) ? n : PCB_NO_LAYER;
        default: return PCB_NO_LAYER;
    }
}

PcbLayerId LayerToId(LayerNumber layer) {
    auto id = [](int kind, int index) { return PcbLayerId{uint8_t(kind), uint8_t(index)}; };
    if (layer == PCB_TOP_LAYER) return id(PCB_LAYER_KIND_TOP_SIGNAL, 1);
    if (layer >= PCB_MID_LAYER_1 && layer < PCB_BOTTOM_LAYER) return id(PCB_LAYER_KIND_MID_SIGNAL, layer);
    if (layer == PCB_BOTTOM_LAYER) return id(PCB_LAYER_KIND_BOTTOM_SIGNAL, 32);
    if (layer >= PCB_INTERNAL_PLANE_1 && layer <= PCB_INTERNAL_PLANE_1 + 15) return id(PCB_LAYER_KIND_PLANE, layer - 38);
    if (layer >= PCB_MECHANICAL_1 && layer <= PCB_MECHANICAL_1 + 15) return id(PCB_LAYER_KIND_MECHANICAL, layer - 56);
    if (IsFixedLayer(layer)) return id(PCB_LAYER_KIND_FIXED, layer);
    return id(PCB_LAYER_KIND_NONE, 0);
}

bool IsSignalLayer(LayerNumber layer) { return layer >= PCB_TOP_LAYER && layer <= PCB_BOTTOM_LAYER; }

LayerNumber FlippedLayer(LayerNumber layer) {
    switch (layer) {
        case PCB_TOP_LAYER: return PCB_BOTTOM_LAYER;
        case PCB_BOTTOM_LAYER: return PCB_TOP_LAYER;
        case PCB_TOP_OVERLAY: return PCB_BOTTOM_OVERLAY;
        case PCB_BOTTOM_OVERLAY: return PCB_TOP_OVERLAY;
        case PCB_TOP_PASTE: return PCB_BOTTOM_PASTE;
        case PCB_BOTTOM_PASTE: return PCB_TOP_PASTE;
        case PCB_TOP_SOLDER: return PCB_BOTTOM_SOLDER;
        case PCB_BOTTOM_SOLDER: return PCB_TOP_SOLDER;
        default: return layer;
    }
}

PcbLayerSet LayerSetRange(LayerNumber first, LayerNumber last) {
    PcbLayerSet set{};
    for (LayerNumber l = first; l <= last; ++l) LayerSetAdd(set, l);
    return set;
}

}  // namespace hostpcb
