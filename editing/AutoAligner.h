// Lining a component up with its similar neighbours while it is edited: which
// components are about the same size, which of them form a row or a column with
// the component, and how they snap into line and even spacing with it. Nothing
// here keeps state between calls.
#pragma once

#include <cstdint>

#include "model/Cluster.h"
#include "model/FastList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

using THandleList = TFastListOf<PcbHandle>;

// The smaller of the two is at least 80 % of the larger (two zeros are similar).
bool SimilarSize(int64_t a, int64_t b);

// Both sides of the extents (texts excluded) are of similar size; with
// eitherOrientation a component turned a quarter also matches.
bool SimilarComponents(PcbHandle a, PcbHandle b, bool eitherOrientation);

// The moveable components on the component's layer, similar to it in the same
// orientation, that lie in its horizontal band (row) or vertical band (column),
// each band reaching 70 % of the component's size beyond it; both lists are
// trimmed at dissimilar blockers and the shorter one is emptied (the column on
// a tie). Both lists are cleared first.
void FindRowAndColumn(PcbHandle component, PcbHandle board, THandleList& row, THandleList& column);

// Cuts the row at dissimilar components that cross the component's centre line
// between it and the row's members; members beyond a cut are removed.
void TrimRow(THandleList& row, PcbHandle component, PcbHandle board);
void TrimColumn(THandleList& column, PcbHandle component, PcbHandle board);

// Moves every member's centre onto the component's centre line.
void AlignRowToComponent(const THandleList& row, PcbHandle component);
void AlignColumnToComponent(const THandleList& column, PcbHandle component);

// Sorts the list by centre and spaces the inner members evenly between the two
// ends, which stay; fewer than three entries are left alone.
void DistributeRow(THandleList& row);
void DistributeColumn(THandleList& column);

// Lines the component's similar neighbours up with it and spaces them evenly,
// unless that would move any component of the board more than 150 mil, in which
// case the board is left exactly as it was. editorCluster is the cluster of the
// running edit (nil when none): it is taken off the board with the moved
// components while they are redrawn.
void AutoAlign(PcbHandle component, PcbHandle board, TCluster* editorCluster = nullptr);

}  // namespace autoplacer
