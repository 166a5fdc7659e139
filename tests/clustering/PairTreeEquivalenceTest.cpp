// The generator against the plain transcription on many random boards: the
// same tree, the same progress phases, and the same forest after a stop.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PairFixture.h"
#include "PlainPairTree.h"
#include "clustering/PairGenerator.h"
#include "model/RunControl.h"

namespace autoplacer {
namespace {

using testing::ConfirmStop;
using testing::PairBoard;
using testing::SameTree;
using testing::TPlainPairTree;
using Phase = testing::TProgressRecorder::Phase;

class PairTreeEquivalence : public PairBoard {
protected:
    // A board of n parts of mixed kinds whose pads draw from few nets, so that
    // equal scores, duplicate nets and unconnected pads are common.
    TFastListOf<PcbHandle> RandomBoard(std::mt19937& random, int n) {
        static const char* const kPrefixes[] = {"C", "c", "R", "U", "XC", "", "D"};
        static const int kPadCounts[] = {0, 1, 2, 2, 2, 3, 4, 5, 8, 14};
        static const char* const kPatterns[] = {"0402", "0603", "SOIC8", "QFP"};
        const int netCount = std::uniform_int_distribution<int>(1, 10)(random);
        TFastListOf<PcbHandle> parts;
        for (int i = 0; i < n; ++i) {
            const std::string designator = std::string(kPrefixes[random() % std::size(kPrefixes)]) + std::to_string(i);
            const int pads = kPadCounts[random() % std::size(kPadCounts)];
            std::vector<std::string> nets;
            for (int p = 0; p < pads; ++p) {
                const int net = std::uniform_int_distribution<int>(-1, netCount - 1)(random);
                nets.push_back(net < 0 ? "" : "N" + std::to_string(net));
            }
            parts.Add(Part(designator, kPatterns[random() % std::size(kPatterns)], nets));
        }
        return parts;
    }
};

TEST_F(PairTreeEquivalence, SameTreeAndProgressOnRandomBoards) {
    std::mt19937 random(20261209);
    int compared = 0;
    for (int round = 0; round < 230; ++round) {
        const int n = round < 200 ? static_cast<int>(random() % 25) : 40 + static_cast<int>(random() % 30);
        const TFastListOf<PcbHandle> parts = RandomBoard(random, n);

        progress.Phases.clear();
        TPlainPairTree plain(parts);
        TPair* expected = plain.BuildTree();
        const std::vector<Phase> plainPhases = progress.Phases;

        progress.Phases.clear();
        TPairGenerator generator(TPlacementContext{}, parts);
        TPair* actual = generator.BuildTree();

        ASSERT_TRUE(SameTree(expected, actual)) << "round " << round << " with " << n << " parts";
        ASSERT_EQ(progress.Phases, plainPhases) << "round " << round;
        FreePairTree(expected);
        FreePairTree(actual);
        FreshBoard();
        ++compared;
    }
    EXPECT_EQ(compared, 230);
}

TEST_F(PairTreeEquivalence, SameForestWhenStoppedWhileJoining) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const int n = 8 + static_cast<int>(random() % 20);
        const TFastListOf<PcbHandle> parts = RandomBoard(random, n);
        const int64_t stopAfter = 1 + static_cast<int64_t>(random() % static_cast<unsigned>(n - 2));
        progress.OnUpdate = [stopAfter](const Phase& phase) {
            if (phase.Text == "Clustering ..." && phase.Updates == stopAfter) {
                ConfirmStop();
            }
        };

        TPlainPairTree plain(parts);
        TPair* expected = plain.BuildTree();
        StopRequested = StopConfirmed = PlacementRunning = false;

        TPairGenerator generator(TPlacementContext{}, parts);
        TPair* actual = generator.BuildTree();
        StopRequested = StopConfirmed = PlacementRunning = false;

        ASSERT_EQ(plain.Nodes.Count(), generator.Nodes.Count()) << "round " << round;
        ASSERT_EQ(generator.Nodes.Count(), n - stopAfter);
        for (int32_t i = 0; i < plain.Nodes.Count(); ++i) {
            ASSERT_TRUE(SameTree(plain.Nodes[i], generator.Nodes[i])) << "round " << round << " root " << i;
        }
        EXPECT_EQ(expected == nullptr, actual == nullptr);
        FreePairTree(expected);
        FreePairTree(actual);
    }
}

}  // namespace
}  // namespace autoplacer
