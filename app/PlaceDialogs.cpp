#include "app/PlaceDialogs.h"

#include <string>

#include "app/ScriptedDialogHost.h"
#include "app/TerminalDialogHost.h"

namespace app {

PlaceDialogs::PlaceDialogs(ScriptedDialogHost& script, TerminalDialogHost* terminal, bool setupOnTerminal)
    : Script(script), Terminal(terminal), SetupOnTerminal(setupOnTerminal) {}

int32_t PlaceDialogs::ShowModal(sdk::IDialogForm* form) {
    if (form == nullptr) {
        return sdk::kModalCancel;
    }
    const std::string caption = form->GetCaption();
    const bool choice = caption == kChoiceDialogCaption;
    const bool setup = caption == kSetupDialogCaption;
    const bool scripted = Terminal == nullptr || choice || (setup && !SetupOnTerminal);
    const int32_t result = scripted ? Script.ShowModal(form) : Terminal->ShowModal(form);
    if ((choice || setup) && result != sdk::kModalOk) {
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

int32_t PlaceDialogs::MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) {
    if (kind == sdk::MessageBoxKind::Error) {
        // Reported once, as the command's last line.
        ErrorTexts.push_back(text != nullptr ? text : "");
        return sdk::kModalOk;
    }
    return Terminal != nullptr ? Terminal->MessageBox(text, caption, kind) : Script.MessageBox(text, caption, kind);
}

}  // namespace app
