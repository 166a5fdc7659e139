// The dialog that confirms a stop request during a placement run and asks
// whether the components go back to their old positions.
#pragma once

#include "ui/Form.h"

namespace autoplacer {

class TStopPlacementDialog final : public ui::TForm {
public:
    TStopPlacementDialog();

    ui::TLabel* Question_Label;
    ui::TButton* Yes_Button;  // confirms the stop (modal result 1)
    ui::TButton* No_Button;   // withdraws the request (modal result 2)
    ui::TCheckBox* Restore_CheckBox;
};

}  // namespace autoplacer
