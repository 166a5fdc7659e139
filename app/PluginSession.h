// One plug-in session of the application, as "place", "run", "edit" and
// "align" use it: the board the command works on, the client the plug-in talks
// to, the dialog environment, the plug-in library loaded and let go again, and
// the one way a board is saved. Each step says a failure once on standard error
// ("autoplacer: ...") and answers the command's exit status (kExitOk when it
// went well); the destructor undoes whatever the steps set up, in reverse.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/DialogSetup.h"
#include "app/ExitStatus.h"
#include "app/PluginLoader.h"
#include "io/BoardFiles.h"

namespace app {

class DialogRouter;
class ScriptedDialogHost;
class ProgressReporter;

class PluginSession {
public:
    PluginSession() = default;
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Reads the board (and its project and rules files) and makes it current.
    int LoadBoard(const std::string& path, const io::LoadOptions& options = {});
    // Builds the dialog environment from the user's options and the command's
    // own answers and hands it to the client.
    int OpenDialogs(const DialogOptions& options, const DialogPlan& plan = {});
    // Loads the plug-in (empty path: beside the executable) and makes it the
    // client's server module.
    int LoadPlugin(const std::string& path, bool verbose, std::optional<uint64_t> statisticalSeed = std::nullopt);
    // Shows the host's progress on the reporter until the session ends or
    // another is given (nullptr: quiet); dialogs clear its bar first.
    void ShowProgress(ProgressReporter* progress);
    // Launches a plug-in command with buffer as its parameter buffer (Ctrl-C
    // asks it to stop); answers the command's result.
    int32_t Launch(const std::string& command, std::vector<char>& buffer);
    // Lets the plug-in go and reports the answers no dialog used.
    void UnloadPlugin();
    // Writes the board: output (empty: BOARD.placed.kicad_pcb, or the board
    // itself with inPlace); warnings go to standard error.
    int Save(const std::string& output, bool inPlace, bool keepRouting, io::SaveResult& saved);

    io::LoadedBoard* Loaded() const { return LoadedFile.get(); }
    AppClient& Client() { return TheClient; }
    DialogRouter& Dialogs();
    // The scripted presenter, to which answers can be added while commands run.
    ScriptedDialogHost& Script();
    // The commands waiting for the plug-in's next message processing.
    MessagePump& Pump();
    sdk::ICommandLauncher* Launcher() const { return Plugin ? Plugin->Launcher() : nullptr; }

private:
    std::unique_ptr<io::LoadedBoard> LoadedFile;
    AppClient TheClient;
    std::unique_ptr<DialogEnvironment> Environment;
    std::unique_ptr<LoadedPlugin> Plugin;
    bool ProgressShown = false;
};

}  // namespace app
