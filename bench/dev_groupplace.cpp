// dev_groupplace: a developer tool that runs the group placer in full mode on a
// real board, one group per component, inside the board's keep-out outline.
//
// Fixed components (locked, or carrying keep-out primitives) are registered
// where they stand; the others are placed largest first. The tool prints how
// many groups found a conflict-free position, how many fell back (least
// overlap or the area's corner), and the time. --limit places only the first N
// movable components.
//
// By default every board is placed twice, with the fast forms of the search and
// with the plain reference forms (a fresh load each time), and the tool prints
// both times, their ratio and whether every component ended at the same
// position, rotation and side. --form picks one of them only.
#include <CLI/CLI.hpp>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "engines/GroupPlacer.h"
#include "engines/KeepOut.h"
#include "host/PcbIterators.h"
#include "hostpcb/Geometry.h"
#include "host/PcbRules.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/ConnectionDragger.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "plugin/Main_AutoPlacer.h"

namespace {

using namespace autoplacer;

struct Arguments {
    std::vector<std::string> boards;
    std::string form = "both";
    std::string boardOutput;
    double gridMils = 50.0;
    int limit = -1;
    bool dragger = false;
    bool quiet = false;
    bool list = false;
};

// The routing directions of the board's routing-layers rule, as the absolute placer reads them.
void ReadLayerDirections(TPlacementContext& context) {
    TObjectIterator(context.Board, PCB_RULE).ForEach([&](PcbHandle rule) {
        TPcbRule header(rule);
        if (header.Sync(PCB_READ) == PCB_OK && header.RuleKind == PCB_RULE_ROUTING_LAYERS) {
            ReadRoutingLayersRule(rule, context.LayerDirections);
        }
    });
}

bool HasExtent(PcbHandle component) {
    const TRect r = ComponentExtentRect(component);
    return r.Left != ExtentStartMin && RectWidth(r) >= 0 && RectHeight(r) >= 0;
}

// Where a component ended.
struct Placement {
    std::string designator;
    hostpcb::Point position;
    double rotation = 0.0;
    int layer = 0;
    bool operator==(const Placement&) const = default;
};

struct Outcome {
    double seconds = 0.0;
    double cpuSeconds = 0.0;  // the process's processor time: what the wall time is on an idle machine
    std::vector<Placement> placements;
};

Outcome Run(const Arguments& args, const std::string& path, bool reference) {
    std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(path);
    const std::string title = std::filesystem::path(path).filename().string();
    app::AppClient client;
    Client = &client;
    const PcbHandle board = loaded->board->Handle();

    TPlacementContext context;
    context.Board = board;
    const auto powerNets = FindPowerNets(board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(board);
    context.KeepOutPrimitives = &keepOut;
    context.Forms = reference ? TPlacerForms::Reference : TPlacerForms::Fast;
    if (!ValidateKeepOut(context)) {
        Client = nullptr;
        throw std::runtime_error(title + " has no usable outline");
    }
    ReadLayerDirections(context);
    AnalyzeAllNets(board);
    std::unique_ptr<TConnectionDragger> dragger;
    if (args.dragger) {
        dragger = std::make_unique<TConnectionDragger>(board, nullptr, nullptr, nullptr);
        context.ConnectionDragger = dragger.get();
    }

    TPlacerOptions options;
    options.GridSize = hostpcb::MilsToUnits(args.gridMils);

    // One group per component; components without a shape cannot be placed.
    std::vector<std::unique_ptr<TRectangularComponentGroup>> fixed;
    TFastListOf<TRectangularComponentGroup*> movable;
    std::vector<std::unique_ptr<TRectangularComponentGroup>> owned;
    int skipped = 0;
    for (const hostpcb::Component* component : loaded->board->Components()) {
        const PcbHandle handle = component->Handle();
        if (!HasExtent(handle)) {
            ++skipped;
            continue;
        }
        auto group = std::make_unique<TRectangularComponentGroup>();
        group->AddComponent(handle);
        if (IsFixedComponent(handle)) {
            fixed.push_back(std::move(group));
        } else {
            movable.Add(group.get());
            owned.push_back(std::move(group));
        }
    }
    movable.Sort([](TRectangularComponentGroup* a, TRectangularComponentGroup* b) {
        const int64_t sa = FirstComponent(*a)->AreaMeasure();
        const int64_t sb = FirstComponent(*b)->AreaMeasure();
        return sa > sb ? -1 : (sa < sb ? 1 : 0);
    });
    const int32_t count = args.limit >= 0 ? std::min(args.limit, movable.Count()) : movable.Count();

    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    TGroupPlacer placer(options, false, context);
    for (const auto& group : fixed) {
        placer.AddPlacedGroup(group.get());
    }
    int conflictFree = 0;
    int fellBack = 0;
    for (int32_t i = 0; i < count; ++i) {
        // Failed is sticky; clearing it here tells each group's outcome apart.
        placer.ClearFailed();
        placer.PlaceGroup(movable[i]);
        (placer.HasFailed() ? fellBack : conflictFree) += 1;
        if (args.list) {
            const TRect r = movable[i]->Rect;
            std::printf("%4d %-10s %6.0f x %6.0f mil at %6.0f, %6.0f%s; %d top and %d bottom points left\n", i + 1,
                        FirstComponent(*movable[i])->GetDesignator().c_str(), RectWidth(r) / 1e4, RectHeight(r) / 1e4,
                        (r.Left - placer.GetArea().Left) / 1e4, (r.Bottom - placer.GetArea().Bottom) / 1e4,
                        placer.HasFailed() ? " (fell back)" : "", placer.FreeGridPoints(true), placer.FreeGridPoints(false));
        }
        if (!args.quiet && (i + 1) % 10 == 0) {
            const std::chrono::duration<double> so_far = std::chrono::steady_clock::now() - start;
            std::fprintf(stderr, "  %d of %d groups, %.1f s\n", i + 1, count, so_far.count());
        }
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    Client = nullptr;

    std::printf("%s (%s forms): %zu components, %zu fixed, %d without shape, grid %.0f mil, area %.0f x %.0f mil%s\n",
                title.c_str(), reference ? "reference" : "fast", loaded->board->Components().size(), fixed.size(),
                skipped, args.gridMils, RectWidth(placer.GetArea()) / 10000.0, RectHeight(placer.GetArea()) / 10000.0,
                args.dragger ? ", connection dragger" : "");
    std::printf("  placed %d groups: %d conflict-free, %d fell back; %.2f s, processor %.2f s (%.3f s per group)\n",
                count, conflictFree, fellBack, seconds.count(), cpuSeconds,
                count > 0 ? cpuSeconds / count : 0.0);

    Outcome outcome;
    outcome.seconds = seconds.count();
    outcome.cpuSeconds = cpuSeconds;
    for (const hostpcb::Component* component : loaded->board->Components()) {
        outcome.placements.push_back(
            Placement{component->Designator(), component->Position(), component->Rotation(), component->Layer()});
    }
    if (!args.boardOutput.empty()) {
        io::SaveOptions save;
        save.output = args.form == "both" ? args.boardOutput + (reference ? ".reference" : ".fast")
                                          : args.boardOutput;
        const io::SaveResult saved = io::SaveBoardFile(*loaded, save);
        std::printf("wrote %s (%d footprints moved)\n", saved.path.c_str(), saved.moved);
    }
    return outcome;
}

// The components whose position, rotation or side differ between the two runs.
int Differences(const Outcome& a, const Outcome& b) {
    if (a.placements.size() != b.placements.size()) {
        return static_cast<int>(std::max(a.placements.size(), b.placements.size()));
    }
    int differ = 0;
    for (std::size_t i = 0; i < a.placements.size(); ++i) {
        if (!(a.placements[i] == b.placements[i])) {
            if (differ < 5) {
                std::printf("  differs: %s\n", a.placements[i].designator.c_str());
            }
            ++differ;
        }
    }
    return differ;
}

int RunBoards(const Arguments& args) {
    int status = 0;
    for (const std::string& path : args.boards) {
        const std::string title = std::filesystem::path(path).filename().string();
        if (args.form == "fast" || args.form == "reference") {
            Run(args, path, args.form == "reference");
            continue;
        }
        const Outcome fast = Run(args, path, false);
        const Outcome reference = Run(args, path, true);
        const int differ = Differences(fast, reference);
        std::printf("%s: fast %.2f s, reference %.2f s (processor %.2f s and %.2f s), ratio %.1f, placements %s\n",
                    title.c_str(), fast.seconds, reference.seconds, fast.cpuSeconds, reference.cpuSeconds,
                    fast.cpuSeconds > 0 ? reference.cpuSeconds / fast.cpuSeconds : 0.0,
                    differ == 0 ? "identical" : (std::to_string(differ) + " components differ").c_str());
        if (differ != 0) {
            status = 3;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    CLI::App cli{
        "dev_groupplace: developer tool, not for users. Places every component of a board with the group "
        "placer in full mode, one group per component, inside the board's outline, and reports how many "
        "groups found a conflict-free position, how many fell back, and the time."};
    cli.add_option("BOARD", args.boards, "KiCad boards (.kicad_pcb)")->required();
    cli.add_option("--board-out", args.boardOutput,
                   "Write the placed board here (with both forms: .fast and .reference appended)");
    cli.add_option("--form", args.form, "fast, reference or both (default: both, compared)")
        ->check(CLI::IsMember({"fast", "reference", "both"}));
    cli.add_option("--grid", args.gridMils, "Grid step in mil (default 50)");
    cli.add_option("--limit", args.limit, "Place only the first N movable components (largest first)");
    cli.add_flag("--dragger", args.dragger, "Keep the connections with a connection dragger");
    cli.add_flag("-q,--quiet", args.quiet, "No progress lines");
    cli.add_flag("--list", args.list, "One line per group: size, place relative to the area, outcome");
    CLI11_PARSE(cli, argc, argv);
    try {
        return RunBoards(args);
    } catch (const std::exception& failure) {
        Client = nullptr;
        std::cerr << "dev_groupplace: " << failure.what() << "\n";
        return 1;
    }
}
