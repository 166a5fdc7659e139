// Keep-out validity, the rectangle legality test and component collisions, judged
// on the host stand-in's real shapes.
#include "engines/GeometryFixture.h"
#include "engines/KeepOut.h"
#include "host/PcbApi.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"
#include "engines/ComponentCollisions.h"
#include "model/ComponentShape.h"

namespace autoplacer::test {
namespace {

class KeepOut : public GeometryTest {
protected:
    // Validates the board's keep-out the way the driver does.
    bool Validate() {
        list = std::make_unique<TPrimitivesList>(BoardHandle());
        context.Board = BoardHandle();
        context.KeepOutPrimitives = list.get();
        return ValidateKeepOut(context);
    }

    std::unique_ptr<TPrimitivesList> list;
    TPlacementContext context;
};

TEST_F(KeepOut, BoardsWithoutAnAreaOnTheKeepOutLayerAreInvalid) {
    EXPECT_FALSE(Validate());
    board->AddText(nullptr, "OUTLINE", At(0, 0), Mil(50), 0, PCB_KEEP_OUT_LAYER);
    EXPECT_FALSE(Validate());  // seen, but texts span nothing
    board->AddTrack(nullptr, At(0, 0), At(1000, 0), 0, PCB_KEEP_OUT_LAYER);
    EXPECT_FALSE(Validate());  // a line without width has no height
    context.KeepOutIsRectangular = true;
    EXPECT_FALSE(Validate());
    EXPECT_TRUE(context.KeepOutIsRectangular);  // left as it was
}

TEST_F(KeepOut, StopRequestEndsTheExtentScanWithWhatWasGathered) {
    board->AddTrack(nullptr, At(0, 0), At(1000, 1000), 0, PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(0, 0), At(3000, 2000), 0, PCB_KEEP_OUT_LAYER);
    PlacementRunning = true;
    StopRequested = true;
    StopConfirmed = true;
    TRect extent;
    const bool found = GetKeepOutExtent(BoardHandle(), extent);
    PlacementRunning = StopRequested = StopConfirmed = false;
    EXPECT_TRUE(found);
    EXPECT_EQ(extent, R(0, 1000, 1000, 0));  // the first track only

    ASSERT_TRUE(GetKeepOutExtent(BoardHandle(), extent));
    EXPECT_EQ(extent, R(0, 2000, 3000, 0));
}

TEST_F(KeepOut, FourTracksMakeARectangularKeepOutUntilAFillIsAdded) {
    hostpcb::BoardBuilder(*board).RectOutline(Mil(1000), Mil(1000), Mil(3000), Mil(2000), 0);
    ASSERT_TRUE(Validate());
    EXPECT_EQ(context.KeepOutExtent, R(1000, 2000, 3000, 1000));
    EXPECT_TRUE(context.KeepOutIsRectangular);

    board->AddFill(nullptr, At(1500, 1500), At(1600, 1600), PCB_KEEP_OUT_LAYER);
    ASSERT_TRUE(Validate());
    EXPECT_FALSE(context.KeepOutIsRectangular);
    EXPECT_EQ(context.KeepOutExtent, R(1000, 2000, 3000, 1000));  // the fill lies inside
}

TEST_F(KeepOut, LShapedAndRoundedOutlinesAreValidButNotRectangular) {
    KeepOutPolyline({{0, 0}, {1000, 0}, {1000, 400}, {400, 400}, {400, 1000}, {0, 1000}});
    ASSERT_TRUE(Validate());
    EXPECT_FALSE(context.KeepOutIsRectangular);

    hostpcb::Host::Instance().Reset();
    board = &hostpcb::Host::Instance().CreateBoard("rounded.kicad_pcb");
    // Corners rounded with 50 mil: a point 10 mil inside each corner is off the board.
    board->AddTrack(nullptr, At(50, 0), At(950, 0), 0, PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(1000, 50), At(1000, 450), 0, PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(950, 500), At(50, 500), 0, PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(0, 450), At(0, 50), 0, PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(950, 50), Mil(50), 270, 360, 0, PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(950, 450), Mil(50), 0, 90, 0, PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(50, 450), Mil(50), 90, 180, 0, PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(50, 50), Mil(50), 180, 270, 0, PCB_KEEP_OUT_LAYER);
    ASSERT_TRUE(Validate());
    EXPECT_EQ(context.KeepOutExtent, R(0, 500, 1000, 0));
    EXPECT_FALSE(context.KeepOutIsRectangular);
    EXPECT_TRUE(RectIsLegal(R(100, 400, 900, 100), *list, 0));
    EXPECT_FALSE(RectIsLegal(R(5, 495, 500, 300), *list, 0));  // its corner is off the rounded corner
}

TEST_F(KeepOut, NotchedEdgeOrTwoBoardsSideBySideAreNotRectangular) {
    // All four corners of the extent are on the board, but the notch is not.
    KeepOutPolyline({{0, 0}, {400, 0}, {400, 200}, {600, 200}, {600, 0}, {1000, 0}, {1000, 1000}, {0, 1000}});
    ASSERT_TRUE(Validate());
    EXPECT_FALSE(context.KeepOutIsRectangular);
    EXPECT_FALSE(RectIsLegal(R(450, 150, 550, 50), *list, 0));

    hostpcb::Host::Instance().Reset();
    board = &hostpcb::Host::Instance().CreateBoard("two.kicad_pcb");
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(1000), Mil(1000), 0).RectOutline(Mil(1200), 0, Mil(2000),
                                                                                          Mil(1000), 0);
    ASSERT_TRUE(Validate());
    EXPECT_EQ(context.KeepOutExtent, R(0, 1000, 2000, 0));
    EXPECT_FALSE(context.KeepOutIsRectangular);
    EXPECT_TRUE(RectIsLegal(R(1300, 900, 1900, 100), *list, 0));   // on the second board
    EXPECT_FALSE(RectIsLegal(R(1050, 900, 1150, 100), *list, 0));  // in the gap
}

TEST_F(KeepOut, RectangleTouchingOrCrossingTheOutlineIsNotLegal) {
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(1000), Mil(1000), Mil(10));
    ASSERT_TRUE(Validate());
    EXPECT_TRUE(RectIsLegal(R(100, 900, 900, 100), *list, 0));
    EXPECT_TRUE(RectHitsKeepOut(R(500, 600, 1100, 400), *list, 0));  // crosses the right side
    EXPECT_FALSE(RectIsLegal(R(500, 600, 1100, 400), *list, 0));
    EXPECT_FALSE(RectIsLegal(R(1100, 600, 1200, 400), *list, 0));   // wholly outside
    EXPECT_FALSE(RectIsLegal(R(-100, 1100, 1100, -100), *list, 0));  // encloses the board
    // The track width and the clearance play no part against tracks.
    EXPECT_TRUE(RectIsLegal(Rect(Mil(100), Mil(900), Mil(1000) - 101, Mil(100)), *list, Mil(50)));
    EXPECT_FALSE(RectIsLegal(Rect(Mil(100), Mil(900), Mil(1000) - 100, Mil(100)), *list, 0));
}

TEST_F(KeepOut, FilledKeepOutsAndKeepOutPadsAreObstaclesWithClearance) {
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(2000), Mil(2000), 0);
    board->AddFill(nullptr, At(900, 900), At(1100, 1100), PCB_KEEP_OUT_LAYER);
    board->AddPad(nullptr, "H1", At(1500, 500), hostpcb::PadGeometry{hostpcb::PadShape::Round, Mil(100), Mil(100)},
                  PCB_KEEP_OUT_LAYER);
    ASSERT_TRUE(Validate());
    EXPECT_FALSE(context.KeepOutIsRectangular);

    EXPECT_TRUE(RectHitsKeepOut(R(1000, 1050, 1300, 1000), *list, 0));   // overlaps the fill
    EXPECT_FALSE(RectHitsKeepOut(R(1150, 1050, 1300, 1000), *list, 0));  // 50 mil right of it
    EXPECT_TRUE(RectHitsKeepOut(R(1150, 1050, 1300, 1000), *list, Mil(60)));
    EXPECT_TRUE(RectHitsKeepOut(R(1450, 520, 1600, 480), *list, 0));  // on the keep-out pad
    EXPECT_FALSE(RectHitsKeepOut(R(1600, 520, 1700, 480), *list, 0));
    EXPECT_TRUE(RectHitsKeepOut(R(1600, 520, 1700, 480), *list, Mil(60)));
    EXPECT_TRUE(RectIsLegal(R(100, 300, 300, 100), *list, Mil(60)));
}

// A keep-out pad on one side's copper (a board frame's contact on the back) is in
// the way of that side's parts only; one through the board of both sides'.
TEST_F(KeepOut, APadOnOneSidesCopperKeepsOutThatSideOnly) {
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(2000), Mil(2000), 0);
    hostpcb::Component& frame = board->AddComponent("F1", "Frame", At(1000, 1000));
    const hostpcb::PadGeometry pad{hostpcb::PadShape::Round, Mil(100), Mil(100)};
    board->AddPad(&frame, "B", At(500, 500), pad, PCB_BOTTOM_LAYER);
    board->AddPad(&frame, "H", At(1500, 500), pad, PCB_MULTI_LAYER);
    ASSERT_TRUE(Validate());
    list->AddPadsOf(frame.Handle());
    const TRect onBack = R(450, 550, 550, 450);
    const TRect onHole = R(1450, 550, 1550, 450);
    EXPECT_FALSE(RectHitsKeepOut(onBack, *list, 0, TOutlineSearch::Remembered, TopSide));
    EXPECT_TRUE(RectHitsKeepOut(onBack, *list, 0, TOutlineSearch::Remembered, BottomSide));
    EXPECT_TRUE(RectHitsKeepOut(onBack, *list, 0));
    EXPECT_TRUE(RectHitsKeepOut(onHole, *list, 0, TOutlineSearch::Remembered, TopSide));
    EXPECT_TRUE(RectHitsKeepOut(onHole, *list, 0, TOutlineSearch::Remembered, BottomSide));
}

TEST_F(KeepOut, PolygonShapeIsMetBySidesOrByTheTopLeftCornerOnly) {
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(3000), Mil(3000), 0);
    std::vector<hostpcb::PolyVertex> diamond(4);
    diamond[0].p = At(1500, 1000);
    diamond[1].p = At(2000, 1500);
    diamond[2].p = At(1500, 2000);
    diamond[3].p = At(1000, 1500);
    board->AddPolygon(hostpcb::ObjectKind::Polygon, diamond, PCB_KEEP_OUT_LAYER);
    ASSERT_TRUE(Validate());
    ASSERT_EQ(list->Polygons.Count(), 1);

    EXPECT_TRUE(RectHitsKeepOut(R(1400, 1600, 1600, 1400), *list, 0));   // inside the diamond
    EXPECT_TRUE(RectHitsKeepOut(R(1800, 1600, 2200, 1400), *list, 0));   // a side crosses its edge
    EXPECT_FALSE(RectHitsKeepOut(R(2100, 1600, 2200, 1400), *list, 0));
    EXPECT_TRUE(RectHitsKeepOut(R(2100, 1600, 2200, 1400), *list, Mil(110)));
    // Encloses the whole diamond, its top-left corner is outside it and no side
    // crosses the outline: the shape is not met.
    const std::size_t objects = hostpcb::Host::Instance().LiveObjectCount();
    EXPECT_FALSE(RectHitsKeepOut(R(900, 2100, 2100, 900), *list, 0));
    EXPECT_EQ(hostpcb::Host::Instance().LiveObjectCount(), objects);  // temporary shapes are gone
}

TEST_F(KeepOut, SplitPlaneIsMetOnlyBySides) {
    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(3000), Mil(3000), 0);
    std::vector<hostpcb::PolyVertex> square(4);
    square[0].p = At(1000, 1000);
    square[1].p = At(2000, 1000);
    square[2].p = At(2000, 2000);
    square[3].p = At(1000, 2000);
    board->AddPolygon(hostpcb::ObjectKind::SplitPlane, square, PCB_KEEP_OUT_LAYER);
    ASSERT_TRUE(Validate());
    EXPECT_TRUE(RectHitsKeepOut(R(1900, 1600, 2100, 1400), *list, 0));
    EXPECT_FALSE(RectHitsKeepOut(R(1400, 1600, 1600, 1400), *list, 0));  // wholly inside a split plane
}

TEST_F(KeepOut, RectangularFastPathKeepsTheClearanceInsideTheArea) {
    const TRect area = R(0, 1000, 1000, 0);
    EXPECT_TRUE(RectFitsAreaWithGap(R(10, 990, 990, 10), area, Mil(10)));
    EXPECT_FALSE(RectFitsAreaWithGap(R(10, 990, 990, 10), area, Mil(10) + 1));
    EXPECT_TRUE(RectFitsAreaWithGap(area, area, 0));

    hostpcb::BoardBuilder(*board).RectOutline(0, 0, Mil(1000), Mil(1000), 0);
    ASSERT_TRUE(Validate());
    ASSERT_TRUE(context.KeepOutIsRectangular);
    EXPECT_TRUE(RectFitsKeepOut(context, context.KeepOutExtent, R(0, 1000, 500, 500), 0));
    EXPECT_FALSE(RectFitsKeepOut(context, R(0, 500, 500, 0), R(0, 1000, 500, 500), 0));  // another area
    context.KeepOutIsRectangular = false;
    EXPECT_FALSE(RectFitsKeepOut(context, context.KeepOutExtent, R(0, 1000, 500, 500), 0));  // on the outline
    EXPECT_TRUE(RectFitsKeepOut(context, context.KeepOutExtent, R(10, 990, 500, 500), 0));
}

using Components = GeometryTest;

TEST_F(Components, PartsOnOppositeSidesCollideWhenTheyOverlapInPlan) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0805", At(1000, 1000), 0, PCB_TOP_LAYER);
    build.Chip("R2", "0805", At(1010, 1000), 0, PCB_BOTTOM_LAYER);
    build.Chip("R3", "0805", At(1300, 1000), 0, PCB_BOTTOM_LAYER);
    // R2 is mirrored: its pad 2 lies under R1's pad 1.
    const hostpcb::Pad* pad = board->FindComponent("R2")->FindPad("2");
    // The host alone keeps the sides apart.
    EXPECT_EQ(PcbApi::PCBAPI_CheckPrimitivesOverlapWithClearance(board->FindComponent("R1")->FindPad("1")->Handle(),
                                                                  pad->Handle(), 0),
              0);
    const std::size_t objects = hostpcb::Host::Instance().LiveObjectCount();

    EXPECT_TRUE(ComponentPrimitivesOverlap(Handle("R1"), Handle("R2"), 0));
    EXPECT_TRUE(ComponentsCollide(Handle("R1"), Handle("R2"), 0));
    EXPECT_FALSE(ComponentsCollide(Handle("R1"), Handle("R3"), 0));
    EXPECT_TRUE(ComponentsCollide(Handle("R1"), Handle("R3"), Mil(300)));
    // Layers are put back and no temporary object is left behind.
    EXPECT_EQ(pad->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(hostpcb::Host::Instance().LiveObjectCount(), objects);
}

TEST_F(Components, PartInsideARingCollidesWithoutTouchingIt) {
    hostpcb::Component& ring = board->AddComponent("SH1", "Shield", At(2000, 2000));
    board->AddArc(&ring, At(2000, 2000), Mil(200), 0, 360, Mil(10), PCB_TOP_OVERLAY);
    board->AddPad(&ring, "1", At(2200, 2000), hostpcb::PadGeometry{hostpcb::PadShape::Round, Mil(40), Mil(40)},
                  PCB_TOP_LAYER);
    hostpcb::BoardBuilder build(*board);
    build.Chip("C1", "0603", At(2000, 2000));
    build.Chip("C2", "0603", At(2190, 2190));  // in the ring's extent, outside the ring

    EXPECT_FALSE(ComponentPrimitivesOverlap(Handle("SH1"), Handle("C1"), 0));
    EXPECT_TRUE(PointEnclosedByComponent(P(2000, 2000), Handle("SH1")));
    EXPECT_TRUE(ComponentsNested(Handle("C1"), Handle("SH1")));
    EXPECT_TRUE(ComponentsNested(Handle("SH1"), Handle("C1")));
    EXPECT_TRUE(ComponentsCollide(Handle("C1"), Handle("SH1"), 0));

    EXPECT_FALSE(PointEnclosedByComponent(P(2190, 2190), Handle("SH1")));
    EXPECT_FALSE(ComponentsCollide(Handle("C2"), Handle("SH1"), 0));
    // On the ring itself, but a square of 10 mil half-size around the point does
    // not fit in the extent.
    EXPECT_FALSE(PointEnclosedByComponent(P(2000, 2200), Handle("SH1")));
    EXPECT_TRUE(PointEnclosedByComponent(P(2195, 2000), Handle("SH1")));
}

TEST_F(Components, EmptyCornersAndPointsOnOrInsideTheOutline) {
    hostpcb::BoardBuilder build(*board);
    build.LShaped("U1", At(1000, 1000));       // 10 mm L: its top-right corner is empty
    build.Qfp("U2", 64, At(3000, 3000));       // body outline reaches every corner
    build.LShaped("U3", At(1000, 3000), 0, PCB_BOTTOM_LAYER);
    build.Chip("R1", "0603", At(5000, 5000));  // smaller than one corner square
    build.Qfp("U4", 64, At(5000, 3000), 0, PCB_BOTTOM_LAYER);

    EXPECT_TRUE(ComponentHasEmptyCorner(Handle("U1")));
    EXPECT_TRUE(ComponentHasEmptyCorner(Handle("U3")));
    EXPECT_FALSE(ComponentHasEmptyCorner(Handle("U2")));
    EXPECT_FALSE(ComponentHasEmptyCorner(Handle("R1")));
    EXPECT_FALSE(ComponentHasEmptyCorner(Handle("U4")));  // its primitives are on the bottom layers

    const double mm = 1000.0 / 25.4;  // mils per millimetre
    EXPECT_TRUE(PointOnOrInComponent(Handle("U1"), P(1000 + 2 * mm, 1000 + 2 * mm)));   // on pad 1
    EXPECT_TRUE(PointOnOrInComponent(Handle("U1"), P(1000 + 1 * mm, 1000 + 6 * mm)));   // inside the L
    EXPECT_FALSE(PointOnOrInComponent(Handle("U1"), P(1000 + 7 * mm, 1000 + 7 * mm)));  // in its empty corner
    // Bottom side: mirrored, and its pads lie on the bottom layer.
    EXPECT_TRUE(PointOnOrInComponent(Handle("U3"), P(1000 - 2 * mm, 3000 + 2 * mm)));
    EXPECT_TRUE(RectTouchesComponent(Handle("U3"), R(1000 - 2.1 * mm, 3000 + 2.1 * mm, 1000 - 1.9 * mm, 3000 + 1.9 * mm)));
    EXPECT_FALSE(PointOnOrInComponent(Handle("U3"), P(1000 - 7 * mm, 3000 + 7 * mm)));
}

TEST_F(Components, ExtentsOverlapHonoursTheClearance) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0805", At(1000, 1000));
    build.Chip("R2", "0805", At(1200, 1000));
    const TRect r1 = ComponentExtentRect(Handle("R1"));
    const TRect r2 = ComponentExtentRect(Handle("R2"));
    const int32_t gap = r2.Left - r1.Right;
    ASSERT_GT(gap, 0);
    EXPECT_FALSE(ComponentExtentsOverlap(Handle("R1"), Handle("R2"), gap));
    EXPECT_TRUE(ComponentExtentsOverlap(Handle("R1"), Handle("R2"), gap + 1));
}

}  // namespace
}  // namespace autoplacer::test
