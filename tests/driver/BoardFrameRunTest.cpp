// A locked footprint that draws the board's edge and spans the whole board (a watch
// case outline with its connector pads and mounting holes, on sensorwatch-b1) goes
// through the complete command. Judged by its extent it would leave no room at all;
// the placer keeps clear of its pads and holes instead and places the other parts
// on the board.
#include <map>
#include <string>

#include "hostpcb/Courtyard.h"
#include "hostpcb/Geometry.h"

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

TEST_F(BoardFrameRun, PartsArePlacedClearOfTheFramesPads) {
    hostpcb::Component* frame = Part("U$2");
    ASSERT_NE(frame, nullptr);
    ASSERT_FALSE(frame->moveable);
    const hostpcb::Point framePosition = frame->Position();
    std::map<const hostpcb::Component*, hostpcb::Point> before;
    for (const hostpcb::Component* part : Board().Components()) before[part] = part->Position();

    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);

    EXPECT_EQ(frame->Position(), framePosition);
    int notFitted = 0;
    for (const hostpcb::Component* part : Board().Components()) {
        if (part == frame || part->Position() == before[part]) {
            continue;  // the frame, and parts left where the designer put them
        }
        if ((part->flags & PCB_FLAG_SELECTED) != 0) {
            ++notFitted;
            continue;
        }
        // A fitted part's copper meets none of the frame's pads on its side, nor its
        // holes.
        for (const hostpcb::Pad* pad : frame->Pads()) {
            if (pad->Layer() != part->Layer() && pad->Layer() != PCB_MULTI_LAYER) continue;
            for (const hostpcb::Pad* own : part->Pads()) {
                EXPECT_GT(hostpcb::ShapeDistance(own->GetShape(), pad->GetShape()), 0.0)
                    << part->Designator() << " on the frame's pad " << pad->name;
            }
        }
    }
    // Judged by the frame's extent, 32 of the 36 other parts found no room; while its
    // contacts on the back kept the top away, U1 found none.
    EXPECT_EQ(notFitted, 0);
}

// A large locked module is no frame just because it covers half the board: on
// uext-esp32-c3 the radio module U3, kept across the edge where the designer put it,
// covers half of the narrow board. Taken for a frame, it blocked only by its pads, and
// five parts were placed under it. It must block by its courtyard.
class LargeModuleRun : public SharedBoardRun {
protected:
    void SetUp() override { Load("uext-esp32-c3"); }
};

TEST_F(LargeModuleRun, NoPartIsPlacedUnderALargeLockedModule) {
    hostpcb::Component* module = nullptr;
    for (hostpcb::Component* part : Board().Components()) {
        if (part->Designator() == "U3") module = part;
    }
    ASSERT_NE(module, nullptr);
    ASSERT_FALSE(module->moveable);

    EXPECT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);

    const hostpcb::CourtyardShape moduleCourtyard = hostpcb::ComponentCourtyard(*module);
    ASSERT_FALSE(moduleCourtyard.Empty());
    for (const hostpcb::Component* part : Board().Components()) {
        if (part == module) continue;
        EXPECT_FALSE(hostpcb::CourtyardsConflict(*part, hostpcb::ComponentCourtyard(*part), *module, moduleCourtyard))
            << part->Designator() << " under the module";
    }
}

}  // namespace
}  // namespace autoplacer::drivertest
