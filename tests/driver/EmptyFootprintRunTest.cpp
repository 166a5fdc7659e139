// Footprints with nothing that gives them an extent (a logo on an unmapped layer,
// a bare "REF**" marker) go through the complete command on a real board: they
// are placed by their reference point like a part of no size, so they end on the
// board with everything else, and nothing is moved by the empty-extent start values.
#include "driver/SharedBoardRunFixture.h"

namespace autoplacer::drivertest {
namespace {

class EmptyFootprintRun : public SharedBoardRun {
protected:
    void SetUp() override { Load("uext-esp32-c3"); }

    // The placer leaves a few parts of this crowded board just over its edge;
    // the start values threw the markers metres away.
    void ExpectEveryPartNearTheBoard() { ExpectEveryPartWithin(Around(25.0)); }
};

TEST_F(EmptyFootprintRun, MarkersWithoutExtentArePlacedByTheirReferencePoint) {
    // One marker inside the outline, one far off it (as a library's "REF**" is
    // often left), and one turned on the bottom side.
    const hostpcb::Box outline = OutlineBox();
    Board().AddComponent("REF**", "Marker", {(outline.x1 + outline.x2) / 2, (outline.y1 + outline.y2) / 2});
    Board().AddComponent("LOGO1", "Logo", {outline.x2 + 20'000'000, outline.y1 - 5'000'000});
    Board().AddComponent("LOGO2", "Logo", {outline.x1 - 3'000'000, outline.y2 + 3'000'000}, 90.0, PCB_BOTTOM_LAYER);

    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);
    ExpectEveryPartNearTheBoard();
}

TEST_F(EmptyFootprintRun, QuickAndTreeBasedRoomRunsPlaceThemToo) {
    const hostpcb::Box outline = OutlineBox();
    Board().AddComponent("REF**", "Marker", {outline.x2 + 10'000'000, outline.y2 + 10'000'000});
    app::PlaceOptions quick;
    quick.Quick = true;
    EXPECT_EQ(Run(quick), sdk::kResultOk);
    ExpectEveryPartNearTheBoard();

    app::PlaceOptions rooms;
    rooms.TreeBasedRooms = true;
    EXPECT_EQ(Run(rooms), sdk::kResultOk);
    ExpectEveryPartNearTheBoard();
}

}  // namespace
}  // namespace autoplacer::drivertest
