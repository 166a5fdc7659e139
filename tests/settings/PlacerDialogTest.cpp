// The setup dialog "AutoPlacer": what a first use and stored values show, the
// weights' edits and track bars, moving power nets, "Defaults", what "Place"
// stores, and how the dialog becomes the run's options.
#include <string>
#include <vector>

#include "settings/DialogFixture.h"
#include "app/TerminalDialogHost.h"
#include "host/PcbUnits.h"
#include "settings/PlacerDialog.h"
#include "settings/WholeNumbers.h"

namespace autoplacer::test {
namespace {

class SetupDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        for (const char* name : {"GND", "N1", "VCC", "N2", "3V3"}) {
            nets.push_back(board->AddNet(name).Handle());
        }
        powerNets = TFastListOf<PcbHandle>{nets[2], nets[0]};  // VCC, GND
        context.Board = BoardHandle();
        context.PowerNets = &powerNets;
    }

    static std::vector<std::string> Texts(const ui::TListBox& list) {
        std::vector<std::string> texts;
        for (int32_t i = 0; i < list.Count(); ++i) {
            texts.push_back(list.Item(i).Text);
        }
        return texts;
    }

    std::vector<PcbHandle> nets;
    TFastListOf<PcbHandle> powerNets;
    TPlacementContext context;
    TPlacerOptions options;
};

using Names = std::vector<std::string>;

TEST_F(SetupDialog, FirstUseShowsTheFormsOwnValues) {
    TPlacerSetupDialog dialog(options, context);
    EXPECT_EQ(dialog.Caption, "AutoPlacer");
    EXPECT_EQ(dialog.Form_PageControl->ActivePage(), dialog.Options_TabSheet);
    EXPECT_EQ(dialog.GridSize_Edit->Text, "");
    EXPECT_EQ(dialog.ClusterScoreThreshold_Edit->Text, "85");
    for (const ui::TCheckBox* box : {dialog.DoPrePasses_CheckBox, dialog.FixedNetTopology_CheckBox,
                                     dialog.StrictFloorPlanning_CheckBox, dialog.TreeBasedRooms_CheckBox}) {
        EXPECT_FALSE(box->GetChecked()) << box->Name;
    }
    for (const auto& weight : dialog.WeightControls()) {
        EXPECT_EQ(weight.Edit->Text, "0") << weight.Edit->Name;
        EXPECT_EQ(weight.TrackBar->Position(), 0);
        EXPECT_EQ(weight.TrackBar->GetMin(), 0);
        EXPECT_EQ(weight.TrackBar->GetMax(), 15);
    }
    // Other nets in the board's order, the power nets in the context's order.
    EXPECT_EQ(Texts(*dialog.AllOtherNets_ListBox), (Names{"N1", "N2", "3V3"}));
    EXPECT_EQ(Texts(*dialog.PowerNets_ListBox), (Names{"VCC", "GND"}));
    EXPECT_EQ(dialog.PowerNets_ListBox->Item(0).Data, nets[2]);
}

TEST_F(SetupDialog, StoredWeightsMoveTheTrackBarsWithinTheirRange) {
    TPlacerRegistry store(registry.get());
    store.WriteString("MaximizeKeepInRoom", "20");
    store.WriteString("OptimizePadPositions", " 7");
    store.WriteString("MinimizeConnectionLength", "-3");
    store.WriteString("MinimizeCrossOvers", "abc");
    {
        TPlacerSetupDialog dialog(options, context);
        EXPECT_EQ(dialog.GuideCostWeight_TrackBar->Position(), 15);
        EXPECT_EQ(dialog.GuideCostWeight_Edit->Text, "15");
        EXPECT_EQ(dialog.PadCostWeight_TrackBar->Position(), 7);
        EXPECT_EQ(dialog.PadCostWeight_Edit->Text, "7");
        EXPECT_EQ(dialog.ConnectionLengthCostWeight_TrackBar->Position(), 0);
        EXPECT_EQ(dialog.ConnectionLengthCostWeight_Edit->Text, "0");
        EXPECT_EQ(dialog.CrossOverCostWeight_TrackBar->Position(), 0);  // not a number: bar stays
        EXPECT_EQ(dialog.CrossOverCostWeight_Edit->Text, "abc");
        EXPECT_EQ(dialog.DirectionCostWeight_Edit->Text, "0");  // nothing stored
        Answer("AutoPlacer=Place");
        EXPECT_EQ(dialog.ShowModal(), sdk::kModalOk);
    }
    EXPECT_EQ(StoredString("MaximizeKeepInRoom"), "15");  // rewritten
    EXPECT_EQ(StoredString("OptimizePadPositions"), "7");
    EXPECT_EQ(StoredString("MinimizeCrossOvers"), "abc");
    EXPECT_EQ(StoredString("OptimizeDirections"), "0");
}

TEST_F(SetupDialog, WeightEditsAndTrackBarsKeepInStep) {
    TPlacerSetupDialog dialog(options, context);
    Answer("AutoPlacer: select Form_PageControl Costs");
    Answer("AutoPlacer.GuideCostWeight_TrackBar=9");
    Answer("AutoPlacer.Optimize Pad Positions=12");
    Answer("AutoPlacer.ConnectionLengthCostWeight_Edit=40");
    Answer("AutoPlacer.CrossOverCostWeight_TrackBar=15");
    Answer("AutoPlacer.CrossOverCostWeight_Edit=99");  // the bar stands at 15 already
    Answer("AutoPlacer.DirectionCostWeight_TrackBar=3");
    Answer("AutoPlacer.DirectionCostWeight_Edit=x");
    Answer("AutoPlacer=Cancel");
    dialog.ShowModal();
    ExpectAllAnswersUsed();
    EXPECT_EQ(dialog.GuideCostWeight_Edit->Text, "9");
    EXPECT_EQ(dialog.PadCostWeight_TrackBar->Position(), 12);
    EXPECT_EQ(dialog.ConnectionLengthCostWeight_TrackBar->Position(), 15);
    EXPECT_EQ(dialog.ConnectionLengthCostWeight_Edit->Text, "15");
    EXPECT_EQ(dialog.CrossOverCostWeight_Edit->Text, "15");
    EXPECT_EQ(dialog.DirectionCostWeight_TrackBar->Position(), 3);
    EXPECT_EQ(dialog.DirectionCostWeight_Edit->Text, "x");
}

TEST_F(SetupDialog, NetsMoveByButtonsDoubleClicksAndDrops) {
    TPlacerSetupDialog dialog(options, context);
    Answer("AutoPlacer: select Form_PageControl \"Power Nets\"");
    Answer("AutoPlacer: click AddPowerNet_Button");               // nothing selected: nothing moves
    Answer("AutoPlacer: select \"Other Nets\" N2");
    Answer("AutoPlacer: click >>");
    Answer("AutoPlacer: double AllOtherNets_ListBox 3V3");
    Answer("AutoPlacer: drag PowerNets_ListBox VCC AllOtherNets_ListBox");
    Answer("AutoPlacer: drag PowerNets_ListBox 0 PowerNets_ListBox");  // a list takes no drops from itself
    Answer("AutoPlacer: double PowerNets_ListBox N2");
    Answer("AutoPlacer=Cancel");
    dialog.ShowModal();
    EXPECT_EQ(Texts(*dialog.AllOtherNets_ListBox), (Names{"N1", "VCC", "N2"}));
    EXPECT_EQ(Texts(*dialog.PowerNets_ListBox), (Names{"GND", "3V3"}));
    const auto list = dialog.PowerNetList();
    EXPECT_EQ(list->Data(), (std::vector<PcbHandle>{nets[0], nets[4]}));
    EXPECT_NE(notices.str().find("PowerNets_ListBox 0 PowerNets_ListBox"), std::string::npos);
}

TEST_F(SetupDialog, DefaultsResetTheControlsAndRefillTheNetLists) {
    board->imperial = false;
    TPlacerSetupDialog dialog(options, context);
    Answer("AutoPlacer: select Form_PageControl \"Power Nets\"");
    for (int i = 0; i < 3; ++i) {
        Answer("AutoPlacer: double AllOtherNets_ListBox 0");
    }
    Answer("AutoPlacer: select Form_PageControl Options");
    Answer("AutoPlacer.Fixed Net Topology=0");
    Answer("AutoPlacer.Strict Floorplanning=1");
    Answer("AutoPlacer.ClusterScoreThreshold_Edit=60");
    Answer("AutoPlacer=Cancel");
    dialog.ShowModal();
    ASSERT_EQ(dialog.AllOtherNets_ListBox->Count(), 0);
    ASSERT_EQ(Texts(*dialog.PowerNets_ListBox), (Names{"VCC", "GND", "N1", "N2", "3V3"}));

    Answer("AutoPlacer: click Defaults");
    Answer("AutoPlacer=Cancel");
    dialog.ShowModal();
    ExpectAllAnswersUsed();
    EXPECT_EQ(Texts(*dialog.AllOtherNets_ListBox), (Names{"N1", "N2", "3V3"}));
    EXPECT_EQ(Texts(*dialog.PowerNets_ListBox), (Names{"VCC", "GND"}));
    EXPECT_EQ(dialog.GridSize_Edit->Text, "1.27mm");
    EXPECT_EQ(dialog.ClusterScoreThreshold_Edit->Text, "85");
    EXPECT_FALSE(dialog.StrictFloorPlanning_CheckBox->GetChecked());
    EXPECT_TRUE(dialog.FixedNetTopology_CheckBox->GetChecked());
    EXPECT_FALSE(dialog.TreeBasedRooms_CheckBox->GetChecked());
    EXPECT_TRUE(dialog.DoPrePasses_CheckBox->GetChecked());
    for (const auto& weight : dialog.WeightControls()) {
        EXPECT_EQ(weight.Edit->Text, "1");
        EXPECT_EQ(weight.TrackBar->Position(), 1);
    }
}

TEST_F(SetupDialog, PlaceStoresEveryValueAndTheNextRunShowsThem) {
    board->imperial = false;
    {
        TPlacerSetupDialog dialog(options, context);
        Answer("AutoPlacer.Grid Size=25");
        Answer("AutoPlacer.Clustering Threshold=70");
        Answer("AutoPlacer.Pre-Passes=1");
        Answer("AutoPlacer.Tree-Based Room Generation=1");
        Answer("AutoPlacer: select Form_PageControl Costs");
        Answer("AutoPlacer.Maximize Keep in Room=4");
        Answer("AutoPlacer.DirectionCostWeight_TrackBar=11");
        Answer("AutoPlacer=Place");
        EXPECT_EQ(dialog.ShowModal(), sdk::kModalOk);
        ExpectAllAnswersUsed();
    }
    EXPECT_EQ(StoredInteger("GridSize"), 9842520);  // Round(25 × 10000 / 0.0254)
    EXPECT_EQ(StoredInteger("ClusteringThreshold"), 70);
    EXPECT_EQ(StoredBool("DoPrePasses"), true);
    EXPECT_EQ(StoredBool("TreeBasedRooms"), true);
    EXPECT_EQ(StoredBool("FixedTopology"), false);
    EXPECT_EQ(StoredBool("StrictFloorPlanning"), false);
    EXPECT_EQ(StoredString("MaximizeKeepInRoom"), "4");
    EXPECT_EQ(StoredString("OptimizeDirections"), "11");

    OpenRegistry();
    TPlacerSetupDialog dialog(options, context);
    EXPECT_EQ(dialog.GridSize_Edit->Text, "25mm");
    EXPECT_EQ(dialog.ClusterScoreThreshold_Edit->Text, "70");
    EXPECT_TRUE(dialog.DoPrePasses_CheckBox->GetChecked());
    EXPECT_TRUE(dialog.TreeBasedRooms_CheckBox->GetChecked());
    EXPECT_FALSE(dialog.FixedNetTopology_CheckBox->GetChecked());
    EXPECT_EQ(dialog.GuideCostWeight_TrackBar->Position(), 4);
    EXPECT_EQ(dialog.DirectionCostWeight_Edit->Text, "11");
}

TEST_F(SetupDialog, CancelStoresNothingAndKeepsTheRunsOptions) {
    Answer("AutoPlacer.Grid Size=25");
    Answer("AutoPlacer.Pre-Passes=1");
    Answer("AutoPlacer=Cancel");
    const TPlacerOptions before = options;
    EXPECT_FALSE(ShowPlacerSetupDialog(options, context));
    EXPECT_EQ(options, before);
    EXPECT_FALSE(std::filesystem::exists(folder / "registry.json"));
}

TEST_F(SetupDialog, AThresholdThatIsNotAWholeNumberEndsPlaceAfterTheWeights) {
    TPlacerSetupDialog dialog(options, context);
    Answer("AutoPlacer.Clustering Threshold=8.5");
    Answer("AutoPlacer.Grid Size=20mil");
    Answer("AutoPlacer=Place");
    EXPECT_THROW(dialog.ShowModal(), TSettingsConversionError);
    EXPECT_EQ(StoredBool("DoPrePasses"), false);
    EXPECT_EQ(StoredString("OptimizeDirections"), "0");
    EXPECT_FALSE(registry->ValueExists(kPlacerRegistryKey, "ClusteringThreshold"));
    EXPECT_FALSE(registry->ValueExists(kPlacerRegistryKey, "GridSize"));
}

TEST_F(SetupDialog, PlaceBecomesTheRunsOptionsAndPowerNets) {
    board->imperial = false;
    Answer("AutoPlacer.Grid Size=25mil");
    Answer("AutoPlacer.Clustering Threshold= 90 ");
    Answer("AutoPlacer.Strict Floorplanning=1");
    Answer("AutoPlacer.Fixed Net Topology=1");
    Answer("AutoPlacer: select Form_PageControl Costs");
    Answer("AutoPlacer.GuideCostWeight_TrackBar=2");
    Answer("AutoPlacer.PadCostWeight_TrackBar=3");
    Answer("AutoPlacer.ConnectionLengthCostWeight_TrackBar=4");
    Answer("AutoPlacer.CrossOverCostWeight_TrackBar=5");
    Answer("AutoPlacer.DirectionCostWeight_TrackBar=6");
    Answer("AutoPlacer: select Form_PageControl \"Power Nets\"");
    Answer("AutoPlacer: drag AllOtherNets_ListBox N1 PowerNets_ListBox");
    Answer("AutoPlacer=Place");
    ASSERT_TRUE(ShowPlacerSetupDialog(options, context));
    ExpectAllAnswersUsed();
    EXPECT_EQ(options.GridSize, 250000);  // 25 mil although the board shows millimetres
    EXPECT_EQ(options.ClusterScoreThreshold, 90);
    EXPECT_EQ(options.GuideCostWeight, 2);
    EXPECT_EQ(options.PadCostWeight, 3);
    EXPECT_EQ(options.ConnectionLengthCostWeight, 4);
    EXPECT_EQ(options.CrossOverCostWeight, 5);
    EXPECT_EQ(options.DirectionCostWeight, 6);
    EXPECT_TRUE(options.StrictFloorPlanning);
    EXPECT_TRUE(options.FixedNetTopology);
    EXPECT_FALSE(options.TreeBasedRooms);
    EXPECT_FALSE(options.DoPrePasses);
    EXPECT_EQ(powerNets.Data(), (std::vector<PcbHandle>{nets[2], nets[0], nets[1]}));
}

TEST_F(SetupDialog, AnEmptyGridKeepsTheRunsGrid) {
    TPlacerSetupDialog dialog(options, context);  // first use: the grid edit is empty
    Answer("AutoPlacer=Place");
    ASSERT_EQ(dialog.ShowModal(), sdk::kModalOk);
    EXPECT_EQ(StoredInteger("GridSize"), 0);
    ApplySetupDialog(dialog, options, powerNets);
    EXPECT_EQ(options.GridSize, 500000);
    EXPECT_EQ(options.GuideCostWeight, 0);
}

TEST_F(SetupDialog, ANonNumericWeightEndsWithAnErrorAndChangesNothing) {
    hostpcb::BoardBuilder(*board).Chip("R1", "0603", {1000000, 1000000});
    board->componentGrid = 50000;
    Answer("AutoPlacer: select Form_PageControl Costs");
    Answer("AutoPlacer.GuideCostWeight_Edit=3");
    Answer("AutoPlacer.PadCostWeight_Edit=two");
    Answer("AutoPlacer: select Form_PageControl \"Power Nets\"");
    Answer("AutoPlacer: double PowerNets_ListBox VCC");
    Answer("AutoPlacer=Place");
    const TPlacerOptions before = options;
    const auto netsBefore = powerNets.Data();
    try {
        ShowPlacerSetupDialog(options, context);
        ADD_FAILURE() << "a weight of \"two\" was taken";
    } catch (const TSettingsConversionError& error) {
        EXPECT_NE(std::string(error.what()).find("Optimize Pad Positions"), std::string::npos) << error.what();
    }
    ExpectAllAnswersUsed();
    EXPECT_EQ(StoredString("OptimizePadPositions"), "two");  // stored as typed
    EXPECT_EQ(options, before);
    EXPECT_EQ(powerNets.Data(), netsBefore);
    const hostpcb::Component* r1 = board->FindComponent("R1");
    EXPECT_EQ(r1->Position().x, 1000000);
    EXPECT_EQ(board->componentGrid, 50000.0);
}

TEST_F(SetupDialog, ThePagesCanBeReachedFromTheTerminal) {
    TerminalInput input;
    std::ostringstream out;
    app::TerminalDialogHost terminal(input.ReadEnd(), out);
    client.SetDialogHost(&terminal);
    TPlacerSetupDialog dialog(options, context);
    input.Type("set GuideCostWeight_Edit 5\nselect Form_PageControl Costs\nset GuideCostWeight_Edit 5\n"
               "set \"Form_PageControl\" \"Power Nets\"\ndouble \"Other Nets\" 3V3\nclick Place\n");
    ASSERT_EQ(dialog.ShowModal(), sdk::kModalOk);
    EXPECT_NE(out.str().find("\"GuideCostWeight_Edit\" is hidden"), std::string::npos) << out.str();
    EXPECT_EQ(dialog.GuideCostWeight_TrackBar->Position(), 5);
    EXPECT_EQ(Texts(*dialog.PowerNets_ListBox), (Names{"VCC", "GND", "3V3"}));
    EXPECT_NE(out.str().find("Maximize Keep in Room: [5]"), std::string::npos) << out.str();
    EXPECT_EQ(StoredString("MaximizeKeepInRoom"), "5");
}

TEST(WholeNumbers, TakeOnlyDecimalIntegersWithin32Bits) {
    EXPECT_EQ(ParseWholeNumber(" 42 "), 42);
    EXPECT_EQ(ParseWholeNumber("+7"), 7);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), INT32_MIN);
    for (const char* text : {"", " ", "4.0", "1e3", "0x10", "12a", "+-3", "2147483648", "--1", "+"}) {
        EXPECT_FALSE(ParseWholeNumber(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace autoplacer::test
