// How the application presents the plug-in's dialogs, keeps its settings and
// delivers waiting commands: the terminal presenter when standard input is a
// terminal and no answers were given, the scripted presenter otherwise; the
// settings file store; the message pump with Ctrl-C handling.
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
class ScriptedDialogHost;
class TerminalDialogHost;

struct DialogOptions {
    std::vector<std::string> Answers;  // --answer, in order
    std::string AnswersFile;           // --answers FILE
    std::string RegistryPath;          // --registry FILE (default: FileRegistry::DefaultPath())
    bool Batch = false;                // --batch: never ask the terminal
};

// Adds --answer, --answers, --registry and --batch to a command.
void AddDialogOptions(CLI::App& command, DialogOptions& options);

class DialogEnvironment {
public:
    // Builds the presenter and the store. Fails (answers the problem) when the
    // answers cannot be read.
    static std::unique_ptr<DialogEnvironment> Create(const DialogOptions& options, std::string& problem);
    ~DialogEnvironment();
    DialogEnvironment(const DialogEnvironment&) = delete;
    DialogEnvironment& operator=(const DialogEnvironment&) = delete;

    // Hands the presenter, the store and the message pump to the client and
    // installs the Ctrl-C handler.
    void Attach(AppClient& client);

    sdk::IDialogHost& Presenter() { return *Host; }
    FileRegistry& Registry() { return *Store; }
    MessagePump& Pump() { return Messages; }
    bool Interactive() const { return IsTerminal; }
    // The scripted presenter, nullptr when the terminal presents the dialogs.
    ScriptedDialogHost* Script() { return Scripted.get(); }

private:
    DialogEnvironment() = default;

    std::unique_ptr<TerminalDialogHost> Terminal;
    std::unique_ptr<ScriptedDialogHost> Scripted;
    sdk::IDialogHost* Host = nullptr;
    std::unique_ptr<FileRegistry> Store;
    MessagePump Messages;
    bool IsTerminal = false;
};

// Remembers the options the application parsed (they must outlive the commands).
void UseDialogOptions(const DialogOptions* options);

// Builds the environment from the remembered options at the first call and
// attaches it to the client. Without remembered options nothing is attached
// and the answer is True; a problem with the answers is reported on standard
// error and answers False.
bool AttachDialogEnvironment(AppClient& client);

}  // namespace app
