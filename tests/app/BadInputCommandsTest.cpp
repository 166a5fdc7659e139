// The commands on damaged boards and unsafe paths, as a user runs them: one line
// naming the file (and line:column), a non-zero exit status, nothing written and every
// input unchanged.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;  // the exit status; -1 when the process died of a signal
    std::string output;
};

Result RunApp(const std::string& arguments) {
    Result result;
    FILE* pipe = popen(("'" + std::string(AUTOPLACER_BIN_DIR) + "/autoplacer' " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> chunk{};
    size_t read = 0;
    while ((read = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), read);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class BadInputCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs a command that must fail: the given status, a line holding `words` (the only
    // line unless `alone` is false), and the folder exactly as it was.
    void ExpectRefused(const std::string& arguments, int status, const std::string& words, bool alone = true) {
        std::vector<std::pair<std::string, std::string>> before;
        for (const std::string& name : Entries()) before.emplace_back(name, Read(dir_ / name));
        const Result r = RunApp(arguments);
        EXPECT_EQ(r.status, status) << arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(words), std::string::npos) << arguments << "\n" << r.output;
        if (alone) {
            EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
        }
        std::vector<std::pair<std::string, std::string>> after;
        for (const std::string& name : Entries()) after.emplace_back(name, Read(dir_ / name));
        EXPECT_EQ(after, before) << arguments;
    }
    std::string Board(const std::string& name, const std::string& text) {
        Write(dir_ / name, text);
        return "'" + (dir_ / name).string() + "'";
    }

    fs::path dir_;
};

const std::string kDemo = std::string(AUTOPLACER_SOURCE_DIR) + "/demo/demo.kicad_pcb";

TEST_F(BadInputCommandsTest, ALayerEntryWithoutItsNumberIsAnErrorNotACrash) {
    const std::string board = Board("layers.kicad_pcb", "(kicad_pcb (version 20240108) (layers ()))");
    const std::string where = "layers.kicad_pcb:1:39: a layer entry needs a number and a name";
    ExpectRefused("stats " + board, 1, where);
    ExpectRefused("render " + board, 1, where);
    ExpectRefused("run " + board + " --command AutoPlacer --params Action=IsRunning", 2, where);
}

TEST_F(BadInputCommandsTest, CoordinatesBeyondTheHostAreErrorsNotWraps) {
    std::string text = Read(kDemo);
    const std::string at = "(at 105.3 158.3)";  // U1
    ASSERT_NE(text.find(at), std::string::npos);
    for (const std::string value : {"5460 158.3", "4900 0", "1e308 0"}) {
        std::string far = text;
        far.replace(far.find(at), at.size(), "(at " + value + ")");
        const std::string board = Board("far.kicad_pcb", far);
        const std::string x = value.substr(0, value.find(' '));
        const std::string words = "far.kicad_pcb:52:3: footprint U1: x = " + (x == "1e308" ? std::string("1e+308") : x) +
                                  " mm is outside what the host can hold";
        ExpectRefused("stats " + board, 1, words);
        ExpectRefused("render " + board, 1, words);
    }
}

TEST_F(BadInputCommandsTest, RenderNeverWritesOverItsInputs) {
    const std::string board = Board("demo.kicad_pcb", Read(kDemo));
    Write(dir_ / "demo.placer_rules", "(placer_rules (version 1))\n");
    ExpectRefused("render " + board + " -o " + board, 1, "refusing to overwrite the input file");
    ExpectRefused("render " + board + " -o '" + dir_.string() + "/./demo.placer_rules'", 1,
                  "refusing to overwrite the input file");
    // A board named like its picture.
    const std::string svgBoard = Board("board.svg", Read(kDemo));
    ExpectRefused("render " + svgBoard, 1, "refusing to overwrite the input file");
    // The usual case still writes the picture beside the board.
    const Result ok = RunApp("render " + board);
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_TRUE(fs::exists(dir_ / "demo.svg"));
}

TEST_F(BadInputCommandsTest, RunNeverWritesOverTheRulesFile) {
    const std::string board = Board("demo.kicad_pcb", Read(kDemo));
    Write(dir_ / "demo.placer_rules", "(placer_rules (version 1))\n");
    ExpectRefused("run " + board + " --command AutoPlacer --params Action=IsRunning --in-place -o '" +
                      (dir_ / "demo.placer_rules").string() + "'",
                  4, "refusing to overwrite the input file", false);
}

TEST_F(BadInputCommandsTest, AFootprintTextWithoutItsYIsReportedWhereItStands) {
    const std::string board = Board("text.kicad_pcb",
                                    "(kicad_pcb (version 20240108)\n"
                                    "  (layers (0 \"F.Cu\" signal) (31 \"B.Cu\" signal))\n"
                                    "  (footprint \"R\" (layer \"F.Cu\") (at 10 10)\n"
                                    "    (fp_text reference \"R1\" (at 1) (layer \"F.SilkS\"))))\n");
    ExpectRefused("stats " + board, 1, "text.kicad_pcb:4:29: expected two numbers in 'at'");
}

TEST_F(BadInputCommandsTest, AFolderIsNotABoard) {
    const std::string folder = "'" + dir_.string() + "'";
    ExpectRefused("stats " + folder, 1, dir_.string() + " is a directory, not a file");
    ExpectRefused("render " + folder, 1, dir_.string() + " is a directory, not a file");
    ExpectRefused("run " + folder + " --command AutoPlacer --params Action=IsRunning", 2, " is a directory, not a file");
    const std::string board = Board("demo.kicad_pcb", Read(kDemo));
    ExpectRefused("stats " + board + " --rules " + folder, 1, " is a directory, not a file");
}

}  // namespace
