// Parts that share a hole (the two connectors of one plug-in module, each drawing
// the module's holes) keep their relation only where the designer put them: the
// loader keeps them there unless asked not to.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Geometry.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace {

using hostpcb::MilsToUnits;

std::vector<std::string> Designators(const std::vector<hostpcb::Component*>& parts) {
    std::vector<std::string> names;
    for (const hostpcb::Component* c : parts) names.push_back(c->Designator());
    return names;
}

TEST(JoinedPart, OnlyPartsWithAHoleAtTheSamePlaceShareOne) {
    hostpcb::Host::Instance().Reset();
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("joined.kicad_pcb");
    hostpcb::BoardBuilder b(board);
    b.RectOutline(0, 0, MilsToUnits(3000), MilsToUnits(2000));
    // Two single-row headers one pitch apart: J2's first pin stands in J1's second hole.
    b.Header("J1", 2, 1, {MilsToUnits(1000), MilsToUnits(1000)});
    b.Header("J2", 2, 1, {MilsToUnits(1000), MilsToUnits(900)});
    // A header half a pitch off, and a surface-mount part whose centre pad lies on
    // J3's first hole.
    b.Header("J3", 2, 1, {MilsToUnits(2000), MilsToUnits(1000)});
    b.Header("J4", 2, 1, {MilsToUnits(2000), MilsToUnits(850)});
    b.Qfn("U1", 16, {MilsToUnits(2000), MilsToUnits(1000)});
    EXPECT_EQ(Designators(io::PartsSharingAHole(board)), (std::vector<std::string>{"J1", "J2"}));
    hostpcb::Host::Instance().Reset();
}

TEST(JoinedPart, AModulesConnectorsAreKeptUnlessTheLoadSaysOtherwise) {
    hostpcb::Host::Instance().Reset();
    // cm5-minima: both connectors of the plug-in module draw its two holes.
    const std::vector<std::string> module = {"Module301", "Module302"};
    {
        auto loaded = io::LoadBoardFile(iotest::BoardPath("cm5-minima.kicad_pcb"));
        EXPECT_EQ(loaded->keptJoinedParts, module);
        const std::vector<std::string> fixed = iotest::FixedParts(*loaded);
        for (const std::string& part : module) {
            EXPECT_EQ(std::count(fixed.begin(), fixed.end(), part), 1) << part;
        }
    }
    hostpcb::Host::Instance().Reset();
    {
        io::LoadOptions options;
        options.keepJoinedParts = false;
        auto loaded = io::LoadBoardFile(iotest::BoardPath("cm5-minima.kicad_pcb"), options);
        EXPECT_TRUE(loaded->keptJoinedParts.empty());
        const std::vector<std::string> fixed = iotest::FixedParts(*loaded);
        for (const std::string& part : module) {
            EXPECT_EQ(std::count(fixed.begin(), fixed.end(), part), 0) << part;
        }
    }
    hostpcb::Host::Instance().Reset();
}

}  // namespace
