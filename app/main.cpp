// The autoplacer application's entry point: one registration per subcommand,
// and one way out for every command-line mistake ("autoplacer: ..." and the
// usage status).
#include <CLI/CLI.hpp>

#include <iostream>

#include "app/AlignCommand.h"
#include "app/EditCommand.h"
#include "app/ExitStatus.h"
#include "app/HelpCommand.h"
#include "app/Interrupts.h"
#include "app/PlaceCommand.h"
#include "app/RenderCommand.h"
#include "app/RunCommand.h"
#include "app/StatsCommand.h"

int main(int argc, char** argv) {
    app::interrupts::InstallEndingSignals();
    CLI::App cli{"autoplacer: automatic component placement for KiCad boards"};
    cli.require_subcommand(1);
    cli.footer(app::ExitStatusHelp());
    int exitStatus = app::kExitOk;
    app::RegisterRunCommand(cli, exitStatus);
    app::RegisterPlaceCommand(cli, exitStatus);
    app::RegisterEditCommand(cli, exitStatus);
    app::RegisterAlignCommand(cli, exitStatus);
    app::RegisterStatsCommand(cli, exitStatus);
    app::RegisterRenderCommand(cli, exitStatus);
    app::RegisterHelpCommand(cli, exitStatus);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return cli.exit(success);  // --help: the text on standard output, status 0
    } catch (const CLI::ParseError& mistake) {
        std::cerr << "autoplacer: " << mistake.what() << " (see autoplacer --help)\n";
        return app::kExitUsage;
    }
    return exitStatus;
}
