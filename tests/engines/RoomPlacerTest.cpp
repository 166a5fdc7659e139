// The room placer: rooms beside fixed components by sector, edge preferences
// from pad patterns turning with their rooms, what blocks what between the
// phases, clusters left on the board, progress and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engines/RoomPlacer.h"
#include "model/Cluster.h"
#include "model/RunControl.h"
#include "engines/RoomsFixture.h"

namespace autoplacer::roomtest {
namespace {

bool Overlap(const TRect& a, const TRect& b) {
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Bottom, b.Bottom) < std::min(a.Top, b.Top);
}

class RoomPlacer : public RoomBoard {
protected:
    // Runs the room placer over the lists on a rectangular area.
    void Place(const TRect& area, TClusterList clusters, TClusterList confinement = {},
               TClusterList sameFootprint = {}, TClusterList icCap = {}) {
        main = std::move(clusters);
        confinementList = std::move(confinement);
        sameFootprintList = std::move(sameFootprint);
        icCapList = std::move(icCap);
        TClusterLists lists{&main, &icCapList, &sameFootprintList, &confinementList};
        TRoomPlacer placer(RectangularContext(board->Handle(), area), TPlacerOptions{});
        placer.Run(lists);
        placedRects = placer.Packer->PlacedRects().Count();
    }

    // A cluster holding one locked part and one movable part.
    TCluster* FixedCluster(PcbHandle fixed, PcbHandle movable) {
        Lock(fixed);
        return ClusterOf({movable, fixed});
    }
    // A confinement cluster whose room is the rectangle.
    TCluster* ConfinementRoom(const TRect& room) {
        TCluster* cluster = ClusterOf({});
        cluster->Rect = room;
        return cluster;
    }

    TClusterList main, confinementList, sameFootprintList, icCapList;
    int32_t placedRects = 0;
};

TEST_F(RoomPlacer, FixedComponentNearTheLeftEdgeGetsTheRoomToItsRightVerticallyCentred) {
    const PcbHandle fixed = BlockAt("J1", 500, 3000, 400, 600);
    const PcbHandle movable = BlockAt("U1", 5000, 5000, 300, 200);
    TCluster* cluster = FixedCluster(fixed, movable);
    cluster->Rect = R(0, 800, 1000, 0);
    // Whatever is there already (a confinement room comes later anyway).
    TCluster* confinement = ConfinementRoom(R(600, 3500, 2000, 2500));

    Place(R(0, 6000, 10000, 0), {cluster}, {confinement});

    EXPECT_EQ(cluster->Rect, R(700, 3400, 1700, 2600));
    // The movable part sits in the middle of the room; the fixed one stays.
    EXPECT_EQ(ExtentOf(movable), R(1050, 3100, 1350, 2900));
    EXPECT_EQ(ExtentOf(fixed), R(300, 3300, 700, 2700));
    EXPECT_EQ(confinement->Rect, R(600, 3500, 2000, 2500));
    // The fixed extent, the room and the confinement room.
    EXPECT_EQ(placedRects, 3);
}

TEST_F(RoomPlacer, ARoomBesideAFixedPartIsTurnedOrMovedIntoTheArea) {
    // Area 8000 x 4000 mil. A fixed part near the left edge, low: the room goes to
    // its right (the area's centre lies that way).
    const TRect area = R(0, 4000, 8000, 0);
    const auto fixedAt = [](double x, double y) { return R(x - 100, y + 100, x + 100, y - 100); };
    bool turned = true;
    // Fits as given: unchanged.
    EXPECT_EQ(RoomBesideFixedInside(fixedAt(300, 2000), Mil(1000), Mil(600), area, turned),
              RoomBesideFixed(fixedAt(300, 2000), Mil(1000), Mil(600), area));
    EXPECT_FALSE(turned);
    // 600 wide, 3100 high above a part whose top is at y 1000 (bottom sector): it
    // would reach y 4100, off the area. Turned (3100 x 600) it lies above the part.
    const TRect up = RoomBesideFixedInside(fixedAt(4000, 900), Mil(600), Mil(3100), area, turned);
    EXPECT_TRUE(turned);
    EXPECT_EQ(up, R(2450, 1600, 5550, 1000));
    // 3900 square below a part whose bottom is at y 3400 (top sector): it would
    // reach y -500 either way round, so it is moved up into the area.
    const TRect moved = RoomBesideFixedInside(fixedAt(4000, 3500), Mil(3900), Mil(3900), area, turned);
    EXPECT_EQ(moved, R(2050, 3900, 5950, 0));
    // Larger than the area either way: left as given.
    EXPECT_EQ(RoomBesideFixedInside(fixedAt(4000, 3500), Mil(9000), Mil(5000), area, turned),
              RoomBesideFixed(fixedAt(4000, 3500), Mil(9000), Mil(5000), area));
    EXPECT_FALSE(turned);
}

TEST_F(RoomPlacer, TheAreaDiagonalsDecideTheSideAndADiagonalCountsAsRight) {
    // Area 8000 x 4000 mil, centre (4000, 2000): the diagonals rise 1 in 2.
    const TRect area = R(0, 4000, 8000, 0);
    const auto fixedAt = [](double x, double y) { return R(x - 100, y + 100, x + 100, y - 100); };
    EXPECT_EQ(SectorOf(fixedAt(6000, 3000), area), TAreaSector::Right);
    EXPECT_EQ(SectorOf(fixedAt(2000, 3000), area), TAreaSector::Right);
    EXPECT_EQ(SectorOf(fixedAt(4000, 2000), area), TAreaSector::Right);
    EXPECT_EQ(SectorOf(fixedAt(2000, 2999), area), TAreaSector::Left);
    EXPECT_EQ(SectorOf(fixedAt(6000, 3001), area), TAreaSector::Top);
    EXPECT_EQ(SectorOf(fixedAt(4000, 100), area), TAreaSector::Bottom);

    const int32_t w = Mil(1000);
    const int32_t h = Mil(600);
    // On the diagonal towards the upper left: still the right sector, room to its left.
    EXPECT_EQ(RoomBesideFixed(fixedAt(2000, 3000), w, h, area), R(900, 3300, 1900, 2700));
    EXPECT_EQ(RoomBesideFixed(fixedAt(6000, 3000), w, h, area), R(4900, 3300, 5900, 2700));
    EXPECT_EQ(RoomBesideFixed(fixedAt(2000, 2999), w, h, area), R(2100, 3299, 3100, 2699));
    EXPECT_EQ(RoomBesideFixed(fixedAt(6000, 3001), w, h, area), R(5500, 2901, 6500, 2301));
    EXPECT_EQ(RoomBesideFixed(fixedAt(4000, 100), w, h, area), R(3500, 800, 4500, 200));
    // Halves of odd sizes truncate: the room loses a unit.
    const TRect odd = RoomBesideFixed(fixedAt(4000, 100), w + 1, h, area);
    EXPECT_EQ(RectWidth(odd), w);
    EXPECT_EQ(RectCentreX(odd), Mil(4000));
}

TEST_F(RoomPlacer, PadPatternsGiveTheEdgePreferences) {
    EXPECT_EQ(EdgePreferencesOfPadPattern(0), (TEdgePreferences{kEdgeNoPreference, kEdgeNoPreference}));
    EXPECT_EQ(EdgePreferencesOfPadPattern(1), (TEdgePreferences{kEdgeAway, kEdgeNear}));
    EXPECT_EQ(EdgePreferencesOfPadPattern(2), (TEdgePreferences{kEdgeNear, kEdgeAway}));
    EXPECT_EQ(EdgePreferencesOfPadPattern(3), (TEdgePreferences{kEdgeAway, kEdgeAway}));
}

TEST_F(RoomPlacer, AnICPinnedTopAndBottomPrefersASideEdgeAndTurnsWithItsRoom) {
    {
        // Room free to stay upright: against the right edge (within 200 mil),
        // away from the bottom and top.
        const PcbHandle ic = DualRowPart("U1", 6000, 6000, 5);
        TCluster* cluster = ClusterOf({ic});
        TCluster* middle = ConfinementRoom(R(1200, 1800, 1800, 1200));
        Place(R(0, 3000, 3000, 0), {}, {middle}, {cluster});
        EXPECT_EQ(cluster->Rect, R(1800, 1600, 2800, 1200));
        EXPECT_EQ(ExtentOf(ic), R(1800, 1600, 2800, 1200));
        EXPECT_DOUBLE_EQ(AngleOf(ic), 0.0);
    }
    // Upright it fits on neither side of the confinement room. Turned, its
    // preferences turn too (near the bottom, away from the sides), so it goes
    // right of the room instead of into the lower-left corner; the part is
    // turned with its room.
    const PcbHandle ic = DualRowPart("U2", 6000, 6000, 10);
    TCluster* cluster = ClusterOf({ic});
    TCluster* wall = ConfinementRoom(R(1000, 3000, 1400, 0));
    Place(R(0, 3000, 3000, 0), {}, {wall}, {}, {cluster});
    EXPECT_EQ(cluster->Rect, R(1400, 2000, 1800, 0));
    EXPECT_EQ(ExtentOf(ic), R(1400, 2000, 1800, 0));
    EXPECT_DOUBLE_EQ(AngleOf(ic), 90.0);
}

TEST_F(RoomPlacer, AClusterLeftOnTheBoardStaysButBlocksLaterClusters) {
    const PcbHandle staying = BlockAt("A1", 2000, 2000, 200, 200);
    const PcbHandle moving = BlockAt("B1", 2500, 2500, 100, 100);
    TCluster* kept = ClusterOf({staying});
    kept->Rect = R(0, 1000, 1000, 0);
    kept->RemovedFromBoard = false;
    TCluster* placed = ClusterOf({moving});
    placed->Rect = R(0, 500, 500, 0);

    Place(R(0, 3000, 3000, 0), {kept, placed});

    EXPECT_EQ(kept->Rect, R(0, 1000, 1000, 0));
    EXPECT_EQ(ExtentOf(staying), R(1900, 2100, 2100, 1900));
    EXPECT_EQ(placed->Rect, R(1000, 500, 1500, 0));
    EXPECT_EQ(ExtentOf(moving), R(1200, 300, 1300, 200));
}

TEST_F(RoomPlacer, ConfinementRoomsBlockTheLaterPhasesButNotTheFixedComponentRooms) {
    const PcbHandle fixed = BlockAt("J1", 500, 1000, 400, 600);
    TCluster* withFixed = FixedCluster(fixed, BlockAt("U1", 5000, 5000, 300, 200));
    withFixed->Rect = R(0, 800, 1000, 0);
    TCluster* sameFootprint = ClusterOf({BlockAt("S1", 7000, 5000, 300, 300)});
    TCluster* icCap = ClusterOf({BlockAt("C1", 8000, 5000, 300, 300)});
    TCluster* plain = ClusterOf({BlockAt("M1", 9000, 5000, 400, 400)});
    plain->Rect = R(0, 400, 400, 0);
    TCluster* confinement = ConfinementRoom(R(0, 2000, 2000, 0));

    Place(R(0, 6000, 10000, 0), {withFixed, plain}, {confinement}, {sameFootprint}, {icCap});

    EXPECT_EQ(withFixed->Rect, R(700, 1400, 1700, 600));
    EXPECT_TRUE(Overlap(withFixed->Rect, confinement->Rect));
    // Same-footprint before IC-capacitor: it takes the first free anchor.
    EXPECT_EQ(sameFootprint->Rect, R(2000, 300, 2300, 0));
    const std::vector<TRect> earlier{confinement->Rect, withFixed->Rect, ExtentOf(fixed), sameFootprint->Rect};
    for (const TCluster* later : {icCap, plain}) {
        for (const TRect& obstacle : earlier) {
            EXPECT_FALSE(Overlap(later->Rect, obstacle));
        }
    }
    EXPECT_FALSE(Overlap(icCap->Rect, plain->Rect));
}

TEST_F(RoomPlacer, AFixedPartWithoutExtentLeavesTheClusterToTheLastPhase) {
    hostpcb::Component& bare = board->AddComponent("H1", "BARE", At(8000, 5000));
    TCluster* cluster = FixedCluster(bare.Handle(), BlockAt("U1", 5000, 5000, 300, 200));
    ASSERT_EQ(cluster->FixedGroups.Count(), 1);
    cluster->Rect = R(0, 200, 300, 0);
    Place(R(0, 6000, 10000, 0), {cluster});
    EXPECT_EQ(cluster->Rect, R(0, 200, 300, 0));
    EXPECT_EQ(ExtentOf(FirstHandle(*cluster->First())), R(0, 200, 300, 0));
    EXPECT_EQ(placedRects, 1);
}

TEST_F(RoomPlacer, EveryPhaseShowsItsProgressAndAStopLeavesTheRestWhereTheyWere) {
    TCluster* withFixed = FixedCluster(BlockAt("J1", 500, 1000, 400, 600), BlockAt("U1", 5000, 5000, 300, 200));
    withFixed->Rect = R(0, 800, 1000, 0);
    const PcbHandle plainPart = BlockAt("M1", 9000, 5000, 400, 400);
    TCluster* plain = ClusterOf({plainPart});
    plain->Rect = R(0, 400, 400, 0);
    const PcbHandle samePart = BlockAt("S1", 7000, 5000, 300, 300);
    TCluster* sameFootprint = ClusterOf({samePart});
    TCluster* confinement = ConfinementRoom(R(0, 2000, 2000, 0));
    {
        Place(R(0, 6000, 10000, 0), {withFixed, plain}, {confinement}, {sameFootprint});
        using Phase = plantest::TProgressLog::Phase;
        const std::vector<Phase> expected{{"Defining rooms ...", 2, 2, true},
                                          {"Defining rooms ...", 1, 1, true},
                                          {"Defining rooms ...", 1, 1, true},
                                          {"Defining rooms ...", 0, 0, true},
                                          {"Defining rooms ...", 2, 2, true}};
        EXPECT_EQ(progress.Phases, expected);
    }

    // Again on fresh clusters, stopped after the first cluster: the stop check
    // before the phase, the commits of the fixed extent and of the room, then
    // the check after the cluster.
    progress.Phases.clear();
    PlacementRunning = true;
    polls = 0;
    stopAfterPolls = 4;
    const PcbHandle movable = BlockAt("U2", 5000, 3000, 300, 200);
    TCluster* again = FixedCluster(BlockAt("J2", 500, 3000, 400, 600), movable);
    again->Rect = R(0, 800, 1000, 0);
    const TRect plainBefore = plain->Rect;
    const TRect plainExtent = ExtentOf(plainPart);
    const TRect sameExtent = ExtentOf(samePart);
    Place(R(0, 6000, 10000, 0), {again, plain}, {confinement}, {sameFootprint});
    EXPECT_EQ(RectCentreY(ExtentOf(movable)), Mil(3000));
    EXPECT_EQ(plain->Rect, plainBefore);
    EXPECT_EQ(ExtentOf(plainPart), plainExtent);
    EXPECT_EQ(ExtentOf(samePart), sameExtent);
    ASSERT_EQ(progress.Phases.size(), 5u);
    EXPECT_EQ(progress.Phases[0].Updates, 1);
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(progress.Phases[i].Updates, 0) << i;
        EXPECT_TRUE(progress.Phases[i].Finished) << i;
    }
}

}  // namespace
}  // namespace autoplacer::roomtest
