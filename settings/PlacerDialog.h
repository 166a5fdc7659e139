// The cluster placer's setup dialog "AutoPlacer": the run's options (grid,
// clustering threshold, the four phase switches), the five cost weights and the
// power nets, with their persistent values in the registry. "Place" stores the
// values, "Cancel" stores nothing, "Defaults" resets the controls.
//
// The driver shows it modally; after "Place" ApplySetupDialog turns the
// controls into the run's options and power-net list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "model/PlacementContext.h"
#include "model/PlacerOptions.h"
#include "ui/Form.h"

namespace autoplacer {

class TPlacerSetupDialog final : public ui::TForm {
public:
    // Copies both records, fills the net lists and loads the registry values.
    TPlacerSetupDialog(const TPlacerOptions& options, const TPlacementContext& context);

    // A new list of the net handles in "Power Nets", in list order.
    std::unique_ptr<TFastListOf<PcbHandle>> PowerNetList() const;

    // One cost weight: its edit, its track bar (0 to 15) and its registry value.
    struct TWeightControls {
        ui::TEdit* Edit;
        ui::TTrackBar* TrackBar;
        const char* RegistryName;
    };
    // Guide, pad, connection length, cross-over, direction.
    const std::array<TWeightControls, 5>& WeightControls() const { return Weights; }

    void FillNetLists();
    void LoadSettings();
    // Writes every value; only after "Place". A threshold that is not a whole
    // number throws TSettingsConversionError before the threshold and the grid.
    void SaveSettings();

    void AddPowerNet_ButtonClick();
    void RemovePowerNet_ButtonClick();
    void SetDefaults_ButtonClick();
    // A weight's track bar moved: its edit shows the position.
    void WeightTrackBarChange(const TWeightControls& weight);
    // The user left a weight's edit: a whole number moves the bar (clamped) and
    // the edit shows where the bar stands; other text is left as typed.
    void WeightEditExit(const TWeightControls& weight);

    TPlacerOptions Options;
    TPlacementContext Context;

    ui::TPageControl* Form_PageControl;
    ui::TTabSheet* Options_TabSheet;
    ui::TTabSheet* Costs_TabSheet;
    ui::TTabSheet* PowerNets_TabSheet;

    ui::TEdit* GridSize_Edit;
    ui::TEdit* ClusterScoreThreshold_Edit;
    ui::TCheckBox* DoPrePasses_CheckBox;
    ui::TCheckBox* FixedNetTopology_CheckBox;
    ui::TCheckBox* StrictFloorPlanning_CheckBox;
    ui::TCheckBox* TreeBasedRooms_CheckBox;

    ui::TGroupBox* Costings_GroupBox;
    ui::TEdit* GuideCostWeight_Edit;
    ui::TTrackBar* GuideCostWeight_TrackBar;
    ui::TEdit* PadCostWeight_Edit;
    ui::TTrackBar* PadCostWeight_TrackBar;
    ui::TEdit* ConnectionLengthCostWeight_Edit;
    ui::TTrackBar* ConnectionLengthCostWeight_TrackBar;
    ui::TEdit* CrossOverCostWeight_Edit;
    ui::TTrackBar* CrossOverCostWeight_TrackBar;
    ui::TEdit* DirectionCostWeight_Edit;
    ui::TTrackBar* DirectionCostWeight_TrackBar;

    ui::TListBox* AllOtherNets_ListBox;
    ui::TListBox* PowerNets_ListBox;
    ui::TButton* AddPowerNet_Button;     // ">>"
    ui::TButton* RemovePowerNet_Button;  // "<<"

    ui::TButton* RunAutoPlacer_Button;  // "Place", modal result 1
    ui::TButton* Cancel_Button;         // modal result 2
    ui::TButton* SetDefaults_Button;

private:
    TWeightControls AddWeight(const char* name, const char* caption, const char* registryName, int32_t top);
    // The display unit of the board: nonzero for mils.
    uint8_t BoardUnit() const;

    std::array<TWeightControls, 5> Weights{};
};

// Applies a setup dialog closed with "Place" to the run: the five weights, the
// threshold and the grid (a text without a unit is read in the board's display
// unit; a text that is not a positive length keeps options' grid), the four
// switches, and powerNets becomes the dialog's power-net list. A weight or
// threshold that is not a whole number throws TSettingsConversionError and
// changes nothing.
void ApplySetupDialog(const TPlacerSetupDialog& dialog, TPlacerOptions& options, TFastListOf<PcbHandle>& powerNets);

// Shows the setup dialog built on options and context; after "Place" applies it
// (the power nets into *context.PowerNets, which must exist) and answers True.
// Throws TSettingsConversionError for a threshold or weight that is not a whole
// number; its message is meant for the error box.
bool ShowPlacerSetupDialog(TPlacerOptions& options, TPlacementContext& context);

}  // namespace autoplacer
