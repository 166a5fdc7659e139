#include "settings/PlacerDialog.h"

#include <stdexcept>
#include <string>

#include "host/PcbBoard.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbUnits.h"
#include "settings/PlacerRegistry.h"
#include "settings/WholeNumbers.h"

namespace autoplacer {

namespace {

constexpr int32_t kWeightMin = 0;
constexpr int32_t kWeightMax = 15;
constexpr int32_t kDefaultGridSize = 500000;  // 50 mil

std::string NetName(PcbHandle net) {
    TPcbNet record(net);
    record.Sync(PCB_READ);
    return record.Name;
}

// Moves the selected item of one list (text and net) to the end of the other.
void MoveSelectedItem(ui::TListBox& from, ui::TListBox& to) {
    const int32_t selected = from.GetItemIndex();
    if (selected < 0) {
        return;
    }
    const ui::TListBox::TItem item = from.Item(selected);
    from.DeleteItem(selected);
    to.AddItem(item.Text, item.Data);
}

// Grid text in the board's unit when it names none; 0 when it is not a length.
int32_t GridOf(const std::string& text, uint8_t boardUnit) {
    int32_t grid = 0;
    uint8_t unit = boardUnit;
    StringToCoord(text, grid, unit);
    return grid;
}

}  // namespace

TPlacerSetupDialog::TPlacerSetupDialog(const TPlacerOptions& options, const TPlacementContext& context)
    : ui::TForm("PlacerSetupDialog", "AutoPlacer"), Options(options), Context(context) {
    ClientWidth = 360;
    ClientHeight = 330;
    Form_PageControl = Add<ui::TPageControl>(nullptr, "Form_PageControl");
    Options_TabSheet = Add<ui::TTabSheet>(Form_PageControl, "Options_TabSheet", "Options");
    Costs_TabSheet = Add<ui::TTabSheet>(Form_PageControl, "Costs_TabSheet", "Costs");
    PowerNets_TabSheet = Add<ui::TTabSheet>(Form_PageControl, "PowerNets_TabSheet", "Power Nets");
    // All three tabs are offered: the weights and the power nets are real options of the run.
    Form_PageControl->SetActivePage(Options_TabSheet);

    GridSize_Edit = Add<ui::TEdit>(Options_TabSheet, "GridSize_Edit", "Grid Size");
    ClusterScoreThreshold_Edit = Add<ui::TEdit>(Options_TabSheet, "ClusterScoreThreshold_Edit", "Clustering Threshold");
    ClusterScoreThreshold_Edit->Text = "85";
    DoPrePasses_CheckBox = Add<ui::TCheckBox>(Options_TabSheet, "DoPrePasses_CheckBox", "Pre-Passes");
    FixedNetTopology_CheckBox = Add<ui::TCheckBox>(Options_TabSheet, "FixedNetTopology_CheckBox", "Fixed Net Topology");
    StrictFloorPlanning_CheckBox =
        Add<ui::TCheckBox>(Options_TabSheet, "StrictFloorPlanning_CheckBox", "Strict Floorplanning");
    TreeBasedRooms_CheckBox =
        Add<ui::TCheckBox>(Options_TabSheet, "TreeBasedRooms_CheckBox", "Tree-Based Room Generation");

    Costings_GroupBox = Add<ui::TGroupBox>(Costs_TabSheet, "Costings_GroupBox", "Costings");
    Weights[0] = AddWeight("GuideCostWeight", "Maximize Keep in Room", "MaximizeKeepInRoom", 0);
    Weights[1] = AddWeight("PadCostWeight", "Optimize Pad Positions", "OptimizePadPositions", 40);
    Weights[2] = AddWeight("ConnectionLengthCostWeight", "Minimize Connection Length", "MinimizeConnectionLength", 80);
    Weights[3] = AddWeight("CrossOverCostWeight", "Minimize Crossovers", "MinimizeCrossOvers", 120);
    Weights[4] = AddWeight("DirectionCostWeight", "Optimize Directions", "OptimizeDirections", 160);
    GuideCostWeight_Edit = Weights[0].Edit;
    GuideCostWeight_TrackBar = Weights[0].TrackBar;
    PadCostWeight_Edit = Weights[1].Edit;
    PadCostWeight_TrackBar = Weights[1].TrackBar;
    ConnectionLengthCostWeight_Edit = Weights[2].Edit;
    ConnectionLengthCostWeight_TrackBar = Weights[2].TrackBar;
    CrossOverCostWeight_Edit = Weights[3].Edit;
    CrossOverCostWeight_TrackBar = Weights[3].TrackBar;
    DirectionCostWeight_Edit = Weights[4].Edit;
    DirectionCostWeight_TrackBar = Weights[4].TrackBar;

    AllOtherNets_ListBox = Add<ui::TListBox>(PowerNets_TabSheet, "AllOtherNets_ListBox", "Other Nets");
    AddPowerNet_Button = Add<ui::TButton>(PowerNets_TabSheet, "AddPowerNet_Button", ">>");
    RemovePowerNet_Button = Add<ui::TButton>(PowerNets_TabSheet, "RemovePowerNet_Button", "<<");
    PowerNets_ListBox = Add<ui::TListBox>(PowerNets_TabSheet, "PowerNets_ListBox", "Power Nets");
    AddPowerNet_Button->OnClick = [this] { AddPowerNet_ButtonClick(); };
    RemovePowerNet_Button->OnClick = [this] { RemovePowerNet_ButtonClick(); };
    AllOtherNets_ListBox->OnDblClick = [this] { AddPowerNet_ButtonClick(); };
    PowerNets_ListBox->OnDblClick = [this] { RemovePowerNet_ButtonClick(); };
    // Each list takes drops only from the other one.
    AllOtherNets_ListBox->OnDragOver = [this](ui::TControl& source) { return &source == PowerNets_ListBox; };
    PowerNets_ListBox->OnDragOver = [this](ui::TControl& source) { return &source == AllOtherNets_ListBox; };
    AllOtherNets_ListBox->OnDragDrop = [this](ui::TControl&, int32_t) { RemovePowerNet_ButtonClick(); };
    PowerNets_ListBox->OnDragDrop = [this](ui::TControl&, int32_t) { AddPowerNet_ButtonClick(); };

    RunAutoPlacer_Button = Add<ui::TButton>(nullptr, "RunAutoPlacer_Button", "Place");
    RunAutoPlacer_Button->ModalResult = sdk::kModalOk;
    Cancel_Button = Add<ui::TButton>(nullptr, "Cancel_Button", "Cancel");
    Cancel_Button->ModalResult = sdk::kModalCancel;
    SetDefaults_Button = Add<ui::TButton>(nullptr, "SetDefaults_Button", "Defaults");
    SetDefaults_Button->OnClick = [this] { SetDefaults_ButtonClick(); };
    ActiveControl = RunAutoPlacer_Button;

    OnClose = [this](int32_t modalResult) {
        if (modalResult == sdk::kModalOk) {
            SaveSettings();
        }
    };

    FillNetLists();
    LoadSettings();
}

TPlacerSetupDialog::TWeightControls TPlacerSetupDialog::AddWeight(const char* name, const char* caption,
                                                                 const char* registryName, int32_t top) {
    TWeightControls weight{};
    weight.Edit = Add<ui::TEdit>(Costings_GroupBox, std::string(name) + "_Edit", caption);
    weight.Edit->Text = "0";
    weight.Edit->Top = top;
    weight.TrackBar = Add<ui::TTrackBar>(Costings_GroupBox, std::string(name) + "_TrackBar");
    weight.TrackBar->SetRange(kWeightMin, kWeightMax);
    weight.TrackBar->Top = top;
    weight.RegistryName = registryName;
    weight.TrackBar->OnChange = [this, weight] { WeightTrackBarChange(weight); };
    weight.Edit->OnExit = [this, weight] { WeightEditExit(weight); };
    return weight;
}

uint8_t TPlacerSetupDialog::BoardUnit() const {
    TPcbBoard board(Context.Board);
    board.Sync(PCB_READ);
    return board.Imperial;
}

void TPlacerSetupDialog::FillNetLists() {
    AllOtherNets_ListBox->ClearItems();
    PowerNets_ListBox->ClearItems();
    TObjectIterator nets(Context.Board, PCB_NET);
    nets.ForEach([this](PcbHandle net) {
        if (Context.PowerNets == nullptr || !Context.PowerNets->Contains(net)) {
            AllOtherNets_ListBox->AddItem(NetName(net), net);
        }
    });
    if (Context.PowerNets != nullptr) {
        for (PcbHandle net : *Context.PowerNets) {
            PowerNets_ListBox->AddItem(NetName(net), net);
        }
    }
}

void TPlacerSetupDialog::LoadSettings() {
    const TPlacerRegistry registry;
    const auto loadBox = [&](const char* name, ui::TCheckBox* box) {
        if (const auto value = registry.ReadBool(name)) {
            box->SetCheckedSilently(*value);
        }
    };
    loadBox("FixedTopology", FixedNetTopology_CheckBox);
    loadBox("TreeBasedRooms", TreeBasedRooms_CheckBox);
    loadBox("StrictFloorPlanning", StrictFloorPlanning_CheckBox);
    loadBox("DoPrePasses", DoPrePasses_CheckBox);
    for (const TWeightControls& weight : Weights) {
        if (const auto text = registry.ReadString(weight.RegistryName)) {
            weight.Edit->Text = *text;
        }
    }
    if (const auto threshold = registry.ReadInteger("ClusteringThreshold")) {
        ClusterScoreThreshold_Edit->Text = std::to_string(*threshold);
    }
    if (const auto grid = registry.ReadInteger("GridSize")) {
        GridSize_Edit->Text = CoordToUnitString(*grid, BoardUnit() != 0);
    }
    for (const TWeightControls& weight : Weights) {
        WeightEditExit(weight);
    }
}

void TPlacerSetupDialog::SaveSettings() {
    const TPlacerRegistry registry;
    registry.WriteBool("FixedTopology", FixedNetTopology_CheckBox->GetChecked());
    registry.WriteBool("TreeBasedRooms", TreeBasedRooms_CheckBox->GetChecked());
    registry.WriteBool("StrictFloorPlanning", StrictFloorPlanning_CheckBox->GetChecked());
    registry.WriteBool("DoPrePasses", DoPrePasses_CheckBox->GetChecked());
    for (const TWeightControls& weight : Weights) {
        registry.WriteString(weight.RegistryName, weight.Edit->Text);
    }
    registry.WriteInteger("ClusteringThreshold",
                          WholeNumberOf(ClusterScoreThreshold_Edit->Text, ClusterScoreThreshold_Edit->Caption));
    registry.WriteInteger("GridSize", GridOf(GridSize_Edit->Text, BoardUnit()));
}

std::unique_ptr<TFastListOf<PcbHandle>> TPlacerSetupDialog::PowerNetList() const {
    auto list = std::make_unique<TFastListOf<PcbHandle>>();
    for (int32_t i = 0; i < PowerNets_ListBox->Count(); ++i) {
        list->Add(static_cast<PcbHandle>(PowerNets_ListBox->Item(i).Data));
    }
    return list;
}

void TPlacerSetupDialog::AddPowerNet_ButtonClick() { MoveSelectedItem(*AllOtherNets_ListBox, *PowerNets_ListBox); }

void TPlacerSetupDialog::RemovePowerNet_ButtonClick() { MoveSelectedItem(*PowerNets_ListBox, *AllOtherNets_ListBox); }

void TPlacerSetupDialog::SetDefaults_ButtonClick() {
    for (const TWeightControls& weight : Weights) {
        weight.Edit->Text = "1";
        WeightEditExit(weight);
    }
    StrictFloorPlanning_CheckBox->SetCheckedSilently(false);
    FixedNetTopology_CheckBox->SetCheckedSilently(true);
    TreeBasedRooms_CheckBox->SetCheckedSilently(false);
    DoPrePasses_CheckBox->SetCheckedSilently(true);
    ClusterScoreThreshold_Edit->Text = "85";
    GridSize_Edit->Text = CoordToUnitString(kDefaultGridSize, BoardUnit() != 0);
    FillNetLists();
}

void TPlacerSetupDialog::WeightTrackBarChange(const TWeightControls& weight) {
    weight.Edit->Text = std::to_string(weight.TrackBar->Position());
}

void TPlacerSetupDialog::WeightEditExit(const TWeightControls& weight) {
    const auto value = ParseWholeNumber(weight.Edit->Text);
    if (!value) {
        return;
    }
    weight.TrackBar->MovePosition(*value);
    weight.Edit->Text = std::to_string(weight.TrackBar->Position());
}

void ApplySetupDialog(const TPlacerSetupDialog& dialog, TPlacerOptions& options, TFastListOf<PcbHandle>& powerNets) {
    // Everything is converted before anything changes, so a failure leaves the run as it was.
    TPlacerOptions result = options;
    const auto& weights = dialog.WeightControls();
    const auto weight = [&](std::size_t index) {
        return WholeNumberOf(weights[index].Edit->Text, weights[index].Edit->Caption);
    };
    result.GuideCostWeight = weight(0);
    result.PadCostWeight = weight(1);
    result.ConnectionLengthCostWeight = weight(2);
    result.CrossOverCostWeight = weight(3);
    result.DirectionCostWeight = weight(4);
    result.StrictFloorPlanning = dialog.StrictFloorPlanning_CheckBox->GetChecked();
    result.TreeBasedRooms = dialog.TreeBasedRooms_CheckBox->GetChecked();
    result.DoPrePasses = dialog.DoPrePasses_CheckBox->GetChecked();
    result.FixedNetTopology = dialog.FixedNetTopology_CheckBox->GetChecked();
    result.ClusterScoreThreshold =
        WholeNumberOf(dialog.ClusterScoreThreshold_Edit->Text, dialog.ClusterScoreThreshold_Edit->Caption);
    TPcbBoard board(dialog.Context.Board);
    board.Sync(PCB_READ);
    // An empty or unreadable grid would give the engines a grid of 0; the run keeps its grid then.
    if (const int32_t grid = GridOf(dialog.GridSize_Edit->Text, board.Imperial); grid > 0) {
        result.GridSize = grid;
    }
    auto nets = dialog.PowerNetList();
    options = result;
    powerNets = std::move(*nets);
}

bool ShowPlacerSetupDialog(TPlacerOptions& options, TPlacementContext& context) {
    if (context.PowerNets == nullptr) {
        throw std::invalid_argument("The setup dialog needs the run's power-net list");
    }
    TPlacerSetupDialog dialog(options, context);
    if (dialog.ShowModal() != sdk::kModalOk) {
        return false;
    }
    ApplySetupDialog(dialog, options, *context.PowerNets);
    return true;
}

}  // namespace autoplacer
