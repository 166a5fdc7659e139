// The relative placer on real host geometry: rows of same-footprint ICs,
// columns of ICs with their capacitors, stops in the middle of a row, the
// progress phases, and the working rectangle of a main cluster.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "engines/ArrangeFixture.h"
#include "engines/RelativePlacer.h"
#include "hostpcb/BoardBuilder.h"
#include "model/Cluster.h"
#include "model/RunControl.h"

namespace autoplacer {
namespace {

using arrangetest::Mils;
using Phase = plantest::TProgressLog::Phase;

class RelativePlacerTest : public arrangetest::ArrangeBoard {
protected:
    void SetUp() override {
        ArrangeBoard::SetUp();
        hostpcb::BoardBuilder(*board).ComponentClearance(Mils(10), 0);
        lists.Clusters = &clusters;
        lists.ICCapClusters = &icCaps;
        lists.SameFootprintClusters = &sameFootprint;
        lists.ConfinementClusters = &confinement;
    }
    void TearDown() override {
        for (TClusterList* list : {&clusters, &icCaps, &sameFootprint, &confinement}) {
            for (TCluster* cluster : *list) {
                delete cluster;
            }
            list->Clear();
        }
        ArrangeBoard::TearDown();
    }

    // A new cluster of the list with one group per component, in order.
    TCluster& ClusterOf(TClusterList& list, const std::vector<PcbHandle>& components) {
        auto* cluster = new TCluster();
        list.Add(cluster);
        for (PcbHandle component : components) {
            cluster->AddComponent(component);
        }
        return *cluster;
    }

    void Run() {
        TPlacementContext context;
        context.Board = board->Handle();
        context.KeepOutExtent = area;
        TRelativePlacer(context).Run(lists, TPlacerOptions{});
    }

    std::vector<PcbHandle> Members(const TRectangularComponentGroup& group) {
        std::vector<PcbHandle> handles;
        for (const TPlacedComponent* member : group) {
            handles.push_back(member->Handle);
        }
        return handles;
    }

    TClusterList clusters, icCaps, sameFootprint, confinement;
    TClusterLists lists;
};

TEST_F(RelativePlacerTest, EmptyListsShowTheirPhasesWithTotalZero) {
    Run();
    const Phase empty{kRelativePlacementProgress, 0, 0, true};
    EXPECT_EQ(progress.Phases, (std::vector<Phase>{empty, empty, empty}));
}

TEST_F(RelativePlacerTest, NilListsCountAsEmpty) {
    lists = TClusterLists{};
    Run();
    EXPECT_EQ(progress.Phases.size(), 3u);
    for (const Phase& phase : progress.Phases) {
        EXPECT_EQ(phase.Total, 0);
        EXPECT_TRUE(phase.Finished);
    }
}

TEST_F(RelativePlacerTest, SameFootprintICsBecomeOneUprightRow) {
    const PcbHandle u1 = BlockMils("U1", 200, 100, 5000, 5000);
    const PcbHandle u2 = BlockMils("U2", 200, 100, 6000, 6000);
    const PcbHandle u3 = BlockMils("U3", 200, 100, 7000, 5500);
    TCluster& cluster = ClusterOf(sameFootprint, {u1, u2, u3});
    ClusterOf(sameFootprint, {BlockMils("U4", 100, 300), BlockMils("U5", 100, 300)});

    Run();

    ASSERT_EQ(cluster.Count(), 1);
    const TRectangularComponentGroup& row = *cluster[0];
    EXPECT_EQ(Members(row), (std::vector<PcbHandle>{u1, u2, u3}));
    int32_t left = area.Left;
    for (PcbHandle part : {u1, u2, u3}) {
        EXPECT_DOUBLE_EQ(Angle(part), 90.0);
        EXPECT_EQ(Extent(part), Rect(left, area.Bottom + Mils(200), left + Mils(100), area.Bottom));
        left += Mils(100 + 10);
    }
    const TRect expected = Rect(area.Left, area.Bottom + Mils(200), area.Left + Mils(320), area.Bottom);
    EXPECT_EQ(row.Rect, expected);
    EXPECT_EQ(row.OldRect, expected);
    EXPECT_EQ(progress.Phases.front(), (Phase{kRelativePlacementProgress, 2, 2, true}));
}

TEST_F(RelativePlacerTest, CapacitorsAndICsBecomeColumnsAndAnUnpairedLastGroupIsLeftOut) {
    const PcbHandle c1 = BlockMils("C1", 80, 40, 5000, 5000);
    const PcbHandle u1 = BlockMils("U1", 300, 400, 6000, 6000);
    const PcbHandle c2 = BlockMils("C2", 80, 40, 7000, 7000);
    const PcbHandle u2 = BlockMils("U2", 300, 400, 8000, 8000);
    const PcbHandle spare = BlockMils("C3", 80, 40, 9000, 9000);
    TCluster& cluster = ClusterOf(icCaps, {c1, u1, c2, u2, spare});
    const TRect spareBefore = Extent(spare);

    Run();

    ASSERT_EQ(cluster.Count(), 1);
    EXPECT_EQ(Members(*cluster[0]), (std::vector<PcbHandle>{c1, u1, c2, u2}));
    EXPECT_FALSE(cluster.Contains(spare));
    EXPECT_EQ(Extent(spare), spareBefore);
    const int32_t second = area.Left + Mils(300 + 10);
    EXPECT_EQ(Extent(u1).Left, area.Left);
    EXPECT_EQ(Extent(u2).Left, second);
    EXPECT_EQ(Extent(u1).Bottom, area.Bottom);
    EXPECT_EQ(Extent(u2).Bottom, area.Bottom);
    EXPECT_EQ(Extent(c1), Rect(area.Left + Mils(110), area.Bottom + Mils(450), area.Left + Mils(190),
                               area.Bottom + Mils(410)));
    EXPECT_EQ(Extent(c2).Left, second + Mils(110));
    EXPECT_EQ(Extent(c2).Bottom, area.Bottom + Mils(410));
    EXPECT_EQ(cluster[0]->Rect, Rect(area.Left, area.Bottom + Mils(450), second + Mils(300), area.Bottom));
    EXPECT_EQ(progress.Phases.at(1), (Phase{kRelativePlacementProgress, 1, 1, true}));
}

TEST_F(RelativePlacerTest, StopInsideARowKeepsWhatWasAddedAndLeavesLaterClustersAlone) {
    const PcbHandle c1 = BlockMils("C1", 80, 40, 5000, 5000);
    const PcbHandle u1 = BlockMils("U1", 300, 400, 6000, 6000);
    const PcbHandle c2 = BlockMils("C2", 80, 40, 7000, 7000);
    const PcbHandle u2 = BlockMils("U2", 300, 400, 8000, 8000);
    TCluster& first = ClusterOf(icCaps, {c1, u1, c2, u2});
    const PcbHandle c5 = BlockMils("C5", 80, 40, 9000, 9000);
    const PcbHandle u5 = BlockMils("U5", 300, 400, 9500, 9500);
    TCluster& later = ClusterOf(icCaps, {c5, u5});
    const hostpcb::Point u1Before = Reference(u1);
    const TRect u5Before = Extent(u5);
    // The stop is confirmed as soon as the first column stands.
    PlacementRunning = true;
    client.SetMessagePump([&] {
        if (Reference(u1) != u1Before) {
            plantest::ConfirmStop();
        }
    });

    Run();

    ASSERT_EQ(first.Count(), 1);
    EXPECT_EQ(Members(*first[0]), (std::vector<PcbHandle>{c1, u1}));
    EXPECT_EQ(first[0]->Rect, Rect(area.Left, area.Bottom + Mils(450), area.Left + Mils(300), area.Bottom));
    EXPECT_FALSE(first.Contains(c2));
    EXPECT_EQ(later.Count(), 2);
    EXPECT_EQ(Extent(u5), u5Before);
    ASSERT_EQ(progress.Phases.size(), 2u);  // the main clusters' step does not start
    EXPECT_EQ(progress.Phases[1], (Phase{kRelativePlacementProgress, 2, 1, true}));
}

TEST_F(RelativePlacerTest, ConfirmedStopBeforeTheRunShowsNoPhase) {
    const PcbHandle u1 = BlockMils("U1", 200, 100);
    ClusterOf(sameFootprint, {u1, BlockMils("U2", 200, 100, 6000, 6000)});
    plantest::ConfirmStop();
    const TRect before = Extent(u1);

    Run();

    EXPECT_TRUE(progress.Phases.empty());
    EXPECT_EQ(Extent(u1), before);
    EXPECT_EQ(sameFootprint[0]->Count(), 2);
}

TEST_F(RelativePlacerTest, OneComponentMainClusterLandsAtTheCornerOfItsRectangle) {
    const PcbHandle part = BlockMils("U1", 200, 100, 7000, 9000);
    TCluster& cluster = ClusterOf(clusters, {part});

    Run();

    const TRect placed = Rect(area.Left, area.Bottom + Mils(100), area.Left + Mils(200), area.Bottom);
    EXPECT_EQ(Extent(part), placed);
    EXPECT_DOUBLE_EQ(Angle(part), 0.0);
    EXPECT_EQ(cluster.Rect, placed);
    EXPECT_EQ(progress.Phases.back(), (Phase{kRelativePlacementProgress, 1, 0, true}));
}

TEST_F(RelativePlacerTest, MainClusterIsPackedWithoutOverlapInsideItsRectangle) {
    std::vector<PcbHandle> parts;
    for (int i = 0; i < 4; ++i) {
        parts.push_back(BlockMils("U" + std::to_string(i + 1), 200, 100, 6000 + 300 * i, 9000));
    }
    TCluster& cluster = ClusterOf(clusters, parts);
    ClusterOf(clusters, {BlockMils("R1", 60, 30, 9000, 9000)});

    Run();

    EXPECT_EQ(cluster.Rect.Left, area.Left);
    EXPECT_EQ(cluster.Rect.Bottom, area.Bottom);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const TRect a = Extent(parts[i]);
        EXPECT_TRUE(RectContainsRect(cluster.Rect, a)) << i;
        for (std::size_t j = i + 1; j < parts.size(); ++j) {
            const TRect b = Extent(parts[j]);
            EXPECT_FALSE(a.Left < b.Right && b.Left < a.Right && a.Bottom < b.Top && b.Bottom < a.Top) << i << " " << j;
        }
    }
    // Both clusters are built at the same corner.
    EXPECT_EQ(Extent(board->FindComponent("R1")->Handle()).Left, area.Left);
    EXPECT_EQ(progress.Phases.back(), (Phase{kRelativePlacementProgress, 2, 0, true}));
}

TEST_F(RelativePlacerTest, StopWhilePackingLeavesTheLaterMainClustersWhereTheyWere) {
    const PcbHandle first = BlockMils("U1", 200, 100, 7000, 9000);
    ClusterOf(clusters, {first});
    const PcbHandle later = BlockMils("U2", 200, 100, 9000, 9000);
    TCluster& untouched = ClusterOf(clusters, {later});
    const TRect laterBefore = Extent(later);
    const TRect firstBefore = Extent(first);
    PlacementRunning = true;
    client.SetMessagePump([&] {
        if (Extent(first) != firstBefore) {
            plantest::ConfirmStop();
        }
    });

    Run();

    EXPECT_EQ(Extent(later), laterBefore);
    EXPECT_EQ(untouched.Rect, Rect(0, 0, 0, 0));
    EXPECT_TRUE(progress.Phases.back().Finished);
}

class InitialClusterRectTest : public RelativePlacerTest {};

TEST_F(InitialClusterRectTest, OneComponentGivesARectangleOfItsShapeAndThreeAndAThirdTimesItsArea) {
    // 600 x 400 mil: cells of 40 mil, 15 x 10 of them, aspect 1.5.
    TCluster& cluster = ClusterOf(clusters, {BlockMils("U1", 600, 400)});
    const TRect r = InitialClusterRect(cluster, Point(Mils(100), Mils(200)));
    EXPECT_EQ(r, Rect(Mils(100), Mils(200 + 900), Mils(100 + 900), Mils(200)));
}

TEST_F(InitialClusterRectTest, ProportionsFollowTheLargestPartAndAreaTheGroupsCells) {
    TCluster& cluster = ClusterOf(clusters, {BlockMils("U1", 400, 100), BlockMils("C1", 40, 20, 6000, 6000),
                                             BlockMils("C2", 40, 20, 6100, 6000), BlockMils("R1", 60, 30, 6200, 6000)});
    const TPoint corner = Point(Mils(1000), Mils(2000));
    const TRect r = InitialClusterRect(cluster, corner);

    EXPECT_EQ(r.Left, corner.X);
    EXPECT_EQ(r.Bottom, corner.Y);
    const double width = RectWidth(r);
    const double height = RectHeight(r);
    EXPECT_NEAR(width / height, 4.0 / 1.5, 0.01);
    // Cells of 2 mil (a tenth of the 20 mil side): 200 x 50 + 2 x (20 x 10) + 30 x 15.
    const double cellArea = static_cast<double>(Mils(2)) * Mils(2);
    const double cells = 200 * 50 + 2 * 20 * 10 + 30 * 15;
    EXPECT_NEAR(width * height / (cells * cellArea), 3.375, 0.01);
}

TEST_F(InitialClusterRectTest, ClusterWithoutAnyAreaGetsTheEmptyRectangleAtTheCorner) {
    TCluster& cluster = ClusterOf(clusters, {});
    EXPECT_EQ(InitialClusterRect(cluster, Point(7, 9)), Rect(7, 9, 7, 9));
}

TEST_F(InitialClusterRectTest, SmallestSideUnderTenUnitsCountsExactArea) {
    // An 8 x 8 unit part makes the tenth of the smallest side 0; cells of one unit are used.
    TCluster& cluster = ClusterOf(clusters, {BlockMils("U1", 100, 50), Block("P1", {Mils(6000), Mils(6000)}, 8, 8)});
    const TRect r = InitialClusterRect(cluster, Point(0, 0));

    const double size = static_cast<double>(RectWidth(r)) * RectHeight(r);
    EXPECT_NEAR(size / (static_cast<double>(Mils(100)) * Mils(50) + 64), 3.375, 0.001);
    EXPECT_NEAR(static_cast<double>(RectWidth(r)) / RectHeight(r), 2.0 / 1.5, 0.001);
}

TEST_F(InitialClusterRectTest, PartWithoutPrimitivesTakesNoCells) {
    // The pad-less part has no extent: its sides count as 0 and the cells shrink to one unit.
    hostpcb::Component& label = board->AddComponent("LOGO1", "LABEL", {Mils(6000), Mils(6000)});
    TCluster& cluster = ClusterOf(clusters, {BlockMils("U1", 100, 50), label.Handle()});
    ASSERT_EQ(cluster.Count(), 2);
    const TRect r = InitialClusterRect(cluster, Point(0, 0));

    const double size = static_cast<double>(RectWidth(r)) * RectHeight(r);
    EXPECT_NEAR(size / (static_cast<double>(Mils(100)) * Mils(50)), 3.375, 0.001);
}

TEST(InitialClusterRectArithmetic, LargestPartWithoutHeightCountsAsSquare) {
    // 100 cells of 10 units, aspect taken as 1: 150 wide, 225 high.
    EXPECT_EQ(RectOfCells(100, 10, 50, 0, Point(1, 2)), Rect(1, 2 + 225, 1 + 150, 2));
    EXPECT_EQ(RectOfCells(100, 10, 0, 0, Point(1, 2)), Rect(1, 2 + 225, 1 + 150, 2));
        // Cells of 1 unit; 15 * 1.5 = 22.5 rounds to the even 22.
    EXPECT_EQ(RectOfCells(100, 0, 50, 50, Point(0, 0)), Rect(0, 22, 15, 0));
}

TEST(InitialClusterRectArithmetic, CornersStayWithinTheCoordinateRange) {
    const TRect r = RectOfCells(std::numeric_limits<int64_t>::max() / 4, 1000, 1000000, 1, Point(900000000, 900000000));
    EXPECT_EQ(r.Left, 900000000);
    EXPECT_EQ(r.Bottom, 900000000);
    EXPECT_GE(r.Right, r.Left);
    EXPECT_GE(r.Top, r.Bottom);
}

TEST(InitialClusterRectArithmetic, ATallRectangleIsReshapedToFitAWideExtent) {
    const TRect extent = Rect(0, 1000, 3000, 0);
    // Fits already: unchanged.
    EXPECT_EQ(FitRectToExtent(Rect(10, 500, 400, 10), extent), Rect(10, 500, 400, 10));
    // 400 x 2000 on a 3000 x 1000 extent: 1000 high, 800 wide, the same area.
    EXPECT_EQ(FitRectToExtent(Rect(0, 2000, 400, 0), extent), Rect(0, 1000, 800, 0));
    // Too wide: cut to 3000, grown to 334 (the area rounded up).
    EXPECT_EQ(FitRectToExtent(Rect(0, 200, 5000, 0), extent), Rect(0, 334, 3000, 0));
    // Larger than the extent in both ways: the extent itself.
    EXPECT_EQ(FitRectToExtent(Rect(0, 5000, 5000, 0), extent), Rect(0, 1000, 3000, 0));
}

}  // namespace
}  // namespace autoplacer
