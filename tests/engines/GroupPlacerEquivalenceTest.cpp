// The fast forms of the group placer's search place every component where the
// plain reference forms do: same position, rotation and side, same fallbacks.
// Checked on many small random boards under several option sets, in full mode
// with and without a connection dragger, in quick mode, with groups of several
// members, and on the small shared boards.
#include <gtest/gtest.h>

#include <string>

#include "engines/EquivalenceFixture.h"
#include "support/RandomBoards.h"

namespace autoplacer::speedtest {
namespace {

// The options of a run: the defaults, crossings and directions dominating, the
// pad and guide costs dominating, or a finer grid.
TRunSetup SetupFor(int variant) {
    TRunSetup setup;
    switch (variant % 4) {
        case 1:
            setup.Options.ConnectionLengthCostWeight = 0;
            setup.Options.CrossOverCostWeight = 40;
            setup.Options.DirectionCostWeight = 7;
            break;
        case 2:
            setup.Options.PadCostWeight = 3;
            setup.Options.GuideCostWeight = 50000;
            setup.Guide = true;
            break;
        case 3:
            setup.Options.GridSize = 250000;  // 25 mil
            break;
        default:
            break;
    }
    return setup;
}

class RandomBoardEquivalence : public EquivalenceTest {
protected:
    void Check(uint32_t seed, const TRunSetup& setup, const std::string& what) {
        const TRunResult fast = ExpectSamePlacements([seed]() -> hostpcb::Board& { return BuildRandomBoard(seed); },
                                                     setup, what + ", seed " + std::to_string(seed));
        if (fast.Placed) {
            ++placedBoards;
            placedGroups += static_cast<int>(fast.Failed.size());
            for (const bool failed : fast.Failed) {
                conflictFree += failed ? 0 : 1;
            }
        }
    }
    // Guards against a generator whose boards all fall back: then the searches
    // would compare nothing but the fallback.
    void ExpectRealSearches() {
        EXPECT_GT(placedBoards, 0);
        EXPECT_GT(conflictFree, placedGroups / 3) << conflictFree << " of " << placedGroups;
    }
    int placedBoards = 0;
    int placedGroups = 0;
    int conflictFree = 0;
};

TEST_F(RandomBoardEquivalence, FullModeWithConnectionDragger) {
    for (uint32_t seed = 1; seed <= 48; ++seed) {
        Check(seed, SetupFor(static_cast<int>(seed)), "dragger");
    }
    ExpectRealSearches();
}

TEST_F(RandomBoardEquivalence, FullModeWithoutConnectionDragger) {
    for (uint32_t seed = 101; seed <= 124; ++seed) {
        TRunSetup setup = SetupFor(static_cast<int>(seed));
        setup.Dragger = false;
        Check(seed, setup, "no dragger");
    }
    ExpectRealSearches();
}

TEST_F(RandomBoardEquivalence, QuickMode) {
    for (uint32_t seed = 201; seed <= 224; ++seed) {
        TRunSetup setup = SetupFor(static_cast<int>(seed));
        setup.QuickMode = true;
        Check(seed, setup, "quick mode");
    }
    ExpectRealSearches();
}

TEST_F(RandomBoardEquivalence, GroupsOfSeveralMembers) {
    for (uint32_t seed = 301; seed <= 320; ++seed) {
        TRunSetup setup = SetupFor(static_cast<int>(seed));
        setup.GroupSize = 2 + static_cast<int>(seed % 2);
        Check(seed, setup, "groups of " + std::to_string(setup.GroupSize));
    }
    EXPECT_GT(placedBoards, 0);
}

// Crowded boards with many chips of a few sizes: one search after another asks
// about parts of the same shape, whose kept answers must match fresh ones.
TEST_F(RandomBoardEquivalence, ManyPartsOfTheSameShapes) {
    TRandomBoardShape crowded;
    crowded.MinParts = 28;
    crowded.MaxParts = 36;
    for (uint32_t seed = 401; seed <= 405; ++seed) {
        const TRunSetup setup = SetupFor(static_cast<int>(seed));
        const TRunResult fast = ExpectSamePlacements(
            [seed, crowded]() -> hostpcb::Board& { return BuildRandomBoard(seed, crowded); }, setup,
            "crowded, seed " + std::to_string(seed));
        placedBoards += fast.Placed ? 1 : 0;
    }
    EXPECT_GT(placedBoards, 0);
}

// The small shared boards, each with and without a dragger and on two grids.
class SharedBoardEquivalence : public EquivalenceTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SharedBoardEquivalence, SamePlacementsAsTheReference) {
    const std::string path = std::string(AUTOPLACER_BOARDS_DIR) + "/" + GetParam() + ".kicad_pcb";
    const auto load = [&]() -> hostpcb::Board& {
        Loaded = io::LoadBoardFile(path);
        return *Loaded->board;
    };
    for (const bool dragger : {true, false}) {
        for (const int32_t grid : {500000, 200000}) {
            TRunSetup setup;
            setup.Dragger = dragger;
            setup.Options.GridSize = grid;
            const TRunResult fast = ExpectSamePlacements(
                load, setup, std::string(dragger ? "dragger" : "no dragger") + ", grid " + std::to_string(grid));
            EXPECT_TRUE(fast.Placed);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SmallBoards, SharedBoardEquivalence,
                         ::testing::Values("uext-esp32-c3", "bp-irtoy", "sensorwatch-b1"));

}  // namespace
}  // namespace autoplacer::speedtest
