// The placer choice dialog "Auto Place" that opens every ordinary placement run:
// the user picks this system's cluster placer or the host's statistical placer
// and sets the few options of each. The grid and the statistical placer's
// options live on the board; the quick-placement box and the choice live in the
// registry. OK stores them (the board's whichever placer is chosen); Cancel
// stores nothing.
//
// The driver shows the form modally and, after OK, reads ClusterPlacerSelected(),
// QuickPlacement() and AutomaticUpdate().
#pragma once

#include "host/PcbBoard.h"
#include "settings/HelpDialog.h"

namespace autoplacer {

class TNewPlacerInterface_Form final : public TDialog {
public:
    explicit TNewPlacerInterface_Form(PcbHandle board);

    // Fills the controls from the board and the registry (runs as the form shows).
    void FormShow();
    // Shows the panels of the selected placer and moves the focus there.
    void ToggleUsedPlacer();
    // Stores the options on the board and in the registry (runs after OK).
    void FormClose();

    bool ClusterPlacerSelected() const { return UseNewAutoPlacer_RadioButton->GetChecked(); }
    bool QuickPlacement() const { return QuickPlace_CheckBox->GetChecked(); }
    bool AutomaticUpdate() const { return AutomaticUpdate_CheckBox->GetChecked(); }

    TPcbBoard Board;

    ui::TRadioButton* UseNewAutoPlacer_RadioButton;
    ui::TRadioButton* UseGlobalPlacer_RadioButton;
    ui::TGroupBox* Description_GroupBox;
    ui::TLabel* Description_Label;
    ui::TGroupBox* GlobalDescription_GroupBox;
    ui::TLabel* GlobalDescription_Label;
    ui::TPanel* NewPlacerPanel;
    ui::TCheckBox* QuickPlace_CheckBox;
    ui::TPanel* GlobalPlacerPanel;
    ui::TEdit* GridSize_Edit;
    ui::TEdit* PowerNets_Edit;
    ui::TEdit* GroundNets_Edit;
    ui::TCheckBox* GroupComponents_CheckBox;
    ui::TCheckBox* RotateComponents_CheckBox;
    ui::TCheckBox* AutomaticUpdate_CheckBox;
    ui::TButton* OK_Button;      // modal result 1
    ui::TButton* Cancel_Button;  // modal result 2
    ui::TButton* Help_Button;    // the help topic "AutoPlace"
};

}  // namespace autoplacer
