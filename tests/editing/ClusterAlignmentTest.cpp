// Lining a cluster up: edges and centres, even spreading in columns and rows,
// the column and row grouping, snapping to the grid, and the cluster of the
// selection.
#include <memory>

#include "EditingFixture.h"
#include "model/ClusterAlignment.h"

namespace autoplacer::test {
namespace {

using ClusterAlignment = EditingTest;

std::unique_ptr<TCluster> ClusterOf(std::initializer_list<PcbHandle> handles) {
    auto cluster = std::make_unique<TCluster>();
    for (PcbHandle h : handles) {
        cluster->AddComponent(h);
    }
    return cluster;
}

TEST_F(ClusterAlignment, LeftAlignmentMovesLeftEdgesAndKeepsY) {
    Block("A", 1100, 1000, 40, 20);
    Block("B", 1300, 1200, 60, 30);
    Block("C", 1050, 1500, 20, 50);
    Lock("B");  // locked members are aligned too
    auto cluster = ClusterOf({Handle("A"), Handle("B"), Handle("C")});
    ASSERT_EQ(cluster->FixedGroups.Count(), 1);
    AlignHorizontally(*cluster, kAlignLeft);
    for (const char* part : {"A", "B", "C"}) {
        EXPECT_EQ(Box(part).x1, Mil(1040)) << part;
    }
    EXPECT_EQ(Position("A").y, Mil(1000));
    EXPECT_EQ(Position("B").y, Mil(1200));
    EXPECT_EQ(Position("C").y, Mil(1500));
}

TEST_F(ClusterAlignment, RightTopAndCentresUseTheClustersExtent) {
    Block("A", 1100, 1000, 40, 20);  // x 1080..1120, y 990..1010
    Block("B", 1300, 1200, 60, 30);  // x 1270..1330, y 1185..1215
    auto cluster = ClusterOf({Handle("A"), Handle("B")});
    AlignHorizontally(*cluster, kAlignRight);
    EXPECT_EQ(Box("A").x2, Mil(1330));
    EXPECT_EQ(Box("B").x2, Mil(1330));
    AlignVertically(*cluster, kAlignTop);
    EXPECT_EQ(Box("A").y2, Mil(1215));
    EXPECT_EQ(Box("B").y2, Mil(1215));
    EXPECT_EQ(Box("A").x2, Mil(1330));  // X kept

    AlignVertically(*cluster, kAlignBottom);
    EXPECT_EQ(Box("A").y1, Mil(1185));
    EXPECT_EQ(Box("B").y1, Mil(1185));

    // Centre lines: the middle of the extent (1270..1330 -> 1300, 1185..1215 -> 1200).
    Part("A").SetPosition({Mil(900), Mil(700)});
    AlignHorizontally(*cluster, kAlignCentre);
    AlignVertically(*cluster, kAlignCentre);
    // Extent now x 880..1330 (centre 1105), y 690..1215 (centre 952.5).
    EXPECT_DOUBLE_EQ(CentreX("A"), 1105);
    EXPECT_DOUBLE_EQ(CentreX("B"), 1105);
    EXPECT_DOUBLE_EQ(CentreY("A"), 952.5);
    EXPECT_DOUBLE_EQ(CentreY("B"), 952.5);
}

TEST_F(ClusterAlignment, ModesOutsideTheTableChangeNothing) {
    Block("A", 1100, 1000, 40, 20);
    Block("B", 1300, 1200, 60, 30);
    auto cluster = ClusterOf({Handle("A"), Handle("B")});
    AlignHorizontally(*cluster, kAlignNoChange);
    AlignHorizontally(*cluster, kAlignTop);  // 0 is a vertical mode only
    AlignVertically(*cluster, kAlignNoChange);
    AlignVertically(*cluster, kAlignLeft);  // 2 is a horizontal mode only
    EXPECT_EQ(Position("A").x, Mil(1100));
    EXPECT_EQ(Position("A").y, Mil(1000));
    EXPECT_EQ(Position("B").x, Mil(1300));
    EXPECT_EQ(Position("B").y, Mil(1200));
}

TEST_F(ClusterAlignment, DistributionStartsOneGapRightOfTheExtent) {
    // Three 10-wide parts spread over [1000, 1100]: gap (100 - 30) div 2 = 35.
    Block("A", 1005, 1000, 10, 10);
    Block("B", 1030, 1300, 10, 10);
    Block("C", 1095, 1100, 10, 10);
    auto cluster = ClusterOf({Handle("C"), Handle("A"), Handle("B")});
    AlignHorizontally(*cluster, kAlignDistribute);
    EXPECT_EQ(Box("A").x1, Mil(1035));
    EXPECT_EQ(Box("B").x1, Mil(1080));
    EXPECT_EQ(Box("C").x1, Mil(1125));
    EXPECT_EQ(Position("B").y, Mil(1300));
}

TEST_F(ClusterAlignment, OverlappingPartsShareAColumnButTheGapCountsEveryPart) {
    // B lies within A's X span: columns {A, B} and {C}. Total 20 + 10 = 30,
    // gap (100 - 30) div (3 - 1) = 35.
    Block("A", 1010, 1000, 20, 10);  // x 1000..1020
    Block("B", 1012, 1200, 10, 10);  // x 1007..1017
    Block("C", 1095, 1100, 10, 10);  // x 1090..1100
    auto cluster = ClusterOf({Handle("A"), Handle("B"), Handle("C")});
    AlignHorizontally(*cluster, kAlignDistribute);
    EXPECT_EQ(Box("A").x1, Mil(1035));
    EXPECT_EQ(Box("B").x1, Mil(1042));  // moved with its column
    EXPECT_EQ(Box("C").x1, Mil(1090));  // 1035 + 20 + 35
}

TEST_F(ClusterAlignment, ANegativeGapPutsColumnsEdgeToEdge) {
    // Two 60-wide parts overlapping in an extent 100 wide: gap (100 - 120) -> 0.
    Block("A", 1030, 1000, 60, 10);
    Block("B", 1070, 1200, 60, 10);
    auto cluster = ClusterOf({Handle("A"), Handle("B")});
    AlignHorizontally(*cluster, kAlignDistribute);
    EXPECT_EQ(Box("A").x1, Mil(1000));
    EXPECT_EQ(Box("B").x1, Mil(1060));
}

TEST_F(ClusterAlignment, VerticalDistributionStacksRowsFromTheBottom) {
    Block("A", 1000, 1005, 10, 10);
    Block("B", 1200, 1030, 10, 10);
    Block("C", 1100, 1095, 10, 10);
    auto cluster = ClusterOf({Handle("A"), Handle("B"), Handle("C")});
    AlignVertically(*cluster, kAlignDistribute);
    EXPECT_EQ(Box("A").y1, Mil(1035));
    EXPECT_EQ(Box("B").y1, Mil(1080));
    EXPECT_EQ(Box("C").y1, Mil(1125));
    EXPECT_EQ(Position("B").x, Mil(1200));
}

TEST_F(ClusterAlignment, DistributingOneOrNoComponentLeavesItAlone) {
    Block("A", 1000, 1000, 10, 10);
    auto one = ClusterOf({Handle("A")});
    AlignHorizontally(*one, kAlignDistribute);
    AlignVertically(*one, kAlignDistribute);
    EXPECT_EQ(Position("A").x, Mil(1000));
    EXPECT_EQ(Position("A").y, Mil(1000));
    TCluster empty;
    AlignHorizontally(empty, kAlignDistribute);
    AlignVertically(empty, kAlignDistribute);
    EXPECT_EQ(Position("A").x, Mil(1000));
}

TEST_F(ClusterAlignment, ColumnsCompareOnlyTheFirstMember) {
    Block("A", 1050, 1000, 100, 10);  // x 1000..1100, centre 1050
    Block("B", 1055, 1100, 10, 10);   // within A
    Block("C", 1070, 1200, 40, 10);   // x 1050..1090: within A, not within B
    Block("D", 1200, 1300, 10, 10);   // beyond A: a new column
    Block("E", 1200, 1400, 10, 10);   // identical span to D
    auto cluster = ClusterOf({Handle("E"), Handle("C"), Handle("A"), Handle("D"), Handle("B")});
    const std::unique_ptr<TCluster> columns = GroupIntoColumns(*cluster);
    ASSERT_EQ(columns->Count(), 2);
    EXPECT_EQ(columns->Items(0)->Count(), 3);
    EXPECT_EQ(FirstHandle(*columns->Items(0)), Handle("A"));
    EXPECT_EQ(columns->Items(1)->Count(), 2);
    EXPECT_TRUE(columns->FixedGroups.Empty());
    EXPECT_EQ(columns->Items(0)->Rect, Rect(Mil(1000), Mil(1205), Mil(1100), Mil(995)));
}

TEST_F(ClusterAlignment, RowsSortByCentreYAndTestTheYSpan) {
    Block("A", 1000, 1050, 10, 100);  // y 1000..1100
    Block("B", 1200, 1040, 10, 20);   // within A's span
    Block("C", 1100, 1300, 10, 10);
    Block("D", 1300, 1060, 10, 20);   // within A's span
    Lock("C");  // fixed members are grouped too
    auto cluster = ClusterOf({Handle("C"), Handle("D"), Handle("B"), Handle("A")});
    const std::unique_ptr<TCluster> rows = GroupIntoRows(*cluster);
    ASSERT_EQ(rows->Count(), 3);
    // Sorted by centre Y: B (1040) first; A (1050) is not within B's span and
    // starts a row that D (1060) joins.
    EXPECT_EQ(FirstHandle(*rows->Items(0)), Handle("B"));
    EXPECT_EQ(rows->Items(0)->Count(), 1);
    EXPECT_EQ(FirstHandle(*rows->Items(1)), Handle("A"));
    EXPECT_EQ(rows->Items(1)->Count(), 2);
    EXPECT_EQ(FirstHandle(*rows->Items(2)), Handle("C"));
    EXPECT_EQ(GroupIntoRows(TCluster())->Count(), 0);
}

TEST_F(ClusterAlignment, SnapTiesGoToTheHigherLine) {
    EXPECT_EQ(SnapOffsetToGrid(1240000, 500000), 1000000);
    EXPECT_EQ(SnapOffsetToGrid(1250000, 500000), 1500000);
    EXPECT_EQ(SnapOffsetToGrid(1260000, 500000), 1500000);
    EXPECT_EQ(SnapOffsetToGrid(0, 500000), 0);
    // Left of the origin Trunc cuts toward zero: the candidates are -1000000 and
    // -500000, so -1300000 lands on -1000000 although -1500000 is nearer.
    EXPECT_EQ(SnapOffsetToGrid(-1300000, 500000), -1000000);
    EXPECT_EQ(SnapOffsetToGrid(-1240000, 500000), -1000000);
    // A fractional grid rounds each line half to even: the lines are
    // Round(12.5) = 12 and Round(14.5) = 14, and 13 ties to the higher.
    EXPECT_EQ(SnapOffsetToGrid(13, 2.5), 14);
}

TEST_F(ClusterAlignment, SnappingMovesReferencePointsFromTheOrigin) {
    Block("A", 124, 125, 10, 10);
    Block("B", 300, 312.4, 10, 10);
    Lock("B");
    board->componentGrid = 500000;
    board->origin = {Mil(0), Mil(0)};
    auto cluster = ClusterOf({Handle("A"), Handle("B")});
    SnapComponentsToGrid(*cluster, board->Handle());
    EXPECT_EQ(Position("A").x, 1000000);
    EXPECT_EQ(Position("A").y, 1500000);
    EXPECT_EQ(Position("B").x, 3000000);
    EXPECT_EQ(Position("B").y, 3000000);

    board->origin = {Mil(3), Mil(-7)};
    SnapComponentsToGrid(*cluster, board->Handle());
    EXPECT_EQ(Position("A").x, Mil(103));
    EXPECT_EQ(Position("A").y, Mil(143));

    // A grid below one unit, of either sign, leaves everything.
    for (double grid : {0.9, -0.5}) {
        board->componentGrid = grid;
        SnapComponentsToGrid(*cluster, board->Handle());
        EXPECT_EQ(Position("A").x, Mil(103));
        EXPECT_EQ(Position("B").y, Mil(293));
    }
}

TEST_F(ClusterAlignment, ClusterOfSelectedTakesTheSelectionInHostOrder) {
    Block("A", 1000, 1000, 10, 10);
    Block("B", 1100, 1000, 10, 10);
    Block("C", 1200, 1000, 10, 10);
    Block("D", 1300, 1000, 10, 10);
    Select({"D", "B", "C"});
    Lock("C");
    const std::unique_ptr<TCluster> cluster = ClusterOfSelected(board->Handle());
    EXPECT_EQ(cluster->ComponentHandles(), (TFastListOf<PcbHandle>{Handle("B"), Handle("D"), Handle("C")}));
    EXPECT_EQ(cluster->FixedGroups.Count(), 1);
    EXPECT_EQ(ClusterOfSelected(nullptr)->ComponentCount(), 0);
}

}  // namespace
}  // namespace autoplacer::test
