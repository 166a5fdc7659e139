// The browser view's description of a real board: the whole board once, then
// only what changed (a moved footprint with the connection lines of its nets, a
// selection, the editor's clash highlight and drag image, which end with the
// edit), and nothing when nothing changed.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/BoardScene.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "sdk/pcbapi.h"

namespace {

using nlohmann::json;

class BoardScene : public ::testing::Test {
protected:
    void SetUp() override { loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/uext-esp32-c3.kicad_pcb"); }
    void TearDown() override {
        loaded.reset();
        hostpcb::Host::Instance().Reset();
    }
    std::unique_ptr<io::LoadedBoard> loaded;
};

std::vector<std::string> Refs(const json& changes) {
    std::vector<std::string> refs;
    for (const json& c : changes.value("components", json::array())) refs.push_back(c["ref"]);
    return refs;
}

TEST_F(BoardScene, TheWholeBoardThenOnlyWhatChanged) {
    hostpcb::Board& board = *loaded->board;
    app::BoardScene scene(board);
    const json full = scene.Full();
    ASSERT_EQ(full["components"].size(), board.Components().size());
    EXPECT_FALSE(full["outline"].empty());
    EXPECT_EQ(full["colours"]["top"], "#c8382e") << "the pictures' colours";
    EXPECT_EQ(scene.Changes(false), json::object()) << "nothing changed";

    hostpcb::Component* c5 = board.FindComponent("C5");
    ASSERT_NE(c5, nullptr);
    const json before = [&] {
        for (const json& c : full["components"]) {
            if (c["ref"] == "C5") return c;
        }
        return json();
    }();
    c5->SetPosition({c5->Position().x - 1270000, c5->Position().y});  // 3.2258 mm to the left
    const json moved = scene.Changes(false);
    EXPECT_EQ(Refs(moved), std::vector<std::string>{"C5"});
    const json now = moved["components"][0];
    EXPECT_NEAR(now["box"][0].get<double>(), before["box"][0].get<double>() - 3.2258, 1e-3) << "in millimetres";
    EXPECT_EQ(now["box"][1], before["box"][1]);
    // The connection lines of C5's nets come along, and only those.
    std::size_t nets = 0;
    for (const hostpcb::Pad* pad : c5->Pads()) nets += pad->GetNet() != nullptr;
    ASSERT_TRUE(moved.contains("nets"));
    EXPECT_GE(nets, moved["nets"].size());
    EXPECT_GT(moved["nets"].size(), 0u);
    EXPECT_EQ(scene.Changes(false), json::object()) << "told once";

    hostpcb::Component* r2 = board.FindComponent("R2");
    r2->flags |= PCB_FLAG_SELECTED;
    const json selected = scene.Changes(false);
    EXPECT_EQ(Refs(selected), std::vector<std::string>{"R2"});
    EXPECT_EQ(selected["components"][0]["selected"], true);
    EXPECT_FALSE(selected.contains("nets")) << "a selection moves no connection";
}

TEST_F(BoardScene, TheEditorsHighlightAndDragImageLastWhileTheEditRuns) {
    hostpcb::Board& board = *loaded->board;
    app::BoardScene scene(board);
    scene.Full();
    hostpcb::Component* c3 = board.FindComponent("C3");
    hostpcb::Component* c5 = board.FindComponent("C5");
    // The editor draws the dragged part inverted and marks a clashing one on the screen.
    PcbApi_InvertObject(c5->Handle());
    for (hostpcb::Primitive* p : c3->Children()) PcbApi_ScreenDisplay(p->Handle(), 2, 9);
    const json drawn = scene.Changes(true);
    ASSERT_EQ(drawn["components"].size(), 2u);
    for (const json& c : drawn["components"]) {
        EXPECT_EQ(c["drag"], c["ref"] == "C5");
        EXPECT_EQ(c["conflict"], c["ref"] == "C3");
    }
    // The next update draws C5 again but C3 is clear (the editor shows it plainly).
    PcbApi_InvertObject(c5->Handle());
    PcbApi_ShowObject(c3->Handle());
    const json next = scene.Changes(true);
    EXPECT_EQ(Refs(next), std::vector<std::string>{"C3"});
    EXPECT_EQ(next["components"][0]["conflict"], false);
    // Out of the edit the drag image goes.
    const json ended = scene.Changes(false);
    EXPECT_EQ(Refs(ended), std::vector<std::string>{"C5"});
    EXPECT_EQ(ended["components"][0]["drag"], false);
}

}  // namespace
