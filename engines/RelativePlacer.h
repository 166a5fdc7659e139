// The relative placer: arranges the components of each cluster compactly
// relative to one another, before the clusters get their places on the board.
//
// - A same-footprint cluster becomes one row of upright parts (row placer).
// - An IC-capacitor cluster becomes a row of columns, each an IC with its
//   capacitor above it (or under it on the other side).
// - A main cluster is packed by the group placer in quick mode into a
//   rectangle sized from its components.
//
// Each of the two row kinds ends as a single group holding the whole row, with
// the row's extent as its rectangle; a main cluster's rectangle becomes the
// extent of its packed groups. Everything is built at the lower-left corner of
// the placement area, so the clusters lie on top of one another until the room
// and absolute placers move them. Confinement clusters are left untouched, and
// fixed groups are neither moved nor treated as obstacles.
#pragma once

#include <cstdint>

#include "model/PlacementContext.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

class TCluster;

// The progress text of the three arrangement steps.
inline constexpr const char* kRelativePlacementProgress = "Assigning relative placements ...";

class TRelativePlacer {
public:
    explicit TRelativePlacer(const TPlacementContext& context);

    // Takes the lists (borrowed; a nil list counts as empty) and arranges the
    // clusters: rows of same-footprint clusters, then the IC-capacitor
    // columns, then the main clusters, each step only while no stop is reported.
    void Run(const TClusterLists& lists, const TPlacerOptions& options);

    // The steps of Run. Each shows one progress phase over its list.
    void RowUpFootprintClusters();
    void PairUpICCapClusters();
    void ArrangeClusters();

    TClusterList* Clusters = nullptr;
    TClusterList* ICCapClusters = nullptr;
    TClusterList* SameFootprintClusters = nullptr;
    TClusterList* ConfinementClusters = nullptr;  // not consulted
    TPlacerOptions Options;
    TPlacementContext Context;
    // Main clusters in which some group found no conflict-free place, so that
    // the group placer fell back to the place of least overlap or the corner.
    // Only recorded (borrowed); the arrangement does not depend on it.
    TClusterList FallbackClusters;
};

// The working rectangle of a main cluster, with its lower-left corner at
// corner: shaped like the cluster's largest movable component made 1.5 times
// taller, and about 3.375 times the groups' area counted in whole cells of a
// tenth of the smallest component side. The empty rectangle at the corner when
// no movable component has an area.
TRect InitialClusterRect(const TCluster& cluster, TPoint corner);

// The arithmetic of InitialClusterRect. A cell side below 1 unit counts as 1,
// a largest component without height or width as a square one, and a group
// rectangle's negative side as 0, so every cluster gets a rectangle of the
// size its groups need; the corners are kept within the coordinate range.
int64_t CountCells(const TCluster& cluster, int32_t cellSide);
TRect RectOfCells(int64_t cells, int32_t cellSide, int32_t largestWidth, int32_t largestHeight, TPoint corner);

// The working rectangle reshaped to fit the extent, its lower-left corner kept:
// a side longer than the extent's is cut to it and the other side grown to keep
// the area, as far as the extent allows. A long, narrow largest part would
// otherwise give its cluster a rectangle that no board of another shape holds.
TRect FitRectToExtent(const TRect& r, const TRect& extent);

}  // namespace autoplacer
