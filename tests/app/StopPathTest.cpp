// Stopping a run: the stop check, the stop dialog and the road of a stop
// request from the host (the application's message pump, or Ctrl-C) through the
// plug-in's command launcher back into a polling loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/AppClient.h"
#include "app/DialogSetup.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"
#include "settings/StopPlacement.h"

namespace autoplacer {
namespace {

void ResetRunFlags() {
    PlacementRunning = false;
    StopRequested = false;
    StopConfirmed = false;
    RestoreOnStop = true;
}

TEST(StopDialog, HasItsTextsAndResults) {
    TStopPlacementDialog dialog;
    EXPECT_EQ(dialog.Caption, "Confirm");
    EXPECT_EQ(dialog.Question_Label->Caption, "Do you want to stop auto placement?");
    EXPECT_EQ(dialog.Yes_Button->Caption, "Yes");
    EXPECT_EQ(dialog.Yes_Button->ModalResult, 1);
    EXPECT_EQ(dialog.No_Button->Caption, "No");
    EXPECT_EQ(dialog.No_Button->ModalResult, 2);
    EXPECT_EQ(dialog.Restore_CheckBox->Caption, "&Restore components to old positions");
    EXPECT_FALSE(dialog.Restore_CheckBox->GetChecked());
}

// The stop check with the scripted presenter standing for the user.
class StopCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRunFlags();
        client.SetDialogHost(&presenter);
        client.SetMessagePump([this] { ++pumped; });
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        ResetRunFlags();
    }

    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
    int pumped = 0;
};

TEST_F(StopCheck, OutsideARunNeverStopsNorAsks) {
    StopRequested = true;
    EXPECT_FALSE(CheckStopRequest());
    EXPECT_EQ(pumped, 1);
    EXPECT_TRUE(presenter.History().empty());
    EXPECT_TRUE(StopRequested);  // kept for the next run's first check
}

TEST_F(StopCheck, ConfirmedWithRestoreStopsEveryLaterCheckWithoutAsking) {
    PlacementRunning = true;
    RestoreOnStop = false;
    EXPECT_FALSE(CheckStopRequest());
    EXPECT_TRUE(presenter.History().empty());

    presenter.AddAnswer("Confirm.Restore_CheckBox=1");
    presenter.AddAnswer("Confirm=Yes");
    StopRequested = true;
    EXPECT_TRUE(CheckStopRequest());
    EXPECT_TRUE(StopConfirmed);
    EXPECT_TRUE(RestoreOnStop);
    EXPECT_TRUE(CheckStopRequest());
    EXPECT_TRUE(CheckStopRequest());
    EXPECT_EQ(presenter.History().size(), 1u);
    EXPECT_EQ(pumped, 4);
}

TEST_F(StopCheck, ConfirmedWithoutRestoreKeepsThePlacement) {
    PlacementRunning = true;
    StopRequested = true;
    presenter.AddAnswer("Confirm=Yes");
    EXPECT_TRUE(CheckStopRequest());
    EXPECT_FALSE(RestoreOnStop);
}

TEST_F(StopCheck, DeclinedWithdrawsTheRequestUntilTheNextOne) {
    PlacementRunning = true;
    StopRequested = true;
    presenter.AddAnswer("Confirm.Restore_CheckBox=1");  // ticked, but the answer is No
    presenter.AddAnswer("Confirm=No");
    EXPECT_FALSE(CheckStopRequest());
    EXPECT_FALSE(StopRequested);
    EXPECT_FALSE(StopConfirmed);
    EXPECT_TRUE(RestoreOnStop);
    EXPECT_FALSE(CheckStopRequest());
    EXPECT_EQ(presenter.History().size(), 1u);

    StopRequested = true;  // a new request asks again
    presenter.AddAnswer("Confirm=Yes");
    EXPECT_TRUE(CheckStopRequest());
    EXPECT_EQ(presenter.History().size(), 2u);
}

// The whole road with the application's own pieces: the plug-in loaded through
// ServerFactory into the application client, the dialog environment the
// application attaches (scripted presenter, settings store, message pump).
class StopPath : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRunFlags();
        registryFile = std::filesystem::temp_directory_path() /
                       ("autoplacer-stop-" + std::to_string(getpid()) + ".json");
    }
    void TearDown() override {
        if (module != nullptr) {
            client.SetServerModule(nullptr);
            module->Release();
        }
        app::interrupts::SetCommandRunning(false);
        std::filesystem::remove(registryFile);
        Client = nullptr;
        ResetRunFlags();
    }

    void Start(std::vector<std::string> answers) {
        app::DialogOptions options;
        options.Answers = std::move(answers);
        options.RegistryPath = registryFile.string();
        options.Batch = true;
        std::string problem;
        environment = app::DialogEnvironment::Create(options, problem);
        ASSERT_NE(environment, nullptr) << problem;
        environment->Attach(client);
        ASSERT_EQ(ServerFactory(&client, &module), 0);
        client.SetServerModule(module);
    }

    // A placement loop: polls the stop check once per step; the host queues a
    // stop request before step stopAt. Answers the number of steps done.
    template <typename RequestStop>
    int RunLoop(int steps, int stopAt, RequestStop requestStop) {
        PlacementRunning = true;
        int done = 0;
        for (; done < steps; ++done) {
            if (done == stopAt) {
                requestStop();
            }
            if (CheckStopRequest()) {
                break;
            }
        }
        PlacementRunning = false;
        return done;
    }

    std::filesystem::path registryFile;
    app::AppClient client;
    std::unique_ptr<app::DialogEnvironment> environment;
    sdk::IServerModule* module = nullptr;
};

TEST_F(StopPath, QueuedStopConfirmedWithRestoreEndsTheLoop) {
    Start({"Confirm.Restore_CheckBox=1", "Confirm=Yes"});
    RestoreOnStop = false;
    const int done = RunLoop(100, 10, [&] { environment->Pump().Post("StopAutoPlacer"); });
    EXPECT_EQ(done, 10);
    EXPECT_TRUE(StopConfirmed);
    EXPECT_TRUE(RestoreOnStop);
    EXPECT_EQ(environment->Pump().Delivered(), 1u);
    ASSERT_EQ(environment->Script()->History().size(), 1u);
    EXPECT_EQ(environment->Script()->History()[0].Caption, "Confirm");
}

TEST_F(StopPath, DeclinedStopLetsTheLoopRunOn) {
    Start({"Confirm=No"});
    const int done = RunLoop(100, 10, [&] { environment->Pump().Post("StopAutoPlacer"); });
    EXPECT_EQ(done, 100);
    EXPECT_FALSE(StopRequested);
    EXPECT_FALSE(StopConfirmed);
    EXPECT_EQ(environment->Script()->History().size(), 1u);
}

TEST_F(StopPath, CtrlCDuringACommandAsksToStop) {
    Start({"Confirm=Yes"});
    app::interrupts::SetCommandRunning(true);
    const int done = RunLoop(100, 25, [] { std::raise(SIGINT); });
    EXPECT_EQ(done, 25);
    EXPECT_TRUE(StopConfirmed);
    EXPECT_FALSE(RestoreOnStop);
    EXPECT_EQ(environment->Pump().Delivered(), 1u);
}

}  // namespace
}  // namespace autoplacer
