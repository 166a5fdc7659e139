// Lining up the components of a cluster: to a common edge or centre line, spread
// evenly in columns or rows, or onto the board's component grid. The alignment
// command turns the board's selection into a cluster and runs these; the
// cluster editor reuses the column and row grouping.
//
// Every step moves components in the host at once; the cluster's groups are not
// kept up to date (GetBoundingRect recomputes them when asked).
#pragma once

#include <cstdint>
#include <memory>

#include "model/Cluster.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// Horizontal modes.
inline constexpr uint8_t kAlignLeft = 2;
inline constexpr uint8_t kAlignRight = 3;
// Vertical modes.
inline constexpr uint8_t kAlignTop = 0;
inline constexpr uint8_t kAlignBottom = 1;
// Both directions.
inline constexpr uint8_t kAlignCentre = 4;
inline constexpr uint8_t kAlignNoChange = 5;
inline constexpr uint8_t kAlignDistribute = 6;

// Aligns every member (fixed ones too) to the cluster's bounding rectangle:
// left, right or centre edges, or spreads the columns evenly. Any other mode
// does nothing. The vertical modes keep each member's X, the horizontal ones
// its Y.
void AlignHorizontally(TCluster& cluster, uint8_t mode);
void AlignVertically(TCluster& cluster, uint8_t mode);

// The cluster's components (movable, then fixed) sorted by extent centre X and
// cut into columns: a component joins the current column when its extent lies
// within the X span of the column's first member, else it starts a new one.
// The result owns new records of the same components.
std::unique_ptr<TCluster> GroupIntoColumns(const TCluster& cluster);
// The same in rows, by centre Y and the Y span of a row's first member.
std::unique_ptr<TCluster> GroupIntoRows(const TCluster& cluster);

// Moves every member's reference point to the nearest line of the board's
// component grid (from the board's origin); a tie goes to the line above. A
// grid below one unit leaves everything in place.
void SnapComponentsToGrid(const TCluster& cluster, PcbHandle board);

// The snap of one offset from the origin, exposed for its rounding rules.
int32_t SnapOffsetToGrid(int32_t offset, double grid);

// A cluster of the board's selected components in the host's order; locked
// ones land in the fixed groups.
std::unique_ptr<TCluster> ClusterOfSelected(PcbHandle board);

}  // namespace autoplacer
