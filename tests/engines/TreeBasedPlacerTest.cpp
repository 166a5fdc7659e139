// The floor-plan spread: cut direction, proportions and their rounding, where
// each component lands, and components that must not move.
#include <gtest/gtest.h>

#include "engines/PlanFixture.h"
#include "engines/TreeBasedPlacer.h"
#include "model/PlacedComponent.h"

namespace autoplacer {
namespace {

using plantest::Join;
using plantest::Leaf;

class TreeBasedPlacement : public plantest::PlanBoard {
protected:
    void TearDown() override {
        FreePairTree(tree);
        PlanBoard::TearDown();
    }
    // Lays the tree over the area; the fixture frees the tree.
    void Place(TPair* root, const TRect& area) {
        tree = root;
        TTreeBasedPlacer placer(nullptr, board->Handle(), area, root);
        placer.Run();
    }
    // The two slices the root of the tree cuts the area into.
    std::pair<TRect, TRect> Split(TPair* root, const TRect& area) {
        tree = root;
        TTreeBasedPlacer placer(nullptr, board->Handle(), area, root);
        std::pair<TRect, TRect> slices;
        placer.SplitRect(area, root, slices.first, slices.second);
        return slices;
    }
    // A square block whose area measure is side (side must be a square number's root squared).
    PcbHandle Square(const std::string& designator, hostpcb::Coord side, hostpcb::Point centre = {5000000, 5000000}) {
        return Block(designator, centre, side, side);
    }

    TPair* tree = nullptr;
};

TEST_F(TreeBasedPlacement, NilRootOrALoneLeafMovesNothing) {
    const PcbHandle a = Square("A", 100000);
    const hostpcb::Point before = Corner(a);
    Place(nullptr, Rect(0, 1000000, 1000000, 0));
    Place(Leaf(a), Rect(0, 1000000, 1000000, 0));
    EXPECT_EQ(Corner(a), before);
}

TEST_F(TreeBasedPlacement, EqualSizesOnASquareCutVerticallyInHalf) {
    const PcbHandle a = Square("A", 100000, {3000000, 4000000});
    const PcbHandle b = Square("B", 100000, {7000000, 2000000});
    Place(Join(50, Leaf(a), Leaf(b)), Rect(0, 1000000, 1000000, 0));
    EXPECT_EQ(Corner(a), (hostpcb::Point{0, 0}));
    EXPECT_EQ(Corner(b), (hostpcb::Point{500000, 0}));
}

TEST_F(TreeBasedPlacement, TallAreaCutsHorizontallyWithTheLeftChildBelow) {
    const PcbHandle a = Square("A", 100000);
    const PcbHandle b = Square("B", 100000);
    Place(Join(50, Leaf(a), Leaf(b)), Rect(1000000, 3000000, 2000000, 1000000));
    EXPECT_EQ(Corner(a), (hostpcb::Point{1000000, 1000000}));
    EXPECT_EQ(Corner(b), (hostpcb::Point{1000000, 2000000}));
}

TEST_F(TreeBasedPlacement, SlicesFollowTheSizesAndRoundHalvesToEven) {
    // Area measures Round(sqrt(w)) x Round(sqrt(h)): 10 x 10 = 100 and 30 x 10 = 300.
    const PcbHandle small = Block("S", {5000000, 5000000}, 100, 100);
    const PcbHandle wide = Block("W", {6000000, 5000000}, 900, 100);
    ASSERT_EQ(ComponentAreaMeasure(small), 100);
    ASSERT_EQ(ComponentAreaMeasure(wide), 300);

    // 10 x 0.25 = 2.5 rounds down to 2; 10 x 0.75 = 7.5 rounds up to 8.
    auto [left, right] = Split(Join(1, Leaf(small), Leaf(wide)), Rect(0, 5, 10, 0));
    EXPECT_EQ(left, Rect(0, 5, 2, 0));
    EXPECT_EQ(right, Rect(2, 5, 10, 0));
    FreePairTree(tree);
    std::tie(left, right) = Split(Join(1, Leaf(wide), Leaf(small)), Rect(0, 5, 10, 0));
    EXPECT_EQ(left, Rect(0, 5, 8, 0));
    FreePairTree(tree);
    // A horizontal cut measures from the bottom: 10 x 0.25 = 2.5 gives 2.
    std::tie(left, right) = Split(Join(1, Leaf(small), Leaf(wide)), Rect(0, 30, 5, 20));
    EXPECT_EQ(left, Rect(0, 22, 5, 20));
    EXPECT_EQ(right, Rect(0, 30, 5, 22));
}


TEST_F(TreeBasedPlacement, NestedSubtreesShareTheirParentsSlice) {
    // ((A, B), C) with equal sizes: the pair gets two thirds of the width and
    // cuts it again, now taller than wide, so A lands below B.
    const PcbHandle a = Square("A", 10000);
    const PcbHandle b = Square("B", 10000);
    const PcbHandle c = Square("C", 10000);
    Place(Join(10, Join(20, Leaf(a), Leaf(b)), Leaf(c)), Rect(0, 3000000, 3000000, 0));
    EXPECT_EQ(Corner(a), (hostpcb::Point{0, 0}));
    EXPECT_EQ(Corner(b), (hostpcb::Point{0, 1500000}));
    EXPECT_EQ(Corner(c), (hostpcb::Point{2000000, 0}));
}

TEST_F(TreeBasedPlacement, FixedComponentsKeepTheirPlaceAndTheirSlice) {
    // Sizes 600 x 600 and 200 x 200 in area measure: the locked part keeps 90 %.
    const PcbHandle locked = Square("F", 360000, {7000000, 7000000});
    const PcbHandle a = Square("A", 40000);
    Lock(locked);
    const hostpcb::Point before = Corner(locked);
    Place(Join(50, Leaf(locked), Leaf(a)), Rect(0, 1000000, 1000000, 0));
    EXPECT_EQ(Corner(locked), before);
    EXPECT_EQ(Corner(a), (hostpcb::Point{900000, 0}));
}

TEST_F(TreeBasedPlacement, ComponentsWithoutExtentStayAndTakeNoRoom) {
    // A part without arcs, pads or tracks has no corner to place; it measures
    // 0, so its sibling gets the whole slice.
    hostpcb::Component& empty = board->AddComponent("LOGO", "LOGO", {4000000, 4000000});
    const PcbHandle a = Square("A", 10000);
    Place(Join(5, Leaf(empty.Handle()), Leaf(a)), Rect(0, 1000000, 1000000, 0));
    EXPECT_EQ(empty.Position(), (hostpcb::Point{4000000, 4000000}));
    EXPECT_EQ(Corner(a), (hostpcb::Point{0, 0}));

    // Two such parts together split their slice evenly rather than dividing by zero.
    hostpcb::Component& other = board->AddComponent("LOGO2", "LOGO", {4500000, 4000000});
    FreePairTree(tree);
    const auto [left, right] = Split(Join(1, Leaf(empty.Handle()), Leaf(other.Handle())), Rect(0, 10, 100, 0));
    EXPECT_EQ(left, Rect(0, 10, 50, 0));
    EXPECT_EQ(right, Rect(50, 10, 100, 0));
}


}  // namespace
}  // namespace autoplacer
