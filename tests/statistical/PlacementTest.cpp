// What the statistical placer makes of a board: gaps from the board options, locked
// parts, rooms, rotation and side rules, the same board for the same seed, and the
// boards with nothing to do.
#include <cmath>
#include <sstream>

#include "StatisticalFixture.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/PlacementShape.h"
#include "hostpcb/Rules.h"
#include "hostpcb/statistical/PartGeometry.h"

namespace statistical_test {
namespace {

using hostpcb::statistical::Inflated;

TEST_F(StatisticalTest, ComponentGapComesFromTheFirstBoardOption) {
    BuildConnectedBoard();
    for (const double gap : {0.5, 3.0}) {
        SetGaps(gap, 0.2);
        const auto outcome = Place();
        ASSERT_TRUE(outcome.unfit.empty());
        ExpectLegal();
        EXPECT_GE(SmallestSeparation(*board), MmToUnits(gap)) << "gap option " << gap << " mm";
    }
    // The nets pull the parts together: without the wide gap they come closer than 3 mm.
    SetGaps(0.2, 0.2);
    Place();
    EXPECT_LT(SmallestSeparation(*board), MmToUnits(3.0));
}

TEST_F(StatisticalTest, OutlineGapComesFromTheSecondBoardOption) {
    // A 12 mm band: with 3 mm kept to the outline only the middle 6 mm are usable.
    BuildConnectedBoard(20, {100, 100, 190, 112});
    SetGaps(0.3, 3.0);
    ASSERT_TRUE(Place().unfit.empty());
    ExpectLegal();
    EXPECT_GE(SmallestEdgeDistance(*board, outline), MmToUnits(3.0));

    SetGaps(0.3, 0.0);
    Place(2);
    EXPECT_LT(SmallestEdgeDistance(*board, outline), MmToUnits(3.0));
}

TEST_F(StatisticalTest, ALargerComponentClearanceRuleWinsOverTheOption) {
    BuildConnectedBoard(10);
    BoardBuilder(*board).ComponentClearance(MmToUnits(2.0), 0);
    SetGaps(0.2, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    EXPECT_GE(SmallestSeparation(*board), MmToUnits(2.0));
}

TEST_F(StatisticalTest, AComponentClearanceRuleReplacesTheOptionWhileBoxesWithoutCourtyardKeepTheCopperClearance) {
    // As on a KiCad board: the rule's gap, not the 3 mm option. These parts have no
    // courtyard, so nothing but their boxes keeps their copper apart: the boxes keep
    // the 1 mm copper clearance as well.
    BuildConnectedBoard(10);
    BoardBuilder(*board).Clearance(MmToUnits(1.0));
    BoardBuilder(*board).ComponentClearance(MmToUnits(0.1), 1);
    SetGaps(3.0, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    ExpectLegal();
    EXPECT_GE(SmallestSeparation(*board), MmToUnits(1.1));
    EXPECT_LT(SmallestSeparation(*board), MmToUnits(3.0));
}

TEST_F(StatisticalTest, PartsWithoutExtentStayWhereTheyAre) {
    // A logo inside the outline and a panel tab far off it: neither counts, moves
    // nor blocks; the real parts are placed as before.
    BuildConnectedBoard();
    Component& logo = board->AddComponent("LOGO1", "Logo", Mm(130, 120));
    Component& tab = board->AddComponent("TAB1", "Tab", Mm(-400, 900), 90.0, PCB_BOTTOM_LAYER);
    ASSERT_FALSE(hostpcb::HasExtent(logo));
    ASSERT_TRUE(hostpcb::HasExtent(*board->FindComponent("U1")));
    SetGaps(0.5, 0.2);
    const auto outcome = Place();
    EXPECT_EQ(outcome.movable, 18);
    EXPECT_TRUE(outcome.unfit.empty());
    for (const Component* marker : {&logo, &tab}) {
        EXPECT_EQ(marker->Position(), marker == &logo ? Mm(130, 120) : Mm(-400, 900));
    }
    EXPECT_EQ(tab.Rotation(), 90.0);
    EXPECT_EQ(tab.Layer(), PCB_BOTTOM_LAYER);
}

TEST_F(StatisticalTest, LockedComponentStaysAndOthersKeepClearOfIt) {
    BuildConnectedBoard();
    Component* locked = board->FindComponent("U1");
    locked->moveable = false;
    locked->SetPosition(Mm(130, 120));
    const Point where = locked->Position();
    const double rotation = locked->Rotation();
    SetGaps(0.5, 0.2);
    const auto outcome = Place();
    EXPECT_EQ(outcome.movable, 17);
    EXPECT_EQ(locked->Position(), where);
    EXPECT_EQ(locked->Rotation(), rotation);
    EXPECT_EQ(locked->Layer(), PCB_TOP_LAYER);
    ExpectLegal();
    EXPECT_GE(SmallestSeparation(*board), MmToUnits(0.5));
}

TEST_F(StatisticalTest, ALockedBoardFrameBlocksOnlyWithItsPads) {
    // A locked frame footprint drawn over the whole board (as a footprint that draws the
    // board's edge is) with mounting pads in two corners.
    BuildConnectedBoard(8);
    Component& frame = board->AddComponent("F1", "Frame", Mm(130, 120));
    const Coord w = MmToUnits(0.12);
    board->AddTrack(&frame, Mm(100, 100), Mm(160, 100), w, PCB_TOP_OVERLAY);
    board->AddTrack(&frame, Mm(160, 100), Mm(160, 140), w, PCB_TOP_OVERLAY);
    hostpcb::PadGeometry pad;
    pad.sizeX = pad.sizeY = MmToUnits(3);
    pad.holeSize = MmToUnits(2);
    const hostpcb::Pad& lower = board->AddPad(&frame, "1", Mm(105, 105), pad, PCB_MULTI_LAYER);
    const hostpcb::Pad& upper = board->AddPad(&frame, "2", Mm(155, 135), pad, PCB_MULTI_LAYER);
    frame.moveable = false;
    SetGaps(0.3, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    for (const app::ComponentExtent& e : app::ComponentExtents(*board)) {
        if (e.component == &frame) continue;
        EXPECT_FALSE(e.box.Intersects(Inflated(lower.Bounds(), MmToUnits(0.3)))) << e.component->Designator();
        EXPECT_FALSE(e.box.Intersects(Inflated(upper.Bounds(), MmToUnits(0.3)))) << e.component->Designator();
    }
}

TEST_F(StatisticalTest, ALockedPartWithPadsOnBothSidesBlocksBothSides) {
    // An edge connector on the bottom with copper on the top as well, over most of the board.
    BuildConnectedBoard(8);
    Component& edge = board->AddComponent("J9", "EdgeConnector", Mm(130, 120), 0, PCB_BOTTOM_LAYER);
    hostpcb::PadGeometry pad;
    pad.shape = hostpcb::PadShape::Rect;
    pad.sizeX = MmToUnits(36);
    pad.sizeY = MmToUnits(24);
    board->AddPad(&edge, "1", Mm(130, 120), pad, PCB_BOTTOM_LAYER);
    const hostpcb::Pad& top = board->AddPad(&edge, "2", Mm(130, 120), pad, PCB_TOP_LAYER);
    edge.moveable = false;
    SetGaps(0.3, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    for (const app::ComponentExtent& e : app::ComponentExtents(*board)) {
        if (e.component == &edge) continue;
        EXPECT_FALSE(e.box.Intersects(top.Bounds())) << e.component->Designator();
    }
}

TEST_F(StatisticalTest, AFramesContactOnTheBackLeavesTheFrontFree) {
    // A locked frame on top whose one pad, a contact on the back copper, covers most
    // of the board: the parts, all on top, may lie over it, as KiCad allows.
    BuildConnectedBoard(8);
    Component& frame = board->AddComponent("F1", "Frame", Mm(130, 120));
    board->AddTrack(&frame, Mm(100, 100), Mm(160, 100), MmToUnits(0.12), PCB_TOP_OVERLAY);
    board->AddTrack(&frame, Mm(160, 100), Mm(160, 140), MmToUnits(0.12), PCB_TOP_OVERLAY);
    hostpcb::PadGeometry pad;
    pad.shape = hostpcb::PadShape::Rect;
    pad.sizeX = MmToUnits(56);
    pad.sizeY = MmToUnits(36);
    board->AddPad(&frame, "1", Mm(130, 120), pad, PCB_BOTTOM_LAYER);
    frame.moveable = false;
    SetGaps(0.3, 0.2);
    EXPECT_TRUE(Place().unfit.empty());
}

TEST_F(StatisticalTest, RoomsAreRespected) {
    BuildConnectedBoard();
    BoardBuilder b(*board);
    b.ComponentClass("Corner", {"R3", "R9", "U2"});
    const Box inside{MmToUnits(140), MmToUnits(120), MmToUnits(160), MmToUnits(140)};
    b.Room(inside, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("Corner")});
    const Box outside{MmToUnits(100), MmToUnits(100), MmToUnits(125), MmToUnits(140)};
    b.Room(outside, PCB_CONFINE_KEEP_OUTSIDE, {hostpcb::ScopeComponent("R1"), hostpcb::ScopeComponent("U1")});
    SetGaps(0.3, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    ExpectLegal();
    for (const app::ComponentExtent& e : app::ComponentExtents(*board)) {
        const std::string name = e.component->Designator();
        if (name == "R3" || name == "R9" || name == "U2") {
            EXPECT_TRUE(e.box.x1 >= inside.x1 && e.box.x2 <= inside.x2 && e.box.y1 >= inside.y1 &&
                        e.box.y2 <= inside.y2)
                << name;
        }
        if (name == "R1" || name == "U1") {
            EXPECT_FALSE(e.box.Intersects(outside)) << name;
        }
    }
}

TEST_F(StatisticalTest, APermittedLayersRuleNeverMovesALockedPart) {
    BuildConnectedBoard();
    Component* locked = board->FindComponent("U2");
    locked->moveable = false;
    locked->SetPosition(Mm(130, 120));
    const hostpcb::Box before = locked->Bounds();
    BoardBuilder(*board).PermittedLayers(PCB_PERMIT_BOTTOM);  // every part belongs on the bottom
    SetGaps(0.3, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    EXPECT_EQ(locked->Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(locked->Bounds(), before);
    EXPECT_EQ(board->FindComponent("U1")->Layer(), PCB_BOTTOM_LAYER);
}

TEST_F(StatisticalTest, RotationAndSideRulesAreKept) {
    BuildConnectedBoard();
    BoardBuilder b(*board);
    b.ComponentClass("Upright", {"R2", "R5", "U1"});
    b.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponentClass("Upright")});
    b.PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("R7")});
    SetGaps(0.3, 0.2);
    ASSERT_TRUE(Place().unfit.empty());
    for (const char* name : {"R2", "R5", "U1"}) {
        const double r = board->FindComponent(name)->Rotation();
        EXPECT_TRUE(r == 0.0 || r == 180.0) << name << " at " << r;
    }
    EXPECT_EQ(board->FindComponent("R7")->Layer(), PCB_BOTTOM_LAYER);
    ExpectLegal();
}

TEST_F(StatisticalTest, SameSeedGivesTheSameBoard) {
    auto run = [&](uint64_t seed) {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("statistical.kicad_pcb");
        BuildConnectedBoard();
        SetGaps(0.3, 0.2);
        Place(seed);
        return PlacementOf(*board);
    };
    const Placement first = run(7);
    EXPECT_EQ(run(7), first);
    EXPECT_NE(run(8), first);
}

TEST_F(StatisticalTest, PlacementShortensTheSignalNets) {
    BuildConnectedBoard();
    SetGaps(0.3, 0.2);
    const auto outcome = Place();
    // The parts start parked outside; a random spread would leave the chain long.
    EXPECT_LT(outcome.lengthAfter, 0.5 * outcome.lengthBefore);
}

TEST_F(StatisticalTest, BoardsWithNothingToPlaceEndCleanly) {
    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    hostpcb::statistical::PlacerSettings settings;
    settings.dialogs = &dialogs;

    // An empty board, with and without an outline.
    auto outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_EQ(outcome.movable, 0);
    EXPECT_FALSE(outcome.noOutline);
    BoardBuilder(*board).RectOutline(MmToUnits(0), MmToUnits(0), MmToUnits(10), MmToUnits(10));
    outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_EQ(outcome.movable, 0);

    // Only locked components.
    BoardBuilder(*board).Chip("R1", "0805", Mm(20, 20)).moveable = false;
    const Placement before = PlacementOf(*board);
    outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_EQ(outcome.movable, 0);
    EXPECT_EQ(PlacementOf(*board), before);
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(StatisticalTest, NoOutlineEndsWithAMessageAndChangesNothing) {
    BoardBuilder(*board).Chip("R1", "0805", Mm(20, 20));
    const Placement before = PlacementOf(*board);
    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    hostpcb::statistical::PlacerSettings settings;
    settings.dialogs = &dialogs;
    const auto outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_TRUE(outcome.noOutline);
    EXPECT_EQ(PlacementOf(*board), before);
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].Caption, "Error");
}

TEST_F(StatisticalTest, AHugeClearanceParksThePartsCloseBelowTheBoard) {
    // With 50 mm between parts almost nothing fits; the parked rows used to be spaced
    // by the whole gap and ran beyond the host's coordinates.
    BuildConnectedBoard(40);
    BoardBuilder(*board).ComponentClearance(MmToUnits(50), 2);
    SetGaps(0.2, 0.2);
    const auto outcome = Place();
    ASSERT_GT(outcome.unfit.size(), 30u);
    for (const Component* c : board->Components()) {
        const Box b = c->Bounds();
        EXPECT_GT(b.y1, outline.y1 - MmToUnits(300)) << c->Designator();
        EXPECT_LT(b.x2, outline.x2 + MmToUnits(100)) << c->Designator();
    }
    EXPECT_EQ(app::MeasureBoard(*board).overlappingPairs, 0);
}

TEST_F(StatisticalTest, AWideOutlineGapKeepsOnlyTheFirstParkedRowAwayFromTheBoard) {
    // The plug-in asks for an outline gap of 0.4 times the component gap: 400 mm for a
    // 1 m clearance. Each parked part used to get a row of its own, 400 mm below the
    // one before, and the written board could not be read again.
    BuildConnectedBoard(40);
    BoardBuilder(*board).ComponentClearance(MmToUnits(1000), 2);
    SetGaps(1000, 400);
    const auto outcome = Place();
    ASSERT_GT(outcome.unfit.size(), 30u);
    for (const Component* c : board->Components()) {
        const Box b = c->Bounds();
        EXPECT_GT(b.y1, outline.y1 - MmToUnits(400 + 100)) << c->Designator();
        EXPECT_LT(b.x2, outline.x2 + MmToUnits(100)) << c->Designator();
    }
}

TEST_F(StatisticalTest, ManyPartsParkedBelowANarrowBoardStayNearIt) {
    BoardBuilder b(*board);
    b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(101), MmToUnits(160));
    for (int i = 0; i < 300; ++i) {
        b.Chip("R" + std::to_string(i + 1), "0805", Mm(50 + i % 20 * 3, 50 + i / 20 * 3));
    }
    SetGaps(0.2, 0.2);
    const auto outcome = Place();
    ASSERT_EQ(outcome.unfit.size(), 300u);  // a 1 mm wide board takes no 0805
    for (const Component* c : board->Components()) {
        EXPECT_GT(c->Bounds().y1, MmToUnits(100) - MmToUnits(150)) << c->Designator();
    }
    EXPECT_EQ(app::MeasureBoard(*board).overlappingPairs, 0);
}

TEST_F(StatisticalTest, ASlantedPartThatFindsNoRoomIsStraightened) {
    // On a 12 x 16 mm board a 10.6 mm QFP turned by 45 degrees needs a 15 mm box;
    // straightened it fits. A small part at 30 degrees finds room and keeps its angle.
    BoardBuilder b(*board);
    b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(112), MmToUnits(116));
    b.Qfp("U1", 32, Mm(50, 50), 45);
    b.Chip("R1", "0805", Mm(50, 70), 30);
    b.Connect("A", {"U1.1", "R1.1"});
    SetGaps(0.3, 0.2);
    const auto outcome = Place();
    EXPECT_TRUE(outcome.unfit.empty());
    const double u1 = board->FindComponent("U1")->Rotation();
    EXPECT_EQ(std::fmod(u1, 90.0), 0.0) << u1;
    EXPECT_DOUBLE_EQ(board->FindComponent("R1")->Rotation(), 30.0);
    EXPECT_EQ(app::MeasureBoard(*board).outsideOutline, 0);
}

TEST_F(StatisticalTest, APartTooLargeForTheBoardIsNamedAndParkedClear) {
    BoardBuilder b(*board);
    b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(112), MmToUnits(112));
    b.Qfp("U1", 64, Mm(50, 50));  // larger than the 12 mm board
    b.Chip("R1", "0805", Mm(50, 70));
    b.Chip("R2", "0805", Mm(50, 75));
    b.Connect("A", {"U1.1", "R1.1"});
    b.Connect("B", {"R1.2", "R2.1"});
    SetGaps(0.3, 0.2);
    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    hostpcb::statistical::PlacerSettings settings;
    settings.dialogs = &dialogs;
    const auto outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    ASSERT_EQ(outcome.unfit, std::vector<std::string>{"U1"});
    const app::BoardMetrics m = app::MeasureBoard(*board);
    EXPECT_EQ(m.overlappingPairs, 0);
    EXPECT_EQ(m.outsideOutline, 1);
    ASSERT_FALSE(dialogs.History().empty());
    EXPECT_NE(dialogs.History().back().Text.find("U1"), std::string::npos);
}

}  // namespace
}  // namespace statistical_test
