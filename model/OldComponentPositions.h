// Saved component positions: where every component stood (position, angle,
// side) when the list was made, so that a run can put the board back, find the
// components that moved, and correct sides against the permitted-layers rule.
// The list owns its entries; they never change after construction.
#pragma once

#include <cstdint>
#include <memory>

#include "model/FastList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TCluster;

struct TOldComponentPosition {
    PcbHandle Handle = nullptr;
    int32_t X = 0;
    int32_t Y = 0;
    double Rotation = 0.0;
    uint8_t Layer = 0;  // TopLayer or BottomLayer
};

// A filter of the components to save: True skips the component.
using TSkipComponentTest = bool (*)(const TCluster* cluster, PcbHandle component);

// Skip tests: keep exactly the cluster's members, or exactly the others.
// (NotContains, the first, is declared with TCluster.)
bool IsClusterMember(const TCluster* cluster, PcbHandle component);

// Components within 150 mil of their saved point count as not moved far.
inline constexpr int64_t kNearSavedPositionDistance = 1500000;

class TListOfOldComponentPositions : public TFastListOf<TOldComponentPosition*> {
public:
    // One entry per component of the board, in the host's iteration order, for
    // which skip is not given or skip(cluster, handle) is False.
    explicit TListOfOldComponentPositions(PcbHandle board, TSkipComponentTest skip = nullptr,
                                          const TCluster* cluster = nullptr);
    ~TListOfOldComponentPositions() override;
    TListOfOldComponentPositions(const TListOfOldComponentPositions&) = delete;
    TListOfOldComponentPositions& operator=(const TListOfOldComponentPositions&) = delete;

    // Puts back every component whose position, side or angle (compared
    // exactly) differs from its entry; the others are not written. With redraw
    // each component written is hidden before and shown after.
    void Restore(bool redraw);
    // Puts the component back without the change test (every entry with the handle).
    void RestoreOne(PcbHandle handle, bool redraw);

    // The saved handles in entry order (the caller owns the list).
    std::unique_ptr<TFastListOf<PcbHandle>> Handles() const;
    // The handles of the components that moved: position or side differs, or
    // the angle by more than 0.1 degree.
    std::unique_ptr<TFastListOf<PcbHandle>> ChangedHandles() const;
    // A cluster holding every changed component.
    std::unique_ptr<TCluster> ChangedAsCluster() const;
    // Every component's reference point lies within 150 mil of its saved point.
    bool AllWithin150Mil() const;
    // Moves components to the other side when the permitted-layers rule forbids
    // their side and permits the other; every movable component with a rule is
    // written, fixed (locked) ones are left alone.
    void EnforcePermittedLayers();

    PcbHandle Board = nullptr;

private:
    static void PutBack(const TOldComponentPosition& entry, bool redraw);
};

}  // namespace autoplacer
