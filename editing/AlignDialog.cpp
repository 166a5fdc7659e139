#include "editing/AlignDialog.h"

#include <array>
#include <string>

#include "host/PcbUnits.h"
#include "model/ClusterAlignment.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

namespace {

// The mode of each radio item, in item order; the first item is "no change".
constexpr std::array<uint8_t, 4> kHorizontalModes = {kAlignNoChange, kAlignCentre, kAlignRight, kAlignDistribute};
constexpr std::array<uint8_t, 4> kVerticalModes = {kAlignNoChange, kAlignCentre, kAlignBottom, kAlignDistribute};

void Place(ui::TControl* control, int32_t left, int32_t top, int32_t width, int32_t height) {
    control->Left = left;
    control->Top = top;
    control->Width = width;
    control->Height = height;
}

int32_t ItemOfMode(const std::array<uint8_t, 4>& modes, uint8_t mode) {
    for (std::size_t i = 1; i < modes.size(); ++i) {
        if (modes[i] == mode) {
            return static_cast<int32_t>(i);
        }
    }
    return 0;
}

uint8_t ModeOfItem(const std::array<uint8_t, 4>& modes, int32_t item) {
    return item >= 0 && item < static_cast<int32_t>(modes.size()) ? modes[static_cast<std::size_t>(item)]
                                                                    : kAlignNoChange;
}

}  // namespace

TAutoPlacerAlignComponentsDialog::TAutoPlacerAlignComponentsDialog(PcbHandle board, bool moveToGrid,
                                                                   uint8_t verticalMode, uint8_t horizontalMode)
    : ui::TForm("AutoPlacerAlignComponentsDialog", "Align Components"),
      HorizontalMode(horizontalMode),
      VerticalMode(verticalMode),
      MoveToGrid(moveToGrid),
      BoardRecord(board) {
    ClientWidth = 296;
    ClientHeight = 270;
    FixedBorder = true;
    CentredOnScreen = true;

    Frame_Panel = Add<ui::TPanel>(nullptr, "Frame_Panel");
    Place(Frame_Panel, 8, 8, 277, 225);

    RadioGroupHorizontalAlignment =
        Add<ui::TRadioGroup>(Frame_Panel, "RadioGroupHorizontalAlignment", " Horizontal ");
    RadioGroupHorizontalAlignment->Items = {"No Change", "Centre", "Right", "Distribute equally"};
    Place(RadioGroupHorizontalAlignment, 10, 6, 124, 158);

    RadioGroupVerticalAlignment = Add<ui::TRadioGroup>(Frame_Panel, "RadioGroupVerticalAlignment", " Vertical ");
    RadioGroupVerticalAlignment->Items = {"No change", "Center", "Bottom", "Distribute equally"};
    Place(RadioGroupVerticalAlignment, 140, 6, 124, 158);

    Grid_GroupBox = Add<ui::TGroupBox>(Frame_Panel, "Grid_GroupBox", "");
    Place(Grid_GroupBox, 11, 171, 253, 40);
    MoveComponentsToGrid = Add<ui::TCheckBox>(Grid_GroupBox, "MoveComponentsToGrid", "&Move components to grid");
    Place(MoveComponentsToGrid, 14, 11, 146, 20);
    GridSize_Edit = Add<ui::TEdit>(Grid_GroupBox, "GridSize_Edit");
    Place(GridSize_Edit, 163, 10, 54, 21);

    OK = Add<ui::TButton>(nullptr, "OK", "OK");
    OK->ModalResult = sdk::kModalOk;
    Place(OK, 130, 240, 75, 24);
    Cancel = Add<ui::TButton>(nullptr, "Cancel", "Cancel");
    Cancel->ModalResult = sdk::kModalCancel;
    Place(Cancel, 210, 240, 75, 24);
}

void TAutoPlacerAlignComponentsDialog::LoadControls() {
    RadioGroupHorizontalAlignment->SetItemIndexSilently(ItemOfMode(kHorizontalModes, HorizontalMode));
    RadioGroupVerticalAlignment->SetItemIndexSilently(ItemOfMode(kVerticalModes, VerticalMode));
    MoveComponentsToGrid->SetCheckedSilently(MoveToGrid);
    BoardRecord.Sync(PCB_READ);
    GridSize_Edit->Text = CoordToUnitString(Round(BoardRecord.ComponentGrid), BoardRecord.Imperial != 0);
}

void TAutoPlacerAlignComponentsDialog::StoreControls() {
    HorizontalMode = ModeOfItem(kHorizontalModes, RadioGroupHorizontalAlignment->GetItemIndex());
    VerticalMode = ModeOfItem(kVerticalModes, RadioGroupVerticalAlignment->GetItemIndex());
    MoveToGrid = MoveComponentsToGrid->GetChecked();
    if (!MoveToGrid) {
        return;
    }
    BoardRecord.Sync(PCB_READ);
    // The text's unit only decides how it is read; the board keeps its display unit.
    int32_t grid = 0;
    uint8_t unit = BoardRecord.Imperial;
    StringToCoord(GridSize_Edit->Text, grid, unit);
    BoardRecord.ComponentGrid = grid;
    BoardRecord.Sync(PCB_WRITE);
}

bool AskAlignment(PcbHandle board, uint8_t& horizontalMode, uint8_t& verticalMode, bool& moveToGrid) {
    TAutoPlacerAlignComponentsDialog dialog(board, moveToGrid, verticalMode, horizontalMode);
    dialog.LoadControls();
    if (dialog.ShowModal() != sdk::kModalOk) {
        return false;
    }
    dialog.StoreControls();
    horizontalMode = dialog.HorizontalMode;
    verticalMode = dialog.VerticalMode;
    moveToGrid = dialog.MoveToGrid;
    return true;
}

}  // namespace autoplacer
