// Editing scripts: what each line reads as and which lines are refused (with their
// line numbers), and the order in which the player answers the host's requests.
// The player runs against the real host stand-in; its commands are stood in for by
// a runner that drives the host as the editing mode does (pick, object, edit loop),
// so these tests do not depend on the plug-in's editor.
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/AppClient.h"
#include "app/EditScript.h"
#include "app/ExitStatus.h"
#include "app/ScriptPlayer.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "sdk/plugin.h"
#include "sdk/pcbapi.h"

namespace {

using app::EditScript;
using app::ScriptLine;
using Kind = app::ScriptLine::Kind;

EditScript Parse(const std::string& text) {
    EditScript script;
    script.name = "session.txt";
    const std::optional<app::ScriptError> error = app::ParseEditScript(text, script);
    EXPECT_FALSE(error.has_value()) << (error ? std::to_string(error->line) + ": " + error->message : "");
    return script;
}

TEST(EditScriptParse, EachActionReadsAsItsKindWithItsValues) {
    EditScript script = Parse(
        "# a session\n"
        "\n"
        "select C1 r2\n"
        "deselect all\n"
        "answer Align Components.RadioGroupVerticalAlignment=Distribute equally\n"
        "answer \"Align Components.Move components to grid=1\"\n"
        "run enterinteractivecomponentEditingMode Mode=AutoSelect\n"
        "run RunAutoPlacer Test=True \"Note=two words\"\n"
        "pick 12.5 -3 C1\n"
        "move 0.254 1e1\n"
        "shift down\n"
        "control off\n"
        "key K\n"
        "key 13\n"
        "reshape Tall\n"
        "accept\n"
        "event 14\n"
        "feature fliphorizontal\n"
        "lose-last\n"
        "escape\r\n");
    ASSERT_EQ(script.lines.size(), 18u);
    EXPECT_EQ(script.lines[3].text, "Align Components.Move components to grid=1") << "the quotes around it dropped";
    script.lines.erase(script.lines.begin() + 3);
    const std::vector<ScriptLine>& l = script.lines;
    EXPECT_EQ(l[0].kind, Kind::Select);
    EXPECT_EQ(l[0].words, (std::vector<std::string>{"C1", "r2"}));
    EXPECT_EQ(l[0].number, 3) << "comments and blank lines still count";
    EXPECT_EQ(l[1].kind, Kind::Deselect);
    EXPECT_TRUE(l[1].words.empty()) << "deselect all names no reference";
    EXPECT_EQ(l[2].text, "Align Components.RadioGroupVerticalAlignment=Distribute equally");
    EXPECT_EQ(l[3].text, "EnterInteractiveComponentEditingMode") << "the command's own spelling";
    EXPECT_EQ(app::RunParameters(l[3]), "Mode=AutoSelect");
    EXPECT_EQ(app::RunParameters(l[4]), "Test=True|Note=two words");
    EXPECT_EQ(l[5].kind, Kind::Pick);
    EXPECT_DOUBLE_EQ(l[5].x, 12.5);
    EXPECT_DOUBLE_EQ(l[5].y, -3);
    EXPECT_EQ(l[5].text, "C1");
    EXPECT_DOUBLE_EQ(l[6].y, 10);
    EXPECT_EQ(l[7].kind, Kind::Shift);
    EXPECT_EQ(l[7].value, 1);
    EXPECT_EQ(l[8].kind, Kind::Control);
    EXPECT_EQ(l[8].value, 0);
    EXPECT_EQ(l[9].value, 'K');
    EXPECT_EQ(l[10].value, 13) << "a number is a key code";
    EXPECT_EQ(l[11].value, app::kEventReshapeTall);
    EXPECT_EQ(l[12].value, app::kEventAccept);
    EXPECT_EQ(l[13].value, 14);
    EXPECT_EQ(l[14].text, "ExecuteInteractivePlacementFeature");
    EXPECT_EQ(app::RunParameters(l[14]), "Feature=FlipHorizontal");
    EXPECT_EQ(l[15].text, "LoseLastAutoSelectedComponent");
    EXPECT_EQ(l[16].kind, Kind::Escape);
}

TEST(EditScriptParse, ABadLineIsNamedByItsNumberAndNothingIsKept) {
    const std::pair<std::string, std::string> cases[] = {
        {"jump 1 2", "unknown action"},
        {"pick 1", "pick X Y [REF]"},
        {"pick 1 2 C1 extra", "pick X Y [REF]"},
        {"move 1,5 2", "not a number"},
        {"move nan 2", "not a number"},
        {"move 1e9 0", "outside"},
        {"select", "select REF"},
        {"select \"C1", "not closed"},
        {"run AlignComponent", "no command \"AlignComponent\""},
        {"run AlignComponents Mode", "not NAME=VALUE"},
        {"run AlignComponents A=1|B=2", "not NAME=VALUE"},
        {"feature Spin", "no feature \"Spin\""},
        {"answer Align Components", "FORM.CONTROL=VALUE"},
        {"answer Align Components.=1", "names no control"},
        {"shift sideways", "not down or up"},
        {"key 70000", "key code"},
        {"key KK", "key code"},
        {"event 38", "from 0 to 37"},
        {"reshape round", "not wide, tall or square"},
        {"accept now", "expected \"accept\""},
    };
    for (const auto& [line, why] : cases) {
        EditScript script;
        script.lines.resize(1);
        const std::optional<app::ScriptError> error = app::ParseEditScript("select C1\n# note\n" + line + "\naccept\n", script);
        ASSERT_TRUE(error.has_value()) << line;
        EXPECT_EQ(error->line, 3) << line;
        EXPECT_NE(error->message.find(why), std::string::npos) << line << " -> " << error->message;
        EXPECT_EQ(script.lines.size(), 1u) << "a refused script leaves what was there";
    }
}

// An event handler standing in for the cluster editor: records its events and
// ends on accept or cancel.
struct EditorStandIn {
    std::vector<int32_t> events;  // operations except the host's polls (36, 37) and updates (28)
    std::vector<int32_t> keys;
    std::vector<bool> shiftAtFlip;
    int updates = 0;
    bool accepted = false;
    bool cancelled = false;

    int32_t On(int op) {
        if (op == 36) return cancelled ? 1 : 0;
        if (op == 37) return accepted ? 1 : 0;
        if (op == 27) return 0;  // the drag image, drawn after every move
        if (op == 28) {
            ++updates;
            return 0;
        }
        events.push_back(op);
        if (op == app::kEventFlip) shiftAtFlip.push_back(PcbApi_ShiftDown() != 0);
        if (op == app::kEventAccept) accepted = true;
        if (op == app::kEventCancel) cancelled = true;
        return 0;
    }
    template <int N>
    static int32_t Op(void* self) {
        return static_cast<EditorStandIn*>(self)->On(N);
    }
    static int32_t Key(void* self, int32_t key) {
        static_cast<EditorStandIn*>(self)->keys.push_back(key);
        return 1;
    }
    template <std::size_t... I>
    static std::array<PcbEventProc, PCB_EVENT_OPERATION_COUNT> Table(std::index_sequence<I...>) {
        return {&Op<int(I)>...};
    }
    void Run() {
        static const auto table = Table(std::make_index_sequence<PCB_EVENT_OPERATION_COUNT>{});
        PcbHandle handler = PcbApi_CreateEventHandler(this, table.data(), &Key);
        PcbApi_RunEventHandler(handler);
        PcbApi_DestroyEventHandler(handler);
    }
};

class ScriptPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("session.kicad_pcb");
        hostpcb::BoardBuilder build(*board);
        c1 = &build.Chip("C1", "0603", io::ToHost({10, 20}));
        r1 = &build.Chip("R1", "0402", io::ToHost({30, 20}));
        u1 = &build.Soic("U1", 8, io::ToHost({30, 20}));
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }

    // Plays the script; "Edit" picks components and edits each until a pick is
    // cancelled, as the editing mode does; every command is recorded.
    bool Play(const std::string& text) {
        player.reset();
        script = Parse(text);
        player = std::make_unique<app::ScriptPlayer>(
            script, *board,
            [this](const std::string& command, const std::string& parameters,
                   bool nested) -> std::optional<app::ScriptFailure> {
                commands.push_back(command + (parameters.empty() ? "" : " " + parameters) + (nested ? " (nested)" : ""));
                if (command == "EnterInteractiveComponentEditingMode") {
                    int32_t x = 0, y = 0;
                    while (PcbApi_ChooseLocation(&x, &y, "Choose a component ...") != 0) {
                        const PcbHandle picked = PcbApi_GetObjectAtXYAskUserIfAmbiguous(
                            x, y, hostpcb::KindBit(PCB_COMPONENT), hostpcb::LayerSetRange(1, 75), PCB_PICK_ASK_USER);
                        if (picked == nullptr) break;
                        pickedParts.push_back(hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(picked));
                        editors.emplace_back();
                        editors.back().Run();
                    }
                }
                if (command == "AlignComponents" && parameters == "Fail=True") {
                    return app::ScriptFailure{0, "No board is open", app::kExitRefused};
                }
                return std::nullopt;
            },
            [this](const std::string& answer) {
                answers.push_back(answer);
                return std::string();
            },
            notices);
        return player->Play();
    }

    hostpcb::Board* board = nullptr;
    hostpcb::Component* c1 = nullptr;
    hostpcb::Component* r1 = nullptr;
    hostpcb::Component* u1 = nullptr;
    EditScript script;
    std::unique_ptr<app::ScriptPlayer> player;
    std::vector<std::string> commands;
    std::vector<std::string> answers;
    std::vector<hostpcb::Component*> pickedParts;
    std::deque<EditorStandIn> editors;
    std::ostringstream notices;
};

TEST_F(ScriptPlayer, PicksEventsAndCommandsReachTheHostInScriptOrder) {
    ASSERT_TRUE(Play(
        "select C1\n"
        "answer Confirm=Yes\n"
        "run EnterInteractiveComponentEditingMode Mode=AutoSelect\n"
        "move 5 5\n"       // before the pick: only the cursor
        "shift down\n"     // applied while the pick waits
        "pick 10 20\n"
        "move 11 21.5\n"
        "key k\n"
        "flip\n"
        "feature FlipVertical\n"  // arrives while the edit runs
        "shift up\n"
        "flip\n"
        "accept\n"
        "pick 30 20 U1\n"  // R1 and U1 are both there
        "reshape wide\n"
        "cancel\n"
        "run AlignComponents\n"));  // ends the editing mode, then runs
    EXPECT_EQ(commands, (std::vector<std::string>{"EnterInteractiveComponentEditingMode Mode=AutoSelect",
                                                  "ExecuteInteractivePlacementFeature Feature=FlipVertical (nested)",
                                                  "AlignComponents"}));
    EXPECT_EQ(answers, std::vector<std::string>{"Confirm=Yes"});
    EXPECT_TRUE((c1->flags & PCB_FLAG_SELECTED) != 0);
    EXPECT_FALSE((r1->flags & PCB_FLAG_SELECTED) != 0);
    EXPECT_EQ(pickedParts, (std::vector<hostpcb::Component*>{c1, u1}));
    ASSERT_EQ(editors.size(), 2u);
    EXPECT_EQ(editors[0].events, (std::vector<int32_t>{app::kEventFlip, app::kEventFlip, app::kEventAccept, 29}));
    EXPECT_EQ(editors[0].shiftAtFlip, (std::vector<bool>{true, false}));
    EXPECT_EQ(editors[0].keys, std::vector<int32_t>{'k'});
    EXPECT_EQ(editors[1].events, (std::vector<int32_t>{app::kEventReshapeWide, app::kEventCancel, 30}));
    EXPECT_EQ(board->cursor, io::ToHost({30, 20})) << "the second pick moved the cursor last";
    EXPECT_EQ(player->Prompts().size(), 3u) << "two picks and the one that the command line cancelled";
    EXPECT_TRUE(notices.str().empty()) << notices.str();
}

TEST_F(ScriptPlayer, TheCursorFollowsEveryMoveInMillimetresOfKicadsFrame) {
    ASSERT_TRUE(Play("run EnterInteractiveComponentEditingMode\npick 10 20\nmove 12.7 25.4\naccept\n"));
    EXPECT_EQ(board->cursor, (hostpcb::Point{io::kXShift + 5000000, io::kYFlipLine - 10000000}))
        << "500 mil right, 1000 mil down in KiCad is 1000 mil lower in the host";
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(editors[0].updates, 1) << "the host follows a move with one update";
}

TEST_F(ScriptPlayer, ALineThatCannotHappenWhereItStandsStopsTheScript) {
    struct Case {
        const char* text;
        int line;
        const char* why;
    };
    const Case cases[] = {
        {"accept\nselect C1\n", 1, "no edit is running"},
        {"pick 10 20\n", 1, "no command is waiting for a location"},
        {"run EnterInteractiveComponentEditingMode\nflip\n", 2, "waits for a pick or escape"},
        {"run EnterInteractiveComponentEditingMode\npick 10 20\nmove 1 1\npick 30 20 U1\n", 4, "still running"},
        {"run EnterInteractiveComponentEditingMode\npick 30 20\n", 2, "several objects are there (R1, U1)"},
        {"run EnterInteractiveComponentEditingMode\npick 30 20 C1\n", 2, "C1 is not among the objects there"},
        {"run AlignComponents Fail=True\nselect C1\n", 1, "No board is open"},
    };
    for (const Case& c : cases) {
        commands.clear();
        editors.clear();
        board->cursor = {};
        c1->flags = 0;
        EXPECT_FALSE(Play(c.text)) << c.text;
        ASSERT_TRUE(player->Failure().has_value()) << c.text;
        EXPECT_EQ(player->Failure()->line, c.line) << c.text;
        EXPECT_NE(player->Failure()->text.find(c.why), std::string::npos) << c.text << " -> " << player->Failure()->text;
        EXPECT_EQ(player->Failure()->status, std::string(c.why) == "No board is open" ? app::kExitRefused : app::kExitUsage);
        EXPECT_EQ(c1->flags & PCB_FLAG_SELECTED, 0) << "no line after the failing one is carried out: " << c.text;
        for (const EditorStandIn& editor : editors) {
            EXPECT_FALSE(editor.accepted) << "an edit running at the failure is cancelled: " << c.text;
        }
    }
}

TEST_F(ScriptPlayer, TheEndOfTheScriptEscapesAPickAndCancelsARunningEdit) {
    ASSERT_TRUE(Play("run EnterInteractiveComponentEditingMode\n"));
    EXPECT_EQ(player->Prompts().size(), 1u);
    EXPECT_TRUE(editors.empty());
    EXPECT_TRUE(notices.str().empty());

    commands.clear();
    ASSERT_TRUE(Play("run EnterInteractiveComponentEditingMode\npick 10 20\nrotate\n"));
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(editors[0].events, (std::vector<int32_t>{app::kEventRotate, app::kEventCancel, 30}))
        << "the host cancels an edit the script leaves open";
    EXPECT_NE(notices.str().find("the edit is cancelled"), std::string::npos);

    EXPECT_FALSE(Play("run EnterInteractiveComponentEditingMode\npick 10 20\naccept\nescape\nescape\n"));
    EXPECT_EQ(player->Failure()->line, 5) << "the first escape ended the mode; the second has nothing to answer";
}

TEST_F(ScriptPlayer, ReferencesAreCheckedAgainstTheBoardBeforeAnythingRuns) {
    const EditScript ok = Parse("select c1 U1\npick 1 2 r1\ndeselect all\n");
    app::ScriptPlayer fine(ok, *board, nullptr, nullptr, notices);
    EXPECT_FALSE(fine.CheckReferences().has_value()) << "references compare ignoring case";

    const EditScript bad = Parse("select C1\nrun AlignComponents\npick 1 2 Q7\n");
    app::ScriptPlayer refused(bad, *board, nullptr, nullptr, notices);
    const std::optional<app::ScriptError> error = refused.CheckReferences();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->line, 3);
    EXPECT_EQ(error->message, "the board has no footprint Q7");
}

}  // namespace

// The player with the plug-in in this process, as tests of the plug-in use it:
// its commands go straight to the module's launcher, its answers to the client's
// scripted dialogs.
TEST(ScriptPlayerInProcess, AlignsASelectionOfARealBoardThroughTheLauncher) {
    hostpcb::Host::Instance().Reset();
    const std::unique_ptr<io::LoadedBoard> loaded =
        io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/bp-irtoy.kicad_pcb");
    std::ostringstream notices;
    app::ScriptedDialogHost dialogs(notices);
    app::AppClient client;
    client.SetDialogHost(&dialogs);
    sdk::IServerModule* module = nullptr;
    ASSERT_EQ(::ServerFactory(&client, &module), sdk::kResultOk);
    {
        const EditScript script = Parse(
            "select C1 C2 C3\n"
            "answer Align Components.RadioGroupVerticalAlignment=Bottom\n"
            "answer Align Components=OK\n"
            "run AlignComponents\n"
            "run AlignComponents Extra=1\n");  // no answers left: the dialog's defaults (no change)
        app::ScriptPlayer player(script, *loaded->board, app::LauncherRunner(*module->GetCommandLauncher()),
                                 [&dialogs](const std::string& answer) { return dialogs.AddAnswer(answer); }, notices);
        EXPECT_TRUE(player.Play()) << player.Failure()->text;
    }
    const hostpcb::Board& board = *loaded->board;
    const hostpcb::Coord bottom = board.FindComponent("C1")->Bounds().y1;
    EXPECT_EQ(board.FindComponent("C2")->Bounds().y1, bottom);
    EXPECT_EQ(board.FindComponent("C3")->Bounds().y1, bottom);
    ASSERT_EQ(dialogs.History().size(), 2u);
    EXPECT_EQ(dialogs.History()[0].Caption, "Align Components");
    EXPECT_FALSE(dialogs.History()[0].ByDefault);
    EXPECT_TRUE(dialogs.History()[1].ByDefault);
    module->Release();
    hostpcb::Host::Instance().Reset();
}
