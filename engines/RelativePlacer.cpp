#include "engines/RelativePlacer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "engines/GroupPlacer.h"
#include "engines/RowPlacer.h"
#include "host/PcbApi.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

int32_t ListCount(const TClusterList* list) { return list != nullptr ? list->Count() : 0; }

// The cluster's movable groups give way to the one group that holds the row;
// a row that took no component (stopped at once) leaves no empty group behind.
void ReplaceMovableGroups(TCluster& cluster, std::unique_ptr<TRectangularComponentGroup> row) {
    for (TRectangularComponentGroup* group : cluster) {
        delete group;
    }
    cluster.Clear();
    if (!row->Empty()) {
        cluster.Add(row.release());
    }
}

// Builds one row per cluster of the list; addToRow adds the cluster's groups
// to the row placer and the new group, polling for a stop as it goes, and
// answers whether a stop ended it.
template <typename AddGroups>
void RowUpEach(TClusterList* list, const TRect& area, const TPlacerOptions& options, AddGroups addGroups) {
    const TProgressPhase progress(kRelativePlacementProgress, ListCount(list));
    if (list != nullptr && !CheckStopRequest()) {
        for (TCluster* cluster : *list) {
            auto row = std::make_unique<TRectangularComponentGroup>();
            {
                TRowPlacer placer(area, options);
                addGroups(*cluster, placer, *row);
                // The row stands where the placer put it.
                row->Rect = placer.Extent;
                row->OldRect = placer.Extent;
            }
            ReplaceMovableGroups(*cluster, std::move(row));
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

int32_t ClampToCoordinate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

TRelativePlacer::TRelativePlacer(const TPlacementContext& context) : Context(context) {}

void TRelativePlacer::Run(const TClusterLists& lists, const TPlacerOptions& options) {
    Options = options;
    Clusters = lists.Clusters;
    ICCapClusters = lists.ICCapClusters;
    SameFootprintClusters = lists.SameFootprintClusters;
    ConfinementClusters = lists.ConfinementClusters;
    if (!CheckStopRequest()) {
        RowUpFootprintClusters();
    }
    if (!CheckStopRequest()) {
        PairUpICCapClusters();
    }
    if (!CheckStopRequest()) {
        ArrangeClusters();
    }
}

void TRelativePlacer::RowUpFootprintClusters() {
    RowUpEach(SameFootprintClusters, Context.KeepOutExtent, Options,
              [](TCluster& cluster, TRowPlacer& placer, TRectangularComponentGroup& row) {
                  for (TRectangularComponentGroup* group : cluster) {
                      if (group->Empty()) {
                          continue;
                      }
                      placer.AddToRow(*FirstComponent(*group));
                      row.AddComponent(FirstHandle(*group));
                      if (CheckStopRequest()) {
                          return;
                      }
                  }
              });
}

void TRelativePlacer::PairUpICCapClusters() {
    RowUpEach(ICCapClusters, Context.KeepOutExtent, Options,
              [](TCluster& cluster, TRowPlacer& placer, TRectangularComponentGroup& row) {
                  // Groups come as capacitor, its IC, capacitor, its IC, ...; a
                  // last group without a partner is left out of the row.
                  for (int32_t k = 0; k < cluster.Count() / 2; ++k) {
                      TRectangularComponentGroup& capacitorGroup = *cluster[2 * k];
                      TRectangularComponentGroup& icGroup = *cluster[2 * k + 1];
                      if (capacitorGroup.Empty() || icGroup.Empty()) {
                          continue;
                      }
                      TPlacedComponent& capacitor = *FirstComponent(capacitorGroup);
                      TPlacedComponent& ic = *FirstComponent(icGroup);
                      placer.AddPair(capacitor, ic);
                      row.AddComponent(capacitor.Handle);
                      row.AddComponent(ic.Handle);
                      if (CheckStopRequest()) {
                          return;
                      }
                  }
              });
}

void TRelativePlacer::ArrangeClusters() {
    // One phase over the main clusters without a step per cluster.
    const TProgressPhase progress(kRelativePlacementProgress, ListCount(Clusters));
    if (Clusters != nullptr && !CheckStopRequest()) {
        const TPoint corner = Point(Context.KeepOutExtent.Left, Context.KeepOutExtent.Bottom);
        for (TCluster* cluster : *Clusters) {
            {
                TGroupPlacer placer(Options, true, Context);
                placer.SetArea(FitRectToExtent(InitialClusterRect(*cluster, corner), Context.KeepOutExtent));
                for (TRectangularComponentGroup* group : *cluster) {
                    placer.PlaceGroup(group);
                    if (CheckStopRequest()) {
                        break;
                    }
                }
                cluster->Rect = placer.GetExtent();
                if (placer.HasFailed()) {
                    FallbackClusters.Add(cluster);
                }
            }
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

int64_t CountCells(const TCluster& cluster, int32_t cellSide) {
    const int64_t side = std::max(cellSide, 1);
    int64_t cells = 0;
    for (const TRectangularComponentGroup* group : cluster) {
        const int64_t across = std::max(RectWidth(group->Rect), 0) / side;
        const int64_t up = std::max(RectHeight(group->Rect), 0) / side;
        cells += across * up;
    }
    return cells;
}

TRect RectOfCells(int64_t cells, int32_t cellSide, int32_t largestWidth, int32_t largestHeight, TPoint corner) {
    const double side = std::max(cellSide, 1);
    const double aspect =
        largestWidth > 0 && largestHeight > 0 ? static_cast<double>(largestWidth) / largestHeight : 1.0;
    const int32_t d = Round(side * 1.5 * std::sqrt(static_cast<double>(std::max<int64_t>(cells, 0)) * aspect));
    const int32_t c = Round(d * 1.5 / aspect);
    return Rect(corner.X, ClampToCoordinate(static_cast<int64_t>(corner.Y) + c),
                ClampToCoordinate(static_cast<int64_t>(corner.X) + d), corner.Y);
}

TRect FitRectToExtent(const TRect& r, const TRect& extent) {
    const int64_t w = std::max(RectWidth(r), 0);
    const int64_t h = std::max(RectHeight(r), 0);
    const int64_t maxW = std::max(RectWidth(extent), 0);
    const int64_t maxH = std::max(RectHeight(extent), 0);
    if (w <= maxW && h <= maxH) {
        return r;
    }
    const int64_t area = w * h;  // each side below 2^32: no overflow
    int64_t fitW = w;
    int64_t fitH = h;
    if (w > maxW) {
        fitW = maxW;
        fitH = maxW > 0 ? std::min(maxH, (area + maxW - 1) / maxW) : maxH;
    } else {
        fitH = maxH;
        fitW = maxH > 0 ? std::min(maxW, (area + maxH - 1) / maxH) : maxW;
    }
    return Rect(r.Left, ClampToCoordinate(int64_t{r.Bottom} + fitH), ClampToCoordinate(int64_t{r.Left} + fitW),
                r.Bottom);
}

TRect InitialClusterRect(const TCluster& cluster, TPoint corner) {
    const PcbHandle largest = cluster.LargestComponent(kMovableGroups);
    if (largest == nullptr) {
        return Rect(corner.X, corner.Y, corner.X, corner.Y);
    }
    const TPlacedComponent component(largest);
    const int32_t cellSide = cluster.MinComponentSide() / 10;
    return RectOfCells(CountCells(cluster, cellSide), cellSide, component.Width(), component.Height(), corner);
}

}  // namespace autoplacer
