#include "io/ProjectSettings.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "io/Units.h"

namespace io {

namespace {

// A length as the user would write it (0.2, not 0.200000).
std::string Millimetres(double mm) {
    std::ostringstream text;
    text << mm;
    return text.str();
}

}  // namespace

std::string ProjectFilePath(const std::string& boardPath) {
    std::filesystem::path p(boardPath);
    p.replace_extension(".kicad_pro");
    return p.string();
}

ProjectClearance ReadProjectClearance(const std::string& boardPath, double boardDefaultClearance, std::string& warning) {
    ProjectClearance result;
    result.source = "default";
    if (boardDefaultClearance >= 0) {
        result.clearanceMm = boardDefaultClearance;
        result.source = "board file";
    }
    const std::string path = ProjectFilePath(boardPath);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return result;
    const std::string fallback = "; using a clearance of " + Millimetres(result.clearanceMm) + " mm";
    // Only a regular file is opened: a folder reads as a stream error, and a pipe
    // would block the run until someone writes to it.
    if (std::filesystem::is_directory(status)) {
        warning = "the project file " + path + " is a directory, not a file" + fallback;
        return result;
    }
    if (!std::filesystem::is_regular_file(status)) {
        warning = "the project file " + path + " is not a regular file" + fallback;
        return result;
    }
    std::ifstream in(path);
    if (!in) {
        warning = "cannot read the project file " + path + ": " + std::strerror(errno) + fallback;
        return result;
    }
    try {
        const nlohmann::json project = nlohmann::json::parse(in);
        const auto& classes = project.at("net_settings").at("classes");
        for (const auto& c : classes) {
            if (c.value("name", "") == "Default" && c.contains("clearance") && c["clearance"].is_number()) {
                const double clearance = c["clearance"].get<double>();
                if (!FitsHostSize(clearance)) {
                    warning = path + ": the Default clearance of " + Millimetres(clearance) +
                              " mm is larger than the host can hold" + fallback;
                } else if (clearance >= 0) {
                    result.clearanceMm = clearance;
                    result.source = "project file";
                }
                break;
            }
        }
    } catch (const std::exception& e) {
        warning = path + ": " + e.what() + fallback;
    }
    return result;
}

}  // namespace io
