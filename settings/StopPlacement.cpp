#include "settings/StopPlacement.h"

namespace autoplacer {

TStopPlacementDialog::TStopPlacementDialog() : ui::TForm("StopPlacementDialog", "Confirm") {
    ClientWidth = 300;
    ClientHeight = 110;
    Question_Label = Add<ui::TLabel>(nullptr, "Question_Label", "Do you want to stop auto placement?");
    Restore_CheckBox = Add<ui::TCheckBox>(nullptr, "Restore_CheckBox", "&Restore components to old positions");
    Yes_Button = Add<ui::TButton>(nullptr, "Yes_Button", "Yes");
    Yes_Button->ModalResult = sdk::kModalOk;
    No_Button = Add<ui::TButton>(nullptr, "No_Button", "No");
    No_Button->ModalResult = sdk::kModalCancel;
    ActiveControl = Yes_Button;
}

}  // namespace autoplacer
