// The helpers that ask the host, run against the host stand-in on small boards.
#include <gtest/gtest.h>

#include <vector>

#include "app/AppClient.h"
#include "host/PcbApi.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/PcbServer.h"
#include "model/BoardQueries.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

using hostpcb::BoardMessage;
using hostpcb::MilsToUnits;

class HostHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("helpers.kicad_pcb");
        client.SetMessagePump([this] { ++pumped; });
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    PcbHandle Handle(const char* designator) { return board->FindComponent(designator)->Handle(); }
    hostpcb::Point At(double xMils, double yMils) { return {MilsToUnits(xMils), MilsToUnits(yMils)}; }

    app::AppClient client;
    hostpcb::Board* board = nullptr;
    int pumped = 0;
};

TEST_F(HostHelpers, NetsContainedComparesDistinctNetsOfTheSmallerComponent) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(200, 100));
    build.Chip("R3", "0603", At(300, 100));
    build.Chip("R4", "0603", At(400, 100));  // both pads on one net
    build.Chip("R5", "0603", At(500, 100));  // one pad without a net
    build.Chip("R6", "0603", At(600, 100));  // no nets at all
    build.Soic("U1", 8, At(300, 400));
    build.Connect("N1", {"R1.1", "R2.1", "R3.1", "R4.1", "R4.2", "R5.1", "U1.1"});
    build.Connect("N2", {"R1.2", "R2.2", "U1.2"});
    build.Connect("N3", {"R3.2", "U1.3"});

    // Equal counts: B's nets must lie within A's.
    EXPECT_TRUE(NetsContained(Handle("R1"), Handle("R2")));
    EXPECT_FALSE(NetsContained(Handle("R1"), Handle("R3")));
    // The smaller list is tested whichever side it is on.
    EXPECT_TRUE(NetsContained(Handle("R3"), Handle("U1")));
    EXPECT_TRUE(NetsContained(Handle("U1"), Handle("R3")));
    // Repeated nets count once: R4 has one net, so it is the smaller side.
    EXPECT_TRUE(NetsContained(Handle("R4"), Handle("R1")));
    // A pad without a net does not count: R5 has one net.
    EXPECT_TRUE(NetsContained(Handle("R5"), Handle("R1")));
    // No nets at all is contained in anything.
    EXPECT_TRUE(NetsContained(Handle("R6"), Handle("R1")));
    EXPECT_TRUE(NetsContained(Handle("R1"), Handle("R6")));
}

TEST_F(HostHelpers, ComponentGapTakesTheLargerOfComponentAndClearanceGaps) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    uint8_t mode = 99;
    EXPECT_EQ(ComponentGap(Handle("R1"), Handle("R2"), mode), 0);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(MaxComponentClearanceMode(board->Handle()), 0);

    build.ComponentClearance(MilsToUnits(20), 2);
    EXPECT_EQ(ComponentGap(Handle("R1"), Handle("R2"), mode), MilsToUnits(20));
    EXPECT_EQ(mode, 2);

    build.Clearance(MilsToUnits(30));
    EXPECT_EQ(ClearanceGap(Handle("R1"), Handle("R2")), MilsToUnits(30));
    EXPECT_EQ(ComponentGap(Handle("R1"), Handle("R2"), mode), MilsToUnits(30));
    EXPECT_EQ(mode, 2);  // the mode still comes from the component-clearance rule

    build.ComponentClearance(MilsToUnits(5), 3, {hostpcb::ScopeComponent("R9")});
    EXPECT_EQ(MaxComponentClearanceMode(board->Handle()), 3);
}

TEST_F(HostHelpers, ConfinementRectangleOfNilAndOfARoom) {
    EXPECT_EQ(GetConfinementRect(nullptr), Rect(0, 999990000, 999990000, 0));
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    hostpcb::Rule& room = build.Room(hostpcb::Box{1000, 2000, 5000, 9000}, PCB_CONFINE_KEEP_INSIDE,
                                     {hostpcb::ScopeComponent("R1")});
    TRect r;
    GetConfinementRect(room.Handle(), r);
    EXPECT_EQ(r, Rect(1000, 9000, 5000, 2000));
}

TEST_F(HostHelpers, RectsOverlapAtTheClearanceBoundaryAndFreesItsFills) {
    const std::size_t objectsBefore = hostpcb::Host::Instance().LiveObjectCount();
    const TRect a = Rect(0, 1000, 1000, 0);
    EXPECT_TRUE(RectsOverlap(a, Rect(1000, 1000, 2000, 0), 0));  // touching
    EXPECT_FALSE(RectsOverlap(a, Rect(1010, 1000, 2000, 0), 0));
    EXPECT_FALSE(RectsOverlap(a, Rect(1010, 1000, 2000, 0), 10));  // exactly the clearance apart
    EXPECT_TRUE(RectsOverlap(a, Rect(1010, 1000, 2000, 0), 11));
    EXPECT_TRUE(RectsOverlap(Rect(1010, 1000, 2000, 0), a, 11));
    EXPECT_EQ(hostpcb::Host::Instance().LiveObjectCount(), objectsBefore);
}

TEST_F(HostHelpers, CountsPadsFindsClassesAndAnalysesEveryNet) {
    hostpcb::BoardBuilder build(*board);
    build.Soic("U1", 8, At(300, 400));
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(200, 100));
    build.Connect("N1", {"R1.1", "R2.1", "U1.1"});
    build.Connect("N2", {"R1.2", "U1.2"});
    hostpcb::ObjectClass& power = build.ComponentClass("Power Parts", {"U1"});

    EXPECT_EQ(PadCount(Handle("U1")), 8);
    EXPECT_EQ(PadCount(Handle("R1")), 2);
    EXPECT_EQ(FindClassByName("POWER parts", board->Handle()), power.Handle());
    EXPECT_EQ(FindClassByName("Power", board->Handle()), nullptr);

    AnalyzeAllNets(board->Handle());
    // A spanning tree per net: 3 pads give 2 lines, 2 pads give 1.
    EXPECT_EQ(board->Objects(PCB_CONNECTION).size(), 3u);
}

TEST_F(HostHelpers, UserCoordinatesFollowTheBoardUnitAndOrigin) {
    board->origin = {MilsToUnits(100), MilsToUnits(200)};
    board->imperial = true;
    EXPECT_DOUBLE_EQ(CoordToUserX(MilsToUnits(1100), board->Handle()), 1000.0);
    EXPECT_DOUBLE_EQ(CoordToUserY(MilsToUnits(150.25), board->Handle()), -49.75);
    EXPECT_DOUBLE_EQ(CoordToUserX(MilsToUnits(100) + 12346, board->Handle()), 1.235);  // 3 decimals
    board->imperial = false;
    EXPECT_DOUBLE_EQ(CoordToUserX(MilsToUnits(200), board->Handle()), 2.54);
    EXPECT_DOUBLE_EQ(CoordToUserY(MilsToUnits(200) + 1, board->Handle()), 0.0);  // 5 decimals
}

TEST_F(HostHelpers, ModificationBracketSendsTheHostItsMessagesInOrder) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    const PcbHandle b = board->Handle();
    const PcbHandle r1 = Handle("R1");
    const PcbHandle r2 = Handle("R2");
    const TFastListOf<PcbHandle> moved{r1, r2};

    BeginModifyObjects(moved, b);
    const std::vector<BoardMessage> opening{
        {nullptr, 0, 14, nullptr}, {b, 0, 12, b}, {b, 0, 7, b},
        {r1, 0, 1, nullptr},       {r2, 0, 1, nullptr}, {nullptr, 0, 13, nullptr}};
    EXPECT_EQ(board->Messages().All(), opening);

    // A change inside the bracket can be undone by the host as one step.
    board->FindComponent("R1")->SetPosition(At(900, 900));
    board->Messages().Clear();
    EndModifyObjects(moved, b);
    const std::vector<BoardMessage> closing{{nullptr, 0, 14, nullptr}, {r1, 0, 3, nullptr}, {r2, 0, 3, nullptr},
                                            {b, 0, 10, b},             {b, 0, 8, b},        {b, 0, 11, b}};
    EXPECT_EQ(board->Messages().All(), closing);
    EXPECT_EQ(board->Messages().Depth(), 0);
    ASSERT_TRUE(board->Messages().Undo());
    EXPECT_EQ(board->FindComponent("R1")->Position(), At(100, 100));

    // The untyped list brackets the same way.
    board->Messages().Clear();
    BeginModifyObjects(TFastList{r2}, b);
    EXPECT_EQ(board->Messages().All().size(), 5u);
}

TEST_F(HostHelpers, ModificationBracketWithoutABoardInterfaceSendsNothing) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    EXPECT_NO_THROW(BeginModifyObjects(TFastListOf<PcbHandle>{Handle("R1")}, Handle("R1")));  // not a board
    Client = nullptr;
    EXPECT_NO_THROW(EndModifyObjects(TFastListOf<PcbHandle>{Handle("R1")}, board->Handle()));
    EXPECT_TRUE(board->Messages().All().empty());
}

TEST_F(HostHelpers, InvalidationAndDrcRedisplay) {
    hostpcb::BoardBuilder build(*board);
    hostpcb::Component& r1 = build.Chip("R1", "0603", At(100, 100));
    InvalidateObject(r1.Handle());
    EXPECT_EQ(r1.display.invalidateCount, 1);
    EXPECT_EQ(pumped, 1);  // the host gets to repaint

    board->layerInfo[PCB_DRC_ERROR_LAYER].Present = 1;
    board->layerInfo[PCB_DRC_ERROR_LAYER].Shown = 0;
    RedisplayWhenDRCShown(board->Handle());
    EXPECT_EQ(r1.display.screenDisplayCount, 0);

    board->layerInfo[PCB_DRC_ERROR_LAYER].Shown = 1;
    RedisplayWhenDRCShown(board->Handle());
    EXPECT_EQ(r1.display.screenDisplayCount, 1);
    EXPECT_EQ(r1.display.lastScreenMode, 2);
    EXPECT_EQ(r1.display.lastScreenColour, 9);
}

TEST_F(HostHelpers, RedrawSendsTheZoomCommand) {
    RedrawBoard();
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    EXPECT_EQ(client.GetProcessCalls()[0].Process, "PCB:Zoom");
    EXPECT_EQ(client.GetProcessCalls()[0].Parameters, "Action=Redraw");
    EXPECT_EQ(client.GetProcessCalls()[0].Size, 256);
}

}  // namespace
}  // namespace autoplacer
