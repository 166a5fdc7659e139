// Cutting the pair tree into clusters: where the threshold cuts, the order of
// the clusters and of the groups inside them, progress and stopping.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "engines/PlanFixture.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "model/RunControl.h"

namespace autoplacer {
namespace {

using plantest::GroupHandles;
using plantest::Join;
using plantest::Leaf;
using Phase = plantest::TProgressLog::Phase;

struct ClusterListDeleter {
    void operator()(TClusterList* list) const { FreeClusterListAndClusters(list); }
};
using TOwnedClusters = std::unique_ptr<TClusterList, ClusterListDeleter>;

class ClusterExtraction : public plantest::PlanBoard {
protected:
    void SetUp() override {
        PlanBoard::SetUp();
        for (const char* name : {"A", "B", "C", "D", "E"}) {
            parts.push_back(Part(name, "0603", {"N1", "N2"}));
        }
    }
    TOwnedClusters Extract(TPair* root, int32_t threshold = 85) {
        TPlacerOptions options;
        options.ClusterScoreThreshold = threshold;
        TClusterExtractor extractor(options);
        return TOwnedClusters(extractor.Extract(root));
    }
    // The members of every cluster, each cluster's groups in order.
    static std::vector<std::vector<PcbHandle>> Members(const TClusterList& clusters) {
        std::vector<std::vector<PcbHandle>> result;
        for (const TCluster* cluster : clusters) {
            result.push_back(GroupHandles(*cluster));
        }
        return result;
    }
    // The tree ((A, B) scoring ab, (C, D) scoring cd) under a root scoring top.
    TPair* FourLeafTree(int32_t top, int32_t ab, int32_t cd) {
        return Join(top, Join(ab, Leaf(parts[0]), Leaf(parts[1])), Join(cd, Leaf(parts[2]), Leaf(parts[3])));
    }

    std::vector<PcbHandle> parts;
};

TEST_F(ClusterExtraction, NilRootGivesAnEmptyListAndOnlyTheSortingPhase) {
    const TOwnedClusters clusters = Extract(nullptr);
    ASSERT_NE(clusters, nullptr);
    EXPECT_EQ(clusters->Count(), 0);
    const std::vector<Phase> expected{{"Sorting clusters ...", 0, 0, true}};
    EXPECT_EQ(progress.Phases, expected);
}

TEST_F(ClusterExtraction, ThresholdAboveEveryScoreMakesSingletonsInPreOrder) {
    // 105 is the highest score a leaf pair can reach.
    const TOwnedClusters clusters =
        Extract(Join(105, Join(105, Leaf(parts[3]), Leaf(parts[1])), Leaf(parts[0])), 106);
    const std::vector<std::vector<PcbHandle>> expected{{parts[3]}, {parts[1]}, {parts[0]}};
    EXPECT_EQ(Members(*clusters), expected);
    // No roots: the extraction phase has nothing to count.
    ASSERT_EQ(progress.Phases.size(), 2U);
    EXPECT_EQ(progress.Phases[0], (Phase{"Extracting clusters from tree ...", 0, 0, true}));
    EXPECT_EQ(progress.Phases[1], (Phase{"Sorting clusters ...", 3, 3, true}));
}

TEST_F(ClusterExtraction, ThresholdZeroOrBelowMakesTheRootTheOnlyCluster) {
    for (const int32_t threshold : {0, -5}) {
        const TOwnedClusters clusters = Extract(FourLeafTree(3, 1, 2), threshold);
        ASSERT_EQ(clusters->Count(), 1) << threshold;
        EXPECT_EQ(clusters->Items(0)->ComponentCount(), 4) << threshold;
    }
    // Even a lone leaf is a root when its score 0 reaches the threshold.
    const TOwnedClusters single = Extract(Leaf(parts[4]), 0);
    ASSERT_EQ(single->Count(), 1);
    EXPECT_EQ(GroupHandles(*single->Items(0)), std::vector<PcbHandle>{parts[4]});
    EXPECT_EQ(progress.Phases.back(), (Phase{"Sorting clusters ...", 1, 1, true}));
}

TEST_F(ClusterExtraction, ScoreEqualToTheThresholdMakesARootAndOneBelowDoesNot) {
    const TOwnedClusters equal = Extract(Join(85, Leaf(parts[0]), Leaf(parts[1])), 85);
    ASSERT_EQ(equal->Count(), 1);
    EXPECT_EQ(equal->Items(0)->ComponentCount(), 2);

    const TOwnedClusters below = Extract(Join(84, Leaf(parts[0]), Leaf(parts[1])), 85);
    EXPECT_EQ(below->Count(), 2);
}

TEST_F(ClusterExtraction, FirstNodeReachingTheThresholdOnEachPathIsTheRoot) {
    // Root 40 over a child scoring 90 (A, B) and a child scoring 60 (C, D): the
    // 90 child is a cluster; below the 60 child every leaf stands alone.
    const TOwnedClusters clusters = Extract(FourLeafTree(40, 90, 60));
    const std::vector<std::vector<PcbHandle>> expected{{parts[1], parts[0]}, {parts[2]}, {parts[3]}};
    EXPECT_EQ(Members(*clusters), expected);
    EXPECT_EQ(progress.Phases[0], (Phase{"Extracting clusters from tree ...", 1, 1, true}));

    // A root under a root is never reached: the upper one takes everything.
    const TOwnedClusters nested = Extract(FourLeafTree(88, 95, 99));
    ASSERT_EQ(nested->Count(), 1);
    EXPECT_EQ(nested->Items(0)->ComponentCount(), 4);
}


TEST_F(ClusterExtraction, GroupsOfTwoAndThreeComeOutInReverseLeafOrder) {
    // The groups are gathered in leaf order and then sorted with a comparison
    // that answers 0 for movable groups, which the list quicksort reverses.
    const TOwnedClusters two = Extract(Join(90, Leaf(parts[0]), Leaf(parts[1])));
    EXPECT_EQ(GroupHandles(*two->Items(0)), (std::vector<PcbHandle>{parts[1], parts[0]}));

    const TOwnedClusters three = Extract(Join(90, Join(95, Leaf(parts[0]), Leaf(parts[1])), Leaf(parts[2])));
    EXPECT_EQ(GroupHandles(*three->Items(0)), (std::vector<PcbHandle>{parts[2], parts[1], parts[0]}));

    // Four are not simply reversed: the quicksort leaves [A, B, C, D] as [C, D, A, B].
    const TOwnedClusters four = Extract(FourLeafTree(90, 1, 1));
    EXPECT_EQ(GroupHandles(*four->Items(0)), (std::vector<PcbHandle>{parts[2], parts[3], parts[0], parts[1]}));
}

TEST_F(ClusterExtraction, LockedComponentsGoToTheFixedGroups) {
    Lock(parts[1]);
    const TOwnedClusters clusters = Extract(Join(90, Join(95, Leaf(parts[0]), Leaf(parts[1])), Leaf(parts[2])));
    const TCluster& cluster = *clusters->Items(0);
    EXPECT_EQ(GroupHandles(cluster), (std::vector<PcbHandle>{parts[2], parts[0]}));
    ASSERT_EQ(cluster.FixedGroups.Count(), 1);
    EXPECT_EQ(FirstHandle(*cluster.FixedGroups.Items(0)), parts[1]);
}



TEST_F(ClusterExtraction, StopEndsTheWalkAndKeepsTheClustersMadeSoFar) {
    // The stop is confirmed at the ninth poll: in the middle of the first root's
    // leaves. The tree is freed all the same (the sanitizer build checks that).
    PlacementRunning = true;
    stopAfterPolls = 9;
    const TOwnedClusters partial = Extract(Join(10, FourLeafTree(40, 90, 90), Leaf(parts[4])));
    const std::vector<std::vector<PcbHandle>> expected{{parts[0], parts[1]}};
    EXPECT_EQ(Members(*partial), expected);  // unsorted: the sorting phase was skipped
    EXPECT_EQ(progress.Phases[1], (Phase{"Sorting clusters ...", 1, 0, true}));
}

}  // namespace
}  // namespace autoplacer
