// "autoplacer render BOARD -o FILE.svg": a picture of the board as the host sees it.
#pragma once

namespace CLI {
class App;
}

namespace app {

// Adds the "render" subcommand; its exit status goes to exitStatus.
void RegisterRenderCommand(CLI::App& cli, int& exitStatus);

}  // namespace app
