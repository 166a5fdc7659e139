// The few project settings the placer takes from KiCad's project file (.kicad_pro,
// JSON) beside a board: the clearance of the default net class.
#pragma once

#include <string>

namespace io {

struct ProjectClearance {
    double clearanceMm = 0.2;
    std::string source;  // "project file", "board file" or "default"
};

// The project file that belongs to a board file (same name, .kicad_pro).
std::string ProjectFilePath(const std::string& boardPath);

// Reads the default net class clearance from the project file beside the board; a
// KiCad 5 board's own default net class counts when there is no project file value.
// A project file that cannot be read falls back with a warning in `warning`.
ProjectClearance ReadProjectClearance(const std::string& boardPath, double boardDefaultClearance, std::string& warning);

}  // namespace io
