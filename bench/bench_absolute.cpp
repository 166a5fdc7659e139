// The absolute placer on real boards, every part in a cluster of its own whose
// room is the part's own place: the whole job phase of the group placer in
// full mode. One run per board (the run moves the parts); the counters give
// the jobs, whether some group fell back to a position with conflicts, and how
// many parts ended outside the keep-out extent.
//
//   bench_absolute
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engines/AbsolutePlacer.h"
#include "engines/GroupPlacer.h"
#include "engines/KeepOut.h"
#include "host/PcbIterators.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/Cluster.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace {

using namespace autoplacer;

void PlaceEveryPart(benchmark::State& state, const std::string& name) {
    for (auto _ : state) {
        state.PauseTiming();
        hostpcb::Host::Instance().Reset();
        io::LoadOptions load;
        load.readRules = false;
        auto loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb", load);
        const PcbHandle board = loaded->board->Handle();
        TPlacementContext context;
        context.Board = board;
        const auto powerNets = FindPowerNets(board);
        context.PowerNets = powerNets.get();
        TPrimitivesList keepOut(board);
        context.KeepOutPrimitives = &keepOut;
        if (!ValidateKeepOut(context)) {
            state.SkipWithError("no keep-out");
            return;
        }
        AnalyzeAllNets(board);
        std::vector<std::unique_ptr<TCluster>> owned;
        TClusterList clusters, icCap, sameFootprint, confinement;
        TObjectIterator components(board, PCB_COMPONENT);
        components.ForEach([&](PcbHandle h) {
            auto cluster = std::make_unique<TCluster>();
            cluster->AddComponent(h);
            cluster->Rect = ComponentExtentRect(h);
            clusters.Add(cluster.get());
            owned.push_back(std::move(cluster));
        });
        const TPlacerOptions options;
        TAbsolutePlacer placer(options, context);
        state.ResumeTiming();

        placer.Run({&clusters, &icCap, &sameFootprint, &confinement});

        state.PauseTiming();
        int32_t outside = 0;
        for (const TAbsolutePlacementJob* job : placer.Jobs) {
            if (!RectContainsRect(context.KeepOutExtent, MembersExtent(*job->Group, false))) ++outside;
        }
        state.counters["jobs"] = placer.Jobs.Count();
        state.counters["failed"] = placer.Engine->HasFailed() ? 1 : 0;
        state.counters["outside"] = outside;
        state.ResumeTiming();
    }
}

const int Registered = [] {
    for (const char* name : {"uext-esp32-c3", "bitaxe-ultra", "tt-demo"}) {
        benchmark::RegisterBenchmark((std::string("AbsolutePlacer/") + name).c_str(), PlaceEveryPart, name)
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
