// The plug-in's folders form layers that only point down, and the host side
// (the stand-in, the KiCad reader and writer, the application) reaches the
// plug-in through the SDK only. Every quoted include of every source file is
// checked against the rank table below, which docs/architecture.md repeats.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Lowest first; a plug-in folder may include its own folder and those ranked below it.
const std::map<std::string, int>& PluginRanks() {
    static const std::map<std::string, int> ranks = {
        {"sdk", 0},        {"host", 1},    {"model", 2},   {"ui", 3},      {"settings", 4},
        {"clustering", 5}, {"engines", 6}, {"editing", 7}, {"driver", 8},  {"plugin", 9}};
    return ranks;
}

// Folders outside the plug-in that may include no plug-in folder but sdk.
const std::vector<std::string>& HostSideFolders() {
    static const std::vector<std::string> folders = {"hostpcb", "io", "app"};
    return folders;
}

struct TViolation {
    std::string File;
    int Line = 0;
    std::string Include;
};

std::string Describe(const std::vector<TViolation>& violations) {
    std::string text;
    for (const TViolation& v : violations) {
        text += v.File + ":" + std::to_string(v.Line) + ": includes \"" + v.Include + "\" against the layers\n";
    }
    return text;
}

// Whether a file in folder may include a header of the included folder; nullopt
// when the included folder is not one the table governs.
std::optional<bool> IncludeAllowed(const std::string& folder, const std::string& included) {
    const auto& ranks = PluginRanks();
    const auto target = ranks.find(included);
    if (target == ranks.end()) {
        return std::nullopt;
    }
    if (const auto source = ranks.find(folder); source != ranks.end()) {
        return target->second <= source->second;
    }
    return included == "sdk";
}

std::vector<TViolation> UpwardIncludes(const fs::path& root) {
    static const std::regex includeLine(R"(^\s*#\s*include\s*"([^"/]+)/[^"]+")");
    std::vector<std::string> folders;
    for (const auto& [name, rank] : PluginRanks()) {
        folders.push_back(name);
    }
    folders.insert(folders.end(), HostSideFolders().begin(), HostSideFolders().end());

    std::vector<TViolation> found;
    for (const std::string& folder : folders) {
        if (!fs::is_directory(root / folder)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
                continue;
            }
            std::ifstream in(entry.path());
            std::string line;
            int number = 0;
            while (std::getline(in, line)) {
                ++number;
                std::smatch match;
                if (!std::regex_search(line, match, includeLine)) {
                    continue;
                }
                const std::optional<bool> allowed = IncludeAllowed(folder, match[1].str());
                if (allowed.has_value() && !*allowed) {
                    const std::string included = line.substr(line.find('"') + 1);
                    found.push_back({fs::relative(entry.path(), root).string(), number,
                                     included.substr(0, included.find('"'))});
                }
            }
        }
    }
    return found;
}

TEST(IncludeLayers, NoSourceFileIncludesUpward) {
    const std::vector<TViolation> violations = UpwardIncludes(AUTOPLACER_SOURCE_DIR);
    EXPECT_TRUE(violations.empty()) << Describe(violations);
}

// The check itself, on a small tree made for the purpose: it must name exactly
// the includes that point up or cross from the host side into the plug-in.
class IncludeLayersCheck : public ::testing::Test {
protected:
    void SetUp() override {
        Root = fs::temp_directory_path() / ("layers-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Root);
    }
    void TearDown() override { fs::remove_all(Root); }

    void Write(const std::string& path, const std::string& text) {
        fs::create_directories((Root / path).parent_path());
        std::ofstream(Root / path) << text;
    }

    fs::path Root;
};

TEST_F(IncludeLayersCheck, NamesUpwardAndCrossingIncludesWithFileAndLine) {
    Write("model/Cluster.cpp", "#include \"model/Cluster.h\"\n#include \"host/PcbApi.h\"\n#include <vector>\n");
    Write("engines/GroupPlacer.h", "#pragma once\n\n#include \"driver/AutoPlacerDriver.h\"\n");
    Write("host/HostCommands.cpp", "  #  include \"plugin/Main_AutoPlacer.h\"\n");
    Write("app/Pictures.cpp", "#include \"sdk/plugin.h\"\n#include \"io/BoardFiles.h\"\n#include \"model/Cluster.h\"\n");
    Write("driver/Driver.cpp", "#include \"engines/GroupPlacer.h\"\n#include \"Local.h\"\n");

    const std::vector<TViolation> violations = UpwardIncludes(Root);
    ASSERT_EQ(violations.size(), 3u) << Describe(violations);
    std::map<std::string, TViolation> byFile;
    for (const TViolation& v : violations) {
        byFile[v.File] = v;
    }
    EXPECT_EQ(byFile["engines/GroupPlacer.h"].Line, 3);
    EXPECT_EQ(byFile["engines/GroupPlacer.h"].Include, "driver/AutoPlacerDriver.h");
    EXPECT_EQ(byFile["host/HostCommands.cpp"].Include, "plugin/Main_AutoPlacer.h");
    EXPECT_EQ(byFile["app/Pictures.cpp"].Line, 3);
}

TEST(IncludeLayers, RanksFollowTheLayerOrder) {
    EXPECT_EQ(IncludeAllowed("engines", "model"), true);
    EXPECT_EQ(IncludeAllowed("model", "engines"), false);
    EXPECT_EQ(IncludeAllowed("editing", "engines"), true);
    EXPECT_EQ(IncludeAllowed("engines", "editing"), false);
    EXPECT_EQ(IncludeAllowed("driver", "editing"), true);
    EXPECT_EQ(IncludeAllowed("ui", "settings"), false);
    EXPECT_EQ(IncludeAllowed("hostpcb", "sdk"), true);
    EXPECT_EQ(IncludeAllowed("io", "host"), false);
    EXPECT_EQ(IncludeAllowed("app", "io"), std::nullopt);
}

}  // namespace
