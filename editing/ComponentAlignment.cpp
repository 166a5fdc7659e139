#include "editing/ComponentAlignment.h"

#include <memory>

#include "editing/AlignDialog.h"
#include "host/PcbApi.h"
#include "model/ClusterAlignment.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "ui/MessageBoxes.h"
#include "model/RunControl.h"

namespace autoplacer {

void AlignSelection(PcbHandle board) {
    uint8_t horizontal = kAlignNoChange;
    uint8_t vertical = kAlignNoChange;
    bool moveToGrid = false;
    if (!AskAlignment(board, horizontal, vertical, moveToGrid)) {
        return;
    }
    const std::unique_ptr<TCluster> cluster = ClusterOfSelected(board);
    if (!cluster->FixedGroups.Empty() &&
        !ui::AskYesNo("The selection contains locked components. Continue?", "Confirm")) {
        return;
    }
    const TFastListOf<PcbHandle> handles = cluster->ComponentHandles();
    TModificationBracket bracket(handles, board);
    cluster->ForEachHandle([](PcbHandle handle) { PcbApi::PcbApi_HideObject(handle); });
    AlignHorizontally(*cluster, horizontal);
    AlignVertically(*cluster, vertical);
    if (moveToGrid) {
        SnapComponentsToGrid(*cluster, board);
    }
    cluster->ForEachHandle([](PcbHandle handle) { PcbApi::PcbApi_ShowObject(handle); });
    bracket.Close();
}

}  // namespace autoplacer
