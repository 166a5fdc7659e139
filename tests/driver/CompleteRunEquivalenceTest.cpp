// The complete "RunAutoPlacer" command (side corrections, pair trees, pre-passes,
// clusters, relative, room and absolute placement) places every component where
// it does with the plain reference forms: the fast forms reach beyond the group
// placer (the rectangle overlap test serves the room and rectangle placers too).
// The command runs in-process through the plug-in's launcher, its dialogs
// answered as "autoplacer place" answers them, on small random boards and on the
// small shared boards; for those the written files are compared as well.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/Metrics.h"
#include "app/PlaceCommand.h"
#include "app/ScriptedDialogHost.h"
#include "driver/AutoPlacerDriver.h"
#include "hostpcb/Board.h"
#include "hostpcb/Host.h"
#include "hostpcb/PlacementShape.h"
#include "io/BoardFiles.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"
#include "sdk/plugin.h"
#include "driver/DriverFixture.h"
#include "engines/EquivalenceFixture.h"
#include "support/RandomBoards.h"

namespace autoplacer::speedtest {
namespace {

// A run takes its forms from the environment when its driver is made; this
// chooses them for one run and leaves the environment as it found it.
class TFormsFromEnvironment {
public:
    explicit TFormsFromEnvironment(bool reference) {
        if (reference) {
            setenv("AUTOPLACER_REFERENCE", "1", 1);
        }
    }
    ~TFormsFromEnvironment() { unsetenv("AUTOPLACER_REFERENCE"); }
    TFormsFromEnvironment(const TFormsFromEnvironment&) = delete;
    TFormsFromEnvironment& operator=(const TFormsFromEnvironment&) = delete;
};

using drivertest::ResetRunFlags;

// The placer's options as flags of "autoplacer place": the defaults through the
// placer choice, quick placement (rooms only), and through the setup dialog
// (from its defaults) without pre-passes, with tree-based rooms, or on a finer grid.
enum class TVariant { Defaults, Quick, NoPrePasses, TreeBasedRooms, FineGrid };

const char* VariantName(TVariant variant) {
    switch (variant) {
        case TVariant::Quick:
            return "quick";
        case TVariant::NoPrePasses:
            return "no pre-passes";
        case TVariant::TreeBasedRooms:
            return "tree-based rooms";
        case TVariant::FineGrid:
            return "25 mil grid";
        default:
            return "defaults";
    }
}

app::PlaceOptions OptionsFor(TVariant variant) {
    app::PlaceOptions options;
    switch (variant) {
        case TVariant::Quick:
            options.Quick = true;
            break;
        case TVariant::NoPrePasses:
            options.NoPrePasses = true;
            break;
        case TVariant::TreeBasedRooms:
            options.TreeBasedRooms = true;
            break;
        case TVariant::FineGrid:
            options.Grid = "25mil";
            break;
        default:
            break;
    }
    return options;
}

struct TCommandRun {
    int32_t Result = -1;
    std::vector<TPartPlacement> Before;
    std::vector<TPartPlacement> After;
    // The parts a placer may move: unlocked, with a placement shape.
    int Placeable = 0;
    // Caption and text of every dialog and message the run presented.
    std::vector<std::string> Presented;
    std::vector<std::string> UnusedAnswers;
    app::BoardMetrics Metrics;
    std::string Written;  // the written board file (boards read from a file)
};

class CompleteRunEquivalence : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRunFlags();
        hostpcb::Host::Instance().Reset();
    }
    void TearDown() override {
        Loaded.reset();
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
        ResetRunFlags();
    }

    // Builds the board afresh and runs the command on it with one form.
    TCommandRun RunWith(bool reference, const std::function<hostpcb::Board&()>& build, TVariant variant) {
        Loaded.reset();
        hostpcb::Host::Instance().Reset();
        ResetRunFlags();
        const TFormsFromEnvironment form(reference);
        hostpcb::Board& board = build();

        TCommandRun run;
        run.Before = Placements(board);
        for (const hostpcb::Component* c : board.Components()) {
            run.Placeable += c->moveable && hostpcb::HasExtent(*c) ? 1 : 0;
        }
        const app::PlaceOptions options = OptionsFor(variant);
        std::ostringstream notices;
        app::ScriptedDialogHost presenter(notices);
        for (const std::string& answer : app::PlacerDialogAnswers(options)) {
            EXPECT_EQ(presenter.AddAnswer(answer), "") << answer;
        }
        app::AppClient client;
        client.SetDialogHost(&presenter);
        sdk::IServerModule* module = nullptr;
        EXPECT_EQ(ServerFactory(&client, &module), sdk::kResultOk);
        if (module == nullptr) {
            return run;
        }
        std::array<char, 512> parameters{};
        if (app::NeedsSetupDialog(options)) {
            std::strcpy(parameters.data(), "Test=True");
        }
        run.Result = module->GetCommandLauncher()->LaunchCommand("RunAutoPlacer", parameters.data(),
                                                                 static_cast<int32_t>(parameters.size()), nullptr);
        module->Release();
        Client = nullptr;

        run.After = Placements(board);
        run.Metrics = app::MeasureBoard(board);
        for (const auto& shown : presenter.History()) {
            run.Presented.push_back(shown.Caption + ": " + shown.Text);
        }
        run.UnusedAnswers = presenter.UnusedAnswers();
        if (Loaded) {
            // Named for the process too: ctest runs the cases side by side.
            const std::string output = ::testing::TempDir() + "complete-run-" + std::to_string(::getpid()) + "-" +
                                       (reference ? "reference" : "fast") + ".kicad_pcb";
            io::SaveBoardFile(*Loaded, {output, false, false});
            std::ifstream in(output, std::ios::binary);
            run.Written.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            std::remove(output.c_str());
        }
        return run;
    }

    // Both forms end with every component at the same position, rotation and
    // side, after the same dialogs, and write the same file; answers the fast run.
    TCommandRun ExpectSameRun(const std::function<hostpcb::Board&()>& build, TVariant variant,
                              const std::string& label) {
        const TCommandRun fast = RunWith(false, build, variant);
        const TCommandRun reference = RunWith(true, build, variant);
        EXPECT_EQ(fast.Result, sdk::kResultOk) << label;
        EXPECT_EQ(fast.Result, reference.Result) << label;
        EXPECT_EQ(fast.Before, reference.Before) << label << ": the two builds differ";
        EXPECT_EQ(fast.Presented, reference.Presented) << label;
        for (const std::string& shown : fast.Presented) {
            EXPECT_NE(shown.rfind("Error:", 0), 0u) << label << ": " << shown;
        }
        // Every answer was taken: the dialogs the variant names were shown.
        EXPECT_TRUE(fast.UnusedAnswers.empty()) << label << ": " << fast.UnusedAnswers.front();
        EXPECT_EQ(fast.After.size(), reference.After.size()) << label;
        int differing = 0;
        for (std::size_t i = 0; i < fast.After.size() && i < reference.After.size(); ++i) {
            if (fast.After[i] != reference.After[i]) {
                // The first few are enough to find the fault.
                if (++differing <= 3) {
                    ADD_FAILURE() << label << ": fast " << fast.After[i] << ", reference " << reference.After[i];
                }
            }
        }
        EXPECT_EQ(differing, 0) << label << ": components placed differently";
        EXPECT_TRUE(fast.Written == reference.Written) << label << ": the written boards differ";
        return fast;
    }

    // Guards against a vacuous comparison: the runs moved components and some
    // of them placed a board without overlaps.
    void Count(const TCommandRun& run) {
        parts += run.Placeable;
        for (std::size_t i = 0; i < run.Before.size() && i < run.After.size(); ++i) {
            moved += run.Before[i] == run.After[i] ? 0 : 1;
        }
        ++boards;
        clean += run.Metrics.overlappingPairs == 0 && run.Metrics.outsideOutline == 0 ? 1 : 0;
    }
    void ExpectRealRuns(int minimumClean) {
        EXPECT_GT(moved, parts * 3 / 4) << moved << " of " << parts << " components moved";
        EXPECT_GE(clean, minimumClean) << clean << " of " << boards << " boards placed without conflicts";
    }

    std::unique_ptr<io::LoadedBoard> Loaded;
    int parts = 0;
    int moved = 0;
    int boards = 0;
    int clean = 0;
};

// Boards of 15 to 30 parts on outlines with room for most of them.
constexpr TRandomBoardShape kShape{15, 30, 12, 18, 8, 14};

class RandomBoardCompleteRun : public CompleteRunEquivalence {
protected:
    void CheckSeeds(uint32_t first, uint32_t last, TVariant variant) {
        for (uint32_t seed = first; seed <= last; ++seed) {
            const auto build = [seed]() -> hostpcb::Board& { return BuildRandomBoard(seed, kShape); };
            Count(ExpectSameRun(build, variant, std::string(VariantName(variant)) + ", seed " + std::to_string(seed)));
        }
    }
};

TEST_F(RandomBoardCompleteRun, DefaultOptions) {
    CheckSeeds(1, 10, TVariant::Defaults);
    ExpectRealRuns(1);
}

TEST_F(RandomBoardCompleteRun, QuickPlacement) {
    CheckSeeds(101, 130, TVariant::Quick);
    ExpectRealRuns(0);  // rooms only: parts are left where the rooms put them
}

TEST_F(RandomBoardCompleteRun, WithoutPrePasses) {
    CheckSeeds(201, 208, TVariant::NoPrePasses);
    ExpectRealRuns(1);
}

TEST_F(RandomBoardCompleteRun, TreeBasedRooms) {
    CheckSeeds(301, 306, TVariant::TreeBasedRooms);
    ExpectRealRuns(1);
}

TEST_F(RandomBoardCompleteRun, FinerGrid) {
    CheckSeeds(405, 412, TVariant::FineGrid);
    ExpectRealRuns(1);
}

// The small shared boards, read from their files, under the defaults and under
// one other variant each.
struct TSharedBoard {
    const char* Name;
    TVariant Variant;
};

std::ostream& operator<<(std::ostream& out, const TSharedBoard& board) {
    return out << board.Name << " (defaults, " << VariantName(board.Variant) << ")";
}

class SharedBoardCompleteRun : public CompleteRunEquivalence, public ::testing::WithParamInterface<TSharedBoard> {};

TEST_P(SharedBoardCompleteRun, SameRunAsTheReference) {
    const std::string name = GetParam().Name;
    const std::string path = std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb";
    const auto load = [&]() -> hostpcb::Board& {
        Loaded = io::LoadBoardFile(path);
        return *Loaded->board;
    };
    for (const TVariant variant : {TVariant::Defaults, GetParam().Variant}) {
        const std::string label = name + ", " + VariantName(variant);
        const TCommandRun fast = ExpectSameRun(load, variant, label);
        Count(fast);
        EXPECT_FALSE(fast.Written.empty()) << label;
    }
    EXPECT_GT(moved, parts * 3 / 4) << moved << " of " << parts << " components moved";
}

INSTANTIATE_TEST_SUITE_P(SmallBoards, SharedBoardCompleteRun,
                         ::testing::Values(TSharedBoard{"uext-esp32-c3", TVariant::FineGrid},
                                           TSharedBoard{"bp-irtoy", TVariant::NoPrePasses},
                                           TSharedBoard{"sensorwatch-b1", TVariant::TreeBasedRooms},
                                           TSharedBoard{"tkey-tk1", TVariant::Quick}),
                         [](const auto& parameter) {
                             std::string name = parameter.param.Name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace autoplacer::speedtest
