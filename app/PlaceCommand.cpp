#include "app/PlaceCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "app/AppClient.h"
#include "app/ClusterColours.h"
#include "app/DialogRouter.h"
#include "app/GridOption.h"
#include "app/PathChecks.h"
#include "app/PlaceReport.h"
#include "app/PluginSession.h"
#include "app/ProgressReporter.h"
#include "app/SvgRenderer.h"
#include "io/AtomicFile.h"
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

constexpr int kMaxThreshold = 105;  // the highest score a pair can get
constexpr int kMaxWeight = 15;
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

namespace {

// The placer's own dialogs answered from the flags; everything else for the person.
DialogPlan PlacerDialogPlan(const PlaceOptions& options) {
    DialogPlan plan;
    plan.CommandAnswers = PlacerDialogAnswers(options);
    if (!plan.CommandAnswers.empty()) {
        plan.Closing = plan.CommandAnswers.back();
        plan.CommandAnswers.pop_back();
    }
    plan.ScriptedCaptions.push_back(kChoiceDialogCaption);
    if (!options.Setup) {
        plan.ScriptedCaptions.push_back(kSetupDialogCaption);
    }
    return plan;
}

std::string PicturePath(const PlaceOptions& options, const std::string& stem, const char* when) {
    return (std::filesystem::path(options.PicturesDir) / (stem + "-" + when + ".svg")).string();
}

// Launches "RunAutoPlacer" (in test mode when the setup dialog takes the
// flags) with the progress shown; the phases go to the report.
int32_t RunPlacer(PluginSession& session, const PlaceOptions& options, PlaceReport& report) {
    const ProgressReporter::Style style = options.ProgressLines              ? ProgressReporter::Style::Lines
                                          : isatty(STDERR_FILENO) != 0 ? ProgressReporter::Style::Bar
                                                                       : ProgressReporter::Style::Quiet;
    ProgressReporter progress(std::cerr, style);
    session.ShowProgress(&progress);
    std::vector<char> buffer(kParameterBuffer, '\0');
    if (NeedsSetupDialog(options)) {
        std::strcpy(buffer.data(), "Test=True");
    }
    const int32_t result = session.Launch("RunAutoPlacer", buffer);
    report.phases = PhaseTimes(progress);
    session.ShowProgress(nullptr);
    return result;
}

// Every output the options name, checked once the board (and so every input)
// is known and before anything runs: none replaces an input or another output,
// each can be written.
int CheckOutputs(const PlaceOptions& options, const std::string& target, const io::LoadedBoard& loaded) {
    std::vector<std::string> inputs = loaded.inputs;
    if (options.InPlace) {
        inputs.erase(std::remove(inputs.begin(), inputs.end(), loaded.path), inputs.end());
    }
    const std::string board = options.InPlace && options.Output.empty() ? loaded.path : target;
    std::string problem = CheckOutputFile(board, "output board", inputs);
    if (problem.empty() && !options.ReportPath.empty()) {
        problem = io::OverwrittenInput(options.ReportPath, {board}) != nullptr
                      ? "report " + options.ReportPath + " would replace the placed board"
                      : CheckOutputFile(options.ReportPath, "report", inputs);
    }
    if (problem.empty() && !options.PicturesDir.empty()) {
        problem = CheckOutputFolder(options.PicturesDir, "pictures folder", inputs);
    }
    if (!problem.empty()) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitCannotWrite;
    }
    return kExitOk;
}

// The exit status the placer's dialogs leave (kExitOk when it placed or was stopped).
int RunOutcome(int32_t result, const DialogRouter& dialogs) {
    if (result != sdk::kResultOk) {
        const std::string why = dialogs.Errors().empty() ? "the placement command failed" : dialogs.Errors().back();
        std::cerr << "autoplacer: " << why << '\n';
        return kExitFailed;
    }
    if (!dialogs.Errors().empty()) {
        std::cerr << "autoplacer: " << dialogs.Errors().back() << '\n';
        return kExitRefused;
    }
    if (dialogs.PlacerDialogCancelled()) {
        std::cerr << "autoplacer: placement cancelled; nothing written\n";
        return kExitCancelled;
    }
    return kExitOk;
}

}  // namespace

int RunPlaceCommand(const PlaceOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    if (options.Setup && (options.Dialogs.Batch || isatty(STDIN_FILENO) == 0)) {
        std::cerr << "autoplacer: --setup needs a terminal on standard input to show the setup dialog"
                  << (options.Dialogs.Batch ? " (not --batch)" : "")
                  << "; give the options as flags (--grid, --threshold, ...) instead\n";
        return kExitUsage;
    }
    // Said before the run rather than after it.
    const std::string target = options.Output.empty() ? io::DefaultOutputPath(options.Board) : options.Output;
    if (!options.InPlace && SameFile(target, options.Board)) {
        std::cerr << "autoplacer: refusing to overwrite the input board " << options.Board << " (use --in-place)\n";
        return kExitCannotWrite;
    }
    PluginSession session;
    io::LoadOptions load;
    load.keepMountingHoles = !options.MoveMountingHoles;
    load.keepEdgeParts = !options.MoveEdgeParts;
    load.keepJoinedParts = !options.MoveJoinedParts;
    if (const int status = session.LoadBoard(options.Board, load); status != kExitOk) {
        return status;
    }
    if (const int status = CheckOutputs(options, target, *session.Loaded()); status != kExitOk) {
        return status;
    }
    hostpcb::Board& board = *session.Loaded()->board;
    PlaceReport report;
    report.board = options.Board;
    report.keptMountingHoles = session.Loaded()->keptMountingHoles;
    report.keptEdgeParts = session.Loaded()->keptEdgeParts;
    report.keptJoinedParts = session.Loaded()->keptJoinedParts;
    report.before = MeasureBoard(board);
    const std::vector<ComponentState> states = SnapshotComponents(board);

    if (const int status = session.OpenDialogs(options.Dialogs, PlacerDialogPlan(options)); status != kExitOk) {
        return status;
    }
    if (const int status = session.LoadPlugin(options.PluginPath, options.Verbose, options.Seed); status != kExitOk) {
        return status;
    }
    ClusterColouring colours;
    const std::string stem = std::filesystem::path(options.Board).stem().string();
    if (!options.PicturesDir.empty()) {
        colours = ColourByCluster(*session.Launcher(), options.Threshold.value_or(85), !options.NoPrePasses);
        try {
            std::filesystem::create_directories(options.PicturesDir);
            WritePicture(board, PicturePath(options, stem, "before"), stem + " before placement", colours);
        } catch (const std::exception& failure) {
            std::cerr << "autoplacer: cannot write the pictures: " << failure.what() << '\n';
            return kExitCannotWrite;
        }
    }

    const int32_t result = RunPlacer(session, options, report);
    session.UnloadPlugin();
    const DialogRouter& dialogs = session.Dialogs();
    if (const int status = RunOutcome(result, dialogs); status != kExitOk) {
        return status;
    }
    RepaintAfterRedraw(session.Client(), board);
    const auto& statistical = session.Client().GetStatisticalOutcome();
    CompareComponents(states, board, statistical ? statistical->unfit : std::vector<std::string>{}, report);
    report.outcome = dialogs.StopConfirmed() ? (dialogs.RestoreAsked() ? "stopped, components restored" : "stopped")
                                             : "placed";

    io::SaveResult saved;
    if (const int status = session.Save(options.Output, options.InPlace, options.KeepRouting, saved);
        status != kExitOk) {
        return status;
    }
    report.output = saved.path;
    // Measured once the file is written: the writer drops stale routing from the board.
    report.after = MeasureBoard(board);
    if (!options.PicturesDir.empty()) {
        try {
            WritePicture(board, PicturePath(options, stem, "after"), stem + " after placement", colours);
        } catch (const std::exception& failure) {
            std::cerr << "autoplacer: wrote " << saved.path << " but cannot write the picture: " << failure.what()
                      << '\n';
            return kExitCannotWrite;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    report.seconds = elapsed.count();
    WriteReportText(report, std::cout);
    if (!options.ReportPath.empty()) {
        try {
            io::WriteFileAtomically(options.ReportPath, ReportJson(report));
        } catch (const std::exception& failure) {
            std::cerr << "autoplacer: wrote " << saved.path << " but cannot write the report: " << failure.what()
                      << '\n';
            return kExitCannotWrite;
        }
    }
    if (dialogs.StopConfirmed()) {
        std::cerr << "autoplacer: placement stopped by the user"
                  << (dialogs.RestoreAsked() ? "; every component is back where it was" : "") << '\n';
        return kExitStopped;
    }
    return report.Legal() ? kExitOk : kExitNotLegal;
}

void RegisterPlaceCommand(CLI::App& cli, int& exitStatus) {
    auto options = std::make_shared<PlaceOptions>();
    CLI::App* place = cli.add_subcommand("place", "Place the footprints of a KiCad board with the cluster placer");
    place->add_option("BOARD", options->Board, "KiCad board (.kicad_pcb)")->required();
    place->add_option("-o,--output", options->Output, "Where to write the board (default: BOARD.placed.kicad_pcb)");
    place->add_flag("--in-place", options->InPlace, "Overwrite the board file");
    place->add_flag("--keep-routing", options->KeepRouting, "Keep tracks and vias of moved footprints");
    place->add_flag("--move-mounting-holes", options->MoveMountingHoles,
                    "Place mounting holes too (by default a footprint named MountingHole... stays where it is)");
    place->add_flag("--move-edge-parts", options->MoveEdgeParts,
                    "Place parts that lie across the board's edge too (by default they stay where they are)");
    place->add_flag("--move-joined-parts", options->MoveJoinedParts,
                    "Place parts that share a hole with another part too, such as the connectors of one plug-in "
                    "module (by default they stay where they are)");
    CLI::Option* statistical =
        place->add_flag("--statistical", options->Statistical, "Use the host's statistical placer instead");
    place->add_option("--seed", options->Seed, "Seed of the statistical placer (default 1): same seed, same placement");
    CLI::Option* quick =
        place->add_flag("--quick", options->Quick, "Quick Component Placement: rooms only, no final grid placement");
    quick->excludes(statistical);
    std::vector<CLI::Option*> setupOptions;
    setupOptions.push_back(place->add_option("--grid", options->Grid, GridHelp("Placement grid"))->check(GridValidator()));
    setupOptions.push_back(place->add_option("--threshold", options->Threshold,
                                             "Clustering threshold: a pair score from 0 to 105 (default 85)")
                               ->check(CLI::Range(0, kMaxThreshold)));
    setupOptions.push_back(place->add_flag("--no-pre-passes", options->NoPrePasses,
                                           "Skip the special clusters (rooms, ICs with capacitors, same footprints)"));
    setupOptions.push_back(place->add_flag("--tree-rooms", options->TreeBasedRooms,
                                           "Tree-Based Room Generation: rooms from the first spread"));
    setupOptions.push_back(place->add_flag("--free-topology", options->FreeNetTopology,
                                           "Do not keep the net topology fixed during the run"));
    setupOptions.push_back(
        place->add_option("--guide-weight", options->GuideWeight, "Weight of keeping parts in their room (0-15)")->check(CLI::Range(0, kMaxWeight)));
    setupOptions.push_back(place->add_option("--pad-weight", options->PadWeight, "Weight of pad positions (0-15)")->check(CLI::Range(0, kMaxWeight)));
    setupOptions.push_back(
        place->add_option("--length-weight", options->LengthWeight, "Weight of connection length (0-15)")->check(CLI::Range(0, kMaxWeight)));
    setupOptions.push_back(
        place->add_option("--crossover-weight", options->CrossOverWeight, "Weight of crossing connections (0-15)")->check(CLI::Range(0, kMaxWeight)));
    setupOptions.push_back(
        place->add_option("--direction-weight", options->DirectionWeight, "Weight of routing directions (0-15)")->check(CLI::Range(0, kMaxWeight)));
    CLI::Option* setup = place->add_flag(
        "--setup", options->Setup,
        "Show the cluster placer's setup dialog on the terminal (needs a terminal; not with --batch or --quick)");
    for (CLI::Option* option : setupOptions) {
        option->excludes(statistical);
        option->excludes(setup);
    }
    setup->excludes(statistical);
    setup->excludes(quick);
    place->add_option("--report", options->ReportPath, "Also write the report as JSON to this file");
    place->add_option("--pictures", options->PicturesDir, "Write before and after SVG pictures into this folder");
    place->add_option("--plugin", options->PluginPath, "Plug-in library (default: libautoplacer.so beside autoplacer)");
    place->add_flag("-v,--verbose", options->Verbose, "Show status-bar texts and host commands on stderr");
    place->add_flag("--progress-lines", options->ProgressLines,
                    "Show progress as lines on stderr (\"progress DONE/TOTAL PHASE\"), "
                    "for programs running autoplacer");
    AddDialogOptions(*place, options->Dialogs);
    place->callback([options, &exitStatus] { exitStatus = RunPlaceCommand(*options); });
}

}  // namespace app
