#include "app/RenderCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>

#include "app/SvgRenderer.h"
#include "io/AtomicFile.h"
#include "io/BoardFiles.h"

namespace app {

namespace {

struct RenderArguments {
    std::string board;
    std::string output;
    std::string rules;
    bool noConnections = false;
};

}  // namespace

void RegisterRenderCommand(CLI::App& cli, int& exitStatus) {
    auto args = std::make_shared<RenderArguments>();
    CLI::App* render = cli.add_subcommand("render", "Draw a board as an SVG picture");
    render->add_option("BOARD", args->board, "KiCad board (.kicad_pcb)")->required();
    render->add_option("-o,--output", args->output, "SVG file to write (default: BOARD.svg)");
    render->add_option("--rules", args->rules, "Placement-rules file (default: BOARD.placer_rules when present)");
    render->add_flag("--no-connections", args->noConnections, "Leave out the connection lines");
    render->callback([args, &exitStatus] {
        try {
            io::LoadOptions options;
            options.rulesPath = args->rules;
            std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(args->board, options);
            RenderOptions picture;
            picture.connections = !args->noConnections;
            picture.title = std::filesystem::path(args->board).filename().string();
            std::string output = args->output;
            if (output.empty()) output = std::filesystem::path(args->board).replace_extension(".svg").string();
            io::RefuseToOverwriteInputs(output, loaded->inputs);
            io::WriteFileAtomically(output, RenderBoardSvg(*loaded->board, picture));
            for (const std::string& w : loaded->warnings) std::cerr << "warning: " << w << "\n";
            std::cout << "wrote " << output << "\n";
            exitStatus = 0;
        } catch (const std::exception& e) {
            std::cerr << "autoplacer: " << e.what() << "\n";
            exitStatus = 1;
        }
    });
}

}  // namespace app
