// Stopping the statistical placer (the stop question through the application's
// dialog host, with and without restore) and running it through the host command
// "Placer:RunAutoPlacer" of the application's client.
#include <sstream>

#include "StatisticalFixture.h"
#include "app/AppClient.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/Interaction.h"
#include "io/BoardFiles.h"
#include "io/TestFiles.h"

namespace statistical_test {
namespace {

// A stop request on the n-th time the placer asks, noting whether the board had
// changed by then (so that a restore has something to undo).
struct StopOnPoll {
    int at = 3;
    int polls = 0;
    bool boardChangedAtStop = false;
    Placement original;
    Board* board = nullptr;

    std::function<bool()> Check() {
        return [this] {
            if (++polls != at) return false;
            boardChangedAtStop = PlacementOf(*board) != original;
            return true;
        };
    }
};

TEST_F(StatisticalTest, StopWithRestoreGivesBackTheInputByteForByte) {
    iotest::ScratchDir scratch;
    const std::string input = iotest::BoardPath("uext-esp32-c3.kicad_pcb");
    // Every part movable, so that the run has moved some when it is stopped.
    io::LoadOptions options;
    options.keepEdgeParts = false;
    std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(input, options);
    board = loaded->board;
    SetGaps(0.2, 0.08);

    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    ASSERT_EQ(dialogs.AddAnswer("Confirm.Restore_CheckBox=1"), "");
    ASSERT_EQ(dialogs.AddAnswer("Confirm=Yes"), "");
    StopOnPoll stop;
    stop.board = board;
    stop.original = PlacementOf(*board);
    hostpcb::statistical::PlacerSettings settings;
    settings.dialogs = &dialogs;
    settings.stopRequested = stop.Check();

    const auto outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.restored);
    EXPECT_TRUE(stop.boardChangedAtStop);
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].Name, "StopPlacementDialog");

    io::SaveOptions save;
    save.output = scratch.file("restored.kicad_pcb");
    const io::SaveResult saved = io::SaveBoardFile(*loaded, save);
    EXPECT_EQ(saved.moved, 0);
    EXPECT_TRUE(iotest::ReadFile(save.output) == iotest::ReadFile(input));
    board = nullptr;
}

TEST_F(StatisticalTest, StopWithoutRestoreLeavesThePartsAndNoGoesOn) {
    BuildConnectedBoard();
    SetGaps(0.3, 0.2);
    const Placement original = PlacementOf(*board);

    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    ASSERT_EQ(dialogs.AddAnswer("Confirm=Yes"), "");
    StopOnPoll stop;
    stop.board = board;
    stop.original = original;
    hostpcb::statistical::PlacerSettings settings;
    settings.dialogs = &dialogs;
    settings.stopRequested = stop.Check();
    auto outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.restored);
    EXPECT_NE(PlacementOf(*board), original);
    // Nothing more is asked after a confirmed stop.
    EXPECT_EQ(stop.polls, 3);

    // "No" withdraws the request: the run completes to a legal board.
    ASSERT_EQ(dialogs.AddAnswer("Confirm=No"), "");
    stop.polls = 0;
    outcome = hostpcb::statistical::PlaceBoard(*board, settings);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_GT(stop.polls, 3);
    ExpectLegal();
}

TEST_F(StatisticalTest, HostCommandRunsThePlacerWithTheClientsSeed) {
    BuildConnectedBoard();
    SetGaps(0.3, 0.2);
    hostpcb::RecordingProgress progress;
    hostpcb::Host::Instance().SetProgressSink(&progress);

    app::AppClient client;
    client.SetStatisticalSeed(5);
    char parameters[256] = "Batch=True|UseAutoPCBUpdate=True";
    EXPECT_EQ(client.RunProcess("Placer:RunAutoPlacer", parameters, 256, nullptr), sdk::kResultOk);
    hostpcb::Host::Instance().SetProgressSink(nullptr);

    ASSERT_TRUE(client.GetStatisticalOutcome().has_value());
    EXPECT_EQ(client.GetStatisticalOutcome()->movable, 18);
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    EXPECT_EQ(client.GetProcessCalls()[0].Parameters, "Batch=True|UseAutoPCBUpdate=True");
    ExpectLegal();
    const Placement placed = PlacementOf(*board);
    EXPECT_EQ(progress.progressTexts,
              (std::vector<std::string>{"Spreading components ...", "Annealing component positions ...",
                                        "Removing overlaps ...", "Refining component positions ..."}));
    EXPECT_EQ(progress.progressFinishes, 4);

    // The same seed through the placer's own entry gives the same board.
    hostpcb::Host::Instance().Reset();
    board = &hostpcb::Host::Instance().CreateBoard("statistical.kicad_pcb");
    BuildConnectedBoard();
    SetGaps(0.3, 0.2);
    Place(5);
    EXPECT_EQ(PlacementOf(*board), placed);

    // Other host commands are only recorded.
    const Placement before = PlacementOf(*board);
    char zoom[256] = "Action=Redraw";
    client.RunProcess("PCB:Zoom", zoom, 256, nullptr);
    EXPECT_EQ(PlacementOf(*board), before);
}

TEST_F(StatisticalTest, CtrlCReachesTheHostPlacersStopQuestion) {
    BuildConnectedBoard();
    SetGaps(0.3, 0.2);
    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    ASSERT_EQ(dialogs.AddAnswer("Confirm.Restore_CheckBox=1"), "");
    ASSERT_EQ(dialogs.AddAnswer("Confirm=Yes"), "");
    const Placement original = PlacementOf(*board);

    app::AppClient client;
    client.SetDialogHost(&dialogs);
    app::interrupts::SetCommandRunning(true);
    ASSERT_TRUE(app::interrupts::HandleInterrupt());  // as the signal handler does
    char parameters[256] = "Batch=True|UseAutoPCBUpdate=False";
    client.RunProcess("Placer:RunAutoPlacer", parameters, 256, nullptr);
    app::interrupts::SetCommandRunning(false);

    ASSERT_TRUE(client.GetStatisticalOutcome().has_value());
    EXPECT_TRUE(client.GetStatisticalOutcome()->restored);
    EXPECT_EQ(PlacementOf(*board), original);
}

}  // namespace
}  // namespace statistical_test
