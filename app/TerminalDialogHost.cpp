#include "app/TerminalDialogHost.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>

#include "app/DialogCommands.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"

namespace app {

namespace {
// How often a waiting presenter looks for Ctrl-C when no signal woke it.
constexpr int kPollMilliseconds = 200;
}

TerminalDialogHost::TerminalDialogHost(int inputFd, std::ostream& out) : InputFd(inputFd), Out(out) {}

TerminalDialogHost::LineStatus TerminalDialogHost::ReadLine(interrupts::DialogScope& scope, std::string& line) {
    for (;;) {
        if (const std::size_t newline = Pending.find('\n'); newline != std::string::npos) {
            line = Pending.substr(0, newline);
            Pending.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return LineStatus::Line;
        }
        if (scope.TakeInterrupt()) {
            return LineStatus::Interrupted;
        }
        if (InputEnded) {
            if (!Pending.empty()) {
                line.swap(Pending);
                Pending.clear();
                return LineStatus::Line;
            }
            return LineStatus::EndOfInput;
        }
        pollfd waiting{InputFd, POLLIN, 0};
        const int ready = poll(&waiting, 1, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) {
            InputEnded = true;
        }
        if (ready <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t count = read(InputFd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno != EINTR && errno != EAGAIN) {
                InputEnded = true;
            }
            continue;
        }
        if (count == 0) {
            InputEnded = true;
            continue;
        }
        Pending.append(buffer, static_cast<std::size_t>(count));
    }
}

void TerminalDialogHost::PrintHelp() {
    Out << "Actions (NAME = a control's name or caption, ITEM = a number from 0 or an item's text):\n"
           "  click NAME | check NAME | uncheck NAME | set NAME VALUE | select NAME ITEM\n"
           "  double NAME [ITEM] | drag SOURCE ITEM TARGET [ITEM] | close [ok|cancel|yes|no]\n"
           "  show (print the dialog again) | help\n";
}

int32_t TerminalDialogHost::ShowModal(sdk::IDialogForm* form) {
    if (form == nullptr) {
        return sdk::kModalCancel;
    }
    interrupts::DialogScope scope;
    Out << "\n";
    PrintDialogForm(*form, Out);
    Out << "(type an action, or help)\n";
    while (form->GetModalResult() == sdk::kModalNone) {
        Out << "> " << std::flush;
        std::string line;
        const LineStatus status = ReadLine(scope, line);
        if (status == LineStatus::Interrupted) {
            Out << "^C\n";
            AnswerDialogInterrupt(*form);
            break;
        }
        if (status == LineStatus::EndOfInput) {
            Out << "\nautoplacer: end of input; closing \"" << StripAccelerator(form->GetCaption())
                << "\" with Cancel\n";
            form->SetModalResult(sdk::kModalCancel);
            break;
        }
        const std::string action = line.substr(0, line.find_last_not_of(" \t") + 1);
        if (action.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        if (SameTextIgnoringCase(action, "help") || action == "?") {
            PrintHelp();
            continue;
        }
        if (SameTextIgnoringCase(action, "show")) {
            PrintDialogForm(*form, Out);
            continue;
        }
        if (const std::string problem = ApplyDialogAction(*form, action); !problem.empty()) {
            Out << "autoplacer: " << problem << "\n";
            continue;
        }
        if (form->GetModalResult() == sdk::kModalNone) {
            PrintDialogForm(*form, Out);
        }
    }
    Out << std::flush;
    return form->GetModalResult();
}

int32_t TerminalDialogHost::MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) {
    Out << "\n[" << (caption != nullptr ? caption : "") << "] " << (text != nullptr ? text : "") << "\n";
    if (kind != sdk::MessageBoxKind::YesNoQuestion) {
        Out << std::flush;
        return sdk::kModalOk;
    }
    interrupts::DialogScope scope;
    for (;;) {
        Out << "(yes/no) > " << std::flush;
        std::string line;
        const LineStatus status = ReadLine(scope, line);
        if (status == LineStatus::Interrupted) {
            Out << "^C\n";
            return sdk::kModalYes;
        }
        if (status == LineStatus::EndOfInput) {
            Out << "\nautoplacer: end of input; answering No\n";
            return sdk::kModalNo;
        }
        const std::string answer = line.substr(0, line.find_last_not_of(" \t") + 1);
        if (SameTextIgnoringCase(answer, "y") || SameTextIgnoringCase(answer, "yes")) {
            return sdk::kModalYes;
        }
        if (SameTextIgnoringCase(answer, "n") || SameTextIgnoringCase(answer, "no")) {
            return sdk::kModalNo;
        }
    }
}

}  // namespace app
