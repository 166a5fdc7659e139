// "autoplacer align" and "autoplacer edit --script" through the real binary on a
// real board: the written board read back (the selection lined up, on the grid,
// nothing else moved), a script and the align flags giving the same file, and the
// refusals: a bad script line (its number, the usage status, nothing written), a
// line the session cannot take, an unknown reference, an input never overwritten.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/BinaryRun.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"

namespace {

namespace fs = std::filesystem;
using apptest::Outcome;
using apptest::ReadWholeFile;
using apptest::RunCommand;

const std::string kBinDir = AUTOPLACER_BIN_DIR;
const std::string kBoard = std::string(AUTOPLACER_BOARDS_DIR) + "/bp-irtoy.kicad_pcb";
// Lengths go through the file in millimetres: a unit or two of rounding each way.
constexpr hostpcb::Coord kFileRounding = 2;

class EditCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-edit-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
    }
    void TearDown() override {
        hostpcb::Host::Instance().Reset();
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    // Runs "autoplacer SUBCOMMAND ..." with standard input closed; the arguments are quoted.
    Outcome Run(const std::string& subcommand, const std::vector<std::string>& arguments) {
        std::string command = "'" + kBinDir + "/autoplacer' " + subcommand;
        for (const std::string& argument : arguments) {
            command += " '" + argument + "'";
        }
        command += " --registry '" + (scratch / "registry.json").string() + "' </dev/null";
        return RunCommand(command, scratch / "stderr.txt");
    }
    fs::path Script(const std::string& text) {
        const fs::path path = scratch / "session.txt";
        std::ofstream(path) << text;
        return path;
    }
    // Every footprint's position, rotation, side and extent in a board file.
    struct Placed {
        hostpcb::Point at;
        double rotation = 0;
        hostpcb::LayerNumber side = PCB_TOP_LAYER;
        hostpcb::Box box;
    };
    static std::map<std::string, Placed> ReadBack(const fs::path& file) {
        hostpcb::Host::Instance().Reset();
        const std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(file.string());
        std::map<std::string, Placed> parts;
        for (const hostpcb::Component* c : loaded->board->Components()) {
            parts[c->Designator()] = {c->Position(), c->Rotation(), c->Layer(), c->Bounds()};
        }
        origin = loaded->board->origin;
        return parts;
    }
    static bool Near(hostpcb::Coord a, hostpcb::Coord b) { return std::abs(a - b) <= kFileRounding; }
    static bool SamePlace(const Placed& a, const Placed& b) {
        return Near(a.at.x, b.at.x) && Near(a.at.y, b.at.y) && a.rotation == b.rotation && a.side == b.side;
    }

    fs::path scratch;
    static inline hostpcb::Point origin;
};

const std::vector<std::string> kSelection = {"C1", "C2", "C3"};

TEST_F(EditCommand, AlignLinesUpTheSelectionOnARealBoardAndMovesNothingElse) {
    const fs::path out = scratch / "aligned.kicad_pcb";
    const Outcome run = Run("align", {kBoard, "--select", "C1", "C2", "C3", "--horizontal", "Centre", "--vertical",
                                      "distribute", "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::map<std::string, Placed> before = ReadBack(kBoard);
    const std::map<std::string, Placed> after = ReadBack(out);
    ASSERT_EQ(before.size(), after.size());

    std::vector<Placed> lined;
    for (const std::string& reference : kSelection) {
        lined.push_back(after.at(reference));
        EXPECT_FALSE(SamePlace(before.at(reference), after.at(reference))) << reference << " was to move";
        EXPECT_NE(run.out.find(reference + ": "), std::string::npos) << "the move is listed: " << run.out;
    }
    const auto centreX = [](const Placed& p) { return (p.box.x1 + p.box.x2) / 2; };
    for (const Placed& p : lined) {
        EXPECT_TRUE(Near(centreX(p), centreX(lined[0]))) << "one vertical centre line";
    }
    // Distributed: the same free gap between each extent and the next, bottom to top.
    std::sort(lined.begin(), lined.end(), [](const Placed& a, const Placed& b) { return a.box.y1 < b.box.y1; });
    const hostpcb::Coord gap = lined[1].box.y1 - lined[0].box.y2;
    EXPECT_GT(gap, 0);
    EXPECT_TRUE(Near(lined[2].box.y1 - lined[1].box.y2, gap)) << lined[2].box.y1 - lined[1].box.y2 << " vs " << gap;

    for (const auto& [reference, placed] : before) {
        if (std::find(kSelection.begin(), kSelection.end(), reference) == kSelection.end()) {
            EXPECT_TRUE(SamePlace(placed, after.at(reference))) << reference << " is not selected";
        }
    }
    EXPECT_NE(run.err.find("wrote " + out.string() + " (3 footprints moved)"), std::string::npos) << run.err;
}

TEST_F(EditCommand, AlignToTheGridPutsEveryReferencePointOnIt) {
    const fs::path out = scratch / "snapped.kicad_pcb";
    const Outcome run = Run("align", {kBoard, "--select", "C1", "C2", "C3", "--grid", "25mil", "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::map<std::string, Placed> after = ReadBack(out);
    constexpr hostpcb::Coord kGrid = 250000;  // 25 mil
    for (const std::string& reference : kSelection) {
        for (const hostpcb::Coord offset : {after.at(reference).at.x - origin.x, after.at(reference).at.y - origin.y}) {
            const hostpcb::Coord off = ((offset % kGrid) + kGrid) % kGrid;
            EXPECT_LE(std::min(off, kGrid - off), kFileRounding) << reference << " is " << off << " off the grid";
        }
    }
}

TEST_F(EditCommand, AScriptOfTheSameSessionWritesTheSameBoardAsAlign) {
    const fs::path byFlags = scratch / "flags.kicad_pcb";
    const fs::path byScript = scratch / "script.kicad_pcb";
    ASSERT_EQ(Run("align", {kBoard, "--select", "C1", "C2", "C3", "--horizontal", "right", "--grid", "0.5mm", "-o",
                            byFlags.string()})
                  .status,
              0);
    const fs::path script = Script(
        "# the three capacitors to the right edge, then onto a half-millimetre grid\n"
        "select C1 C2\n"
        "select c3\n"
        "answer Align Components.RadioGroupHorizontalAlignment=Right\n"
        "answer \"Align Components.Move components to grid=1\"\n"
        "answer Align Components.GridSize_Edit=0.5mm\n"
        "answer Align Components=OK\n"
        "run AlignComponents\n");
    const Outcome edit = Run("edit", {kBoard, "--script", script.string(), "-o", byScript.string()});
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(edit.err.find("was not used"), std::string::npos) << "every answer reached the dialog: " << edit.err;
    EXPECT_EQ(ReadWholeFile(byScript), ReadWholeFile(byFlags));
}

TEST_F(EditCommand, ABadScriptLineIsNamedAndNothingIsWritten) {
    const fs::path out = scratch / "never.kicad_pcb";
    struct Case {
        std::string text;
        std::string message;
        int status;
    };
    const Case cases[] = {
        {"select C1\n\nmove 1 2 3\n", "session.txt:3: expected \"move X Y\"", 2},
        {"select C1\nrun AlignComponent\n", "session.txt:2: no command \"AlignComponent\"", 2},
        {"select C1 Q99\n", "session.txt:1: the board has no footprint Q99", 2},
        {"select C1\naccept\n", "session.txt:2: no edit is running here (accept) (nothing written)", 2},
        {"run AlignComponents\npick 150 80\n", "session.txt:2: no command is waiting for a location", 2},
    };
    for (const Case& c : cases) {
        const Outcome run = Run("edit", {kBoard, "--script", Script(c.text).string(), "-o", out.string()});
        EXPECT_EQ(run.status, c.status) << c.text << run.err;
        EXPECT_NE(run.err.find("autoplacer: " + (scratch / c.message).string()), std::string::npos)
            << c.text << " -> " << run.err;
        EXPECT_FALSE(fs::exists(out)) << c.text;
    }
    const Outcome missing = Run("edit", {kBoard, "--script", (scratch / "absent.txt").string(), "-o", out.string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("absent.txt"), std::string::npos) << missing.err;
}

TEST_F(EditCommand, FlagMistakesAreUsageErrorsAndTheInputIsNeverOverwritten) {
    const fs::path copy = scratch / "board.kicad_pcb";
    fs::copy_file(kBoard, copy);
    const std::string original = ReadWholeFile(copy);
    const std::vector<std::vector<std::string>> usage = {
        {copy.string(), "--select", "C1", "C2"},  // nothing to do
        {copy.string(), "--select", "C1", "--horizontal", "left"},
        {copy.string(), "--select", "C1", "--vertical", "right"},
        {copy.string(), "--select", "C1", "--grid", "25"},
        {copy.string(), "--horizontal", "centre"},
        {copy.string(), "--select", "C1", "Q99", "--horizontal", "centre"},
    };
    for (const std::vector<std::string>& arguments : usage) {
        const Outcome run = Run("align", arguments);
        EXPECT_EQ(run.status, 2) << arguments.back() << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
    }
    const Outcome over = Run("align", {copy.string(), "--select", "C1", "C2", "--vertical", "bottom", "-o", copy.string()});
    EXPECT_EQ(over.status, 4) << over.err;
    EXPECT_NE(over.err.find("--in-place"), std::string::npos) << over.err;
    EXPECT_EQ(ReadWholeFile(copy), original);
    EXPECT_FALSE(fs::exists(scratch / "board.placed.kicad_pcb"));

    const Outcome inPlace = Run("align", {copy.string(), "--select", "C1", "C2", "--vertical", "bottom", "--in-place"});
    ASSERT_EQ(inPlace.status, 0) << inPlace.err;
    const std::map<std::string, Placed> after = ReadBack(copy);
    EXPECT_TRUE(Near(after.at("C1").box.y1, after.at("C2").box.y1)) << "bottom edges in line";
    EXPECT_FALSE(fs::exists(scratch / "board.placed.kicad_pcb"));
}

}  // namespace
