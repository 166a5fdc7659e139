#include "io/ProjectSettings.h"

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "io/Units.h"

namespace io {

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
    std::ifstream in(path);
    if (!in) return result;
    try {
        const nlohmann::json project = nlohmann::json::parse(in);
        const auto& classes = project.at("net_settings").at("classes");
        for (const auto& c : classes) {
            if (c.value("name", "") == "Default" && c.contains("clearance") && c["clearance"].is_number()) {
                const double clearance = c["clearance"].get<double>();
                if (!FitsHostSize(clearance)) {
                    warning = path + ": the Default clearance of " + std::to_string(clearance) +
                              " mm is larger than the host can hold; using " + std::to_string(result.clearanceMm) + " mm";
                } else if (clearance >= 0) {
                    result.clearanceMm = clearance;
                    result.source = "project file";
                }
                break;
            }
        }
    } catch (const std::exception& e) {
        warning = path + ": " + e.what() + "; using a clearance of " + std::to_string(result.clearanceMm) + " mm";
    }
    return result;
}

}  // namespace io
