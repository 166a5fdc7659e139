// Mounting holes match the enclosure, and designers seldom lock them: the loader
// keeps every footprint named MountingHole... where it is unless asked not to.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace {

TEST(MountingHole, NamedByTheFootprintNameWhateverTheLibraryAndCase) {
    EXPECT_TRUE(io::IsMountingHole("MountingHole:MountingHole_3.2mm_M3_Pad_TopBottom"));
    EXPECT_TRUE(io::IsMountingHole("_pico:MountingHole_3mm_Pad"));
    EXPECT_TRUE(io::IsMountingHole("Glasgow:mountinghole_3.5mm"));
    EXPECT_TRUE(io::IsMountingHole("MountingHole_2.5mm"));  // no library
    EXPECT_FALSE(io::IsMountingHole("MountingHole:Hole_3mm"));  // the library alone does not say
    EXPECT_FALSE(io::IsMountingHole("Connector:Conn_MountingHole"));
    EXPECT_FALSE(io::IsMountingHole("Mounting"));
    EXPECT_FALSE(io::IsMountingHole(""));
}

TEST(MountingHole, KeptWhereTheyAreUnlessTheLoadSaysOtherwise) {
    hostpcb::Host::Instance().Reset();
    const std::vector<std::string> holes = {"M701", "H105", "M702", "H103", "H101", "H104", "H102"};
    {
        io::LoadOptions options;
        options.keepEdgeParts = false;    // cm5-minima's connectors reach past its edge
        options.keepJoinedParts = false;  // and its module's connectors share holes
        auto loaded = io::LoadBoardFile(iotest::BoardPath("cm5-minima.kicad_pcb"), options);
        EXPECT_EQ(loaded->keptMountingHoles, holes);
        std::vector<std::string> fixed = iotest::FixedParts(*loaded);
        std::vector<std::string> expected = holes;
        expected.push_back("REF**");  // a logo the designer locked
        std::sort(fixed.begin(), fixed.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(fixed, expected);
    }
    hostpcb::Host::Instance().Reset();
    {
        io::LoadOptions options;
        options.keepMountingHoles = false;
        options.keepEdgeParts = false;
        options.keepJoinedParts = false;
        auto loaded = io::LoadBoardFile(iotest::BoardPath("cm5-minima.kicad_pcb"), options);
        EXPECT_TRUE(loaded->keptMountingHoles.empty());
        EXPECT_EQ(iotest::FixedParts(*loaded), std::vector<std::string>{"REF**"});
    }
    hostpcb::Host::Instance().Reset();
}

}  // namespace
