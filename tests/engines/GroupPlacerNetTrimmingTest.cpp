// Full-mode searches trim the host's nets to the pads that matter for the group
// being placed and put them back afterwards; the connection cost then sees the
// group's connections to the groups already placed.
#include <gtest/gtest.h>

#include "engines/GroupPlacerFixture.h"
#include "engines/CrossOvers.h"
#include "host/PcbIterators.h"
#include "model/BoardQueries.h"
#include "model/RunControl.h"

namespace autoplacer::test {
namespace {

class NetTrimmingTest : public GroupPlacerTest {
protected:
    void SetUp() override {
        GroupPlacerTest::SetUp();
        hostpcb::BoardBuilder build(*board);
        build.Chip("A", "0805", At(100, 100));
        build.Chip("G", "0805", At(1500, 800));
        build.Chip("C", "0805", At(1800, 200));
        build.Connect("N1", {"A.1", "G.1", "C.1"});
        build.Connect("N2", {"A.2", "C.2"});
        AnalyzeAllNets(board->Handle());
    }
    size_t PadsIn(const char* net) { return board->FindNet(net)->Pads().size(); }
    int Connections() {
        int count = 0;
        TObjectIterator(board->Handle(), PCB_CONNECTION).ForEach([&](PcbHandle) { ++count; });
        return count;
    }
};

TEST_F(NetTrimmingTest, OnlyTheGroupsPadsAndThePlacedPadsOnItsSignalNetsStay) {
    TRectangularComponentGroup& a = Group({"A"});
    TRectangularComponentGroup& g = Group({"G"});
    ASSERT_GT(Connections(), 0);
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    placer->AddPlacedGroup(&a);
    TDetachedPads detached = placer->DetachUnrelatedPads(g);
    EXPECT_EQ(detached.size(), 3u);  // C.1 and C.2 belong to no list, A.2 is on a net G does not have
    const std::vector<hostpcb::Pad*> n1 = board->FindNet("N1")->Pads();
    ASSERT_EQ(n1.size(), 2u);
    EXPECT_EQ(n1[0], Part("A").FindPad("1"));
    EXPECT_EQ(n1[1], Part("G").FindPad("1"));
    EXPECT_EQ(PadsIn("N2"), 0u);
    EXPECT_EQ(Connections(), 0);  // without a dragger the connections leave the board
    ASSERT_EQ(placer->NetRegistry->Count(), 1);
    EXPECT_EQ(placer->NetRegistry->Items(0), board->FindNet("N1")->Handle());
    TGroupPlacer::ReattachPads(detached);
    EXPECT_TRUE(detached.empty());
    EXPECT_EQ(PadsIn("N1"), 3u);
    EXPECT_EQ(PadsIn("N2"), 2u);
}

TEST_F(NetTrimmingTest, PlacedPadsOnPowerNetsAreDetachedToo) {
    powerNets.Add(board->FindNet("N1")->Handle());
    TRectangularComponentGroup& a = Group({"A"});
    TRectangularComponentGroup& g = Group({"G"});
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    placer->AddPlacedGroup(&a);
    TDetachedPads detached = placer->DetachUnrelatedPads(g);
    EXPECT_EQ(detached.size(), 4u);
    EXPECT_TRUE(placer->NetRegistry->Empty());
    const std::vector<hostpcb::Pad*> n1 = board->FindNet("N1")->Pads();
    ASSERT_EQ(n1.size(), 1u);
    EXPECT_EQ(n1[0], Part("G").FindPad("1"));
    TGroupPlacer::ReattachPads(detached);
    EXPECT_EQ(PadsIn("N1"), 3u);
}

TEST_F(NetTrimmingTest, AFullModePlacementPutsEveryPadBackEvenWhenStopped) {
    TRectangularComponentGroup& a = Group({"A"});
    TRectangularComponentGroup& g = Group({"G"});
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    placer->AddPlacedGroup(&a);
    placer->PlaceGroup(&g);
    EXPECT_EQ(PadsIn("N1"), 3u);
    EXPECT_EQ(PadsIn("N2"), 2u);
    EXPECT_EQ(placer->PlacedGroups.Count(), 2);

    TRectangularComponentGroup& c = Group({"C"});
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
    placer->PlaceGroup(&c);
    EXPECT_EQ(PadsIn("N1"), 3u);
    EXPECT_EQ(PadsIn("N2"), 2u);
    EXPECT_EQ(placer->PlacedGroups.Count(), 2);
}

TEST_F(NetTrimmingTest, TheConnectionLengthDrawsTheGroupToItsPlacedPartner) {
    TRectangularComponentGroup& a = Group({"A"});
    TRectangularComponentGroup& g = Group({"G"});
    NoCosts();
    options.ConnectionLengthCostWeight = 1;
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    placer->AddPlacedGroup(&a);
    const TRect before = Extent("G");
    placer->PlaceGroup(&g);
    const TRect after = Extent("G");
    EXPECT_LT(after.Left, Mil(450));
    EXPECT_LT(after.Bottom, Mil(450));
    EXPECT_NE(after, before);
    EXPECT_FALSE(placer->Failed);
    EXPECT_EQ(PadsIn("N1"), 3u);
}

}  // namespace
}  // namespace autoplacer::test
