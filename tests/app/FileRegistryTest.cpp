// The settings store: values keep their type across program runs, names are
// found ignoring case, and a damaged file is neither trusted nor lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/FileRegistry.h"

namespace app {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKey = "Software\\Vexlo\\PCB\\Placer";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("autoplacer-registry-" + std::to_string(getpid()));
        fs::remove_all(folder);
        file = folder / "nested" / "registry.json";
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    fs::path file;
    std::ostringstream notices;
};

TEST_F(Registry, ValuesSurviveANewInstanceWithTheirTypes) {
    {
        FileRegistry registry(file, notices);
        EXPECT_FALSE(registry.ValueExists(kKey, "GridSize"));
        EXPECT_TRUE(registry.WriteInteger(kKey, "GridSize", 500000));
        EXPECT_TRUE(registry.WriteBool(kKey, "FixedTopology", true));
        EXPECT_TRUE(registry.WriteString(kKey, "PlacerToUse", "New"));
        EXPECT_TRUE(registry.WriteString(kKey, "MaximizeKeepInRoom", "20"));
    }
    FileRegistry registry(file, notices);
    int32_t grid = 0;
    bool fixed = false;
    char text[8] = {};
    EXPECT_TRUE(registry.ReadInteger(kKey, "GridSize", &grid));
    EXPECT_EQ(grid, 500000);
    EXPECT_TRUE(registry.ReadBool(kKey, "FixedTopology", &fixed));
    EXPECT_TRUE(fixed);
    EXPECT_TRUE(registry.ReadString(kKey, "PlacerToUse", text, sizeof text));
    EXPECT_STREQ(text, "New");
    // Booleans are integers 0/1; strings are not integers.
    int32_t asInteger = 0;
    EXPECT_TRUE(registry.ReadInteger(kKey, "FixedTopology", &asInteger));
    EXPECT_EQ(asInteger, 1);
    EXPECT_FALSE(registry.ReadInteger(kKey, "MaximizeKeepInRoom", &asInteger));
    EXPECT_FALSE(registry.ReadString(kKey, "GridSize", text, sizeof text));
    EXPECT_FALSE(registry.ReadString("Software\\Other", "GridSize", text, sizeof text));
    EXPECT_TRUE(notices.str().empty());
}

TEST_F(Registry, NamesMatchIgnoringCaseAndKeepTheirSpelling) {
    FileRegistry registry(file, notices);
    registry.WriteString(kKey, "PlacerToUse", "Global");
    registry.WriteString("software\\vexlo\\pcb\\placer", "placertouse", "New");
    char text[16] = {};
    EXPECT_TRUE(registry.ReadString(kKey, "PLACERTOUSE", text, sizeof text));
    EXPECT_STREQ(text, "New");
    std::ifstream saved(file);
    const std::string content((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_NE(content.find("PlacerToUse"), std::string::npos);
    EXPECT_EQ(content.find("placertouse"), std::string::npos);
}

TEST_F(Registry, LongStringsAreCutToTheCallersBuffer) {
    FileRegistry registry(file, notices);
    registry.WriteString(kKey, "PowerNets", "GND,VCC,3V3");
    char text[4] = {'x', 'x', 'x', 'x'};
    EXPECT_TRUE(registry.ReadString(kKey, "PowerNets", text, sizeof text));
    EXPECT_STREQ(text, "GND");
}

TEST_F(Registry, ADamagedFileIsReportedAndKeptAside) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "{ not json";
    FileRegistry registry(file, notices);
    EXPECT_NE(notices.str().find("damaged"), std::string::npos);
    EXPECT_FALSE(registry.ValueExists(kKey, "GridSize"));
    registry.WriteInteger(kKey, "GridSize", 250000);
    std::ifstream kept(fs::path(file).concat(".bad"));
    std::string damaged;
    std::getline(kept, damaged);
    EXPECT_EQ(damaged, "{ not json");
    EXPECT_TRUE(FileRegistry(file, notices).ValueExists(kKey, "GridSize"));
}

TEST_F(Registry, AKeyHoldingSomethingElseIsReplacedOnWrite) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << R"({"software\\vexlo\\pcb\\placer": 5, "Other": {"A": {"type": "integer", "value": 1}}})";
    FileRegistry registry(file, notices);
    EXPECT_FALSE(registry.ValueExists(kKey, "GridSize"));
    EXPECT_TRUE(registry.WriteInteger(kKey, "GridSize", 250000));
    FileRegistry reloaded(file, notices);
    int32_t grid = 0;
    EXPECT_TRUE(reloaded.ReadInteger(kKey, "GridSize", &grid));
    EXPECT_EQ(grid, 250000);
    EXPECT_TRUE(reloaded.ValueExists("Other", "a"));
}

TEST_F(Registry, DefaultPathFollowsTheEnvironment) {
    const char* saved = std::getenv("AUTOPLACER_REGISTRY");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("AUTOPLACER_REGISTRY", "/tmp/elsewhere.json", 1);
    EXPECT_EQ(FileRegistry::DefaultPath(), fs::path("/tmp/elsewhere.json"));
    unsetenv("AUTOPLACER_REGISTRY");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string configValue = config != nullptr ? config : "";
    setenv("XDG_CONFIG_HOME", "/tmp/config-home", 1);
    EXPECT_EQ(FileRegistry::DefaultPath(), fs::path("/tmp/config-home/autoplacer/registry.json"));
    if (config != nullptr) setenv("XDG_CONFIG_HOME", configValue.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
    if (saved != nullptr) setenv("AUTOPLACER_REGISTRY", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace app
