// The connection cost: the registry of a group's nets, the three terms and
// their weights, with and without a connection dragger.
#include <gtest/gtest.h>

#include <memory>

#include "engines/ContainmentGeometry.h"
#include "engines/CrossOvers.h"
#include "model/ComponentGroup.h"
#include "model/ConnectionDragger.h"
#include "engines/ConnectionFixture.h"

namespace autoplacer::test {
namespace {

class CrossOverTest : public ConnectionTest {
protected:
    void SetUp() override {
        ConnectionTest::SetUp();
        context.Board = Board();
        context.PowerNets = &powerNets;
    }

    // Options with only the named weights switched on.
    static TPlacerOptions Weights(int32_t length, int32_t crossings, int32_t directions) {
        TPlacerOptions options;
        options.ConnectionLengthCostWeight = length;
        options.CrossOverCostWeight = crossings;
        options.DirectionCostWeight = directions;
        return options;
    }

    int32_t Cost(const TPlacerOptions& options) {
        TCrossOverAnalyzer analyzer(&registry, options, context);
        return analyzer.TotalCost();
    }

    TFastListOf<PcbHandle> powerNets;
    TPlacementContext context;
    TNetRegistry registry{context};
};

TEST_F(CrossOverTest, RegistryListsEachSignalNetOnceInPadOrder) {
    hostpcb::Component& r1 = Part("R1", {{0, 0}, {100000, 0}, {200000, 0}, {300000, 0}});
    hostpcb::Component& r2 = Part("R2", {{0, 500000}, {100000, 500000}, {200000, 500000}});
    Join("B", "R1", 1);
    Join("GND", "R1", 2);
    Join("A", "R1", 3);
    // R1.4 has no net.
    Join("A", "R2", 1);
    Join("C", "R2", 2);
    Join("B", "R2", 3);
    powerNets.Add(Net("GND").Handle());
    TNetRegistry nets(context);

    TRectangularComponentGroup group;
    group.AddComponent(r1.Handle());
    group.AddComponent(r2.Handle());
    nets.AddGroupNets(&group);

    EXPECT_EQ(nets, (TFastListOf<PcbHandle>{Net("B").Handle(), Net("A").Handle(), Net("C").Handle()}));
    nets.AddGroupNets(&group);
    EXPECT_EQ(nets.Count(), 3);
}

TEST_F(CrossOverTest, LengthCountsWholeTenMilStepsPerConnection) {
    Connection("A", 100, 200, 100 + 1234567, 200);
    EXPECT_EQ(Cost(Weights(1, 0, 0)), 12);
    Connection("A", 0, 0, 0, -199999);      // 1 step, never rounded up
    Connection("A", 0, 0, 300000, 400000);  // 500000 long: 5 steps
    EXPECT_EQ(Cost(Weights(1, 0, 0)), 18);
    EXPECT_EQ(Cost(Weights(3, 0, 0)), 54);
}

TEST_F(CrossOverTest, ParallelLinesNeverCrossCollinearLinesSharingAnEndDo) {
    // Parallel, 150 units apart (more than 0.01 mil), with overlapping boxes.
    Connection("A", 0, 0, 1000000, 1000000);
    Connection("B", 150, 0, 1000150, 1000000);
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 0);
    EXPECT_TRUE(Connections().empty()) << "every visited line is taken off the board";

    Connection("A", 0, 0, 500000, 0);
    Connection("B", 500000, 0, 900000, 0);
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 1);
}

TEST_F(CrossOverTest, NonParallelLinesWithOverlappingBoxesCrossEvenWhenApart) {
    // The lines of A and C meet near (-540, -540), on neither segment, but C's box meets A's.
    Connection("A", 0, 0, 400000, 400000);
    Connection("C", 350000, 0, 1000000, 1000);
    // B is not parallel to A either, but its box is apart from both others: never queried.
    Connection("B", 0, 1000000, 300000, 700000);
    ASSERT_FALSE(SegmentsCross(MakeSegment(0, 0, 400000, 400000), MakeSegment(350000, 0, 1000000, 1000), true));
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 1);
}

TEST_F(CrossOverTest, CrossingsCountedTwiceAndEachLineWithItselfWhenDragging) {
    Part("R1", {{0, 0}, {0, 400000}});
    Part("R2", {{400000, 400000}, {400000, 0}});
    Join("A", "R1", 1);
    Join("A", "R2", 1);
    Join("B", "R1", 2);
    Join("B", "R2", 2);
    board->AnalyzeNet(Net("A"));
    board->AnalyzeNet(Net("B"));
    TConnectionDragger dragger(Board(), nullptr, nullptr, nullptr);
    context.ConnectionDragger = &dragger;

    // Nothing is removed, so the pair is met from both sides and each line finds itself.
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 4);
    EXPECT_EQ(Connections().size(), 2u);
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 4);
}

TEST_F(CrossOverTest, DraggerRefreshesLinesBeforeMeasuring) {
    hostpcb::Component& r1 = Part("R1", {{0, 0}});
    Part("R2", {{1000000, 0}});
    Join("A", "R1", 1);
    Join("A", "R2", 1);
    board->AnalyzeNet(Net("A"));
    TConnectionDragger dragger(Board(), nullptr, nullptr, nullptr);
    context.ConnectionDragger = &dragger;
    EXPECT_EQ(Cost(Weights(1, 0, 0)), 10);
    r1.SetPosition({-2000000, 0});
    EXPECT_EQ(Cost(Weights(1, 0, 0)), 30);
}

TEST_F(CrossOverTest, WithoutDraggerRegistryNetsAreAnalysedAgain) {
    hostpcb::Component& r1 = Part("R1", {{0, 0}});
    Part("R2", {{1000000, 0}});
    Part("R3", {{0, 5000000}});
    Part("R4", {{1000000, 5000000}});
    Join("A", "R1", 1);
    Join("A", "R2", 1);
    Join("B", "R3", 1);
    Join("B", "R4", 1);
    board->AnalyzeNet(Net("A"));
    board->AnalyzeNet(Net("B"));
    registry.Add(Net("A").Handle());

    r1.SetPosition({-2000000, 0});
    // A is rebuilt for the new position (30 steps); B's line is as it was (10 steps).
    EXPECT_EQ(Cost(Weights(1, 0, 0)), 40);
}

TEST_F(CrossOverTest, PowerNetsTakeNoPart) {
    powerNets.Add(Net("GND").Handle());
    Connection("GND", 0, 0, 1000000, 1000000);
    Connection("GND", 0, 1000000, 1000000, 0);
    EXPECT_EQ(Cost(Weights(1, 1, 1)), 0);

    // A signal line across a power line crosses nothing.
    Connection("SIG", 0, 500000, 1000000, 500000);
    EXPECT_EQ(Cost(Weights(0, 1, 0)), 0);
}

TEST_F(CrossOverTest, AllWeightsZeroCostNothingAndRemoveNothing) {
    Connection("A", 0, 0, 1000000, 1000000);
    Connection("B", 0, 1000000, 1000000, 0);
    EXPECT_EQ(Cost(Weights(0, 0, 0)), 0);
    EXPECT_EQ(Connections().size(), 2u);
}

TEST_F(CrossOverTest, WeightsScaleTheirTermsAndAddUp) {
    Connection("A", 0, 0, 1000000, 1000000);  // 14 steps at 225 degrees
    Connection("B", 0, 1000000, 1000000, 0);  // 14 steps at 135 degrees, crosses A
    context.LayerDirections[0] = 1;
    // Length 28 x 2, one crossing x 5, two violations x 7.
    EXPECT_EQ(Cost(Weights(2, 5, 7)), 56 + 5 + 14);
}

TEST_F(CrossOverTest, DirectionsFollowTheUsedLayers) {
    context.LayerDirections[0] = 1;   // TopLayer: 0 degrees
    context.LayerDirections[31] = 2;  // BottomLayer: 90 degrees
    Connection("A", 0, 500000, 0, 0);        // first end above the second: 90, matches
    Connection("A", 0, 0, 0, 500000);        // first end below: 270, a violation
    Connection("A", 500000, 0, 0, 0);        // 0, matches
    Connection("A", 0, 0, 500000, 0);        // 180, a violation
    Connection("A", 500000, 40000, 0, 0);    // about 4.6 degrees, matches
    Connection("A", 500000, 50000, 0, 0);    // about 5.7 degrees, a violation
    Connection("A", 7, 7, 7, 7);             // zero length counts as 270
    EXPECT_EQ(Cost(Weights(0, 0, 1)), 4);
}

TEST_F(CrossOverTest, WithoutUsedLayersEveryConnectionIsAViolation) {
    Connection("A", 500000, 0, 0, 0);
    Connection("B", 0, 500000, 0, 0);
    EXPECT_EQ(Cost(Weights(0, 0, 1)), 2);
}

TEST(ConnectionAngles, QuadrantsAndCodes) {
    EXPECT_DOUBLE_EQ(ConnectionAngle(1, 1, 0, 0), 45.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(-1, 1, 0, 0), 135.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(-1, -1, 0, 0), 225.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(1, -1, 0, 0), 315.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(-1, 0, 0, 0), 180.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(3, 0, 3, -2), 90.0);
    EXPECT_DOUBLE_EQ(ConnectionAngle(3, -2, 3, 0), 270.0);
    const std::pair<uint8_t, double> codes[] = {{1, 0}, {2, 90}, {3, 0}, {4, 60}, {5, 30}, {6, -30},
                                                {7, -60}, {8, 45}, {9, -45}, {10, 0}, {255, 0}};
    for (const auto& [code, degrees] : codes) {
        EXPECT_DOUBLE_EQ(DirectionOfCode(code), degrees) << int(code);
    }
    // A negative direction is reached by the angles just below 360.
    std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT> layers{};
    layers[5] = 9;
    EXPECT_TRUE(MatchesLayerDirection(ConnectionAngle(1, -1, 0, 0), layers));
    EXPECT_FALSE(MatchesLayerDirection(ConnectionAngle(-1, 1, 0, 0), layers));
    EXPECT_TRUE(MatchesLayerDirection(358.0, std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>{1}));
}

}  // namespace
}  // namespace autoplacer::test
