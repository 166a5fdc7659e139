// Iteration over host objects: owned iterators that always follow first, next
// until nil, destroy.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "sdk/pcb_types.h"

namespace autoplacer {

// Visits the objects of an owner (board, component or other group object).
// Method PCB_ITERATE_OWN_OBJECTS visits the board's own objects; method
// PCB_ITERATE_GROUP_PRIMITIVES also reaches primitives held by groups (with a
// component as owner: its pads, tracks and arcs). Kind 0 means any kind; layer
// is a layer number, 0 for every layer.
class TObjectIterator {
public:
    TObjectIterator(PcbHandle owner, uint8_t kind, int32_t method = PCB_ITERATE_OWN_OBJECTS, int layer = 0);
    ~TObjectIterator();
    TObjectIterator(const TObjectIterator&) = delete;
    TObjectIterator& operator=(const TObjectIterator&) = delete;

    PcbHandle First();
    PcbHandle Next();

    // Calls visit(handle) for every object in the host's order.
    template <typename Visit>
    void ForEach(Visit visit) {
        for (PcbHandle object = First(); object != nullptr; object = Next()) {
            visit(object);
        }
    }

private:
    PcbHandle Iterator;
};

// Visits the objects whose bounds meet a rectangle, on the given layers, of the given kinds.
class TSpatialIterator {
public:
    TSpatialIterator(PcbHandle board, int32_t x1, int32_t y1, int32_t x2, int32_t y2, PcbLayerSet layers,
                     PcbKindSet kinds);
    ~TSpatialIterator();
    TSpatialIterator(const TSpatialIterator&) = delete;
    TSpatialIterator& operator=(const TSpatialIterator&) = delete;

    PcbHandle First();
    PcbHandle Next();

    template <typename Visit>
    void ForEach(Visit visit) {
        for (PcbHandle object = First(); object != nullptr; object = Next()) {
            visit(object);
        }
    }

private:
    PcbHandle Iterator;
};

// Layer and kind sets for the spatial iterator.
PcbLayerSet LayerSetOf(std::initializer_list<int> layers);
PcbLayerSet AllLayers();
PcbKindSet KindSetOf(std::initializer_list<int> kinds);

}  // namespace autoplacer
