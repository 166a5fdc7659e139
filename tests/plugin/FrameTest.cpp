// The server module and its command launcher, driven through the host-facing
// interfaces as the host drives them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

class RecordingDialogHost final : public sdk::IDialogHost {
public:
    int32_t ShowModal(sdk::IDialogForm*) override { return sdk::kModalCancel; }
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override {
        Messages.push_back(std::string(caption) + ": " + text);
        Kinds.push_back(kind);
        return sdk::kModalOk;
    }
    void SetWaitCursor(bool) override {}

    std::vector<std::string> Messages;
    std::vector<sdk::MessageBoxKind> Kinds;
};

using Panes = std::vector<std::pair<int32_t, std::optional<std::string>>>;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        StopRequested = false;
        StopConfirmed = false;
        PlacementRunning = false;
        Client.SetDialogHost(&Dialogs);
        ASSERT_EQ(ServerFactory(&Client, &Module), sdk::kResultOk);
        ASSERT_NE(Module, nullptr);
        Launcher = Module->GetCommandLauncher();
    }
    void TearDown() override {
        if (Module != nullptr) {
            Module->Release();
        }
        StopRequested = false;
    }

    int32_t Launch(const char* command, const char* parameters = "") {
        std::strncpy(Buffer.data(), parameters, Buffer.size() - 1);
        return Launcher->LaunchCommand(command, Buffer.data(), static_cast<int32_t>(Buffer.size()), nullptr);
    }

    app::AppClient Client;
    RecordingDialogHost Dialogs;
    sdk::IServerModule* Module = nullptr;
    sdk::ICommandLauncher* Launcher = nullptr;
    std::array<char, 256> Buffer{};
};

TEST_F(FrameTest, FactoryBuildsTheNamedModuleAndSetsTheGlobals) {
    EXPECT_EQ(Client.GetApplicationHandle(), ApplicationHandle);
    EXPECT_EQ(autoplacer::Client, &Client);
    EXPECT_EQ(ServerModuleInterface, Module);
    ASSERT_NE(ServerModule, nullptr);
    EXPECT_EQ(std::wstring(Module->GetName()), L"AutoPlacer");
    EXPECT_EQ(Module->GetClient(), &Client);
    EXPECT_EQ(Module->DocumentCount(), 0);
    EXPECT_EQ(Module->CreateDocument("PCB", "x.PcbDoc"), nullptr);
    EXPECT_EQ(Module->CreateDocumentShowOrHide("PCB", "x.PcbDoc", 1), nullptr);
    EXPECT_EQ(Module->DocumentCount(), 0);
    EXPECT_EQ(Module->CreateOptionsView("Placer"), nullptr);
    EXPECT_NE(Module->GetModuleHandle(), nullptr);
    EXPECT_EQ(ServerModule->GetLauncher()->GetName(), "AutoPlacer");
    EXPECT_NE(DataModule1, nullptr);
}

// The seven user commands and the developer query "QueryClusters".
TEST_F(FrameTest, TableHoldsTheSevenCommandsAndTheClusterQuerySortedIgnoringCase) {
    const std::vector<std::string> expected = {"AlignComponents",
                                               "AutoPlacer",
                                               "EnterInteractiveComponentEditingMode",
                                               "ExecuteInteractivePlacementFeature",
                                               "LoseLastAutoSelectedComponent",
                                               "QueryClusters",
                                               "RunAutoPlacer",
                                               "StopAutoPlacer"};
    TCommandLauncher& launcher = *ServerModule->GetLauncher();
    EXPECT_EQ(launcher.HandlerNames(), expected);
    for (const std::string& name : expected) {
        ASSERT_NE(launcher.FindHandler(name), nullptr) << name;
        EXPECT_EQ(launcher.FindHandler(name)->StateHandler, nullptr) << name;
    }
    // A duplicate in another letter case is ignored; the first handler stays.
    TCommandProc original = launcher.FindHandler("StopAutoPlacer")->Handler;
    launcher.RegisterCommandHandler("STOPAUTOPLACER", [](void*, char*, int32_t) {}, nullptr);
    EXPECT_EQ(launcher.HandlerCount(), 8);
    EXPECT_EQ(launcher.FindHandler("stopautoplacer")->Handler, original);
}

TEST_F(FrameTest, DispatchIgnoresLetterCase) {
    EXPECT_EQ(Launch("stopAUTOplacer"), sdk::kResultOk);
    EXPECT_TRUE(StopRequested);

    // Without a current board every spelling reaches the run handler's board check.
    for (const char* name : {"RunAutoPlacer", "RUNAUTOPLACER", "runautoplacer"}) {
        Dialogs.Messages.clear();
        EXPECT_EQ(Launch(name), sdk::kResultOk) << name;
        ASSERT_EQ(Dialogs.Messages.size(), 1u) << name;
        EXPECT_EQ(Dialogs.Messages[0], "Error: No board is current.") << name;
        EXPECT_EQ(Dialogs.Kinds[0], sdk::MessageBoxKind::Error);
    }
}

TEST_F(FrameTest, UnknownCommandSucceedsAndChangesNothing) {
    const int updatesBefore = Client.GetView().UpdateCount;
    EXPECT_EQ(Launch("RunAutoPlacerNow", "A=1|B=2"), sdk::kResultOk);
    EXPECT_STREQ(Buffer.data(), "A=1|B=2");
    EXPECT_EQ(Client.GetView().UpdateCount, updatesBefore);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_FALSE(StopRequested);
    EXPECT_EQ(Launcher->LaunchCommand(nullptr, Buffer.data(), 256, nullptr), sdk::kResultOk);
    EXPECT_EQ(Launcher->LaunchCommand("", nullptr, 0, nullptr), sdk::kResultOk);
}

TEST_F(FrameTest, EveryCommandUpdatesTheViewOrClearsTheStatusBar) {
    EXPECT_EQ(Launch("StopAutoPlacer"), sdk::kResultOk);
    EXPECT_EQ(Client.GetView().UpdateCount, 1);
    EXPECT_TRUE(Client.GetFrame().History.empty());

    Client.SetHasView(false);
    EXPECT_EQ(Launch("AutoPlacer", "Action=IsRunning"), sdk::kResultOk);
    EXPECT_EQ(Client.GetView().UpdateCount, 1);
    const Panes cleared = {{1, std::nullopt}, {2, std::nullopt}, {3, std::nullopt}};
    EXPECT_EQ(Client.GetFrame().History, cleared);
}

TEST_F(FrameTest, ExceptionInAHandlerBecomesAnErrorAndTheLauncherStaysUsable) {
    ServerModule->GetLauncher()->RegisterCommandHandler(
        "Throw", [](void*, char*, int32_t) { throw std::runtime_error("broken"); }, nullptr);
    ServerModule->GetLauncher()->RegisterCommandHandler(
        "ThrowAnything", [](void*, char*, int32_t) { throw 42; }, nullptr);
    EXPECT_EQ(Launch("throw"), sdk::kResultError);
    EXPECT_EQ(Launch("ThrowAnything"), sdk::kResultError);
    EXPECT_EQ(Launch("StopAutoPlacer"), sdk::kResultOk);
    EXPECT_TRUE(StopRequested);
    EXPECT_EQ(Client.GetView().UpdateCount, 1);
}

TEST_F(FrameTest, CommandStateEnablesEveryCommandAndLeavesTheRestAlone) {
    int32_t enabled = 0;
    int32_t checked = 5;
    int32_t visible = 7;
    EXPECT_EQ(Launcher->GetCommandState("AnyName", "", nullptr, &enabled, &checked, &visible), sdk::kResultOk);
    EXPECT_EQ(enabled, -1);
    EXPECT_EQ(checked, 5);
    EXPECT_EQ(visible, 7);
    EXPECT_EQ(Launcher->GetCommandState("AnyName", "", nullptr, nullptr, nullptr, nullptr), sdk::kResultOk);
}

TEST_F(FrameTest, ReferenceCountingDestroysTheModuleAtTheLastRelease) {
    EXPECT_EQ(Module->AddRef(), 2);
    EXPECT_EQ(Module->Release(), 1);
    EXPECT_EQ(ServerModule, static_cast<TAutoPlacerServerModule*>(Module));
    void* queried = nullptr;
    ASSERT_EQ(Module->QueryInterface("IServerModule", &queried), sdk::kResultOk);
    EXPECT_EQ(queried, Module);
    EXPECT_EQ(Module->Release(), 1);  // the reference QueryInterface added
    EXPECT_EQ(Module->QueryInterface("INothing", &queried), sdk::kResultError);
    EXPECT_EQ(queried, nullptr);

    EXPECT_EQ(Module->Release(), 0);
    Module = nullptr;
    EXPECT_EQ(ServerModule, nullptr);
    EXPECT_EQ(ServerModuleInterface, nullptr);
    EXPECT_EQ(autoplacer::Client, nullptr);
}

TEST_F(FrameTest, ReleaseDuringACommandWaitsForTheCommandToEnd) {
    static sdk::IServerModule* module = nullptr;
    static sdk::ICommandLauncher* launcher = nullptr;
    static int32_t nestedResult = 99;
    module = Module;
    launcher = Launcher;
    ServerModule->GetLauncher()->RegisterCommandHandler(
        "LetGo",
        [](void*, char*, int32_t) {
            module->Release();
            // A command arriving now is ignored: the module is already let go.
            char buffer[8] = "";
            nestedResult = launcher->LaunchCommand("StopAutoPlacer", buffer, 8, nullptr);
        },
        nullptr);
    EXPECT_EQ(Launch("LetGo"), sdk::kResultOk);
    Module = nullptr;  // released by the handler, deleted when the command ended
    EXPECT_EQ(ServerModule, nullptr);
    EXPECT_EQ(nestedResult, sdk::kResultOk);
    EXPECT_FALSE(StopRequested);
}

TEST_F(FrameTest, RegisteredInterfacesAreAddedAndRemovedByItem) {
    int first = 0;
    int second = 0;
    Module->AddRegisteredInterface(&first);
    Module->AddRegisteredInterface(&second);
    Module->RemoveRegisteredInterface(&first);
    Module->RemoveRegisteredInterface(&first);  // no longer there: nothing happens
    ASSERT_EQ(Module->RegisteredInterfaceCount(), 1);
    EXPECT_EQ(Module->GetRegisteredInterface(0), &second);
    EXPECT_EQ(Module->GetRegisteredInterface(1), nullptr);
    EXPECT_EQ(Module->GetRegisteredInterface(-1), nullptr);
}

// A launcher whose module is gone (or was never made) ignores every command.
TEST(LauncherWithoutModule, IgnoresCommands) {
    ASSERT_EQ(ServerModule, nullptr);
    StopRequested = false;
    app::AppClient client;
    TAutoPlaceCommandLauncher launcher("AutoPlacer", &client);
    RegisterAutoPlacerCommands(launcher);
    char buffer[64] = "Action=IsRunning";
    EXPECT_EQ(launcher.LaunchCommand("StopAutoPlacer", buffer, 64, nullptr), sdk::kResultOk);
    EXPECT_FALSE(StopRequested);
    EXPECT_EQ(launcher.LaunchCommand("AutoPlacer", buffer, 64, nullptr), sdk::kResultOk);
    EXPECT_STREQ(buffer, "Action=IsRunning");
    EXPECT_EQ(client.GetView().UpdateCount, 0);
    int32_t enabled = 0;
    launcher.GetCommandState("AutoPlacer", "", nullptr, &enabled, nullptr, nullptr);
    EXPECT_EQ(enabled, 0);
}

TEST(ServerFactoryEntry, RejectsAMissingOutParameter) {
    app::AppClient client;
    EXPECT_EQ(ServerFactory(&client, nullptr), sdk::kResultError);
    EXPECT_EQ(ServerModule, nullptr);
}

}  // namespace
}  // namespace autoplacer
