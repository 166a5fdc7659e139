#include "host/PcbIterators.h"

#include <initializer_list>

#include "host/PcbApi.h"
#include "host/PcbUnits.h"

namespace autoplacer {

TObjectIterator::TObjectIterator(PcbHandle owner, uint8_t kind, int32_t method, int layer)
    : Iterator(owner != nullptr ? PcbApi::PcbApi_CreateIterator(owner, kind, method, LayerNumberToId(layer))
                                : nullptr) {}

TObjectIterator::~TObjectIterator() {
    if (Iterator != nullptr) {
        PcbApi::PcbApi_DestroyIterator(Iterator);
    }
}

PcbHandle TObjectIterator::First() {
    return Iterator != nullptr ? PcbApi::PcbApi_GetFirstObject(Iterator) : nullptr;
}

PcbHandle TObjectIterator::Next() { return Iterator != nullptr ? PcbApi::PcbApi_GetNextObject(Iterator) : nullptr; }

TSpatialIterator::TSpatialIterator(PcbHandle board, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                   PcbLayerSet layers, PcbKindSet kinds)
    : Iterator(board != nullptr ? PcbApi::PcbApi_CreateSpatialIterator(board, x1, y1, x2, y2, layers, kinds)
                                : nullptr) {}

TSpatialIterator::~TSpatialIterator() {
    if (Iterator != nullptr) {
        PcbApi::PcbApi_DestroySpatialIterator(Iterator);
    }
}

PcbHandle TSpatialIterator::First() {
    return Iterator != nullptr ? PcbApi::PcbApi_GetFirstSpatialObject(Iterator) : nullptr;
}

PcbHandle TSpatialIterator::Next() {
    return Iterator != nullptr ? PcbApi::PcbApi_GetNextSpatialObject(Iterator) : nullptr;
}

PcbLayerSet LayerSetOf(std::initializer_list<int> layers) {
    PcbLayerSet set{};
    for (int layer : layers) {
        if (layer >= 0 && layer < 128) {
            set.Bits[layer / 64] |= uint64_t{1} << (layer % 64);
        }
    }
    return set;
}

PcbLayerSet AllLayers() {
    PcbLayerSet set{};
    for (int layer = 0; layer < PCB_LAYER_COUNT; ++layer) {
        set.Bits[layer / 64] |= uint64_t{1} << (layer % 64);
    }
    return set;
}

PcbKindSet KindSetOf(std::initializer_list<int> kinds) {
    PcbKindSet set = 0;
    for (int kind : kinds) {
        if (kind >= 0 && kind < 32) {
            set |= PcbKindSet{1} << kind;
        }
    }
    return set;
}

}  // namespace autoplacer
