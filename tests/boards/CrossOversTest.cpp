// The connection dragger and the connection cost on real boards: every signal
// connection is linked at both of its pads, dragging after the whole board has
// moved reproduces every line shifted by the same amount, and the cost does not
// change under such a move.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "engines/CrossOvers.h"
#include "host/PcbIterators.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/ConnectionDragger.h"
#include "model/PrimitivesList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer::test {
namespace {

struct TLine {
    PcbHandle Handle;
    int32_t X1, Y1, X2, Y2;
};

class RealBoardConnections : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        loaded.reset();
        hostpcb::Host::Instance().Reset();
    }

    std::vector<TLine> Lines(PcbHandle board) const {
        std::vector<TLine> out;
        TObjectIterator it(board, PCB_CONNECTION);
        it.ForEach([&](PcbHandle h) {
            TPcbFromTo r(h);
            r.Sync(PCB_READ);
            if (!powerNets->Contains(r.Net)) out.push_back({h, r.X1(), r.Y1(), r.X2, r.Y2});
        });
        return out;
    }

    app::AppClient client;
    std::unique_ptr<io::LoadedBoard> loaded;
    std::unique_ptr<TFastListOf<PcbHandle>> powerNets;
};

TEST_P(RealBoardConnections, DraggedLinesFollowAMovedBoardAndCostStaysTheSame) {
    io::LoadOptions load;
    load.readRules = false;
    loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + GetParam() + ".kicad_pcb", load);
    const PcbHandle board = loaded->board->Handle();
    AnalyzeAllNets(board);
    powerNets = FindPowerNets(board);
    const std::vector<TLine> before = Lines(board);
    ASSERT_FALSE(before.empty());

    TConnectionDragger dragger(board, IsNetInList, powerNets.get(), nullptr);
    EXPECT_EQ(dragger.ConnectionCount(), static_cast<int32_t>(before.size()));
    int32_t ends = 0;
    for (const TPadsOnComponent* pads : dragger) {
        for (const TPadEntry* entry : *pads) ends += entry->Ends.Count();
    }
    EXPECT_EQ(ends, 2 * dragger.ConnectionCount()) << "every signal line is held at both of its pads";

    TPlacementContext context;
    context.Board = board;
    context.PowerNets = powerNets.get();
    context.ConnectionDragger = &dragger;
    context.LayerDirections[0] = 1;
    context.LayerDirections[31] = 2;
    TNetRegistry registry(context);
    TPlacerOptions options;
    const int32_t costBefore = TCrossOverAnalyzer(&registry, options, context).TotalCost();

    // Every component moves by the same odd amount.
    constexpr int32_t dx = 123457;
    constexpr int32_t dy = -54321;
    TObjectIterator components(board, PCB_COMPONENT);
    components.ForEach([&](PcbHandle h) {
        TPcbComponent c(h);
        c.Sync(PCB_READ);
        c.X += dx;
        c.Y += dy;
        c.Sync(PCB_WRITE);
    });
    const int32_t costAfter = TCrossOverAnalyzer(&registry, options, context).TotalCost();

    const std::vector<TLine> after = Lines(board);
    ASSERT_EQ(after.size(), before.size());
    int32_t wrong = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const TLine& a = before[i];
        const TLine& b = after[i];
        ASSERT_EQ(a.Handle, b.Handle);
        if (b.X1 != a.X1 + dx || b.Y1 != a.Y1 + dy || b.X2 != a.X2 + dx || b.Y2 != a.Y2 + dy) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(costAfter, costBefore);
    EXPECT_GT(costBefore, 0);
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, RealBoardConnections,
                         ::testing::Values("uext-esp32-c3", "tkey-tk1", "bitaxe-ultra", "duet2-v105"),
                         [](const ::testing::TestParamInfo<const char*>& board) {
                             std::string name = board.param;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace autoplacer::test
