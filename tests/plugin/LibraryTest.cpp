// The built plug-in library as the host sees it, and the application that
// loads it: exports, dependencies, loading, and commands run from the command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "app/AppClient.h"
#include "app/PluginLoader.h"
#include "hostpcb/Host.h"

namespace {

const std::string kBinDir = AUTOPLACER_BIN_DIR;
const std::string kPlugin = kBinDir + "/libautoplacer.so";

struct CommandResult {
    int Status = -1;
    std::string Output;
};

CommandResult RunShell(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> chunk{};
    std::size_t read = 0;
    while ((read = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        result.Output.append(chunk.data(), read);
    }
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CommandResult RunApp(const std::string& arguments) {
    return RunShell("'" + kBinDir + "/autoplacer' " + arguments + " 2>&1");
}

std::set<std::string> Words(const std::string& text) {
    std::set<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.insert(word);
    }
    return words;
}

TEST(PluginLibrary, ExportsOnlyServerFactory) {
    const CommandResult symbols = RunShell("nm -D --defined-only '" + kPlugin + "' | awk '{print $3}'");
    ASSERT_EQ(symbols.Status, 0) << symbols.Output;
    EXPECT_EQ(Words(symbols.Output), std::set<std::string>{"ServerFactory"});
}

TEST(PluginLibrary, NeedsNothingButTheRuntime) {
    const CommandResult needed =
        RunShell("readelf -d '" + kPlugin + "' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1/p'");
    ASSERT_EQ(needed.Status, 0);
    const std::set<std::string> runtime = {"libstdc++.so.6", "libm.so.6",      "libgcc_s.so.1", "libc.so.6",
                                           "libdl.so.2",     "libpthread.so.0", "libasan.so.8",  "libubsan.so.1",
                                           "libasan.so.6",   "libubsan.so.0"};
    const std::set<std::string> libraries = Words(needed.Output);
    EXPECT_FALSE(libraries.empty());
    for (const std::string& library : libraries) {
        EXPECT_TRUE(runtime.count(library) == 1) << library;
    }
}

TEST(PluginLibrary, LoadsRunsCommandsAgainstTheHostAndLetsGo) {
    hostpcb::Host::Instance().Reset();
    app::AppClient client;
    std::string error;
    auto plugin = app::LoadedPlugin::Load(kPlugin, client, error);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_NE(plugin->Launcher(), nullptr);
    EXPECT_EQ(std::wstring(plugin->Module()->GetName()), L"AutoPlacer");

    std::array<char, 256> buffer{};
    std::strcpy(buffer.data(), "Action=IsRunning");
    EXPECT_EQ(plugin->Launcher()->LaunchCommand("autoplacer", buffer.data(), 256, nullptr), sdk::kResultOk);
    EXPECT_STREQ(buffer.data(), "Result=False");
    EXPECT_EQ(client.GetView().UpdateCount, 1);

    plugin->ReleaseModule();
    EXPECT_EQ(plugin->Module(), nullptr);
}

TEST(PluginLibrary, RefusesLibrariesThatAreNoPlugIn) {
    app::AppClient client;
    std::string error;
    EXPECT_EQ(app::LoadedPlugin::Load(kBinDir + "/no-such-plugin.so", client, error), nullptr);
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
    EXPECT_EQ(app::LoadedPlugin::Load(kBinDir + "/libhostpcb.so", client, error), nullptr);
    EXPECT_NE(error.find("no ServerFactory"), std::string::npos) << error;
}

TEST(RunCommand, QueryAnswersInTheParameterBuffer) {
    const CommandResult result = RunApp("run --command autoplacer --params 'Action=IsRunning'");
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Output, "Result=False\n");
}

TEST(RunCommand, CommandNamesIgnoreCase) {
    // The plug-in's own error without a board: the command was found.
    const CommandResult result = RunApp("run --command RUNAUTOPLACER --params 'Test=True'");
    EXPECT_EQ(result.Status, 5);
    EXPECT_NE(result.Output.find("autoplacer: No board is current."), std::string::npos) << result.Output;
}

TEST(RunCommand, UnknownCommandFailsAndLeavesTheParameters) {
    const CommandResult result = RunApp("run --command NoSuchCommand --params 'A=1|B=2'");
    EXPECT_EQ(result.Status, 8);
    EXPECT_EQ(result.Output, "A=1|B=2\nautoplacer: the plug-in has no command \"NoSuchCommand\"\n");
}

TEST(RunCommand, LoadsABoardAndWritesOnlyWhenAskedOrChanged) {
    const std::string board = std::string(AUTOPLACER_BOARDS_DIR) + "/bitaxe-ultra.kicad_pcb";
    const std::string output = ::testing::TempDir() + "/run-output.kicad_pcb";
    std::remove(output.c_str());
    CommandResult result = RunApp("run '" + board + "' --command AutoPlacer --params Action=IsRunning");
    EXPECT_EQ(result.Status, 0);
    EXPECT_NE(result.Output.find("Result=False\n"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("nothing written"), std::string::npos) << result.Output;

    result = RunApp("run '" + board + "' --command StopAutoPlacer -o '" + output + "'");
    EXPECT_EQ(result.Status, 0) << result.Output;
    FILE* written = std::fopen(output.c_str(), "r");
    EXPECT_NE(written, nullptr) << result.Output;
    if (written != nullptr) {
        std::fclose(written);
    }
    std::remove(output.c_str());

    result = RunApp("run /no/such/board.kicad_pcb --command AutoPlacer");
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Output.find("cannot read"), std::string::npos) << result.Output;
}

TEST(RunCommand, FailsClearlyWhenThePlugInCannotBeLoaded) {
    CommandResult result = RunApp("run --command AutoPlacer --plugin /nonexistent/libautoplacer.so");
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Output.find("cannot load the plug-in"), std::string::npos) << result.Output;
    result = RunApp("run --command AutoPlacer --plugin '" + kBinDir + "/libhostpcb.so'");
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Output.find("no ServerFactory"), std::string::npos) << result.Output;
}

TEST(RunCommand, HelpAndMissingArguments) {
    CommandResult result = RunApp("run --help");
    EXPECT_EQ(result.Status, 0);
    EXPECT_NE(result.Output.find("--command"), std::string::npos);
    EXPECT_NE(result.Output.find("--plugin"), std::string::npos);
    result = RunApp("run");
    EXPECT_NE(result.Status, 0);
    result = RunApp("");
    EXPECT_NE(result.Status, 0);
}

}  // namespace
