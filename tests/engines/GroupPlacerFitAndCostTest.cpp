// The judgements of one candidate position: area and keep-out with the gap,
// confinement rules, conflicts under the clearance rules and modes, opposite
// sides, permitted rotations; and the guide, pad, overlap and summed costs.
#include <gtest/gtest.h>

#include <limits>

#include "engines/GroupPlacerFixture.h"
#include "model/PlacedComponent.h"

namespace autoplacer::test {
namespace {

hostpcb::Box BoxOf(double left, double bottom, double right, double top) {
    return hostpcb::Box{Mil(left), Mil(bottom), Mil(right), Mil(top)};
}

using AreaAndRulesTest = GroupPlacerTest;

TEST_F(AreaAndRulesTest, WithAKeepOutGapOf10MilARectangleTouchingTheEdgeDoesNotFitAndOne10MilInsideDoes) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 100, 100);
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    EXPECT_EQ(placer->KeepOutGap(g), 0);  // no keep-out object on the board yet
    hostpcb::BoardBuilder build(*board);
    build.RectOutline(0, 0, Mil(2000), Mil(1000));
    build.Clearance(Mil(10));
    EXPECT_EQ(placer->KeepOutGap(g), Mil(10));
    EXPECT_FALSE(placer->FitsArea(R(0, 100, 100, 0), g));
    EXPECT_FALSE(placer->FitsArea(R(9, 109, 109, 9), g));
    EXPECT_TRUE(placer->FitsArea(R(10, 110, 110, 10), g));
    EXPECT_TRUE(placer->FitsArea(R(1890, 990, 1990, 890), g));
    EXPECT_FALSE(placer->FitsArea(R(1891, 990, 1991, 890), g));
    // Quick mode judges the area alone.
    const auto quick = Placer(true, R(0, 1000, 2000, 0));
    EXPECT_TRUE(quick->FitsArea(R(0, 100, 100, 0), g));
    EXPECT_FALSE(quick->FitsArea(R(-1, 100, 99, 0), g));
}

TEST_F(AreaAndRulesTest, WithAllWeightsZeroTheFirstCandidateWinsAsInQuickModeButWithTheKeepOutGap) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 300, 100);
    hostpcb::BoardBuilder build(*board);
    build.RectOutline(0, 0, Mil(2000), Mil(1000));
    build.Clearance(Mil(10));
    NoCosts();
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    placer->PlaceGroup(&g);
    EXPECT_EQ(Extent("U1"), R(50, 150, 350, 50));  // the first column and row lie within the gap
    EXPECT_DOUBLE_EQ(Angle("U1"), 0.0);
    EXPECT_FALSE(placer->Failed);
}

TEST_F(AreaAndRulesTest, TheFirstKeepInsideRuleOfAMemberDecidesAndAKeepOutsideRoomMustNotBeTouched) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 100, 100);
    hostpcb::BoardBuilder build(*board);
    build.Room(BoxOf(0, 0, 500, 500), PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponent("U1")});
    {
        const auto placer = Placer(false, R(0, 1000, 2000, 0));
        ASSERT_EQ(placer->KeepInRules.Count(), 1);
        EXPECT_TRUE(placer->RoomRulesAllow(R(400, 500, 500, 400), g));
        EXPECT_FALSE(placer->RoomRulesAllow(R(450, 550, 550, 450), g));
        EXPECT_FALSE(placer->FitsArea(R(450, 550, 550, 450), g));
    }
    build.Room(BoxOf(1000, 0, 1500, 500), PCB_CONFINE_KEEP_OUTSIDE, {hostpcb::ScopeComponent("U1")});
    build.Room(BoxOf(0, 0, 2000, 1000), PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponent("U1")});
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    ASSERT_EQ(placer->KeepInRules.Count(), 2);
    ASSERT_EQ(placer->KeepOutRules.Count(), 1);
    // Sorted by priority number, largest first: the later, wider room (number 2) decides.
    EXPECT_GT(placer->KeepInRules[0]->Priority, placer->KeepInRules[1]->Priority);
    EXPECT_TRUE(placer->RoomRulesAllow(R(600, 700, 700, 600), g));
    EXPECT_FALSE(placer->RoomRulesAllow(R(900, 100, 1000, 0), g));  // touches the keep-outside room
    EXPECT_TRUE(placer->RoomRulesAllow(R(890, 100, 990, 0), g));
}

TEST_F(AreaAndRulesTest, RulesOfOtherComponentsDoNotConfineTheGroup) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 100, 100);
    Block("U2", 3500, 3000, 100, 100);
    hostpcb::BoardBuilder(*board).Room(BoxOf(0, 0, 500, 500), PCB_CONFINE_KEEP_INSIDE,
                                       {hostpcb::ScopeComponent("U2")});
    const auto placer = Placer(false, R(0, 1000, 2000, 0));
    EXPECT_TRUE(placer->RoomRulesAllow(R(1000, 1100, 1100, 1000), g));
}

using ConflictTest = GroupPlacerTest;

TEST_F(ConflictTest, A20MilClearanceRuleInMode0MakesNearbyRectanglesConflict) {
    TRectangularComponentGroup& placed = BlockGroup("A", 100, 100, 100, 100);
    TRectangularComponentGroup& g = BlockGroup("B", 1000, 1000, 100, 100);
    const auto placer = Placer(true, R(0, 2000, 2000, 0));
    EXPECT_FALSE(placer->Conflicts(g, R(215, 200, 315, 100), placed));
    hostpcb::BoardBuilder(*board).Clearance(Mil(20));
    uint8_t mode = 9;
    EXPECT_EQ(TGroupPlacerProbe::GroupsGap(g, placed, mode), Mil(20));
    EXPECT_EQ(mode, 0);
    EXPECT_TRUE(placer->Conflicts(g, R(215, 200, 315, 100), placed));
    EXPECT_FALSE(placer->Conflicts(g, R(225, 200, 325, 100), placed));
    EXPECT_EQ(Extent("B"), R(1000, 1100, 1100, 1000));  // mode 0 never moves the group
}

TEST_F(ConflictTest, InMode1OnlyTheMembersDecideAndOneOverlappingMemberIsEnough) {
    // Members in the lower-left and upper-right corners of a 400 x 400 group.
    Block("X1", 1000, 1000, 100, 100);
    Block("X2", 1300, 1300, 100, 100);
    TRectangularComponentGroup& g = Group({"X1", "X2"});
    TRectangularComponentGroup& placed = BlockGroup("Q", 300, 0, 100, 100);
    const auto placer = Placer(true, R(0, 2000, 2000, 0));
    const TRect aroundQ = R(0, 400, 400, 0);  // Q sits in the empty lower-right corner
    EXPECT_TRUE(placer->Conflicts(g, aroundQ, placed));  // mode 0: the rectangles decide
    hostpcb::BoardBuilder(*board).ComponentClearance(0, 1);
    EXPECT_FALSE(placer->Conflicts(g, aroundQ, placed));
    EXPECT_EQ(Extent("X1"), R(0, 100, 100, 0));  // the group was moved to the candidate
    const TRect firstOnQ = R(250, 450, 650, 50);
    EXPECT_TRUE(placer->Conflicts(g, firstOnQ, placed));
    EXPECT_EQ(Extent("X1"), R(250, 150, 350, 50));
    EXPECT_EQ(Extent("X2"), R(550, 450, 650, 350));
}

TEST_F(ConflictTest, Mode2ComparesTheComponentsOutlinesAndOtherModesNeverConflict) {
    Block("X1", 1000, 1000, 100, 100);
    Block("X2", 1300, 1300, 100, 100);
    TRectangularComponentGroup& g = Group({"X1", "X2"});
    TRectangularComponentGroup& placed = BlockGroup("Q", 300, 0, 100, 100);
    const auto placer = Placer(true, R(0, 2000, 2000, 0));
    hostpcb::Rule& rule = hostpcb::BoardBuilder(*board).ComponentClearance(0, 2);
    EXPECT_FALSE(placer->Conflicts(g, R(0, 400, 400, 0), placed));
    EXPECT_TRUE(placer->Conflicts(g, R(250, 450, 650, 50), placed));
    rule.checkMode = 3;
    EXPECT_FALSE(placer->Conflicts(g, R(250, 450, 650, 50), placed));
}

// A keep-out pad (a mounting part's no-go area) over a part on the other side:
// the host compares shapes on one layer only, so the test's fill must lie on
// the pad's layer to see it at all.
TEST_F(ConflictTest, AKeepOutPadOverAPartOnTheOtherSideConflicts) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0805", At(1000, 1000), 0, PCB_BOTTOM_LAYER);
    hostpcb::Component& hole = board->AddComponent("H1", "KEEPOUT", At(1000, 1000));
    hostpcb::PadGeometry pad;
    pad.shape = hostpcb::PadShape::Round;
    pad.sizeX = Mil(200);
    pad.sizeY = Mil(200);
    board->AddPad(&hole, "1", At(1000, 1000), pad, PCB_KEEP_OUT_LAYER);
    build.Chip("R2", "0805", At(2000, 1000), 0, PCB_BOTTOM_LAYER);
    TPlacedComponent h1(Handle("H1"));
    TPlacedComponent r1(Handle("R1"));
    TPlacedComponent r2(Handle("R2"));
    ASSERT_TRUE(h1.HasMultiLayerPads);
    EXPECT_TRUE(OppositeSideConflict(h1, r1, 0));
    EXPECT_TRUE(OppositeSideConflict(r1, h1, 0));
    EXPECT_FALSE(OppositeSideConflict(h1, r2, 0));
}

// An edge connector on the bottom with contacts on both faces: a part on top over a
// top contact would short it, one over a bottom contact only would not.
TEST_F(ConflictTest, AContactOnTheOtherFaceOfAPartConflictsWithWhatLiesOverIt) {
    hostpcb::BoardBuilder build(*board);
    hostpcb::Component& edge = board->AddComponent("J1", "EDGE", At(1000, 1000), 0, PCB_BOTTOM_LAYER);
    hostpcb::PadGeometry contact;
    contact.shape = hostpcb::PadShape::Rect;
    contact.sizeX = Mil(40);
    contact.sizeY = Mil(120);
    board->AddPad(&edge, "A1", At(1000, 1000), contact, PCB_TOP_LAYER);
    board->AddPad(&edge, "B1", At(1000, 1400), contact, PCB_BOTTOM_LAYER);
    build.Chip("R1", "0805", At(1000, 1000));
    build.Chip("R2", "0805", At(1000, 1400));
    build.Chip("R3", "0805", At(2000, 1000));
    TRectangularComponentGroup& j1 = Group({"J1"});
    TRectangularComponentGroup& r1 = Group({"R1"});
    TRectangularComponentGroup& r2 = Group({"R2"});
    TRectangularComponentGroup& r3 = Group({"R3"});
    ASSERT_TRUE(FirstComponent(j1)->HasMultiLayerPads);
    EXPECT_TRUE(OppositeSideConflict(*FirstComponent(j1), *FirstComponent(r1), 0));
    EXPECT_TRUE(OppositeSideConflict(*FirstComponent(r1), *FirstComponent(j1), 0));
    EXPECT_FALSE(OppositeSideConflict(*FirstComponent(j1), *FirstComponent(r2), 0));
    EXPECT_FALSE(OppositeSideConflict(*FirstComponent(j1), *FirstComponent(r3), 0));
    const auto placer = Placer(true, R(0, 3000, 3000, 0));
    build.ComponentClearance(0, 1);
    EXPECT_TRUE(placer->Conflicts(r1, r1.Rect, j1));
    EXPECT_FALSE(placer->Conflicts(r2, r2.Rect, j1));
}

// A copper logo drawn on the bottom face of a footprint on top, as a closed outline:
// a part on the bottom inside it, clear of its lines, would still sit on its copper.
TEST_F(ConflictTest, CopperDrawnOnTheFarFaceOfAPartIsInTheWayWhereverItCovers) {
    hostpcb::BoardBuilder build(*board);
    hostpcb::Component& logo = board->AddComponent("G1", "LOGO", At(1000, 1000), 0, PCB_TOP_LAYER);
    const hostpcb::Point corners[] = {At(800, 800), At(1200, 800), At(1200, 1200), At(800, 1200)};
    for (int i = 0; i < 4; ++i) {
        board->AddTrack(&logo, corners[i], corners[(i + 1) % 4], Mil(10), PCB_BOTTOM_LAYER);
    }
    build.Chip("R1", "0805", At(1000, 1000), 0, PCB_BOTTOM_LAYER);
    build.Chip("R2", "0805", At(2000, 1000), 0, PCB_BOTTOM_LAYER);
    TRectangularComponentGroup& g1 = Group({"G1"});
    TRectangularComponentGroup& r1 = Group({"R1"});
    TRectangularComponentGroup& r2 = Group({"R2"});
    ASSERT_TRUE(FirstComponent(g1)->HasFarSideCopper);
    EXPECT_FALSE(FirstComponent(r1)->HasFarSideCopper);
    EXPECT_TRUE(OppositeSideConflict(*FirstComponent(r1), *FirstComponent(g1), 0));
    EXPECT_FALSE(OppositeSideConflict(*FirstComponent(r2), *FirstComponent(g1), 0));
    EXPECT_FALSE(TGroupPlacerProbe::LayersDisjoint(g1, r1));
    build.ComponentClearance(0, 1);
    for (const TPlacerForms forms : {TPlacerForms::Fast, TPlacerForms::Reference}) {
        context.Forms = forms;
        const auto placer = Placer(false, R(0, 3000, 3000, 0));
        EXPECT_TRUE(placer->Conflicts(r1, r1.Rect, g1));
        EXPECT_FALSE(placer->Conflicts(r2, r2.Rect, g1));
    }
}

TEST_F(ConflictTest, AThroughHolePartAboveAnSmdPartOnTheOtherSideConflictsButTwoSmdPartsBackToBackDoNot) {
    hostpcb::BoardBuilder build(*board);
    build.Header("J1", 4, 1, At(1000, 1000));
    build.Chip("R1", "0805", At(1000, 1000), 0, PCB_BOTTOM_LAYER);
    build.Chip("R2", "0805", At(2000, 1000));
    build.Chip("R3", "0805", At(2000, 1000), 0, PCB_BOTTOM_LAYER);
    TRectangularComponentGroup& j1 = Group({"J1"});
    TRectangularComponentGroup& r1 = Group({"R1"});
    TRectangularComponentGroup& r2 = Group({"R2"});
    TRectangularComponentGroup& r3 = Group({"R3"});
    EXPECT_TRUE(OppositeSideConflict(*FirstComponent(j1), *FirstComponent(r1), 0));
    EXPECT_TRUE(OppositeSideConflict(*FirstComponent(r1), *FirstComponent(j1), 0));
    EXPECT_FALSE(OppositeSideConflict(*FirstComponent(r2), *FirstComponent(r3), 0));

    EXPECT_FALSE(TGroupPlacerProbe::LayersDisjoint(j1, r1));
    EXPECT_TRUE(TGroupPlacerProbe::LayersDisjoint(r2, r3));
    const auto placer = Placer(true, R(0, 3000, 3000, 0));
    hostpcb::BoardBuilder(*board).ComponentClearance(0, 1);
    EXPECT_TRUE(placer->Conflicts(r1, r1.Rect, j1));
    EXPECT_FALSE(placer->Conflicts(r3, r3.Rect, r2));
}

using RotationTest = GroupPlacerTest;

TEST_F(RotationTest, TheMemberWithTheFewestRotationsDecides) {
    Block("A", 0, 0, 100, 100);
    Block("B", 200, 0, 100, 100);
    TRectangularComponentGroup& g = Group({"A", "B"});
    EXPECT_TRUE(TGroupPlacerProbe::RotationPermitted(g));
    hostpcb::BoardBuilder build(*board);
    build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent("A")});
    EXPECT_TRUE(TGroupPlacerProbe::RotationPermitted(g));
    build.Rotations(PCB_ROTATION_90, {hostpcb::ScopeComponent("B")});
    EXPECT_FALSE(TGroupPlacerProbe::RotationPermitted(g));
    g.TurnQuarter90();
    EXPECT_TRUE(TGroupPlacerProbe::RotationPermitted(g));
}

using CostTest = GroupPlacerTest;

TEST_F(CostTest, GuideOverhangOf250And40MilCostsTwoWholeUnits) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 300, 100);
    const auto placer = Placer(false, R(0, 3000, 3000, 0));
    EXPECT_EQ(placer->GuideCost(GP(750, 1940), g), 0);  // no guide rectangle
    const TRect guide = R(1000, 2000, 2000, 1000);
    placer->SetGuideRect(&guide);
    EXPECT_EQ(placer->GuideCost(GP(750, 1940), g), 2);
    EXPECT_EQ(placer->GuideCost(GP(1000, 1000), g), 0);
    EXPECT_EQ(placer->GuideCost(GP(1800, 900), g), 2);  // 100 right, 100 below
}

TEST_F(CostTest, AClassThreePartNearTheLeftEdgeCosts25000TimesThePadWeight) {
    hostpcb::BoardBuilder(*board).Qfp("U1", 32, At(3000, 3000));
    TRectangularComponentGroup& g = Group({"U1"});
    ASSERT_EQ(MaxPadPattern(g), 3);
    NoCosts();
    options.PadCostWeight = 3;
    const auto placer = Placer(false, R(0, 5000, 5000, 0));
    EXPECT_EQ(placer->PadPositionCost(GP(150, 2000), g), PadPenaltySmall);  // 3 steps from the left edge
    EXPECT_EQ(placer->PositionCost(GP(150, 2000), g), 3 * PadPenaltySmall);
    EXPECT_EQ(placer->PadPositionCost(GP(200, 2000), g), 0);  // 4 steps: interior
    EXPECT_EQ(placer->PadPositionCost(GP(2000, 150), g), PadPenaltySmall);
    EXPECT_EQ(placer->PadPositionCost(GP(150, 150), g), PadPenaltyLarge);
    const TGridPoint nearTop{Mil(2000), Mil(5000 - 150) - RectHeight(g.Rect)};
    EXPECT_EQ(placer->PadPositionCost(nearTop, g), PadPenaltySmall);
}

TEST_F(CostTest, PartsWithLongRowsOrColumnsWantTheMatchingEdgeBand) {
    hostpcb::BoardBuilder(*board).Soic("U1", 16, At(3000, 3000));
    TRectangularComponentGroup& g = Group({"U1"});
    ASSERT_EQ(MaxPadPattern(g), 2);  // pins in a left and a right column
    const auto placer = Placer(false, R(0, 5000, 5000, 0));
    EXPECT_EQ(placer->PadPositionCost(GP(2000, 100), g), 0);                // bottom band
    EXPECT_EQ(placer->PadPositionCost(GP(100, 2000), g), PadPenaltyLarge);  // left band
    EXPECT_EQ(placer->PadPositionCost(GP(2000, 2000), g), PadPenaltySmall);
    EXPECT_EQ(placer->PadPositionCost(GP(100, 100), g), PadPenaltyLarge);
    g.TurnQuarter90();  // now rows along the top and bottom
    ASSERT_EQ(MaxPadPattern(g), 1);
    EXPECT_EQ(placer->PadPositionCost(GP(100, 2000), g), 0);
    EXPECT_EQ(placer->PadPositionCost(GP(2000, 100), g), PadPenaltyLarge);
    EXPECT_EQ(placer->PadPositionCost(GP(2000, 2000), g), PadPenaltySmall);
}

TEST_F(CostTest, ASumBeyondTheIntegerRangeCostsTheOverflowValue) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 300, 100);
    NoCosts();
    options.GuideCostWeight = std::numeric_limits<int32_t>::max();
    const auto placer = Placer(false, R(0, 3000, 3000, 0));
    const TRect guide = R(1000, 2000, 2000, 1000);
    placer->SetGuideRect(&guide);
    EXPECT_EQ(placer->PositionCost(GP(1000, 1000), g), 0);
    EXPECT_EQ(placer->PositionCost(GP(750, 1940), g), OverflowCost);
    EXPECT_EQ(Extent("U1"), R(750, 2040, 1050, 1940));  // the cost moves the group there
}

TEST_F(CostTest, QuickModeCostsNothingAndLeavesTheGroupWhereItIs) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 300, 100);
    const auto placer = Placer(true, R(0, 5000, 5000, 0));
    const TRect guide = R(0, 100, 100, 0);
    placer->SetGuideRect(&guide);
    EXPECT_EQ(placer->PositionCost(GP(4000, 4000), g), 0);
    EXPECT_EQ(Extent("U1"), R(3000, 3100, 3300, 3000));
}

// The fallback's price: overlap in square mils, exact up to the unit (a sliver
// counts), and leaving the area costs more than any overlap on it.
TEST_F(CostTest, OverlapIsMeasuredExactlyAndLeavingTheAreaCostsMoreThanAnyOverlap) {
    TRectangularComponentGroup& placed = BlockGroup("A", 0, 0, 200, 200);
    TRectangularComponentGroup& g = BlockGroup("G", 3000, 3000, 200, 200);
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    EXPECT_EQ(placer->OverlapCost(R(100, 300, 300, 100), g), 0);  // nothing placed
    placer->AddPlacedGroup(&placed);
    EXPECT_EQ(placer->OverlapCost(R(100, 300, 300, 100), g), 10000);  // 100 x 100 mil
    EXPECT_EQ(placer->OverlapCost(R(0, 200, 200, 0), g), 40000);      // 200 x 200 mil
    EXPECT_EQ(placer->OverlapCost(R(150, 300, 350, 100), g), 5000);   // only 50 mil wide
    EXPECT_EQ(placer->OverlapCost(R(200, 300, 400, 200), g), 0);      // touching is no overlap
    const TRect sliver = Rect(Mil(200) - 1, Mil(300), Mil(400), Mil(100));
    EXPECT_EQ(placer->OverlapCost(sliver, g), 1);  // 1 unit x 200 mil rounds up
    EXPECT_EQ(placer->OverlapCost(R(100, 1100, 300, 100), g), NotFittingPenalty + 10000);  // sticks out
    // A spot on the board, even on top of A, beats a clear spot off it.
    EXPECT_LT(placer->OverlapCost(R(0, 200, 200, 0), g), placer->OverlapCost(R(1100, 1300, 1300, 1100), g));
}

TEST_F(CostTest, TheFallbackCountsThePairsGapAndSkipsGroupsThatCannotConflict) {
    TRectangularComponentGroup& placed = BlockGroup("A", 0, 0, 200, 200);
    TRectangularComponentGroup& g = BlockGroup("G", 3000, 3000, 200, 200);
    TRectangularComponentGroup& under = BlockGroup("B", 4000, 4000, 200, 200, PCB_BOTTOM_LAYER);
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    placer->AddPlacedGroup(&placed);
    EXPECT_EQ(placer->OverlapCost(R(210, 400, 410, 200), g), 0);
    hostpcb::BoardBuilder(*board).ComponentClearance(Mil(20), 0);
    EXPECT_EQ(placer->OverlapCost(R(210, 400, 410, 200), g), 10 * 20);  // grown by 20 mil: meets A's corner
    // Surface-mount groups on opposite sides never conflict, so they never overlap either.
    EXPECT_EQ(placer->OverlapCost(R(0, 200, 200, 0), under), 0);
}

TEST_F(CostTest, ALargeOverlapIsMeasuredWithoutWrappingAround) {
    TRectangularComponentGroup& wide = BlockGroup("W", 0, 0, 50000, 50000);
    TRectangularComponentGroup& g = BlockGroup("G", 60000, 60000, 200, 200);
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    placer->AddPlacedGroup(&wide);
    // 50000 x 50000 mil is capped below the penalty, and the rectangle leaves the area.
    EXPECT_EQ(placer->OverlapCost(wide.Rect, g), OverflowCost);
}

TEST_F(CostTest, WithinOneOrientationEachCostCellIsPricedAtItsFirstCandidate) {
    TRectangularComponentGroup& g = BlockGroup("U1", 3000, 3000, 100, 100);
    NoCosts();
    options.GuideCostWeight = 1;
    const auto placer = Placer(false, R(0, 1000, 1000, 0));
    // Only positions from x = 301 mil on are free of overhang. The cell from 200 to 400 mil is
    // priced at (250, 0) with 1 unit, so (350, 0) keeps that cost; (400, 0) lies on that cell's
    // right edge. The first candidate of the next cell, (450, 0), costs 0.
    const TRect guide = R(400, 1000, 1000, 0);
    placer->SetGuideRect(&guide);
    placer->PlaceGroup(&g);
    EXPECT_EQ(Extent("U1"), R(450, 100, 550, 0));
    EXPECT_DOUBLE_EQ(Angle("U1"), 0.0);
    EXPECT_FALSE(placer->Failed);
}

}  // namespace
}  // namespace autoplacer::test
