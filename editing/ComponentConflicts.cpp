#include "editing/ComponentConflicts.h"

#include <memory>

#include "engines/ComponentCollisions.h"
#include "engines/GroupPlacer.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

constexpr uint8_t kComponentClearanceRule = 24;

bool PairConflicts(const TPlacedComponent& c, const TPlacedComponent& d) {
    const PcbHandle rule = PcbApi::PcbApi_FindDominantRuleForObjectPair(c.Handle, d.Handle, kComponentClearanceRule);
    if (rule == nullptr) {
        return false;
    }
    int32_t gap = 0;
    uint8_t mode = 0;
    PcbApi::PcbApi_QueryRuleComponentClearanceConstraint(rule, PCB_READ, &gap, &mode);
    const bool sameLayer = c.GetLayer() == d.GetLayer();
    switch (mode) {
        case 0:
            return (sameLayer || c.HasMultiLayerPads || d.HasMultiLayerPads) &&
                   ComponentExtentsOverlap(c.Handle, d.Handle, gap);
        case 1:
            return sameLayer ? ComponentExtentsOverlap(c.Handle, d.Handle, gap) : OppositeSideConflict(c, d, gap);
        case 2:
            return sameLayer ? ComponentsCollide(c.Handle, d.Handle, gap) : OppositeSideConflict(c, d, gap);
        default:
            return false;
    }
}

}  // namespace

void FillComponentStore(TSpatialObjectStore& store, PcbHandle board) {
    TObjectIterator(board, PCB_COMPONENT).ForEach([&](PcbHandle component) {
        store.Insert(std::make_unique<TRecordElement>(std::make_unique<TPlacedComponent>(component)));
    });
}

void FindConflictingComponents(PcbHandle component, TSpatialObjectStore& store, TFastListOf<PcbHandle>& list,
                               int32_t margin) {
    const TPlacedComponent c(component);
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    c.GetExtent(x1, y1, x2, y2, false);
    const auto grown = [margin](int32_t v, int32_t sign) {
        return ClampToInt32(static_cast<int64_t>(v) + static_cast<int64_t>(sign) * margin);
    };
    const std::unique_ptr<TStoreIterator> query = store.CreateIterator();
    query->SetSearchRect(grown(x1, -1), grown(y1, -1), grown(x2, 1), grown(y2, 1));
    for (TSpatialElement* element = query->First(); element != nullptr; element = query->Next()) {
        const auto* record = dynamic_cast<TRecordElement*>(element);
        const auto* d = record != nullptr ? dynamic_cast<const TPlacedComponent*>(record->Record()) : nullptr;
        if (d == nullptr || d->Handle == component) {
            continue;
        }
        if (PairConflicts(c, *d)) {
            list.Add(d->Handle);
        }
    }
}

}  // namespace autoplacer
