// The "Align Components" dialog and the command behind it, driven through the
// application's scripted presenter: what the form shows, what OK stores on the
// board, and how the selection is lined up as one modification.
#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>

#include "EditingFixture.h"
#include "editing/AlignDialog.h"
#include "editing/ComponentAlignment.h"
#include "hostpcb/PcbServer.h"
#include "model/ClusterAlignment.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::test {
namespace {

using AlignDialog = EditingTest;

struct TLayout {
    const char* Name;
    const char* Parent;
    int32_t Left, Top, Width, Height;
};

TEST_F(AlignDialog, EveryControlHasItsCaptionPlaceAndParent) {
    TAutoPlacerAlignComponentsDialog dialog(board->Handle(), false, kAlignNoChange, kAlignNoChange);
    EXPECT_EQ(dialog.Caption, "Align Components");
    EXPECT_EQ(dialog.ClientWidth, 296);
    EXPECT_EQ(dialog.ClientHeight, 270);
    EXPECT_TRUE(dialog.CentredOnScreen);
    EXPECT_TRUE(dialog.FixedBorder);
    const std::array<TLayout, 8> layout = {{
        {"OK", "", 130, 240, 75, 24},
        {"Cancel", "", 210, 240, 75, 24},
        {"Frame_Panel", "", 8, 8, 277, 225},
        {"RadioGroupHorizontalAlignment", "Frame_Panel", 10, 6, 124, 158},
        {"RadioGroupVerticalAlignment", "Frame_Panel", 140, 6, 124, 158},
        {"Grid_GroupBox", "Frame_Panel", 11, 171, 253, 40},
        {"MoveComponentsToGrid", "Grid_GroupBox", 14, 11, 146, 20},
        {"GridSize_Edit", "Grid_GroupBox", 163, 10, 54, 21},
    }};
    for (const TLayout& expected : layout) {
        const ui::TControl* control = dialog.Find(expected.Name);
        ASSERT_NE(control, nullptr) << expected.Name;
        EXPECT_EQ(control->Left, expected.Left) << expected.Name;
        EXPECT_EQ(control->Top, expected.Top) << expected.Name;
        EXPECT_EQ(control->Width, expected.Width) << expected.Name;
        EXPECT_EQ(control->Height, expected.Height) << expected.Name;
        EXPECT_EQ(control->Parent() == nullptr ? std::string() : control->Parent()->Name, expected.Parent)
            << expected.Name;
    }
    EXPECT_EQ(dialog.OK->ModalResult, sdk::kModalOk);
    EXPECT_EQ(dialog.Cancel->ModalResult, sdk::kModalCancel);
    EXPECT_EQ(dialog.RadioGroupHorizontalAlignment->Caption, " Horizontal ");
    EXPECT_EQ(dialog.RadioGroupVerticalAlignment->Caption, " Vertical ");
    EXPECT_EQ(dialog.RadioGroupHorizontalAlignment->Items,
              (std::vector<std::string>{"No Change", "Centre", "Right", "Distribute equally"}));
    EXPECT_EQ(dialog.RadioGroupVerticalAlignment->Items,
              (std::vector<std::string>{"No change", "Center", "Bottom", "Distribute equally"}));
    EXPECT_EQ(dialog.MoveComponentsToGrid->Caption, "&Move components to grid");
}

TEST_F(AlignDialog, LoadShowsTheModesAndTheBoardsGridInItsUnit) {
    board->componentGrid = 500000;
    TAutoPlacerAlignComponentsDialog dialog(board->Handle(), true, kAlignBottom, kAlignDistribute);
    dialog.LoadControls();
    EXPECT_EQ(dialog.RadioGroupHorizontalAlignment->GetItemIndex(), 3);
    EXPECT_EQ(dialog.RadioGroupVerticalAlignment->GetItemIndex(), 2);
    EXPECT_TRUE(dialog.MoveComponentsToGrid->GetChecked());
    EXPECT_EQ(dialog.GridSize_Edit->Text, "50mil");

    // Modes a group does not offer select its first item; a metric board shows millimetres.
    board->imperial = false;
    board->componentGrid = 499999.6;
    TAutoPlacerAlignComponentsDialog other(board->Handle(), false, kAlignTop, kAlignLeft);
    other.LoadControls();
    EXPECT_EQ(other.RadioGroupHorizontalAlignment->GetItemIndex(), 0);
    EXPECT_EQ(other.RadioGroupVerticalAlignment->GetItemIndex(), 0);
    EXPECT_EQ(other.GridSize_Edit->Text, "1.27mm");
}

TEST_F(AlignDialog, OkStoresTheModesAndWritesTheGridToTheBoard) {
    board->componentGrid = 500000;
    uint8_t horizontal = kAlignNoChange;
    uint8_t vertical = kAlignNoChange;
    bool toGrid = false;
    presenter.OnPresent = [&](sdk::IDialogForm& form) {
        EXPECT_EQ(std::string(form.GetName()), "AutoPlacerAlignComponentsDialog");
        EXPECT_STREQ(form.FindControl("GridSize_Edit")->GetText(), "50mil");
    };
    Answer("Align Components.RadioGroupHorizontalAlignment=Right");
    Answer("Align Components.RadioGroupVerticalAlignment=Center");
    Answer("Align Components.MoveComponentsToGrid=1");
    Answer("Align Components.GridSize_Edit=25mil");
    Answer("Align Components=OK");
    ASSERT_TRUE(AskAlignment(board->Handle(), horizontal, vertical, toGrid));
    ExpectAllAnswersUsed();
    EXPECT_EQ(horizontal, kAlignRight);
    EXPECT_EQ(vertical, kAlignCentre);
    EXPECT_TRUE(toGrid);
    EXPECT_DOUBLE_EQ(board->componentGrid, 250000);
    EXPECT_TRUE(board->imperial);

    // A text without a unit is read in the board's unit; the board keeps its unit.
    presenter.OnPresent = nullptr;
    board->imperial = false;
    Answer("Align Components.RadioGroupHorizontalAlignment=3");
    Answer("Align Components.RadioGroupVerticalAlignment=Bottom");
    Answer("Align Components.GridSize_Edit=1.27");
    Answer("Align Components.MoveComponentsToGrid=1");
    Answer("Align Components=OK");
    ASSERT_TRUE(AskAlignment(board->Handle(), horizontal, vertical, toGrid));
    EXPECT_EQ(horizontal, kAlignDistribute);
    EXPECT_EQ(vertical, kAlignBottom);
    EXPECT_DOUBLE_EQ(board->componentGrid, 500000);
    EXPECT_FALSE(board->imperial);
}

TEST_F(AlignDialog, TheGridIsWrittenOnlyWithTheBoxTickedAndOk) {
    board->componentGrid = 500000;
    uint8_t horizontal = kAlignRight;
    uint8_t vertical = kAlignBottom;
    bool toGrid = true;
    Answer("Align Components.GridSize_Edit=10mil");
    Answer("Align Components=Cancel");
    EXPECT_FALSE(AskAlignment(board->Handle(), horizontal, vertical, toGrid));
    EXPECT_EQ(horizontal, kAlignRight);  // untouched on Cancel
    EXPECT_TRUE(toGrid);
    EXPECT_DOUBLE_EQ(board->componentGrid, 500000);

    Answer("Align Components.MoveComponentsToGrid=0");
    Answer("Align Components.GridSize_Edit=10mil");
    Answer("Align Components=OK");
    EXPECT_TRUE(AskAlignment(board->Handle(), horizontal, vertical, toGrid));
    EXPECT_FALSE(toGrid);
    EXPECT_DOUBLE_EQ(board->componentGrid, 500000);
}

// The selection of three parts that the command tests align.
class AlignCommand : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        Block("A", 1100, 1000, 40, 20);
        Block("B", 1300, 1200, 60, 30);
        Block("C", 1212, 1512, 20, 50);
        Block("D", 2000, 2000, 20, 20);  // not selected
        Select({"A", "B", "C"});
        board->componentGrid = 500000;
    }

    // The components announced in the board's undo brackets.
    std::set<PcbHandle> Announced() const {
        std::set<PcbHandle> handles;
        for (const hostpcb::BoardMessage& m : board->Messages().All()) {
            if (m.code == hostpcb::kMessageObjectAboutToChange) {
                handles.insert(m.object);
            }
        }
        return handles;
    }

    hostpcb::Point DPosition() { return Position("D"); }
};

TEST_F(AlignCommand, RightAndBottomAsOneModificationOfTheSelection) {
    Answer("Align Components.RadioGroupHorizontalAlignment=Right");
    Answer("Align Components.RadioGroupVerticalAlignment=Bottom");
    Answer("Align Components=OK");
    AlignSelection(board->Handle());
    ExpectAllAnswersUsed();
    for (const char* part : {"A", "B", "C"}) {
        EXPECT_EQ(Box(part).x2, Mil(1330)) << part;
        EXPECT_EQ(Box(part).y1, Mil(990)) << part;
        EXPECT_FALSE(Part(part).display.hidden) << part;
    }
    EXPECT_EQ(DPosition(), (hostpcb::Point{Mil(2000), Mil(2000)}));
    EXPECT_EQ(board->Messages().ClosedBrackets(), 1u);
    EXPECT_EQ(board->Messages().Depth(), 0);
    EXPECT_EQ(Announced(), (std::set<PcbHandle>{Handle("A"), Handle("B"), Handle("C")}));

    // The one bracket undoes the whole alignment.
    ASSERT_TRUE(board->Messages().Undo());
    EXPECT_EQ(Position("A"), (hostpcb::Point{Mil(1100), Mil(1000)}));
    EXPECT_EQ(Position("C"), (hostpcb::Point{Mil(1212), Mil(1512)}));
}

TEST_F(AlignCommand, DistributeAndSnapToTheGridTypedInTheDialog) {
    Answer("Align Components.RadioGroupHorizontalAlignment=Distribute equally");
    Answer("Align Components.Move components to grid=1");  // the caption without "&"
    Answer("Align Components.GridSize_Edit=25mil");
    Answer("Align Components=OK");
    AlignSelection(board->Handle());
    EXPECT_DOUBLE_EQ(board->componentGrid, 250000);
    // Columns from 1080 one gap apart (gap (250 - 120) div 2 = 65) put the
    // centres on 1165, 1260 and 1365; then every reference point goes to the
    // nearer 25 mil line (1512 down to 1500).
    EXPECT_EQ(Position("A"), (hostpcb::Point{Mil(1175), Mil(1000)}));
    EXPECT_EQ(Position("C"), (hostpcb::Point{Mil(1250), Mil(1500)}));
    EXPECT_EQ(Position("B"), (hostpcb::Point{Mil(1375), Mil(1200)}));
    EXPECT_EQ(DPosition(), (hostpcb::Point{Mil(2000), Mil(2000)}));
}

TEST_F(AlignCommand, CancelLeavesTheBoardAlone) {
    Answer("Align Components.RadioGroupHorizontalAlignment=Right");
    Answer("Align Components=Cancel");
    AlignSelection(board->Handle());
    EXPECT_EQ(Position("A"), (hostpcb::Point{Mil(1100), Mil(1000)}));
    EXPECT_TRUE(board->Messages().All().empty());
}

TEST_F(AlignCommand, LockedComponentsAreAlignedOnlyAfterYes) {
    // Without locked parts nothing is asked.
    Answer("Align Components=OK");  // both groups on "No Change"
    AlignSelection(board->Handle());
    ASSERT_EQ(presenter.History().size(), 1u);
    EXPECT_EQ(Position("A"), (hostpcb::Point{Mil(1100), Mil(1000)}));
    EXPECT_EQ(board->Messages().ClosedBrackets(), 1u);
    board->Messages().Clear();

    Lock("B");
    Answer("Align Components.RadioGroupHorizontalAlignment=Right");
    Answer("Align Components=OK");
    Answer("Confirm=No");
    AlignSelection(board->Handle());
    ExpectAllAnswersUsed();
    EXPECT_EQ(Position("A"), (hostpcb::Point{Mil(1100), Mil(1000)}));
    EXPECT_TRUE(board->Messages().All().empty());
    const auto& history = presenter.History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[2].Caption, "Confirm");
    EXPECT_EQ(history[2].Text, "The selection contains locked components. Continue?");

    Answer("Align Components.RadioGroupHorizontalAlignment=Right");
    Answer("Align Components=OK");
    Answer("Confirm=Yes");
    AlignSelection(board->Handle());
    EXPECT_EQ(Box("A").x2, Mil(1330));
    EXPECT_EQ(Box("C").x2, Mil(1330));
    EXPECT_EQ(Announced(), (std::set<PcbHandle>{Handle("A"), Handle("B"), Handle("C")}));
}

TEST_F(AlignCommand, TheCommandAlignsTheCurrentBoardsSelection) {
    sdk::IServerModule* module = nullptr;
    ASSERT_EQ(ServerFactory(&client, &module), sdk::kResultOk);
    std::array<char, 256> buffer{};
    Answer("Align Components.RadioGroupHorizontalAlignment=Centre");
    Answer("Align Components=OK");
    EXPECT_EQ(module->GetCommandLauncher()->LaunchCommand("AlignComponents", buffer.data(),
                                                          static_cast<int32_t>(buffer.size()), nullptr),
              sdk::kResultOk);
    // The selection's extent is 1080..1330: every centre on 1205.
    for (const char* part : {"A", "B", "C"}) {
        EXPECT_DOUBLE_EQ(CentreX(part), 1205) << part;
    }

    hostpcb::Host::Instance().SetCurrentBoard(nullptr);
    module->GetCommandLauncher()->LaunchCommand("AlignComponents", buffer.data(),
                                                static_cast<int32_t>(buffer.size()), nullptr);
    ASSERT_FALSE(presenter.History().empty());
    EXPECT_EQ(presenter.History().back().Caption, "Error");
    EXPECT_EQ(presenter.History().back().Text, "No board is open");
    module->Release();
}

}  // namespace
}  // namespace autoplacer::test
