#include "io/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace io {

namespace {

constexpr char kMarker[] = "~ap";
constexpr char kRandom[] = "XXXXXX";
constexpr std::size_t kDefaultNameMax = 255;
// A leftover this young may be a file another run has only just made.
constexpr std::time_t kLeftoverAge = 60;

// The named temporary files being written, readable from a signal handler: a
// slot's path is complete whenever its state is Listed.
enum SlotState : int { Free = 0, Filling = 1, Listed = 2 };
struct Slot {
    std::atomic<int> state{Free};
    char path[4096] = {};
};
constexpr int kSlots = 8;
Slot Slots[kSlots];

int List(const std::string& path) {
    if (path.size() >= sizeof(Slots[0].path)) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (Slots[i].state.compare_exchange_strong(expected, Filling)) {
            std::memcpy(Slots[i].path, path.c_str(), path.size() + 1);
            Slots[i].state.store(Listed);
            return i;
        }
    }
    return -1;  // more writes at once than slots: that file is not cleaned on a signal
}

void Unlist(int slot) {
    if (slot >= 0) {
        Slots[slot].state.store(Free);
    }
}

// Holds back the signals that end the program, so that a temporary file is made
// and listed, or renamed or removed and unlisted, as one step.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&set, signal);
        }
        pthread_sigmask(SIG_BLOCK, &set, &Previous);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &Previous, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t Previous;
};

std::string HashHex(const std::string& text) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return hex;
}

std::size_t NameMax(const std::filesystem::path& folder) {
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kDefaultNameMax;
}

// Removes what killed runs left for this target: named like its temporary
// files, not held by a writer's lock and not just made.
void RemoveLeftovers(const std::filesystem::path& folder, const std::string& name, std::size_t nameMax) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (!IsTemporaryNameFor(entryName, name, nameMax)) {
            continue;
        }
        const std::string entryPath = (folder / entryName).string();
        const int fd = open(entryPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime + kLeftoverAge < now &&
            flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlink(entryPath.c_str());
        }
        close(fd);
    }
    closedir(dir);
}

mode_t ModeFor(const std::string& path) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        return existing.st_mode & 07777;
    }
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const std::string& content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// A name for a file without one: the template's X's replaced until linkat finds
// the name free. Answers -1 with errno when it cannot link at all.
int LinkUnnamed(int fd, std::string& temp, const std::string& pattern, int& slot) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<std::uint64_t>(getpid()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = pattern;
        for (std::size_t i = temp.size() - 6; i < temp.size(); ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            temp[i] = kLetters[(seed >> 33) % (sizeof kLetters - 1)];
        }
        EndingSignalsHeld held;
        if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            slot = List(temp);
            return 0;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

[[noreturn]] void Fail(const std::string& path, int error) {
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
}

}  // namespace

std::string TemporaryNameTemplate(const std::string& name, std::size_t nameMax) {
    std::string full = "." + name + kMarker + kRandom;
    if (full.size() <= nameMax) {
        return full;
    }
    return ".autoplacer-" + HashHex(name) + kMarker + kRandom;
}

bool IsTemporaryNameFor(const std::string& entry, const std::string& name, std::size_t nameMax) {
    const std::string pattern = TemporaryNameTemplate(name, nameMax);
    const std::size_t fixed = pattern.size() - (sizeof kRandom - 1);
    return entry.size() == pattern.size() && entry.compare(0, fixed, pattern, 0, fixed) == 0;
}

void RemoveTemporaryFiles() noexcept {
    for (Slot& slot : Slots) {
        if (slot.state.load() == Listed) {
            unlink(slot.path);
        }
    }
}

void WriteFileAtomically(const std::string& path, const std::string& content, TemporaryKind kind) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        throw std::runtime_error("cannot write " + path + ": not a file name");
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::size_t nameMax = NameMax(folder);
    RemoveLeftovers(folder, name, nameMax);
    const std::string pattern = (folder / TemporaryNameTemplate(name, nameMax)).string();
    const mode_t mode = ModeFor(path);

    std::string temp;
    int slot = -1;
    int fd = -1;
    const bool unnamed = kind == TemporaryKind::Unnamed &&
                         (fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode)) >= 0;
    if (!unnamed) {
        EndingSignalsHeld held;
        temp = pattern;
        fd = mkostemp(temp.data(), O_CLOEXEC);
        if (fd >= 0) {
            slot = List(temp);
        }
    }
    if (fd < 0) {
        throw std::runtime_error("cannot create a temporary file in " + folder.string() + ": " +
                                 std::strerror(errno));
    }
    // The lock tells a later run's leftover sweep that this file is being written.
    flock(fd, LOCK_EX | LOCK_NB);
    // Removes the named temporary file (if any) and closes it, keeping errno.
    auto discard = [&] {
        const int saved = errno;
        {
            EndingSignalsHeld held;
            if (!temp.empty()) {
                unlink(temp.c_str());
            }
            Unlist(slot);
        }
        close(fd);
        errno = saved;
    };

    if (fchmod(fd, mode) != 0 || !WriteAll(fd, content) || fsync(fd) != 0) {
        discard();
        Fail(path, errno);
    }
    if (unnamed && LinkUnnamed(fd, temp, pattern, slot) != 0) {
        // No /proc or a filesystem that refuses the link: write through a named file.
        const int saved = errno;
        close(fd);
        if (saved == ENOENT || saved == EPERM || saved == EOPNOTSUPP || saved == EXDEV) {
            WriteFileAtomically(path, content, TemporaryKind::Named);
            return;
        }
        Fail(path, saved);
    }
    {
        EndingSignalsHeld held;
        if (std::rename(temp.c_str(), path.c_str()) != 0) {
            const int saved = errno;
            unlink(temp.c_str());
            Unlist(slot);
            close(fd);
            Fail(path, saved);
        }
        Unlist(slot);
    }
    close(fd);
}

}  // namespace io
