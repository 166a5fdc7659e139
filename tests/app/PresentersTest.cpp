// The application's dialog presenters, driven with real plug-in forms.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>

#include "app/DialogCommands.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"
#include "app/TerminalDialogHost.h"
#include "settings/StopPlacement.h"
#include "ui/Form.h"

namespace app {
namespace {

using autoplacer::TStopPlacementDialog;
using namespace autoplacer::ui;

// A small form with one control of each kind a dialog needs.
struct NetForm : TForm {
    NetForm() : TForm("NetForm", "Power Nets") {
        Others = Add<TListBox>(nullptr, "AllOtherNets_ListBox", "Other Nets");
        Power = Add<TListBox>(nullptr, "PowerNets_ListBox", "Power Nets");
        Grid = Add<TEdit>(nullptr, "GridSize_Edit", "Grid Size");
        Weight = Add<TTrackBar>(nullptr, "PadCostWeight_TrackBar", "Optimize Pad Positions");
        Weight->SetRange(0, 15);
        Hidden = Add<TCheckBox>(nullptr, "Hidden_CheckBox", "Hidden");
        Hidden->Visible = false;
        Ok = Add<TButton>(nullptr, "OK_Button", "OK");
        Ok->ModalResult = sdk::kModalOk;
        Cancel = Add<TButton>(nullptr, "Cancel_Button", "Cancel");
        Cancel->ModalResult = sdk::kModalCancel;
        for (const char* net : {"GND", "VCC", "SIG"}) Others->AddItem(net);
        const auto move = [](TListBox* from, TListBox* to) {
            if (from->GetItemIndex() < 0) return;
            to->AddItem(from->Item(from->GetItemIndex()).Text);
            from->DeleteItem(from->GetItemIndex());
        };
        Others->OnDblClick = [=, this] { move(Others, Power); };
        Power->OnDragOver = [this](TControl& source) { return &source == Others; };
        Power->OnDragDrop = [=, this](TControl&, int32_t) { move(Others, Power); };
    }
    TListBox* Others;
    TListBox* Power;
    TEdit* Grid;
    TTrackBar* Weight;
    TCheckBox* Hidden;
    TButton* Ok;
    TButton* Cancel;
};

TEST(DialogActions, DriveEveryKindOfControl) {
    NetForm form;
    EXPECT_EQ(ApplyDialogAction(form, "set \"Grid Size\" 25 mil"), "");
    EXPECT_EQ(form.Grid->Text, "25 mil");
    EXPECT_EQ(ApplyDialogAction(form, "set PadCostWeight_TrackBar 7"), "");
    EXPECT_EQ(form.Weight->Position(), 7);
    EXPECT_EQ(ApplyDialogAction(form, "double AllOtherNets_ListBox vcc"), "");
    EXPECT_EQ(ApplyDialogAction(form, "drag AllOtherNets_ListBox 0 PowerNets_ListBox"), "");
    EXPECT_EQ(form.Power->Count(), 2);
    EXPECT_STREQ(form.Power->GetItem(0), "VCC");
    EXPECT_STREQ(form.Power->GetItem(1), "GND");

    // Refusals say why and change nothing.
    EXPECT_NE(ApplyDialogAction(form, "drag PowerNets_ListBox 0 AllOtherNets_ListBox"), "");
    EXPECT_NE(ApplyDialogAction(form, "check Hidden_CheckBox"), "");
    EXPECT_FALSE(form.Hidden->GetChecked());
    EXPECT_NE(ApplyDialogAction(form, "set PadCostWeight_TrackBar many"), "");
    EXPECT_NE(ApplyDialogAction(form, "select AllOtherNets_ListBox 5"), "");
    EXPECT_NE(ApplyDialogAction(form, "click Nothing"), "");
    EXPECT_NE(ApplyDialogAction(form, "frobnicate OK"), "");
    EXPECT_EQ(form.Power->Count(), 2);
    EXPECT_EQ(form.GetModalResult(), sdk::kModalNone);

    EXPECT_EQ(ApplyDialogAction(form, "click ok"), "");  // by caption, any case
    EXPECT_EQ(form.GetModalResult(), sdk::kModalOk);
}

TEST(DialogActions, PrintShowsVisibleControlsWithTheirState) {
    TStopPlacementDialog dialog;
    dialog.Restore_CheckBox->SetCheckedSilently(true);
    std::ostringstream out;
    PrintDialogForm(dialog, out);
    const std::string text = out.str();
    EXPECT_NE(text.find("== Confirm =="), std::string::npos);
    EXPECT_NE(text.find("Do you want to stop auto placement?"), std::string::npos);
    EXPECT_NE(text.find("[x] Restore components to old positions (Restore_CheckBox)"), std::string::npos);
    EXPECT_NE(text.find("<Yes> (Yes_Button)"), std::string::npos);

    NetForm form;
    std::ostringstream netText;
    PrintDialogForm(form, netText);
    EXPECT_EQ(netText.str().find("Hidden"), std::string::npos);
}

TEST(ScriptedPresenter, AnswersAreUsedOncePerFormInOrder) {
    std::ostringstream notices;
    ScriptedDialogHost host(notices);
    ASSERT_EQ(host.AddAnswer("Confirm.Restore_CheckBox=1"), "");
    ASSERT_EQ(host.AddAnswer("Confirm=Yes"), "");
    ASSERT_EQ(host.AddAnswer("StopPlacementDialog=No"), "");  // by the form's name
    ASSERT_EQ(host.AddAnswer("Power Nets: drag AllOtherNets_ListBox SIG PowerNets_ListBox"), "");
    ASSERT_EQ(host.AddAnswer("Power Nets.GridSize_Edit=1.27mm"), "");
    EXPECT_NE(host.AddAnswer("no separator"), "");
    EXPECT_NE(host.AddAnswer("=Yes"), "");

    TStopPlacementDialog first;
    EXPECT_EQ(host.ShowModal(&first), sdk::kModalOk);
    EXPECT_TRUE(first.Restore_CheckBox->GetChecked());
    TStopPlacementDialog second;
    EXPECT_EQ(host.ShowModal(&second), sdk::kModalCancel);
    EXPECT_FALSE(second.Restore_CheckBox->GetChecked());

    NetForm form;
    EXPECT_EQ(host.ShowModal(&form), sdk::kModalOk);  // no closing answer: OK, as Enter
    EXPECT_STREQ(form.Power->GetItem(0), "SIG");
    EXPECT_EQ(form.Grid->Text, "1.27mm");
    EXPECT_NE(notices.str().find("no answer for dialog \"Power Nets\"; pressing \"OK\""), std::string::npos);
    EXPECT_TRUE(host.UnusedAnswers().empty());

    ASSERT_EQ(host.History().size(), 3u);
    EXPECT_FALSE(host.History()[0].ByDefault);
    EXPECT_TRUE(host.History()[2].ByDefault);
}

TEST(ScriptedPresenter, BadAnswersAreReportedAndSkipped) {
    std::ostringstream notices;
    ScriptedDialogHost host(notices);
    host.AddAnswer("Confirm.Nothing_CheckBox=1");
    host.AddAnswer("Confirm=Maybe");
    host.AddAnswer("Confirm=No_Button");
    TStopPlacementDialog dialog;
    EXPECT_EQ(host.ShowModal(&dialog), sdk::kModalCancel);
    EXPECT_NE(notices.str().find("Nothing_CheckBox"), std::string::npos);
    EXPECT_NE(notices.str().find("Maybe"), std::string::npos);
}

TEST(ScriptedPresenter, MessageBoxesTakeAnswersOrDefaults) {
    std::ostringstream notices;
    ScriptedDialogHost host(notices);
    host.AddAnswer("Confirm=Yes");
    EXPECT_EQ(host.MessageBox("Continue?", "Confirm", sdk::MessageBoxKind::YesNoQuestion), sdk::kModalYes);
    EXPECT_EQ(host.MessageBox("Continue?", "Confirm", sdk::MessageBoxKind::YesNoQuestion), sdk::kModalNo);
    EXPECT_EQ(host.MessageBox("No board is current.", "Error", sdk::MessageBoxKind::Error), sdk::kModalOk);
    EXPECT_NE(notices.str().find("[Error] No board is current."), std::string::npos);
    EXPECT_NE(notices.str().find("answering No"), std::string::npos);
}

TEST(ScriptedPresenter, CtrlCDuringADialogAnswersYes) {
    std::ostringstream notices;
    ScriptedDialogHost host(notices);
    host.AddAnswer("Confirm=No");
    TStopPlacementDialog dialog;
    host.OnPresent = [](sdk::IDialogForm&) { EXPECT_TRUE(interrupts::HandleInterrupt()); };
    EXPECT_EQ(host.ShowModal(&dialog), sdk::kModalOk);
    EXPECT_TRUE(host.History().back().Interrupted);
    EXPECT_EQ(host.UnusedAnswers().size(), 1u);  // the No was never needed
}

// Writes lines into a pipe that the terminal presenter reads.
class TerminalInput {
public:
    TerminalInput() { EXPECT_EQ(pipe(Fds), 0); }
    ~TerminalInput() {
        close(Fds[0]);
        if (Fds[1] >= 0) close(Fds[1]);
    }
    void Type(const std::string& text) { ASSERT_EQ(write(Fds[1], text.data(), text.size()), ssize_t(text.size())); }
    void End() {
        close(Fds[1]);
        Fds[1] = -1;
    }
    int ReadEnd() const { return Fds[0]; }

private:
    int Fds[2] = {-1, -1};
};

TEST(TerminalPresenter, ReadsActionsUntilTheFormCloses) {
    TerminalInput input;
    std::ostringstream out;
    TerminalDialogHost host(input.ReadEnd(), out);
    input.Type("help\ncheck restore_checkbox\nbogus\nclick Yes_Button\n");
    TStopPlacementDialog dialog;
    EXPECT_EQ(host.ShowModal(&dialog), sdk::kModalOk);
    EXPECT_TRUE(dialog.Restore_CheckBox->GetChecked());
    EXPECT_NE(out.str().find("unknown action \"bogus\""), std::string::npos);
    EXPECT_NE(out.str().find("[x] Restore components"), std::string::npos);

    input.Type("maybe\nn\n");
    EXPECT_EQ(host.MessageBox("Continue?", "Confirm", sdk::MessageBoxKind::YesNoQuestion), sdk::kModalNo);
}

TEST(TerminalPresenter, EndOfInputCancelsAndCtrlCAnswersYes) {
    {
        TerminalInput input;
        std::ostringstream out;
        TerminalDialogHost host(input.ReadEnd(), out);
        input.Type("check Restore_CheckBox");  // no newline before the end: still taken
        input.End();
        TStopPlacementDialog dialog;
        EXPECT_EQ(host.ShowModal(&dialog), sdk::kModalCancel);
        EXPECT_TRUE(dialog.Restore_CheckBox->GetChecked());
    }
    {
        TerminalInput input;  // a person who types nothing
        std::ostringstream out;
        TerminalDialogHost host(input.ReadEnd(), out);
        TStopPlacementDialog dialog;
        std::thread presses([] {
            // Retry until the dialog is open and the press is taken by it.
            while (!interrupts::HandleInterrupt()) std::this_thread::yield();
        });
        EXPECT_EQ(host.ShowModal(&dialog), sdk::kModalOk);
        presses.join();
    }
}

}  // namespace
}  // namespace app
