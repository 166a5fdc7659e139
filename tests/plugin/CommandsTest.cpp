// The command handlers: the run query, the stop request, the board checks and
// the parameters of the editing commands.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "driver/AutoPlacerDriver.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"
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

TEST_F(CommandsTest, FeatureCommandsWithoutAnEditorDoNothing) {
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("b.kicad_pcb");
    hostpcb::Component& a = board.AddComponent("A", "BLOCK", {10000, 10000});
    a.flags |= PCB_FLAG_SELECTED;
    Run("ExecuteInteractivePlacementFeature", "Feature=FlipVertical");
    Run("ExecuteInteractivePlacementFeature", "Feature=RemouldSquare");
    Run("LoseLastAutoSelectedComponent", "");
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(a.Position(), (hostpcb::Point{10000, 10000}));
    EXPECT_FALSE(PlacementRunning);
}

TEST_F(CommandsTest, DuringAnEditFeaturesReachTheEditorAndASecondModeIsIgnored) {
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("b.kicad_pcb");
    hostpcb::BoardBuilder build(board);
    hostpcb::Component& left = build.Chip("R1", "0603", {1000000, 1000000});
    hostpcb::Component& right = build.Chip("R2", "0603", {2000000, 1000000});
    left.flags |= PCB_FLAG_SELECTED;
    right.flags |= PCB_FLAG_SELECTED;
    hostpcb::ScriptedInteraction script;
    hostpcb::Host::Instance().SetInteraction(&script);
    using Step = hostpcb::ScriptedInteraction::Step;
    script.locations = {{0, 0}};
    const auto launch = [this](const char* command, const char* parameters) {
        std::array<char, 128> buffer{};
        std::strncpy(buffer.data(), parameters, buffer.size() - 1);
        Module->GetCommandLauncher()->LaunchCommand(command, buffer.data(), int32_t(buffer.size()), nullptr);
    };
    std::size_t promptsDuringEdit = 0;
    script.steps = {Step::Run([&] { launch("EnterInteractiveComponentEditingMode", "Mode=AutoSelect"); }),
                    Step::Run([&] { promptsDuringEdit = script.prompts.size(); }),
                    Step::Run([&] { launch("ExecuteInteractivePlacementFeature", "Feature=FlipHorizontal"); }),
                    Step::Run([&] { launch("LoseLastAutoSelectedComponent", ""); }),
                    {Step::Type::Fire, 11, {}}};
    Run("EnterInteractiveComponentEditingMode", "");  // no Mode: the selection moves
    hostpcb::Host::Instance().SetInteraction(nullptr);
    EXPECT_EQ(promptsDuringEdit, 1u) << "the second editing mode asked for nothing";
    EXPECT_EQ(script.prompts, (std::vector<std::string>{"Move Selection", "Move Selection"}));
    EXPECT_EQ(left.Position(), (hostpcb::Point{2000000, 1000000})) << "flipped about the cluster's centre line";
    EXPECT_EQ(right.Position(), (hostpcb::Point{1000000, 1000000}));
    EXPECT_TRUE(left.InBoard() && right.InBoard()) << "plain mode loses nothing on \"K\"'s command";
    EXPECT_TRUE(Dialogs.Messages.empty());
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
