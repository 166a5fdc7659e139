// Clusters: the unit in which the placer moves components.
//
// A cluster holds its components in rectangular groups, the movable ones in the
// list itself and the fixed ones (locked components and components that carry
// keep-out primitives) in FixedGroups, which engines respect but do not move.
// The cluster owns the groups of both lists and its outline.
#pragma once

#include <cstdint>
#include <memory>

#include "model/ClusterOutline.h"
#include "model/ComponentGroup.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

using TGroupList = TFastListOf<TRectangularComponentGroup*>;

// Bits of the flags of GetBoundingRect and LargestComponent.
inline constexpr int32_t kMovableGroups = 1;
inline constexpr int32_t kFixedGroups = 2;
inline constexpr int32_t kIncludeTexts = 4;

// Locked, or moveable but carrying a primitive on the keep-out layer.
bool IsFixedComponent(PcbHandle component);

class TCluster : public TGroupList {
public:
    TCluster() = default;
    ~TCluster() override;
    TCluster(const TCluster&) = delete;
    TCluster& operator=(const TCluster&) = delete;

    // Adds the component in a group of its own, to FixedGroups when it is
    // fixed; nothing when it is nil or already present.
    void AddComponent(PcbHandle component);
    // The component is a member of some group of either list.
    bool Contains(PcbHandle component) const;
    bool NotContains(PcbHandle component) const { return !Contains(component); }
    // Members over all groups of both lists.
    int32_t ComponentCount() const;
    // Every member's handle: movable groups first, then fixed groups.
    TFastListOf<PcbHandle> ComponentHandles() const;
    // Calls proc for every member handle in the order of ComponentHandles, then
    // draws the outline through proc when its tracks are in the board.
    void ForEachHandle(const THandleProc& proc) const;
    void ForEachHandleWith(void (*proc)(void* data, PcbHandle component), void* data) const;
    // Sets the outline to Rect and calls proc for each of its tracks.
    void DrawOutline(const THandleProc& proc) const;

    // The union of every member's extent (both lists), or Rect(0, 0, 0, 0) when
    // the lists that flags name (kMovableGroups, kFixedGroups) are empty.
    // kIncludeTexts merges the designator and comment texts. Recomputes the
    // group rectangles first.
    void GetBoundingRect(int32_t flags, TRect& r);
    TRect GetBoundingRect(int32_t flags);
    // Every group's Rect and OldRect := the union of its members' extents.
    void RecomputeGroupRects();
    // Shifts the movable groups (and the fixed ones on request).
    void OffsetGroups(int32_t dx, int32_t dy, bool includeFixed);
    // Mirror the positions of all members about the cluster's centre line;
    // components keep their angle and side.
    void FlipHorizontal();
    void FlipVertical();
    // Turn the group layout a quarter about the centre of the cluster.
    void RotateGroups90(bool includeFixed);
    void RotateGroups270(bool includeFixed);
    // Frees every member with this handle; groups left empty are freed.
    void RemoveComponent(PcbHandle component);
    // Take the members out of the board's container and put them back. The
    // outline is taken out with them.
    void RemoveFromBoard(PcbHandle board, bool includeFixed);
    void ReinsertIntoBoard(PcbHandle board, bool includeFixed);

    // The first member with the strictly largest area measure among the lists
    // that flags name (kMovableGroups, kFixedGroups); nil when none has an area.
    PcbHandle LargestComponent(int32_t flags) const;
    // The smallest of min(width, height) over all members; 0 without members.
    int32_t MinComponentSide() const;
    // The largest pad pattern (0..3) over the members of the movable groups.
    int32_t MaxPadPattern() const;
    // Every distinct net of every member's pads in order of first appearance,
    // movable groups first; a pad without a net adds one nil entry.
    TFastListOf<PcbHandle> NetsOfComponents() const;

    // The area the engines assign to the cluster; the outline draws it.
    TRect Rect = autoplacer::Rect(0, 0, 0, 0);
    // Groups of fixed components (owned).
    TGroupList FixedGroups;
    // The members are out of the board's container. Callers that begin an
    // interactive removal set it False first.
    bool RemovedFromBoard = true;
    // Drawn around Rect while the cluster is edited; nil otherwise.
    std::unique_ptr<TClusterOutline> Outline;
    // Scratch value of the alignment operations.
    int32_t AlignCoordinate = 0;

private:
    template <typename Visit>
    void ForEachGroup(bool movable, bool fixed, Visit visit) const;
    template <typename Visit>
    void ForEachMember(bool movable, bool fixed, Visit visit) const;
};

// The skip test of a saved-positions list: keeps exactly the cluster's members.
bool NotContains(const TCluster* cluster, PcbHandle component);

}  // namespace autoplacer
