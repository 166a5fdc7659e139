#include "app/AlignCommand.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <map>
#include <memory>

#include "app/ExitStatus.h"
#include "app/GridOption.h"

namespace app {

namespace {

constexpr const char* kAlignDialog = "Align Components";

// The radio items of the dialog, counted from 0 ("no change" is item 0).
const std::map<std::string, int> kHorizontalItems = {{"centre", 1}, {"center", 1}, {"right", 2}, {"distribute", 3}};
const std::map<std::string, int> kVerticalItems = {{"centre", 1}, {"center", 1}, {"bottom", 2}, {"distribute", 3}};

}  // namespace

std::vector<std::string> AlignDialogAnswers(const AlignOptions& options) {
    const std::string form = kAlignDialog;
    std::vector<std::string> answers;
    if (options.Horizontal) {
        answers.push_back(form + ".RadioGroupHorizontalAlignment=" +
                          std::to_string(kHorizontalItems.at(*options.Horizontal)));
    }
    if (options.Vertical) {
        answers.push_back(form + ".RadioGroupVerticalAlignment=" + std::to_string(kVerticalItems.at(*options.Vertical)));
    }
    if (options.Grid) {
        answers.push_back(form + ".MoveComponentsToGrid=1");
        answers.push_back(form + ".GridSize_Edit=" + *options.Grid);
    }
    answers.push_back(form + "=OK");
    return answers;
}

int RunAlignCommand(const AlignOptions& options) {
    if (!options.Horizontal && !options.Vertical && !options.Grid) {
        std::cerr << "autoplacer: nothing to do: give --horizontal, --vertical or --grid\n";
        return kExitUsage;
    }
    // The same session a script of three lines would run: only the named parts selected.
    EditScript script;
    ScriptLine clear;
    clear.kind = ScriptLine::Kind::Deselect;
    clear.source = "deselect all";
    ScriptLine select;
    select.kind = ScriptLine::Kind::Select;
    select.words = options.Select;
    select.source = "select (--select)";
    ScriptLine run;
    run.kind = ScriptLine::Kind::Run;
    run.text = "AlignComponents";
    run.source = "run AlignComponents";
    script.lines = {clear, select, run};

    DialogPlan plan;
    plan.CommandAnswers = AlignDialogAnswers(options);
    plan.Closing = plan.CommandAnswers.back();
    plan.CommandAnswers.pop_back();
    plan.ScriptedCaptions.push_back(kAlignDialog);
    return RunEditSession(options.Edit, script, plan);
}

void RegisterAlignCommand(CLI::App& cli, int& exitStatus) {
    auto options = std::make_shared<AlignOptions>();
    CLI::App* align = cli.add_subcommand(
        "align", "Line up footprints with the placer's alignment (its \"Align Components\" dialog answered from flags)");
    align->add_option("BOARD", options->Edit.Board, "KiCad board (.kicad_pcb)")->required();
    align->add_option("--select", options->Select, "References of the footprints to line up, e.g. --select C1 C2 C3")
        ->required();
    align->add_option("--horizontal", options->Horizontal,
                      "Horizontally: centre (on one vertical line), right (right edges) or distribute (equal gaps)")
        ->transform(CLI::IsMember({"centre", "center", "right", "distribute"}, CLI::ignore_case));
    align->add_option("--vertical", options->Vertical,
                      "Vertically: centre (on one horizontal line), bottom (bottom edges) or distribute (equal gaps)")
        ->transform(CLI::IsMember({"centre", "center", "bottom", "distribute"}, CLI::ignore_case));
    align->add_option("--grid", options->Grid, GridHelp("Then move every reference point onto a grid"))
        ->check(GridValidator());
    align->add_option("-o,--output", options->Edit.Output,
                      "Where to write the board (default: BOARD.placed.kicad_pcb)");
    align->add_flag("--in-place", options->Edit.InPlace, "Overwrite the board file");
    align->add_flag("--keep-routing", options->Edit.KeepRouting, "Keep tracks and vias of moved footprints");
    align->add_option("--plugin", options->Edit.PluginPath,
                      "Plug-in library (default: libautoplacer.so beside autoplacer)");
    align->add_flag("-v,--verbose", options->Edit.Verbose, "Show status-bar texts and host commands on stderr");
    AddDialogOptions(*align, options->Edit.Dialogs);
    align->callback([options, &exitStatus] { exitStatus = RunAlignCommand(*options); });
}

}  // namespace app
