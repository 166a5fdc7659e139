#include "settings/NewPlacerInterface.h"

#include <string>

#include "host/PcbApi.h"
#include "host/PcbUnits.h"
#include "host/RecordSync.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "host/Parameters.h"
#include "settings/PlacerRegistry.h"

namespace autoplacer {

namespace {

constexpr const char* kClusterDescription =
    "Cluster-based autoplacer - groups components into clusters by connectivty, then places  clusters "
    "geometrically. More suited to designs with a lower component count. Set the  Placement Rules in the "
    "Design Rules dialog.";
constexpr const char* kStatisticalDescription =
    "Statistical-based autoplacer - places to minimize connection lengths. Uses a statistical  algorithm, so is "
    "best suited to designs with a higher component count (greater than 100). ";

}  // namespace

TNewPlacerInterface_Form::TNewPlacerInterface_Form(PcbHandle board)
    : TDialog("NewPlacerInterface_Form", "Auto Place"), Board(board) {
    ClientWidth = 420;
    ClientHeight = 300;
    UseNewAutoPlacer_RadioButton = Add<ui::TRadioButton>(nullptr, "UseNewAutoPlacer_RadioButton", "&Cluster Placer");
    UseGlobalPlacer_RadioButton =
        Add<ui::TRadioButton>(nullptr, "UseGlobalPlacer_RadioButton", "&Statistical Placer");
    UseGlobalPlacer_RadioButton->SetCheckedSilently(true);
    UseNewAutoPlacer_RadioButton->OnClick = [this] { ToggleUsedPlacer(); };
    UseGlobalPlacer_RadioButton->OnClick = [this] { ToggleUsedPlacer(); };

    Description_GroupBox = Add<ui::TGroupBox>(nullptr, "Description_GroupBox", "Description");
    Description_Label = Add<ui::TLabel>(Description_GroupBox, "Description_Label", kClusterDescription);
    GlobalDescription_GroupBox = Add<ui::TGroupBox>(nullptr, "GlobalDescription_GroupBox", "Description");
    GlobalDescription_Label =
        Add<ui::TLabel>(GlobalDescription_GroupBox, "GlobalDescription_Label", kStatisticalDescription);

    NewPlacerPanel = Add<ui::TPanel>(nullptr, "NewPlacerPanel");
    QuickPlace_CheckBox = Add<ui::TCheckBox>(NewPlacerPanel, "QuickPlace_CheckBox", "Quick Component Placement");

    GlobalPlacerPanel = Add<ui::TPanel>(nullptr, "GlobalPlacerPanel");
    GridSize_Edit = Add<ui::TEdit>(GlobalPlacerPanel, "GridSize_Edit", "Grid Size");
    PowerNets_Edit = Add<ui::TEdit>(GlobalPlacerPanel, "PowerNets_Edit", "Power Nets");
    GroundNets_Edit = Add<ui::TEdit>(GlobalPlacerPanel, "GroundNets_Edit", "Ground Nets");
    GroupComponents_CheckBox = Add<ui::TCheckBox>(GlobalPlacerPanel, "GroupComponents_CheckBox", "Group Components");
    RotateComponents_CheckBox =
        Add<ui::TCheckBox>(GlobalPlacerPanel, "RotateComponents_CheckBox", "Rotate Components");
    AutomaticUpdate_CheckBox =
        Add<ui::TCheckBox>(GlobalPlacerPanel, "AutomaticUpdate_CheckBox", "Automatic PCB Update");

    OK_Button = Add<ui::TButton>(nullptr, "OK_Button", "OK");
    OK_Button->ModalResult = sdk::kModalOk;
    Cancel_Button = Add<ui::TButton>(nullptr, "Cancel_Button", "Cancel");
    Cancel_Button->ModalResult = sdk::kModalCancel;
    Help_Button = Add<ui::TButton>(nullptr, "Help_Button", "Help");

    ToggleUsedPlacer();
    BindHelp();
    OnShow = [this] { FormShow(); };
    OnClose = [this](int32_t modalResult) {
        if (modalResult == sdk::kModalOk) {
            FormClose();
        }
    };
}

void TNewPlacerInterface_Form::FormShow() {
    Board.Sync(PCB_READ);
    GridSize_Edit->Text = CoordToUnitString(Round(Board.ComponentGrid), Board.Imperial != 0);

    PcbPlacerOptionsData options{};
    if (PcbApi::PcbApi_QueryBoardAdvancedPlacerOptions(Board.Handle, PCB_READ, &options) == PCB_OK) {
        RotateComponents_CheckBox->SetCheckedSilently(options.RotateComponents != 0);
        GroupComponents_CheckBox->SetCheckedSilently(options.GroupComponents != 0);
        PowerNets_Edit->Text = detail::ReadText(options.PowerNets, sizeof options.PowerNets);
        GroundNets_Edit->Text = detail::ReadText(options.GroundNets, sizeof options.GroundNets);
    }

    const TPlacerRegistry registry;
    if (const auto quick = registry.ReadBool("StrictFloorPlanning")) {
        QuickPlace_CheckBox->SetCheckedSilently(*quick);
    }
    if (const auto placer = registry.ReadString("PlacerToUse")) {
        const std::string choice = TrimParameterText(*placer);
        if (SameParameterName(choice, "Global")) {
            UseGlobalPlacer_RadioButton->SetCheckedSilently(true);
        } else if (SameParameterName(choice, "New")) {
            UseNewAutoPlacer_RadioButton->SetCheckedSilently(true);
        }
    }
    ToggleUsedPlacer();
}

void TNewPlacerInterface_Form::ToggleUsedPlacer() {
    const bool cluster = ClusterPlacerSelected();
    Description_GroupBox->Visible = cluster;
    NewPlacerPanel->Visible = cluster;
    GlobalDescription_GroupBox->Visible = !cluster;
    GlobalPlacerPanel->Visible = !cluster;
    ActiveControl = cluster ? static_cast<ui::TControl*>(QuickPlace_CheckBox) : PowerNets_Edit;
}

void TNewPlacerInterface_Form::FormClose() {
    Board.Sync(PCB_READ);
    // A text without a unit is read in the board's display unit; the board's unit itself stays.
    int32_t grid = 0;
    uint8_t unit = Board.Imperial;
    StringToCoord(GridSize_Edit->Text, grid, unit);
    Board.ComponentGrid = grid;
    Board.Sync(PCB_WRITE);

    PcbPlacerOptionsData options{};
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptions(Board.Handle, PCB_READ, &options);
    options.RotateComponents = RotateComponents_CheckBox->GetChecked() ? 1 : 0;
    options.GroupComponents = GroupComponents_CheckBox->GetChecked() ? 1 : 0;
    detail::CopyText(options.PowerNets, sizeof options.PowerNets, PowerNets_Edit->Text);
    detail::CopyText(options.GroundNets, sizeof options.GroundNets, GroundNets_Edit->Text);
    PcbApi::PcbApi_QueryBoardAdvancedPlacerOptions(Board.Handle, PCB_WRITE, &options);

    const TPlacerRegistry registry;
    registry.WriteBool("StrictFloorPlanning", QuickPlace_CheckBox->GetChecked());
    registry.WriteString("PlacerToUse", UseGlobalPlacer_RadioButton->GetChecked() ? "Global" : "New");
}

}  // namespace autoplacer
