// The autoplacer application's entry point: one registration per subcommand.
#include <CLI/CLI.hpp>

#include "app/PlaceCommand.h"
#include "app/RenderCommand.h"
#include "app/RunCommand.h"
#include "app/StatsCommand.h"

int main(int argc, char** argv) {
    CLI::App cli{"autoplacer: automatic component placement for KiCad boards"};
    cli.require_subcommand(1);
    int exitStatus = 0;
    app::RegisterRunCommand(cli, exitStatus);
    app::RegisterPlaceCommand(cli, exitStatus);
    app::RegisterStatsCommand(cli, exitStatus);
    app::RegisterRenderCommand(cli, exitStatus);
    CLI11_PARSE(cli, argc, argv);
    return exitStatus;
}
