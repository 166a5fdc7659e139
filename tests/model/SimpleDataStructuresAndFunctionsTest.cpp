#include <gtest/gtest.h>

#include <limits>

#include "model/PlacementContext.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/PlacerOptions.h"

namespace autoplacer {
namespace {

TEST(Rectangles, CentresTruncateTowardZero) {
    EXPECT_EQ(RectCentreX(Rect(-3, 0, 0, 0)), -1);
    EXPECT_EQ(RectCentreX(Rect(1, 0, 4, 0)), 2);
    EXPECT_EQ(RectCentreY(Rect(0, 0, 0, -5)), -2);
    // Sums beyond the 32-bit range must not wrap.
    EXPECT_EQ(RectCentreX(Rect(2000000000, 0, 2000000001, 0)), 2000000000);
}

TEST(Rectangles, EdgesCountAsInside) {
    const TRect r = Rect(10, 50, 40, 20);
    for (const TPoint p : {Point(10, 20), Point(40, 50), Point(10, 50), Point(40, 20), Point(25, 50), Point(40, 35)}) {
        EXPECT_TRUE(PointInRect(p, r)) << p.X << "," << p.Y;
    }
    EXPECT_FALSE(PointInRect(Point(9, 30), r));
    EXPECT_FALSE(PointInRect(Point(20, 51), r));
    EXPECT_TRUE(RectContainsRect(r, r));
    EXPECT_FALSE(RectContainsRect(r, Rect(10, 51, 40, 20)));
    EXPECT_FALSE(RectContainsRect(r, Rect(9, 50, 40, 20)));
}

TEST(Rectangles, InflateShrinksWithNegativeValuesWithoutReordering) {
    EXPECT_EQ(InflateRectXY(Rect(0, 10, 10, 0), 2, 3), Rect(-2, 13, 12, -3));
    EXPECT_EQ(InflateRectXY(Rect(0, 10, 10, 0), -2, -3), Rect(2, 7, 8, 3));
    // Crossing edges stay crossed: width and height turn negative.
    const TRect crossed = InflateRectXY(Rect(0, 10, 10, 0), -6, -6);
    EXPECT_EQ(crossed, Rect(6, 4, 4, 6));
    EXPECT_EQ(RectWidth(crossed), -2);
    EXPECT_EQ(RectHeight(crossed), -2);
    EXPECT_EQ(OffsetRect(Rect(1, 2, 3, 0), 10, -20), Rect(11, -18, 13, -20));
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(2.4999999), 2);
    EXPECT_EQ(Round(2.5000001), 3);
    EXPECT_EQ(Round64(4294967296.5), 4294967296LL);
    EXPECT_EQ(Round64(4294967297.5), 4294967298LL);
    // Out of range and NaN do not invoke undefined conversions.
    EXPECT_EQ(Round(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Round(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Round(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(Rounding, SqrtAreaRoundsEachSide) {
    EXPECT_EQ(SqrtArea(625, 100), 25 * 10);
    EXPECT_EQ(SqrtArea(7, 8), 3 * 3);   // 2.646 and 2.828 round up, not down
    EXPECT_EQ(SqrtArea(6, 12), 2 * 3);  // 2.449 and 3.464 round down
    EXPECT_EQ(SqrtArea(999990000, 999990000), 31623LL * 31623LL);
    EXPECT_EQ(SqrtArea(2147483647, 2147483647), 46341LL * 46341LL);  // beyond int32: no overflow
    EXPECT_EQ(SqrtArea(-4, 100), 0);
}

TEST(Rounding, SameAngleTolerance) {
    EXPECT_TRUE(SameAngle(0, 0.001));
    EXPECT_FALSE(SameAngle(0, 0.0011));
    EXPECT_TRUE(SameAngle(0.001, 0));
    EXPECT_FALSE(SameAngle(90, 270));
}

TEST(RunRecords, PlacerOptionDefaults) {
    const TPlacerOptions options;
    EXPECT_EQ(options.GuideCostWeight, 1);
    EXPECT_EQ(options.PadCostWeight, 1);
    EXPECT_EQ(options.ConnectionLengthCostWeight, 1);
    EXPECT_EQ(options.CrossOverCostWeight, 1);
    EXPECT_EQ(options.DirectionCostWeight, 1);
    EXPECT_FALSE(options.StrictFloorPlanning);
    EXPECT_TRUE(options.FixedNetTopology);
    EXPECT_FALSE(options.TreeBasedRooms);
    EXPECT_TRUE(options.DoPrePasses);
    EXPECT_EQ(options.ClusterScoreThreshold, 85);
    EXPECT_EQ(options.GridSize, 500000);
}

TEST(RunRecords, ContextCopiesShareReferencesButNotLayerDirections) {
    TFastListOf<PcbHandle> powerNets;
    TPlacementContext driverContext;
    driverContext.PowerNets = &powerNets;
    static_assert(sizeof(driverContext.LayerDirections) == 32);
    for (const uint8_t direction : driverContext.LayerDirections) EXPECT_EQ(direction, 0);

    TPlacementContext engineCopy = driverContext;
    engineCopy.LayerDirections[0] = 1;
    engineCopy.LayerDirections[31] = 2;
    EXPECT_EQ(driverContext.LayerDirections[0], 0);
    EXPECT_EQ(driverContext.LayerDirections[31], 0);
    EXPECT_EQ(engineCopy.PowerNets, &powerNets);

    const TClusterLists lists;
    EXPECT_EQ(lists.Clusters, nullptr);
    EXPECT_EQ(lists.ICCapClusters, nullptr);
    EXPECT_EQ(lists.SameFootprintClusters, nullptr);
    EXPECT_EQ(lists.ConfinementClusters, nullptr);
}

}  // namespace
}  // namespace autoplacer
