// The complete command with its defaults on every shared KiCad board, judged as
// KiCad's design-rule check judges courtyards: courtyard overlaps that involve a
// moved part, moved parts outside the outline and parts the run left "not fitted"
// stay within each board's figures. Where they are not 0 the board is crowded
// beyond what the group placer's rectangles and grid can pack (tkey-tk1:
// courtyards cover three quarters of a side, and the designer's own placement
// overlaps or overhangs the edge) or a part is larger than any free place left
// for it.
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "bench/LegalityJudge.h"
#include "driver/SharedBoardRunFixture.h"

namespace autoplacer::drivertest {
namespace {

struct BoardFigures {
    const char* Name;
    int Overlaps;
    int Outside;
    int NotFitted;
};

const BoardFigures kBoards[] = {
    {"bitaxe-ultra", 0, 0, 0},         {"bms-c1", 0, 0, 0},         {"bp-irtoy", 0, 0, 0},
    {"castor-pollux-main", 0, 0, 0},   {"cm5-minima", 3, 0, 1},    {"duet2-v105", 0, 0, 0},
    {"europi", 0, 0, 0},               {"glasgow-revC3", 0, 0, 0},  {"reform-keyboard", 0, 0, 0},
    {"royalblue54l-feather", 0, 0, 0}, {"sensorwatch-b1", 0, 0, 0}, {"tkey-tk1", 11, 0, 4},
    {"tt-demo", 0, 0, 0},              {"uext-esp32-c3", 0, 0, 0},  {"usbarmory-mk2", 0, 0, 0}};

class ClusterRealBoards : public SharedBoardRun, public ::testing::WithParamInterface<BoardFigures> {};

TEST_P(ClusterRealBoards, LegalWithinTheBoardsFigures) {
    const BoardFigures& expected = GetParam();
    // Under the sanitizers the large boards take minutes each; the build names the
    // boards it places (empty: all of them).
    const std::string sanitized = AUTOPLACER_SANITIZED_BOARDS;
    if (!sanitized.empty() && ("," + sanitized + ",").find("," + std::string(expected.Name) + ",") == std::string::npos) {
        GTEST_SKIP() << expected.Name << " is not among the boards this build places";
    }
    Load(expected.Name);
    std::vector<const hostpcb::Component*> components;
    std::vector<std::tuple<hostpcb::Point, double, hostpcb::LayerNumber>> before;
    for (const hostpcb::Component* c : Board().Components()) {
        components.push_back(c);
        before.emplace_back(c->Position(), c->Rotation(), c->Layer());
    }
    ASSERT_EQ(Run(app::PlaceOptions{}), sdk::kResultOk);

    std::vector<bool> moved;
    int movedCount = 0;
    int notFitted = 0;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const auto& [at, rotation, side] = before[i];
        const hostpcb::Component& c = *components[i];
        moved.push_back(c.Position() != at || std::fabs(c.Rotation() - rotation) > 1e-9 || c.Layer() != side);
        movedCount += moved.back() ? 1 : 0;
        notFitted += (c.flags & PCB_FLAG_SELECTED) != 0 ? 1 : 0;
    }
    const legality::Verdict verdict = legality::Judge(Board(), components, moved);
    EXPECT_GT(movedCount, static_cast<int>(components.size()) / 2) << "the placer hardly moved anything";
    EXPECT_LE(static_cast<int>(verdict.overlaps.size()), expected.Overlaps);
    EXPECT_LE(static_cast<int>(verdict.outside.size()), expected.Outside);
    EXPECT_LE(notFitted, expected.NotFitted);
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, ClusterRealBoards, ::testing::ValuesIn(kBoards),
                         [](const ::testing::TestParamInfo<BoardFigures>& param) {
                             std::string name = param.param.Name;
                             for (char& ch : name) {
                                 if (ch == '-') ch = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace autoplacer::drivertest
