#include "app/PlaceCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "app/AppClient.h"
#include "app/ClusterColours.h"
#include "app/FileRegistry.h"
#include "app/Interrupts.h"
#include "app/MessagePump.h"
#include "app/PlaceDialogs.h"
#include "app/PlaceReport.h"
#include "app/PluginLoader.h"
#include "app/ProgressReporter.h"
#include "app/ScriptedDialogHost.h"
#include "app/SvgRenderer.h"
#include "app/TerminalDialogHost.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"

namespace app {

namespace {

constexpr std::size_t kParameterBuffer = 1024;

std::string OnOff(bool on) { return on ? "1" : "0"; }

// The host's redraw draws every object again, those the placer hid for the run included.
void RepaintAfterRedraw(const AppClient& client, hostpcb::Board& board) {
    bool redrawn = false;
    for (const ProcessCall& call : client.GetProcessCalls()) {
        redrawn = redrawn || (call.Process == "PCB:Zoom" && call.Parameters.find("Action=Redraw") != std::string::npos);
    }
    if (!redrawn) {
        return;
    }
    for (hostpcb::Object* object : board.Objects()) {
        object->display.hidden = false;
        if (auto* component = dynamic_cast<hostpcb::Component*>(object)) {
            for (hostpcb::Primitive* child : component->Children()) {
                child->display.hidden = false;
            }
        }
    }
}

void WritePicture(const hostpcb::Board& board, const std::string& path, const std::string& title,
                  const ClusterColouring& colours) {
    RenderOptions picture;
    picture.title = title;
    if (!colours.paints.empty()) {
        picture.paint = [&colours](const hostpcb::Component& component) {
            const auto paint = colours.paints.find(&component);
            return paint != colours.paints.end() ? paint->second : ComponentPaint{};
        };
    }
    io::WriteFileAtomically(path, RenderBoardSvg(board, picture));
}

// The phases as the report lists them.
std::vector<PhaseTime> PhaseTimes(ProgressReporter& progress) {
    std::vector<PhaseTime> phases;
    for (const ProgressReporter::Phase& phase : progress.Phases()) {
        phases.push_back({phase.Text, phase.Seconds});
    }
    return phases;
}

bool UserClosesForm(const std::vector<std::string>& answers, const std::string& form) {
    for (const std::string& answer : answers) {
        const std::size_t equals = answer.find('=');
        if (equals != std::string::npos && answer.compare(0, equals, form) == 0) {
            return true;
        }
    }
    return false;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) {
        return true;
    }
    const std::filesystem::path ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) {
        return false;
    }
    const std::filesystem::path cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

}  // namespace

bool NeedsSetupDialog(const PlaceOptions& o) {
    return o.Setup || o.Grid || o.Threshold || o.NoPrePasses || o.TreeBasedRooms || o.FreeNetTopology ||
           o.GuideWeight || o.PadWeight || o.LengthWeight || o.CrossOverWeight || o.DirectionWeight;
}

std::vector<std::string> PlacerDialogAnswers(const PlaceOptions& o) {
    std::vector<std::string> answers;
    if (o.Setup) {
        return answers;  // the person at the terminal fills in the setup dialog
    }
    if (!NeedsSetupDialog(o)) {
        const std::string form = kChoiceDialogCaption;
        answers.push_back(form + (o.Statistical ? ".UseGlobalPlacer_RadioButton=1" : ".UseNewAutoPlacer_RadioButton=1"));
        if (!o.Statistical) {
            answers.push_back(form + ".QuickPlace_CheckBox=" + OnOff(o.Quick));
        }
        answers.push_back(form + "=OK");
        return answers;
    }
    // The setup dialog starts from its defaults, whatever an earlier run stored.
    const std::string form = kSetupDialogCaption;
    answers.push_back(form + ": click SetDefaults_Button");
    answers.push_back(form + ".StrictFloorPlanning_CheckBox=" + OnOff(o.Quick));
    answers.push_back(form + ".DoPrePasses_CheckBox=" + OnOff(!o.NoPrePasses));
    answers.push_back(form + ".TreeBasedRooms_CheckBox=" + OnOff(o.TreeBasedRooms));
    answers.push_back(form + ".FixedNetTopology_CheckBox=" + OnOff(!o.FreeNetTopology));
    if (o.Grid) {
        answers.push_back(form + ".GridSize_Edit=" + *o.Grid);
    }
    if (o.Threshold) {
        answers.push_back(form + ".ClusterScoreThreshold_Edit=" + std::to_string(*o.Threshold));
    }
    const std::pair<const char*, const std::optional<int>*> weights[] = {
        {"GuideCostWeight_Edit", &o.GuideWeight},
        {"PadCostWeight_Edit", &o.PadWeight},
        {"ConnectionLengthCostWeight_Edit", &o.LengthWeight},
        {"CrossOverCostWeight_Edit", &o.CrossOverWeight},
        {"DirectionCostWeight_Edit", &o.DirectionWeight}};
    bool onCostsPage = false;
    for (const auto& [edit, value] : weights) {
        if (*value) {
            if (!onCostsPage) {
                answers.push_back(form + ".Form_PageControl=Costs");
                onCostsPage = true;
            }
            answers.push_back(form + "." + edit + "=" + std::to_string(**value));
        }
    }
    answers.push_back(form + "=Place");
    return answers;
}

int RunPlaceCommand(const PlaceOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    // Said before the run rather than after it.
    const std::string target = options.Output.empty() ? io::DefaultOutputPath(options.Board) : options.Output;
    if (!options.InPlace && SameFile(target, options.Board)) {
        std::cerr << "autoplacer: refusing to overwrite the input board " << options.Board << " (use --in-place)\n";
        return kPlaceCannotWrite;
    }
    std::unique_ptr<io::LoadedBoard> loaded;
    try {
        loaded = io::LoadBoardFile(options.Board);
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: cannot read " << options.Board << ": " << failure.what() << '\n';
        return kPlaceBadInput;
    }
    for (const std::string& warning : loaded->warnings) {
        std::cerr << "autoplacer: " << warning << '\n';
    }
    hostpcb::Board& board = *loaded->board;

    PlaceReport report;
    report.board = options.Board;
    report.before = MeasureBoard(board);
    const std::vector<ComponentState> states = SnapshotComponents(board);
    ClusterColouring colours;
    const std::string stem = std::filesystem::path(options.Board).stem().string();
    if (!options.PicturesDir.empty()) {
        colours = ColourByCluster(board, options.Threshold.value_or(85), !options.NoPrePasses);
        std::filesystem::create_directories(options.PicturesDir);
        WritePicture(board, (std::filesystem::path(options.PicturesDir) / (stem + "-before.svg")).string(),
                     stem + " before placement", colours);
    }

    // Dialogs: the placer's own dialogs from the flags, the rest for the person.
    const bool interactive = !options.Dialogs.Batch && isatty(STDIN_FILENO) != 0;
    ScriptedDialogHost script(std::cerr);
    std::vector<std::string> answers = PlacerDialogAnswers(options);
    const std::string closing = answers.empty() ? std::string() : answers.back();
    if (!answers.empty()) {
        answers.pop_back();
    }
    std::vector<std::string> userAnswers = options.Dialogs.Answers;
    for (const std::string& answer : answers) {
        if (const std::string problem = script.AddAnswer(answer); !problem.empty()) {
            std::cerr << "autoplacer: " << problem << '\n';
            return kPlaceBadInput;
        }
    }
    for (const std::string& answer : userAnswers) {
        if (const std::string problem = script.AddAnswer(answer); !problem.empty()) {
            std::cerr << "autoplacer: " << problem << '\n';
            return kPlaceBadInput;
        }
    }
    if (!options.Dialogs.AnswersFile.empty()) {
        if (const std::string problem = script.LoadAnswers(options.Dialogs.AnswersFile); !problem.empty()) {
            std::cerr << "autoplacer: " << problem << '\n';
            return kPlaceBadInput;
        }
    }
    const std::string closingForm = closing.substr(0, closing.find('='));
    if (!closing.empty() && !UserClosesForm(userAnswers, closingForm)) {
        script.AddAnswer(closing);
    }
    std::unique_ptr<TerminalDialogHost> terminal;
    if (interactive) {
        terminal = std::make_unique<TerminalDialogHost>(STDIN_FILENO, std::cerr);
    }
    PlaceDialogs dialogs(script, terminal.get(), options.Setup);
    const std::filesystem::path registryPath = options.Dialogs.RegistryPath.empty()
                                                   ? FileRegistry::DefaultPath()
                                                   : std::filesystem::path(options.Dialogs.RegistryPath);
    FileRegistry registry(registryPath, std::cerr);

    AppClient client;
    client.SetVerbose(options.Verbose);
    client.SetDialogHost(&dialogs);
    client.SetRegistry(&registry);
    if (options.Seed) {
        client.SetStatisticalSeed(*options.Seed);
    }
    MessagePump pump;
    client.SetMessagePump([&pump, &client] { pump.Deliver(client.GetCommandLauncher()); });

    std::string error;
    const std::string pluginPath = options.PluginPath.empty() ? DefaultPluginPath() : options.PluginPath;
    std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::Load(pluginPath, client, error);
    if (!plugin) {
        std::cerr << "autoplacer: " << error << '\n';
        return kPlaceNoPlugin;
    }
    client.SetServerModule(plugin->Module());

    ProgressReporter progress(std::cerr, isatty(STDERR_FILENO) != 0);
    hostpcb::Host::Instance().SetInteraction(&progress);
    std::vector<char> buffer(kParameterBuffer, '\0');
    if (NeedsSetupDialog(options)) {
        std::strcpy(buffer.data(), "Test=True");
    }
    interrupts::Install();
    interrupts::SetCommandRunning(true);
    const int32_t result = plugin->Launcher()->LaunchCommand("RunAutoPlacer", buffer.data(),
                                                             static_cast<int32_t>(buffer.size()), nullptr);
    interrupts::SetCommandRunning(false);
    interrupts::Uninstall();
    report.phases = PhaseTimes(progress);
    hostpcb::Host::Instance().SetInteraction(nullptr);
    client.SetServerModule(nullptr);
    plugin.reset();
    for (const std::string& unused : script.UnusedAnswers()) {
        if (unused != closing) {
            std::cerr << "autoplacer: answer \"" << unused << "\" was not used\n";
        }
    }

    if (result != sdk::kResultOk) {
        const std::string why = dialogs.Errors().empty() ? "the placement command failed" : dialogs.Errors().back();
        std::cerr << "autoplacer: " << why << '\n';
        return kPlaceFailed;
    }
    if (!dialogs.Errors().empty()) {
        std::cerr << "autoplacer: " << dialogs.Errors().back() << '\n';
        return kPlaceRefused;
    }
    if (dialogs.PlacerDialogCancelled()) {
        std::cerr << "autoplacer: placement cancelled; nothing written\n";
        return kPlaceCancelled;
    }

    RepaintAfterRedraw(client, board);
    CompareComponents(states, report);
    report.outcome = dialogs.StopConfirmed() ? (dialogs.RestoreAsked() ? "stopped, components restored" : "stopped")
                                             : "placed";

    io::SaveOptions save;
    save.output = options.InPlace && options.Output.empty() ? loaded->path : options.Output;
    save.inPlace = options.InPlace;
    save.keepRouting = options.KeepRouting;
    try {
        const io::SaveResult saved = io::SaveBoardFile(*loaded, save);
        for (const std::string& warning : saved.warnings) {
            std::cerr << "autoplacer: " << warning << '\n';
        }
        report.output = saved.path;
        // Measured once the file is written: the writer drops stale routing from the board.
        report.after = MeasureBoard(board);
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: cannot write the board: " << failure.what() << '\n';
        return kPlaceCannotWrite;
    }

    if (!options.PicturesDir.empty()) {
        WritePicture(board, (std::filesystem::path(options.PicturesDir) / (stem + "-after.svg")).string(),
                     stem + " after placement", colours);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    report.seconds = elapsed.count();
    WriteReportText(report, std::cout);
    if (!options.ReportPath.empty()) {
        try {
            io::WriteFileAtomically(options.ReportPath, ReportJson(report));
        } catch (const std::exception& failure) {
            std::cerr << "autoplacer: cannot write the report: " << failure.what() << '\n';
            return kPlaceCannotWrite;
        }
    }
    if (dialogs.StopConfirmed()) {
        std::cerr << "autoplacer: placement stopped by the user"
                  << (dialogs.RestoreAsked() ? "; every component is back where it was" : "") << '\n';
        return kPlaceStopped;
    }
    return 0;
}

void RegisterPlaceCommand(CLI::App& cli, int& exitStatus) {
    auto options = std::make_shared<PlaceOptions>();
    CLI::App* place = cli.add_subcommand("place", "Place the footprints of a KiCad board with the cluster placer");
    place->add_option("BOARD", options->Board, "KiCad board (.kicad_pcb)")->required();
    place->add_option("-o,--output", options->Output, "Where to write the board (default: BOARD.placed.kicad_pcb)");
    place->add_flag("--in-place", options->InPlace, "Overwrite the board file");
    place->add_flag("--keep-routing", options->KeepRouting, "Keep tracks and vias of moved footprints");
    CLI::Option* statistical =
        place->add_flag("--statistical", options->Statistical, "Use the host's statistical placer instead");
    place->add_option("--seed", options->Seed, "Seed of the statistical placer (default 1): same seed, same placement");
    place->add_flag("--quick", options->Quick, "Quick Component Placement: rooms only, no final grid placement")
        ->excludes(statistical);
    std::vector<CLI::Option*> setupOptions;
    setupOptions.push_back(place->add_option("--grid", options->Grid, "Placement grid, e.g. 25mil or 0.5mm"));
    setupOptions.push_back(
        place->add_option("--threshold", options->Threshold, "Clustering threshold (pair score, default 85)"));
    setupOptions.push_back(place->add_flag("--no-pre-passes", options->NoPrePasses,
                                           "Skip the special clusters (rooms, ICs with capacitors, same footprints)"));
    setupOptions.push_back(place->add_flag("--tree-rooms", options->TreeBasedRooms,
                                           "Tree-Based Room Generation: rooms from the first spread"));
    setupOptions.push_back(place->add_flag("--free-topology", options->FreeNetTopology,
                                           "Do not keep the net topology fixed during the run"));
    setupOptions.push_back(
        place->add_option("--guide-weight", options->GuideWeight, "Weight of keeping parts in their room (0-15)"));
    setupOptions.push_back(place->add_option("--pad-weight", options->PadWeight, "Weight of pad positions (0-15)"));
    setupOptions.push_back(
        place->add_option("--length-weight", options->LengthWeight, "Weight of connection length (0-15)"));
    setupOptions.push_back(
        place->add_option("--crossover-weight", options->CrossOverWeight, "Weight of crossing connections (0-15)"));
    setupOptions.push_back(
        place->add_option("--direction-weight", options->DirectionWeight, "Weight of routing directions (0-15)"));
    CLI::Option* setup =
        place->add_flag("--setup", options->Setup, "Show the cluster placer's setup dialog on the terminal");
    for (CLI::Option* option : setupOptions) {
        option->excludes(statistical);
        option->excludes(setup);
    }
    setup->excludes(statistical);
    place->add_option("--report", options->ReportPath, "Also write the report as JSON to this file");
    place->add_option("--pictures", options->PicturesDir, "Write before and after SVG pictures into this folder");
    place->add_option("--plugin", options->PluginPath, "Plug-in library (default: libautoplacer.so beside autoplacer)");
    place->add_flag("-v,--verbose", options->Verbose, "Show status-bar texts and host commands on stderr");
    AddDialogOptions(*place, options->Dialogs);
    place->callback([options, &exitStatus] { exitStatus = RunPlaceCommand(*options); });
}

}  // namespace app
