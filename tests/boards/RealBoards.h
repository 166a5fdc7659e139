// The real KiCad boards of the shared test set, loaded into the host.
#pragma once

#include <memory>
#include <string>

#include "io/BoardFiles.h"

namespace autoplacer::test {

inline std::string RealBoardPath(const std::string& name) {
    return std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb";
}

// Loads without a placement-rules file; the board becomes the host's current board.
inline std::unique_ptr<io::LoadedBoard> LoadRealBoard(const std::string& name) {
    io::LoadOptions options;
    options.readRules = false;
    return io::LoadBoardFile(RealBoardPath(name), options);
}

}  // namespace autoplacer::test
