// A locked footprint that draws the board's edge and spans the whole board (a watch
// case outline with its connector pads and mounting holes, on sensorwatch-b1) goes
// through the complete command. Judged by its extent it would leave no room at all;
// the placer keeps clear of its pads and holes instead and places the other parts
// on the board.
#include <string>

#include "driver/SharedBoardRunFixture.h"

namespace autoplacer::drivertest {
namespace {

class BoardFrameRun : public SharedBoardRun {
protected:
    void SetUp() override { Load("sensorwatch-b1"); }

    hostpcb::Component* Part(const std::string& designator) {
        for (hostpcb::Component* part : Board().Components()) {
            if (part->Designator() == designator) {
                return part;
            }
        }
        ADD_FAILURE() << "no " << designator;
        return nullptr;
    }
};

bool Meet(const hostpcb::Box& a, const hostpcb::Box& b) {
    return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

TEST_F(BoardFrameRun, PartsArePlacedClearOfTheFramesPads) {
    hostpcb::Component* frame = Part("U$2");
    ASSERT_NE(frame, nullptr);
    ASSERT_FALSE(frame->moveable);
    const hostpcb::Point framePosition = frame->Position();

    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);

    EXPECT_EQ(frame->Position(), framePosition);
    int notFitted = 0;
    for (const hostpcb::Component* part : Board().Components()) {
        if (part == frame) {
            continue;
        }
        if ((part->flags & PCB_FLAG_SELECTED) != 0) {
            ++notFitted;
            continue;
        }
        // A fitted part meets none of the frame's pads on its side, nor its holes.
        for (const hostpcb::Pad* pad : frame->Pads()) {
            if (pad->Layer() == part->Layer() || pad->Layer() == PCB_MULTI_LAYER) {
                EXPECT_FALSE(Meet(part->Bounds(), pad->Bounds())) << part->Designator() << " on a pad of the frame";
            }
        }
    }
    // Judged by the frame's extent, 32 of the 36 other parts found no room.
    EXPECT_LE(notFitted, 5);
}

}  // namespace
}  // namespace autoplacer::drivertest
