// Primitives snapshots of the keep-out layer, components and polygons, and the
// board's default power nets.
#include <cmath>
#include <numbers>

#include "engines/GeometryFixture.h"
#include "model/PrimitivesList.h"

namespace autoplacer::test {
namespace {

using Primitives = GeometryTest;
using hostpcb::PolyVertex;

PolyVertex Corner(double xMils, double yMils) {
    PolyVertex v;
    v.p = At(xMils, yMils);
    return v;
}

PolyVertex ArcVertex(double cxMils, double cyMils, double radiusMils, double start, double end) {
    PolyVertex v;
    v.isArc = true;
    v.centre = At(cxMils, cyMils);
    v.radius = Mil(radiusMils);
    v.startAngle = start;
    v.endAngle = end;
    return v;
}

TEST_F(Primitives, BoardWithoutKeepOutObjectsGivesEmptyLists) {
    hostpcb::BoardBuilder(*board).Soic("U1", 8, At(500, 500));
    board->AddTrack(nullptr, At(0, 0), At(100, 0), Mil(10), PCB_TOP_LAYER);
    const TPrimitivesList list(BoardHandle());
    EXPECT_TRUE(list.Tracks.Empty());
    EXPECT_TRUE(list.Arcs.Empty());
    EXPECT_TRUE(list.Fills.Empty());
    EXPECT_TRUE(list.Polygons.Empty());
    EXPECT_TRUE(list.Pads.Empty());
}

TEST_F(Primitives, BoardSourceSortsKeepOutObjectsByKind) {
    board->AddTrack(nullptr, At(0, 0), At(1000, 0), Mil(10), PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(0, 0), At(0, 1000), Mil(10), PCB_TOP_LAYER);  // not keep-out
    board->AddArc(nullptr, At(500, 500), Mil(100), 0, 90, Mil(10), PCB_KEEP_OUT_LAYER);
    board->AddFill(nullptr, At(100, 200), At(300, 400), PCB_KEEP_OUT_LAYER);
    board->AddPad(nullptr, "KO", At(700, 700), hostpcb::PadGeometry{hostpcb::PadShape::Round, Mil(40), Mil(40)},
                  PCB_KEEP_OUT_LAYER);
    board->AddPolygon(hostpcb::ObjectKind::Polygon, {Corner(0, 0), Corner(10, 0), Corner(10, 10)}, PCB_KEEP_OUT_LAYER);
    board->AddText(nullptr, "note", At(50, 50), Mil(50), 0, PCB_KEEP_OUT_LAYER);

    const TPrimitivesList list(BoardHandle());
    ASSERT_EQ(list.Tracks.Count(), 1);
    EXPECT_EQ(list.Tracks[0]->X2, Mil(1000));
    EXPECT_EQ(list.Tracks[0]->Y2, 0);
    ASSERT_EQ(list.Arcs.Count(), 1);
    EXPECT_DOUBLE_EQ(list.Arcs[0]->EndAngle, 90.0);
    EXPECT_NEAR(list.Arcs[0]->EndX, Mil(500), 1e-6);
    EXPECT_NEAR(list.Arcs[0]->EndY, Mil(600), 1e-6);
    ASSERT_EQ(list.Fills.Count(), 1);
    // The fill's host bounding rectangle, in the Left, Top, Right, Bottom order.
    EXPECT_LE(list.Fills[0]->Left, Mil(100));
    EXPECT_GE(list.Fills[0]->Top, Mil(400));
    EXPECT_GT(list.Fills[0]->Top, list.Fills[0]->Bottom);
    ASSERT_EQ(list.Polygons.Count(), 1);
    EXPECT_EQ(list.Polygons[0]->VertexCount(), 3);
    ASSERT_EQ(list.Pads.Count(), 1);
    EXPECT_EQ(list.Pads[0]->GetX(), Mil(700));
}

TEST_F(Primitives, ComponentSourceGathersAllItsPrimitivesWhateverTheirLayer) {
    hostpcb::Component& c = hostpcb::BoardBuilder(*board).Soic("U1", 8, At(500, 500));
    board->AddArc(&c, At(500, 500), Mil(20), 0, 180, Mil(5), PCB_BOTTOM_OVERLAY);
    const TPrimitivesList list(c.Handle());
    EXPECT_EQ(list.Pads.Count(), 8);
    EXPECT_EQ(list.Tracks.Count(), 4);  // the body outline on the overlay
    EXPECT_EQ(list.Arcs.Count(), 1);
    EXPECT_TRUE(list.Polygons.Empty());
}

TEST_F(Primitives, FullCircleIsStoredAsAWholeTurn) {
    board->AddArc(nullptr, At(500, 500), Mil(100), 0, 0, Mil(10), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(900, 500), Mil(100), 90, 90.5, Mil(10), PCB_KEEP_OUT_LAYER);
    const TPrimitivesList list(BoardHandle());
    ASSERT_EQ(list.Arcs.Count(), 2);
    const TArcRecord& circle = *list.Arcs[0];
    EXPECT_DOUBLE_EQ(circle.StartAngle, 0.0);
    EXPECT_DOUBLE_EQ(circle.EndAngle, 360.0);
    EXPECT_DOUBLE_EQ(circle.EndX, circle.StartX);
    EXPECT_DOUBLE_EQ(circle.EndY, circle.StartY);
    EXPECT_DOUBLE_EQ(list.Arcs[1]->EndAngle, 450.5);
    // The end point comes from the arc's own angle.
    EXPECT_NEAR(list.Arcs[1]->EndX, Mil(900) + Mil(100) * std::cos(90.5 * std::numbers::pi / 180), 1e-6);
}

TEST_F(Primitives, PolygonOutlineClosesAndTurnsArcVerticesIntoArcs) {
    hostpcb::PolygonObject& square = board->AddPolygon(
        hostpcb::ObjectKind::Polygon, {Corner(0, 0), Corner(100, 0), Corner(100, 100), Corner(0, 100)}, PCB_TOP_LAYER);
    const TPrimitivesList fromSquare(square.Handle());
    ASSERT_EQ(fromSquare.Tracks.Count(), 4);
    const TSegmentRecord& closing = *fromSquare.Tracks[3];
    EXPECT_EQ(closing.X1, 0);
    EXPECT_EQ(closing.Y1, Mil(100));
    EXPECT_EQ(closing.X2, 0);
    EXPECT_EQ(closing.Y2, 0);
    EXPECT_TRUE(fromSquare.Polygons.Empty());  // a polygon source fills only tracks and arcs

    // A rounded end: the arc vertex gives an arc and no segment of its own.
    hostpcb::PolygonObject& rounded =
        board->AddPolygon(hostpcb::ObjectKind::Polygon,
                          {Corner(0, 0), Corner(100, 0), ArcVertex(100, 50, 50, 270, 90), Corner(100, 100), Corner(0, 100)},
                          PCB_TOP_LAYER);
    const TPrimitivesList fromRounded(rounded.Handle());
    EXPECT_EQ(fromRounded.Tracks.Count(), 4);
    ASSERT_EQ(fromRounded.Arcs.Count(), 1);
    EXPECT_DOUBLE_EQ(fromRounded.Arcs[0]->StartAngle, 270.0);
    EXPECT_DOUBLE_EQ(fromRounded.Arcs[0]->EndAngle, 90.0);  // no turn added, unlike board arcs
    EXPECT_NEAR(fromRounded.Arcs[0]->StartY, 0.0, 1e-6);

    // A split plane as a source is no polygon: nothing is gathered.
    hostpcb::PolygonObject& plane = board->AddPolygon(hostpcb::ObjectKind::SplitPlane,
                                                      {Corner(0, 0), Corner(10, 0), Corner(10, 10)}, 39);
    const TPrimitivesList fromPlane(plane.Handle());
    EXPECT_TRUE(fromPlane.Tracks.Empty());
    TPrimitivesList read;
    read.ReadOutline(plane.Handle());
    EXPECT_EQ(read.Tracks.Count(), 3);
}

TEST_F(Primitives, PowerNetsComeFromPlanesLargestNetsAndRulesOnceEach) {
    hostpcb::Net& a = board->AddNet("SIG_A");
    hostpcb::Net& b = board->AddNet("SIG_B");
    hostpcb::Net& vcc = board->AddNet("VCC");
    hostpcb::Net& rail = board->AddNet("RAIL");
    board->AddNet("EMPTY");
    const auto tracks = [&](hostpcb::Net& net, int count) {
        for (int i = 0; i < count; ++i) {
            board->AddTrack(nullptr, At(i * 10, 0), At(i * 10, 5), Mil(1), PCB_TOP_LAYER, &net);
        }
    };
    tracks(a, 5);     // best at first, then overtaken by SIG_B; never moved to second
    tracks(b, 10);
    tracks(vcc, 2);   // with its plane 3 objects: the second
    tracks(rail, 1);
    board->AddPolygon(hostpcb::ObjectKind::SplitPlane, {Corner(0, 0), Corner(10, 0), Corner(10, 10)}, 39, &vcc);
    hostpcb::BoardBuilder(*board).PowerNets({hostpcb::ScopeNet("RAIL"), hostpcb::ScopeNet("VCC")});

    const auto nets = FindPowerNets(BoardHandle());
    ASSERT_EQ(nets->Count(), 3);
    EXPECT_EQ((*nets)[0], vcc.Handle());   // plane nets first
    EXPECT_EQ((*nets)[1], b.Handle());     // largest
    EXPECT_EQ((*nets)[2], rail.Handle());  // rule nets; VCC again is dropped
}

}  // namespace
}  // namespace autoplacer::test
