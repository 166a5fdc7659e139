// The indexed outline search gives the answers of the plain scan on synthetic
// outlines with awkward places (vertex heights, points next to edges), and
// follows changes of the list.
#include "engines/GeometryFixture.h"
#include "engines/OutlineSampling.h"
#include "engines/KeepOut.h"

namespace autoplacer::test {

namespace {

using OutlineIndex = GeometryTest;

TEST_F(OutlineIndex, SameAnswersAsTheScanOnTwoBoardsWithTabsSlotsAndHoles) {
    // A board with rounded corners, a tab and a notch, a round hole and a slot,
    // and a second board beside it.
    KeepOutPolyline({{100, 0}, {900, 0}, {900, 300}, {1100, 300}, {1100, 500}, {900, 500}, {900, 1000},
                     {600, 1000}, {600, 800}, {400, 800}, {400, 1000}, {100, 1000}, {0, 900}, {0, 100}});
    board->AddArc(nullptr, At(300, 300), Mil(80), 0, 360, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(500, 400), At(700, 400), Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddTrack(nullptr, At(500, 500), At(700, 500), Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(500, 450), Mil(50), 90, 270, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(700, 450), Mil(50), 270, 90, Mil(5), PCB_KEEP_OUT_LAYER);
    board->AddArc(nullptr, At(1600, 500), Mil(300), 0, 0, Mil(5), PCB_KEEP_OUT_LAYER);
    const TPrimitivesList list(BoardHandle());
    ExpectSameAnswers(list, 3000, 7, "synthetic");
}

TEST_F(OutlineIndex, SameAnswersWhereTheOutlineCrossesTheRaysStart) {
    // The left ray runs from x = 0, leftwards for points left of it; such places
    // count as outside, but both searches must say so alike.
    TPrimitivesList list;
    list.AddTrackSegment(Mil(-500), Mil(-500), Mil(500), Mil(-500));
    list.AddTrackSegment(Mil(500), Mil(-500), Mil(500), Mil(500));
    list.AddTrackSegment(Mil(500), Mil(500), Mil(-500), Mil(500));
    list.AddTrackSegment(Mil(-500), Mil(500), Mil(-500), Mil(-500));
    list.AddArc(MakeArcRecord(Mil(-200), Mil(0), Mil(100), 0, 360));
    ExpectSameAnswers(list, 2000, 5, "around the origin", false);
}

TEST_F(OutlineIndex, FollowsRecordsAddedAfterItWasBuilt) {
    KeepOutPolyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}});
    TPrimitivesList list(BoardHandle());
    ASSERT_TRUE(PointInOutline(P(500, 500), list));
    // A square hole around the point.
    list.AddTrackSegment(Mil(400), Mil(400), Mil(600), Mil(400));
    list.AddTrackSegment(Mil(600), Mil(400), Mil(600), Mil(600));
    list.AddTrackSegment(Mil(600), Mil(600), Mil(400), Mil(600));
    list.AddTrackSegment(Mil(400), Mil(600), Mil(400), Mil(400));
    EXPECT_FALSE(PointInOutline(P(500, 500), list));
    EXPECT_TRUE(PointInOutline(P(200, 500), list));
    list.AddArc(MakeArcRecord(Mil(500), Mil(500), Mil(50), 0, 360));
    EXPECT_TRUE(PointInOutline(P(500, 500), list));  // an island inside the hole
}

}  // namespace
}  // namespace autoplacer::test
