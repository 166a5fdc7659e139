// The grids, the cost cells and the search of the group placer, mostly in quick
// mode: grid order, cell membership, first-wins choices, covered points, the
// fallback to the area corner and the bookkeeping of Extent.
#include <gtest/gtest.h>

#include <cstdint>

#include "engines/GroupPlacerFixture.h"
#include "model/RunControl.h"

namespace autoplacer::test {
namespace {

using GridTest = GroupPlacerTest;

TEST_F(GridTest, PointsRunUpEachColumnFromTheLowerLeftCornerAndLeaveOutTheLastLines) {
    const auto placer = Placer(true, R(1000, 1500, 2000, 1000));  // 1000 x 500 mil, G = 50 mil
    ASSERT_EQ(placer->TopGrid.Count(), 200);
    ASSERT_EQ(placer->BottomGrid.Count(), 200);
    EXPECT_EQ(placer->TopGrid[0], GP(1000, 1000));
    EXPECT_EQ(placer->TopGrid[1], GP(1000, 1050));   // up the column first
    EXPECT_EQ(placer->TopGrid[9], GP(1000, 1450));   // j = ny - 1: the top line is not included
    EXPECT_EQ(placer->TopGrid[10], GP(1050, 1000));  // then the next column
    EXPECT_EQ(placer->TopGrid[199], GP(1950, 1450));
    EXPECT_EQ(placer->BottomGrid.Points(), placer->TopGrid.Points());
    EXPECT_FALSE(placer->TopGrid.Contains(Mil(2000), Mil(1000)));
}

TEST_F(GridTest, CostCellsTileColumnByColumnAndAPointOnASharedEdgeBelongsToTheCellLeftOrBelow) {
    const auto placer = Placer(true, R(0, 500, 1000, 0));
    // 200-mil cells: 5 columns of 3 rows (the top row reaches past the area).
    ASSERT_EQ(placer->CostCells.size(), 15u);
    EXPECT_EQ(placer->CostCells[0].Rect, R(0, 200, 200, 0));
    EXPECT_EQ(placer->CostCells[1].Rect, R(0, 400, 200, 200));  // up the column first
    EXPECT_EQ(placer->CostCells[3].Rect, R(200, 200, 400, 0));
    const TCostCell* first = &placer->CostCells[0];
    EXPECT_EQ(placer->CellOf(GP(200, 0)), first);    // (Left + 4G, Bottom): on the right edge of cell 0
    EXPECT_EQ(placer->CellOf(GP(0, 200)), first);    // on the top edge of cell 0
    EXPECT_EQ(placer->CellOf(GP(200, 200)), first);  // the corner of four cells
    EXPECT_EQ(placer->CellOf(GP(250, 200)), &placer->CostCells[3]);
    EXPECT_EQ(placer->CellOf(GP(250, 250)), &placer->CostCells[4]);
    EXPECT_EQ(placer->CellOf(GP(1500, 0)), nullptr);
}

TEST_F(GridTest, AnAreaNarrowerThanOneStepHasNoPointsAndNoGridStepHasNoGrid) {
    EXPECT_TRUE(Placer(true, R(0, 1000, 49, 0))->TopGrid.Empty());
    EXPECT_TRUE(Placer(true, R(0, 49, 1000, 0))->BottomGrid.Empty());
    options.GridSize = 0;
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    EXPECT_TRUE(placer->TopGrid.Empty());
    EXPECT_TRUE(placer->CostCells.empty());
}

TEST_F(GridTest, BestOrientationTakesTheFirstOfTheLowestCosts) {
    EXPECT_EQ(BestOrientation({5, 3, 3, -1}), 1);
    EXPECT_EQ(BestOrientation({-1, 7, 2, 2}), 2);
    EXPECT_EQ(BestOrientation({0, 0, 0, 0}), 0);
    EXPECT_EQ(BestOrientation({-1, -1, -1, 4}), 3);
    EXPECT_EQ(BestOrientation({-1, -1, -1, -1}), -1);
}

using QuickPlacementTest = GroupPlacerTest;

TEST_F(QuickPlacementTest, AGroupThatFitsAtTheCornerIsPlacedThereWithoutTurning) {
    TRectangularComponentGroup& g = BlockGroup("U1", 700, 600, 300, 100);
    const auto placer = Placer(true, R(0, 1000, 2000, 0));
    placer->PlaceGroup(&g);
    EXPECT_EQ(Extent("U1"), R(0, 100, 300, 0));
    EXPECT_DOUBLE_EQ(Angle("U1"), 0.0);
    EXPECT_FALSE(placer->Failed);
    ASSERT_EQ(placer->PlacedGroups.Count(), 1);
    EXPECT_EQ(placer->PlacedGroups[0], &g);
    EXPECT_EQ(placer->Extent, R(0, 100, 300, 0));
}

TEST_F(QuickPlacementTest, TheNextGroupGoesUpTheColumnBeforeMovingRight) {
    TRectangularComponentGroup& a = BlockGroup("A", 500, 500, 100, 100);
    TRectangularComponentGroup& b = BlockGroup("B", 800, 500, 100, 100);
    const auto placer = Placer(true, R(0, 1000, 2000, 0));
    placer->PlaceGroup(&a);
    placer->PlaceGroup(&b);
    // (0, 100) touches A and is covered; (0, 150) is the next free point of the first column.
    EXPECT_EQ(Extent("B"), R(0, 250, 100, 150));
    EXPECT_FALSE(placer->Failed);
    EXPECT_EQ(placer->Extent, R(0, 250, 100, 0));
}

TEST_F(QuickPlacementTest, OfTwoOrientationsThatFitTheFirstIsKept) {
    // Too wide for the area as it stands; a quarter turn (k = 1) and three (k = 3) fit alike.
    TRectangularComponentGroup& g = BlockGroup("U1", 0, 0, 600, 100);
    const auto placer = Placer(true, R(0, 1000, 300, 0));
    placer->PlaceGroup(&g);
    EXPECT_DOUBLE_EQ(Angle("U1"), 90.0);
    EXPECT_EQ(Extent("U1"), R(0, 600, 100, 0));
    EXPECT_FALSE(placer->Failed);
}

TEST_F(QuickPlacementTest, ARotationRuleThatExcludesTheCurrentAngleLeavesOnlyTheAllowedOrientation) {
    TRectangularComponentGroup& g = BlockGroup("U1", 0, 0, 300, 100);
    hostpcb::BoardBuilder(*board).Rotations(PCB_ROTATION_90, {hostpcb::ScopeComponent("U1")});
    const auto placer = Placer(true, R(0, 1000, 2000, 0));
    EXPECT_FALSE(TGroupPlacerProbe::RotationPermitted(g));
    EXPECT_EQ(placer->BestPosition(g).Cost, NoPositionCost);
    placer->PlaceGroup(&g);
    EXPECT_DOUBLE_EQ(Angle("U1"), 90.0);
    EXPECT_EQ(Extent("U1"), R(0, 300, 100, 0));
    EXPECT_FALSE(placer->Failed);
}

TEST_F(QuickPlacementTest, AnAreaSmallerThanOneGridStepSendsTheGroupToItsCornerAndFails) {
    TRectangularComponentGroup& g = BlockGroup("U1", 500, 500, 300, 100);
    const auto placer = Placer(true, R(100, 140, 900, 100));  // 40 mil high: no grid line
    placer->PlaceGroup(&g);
    EXPECT_TRUE(placer->Failed);
    // Both series of four evaluations end three quarters past their start: 180 degrees in all.
    EXPECT_DOUBLE_EQ(Angle("U1"), 180.0);
    EXPECT_EQ(Extent("U1"), R(100, 200, 400, 100));
    EXPECT_EQ(placer->PlacedGroups.Count(), 1);
}

TEST_F(QuickPlacementTest, WithoutAFreePointTheGroupTakesThePointOfLeastOverlap) {
    TRectangularComponentGroup& a = BlockGroup("A", 0, 0, 400, 400);
    TRectangularComponentGroup& b = BlockGroup("B", 1000, 1000, 300, 300);
    const auto placer = Placer(true, R(0, 500, 500, 0));
    placer->PlaceGroup(&a);
    ASSERT_FALSE(placer->Failed);
    placer->PlaceGroup(&b);
    EXPECT_TRUE(placer->Failed);
    // No free point keeps B inside the area: A took the points that would. Every remaining point
    // pays the penalty for leaving the area, and (0, 450) is the first without overlap.
    EXPECT_EQ(Extent("B"), R(0, 750, 300, 450));
    EXPECT_EQ(placer->PlacedGroups.Count(), 2);
}

TEST_F(QuickPlacementTest, GroupsOnOppositeSidesShareTheAreaEachFromItsOwnGrid) {
    TRectangularComponentGroup& top = BlockGroup("T", 500, 500, 200, 200);
    TRectangularComponentGroup& bottom = BlockGroup("B", 900, 500, 200, 200, PCB_BOTTOM_LAYER);
    const auto placer = Placer(true, R(0, 250, 250, 0));
    placer->PlaceGroup(&top);
    const int32_t bottomPoints = placer->BottomGrid.Count();
    placer->PlaceGroup(&bottom);
    EXPECT_FALSE(placer->Failed);
    EXPECT_EQ(Extent("T"), R(0, 200, 200, 0));
    EXPECT_EQ(Extent("B"), R(0, 200, 200, 0));
    EXPECT_EQ(bottomPoints, 25);  // the top group took points only from the top grid
    EXPECT_EQ(placer->TopGrid.Count(), 0);
    EXPECT_EQ(placer->BottomGrid.Count(), 0);
}

TEST_F(QuickPlacementTest, AGroupWithoutMembersIsLeftAlone) {
    TRectangularComponentGroup empty;
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    placer->PlaceGroup(&empty);
    placer->PlaceGroup(nullptr);
    EXPECT_FALSE(placer->Failed);
    EXPECT_TRUE(placer->PlacedGroups.Empty());
}

TEST_F(QuickPlacementTest, AStopLeavesTheGroupUnregistered) {
    TRectangularComponentGroup& g = BlockGroup("U1", 500, 500, 100, 100);
    const auto placer = Placer(true, R(0, 1000, 1000, 0));
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
    placer->PlaceGroup(&g);
    EXPECT_TRUE(placer->PlacedGroups.Empty());
    EXPECT_EQ(placer->TopGrid.Count(), 400);
    EXPECT_EQ(Extent("U1"), R(500, 600, 600, 500));
}

using CoveredPointsTest = GroupPlacerTest;

TEST_F(CoveredPointsTest, EveryPointInTheRectangleIsRemovedEdgesIncluded) {
    TRectangularComponentGroup& g = BlockGroup("U1", 100, 100, 100, 100);
    const auto placer = Placer(true, R(0, 500, 500, 0));
    placer->AddPlacedGroup(&g);
    // 3 x 3 points from (100, 100) to (200, 200): neighbours in one column come one after
    // another, so a removal that disturbed the walk would leave every second one behind.
    EXPECT_EQ(placer->TopGrid.Count(), 100 - 9);
    for (double x : {100.0, 150.0, 200.0}) {
        for (double y : {100.0, 150.0, 200.0}) {
            EXPECT_FALSE(placer->TopGrid.Contains(Mil(x), Mil(y))) << x << ", " << y;
        }
    }
    EXPECT_TRUE(placer->TopGrid.Contains(Mil(250), Mil(200)));
    EXPECT_EQ(placer->BottomGrid.Count(), 100);
}

TEST_F(CoveredPointsTest, RemovalIsDeferredUntilTheWalkHasSeenEveryPoint) {
    TGridPoints grid;
    for (int32_t i = 0; i < 6; ++i) {
        grid.Add(i, 0);
    }
    std::vector<int32_t> seen;
    const int32_t removed = grid.RemoveCovered([&](const TGridPoint& p) {
        seen.push_back(p.X);
        return p.X >= 1 && p.X <= 3;
    });
    EXPECT_EQ(removed, 3);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(grid.Count(), 3);
    EXPECT_EQ(grid[0].X, 0);
    EXPECT_EQ(grid[1].X, 4);
    EXPECT_EQ(grid[2].X, 5);
}

TEST_F(CoveredPointsTest, ABothSidedGroupFreesThePointsOfEachSideUnderItsOwnMembers) {
    Block("T", 0, 0, 100, 100);
    Block("B", 300, 0, 100, 100, PCB_BOTTOM_LAYER);
    TRectangularComponentGroup& g = Group({"T", "B"});
    const auto placer = Placer(true, R(0, 500, 500, 0));
    placer->AddPlacedGroup(&g);
    EXPECT_EQ(placer->TopGrid.Count(), 100 - 9);
    EXPECT_EQ(placer->BottomGrid.Count(), 100 - 9);
    EXPECT_FALSE(placer->TopGrid.Contains(0, 0));
    EXPECT_TRUE(placer->TopGrid.Contains(Mil(300), 0));      // only the bottom member stands there
    EXPECT_TRUE(placer->TopGrid.Contains(Mil(200), 0));      // inside the group rectangle, under no member
    EXPECT_FALSE(placer->BottomGrid.Contains(Mil(300), 0));
    EXPECT_TRUE(placer->BottomGrid.Contains(0, 0));
}

TEST_F(CoveredPointsTest, ASingleIrregularPartFreesItsEmptyCornerOnlyUnderAComponentClearanceMode) {
    hostpcb::BoardBuilder(*board).LShaped("L1", At(1000, 1000));
    TRectangularComponentGroup& g = Group({"L1"});
    ASSERT_TRUE(g.IrregularOutline);
    const TRect e = g.Rect;
    const auto placer = Placer(true, Rect(e.Left - Mil(1000), e.Top + Mil(1000), e.Right + Mil(1000),
                                          e.Bottom - Mil(1000)));
    const int32_t before = placer->TopGrid.Count();
    int32_t inRect = 0;
    for (const TGridPoint& p : placer->TopGrid.Points()) {
        inRect += PointInRect(p.X, p.Y, e) ? 1 : 0;
    }
    {
        const auto plain = Placer(true, placer->Area);
        plain->AddPlacedGroup(&g);
        EXPECT_EQ(plain->TopGrid.Count(), before - inRect);
    }
    hostpcb::BoardBuilder(*board).ComponentClearance(0, 1);
    placer->AddPlacedGroup(&g);
    EXPECT_GT(placer->TopGrid.Count(), before - inRect);
    EXPECT_LT(placer->TopGrid.Count(), before);
}

TEST_F(CoveredPointsTest, AGroupOutsideTheAreaRemovesNothingAndRaisesExtentOnlyRightAndUp) {
    // (Extents start their maxima at 0, so the tests keep to positive coordinates.)
    TRectangularComponentGroup& below = BlockGroup("D", 200, 200, 100, 100);
    TRectangularComponentGroup& above = BlockGroup("U", 2500, 2500, 100, 100);
    const auto placer = Placer(true, R(1000, 2000, 2000, 1000));
    placer->AddPlacedGroup(&below);
    EXPECT_EQ(placer->Extent, R(1000, 1000, 1000, 1000));
    placer->AddPlacedGroup(&above);
    EXPECT_EQ(placer->Extent, R(1000, 2600, 2600, 1000));
    EXPECT_EQ(placer->TopGrid.Count(), 400);
    EXPECT_EQ(placer->PlacedGroups.Count(), 2);
}

TEST_F(CoveredPointsTest, SetAreaRebuildsTheGridsAndWidensExtentByEveryPlacedGroup) {
    TRectangularComponentGroup& g = BlockGroup("U1", 800, 1300, 100, 100);
    const auto placer = Placer(true, R(1000, 2000, 2000, 1000));
    placer->AddPlacedGroup(&g);
    placer->SetArea(R(1000, 1500, 1500, 1000));
    EXPECT_EQ(placer->TopGrid.Count(), 100);
    EXPECT_EQ(placer->CostCells.size(), 9u);
    EXPECT_EQ(placer->Extent, R(800, 1400, 1000, 1000));
    // The new grid does not know the placed group, but the conflict test still sees it: the
    // first column is blocked (overlap, or touching at 900), the next free point is (950, 1300).
    TRectangularComponentGroup& h = BlockGroup("U2", 1600, 1600, 100, 100);
    placer->SetArea(R(800, 1500, 1500, 1300));
    EXPECT_EQ(placer->TopGrid.Count(), 14 * 4);
    placer->PlaceGroup(&h);
    EXPECT_EQ(Extent("U2"), R(950, 1400, 1050, 1300));
    EXPECT_FALSE(placer->Failed);
}

TEST_F(GridTest, AStepTooFineForTheAreaIsWidenedToTheSmallestMultipleThatKeepsTheGridBounded) {
    // 1 mil over 4000 x 2000 mil would lay 8 million points; 7 mil still
    // 571 x 285, 8 mil 500 x 250.
    options.GridSize = Mil(1);
    const auto placer = Placer(true, R(0, 2000, 4000, 0));
    EXPECT_EQ(placer->GridStep(), Mil(8));
    EXPECT_EQ(placer->TopGrid.Count(), 500 * 250);
    EXPECT_EQ(placer->BottomGrid.Count(), 500 * 250);
    EXPECT_LE(placer->TopGrid.Count(), MaxGridPoints);
    EXPECT_EQ(placer->TopGrid[1].Y, Mil(8));  // the points lie on the widened step
    EXPECT_EQ(placer->CostCells.size(), 125u * 63u);
    EXPECT_EQ(placer->CostCells[0].Rect, R(0, 32, 32, 0));

    // The step follows the area: a small area takes the chosen step again.
    placer->SetArea(R(0, 300, 300, 0));
    EXPECT_EQ(placer->GridStep(), Mil(1));
    EXPECT_EQ(placer->TopGrid.Count(), 300 * 300);
    placer->SetArea(R(0, 2000, 4000, 0));
    EXPECT_EQ(placer->GridStep(), Mil(8));
}

TEST_F(GridTest, UsualStepsAndAbsurdOnesOnTheLargestAreas) {
    const TRect area = R(0, 2000, 4000, 0);
    EXPECT_EQ(Placer(true, area)->GridStep(), options.GridSize);  // 50 mil: 80 x 40 points
    EXPECT_EQ(BoundedGridStep(Mil(25), area), Mil(25));
    // A step near half a millimetre is kept on a board of 16 cm a side (320 x 320).
    EXPECT_EQ(BoundedGridStep(Mil(20), R(0, 6400, 6400, 0)), Mil(20));
    EXPECT_EQ(BoundedGridStep(0, area), 0);
    // One host unit over the whole coordinate range still ends with a bounded grid.
    const TRect everything = Rect(INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2, INT32_MIN / 2);
    const int32_t step = BoundedGridStep(1, everything);
    const int64_t across = int64_t{RectWidth(everything)} / step;
    EXPECT_LE(across * across, MaxGridPoints);
    EXPECT_GT((int64_t{RectWidth(everything)} / (step - 1)) * (int64_t{RectWidth(everything)} / (step - 1)),
              MaxGridPoints);
}

}  // namespace
}  // namespace autoplacer::test
