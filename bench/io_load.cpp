// Reading and writing the largest shared KiCad boards: the S-expression parse alone,
// the board view, the whole load into the host (with metrics) and the write back.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/Metrics.h"
#include "io/BoardFiles.h"

namespace {

const char* kBoards[] = {"tt-demo.kicad_pcb", "usbarmory-mk2.kicad_pcb", "glasgow-revC3.kicad_pcb",
                         "duet2-v105.kicad_pcb"};

std::string Path(int64_t index) { return std::string(AUTOPLACER_BOARDS_DIR) + "/" + kBoards[index]; }

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return std::move(buffer).str();
}

void BM_ParseTree(benchmark::State& state) {
    const std::string text = Read(Path(state.range(0)));
    state.SetLabel(kBoards[state.range(0)]);
    for (auto _ : state) {
        auto doc = io::SExprDocument::parse(text);
        benchmark::DoNotOptimize(doc.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ReadBoardView(benchmark::State& state) {
    const std::string text = Read(Path(state.range(0)));
    state.SetLabel(kBoards[state.range(0)]);
    for (auto _ : state) {
        auto board = io::KicadBoard::fromDocument(io::SExprDocument::parse(text));
        benchmark::DoNotOptimize(board.get());
    }
}

void BM_LoadIntoHost(benchmark::State& state) {
    const std::string path = Path(state.range(0));
    state.SetLabel(kBoards[state.range(0)]);
    for (auto _ : state) {
        auto loaded = io::LoadBoardFile(path);
        benchmark::DoNotOptimize(loaded->board);
    }
}

void BM_Metrics(benchmark::State& state) {
    auto loaded = io::LoadBoardFile(Path(state.range(0)));
    state.SetLabel(kBoards[state.range(0)]);
    for (auto _ : state) benchmark::DoNotOptimize(app::MeasureBoard(*loaded->board));
}

void BM_WriteTree(benchmark::State& state) {
    auto doc = io::SExprDocument::parse(Read(Path(state.range(0))));
    state.SetLabel(kBoards[state.range(0)]);
    for (auto _ : state) benchmark::DoNotOptimize(doc->write());
}

BENCHMARK(BM_ParseTree)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBoardView)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadIntoHost)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Metrics)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTree)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
