// Where segments, circles and arcs meet, with the 100-unit tolerance, and the ray
// casting built on them.
#include <array>
#include <cmath>

#include "engines/GeometryFixture.h"
#include "engines/ContainmentGeometry.h"

namespace autoplacer::test {
namespace {

TSegmentRecord S(double x1, double y1, double x2, double y2) { return MakeSegment(x1, y1, x2, y2); }

// Each case in both argument orders: the answer must not depend on it.
void ExpectCross(const TSegmentRecord& a, const TSegmentRecord& b, bool bounded, bool expected, const char* what) {
    EXPECT_EQ(SegmentsCross(a, b, bounded), expected) << what;
    EXPECT_EQ(SegmentsCross(b, a, bounded), expected) << what << " (swapped)";
}

TEST(SegmentCrossing, ToleranceAtEndsAndIntersections) {
    ExpectCross(S(0, 0, 1000, 1000), S(0, 1000, 1000, 0), true, true, "proper crossing");
    ExpectCross(S(0, 0, 1000, 0), S(500, 100, 500, 900), true, true, "end 100 above the other");
    ExpectCross(S(0, 0, 1000, 0), S(500, 101, 500, 900), true, false, "end 101 above the other");
    ExpectCross(S(0, 0, 1000, 0), S(1100, 0, 2000, 0), true, true, "collinear, ends 100 apart");
    ExpectCross(S(0, 0, 1000, 0), S(1101, 0, 2000, 0), true, false, "collinear, ends 101 apart");
    ExpectCross(S(0, 0, 1000, 0), S(0, 150, 1000, 150), false, false, "parallel never cross, even unbounded");
    ExpectCross(S(0, 0, 1000, 0), S(2000, 1000, 3000, 2000), false, true, "unbounded: any non-parallel pair");
    ExpectCross(S(0, 0, 1000, 0), S(2000, 1000, 3000, 2000), true, false, "bounded: the lines meet far away");
    // The lines meet 90 units beyond the end of the first segment, within the tolerance of both.
    ExpectCross(S(0, 0, 1000, 0), S(1090, -500, 1090, 500), true, true, "meeting just beyond an end");
    ExpectCross(S(0, 0, 1000, 0), S(1110, -500, 1110, 500), true, false, "meeting beyond the tolerance");
    ExpectCross(S(500, 50, 500, 50), S(0, 0, 1000, 0), true, true, "a point 50 from a segment");
}

TEST(SegmentCrossing, PointToSegmentDistanceUsesTheNearerEndBeyondTheSegment) {
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(500, 300, S(0, 0, 1000, 0)), 300);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(1300, 400, S(0, 0, 1000, 0)), 500);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(-300, 400, S(0, 0, 0, 1000)), 300);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(-300, 1400, S(0, 0, 0, 1000)), 500);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(0, 1000, S(0, 0, 1000, 1000)), std::sqrt(2.0) * 500);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance(3, 4, S(0, 0, 0, 0)), 5);
}

TEST(CircleMeeting, MissTouchAndCut) {
    std::array<TMeetPoint, 4> points;
    EXPECT_EQ(SegmentMeetsCircle(S(-2000, 1001, 2000, 1001), 0, 0, 1000, true, points), 0);
    ASSERT_EQ(SegmentMeetsCircle(S(-2000, 1000, 2000, 1000), 0, 0, 1000, true, points), 1);
    EXPECT_NEAR(points[0].X, 0, 1e-9);
    ASSERT_EQ(SegmentMeetsCircle(S(-2000, 0, 2000, 0), 0, 0, 1000, true, points), 2);
    EXPECT_NEAR(points[0].X, -1000, 1e-9);
    EXPECT_NEAR(points[1].X, 1000, 1e-9);
    // Bounded: only the cut near the segment counts; unbounded: both.
    EXPECT_EQ(SegmentMeetsCircle(S(0, 0, 2000, 0), 0, 0, 1000, true, points), 1);
    EXPECT_EQ(SegmentMeetsCircle(S(0, 0, 2000, 0), 0, 0, 1000, false, points), 2);
    EXPECT_EQ(SegmentMeetsCircle(S(0, 0, 950, 0), 0, 0, 1000, true, points), 1);  // cut 50 beyond the end
    EXPECT_EQ(SegmentMeetsCircle(S(0, 0, 850, 0), 0, 0, 1000, true, points), 0);
    // An end on the circle is the same meeting as the cut there, counted once.
    EXPECT_EQ(SegmentMeetsCircle(S(1000, 0, 3000, 0), 0, 0, 1000, true, points), 1);
    EXPECT_EQ(SegmentMeetsCircle(S(5, 5, 5, 5), 0, 0, 7, false, points), 0);  // a point meets nothing
}

TEST(ArcMeeting, OnlyPointsWithinTheSweepCount) {
    std::array<TMeetPoint, 4> points;
    const TSegmentRecord horizontal = S(-2000, 0, 2000, 0);
    const TSegmentRecord vertical = S(0, -2000, 0, 2000);
    EXPECT_EQ(SegmentMeetsArc(horizontal, MakeArcRecord(0, 0, 1000, 0, 90), points), 1);      // at 0 degrees
    EXPECT_EQ(SegmentMeetsArc(horizontal, MakeArcRecord(0, 0, 1000, 10, 170), points), 0);
    EXPECT_EQ(SegmentMeetsArc(vertical, MakeArcRecord(0, 0, 1000, 10, 170), points), 1);      // at 90
    EXPECT_EQ(SegmentMeetsArc(vertical, MakeArcRecord(0, 0, 1000, 300, 30), points), 0);      // wraps past 0
    EXPECT_EQ(SegmentMeetsArc(horizontal, MakeArcRecord(0, 0, 1000, 300, 30), points), 1);
    EXPECT_EQ(SegmentMeetsArc(vertical, MakeArcRecord(0, 0, 1000, 270, 450), points), 2);     // 450 is 90
    EXPECT_EQ(SegmentMeetsArc(vertical, MakeArcRecord(0, 0, 1000, 90.0005, 180), points), 1);  // slack
    EXPECT_EQ(SegmentMeetsArc(vertical, MakeArcRecord(0, 0, 1000, 90.002, 180), points), 0);
}

TEST(ArcMeeting, AFullCircleTakesEveryAngleWhereverItStarts) {
    std::array<TMeetPoint, 4> points;
    const TSegmentRecord horizontal = S(-2000, 0, 2000, 0);
    for (const double start : {0.0, 90.0, 137.5, 359.0}) {
        TArcRecord circle = MakeArcRecord(0, 0, 1000, start, start);
        circle.EndAngle += 360.0;
        EXPECT_EQ(SegmentMeetsArc(horizontal, circle, points), 2) << "starting at " << start;
    }
}

using RayCasting = GeometryTest;

TEST_F(RayCasting, RectangleInsideOutsideAndNearTheEdge) {
    KeepOutPolyline({{0, 0}, {1000, 0}, {1000, 500}, {0, 500}});
    const TPrimitivesList list(BoardHandle());
    for (const TOutlineSearch search : {TOutlineSearch::Scan, TOutlineSearch::Indexed, TOutlineSearch::Remembered}) {
        EXPECT_TRUE(PointInOutline(P(500, 250), list, search));
        EXPECT_FALSE(PointInOutline(P(1500, 250), list, search));
        EXPECT_FALSE(PointInOutline(P(500, 600), list, search));
        // Within 0.01 mil of the right edge the edge counts on both rays: outside.
        EXPECT_FALSE(PointInOutline(Point(Mil(1000) - 100, Mil(250)), list, search));
        EXPECT_FALSE(PointInOutline(Point(Mil(1000), Mil(250)), list, search));
        EXPECT_TRUE(PointInOutline(Point(Mil(1000) - 101, Mil(250)), list, search));
        EXPECT_FALSE(PointInOutline(Point(Mil(1000) + 100, Mil(250)), list, search));
    }
}

TEST_F(RayCasting, LShapedOutlineExcludesItsNotch) {
    KeepOutPolyline({{0, 0}, {1000, 0}, {1000, 400}, {400, 400}, {400, 1000}, {0, 1000}});
    const TPrimitivesList list(BoardHandle());
    EXPECT_TRUE(PointInOutline(P(200, 800), list));
    EXPECT_TRUE(PointInOutline(P(800, 200), list));
    EXPECT_FALSE(PointInOutline(P(800, 800), list));
    EXPECT_TRUE(RectInsideOutline(R(100, 900, 300, 100), list));
    EXPECT_FALSE(RectInsideOutline(R(300, 600, 600, 300), list));  // one corner in the notch
}

TEST_F(RayCasting, RoundBoardAndSlotOfArcs) {
    // A round board with a slot cut out: a full circle and a stadium of two lines and two arcs.
    board->AddArc(nullptr, At(1000, 1000), Mil(1000), 0, 360, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(800, 900), At(1200, 900), Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(800, 1100), At(1200, 1100), Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(800, 1000), Mil(100), 90, 270, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(1200, 1000), Mil(100), 270, 90, Mil(5), PCB_KEEP_OUT_LAYER);
    const TPrimitivesList list(BoardHandle());
    for (const TOutlineSearch search : {TOutlineSearch::Scan, TOutlineSearch::Indexed, TOutlineSearch::Remembered}) {
        EXPECT_TRUE(PointInOutline(P(1000, 300), list, search));
        EXPECT_TRUE(PointInOutline(P(300, 1020), list, search));  // level with the slot, left of it
        EXPECT_FALSE(PointInOutline(P(1000, 1020), list, search));  // in the slot
        EXPECT_FALSE(PointInOutline(P(740, 1000), list, search));   // in the slot's round end
        EXPECT_FALSE(PointInOutline(P(1800, 1800), list, search));  // in the box, off the disc
    }
}

// The fast form remembers per row what each outline piece that a ray passes
// right over contributes. Points of many rows, each row asked from left to
// right and back, level with vertices, a tolerance off edges and arcs, left of
// the origin and beyond the rays' far end, must read as the scan reads them.
TEST_F(RayCasting, RememberedRowsAnswerAsTheScan) {
    // A slanted, notched outline with a rounded corner, and a round hole.
    KeepOutPolyline({{100, 100}, {2100, 300}, {2300, 1500}, {1500, 1500}, {1500, 900}, {900, 900}, {900, 1700},
                     {100, 1700}});
    board->AddArc(nullptr, At(600, 500), Mil(200), 0, 360, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(1900, 1100), Mil(150), 300, 120, Mil(5), PCB_KEEP_OUT_LAYER);
    const TPrimitivesList list(BoardHandle());
    std::vector<int32_t> rows;
    for (const int v : {100, 300, 500, 700, 900, 1100, 1500, 1700}) {
        for (const int off : {-101, -100, -1, 0, 1, 100, 101}) {
            rows.push_back(Mil(v) + off);
        }
    }
    for (int y = -50; y <= 1800; y += 37) {
        rows.push_back(Mil(y));
    }
    std::vector<int32_t> columns;
    for (const int v : {100, 400, 600, 800, 900, 1500, 1900, 2100, 2300}) {
        for (const int off : {-1001, -1000, -101, -100, 0, 100, 101, 1000, 1001}) {
            columns.push_back(Mil(v) + off);
        }
    }
    for (int x = -100; x <= 2500; x += 29) {
        columns.push_back(Mil(x));
    }
    columns.push_back(-Mil(50));
    columns.push_back(RayEndX + 5);
    int inside = 0;
    int asked = 0;
    for (const int32_t y : rows) {
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t k = 0; k < columns.size(); ++k) {
                const int32_t x = columns[pass == 0 ? k : columns.size() - 1 - k];
                const bool scan = PointInOutline(Point(x, y), list, TOutlineSearch::Scan);
                ASSERT_EQ(PointInOutline(Point(x, y), list, TOutlineSearch::Remembered), scan)
                    << "(" << x << ", " << y << "), pass " << pass;
                ASSERT_EQ(PointInOutline(Point(x, y), list, TOutlineSearch::Indexed), scan)
                    << "(" << x << ", " << y << "), pass " << pass << ", indexed";
                inside += scan ? 1 : 0;
                ++asked;
            }
        }
    }
    // Both answers occur often.
    EXPECT_GT(inside, asked / 5);
    EXPECT_LT(inside, asked * 4 / 5);
}

}  // namespace
}  // namespace autoplacer::test
