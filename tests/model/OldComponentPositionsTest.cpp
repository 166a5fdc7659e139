// Saved component positions: what counts as changed for putting back and for
// finding moved parts, the 150 mil test, filtered lists, side corrections, and
// that putting back after any moves gives the designer's board file back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/AppClient.h"
#include "host/PcbRecords.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/Cluster.h"
#include "model/OldComponentPositions.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

using hostpcb::MilsToUnits;

class SavedPositions : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("positions.kicad_pcb");
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    hostpcb::Point At(double xMils, double yMils) { return {MilsToUnits(xMils), MilsToUnits(yMils)}; }
    hostpcb::Component& Part(const char* designator) { return *board->FindComponent(designator); }
    PcbHandle Handle(const char* designator) { return Part(designator).Handle(); }

    app::AppClient client;
    hostpcb::Board* board = nullptr;
};

TEST_F(SavedPositions, AngleChangeBelowTenthOfDegreeIsRestoredButNotReportedAsMoved) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100), 90);
    build.Chip("R2", "0603", At(300, 100), 90);
    TListOfOldComponentPositions saved(board->Handle());
    ASSERT_EQ(saved.Count(), 2);

    Part("R1").SetRotation(90.05);
    EXPECT_TRUE(saved.ChangedHandles()->Empty());
    EXPECT_EQ(saved.ChangedAsCluster()->ComponentCount(), 0);

    Part("R2").SetRotation(90.2);
    auto changed = saved.ChangedHandles();
    ASSERT_EQ(changed->Count(), 1);
    EXPECT_EQ(changed->First(), Handle("R2"));

    saved.Restore(false);
    EXPECT_EQ(Part("R1").Rotation(), 90.0);
    EXPECT_EQ(Part("R2").Rotation(), 90.0);
}

TEST_F(SavedPositions, RestoreWritesOnlyChangedComponentsAndRedrawsThem) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    build.Chip("R3", "0603", At(500, 100));
    TListOfOldComponentPositions saved(board->Handle());

    Part("R2").SetPosition(At(900, 900));
    Part("R3").SetLayer(PCB_BOTTOM_LAYER);
    saved.Restore(true);

    EXPECT_EQ(Part("R1").display.hideCount, 0);
    EXPECT_EQ(Part("R1").display.showCount, 0);
    for (const char* moved : {"R2", "R3"}) {
        EXPECT_EQ(Part(moved).display.hideCount, 1) << moved;
        EXPECT_EQ(Part(moved).display.showCount, 1) << moved;
        EXPECT_FALSE(Part(moved).display.hidden) << moved;
    }
    EXPECT_EQ(Part("R2").Position(), At(300, 100));
    EXPECT_EQ(Part("R3").Layer(), PCB_TOP_LAYER);

    // Nothing changed any more: a second restore touches nothing.
    saved.Restore(true);
    EXPECT_EQ(Part("R2").display.hideCount, 1);
    EXPECT_TRUE(saved.ChangedHandles()->Empty());
}

TEST_F(SavedPositions, RestoreOneWritesEvenAnUnchangedComponent) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    TListOfOldComponentPositions saved(board->Handle());
    Part("R2").SetPosition(At(700, 100));

    saved.RestoreOne(Handle("R1"), true);
    EXPECT_EQ(Part("R1").display.hideCount, 1);
    EXPECT_EQ(Part("R2").Position(), At(700, 100));  // only the component asked for
}

TEST_F(SavedPositions, AllWithin150MilIncludesTheLimit) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(1000, 1000));
    build.Chip("R2", "0603", At(3000, 1000));
    TListOfOldComponentPositions saved(board->Handle());
    EXPECT_TRUE(saved.AllWithin150Mil());

    const hostpcb::Point start = Part("R1").Position();
    Part("R1").SetPosition({start.x + 1500000, start.y});
    EXPECT_TRUE(saved.AllWithin150Mil());
    Part("R1").SetPosition({start.x + 1500001, start.y});
    EXPECT_FALSE(saved.AllWithin150Mil());
    // Diagonal: 900000² + 1200000² = 1500000².
    Part("R1").SetPosition({start.x + 900000, start.y - 1200000});
    EXPECT_TRUE(saved.AllWithin150Mil());
    Part("R1").SetPosition({start.x + 900001, start.y - 1200000});
    EXPECT_FALSE(saved.AllWithin150Mil());

    TListOfOldComponentPositions empty(nullptr);
    EXPECT_TRUE(empty.AllWithin150Mil());
}

TEST_F(SavedPositions, ClusterFiltersKeepMembersOrTheRest) {
    hostpcb::BoardBuilder build(*board);
    for (const char* name : {"R1", "R2", "R3", "R4", "R5"}) {
        build.Chip(name, "0603", At(100 * (name[1] - '0'), 100));
    }
    TCluster cluster;
    for (const char* name : {"R4", "R2", "R5"}) {
        cluster.AddComponent(Handle(name));
    }

    TListOfOldComponentPositions members(board->Handle(), NotContains, &cluster);
    ASSERT_EQ(members.Count(), 3);
    // Board order, not cluster order.
    EXPECT_EQ(members[0]->Handle, Handle("R2"));
    EXPECT_EQ(members[1]->Handle, Handle("R4"));
    EXPECT_EQ(members[2]->Handle, Handle("R5"));

    TListOfOldComponentPositions others(board->Handle(), IsClusterMember, &cluster);
    auto handles = others.Handles();
    ASSERT_EQ(handles->Count(), 2);
    EXPECT_EQ((*handles)[0], Handle("R1"));
    EXPECT_EQ((*handles)[1], Handle("R3"));

    TListOfOldComponentPositions all(board->Handle());
    EXPECT_EQ(all.Count(), 5);
}

TEST_F(SavedPositions, ChangedAsClusterHoldsTheMovedComponents) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    build.Chip("R3", "0603", At(500, 100));
    TListOfOldComponentPositions saved(board->Handle());
    Part("R1").SetLayer(PCB_BOTTOM_LAYER);
    Part("R3").SetPosition(At(500, 101));

    auto cluster = saved.ChangedAsCluster();
    EXPECT_EQ(cluster->ComponentCount(), 2);
    EXPECT_TRUE(cluster->Contains(Handle("R1")));
    EXPECT_TRUE(cluster->Contains(Handle("R3")));
}

TEST_F(SavedPositions, EnforcePermittedLayersMovesOnlyMovablePartsToTheOnlyPermittedSide) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("RBOTH", "0603", At(100, 100));
    build.Chip("RNONE", "0603", At(300, 100));
    build.Chip("RBOT", "0603", At(500, 100));
    build.Chip("RTOP", "0603", At(700, 100), 0, PCB_BOTTOM_LAYER);
    build.Chip("RFREE", "0603", At(900, 100));
    // Locked parts keep their side whatever their rule permits.
    build.Chip("RLOCKED", "0603", At(1100, 100));
    build.Chip("RLOCKEDTOP", "0603", At(1300, 100), 0, PCB_BOTTOM_LAYER);
    Part("RLOCKED").moveable = false;
    Part("RLOCKEDTOP").moveable = false;
    build.PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("RLOCKED")});
    build.PermittedLayers(PCB_PERMIT_TOP, {hostpcb::ScopeComponent("RLOCKEDTOP")});
    build.PermittedLayers(PCB_PERMIT_TOP | PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("RBOTH")});
    build.PermittedLayers(0, {hostpcb::ScopeComponent("RNONE")});
    build.PermittedLayers(PCB_PERMIT_BOTTOM, {hostpcb::ScopeComponent("RBOT")});
    build.PermittedLayers(PCB_PERMIT_TOP, {hostpcb::ScopeComponent("RTOP")});
    const hostpcb::Point botAt = Part("RBOT").Position();

    TListOfOldComponentPositions saved(board->Handle());
    saved.EnforcePermittedLayers();

    EXPECT_EQ(Part("RBOTH").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RNONE").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RBOT").Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(Part("RBOT").Position(), botAt);
    EXPECT_EQ(Part("RTOP").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RFREE").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RLOCKED").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RLOCKEDTOP").Layer(), PCB_BOTTOM_LAYER);

    // The corrections count as changes against the saved list and are undone by it.
    EXPECT_EQ(saved.ChangedHandles()->Count(), 2);
    saved.Restore(false);
    EXPECT_EQ(Part("RBOT").Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(Part("RTOP").Layer(), PCB_BOTTOM_LAYER);
}

// --- Real boards: putting back after moves, turns and flips gives the same file.

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

class SavedPositionsOnRealBoards : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        Client = &client;
        scratch = std::filesystem::temp_directory_path() /
                  ("autoplacer-positions-" + std::to_string(::getpid()) + "-" + GetParam());
        std::filesystem::create_directories(scratch);
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    app::AppClient client;
    std::filesystem::path scratch;
};

TEST_P(SavedPositionsOnRealBoards, RestoreAfterMovesTurnsAndFlipsWritesTheOriginalFile) {
    const std::string input = std::string(AUTOPLACER_BOARDS_DIR) + "/" + GetParam();
    auto loaded = io::LoadBoardFile(input);
    ASSERT_NE(loaded->board, nullptr);
    TListOfOldComponentPositions saved(loaded->board->Handle());
    ASSERT_GT(saved.Count(), 0);

    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> step(0, 3);
    std::uniform_int_distribution<int32_t> offset(-5000000, 5000000);
    std::uniform_real_distribution<double> angle(0.0, 360.0);
    for (int round = 0; round < 3; ++round) {
        for (const TOldComponentPosition* entry : saved) {
            TPcbComponent record(entry->Handle);
            record.Sync(PCB_READ);
            switch (step(random)) {
                case 0:
                    record.X += offset(random);
                    record.Y += offset(random);
                    break;
                case 1:
                    record.Rotation = angle(random);
                    break;
                case 2:
                    record.SetLayer(record.GetLayer() == PCB_TOP_LAYER ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER);
                    break;
                default:
                    continue;  // some components stay where they are
            }
            record.Sync(PCB_WRITE);
        }
    }
    ASSERT_FALSE(saved.ChangedHandles()->Empty());

    saved.Restore(false);
    EXPECT_TRUE(saved.ChangedHandles()->Empty());
    const std::string output = (scratch / "restored.kicad_pcb").string();
    const io::SaveResult result = io::SaveBoardFile(*loaded, {output, false, false});
    EXPECT_EQ(result.moved, 0);
    EXPECT_TRUE(ReadWholeFile(output) == ReadWholeFile(input)) << "restored board differs from " << input;
}

INSTANTIATE_TEST_SUITE_P(Boards, SavedPositionsOnRealBoards,
                         ::testing::Values("uext-esp32-c3.kicad_pcb", "tkey-tk1.kicad_pcb",
                                           "usbarmory-mk2.kicad_pcb", "sensorwatch-b1.kicad_pcb"),
                         [](const auto& param) {
                             std::string name = param.param;
                             name = name.substr(0, name.find('.'));
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace autoplacer
