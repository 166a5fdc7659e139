#include "model/Cluster.h"

#include <algorithm>
#include <unordered_set>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/GroupGeometry.h"
#include "model/PadAnalyzer.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

void FreeGroups(TGroupList& groups) {
    for (TRectangularComponentGroup* group : groups) {
        delete group;
    }
    groups.Clear();
}

// Frees every member with the handle, then every group that it empties; both
// lists are packed.
void RemoveFromGroups(TGroupList& groups, PcbHandle component) {
    for (TRectangularComponentGroup*& group : groups) {
        for (TPlacedComponent*& member : *group) {
            if (member != nullptr && member->Handle == component) {
                delete member;
                member = nullptr;
            }
        }
        PackList(*group);
        if (group->Empty()) {
            delete group;
            group = nullptr;
        }
    }
    PackList(groups);
}

}  // namespace

bool IsFixedComponent(PcbHandle component) {
    if (!GetObjectMoveable(component)) {
        return true;
    }
    TObjectIterator keepOut(component, PCB_ANY_OBJECT, PCB_ITERATE_OWN_OBJECTS, PCB_KEEP_OUT_LAYER);
    return keepOut.First() != nullptr;
}

bool NotContains(const TCluster* cluster, PcbHandle component) {
    return cluster == nullptr || cluster->NotContains(component);
}

TCluster::~TCluster() {
    FreeGroups(*this);
    FreeGroups(FixedGroups);
}

template <typename Visit>
void TCluster::ForEachGroup(bool movable, bool fixed, Visit visit) const {
    if (movable) {
        for (TRectangularComponentGroup* group : *this) {
            visit(*group);
        }
    }
    if (fixed) {
        for (TRectangularComponentGroup* group : FixedGroups) {
            visit(*group);
        }
    }
}

template <typename Visit>
void TCluster::ForEachMember(bool movable, bool fixed, Visit visit) const {
    ForEachGroup(movable, fixed, [&](TRectangularComponentGroup& group) {
        for (TPlacedComponent* member : group) {
            visit(*member);
        }
    });
}

void TCluster::AddComponent(PcbHandle component) {
    if (component == nullptr) {
        return;
    }
    for (const TRectangularComponentGroup* group : *this) {
        for (const TPlacedComponent* member : *group) {
            if (member->Handle == component) {
                return;
            }
        }
    }
    // A fixed group is known by its first member.
    for (const TRectangularComponentGroup* group : FixedGroups) {
        if (!group->Empty() && FirstHandle(*group) == component) {
            return;
        }
    }
    auto* group = new TRectangularComponentGroup;
    group->AddComponent(component);
    if (IsFixedComponent(component)) {
        FixedGroups.Add(group);
    } else {
        Add(group);
    }
}

bool TCluster::Contains(PcbHandle component) const {
    bool found = false;
    ForEachMember(true, true, [&](const TPlacedComponent& member) { found = found || member.Handle == component; });
    return found;
}

int32_t TCluster::ComponentCount() const {
    int32_t count = 0;
    ForEachGroup(true, true, [&](const TRectangularComponentGroup& group) { count += group.Count(); });
    return count;
}

TFastListOf<PcbHandle> TCluster::ComponentHandles() const {
    TFastListOf<PcbHandle> handles;
    ForEachMember(true, true, [&](const TPlacedComponent& member) { handles.Add(member.Handle); });
    return handles;
}

void TCluster::ForEachHandle(const THandleProc& proc) const {
    ForEachMember(true, true, [&](const TPlacedComponent& member) { proc(member.Handle); });
    if (Outline != nullptr && Outline->InBoard()) {
        DrawOutline(proc);
    }
}

void TCluster::ForEachHandleWith(void (*proc)(void* data, PcbHandle component), void* data) const {
    ForEachMember(true, true, [&](const TPlacedComponent& member) { proc(data, member.Handle); });
}

void TCluster::DrawOutline(const THandleProc& proc) const {
    if (Outline == nullptr || !proc) {
        return;
    }
    Outline->SetRect(Rect);
    Outline->ForEachTrack(proc);
}

void TCluster::GetBoundingRect(int32_t flags, TRect& r) {
    r = autoplacer::Rect(0, 0, 0, 0);
    const bool movable = (flags & kMovableGroups) != 0 && !Empty();
    const bool fixed = (flags & kFixedGroups) != 0 && !FixedGroups.Empty();
    if (!movable && !fixed) {
        return;
    }
    RecomputeGroupRects();
    // Whichever bits are set, the result covers both lists.
    TExtentUnion extent;
    const bool includeTexts = (flags & kIncludeTexts) != 0;
    ForEachMember(true, true, [&](const TPlacedComponent& member) { extent.Merge(member.Handle, includeTexts); });
    r = extent.AsRect();
}

TRect TCluster::GetBoundingRect(int32_t flags) {
    TRect r;
    GetBoundingRect(flags, r);
    return r;
}

void TCluster::RecomputeGroupRects() {
    ForEachGroup(true, true, [](TRectangularComponentGroup& group) {
        group.Rect = MembersExtent(group, false);
        group.OldRect = group.Rect;
    });
}

void TCluster::OffsetGroups(int32_t dx, int32_t dy, bool includeFixed) {
    ForEachGroup(true, includeFixed, [&](TRectangularComponentGroup& group) {
        group.Rect = OffsetRect(group.Rect, dx, dy);
        group.ApplyTransform();
    });
}

void TCluster::FlipHorizontal() {
    const TRect bounds = GetBoundingRect(kMovableGroups | kFixedGroups);
    const int64_t axis2 = 2 * int64_t{RectCentreX(bounds)};
    ForEachGroup(true, true, [&](TRectangularComponentGroup& group) {
        const TRect g = group.Rect;
        const int64_t halfWidth = RectWidth(g) / 2;
        const int64_t centre = axis2 - RectCentreX(g);
        group.Rect = autoplacer::Rect(ToCoord(centre - halfWidth), g.Top, ToCoord(centre + halfWidth), g.Bottom);
        group.ApplyTransform();
        group.MirrorMembersHorizontally();
    });
}

void TCluster::FlipVertical() {
    const TRect bounds = GetBoundingRect(kMovableGroups | kFixedGroups);
    const int64_t axis2 = 2 * int64_t{RectCentreY(bounds)};
    ForEachGroup(true, true, [&](TRectangularComponentGroup& group) {
        const TRect g = group.Rect;
        const int64_t halfHeight = RectHeight(g) / 2;
        const int64_t centre = axis2 - RectCentreY(g);
        group.Rect = autoplacer::Rect(g.Left, ToCoord(centre + halfHeight), g.Right, ToCoord(centre - halfHeight));
        group.ApplyTransform();
        group.MirrorMembersVertically();
    });
}

void TCluster::RotateGroups90(bool includeFixed) {
    const TRect r = GetBoundingRect(kMovableGroups | kFixedGroups);
    if (RectWidth(r) == 0 || RectHeight(r) == 0) {
        return;
    }
    // The bounding rectangle turned a quarter about its centre.
    const int64_t cx = RectCentreX(r);
    const int64_t cy = RectCentreY(r);
    const int64_t nTop = cy + RectWidth(r) / 2;
    const int64_t nRight = cx + RectHeight(r) / 2;
    ForEachGroup(true, includeFixed, [&](TRectangularComponentGroup& group) {
        const TRect g = group.Rect;
        group.Rect = autoplacer::Rect(ToCoord(nRight + g.Bottom - r.Top), ToCoord(nTop - (int64_t{g.Left} - r.Left)),
                                      ToCoord(nRight + g.Top - r.Top), ToCoord(nTop - (int64_t{g.Right} - r.Left)));
        group.Rotation = 90.0;
        group.ApplyTransform();
    });
}

void TCluster::RotateGroups270(bool includeFixed) {
    const TRect r = GetBoundingRect(kMovableGroups | kFixedGroups);
    if (RectWidth(r) == 0 || RectHeight(r) == 0) {
        return;
    }
    const int64_t cx = RectCentreX(r);
    const int64_t cy = RectCentreY(r);
    const int64_t nLeft = cx - RectHeight(r) / 2;
    const int64_t nBottom = cy - RectWidth(r) / 2;
    ForEachGroup(true, includeFixed, [&](TRectangularComponentGroup& group) {
        const TRect g = group.Rect;
        group.Rect = autoplacer::Rect(ToCoord(nLeft + r.Top - g.Top), ToCoord(nBottom + g.Right - r.Left),
                                      ToCoord(nLeft + r.Top - g.Bottom), ToCoord(nBottom + g.Left - r.Left));
        group.Rotation = 270.0;
        group.ApplyTransform();
    });
}

void TCluster::RemoveComponent(PcbHandle component) {
    RemoveFromGroups(*this, component);
    RemoveFromGroups(FixedGroups, component);
}

void TCluster::RemoveFromBoard(PcbHandle board, bool includeFixed) {
    if (!RemovedFromBoard) {
        ForEachMember(true, includeFixed, [&](const TPlacedComponent& member) {
            PcbApi::PcbApi_DeleteObjectFromContainer(board, member.Handle);
        });
        RemovedFromBoard = true;
    }
    if (Outline != nullptr) {
        Outline->RemoveFromBoard();
    }
}

void TCluster::ReinsertIntoBoard(PcbHandle board, bool includeFixed) {
    if (RemovedFromBoard) {
        ForEachMember(true, includeFixed, [&](const TPlacedComponent& member) {
            PcbApi::PcbApi_AddObjectToContainer(board, member.Handle);
        });
        RemovedFromBoard = false;
    }
}

PcbHandle TCluster::LargestComponent(int32_t flags) const {
    PcbHandle largest = nullptr;
    int64_t largestArea = 0;
    ForEachMember((flags & kMovableGroups) != 0, (flags & kFixedGroups) != 0, [&](const TPlacedComponent& member) {
        const int64_t area = member.AreaMeasure();
        if (area > largestArea) {
            largest = member.Handle;
            largestArea = area;
        }
    });
    return largest;
}

int32_t TCluster::MinComponentSide() const {
    if (ComponentCount() == 0) {
        return 0;
    }
    int32_t smallest = ExtentStartMin;
    ForEachMember(true, true, [&](const TPlacedComponent& member) {
        smallest = std::min(smallest, std::min(member.Width(), member.Height()));
    });
    return smallest;
}

int32_t TCluster::MaxPadPattern() const {
    int32_t pattern = 0;
    ForEachMember(true, false,
                  [&](const TPlacedComponent& member) { pattern = std::max(pattern, AnalyzePadPattern(member.Handle)); });
    return pattern;
}

TFastListOf<PcbHandle> TCluster::NetsOfComponents() const {
    TFastListOf<PcbHandle> nets;
    std::unordered_set<PcbHandle> seen;
    ForEachMember(true, true, [&](const TPlacedComponent& member) {
        TObjectIterator pads(member.Handle, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
        pads.ForEach([&](PcbHandle pad) {
            const PcbHandle net = GetObjectNet(pad);
            if (seen.insert(net).second) {
                nets.Add(net);
            }
        });
    });
    return nets;
}

}  // namespace autoplacer
