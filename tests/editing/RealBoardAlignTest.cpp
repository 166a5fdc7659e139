// Aligning a selection on a real board through the command, then writing the
// board and reading it back: the selected footprints line up and keep their
// new places in the written file; nothing else moves.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "EditingFixture.h"
#include "editing/ComponentAlignment.h"
#include "hostpcb/PcbServer.h"
#include "io/BoardFiles.h"

namespace autoplacer::test {
namespace {

class RealBoardAlign : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        client.SetDialogHost(&presenter);
        Client = &client;
        scratch = std::filesystem::temp_directory_path() / ("autoplacer-align-" + std::to_string(getpid()));
        std::filesystem::create_directories(scratch);
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }

    std::ostringstream notices;
    app::ScriptedDialogHost presenter{notices};
    app::AppClient client;
    std::filesystem::path scratch;
};

TEST_F(RealBoardAlign, CapacitorsLineUpRightAndBottomAndSurviveTheWrittenFile) {
    auto loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/bp-irtoy.kicad_pcb");
    hostpcb::Board& board = *loaded->board;
    std::vector<hostpcb::Component*> selected;
    std::map<std::string, hostpcb::Point> others;
    for (hostpcb::Component* c : board.Components()) {
        if (c->pattern.find("C_0805") != std::string::npos && c->moveable && selected.size() < 4) {
            c->flags |= PCB_FLAG_SELECTED;
            selected.push_back(c);
        } else {
            others[c->Designator()] = c->Position();
        }
    }
    ASSERT_GE(selected.size(), 3u);
    hostpcb::Coord right = selected[0]->Bounds().x2;
    hostpcb::Coord bottom = selected[0]->Bounds().y1;
    for (const hostpcb::Component* c : selected) {
        right = std::max(right, c->Bounds().x2);
        bottom = std::min(bottom, c->Bounds().y1);
    }

    ASSERT_EQ(presenter.AddAnswer("Align Components.RadioGroupHorizontalAlignment=Right"), "");
    ASSERT_EQ(presenter.AddAnswer("Align Components.RadioGroupVerticalAlignment=Bottom"), "");
    ASSERT_EQ(presenter.AddAnswer("Align Components=OK"), "");
    AlignSelection(board.Handle());
    EXPECT_TRUE(presenter.UnusedAnswers().empty()) << notices.str();

    std::map<std::string, hostpcb::Point> aligned;
    for (const hostpcb::Component* c : selected) {
        EXPECT_EQ(c->Bounds().x2, right) << c->Designator();
        EXPECT_EQ(c->Bounds().y1, bottom) << c->Designator();
        aligned[c->Designator()] = c->Position();
    }
    for (const auto& [designator, position] : others) {
        EXPECT_EQ(board.FindComponent(designator)->Position(), position) << designator;
    }
    EXPECT_EQ(board.Messages().ClosedBrackets(), 1u);

    const std::string output = (scratch / "aligned.kicad_pcb").string();
    const io::SaveResult saved = io::SaveBoardFile(*loaded, {output, false, false});
    EXPECT_LE(saved.moved, static_cast<int>(selected.size()));
    EXPECT_GE(saved.moved, 1);
    auto reread = io::LoadBoardFile(output);
    for (const auto& [designator, position] : aligned) {
        const hostpcb::Point p = reread->board->FindComponent(designator)->Position();
        // Millimetres in the file: a unit either way is the writer's rounding.
        EXPECT_LE(std::abs(p.x - position.x), 1) << designator;
        EXPECT_LE(std::abs(p.y - position.y), 1) << designator;
    }
    for (const auto& [designator, position] : others) {
        const hostpcb::Point p = reread->board->FindComponent(designator)->Position();
        EXPECT_LE(std::abs(p.x - position.x), 1) << designator;
        EXPECT_LE(std::abs(p.y - position.y), 1) << designator;
    }
}

}  // namespace
}  // namespace autoplacer::test
