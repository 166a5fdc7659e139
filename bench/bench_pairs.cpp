// Building the pair tree: the generator against the plain transcription of the
// algorithm (scan every candidate per join, linear net searches) on the largest
// real boards and on synthetic boards of 500 and 1000 components.
//
//   bench_pairs --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../tests/clustering/PlainPairTree.h"
#include "clustering/PairGenerator.h"
#include "host/PcbIterators.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"

namespace {

using autoplacer::FreePairTree;
using autoplacer::TFastListOf;
using autoplacer::TPair;
using autoplacer::TPairGenerator;
using autoplacer::TPlacementContext;

TFastListOf<PcbHandle> ComponentsOf(hostpcb::Board& board) {
    TFastListOf<PcbHandle> components;
    autoplacer::TObjectIterator iterator(board.Handle(), PCB_COMPONENT);
    iterator.ForEach([&](PcbHandle component) { components.Add(component); });
    return components;
}

// A board shaped like a real one: a tenth ICs with decoupling capacitors and
// local signal nets, the rest two-pin parts; two power nets reach everything.
hostpcb::Board& SyntheticBoard(int components) {
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("synthetic-" + std::to_string(components));
    hostpcb::BoardBuilder build(board);
    std::mt19937 random(static_cast<unsigned>(components));
    hostpcb::Net& gnd = board.AddNet("GND");
    hostpcb::Net& vcc = board.AddNet("VCC");
    std::vector<hostpcb::Net*> signals;
    for (int i = 0; i < components; ++i) {
        signals.push_back(&board.AddNet("S" + std::to_string(i)));
    }
    const auto near = [&](int i) {
        const int spread = 30;
        const int pick = i + std::uniform_int_distribution<int>(-spread, spread)(random);
        return signals[static_cast<std::size_t>(std::clamp(pick, 0, components - 1))];
    };
    for (int i = 0; i < components; ++i) {
        const hostpcb::Point at{hostpcb::MilsToUnits(200.0 * (i % 40)), hostpcb::MilsToUnits(200.0 * (i / 40))};
        const std::string n = std::to_string(i + 1);
        hostpcb::Component* c = nullptr;
        if (i % 10 == 0) {
            c = (i % 20 == 0) ? &build.Qfp("U" + n, 32, at) : &build.Soic("U" + n, 14, at);
        } else {
            c = &build.Chip((i % 3 == 0 ? "C" : "R") + n, i % 2 == 0 ? "0402" : "0603", at);
        }
        const std::vector<hostpcb::Pad*> pads = c->Pads();
        for (std::size_t p = 0; p < pads.size(); ++p) {
            hostpcb::Net* net = p == 0 ? (i % 3 == 0 ? &gnd : near(i)) : (p == 1 && i % 3 == 0 ? &vcc : near(i));
            board.AddToNet(*net, *pads[p]);
        }
    }
    return board;
}

// Boards are made once and kept for every run.
hostpcb::Board& BoardNamed(const std::string& name) {
    static std::map<std::string, std::unique_ptr<io::LoadedBoard>> loaded;
    static std::map<std::string, hostpcb::Board*> synthetic;
    if (name.rfind("synthetic-", 0) == 0) {
        auto [it, made] = synthetic.try_emplace(name, nullptr);
        if (made) {
            it->second = &SyntheticBoard(std::stoi(name.substr(10)));
        }
        return *it->second;
    }
    auto [it, made] = loaded.try_emplace(name, nullptr);
    if (made) {
        it->second = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb");
    }
    return *it->second->board;
}

void Generator(benchmark::State& state, const std::string& name) {
    const TFastListOf<PcbHandle> components = ComponentsOf(BoardNamed(name));
    for (auto _ : state) {
        TPairGenerator generator(TPlacementContext{}, components);
        TPair* root = generator.BuildTree();
        benchmark::DoNotOptimize(root);
        FreePairTree(root);
    }
    state.counters["components"] = components.Count();
}

void Plain(benchmark::State& state, const std::string& name) {
    const TFastListOf<PcbHandle> components = ComponentsOf(BoardNamed(name));
    bool same = true;
    for (auto _ : state) {
        autoplacer::testing::TPlainPairTree plain(components);
        TPair* root = plain.BuildTree();
        state.PauseTiming();
        TPairGenerator generator(TPlacementContext{}, components);
        TPair* fast = generator.BuildTree();
        same = same && autoplacer::testing::SameTree(root, fast);
        FreePairTree(fast);
        state.ResumeTiming();
        FreePairTree(root);
    }
    state.counters["components"] = components.Count();
    state.counters["same_tree"] = same ? 1 : 0;
}

const char* const kBoards[] = {"reform-keyboard", "duet2-v105", "tt-demo", "synthetic-500", "synthetic-1000"};

const bool kRegistered = [] {
    for (const char* name : kBoards) {
        benchmark::RegisterBenchmark((std::string("Generator/") + name).c_str(), Generator, std::string(name))
            ->Unit(benchmark::kMillisecond);
    }
    for (const char* name : kBoards) {
        benchmark::RegisterBenchmark((std::string("Plain/") + name).c_str(), Plain, std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
