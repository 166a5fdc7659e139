// The command line as a user meets it, through the real binary: values are
// checked before anything runs, every error line starts with "autoplacer:",
// every exit status is one of the documented list (README, --help and the code
// agree), the progress bar never shares a line with other output, help is
// there when asked for, and the report tells the truth about what was placed.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/BinaryRun.h"
#include "app/ExitStatus.h"

namespace {

namespace fs = std::filesystem;
using apptest::Outcome;
using apptest::ReadWholeFile;
using apptest::RunCommand;

const std::string kApp = std::string(AUTOPLACER_BIN_DIR) + "/autoplacer";
const fs::path kDemo = fs::path(AUTOPLACER_SOURCE_DIR) / "demo" / "demo.kicad_pcb";


std::string Quoted(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        text += " '" + argument + "'";
    }
    return text;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "autoplacer-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
        board = scratch / "demo.kicad_pcb";
        fs::copy_file(kDemo, board);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    // Runs the application with standard input from /dev/null, output in pipes.
    Outcome Run(const std::vector<std::string>& arguments) const {
        return RunCommand("'" + kApp + "'" + Quoted(arguments) + " </dev/null", scratch / "stderr.txt");
    }

    // Runs the application on a pseudo-terminal (standard input, output and
    // error); answers everything it wrote. Ended after a minute.
    Outcome RunOnTerminal(const std::vector<std::string>& arguments) const {
        std::vector<std::string> words{kApp};
        words.insert(words.end(), arguments.begin(), arguments.end());
        Outcome outcome;
        int master = -1;
        const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
        if (child < 0) {
            return outcome;
        }
        if (child == 0) {
            std::vector<char*> argv;
            for (std::string& word : words) {
                argv.push_back(word.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        std::array<char, 4096> chunk{};
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd wait{master, POLLIN, 0};
            if (poll(&wait, 1, 200) <= 0) {
                continue;
            }
            const ssize_t n = read(master, chunk.data(), chunk.size());
            if (n <= 0) {
                break;  // the child closed the terminal
            }
            outcome.out.append(chunk.data(), static_cast<std::size_t>(n));
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(master);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    // The folder's files and their contents.
    std::vector<std::pair<std::string, std::string>> Files() const {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& entry : fs::directory_iterator(scratch)) {
            if (entry.path().filename() != "stderr.txt") {
                files.emplace_back(entry.path().filename().string(), ReadWholeFile(entry.path()));
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // A usage error: status 2, one "autoplacer:" line holding words, nothing
    // run, written or stored (the settings file is not even created).
    void ExpectUsageError(const std::vector<std::string>& arguments, const std::string& words) {
        const auto before = Files();
        const Outcome run = Run(arguments);
        EXPECT_EQ(run.status, app::kExitUsage) << Quoted(arguments) << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("autoplacer: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << Quoted(arguments) << "\n" << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Files(), before) << Quoted(arguments);
    }

    std::string Registry() const { return (scratch / "registry.json").string(); }

    // The demo board on an outline far too small for its parts.
    fs::path CrampedBoard() const {
        std::string text = ReadWholeFile(board);
        const std::string outline = "(gr_rect (start 100 100) (end 160 145)";
        const std::size_t at = text.find(outline);
        EXPECT_NE(at, std::string::npos);
        text.replace(at, outline.size(), "(gr_rect (start 100 100) (end 112 108)");
        const fs::path cramped = scratch / "cramped.kicad_pcb";
        std::ofstream(cramped, std::ios::binary) << text;
        return cramped;
    }

    fs::path scratch;
    fs::path board;
};

TEST_F(CommandLine, ValuesAreCheckedWithTheirUnitAndRangeBeforeAnythingRuns) {
    const std::string demo = board.string();
    const std::string registry = "--registry=" + Registry();
    ExpectUsageError({"place", demo, registry, "--grid", "50"}, "--grid: give a unit: 50mil or 50mm");
    ExpectUsageError({"place", demo, registry, "--grid", "foo"}, "--grid");
    ExpectUsageError({"place", demo, registry, "--grid", "0mm"}, "outside 1mil to 1000mil");
    ExpectUsageError({"place", demo, registry, "--grid=-2mm"}, "--grid");
    ExpectUsageError({"place", demo, registry, "--grid", "2ft"}, "unknown unit");
    ExpectUsageError({"place", demo, registry, "--guide-weight", "99"}, "--guide-weight");
    ExpectUsageError({"place", demo, registry, "--threshold=-5"}, "--threshold");
    ExpectUsageError({"place", demo, registry, "--threshold", "abc"}, "--threshold");
    // A grid with its unit still runs.
    EXPECT_EQ(Run({"place", demo, registry, "--grid", "0.5mm", "--batch"}).status, app::kExitOk);
}

TEST_F(CommandLine, SetupNeedsATerminalAndDoesNotGoWithQuick) {
    const std::string demo = board.string();
    const std::string registry = "--registry=" + Registry();
    ExpectUsageError({"place", demo, registry, "--setup"}, "needs a terminal");
    ExpectUsageError({"place", demo, registry, "--setup", "--batch"}, "--batch");
    ExpectUsageError({"place", demo, registry, "--setup", "--quick"}, "--quick");
    EXPECT_NE(Run({"place", "--help"}).out.find("not with --batch or --quick"), std::string::npos);
}

TEST_F(CommandLine, EveryCommandLineErrorIsOneLineWithTheUsageStatus) {
    ExpectUsageError({"place", board.string(), "--bogus"}, "--bogus");
    ExpectUsageError({"place"}, "BOARD");
    ExpectUsageError({"place", board.string(), "--statistical", "--quick"}, "--quick");
    ExpectUsageError({"frobnicate"}, "subcommand");
    ExpectUsageError({"help", "nothing"}, "nothing");
}

TEST_F(CommandLine, RunSaysWhenTheCommandIsUnknownOrHasNoBoard) {
    Outcome run = Run({"run", "-c", "Bogus", "--batch"});
    EXPECT_EQ(run.status, app::kExitUnknownCommand);
    EXPECT_EQ(run.err, "autoplacer: the plug-in has no command \"Bogus\"\n");
    run = Run({"run", "-c", "RunAutoPlacer", "--batch"});
    EXPECT_EQ(run.status, app::kExitRefused);
    EXPECT_EQ(run.err, "autoplacer: No board is current.\n");
    run = Run({"run", "-c", "AutoPlacer", "-p", "Action=IsRunning", "--batch"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
}

TEST_F(CommandLine, ASetupValueThePlacerCannotReadIsADocumentedFailure) {
    const Outcome run = Run({"place", board.string(), "--registry=" + Registry(), "--threshold", "70", "--answer",
                             "AutoPlacer.ClusterScoreThreshold_Edit=abc"});
    EXPECT_EQ(run.status, app::kExitFailed) << run.err;
    EXPECT_NE(run.err.find("autoplacer: "), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(scratch / "demo.placed.kicad_pcb"));
}

TEST_F(CommandLine, ExitStatusesAgreeInReadmeHelpAndCode) {
    const std::string readme = ReadWholeFile(fs::path(AUTOPLACER_SOURCE_DIR) / "README.md");
    const std::string help = Run({"--help"}).out;
    std::set<int> documented;
    const std::regex row(R"(\n\| (\d+) \| ([^|\n]+) \|)");
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), row); it != std::sregex_iterator(); ++it) {
        documented.insert(std::stoi((*it)[1].str()));
    }
    std::set<int> named;
    for (const app::ExitStatusMeaning& entry : app::kExitStatusMeanings) {
        const std::string number = std::to_string(static_cast<int>(entry.status));
        named.insert(static_cast<int>(entry.status));
        EXPECT_NE(readme.find("\n| " + number + " | " + entry.meaning + " |"), std::string::npos) << number;
        EXPECT_NE(help.find("  " + number + "  " + entry.meaning + "\n"), std::string::npos) << number << help;
    }
    EXPECT_EQ(documented, named);
}

TEST_F(CommandLine, TheProgressBarNeverSharesALineWithOtherOutput) {
    // On a terminal: a line of the statistical placer's warning and the final
    // report each start on a line of their own.
    const Outcome terminal =
        RunOnTerminal({"place", CrampedBoard().string(), "--statistical", "--registry=" + Registry()});
    EXPECT_EQ(terminal.status, app::kExitNotLegal) << terminal.out;
    ASSERT_NE(terminal.out.find("[#"), std::string::npos) << "no progress bar drawn:\n" << terminal.out;
    const std::regex glued(R"([0-9]:[0-9][0-9][^\r\n\x1b])");
    EXPECT_FALSE(std::regex_search(terminal.out, glued)) << terminal.out;
    // Not on a terminal: nothing of the bar.
    const Outcome piped = Run({"place", board.string(), "--registry=" + Registry()});
    EXPECT_EQ(piped.status, app::kExitOk) << piped.err;
    EXPECT_EQ(piped.err.find('\r'), std::string::npos) << piped.err;
    EXPECT_EQ(piped.err.find("[#"), std::string::npos) << piped.err;
    // Asked for as lines (by a program running the placer): nothing but whole
    // progress lines on stderr, and the report still on stdout.
    const Outcome lines = Run({"place", board.string(), "-o", (scratch / "lines.kicad_pcb").string(),
                               "--progress-lines", "--registry=" + Registry()});
    EXPECT_EQ(lines.status, app::kExitOk) << lines.err;
    EXPECT_EQ(lines.err.find('\r'), std::string::npos) << lines.err;
    std::istringstream errors(lines.err);
    std::set<std::string> phases;
    int progressLines = 0;
    const std::regex progressLine(R"(progress ([0-9]+)/([0-9]+) (.+))");
    for (std::string line; std::getline(errors, line);) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(line, parts, progressLine)) << line;
        const long total = std::stol(parts[2].str());
        EXPECT_TRUE(total == 0 || std::stol(parts[1].str()) <= total) << line;
        phases.insert(parts[3].str());
        ++progressLines;
    }
    EXPECT_GT(progressLines, 0);
    EXPECT_TRUE(phases.count("Making absolute placements ...")) << lines.err;
    EXPECT_NE(lines.out.find("Making absolute placements ..."), std::string::npos) << lines.out;
}

TEST_F(CommandLine, HelpShowsTheDialogsAndTheHelpButtonAnswers) {
    const Outcome dialogs = Run({"help", "dialogs"});
    EXPECT_EQ(dialogs.status, app::kExitOk);
    for (const char* dialog : {"Auto Place (NewPlacerInterface_Form)", "AutoPlacer (PlacerSetupDialog)",
                               "Confirm (StopPlacementDialog)", "Confirm=Yes"}) {
        EXPECT_NE(dialogs.out.find(dialog), std::string::npos) << dialog << "\n" << dialogs.out;
    }
    const Outcome button = Run({"place", board.string(), "--registry=" + Registry(), "--answer", "Auto Place: click Help"});
    EXPECT_EQ(button.status, app::kExitOk) << button.err;
    EXPECT_NE(button.err.find("Auto Place (NewPlacerInterface_Form)"), std::string::npos) << button.err;
    EXPECT_NE(button.err.find("docs/dialogs.md"), std::string::npos) << button.err;
}

// A panel tab with nothing but its reference, far off the board: it gives the
// placers nothing to fit, so both leave it where it is and the report names it.
TEST_F(CommandLine, PartsWithoutExtentAreLeftWhereTheyAreAndNamed) {
    std::string text = ReadWholeFile(board);
    const std::string tab = "\t(footprint \"kikit:Tab\"\n\t\t(layer \"F.Cu\")\n\t\t(at 300 -50 90)\n"
                            "\t\t(property \"Reference\" \"TAB7\" (at 0 0 0) (layer \"F.SilkS\"))\n\t)\n";
    text.insert(text.rfind(')'), tab);
    const fs::path tabbed = scratch / "tabbed.kicad_pcb";
    std::ofstream(tabbed, std::ios::binary) << text;
    for (const bool statistical : {false, true}) {
        const fs::path report = scratch / "report.json";
        const fs::path placed = scratch / "placed.kicad_pcb";
        std::vector<std::string> arguments{"place",    tabbed.string(), "--registry=" + Registry(), "--report",
                                           report.string(), "-o",          placed.string()};
        if (statistical) {
            arguments.push_back("--statistical");
        }
        const Outcome run = Run(arguments);
        EXPECT_EQ(run.status, app::kExitOk) << run.err;
        EXPECT_NE(run.out.find("left where they are, having no extent: 1 (TAB7)"), std::string::npos) << run.out;
        const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(report));
        EXPECT_EQ(json["without_extent"].get<std::vector<std::string>>(), std::vector<std::string>{"TAB7"});
        EXPECT_GT(json["moved"].get<int>(), 0);
        EXPECT_NE(ReadWholeFile(placed).find("(at 300 -50 90)"), std::string::npos) << "statistical " << statistical;
    }
}

// Both placers on a board that cannot hold its parts: the first line says so
// and names them, the JSON lists them, the status is its own; the statistical
// placer's parts without room are the report's "not fitted".
TEST_F(CommandLine, TheReportSaysWhenThePlacementIsNotLegal) {
    const fs::path cramped = CrampedBoard();
    for (const bool statistical : {false, true}) {
        const fs::path report = scratch / "report.json";
        std::vector<std::string> arguments{"place", cramped.string(), "--registry=" + Registry(), "--report",
                                           report.string()};
        if (statistical) {
            arguments.push_back("--statistical");
        }
        const Outcome run = Run(arguments);
        EXPECT_EQ(run.status, app::kExitNotLegal) << run.err;
        const std::string first = run.out.substr(0, run.out.find('\n'));
        EXPECT_NE(first.find("NOT A LEGAL PLACEMENT"), std::string::npos) << first;
        const nlohmann::json json = nlohmann::json::parse(ReadWholeFile(report));
        EXPECT_FALSE(json["legal"].get<bool>());
        const auto unfitted = json["not_fitted"].get<std::vector<std::string>>();
        const auto outside = json["outside_outline"].get<std::vector<std::string>>();
        EXPECT_FALSE(unfitted.empty() && outside.empty() && json["overlapping"].empty());
        for (const std::vector<std::string>* names : {&unfitted, &outside}) {
            for (const std::string& name : *names) {
                EXPECT_NE(first.find(name), std::string::npos) << name << " not named in: " << first;
            }
        }
        // What the statistical placer warned about is what the report counts.
        const std::string warning = "The statistical placer found no room for:";
        const std::size_t at = run.err.find(warning);
        EXPECT_EQ(at != std::string::npos, statistical && !unfitted.empty()) << run.err;
        if (at != std::string::npos) {
            std::istringstream names(run.err.substr(at + warning.size(), run.err.find('\n', at) - at - warning.size()));
            std::vector<std::string> warned;
            for (std::string name; names >> name;) {
                warned.push_back(name);
            }
            EXPECT_EQ(std::set<std::string>(warned.begin(), warned.end()),
                      std::set<std::string>(unfitted.begin(), unfitted.end()));
        }
    }
    // The demo board as designed places legally.
    const Outcome legal = Run({"place", board.string(), "--registry=" + Registry()});
    EXPECT_EQ(legal.status, app::kExitOk) << legal.out;
    EXPECT_EQ(legal.out.find("NOT A LEGAL"), std::string::npos);
}

}  // namespace
