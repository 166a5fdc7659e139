#include "app/RunCommand.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "app/AppClient.h"
#include "app/DialogSetup.h"
#include "app/Interrupts.h"
#include "app/PluginLoader.h"
#include "io/BoardFiles.h"

namespace app {

namespace {

// The smallest parameter buffer the application hands to a command.
constexpr std::size_t kMinimumParameterBuffer = 1024;

// Shows message boxes on stderr when no interactive presenter is installed;
// questions answer No and forms close with Cancel.
class MessageOnlyDialogHost final : public sdk::IDialogHost {
public:
    int32_t ShowModal(sdk::IDialogForm* form) override {
        std::cerr << "autoplacer: dialog \"" << (form != nullptr ? form->GetCaption() : "") << "\" cancelled\n";
        return sdk::kModalCancel;
    }
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override {
        std::cerr << (caption != nullptr ? caption : "") << ": " << (text != nullptr ? text : "") << '\n';
        return kind == sdk::MessageBoxKind::YesNoQuestion ? sdk::kModalNo : sdk::kModalOk;
    }
    void SetWaitCursor(bool) override {}
};

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
int SaveIfChanged(io::LoadedBoard& loaded, const RunOptions& options) {
    const int moved = CountMovedFootprints(loaded);
    if (moved == 0 && options.Output.empty() && !options.InPlace) {
        std::cerr << "autoplacer: no footprint moved; nothing written\n";
        return 0;
    }
    io::SaveOptions save;
    save.output = options.InPlace && options.Output.empty() ? loaded.path : options.Output;
    save.inPlace = options.InPlace;
    save.keepRouting = options.KeepRouting;
    try {
        const io::SaveResult result = io::SaveBoardFile(loaded, save);
        for (const std::string& warning : result.warnings) {
            std::cerr << "autoplacer: " << warning << '\n';
        }
        std::cerr << "autoplacer: wrote " << result.path << " (" << result.moved << " footprints moved)\n";
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: cannot write the board: " << failure.what() << '\n';
        return 4;
    }
}

}  // namespace

int RunPluginCommand(const RunOptions& options) {
    std::unique_ptr<io::LoadedBoard> loaded;
    if (!options.Board.empty()) {
        try {
            loaded = io::LoadBoardFile(options.Board);
        } catch (const std::exception& failure) {
            std::cerr << "autoplacer: cannot read " << options.Board << ": " << failure.what() << '\n';
            return 2;
        }
        for (const std::string& warning : loaded->warnings) {
            std::cerr << "autoplacer: " << warning << '\n';
        }
    }
    AppClient client;
    client.SetVerbose(options.Verbose);
    MessageOnlyDialogHost dialogs;
    client.SetDialogHost(&dialogs);
    if (!AttachDialogEnvironment(client)) {
        return 2;
    }

    std::string error;
    const std::string path = options.PluginPath.empty() ? DefaultPluginPath() : options.PluginPath;
    std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::Load(path, client, error);
    if (!plugin) {
        std::cerr << "autoplacer: " << error << '\n';
        return 3;
    }
    client.SetServerModule(plugin->Module());

    std::vector<char> buffer(std::max(kMinimumParameterBuffer, options.Parameters.size() + 1), '\0');
    std::memcpy(buffer.data(), options.Parameters.data(), options.Parameters.size());
    interrupts::SetCommandRunning(true);
    const int32_t result = plugin->Launcher()->LaunchCommand(options.Command.c_str(), buffer.data(),
                                                             static_cast<int32_t>(buffer.size()), nullptr);
    interrupts::SetCommandRunning(false);
    std::cout << buffer.data() << '\n';

    client.SetServerModule(nullptr);
    plugin.reset();
    if (result != sdk::kResultOk) {
        std::cerr << "autoplacer: the command " << options.Command << " failed (result " << result << ")\n";
        return 1;
    }
    return loaded ? SaveIfChanged(*loaded, options) : 0;
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
    run->callback([options, &exitStatus] { exitStatus = RunPluginCommand(*options); });
}

}  // namespace app
