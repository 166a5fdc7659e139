// "autoplacer edit BOARD --script FILE": replays an editing session written as a
// script (docs/editing-scripts.md) on a KiCad board through the plug-in, then
// writes the board (-o FILE, BOARD.placed.kicad_pcb, or the board itself with
// --in-place) and lists what moved. "align" runs its session through the same
// path.
#pragma once

#include <string>

#include "app/DialogSetup.h"
#include "app/EditScript.h"

namespace CLI {
class App;
}

namespace app {

struct EditOptions {
    std::string Board;
    std::string ScriptPath;
    std::string Output;
    bool InPlace = false;
    bool KeepRouting = false;
    std::string PluginPath;
    bool Verbose = false;
    std::string JournalPath;  // browser view: the session written down as a script
    DialogOptions Dialogs;
};

// Plays a script on the board and writes it; plan holds the command's own
// dialog answers. Answers the exit status; a failing line is named as
// SCRIPT:LINE and nothing is written.
int RunEditSession(const EditOptions& options, const EditScript& script, const DialogPlan& plan = {});

// Reads options.ScriptPath (a line that does not read: the usage status) and plays it.
int RunEditCommand(const EditOptions& options);

void RegisterEditCommand(CLI::App& cli, int& exitStatus);

}  // namespace app
