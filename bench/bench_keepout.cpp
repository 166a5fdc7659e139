// RectIsLegal on the outlines of real boards: the indexed outline search against
// the plain scan of every track and arc, over the same fixed set of candidate
// rectangles (component-sized, spread over the keep-out extent).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engines/KeepOut.h"
#include "io/BoardFiles.h"

namespace {

using autoplacer::TOutlineSearch;

struct TBoardOutline {
    std::unique_ptr<io::LoadedBoard> Loaded;
    std::unique_ptr<autoplacer::TPrimitivesList> List;
    std::vector<autoplacer::TRect> Candidates;
};

// Boards with different outlines: rounded rectangle, round with flats and slots, two
// boards in one file, notched square with ears, stepped edge.
const std::vector<std::string>& BoardNames() {
    static const std::vector<std::string> names{"bp-irtoy", "sensorwatch-b1", "europi", "cm5-minima",
                                                "reform-keyboard"};
    return names;
}

// Loaded once per board; cleared before the host goes away.
std::map<std::string, TBoardOutline>& Outlines() {
    static std::map<std::string, TBoardOutline> outlines;
    return outlines;
}

TBoardOutline& Outline(const std::string& name) {
    TBoardOutline& outline = Outlines()[name];
    if (!outline.Loaded) {
        io::LoadOptions options;
        options.readRules = false;
        outline.Loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb", options);
        outline.List = std::make_unique<autoplacer::TPrimitivesList>(outline.Loaded->board->Handle());
        autoplacer::TRect extent;
        autoplacer::GetKeepOutExtent(outline.Loaded->board->Handle(), extent);
        std::mt19937 random(1);
        std::uniform_int_distribution<int32_t> x(extent.Left, extent.Right);
        std::uniform_int_distribution<int32_t> y(extent.Bottom, extent.Top);
        std::uniform_int_distribution<int32_t> size(10000, 2000000);  // 1 to 200 mil
        for (int i = 0; i < 512; ++i) {
            const int32_t left = x(random);
            const int32_t bottom = y(random);
            outline.Candidates.push_back(autoplacer::Rect(left, bottom + size(random), left + size(random), bottom));
        }
    }
    return outline;
}

void RectIsLegalOnBoard(benchmark::State& state, const std::string& name, TOutlineSearch search) {
    TBoardOutline& outline = Outline(name);
    std::size_t next = 0;
    int64_t legal = 0;
    for (auto _ : state) {
        const autoplacer::TRect& r = outline.Candidates[next];
        next = (next + 1) % outline.Candidates.size();
        const bool answer = autoplacer::RectIsLegal(r, *outline.List, 0, search);
        legal += answer ? 1 : 0;
        benchmark::DoNotOptimize(answer);
    }
    state.counters["records"] = outline.List->Tracks.Count() + outline.List->Arcs.Count();
    state.counters["legal"] = benchmark::Counter(static_cast<double>(legal) / static_cast<double>(state.iterations()));
}

void Register() {
    for (const std::string& name : BoardNames()) {
        benchmark::RegisterBenchmark(("RectIsLegal/scan/" + name).c_str(), RectIsLegalOnBoard, name,
                                     TOutlineSearch::Scan);
        benchmark::RegisterBenchmark(("RectIsLegal/indexed/" + name).c_str(), RectIsLegalOnBoard, name,
                                     TOutlineSearch::Indexed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Outlines().clear();
    return 0;
}
