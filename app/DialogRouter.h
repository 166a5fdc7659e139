// The presenter a plug-in session hands to the plug-in: it sends each dialog to
// the scripted presenter or to the person at the terminal. A form goes to the
// script when there is no terminal, when the command answers that dialog itself
// from its flags, or when the script holds an answer for it; every other form
// and message box goes to the terminal. Error boxes are kept, not shown: the
// command reports the last one as its last line. It remembers what a run's
// outcome depends on: whether the user confirmed a stop and asked for the old
// positions, and whether one of the placer's own dialogs was cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sdk/dialogs.h"

namespace app {

class ScriptedDialogHost;
class TerminalDialogHost;

class DialogRouter final : public sdk::IDialogHost {
public:
    // terminal may be nullptr (no terminal, or --batch); scriptedCaptions are the
    // dialogs the command answers itself.
    DialogRouter(ScriptedDialogHost& script, TerminalDialogHost* terminal, std::vector<std::string> scriptedCaptions);
    virtual ~DialogRouter() = default;

    int32_t ShowModal(sdk::IDialogForm* form) override;
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override;
    void SetWaitCursor(bool) override {}

    // Called before a dialog or message box may write to the terminal (the
    // progress bar takes itself off its line).
    std::function<void()> BeforeOutput;

    bool StopConfirmed() const { return Stopped; }
    bool RestoreAsked() const { return Restored; }
    // The choice or setup dialog was closed with Cancel (or anything but OK).
    bool PlacerDialogCancelled() const { return Cancelled; }
    const std::vector<std::string>& Errors() const { return ErrorTexts; }

private:
    bool Scripted(const sdk::IDialogForm& form, const std::string& caption) const;

    ScriptedDialogHost& Script;
    TerminalDialogHost* Terminal;
    std::vector<std::string> ScriptedCaptions;
    bool Stopped = false;
    bool Restored = false;
    bool Cancelled = false;
    std::vector<std::string> ErrorTexts;
};

// Captions of the dialogs involved.
inline constexpr const char* kChoiceDialogCaption = "Auto Place";
inline constexpr const char* kSetupDialogCaption = "AutoPlacer";
inline constexpr const char* kStopDialogCaption = "Confirm";

}  // namespace app
