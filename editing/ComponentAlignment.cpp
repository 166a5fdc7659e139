#include "editing/ComponentAlignment.h"

#include <memory>

#include "editing/AlignDialog.h"
#include "host/PcbApi.h"
#include "model/ClusterAlignment.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "ui/MessageBoxes.h"

namespace autoplacer {

namespace {

// Keeps the host's undo history closed even when a step fails half-way.
class TAlignmentBracket {
public:
    TAlignmentBracket(const TFastListOf<PcbHandle>& objects, PcbHandle board) : Objects(objects), Board(board) {
        BeginModifyObjects(Objects, Board);
    }
    ~TAlignmentBracket() {
        if (Open) {
            try {
                EndModifyObjects(Objects, Board);
            } catch (...) {
                // Already unwinding; the first failure is the one reported.
            }
        }
    }
    TAlignmentBracket(const TAlignmentBracket&) = delete;
    TAlignmentBracket& operator=(const TAlignmentBracket&) = delete;
    void Close() {
        Open = false;
        EndModifyObjects(Objects, Board);
    }

private:
    const TFastListOf<PcbHandle>& Objects;
    PcbHandle Board;
    bool Open = true;
};

}  // namespace

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
    TAlignmentBracket bracket(handles, board);
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
