// The paths a user names for "place", checked before anything runs: outputs
// never replace an input (board, rules file) or the placed board, folders and
// special files are refused without blocking, a report that cannot be
// written stops the run before the board is written, and --in-place through
// a link replaces the board the link names. Output names up to the name limit
// work, and a write that fails leaves no temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/BinaryRun.h"
#include "app/ExitStatus.h"

namespace {

namespace fs = std::filesystem;
using apptest::ReadWholeFile;

struct Outcome {
    int status = -1;
    std::string err;
};

class Paths : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-paths-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        board = dir / "demo.kicad_pcb";
        rules = dir / "demo.placer_rules";
        fs::copy_file(fs::path(AUTOPLACER_SOURCE_DIR) / "demo" / "demo.kicad_pcb", board);
        fs::copy_file(fs::path(AUTOPLACER_SOURCE_DIR) / "demo" / "demo.placer_rules", rules);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // "place" with the arguments, a time limit (a blocked run fails) and standard input closed.
    // A shell prefix (e.g. a ulimit) may come first.
    Outcome Place(const std::vector<std::string>& arguments, const std::string& prefix = "") const {
        std::string command = prefix + "timeout 60 '" + std::string(AUTOPLACER_BIN_DIR) + "/autoplacer' place";
        for (const std::string& argument : arguments) {
            command += " '" + argument + "'";
        }
        const fs::path errors = dir / ".." / (dir.filename().string() + ".err");
        command += " </dev/null >/dev/null 2>'" + errors.string() + "'";
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.err = ReadWholeFile(errors);
        fs::remove(errors);
        return outcome;
    }

    std::vector<std::pair<std::string, std::string>> Files() const {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            files.emplace_back(entry.path().string(), entry.is_regular_file() ? ReadWholeFile(entry.path()) : "");
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // Refused before anything ran: the status, one line holding words, the folder as it was.
    void ExpectRefused(const std::vector<std::string>& arguments, int status, const std::string& words) {
        const auto before = Files();
        const Outcome run = Place(arguments);
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_EQ(run.err.rfind("autoplacer: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(Files(), before);
    }

    std::string Registry() const { return "--registry=" + (dir / "registry.json").string(); }

    fs::path dir;
    fs::path board;
    fs::path rules;
};

TEST_F(Paths, OutputsNeverReplaceAnInputOrThePlacedBoard) {
    const std::string b = board.string();
    ExpectRefused({b, Registry(), "--report", b}, app::kExitCannotWrite, "would replace the input");
    ExpectRefused({b, Registry(), "--report", rules.string()}, app::kExitCannotWrite, "would replace the input");
    const std::string out = (dir / "out.kicad_pcb").string();
    ExpectRefused({b, Registry(), "-o", out, "--report", out}, app::kExitCannotWrite, "would replace the placed board");
    ExpectRefused({b, "--registry", b}, app::kExitCannotWrite, "would replace the input");
    ExpectRefused({b, Registry(), "--pictures", b}, app::kExitCannotWrite, "would replace the input");
}

TEST_F(Paths, FoldersAndSpecialFilesAreRefusedWithoutBlocking) {
    const std::string b = board.string();
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    ExpectRefused({b, "--registry", (dir / "folder").string()}, app::kExitUsage, "is a directory");
    ExpectRefused({b, "--registry", (dir / "fifo").string()}, app::kExitUsage, "not a regular file");
    ExpectRefused({b, Registry(), "--answers", (dir / "fifo").string()}, app::kExitUsage, "not a regular file");
    ExpectRefused({b, Registry(), "--answers", (dir / "folder").string()}, app::kExitUsage, "is a directory");
    ExpectRefused({(dir / "fifo").string(), Registry()}, app::kExitUsage, "not a regular file");
    ExpectRefused({b, Registry(), "--pictures", (dir / "demo.placer_rules" / "pics").string()},
                  app::kExitCannotWrite, "is not a folder");
}

TEST_F(Paths, AReportThatCannotBeWrittenStopsTheRunBeforeTheBoardIsWritten) {
    ExpectRefused({board.string(), Registry(), "--report", (dir / "missing" / "report.json").string()},
                  app::kExitCannotWrite, "does not exist");
    EXPECT_FALSE(fs::exists(dir / "demo.placed.kicad_pcb"));
}

TEST_F(Paths, InPlaceThroughALinkReplacesTheBoardItNames) {
    fs::create_directory(dir / "links");
    const fs::path link = dir / "links" / "demo.kicad_pcb";
    fs::create_symlink(board, link);
    const std::string original = ReadWholeFile(board);
    const Outcome run = Place({link.string(), Registry(), "--in-place"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadWholeFile(board), original);
}

TEST_F(Paths, OutputNamesUpToTheNameLimitAreWrittenWithoutTemporaryFiles) {
    const fs::path output = dir / (std::string(241, 'o') + ".kicad_pcb");  // 251 characters
    const fs::path report = dir / (std::string(250, 'r') + ".json");       // 255
    const fs::path registry = dir / (std::string(243, 's') + ".json");     // 248
    const Outcome run = Place({board.string(), "--registry", registry.string(), "-o", output.string(), "--report",
                               report.string()});
    EXPECT_TRUE(run.status == app::kExitOk || run.status == app::kExitNotLegal) << run.err;
    EXPECT_NE(ReadWholeFile(output).find("(kicad_pcb"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(report).front(), '{');
    EXPECT_TRUE(fs::exists(registry));
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

TEST_F(Paths, ABoardPastTheFileSizeLimitIsOneLineAndLeavesNothing) {
    const fs::path output = dir / "out.kicad_pcb";
    // The settings file (well under the limit) is written; the placed board is not.
    const Outcome run = Place({board.string(), Registry(), "-o", output.string()}, "ulimit -f 20; ");
    EXPECT_EQ(run.status, app::kExitCannotWrite) << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(output));
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

}  // namespace
