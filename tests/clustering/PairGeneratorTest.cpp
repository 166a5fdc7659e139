// The pair tree on small boards made for each case: scores, tie-breaking,
// forest order, progress and stopping.
#include <gtest/gtest.h>

#include <memory>

#include "PairFixture.h"
#include "clustering/PairGenerator.h"

namespace autoplacer {
namespace {

using testing::ConfirmStop;
using testing::PairBoard;
using Phase = testing::TProgressRecorder::Phase;

class PairGenerator : public PairBoard {
protected:
    // The tree of the components (the generator is freed before returning).
    std::unique_ptr<TPair, void (*)(TPair*)> Tree(const TFastListOf<PcbHandle>& components) {
        TPairGenerator generator(TPlacementContext{}, components);
        return {generator.BuildTree(), &FreePairTree};
    }
    // The score of the single join of two parts.
    int32_t JoinScore(PcbHandle a, PcbHandle b) {
        auto root = Tree({a, b});
        EXPECT_FALSE(root->IsLeaf());
        return root->Score;
    }
};

TEST_F(PairGenerator, NoComponentsGiveNoTreeAndThreeEmptyPhases) {
    EXPECT_EQ(Tree({}).get(), nullptr);
    const std::vector<Phase> expected{{"Gathering components ...", 0, 0, true},
                                      {"Scoring component pairs ...", 0, 0, true},
                                      {"Clustering ...", 0, 0, true}};
    EXPECT_EQ(progress.Phases, expected);
}

TEST_F(PairGenerator, OneComponentIsTheRootLeaf) {
    const PcbHandle u1 = Part("U1", "SO8", {"A", "", "A"});
    auto root = Tree({u1});
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->IsLeaf());
    EXPECT_EQ(root->Component, u1);
    EXPECT_EQ(root->Score, 0);
    // One entry per pad in pad order, the unconnected pad as nil.
    ASSERT_NE(root->Nets, nullptr);
    ASSERT_EQ(root->Nets->Count(), 3);
    EXPECT_EQ(root->Nets->Items(0), root->Nets->Items(2));
    EXPECT_EQ(root->Nets->Items(1), nullptr);
}

TEST_F(PairGenerator, TwoComponentsJoinOnceWithTheLeafPairScore) {
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    const PcbHandle r2 = Part("R2", "0603", {"A", "B"});
    auto root = Tree({r1, r2});
    ASSERT_NE(root, nullptr);
    ASSERT_FALSE(root->IsLeaf());
    EXPECT_EQ(root->Component, nullptr);
    EXPECT_EQ(root->Nets, nullptr);
    EXPECT_EQ(root->Left->Component, r1);
    EXPECT_EQ(root->Right->Component, r2);
    EXPECT_EQ(root->Score, 100);  // 0.95 x 100 + 5 for two small parts of one footprint

    const std::vector<Phase> expected{{"Gathering components ...", 2, 2, true},
                                      {"Scoring component pairs ...", 1, 1, true},
                                      {"Clustering ...", 2, 1, true}};
    EXPECT_EQ(progress.Phases, expected);
}

TEST_F(PairGenerator, ExactHalvesRoundToTheEvenScore) {
    // Two small parts of one footprint sharing half their nets: 0.95 x 50 + 5 = 52.5.
    EXPECT_EQ(JoinScore(Part("R1", "0603", {"A", "B"}), Part("R2", "0603", {"A", "C"})), 52);
    // Different footprints: 0.95 x 50 + 4 = 51.5.
    EXPECT_EQ(JoinScore(Part("R3", "0603", {"D", "E"}), Part("R4", "0805", {"D", "F"})), 52);
    // Many-pin parts sharing one of ten nets: 9.5 + 8 and 9.5 + 10.
    const std::vector<std::string> ten{"N0", "N1", "N2", "N3", "N4", "N5", "N6", "N7", "N8", "N9"};
    const std::vector<std::string> other{"N0", "M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8", "M9"};
    EXPECT_EQ(JoinScore(Part("U1", "QFP", ten), Part("U2", "SOIC", other)), 18);
    EXPECT_EQ(JoinScore(Part("U3", "QFP", ten), Part("U4", "QFP", other)), 20);
    // Three of ten: 28.5 + 8 = 36.5; nine of ten: 85.5 + 8 = 93.5.
    const std::vector<std::string> three{"N0", "N1", "N2", "K3", "K4", "K5", "K6", "K7", "K8", "K9"};
    const std::vector<std::string> nine{"N0", "N1", "N2", "N3", "N4", "N5", "N6", "N7", "N8", "K9"};
    EXPECT_EQ(JoinScore(Part("U5", "QFP", ten), Part("U6", "SOIC", three)), 36);
    EXPECT_EQ(JoinScore(Part("U7", "QFP", ten), Part("U8", "SOIC", nine)), 94);
}

TEST_F(PairGenerator, TypeScoreByKindsAndFootprints) {
    const auto leaf = [](PcbHandle component) { return std::make_unique<TPair>(component); };
    auto qfpA = leaf(Part("U1", "QFP", {"", "", "", ""}));
    auto qfpB = leaf(Part("U2", "QFP", {"", "", "", "", ""}));
    auto soic = leaf(Part("U3", "SOIC", {"", "", "", ""}));
    auto cap = leaf(Part("C1", "0402", {"", ""}));
    auto lowerCap = leaf(Part("c2", "0402", {"", ""}));
    auto otherCap = leaf(Part("C3", "0603", {"", ""}));
    auto resistor = leaf(Part("R1", "0402", {"", ""}));
    auto small = leaf(Part("R2", "SOT23", {"", "", ""}));
    auto padless = leaf(Part("MH1", "SOT23", {}));
    auto notCap = leaf(Part("XC1", "0402", {"", ""}));      // a C after another first letter
    auto threePinCap = leaf(Part("C4", "0402", {"", "", ""}));  // not two pins
    auto unnamed = leaf(Part("", "0402", {"", ""}));          // no first character

    const auto score = [](const std::unique_ptr<TPair>& a, const std::unique_ptr<TPair>& b) {
        const int32_t ab = TPairGenerator::PairTypeScore(a.get(), b.get());
        EXPECT_EQ(ab, TPairGenerator::PairTypeScore(b.get(), a.get()));
        return ab;
    };
    EXPECT_EQ(score(qfpA, qfpB), 10);
    EXPECT_EQ(score(cap, qfpA), 9);
    EXPECT_EQ(score(qfpA, soic), 8);
    EXPECT_EQ(score(cap, small), 7);
    EXPECT_EQ(score(qfpA, small), 6);
    EXPECT_EQ(score(resistor, notCap), 5);
    EXPECT_EQ(score(small, padless), 5);
    EXPECT_EQ(score(resistor, small), 4);
    EXPECT_EQ(score(cap, lowerCap), 3);
    EXPECT_EQ(score(cap, otherCap), 2);
    // Capacitors that are not two-pin capacitors are small parts.
    EXPECT_EQ(score(cap, notCap), 7);
    EXPECT_EQ(score(cap, threePinCap), 7);
    EXPECT_EQ(score(cap, unnamed), 7);

    // Only two leaves earn a type score.
    TPair inner;
    inner.SetChildren(qfpA.get(), qfpB.get());
    EXPECT_EQ(TPairGenerator::PairTypeScore(&inner, qfpA.get()), 0);
}

TEST_F(PairGenerator, NetOverlapCountsEntriesOfTheShorterList) {
    auto ic = std::make_unique<TPair>(Part("U1", "SO8", {"N", "P", "Q", "R"}));
    auto cap = std::make_unique<TPair>(Part("C1", "0402", {"N", "N"}));
    auto padless = std::make_unique<TPair>(Part("MH1", "HOLE", {}));
    auto openA = std::make_unique<TPair>(Part("TP1", "TP", {"", ""}));
    auto openB = std::make_unique<TPair>(Part("TP2", "TP", {"", "", "S"}));
    auto twice = std::make_unique<TPair>(Part("R1", "0402", {"X", "X"}));
    auto mixed = std::make_unique<TPair>(Part("R2", "0402", {"X", "Y"}));

    // Both entries of the capacitor find N in the IC, whichever side it is on.
    EXPECT_EQ(TPairGenerator::NetOverlap(cap.get(), ic.get()), 100);
    EXPECT_EQ(TPairGenerator::NetOverlap(ic.get(), cap.get()), 100);
    // Without pads there is nothing to share.
    EXPECT_EQ(TPairGenerator::NetOverlap(padless.get(), ic.get()), 0);
    EXPECT_EQ(TPairGenerator::NetOverlap(ic.get(), padless.get()), 0);
    // Unconnected pads match each other.
    EXPECT_EQ(TPairGenerator::NetOverlap(openA.get(), openB.get()), 100);
    // On equal length the first node's list is measured: [X, X] in [X, Y] is
    // 2 of 2, [X, Y] in [X, X] is 1 of 2.
    EXPECT_EQ(TPairGenerator::NetOverlap(twice.get(), mixed.get()), 100);
    EXPECT_EQ(TPairGenerator::NetOverlap(mixed.get(), twice.get()), 50);

    // An inner node contributes the entries of all its leaves: [N, N, X, X] in
    // [N, P, Q, R] finds two of four.
    TPair joined;
    joined.SetChildren(cap.get(), twice.get());
    EXPECT_EQ(TPairGenerator::NetOverlap(&joined, ic.get()), 50);
    EXPECT_EQ(TPairGenerator::NetOverlap(ic.get(), &joined), 25);
}

TEST_F(PairGenerator, PadlessPartScoresOnlyItsTypeBonus) {
    EXPECT_EQ(JoinScore(Part("MH1", "HOLE", {}), Part("U1", "SO8", {"A", "B", "C", "D"})), 6);
    EXPECT_EQ(JoinScore(Part("TP1", "TP", {"", ""}), Part("TP2", "TP", {""})), 100);
}

TEST_F(PairGenerator, EqualScoresJoinInCreationOrderAndTheNewNodeLeads) {
    // Pad-less parts of one footprint: every leaf pair scores 5, every later pair 0.
    const PcbHandle a = Part("H1", "HOLE", {});
    const PcbHandle b = Part("H2", "HOLE", {});
    const PcbHandle c = Part("H3", "HOLE", {});
    const PcbHandle d = Part("H4", "HOLE", {});
    auto root = Tree({a, b, c, d});
    ASSERT_NE(root, nullptr);
    // (a, b) first, then (c, d) at 5 over the 0 of the joined pairs; the last
    // join leads with the newest node, c-d.
    EXPECT_EQ(root->Score, 0);
    ASSERT_FALSE(root->IsLeaf());
    ASSERT_FALSE(root->Left->IsLeaf());
    ASSERT_FALSE(root->Right->IsLeaf());
    EXPECT_EQ(root->Left->Score, 5);
    EXPECT_EQ(root->Left->Left->Component, c);
    EXPECT_EQ(root->Left->Right->Component, d);
    EXPECT_EQ(root->Right->Left->Component, a);
    EXPECT_EQ(root->Right->Right->Component, b);
}

TEST_F(PairGenerator, JoinedNodesScoreThePlainOverlap) {
    const PcbHandle u1 = Part("U1", "SO8", {"A", "B", "C", "D"});
    const PcbHandle c1 = Part("C1", "0402", {"A", "B"});
    const PcbHandle r1 = Part("R1", "0402", {"C", "Z"});
    auto root = Tree({u1, c1, r1});
    ASSERT_NE(root, nullptr);
    // U1-C1 scores 95 + 9 = 104; then [A, B, C, D, A, B] against [C, Z]: R1's
    // list is shorter and half of it is found, 50 with no factor and no bonus.
    EXPECT_EQ(root->Score, 50);
    ASSERT_FALSE(root->IsLeaf());
    ASSERT_FALSE(root->Left->IsLeaf());
    EXPECT_EQ(root->Left->Score, 104);
    EXPECT_EQ(root->Left->Left->Component, u1);
    EXPECT_EQ(root->Left->Right->Component, c1);
    EXPECT_EQ(root->Right->Component, r1);
}

TEST_F(PairGenerator, StopBeforeGatheringLeavesNothing) {
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    ConfirmStop();
    EXPECT_EQ(Tree({r1}).get(), nullptr);
    ASSERT_EQ(progress.Phases.size(), 3U);
    EXPECT_EQ(progress.Phases[0], (Phase{"Gathering components ...", 1, 0, true}));
    EXPECT_EQ(progress.Phases[2], (Phase{"Clustering ...", 0, 0, true}));
}

TEST_F(PairGenerator, StopWhileJoiningReturnsTheFirstRootAndFreesTheRest) {
    TFastListOf<PcbHandle> parts;
    for (int i = 0; i < 6; ++i) {
        parts.Add(Part("R" + std::to_string(i + 1), "0603", {"N" + std::to_string(i), "GND"}));
    }
    progress.OnUpdate = [](const Phase& phase) {
        if (phase.Text == "Clustering ..." && phase.Updates == 2) {
            ConfirmStop();
        }
    };
    TPair* root = nullptr;
    {
        TPairGenerator generator(TPlacementContext{}, parts);
        root = generator.BuildTree();
        // Two joins of six leaves leave four trees; the first is handed out.
        ASSERT_EQ(generator.Nodes.Count(), 4);
        EXPECT_EQ(root, generator.Nodes[0]);
    }
    // The other three trees went with the generator (the leak checker of the
    // sanitizer build would report them otherwise); the first is ours.
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->IsLeaf());
    FreePairTree(root);
    EXPECT_EQ(progress.Phases.back(), (Phase{"Clustering ...", 6, 2, true}));
}

}  // namespace
}  // namespace autoplacer
