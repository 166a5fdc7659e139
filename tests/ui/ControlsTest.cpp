// The dialog control library as the host drives it: user actions through the
// sdk interface run the controls' own handlers; programmatic changes do not.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/ScriptedDialogHost.h"
#include "plugin/Main_AutoPlacer.h"
#include "ui/Form.h"
#include "ui/MessageBoxes.h"

namespace autoplacer::ui {
namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        client.SetDialogHost(&presenter);
        Client = &client;
    }
    void TearDown() override { Client = nullptr; }

    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
    TForm form{"TestForm", "Test"};
};

TEST_F(Controls, FormOwnsControlsAndReportsParents) {
    TPanel* panel = form.Add<TPanel>(nullptr, "Frame_Panel");
    TCheckBox* box = form.Add<TCheckBox>(panel, "Box", "&Box");
    EXPECT_EQ(form.GetControlCount(), 2);
    EXPECT_EQ(form.GetControl(1), box);
    EXPECT_EQ(form.FindControl("Box"), box);
    EXPECT_EQ(form.FindControl("missing"), nullptr);
    EXPECT_EQ(box->GetParentIndex(), 0);
    EXPECT_EQ(panel->GetParentIndex(), -1);

    panel->Visible = false;
    EXPECT_FALSE(box->IsVisible());
    panel->Visible = true;
    panel->Enabled = false;
    EXPECT_FALSE(box->IsEnabled());

    TForm other{"Other", "Other"};
    EXPECT_THROW(other.Add<TLabel>(panel, "Stray", "x"), std::invalid_argument);
}

TEST_F(Controls, ButtonRunsItsHandlerThenClosesWithItsResult) {
    std::vector<std::string> events;
    TButton* place = form.Add<TButton>(nullptr, "Place_Button", "Place");
    place->ModalResult = sdk::kModalOk;
    place->OnClick = [&] {
        events.push_back("click with result " + std::to_string(form.GetModalResult()));
    };
    TButton* plain = form.Add<TButton>(nullptr, "Add_Button", ">>");
    plain->OnClick = [&] { events.push_back("add"); };

    plain->Click();
    EXPECT_EQ(form.GetModalResult(), sdk::kModalNone);
    place->Click();
    EXPECT_EQ(form.GetModalResult(), sdk::kModalOk);
    EXPECT_EQ(events, (std::vector<std::string>{"add", "click with result 0"}));

    form.SetModalResult(sdk::kModalNone);
    place->Enabled = false;
    place->Click();
    EXPECT_EQ(form.GetModalResult(), sdk::kModalNone);
}

TEST_F(Controls, BoxesRunOnClickOnlyForTheUsersChanges) {
    int clicks = 0;
    TCheckBox* box = form.Add<TCheckBox>(nullptr, "Box", "Box");
    box->OnClick = [&] { ++clicks; };
    box->SetCheckedSilently(true);
    EXPECT_EQ(clicks, 0);
    box->SetChecked(true);  // no change
    EXPECT_EQ(clicks, 0);
    box->SetChecked(false);
    box->Click();
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(box->GetChecked());
}

TEST_F(Controls, RadioButtonsExcludeTheirSiblingsOnly) {
    TPanel* left = form.Add<TPanel>(nullptr, "Left");
    TPanel* right = form.Add<TPanel>(nullptr, "Right");
    TRadioButton* a = form.Add<TRadioButton>(left, "A", "A");
    TRadioButton* b = form.Add<TRadioButton>(left, "B", "B");
    TRadioButton* c = form.Add<TRadioButton>(right, "C", "C");
    int clicks = 0;
    b->OnClick = [&] { ++clicks; };
    a->SetCheckedSilently(true);
    c->SetCheckedSilently(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->GetChecked());
    EXPECT_TRUE(b->GetChecked());
    EXPECT_TRUE(c->GetChecked());
    EXPECT_EQ(clicks, 1);
    b->SetChecked(false);  // a person cannot clear a radio button
    EXPECT_TRUE(b->GetChecked());
}

TEST_F(Controls, EditReportsChangeThenExit) {
    std::vector<std::string> events;
    TEdit* edit = form.Add<TEdit>(nullptr, "Weight_Edit");
    edit->OnChange = [&] { events.push_back("change " + edit->Text); };
    edit->OnExit = [&] { events.push_back("exit " + edit->Text); };
    edit->Text = "5";  // the plug-in's own change
    EXPECT_TRUE(events.empty());
    edit->SetText("12");
    EXPECT_EQ(events, (std::vector<std::string>{"change 12", "exit 12"}));
    EXPECT_STREQ(edit->GetText(), "12");
}

TEST_F(Controls, TrackBarClampsAndReportsEveryMove) {
    std::vector<int> seen;
    TTrackBar* bar = form.Add<TTrackBar>(nullptr, "Weight_TrackBar");
    bar->SetRange(0, 15);
    bar->OnChange = [&] { seen.push_back(bar->Position()); };
    bar->MovePosition(20);
    bar->SetPosition(-3);
    bar->SetPosition(0);  // no move, no event
    EXPECT_EQ(seen, (std::vector<int>{15, 0}));
    bar->SetRange(5, 1);
    EXPECT_EQ(bar->GetMax(), 5);
    EXPECT_EQ(bar->Position(), 5);
}

TEST_F(Controls, ListBoxesMoveItemsByDragAndDrop) {
    TListBox* others = form.Add<TListBox>(nullptr, "AllOtherNets_ListBox");
    TListBox* power = form.Add<TListBox>(nullptr, "PowerNets_ListBox");
    TEdit* edit = form.Add<TEdit>(nullptr, "Edit");
    int gnd = 0, vcc = 0, sig = 0;
    others->AddItem("GND", &gnd);
    others->AddItem("VCC", &vcc);
    others->AddItem("SIG", &sig);
    power->OnDragOver = [&](TControl& source) { return &source == others; };
    power->OnDragDrop = [&](TControl&, int32_t) {
        const int32_t picked = others->GetItemIndex();
        power->AddItem(others->Item(picked).Text, others->Item(picked).Data);
        others->DeleteItem(picked);
    };

    EXPECT_TRUE(power->DropFrom(others, 1, -1));
    ASSERT_EQ(power->Count(), 1);
    EXPECT_EQ(power->Item(0).Data, &vcc);
    EXPECT_EQ(others->Count(), 2);
    EXPECT_EQ(others->GetItemIndex(), -1);  // the selected item left the list

    // Drops are accepted only where the target says so.
    EXPECT_FALSE(others->DropFrom(power, 0, -1));
    EXPECT_FALSE(power->DropFrom(edit, 0, -1));
    EXPECT_FALSE(power->DropFrom(others, 7, -1));

    // Deleting above the selection keeps the same item selected.
    others->SelectSilently(1);
    others->DeleteItem(0);
    EXPECT_EQ(others->GetItemIndex(), 0);
    EXPECT_STREQ(others->GetItem(0), "SIG");

    int doubleClicks = 0;
    others->OnDblClick = [&] { ++doubleClicks; };
    others->DoubleClick();
    EXPECT_EQ(doubleClicks, 1);
    others->SetItemIndex(5);  // outside the items: ignored
    EXPECT_EQ(others->GetItemIndex(), 0);
}

TEST_F(Controls, PagesWithHiddenTabsCannotBeReachedByTheUser) {
    TPageControl* pages = form.Add<TPageControl>(nullptr, "Form_PageControl");
    TTabSheet* options = form.Add<TTabSheet>(pages, "Options_TabSheet", "Options");
    TTabSheet* costs = form.Add<TTabSheet>(pages, "Costs_TabSheet", "Costs");
    TEdit* grid = form.Add<TEdit>(options, "GridSize_Edit");
    TEdit* weight = form.Add<TEdit>(costs, "GuideCostWeight_Edit");
    EXPECT_EQ(pages->ActivePage(), options);
    EXPECT_TRUE(grid->IsVisible());
    EXPECT_FALSE(weight->IsVisible());

    costs->TabVisible = false;
    pages->SetItemIndex(1);
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    // Controls on a page that is not shown ignore the user.
    weight->SetText("9");
    EXPECT_EQ(weight->Text, "");

    costs->TabVisible = true;
    pages->SetItemIndex(1);
    EXPECT_TRUE(weight->IsVisible());
    EXPECT_FALSE(grid->IsVisible());
    EXPECT_STREQ(pages->GetItem(1), "Costs");
}

TEST_F(Controls, RadioGroupSelectsByIndex) {
    TRadioGroup* group = form.Add<TRadioGroup>(nullptr, "RadioGroupHorizontalAlignment", " Horizontal ");
    group->Items = {"No Change", "Centre", "Right", "Distribute equally"};
    int clicks = 0;
    group->OnClick = [&] { ++clicks; };
    group->SetItemIndexSilently(9);
    EXPECT_EQ(group->GetItemIndex(), -1);
    group->SetItemIndex(2);
    group->SetItemIndex(4);
    EXPECT_EQ(group->GetItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Controls, AHandlerErrorIsShownAndTheDialogStaysOpen) {
    TButton* broken = form.Add<TButton>(nullptr, "Broken_Button", "Broken");
    broken->ModalResult = sdk::kModalOk;
    broken->OnClick = [] { throw std::runtime_error("'x' is not a valid integer value"); };
    EXPECT_NO_THROW(broken->Click());
    EXPECT_EQ(form.GetModalResult(), sdk::kModalNone);
    ASSERT_EQ(presenter.History().size(), 1u);
    EXPECT_EQ(presenter.History()[0].Caption, "Error");
    EXPECT_EQ(presenter.History()[0].Text, "'x' is not a valid integer value");
}

TEST_F(Controls, ShowModalHandsTheFormToTheHostAndReportsTheResult) {
    std::vector<std::string> events;
    TButton* yes = form.Add<TButton>(nullptr, "Yes_Button", "Yes");
    yes->ModalResult = sdk::kModalOk;
    form.Add<TButton>(nullptr, "No_Button", "No")->ModalResult = sdk::kModalCancel;
    form.OnShow = [&] { events.push_back("show"); };
    form.OnClose = [&](int32_t result) { events.push_back("close " + std::to_string(result)); };
    presenter.AddAnswer("Test=No");
    EXPECT_EQ(form.ShowModal(), sdk::kModalCancel);
    EXPECT_EQ(form.ShowModal(), sdk::kModalOk);  // no answer left: Enter presses Yes
    EXPECT_EQ(events, (std::vector<std::string>{"show", "close 2", "show", "close 1"}));

    Client = nullptr;  // no host to present it: the form counts as cancelled
    EXPECT_EQ(form.ShowModal(), sdk::kModalCancel);
    EXPECT_FALSE(AskYesNo("Continue?", "Confirm"));
}

TEST_F(Controls, MessageBoxesGoToTheHost) {
    presenter.AddAnswer("Confirm=Yes");
    ShowError("No board is current.");
    EXPECT_TRUE(AskYesNo("The selection contains locked components. Continue?", "Confirm"));
    EXPECT_FALSE(AskYesNo("Again?", "Confirm"));  // unanswered question: No
    ASSERT_EQ(presenter.History().size(), 3u);
    EXPECT_EQ(presenter.History()[0].Caption, "Error");
    EXPECT_EQ(presenter.History()[0].Result, sdk::kModalOk);
    EXPECT_EQ(presenter.History()[1].Result, sdk::kModalYes);
    EXPECT_EQ(presenter.History()[2].Result, sdk::kModalNo);
    EXPECT_TRUE(presenter.History()[2].ByDefault);
}

}  // namespace
}  // namespace autoplacer::ui
