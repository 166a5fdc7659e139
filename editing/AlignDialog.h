// The "Align Components" dialog: how to line the selection up horizontally and
// vertically, and whether to move it onto the board's component grid, whose
// size the dialog shows and, on OK with the grid box ticked, writes to the board.
#pragma once

#include <cstdint>

#include "host/PcbBoard.h"
#include "ui/Form.h"

namespace autoplacer {

class TAutoPlacerAlignComponentsDialog final : public ui::TForm {
public:
    // The modes are those of AlignHorizontally / AlignVertically (5: no change).
    TAutoPlacerAlignComponentsDialog(PcbHandle board, bool moveToGrid, uint8_t verticalMode,
                                     uint8_t horizontalMode);

    // Shows the modes (no change for a mode the groups do not offer), the grid
    // box and the board's grid in its display unit.
    void LoadControls();
    // Takes the modes and the grid box from the controls; with the box ticked the
    // grid text (read in the board's unit when it has none) becomes the board's
    // component grid.
    void StoreControls();

    ui::TButton* OK;      // modal result 1
    ui::TButton* Cancel;  // modal result 2
    ui::TPanel* Frame_Panel;
    ui::TRadioGroup* RadioGroupHorizontalAlignment;
    ui::TRadioGroup* RadioGroupVerticalAlignment;
    ui::TGroupBox* Grid_GroupBox;
    ui::TCheckBox* MoveComponentsToGrid;
    ui::TEdit* GridSize_Edit;

    uint8_t HorizontalMode;
    uint8_t VerticalMode;
    bool MoveToGrid;
    TPcbBoard BoardRecord;
};

// Asks how to align; on OK stores the dialog's values and copies them out.
// True for OK.
bool AskAlignment(PcbHandle board, uint8_t& horizontalMode, uint8_t& verticalMode, bool& moveToGrid);

}  // namespace autoplacer
