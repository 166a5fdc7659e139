// A part whose courtyard lies across the board's edge (an edge connector, a radio
// module whose antenna overhangs) has its place set by the enclosure: the loader keeps
// it where it is unless asked not to. A part wholly off the board is parked there for
// placing and is not kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Geometry.h"
#include "hostpcb/Host.h"
#include "hostpcb/statistical/OutlineRegion.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace {

using hostpcb::MilsToUnits;

TEST(EdgePart, OnlyAPartAcrossTheOutlineStraddlesIt) {
    hostpcb::Host::Instance().Reset();
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("edge.kicad_pcb");
    hostpcb::BoardBuilder b(board);
    // A 1000 x 1000 mil board with a 200 mil wide notch cut 300 mil deep into its top
    // edge, between x 400 and 600.
    b.PolylineOutline({{MilsToUnits(0), MilsToUnits(0)},
                       {MilsToUnits(1000), MilsToUnits(0)},
                       {MilsToUnits(1000), MilsToUnits(1000)},
                       {MilsToUnits(600), MilsToUnits(1000)},
                       {MilsToUnits(600), MilsToUnits(700)},
                       {MilsToUnits(400), MilsToUnits(700)},
                       {MilsToUnits(400), MilsToUnits(1000)},
                       {MilsToUnits(0), MilsToUnits(1000)}});
    const hostpcb::Component& inside = b.Soic("U1", 8, {MilsToUnits(200), MilsToUnits(300)});
    const hostpcb::Component& acrossRight = b.Soic("U2", 8, {MilsToUnits(1000), MilsToUnits(300)});
    const hostpcb::Component& parked = b.Soic("U3", 8, {MilsToUnits(2000), MilsToUnits(300)});
    // Every corner of this one lies on the board beside the notch, but the notch
    // runs through it.
    const hostpcb::Component& overNotch = b.Qfp("U4", 64, {MilsToUnits(500), MilsToUnits(700)});
    const hostpcb::Component& belowNotch = b.Chip("R1", "0603", {MilsToUnits(500), MilsToUnits(400)});
    const hostpcb::statistical::OutlineRegion outline(board);

    EXPECT_FALSE(io::StraddlesOutline(inside, outline));
    EXPECT_TRUE(io::StraddlesOutline(acrossRight, outline));
    EXPECT_FALSE(io::StraddlesOutline(parked, outline));
    EXPECT_FALSE(io::StraddlesOutline(belowNotch, outline));
    const hostpcb::Box box = overNotch.Bounds();
    ASSERT_TRUE(box.x1 < MilsToUnits(400) && box.x2 > MilsToUnits(600) && box.y2 > MilsToUnits(700))
        << "the QFP must span the notch for this case";
    EXPECT_TRUE(io::StraddlesOutline(overNotch, outline));
    hostpcb::Host::Instance().Reset();
}

TEST(EdgePart, KeptWhereTheyAreUnlessTheLoadSaysOtherwise) {
    hostpcb::Host::Instance().Reset();
    // uext-esp32-c3: a radio module whose antenna overhangs the edge, a USB socket and
    // a header that both reach past it.
    const std::vector<std::string> edge = {"U3", "J1", "J2"};
    std::vector<std::string> lockedByTheDesigner;
    {
        io::LoadOptions options;
        options.keepEdgeParts = false;
        auto loaded = io::LoadBoardFile(iotest::BoardPath("uext-esp32-c3.kicad_pcb"), options);
        EXPECT_TRUE(loaded->keptEdgeParts.empty());
        lockedByTheDesigner = iotest::FixedParts(*loaded);
        for (const std::string& part : edge) {
            EXPECT_EQ(std::count(lockedByTheDesigner.begin(), lockedByTheDesigner.end(), part), 0) << part;
        }
    }
    hostpcb::Host::Instance().Reset();
    {
        auto loaded = io::LoadBoardFile(iotest::BoardPath("uext-esp32-c3.kicad_pcb"));
        EXPECT_EQ(loaded->keptEdgeParts, edge);
        std::vector<std::string> expected = lockedByTheDesigner;
        expected.insert(expected.end(), edge.begin(), edge.end());
        std::vector<std::string> fixed = iotest::FixedParts(*loaded);
        std::sort(fixed.begin(), fixed.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(fixed, expected);
    }
    hostpcb::Host::Instance().Reset();
}

}  // namespace
