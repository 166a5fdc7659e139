// The row placer on real host geometry: parts stood upright, the gaps between
// neighbours, pairs stacked in columns or tucked under on the other side, and
// the rotation a pair's smaller part takes.
#include <gtest/gtest.h>

#include "engines/ArrangeFixture.h"
#include "engines/RowPlacer.h"
#include "hostpcb/BoardBuilder.h"

namespace autoplacer {
namespace {

using arrangetest::Mils;

class RowPlacerTest : public arrangetest::ArrangeBoard {
protected:
    TRowPlacer Row() { return TRowPlacer(area, TPlacerOptions{}); }
};

TEST_F(RowPlacerTest, SinglePartIsTurnedUprightAtTheCorner) {
    const PcbHandle part = BlockMils("U1", 200, 100);
    Host(part).SetRotation(180);
    TPlacedComponent component(part);
    TRowPlacer row = Row();

    row.AddToRow(component);

    EXPECT_DOUBLE_EQ(Angle(part), 90.0);
    EXPECT_EQ(Extent(part), Rect(area.Left, area.Bottom + Mils(200), area.Left + Mils(100), area.Bottom));
    EXPECT_EQ(row.Extent, Extent(part));
    ASSERT_EQ(row.Members.Count(), 1);
    EXPECT_EQ(row.Members[0], &component);
}

TEST_F(RowPlacerTest, NeighboursAreSeparatedByTheirComponentGap) {
    hostpcb::BoardBuilder(*board).ComponentClearance(Mils(10), 0);
    const PcbHandle first = BlockMils("U1", 50, 100);
    const PcbHandle second = BlockMils("U2", 120, 60, 7000, 7000);
    TPlacedComponent a(first);
    TPlacedComponent b(second);
    TRowPlacer row = Row();

    row.AddToRow(a);
    row.AddToRow(b);

    EXPECT_DOUBLE_EQ(Angle(first), 0.0);  // already standing
    EXPECT_DOUBLE_EQ(Angle(second), 90.0);
    const TRect extentA = Extent(first);
    const TRect extentB = Extent(second);
    EXPECT_EQ(extentB.Left, extentA.Right + Mils(10));
    EXPECT_EQ(extentB.Bottom, area.Bottom);
    EXPECT_EQ(row.Extent, Rect(area.Left, area.Bottom + Mils(120), area.Left + Mils(50 + 10 + 60), area.Bottom));
}

class RowPairTest : public RowPlacerTest {
protected:
    void SetUp() override {
        RowPlacerTest::SetUp();
        hostpcb::BoardBuilder(*board).ComponentClearance(Mils(10), 0);
        ic = BlockMils("U1", 300, 400);
        cap = BlockMils("C1", 80, 40, 6000, 6000);
    }
    PcbHandle ic = nullptr;
    PcbHandle cap = nullptr;
};

TEST_F(RowPairTest, CapacitorIsCentredAboveItsIC) {
    TPlacedComponent c(cap);
    TPlacedComponent u(ic);
    TRowPlacer row = Row();

    row.AddPair(c, u);

    EXPECT_EQ(Extent(ic).Left, area.Left);
    EXPECT_EQ(Extent(ic).Bottom, area.Bottom);
    EXPECT_EQ(Extent(cap).Left, area.Left + Mils(110));
    EXPECT_EQ(Extent(cap).Bottom, area.Bottom + Mils(400 + 10));
    EXPECT_DOUBLE_EQ(Angle(cap), 0.0);
    ASSERT_EQ(row.Members.Count(), 2);
    EXPECT_EQ(row.Members[0], &u);  // the bigger part first
    EXPECT_EQ(row.Members[1], &c);
    EXPECT_EQ(row.Extent, Rect(area.Left, area.Bottom + Mils(450), area.Left + Mils(300), area.Bottom));
}

TEST_F(RowPairTest, BottomSideCapacitorStartsAtItsICsReferencePoint) {
    ToBottom(cap);
    TPlacedComponent c(cap);
    TPlacedComponent u(ic);
    TRowPlacer row = Row();

    row.AddPair(c, u);

    EXPECT_EQ(Extent(ic).Left, area.Left);
    EXPECT_EQ(Extent(ic).Bottom, area.Bottom);
    const hostpcb::Point reference = Reference(ic);
    EXPECT_EQ(reference, (hostpcb::Point{area.Left + Mils(150), area.Bottom + Mils(200)}));
    EXPECT_EQ(Extent(cap).Left, reference.x);
    EXPECT_EQ(Extent(cap).Bottom, reference.y);
}

TEST_F(RowPairTest, ThroughHolePartOnTheOtherSideIsStillStacked) {
    hostpcb::PadGeometry pin;
    pin.shape = hostpcb::PadShape::Round;
    pin.sizeX = Mils(20);
    pin.sizeY = Mils(20);
    pin.holeSize = Mils(10);
    board->AddPad(&Host(ic), "2", Reference(ic), pin, PCB_MULTI_LAYER);
    ToBottom(cap);
    TPlacedComponent c(cap);
    TPlacedComponent u(ic);
    ASSERT_TRUE(u.HasMultiLayerPads);
    TRowPlacer row = Row();

    row.AddPair(c, u);

    EXPECT_EQ(Extent(cap).Left, area.Left + Mils(110));
    EXPECT_EQ(Extent(cap).Bottom, area.Bottom + Mils(410));
}

TEST_F(RowPairTest, SecondPairKeepsTheLargestOfTheFourGapsToTheFirst) {
    // Only the second IC and the first capacitor need 40 mil; everything else 10.
    board->Rules().front()->priority = 2;
    hostpcb::Rule& wide = hostpcb::BoardBuilder(*board).ComponentClearance(Mils(40), 0, {hostpcb::ScopeComponent("U2")},
                                                                          {hostpcb::ScopeComponent("C1")});
    wide.priority = 1;
    const PcbHandle ic2 = BlockMils("U2", 200, 300, 8000, 8000);
    const PcbHandle cap2 = BlockMils("C2", 80, 40, 9000, 9000);
    TPlacedComponent c1(cap);
    TPlacedComponent u1(ic);
    TPlacedComponent c2(cap2);
    TPlacedComponent u2(ic2);
    TRowPlacer row = Row();

    row.AddPair(c1, u1);
    row.AddPair(c2, u2);

    const int32_t firstRight = area.Left + Mils(300);
    EXPECT_EQ(Extent(ic2).Left, firstRight + Mils(40));
    EXPECT_EQ(Extent(ic2).Bottom, area.Bottom);
    EXPECT_EQ(Extent(cap2).Left, firstRight + Mils(40 + 60));
    EXPECT_EQ(Extent(cap2).Bottom, area.Bottom + Mils(300 + 10));
    EXPECT_EQ(row.Extent.Right, firstRight + Mils(40 + 200));
    EXPECT_EQ(row.Members.Count(), 4);
}

TEST_F(RowPairTest, CapacitorTakesTheTighterTurnUnlessItsRuleForbidsIt) {
    // Standing 40 x 80 the capacitors would make the column taller than lying.
    hostpcb::BoardBuilder(*board).Rotations(PCB_ROTATION_0, {hostpcb::ScopeComponent("C2")});
    const PcbHandle ic2 = BlockMils("U2", 300, 400, 8000, 8000);
    const PcbHandle standing = BlockMils("C2", 40, 80, 9000, 9000);
    const PcbHandle free = BlockMils("C3", 40, 80, 9500, 9500);
    const PcbHandle ic3 = BlockMils("U3", 300, 400, 9900, 9900);
    TPlacedComponent c2(standing);
    TPlacedComponent u2(ic2);
    TPlacedComponent c3(free);
    TPlacedComponent u3(ic3);
    TRowPlacer row = Row();

    row.AddPair(c2, u2);
    row.AddPair(c3, u3);

    EXPECT_DOUBLE_EQ(Angle(standing), 0.0);
    EXPECT_EQ(Extent(standing).Bottom, area.Bottom + Mils(410));
    EXPECT_DOUBLE_EQ(Angle(free), 90.0);
    EXPECT_EQ(RectHeight(Extent(free)), Mils(40));
}

TEST_F(RowPlacerTest, EqualAreaMeasuresMakeTheFirstPartSmallWhenTurningAndBigWhenPlacing) {
    // 100 x 400 and 400 x 100 mil have the same area measure.
    const PcbHandle first = BlockMils("A1", 100, 400);
    const PcbHandle second = BlockMils("B1", 400, 100, 7000, 7000);
    TPlacedComponent a(first);
    TPlacedComponent b(second);
    ASSERT_EQ(a.AreaMeasure(), b.AreaMeasure());
    TRowPlacer row = Row();

    row.AddPair(a, b);

    // Turning: B was the big one, found lying, and turned back a quarter with A,
    // which had been laid down beside it.
    EXPECT_DOUBLE_EQ(Angle(second), 270.0);
    EXPECT_DOUBLE_EQ(Angle(first), 0.0);
    // Placing: A is the big one, at the bottom of the column.
    EXPECT_EQ(Extent(first), Rect(area.Left, area.Bottom + Mils(400), area.Left + Mils(100), area.Bottom));
    EXPECT_EQ(Extent(second).Bottom, area.Bottom + Mils(400));
    EXPECT_EQ(row.Members[0], &a);
}

}  // namespace
}  // namespace autoplacer
