// "autoplacer place" end to end: the executable on the demo board and small real
// boards, its exit statuses and single-line failures, the input left alone, the
// option flags reaching the placer through its setup dialog, and Ctrl-C with
// restore giving back the input file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "app/BinaryRun.h"
#include "app/FileRegistry.h"
#include "app/Metrics.h"
#include "hostpcb/Host.h"
#include "hostpcb/PlacementShape.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "settings/PlacerRegistry.h"

namespace {

namespace fs = std::filesystem;
using apptest::Outcome;
using apptest::ReadWholeFile;
using apptest::RunCommand;

const std::string kBinDir = AUTOPLACER_BIN_DIR;
const std::string kSourceDir = AUTOPLACER_SOURCE_DIR;
const std::string kBoardsDir = AUTOPLACER_BOARDS_DIR;

// Runs the application with its standard input closed; the arguments are quoted.
Outcome RunPlace(const std::vector<std::string>& arguments, const fs::path& scratch) {
    std::string command = "'" + kBinDir + "/autoplacer' place";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += " --registry '" + (scratch / "registry.json").string() + "' </dev/null";
    return RunCommand(command, scratch / "stderr.txt");
}

// Placed: 0, or 9 when the report names parts not legally placed (a quick run
// leaves the groups in their rooms unplaced).
bool Placed(int status) { return status == 0 || status == 9; }

class PlaceCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-place-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
    }
    void TearDown() override {
        hostpcb::Host::Instance().Reset();
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }
    // A copy of a board (with its rules file when it has one) in the scratch folder.
    fs::path Copy(const fs::path& board) {
        const fs::path target = scratch / board.filename();
        fs::copy_file(board, target);
        fs::path rules = board;
        rules.replace_extension(".placer_rules");
        if (fs::exists(rules)) {
            fs::copy_file(rules, scratch / rules.filename());
        }
        return target;
    }
    fs::path scratch;
};

// Locked footprints stay, every other one ends inside the outline without overlaps.
void ExpectPlacedCleanly(const fs::path& input, const fs::path& output) {
    auto before = io::LoadBoardFile(input.string());
    std::map<std::string, std::pair<hostpcb::Point, double>> locked;
    for (const hostpcb::Component* c : before->board->Components()) {
        if (!c->moveable) {
            locked[c->Designator()] = {c->Position(), c->Rotation()};
        }
    }
    before.reset();
    auto after = io::LoadBoardFile(output.string());
    for (const hostpcb::Component* c : after->board->Components()) {
        const auto fixed = locked.find(c->Designator());
        if (fixed != locked.end()) {
            EXPECT_EQ(c->Position(), fixed->second.first) << c->Designator();
            EXPECT_EQ(c->Rotation(), fixed->second.second) << c->Designator();
        }
    }
    const app::BoardMetrics metrics = app::MeasureBoard(*after->board);
    EXPECT_EQ(metrics.outsideOutline, 0) << output;
    EXPECT_EQ(metrics.overlappingPairs, 0) << output;
}

TEST_F(PlaceCommand, DemoBoardIsPlacedReportedAndPictured) {
    const fs::path input = Copy(fs::path(kSourceDir) / "demo" / "demo.kicad_pcb");
    const std::string original = ReadWholeFile(input);
    const fs::path pictures = scratch / "pictures";
    const fs::path report = scratch / "report.json";
    const Outcome run = RunPlace({input.string(), "--pictures", pictures.string(), "--report", report.string()}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadWholeFile(input), original);
    const fs::path output = scratch / "demo.placed.kicad_pcb";
    ASSERT_TRUE(fs::exists(output));
    ExpectPlacedCleanly(input, output);

    EXPECT_NE(run.out.find("connection length (mm)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Scoring component pairs ..."), std::string::npos) << run.out;
    const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(report));
    EXPECT_EQ(json["outcome"], "placed");
    EXPECT_EQ(json["components"], 31);
    EXPECT_EQ(json["after"]["outside_outline"], 0);
    EXPECT_GT(json["before"]["outside_outline"].get<int>(), 0);
    const std::string after = ReadWholeFile(pictures / "demo-after.svg");
    const std::string before = ReadWholeFile(pictures / "demo-before.svg");
    EXPECT_NE(before.find("<svg"), std::string::npos);
    EXPECT_NE(after.find("<svg"), std::string::npos);
    EXPECT_NE(after, before);
    // Hidden for the run, drawn again by the host's redraw.
    EXPECT_NE(after.find(">U1<"), std::string::npos);
}

TEST_F(PlaceCommand, OutputOptionsAndInPlace) {
    const fs::path input = Copy(fs::path(kSourceDir) / "demo" / "demo.kicad_pcb");
    const std::string original = ReadWholeFile(input);
    const fs::path chosen = scratch / "elsewhere.kicad_pcb";
    ASSERT_TRUE(Placed(RunPlace({input.string(), "-o", chosen.string(), "--quick"}, scratch).status));
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_FALSE(fs::exists(scratch / "demo.placed.kicad_pcb"));
    EXPECT_EQ(ReadWholeFile(input), original);

    // Refused at once, before any placement.
    const Outcome refused = RunPlace({input.string(), "-o", (scratch / "." / input.filename()).string()}, scratch);
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.err, "autoplacer: refusing to overwrite the input board " + input.string() + " (use --in-place)\n");
    EXPECT_EQ(ReadWholeFile(input), original);

    ASSERT_TRUE(Placed(RunPlace({input.string(), "--in-place", "--quick"}, scratch).status));
    EXPECT_NE(ReadWholeFile(input), original);
}

TEST_F(PlaceCommand, StatisticalChoiceHandsTheBoardToTheHostPlacer) {
    const fs::path input = Copy(fs::path(kSourceDir) / "demo" / "demo.kicad_pcb");
    const fs::path report = scratch / "report.json";
    const Outcome run = RunPlace({input.string(), "--statistical", "--report", report.string()}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(report));
    // The cluster placer's phases never ran; the host's placer moved the parts.
    for (const auto& phase : json["phases"]) {
        EXPECT_NE(phase["phase"], "Making absolute placements ...");
    }
    EXPECT_GT(json["moved"].get<int>(), 0);
    EXPECT_NE(RunPlace({input.string(), "--statistical", "--quick"}, scratch).status, 0);
}

TEST_F(PlaceCommand, BoardWithoutOutlineFailsWithTheMessageAndWritesNothing) {
    std::string text = ReadWholeFile(fs::path(kSourceDir) / "demo" / "demo.kicad_pcb");
    const std::size_t outline = text.find("(gr_rect");
    ASSERT_NE(outline, std::string::npos);
    text.erase(outline, text.find('\n', outline) - outline);
    const fs::path input = scratch / "bare.kicad_pcb";
    std::ofstream(input, std::ios::binary) << text;

    const Outcome run = RunPlace({input.string()}, scratch);
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.err, "autoplacer: No valid keepout is defined on this board. Autoplacement cannot proceed.\n");
    EXPECT_FALSE(fs::exists(scratch / "bare.placed.kicad_pcb"));
    EXPECT_EQ(ReadWholeFile(input), text);
}

TEST_F(PlaceCommand, UnreadableBoardFailsWithOneLine) {
    const fs::path input = scratch / "broken.kicad_pcb";
    std::ofstream(input) << "(kicad_pcb (version 20240108) (footprint";
    const Outcome run = RunPlace({input.string()}, scratch);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("autoplacer: cannot read ", 0), 0u) << run.err;
    EXPECT_EQ(RunPlace({(scratch / "missing.kicad_pcb").string()}, scratch).status, 2);
}

TEST_F(PlaceCommand, OptionFlagsGoThroughTheSetupDialog) {
    const fs::path input = Copy(fs::path(kSourceDir) / "demo" / "demo.kicad_pcb");
    const Outcome run = RunPlace({input.string(), "--quick", "--grid", "25mil", "--threshold", "70", "--no-pre-passes",
                                  "--tree-rooms", "--guide-weight", "3", "--pad-weight", "15", "--length-weight", "5",
                                  "--crossover-weight", "0", "--direction-weight", "2"},
                                 scratch);
    ASSERT_TRUE(Placed(run.status)) << run.err;
    // What the setup dialog stored when "Place" was pressed.
    std::ostringstream notices;
    app::FileRegistry registry(scratch / "registry.json", notices);
    const char* key = autoplacer::kPlacerRegistryKey;
    int32_t grid = 0;
    int32_t threshold = 0;
    bool prePasses = true;
    bool treeRooms = false;
    bool strict = false;
    bool fixed = false;
    ASSERT_TRUE(registry.ReadInteger(key, "GridSize", &grid));
    ASSERT_TRUE(registry.ReadInteger(key, "ClusteringThreshold", &threshold));
    ASSERT_TRUE(registry.ReadBool(key, "DoPrePasses", &prePasses));
    ASSERT_TRUE(registry.ReadBool(key, "TreeBasedRooms", &treeRooms));
    ASSERT_TRUE(registry.ReadBool(key, "StrictFloorPlanning", &strict));
    ASSERT_TRUE(registry.ReadBool(key, "FixedTopology", &fixed));
    EXPECT_EQ(grid, 250000);
    EXPECT_EQ(threshold, 70);
    EXPECT_FALSE(prePasses);
    EXPECT_TRUE(treeRooms);
    EXPECT_TRUE(strict);
    EXPECT_TRUE(fixed);
    const std::map<const char*, const char*> weights = {{"MaximizeKeepInRoom", "3"},
                                                        {"OptimizePadPositions", "15"},
                                                        {"MinimizeConnectionLength", "5"},
                                                        {"MinimizeCrossOvers", "0"},
                                                        {"OptimizeDirections", "2"}};
    for (const auto& [name, value] : weights) {
        std::array<char, 64> text{};
        ASSERT_TRUE(registry.ReadString(key, name, text.data(), static_cast<int32_t>(text.size()))) << name;
        EXPECT_STREQ(text.data(), value) << name;
    }

    // Flags of the cluster placer do not go with the statistical placer.
    EXPECT_NE(RunPlace({input.string(), "--statistical", "--grid", "25mil"}, scratch).status, 0);
}

// What the run guarantees on any board: the input stays, locked footprints
// stay, every movable one is placed, and the report describes the written file.
// (How many fit inside the outline is the engines' quality; the bench table
// follows it per board.)
TEST_F(PlaceCommand, SmallRealBoardsArePlacedEndToEnd) {
    // Each board with the number of mounting holes it has: they stay where they are.
    const std::pair<const char*, std::size_t> boards[] = {{"uext-esp32-c3.kicad_pcb", 0},
                                                          {"bp-irtoy.kicad_pcb", 0},
                                                          {"sensorwatch-b1.kicad_pcb", 0},
                                                          {"cm5-minima.kicad_pcb", 7}};
    for (const auto& [name, holes] : boards) {
        const fs::path input = Copy(fs::path(kBoardsDir) / name);
        const std::string original = ReadWholeFile(input);
        const fs::path report = scratch / "report.json";
        const Outcome run = RunPlace({input.string(), "--report", report.string()}, scratch);
        ASSERT_TRUE(Placed(run.status)) << name << ": " << run.err;
        EXPECT_EQ(ReadWholeFile(input), original) << name;
        fs::path output = input;
        output.replace_extension();
        output += ".placed.kicad_pcb";

        auto before = io::LoadBoardFile(input.string());
        std::map<std::string, std::pair<hostpcb::Point, double>> locked;
        int movable = 0;
        for (const hostpcb::Component* c : before->board->Components()) {
            // Locked parts and artwork (a logo has no placement shape) stay put.
            if (!c->moveable || !hostpcb::HasExtent(*c)) {
                locked[c->Designator()] = {c->Position(), c->Rotation()};
            } else {
                ++movable;
            }
        }
        before.reset();
        auto after = io::LoadBoardFile(output.string());
        for (const hostpcb::Component* c : after->board->Components()) {
            const auto fixed = locked.find(c->Designator());
            if (fixed != locked.end()) {
                EXPECT_EQ(c->Position(), fixed->second.first) << name << " " << c->Designator();
            }
        }
        const app::BoardMetrics metrics = app::MeasureBoard(*after->board);
        const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(report));
        EXPECT_EQ(json["legal"].get<bool>(), run.status == 0) << name;
        EXPECT_EQ(json["moved"].get<int>(), movable) << name;
        EXPECT_EQ(json["kept_mounting_holes"].size(), holes) << name;
        EXPECT_EQ(json["after"]["overlapping_pairs"].get<int>(), metrics.overlappingPairs) << name;
        EXPECT_EQ(json["after"]["outside_outline"].get<int>(), metrics.outsideOutline) << name;
        EXPECT_NEAR(json["after"]["connection_length_mm"].get<double>(), io::HostToMm(metrics.connectionLength), 0.01)
            << name;
        after.reset();
        hostpcb::Host::Instance().Reset();
    }
}

// Ctrl-C once the run has begun: the stop question, answered with restore,
// gives back a file equal to the input, and the exit status says stopped.
TEST_F(PlaceCommand, InterruptWithRestoreWritesTheInputBack) {
    const fs::path input = Copy(fs::path(kBoardsDir) / "tkey-tk1.kicad_pcb");
    const std::string original = ReadWholeFile(input);
    int errors[2];
    ASSERT_EQ(pipe(errors), 0);
    const std::string app = kBinDir + "/autoplacer";
    const std::string registry = (scratch / "registry.json").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(errors[1], STDERR_FILENO);
        close(errors[0]);
        close(errors[1]);
        const int devNull = ::open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        execl(app.c_str(), app.c_str(), "place", input.c_str(), "--batch", "-v", "--registry", registry.c_str(),
              "--answer", "Confirm.Restore_CheckBox=1", "--answer", "Confirm=Yes", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errors[1]);
    // The first zoom is sent once the run has hidden the board: the run has begun.
    std::string seen;
    bool interrupted = false;
    std::array<char, 4096> chunk{};
    for (ssize_t n = 0; (n = read(errors[0], chunk.data(), chunk.size())) > 0;) {
        seen.append(chunk.data(), static_cast<std::size_t>(n));
        if (!interrupted && seen.find("host command PCB:Zoom") != std::string::npos) {
            kill(child, SIGINT);
            interrupted = true;
        }
    }
    close(errors[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(interrupted) << seen;
    ASSERT_TRUE(WIFEXITED(status)) << seen;
    EXPECT_EQ(WEXITSTATUS(status), 6) << seen;
    EXPECT_NE(seen.find("placement stopped by the user; every component is back where it was"), std::string::npos)
        << seen;
    EXPECT_EQ(ReadWholeFile(input), original);
    const std::string output = ReadWholeFile(scratch / "tkey-tk1.placed.kicad_pcb");
    EXPECT_TRUE(output == original) << "the restored board differs from the input";
}

}  // namespace
