// Picking, locations, event-handler sessions, progress, display state and the board
// message interface, through the interaction provider.
#include <array>
#include <utility>

#include "HostFixture.h"
#include "hostpcb/PcbServer.h"

namespace hostpcb::test {
namespace {

using Step = ScriptedInteraction::Step;

// An event handler that records which operations ran.
struct Recorder {
    std::array<int, PCB_EVENT_OPERATION_COUNT> calls{};
    std::vector<int32_t> keys;
    bool accepted = false;
    bool cancelled = false;
    bool cancelOnRequest = true;

    int32_t On(int op) {
        ++calls[std::size_t(op)];
        if (op == 11) accepted = true;
        if (op == 10 && cancelOnRequest) cancelled = true;
        if (op == 36) return cancelled ? 1 : 0;
        if (op == 37) return accepted ? 1 : 0;
        return 0;
    }
    template <int N>
    static int32_t Op(void* self) {
        return static_cast<Recorder*>(self)->On(N);
    }
    static int32_t Key(void* self, int32_t key) {
        static_cast<Recorder*>(self)->keys.push_back(key);
        return 1;
    }
    template <std::size_t... I>
    static std::array<PcbEventProc, PCB_EVENT_OPERATION_COUNT> Table(std::index_sequence<I...>) {
        return {&Op<int(I)>...};
    }
    int32_t Run() {
        static const auto table = Table(std::make_index_sequence<PCB_EVENT_OPERATION_COUNT>{});
        PcbHandle h = PcbApi_CreateEventHandler(this, table.data(), &Key);
        const int32_t result = PcbApi_RunEventHandler(h);
        PcbApi_DestroyEventHandler(h);
        return result;
    }
};

class Interaction : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        Host::Instance().SetInteraction(&script);
        Host::Instance().SetProgressSink(&progress);
    }
    ScriptedInteraction script;
    RecordingProgress progress;
};

TEST_F(Interaction, ScriptedSessionEndsOnAcceptAndCompletesTheMove) {
    script.steps = {{Step::Type::Move, 0, {1000, 2000}}, {Step::Type::Key, 'x', {}}, {Step::Type::Fire, 11, {}},
                    {Step::Type::Fire, 9, {}}};
    Recorder r;
    EXPECT_EQ(r.Run(), 0);
    EXPECT_EQ(board->cursor, (Point{1000, 2000}));
    EXPECT_EQ(r.calls[28], 2) << "update after the move and after the key";
    EXPECT_EQ(r.keys, std::vector<int32_t>{'x'});
    EXPECT_EQ(r.calls[29], 1) << "an accepted move is completed";
    EXPECT_EQ(r.calls[30], 0);
    EXPECT_EQ(r.calls[9], 0) << "nothing runs after the handler accepted";
    EXPECT_EQ(script.steps.size(), 1u);
}

TEST_F(Interaction, ActionStepsRunHostWorkBetweenEvents) {
    Recorder r;
    int updatesSeen = -1;
    script.steps = {{Step::Type::Move, 0, {5, 6}}, Step::Run([&] {
                        updatesSeen = r.calls[28];
                        script.steps.push_back({Step::Type::Fire, 11, {}});  // an action may extend the script
                    })};
    EXPECT_EQ(r.Run(), 0);
    EXPECT_EQ(updatesSeen, 1) << "the action runs after the move, in script order";
    EXPECT_EQ(r.calls[29], 1) << "the step it queued accepted the edit";
    EXPECT_TRUE(script.steps.empty());
}

TEST_F(Interaction, ExhaustedOrQuietProviderCancelsTheSession) {
    Recorder r;
    EXPECT_EQ(r.Run(), 0);
    EXPECT_EQ(r.calls[10], 1);
    EXPECT_EQ(r.calls[30], 1) << "a cancelled move is undone";
    EXPECT_EQ(r.calls[29], 0);

    Host::Instance().SetInteraction(nullptr);  // the quiet default
    Recorder stubborn;
    stubborn.cancelOnRequest = false;
    EXPECT_EQ(stubborn.Run(), 0) << "a handler that never ends cannot hang the host";
    EXPECT_EQ(stubborn.calls[10], 1);
    EXPECT_EQ(stubborn.calls[29] + stubborn.calls[30], 0);
}

TEST_F(Interaction, PickingAsksOnlyWhenSeveralQualify) {
    BoardBuilder build(*board);
    const Point at{MilsToUnits(1000), MilsToUnits(1000)};
    Component& small = build.Chip("R1", "0402", at);
    Component& big = build.Soic("U1", 8, at);
    const PcbKindSet comps = KindBit(PCB_COMPONENT);
    const PcbLayerSet layers = LayerSetRange(1, 75);
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(at.x, at.y, comps, layers, PCB_PICK_FIRST), small.Handle())
        << "the smallest object first";
    script.choices = {1};
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(at.x, at.y, comps, layers, PCB_PICK_ASK_USER), big.Handle());
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(at.x, at.y, comps, layers, PCB_PICK_ASK_USER), nullptr)
        << "no answer is no object";
    const Point pin1 = big.FindPad("1")->Position();
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(pin1.x, pin1.y, comps, layers, PCB_PICK_ASK_USER), big.Handle())
        << "one candidate needs no question";
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(0, 0, comps, layers, PCB_PICK_ASK_USER), nullptr);

    // A point in a round pad's box but outside its circle is not on the pad.
    PadGeometry g;
    g.sizeX = g.sizeY = 1000;
    Pad& round = board->AddPad(nullptr, "1", {-5000, -5000}, g, PCB_TOP_LAYER);
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(-5000 + 480, -5000 + 480, KindBit(PCB_PAD), layers, 0), nullptr);
    EXPECT_EQ(PcbApi_GetObjectAtXYAskUserIfAmbiguous(-5000 + 300, -5000 + 300, KindBit(PCB_PAD), layers, 0),
              round.Handle());
}

TEST_F(Interaction, LocationsKeysAndProgressReachTheProvider) {
    int32_t x = 0, y = 0;
    script.locations = {{111, 222}};
    EXPECT_EQ(PcbApi_ChooseLocation(&x, &y, "Choose a component ..."), 1);
    EXPECT_EQ((Point{x, y}), (Point{111, 222}));
    EXPECT_EQ(board->cursor, (Point{111, 222}));
    EXPECT_EQ(PcbApi_ChooseLocation(&x, &y, "again"), 0) << "nothing left: the user cancelled";
    EXPECT_EQ(script.prompts.front(), "Choose a component ...");

    script.shift = true;
    script.performancePoor = true;
    EXPECT_EQ(PcbApi_ShiftDown(), 1);
    EXPECT_EQ(PcbApi_ControlDown(), 0);
    EXPECT_EQ(PcbApi_PerformanceIsPoor(), 1);

    PcbApi_Percent_Init("Clustering ...", 3);
    for (int i = 0; i < 3; ++i) PcbApi_Percent_Update();
    const ProgressRecord& p = Host::Instance().Progress();
    EXPECT_TRUE(p.active);
    EXPECT_EQ(p.position, 3);
    EXPECT_EQ(p.total, 3);
    PcbApi_Percent_Finish();
    EXPECT_FALSE(p.active);
    EXPECT_EQ(progress.progressTexts, std::vector<std::string>{"Clustering ..."});
    EXPECT_EQ(progress.progressUpdates, 3);
    EXPECT_EQ(progress.progressFinishes, 1);

    // The sink and the provider are installed apart: dropping one keeps the other.
    Host::Instance().SetInteraction(nullptr);
    PcbApi_Percent_Init("Spreading ...", 1);
    EXPECT_EQ(progress.progressTexts, (std::vector<std::string>{"Clustering ...", "Spreading ..."}));
    Host::Instance().SetInteraction(&script);
    Host::Instance().SetProgressSink(nullptr);
    PcbApi_Percent_Init("Quiet ...", 1);
    EXPECT_EQ(progress.progressTexts.size(), 2u);
    EXPECT_EQ(PcbApi_ShiftDown(), 1);
}

TEST_F(Interaction, DisplayOperationsChangeDisplayStateOnly) {
    BoardBuilder build(*board);
    Component& r = build.Chip("R1", "0603", {0, 0});
    const Point before = r.Position();
    PcbApi_HideObject(r.Handle());
    EXPECT_TRUE(r.display.hidden);
    PcbApi_InvertObject(r.Handle());
    PcbApi_ScreenDisplay(r.Handle(), 2, 9);
    PcbApi_QueryObjectGraphicallyInvalidate(r.Handle());
    PcbApi_ShowObject(r.Handle());
    EXPECT_FALSE(r.display.hidden);
    EXPECT_EQ(r.display.invertCount, 1);
    EXPECT_EQ(r.display.lastScreenMode, 2);
    EXPECT_EQ(r.display.lastScreenColour, 9);
    EXPECT_EQ(r.display.invalidateCount, 1);
    EXPECT_EQ(board->displayCounters.hides, 1);
    EXPECT_EQ(board->displayCounters.shows, 1);
    EXPECT_EQ(r.Position(), before);
}

TEST_F(Interaction, BoardMessagesAreRecordedAndBracketsCanBeUndone) {
    BoardBuilder build(*board);
    Component& r = build.Chip("R1", "0603", {1000, 1000});
    sdk::IPcbBoardInterface* bi = Host::Instance().Server().GetBoardInterface(board->Handle());
    ASSERT_NE(bi, nullptr);
    EXPECT_EQ(Host::Instance().Server().GetBoardInterface(r.Handle()), nullptr);
    EXPECT_EQ(Host::Instance().Server().GetBoardInterface(nullptr), nullptr);

    const PcbHandle b = board->Handle(), c = r.Handle();
    const std::vector<BoardMessage> begin = {{nullptr, 0, 14, nullptr}, {b, 0, 12, b}, {b, 0, 7, b},
                                             {c, 0, 1, nullptr}, {nullptr, 0, 13, nullptr}};
    const std::vector<BoardMessage> end = {{nullptr, 0, 14, nullptr}, {c, 0, 3, nullptr}, {b, 0, 10, b},
                                           {b, 0, 8, b}, {b, 0, 11, b}};
    for (const BoardMessage& m : begin) EXPECT_EQ(bi->SendBoardMessage(m.object, m.reserved, m.code, m.data), 0);
    EXPECT_EQ(board->Messages().Depth(), 1);
    r.SetRotation(90);
    r.SetPosition({5000, 7000});
    for (const BoardMessage& m : end) bi->SendBoardMessage(m.object, m.reserved, m.code, m.data);
    EXPECT_EQ(board->Messages().Depth(), 0);
    std::vector<BoardMessage> all = begin;
    all.insert(all.end(), end.begin(), end.end());
    EXPECT_EQ(board->Messages().All(), all);

    const Point padBefore = Point{1000 - MmToUnits(0.8), 1000};
    ASSERT_TRUE(board->Messages().Undo());
    EXPECT_EQ(r.Position(), (Point{1000, 1000}));
    EXPECT_EQ(r.Rotation(), 0);
    EXPECT_EQ(r.FindPad("1")->Position(), padBefore);
    EXPECT_FALSE(board->Messages().Undo());
}

}  // namespace
}  // namespace hostpcb::test
