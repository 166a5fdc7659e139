// Undo and redo of whole modifications, as the application sees them: where
// every footprint stood (position, rotation, side) before and after each command
// that moved something. A command is one step however many edits it made, so
// undoing the editing mode puts back everything it did. Selections are no
// modification.
#pragma once

#include <vector>

#include "hostpcb/Board.h"

namespace app {

// Where each component of a board stands.
struct BoardPlacement {
    struct Entry {
        PcbHandle component = nullptr;
        hostpcb::Point position;
        double rotation = 0;
        hostpcb::LayerNumber side = PCB_TOP_LAYER;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    std::vector<Entry> entries;  // in board order

    static BoardPlacement Of(const hostpcb::Board& board);
    friend bool operator==(const BoardPlacement&, const BoardPlacement&) = default;
};

class EditHistory {
public:
    explicit EditHistory(hostpcb::Board& board) : Board(board) {}

    // Around a command: Begin before, End after; End keeps the step when
    // something moved (and forgets what was undone) and answers whether it did.
    void Begin();
    bool End();

    // False when there is nothing to undo (redo).
    bool Undo();
    bool Redo();
    bool CanUndo() const { return !Done.empty(); }
    bool CanRedo() const { return !Undone.empty(); }

private:
    struct Step {
        BoardPlacement before;
        BoardPlacement after;
    };
    // Puts every component where the placement says, then rebuilds the connection
    // lines of the nets it touched.
    void Apply(const BoardPlacement& placement);

    hostpcb::Board& Board;
    BoardPlacement Pending;
    std::vector<Step> Done;
    std::vector<Step> Undone;
};

}  // namespace app
