#include "model/OldComponentPositions.h"

#include <cmath>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbRules.h"
#include "model/Cluster.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

constexpr double kChangedAngleTolerance = 0.1;
constexpr uint8_t kTopPermitted = 1;
constexpr uint8_t kBottomPermitted = 2;

}  // namespace

bool IsClusterMember(const TCluster* cluster, PcbHandle component) {
    return cluster != nullptr && cluster->Contains(component);
}

TListOfOldComponentPositions::TListOfOldComponentPositions(PcbHandle board, TSkipComponentTest skip,
                                                           const TCluster* cluster)
    : Board(board) {
    if (board == nullptr) {
        return;
    }
    TObjectIterator components(board, PCB_COMPONENT);
    components.ForEach([&](PcbHandle handle) {
        if (skip != nullptr && skip(cluster, handle)) {
            return;
        }
        TPcbComponent record(handle);
        record.Sync(PCB_READ);
        auto entry = std::make_unique<TOldComponentPosition>();
        entry->Handle = handle;
        entry->X = record.X;
        entry->Y = record.Y;
        entry->Rotation = record.Rotation;
        entry->Layer = static_cast<uint8_t>(record.GetLayer());
        Add(entry.release());
    });
}

TListOfOldComponentPositions::~TListOfOldComponentPositions() {
    for (TOldComponentPosition* entry : *this) {
        delete entry;
    }
}

void TListOfOldComponentPositions::PutBack(const TOldComponentPosition& entry, bool redraw) {
    if (redraw) {
        PcbApi::PcbApi_HideObject(entry.Handle);
    }
    TPcbComponent record(entry.Handle);
    record.Sync(PCB_READ);
    record.SetLayer(entry.Layer);
    record.Rotation = entry.Rotation;
    record.X = entry.X;
    record.Y = entry.Y;
    record.Sync(PCB_WRITE);
    if (redraw) {
        PcbApi::PcbApi_ShowObject(entry.Handle);
    }
}

void TListOfOldComponentPositions::Restore(bool redraw) {
    for (const TOldComponentPosition* entry : *this) {
        TPcbComponent current(entry->Handle);
        current.Sync(PCB_READ);
        const bool changed = current.X != entry->X || current.Y != entry->Y || current.Rotation != entry->Rotation ||
                             current.GetLayer() != entry->Layer;
        if (changed) {
            PutBack(*entry, redraw);
        }
    }
}

void TListOfOldComponentPositions::RestoreOne(PcbHandle handle, bool redraw) {
    for (const TOldComponentPosition* entry : *this) {
        if (entry->Handle == handle) {
            PutBack(*entry, redraw);
        }
    }
}

std::unique_ptr<TFastListOf<PcbHandle>> TListOfOldComponentPositions::Handles() const {
    auto handles = std::make_unique<TFastListOf<PcbHandle>>();
    handles->SetCapacity(Count());
    for (const TOldComponentPosition* entry : *this) {
        handles->Add(entry->Handle);
    }
    return handles;
}

std::unique_ptr<TFastListOf<PcbHandle>> TListOfOldComponentPositions::ChangedHandles() const {
    auto handles = std::make_unique<TFastListOf<PcbHandle>>();
    for (const TOldComponentPosition* entry : *this) {
        const PcbHandle h = entry->Handle;
        const bool changed = GetObjectX(h) != entry->X || GetObjectY(h) != entry->Y ||
                             std::fabs(GetComponentRotation(h) - entry->Rotation) > kChangedAngleTolerance ||
                             GetObjectLayer(h) != entry->Layer;
        if (changed) {
            handles->Add(h);
        }
    }
    return handles;
}

std::unique_ptr<TCluster> TListOfOldComponentPositions::ChangedAsCluster() const {
    auto cluster = std::make_unique<TCluster>();
    const auto changed = ChangedHandles();
    for (PcbHandle handle : *changed) {
        cluster->AddComponent(handle);
    }
    return cluster;
}

bool TListOfOldComponentPositions::AllWithin150Mil() const {
    constexpr int64_t kLimitSquared = kNearSavedPositionDistance * kNearSavedPositionDistance;
    for (const TOldComponentPosition* entry : *this) {
        const int64_t dx = static_cast<int64_t>(GetObjectX(entry->Handle)) - entry->X;
        const int64_t dy = static_cast<int64_t>(GetObjectY(entry->Handle)) - entry->Y;
        if (dx * dx + dy * dy > kLimitSquared) {
            return false;
        }
    }
    return true;
}

void TListOfOldComponentPositions::EnforcePermittedLayers() {
    for (const TOldComponentPosition* entry : *this) {
        // A locked or otherwise fixed part is never moved, not even to the side
        // its rule permits: flipping it would tear up the routing around it.
        if (IsFixedComponent(entry->Handle)) {
            continue;
        }
        TPlacedComponent component(entry->Handle);
        const PcbHandle rule = FindDominantRule(entry->Handle, PCB_RULE_PERMITTED_LAYERS);
        if (rule == nullptr) {
            continue;
        }
        uint8_t flags = 0;
        ReadPermittedLayersRule(rule, flags);
        const bool top = (flags & kTopPermitted) != 0;
        const bool bottom = (flags & kBottomPermitted) != 0;
        if (component.GetLayer() == PCB_TOP_LAYER && !top && bottom) {
            component.SetLayer(PCB_BOTTOM_LAYER);
        } else if (component.GetLayer() == PCB_BOTTOM_LAYER && !bottom && top) {
            component.SetLayer(PCB_TOP_LAYER);
        }
        component.Sync(PCB_WRITE);
    }
}

}  // namespace autoplacer
