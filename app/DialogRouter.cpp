#include "app/DialogRouter.h"

#include <algorithm>
#include <string>

#include "app/ScriptedDialogHost.h"
#include "app/TerminalDialogHost.h"

namespace app {

DialogRouter::DialogRouter(ScriptedDialogHost& script, TerminalDialogHost* terminal,
                           std::vector<std::string> scriptedCaptions)
    : Script(script), Terminal(terminal), ScriptedCaptions(std::move(scriptedCaptions)) {}

bool DialogRouter::Scripted(const sdk::IDialogForm& form, const std::string& caption) const {
    return Terminal == nullptr ||
           std::find(ScriptedCaptions.begin(), ScriptedCaptions.end(), caption) != ScriptedCaptions.end() ||
           Script.HasAnswerFor(form.GetName() != nullptr ? form.GetName() : "", caption);
}

int32_t DialogRouter::ShowModal(sdk::IDialogForm* form) {
    if (form == nullptr) {
        return sdk::kModalCancel;
    }
    const std::string caption = form->GetCaption();
    if (BeforeOutput) {
        BeforeOutput();
    }
    const int32_t result = Scripted(*form, caption) ? Script.ShowModal(form) : Terminal->ShowModal(form);
    if ((caption == kChoiceDialogCaption || caption == kSetupDialogCaption) && result != sdk::kModalOk) {
        Cancelled = true;
    }
    if (caption == kStopDialogCaption && result == sdk::kModalOk) {
        Stopped = true;
        if (sdk::IDialogControl* restore = form->FindControl("Restore_CheckBox")) {
            Restored = restore->GetChecked();
        }
    }
    return result;
}

int32_t DialogRouter::MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) {
    if (kind == sdk::MessageBoxKind::Error) {
        // Reported once, as the command's last line.
        ErrorTexts.push_back(text != nullptr ? text : "");
        return sdk::kModalOk;
    }
    if (BeforeOutput) {
        BeforeOutput();
    }
    return Terminal != nullptr ? Terminal->MessageBox(text, caption, kind) : Script.MessageBox(text, caption, kind);
}

}  // namespace app
