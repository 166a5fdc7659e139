// Overlap with clearance at its exact boundary, and bounding rectangles of real shapes.
#include <cmath>

#include "HostFixture.h"

namespace hostpcb::test {
namespace {

class Geometry : public HostTest {
protected:
    Pad& FreePad(Point at, PadShape shape, Coord sx, Coord sy, double rotation, LayerNumber layer = PCB_TOP_LAYER) {
        PadGeometry g;
        g.shape = shape;
        g.sizeX = sx;
        g.sizeY = sy;
        g.rotation = rotation;
        return board->AddPad(nullptr, "1", at, g, layer);
    }
};

TEST_F(Geometry, FillsTouchingOrOneUnitApartAtEachClearance) {
    PcbHandle a = MakeFill(0, 0, 100, 100);
    PcbHandle touching = MakeFill(100, 0, 200, 100);
    EXPECT_TRUE(Overlap(a, touching, 0));
    PcbHandle apart = MakeFill(101, 20, 200, 50);
    EXPECT_FALSE(Overlap(a, apart, 0));
    EXPECT_FALSE(Overlap(a, apart, 1));  // exactly the clearance away is not closer than it
    EXPECT_TRUE(Overlap(a, apart, 2));
    // Diagonal corners 3-4-5 apart.
    PcbHandle corner = MakeFill(103, 104, 200, 200);
    EXPECT_FALSE(Overlap(a, corner, 5));
    EXPECT_TRUE(Overlap(a, corner, 6));
}

TEST_F(Geometry, RoundPadsUseTheirCirclesNotTheirBoxes) {
    Pad& a = FreePad({0, 0}, PadShape::Round, 100, 100, 0);
    Pad& b = FreePad({150, 0}, PadShape::Round, 100, 100, 0);
    EXPECT_FALSE(Overlap(a.Handle(), b.Handle(), 50));
    EXPECT_TRUE(Overlap(a.Handle(), b.Handle(), 51));
    // Boxes of these two touch at the corner, the circles are 41.4 apart.
    Pad& c = FreePad({100, 100}, PadShape::Round, 100, 100, 0);
    EXPECT_FALSE(Overlap(a.Handle(), c.Handle(), 41));
    EXPECT_TRUE(Overlap(a.Handle(), c.Handle(), 42));
}

TEST_F(Geometry, RotatedPadsUseTheirTurnedOutline) {
    // A 1000 square turned 45 degrees reaches 707.1 along X.
    Pad& pad = FreePad({0, 0}, PadShape::Rect, 1000, 1000, 45);
    EXPECT_TRUE(Overlap(pad.Handle(), MakeFill(707, -10, 900, 10), 0));
    EXPECT_FALSE(Overlap(pad.Handle(), MakeFill(708, -10, 900, 10), 0));
    EXPECT_TRUE(Overlap(pad.Handle(), MakeFill(708, -10, 900, 10), 1));
    // Unturned, the same square would reach the fill at 600 only with its corner region
    // missing: near the corner of its box the turned pad is far away.
    EXPECT_FALSE(Overlap(pad.Handle(), MakeFill(400, 400, 500, 500), 0));
    // A 200 x 100 pad turned 90 degrees spans 100 along Y.
    Pad& tall = FreePad({0, 5000}, PadShape::Rect, 200, 100, 90);
    EXPECT_TRUE(Overlap(tall.Handle(), MakeFill(-10, 5100, 10, 5200), 0));
    EXPECT_FALSE(Overlap(tall.Handle(), MakeFill(51, 4990, 80, 5010), 0));
    EXPECT_TRUE(Overlap(tall.Handle(), MakeFill(50, 4990, 80, 5010), 0));
}

TEST_F(Geometry, OvalAndRoundedRectanglePadsKeepTheirRoundEnds) {
    Pad& oval = FreePad({0, 0}, PadShape::Oval, 300, 100, 0);  // capsule, ends at x = +-150
    EXPECT_TRUE(Overlap(oval.Handle(), MakeFill(150, -5, 160, 5), 0));
    EXPECT_FALSE(Overlap(oval.Handle(), MakeFill(145, 45, 160, 60), 0));  // the rounded corner is cut away
    PadGeometry g;
    g.shape = PadShape::RoundedRect;
    g.sizeX = 400;
    g.sizeY = 400;
    g.cornerRadius = 100;
    Pad& rr = board->AddPad(nullptr, "2", {5000, 0}, g, PCB_TOP_LAYER);
    EXPECT_TRUE(Overlap(rr.Handle(), MakeFill(5200, -10, 5300, 10), 0));     // flat side
    EXPECT_FALSE(Overlap(rr.Handle(), MakeFill(5175, 175, 5300, 300), 0));  // corner: 100*(sqrt2-1)+... away
}

TEST_F(Geometry, ArcsUseTheirSweepAndWidth) {
    // Quarter arc from 0 to 90 degrees, radius 1000, width 100: outer edge at 1050.
    Arc& arc = board->AddArc(nullptr, {0, 0}, 1000, 0, 90, 100, PCB_TOP_LAYER);
    EXPECT_TRUE(Overlap(arc.Handle(), MakeFill(1050, -10, 1100, 10), 0));
    EXPECT_FALSE(Overlap(arc.Handle(), MakeFill(1051, -10, 1100, 10), 1));
    EXPECT_TRUE(Overlap(arc.Handle(), MakeFill(1051, -10, 1100, 10), 2));
    // Inside the ring, at the centre: 950 from the inner edge.
    EXPECT_FALSE(Overlap(arc.Handle(), MakeFill(-10, -10, 10, 10), 900));
    // Opposite the sweep: only the arc's end points are near.
    PcbHandle left = MakeFill(-1100, -10, -1051, 10);
    EXPECT_FALSE(Overlap(arc.Handle(), left, 100));
    Arc& circle = board->AddArc(nullptr, {0, 0}, 1000, 0, 0, 100, PCB_TOP_LAYER);  // equal angles: full circle
    EXPECT_FALSE(Overlap(circle.Handle(), left, 1));
    EXPECT_TRUE(Overlap(circle.Handle(), left, 2));
    // Two concentric arcs 200 apart where their sweeps share a direction.
    Arc& outer = board->AddArc(nullptr, {0, 0}, 1200, 45, 60, 0, PCB_TOP_LAYER);
    Arc& inner = board->AddArc(nullptr, {0, 0}, 1000, 50, 120, 0, PCB_TOP_LAYER);
    EXPECT_FALSE(Overlap(outer.Handle(), inner.Handle(), 200));
    EXPECT_TRUE(Overlap(outer.Handle(), inner.Handle(), 201));
}

TEST_F(Geometry, OnlySameLayerOrMultiLayerObjectsMeet) {
    Pad& top = FreePad({0, 0}, PadShape::Rect, 100, 100, 0, PCB_TOP_LAYER);
    EXPECT_FALSE(Overlap(top.Handle(), MakeFill(-50, -50, 50, 50, PCB_BOTTOM_LAYER), 0));
    EXPECT_FALSE(Overlap(top.Handle(), MakeFill(-50, -50, 50, 50, PCB_KEEP_OUT_LAYER), 0));
    EXPECT_TRUE(Overlap(top.Handle(), MakeFill(-50, -50, 50, 50, PCB_MULTI_LAYER), 0));
    Pad& through = FreePad({0, 0}, PadShape::Round, 100, 100, 0, PCB_MULTI_LAYER);
    EXPECT_TRUE(Overlap(through.Handle(), MakeFill(-50, -50, 50, 50, PCB_BOTTOM_LAYER), 0));
}

TEST_F(Geometry, DegenerateShapesStillMeet) {
    Pad& pad = FreePad({0, 0}, PadShape::Rect, 100, 100, 0);
    EXPECT_TRUE(Overlap(pad.Handle(), MakeFill(10, 10, 10, 10), 0));  // zero-size fill inside
    EXPECT_TRUE(Overlap(pad.Handle(), MakeFill(50, 50, 50, 50), 0));  // on the corner
    EXPECT_FALSE(Overlap(pad.Handle(), MakeFill(53, 54, 53, 54), 5));
    EXPECT_TRUE(Overlap(pad.Handle(), MakeFill(53, 54, 53, 54), 6));
    Track& dot = board->AddTrack(nullptr, {200, 0}, {200, 0}, 0, PCB_TOP_LAYER);  // zero length, zero width
    EXPECT_FALSE(Overlap(pad.Handle(), dot.Handle(), 150));
    EXPECT_TRUE(Overlap(pad.Handle(), dot.Handle(), 151));
    Track& wide = board->AddTrack(nullptr, {300, -500}, {300, 500}, 500, PCB_TOP_LAYER);  // edge at 50
    EXPECT_TRUE(Overlap(pad.Handle(), wide.Handle(), 0));
    wide.SetWidth(498);  // edge at 51
    EXPECT_FALSE(Overlap(pad.Handle(), wide.Handle(), 1));
    EXPECT_TRUE(Overlap(pad.Handle(), wide.Handle(), 2));
    EXPECT_FALSE(Overlap(pad.Handle(), pad.Handle(), 0)) << "an object is not its own obstacle";
}

TEST_F(Geometry, BoundingRectanglesOfTurnedPadsArcsAndTexts) {
    Pad& tall = FreePad({1000, 1000}, PadShape::Rect, 200, 100, 90);
    EXPECT_EQ(Bounds(tall.Handle()), (Box{950, 900, 1050, 1100}));
    Pad& diamond = FreePad({0, 0}, PadShape::Rect, 1000, 1000, 45);
    const Box d = Bounds(diamond.Handle());
    EXPECT_NEAR(d.x2, 707.1, 1.0);
    EXPECT_NEAR(d.y1, -707.1, 1.0);
    EXPECT_GE(d.x2, 708) << "the box must enclose the shape";

    Arc& quarter = board->AddArc(nullptr, {0, 0}, 1000, 0, 90, 100, PCB_TOP_LAYER);
    EXPECT_EQ(Bounds(quarter.Handle()), (Box{-50, -50, 1050, 1050}));
    Arc& top = board->AddArc(nullptr, {0, 0}, 1000, 45, 135, 0, PCB_TOP_LAYER);
    const Box t = Bounds(top.Handle());
    EXPECT_EQ(t.y2, 1000) << "the arc passes its 90 degree extreme";
    EXPECT_NEAR(t.y1, 707.1, 1.0);
    EXPECT_NEAR(t.x1, -707.1, 1.0);

    Text& text = board->AddText(nullptr, "R12", {0, 0}, 1000, 90, PCB_TOP_OVERLAY);
    const Box tb = Bounds(text.Handle());
    EXPECT_EQ(tb, (Box{-1000, 0, 0, 2100}));  // 3 characters of 0.7 height, turned up
}

TEST_F(Geometry, ComponentBoxCoversItsPrimitivesButNotItsTexts) {
    BoardBuilder build(*board);
    Component& r = build.Chip("R1", "0603", {MilsToUnits(1000), MilsToUnits(1000)});
    const Box b = Bounds(r.Handle());
    for (Pad* p : r.Pads()) {
        const Box pb = p->Bounds();
        EXPECT_TRUE(b.x1 <= pb.x1 && b.x2 >= pb.x2 && b.y1 <= pb.y1 && b.y2 >= pb.y2);
    }
    EXPECT_LT(b.y2, r.NameText()->Bounds().y1) << "the designator sits above and is left out";
}

}  // namespace
}  // namespace hostpcb::test
