// "autoplacer help [TOPIC]": the general help, or "dialogs" for the plug-in's
// dialogs and how to answer them.
#pragma once

namespace CLI {
class App;
}

namespace app {

void RegisterHelpCommand(CLI::App& cli, int& exitStatus);

}  // namespace app
