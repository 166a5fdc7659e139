// Helpers shared by the board file tests: the shared real boards, a scratch folder
// that cleans up after itself, whole-file reads.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "io/BoardFiles.h"

namespace iotest {

inline std::string BoardPath(const std::string& name) { return std::string(AUTOPLACER_BOARDS_DIR) + "/" + name; }

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return std::move(buffer).str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "autoplacer-io-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The designators of the parts a loaded board holds not movable, in board order.
inline std::vector<std::string> FixedParts(const io::LoadedBoard& loaded) {
    std::vector<std::string> fixed;
    for (const hostpcb::Component* c : loaded.board->Components()) {
        if (!c->moveable) fixed.push_back(c->Designator());
    }
    return fixed;
}

}  // namespace iotest
