// Presents the plug-in's dialogs to a person at a terminal: prints the form with
// the state of its visible controls and reads actions (see DialogCommands.h)
// until the form has a modal result. Ctrl-C answers the open dialog (Yes where
// it has a Yes button, otherwise Cancel); the end of the input cancels it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "sdk/dialogs.h"

namespace app {

namespace interrupts {
class DialogScope;
}

class TerminalDialogHost final : public sdk::IDialogHost {
public:
    // Reads the person's lines from inputFd and writes to out.
    TerminalDialogHost(int inputFd, std::ostream& out);
    virtual ~TerminalDialogHost() = default;

    int32_t ShowModal(sdk::IDialogForm* form) override;
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override;
    void SetWaitCursor(bool) override {}

private:
    enum class LineStatus { Line, Interrupted, EndOfInput };
    LineStatus ReadLine(interrupts::DialogScope& scope, std::string& line);
    void PrintHelp();

    int InputFd;
    std::ostream& Out;
    std::string Pending;  // read but not yet taken
    bool InputEnded = false;
};

}  // namespace app
