// The cluster placer's road through its steps: the keep-out check, the options
// that switch steps, the component order, stopping (confirmed with and without
// restore, declined) and what the host is told.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <tuple>

#include "DriverFixture.h"
#include "host/PcbRecords.h"
#include "hostpcb/PcbServer.h"
#include "io/BoardFiles.h"
#include "model/Cluster.h"
#include "model/OldComponentPositions.h"
#include "model/RunControl.h"

namespace autoplacer::drivertest {
namespace {

using Step = TPlacerStep;

TEST_F(DriverTest, BoardWithoutKeepOutGivesTheMessageAndTouchesNothing) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    build.Connect("N1", {"R1.1", "R2.1"});
    // Text on the keep-out layer is no outline.
    board->AddText(nullptr, "KEEP OUT", At(0, 0), 500000, 0, PCB_KEEP_OUT_LAYER);
    const hostpcb::Point r1 = Part("R1").Position();

    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    EXPECT_EQ(steps, (std::vector<Step>{Step::EnforcePermittedLayers, Step::ValidateKeepOut}));
    ASSERT_EQ(presenter.History().size(), 1u);
    EXPECT_EQ(presenter.History()[0].Caption, "Error");
    EXPECT_EQ(presenter.History()[0].Text, kNoValidKeepOutMessage);
    EXPECT_TRUE(client.GetProcessCalls().empty());
    EXPECT_TRUE(progress.Texts.empty());
    EXPECT_TRUE(board->Messages().All().empty());
    EXPECT_EQ(Part("R1").Position(), r1);
    EXPECT_FALSE(Part("R1").display.hidden);
}

TEST_F(DriverTest, DefaultRunGoesThroughTheStepsInOrderAndRedraws) {
    SmallBoard();
    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    const std::vector<Step> expected = {Step::EnforcePermittedLayers, Step::ValidateKeepOut, Step::PrepareBoardView,
                                        Step::BeginModify,            Step::InitialPairTree, Step::InitialSpread,
                                        Step::AnalyzeNets,            Step::ConnectionDragger, Step::PrePasses,
                                        Step::PairTree,               Step::ExtractClusters, Step::RelativePlacement,
                                        Step::SortClusters,           Step::RoomPlacement,   Step::AbsolutePlacement,
                                        Step::EndModify,              Step::FinishBoardView};
    EXPECT_EQ(steps, expected);
    EXPECT_TRUE(presenter.History().empty());

    // One bracket around every component: open (12) first, close (10) last.
    const auto& messages = board->Messages().All();
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(), [](const auto& m) { return m.code == 12; }), 1);
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(), [](const auto& m) { return m.code == 10; }), 1);
    EXPECT_EQ(board->Messages().ClosedBrackets(), 1u);
    EXPECT_EQ(board->Messages().Depth(), 0);

    // Zoom to the outline first; last the same zoom, net optimisation and
    // redraw. In between only the group placer's redraws.
    const auto& calls = client.GetProcessCalls();
    ASSERT_GE(calls.size(), 4u);
    const std::size_t last = calls.size() - 1;
    EXPECT_EQ(calls[0].Process, "PCB:Zoom");
    EXPECT_EQ(calls[last - 2].Process, "PCB:Zoom");
    EXPECT_EQ(calls[last - 2].Parameters, calls[0].Parameters);
    EXPECT_EQ(calls[last - 1].Process, "PCB:NetList");
    EXPECT_EQ(calls[last - 1].Parameters, "Optimize=All");
    EXPECT_EQ(calls[last].Process, "PCB:Zoom");
    EXPECT_EQ(calls[last].Parameters, "Action=Redraw");
    for (std::size_t i = 1; i + 2 < last; ++i) {
        EXPECT_EQ(calls[i].Parameters, "Action=Redraw") << i;
    }
    for (const auto& call : calls) {
        EXPECT_EQ(call.Size, 256);
    }
    // The board is mils; the outline's left edge is 0 mil from the origin.
    EXPECT_EQ(calls[0].Parameters.rfind("Action=Area|Location1.X=", 0), 0u) << calls[0].Parameters;

    // Every object was hidden for the run, texts of components included.
    EXPECT_TRUE(Part("U1").display.hidden);
    EXPECT_TRUE(Part("U1").NameText()->display.hidden);
    EXPECT_TRUE(Part("U1").CommentText()->display.hidden);

    // The spread moved every component into the outline's extent.
    for (const char* name : {"U1", "C1", "C2", "R1", "R2", "R3", "J1"}) {
        const hostpcb::Box b = Part(name).Bounds();
        EXPECT_GE(b.x1, At(0, 0).x - 100000) << name;
        EXPECT_LE(b.x2, At(2000, 0).x + 100000) << name;
    }
}

TEST_F(DriverTest, PrePassesOffGivesThreeEmptySpecialListsAndTreesEverything) {
    SmallBoard();
    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.Options.DoPrePasses = false;
    driver.RunClusterPlacer();

    EXPECT_FALSE(Ran(Step::PrePasses));
    for (TClusterList* list : {driver.ClusterLists.ICCapClusters, driver.ClusterLists.SameFootprintClusters,
                               driver.ClusterLists.ConfinementClusters}) {
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->Empty());
    }
    ASSERT_NE(driver.ComponentList, nullptr);
    EXPECT_EQ(driver.ComponentList->Count(), 7);
    ASSERT_NE(driver.ClusterLists.Clusters, nullptr);
    int32_t clustered = 0;
    for (TCluster* cluster : *driver.ClusterLists.Clusters) {
        clustered += cluster->ComponentCount();
    }
    EXPECT_EQ(clustered, 7);
}

TEST_F(DriverTest, PrePassesTakeTheirComponentsOutOfTheTree) {
    SmallBoard();
    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    ASSERT_TRUE(Ran(Step::PrePasses));
    ASSERT_NE(driver.ComponentList, nullptr);
    int32_t special = 0;
    for (TClusterList* list : {driver.ClusterLists.ICCapClusters, driver.ClusterLists.SameFootprintClusters,
                               driver.ClusterLists.ConfinementClusters}) {
        ASSERT_NE(list, nullptr);
        for (TCluster* cluster : *list) {
            special += cluster->ComponentCount();
        }
    }
    int32_t clustered = 0;
    for (TCluster* cluster : *driver.ClusterLists.Clusters) {
        clustered += cluster->ComponentCount();
    }
    // Every component is in exactly one cluster; the tree saw only those left over.
    EXPECT_EQ(driver.ComponentList->Count(), clustered);
    EXPECT_EQ(special + clustered, 7);
}

TEST_F(DriverTest, StrictFloorPlanningSkipsAbsolutePlacementButNotRooms) {
    SmallBoard();
    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.Options.StrictFloorPlanning = true;
    driver.RunClusterPlacer();
    EXPECT_TRUE(Ran(Step::RoomPlacement));
    EXPECT_FALSE(Ran(Step::AbsolutePlacement));
    EXPECT_TRUE(Ran(Step::FinishBoardView));
}

TEST_F(DriverTest, TreeBasedRoomsTakeTheRoomsFromTheSpread) {
    SmallBoard();
    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.Options.TreeBasedRooms = true;
    driver.Options.StrictFloorPlanning = true;  // the rooms are the result
    driver.Options.DoPrePasses = false;
    driver.Options.ClusterScoreThreshold = 1000;  // every component a cluster of its own
    driver.RunClusterPlacer();

    EXPECT_TRUE(Ran(Step::ClusterRectsFromBounds));
    EXPECT_FALSE(Ran(Step::RoomPlacement));
    ASSERT_NE(driver.ClusterLists.Clusters, nullptr);
    ASSERT_EQ(driver.ClusterLists.Clusters->Count(), 7);
    const TRect area = driver.Context.KeepOutExtent;
    std::vector<TRect> rooms;
    for (TCluster* cluster : *driver.ClusterLists.Clusters) {
        const TRect room = cluster->Rect;
        const TRect arranged = cluster->GetBoundingRect(kMovableGroups);
        EXPECT_TRUE(RectContainsRect(area, room));
        EXPECT_GE(RectWidth(room), RectWidth(arranged));
        EXPECT_GE(RectHeight(room), RectHeight(arranged));
        rooms.push_back(room);
    }
    // The relative placer stacks every cluster at the lower-left corner; the
    // spread's rooms keep them apart.
    std::sort(rooms.begin(), rooms.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Bottom) < std::tie(b.Left, b.Bottom);
    });
    EXPECT_EQ(std::unique(rooms.begin(), rooms.end()), rooms.end());
}

TEST_F(DriverTest, ComponentsComeInDescendingByteOrderOfDesignatorsWithoutPartsOfNoExtent) {
    hostpcb::BoardBuilder build(*board);
    for (const char* name : {"R1", "U10", "C2", "U9", "R10", "u1"}) {
        build.Chip(name, "0603", At(100, 100));
    }
    // A logo without arc, pad or track is never handed to the placer.
    board->AddComponent("X1", "Logo", At(200, 200));
    TAutoPlacerDriver driver(board->Handle(), false);
    const auto sorted = driver.PlaceableComponentsSortedByDesignator();
    std::vector<std::string> names;
    for (PcbHandle component : *sorted) {
        std::string name;
        GetComponentDesignator(component, name);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"u1", "U9", "U10", "R10", "R1", "C2"}));
}

TEST_F(DriverTest, GatheringStopsAtAConfirmedStop) {
    hostpcb::BoardBuilder build(*board);
    for (const char* name : {"R1", "R2", "R3", "R4"}) {
        build.Chip(name, "0603", At(100, 100));
    }
    TAutoPlacerDriver driver(board->Handle(), false);
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
    EXPECT_EQ(driver.PlaceableComponentsSortedByDesignator()->Count(), 1);
}

TEST_F(DriverTest, ClustersWithLargerBiggestComponentsComeFirst) {
    SmallBoard();
    hostpcb::BoardBuilder(*board).Qfp("U2", 64, At(4000, 4000));
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.ClusterLists.Clusters = new TClusterList();
    const auto cluster = [&](std::initializer_list<const char*> names) {
        auto* c = new TCluster();
        for (const char* name : names) {
            c->AddComponent(Handle(name));
        }
        driver.ClusterLists.Clusters->Add(c);
        return c;
    };
    TCluster* small = cluster({"C1", "C2"});
    TCluster* ic = cluster({"R1", "U1"});
    TCluster* big = cluster({"C2", "U2"});
    driver.SortClustersBySize();
    ASSERT_EQ(driver.ClusterLists.Clusters->Count(), 3);
    EXPECT_EQ((*driver.ClusterLists.Clusters)[0], big);
    EXPECT_EQ((*driver.ClusterLists.Clusters)[1], ic);
    EXPECT_EQ((*driver.ClusterLists.Clusters)[2], small);
    EXPECT_NE(std::find(progress.Texts.begin(), progress.Texts.end(), "Sorting clusters by component size ..."),
              progress.Texts.end());
}

// --- Stopping.

class StoppingTest : public DriverTest {
protected:
    // Delivers a stop request at the first message processing inside the
    // initial pair generation, as the host does when "StopAutoPlacer" arrives.
    void StopDuringPairGeneration() {
        onStep = [this](TPlacerStep step) { inPairGeneration = step == Step::InitialPairTree; };
        onPump = [this] {
            if (inPairGeneration && !delivered) {
                delivered = true;
                StopRequested = true;
            }
        };
    }
    bool inPairGeneration = false;
    bool delivered = false;
};

TEST_F(StoppingTest, ConfirmedStopWithRestorePutsEveryComponentBackSideCorrectionsIncluded) {
    SmallBoard();
    // R3 may only be on the bottom: the run's first step flips it.
    hostpcb::BoardBuilder(*board).PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("R3")});
    TListOfOldComponentPositions before(board->Handle());
    StopDuringPairGeneration();
    presenter.AddAnswer("Confirm.Restore_CheckBox=1");
    presenter.AddAnswer("Confirm=Yes");

    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    ASSERT_TRUE(delivered);
    EXPECT_TRUE(StopConfirmed);
    EXPECT_TRUE(before.ChangedHandles()->Empty());
    for (const TOldComponentPosition* entry : before) {
        TPcbComponent now(entry->Handle);
        now.Sync(PCB_READ);
        EXPECT_EQ(now.X, entry->X);
        EXPECT_EQ(now.Y, entry->Y);
        EXPECT_EQ(now.Rotation, entry->Rotation);
        EXPECT_EQ(now.GetLayer(), entry->Layer);
    }
    EXPECT_FALSE(Ran(Step::InitialSpread));
    EXPECT_FALSE(Ran(Step::PrePasses));
    EXPECT_FALSE(Ran(Step::ExtractClusters));
    EXPECT_TRUE(Ran(Step::EndModify));
    EXPECT_TRUE(Ran(Step::RestorePositions));
    EXPECT_EQ(client.GetProcessCalls().back().Parameters, "Action=Redraw");
    EXPECT_EQ(board->Messages().Depth(), 0);
}

TEST_F(StoppingTest, RestoredRealBoardIsWrittenByteForByte) {
    const std::string input = std::string(AUTOPLACER_BOARDS_DIR) + "/tkey-tk1.kicad_pcb";
    auto loaded = io::LoadBoardFile(input);
    hostpcb::Board& real = *loaded->board;
    // A bottom-only rule for a top part and a top-only rule for a bottom part:
    // the run flips both before anything else.
    const hostpcb::Component* top = nullptr;
    const hostpcb::Component* bottom = nullptr;
    for (const hostpcb::Component* c : real.Components()) {
        if (c->moveable && c->Layer() == PCB_TOP_LAYER && top == nullptr) top = c;
        if (c->moveable && c->Layer() == PCB_BOTTOM_LAYER && bottom == nullptr) bottom = c;
    }
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    hostpcb::BoardBuilder rules(real);
    rules.PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent(top->Designator())});
    rules.PermittedLayers(PCB_PERMIT_TOP, {hostpcb::ScopeComponent(bottom->Designator())});
    bool flippedBeforeStop = false;
    StopDuringPairGeneration();
    const auto seeStop = onPump;
    onPump = [&, seeStop] {
        flippedBeforeStop = flippedBeforeStop || (top->Layer() == PCB_BOTTOM_LAYER && bottom->Layer() == PCB_TOP_LAYER);
        seeStop();
    };
    presenter.AddAnswer("Confirm.Restore_CheckBox=1");
    presenter.AddAnswer("Confirm=Yes");

    PlacementRunning = true;
    {
        TAutoPlacerDriver driver(real.Handle(), false);
        driver.RunClusterPlacer();
    }
    ASSERT_TRUE(delivered);
    EXPECT_TRUE(flippedBeforeStop);
    const std::string output = ::testing::TempDir() + "driver-restored.kicad_pcb";
    io::SaveBoardFile(*loaded, {output, false, false});
    std::ifstream a(input, std::ios::binary);
    std::ifstream b(output, std::ios::binary);
    const std::string original((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
    const std::string written((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(original == written) << "the restored board differs from " << input;
    std::remove(output.c_str());
}

TEST_F(StoppingTest, ConfirmedStopWithoutRestoreLeavesTheSideCorrection) {
    SmallBoard();
    hostpcb::BoardBuilder(*board).PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("R3")});
    StopDuringPairGeneration();
    presenter.AddAnswer("Confirm=Yes");

    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    EXPECT_FALSE(RestoreOnStop);
    EXPECT_FALSE(Ran(Step::RestorePositions));
    EXPECT_EQ(Part("R3").Layer(), PCB_BOTTOM_LAYER);
    EXPECT_TRUE(Ran(Step::FinishBoardView));
}

TEST_F(StoppingTest, DeclinedStopLetsTheRunComplete) {
    SmallBoard();
    StopDuringPairGeneration();
    presenter.AddAnswer("Confirm=No");

    PlacementRunning = true;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunClusterPlacer();

    ASSERT_TRUE(delivered);
    ASSERT_EQ(presenter.History().size(), 1u);
    EXPECT_EQ(presenter.History()[0].Caption, "Confirm");
    EXPECT_FALSE(StopRequested);
    EXPECT_FALSE(StopConfirmed);
    EXPECT_TRUE(Ran(Step::InitialSpread));
    EXPECT_TRUE(Ran(Step::ExtractClusters));
    EXPECT_TRUE(Ran(Step::SortClusters));
    EXPECT_FALSE(Ran(Step::RestorePositions));
}

// --- The statistical placer's options.

TEST_F(DriverTest, StatisticalGapPrefersBoardWideComponentClearance) {
    hostpcb::BoardBuilder build(*board);
    build.ComponentClearance(300000, 0, {hostpcb::ScopeBoard()}, {hostpcb::ScopeBoard()});
    build.Clearance(100000, {hostpcb::ScopeBoard()}, {hostpcb::ScopeBoard()});
    build.ComponentClearance(350000, 0, {hostpcb::ScopeBoard()}, {hostpcb::ScopeBoard()});  // later wins
    TAutoPlacerDriver driver(board->Handle(), false);
    EXPECT_EQ(driver.DefaultPlacementGap(), 350000);
}

TEST_F(DriverTest, StatisticalGapFallsBackFromAClassScopedComponentClearance) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.ComponentClass("Small", {"R1"});
    build.ComponentClearance(300000, 0, {hostpcb::ScopeComponentClass("Small")}, {hostpcb::ScopeBoard()});
    build.Clearance(120000, {hostpcb::ScopeBoard()}, {hostpcb::ScopeNet("GND")});  // not board-wide
    {
        TAutoPlacerDriver driver(board->Handle(), false);
        EXPECT_EQ(driver.DefaultPlacementGap(), 500000);
    }
    build.Clearance(80000, {hostpcb::ScopeBoard()}, {hostpcb::ScopeBoard()});
    TAutoPlacerDriver driver(board->Handle(), false);
    EXPECT_EQ(driver.DefaultPlacementGap(), 80000);
}

TEST_F(DriverTest, StatisticalGapOfAKicadBoardIsItsClearance) {
    // A rule without scope entries covers the whole board, as KiCad's clearance does.
    auto loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/bp-irtoy.kicad_pcb");
    TAutoPlacerDriver driver(loaded->board->Handle(), false);
    EXPECT_EQ(driver.DefaultPlacementGap(), Round(0.2 * 10000 / 0.0254));
}

TEST_F(DriverTest, StatisticalPlacerWritesBothGapsAndHandsTheBoardOver) {
    board->placerOptions.powerNets = "VCC";
    board->placerOptions.value1 = 1;
    TAutoPlacerDriver driver(board->Handle(), false);
    driver.RunStatisticalPlacer(true);

    EXPECT_EQ(board->placerOptions.value1, 500000);
    EXPECT_EQ(board->placerOptions.value2, 200000);
    EXPECT_EQ(board->placerOptions.powerNets, "VCC");
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    EXPECT_EQ(client.GetProcessCalls()[0].Process, "Placer:RunAutoPlacer");
    EXPECT_EQ(client.GetProcessCalls()[0].Parameters, "Batch=True|UseAutoPCBUpdate=True");
}

}  // namespace
}  // namespace autoplacer::drivertest
