// One evaluation of the connection cost (length, crossings, directions, all
// weights 1) on real boards with every net intact: through the connection
// dragger, and without one with every signal net in the registry (so each
// evaluation re-analyses every net and takes every line off the board again).
// The group placer evaluates far fewer lines per call, having trimmed the nets
// to the group being placed; these are the worst cases.
//
//   bench_crossovers --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "engines/CrossOvers.h"
#include "host/PcbIterators.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/ConnectionDragger.h"
#include "model/PrimitivesList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace {

using namespace autoplacer;

struct TLoadedBoard {
    std::unique_ptr<io::LoadedBoard> Loaded;
    std::unique_ptr<TFastListOf<PcbHandle>> PowerNets;
};

TLoadedBoard& BoardNamed(const std::string& name) {
    static std::map<std::string, TLoadedBoard> boards;
    auto [it, made] = boards.try_emplace(name);
    if (made) {
        io::LoadOptions load;
        load.readRules = false;
        it->second.Loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb", load);
        it->second.PowerNets = FindPowerNets(it->second.Loaded->board->Handle());
    }
    hostpcb::Host::Instance().SetCurrentBoard(it->second.Loaded->board);
    return it->second;
}

TPlacementContext ContextOf(TLoadedBoard& board) {
    TPlacementContext context;
    context.Board = board.Loaded->board->Handle();
    context.PowerNets = board.PowerNets.get();
    context.LayerDirections[0] = 1;
    context.LayerDirections[31] = 2;
    return context;
}

void WithDragger(benchmark::State& state, const std::string& name) {
    TLoadedBoard& board = BoardNamed(name);
    TPlacementContext context = ContextOf(board);
    AnalyzeAllNets(context.Board);
    TConnectionDragger dragger(context.Board, IsNetInList, board.PowerNets.get(), nullptr);
    context.ConnectionDragger = &dragger;
    TNetRegistry registry(context);
    const TPlacerOptions options;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TCrossOverAnalyzer(&registry, options, context).TotalCost());
    }
    state.counters["lines"] = dragger.ConnectionCount();
}

void WithoutDragger(benchmark::State& state, const std::string& name) {
    TLoadedBoard& board = BoardNamed(name);
    const TPlacementContext context = ContextOf(board);
    TNetRegistry registry(context);
    TObjectIterator nets(context.Board, PCB_NET);
    nets.ForEach([&](PcbHandle net) {
        if (!board.PowerNets->Contains(net)) registry.Add(net);
    });
    const TPlacerOptions options;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TCrossOverAnalyzer(&registry, options, context).TotalCost());
    }
    state.counters["nets"] = registry.Count();
}

const char* const Boards[] = {"bitaxe-ultra", "glasgow-revC3", "duet2-v105", "reform-keyboard"};

const int Registered = [] {
    for (const char* name : Boards) {
        benchmark::RegisterBenchmark((std::string("TotalCost/dragger/") + name).c_str(), WithDragger, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("TotalCost/no-dragger/") + name).c_str(), WithoutDragger, name)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
