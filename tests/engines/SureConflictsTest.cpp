// The judgements the member-extent test makes before the group moves, against
// what the host finds after the move: a sure overlap of two extents must be one
// for every rectangle within the margin, and a pad that surely meets a rectangle
// must meet it on the host wherever its part was shifted to, whatever its shape
// and turn.
#include <gtest/gtest.h>

#include <random>

#include "engines/GroupPlacerFixture.h"
#include "engines/SureConflicts.h"
#include "host/PcbApi.h"
#include "model/BoardQueries.h"
#include "model/TemporaryPrimitive.h"

namespace autoplacer::test {
namespace {

constexpr int64_t Margin = 4;

TEST(SurelyOverlapping, HoldsForEveryRectangleWithinTheMarginAsTheHostJudgesIt) {
    hostpcb::Host::Instance().Reset();
    std::mt19937 random(5);
    const auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(random); };
    int sure = 0;
    int sureApart = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t clearance = static_cast<int32_t>(i % 7 == 0 ? pick(-3, 3) : pick(0, 200000));
        const auto w = static_cast<int32_t>(pick(1, 12) == 1 ? pick(0, 10) : pick(11, 400000));
        const auto h = static_cast<int32_t>(pick(1, 12) == 1 ? pick(0, 10) : pick(11, 400000));
        const TRect b = Rect(0, h, w, 0);
        // a near b: overlapping, touching, or apart by about the clearance.
        const auto aw = static_cast<int32_t>(pick(1, 12) == 1 ? pick(0, 10) : pick(11, 400000));
        const auto ah = static_cast<int32_t>(pick(1, 12) == 1 ? pick(0, 10) : pick(11, 400000));
        const int64_t reachX = int64_t{clearance} + 2 * Margin;
        const auto ax = static_cast<int32_t>(i % 2 == 0 ? w + pick(-reachX, reachX) : pick(-aw - reachX, w + reachX));
        const auto ay = static_cast<int32_t>(i % 3 == 0 ? h + pick(-reachX, reachX) : pick(-ah - reachX, h + reachX));
        const int64_t dx = pick(-500000, 500000);
        const int64_t dy = pick(-500000, 500000);
        // a is given unshifted, as the test sees the member before its move.
        const TRect a = Rect(static_cast<int32_t>(ax - dx), static_cast<int32_t>(ay + ah - dy),
                             static_cast<int32_t>(ax + aw - dx), static_cast<int32_t>(ay - dy));
        if (!SurelyOverlapping(a, dx, dy, b, clearance, Margin)) {
            continue;
        }
        ++sure;
        sureApart += ax > w || ay > h ? 1 : 0;
        for (int k = 0; k < 4; ++k) {
            const auto off = [&] { return static_cast<int32_t>(pick(-Margin, Margin)); };
            const TRect moved = Rect(ax + off(), ay + ah + off(), ax + aw + off(), ay + off());
            ASSERT_TRUE(RectsOverlap(moved, b, clearance, TPlacerForms::Fast));
            ASSERT_TRUE(RectsOverlapByHost(moved, b, clearance))
                << ax << " " << ay << " " << aw << " " << ah << " / " << w << " " << h << " clearance " << clearance;
        }
    }
    EXPECT_GT(sure, 2000);
    EXPECT_GT(sureApart, 200);  // apart by less than the clearance, not only overlapping
    hostpcb::Host::Instance().Reset();
}

using SurelyMeetsTest = GroupPlacerTest;

// Pads of every shape at right and odd angles on a part that is then shifted;
// rectangles laid across each pad's sides and corners and around it.
TEST_F(SurelyMeetsTest, AnyPadShapeMeetsTheRectangleOnTheHostAfterTheShift) {
    std::mt19937 random(17);
    const auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(random); };
    const hostpcb::PadShape shapes[] = {hostpcb::PadShape::Round,     hostpcb::PadShape::Oval,
                                        hostpcb::PadShape::Rect,      hostpcb::PadShape::RoundedRect,
                                        hostpcb::PadShape::Trapezoid, hostpcb::PadShape::Custom};
    int sure = 0;
    int hostMet = 0;
    int sureApart = 0;
    for (int i = 0; i < 300; ++i) {
        hostpcb::Component& part = board->AddComponent("J" + std::to_string(i), "PART", At(5000, 5000));
        hostpcb::PadGeometry geometry;
        geometry.shape = shapes[i % 6];
        geometry.sizeX = static_cast<int32_t>(pick(20000, 900000));
        geometry.sizeY = static_cast<int32_t>(pick(20000, 900000));
        geometry.cornerRadius = static_cast<int32_t>(pick(0, 100000));
        geometry.trapezoidDelta = {static_cast<int32_t>(pick(-15000, 15000)), static_cast<int32_t>(pick(-15000, 15000))};
        // A custom outline that keeps clear of the pad's centre.
        geometry.customOutline = {{0, 100000}, {400000, 100000}, {400000, 300000}, {-200000, 300000}};
        geometry.holeSize = 10000;
        const double turns[] = {0.0, 90.0, 180.0, 270.0, 33.0, 128.5};
        geometry.rotation = turns[i % 6];
        const PcbHandle pad =
            board->AddPad(&part, "1", At(5000 + pick(-100, 100), 5000 + pick(-100, 100)), geometry, PCB_MULTI_LAYER)
                .Handle();
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        ASSERT_NE(PcbApi::PcbApi_QueryObjectBoundingRectangle(pad, &x1, &y1, &x2, &y2), 0);
        const TRect bounds = Rect(x1, y2, x2, y1);
        const int64_t dx = pick(-3000000, 3000000);
        const int64_t dy = pick(-3000000, 3000000);
        const hostpcb::Point origin = part.Position();
        part.SetPosition({static_cast<int32_t>(origin.x + dx), static_cast<int32_t>(origin.y + dy)});
        TTemporaryPrimitive fill(PCB_FILL);
        for (int k = 0; k < 60; ++k) {
            const int32_t clearance = static_cast<int32_t>(k % 3 == 0 ? 0 : pick(1, 150000));
            // Edges of the rectangle near the pad's sides, shifted with the part.
            const auto near = [&](int64_t edge, int64_t size) {
                return static_cast<int32_t>(edge + pick(-size / 2 - clearance, size / 2 + clearance));
            };
            const int64_t w = int64_t{x2} - x1;
            const int64_t h = int64_t{y2} - y1;
            int32_t l = near(x1 + dx, w);
            int32_t r = k % 2 == 0 ? near(x2 + dx, w) : static_cast<int32_t>(x2 + dx + pick(0, 2000000));
            int32_t b = near(y1 + dy, h);
            int32_t t = k % 4 < 2 ? near(y2 + dy, h) : static_cast<int32_t>(y2 + dy + pick(0, 2000000));
            if (k % 5 == 4) {
                // Right of the pad, spanning it, apart by about the clearance.
                l = static_cast<int32_t>(x2 + dx + clearance + pick(-2 * Margin - 2, 2 * Margin + 2));
                r = static_cast<int32_t>(l + pick(1000, 500000));
                b = static_cast<int32_t>(y1 + dy - pick(0, 3 * Margin));
                t = static_cast<int32_t>(y2 + dy + pick(0, 3 * Margin));
            }
            if (l > r) {
                std::swap(l, r);
            }
            if (b > t) {
                std::swap(b, t);
            }
            const TRect other = Rect(l, t, r, b);
            const bool met = [&] {
                fill.SetFill(other, PCB_MULTI_LAYER);
                return fill.Overlaps(pad, clearance);
            }();
            hostMet += met ? 1 : 0;
            if (!SurelyMeets(bounds, dx, dy, other, clearance, Margin)) {
                continue;
            }
            ++sure;
            // Bounds apart from the rectangle, met only through the clearance.
            sureApart += l > x2 + dx || r < x1 + dx || b > y2 + dy || t < y1 + dy ? 1 : 0;
            ASSERT_TRUE(met) << "shape " << i % 6 << " turn " << geometry.rotation << " clearance " << clearance;
        }
    }
    EXPECT_GT(sure, 1500);
    EXPECT_GT(hostMet, sure);  // some meetings are left to the host
    EXPECT_GT(sureApart, 20);
    // Bounds without area, and those of a pad the host could not bound, are never judged.
    EXPECT_FALSE(SurelyMeets(Rect(10, 10, 20, 10), 0, 0, Rect(0, 100, 100, 0), 50, Margin));
    EXPECT_FALSE(SurelyMeets(Rect(INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2, INT32_MIN / 2), 0, 0,
                             Rect(0, 100, 100, 0), 50, Margin));
}

}  // namespace
}  // namespace autoplacer::test

namespace autoplacer::test {
namespace {

using MemberExtentConflicts = GroupPlacerTest;

// The whole member-extent test in the fast form (judged before the move where it
// can, through the host's pads where it stands otherwise) against the plain one,
// which moves the group and asks the host about every pair: surface-mount parts,
// straight and turned, slid over a through-hole header and an axial part on the
// other side, and a header slid over surface-mount parts, in fine steps and with
// several gaps.
TEST_F(MemberExtentConflicts, TheFastFormAnswersAsThePlainOneAcrossThroughHoleParts) {
    hostpcb::BoardBuilder build(*board);
    build.Header("J1", 6, 2, At(1000, 1000));
    build.Axial("D1", Mil(400), At(1000, 1400), 90);
    build.Chip("R1", "0805", At(400, 400), 0, PCB_BOTTOM_LAYER);
    build.Soic("U1", 8, At(400, 1800), 33, PCB_BOTTOM_LAYER);
    build.Chip("R2", "1206", At(1600, 1600), 90, PCB_BOTTOM_LAYER);
    build.Chip("C1", "0603", At(1700, 1650), 0, PCB_BOTTOM_LAYER);
    build.Header("J2", 3, 1, At(300, 1200));
    TRectangularComponentGroup& placedTop = Group({"J1", "D1"});
    TRectangularComponentGroup& placedBottom = Group({"R2", "C1"});
    TRectangularComponentGroup* moving[] = {&Group({"R1"}), &Group({"U1"}), &Group({"J2"})};
    const TRectangularComponentGroup* against[] = {&placedTop, &placedTop, &placedBottom};
    std::mt19937 random(3);
    int conflicts = 0;
    int checks = 0;
    int flips = 0;
    for (const double gap : {0.0, 7.0, 20.0}) {
        hostpcb::BoardBuilder(*board).ComponentClearance(Mil(gap), 1);
        context.Forms = TPlacerForms::Fast;
        const auto fast = Placer(false, R(0, 3000, 3000, 0));
        context.Forms = TPlacerForms::Reference;
        const auto plain = Placer(false, R(0, 3000, 3000, 0));
        for (std::size_t g = 0; g < 3; ++g) {
            TRectangularComponentGroup& group = *moving[g];
            const TRectangularComponentGroup& placed = *against[g];
            const int32_t w = RectWidth(group.Rect);
            const int32_t h = RectHeight(group.Rect);
            const TRect target = placed.Rect;
            for (int i = 0; i < 400; ++i) {
                // Across the placed group's rectangle and a little beyond, off the grid.
                const int32_t x = target.Left - w - Mil(30) +
                                  static_cast<int32_t>(std::uniform_int_distribution<int64_t>(
                                      0, int64_t{RectWidth(target)} + w + Mil(60))(random));
                const int32_t y = target.Bottom - h - Mil(30) +
                                  static_cast<int32_t>(std::uniform_int_distribution<int64_t>(
                                      0, int64_t{RectHeight(target)} + h + Mil(60))(random));
                const TRect r = Rect(x, y + h, x + w, y);
                const bool expected = plain->Conflicts(group, r, placed);
                ASSERT_EQ(fast->Conflicts(group, r, placed), expected)
                    << "group " << g << " at " << x << ", " << y << ", gap " << gap;
                conflicts += expected ? 1 : 0;
                ++checks;
                // Where the plain answer flips between here and a point to the right:
                // the unit steps around it, where the judgements before the move are
                // least sure.
                const int32_t farther = x + static_cast<int32_t>(std::uniform_int_distribution<int64_t>(
                                                   Mil(1), Mil(100))(random));
                const TRect far = Rect(farther, y + h, farther + w, y);
                if (i % 4 != 0 || plain->Conflicts(group, far, placed) == expected) {
                    continue;
                }
                int32_t lo = x;
                int32_t hi = farther;
                while (hi - lo > 1) {
                    const int32_t mid = lo + (hi - lo) / 2;
                    (plain->Conflicts(group, Rect(mid, y + h, mid + w, y), placed) == expected ? lo : hi) = mid;
                }
                ++flips;
                for (int32_t k = lo - 6; k <= lo + 7; ++k) {
                    const TRect near = Rect(k, y + h, k + w, y);
                    const bool plainNear = plain->Conflicts(group, near, placed);
                    ASSERT_EQ(fast->Conflicts(group, near, placed), plainNear)
                        << "group " << g << " at " << k << ", " << y << ", gap " << gap;
                }
            }
        }
    }
    EXPECT_GT(conflicts, checks / 10);
    EXPECT_LT(conflicts, checks - checks / 10);
    EXPECT_GT(flips, 100);
}

}  // namespace
}  // namespace autoplacer::test
