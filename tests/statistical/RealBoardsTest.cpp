// The statistical placer on every shared KiCad board, with the options the plug-in
// writes for it: judged as KiCad's design-rule check judges courtyards, no moved part
// overlaps another's courtyard, only parts without room leave the outline, and no
// more parts are without room than the board's figure.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/LegalityJudge.h"
#include "hostpcb/Host.h"
#include "hostpcb/statistical/StatisticalPlacer.h"
#include "io/BoardFiles.h"

namespace {

struct BoardFigures {
    const char* name;
    // Parts the placer finds no room for (parked below the outline), at most. Parts the
    // designer let overhang the edge stay where they are; where it is not 0 the parts
    // legalised first left no room for the last ones, where the designer had found it.
    int unfit;
};

const BoardFigures kBoards[] = {
    {"bitaxe-ultra", 0},   {"bms-c1", 0},         {"bp-irtoy", 0},         {"castor-pollux-main", 0},
    {"cm5-minima", 0},     {"duet2-v105", 0},     {"europi", 0},           {"glasgow-revC3", 0},
    {"reform-keyboard", 0}, {"royalblue54l-feather", 0}, {"sensorwatch-b1", 0}, {"tkey-tk1", 0},
    {"tt-demo", 0},        {"uext-esp32-c3", 0},  {"usbarmory-mk2", 0}};

bool WholeBoard(const std::vector<hostpcb::ScopeEntry>& scope) {
    return std::all_of(scope.begin(), scope.end(), [](const hostpcb::ScopeEntry& e) { return e.kind == PCB_SCOPE_BOARD; });
}

// What the plug-in writes before it hands the board over: the board-wide component
// gap when positive, else the board-wide clearance, and 0.4 of it to the outline.
void WritePlacerOptions(hostpcb::Board& board) {
    int32_t componentGap = -1, plainGap = -1;
    for (const hostpcb::Rule* rule : board.Rules()) {
        if (!WholeBoard(rule->scope1) || !WholeBoard(rule->scope2)) continue;
        if (rule->ruleKind == PCB_RULE_COMPONENT_CLEARANCE) componentGap = rule->gap;
        if (rule->ruleKind == PCB_RULE_CLEARANCE) plainGap = rule->gap;
    }
    const int32_t gap = componentGap > 0 ? componentGap : plainGap > 0 ? plainGap : 500000;
    board.placerOptions.value1 = gap;
    board.placerOptions.value2 = static_cast<int32_t>(hostpcb::RoundHalfEven(0.4 * gap));
}

class StatisticalRealBoards : public ::testing::TestWithParam<BoardFigures> {
protected:
    void SetUp() override { hostpcb::Host::Instance().Reset(); }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }
};

TEST_P(StatisticalRealBoards, PartsFittedWithoutCourtyardOverlapsInsideTheOutline) {
    const BoardFigures& expected = GetParam();
    const std::string path = std::string(AUTOPLACER_BOARDS_DIR) + "/" + expected.name + ".kicad_pcb";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
    const std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(path);
    hostpcb::Board& board = *loaded->board;
    WritePlacerOptions(board);

    std::vector<const hostpcb::Component*> components;
    std::vector<std::tuple<hostpcb::Point, double, hostpcb::LayerNumber>> before;
    for (const hostpcb::Component* c : board.Components()) {
        components.push_back(c);
        before.emplace_back(c->Position(), c->Rotation(), c->Layer());
    }
    hostpcb::statistical::PlacerSettings settings;
    const hostpcb::statistical::PlacementOutcome outcome = hostpcb::statistical::PlaceBoard(board, settings);

    std::vector<bool> moved;
    int movedCount = 0;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const auto& [at, rotation, side] = before[i];
        const hostpcb::Component& c = *components[i];
        moved.push_back(c.Position() != at || std::fabs(c.Rotation() - rotation) > 1e-9 || c.Layer() != side);
        movedCount += moved.back() ? 1 : 0;
    }
    const legality::Verdict verdict = legality::Judge(board, components, moved);
    EXPECT_GT(movedCount, outcome.movable / 2) << "the placer hardly moved anything";
    EXPECT_LE(static_cast<int>(outcome.unfit.size()), expected.unfit);
    EXPECT_TRUE(verdict.overlaps.empty()) << verdict.overlaps.size() << " courtyard overlaps, first "
                                          << verdict.overlaps.front().first << " / " << verdict.overlaps.front().second;
    // Only the parts without room, parked below the board, leave the outline.
    EXPECT_EQ(verdict.outside.size(), outcome.unfit.size());
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, StatisticalRealBoards, ::testing::ValuesIn(kBoards),
                         [](const ::testing::TestParamInfo<BoardFigures>& param) {
                             std::string name = param.param.name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

}  // namespace
