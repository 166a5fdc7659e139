// The command handlers: the run query, the stop request, the board checks and
// the parameters of the editing commands.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "driver/AutoPlacerDriver.h"
#include "hostpcb/Host.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Commands_AutoPlacer.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

class MessageLog final : public sdk::IDialogHost {
public:
    int32_t ShowModal(sdk::IDialogForm*) override { return sdk::kModalCancel; }
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind) override {
        Messages.push_back(std::string(caption) + ": " + text);
        return sdk::kModalOk;
    }
    void SetWaitCursor(bool) override {}
    std::vector<std::string> Messages;
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        PlacementRunning = false;
        StopRequested = false;
        StopConfirmed = false;
        CurrentDriver = nullptr;
        Client.SetDialogHost(&Dialogs);
        ASSERT_EQ(ServerFactory(&Client, &Module), sdk::kResultOk);
    }
    void TearDown() override {
        Module->Release();
        CurrentDriver = nullptr;
        PlacementRunning = false;
        StopRequested = false;
        hostpcb::Host::Instance().Reset();
    }

    std::string Run(const char* command, const char* parameters, int32_t size = 256) {
        std::strncpy(Buffer.data(), parameters, Buffer.size() - 1);
        EXPECT_EQ(Module->GetCommandLauncher()->LaunchCommand(command, Buffer.data(), size, nullptr),
                  sdk::kResultOk);
        return Buffer.data();
    }

    app::AppClient Client;
    MessageLog Dialogs;
    sdk::IServerModule* Module = nullptr;
    std::array<char, 512> Buffer{};
};

TEST_F(CommandsTest, QueryOutsideARunAnswersOnlyResultFalse) {
    EXPECT_EQ(Run("AutoPlacer", "Action=IsRunning|Extra=1"), "Result=False");
    EXPECT_EQ(Run("AutoPlacer", "  action =  isrunning  "), "Result=False");
}

TEST_F(CommandsTest, QueryWithOtherOrNoActionLeavesTheBufferAlone) {
    EXPECT_EQ(Run("AutoPlacer", "Action=Start|Result=Maybe"), "Action=Start|Result=Maybe");
    EXPECT_EQ(Run("AutoPlacer", "Result=Maybe"), "Result=Maybe");
    EXPECT_EQ(Run("AutoPlacer", ""), "");
}

TEST_F(CommandsTest, QueryDuringARunNamesTheBoardFile) {
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("/boards/demo.kicad_pcb");
    TAutoPlacerDriver driver(board.Handle(), false);
    CurrentDriver = &driver;
    PlacementRunning = true;
    EXPECT_EQ(Run("AutoPlacer", "Action=IsRunning"), "BoardFileName=/boards/demo.kicad_pcb|Result=True");

    // A buffer too small for the file name still carries the answer.
    EXPECT_EQ(Run("AutoPlacer", "Action=IsRunning", 24), "Result=True");
}

TEST_F(CommandsTest, StopOnlyRaisesTheRequest) {
    EXPECT_EQ(Run("StopAutoPlacer", "Anything=1"), "Anything=1");
    EXPECT_TRUE(StopRequested);
    EXPECT_FALSE(StopConfirmed);
    EXPECT_FALSE(PlacementRunning);
    // Nothing clears it until a run ends.
    EXPECT_EQ(Run("AutoPlacer", "Action=IsRunning"), "Result=False");
    EXPECT_TRUE(StopRequested);
}

TEST_F(CommandsTest, BoardChecksUseTheirOwnMessages) {
    Run("RunAutoPlacer", "Test=True");
    Run("EnterInteractiveComponentEditingMode", "Mode=AutoSelect");
    Run("AlignComponents", "");
    const std::vector<std::string> expected = {"Error: No board is current.", "Error: No board is current",
                                               "Error: No board is open"};
    EXPECT_EQ(Dialogs.Messages, expected);
}

TEST_F(CommandsTest, CommandsWithoutTheirEnginesSaySoWithABoard) {
    hostpcb::Host::Instance().CreateBoard("b.kicad_pcb");
    for (const char* command : {"EnterInteractiveComponentEditingMode",
                                "ExecuteInteractivePlacementFeature", "LoseLastAutoSelectedComponent"}) {
        Dialogs.Messages.clear();
        Run(command, "");
        ASSERT_EQ(Dialogs.Messages.size(), 1u) << command;
        EXPECT_NE(Dialogs.Messages[0].find("not available"), std::string::npos) << Dialogs.Messages[0];
        EXPECT_NE(Dialogs.Messages[0].find(command), std::string::npos) << Dialogs.Messages[0];
    }
    EXPECT_FALSE(PlacementRunning);
}

TEST(EditingParameters, ModeValues) {
    EXPECT_EQ(EditingModeFromParameters("Mode=AutoAlign"), 0);
    EXPECT_EQ(EditingModeFromParameters("Mode= autoselect "), 1);
    EXPECT_EQ(EditingModeFromParameters("Mode=Manual"), 2);
    EXPECT_EQ(EditingModeFromParameters("Other=AutoAlign"), 2);
    EXPECT_EQ(EditingModeFromParameters(nullptr), 2);
}

TEST(EditingParameters, FeatureValues) {
    const std::vector<std::string> names = {"RemouldSquare",      "RemouldWide",      "RemouldTall",
                                            "ExpandHorizontal",   "ExpandVertical",   "ContractHorizontal",
                                            "ContractVertical",   "FlipHorizontal",   "FlipVertical"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(FeatureFromParameters(("Feature=" + names[i]).c_str()), static_cast<int>(i) + 1) << names[i];
    }
    EXPECT_EQ(FeatureFromParameters("Feature=flipvertical"), 9);
    EXPECT_EQ(FeatureFromParameters("Feature=Flip"), 0);
    EXPECT_EQ(FeatureFromParameters(""), 0);
}

}  // namespace
}  // namespace autoplacer
