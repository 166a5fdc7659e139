// The rectangle placer: where rectangles go, when they are turned, what the edge
// preferences cost, the fallback when nothing fits, and the anchor order on an
// irregular outline.
#include <gtest/gtest.h>

#include <vector>

#include "engines/KeepOut.h"
#include "engines/RectanglePlacer.h"
#include "model/PrimitivesList.h"
#include "engines/RoomsFixture.h"

namespace autoplacer::roomtest {
namespace {

class RectanglePlacer : public RoomBoard {
protected:
    TPlacementContext Area(double widthMils, double heightMils) {
        return RectangularContext(board->Handle(), R(0, heightMils, widthMils, 0));
    }
};

TEST_F(RectanglePlacer, FirstRectangleAtTheLowerLeftCornerTheNextSharingItsEdge) {
    TRectanglePlacer placer(Area(3000, 3000));
    TRect first = R(500, 800, 900, 0);
    const int64_t pollsBefore = polls;
    EXPECT_FALSE(placer.PlaceRect(first, kEdgeNoPreference, kEdgeNoPreference));
    EXPECT_EQ(first, R(0, 800, 400, 0));
    EXPECT_FALSE(placer.LastPlacementFellBack);
    // The host is serviced at each of the four anchors for both shapes, and at the commit.
    EXPECT_EQ(polls - pollsBefore, 9);

    // Beside the first (growth 4) rather than above it (8); turned, above it
    // would tie at 4, and ties keep the given shape.
    TRect second = R(0, 800, 400, 0);
    EXPECT_FALSE(placer.PlaceRect(second, kEdgeNoPreference, kEdgeNoPreference));
    EXPECT_EQ(second, R(400, 800, 800, 0));
    EXPECT_EQ(placer.OccupiedRect(), R(0, 800, 800, 0));
    ASSERT_EQ(placer.PlacedRects().Count(), 2);
    EXPECT_EQ(placer.PlacedRects()[1], &second);

    // A shared edge or corner is no overlap; one unit across the edge is.
    const TRect shape = R(0, 800, 400, 0);
    EXPECT_TRUE(placer.CornerFits(P(800, 0), shape));
    EXPECT_TRUE(placer.CornerFits(P(800, 800), shape));
    EXPECT_FALSE(placer.CornerFits(Point(Mil(800) - 1, 0), shape));
    EXPECT_FALSE(placer.CornerFits(Point(Mil(400), Mil(800) - 1), shape));
}

TEST_F(RectanglePlacer, ARectangleWiderThanTheAreaIsTurnedWhenTheTurnedShapeFits) {
    TRectanglePlacer placer(Area(1000, 3000));
    TRect wide = R(100, 600, 2100, 100);
    EXPECT_TRUE(placer.PlaceRect(wide, kEdgeNoPreference, kEdgeNoPreference));
    EXPECT_EQ(wide, R(0, 2000, 500, 0));
}

TEST_F(RectanglePlacer, AViolatedEdgePreferenceCostsFiveThousand) {
    TRectanglePlacer placer(Area(3000, 3000));
    const TRect shape = R(0, 500, 500, 0);
    placer.VerticalEdgePreference = kEdgeNear;
    EXPECT_EQ(placer.EdgeScore(P(1000, 1000), shape), 5000);
    // 200 mil from the bottom or the top still counts as near.
    EXPECT_EQ(placer.EdgeScore(P(1000, 200), shape), 0);
    EXPECT_EQ(placer.EdgeScore(Point(Mil(1000), Mil(200) + 1), shape), 5000);
    EXPECT_EQ(placer.EdgeScore(P(1000, 2300), shape), 0);
    EXPECT_EQ(placer.EdgeScore(Point(Mil(1000), Mil(2300) - 1), shape), 5000);
    placer.HorizontalEdgePreference = kEdgeNear;
    EXPECT_EQ(placer.EdgeScore(P(1000, 1000), shape), 10000);
    placer.VerticalEdgePreference = kEdgeAway;
    placer.HorizontalEdgePreference = kEdgeAway;
    EXPECT_EQ(placer.EdgeScore(P(0, 1000), shape), 5000);
    EXPECT_EQ(placer.EdgeScore(P(1000, 1000), shape), 0);
    // Growth in steps of 100 mil to the right and upwards: Round(hypot(15, 15)).
    EXPECT_EQ(placer.CornerScore(P(1000, 1000), shape), 21);
}

TEST_F(RectanglePlacer, PreferencesDecideBeforeGrowth) {
    TRect obstacle = R(1000, 1000, 1400, 0);
    {
        TRectanglePlacer placer(Area(3000, 3000));
        placer.CommitRect(&obstacle);
        TRect free = R(0, 500, 500, 0);
        placer.PlaceRect(free, kEdgeNoPreference, kEdgeNoPreference);
        EXPECT_EQ(free, R(0, 500, 500, 0));
    }
    // Away from the bottom and top: on the obstacle's top-left corner (growth
    // 5) instead of the lower-left corner (growth 0, but 5000).
    TRectanglePlacer placer(Area(3000, 3000));
    placer.CommitRect(&obstacle);
    TRect away = R(0, 500, 500, 0);
    EXPECT_FALSE(placer.PlaceRect(away, kEdgeAway, kEdgeNoPreference));
    EXPECT_EQ(away, R(1000, 1500, 1500, 1000));
    // The preferences were swapped for the turned shape and stay so.
    EXPECT_EQ(placer.VerticalEdgePreference, kEdgeNoPreference);
    EXPECT_EQ(placer.HorizontalEdgePreference, kEdgeAway);
}

TEST_F(RectanglePlacer, TheTurnedShapeTakesTheSwappedPreferences) {
    // Only the turned shape fits beside the obstacle; swapped, the preferences
    // want it near the bottom and away from the sides, which puts it right of
    // the obstacle rather than in the lower-left corner.
    TRectanglePlacer placer(Area(3000, 3000));
    TRect obstacle = R(1000, 3000, 1400, 0);
    placer.CommitRect(&obstacle);
    TRect wide = R(0, 400, 2000, 0);
    EXPECT_TRUE(placer.PlaceRect(wide, kEdgeAway, kEdgeNear));
    EXPECT_EQ(wide, R(1400, 2000, 1800, 0));
}

TEST_F(RectanglePlacer, WithoutALegalCornerTheLeastOverhangPlusOverlapWins) {
    {
        // Equal overhang both ways: the given shape stays.
        TRectanglePlacer placer(Area(1000, 1000));
        TRect big = R(0, 3000, 2000, 0);
        EXPECT_FALSE(placer.PlaceRect(big, kEdgeNoPreference, kEdgeNoPreference));
        EXPECT_EQ(big, R(0, 3000, 2000, 0));
        EXPECT_TRUE(placer.LastPlacementFellBack);
    }
    {
        // Turned it sticks out 500 + 1000 mil instead of 2000.
        TRectanglePlacer placer(Area(1000, 2000));
        TRect big = R(0, 1500, 3000, 0);
        EXPECT_TRUE(placer.PlaceRect(big, kEdgeNoPreference, kEdgeNoPreference));
        EXPECT_EQ(big, R(0, 3000, 1500, 0));
    }
    // An obstacle over the right part leaves 400 mil: overlapping it by 100 x
    // 500 mil (Round(sqrt) of each side multiplied) beats sticking out 500 mil.
    TRectanglePlacer placer(Area(1000, 1000));
    TRect obstacle = R(400, 1000, 1000, 0);
    placer.CommitRect(&obstacle);
    const TRect shape = R(0, 500, 500, 0);
    int64_t score = 0;
    EXPECT_FALSE(placer.BestLegalCorner(shape, score).has_value());
    EXPECT_EQ(score, -1);
    EXPECT_EQ(placer.CornerPenalty(P(0, 0), shape), 1000 * 2236);
    EXPECT_EQ(placer.CornerPenalty(P(1000, 0), shape), Mil(500));
    EXPECT_EQ(placer.CornerPenalty(P(400, 0), shape), int64_t{2236} * 2236);
    TRect room = shape;
    EXPECT_FALSE(placer.PlaceRect(room, kEdgeNoPreference, kEdgeNoPreference));
    EXPECT_EQ(room, R(0, 500, 500, 0));
}

TEST_F(RectanglePlacer, OutlineTrackEndsAreAnchorsAfterTheAreaCornersAndBeforeCommittedCorners) {
    // An L-shaped board, its lower-left 1000 x 1000 mil cut away: the extent's
    // lower-left corner is off the board, but the cut's vertices are anchors.
    hostpcb::BoardBuilder(*board).PolylineOutline(
        {At(1000, 0), At(3000, 0), At(3000, 3000), At(0, 3000), At(0, 1000), At(1000, 1000)});
    TPrimitivesList keepOut(board->Handle());
    TPlacementContext context;
    context.Board = board->Handle();
    context.KeepOutPrimitives = &keepOut;
    ASSERT_TRUE(ValidateKeepOut(context));
    ASSERT_FALSE(context.KeepOutIsRectangular);
    const TRect area = context.KeepOutExtent;

    TRectanglePlacer placer(context);
    std::vector<TPoint> expected{Point(area.Left, area.Bottom), Point(area.Right, area.Bottom),
                                 Point(area.Left, area.Top), Point(area.Right, area.Top)};
    for (const TSegmentRecord* track : keepOut.Tracks) {
        const int32_t x1 = Round(track->X1), y1 = Round(track->Y1), x2 = Round(track->X2), y2 = Round(track->Y2);
        expected.insert(expected.end(), {Point(x1, y1), Point(x2, y1), Point(x1, y2), Point(x2, y2)});
    }
    EXPECT_EQ(keepOut.Tracks.Count(), 6);
    EXPECT_EQ(placer.Corners(), expected);

    // A room on the outline touches it and still fits; 15 mil across it does not.
    const TRect shape = R(0, 300, 300, 0);
    EXPECT_FALSE(placer.CornerFits(Point(area.Left, area.Bottom), shape));
    EXPECT_TRUE(placer.CornerFits(P(1000, 0), shape));
    EXPECT_TRUE(placer.CornerFits(P(995, 0), shape));
    EXPECT_FALSE(placer.CornerFits(P(985, 0), shape));

    // The first track's start ties with the vertex (0, 1000) and comes first.
    TRect room = shape;
    placer.PlaceRect(room, kEdgeNoPreference, kEdgeNoPreference);
    EXPECT_FALSE(placer.LastPlacementFellBack);
    EXPECT_EQ(room, R(1000, 300, 1300, 0));

    expected.insert(expected.end(), {P(1000, 0), P(1300, 0), P(1000, 300), P(1300, 300)});
    EXPECT_EQ(placer.Corners(), expected);
}

}  // namespace
}  // namespace autoplacer::roomtest
