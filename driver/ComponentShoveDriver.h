// The interactive editing mode: in a loop the user picks what to move (one
// component clicked on the board, or the board's selection), the pick is
// wrapped in a cluster and edited by a cluster editor until the user accepts or
// cancels, and the board is redrawn. The mode ends when the user cancels a
// pick, or declines to move locked components.
//
// Ownership: the driver owns its options, its keep-out primitives and each
// picked cluster for the length of one edit. A pick that is given up (nothing
// under the click, an empty selection, locked components declined) frees its
// cluster itself and hands back nil.
#pragma once

#include <cstdint>
#include <memory>

#include "model/Cluster.h"
#include "model/PlacementContext.h"
#include "model/PlacerOptions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TClusterEditor;

// The editor of the running edit, nil when none; the feature commands reach it here.
extern TClusterEditor* ClusterEditor;

// The options of the editing mode: no costs, a 50 mil grid.
TPlacerOptions ShoveDriverOptions();

class TComponentShoveDriver {
public:
    TComponentShoveDriver(PcbHandle board, uint8_t editMode) : Board(board), EditMode(editMode) {}

    // The pick-and-edit loop.
    void Run();

    // A cluster of the one component the user clicks (auto-align and
    // auto-select modes); nil when the user cancels, clicks no component or
    // declines to move a locked one.
    std::unique_ptr<TCluster> PickComponent();
    // A cluster of the board's selected components once the user clicks; nil
    // when the user cancels, nothing is selected, or the user declines to move
    // locked components.
    std::unique_ptr<TCluster> PickSelection();

    PcbHandle GetBoard() const { return Board; }
    uint8_t GetEditMode() const { return EditMode; }

private:
    PcbHandle Board;
    uint8_t EditMode;
};

}  // namespace autoplacer
