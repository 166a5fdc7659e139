// Damaged and unusual inputs: every one is a located error naming the file, the object
// and the value, or is read soundly; nothing crashes, wraps or replaces an input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TestFiles.h"

namespace {

const std::string kHead = "(kicad_pcb (version 20240108)\n  (layers (0 \"F.Cu\" signal) (1 \"In1.Cu\" power) (31 \"B.Cu\" signal))\n";

std::string Footprint(const std::string& at, const std::string& body = "") {
    return "  (footprint \"R:R\" (layer \"F.Cu\") " + at + "\n    (property \"Reference\" \"R1\" (at 0 0 0))\n" + body +
           "    (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\")))\n";
}

class BadInputTest : public ::testing::Test {
protected:
    // Writes the board, expects LoadBoardFile to fail, and returns the message.
    std::string LoadError(const std::string& text) {
        iotest::WriteFile(path_, text);
        try {
            io::LoadBoardFile(path_);
        } catch (const std::exception& e) {
            EXPECT_EQ(iotest::ReadFile(path_), text) << "the input changed";
            return e.what();
        }
        ADD_FAILURE() << "no error for:\n" << text;
        return {};
    }

    iotest::ScratchDir dir_;
    std::string path_ = dir_.file("bad.kicad_pcb");
};

TEST_F(BadInputTest, LayerEntriesNeedANumberAndOneName) {
    EXPECT_EQ(LoadError("(kicad_pcb (version 20240108) (layers ()))"),
              path_ + ":1:39: a layer entry needs a number and a name");
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108) (layers (0)))").find(":1:39: a layer entry"), std::string::npos);
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108) (layers (0 \"F.Cu\" signal) (0 \"F.Cu\" signal)))")
                  .find(":1:57: the layer name 'F.Cu' is used twice"),
              std::string::npos);
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108) (layers (0 \"F.Cu\" signal) (0 \"Top\" signal)))")
                  .find(":1:57: the layer number 0 is used twice"),
              std::string::npos);
    // Found by fuzz_board: a second table renamed the front copper after footprints were read.
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108) (layers (0 \"F.Cu\" signal))\n (layers (0 \"Top\" signal)))")
                  .find(":2:2: a second layer table (the first is at line 1, column 31)"),
              std::string::npos);
    // The two copper sides under each other's names would make them one side.
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108) (layers (0 \"B.Cu\" signal) (31 \"F.Cu\" signal)))")
                  .find("the front copper layer is named 'B.Cu'"),
              std::string::npos);
}

TEST_F(BadInputTest, ValuesTheHostCannotHoldNameTheObjectAndTheValue) {
    struct Case {
        std::string board;
        std::string message;  // after "FILE:"
    };
    const std::string range = " is outside what the host can hold (-3362.30 to 2092.30 mm)";
    const std::vector<Case> cases = {
        // Used to wrap to the other side of the board.
        {kHead + Footprint("(at 5460 10)") + ")", "3:35: footprint R1: x = 5460 mm" + range},
        // Used to overflow a signed addition, and to convert infinity to an integer.
        {kHead + Footprint("(at 4900 0)") + ")", "3:35: footprint R1: x = 4900 mm" + range},
        {kHead + Footprint("(at 1e308 0)") + ")", "3:35: footprint R1: x = 1e+308 mm" + range},
        {kHead + Footprint("(at 10 -1e308)") + ")", "3:35: footprint R1: y = -1e+308 mm is outside"},
        {kHead + Footprint("(at 2000 0)", "    (pad \"2\" smd rect (at 500 0) (size 1 1) (layers \"F.Cu\"))\n") + ")",
         "5:23: footprint R1, pad 2: x = 2500 mm" + range},
        {kHead + Footprint("(at 10 10)", "    (pad \"2\" smd rect (at 0 0) (size 2000 1) (layers \"F.Cu\"))\n") + ")",
         "5:5: footprint R1, pad 2: size 2000 mm is larger than the host can hold (1363.65 mm)"},
        {kHead + Footprint("(at 10 10)", "    (pad \"2\" thru_hole circle (at 0 0) (size 1 1) (drill 1e308) (layers \"*.Cu\"))\n") + ")",
         "5:5: footprint R1, pad 2: drill 1e+308 mm is larger"},
        // Footprint graphics and the outline.
        {kHead + Footprint("(at 10 10)", "    (fp_line (start 0 0) (end 1e308 0) (stroke (width 0.1)) (layer \"F.SilkS\"))\n") + ")",
         "5:5: footprint R1, fp_line: x = 1e+308 mm" + range},
        {kHead + Footprint("(at 10 10)", "    (fp_circle (center 0 0) (end 1 0) (stroke (width 1e300)) (layer \"F.SilkS\"))\n") + ")",
         "5:5: footprint R1, fp_circle: width 1e+300 mm is larger"},
        {kHead + "  (gr_line (start 0 0) (end 0 5000) (layer \"Edge.Cuts\") (width 0.1)))",
         "3:3: Edge.Cuts gr_line: y = 5000 mm is outside what the host can hold (-822.30 to 4632.30 mm)"},
        {kHead + "  (gr_circle (center 0 0) (end 1500 0) (layer \"Edge.Cuts\") (width 0.1)))",
         "3:3: Edge.Cuts gr_circle: radius 1500 mm is larger"},
        {kHead + "  (setup (grid_origin 1e10 0)))", "3:10: grid origin: x = 1e+10 mm"},
        {kHead + "  (zone (net 0) (layer \"In1.Cu\") (polygon (pts (xy 0 0) (xy 1e9 0) (xy 0 1)))))",
         "3:3: zone on In1.Cu: x = 1000000000 mm"},
        {kHead + "  (net_class Default \"\" (clearance 1e300)))", "3:25: net class Default: clearance 1e+300 mm is larger"},
    };
    for (const Case& c : cases) {
        const std::string message = LoadError(c.board);
        EXPECT_EQ(message.rfind(path_ + ":" + c.message, 0), 0u) << message << "\nexpected: " << c.message;
    }
}

TEST_F(BadInputTest, BoardsNearTheEdgeOfTheRangeLoadWithoutWrapping) {
    iotest::WriteFile(path_, kHead + Footprint("(at 2090 -800)") + Footprint("(at -3360 4630)") + ")");
    auto loaded = io::LoadBoardFile(path_);
    const std::vector<hostpcb::Component*> components = loaded->board->Components();
    ASSERT_EQ(components.size(), 2u);
    EXPECT_EQ(components[0]->Position(), (hostpcb::Point{io::kXShift + io::MmToHost(2090), io::kYFlipLine + io::MmToHost(800)}));
    EXPECT_EQ(components[1]->Position(), (hostpcb::Point{io::kXShift - io::MmToHost(3360), io::kYFlipLine - io::MmToHost(4630)}));
    EXPECT_GT(components[0]->Position().x, 0);
    EXPECT_LT(components[1]->Position().x, 0);
}

TEST_F(BadInputTest, AnArcTooWideForTheHostBecomesTracksAlongIt) {
    // Three nearly collinear points: the circle through them is kilometres wide.
    iotest::WriteFile(path_, kHead + "  (gr_arc (start 0 0) (mid 50 0.000001) (end 100 0) (layer \"Edge.Cuts\") (width 0.1)))");
    auto loaded = io::LoadBoardFile(path_);
    EXPECT_EQ(loaded->mapping.outlineTracks, 16);
    int tracks = 0;
    for (const hostpcb::Object* o : loaded->board->Objects(static_cast<uint8_t>(hostpcb::ObjectKind::Track))) {
        const auto* t = static_cast<const hostpcb::Track*>(o);
        ++tracks;
        EXPECT_NEAR(t->Position().y, io::kYFlipLine, 1);
        EXPECT_NEAR(t->End().y, io::kYFlipLine, 1);
    }
    EXPECT_EQ(tracks, 16);
}

TEST_F(BadInputTest, RulesFilesCannotHoldValuesTheHostCannot) {
    iotest::WriteFile(path_, kHead + Footprint("(at 10 10)") + ")");
    const std::string rules = dir_.file("bad.placer_rules");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"(placer_rules (version 1) (room \"Far\" (rect 0 0 1e308 10) (scope (component R1))))",
         ":1:39: room Far: x = 1e+308 mm is outside"},
        {"(placer_rules (version 1) (component_clearance (gap 1e300)))",
         ":1:53: component clearance ComponentClearance1: gap 1e+300 mm is larger"},
    };
    for (const auto& [text, message] : cases) {
        iotest::WriteFile(rules, text);
        try {
            io::LoadBoardFile(path_);
            ADD_FAILURE() << "no error for " << text;
        } catch (const io::SExprError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(rules + message, 0), 0u) << e.what();
        }
    }
}

TEST_F(BadInputTest, FootprintTextsAndZonesMustHoldWhatTheWriterMoves) {
    // A text position without its Y: the writer used to read a missing Y, or to write the
    // angle in its place.
    EXPECT_NE(LoadError(kHead + "  (footprint \"R\" (layer \"F.Cu\") (at 1 1)\n    (property \"Reference\" \"R1\" (at 1)))\n)")
                  .find(":4:32: expected two numbers in 'at'"),
              std::string::npos);
    EXPECT_NE(LoadError(kHead + "  (footprint \"R\" (layer \"F.Cu\") (at 1 1) (fp_text reference R1 (at 1 0.5x)))\n)")
                  .find(":3:70: expected a number, found '0.5x'"),
              std::string::npos);
    EXPECT_NE(LoadError(kHead + "  (footprint \"R\" (layer \"F.Cu\") (at 1 1)\n    (zone (polygon (pts (xy 1 1) (xy 2)))))\n)")
                  .find(":4:34: expected two numbers in 'xy'"),
              std::string::npos);
    EXPECT_NE(LoadError(kHead + "  (footprint \"R\" (layer \"F.Fab\") (at 1 1))\n)")
                  .find(":3:3: footprint 'R' is on layer 'F.Fab', not on the front or back copper"),
              std::string::npos);
    // A footprint that names no layer has no layer for the writer to swap, so a flip
    // would be lost; an unnamed copper layer used to take it in as its own.
    EXPECT_NE(LoadError(kHead + "  (footprint \"R\" (at 1 1))\n)").find(":3:3: footprint 'R' is on no layer"),
              std::string::npos);
    EXPECT_NE(LoadError("(kicad_pcb (version 20240108)\n  (layers (0 \"\" signal) (31 \"B.Cu\" signal))\n"
                        "  (footprint \"R\" (at 1 1))\n)")
                  .find(":2:11: layer 0 has no name"),
              std::string::npos);
}

TEST_F(BadInputTest, AFootprintReachingFarFromItsOriginIsRefused) {
    // A courtyard line 1468 mm long: turned a quarter by the placer, it ended beyond
    // what the host holds and the placed board did not read back.
    const std::string far = "    (fp_line (start -1.68 -0.95) (end 1468 -0.95) (layer \"F.CrtYd\") (width 0.05))\n";
    EXPECT_NE(LoadError(kHead + Footprint("(at 10 10)", far) + ")").find("footprint R1 reaches 1468 mm from its origin"),
              std::string::npos);
    // A large frame within the bound is read.
    const std::string frame = "    (fp_line (start -300 -200) (end 300 200) (layer \"F.SilkS\") (width 0.1))\n";
    iotest::WriteFile(path_, kHead + Footprint("(at 10 10)", frame) + ")");
    EXPECT_NE(io::LoadBoardFile(path_), nullptr);
}

TEST_F(BadInputTest, FlippingOddButValidFootprintsWritesAReadableBoard) {
    // An arc with an empty (angle) list, and lists nested far deeper than a recursive walk
    // survives, in a graphic and in a footprint zone.
    const std::string deep = std::string(100000, '(') + "x" + std::string(100000, ')');
    const std::string board = kHead + Footprint("(at 10 10)",
                                                "    (fp_arc (start 1 0) (mid 0 1) (end -1 0) (angle) (layer \"F.Fab\") (width 0.1))\n"
                                                "    (fp_line (start 0 0) (end 1 0) (layer \"F.Fab\") (width 0.1) " + deep + ")\n"
                                                "    (zone (polygon (pts (xy 9 9) (xy 11 9) (xy 10 11))) " + deep + ")\n") + ")";
    iotest::WriteFile(path_, board);
    auto loaded = io::LoadBoardFile(path_);
    hostpcb::Component* r1 = loaded->board->FindComponent("R1");
    ASSERT_NE(r1, nullptr);
    r1->SetLayer(PCB_BOTTOM_LAYER);
    io::SaveOptions options;
    options.output = dir_.file("out.kicad_pcb");
    EXPECT_EQ(io::SaveBoardFile(*loaded, options).flipped, 1);
    auto written = io::KicadBoard::load(options.output);
    ASSERT_EQ(written->footprints().size(), 1u);
    EXPECT_TRUE(written->footprints()[0].back);
    const std::string out = iotest::ReadFile(options.output);
    EXPECT_NE(out.find("(fp_arc (start 1 0) (mid 0 -1) (end -1 0) (angle) (layer \"B.Fab\")"), std::string::npos);
    // Mirrored like KiCad flips (the host keeps the rotation, which is half a turn more in KiCad).
    EXPECT_NE(out.find("(xy 11 9) (xy 9 9) (xy 10 11)"), std::string::npos) << out.substr(out.find("(zone"), 80);
    EXPECT_NE(out.find(deep), std::string::npos);
    EXPECT_EQ(iotest::ReadFile(path_), board);
}

TEST_F(BadInputTest, FlippedLayerNamesAreQuotedWhenTheyMustBe) {
    // Found by fuzz_board: the front copper's name, quoted in the layer table, was written
    // bare into a footprint that used bare names, and its ')' closed the list.
    const std::string board =
        "(kicad_pcb (version 20171130)\n"
        "  (layers (0 \"F).Cu\" signal) (31 Bottom signal))\n"
        "  (module R (layer Bottom) (at 10 10)\n"
        "    (fp_text reference R1 (at 0 0) (layer B.SilkS))\n"
        "    (pad 1 smd rect (at 0 0) (size 1 1) (layers Bottom))))\n";
    iotest::WriteFile(path_, board);
    auto loaded = io::LoadBoardFile(path_);
    loaded->board->FindComponent("R1")->SetLayer(PCB_TOP_LAYER);
    io::SaveOptions options;
    options.output = dir_.file("out.kicad_pcb");
    io::SaveBoardFile(*loaded, options);
    const std::string out = iotest::ReadFile(options.output);
    EXPECT_NE(out.find("(module R (layer \"F).Cu\")"), std::string::npos) << out;
    EXPECT_NE(out.find("(layers \"F).Cu\")"), std::string::npos) << out;
    auto written = io::KicadBoard::load(options.output);
    EXPECT_FALSE(written->footprints().at(0).back);
}

TEST_F(BadInputTest, OnlyRegularFilesAreRead) {
    EXPECT_EQ(LoadError(""), path_ + ":1:1: empty input: expected '('");
    try {
        io::LoadBoardFile(dir_.path());
        ADD_FAILURE() << "a directory was read";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), dir_.path() + " is a directory, not a file");
    }
    EXPECT_THROW(io::LoadBoardFile("/dev/zero"), std::runtime_error);
    EXPECT_THROW(io::SExprDocument::parseFile(dir_.path()), std::runtime_error);
    // A rules file given as a folder is not silently skipped.
    iotest::WriteFile(path_, kHead + ")");
    io::LoadOptions options;
    options.rulesPath = dir_.path();
    EXPECT_THROW(io::LoadBoardFile(path_, options), std::runtime_error);
}

TEST_F(BadInputTest, AProjectFileThatIsNoFileIsNamedAndTheClearanceFallsBack) {
    // A folder and a pipe in the project file's place: one clear warning each, the
    // default clearance, and no read that blocks on the pipe.
    iotest::WriteFile(path_, kHead + Footprint("(at 10 10)") + ")");
    const std::string project = dir_.file("bad.kicad_pro");
    std::filesystem::create_directory(project);
    auto folder = io::LoadBoardFile(path_);
    EXPECT_DOUBLE_EQ(folder->clearance.clearanceMm, 0.2);
    EXPECT_EQ(folder->warnings,
              std::vector<std::string>{"the project file " + project + " is a directory, not a file; using a clearance of 0.2 mm"});
    folder.reset();

    std::filesystem::remove(project);
    ASSERT_EQ(::mkfifo(project.c_str(), 0600), 0);
    auto pipe = io::LoadBoardFile(path_);
    EXPECT_EQ(pipe->warnings,
              std::vector<std::string>{"the project file " + project + " is not a regular file; using a clearance of 0.2 mm"});
}

TEST_F(BadInputTest, OutputsNeverReplaceTheFilesABoardWasReadFrom) {
    iotest::WriteFile(path_, kHead + Footprint("(at 10 10)") + ")");
    const std::string rules = dir_.file("bad.placer_rules");
    const std::string project = dir_.file("bad.kicad_pro");
    iotest::WriteFile(rules, "(placer_rules (version 1))");
    iotest::WriteFile(project, "{}");
    auto loaded = io::LoadBoardFile(path_);
    EXPECT_EQ(loaded->inputs, (std::vector<std::string>{path_, project, rules}));

    std::filesystem::create_symlink(rules, dir_.file("link"));
    for (const std::string& output : {path_, dir_.path() + "/./bad.kicad_pcb", rules, dir_.file("link"), project}) {
        EXPECT_NE(io::OverwrittenInput(output, loaded->inputs), nullptr) << output;
        EXPECT_THROW(io::RefuseToOverwriteInputs(output, loaded->inputs), std::runtime_error) << output;
    }
    EXPECT_EQ(io::OverwrittenInput(dir_.file("bad.svg"), loaded->inputs), nullptr);
    EXPECT_NO_THROW(io::RefuseToOverwriteInputs(dir_.file("missing/bad.svg"), loaded->inputs));

    // Writing the board in place may replace the board, never its rules or project file.
    io::SaveOptions inPlace;
    inPlace.inPlace = true;
    inPlace.output = rules;
    EXPECT_THROW(io::SaveBoardFile(*loaded, inPlace), std::runtime_error);
    EXPECT_EQ(iotest::ReadFile(rules), "(placer_rules (version 1))");
    inPlace.output = {};
    EXPECT_EQ(io::SaveBoardFile(*loaded, inPlace).path, path_);
}

}  // namespace
