// How a plug-in session presents the plug-in's dialogs, keeps its settings and
// delivers waiting commands, built one way for every command: the scripted
// presenter holds the command's own answers (from its flags) followed by the
// user's (--answer, --answers); the terminal presenter takes every other dialog
// when standard input is a terminal and --batch was not given (see
// app/DialogRouter.h); the settings file store; the message pump with Ctrl-C
// handling.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/FileRegistry.h"
#include "app/MessagePump.h"
#include "sdk/dialogs.h"

namespace CLI {
class App;
}

namespace app {

class AppClient;
class DialogRouter;
class ScriptedDialogHost;
class TerminalDialogHost;

struct DialogOptions {
    std::vector<std::string> Answers;  // --answer, in order
    std::string AnswersFile;           // --answers FILE
    std::string RegistryPath;          // --registry FILE (default: FileRegistry::DefaultPath())
    bool Batch = false;                // --batch: never ask on the terminal
};

// What a command answers itself: its answers go before the user's; the closing
// answer is added after them unless the user closes that form; the captions are
// the dialogs it answers (they never go to the terminal).
struct DialogPlan {
    std::vector<std::string> CommandAnswers;
    std::string Closing;
    std::vector<std::string> ScriptedCaptions;
};

// Adds --answer, --answers, --registry and --batch to a command.
void AddDialogOptions(CLI::App& command, DialogOptions& options);

class DialogEnvironment {
public:
    // Builds the presenters and the store. Fails (answers the problem) when an
    // answer is malformed or the answers file cannot be read.
    static std::unique_ptr<DialogEnvironment> Create(const DialogOptions& options, std::string& problem,
                                                     const DialogPlan& plan = {});
    // Reports the unused answers (unless done already) and puts back the Ctrl-C handler.
    ~DialogEnvironment();
    DialogEnvironment(const DialogEnvironment&) = delete;
    DialogEnvironment& operator=(const DialogEnvironment&) = delete;

    // Hands the presenter, the store and the message pump to the client and
    // installs the Ctrl-C handler.
    void Attach(AppClient& client);
    // Says on standard error which of the user's answers no dialog used.
    void ReportUnusedAnswers();

    DialogRouter& Presenter() { return *Router; }
    FileRegistry& Registry() { return *Store; }
    MessagePump& Pump() { return Messages; }
    bool Interactive() const { return Terminal != nullptr; }
    ScriptedDialogHost* Script() { return Scripted.get(); }

private:
    DialogEnvironment() = default;

    std::unique_ptr<ScriptedDialogHost> Scripted;
    std::unique_ptr<TerminalDialogHost> Terminal;
    std::unique_ptr<DialogRouter> Router;
    std::unique_ptr<FileRegistry> Store;
    MessagePump Messages;
    std::string Closing;
    bool UnusedReported = false;
};

}  // namespace app
