// Handles of the host's non-board things: object iterators, spatial iterators and
// editor event handlers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hostpcb/ObjectTable.h"

namespace hostpcb {

// An iterator is a snapshot of handles taken when it is made; objects destroyed or taken
// out of the board afterwards are skipped.
struct IteratorState {
    std::vector<PcbHandle> items;
    std::size_t next = 0;
    bool requireInBoard = true;
};

struct EventHandlerState {
    void* self = nullptr;
    std::array<PcbEventProc, PCB_EVENT_OPERATION_COUNT> operations{};
    PcbKeyProc onKey = nullptr;
    bool running = false;
};

class HandlerRegistry {
public:
    SlotTable<IteratorState, HandleTag::Iterator> iterators;
    SlotTable<IteratorState, HandleTag::SpatialIterator> spatialIterators;
    SlotTable<EventHandlerState, HandleTag::EventHandler> eventHandlers;

    void Clear() {
        iterators.Clear();
        spatialIterators.Clear();
        eventHandlers.Clear();
    }
};

}  // namespace hostpcb
