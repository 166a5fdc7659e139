#include <gtest/gtest.h>

#include <cmath>

#include "app/Metrics.h"
#include "hostpcb/Host.h"

namespace {

using hostpcb::Board;
using hostpcb::Component;
using hostpcb::Point;

constexpr hostpcb::Coord kMm = 393701;  // about a millimetre; the figures below use exact host units

class MetricsTest : public ::testing::Test {
protected:
    void SetUp() override { board_ = &hostpcb::Host::Instance().CreateBoard("metrics"); }
    void TearDown() override { hostpcb::Host::Instance().DestroyBoard(*board_); }

    // A part with two round pads and a square courtyard of side `size` about its origin.
    Component& Part(const std::string& name, Point at, hostpcb::Coord size, int side = PCB_TOP_LAYER) {
        Component& c = board_->AddComponent(name, "P", at, 0, side);
        hostpcb::PadGeometry g;
        g.sizeX = g.sizeY = kMm / 2;
        board_->AddPad(&c, "1", {at.x - kMm, at.y}, g, side);
        board_->AddPad(&c, "2", {at.x + kMm, at.y}, g, side);
        const hostpcb::Coord h = size / 2;
        const Point corners[] = {{at.x - h, at.y - h}, {at.x + h, at.y - h}, {at.x + h, at.y + h}, {at.x - h, at.y + h}};
        for (int i = 0; i < 4; ++i) board_->AddTrack(&c, corners[i], corners[(i + 1) % 4], 0, app::kCourtyardLayer);
        return c;
    }
    void Outline(hostpcb::Coord x1, hostpcb::Coord y1, hostpcb::Coord x2, hostpcb::Coord y2) {
        const Point c[] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
        for (int i = 0; i < 4; ++i) board_->AddTrack(nullptr, c[i], c[(i + 1) % 4], 100000, PCB_KEEP_OUT_LAYER);
    }

    Board* board_ = nullptr;
};

TEST_F(MetricsTest, SpanningTreeAndHalfPerimeterOfOneNet) {
    // Three pads at the corners of a 3-4-5 right triangle: the tree takes the two legs.
    Component& a = Part("A", {0, 0}, 2 * kMm);
    Component& b = Part("B", {30000000, 0}, 2 * kMm);
    Component& c = Part("C", {0, 40000000}, 2 * kMm);
    hostpcb::Net& net = board_->AddNet("N");
    board_->AddToNet(net, *a.FindPad("1"));
    board_->AddToNet(net, *b.FindPad("1"));
    board_->AddToNet(net, *c.FindPad("1"));
    const std::vector<app::Segment> tree = app::NetSpanningTree(net);
    ASSERT_EQ(tree.size(), 2u);
    const app::BoardMetrics m = app::MeasureBoard(*board_);
    EXPECT_DOUBLE_EQ(m.connectionLength, 30000000.0 + 40000000.0);
    EXPECT_DOUBLE_EQ(m.halfPerimeter, 30000000.0 + 40000000.0);
    // A single-pad net adds nothing.
    board_->AddToNet(board_->AddNet("Single"), *a.FindPad("2"));
    EXPECT_DOUBLE_EQ(app::MeasureBoard(*board_).connectionLength, 70000000.0);
}

TEST_F(MetricsTest, CourtyardsTurnedByFortyFiveDegreesAreJudgedByTheirOutlines) {
    // A diamond courtyard (a square turned by 45 degrees) reaching 5.5 mm from its
    // centre, by the chamfered corner of a square outline: the corner of its box lies
    // beyond the chamfer, the diamond does not.
    const Point outline[] = {{4 * kMm, 0}, {20 * kMm, 0}, {20 * kMm, 20 * kMm}, {0, 20 * kMm}, {0, 4 * kMm}};
    for (int i = 0; i < 5; ++i) board_->AddTrack(nullptr, outline[i], outline[(i + 1) % 5], 100000, PCB_KEEP_OUT_LAYER);
    const Point at{6 * kMm, 6 * kMm};
    Component& diamond = board_->AddComponent("U1", "Q", at, 0, PCB_TOP_LAYER);
    const hostpcb::Coord r = 5 * kMm + kMm / 2;
    const Point tips[] = {{at.x + r, at.y}, {at.x, at.y + r}, {at.x - r, at.y}, {at.x, at.y - r}};
    for (int i = 0; i < 4; ++i) board_->AddTrack(&diamond, tips[i], tips[(i + 1) % 4], 0, app::kCourtyardLayer);
    EXPECT_EQ(app::MeasureBoard(*board_).outsideOutline, 0);
    // A small part in the corner of the diamond's box meets the box, not the diamond.
    Component& small = Part("C1", {at.x + 4 * kMm, at.y + 4 * kMm}, 2 * kMm);
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 0);
    small.SetPosition({at.x + 2 * kMm, at.y + 2 * kMm});
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 1);
    // Moved nearer the corner, the diamond itself crosses the outline.
    diamond.SetPosition({kMm, kMm});
    EXPECT_EQ(app::MeasureBoard(*board_).outsideOutline, 1);
}

TEST_F(MetricsTest, APartWithoutCourtyardMeetsACourtyardOnlyWhereItsOutlineReaches) {
    const Point at{6 * kMm, 6 * kMm};
    Component& diamond = board_->AddComponent("U1", "Q", at, 0, PCB_TOP_LAYER);
    const hostpcb::Coord r = 5 * kMm;
    const Point tips[] = {{at.x + r, at.y}, {at.x, at.y + r}, {at.x - r, at.y}, {at.x, at.y - r}};
    for (int i = 0; i < 4; ++i) board_->AddTrack(&diamond, tips[i], tips[(i + 1) % 4], 0, app::kCourtyardLayer);
    // A test point judged by its pad's box, in the corner of the diamond's box.
    Component& point = board_->AddComponent("TP1", "TP", {at.x + 4 * kMm, at.y + 4 * kMm}, 0, PCB_TOP_LAYER);
    hostpcb::PadGeometry g;
    g.sizeX = g.sizeY = kMm;
    board_->AddPad(&point, "1", point.Position(), g, PCB_TOP_LAYER);
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 0);
    point.SetPosition({at.x + 2 * kMm, at.y + 2 * kMm});
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 1);
    // Artwork over both is not judged.
    Component& logo = board_->AddComponent("LOGO1", "Logo", at, 0, PCB_TOP_LAYER);
    board_->AddTrack(&logo, {at.x - 3 * kMm, at.y}, {at.x + 3 * kMm, at.y}, kMm, PCB_TOP_OVERLAY);
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 1);
}

TEST_F(MetricsTest, OverlapsCountOnTheSameSideOnly) {
    Part("A", {0, 0}, 4 * kMm);
    Part("B", {3 * kMm, 0}, 4 * kMm);                    // overlaps A
    Part("C", {8 * kMm, 0}, 4 * kMm);                    // a millimetre clear of B
    Part("D", {1 * kMm, 0}, 4 * kMm, PCB_BOTTOM_LAYER);  // under A and B, other side
    Part("E", {12 * kMm, 0}, 4 * kMm);                   // edge to edge with C: touching is no overlap
    EXPECT_EQ(app::MeasureBoard(*board_).overlappingPairs, 1);
}

TEST_F(MetricsTest, ComponentsOutsideTheOutline) {
    Outline(0, 0, 50 * kMm, 50 * kMm);
    Part("In", {25 * kMm, 25 * kMm}, 4 * kMm);
    Part("Across", {50 * kMm, 25 * kMm}, 4 * kMm);
    Part("Out", {80 * kMm, 25 * kMm}, 4 * kMm);
    // A cut-out inside the board: the even-odd rule puts it outside.
    const Point hole[] = {{10 * kMm, 10 * kMm}, {20 * kMm, 10 * kMm}, {20 * kMm, 20 * kMm}, {10 * kMm, 20 * kMm}};
    for (int i = 0; i < 4; ++i) board_->AddTrack(nullptr, hole[i], hole[(i + 1) % 4], 100000, PCB_KEEP_OUT_LAYER);
    Part("InHole", {15 * kMm, 15 * kMm}, 4 * kMm);
    const app::BoardMetrics m = app::MeasureBoard(*board_);
    EXPECT_TRUE(m.hasOutline);
    EXPECT_EQ(m.outsideOutline, 3);
}

TEST_F(MetricsTest, ExtentsPreferTheCourtyard) {
    Component& withCourtyard = Part("A", {0, 0}, 6 * kMm);
    Component& bare = board_->AddComponent("B", "P", {20 * kMm, 0});
    hostpcb::PadGeometry g;
    g.shape = hostpcb::PadShape::Rect;
    g.sizeX = 2 * kMm;
    g.sizeY = kMm;
    board_->AddPad(&bare, "1", {20 * kMm, 0}, g, PCB_TOP_LAYER);
    const std::vector<app::ComponentExtent> extents = app::ComponentExtents(*board_);
    ASSERT_EQ(extents.size(), 2u);
    EXPECT_TRUE(extents[0].courtyard);
    EXPECT_EQ(extents[0].component, &withCourtyard);
    EXPECT_EQ(extents[0].box.x2 - extents[0].box.x1, 6 * kMm);
    EXPECT_FALSE(extents[1].courtyard);
    EXPECT_NEAR(extents[1].box.x2 - extents[1].box.x1, 2 * kMm, 2);
    EXPECT_NEAR(extents[1].box.y2 - extents[1].box.y1, kMm, 2);
}

}  // namespace
