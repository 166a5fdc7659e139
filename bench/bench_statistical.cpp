// Runs the host's statistical placer on every board of the shared board folder (or the
// boards named on the command line) and prints, per board: components, run time,
// connection length before and after (app/Metrics: every net's spanning tree), the
// half-perimeter of the signal nets that the placer minimises, overlapping pairs and
// components outside the outline (app/Metrics; in brackets the pairs with a locked
// part and the locked parts outside), and the parts left without room.
//
// The board options are written as the plug-in writes them before it hands a board to
// the statistical placer: the board-wide component-clearance gap, else the board-wide
// clearance gap, else 50 mil; and 0.4 of it. (A rule with an empty scope covers the
// whole board.)
//
//     bench_statistical [--seed N] [--moves M] [--gap MM] [BOARD.kicad_pcb ...]
//
// --moves sets the annealing effort (move attempts per part and temperature step);
// --gap writes that gap (and 0.4 of it) instead of the one the board's rules give.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/Host.h"
#include "hostpcb/statistical/StatisticalPlacer.h"
#include "io/BoardFiles.h"

namespace {

bool WholeBoard(const std::vector<hostpcb::ScopeEntry>& scope) {
    return std::all_of(scope.begin(), scope.end(), [](const hostpcb::ScopeEntry& e) { return e.kind == PCB_SCOPE_BOARD; });
}

int32_t DefaultPlacementGap(const hostpcb::Board& board) {
    int32_t componentGap = -1, plainGap = -1;
    for (const hostpcb::Rule* rule : board.Rules()) {
        if (!WholeBoard(rule->scope1) || !WholeBoard(rule->scope2)) continue;
        if (rule->ruleKind == PCB_RULE_COMPONENT_CLEARANCE) componentGap = rule->gap;
        if (rule->ruleKind == PCB_RULE_CLEARANCE) plainGap = rule->gap;
    }
    if (componentGap > 0) return componentGap;
    if (plainGap > 0) return plainGap;
    return 500000;
}

// Overlapping pairs with a locked part and locked parts outside the outline, measured as
// app/Metrics does (a locked part by its courtyard or its whole box).
struct LockedFigures {
    int overlaps = 0;
    int outside = 0;
};

LockedFigures MeasureLocked(const hostpcb::Board& board) {
    LockedFigures f;
    const std::vector<app::ComponentExtent> extents = app::ComponentExtents(board);
    for (std::size_t i = 0; i < extents.size(); ++i) {
        for (std::size_t j = i + 1; j < extents.size(); ++j) {
            if (extents[i].component->moveable && extents[j].component->moveable) continue;
            const hostpcb::Box& a = extents[i].box;
            const hostpcb::Box& b = extents[j].box;
            if (extents[i].component->Layer() != extents[j].component->Layer()) continue;
            if (a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2) ++f.overlaps;
        }
    }
    const std::vector<app::Segment> outline = app::OutlineSegments(board);
    for (const app::ComponentExtent& e : extents) {
        if (e.component->moveable) continue;
        const hostpcb::Box& b = e.box;
        if (!(app::InsideOutline(outline, {b.x1, b.y1}) && app::InsideOutline(outline, {b.x2, b.y1}) &&
              app::InsideOutline(outline, {b.x2, b.y2}) && app::InsideOutline(outline, {b.x1, b.y2}))) {
            ++f.outside;
        }
    }
    return f;
}

double Mm(double units) { return units * 0.0254 / 10000.0; }

}  // namespace

int main(int argc, char** argv) {
    uint64_t seed = 1;
    double moves = hostpcb::statistical::AnnealSettings{}.movesPerPart;
    double gapMm = 0;
    std::vector<std::string> boards;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--gap" && i + 1 < argc) {
            gapMm = std::strtod(argv[++i], nullptr);
        } else if (arg == "--moves" && i + 1 < argc) {
            moves = std::strtod(argv[++i], nullptr);
        } else {
            boards.push_back(arg);
        }
    }
    if (boards.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(AUTOPLACER_BOARDS_DIR)) {
            if (entry.path().extension() == ".kicad_pcb") boards.push_back(entry.path().string());
        }
        std::sort(boards.begin(), boards.end());
    }

    std::printf("| board | components | movable | gap mm | time s | length before mm | length after mm | signal HPWL before / after mm | overlapping pairs (with a locked part) | outside outline (locked) | without room |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const std::string& path : boards) {
        std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(path);
        hostpcb::Board& board = *loaded->board;
        const int32_t gap = gapMm > 0 ? hostpcb::MmToUnits(gapMm) : DefaultPlacementGap(board);
        board.placerOptions.value1 = gap;
        board.placerOptions.value2 = static_cast<int32_t>(std::nearbyint(0.4 * gap));
        const app::BoardMetrics before = app::MeasureBoard(board);

        hostpcb::statistical::PlacerSettings settings;
        settings.seed = seed;
        settings.anneal.movesPerPart = moves;
        const auto start = std::chrono::steady_clock::now();
        const hostpcb::statistical::PlacementOutcome outcome = hostpcb::statistical::PlaceBoard(board, settings);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const app::BoardMetrics after = app::MeasureBoard(board);
        const LockedFigures locked = MeasureLocked(board);

        std::string unfit;
        for (const std::string& name : outcome.unfit) unfit += (unfit.empty() ? "" : " ") + name;
        std::printf("| %s | %zu | %d | %.3f | %.2f | %.0f | %.0f | %.0f / %.0f | %d (%d) | %d (%d) | %s |\n",
                    std::filesystem::path(path).stem().c_str(), board.Components().size(), outcome.movable, Mm(gap),
                    seconds, Mm(before.connectionLength), Mm(after.connectionLength), Mm(outcome.lengthBefore), Mm(outcome.lengthAfter), after.overlappingPairs,
                    locked.overlaps, after.outsideOutline, locked.outside, unfit.empty() ? "-" : unfit.c_str());
        std::fflush(stdout);
    }
    return 0;
}
