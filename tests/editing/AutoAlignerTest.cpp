// Lining a component up with its similar neighbours: the size test, finding the
// row or column, cutting it at dissimilar parts, even spacing, and the 150 mil
// rule that drops an alignment as a whole.
#include "EditingFixture.h"
#include "editing/AutoAligner.h"
#include "hostpcb/Board.h"
#include "model/Cluster.h"

namespace autoplacer::test {
namespace {

using AutoAligner = EditingTest;

TEST(SimilarSize, TheSmallerIsAtLeastFourFifthsOfTheLarger) {
    EXPECT_TRUE(SimilarSize(80, 100));
    EXPECT_TRUE(SimilarSize(100, 80));
    EXPECT_FALSE(SimilarSize(79, 100));
    EXPECT_FALSE(SimilarSize(100, 79));
    EXPECT_TRUE(SimilarSize(0, 0));
    EXPECT_FALSE(SimilarSize(0, 1));
    // Host-sized values: 80 mil against 100 mil, and one unit less.
    EXPECT_TRUE(SimilarSize(800000, 1000000));
    EXPECT_FALSE(SimilarSize(799999, 1000000));
}

TEST_F(AutoAligner, AQuarterTurnedPartIsSimilarOnlyInEitherOrientation) {
    Block("W", 1000, 1000, 100, 50);
    Block("T", 2000, 1000, 50, 100);
    Block("S", 3000, 1000, 90, 45);
    EXPECT_FALSE(SimilarComponents(Handle("W"), Handle("T"), false));
    EXPECT_TRUE(SimilarComponents(Handle("W"), Handle("T"), true));
    EXPECT_TRUE(SimilarComponents(Handle("W"), Handle("S"), false));
    EXPECT_TRUE(SimilarComponents(Handle("T"), Handle("S"), true));
    Block("L", 4000, 1000, 100, 39);  // width similar, height not
    EXPECT_FALSE(SimilarComponents(Handle("W"), Handle("L"), true));
}

TEST_F(AutoAligner, DistributeRowSpacesTheInnerCentresAndKeepsTheEnds) {
    Block("A", 1040, 1000, 10, 10);
    Block("B", 1090, 1020, 10, 10);
    Block("C", 1000, 990, 10, 10);
    Block("D", 1010, 1005, 10, 10);
    THandleList two{Handle("A"), Handle("B")};
    DistributeRow(two);
    EXPECT_DOUBLE_EQ(CentreX("A"), 1040);
    EXPECT_DOUBLE_EQ(CentreX("B"), 1090);

    THandleList row{Handle("A"), Handle("B"), Handle("C"), Handle("D")};
    DistributeRow(row);
    EXPECT_DOUBLE_EQ(CentreX("C"), 1000);
    EXPECT_DOUBLE_EQ(CentreX("D"), 1030);
    EXPECT_DOUBLE_EQ(CentreX("A"), 1060);
    EXPECT_DOUBLE_EQ(CentreX("B"), 1090);
    EXPECT_DOUBLE_EQ(CentreY("D"), 1005);
    EXPECT_DOUBLE_EQ(CentreY("A"), 1000);
    EXPECT_EQ(row, (THandleList{Handle("C"), Handle("D"), Handle("A"), Handle("B")}));
}

TEST_F(AutoAligner, DistributeColumnTruncatesTheStep) {
    // Centres 0, 5 and 10 units + 1 unit: step (11 div 2) = 5.
    Block("A", 1000, 1000, 10, 10);
    Block("B", 1000, 1000.0001, 10, 10);
    Block("C", 1000, 1000.0011, 10, 10);
    THandleList column{Handle("C"), Handle("B"), Handle("A")};
    DistributeColumn(column);
    EXPECT_EQ(Position("B").y, Mil(1000) + 5);
    EXPECT_EQ(Position("B").x, Mil(1000));
}

TEST_F(AutoAligner, TheRowTakesSimilarMoveablePartsOnTheSameSideInTheBand) {
    Block("C", 1000, 1000, 40, 20);   // band y 976..1024, x 952..1048
    Block("R1", 1100, 1005, 40, 20);  // in the row
    Block("R2", 3000, 994, 38, 18);   // in the row, far away
    Block("Big", 1200, 1300, 100, 100);
    Block("L", 900, 1000, 40, 20);
    Lock("L");
    Block("S", 800, 1000, 40, 20, PCB_BOTTOM_LAYER);
    Block("Up", 1300, 1015, 40, 20);  // y 1005..1025 leaves the band
    Block("V", 1000, 1100, 40, 20);   // only in the column
    THandleList row{Handle("Big")};
    THandleList column{Handle("Big")};
    FindRowAndColumn(Handle("C"), board->Handle(), row, column);
    EXPECT_EQ(row, (THandleList{Handle("R1"), Handle("R2")}));
    EXPECT_TRUE(column.Empty());  // the shorter list is emptied
}

TEST_F(AutoAligner, ALongerColumnWinsAndATieKeepsTheRow) {
    Block("C", 1000, 1000, 20, 20);
    Block("R", 1100, 1000, 20, 20);
    Block("V1", 1000, 1100, 20, 20);
    THandleList row;
    THandleList column;
    FindRowAndColumn(Handle("C"), board->Handle(), row, column);
    EXPECT_EQ(row, THandleList{Handle("R")});
    EXPECT_TRUE(column.Empty());

    Block("V2", 1000, 1300, 20, 20);
    FindRowAndColumn(Handle("C"), board->Handle(), row, column);
    EXPECT_TRUE(row.Empty());
    EXPECT_EQ(column, (THandleList{Handle("V1"), Handle("V2")}));
}

TEST_F(AutoAligner, APartInBothBandsGoesWhereItIsFurtherOff) {
    Block("C", 1000, 1000, 40, 40);  // bands reach 28 mil beyond
    Block("A", 1005, 1020, 40, 40);  // 5 beside, 20 above: the column
    Block("B", 1020, 1005, 40, 40);  // 20 beside, 5 above: the row
    THandleList row;
    THandleList column;
    FindRowAndColumn(Handle("C"), board->Handle(), row, column);
    // One each: the tie empties the column.
    EXPECT_EQ(row, THandleList{Handle("B")});
    EXPECT_TRUE(column.Empty());
}

TEST_F(AutoAligner, ADissimilarPartAcrossTheRowCutsIt) {
    Block("C", 1000, 1000, 40, 20);
    Block("R1", 1100, 1000, 40, 20);
    Block("X", 1200, 1000, 60, 60);   // crosses y = 1000 between R1 and R2
    Block("R2", 1300, 1000, 40, 20);
    Block("R3", 700, 1000, 40, 20);
    Block("X2", 800, 1000, 60, 60);   // cuts the row on the left
    Block("Off", 1150, 1050, 20, 60); // dissimilar but above the centre line
    THandleList row;
    THandleList column;
    FindRowAndColumn(Handle("C"), board->Handle(), row, column);
    EXPECT_EQ(row, THandleList{Handle("R1")});

    // Without the blockers the whole row is kept.
    THandleList full{Handle("R1"), Handle("R2"), Handle("R3")};
    board->Remove(Part("X"));
    board->Remove(Part("X2"));
    TrimRow(full, Handle("C"), board->Handle());
    EXPECT_EQ(full.Count(), 3);
}

TEST_F(AutoAligner, TrimColumnCutsAboveAndBelow) {
    Block("C", 1000, 1000, 20, 40);
    Block("V1", 1000, 1100, 20, 40);
    Block("X", 1000, 1200, 60, 60);
    Block("V2", 1000, 1300, 20, 40);
    THandleList column{Handle("V1"), Handle("V2")};
    TrimColumn(column, Handle("C"), board->Handle());
    EXPECT_EQ(column, THandleList{Handle("V1")});
    THandleList empty;
    TrimColumn(empty, Handle("C"), board->Handle());
    EXPECT_TRUE(empty.Empty());
}

TEST_F(AutoAligner, NeighboursSnapIntoLineAndEvenSpacing) {
    Block("C", 1000, 1000, 40, 20);
    Block("R1", 1090, 1010, 40, 20);
    Block("R2", 1210, 995, 40, 20);
    AutoAlign(Handle("C"), board->Handle());
    EXPECT_DOUBLE_EQ(CentreX("R1"), 1105);
    EXPECT_DOUBLE_EQ(CentreY("R1"), 1000);
    EXPECT_DOUBLE_EQ(CentreX("R2"), 1210);
    EXPECT_DOUBLE_EQ(CentreY("R2"), 1000);
    EXPECT_EQ(Position("C"), (hostpcb::Point{Mil(1000), Mil(1000)}));
    EXPECT_TRUE(Part("R1").InBoard());
    EXPECT_GT(Part("R1").display.showCount, 0);
}

TEST_F(AutoAligner, AColumnLinesUpUnderTheComponent) {
    Block("C", 1000, 1000, 20, 40);
    Block("V1", 1012, 1100, 20, 40);
    Block("V2", 990, 1250, 20, 40);
    AutoAlign(Handle("C"), board->Handle());
    EXPECT_DOUBLE_EQ(CentreX("V1"), 1000);
    EXPECT_DOUBLE_EQ(CentreY("V1"), 1125);
    EXPECT_DOUBLE_EQ(CentreX("V2"), 1000);
    EXPECT_DOUBLE_EQ(CentreY("V2"), 1250);
}

TEST_F(AutoAligner, AMoveOfMoreThan150MilDropsTheWholeAlignment) {
    // Step (1502 - 1000) div 2 = 251: R1 would go from 1100 to 1251.
    Block("C", 1000, 1000, 40, 20);
    Block("R1", 1100, 1000, 40, 20);
    Block("R2", 1502, 1005, 40, 20);
    AutoAlign(Handle("C"), board->Handle());
    EXPECT_EQ(Position("R1"), (hostpcb::Point{Mil(1100), Mil(1000)}));
    EXPECT_EQ(Position("R2"), (hostpcb::Point{Mil(1502), Mil(1005)}));
    EXPECT_EQ(Position("C"), (hostpcb::Point{Mil(1000), Mil(1000)}));

    // Exactly 150 mil is still close enough.
    Part("R2").SetPosition({Mil(1500), Mil(1005)});
    AutoAlign(Handle("C"), board->Handle());
    EXPECT_EQ(Position("R1"), (hostpcb::Point{Mil(1250), Mil(1000)}));
    EXPECT_EQ(Position("R2"), (hostpcb::Point{Mil(1500), Mil(1000)}));
}

TEST_F(AutoAligner, TheEditedClusterIsPutBackIntoTheBoard) {
    Block("C", 1000, 1000, 40, 20);
    Block("R1", 1100, 1010, 40, 20);
    TCluster edited;
    edited.AddComponent(Handle("C"));
    edited.RemovedFromBoard = false;
    const int64_t invalidatesBefore = board->displayCounters.invalidates;
    AutoAlign(Handle("C"), board->Handle(), &edited);
    EXPECT_FALSE(edited.RemovedFromBoard);
    EXPECT_TRUE(Part("C").InBoard());
    EXPECT_TRUE(Part("R1").InBoard());
    EXPECT_DOUBLE_EQ(CentreY("R1"), 1000);
    EXPECT_GT(board->displayCounters.invalidates, invalidatesBefore);
}

}  // namespace
}  // namespace autoplacer::test
