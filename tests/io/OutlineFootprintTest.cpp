// A footprint that draws part of the board outline (Edge.Cuts inside the
// footprint) carries the outline in KiCad; the host takes it as locked so that
// no placement moves the board's edge.
#include <gtest/gtest.h>

#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace {

TEST(OutlineFootprint, FootprintDrawingTheBoardEdgeIsNotMoveable) {
    hostpcb::Host::Instance().Reset();
    io::LoadOptions options;
    options.keepEdgeParts = false;  // parts across the edge are kept too, by default
    auto loaded = io::LoadBoardFile(iotest::BoardPath("sensorwatch-b1.kicad_pcb"), options);
    int fixed = 0;
    for (const hostpcb::Component* c : loaded->board->Components()) {
        if (!c->moveable) {
            ++fixed;
            EXPECT_EQ(c->Designator(), "U$2");
        }
    }
    EXPECT_EQ(fixed, 1);
    loaded.reset();
    hostpcb::Host::Instance().Reset();
}

}  // namespace
