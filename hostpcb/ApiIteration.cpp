// Exported iteration functions: board, group, net and class iterators, and spatial
// iterators backed by the board's spatial index.
#include <algorithm>

#include "hostpcb/ApiSupport.h"

using namespace hostpcb;
using namespace hostpcb::api;

namespace {

bool Matches(const Object& o, uint8_t kind, LayerNumber layer) {
    return (kind == 0 || uint8_t(o.Kind()) == kind) && (layer == PCB_NO_LAYER || o.Layer() == layer);
}

void CollectBoard(const Board& board, uint8_t kind, bool groups, LayerNumber layer, IteratorState& it) {
    if (!groups) {
        for (Object* o : board.Objects(kind))
            if (Matches(*o, kind, layer)) it.items.push_back(o->Handle());
        return;
    }
    for (Object* o : board.Objects(0)) {
        if (Matches(*o, kind, layer)) it.items.push_back(o->Handle());
        if (o->Kind() == ObjectKind::Component)
            for (Primitive* c : static_cast<Component*>(o)->Children())
                if (Matches(*c, kind, layer)) it.items.push_back(c->Handle());
    }
}

PcbHandle NextOf(IteratorState* it) {
    if (it == nullptr) return nullptr;
    while (it->next < it->items.size()) {
        const PcbHandle h = it->items[it->next++];
        const Object* o = Obj(h);
        if (o != nullptr && (!it->requireInBoard || o->InBoard())) return h;
    }
    return nullptr;
}

}  // namespace

extern "C" {

PcbHandle PcbApi_CreateIterator(PcbHandle owner, uint8_t kind, int32_t method, PcbLayerId layerId) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        Object* o = Obj(owner);
        if (o == nullptr) return nullptr;
        auto state = std::make_unique<IteratorState>();
        const LayerNumber layer = LayerFromId(layerId);
        switch (o->Kind()) {
            case ObjectKind::Board:
                CollectBoard(*static_cast<Board*>(o), kind, method == PCB_ITERATE_GROUP_PRIMITIVES, layer, *state);
                break;
            case ObjectKind::Component:
                // A component's own primitives, whether the component is in the board or not:
                // those of its extent (its placement shape), so that a placer sees what it is
                // judged by (a KiCad footprint's courtyard and pads), and its texts.
                for (Primitive* c : static_cast<Component*>(o)->Children())
                    if (Matches(*c, kind, layer) && c->InExtent()) state->items.push_back(c->Handle());
                state->requireInBoard = false;
                break;
            case ObjectKind::Net:
                for (Object* m : static_cast<Net*>(o)->Members())
                    if (Matches(*m, kind, layer)) state->items.push_back(m->Handle());
                break;
            case ObjectKind::ObjectClass: {
                auto* cls = static_cast<ObjectClass*>(o);
                if (Board* b = cls->OwnerBoard()) {
                    for (Object* m : b->Objects(uint8_t(cls->memberKind))) {
                        const std::string name = m->Kind() == ObjectKind::Component
                                                     ? static_cast<Component*>(m)->Designator()
                                                     : (m->Kind() == ObjectKind::Net ? static_cast<Net*>(m)->name
                                                                                     : std::string());
                        if (cls->HasMember(name) && Matches(*m, kind, layer)) state->items.push_back(m->Handle());
                    }
                }
                break;
            }
            default:
                return nullptr;
        }
        return H().Handlers().iterators.Add(std::move(state));
    });
}

PcbHandle PcbApi_GetFirstObject(PcbHandle iterator) {
    return Guard<PcbHandle>(nullptr, [&] {
        IteratorState* it = H().Handlers().iterators.Get(iterator);
        if (it != nullptr) it->next = 0;
        return NextOf(it);
    });
}

PcbHandle PcbApi_GetNextObject(PcbHandle iterator) {
    return Guard<PcbHandle>(nullptr, [&] { return NextOf(H().Handlers().iterators.Get(iterator)); });
}

void PcbApi_DestroyIterator(PcbHandle iterator) {
    GuardVoid([&] { H().Handlers().iterators.Take(iterator); });
}

PcbHandle PcbApi_CreateSpatialIterator(PcbHandle board, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                       PcbLayerSet layers, PcbKindSet kinds) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        Board* b = As<Board>(board);
        if (b == nullptr) return nullptr;
        std::vector<Object*> found;
        // Connections, nets and rules are never a component's own primitives: a
        // query for them alone need not open the components (which it drops).
        const PcbKindSet boardLevel = KindBit(PCB_CONNECTION) | KindBit(PCB_NET) | KindBit(PCB_RULE);
        const bool withPrimitives = kinds == 0 || (kinds & ~boardLevel) != 0;
        b->QueryBox(Box::FromCorners(x1, y1, x2, y2), found, withPrimitives);
        auto state = std::make_unique<IteratorState>();
        const bool anyLayer = LayerSetEmpty(layers);
        for (Object* o : found) {
            if (kinds != 0 && !KindSetHas(kinds, int(o->Kind()))) continue;
            if (!anyLayer && !LayerSetHas(layers, o->Layer())) continue;
            state->items.push_back(o->Handle());
        }
        // Handle order, so that answers do not depend on the shape of the tree.
        std::sort(state->items.begin(), state->items.end());
        return H().Handlers().spatialIterators.Add(std::move(state));
    });
}

PcbHandle PcbApi_GetFirstSpatialObject(PcbHandle iterator) {
    return Guard<PcbHandle>(nullptr, [&] {
        IteratorState* it = H().Handlers().spatialIterators.Get(iterator);
        if (it != nullptr) it->next = 0;
        return NextOf(it);
    });
}

PcbHandle PcbApi_GetNextSpatialObject(PcbHandle iterator) {
    return Guard<PcbHandle>(nullptr, [&] { return NextOf(H().Handlers().spatialIterators.Get(iterator)); });
}

void PcbApi_DestroySpatialIterator(PcbHandle iterator) {
    GuardVoid([&] { H().Handlers().spatialIterators.Take(iterator); });
}

uint8_t PcbApi_GetObjectIdFromObjectHandle(PcbHandle object) {
    return Guard<uint8_t>(0, [&]() -> uint8_t {
        const Object* o = Obj(object);
        return o != nullptr ? uint8_t(o->Kind()) : 0;
    });
}

}  // extern "C"
