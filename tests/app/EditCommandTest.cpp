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

namespace {

// The editing mode on bp-irtoy: pick the capacitor C5 at the right end of the row
// C5 R7 R12 C8, drag over its neighbours so that they are grabbed, remould the
// cluster to a square, flip it (or not), end with accept or cancel; then line up
// R1, R8 and R9 on one vertical centre line.
std::string EditSession(bool flip, const char* end) {
    return std::string(
               "run EnterInteractiveComponentEditingMode Mode=AutoSelect\n"
               "pick 153.75 102.75\n"
               "move 151.5 102.75\n"
               "move 149.25 102.75\n"
               "move 146.5 102.75\n"
               "feature RemouldSquare\n") +
           (flip ? "flip\n" : "") + end +
           "\n"
           "select R1 R8 R9\n"
           "answer Align Components.RadioGroupHorizontalAlignment=Centre\n"
           "answer Align Components=OK\n"
           "run AlignComponents\n";
}

const std::vector<std::string> kAligned = {"R1", "R8", "R9"};

}  // namespace

TEST_F(EditCommand, AnEditingSessionGrabsRemouldsFlipsAndAcceptsThenAligns) {
    const fs::path flipped = scratch / "flipped.kicad_pcb";
    const fs::path plain = scratch / "plain.kicad_pcb";
    const Outcome run = Run("edit", {kBoard, "--script", Script(EditSession(true, "accept")).string(), "-o",
                                     flipped.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Run("edit", {kBoard, "--script", Script(EditSession(false, "accept")).string(), "-o", plain.string()})
                  .status,
              0);
    const std::map<std::string, Placed> before = ReadBack(kBoard);
    const std::map<std::string, Placed> after = ReadBack(flipped);
    const std::map<std::string, Placed> unflipped = ReadBack(plain);

    std::vector<std::string> edited;
    for (const auto& [reference, placed] : before) {
        const bool aligned = std::find(kAligned.begin(), kAligned.end(), reference) != kAligned.end();
        if (!aligned && !SamePlace(placed, after.at(reference))) {
            edited.push_back(reference);
        }
    }
    for (const char* grabbed : {"C5", "R7", "R12", "C8"}) {
        EXPECT_NE(std::find(edited.begin(), edited.end(), grabbed), edited.end())
            << grabbed << " was picked or dragged over; moved: " << run.out;
    }
    // Remoulded to a square: rows and columns of extent centres, as many of each or one more.
    const auto distinct = [&](auto centre) {
        std::vector<hostpcb::Coord> lines;
        for (const std::string& reference : edited) {
            const hostpcb::Coord c = centre(after.at(reference).box);
            if (std::none_of(lines.begin(), lines.end(), [c](hostpcb::Coord l) { return std::abs(l - c) < 5000 * 20; })) {
                lines.push_back(c);
            }
        }
        return static_cast<int>(lines.size());
    };
    const int columns = distinct([](const hostpcb::Box& b) { return (b.x1 + b.x2) / 2; });
    const int rows = distinct([](const hostpcb::Box& b) { return (b.y1 + b.y2) / 2; });
    EXPECT_EQ(rows * columns, static_cast<int>(edited.size())) << rows << " rows, " << columns << " columns";
    EXPECT_LE(std::abs(rows - columns), 1);
    EXPECT_GE(edited.size(), 4u);

    // Flipped: the same parts mirrored about one vertical line, each keeping its angle, side and height.
    const auto centreX = [](const Placed& p) { return (p.box.x1 + p.box.x2) / 2; };
    const hostpcb::Coord mirror = centreX(after.at("C5")) + centreX(unflipped.at("C5"));
    for (const std::string& reference : edited) {
        const Placed& f = after.at(reference);
        const Placed& u = unflipped.at(reference);
        EXPECT_LE(std::abs(centreX(f) + centreX(u) - mirror), 2 * kFileRounding + 2) << reference;
        EXPECT_TRUE(Near(f.box.y1, u.box.y1)) << reference;
        EXPECT_EQ(f.rotation, u.rotation) << reference;
        EXPECT_EQ(f.side, u.side) << reference;
    }
    EXPECT_NE(mirror, 2 * centreX(before.at("C5"))) << "the flip turned the cluster, not nothing";

    // Then the alignment: one vertical centre line; nothing else moved.
    for (const std::string& reference : kAligned) {
        EXPECT_TRUE(Near(centreX(after.at(reference)), centreX(after.at("R1")))) << reference;
    }
    for (const auto& [reference, placed] : before) {
        const bool aligned = std::find(kAligned.begin(), kAligned.end(), reference) != kAligned.end();
        const bool moved = std::find(edited.begin(), edited.end(), reference) != edited.end();
        if (!aligned && !moved) {
            EXPECT_TRUE(SamePlace(placed, after.at(reference))) << reference;
        }
    }
}

TEST_F(EditCommand, ACancelledEditPutsEveryComponentBackGrabbedOnesIncluded) {
    const fs::path out = scratch / "cancelled.kicad_pcb";
    std::string session = EditSession(true, "cancel");
    session = session.substr(0, session.find("select R1"));  // no alignment afterwards
    const Outcome run = Run("edit", {kBoard, "--script", Script(session).string(), "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "nothing moved";
    EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(kBoard)) << "the board writes back byte for byte";

    // A script that ends in the middle of the edit: the host cancels it just the same.
    const Outcome open = Run("edit", {kBoard, "--script", Script(session.substr(0, session.find("flip"))).string(),
                                      "-o", out.string()});
    ASSERT_EQ(open.status, 0) << open.err;
    EXPECT_NE(open.err.find("the edit is cancelled"), std::string::npos) << open.err;
    EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(kBoard));
}

namespace {

class EditUndo : public EditCommand {};

const std::string kAlignCaps =
    "select C1 C2 C3\n"
    "answer Align Components.RadioGroupHorizontalAlignment=Centre\n"
    "answer Align Components=OK\n"
    "run AlignComponents\n";

// Undo puts every footprint back where the command found it, so the board
// written is the input byte for byte; redo gives the aligned board again.
TEST_F(EditUndo, UndoAndRedoGiveBackTheBoardsBeforeAndAfterTheCommand) {
    const fs::path aligned = scratch / "aligned.kicad_pcb";
    const fs::path undone = scratch / "undone.kicad_pcb";
    const fs::path redone = scratch / "redone.kicad_pcb";
    ASSERT_EQ(Run("edit", {kBoard, "--script", Script(kAlignCaps).string(), "-o", aligned.string()}).status, 0);
    const Outcome undo = Run("edit", {kBoard, "--script", Script(kAlignCaps + "undo\n").string(), "-o", undone.string()});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(undo.out, "") << "nothing is listed as moved";
    EXPECT_EQ(ReadWholeFile(undone), ReadWholeFile(kBoard));
    const Outcome redo =
        Run("edit", {kBoard, "--script", Script(kAlignCaps + "undo\nredo\n").string(), "-o", redone.string()});
    ASSERT_EQ(redo.status, 0) << redo.err;
    EXPECT_EQ(ReadWholeFile(redone), ReadWholeFile(aligned));
}

// A selection alone is no step: undo with nothing done is a script mistake, and
// a new command forgets what was undone.
TEST_F(EditUndo, UndoWithNothingDoneAndRedoAfterANewCommandAreRefused) {
    const fs::path out = scratch / "out.kicad_pcb";
    const Outcome nothing = Run("edit", {kBoard, "--script", Script("select C1\nundo\n").string(), "-o", out.string()});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_NE(nothing.err.find("session.txt:2: there is nothing to undo"), std::string::npos) << nothing.err;
    EXPECT_FALSE(fs::exists(out));
    const Outcome stale =
        Run("edit", {kBoard, "--script", Script(kAlignCaps + "undo\n" + kAlignCaps + "redo\n").string(), "-o",
                     out.string()});
    EXPECT_EQ(stale.status, 2);
    EXPECT_NE(stale.err.find("session.txt:10: there is nothing to redo"), std::string::npos) << stale.err;
}

}  // namespace
