// Courtyards as KiCad's design-rule check pairs and compares them, and a component's
// extent (and what an iterator over it yields) leaving out the drawings a reader marks
// as no part of it.
#include "HostFixture.h"

#include "hostpcb/Courtyard.h"

namespace hostpcb::test {
namespace {

class CourtyardTest : public HostTest {
protected:
    // A part with a rectangular courtyard of w × h centred on `at` (tracks on the
    // courtyard layer), optionally one through-hole pad at its centre.
    Component& Part(const std::string& name, Point at, Coord w, Coord h, LayerNumber side = PCB_TOP_LAYER,
                    bool throughHole = false) {
        Component& c = board->AddComponent(name, "P", at, 0, side);
        const Point corners[] = {{at.x - w / 2, at.y - h / 2}, {at.x + w / 2, at.y - h / 2}, {at.x + w / 2, at.y + h / 2},
                                 {at.x - w / 2, at.y + h / 2}};
        for (int i = 0; i < 4; ++i) board->AddTrack(&c, corners[i], corners[(i + 1) % 4], 500, kCourtyardLayer);
        PadGeometry pad;
        pad.shape = PadShape::Round;
        pad.sizeX = pad.sizeY = 10000;
        pad.holeSize = throughHole ? 5000 : 0;
        board->AddPad(&c, "1", at, pad, throughHole ? PCB_MULTI_LAYER : side);
        return c;
    }
    static bool Meet(const Component& a, const Component& b, double gap = 0) {
        return CourtyardsMeet(ComponentCourtyard(a), ComponentCourtyard(b), gap);
    }
};

TEST_F(CourtyardTest, OverlapCrossingNestingTouchingAndGap) {
    Component& a = Part("A", {0, 0}, 100000, 100000);
    Component& crossing = Part("B", {80000, 20000}, 100000, 100000);
    Component& inside = Part("C", {0, 0}, 20000, 20000);
    Component& touching = Part("D", {100000, 0}, 100000, 40000);
    Component& apart = Part("E", {0, 80000}, 100000, 40000);  // 10000 above A
    EXPECT_TRUE(Meet(a, crossing));
    EXPECT_TRUE(Meet(a, inside));
    EXPECT_TRUE(Meet(inside, a));
    EXPECT_FALSE(Meet(a, touching));  // shared edge: no overlap at gap 0
    EXPECT_TRUE(Meet(a, touching, 1));
    EXPECT_FALSE(Meet(a, apart));
    EXPECT_FALSE(Meet(a, apart, 10000));  // exactly the gap apart keeps it
    EXPECT_TRUE(Meet(a, apart, 10001));
    // A part without courtyard meets nothing, as in KiCad.
    Component& bare = board->AddComponent("F", "P", {0, 0}, 0, PCB_TOP_LAYER);
    EXPECT_TRUE(ComponentCourtyard(bare).Empty());
    EXPECT_FALSE(Meet(a, bare));
}

TEST_F(CourtyardTest, ShapesFollowMovesAndTurns) {
    Component& a = Part("A", {0, 0}, 100000, 20000);
    Component& b = Part("B", {0, 55000}, 20000, 20000);
    EXPECT_FALSE(Meet(a, b));
    a.SetRotation(90);  // now 20000 wide and 100000 tall
    EXPECT_TRUE(Meet(a, b));
    a.SetPosition({200000, 0});
    EXPECT_FALSE(Meet(a, b));
    const CourtyardShape moved = Shifted(ComponentCourtyard(a), -200000, 0);
    EXPECT_TRUE(CourtyardsMeet(moved, ComponentCourtyard(b), 0));
}

TEST_F(CourtyardTest, OppositeSidesConflictOnlyByThroughHoles) {
    const Component& top = Part("T", {0, 0}, 100000, 100000);
    const Component& bottom = Part("B", {0, 0}, 100000, 100000, PCB_BOTTOM_LAYER);
    const Component& under = Part("J", {0, 0}, 100000, 100000, PCB_BOTTOM_LAYER, true);
    // Its hole lies 20000 right of the top part's courtyard; its courtyard still overlaps.
    const Component& beside = Part("K", {70000, 0}, 100000, 100000, PCB_BOTTOM_LAYER, true);
    const auto conflict = [](const Component& a, const Component& b) {
        return CourtyardsConflict(a, ComponentCourtyard(a), b, ComponentCourtyard(b));
    };
    EXPECT_FALSE(HasThroughHolePads(top));
    EXPECT_TRUE(HasThroughHolePads(under));
    EXPECT_FALSE(conflict(top, bottom));
    EXPECT_TRUE(conflict(top, under));
    EXPECT_TRUE(conflict(under, top));
    EXPECT_FALSE(conflict(top, beside));
    EXPECT_TRUE(conflict(under, beside));  // same side: courtyards
}

TEST_F(CourtyardTest, DrawingsOutsideTheExtentDoNotCount) {
    Component& a = Part("A", {0, 0}, 100000, 100000);
    Track& silk = board->AddTrack(&a, {0, 0}, {400000, 0}, 1000, PCB_TOP_OVERLAY);
    EXPECT_GT(a.Bounds().x2, 300000);
    const auto tracksSeen = [&] {
        int n = 0;
        const PcbHandle it = PcbApi_CreateIterator(a.Handle(), PCB_TRACK, 2, LayerToId(0));
        for (PcbHandle h = PcbApi_GetFirstObject(it); h != nullptr; h = PcbApi_GetNextObject(it)) ++n;
        PcbApi_DestroyIterator(it);
        return n;
    };
    EXPECT_EQ(tracksSeen(), 5);
    silk.SetInExtent(false);
    EXPECT_EQ(a.Bounds(), (Box{-50250, -50250, 50250, 50250}));  // the courtyard with its line width
    EXPECT_EQ(tracksSeen(), 4);  // a placer iterating the component sees its extent only
    a.SetPosition({1000, 0});
    EXPECT_EQ(a.Bounds().x2, 51250);
    silk.SetInExtent(true);
    EXPECT_GT(a.Bounds().x2, 300000);
}

}  // namespace
}  // namespace hostpcb::test
