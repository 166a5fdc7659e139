#include "app/EditCommand.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "app/BrowserView.h"
#include "app/DialogRouter.h"
#include "app/PathChecks.h"
#include "app/PluginSession.h"
#include "app/ScriptPlayer.h"
#include "app/ScriptedDialogHost.h"
#include "io/BoardFiles.h"
#include "io/Units.h"

namespace app {

namespace {

// The smallest parameter buffer the application hands to a command.
constexpr std::size_t kMinimumParameterBuffer = 1024;

std::string Placement(hostpcb::Point position, double rotation, hostpcb::LayerNumber side) {
    const io::KPoint at = io::ToKicad(position);
    const bool back = side == PCB_BOTTOM_LAYER;
    char text[96];
    std::snprintf(text, sizeof text, "(%.4f, %.4f) %g deg %s", at.x, at.y, io::KicadAngle(rotation, back),
                  back ? "back" : "front");
    return text;
}

// One line per footprint whose position, rotation or side changed, in KiCad's frame.
void ListMoves(const io::LoadedBoard& loaded, std::ostream& out) {
    for (const io::FootprintLink& link : loaded.mapping.links) {
        const hostpcb::Component* c = link.component;
        if (c != nullptr &&
            (c->Position() != link.origin || c->Rotation() != link.rotation || c->Layer() != link.side)) {
            out << c->Designator() << ": " << Placement(link.origin, link.rotation, link.side) << " -> "
                << Placement(c->Position(), c->Rotation(), c->Layer()) << '\n';
        }
    }
}

// Every output checked before anything runs: the board written never replaces
// an input unless it is the board itself with --in-place.
int CheckOutput(const EditOptions& options, const io::LoadedBoard& loaded) {
    std::vector<std::string> inputs = loaded.inputs;
    if (options.InPlace) {
        inputs.erase(std::remove(inputs.begin(), inputs.end(), loaded.path), inputs.end());
    }
    const std::string target = options.Output.empty() ? (options.InPlace ? loaded.path : io::DefaultOutputPath(loaded.path))
                                                      : options.Output;
    if (!options.InPlace && io::OverwrittenInput(target, {loaded.path}) != nullptr) {
        std::cerr << "autoplacer: refusing to overwrite the input board " << loaded.path << " (use --in-place)\n";
        return kExitCannotWrite;
    }
    if (const std::string problem = CheckOutputFile(target, "output board", inputs); !problem.empty()) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitCannotWrite;
    }
    return kExitOk;
}

// Runs one command of the script the way "run" does and judges its outcome.
std::optional<ScriptFailure> LaunchFromScript(PluginSession& session, bool verbose, const std::string& command,
                                              const std::string& parameters, bool nested) {
    std::vector<char> buffer(std::max(kMinimumParameterBuffer, parameters.size() + 1), '\0');
    std::memcpy(buffer.data(), parameters.data(), parameters.size());
    const std::size_t errorsBefore = session.Dialogs().Errors().size();
    const int updatesBefore = session.Client().GetView().UpdateCount;
    // A command that arrives while an edit runs leaves the outer command's Ctrl-C handling alone.
    const int32_t result =
        nested ? session.Launcher()->LaunchCommand(command.c_str(), buffer.data(), int32_t(buffer.size()), nullptr)
               : session.Launch(command, buffer);
    if (verbose) {
        std::cerr << "autoplacer: " << command << " answered \"" << buffer.data() << "\"\n";
    }
    const std::vector<std::string>& errors = session.Dialogs().Errors();
    const bool newError = errors.size() > errorsBefore;
    if (result != sdk::kResultOk) {
        return ScriptFailure{0,
                             newError ? errors.back()
                                      : "the command " + command + " failed (result " + std::to_string(result) + ")",
                             kExitFailed};
    }
    // The plug-in's frame updates the view after every command it knows.
    if (session.Client().GetView().UpdateCount == updatesBefore) {
        return ScriptFailure{0, "the plug-in has no command \"" + command + "\"", kExitUnknownCommand};
    }
    if (newError) {
        return ScriptFailure{0, errors.back(), kExitRefused};
    }
    return std::nullopt;
}

// "SCRIPT:LINE: " for a script read from a file; nothing for one a command made up.
std::string ScriptPlace(const EditScript& script, int line) {
    return script.name.empty() || line <= 0 ? "" : script.name + ":" + std::to_string(line) + ": ";
}

}  // namespace

int RunEditSession(const EditOptions& options, const EditScript& script, const DialogPlan& plan) {
    PluginSession session;
    if (const int status = session.LoadBoard(options.Board); status != kExitOk) {
        return status;
    }
    const io::LoadedBoard& loaded = *session.Loaded();
    if (const int status = CheckOutput(options, loaded); status != kExitOk) {
        return status;
    }
    ScriptPlayer player(
        script, *loaded.board,
        [&session, &options](const std::string& command, const std::string& parameters, bool nested) {
            return LaunchFromScript(session, options.Verbose, command, parameters, nested);
        },
        [&session](const std::string& answer) { return session.Script().AddAnswer(answer); }, std::cerr);
    if (const std::optional<ScriptError> error = player.CheckReferences()) {
        std::cerr << "autoplacer: " << ScriptPlace(script, error->line) << error->message << '\n';
        return kExitUsage;
    }
    if (const int status = session.OpenDialogs(options.Dialogs, plan); status != kExitOk) {
        return status;
    }
    if (const int status = session.LoadPlugin(options.PluginPath, options.Verbose); status != kExitOk) {
        return status;
    }
    const bool played = player.Play();
    session.UnloadPlugin();
    if (!played) {
        const ScriptFailure& failure = *player.Failure();
        std::cerr << "autoplacer: " << ScriptPlace(script, failure.line) << failure.text << " (nothing written)\n";
        return failure.status;
    }
    ListMoves(loaded, std::cout);
    io::SaveResult saved;
    if (const int status = session.Save(options.Output, options.InPlace, options.KeepRouting, saved);
        status != kExitOk) {
        return status;
    }
    std::cerr << "autoplacer: wrote " << saved.path << " (" << saved.moved << " footprints moved)\n";
    return kExitOk;
}

int RunEditCommand(const EditOptions& options) {
    if (options.ScriptPath.empty()) {
        return RunBrowserView(options);
    }
    if (const std::string problem = CheckInputFile(options.ScriptPath, "script"); !problem.empty()) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitUsage;
    }
    EditScript script;
    script.name = options.ScriptPath;
    try {
        if (const std::optional<ScriptError> error = ParseEditScript(io::ReadInputFile(options.ScriptPath), script)) {
            std::cerr << "autoplacer: " << options.ScriptPath << ":" << error->line << ": " << error->message << '\n';
            return kExitUsage;
        }
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: " << failure.what() << '\n';
        return kExitUsage;
    }
    return RunEditSession(options, script);
}

void RegisterEditCommand(CLI::App& cli, int& exitStatus) {
    auto options = std::make_shared<EditOptions>();
    CLI::App* edit = cli.add_subcommand(
        "edit",
        "Edit a board in a web browser, or replay an editing session from a script (selections, commands, picks, "
        "moves, keys, editor events)");
    edit->add_option("BOARD", options->Board, "KiCad board (.kicad_pcb)")->required();
    edit->add_option("-s,--script", options->ScriptPath,
                     "The session, one action per line (docs/editing-scripts.md); without it the board opens in "
                     "the browser view: a page served on 127.0.0.1 whose address (with its token) is printed");
    edit->add_option("--journal", options->JournalPath,
                     "Browser view: write the session down as an editing script when it ends");
    edit->add_option("-o,--output", options->Output, "Where to write the board (default: BOARD.placed.kicad_pcb)");
    edit->add_flag("--in-place", options->InPlace, "Overwrite the board file");
    edit->add_flag("--keep-routing", options->KeepRouting, "Keep tracks and vias of moved footprints");
    edit->add_option("--plugin", options->PluginPath, "Plug-in library (default: libautoplacer.so beside autoplacer)");
    edit->add_flag("-v,--verbose", options->Verbose, "Show status-bar texts, host commands and command answers on stderr");
    AddDialogOptions(*edit, options->Dialogs);
    edit->callback([options, &exitStatus] { exitStatus = RunEditCommand(*options); });
}

}  // namespace app
