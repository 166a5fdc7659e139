#include "model/ConnectionDragger.h"

#include <utility>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/Cluster.h"

namespace autoplacer {

TPadEntry::TPadEntry() = default;

TPadEntry::~TPadEntry() {
    for (TConnectionEnd* end : Ends) {
        delete end;
    }
    delete Pad;
}

TPadsOnComponent::TPadsOnComponent(PcbHandle component, TSpatialObjectStore& padStore) : Component(component) {
    TObjectIterator pads(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    pads.ForEach([&](PcbHandle handle) {
        auto entry = std::make_unique<TPadEntry>();
        entry->Pad = new TPcbPad(handle);
        entry->Pad->Sync(PCB_READ);
        entry->Pad->SetIndex(static_cast<uint16_t>(Count()));
        entry->Pad->Sync(PCB_WRITE);
        padStore.Insert(TRecordElement::Borrowing(entry->Pad));
        Add(entry.release());
    });
}

TPadsOnComponent::~TPadsOnComponent() {
    for (TPadEntry* entry : *this) {
        delete entry;
    }
}

namespace {

// The net's host flag that tells whether its connections are worth dragging.
bool NetFlagSet(PcbHandle net) {
    if (net == nullptr) {
        return false;
    }
    TPcbNet record(net);
    record.Sync(PCB_READ);
    return record.Flag1;
}

TPcbFromTo* ConnectionOf(TSpatialElement* element) {
    return static_cast<TPcbFromTo*>(static_cast<TRecordElement*>(element)->Record());
}

}  // namespace

TConnectionDragger::TConnectionDragger(PcbHandle board, TSkipNetTest skipNet, void* owner, const TCluster* cluster)
    : Board(board), Connections(std::make_unique<TSpatialObjectStore>(1)) {
    // The pad records are lent to this store; they stay with their entries.
    TSpatialObjectStore padStore(2);
    TObjectIterator objects(board, 0);
    objects.ForEach([&](PcbHandle handle) {
        switch (PcbApi::PcbApi_GetObjectIdFromObjectHandle(handle)) {
            case PCB_COMPONENT:
                if (cluster == nullptr || cluster->Contains(handle)) {
                    auto pads = std::make_unique<TPadsOnComponent>(handle, padStore);
                    SetObjectIndex(handle, static_cast<uint16_t>(Count()));
                    Add(pads.release());
                }
                break;
            case PCB_CONNECTION:
                if (!skipNet || !skipNet(owner, GetObjectNet(handle))) {
                    auto record = std::make_unique<TPcbFromTo>(handle);
                    record->Sync(PCB_READ);
                    Connections->Insert(std::make_unique<TRecordElement>(std::move(record)));
                }
                break;
            default:
                break;
        }
    });
    Link(padStore);
}

TConnectionDragger::~TConnectionDragger() {
    for (TPadsOnComponent* pads : *this) {
        delete pads;
    }
    Connections->FreeAll();
}

TPadEntry* TConnectionDragger::PadAt(TSpatialObjectStore& padStore, int32_t x, int32_t y) {
    auto walk = padStore.CreateIterator();
    walk->SetSearchRect(x, y, x, y);
    for (TSpatialElement* element = walk->First(); element != nullptr; element = walk->Next()) {
        auto* pad = static_cast<TPcbPad*>(static_cast<TRecordElement*>(element)->Record());
        if (pad->X == x && pad->Y == y) {
            // The host tags lead from the pad to its entry.
            const int32_t component = GetObjectIndex(pad->Component);
            const int32_t index = pad->Index;
            if (component < Count() && index < Items(component)->Count()) {
                return Items(component)->Items(index);
            }
            return nullptr;
        }
    }
    return nullptr;
}

void TConnectionDragger::Link(TSpatialObjectStore& padStore) {
    auto walk = Connections->CreateIterator();
    for (TSpatialElement* element = walk->First(); element != nullptr; element = walk->Next()) {
        TPcbFromTo* connection = ConnectionOf(element);
        if (!NetFlagSet(connection->Net)) {
            walk->Remove(element);
            continue;
        }
        TPadEntry* first = PadAt(padStore, connection->X1(), connection->Y1());
        TPadEntry* second = PadAt(padStore, connection->X2, connection->Y2);
        if (first != nullptr) {
            first->Ends.Add(new TConnectionEnd{connection, true});
        }
        if (second != nullptr) {
            second->Ends.Add(new TConnectionEnd{connection, false});
        }
        if (first == nullptr && second == nullptr) {
            walk->Remove(element);
        }
    }
    Connections->Purge();
}

void TConnectionDragger::ForEachConnection(const std::function<void(PcbHandle)>& proc) const {
    auto walk = Connections->CreateIterator();
    for (TSpatialElement* element = walk->First(); element != nullptr; element = walk->Next()) {
        proc(ConnectionOf(element)->Handle);
    }
}

void TConnectionDragger::UpdateAll(bool redraw) {
    if (redraw) {
        ForEachConnection([](PcbHandle connection) { PcbApi::PcbApi_HideObject(connection); });
    }
    for (TPadsOnComponent* pads : *this) {
        UpdateComponent(*pads);
    }
    if (redraw) {
        ForEachConnection([](PcbHandle connection) { PcbApi::PcbApi_InvertObject(connection); });
    }
}

void TConnectionDragger::UpdateComponent(TPadsOnComponent& pads) {
    for (TPadEntry* entry : pads) {
        entry->Pad->Sync(PCB_READ);
        for (TConnectionEnd* end : entry->Ends) {
            TPcbFromTo* connection = end->Connection;
            connection->Sync(PCB_READ);
            if (end->IsFirstEnd) {
                if (connection->X != entry->Pad->X || connection->Y != entry->Pad->Y) {
                    connection->X = entry->Pad->X;
                    connection->Y = entry->Pad->Y;
                    connection->SetIndex(1);
                }
            } else if (connection->X2 != entry->Pad->X || connection->Y2 != entry->Pad->Y) {
                connection->X2 = entry->Pad->X;
                connection->Y2 = entry->Pad->Y;
                connection->SetIndex(1);
            }
            connection->Sync(PCB_WRITE);
        }
    }
}

int32_t TConnectionDragger::PositionOf(PcbHandle component) const {
    // The host tag leads to the entry; a component the dragger does not include
    // may carry any tag, so the entry's component must match.
    const int32_t index = GetObjectIndex(component);
    if (index >= 0 && index < Count() && Items(index)->Component == component) {
        return index;
    }
    for (int32_t i = 0; i < Count(); ++i) {
        if (Items(i)->Component == component) {
            return i;
        }
    }
    return -1;
}

bool IsNetInList(void* powerNets, PcbHandle net) {
    const auto* list = static_cast<const TFastListOf<PcbHandle>*>(powerNets);
    return list != nullptr && list->Contains(net);
}

}  // namespace autoplacer
