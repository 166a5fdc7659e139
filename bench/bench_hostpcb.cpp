// Per-call costs of the host stand-in on a board of 400 components: overlap tests,
// spatial queries, net analysis, reading the board through the records, moving parts.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "sdk/pcbapi.h"

namespace {

using namespace hostpcb;

// 400 components on a 20 x 20 grid (chips, SOICs, QFPs, headers, some turned), with
// nets joining random pins.
Board& MakeBoard(int components = 400) {
    Host::Instance().Reset();
    Board& board = Host::Instance().CreateBoard("bench.kicad_pcb");
    BoardBuilder build(board);
    const Coord pitch = MilsToUnits(800);
    build.RectOutline(0, 0, 21 * pitch, 21 * pitch);
    std::mt19937 rng(1);
    for (int i = 0; i < components; ++i) {
        const Point at{(1 + i % 20) * pitch, (1 + i / 20) * pitch};
        const double rot = (i % 7 == 0) ? 30.0 : 90.0 * (i % 4);
        const std::string n = std::to_string(i);
        switch (i % 5) {
            case 0: build.Soic("U" + n, 16, at, rot); break;
            case 1: build.Qfp("Q" + n, 32, at, rot); break;
            case 2: build.Header("J" + n, 6, 2, at, rot); break;
            default: build.Chip("R" + n, i % 2 ? "0603" : "0402", at, rot); break;
        }
    }
    std::vector<Pad*> pads = board.AllPads();
    std::shuffle(pads.begin(), pads.end(), rng);
    for (std::size_t i = 0; i + 4 <= pads.size() / 2; i += 4) {
        Net& net = board.AddNet("N" + std::to_string(i));
        for (std::size_t k = 0; k < 4; ++k) board.AddToNet(net, *pads[i + k]);
    }
    return board;
}

PcbHandle MakeFill(Coord x1, Coord y1, Coord x2, Coord y2) {
    PcbHandle h = PcbApi_CreateObject(PCB_FILL);
    PcbPrimitiveData d{};
    PcbApi_QueryPrimitive(h, PCB_READ, &d);
    d.Base.X = x1;
    d.Base.Y = y1;
    d.X2 = x2;
    d.Y2 = y2;
    PcbApi_QueryPrimitive(h, PCB_WRITE, &d);
    return h;
}

void BM_OverlapPadWithFill(benchmark::State& state) {
    Board& board = MakeBoard();
    std::vector<PcbHandle> pads;
    for (Pad* p : board.AllPads()) pads.push_back(p->Handle());
    std::vector<PcbHandle> fills;
    std::mt19937 rng(2);
    for (PcbHandle pad : pads) {
        const Box b = Host::Instance().Resolve(pad)->Bounds();
        const Coord dx = Coord(rng() % 40000) - 20000;
        fills.push_back(MakeFill(b.x2 + dx, b.y1, b.x2 + dx + 200000, b.y2 + 100000));
    }
    std::size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        hits += PCBAPI_CheckPrimitivesOverlapWithClearance(pads[i], fills[i], 10000);
        i = (i + 1) % pads.size();
    }
    state.counters["hit_ratio"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_OverlapPadWithFill);

// The placer's rectangle test: two temporary fills made, written, tested and destroyed.
void BM_RectsOverlapWithTemporaryFills(benchmark::State& state) {
    MakeBoard(20);
    Coord shift = 0;
    for (auto _ : state) {
        PcbHandle a = MakeFill(0, 0, 1000000, 500000);
        PcbHandle b = MakeFill(1000000 + shift, 0, 2000000, 500000);
        benchmark::DoNotOptimize(PCBAPI_CheckPrimitivesOverlapWithClearance(a, b, 10000));
        PcbApi_DestroyObject(a);
        PcbApi_DestroyObject(b);
        shift = (shift + 997) % 20000;
    }
}
BENCHMARK(BM_RectsOverlapWithTemporaryFills);

void BM_SpatialQueryPads(benchmark::State& state) {
    Board& board = MakeBoard();
    std::mt19937 rng(3);
    const Coord span = MilsToUnits(800) * 21, size = Coord(state.range(0));
    PcbLayerSet layers{};
    for (int l = 1; l <= 75; ++l) layers.Bits[l / 64] |= uint64_t{1} << (l % 64);
    int64_t found = 0;
    for (auto _ : state) {
        const Coord x = Coord(rng() % uint32_t(span)), y = Coord(rng() % uint32_t(span));
        PcbHandle it = PcbApi_CreateSpatialIterator(board.Handle(), x, y, x + size, y + size, layers, 1u << PCB_PAD);
        for (PcbHandle h = PcbApi_GetFirstSpatialObject(it); h != nullptr; h = PcbApi_GetNextSpatialObject(it)) ++found;
        PcbApi_DestroySpatialIterator(it);
    }
    state.counters["objects_per_query"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_SpatialQueryPads)->Arg(MilsToUnits(100))->Arg(MilsToUnits(1000));

void BM_AnalyzeNet500Pads(benchmark::State& state) {
    Board& board = MakeBoard(0);
    Net& net = board.AddNet("BIG");
    std::mt19937 rng(4);
    PadGeometry g;
    g.sizeX = g.sizeY = 50000;
    for (int i = 0; i < 500; ++i)
        board.AddPad(nullptr, "1", {Coord(rng() % 100000000), Coord(rng() % 100000000)}, g, PCB_TOP_LAYER, &net);
    for (auto _ : state) PcbApi_AnalyzeNet(net.Handle());
}
BENCHMARK(BM_AnalyzeNet500Pads)->Unit(benchmark::kMillisecond);

// Every component, its primitives and their boxes, read the way the placer reads a board.
void BM_ReadWholeBoard(benchmark::State& state) {
    Board& board = MakeBoard();
    int64_t objects = 0;
    for (auto _ : state) {
        PcbHandle comps = PcbApi_CreateIterator(board.Handle(), PCB_COMPONENT, 0, PcbLayerId{});
        for (PcbHandle c = PcbApi_GetFirstObject(comps); c != nullptr; c = PcbApi_GetNextObject(comps)) {
            PcbComponentData cd{};
            PcbApi_QueryComponent(c, PCB_READ, &cd);
            PcbHandle prims = PcbApi_CreateIterator(c, 0, PCB_ITERATE_GROUP_PRIMITIVES, PcbLayerId{});
            for (PcbHandle p = PcbApi_GetFirstObject(prims); p != nullptr; p = PcbApi_GetNextObject(prims)) {
                PcbPrimitiveData pd{};
                PcbApi_QueryPrimitive(p, PCB_READ, &pd);
                int32_t x1, y1, x2, y2;
                PcbApi_QueryObjectBoundingRectangle(p, &x1, &y1, &x2, &y2);
                ++objects;
            }
            PcbApi_DestroyIterator(prims);
        }
        PcbApi_DestroyIterator(comps);
    }
    state.counters["primitives"] = double(objects) / double(state.iterations());
}
BENCHMARK(BM_ReadWholeBoard)->Unit(benchmark::kMillisecond);

// Writing a component record that moves it: primitives and the spatial index follow.
void BM_MoveComponent(benchmark::State& state) {
    Board& board = MakeBoard();
    std::vector<PcbHandle> comps;
    for (Component* c : board.Components()) comps.push_back(c->Handle());
    std::size_t i = 0;
    Coord step = 10000;
    for (auto _ : state) {
        PcbComponentData cd{};
        PcbApi_QueryComponent(comps[i], PCB_READ, &cd);
        cd.Base.X += step;
        PcbApi_QueryComponent(comps[i], PCB_WRITE, &cd);
        if (++i == comps.size()) {
            i = 0;
            step = -step;
        }
    }
}
BENCHMARK(BM_MoveComponent);

// A move followed by a spatial query near the new place: the index catches up each time.
void BM_MoveComponentThenQuery(benchmark::State& state) {
    Board& board = MakeBoard();
    std::vector<Component*> comps = board.Components();
    std::size_t i = 0;
    Coord step = 10000;
    for (auto _ : state) {
        Component* c = comps[i];
        PcbComponentData cd{};
        PcbApi_QueryComponent(c->Handle(), PCB_READ, &cd);
        cd.Base.X += step;
        PcbApi_QueryComponent(c->Handle(), PCB_WRITE, &cd);
        const Box b = c->Bounds();
        PcbHandle it = PcbApi_CreateSpatialIterator(board.Handle(), b.x1, b.y1, b.x2, b.y2, PcbLayerSet{}, 1u << PCB_PAD);
        benchmark::DoNotOptimize(PcbApi_GetFirstSpatialObject(it));
        PcbApi_DestroySpatialIterator(it);
        if (++i == comps.size()) {
            i = 0;
            step = -step;
        }
    }
}
BENCHMARK(BM_MoveComponentThenQuery);

}  // namespace

BENCHMARK_MAIN();
