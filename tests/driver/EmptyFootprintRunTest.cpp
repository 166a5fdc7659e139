// Footprints with nothing that gives them an extent (a logo on an unmapped layer,
// a panel tab, a bare "REF**" marker) go through the complete command on a real
// board: the placer has nothing of them to fit, so they stay exactly where the
// designer put them, however far off the board, and every other part is placed
// as before, none of them moved by the empty-extent start values.
#include <map>
#include <vector>

#include "driver/SharedBoardRunFixture.h"

namespace autoplacer::drivertest {
namespace {

class EmptyFootprintRun : public SharedBoardRun {
protected:
    void SetUp() override { Load("uext-esp32-c3"); }

    struct Where {
        hostpcb::Component* part;
        hostpcb::Point position;
        double rotation;
        hostpcb::LayerNumber side;
    };

    // One marker inside the outline, one far off it (as a library's "REF**" is
    // often left), and one turned on the bottom side.
    void AddMarkers() {
        const hostpcb::Box outline = OutlineBox();
        markers.clear();
        for (hostpcb::Component* part :
             {&Board().AddComponent("REF**", "Marker", {(outline.x1 + outline.x2) / 2, (outline.y1 + outline.y2) / 2}),
              &Board().AddComponent("LOGO1", "Logo", {outline.x2 + 20'000'000, outline.y1 - 5'000'000}),
              &Board().AddComponent("LOGO2", "Logo", {outline.x1 - 3'000'000, outline.y2 + 3'000'000}, 90.0,
                                    PCB_BOTTOM_LAYER)}) {
            markers.push_back({part, part->Position(), part->Rotation(), part->Layer()});
        }
    }

    // The markers are untouched; every other part ends near the board (the placer
    // leaves a few parts of this crowded board just over its edge; the start
    // values threw them metres away).
    void ExpectMarkersLeftAndPartsNearTheBoard() {
        for (const Where& marker : markers) {
            EXPECT_EQ(marker.part->Position(), marker.position) << marker.part->Designator();
            EXPECT_EQ(marker.part->Rotation(), marker.rotation) << marker.part->Designator();
            EXPECT_EQ(marker.part->Layer(), marker.side) << marker.part->Designator();
        }
        const hostpcb::Box near = Around(25.0);
        int32_t moved = 0;
        for (const hostpcb::Component* part : Board().Components()) {
            if (IsMarker(part)) {
                continue;
            }
            EXPECT_TRUE(near.Contains(part->Position())) << part->Designator();
            moved += part->Position() != before.at(part) ? 1 : 0;
        }
        // The run did place the board's own parts.
        EXPECT_GT(moved, 0);
    }

    bool IsMarker(const hostpcb::Component* part) const {
        for (const Where& marker : markers) {
            if (marker.part == part) {
                return true;
            }
        }
        return false;
    }

    void RememberParts() {
        before.clear();
        for (const hostpcb::Component* part : Board().Components()) {
            before[part] = part->Position();
        }
    }

    std::vector<Where> markers;
    std::map<const hostpcb::Component*, hostpcb::Point> before;
};

TEST_F(EmptyFootprintRun, MarkersWithoutExtentStayWhereTheyAre) {
    AddMarkers();
    RememberParts();
    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);
    ExpectMarkersLeftAndPartsNearTheBoard();
}

TEST_F(EmptyFootprintRun, QuickAndTreeBasedRoomRunsLeaveThemToo) {
    AddMarkers();
    app::PlaceOptions quick;
    quick.Quick = true;
    RememberParts();
    EXPECT_EQ(Run(quick), sdk::kResultOk);
    ExpectMarkersLeftAndPartsNearTheBoard();

    app::PlaceOptions rooms;
    rooms.TreeBasedRooms = true;
    RememberParts();
    EXPECT_EQ(Run(rooms), sdk::kResultOk);
    ExpectMarkersLeftAndPartsNearTheBoard();
}

}  // namespace
}  // namespace autoplacer::drivertest
