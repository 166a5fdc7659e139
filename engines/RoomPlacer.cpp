#include "engines/RoomPlacer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/PcbApi.h"
#include "model/Cluster.h"
#include "model/PadAnalyzer.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"

namespace autoplacer {
namespace {

constexpr const char* kProgressText = "Defining rooms ...";

// The cluster has a fixed component with an extent to put the room beside.
bool HasFixedAnchor(const TCluster& cluster) {
    return !cluster.FixedGroups.Empty() && cluster.LargestComponent(kFixedGroups) != nullptr;
}

int32_t ToCoord(int64_t value) { return static_cast<int32_t>(value); }

}  // namespace

TAreaSector SectorOf(const TRect& fixed, const TRect& area) {
    const double dx = static_cast<double>(RectCentreX(fixed)) - RectCentreX(area);
    const double dy = static_cast<double>(RectCentreY(fixed)) - RectCentreY(area);
    const double ratio = static_cast<double>(RectHeight(area)) / static_cast<double>(RectWidth(area));
    const double slope = std::fabs(dx) * ratio;
    if (std::fabs(dy) < slope) {
        return dx < 0 ? TAreaSector::Left : TAreaSector::Right;
    }
    if (std::fabs(dy) > slope) {
        return dy < 0 ? TAreaSector::Bottom : TAreaSector::Top;
    }
    return TAreaSector::Right;
}

TRect RoomBesideFixed(const TRect& fixed, int32_t w, int32_t h, const TRect& area) {
    const int64_t cx = RectCentreX(fixed);
    const int64_t cy = RectCentreY(fixed);
    switch (SectorOf(fixed, area)) {
        case TAreaSector::Left:
            return Rect(fixed.Right, ToCoord(cy + h / 2), ToCoord(int64_t{fixed.Right} + w), ToCoord(cy - h / 2));
        case TAreaSector::Right:
            return Rect(ToCoord(int64_t{fixed.Left} - w), ToCoord(cy + h / 2), fixed.Left, ToCoord(cy - h / 2));
        case TAreaSector::Bottom:
            return Rect(ToCoord(cx - w / 2), ToCoord(int64_t{fixed.Top} + h), ToCoord(cx + w / 2), fixed.Top);
        case TAreaSector::Top:
            return Rect(ToCoord(cx - w / 2), fixed.Bottom, ToCoord(cx + w / 2), ToCoord(int64_t{fixed.Bottom} - h));
    }
    return fixed;
}

namespace {

bool Inside(const TRect& r, const TRect& area) {
    return r.Left >= area.Left && r.Right <= area.Right && r.Bottom >= area.Bottom && r.Top <= area.Top;
}

// Moved the least distance into the area; the room must not be larger than it.
TRect ShiftedInto(const TRect& r, const TRect& area) {
    int64_t dx = 0;
    int64_t dy = 0;
    if (r.Left < area.Left) {
        dx = int64_t{area.Left} - r.Left;
    } else if (r.Right > area.Right) {
        dx = int64_t{area.Right} - r.Right;
    }
    if (r.Bottom < area.Bottom) {
        dy = int64_t{area.Bottom} - r.Bottom;
    } else if (r.Top > area.Top) {
        dy = int64_t{area.Top} - r.Top;
    }
    return Rect(ToCoord(r.Left + dx), ToCoord(r.Top + dy), ToCoord(r.Right + dx), ToCoord(r.Bottom + dy));
}

bool FitsWithin(int64_t w, int64_t h, const TRect& area) { return w <= RectWidth(area) && h <= RectHeight(area); }

}  // namespace

TRect RoomBesideFixedInside(const TRect& fixed, int32_t w, int32_t h, const TRect& area, bool& turned) {
    turned = false;
    const TRect given = RoomBesideFixed(fixed, w, h, area);
    if (Inside(given, area)) {
        return given;
    }
    const TRect other = RoomBesideFixed(fixed, h, w, area);
    if (Inside(other, area)) {
        turned = true;
        return other;
    }
    if (FitsWithin(w, h, area)) {
        return ShiftedInto(given, area);
    }
    if (FitsWithin(h, w, area)) {
        turned = true;
        return ShiftedInto(other, area);
    }
    return given;
}

TEdgePreferences EdgePreferencesOfPadPattern(int32_t padPattern) {
    switch (padPattern) {
        case kPadPatternRows:
            return {kEdgeAway, kEdgeNear};
        case kPadPatternColumns:
            return {kEdgeNear, kEdgeAway};
        case kPadPatternFourSided:
            return {kEdgeAway, kEdgeAway};
        default:
            return {kEdgeNoPreference, kEdgeNoPreference};
    }
}

TRect MovableBounds(TCluster& cluster) {
    cluster.RecomputeGroupRects();
    if (cluster.Empty()) {
        return Rect(0, 0, 0, 0);
    }
    TRect bounds = cluster.First()->Rect;
    for (const TRectangularComponentGroup* group : cluster) {
        bounds.Left = std::min(bounds.Left, group->Rect.Left);
        bounds.Right = std::max(bounds.Right, group->Rect.Right);
        bounds.Bottom = std::min(bounds.Bottom, group->Rect.Bottom);
        bounds.Top = std::max(bounds.Top, group->Rect.Top);
    }
    return bounds;
}

TRoomPlacer::TRoomPlacer(const TPlacementContext& context, const TPlacerOptions& options)
    : Context(context), Options(options), Packer(std::make_unique<TRectanglePlacer>(context)) {}

void TRoomPlacer::Run(const TClusterLists& lists) {
    Clusters = lists.Clusters;
    ICCapClusters = lists.ICCapClusters;
    SameFootprintClusters = lists.SameFootprintClusters;
    ConfinementClusters = lists.ConfinementClusters;
    PlaceFixedComponentClusters();
    CommitConfinementRooms();
    PlaceSpecialClusters(SameFootprintClusters);
    PlaceSpecialClusters(ICCapClusters);
    PlaceRemainingClusters();
}

template <typename Pass>
void TRoomPlacer::RunPhase(TClusterList* list, Pass pass) {
    const TProgressPhase progress(kProgressText, list != nullptr ? list->Count() : 0);
    if (list != nullptr && !CheckStopRequest()) {
        for (TCluster* cluster : *list) {
            pass(*cluster);
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

void TRoomPlacer::PlaceFixedComponentClusters() {
    RunPhase(Clusters, [this](TCluster& cluster) {
        if (!HasFixedAnchor(cluster)) {
            return;
        }
        // The fixed component stays where it is and blocks later rooms.
        const PcbHandle largest = cluster.LargestComponent(kFixedGroups);
        TRect* extent = FixedExtents.emplace_back(std::make_unique<TRect>(ComponentExtentRect(largest))).get();
        Packer->CommitRect(extent);
        bool turned = false;
        if (cluster.RemovedFromBoard) {
            cluster.Rect = RoomBesideFixedInside(*extent, RectWidth(cluster.Rect), RectHeight(cluster.Rect),
                                                 Context.KeepOutExtent, turned);
        }
        Packer->CommitRect(&cluster.Rect);
        FinishCluster(cluster, turned);
    });
}

void TRoomPlacer::CommitConfinementRooms() {
    RunPhase(ConfinementClusters, [this](TCluster& cluster) { Packer->CommitRect(&cluster.Rect); });
}

void TRoomPlacer::PlaceSpecialClusters(TClusterList* list) {
    RunPhase(list, [this](TCluster& cluster) {
        cluster.Rect = MovableBounds(cluster);
        const TEdgePreferences preferences = EdgePreferencesOfPadPattern(cluster.MaxPadPattern());
        bool turned = false;
        if (cluster.RemovedFromBoard) {
            turned = PackRoom(cluster, preferences);
        } else {
            Packer->CommitRect(&cluster.Rect);
        }
        FinishCluster(cluster, turned);
    });
}

void TRoomPlacer::PlaceRemainingClusters() {
    RunPhase(Clusters, [this](TCluster& cluster) {
        // Clusters with a fixed component got their room in the first phase.
        if (HasFixedAnchor(cluster)) {
            return;
        }
        bool turned = false;
        if (cluster.RemovedFromBoard) {
            turned = PackRoom(cluster, TEdgePreferences{});
        } else {
            Packer->CommitRect(&cluster.Rect);
        }
        FinishCluster(cluster, turned);
    });
}

bool TRoomPlacer::PackRoom(TCluster& cluster, const TEdgePreferences& preferences) {
    const bool turned = Packer->PlaceRect(cluster.Rect, preferences.Vertical, preferences.Horizontal);
    if (Packer->LastPlacementFellBack) {
        FallbackClusters.Add(&cluster);
    }
    return turned;
}

void TRoomPlacer::FinishCluster(TCluster& cluster, bool turned) {
    if (!cluster.RemovedFromBoard || cluster.Empty()) {
        return;
    }
    if (turned) {
        cluster.RotateGroups90(false);
    }
    // Measured after the turn, and without the fixed members, which stay put.
    const TRect bounds = MovableBounds(cluster);
    const int32_t dx = ToCoord(int64_t{RectCentreX(cluster.Rect)} - RectCentreX(bounds));
    const int32_t dy = ToCoord(int64_t{RectCentreY(cluster.Rect)} - RectCentreY(bounds));
    if (dx != 0 || dy != 0) {
        cluster.OffsetGroups(dx, dy, false);
    }
}

}  // namespace autoplacer
