// "autoplacer run": runs one plug-in command by name with a parameter string and
// prints the parameter buffer afterwards, so that a query's answer is visible.
#pragma once

#include <string>

#include "app/DialogSetup.h"

namespace CLI {
class App;
}

namespace app {

struct RunOptions {
    std::string Board;       // empty: no board is loaded
    std::string Command;
    std::string Parameters;
    std::string PluginPath;  // empty: libautoplacer.so beside the executable
    std::string Output;
    bool InPlace = false;
    bool KeepRouting = false;
    bool Verbose = false;
    DialogOptions Dialogs;
};

// Adds the "run" subcommand; its exit status goes to exitStatus.
void RegisterRunCommand(CLI::App& cli, int& exitStatus);

// Runs one command as described by options; returns the process exit status.
int RunPluginCommand(const RunOptions& options);

}  // namespace app
