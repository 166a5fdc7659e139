// "autoplacer place --statistical --seed N": the seed reaches the host's placer, so a
// seed gives the same file every time and another seed another placement.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "app/Metrics.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "io/TestFiles.h"

namespace {

int RunPlace(const std::string& arguments, const iotest::ScratchDir& scratch) {
    const std::string command = "'" + std::string(AUTOPLACER_BIN_DIR) + "/autoplacer' place " + arguments +
                                " --registry '" + scratch.file("registry.json") + "' </dev/null >/dev/null 2>'" +
                                scratch.file("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit == 9 ? 0 : exit;  // placed, with parts the report names as not legally placed
}

TEST(PlaceSeed, SameSeedSameFileOtherSeedOtherPlacement) {
    iotest::ScratchDir scratch;
    const std::string board = "'" + iotest::BoardPath("uext-esp32-c3.kicad_pcb") + "'";
    ASSERT_EQ(RunPlace(board + " --statistical --seed 3 -o '" + scratch.file("a.kicad_pcb") + "'", scratch), 0)
        << iotest::ReadFile(scratch.file("stderr.txt"));
    ASSERT_EQ(RunPlace(board + " --statistical --seed 3 -o '" + scratch.file("b.kicad_pcb") + "'", scratch), 0);
    ASSERT_EQ(RunPlace(board + " --statistical --seed 4 -o '" + scratch.file("c.kicad_pcb") + "'", scratch), 0);
    const std::string a = iotest::ReadFile(scratch.file("a.kicad_pcb"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, iotest::ReadFile(scratch.file("b.kicad_pcb")));
    EXPECT_NE(a, iotest::ReadFile(scratch.file("c.kicad_pcb")));

    // The written placement is the placer's: nothing overlaps.
    std::unique_ptr<io::LoadedBoard> placed = io::LoadBoardFile(scratch.file("a.kicad_pcb"));
    EXPECT_EQ(app::MeasureBoard(*placed->board).overlappingPairs, 0);
    placed.reset();
    hostpcb::Host::Instance().Reset();
}

}  // namespace
