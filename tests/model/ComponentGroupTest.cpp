// Rectangular component groups on real host geometry: the quarter-turn
// mappings, the angles ApplyTransform accepts, layer sets and member queries.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/ClusterFixture.h"
#include "model/ComponentGroup.h"
#include "model/PadAnalyzer.h"
#include "model/PlacedComponent.h"

namespace autoplacer::test {
namespace {

using GroupTest = ClusterTest;

double Normalised(double angle) {
    const double a = std::fmod(angle, 360.0);
    return a < 0 ? a + 360.0 : a;
}

// Three parts of different sizes: R1 at the top left, U1 in the middle, R2 at the bottom right.
void BuildThreeParts(hostpcb::Board& board) {
    hostpcb::BoardBuilder build(board);
    build.Chip("R1", "0805", {hostpcb::MilsToUnits(1000), hostpcb::MilsToUnits(1400)});
    build.Soic("U1", 8, {hostpcb::MilsToUnits(1300), hostpcb::MilsToUnits(1200)});
    build.Chip("R2", "1206", {hostpcb::MilsToUnits(1700), hostpcb::MilsToUnits(1000)}, 90);
}

TEST_F(GroupTest, TurnQuarter90KeepsTheLowerLeftCornerAndSendsTheOldTopLeftToTheNewTopRight) {
    BuildThreeParts(*board);
    TRectangularComponentGroup group;
    group.AddComponent(nullptr);
    for (const char* d : {"R1", "U1", "R2"}) {
        group.AddComponent(Handle(d));
    }
    const TRect old = group.Rect;
    ASSERT_EQ(old, Union(Union(Extent("R1"), Extent("R2")), Extent("U1")));
    ASSERT_EQ(group.OldRect, old);
    ASSERT_EQ(Extent("R1").Left, old.Left);
    ASSERT_EQ(Extent("R1").Top, old.Top);
    const double r2Angle = Angle("R2");

    group.TurnQuarter90();

    const TRect turned = Rect(old.Left, old.Bottom + RectWidth(old), old.Left + RectHeight(old), old.Bottom);
    EXPECT_EQ(group.Rect, turned);
    EXPECT_EQ(group.OldRect, turned);
    EXPECT_DOUBLE_EQ(Angle("R1"), 90.0);
    EXPECT_DOUBLE_EQ(Angle("R2"), Normalised(r2Angle + 90));
    // Together the members fill the new rectangle exactly.
    EXPECT_EQ(Union(Union(Extent("R1"), Extent("R2")), Extent("U1")), turned);
    EXPECT_EQ(Extent("R1").Right, turned.Right);
    EXPECT_EQ(Extent("R1").Top, turned.Top);
    EXPECT_EQ(Extent("R2").Left, turned.Left);  // the old bottom-right, now bottom-left
    EXPECT_EQ(Extent("R2").Bottom, turned.Bottom);
}

TEST_F(GroupTest, ApplyTransformBringsTheAngleIntoOneTurnAndIgnoresOtherAngles) {
    BuildThreeParts(*board);
    struct Case {
        double rotation;
        double turn;
    };
    for (const Case c : {Case{450, 90}, Case{-90, 270}, Case{-180, 180}, Case{359.95, 0}, Case{630.05, 270}}) {
        SCOPED_TRACE(c.rotation);
        TRectangularComponentGroup group;
        group.AddComponent(Handle("U1"));
        group.AddComponent(Handle("R1"));
        const TRect old = group.Rect;
        const double before = Angle("U1");
        const bool quarter = c.turn == 90 || c.turn == 270;
        const int32_t w = quarter ? RectHeight(old) : RectWidth(old);
        const int32_t h = quarter ? RectWidth(old) : RectHeight(old);
        group.Rect = Rect(old.Left + 5000, old.Bottom + 7000 + h, old.Left + 5000 + w, old.Bottom + 7000);
        group.Rotation = c.rotation;
        group.ApplyTransform();
        EXPECT_DOUBLE_EQ(Angle("U1"), Normalised(before + c.turn));
        EXPECT_EQ(Union(Extent("U1"), Extent("R1")), group.Rect);
        EXPECT_EQ(group.OldRect, group.Rect);
        EXPECT_EQ(group.Rotation, 0.0);
    }

    // 45 degrees is no quarter turn: nothing moves and the angle stays for the caller to see.
    TRectangularComponentGroup group;
    group.AddComponent(Handle("R2"));
    const TRect old = group.Rect;
    const TRect before = Extent("R2");
    group.Rect = OffsetRect(old, 100000, 0);
    group.Rotation = 45;
    group.ApplyTransform();
    EXPECT_EQ(Extent("R2"), before);
    EXPECT_EQ(group.Rotation, 45.0);
    EXPECT_EQ(group.OldRect, old);
}

TEST_F(GroupTest, LayerSetStopsOnceBothSidesAreSeen) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(200, 100), 0, PCB_BOTTOM_LAYER);
    build.Chip("R3", "0603", At(300, 100));

    TRectangularComponentGroup stops;
    for (const char* d : {"R1", "R2", "R3"}) {
        stops.AddComponent(Handle(d));
    }
    // A third member whose record names another layer is never looked at.
    stops[2]->SetLayer(PCB_MULTI_LAYER);
    TLayerSet layers;
    layers.set(5);
    GetLayerSet(stops, layers);
    EXPECT_EQ(layers.count(), 2u);
    EXPECT_TRUE(layers.test(PCB_TOP_LAYER));
    EXPECT_TRUE(layers.test(PCB_BOTTOM_LAYER));

    TRectangularComponentGroup walksOn;
    for (const char* d : {"R1", "R3", "R2"}) {
        walksOn.AddComponent(Handle(d));
    }
    walksOn[1]->SetLayer(PCB_MULTI_LAYER);
    GetLayerSet(walksOn, layers);
    EXPECT_EQ(layers.count(), 3u);
    EXPECT_TRUE(layers.test(PCB_MULTI_LAYER));

    TRectangularComponentGroup topOnly;
    topOnly.AddComponent(Handle("R1"));
    GetLayerSet(topOnly, layers);
    EXPECT_EQ(layers.count(), 1u);
}

TEST_F(GroupTest, MemberQueriesTakeTheLargestPatternAndTheFirstOfTheFewestRotations) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Soic("U1", 16, At(400, 400));
    build.Chip("C1", "0805", At(200, 100));
    build.Chip("C2", "0805", At(300, 100));
    build.Header("J1", 4, 1, At(600, 600));
    build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent("C1")});
    build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent("C2")});

    TRectangularComponentGroup group;
    EXPECT_EQ(MaxPadPattern(group), 0);
    EXPECT_EQ(FewestRotationsMember(group), nullptr);
    for (const char* d : {"R1", "U1", "C1", "C2"}) {
        group.AddComponent(Handle(d));
    }
    ASSERT_GT(AnalyzePadPattern(Handle("U1")), 0);
    EXPECT_EQ(MaxPadPattern(group), AnalyzePadPattern(Handle("U1")));
    EXPECT_EQ(MaxMemberWidth(group), RectWidth(Extent("U1")));
    ASSERT_NE(FewestRotationsMember(group), nullptr);
    EXPECT_EQ(FewestRotationsMember(group)->Handle, Handle("C1"));
    EXPECT_FALSE(AnyMultiLayerPads(group));
    group.AddComponent(Handle("J1"));
    EXPECT_TRUE(AnyMultiLayerPads(group));
}

TEST_F(GroupTest, TheFirstMemberDecidesWhetherTheOutlineIsIrregular) {
    hostpcb::BoardBuilder build(*board);
    build.LShaped("L1", At(1000, 1000));
    build.Soic("U1", 8, At(2000, 1000));

    TRectangularComponentGroup lFirst;
    lFirst.AddComponent(Handle("L1"));
    EXPECT_TRUE(lFirst.IrregularOutline);
    lFirst.AddComponent(Handle("U1"));
    EXPECT_TRUE(lFirst.IrregularOutline);

    TRectangularComponentGroup soicFirst;
    soicFirst.AddComponent(Handle("U1"));
    soicFirst.AddComponent(Handle("L1"));
    EXPECT_FALSE(soicFirst.IrregularOutline);
}

}  // namespace
}  // namespace autoplacer::test
