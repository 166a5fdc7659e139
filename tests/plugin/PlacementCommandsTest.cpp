// The placement commands as the host calls them: the "Test" parameter, the
// choice between the two placers, the run query during and outside a run, a
// stop requested before the run, and the run flags after a run that failed.
#include <array>
#include <cstring>

#include "driver/DriverFixture.h"
#include "model/OldComponentPositions.h"
#include "hostpcb/PcbServer.h"
#include "model/RunControl.h"
#include "plugin/Commands_AutoPlacer.h"

namespace autoplacer::drivertest {
namespace {

using Step = TPlacerStep;

class PlacementCommands : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(ServerFactory(&client, &module), sdk::kResultOk);
    }
    void TearDown() override {
        module->Release();
        DriverTest::TearDown();
    }

    int32_t Launch(const char* command, const char* parameters, std::string* answer = nullptr) {
        std::array<char, 512> buffer{};
        std::strncpy(buffer.data(), parameters, buffer.size() - 1);
        const int32_t result = module->GetCommandLauncher()->LaunchCommand(command, buffer.data(), 256, nullptr);
        if (answer != nullptr) {
            *answer = buffer.data();
        }
        return result;
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& p : presenter.History()) {
            captions.push_back(p.Caption);
        }
        return captions;
    }

    sdk::IServerModule* module = nullptr;
};

TEST_F(PlacementCommands, TestParameterChoosesTheSetupDialog) {
    board->fileName = "b.kicad_pcb";
    for (const char* parameters : {"Test=true", "  Test  =  True  ", "Other=1|TEST=TRUE"}) {
        presenter.AddAnswer("AutoPlacer=Cancel");
        EXPECT_EQ(Launch("RunAutoPlacer", parameters), sdk::kResultOk);
    }
    for (const char* parameters : {"Test=Yes", "Test=1", ""}) {
        presenter.AddAnswer("Auto Place=Cancel");
        EXPECT_EQ(Launch("RunAutoPlacer", parameters), sdk::kResultOk);
    }
    EXPECT_EQ(Captions(), (std::vector<std::string>{"AutoPlacer", "AutoPlacer", "AutoPlacer", "Auto Place",
                                                    "Auto Place", "Auto Place"}));
    // Cancelled dialogs: nothing ran, nothing was sent.
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(client.GetProcessCalls().empty());
    EXPECT_FALSE(PlacementRunning);
}

TEST_F(PlacementCommands, ClusterPlacerChoiceRunsTheClusterPlacerWithQuickPlacement) {
    SmallBoard();
    bool strict = false;
    onStep = [&](Step step) {
        if (step == Step::EnforcePermittedLayers) {
            ASSERT_NE(CurrentDriver, nullptr);
            strict = CurrentDriver->Options.StrictFloorPlanning;
        }
    };
    presenter.AddAnswer("Auto Place.UseNewAutoPlacer_RadioButton=1");
    presenter.AddAnswer("Auto Place.QuickPlace_CheckBox=1");
    presenter.AddAnswer("Auto Place=OK");
    EXPECT_EQ(Launch("RunAutoPlacer", ""), sdk::kResultOk);

    EXPECT_TRUE(strict);
    EXPECT_TRUE(Ran(Step::ExtractClusters));
    EXPECT_TRUE(Ran(Step::FinishBoardView));
    EXPECT_FALSE(Ran(Step::AbsolutePlacement));
    for (const auto& call : client.GetProcessCalls()) {
        EXPECT_NE(call.Process, "Placer:RunAutoPlacer");
    }
    EXPECT_FALSE(PlacementRunning);
    EXPECT_EQ(CurrentDriver, nullptr);
}

TEST_F(PlacementCommands, StatisticalPlacerChoiceHandsTheBoardToTheHost) {
    SmallBoard();
    presenter.AddAnswer("Auto Place.AutomaticUpdate_CheckBox=1");
    presenter.AddAnswer("Auto Place=OK");  // the statistical placer is selected at first
    EXPECT_EQ(Launch("RunAutoPlacer", ""), sdk::kResultOk);

    EXPECT_TRUE(steps.empty());
    ASSERT_FALSE(client.GetProcessCalls().empty());
    EXPECT_EQ(client.GetProcessCalls().back().Process, "Placer:RunAutoPlacer");
    EXPECT_EQ(client.GetProcessCalls().back().Parameters, "Batch=True|UseAutoPCBUpdate=True");
    EXPECT_EQ(board->placerOptions.value1, 500000);
    EXPECT_EQ(board->placerOptions.value2, 200000);
}

TEST_F(PlacementCommands, QueryAnswersTheBoardDuringARunAndOnlyFalseOutside) {
    SmallBoard();
    std::string during;
    onStep = [&](Step step) {
        if (step == Step::InitialSpread) {
            Launch("AutoPlacer", "Action=IsRunning", &during);
        }
    };
    presenter.AddAnswer("Auto Place.UseNewAutoPlacer_RadioButton=1");
    presenter.AddAnswer("Auto Place=OK");
    Launch("RunAutoPlacer", "");
    EXPECT_EQ(during, "BoardFileName=/boards/driver.kicad_pcb|Result=True");

    std::string after;
    Launch("AutoPlacer", "Action=IsRunning", &after);
    EXPECT_EQ(after, "Result=False");
}

TEST_F(PlacementCommands, StopRequestedBeforeTheRunIsAskedAtItsFirstCheck) {
    SmallBoard();
    TListOfOldComponentPositions before(board->Handle());
    EXPECT_EQ(Launch("StopAutoPlacer", ""), sdk::kResultOk);
    EXPECT_TRUE(StopRequested);
    EXPECT_FALSE(PlacementRunning);

    presenter.AddAnswer("Auto Place.UseNewAutoPlacer_RadioButton=1");
    presenter.AddAnswer("Auto Place=OK");
    presenter.AddAnswer("Confirm.Restore_CheckBox=1");
    presenter.AddAnswer("Confirm=Yes");
    Launch("RunAutoPlacer", "");

    EXPECT_EQ(Captions(), (std::vector<std::string>{"Auto Place", "Confirm"}));
    EXPECT_FALSE(Ran(Step::InitialPairTree));
    EXPECT_TRUE(Ran(Step::FinishBoardView));
    EXPECT_TRUE(before.ChangedHandles()->Empty());
    EXPECT_FALSE(StopRequested);
    EXPECT_FALSE(StopConfirmed);
}

TEST_F(PlacementCommands, FailedRunClearsTheFlagsAndTheNextRunWorks) {
    SmallBoard();
    TListOfOldComponentPositions before(board->Handle());
    presenter.AddAnswer("AutoPlacer.ClusterScoreThreshold_Edit=many");
    presenter.AddAnswer("AutoPlacer=Place");
    EXPECT_NE(Launch("RunAutoPlacer", "Test=True"), sdk::kResultOk);

    ASSERT_EQ(presenter.History().size(), 2u);
    EXPECT_EQ(presenter.History()[1].Caption, "Error");
    EXPECT_NE(presenter.History()[1].Text.find("many"), std::string::npos) << presenter.History()[1].Text;
    EXPECT_FALSE(PlacementRunning);
    EXPECT_FALSE(StopRequested);
    EXPECT_EQ(CurrentDriver, nullptr);
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(before.ChangedHandles()->Empty());

    presenter.AddAnswer("AutoPlacer.ClusterScoreThreshold_Edit=85");
    presenter.AddAnswer("AutoPlacer=Place");
    EXPECT_EQ(Launch("RunAutoPlacer", "Test=True"), sdk::kResultOk);
    EXPECT_TRUE(Ran(Step::ExtractClusters));
    EXPECT_TRUE(Ran(Step::FinishBoardView));
    EXPECT_FALSE(PlacementRunning);
}

// A PCB server whose board interface refuses every message, as a host that
// cannot record undo would.
class RefusingServer final : public sdk::IPcbServer, public sdk::IPcbBoardInterface {
public:
    sdk::IPcbBoardInterface* GetBoardInterface(PcbHandle) override { return this; }
    int32_t SendBoardMessage(PcbHandle, intptr_t, int32_t, PcbHandle) override { return sdk::kResultError; }
};

TEST_F(PlacementCommands, HostRefusingTheBracketEndsTheRunWithTheBoardDrawnAgain) {
    SmallBoard();
    RefusingServer refusing;
    client.SetPcbServer(&refusing);
    presenter.AddAnswer("Auto Place.UseNewAutoPlacer_RadioButton=1");
    presenter.AddAnswer("Auto Place=OK");
    EXPECT_NE(Launch("RunAutoPlacer", ""), sdk::kResultOk);

    EXPECT_EQ(Captions(), (std::vector<std::string>{"Auto Place", "Error"}));
    EXPECT_FALSE(Ran(Step::InitialPairTree));
    ASSERT_FALSE(client.GetProcessCalls().empty());
    EXPECT_EQ(client.GetProcessCalls().back().Parameters, "Action=Redraw");
    EXPECT_FALSE(PlacementRunning);
    EXPECT_EQ(CurrentDriver, nullptr);

    // The next run, with a host that records undo, works as usual.
    client.SetPcbServer(nullptr);
    presenter.AddAnswer("Auto Place.UseNewAutoPlacer_RadioButton=1");
    presenter.AddAnswer("Auto Place.QuickPlace_CheckBox=1");
    presenter.AddAnswer("Auto Place=OK");
    EXPECT_EQ(Launch("RunAutoPlacer", ""), sdk::kResultOk);
    EXPECT_TRUE(Ran(Step::RoomPlacement));
    EXPECT_EQ(board->Messages().Depth(), 0);
    EXPECT_EQ(board->Messages().ClosedBrackets(), 1u);
}

}  // namespace
}  // namespace autoplacer::drivertest
