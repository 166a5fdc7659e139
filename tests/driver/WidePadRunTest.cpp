// A footprint with a pad a metre wide goes through the complete command on a real
// board: the sums of extents, gaps and positions in the engines stay in range, so
// every part ends at a position near the board, never at a wrapped coordinate.
#include "driver/SharedBoardRunFixture.h"

namespace autoplacer::drivertest {
namespace {

class WidePadRun : public SharedBoardRun {
protected:
    void SetUp() override { Load("uext-esp32-c3"); }

    // A one-pad footprint whose pad is `widthMm` wide, connected to a net of the board.
    void AddWidePart(const std::string& designator, hostpcb::Point at, double widthMm, double rotation) {
        hostpcb::Component& part = Board().AddComponent(designator, "WidePad", at, rotation);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = hostpcb::MmToUnits(widthMm);
        pad.sizeY = hostpcb::MmToUnits(2.0);
        pad.rotation = rotation;
        Board().AddPad(&part, "1", at, pad, PCB_TOP_LAYER, Board().FindNet("GND"));
    }

};

TEST_F(WidePadRun, MetreWidePadsLeaveEveryPartNearTheBoard) {
    ASSERT_NE(Board().FindNet("GND"), nullptr);
    const hostpcb::Box outline = OutlineBox();
    const hostpcb::Point centre{(outline.x1 + outline.x2) / 2, (outline.y1 + outline.y2) / 2};
    AddWidePart("J90", centre, 1000.0, 0.0);
    AddWidePart("J91", {outline.x2, outline.y2}, 1000.0, 90.0);

    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);
    // A metre pad may hang over the board by its length, nothing by more.
    ExpectEveryPartWithin(Around(1100.0));
}

TEST_F(WidePadRun, QuickRunWithAMetreWidePad) {
    const hostpcb::Box outline = OutlineBox();
    AddWidePart("J90", {outline.x1, outline.y1}, 1000.0, 0.0);
    app::PlaceOptions quick;
    quick.Quick = true;
    EXPECT_EQ(Run(quick), sdk::kResultOk);
    ExpectEveryPartWithin(Around(1100.0));
}

}  // namespace
}  // namespace autoplacer::drivertest
