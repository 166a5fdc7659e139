// The absolute placer: the routing directions it gives the cost evaluation,
// which groups become jobs and which obstacles, the order of the jobs, the two
// progress phases, and the area the jobs are placed in after the confinement
// rooms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "engines/AbsolutePlacer.h"
#include "engines/GroupPlacer.h"
#include "engines/KeepOut.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"
#include "model/BoardQueries.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "model/RunControl.h"
#include "plugin/Main_AutoPlacer.h"
#include "engines/PlanFixture.h"

namespace autoplacer::test {
namespace {

using plantest::TProgressLog;

constexpr int32_t Mil = 10000;

class AbsolutePlacerTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("absolute.kicad_pcb");
        hostpcb::Host::Instance().SetProgressSink(&progress);
        Client = &client;
    }
    void TearDown() override {
        lists.clear();
        PlacementRunning = false;
        StopRequested = false;
        StopConfirmed = false;
        Client = nullptr;
        hostpcb::Host::Instance().SetProgressSink(nullptr);
        hostpcb::Host::Instance().Reset();
    }

    // A 2000 x 2000 mil keep-out from (1000, 1000) mil, validated.
    void Outline() {
        hostpcb::BoardBuilder(*board).RectOutline(1000 * Mil, 1000 * Mil, 3000 * Mil, 3000 * Mil);
        context.Board = board->Handle();
        powerNets = FindPowerNets(board->Handle());
        context.PowerNets = powerNets.get();
        keepOut = std::make_unique<TPrimitivesList>(board->Handle());
        context.KeepOutPrimitives = keepOut.get();
        ASSERT_TRUE(ValidateKeepOut(context));
    }

    // A part whose only primitive is one w x h mil pad centred on (x, y) mil.
    PcbHandle Block(const std::string& designator, int32_t x, int32_t y, int32_t w, int32_t h) {
        hostpcb::Component& c = board->AddComponent(designator, "BLOCK", {x * Mil, y * Mil});
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = w * Mil;
        pad.sizeY = h * Mil;
        board->AddPad(&c, "1", {x * Mil, y * Mil}, pad, PCB_TOP_LAYER);
        return c.Handle();
    }

    // A cluster whose room is the rectangle (mil); each entry of groups becomes
    // one movable group of those parts, locked parts go to the fixed groups.
    TCluster* Cluster(TClusterList& list, const TRect& roomMils, const std::vector<std::vector<PcbHandle>>& groups,
                      const std::vector<PcbHandle>& fixed = {}) {
        auto cluster = std::make_unique<TCluster>();
        for (const auto& members : groups) {
            auto* group = new TRectangularComponentGroup;
            for (PcbHandle member : members) group->AddComponent(member);
            cluster->Add(group);
        }
        for (PcbHandle part : fixed) {
            hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(part)->moveable = false;
            cluster->AddComponent(part);
        }
        cluster->Rect = Rect(roomMils.Left * Mil, roomMils.Top * Mil, roomMils.Right * Mil, roomMils.Bottom * Mil);
        list.Add(cluster.get());
        lists.push_back(std::move(cluster));
        return lists.back().get();
    }

    TClusterLists Lists() { return {&clusters, &icCapClusters, &sameFootprintClusters, &confinementClusters}; }

    // The run marked the part as not fitted.
    static bool Selected(PcbHandle part) {
        return (hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(part)->flags & PCB_FLAG_SELECTED) != 0;
    }
    // The part is marked fitted and its box meets none of the others'.
    void ExpectFittedClearOf(PcbHandle part, const std::vector<PcbHandle>& others) {
        EXPECT_FALSE(Selected(part));
        for (const PcbHandle other : others) {
            EXPECT_FALSE(RectsOverlap(ComponentExtentRect(part), ComponentExtentRect(other), 0, context.Forms));
        }
    }

    // The host's box of the part in mil (left, top, right, bottom).
    TRect ExtentMils(PcbHandle part) {
        const TRect r = ComponentExtentRect(part);
        return Rect(r.Left / Mil, r.Top / Mil, r.Right / Mil, r.Bottom / Mil);
    }

    hostpcb::Board* board = nullptr;
    TProgressLog progress;
    app::AppClient client;
    TPlacerOptions options;
    TPlacementContext context;
    std::unique_ptr<TFastListOf<PcbHandle>> powerNets;
    std::unique_ptr<TPrimitivesList> keepOut;
    std::vector<std::unique_ptr<TCluster>> lists;
    TClusterList clusters, icCapClusters, sameFootprintClusters, confinementClusters;
};

using Directions = std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>;

TEST_F(AbsolutePlacerTest, DirectionsDefaultToTopAndBottomWithoutBoardWideRule) {
    Directions directions{};
    directions[1] = 8;   // layer 2: cleared
    directions[14] = 9;  // layer 15: cleared
    directions[15] = 4;  // layer 16 and the others keep what they had
    directions[20] = 7;
    FillLayerDirections(board->Handle(), directions);
    Directions expected{};
    expected[0] = 1;
    expected[31] = 2;
    expected[15] = 4;
    expected[20] = 7;
    EXPECT_EQ(directions, expected);
}

TEST_F(AbsolutePlacerTest, DirectionsComeFromTheFirstBoardWideRoutingRule) {
    hostpcb::BoardBuilder builder(*board);
    builder.RoutingLayers({{PCB_TOP_LAYER, 5}}, {hostpcb::ScopeNetClass("FAST")});
    builder.RoutingLayers({{PCB_TOP_LAYER, 6}}, {hostpcb::ScopeBoard(), hostpcb::ScopeBoard()});
    builder.RoutingLayers({{PCB_TOP_LAYER, 8}, {PCB_BOTTOM_LAYER, 9}}, {hostpcb::ScopeBoard()});
    builder.RoutingLayers({{PCB_TOP_LAYER, 2}}, {hostpcb::ScopeBoard()});
    Directions directions{};
    directions[20] = 7;  // the rule's value replaces every layer
    FillLayerDirections(board->Handle(), directions);
    Directions expected{};
    expected[0] = 8;
    expected[31] = 9;
    EXPECT_EQ(directions, expected);
}

TEST_F(AbsolutePlacerTest, NetClassRoutingRuleIsIgnored) {
    hostpcb::BoardBuilder(*board).RoutingLayers({{PCB_TOP_LAYER, 5}, {PCB_BOTTOM_LAYER, 5}},
                                                {hostpcb::ScopeNetClass("FAST")});
    Outline();
    TAbsolutePlacer placer(options, context);
    EXPECT_EQ(placer.Context.LayerDirections[0], 1);
    EXPECT_EQ(placer.Context.LayerDirections[31], 2);
    // The driver's context is not changed.
    EXPECT_EQ(context.LayerDirections, Directions{});
}

TEST_F(AbsolutePlacerTest, EmptyConfinementPhaseShowsAnEmptyBarAndRegistersNothing) {
    Outline();
    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());
    ASSERT_EQ(progress.Phases.size(), 2u);
    const TProgressLog::Phase empty{AbsolutePlacementProgressText, 0, 0, true};
    EXPECT_EQ(progress.Phases[0], empty);
    EXPECT_EQ(progress.Phases[1], empty);
    EXPECT_EQ(placer.Engine->GetPlacedGroups().Count(), 0);
    EXPECT_EQ(placer.Engine->GetArea(), context.KeepOutExtent);
}

TEST_F(AbsolutePlacerTest, ClustersOnTheBoardGiveTheirMovableGroupsAsObstaclesOnly) {
    Outline();
    const PcbHandle r1 = Block("R1", 1500, 1500, 40, 20);
    const PcbHandle r2 = Block("R2", 1600, 1500, 40, 20);
    const PcbHandle r3 = Block("R3", 2500, 2500, 40, 20);
    const PcbHandle r4 = Block("R4", 2600, 2500, 40, 20);
    const PcbHandle r5 = Block("R5", 2000, 1200, 40, 20);
    const PcbHandle r6 = Block("R6", 2000, 1300, 40, 20);
    TCluster* onBoard = Cluster(clusters, Rect(1400, 1600, 1700, 1400), {{r1}}, {r2});
    onBoard->RemovedFromBoard = false;
    TCluster* removed = Cluster(sameFootprintClusters, Rect(2400, 2600, 2700, 2400), {{r3}}, {r4});
    TCluster* confinedOnBoard = Cluster(confinementClusters, Rect(1900, 1400, 2100, 1100), {{r5}}, {r6});
    confinedOnBoard->RemovedFromBoard = false;

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    TFastListOf<TRectangularComponentGroup*> expected{(*confinedOnBoard)[0], removed->FixedGroups[0], (*onBoard)[0],
                                                      (*removed)[0]};
    EXPECT_EQ(placer.Engine->GetPlacedGroups(), expected);
    ASSERT_EQ(placer.Jobs.Count(), 1);
    EXPECT_EQ(placer.Jobs[0]->Group, (*removed)[0]);
    EXPECT_EQ(placer.Jobs[0]->Room, removed->Rect);
    // Registered groups stay where they are.
    EXPECT_EQ(ExtentMils(r1), Rect(1480, 1510, 1520, 1490));
    EXPECT_EQ(ExtentMils(r5), Rect(1980, 1210, 2020, 1190));
}

TEST_F(AbsolutePlacerTest, LargestGroupsArePlacedFirst) {
    Outline();
    // Three 20 mil squares measure 3 x 447 x 447 = 599427; one 100 mil square 1000 x 1000.
    const PcbHandle c1 = Block("C1", 1100, 2900, 20, 20);
    const PcbHandle c2 = Block("C2", 1140, 2900, 20, 20);
    const PcbHandle c3 = Block("C3", 1180, 2900, 20, 20);
    const PcbHandle u1 = Block("U1", 1200, 1200, 100, 100);
    const PcbHandle r1 = Block("R1", 1300, 1300, 30, 10);
    TCluster* small = Cluster(icCapClusters, Rect(2000, 2400, 2400, 2000), {{c1, c2, c3}});
    TCluster* large = Cluster(clusters, Rect(1400, 1800, 1800, 1400), {{u1}});
    TCluster* least = Cluster(clusters, Rect(2000, 1800, 2400, 1400), {{r1}});

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    ASSERT_EQ(placer.Jobs.Count(), 3);
    EXPECT_EQ(placer.Jobs[0]->Group, (*large)[0]);
    EXPECT_EQ(placer.Jobs[0]->Size, 1000000);
    EXPECT_EQ(placer.Jobs[1]->Group, (*small)[0]);
    EXPECT_EQ(placer.Jobs[1]->Size, 3 * 447 * 447);
    EXPECT_EQ(placer.Jobs[2]->Group, (*least)[0]);
    EXPECT_EQ(placer.Engine->GetPlacedGroups(),
              (TFastListOf<TRectangularComponentGroup*>{(*large)[0], (*small)[0], (*least)[0]}));
    ASSERT_EQ(progress.Phases.size(), 2u);
    EXPECT_EQ(progress.Phases[1], (TProgressLog::Phase{AbsolutePlacementProgressText, 3, 3, true}));
}

TEST_F(AbsolutePlacerTest, AGroupThatFitsNowhereIsPlacedMemberByMember) {
    Outline();
    // A locked cross divides the board into four quarters; a group whose two
    // members stand 1800 mil apart fits into none of them in any orientation,
    // each member alone fits into any.
    const PcbHandle across = Block("X1", 2000, 2000, 1900, 100);
    const PcbHandle down = Block("X2", 2000, 2000, 100, 1900);
    const PcbHandle r1 = Block("R1", 1100, 1500, 100, 100);
    const PcbHandle r2 = Block("R2", 2900, 1500, 100, 100);
    Cluster(clusters, Rect(1000, 3000, 3000, 1000), {{r1, r2}}, {across, down});

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    EXPECT_EQ(placer.SplitGroups.size(), 2u);
    EXPECT_FALSE(placer.Engine->HasFailed());
    for (const PcbHandle part : {r1, r2}) {
        const TRect r = ComponentExtentRect(part);
        EXPECT_TRUE(RectContainsRect(context.KeepOutExtent, r));
        EXPECT_FALSE(RectsOverlap(r, ComponentExtentRect(across), 0, context.Forms));
        EXPECT_FALSE(RectsOverlap(r, ComponentExtentRect(down), 0, context.Forms));
        EXPECT_EQ(hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(part)->flags & PCB_FLAG_SELECTED, 0);
    }
}

TEST_F(AbsolutePlacerTest, APartWithoutRoomOnTheGridIsRefittedOnAFinerOne) {
    Outline();
    // Two locked walls leave a slot 110 mil wide from x = 2026 mil. On the 50 mil
    // grid laid from the keep-out's left edge a 100 mil part starts at 2000 or
    // 2050 and meets a wall either way; on the finer grid it starts at 2033.
    const PcbHandle left = Block("X1", 1513, 2000, 1026, 2000);
    const PcbHandle right = Block("X2", 2568, 2000, 864, 2000);
    const PcbHandle r1 = Block("R1", 1500, 1500, 100, 100);
    const PcbHandle r2 = Block("R2", 1500, 2500, 100, 100);
    Cluster(clusters, Rect(2026, 2400, 2136, 1600), {{r1}, {r2}}, {left, right});
    ASSERT_EQ(options.GridSize, 50 * Mil);

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    ASSERT_EQ(placer.Unfitted.size(), 2u);  // neither found room on the coarse grid
    for (const PcbHandle part : {r1, r2}) {
        const TRect r = ComponentExtentRect(part);
        EXPECT_FALSE(Selected(part));
        EXPECT_GE(r.Left, 2026 * Mil);
        EXPECT_LE(r.Right, 2136 * Mil);
        EXPECT_FALSE(RectsOverlap(r, ComponentExtentRect(left), 0, context.Forms));
        EXPECT_FALSE(RectsOverlap(r, ComponentExtentRect(right), 0, context.Forms));
    }
    EXPECT_FALSE(RectsOverlap(ComponentExtentRect(r1), ComponentExtentRect(r2), 0, context.Forms));
}

TEST_F(AbsolutePlacerTest, APartWithoutRoomOnTheFinerGridStaysSelectedAtItsFallbackPlace) {
    Outline();
    // The slot is 90 mil wide: no grid lets a 100 mil part in.
    const PcbHandle left = Block("X1", 1513, 2000, 1026, 2000);
    const PcbHandle right = Block("X2", 2558, 2000, 884, 2000);
    const PcbHandle r1 = Block("R1", 1500, 1500, 100, 100);
    Cluster(clusters, Rect(2026, 2400, 2116, 1600), {{r1}}, {left, right});

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    ASSERT_EQ(placer.Unfitted.size(), 1u);
    EXPECT_NE(hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(r1)->flags & PCB_FLAG_SELECTED, 0);
    EXPECT_TRUE(RectContainsRect(context.KeepOutExtent, ComponentExtentRect(r1)));
}

TEST_F(AbsolutePlacerTest, PartsSlideTogetherToMakeRoomForOneTheGridsLeftOut) {
    Outline();
    // Locked walls leave a pocket 146 x 556 mil from (1988, 1488) mil, and parts
    // keep 10 mil from each other and from the walls. Four 120 mil parts need
    // 530 mil of it when they stand next to each other; the 50 mil grid starts
    // them 150 mil apart, so only three fit, and wherever they stand no 140 mil
    // is left beside them for a fourth on the finer grid either.
    const PcbHandle left = Block("X1", 1494, 2000, 988, 2000);
    const PcbHandle right = Block("X2", 2567, 2000, 866, 2000);
    const PcbHandle top = Block("X3", 2061, 2522, 146, 956);
    const PcbHandle bottom = Block("X4", 2061, 1244, 146, 488);
    std::vector<PcbHandle> parts;
    for (int i = 0; i < 4; ++i) {
        parts.push_back(Block("R" + std::to_string(i + 1), 1500, 2500, 120, 120));
    }
    Cluster(clusters, Rect(1988, 2044, 2134, 1488), {{parts[0]}, {parts[1]}, {parts[2]}, {parts[3]}},
            {left, right, top, bottom});

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    ASSERT_EQ(placer.Unfitted.size(), 1u);  // one found no room on the coarse grid
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::vector<PcbHandle> others = {left, right, top, bottom};
        others.insert(others.end(), parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(i));
        SCOPED_TRACE(i);
        ExpectFittedClearOf(parts[i], others);
    }
}

TEST_F(AbsolutePlacerTest, APlacedPartMakesWayForOneWithoutRoom) {
    Outline();
    // Locked walls leave two pockets: P1, 224 x 126 mil from (1188, 1188), and
    // P2, 224 x 84 mil from (1588, 1188); parts keep 10 mil from walls and from
    // each other. A 200 x 60 part fits either, a 100 x 100 part only P1, and P1
    // holds not both. Both aim at P1 and the long part, the larger, goes first,
    // so the square finds no room; sliding the long one within P1 makes none.
    std::vector<PcbHandle> walls = {
        Block("W1", 2000, 1094, 2000, 188), Block("W2", 2000, 2157, 2000, 1686), Block("W3", 1094, 1251, 188, 126),
        Block("W4", 1500, 1251, 176, 126),  Block("W5", 1700, 1293, 224, 42),     Block("W6", 2406, 1251, 1188, 126)};
    const PcbHandle longPart = Block("R1", 2500, 2500, 200, 60);
    const PcbHandle square = Block("U1", 2500, 2700, 100, 100);
    Cluster(clusters, Rect(1188, 1314, 1412, 1188), {{longPart}, {square}}, walls);

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    ASSERT_EQ(placer.Unfitted.size(), 1u);  // the square, after the long part took P1
    EXPECT_TRUE(RectContainsRect(Rect(1188 * Mil, 1314 * Mil, 1412 * Mil, 1188 * Mil), ComponentExtentRect(square)));
    EXPECT_TRUE(RectContainsRect(Rect(1588 * Mil, 1272 * Mil, 1812 * Mil, 1188 * Mil), ComponentExtentRect(longPart)));
    ExpectFittedClearOf(longPart, walls);
    ExpectFittedClearOf(square, walls);
}

TEST_F(AbsolutePlacerTest, JobsAfterAConfinementRoomArePlacedNearTheirOwnRooms) {
    Outline();
    const PcbHandle u1 = Block("U1", 2900, 2900, 100, 100);
    const PcbHandle r1 = Block("R1", 2900, 1100, 40, 20);
    const PcbHandle r2 = Block("R2", 1100, 2900, 40, 20);
    // The confinement room lies in the lower left; the other room in the upper right.
    TCluster* confined = Cluster(confinementClusters, Rect(1000, 1500, 1500, 1000), {{u1}});
    TCluster* other = Cluster(clusters, Rect(2400, 2800, 2800, 2400), {{r1}, {r2}});

    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());

    EXPECT_TRUE(RectContainsRect(confined->Rect, ComponentExtentRect(u1)));
    EXPECT_TRUE(RectContainsRect(other->Rect, ComponentExtentRect(r1)));
    EXPECT_TRUE(RectContainsRect(other->Rect, ComponentExtentRect(r2)));
    EXPECT_FALSE(placer.Engine->HasFailed());
    EXPECT_EQ(placer.Engine->GetArea(), context.KeepOutExtent);
    ASSERT_EQ(progress.Phases.size(), 2u);
    EXPECT_EQ(progress.Phases[0], (TProgressLog::Phase{AbsolutePlacementProgressText, 1, 1, true}));
    EXPECT_EQ(progress.Phases[1], (TProgressLog::Phase{AbsolutePlacementProgressText, 2, 2, true}));
}

TEST_F(AbsolutePlacerTest, ConfirmedStopPlacesNothing) {
    Outline();
    const PcbHandle r1 = Block("R1", 2900, 1100, 40, 20);
    Cluster(clusters, Rect(2400, 2800, 2800, 2400), {{r1}});
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
    TAbsolutePlacer placer(options, context);
    placer.Run(Lists());
    EXPECT_TRUE(progress.Phases.empty());
    EXPECT_EQ(placer.Engine->GetPlacedGroups().Count(), 0);
    EXPECT_EQ(ExtentMils(r1), Rect(2880, 1110, 2920, 1090));
}

}  // namespace
}  // namespace autoplacer::test
