// Files written whole or not at all, without temporary files left behind: names
// up to the folder's name limit, a write past the file-size limit, leftovers of
// killed runs swept by the next write of the same target, and the temporary
// file removed by a signal that ends the program mid-write.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "io/AtomicFile.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void MakeOld(const std::string& path) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

const io::TemporaryKind kBothKinds[] = {io::TemporaryKind::Unnamed, io::TemporaryKind::Named};

TEST(TemporaryNames, FitTheNameLimitAndAreRecognisedOnlyForTheirTarget) {
    for (std::size_t length = 1; length <= 255; ++length) {
        const std::string name(length, 'b');
        const std::string pattern = io::TemporaryNameTemplate(name, 255);
        EXPECT_LE(pattern.size(), 255u) << length;
        EXPECT_EQ(pattern.substr(pattern.size() - 6), "XXXXXX");
        std::string made = pattern;
        made.replace(made.size() - 6, 6, "a1B2c3");
        EXPECT_TRUE(io::IsTemporaryNameFor(made, name, 255)) << length;
        EXPECT_FALSE(io::IsTemporaryNameFor(made, name + "c", 255)) << length;
        EXPECT_FALSE(io::IsTemporaryNameFor(made + "x", name, 255)) << length;
    }
    // A short name keeps the target's name readable; a long one gets the hashed form.
    EXPECT_EQ(io::TemporaryNameTemplate("out.kicad_pcb", 255), ".out.kicad_pcb~apXXXXXX");
    const std::string longA(250, 'a');
    std::string longB = longA;
    longB.back() = 'b';
    EXPECT_NE(io::TemporaryNameTemplate(longA, 255), io::TemporaryNameTemplate(longB, 255));
    EXPECT_FALSE(io::IsTemporaryNameFor(".out.kicad_pcb.XXXXXX", "out.kicad_pcb", 255));
}

TEST(AtomicWrite, NamesUpToTheLimitAreWrittenWithNothingLeftBeside) {
    for (const io::TemporaryKind kind : kBothKinds) {
        iotest::ScratchDir dir;
        for (std::size_t length = 244; length <= 255; ++length) {
            const std::string target = dir.file(std::string(length - 10, 'n') + ".kicad_pcb");
            io::WriteFileAtomically(target, "board " + std::to_string(length), kind);
            EXPECT_EQ(iotest::ReadFile(target), "board " + std::to_string(length));
        }
        const auto names = Entries(dir.path());
        EXPECT_EQ(names.size(), 12u);
        for (const std::string& name : names) {
            EXPECT_NE(name.front(), '.') << name;
        }
    }
}

TEST(AtomicWrite, AFailedWriteLeavesNoTemporaryFileWhateverTheKind) {
    for (const io::TemporaryKind kind : kBothKinds) {
        iotest::ScratchDir dir;
        const std::string blocked = dir.file(std::string(250, 'f'));
        fs::create_directory(blocked);
        iotest::WriteFile(blocked + "/keep", "x");
        EXPECT_THROW(io::WriteFileAtomically(blocked, "data", kind), std::runtime_error);
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{std::string(250, 'f')});
        EXPECT_THROW(io::WriteFileAtomically(dir.path() + "/", "data", kind), std::runtime_error);
    }
}

// In a child, over a file-size limit of 4 KiB: the write throws, the temporary
// file is gone and the old target is untouched.
TEST(AtomicWrite, PastTheFileSizeLimitTheWriteFailsAndCleansUp) {
    for (const io::TemporaryKind kind : kBothKinds) {
        iotest::ScratchDir dir;
        const std::string target = dir.file("big.kicad_pcb");
        iotest::WriteFile(target, "old");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                io::WriteFileAtomically(target, std::string(100000, 'x'), kind);
            } catch (const std::runtime_error&) {
                _exit(0);
            }
            _exit(1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"big.kicad_pcb"});
        EXPECT_EQ(iotest::ReadFile(target), "old");
    }
}

TEST(AtomicWrite, LeftoversOfKilledRunsAreSweptByTheNextWriteOfTheSameTarget) {
    iotest::ScratchDir dir;
    const std::string longName = std::string(250, 'l');
    std::string longLeftover = io::TemporaryNameTemplate(longName, 255);
    longLeftover.replace(longLeftover.size() - 6, 6, "abcdef");
    const std::string killed = ".out.kicad_pcb~apabcdef";
    const std::string fresh = ".out.kicad_pcb~apghijkl";     // may be another run's, just made
    const std::string held = ".out.kicad_pcb~apmnopqr";      // another run is writing it
    const std::string other = ".other.kicad_pcb~apabcdef";   // another target's
    const std::string lookalike = ".out.kicad_pcb.abcdef";   // not ours
    for (const std::string& name : {killed, fresh, held, other, lookalike, longLeftover}) {
        iotest::WriteFile(dir.file(name), "partial");
        if (name != fresh) {
            MakeOld(dir.file(name));
        }
    }
    const int holder = open(dir.file(held).c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    io::WriteFileAtomically(dir.file("out.kicad_pcb"), "board");
    io::WriteFileAtomically(dir.file(longName), "board");
    close(holder);
    std::vector<std::string> expected{fresh, held, other, lookalike, longName, "out.kicad_pcb"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(dir.path()), expected);
}

// A child writing through named temporary files until SIGTERM ends it: the
// handler's sweep leaves only complete targets.
TEST(AtomicWrite, TheSignalHandlerRemovesTheFileBeingWritten) {
    iotest::ScratchDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGTERM, [](int signal) {
            io::RemoveTemporaryFiles();
            std::signal(signal, SIG_DFL);
            std::raise(signal);
        });
        const std::string content(1 << 20, 'x');
        for (;;) {
            io::WriteFileAtomically(dir.file("out.kicad_pcb"), content, io::TemporaryKind::Named);
        }
    }
    // Let it write a few files first.
    for (int i = 0; i < 200 && !fs::exists(dir.file("out.kicad_pcb")); ++i) {
        usleep(10000);
    }
    usleep(50000);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.kicad_pcb"});
    EXPECT_EQ(fs::file_size(dir.file("out.kicad_pcb")), 1u << 20);
}

}  // namespace
