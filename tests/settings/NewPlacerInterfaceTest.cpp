// The placer choice dialog "Auto Place": what it shows from the board and the
// registry, what OK stores on the board and in the registry for either placer,
// what Cancel leaves alone, and its help button.
#include <string>

#include "settings/DialogFixture.h"
#include "app/TerminalDialogHost.h"
#include "settings/NewPlacerInterface.h"

namespace autoplacer::test {
namespace {

using PlacerChoice = DialogTest;

TEST_F(PlacerChoice, FirstUseOffersTheStatisticalPlacerWithTheBoardsOptions) {
    board->componentGrid = 250000;
    board->placerOptions.powerNets = "VCC 3V3";
    board->placerOptions.groundNets = "GND";
    board->placerOptions.groupComponents = true;
    board->placerOptions.rotateComponents = false;
    TNewPlacerInterface_Form form(BoardHandle());
    presenter.OnPresent = [&](sdk::IDialogForm&) {
        EXPECT_TRUE(form.UseGlobalPlacer_RadioButton->GetChecked());
        EXPECT_FALSE(form.UseNewAutoPlacer_RadioButton->GetChecked());
        EXPECT_TRUE(form.GlobalPlacerPanel->IsVisible());
        EXPECT_TRUE(form.GlobalDescription_GroupBox->IsVisible());
        EXPECT_FALSE(form.NewPlacerPanel->IsVisible());
        EXPECT_FALSE(form.Description_GroupBox->IsVisible());
        EXPECT_EQ(form.ActiveControl, form.PowerNets_Edit);
        EXPECT_EQ(form.GridSize_Edit->Text, "25mil");
        EXPECT_EQ(form.PowerNets_Edit->Text, "VCC 3V3");
        EXPECT_EQ(form.GroundNets_Edit->Text, "GND");
        EXPECT_TRUE(form.GroupComponents_CheckBox->GetChecked());
        EXPECT_FALSE(form.RotateComponents_CheckBox->GetChecked());
        EXPECT_FALSE(form.AutomaticUpdate_CheckBox->GetChecked());
        EXPECT_FALSE(form.QuickPlace_CheckBox->GetChecked());
    };
    Answer("Auto Place=Cancel");
    EXPECT_EQ(form.ShowModal(), sdk::kModalCancel);
    ExpectAllAnswersUsed();
}

TEST_F(PlacerChoice, StoredChoiceOpensOnTheClusterPlacer) {
    TPlacerRegistry store(registry.get());
    store.WriteString("PlacerToUse", "  nEw ");
    store.WriteBool("StrictFloorPlanning", true);
    TNewPlacerInterface_Form form(BoardHandle());
    presenter.OnPresent = [&](sdk::IDialogForm&) {
        EXPECT_TRUE(form.ClusterPlacerSelected());
        EXPECT_FALSE(form.UseGlobalPlacer_RadioButton->GetChecked());
        EXPECT_TRUE(form.NewPlacerPanel->IsVisible());
        EXPECT_TRUE(form.Description_GroupBox->IsVisible());
        EXPECT_FALSE(form.GlobalPlacerPanel->IsVisible());
        EXPECT_FALSE(form.GlobalDescription_GroupBox->IsVisible());
        EXPECT_EQ(form.ActiveControl, form.QuickPlace_CheckBox);
        EXPECT_TRUE(form.QuickPlace_CheckBox->GetChecked());
    };
    Answer("Auto Place=OK");
    EXPECT_EQ(form.ShowModal(), sdk::kModalOk);
    EXPECT_TRUE(form.ClusterPlacerSelected());
    EXPECT_TRUE(form.QuickPlacement());
    EXPECT_EQ(StoredString("PlacerToUse"), "New");
}

TEST_F(PlacerChoice, AnUnknownStoredChoiceChangesNothing) {
    TPlacerRegistry(registry.get()).WriteString("PlacerToUse", "Cluster");
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place=Cancel");
    form.ShowModal();
    EXPECT_TRUE(form.UseGlobalPlacer_RadioButton->GetChecked());
    EXPECT_EQ(StoredString("PlacerToUse"), "Cluster");  // Cancel writes nothing
}

TEST_F(PlacerChoice, OkWithTheStatisticalPlacerStoresGlobalTheGridAndTheTexts) {
    board->placerOptions.flag2 = 7;
    board->placerOptions.flag3 = 9;
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place.Grid Size=25");
    Answer("Auto Place.PowerNets_Edit=VCC");
    Answer("Auto Place.GroundNets_Edit=GND AGND");
    Answer("Auto Place.GroupComponents_CheckBox=0");
    Answer("Auto Place.RotateComponents_CheckBox=1");
    Answer("Auto Place.AutomaticUpdate_CheckBox=1");
    Answer("Auto Place=OK");
    ASSERT_EQ(form.ShowModal(), sdk::kModalOk);
    ExpectAllAnswersUsed();

    EXPECT_FALSE(form.ClusterPlacerSelected());
    EXPECT_TRUE(form.AutomaticUpdate());
    EXPECT_EQ(board->componentGrid, 250000.0);  // 25 in the board's unit, mils
    EXPECT_TRUE(board->imperial);
    EXPECT_EQ(board->placerOptions.powerNets, "VCC");
    EXPECT_EQ(board->placerOptions.groundNets, "GND AGND");
    EXPECT_FALSE(board->placerOptions.groupComponents);
    EXPECT_TRUE(board->placerOptions.rotateComponents);
    EXPECT_EQ(board->placerOptions.flag2, 7);  // the flags the dialog does not show stay
    EXPECT_EQ(board->placerOptions.flag3, 9);
    EXPECT_EQ(StoredString("PlacerToUse"), "Global");
    EXPECT_EQ(StoredBool("StrictFloorPlanning"), false);
}

TEST_F(PlacerChoice, OkWithTheClusterPlacerStillWritesTheGridAndTheStatisticalOptions) {
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place.Grid Size=12.5mil");
    Answer("Auto Place.PowerNets_Edit=+5V");
    Answer("Auto Place: click \"Cluster Placer\"");
    Answer("Auto Place.Quick Component Placement=1");
    Answer("Auto Place=OK");
    ASSERT_EQ(form.ShowModal(), sdk::kModalOk);
    ExpectAllAnswersUsed();

    EXPECT_TRUE(form.ClusterPlacerSelected());
    EXPECT_TRUE(form.QuickPlacement());
    EXPECT_EQ(board->componentGrid, 125000.0);
    EXPECT_EQ(board->placerOptions.powerNets, "+5V");
    EXPECT_EQ(StoredString("PlacerToUse"), "New");
    EXPECT_EQ(StoredBool("StrictFloorPlanning"), true);
}

TEST_F(PlacerChoice, GridTextsWithAndWithoutUnitOnAMetricBoard) {
    board->imperial = false;
    board->componentGrid = hostpcb::MmToUnits(1.27);
    {
        TNewPlacerInterface_Form form(BoardHandle());
        presenter.OnPresent = [&](sdk::IDialogForm&) { EXPECT_EQ(form.GridSize_Edit->Text, "1.27mm"); };
        Answer("Auto Place.GridSize_Edit=25mil");
        Answer("Auto Place=OK");
        form.ShowModal();
    }
    EXPECT_EQ(board->componentGrid, 250000.0);
    EXPECT_FALSE(board->imperial);  // the text's unit does not become the board's
    presenter.OnPresent = nullptr;
    {
        TNewPlacerInterface_Form form(BoardHandle());
        Answer("Auto Place.GridSize_Edit=0.5");
        Answer("Auto Place=OK");
        form.ShowModal();
    }
    EXPECT_EQ(board->componentGrid, static_cast<double>(hostpcb::MmToUnits(0.5)));
    {
        TNewPlacerInterface_Form form(BoardHandle());
        Answer("Auto Place.GridSize_Edit=mm");  // begins with a letter: 0
        Answer("Auto Place=OK");
        form.ShowModal();
    }
    EXPECT_EQ(board->componentGrid, 0.0);
    ExpectAllAnswersUsed();
}

TEST_F(PlacerChoice, CancelLeavesTheBoardAndTheRegistryAlone) {
    board->componentGrid = 50000;
    board->placerOptions.powerNets = "VCC";
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place.GridSize_Edit=100");
    Answer("Auto Place.PowerNets_Edit=GND");
    Answer("Auto Place: click \"Cluster Placer\"");
    Answer("Auto Place=Cancel");
    EXPECT_EQ(form.ShowModal(), sdk::kModalCancel);
    EXPECT_EQ(board->componentGrid, 50000.0);
    EXPECT_EQ(board->placerOptions.powerNets, "VCC");
    EXPECT_FALSE(registry->ValueExists(kPlacerRegistryKey, "PlacerToUse"));
    EXPECT_FALSE(registry->ValueExists(kPlacerRegistryKey, "StrictFloorPlanning"));
}

TEST_F(PlacerChoice, NetTextsAreCutTo255Characters) {
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place.PowerNets_Edit=" + std::string(300, 'P'));
    Answer("Auto Place=OK");
    form.ShowModal();
    EXPECT_EQ(board->placerOptions.powerNets, std::string(255, 'P'));
}

TEST_F(PlacerChoice, TheChoiceOfOneRunIsWhatTheNextRunShows) {
    {
        TNewPlacerInterface_Form form(BoardHandle());
        Answer("Auto Place: click \"Cluster Placer\"");
        Answer("Auto Place: check QuickPlace_CheckBox");
        Answer("Auto Place=OK");
        form.ShowModal();
    }
    OpenRegistry();  // the next program run reads the file again
    TNewPlacerInterface_Form form(BoardHandle());
    Answer("Auto Place=Cancel");
    form.ShowModal();
    EXPECT_TRUE(form.ClusterPlacerSelected());
    EXPECT_TRUE(form.QuickPlacement());
    ExpectAllAnswersUsed();
}

TEST_F(PlacerChoice, HelpAsksTheHostForTheDialogsTopicAndKeepsItOpen) {
    TNewPlacerInterface_Form form(BoardHandle());
    EXPECT_EQ(form.HelpTopic(), "AutoPlace");
    Answer("Auto Place: click Help");
    Answer("Auto Place=Cancel");
    EXPECT_EQ(form.ShowModal(), sdk::kModalCancel);
    ExpectAllAnswersUsed();
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    const app::ProcessCall& call = client.GetProcessCalls()[0];
    EXPECT_EQ(call.Process, "Client:RunHelpTopic");
    EXPECT_EQ(call.Parameters, "FileName = PcbUser.hlp | Topic = AutoPlace");
    EXPECT_FALSE(call.WithView);
}

TEST_F(PlacerChoice, DrivenFromTheTerminal) {
    TerminalInput input;
    std::ostringstream out;
    app::TerminalDialogHost terminal(input.ReadEnd(), out);
    client.SetDialogHost(&terminal);
    TNewPlacerInterface_Form form(BoardHandle());
    input.Type("click \"Cluster Placer\"\nset \"Grid Size\" 10\ncheck \"Quick Component Placement\"\nclick OK\n");
    ASSERT_EQ(form.ShowModal(), sdk::kModalOk);
    EXPECT_NE(out.str().find("(*) Cluster Placer"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"GridSize_Edit\" is hidden"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("[x] Quick Component Placement"), std::string::npos) << out.str();
    EXPECT_EQ(board->componentGrid, 50000.0);  // the shown 5mil written back
    EXPECT_EQ(StoredString("PlacerToUse"), "New");
    EXPECT_EQ(StoredBool("StrictFloorPlanning"), true);
}

// A dialog with pages: the topic names the active page too.
class PagedHelpDialog final : public TDialog {
public:
    PagedHelpDialog() : TDialog("PagedHelpDialog", "  Align (Components)?  ") {
        Pages = Add<ui::TPageControl>(nullptr, "Pages");
        Add<ui::TTabSheet>(Pages, "First", "Rows");
        Add<ui::TTabSheet>(Pages, "Second", "Grid -/ Snap, $1");
        Add<ui::TButton>(nullptr, "Help_Button", "&Help");
        BindHelp();
    }
    ui::TPageControl* Pages;
};

TEST_F(PlacerChoice, HelpTopicsLeaveOutEveryListedCharacter) {
    PagedHelpDialog dialog;
    EXPECT_EQ(dialog.HelpTopic(), "AlignComponentsRows");
    dialog.Pages->SetActivePageIndex(1);
    EXPECT_EQ(dialog.HelpTopic(), "AlignComponentsGridSnap1");
    dialog.FindAs<ui::TButton>("Help_Button")->Click();
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    EXPECT_EQ(client.GetProcessCalls()[0].Parameters, "FileName = PcbUser.hlp | Topic = AlignComponentsGridSnap1");
}

}  // namespace
}  // namespace autoplacer::test
