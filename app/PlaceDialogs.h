// The presenter of "autoplacer place": the placer's choice and setup dialogs are
// answered from the command's flags (the scripted presenter), every other
// dialog goes to the person at the terminal when there is one (the stop
// question after Ctrl-C, the setup dialog with --setup) and to the script
// otherwise. It remembers what the run's outcome depends on: whether the user
// confirmed a stop and asked for the old positions, whether a dialog was
// cancelled, and the errors the placer reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/dialogs.h"

namespace app {

class ScriptedDialogHost;
class TerminalDialogHost;

class PlaceDialogs final : public sdk::IDialogHost {
public:
    // terminal may be nullptr (no terminal, or --batch).
    PlaceDialogs(ScriptedDialogHost& script, TerminalDialogHost* terminal, bool setupOnTerminal);
    virtual ~PlaceDialogs() = default;

    int32_t ShowModal(sdk::IDialogForm* form) override;
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override;
    void SetWaitCursor(bool) override {}

    bool StopConfirmed() const { return Stopped; }
    bool RestoreAsked() const { return Restored; }
    // The choice or setup dialog was closed with Cancel (or anything but OK).
    bool PlacerDialogCancelled() const { return Cancelled; }
    const std::vector<std::string>& Errors() const { return ErrorTexts; }

private:
    ScriptedDialogHost& Script;
    TerminalDialogHost* Terminal;
    bool SetupOnTerminal;
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
