#include "app/RunCommand.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "app/DialogRouter.h"
#include "app/PluginSession.h"
#include "io/BoardFiles.h"

namespace app {

namespace {

// The smallest parameter buffer the application hands to a command.
constexpr std::size_t kMinimumParameterBuffer = 1024;

// Footprints whose position, rotation or side differ from what was loaded.
int CountMovedFootprints(const io::LoadedBoard& loaded) {
    int moved = 0;
    for (const io::FootprintLink& link : loaded.mapping.links) {
        const hostpcb::Component* component = link.component;
        if (component != nullptr && (component->Position() != link.origin || component->Rotation() != link.rotation ||
                                     component->Layer() != link.side)) {
            ++moved;
        }
    }
    return moved;
}

// Writes the board when a footprint moved or an output was asked for; returns the exit status.
int SaveIfChanged(PluginSession& session, const RunOptions& options) {
    if (CountMovedFootprints(*session.Loaded()) == 0 && options.Output.empty() && !options.InPlace) {
        std::cerr << "autoplacer: no footprint moved; nothing written\n";
        return kExitOk;
    }
    io::SaveResult saved;
    const int status = session.Save(options.Output, options.InPlace, options.KeepRouting, saved);
    if (status == kExitOk) {
        std::cerr << "autoplacer: wrote " << saved.path << " (" << saved.moved << " footprints moved)\n";
    }
    return status;
}

}  // namespace

int RunPluginCommand(const RunOptions& options) {
    PluginSession session;
    if (!options.Board.empty()) {
        if (const int status = session.LoadBoard(options.Board); status != kExitOk) {
            return status;
        }
    }
    if (const int status = session.OpenDialogs(options.Dialogs); status != kExitOk) {
        return status;
    }
    if (const int status = session.LoadPlugin(options.PluginPath, options.Verbose); status != kExitOk) {
        return status;
    }
    std::vector<char> buffer(std::max(kMinimumParameterBuffer, options.Parameters.size() + 1), '\0');
    std::memcpy(buffer.data(), options.Parameters.data(), options.Parameters.size());
    // The plug-in's frame updates the view after every command it knows, so a
    // command that leaves the view alone is not one of the plug-in's.
    const int updatesBefore = session.Client().GetView().UpdateCount;
    const int32_t result = session.Launch(options.Command, buffer);
    const bool known = session.Client().GetView().UpdateCount != updatesBefore;
    std::cout << buffer.data() << '\n';
    session.UnloadPlugin();
    const std::vector<std::string>& errors = session.Dialogs().Errors();
    if (result != sdk::kResultOk) {
        std::cerr << "autoplacer: "
                  << (errors.empty() ? "the command " + options.Command + " failed (result " + std::to_string(result) + ")"
                                     : errors.back())
                  << '\n';
        return kExitFailed;
    }
    if (!known) {
        std::cerr << "autoplacer: the plug-in has no command \"" << options.Command << "\"\n";
        return kExitUnknownCommand;
    }
    if (!errors.empty()) {
        std::cerr << "autoplacer: " << errors.back() << '\n';
        return kExitRefused;
    }
    return session.Loaded() != nullptr ? SaveIfChanged(session, options) : kExitOk;
}

void RegisterRunCommand(CLI::App& cli, int& exitStatus) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* run = cli.add_subcommand("run", "Run one plug-in command by name and print its parameter buffer");
    run->add_option("BOARD", options->Board, "KiCad board to load first (optional)");
    run->add_option("-c,--command", options->Command, "Command name, e.g. RunAutoPlacer or AutoPlacer")->required();
    run->add_option("-p,--params", options->Parameters, "Parameter string, e.g. \"Action=IsRunning\"");
    run->add_option("--plugin", options->PluginPath, "Plug-in library (default: libautoplacer.so beside autoplacer)");
    run->add_option("-o,--output", options->Output,
                    "Where to write the board (default: BOARD.placed.kicad_pcb, written when a footprint moved)");
    run->add_flag("--in-place", options->InPlace, "Overwrite the board file");
    run->add_flag("--keep-routing", options->KeepRouting, "Keep tracks and vias when writing the board");
    run->add_flag("-v,--verbose", options->Verbose, "Show status-bar texts and host commands on stderr");
    AddDialogOptions(*run, options->Dialogs);
    run->callback([options, &exitStatus] { exitStatus = RunPluginCommand(*options); });
}

}  // namespace app
