// The editor event handler base: the host calls the operation of each number,
// keys reach OnKey, Run starts with OnUpdate, and the destructor unregisters.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/PcbEventHandler.h"
#include "hostpcb/HandlerRegistry.h"
#include "hostpcb/Host.h"
#include "hostpcb/Interaction.h"

namespace autoplacer {
namespace {

class RecordingHandler final : public TPCBEventHandler {
public:
    bool OnReshapeWide() override { return Note("ReshapeWide"); }
    bool OnReshapeTall() override { return Note("ReshapeTall"); }
    bool OnReshapeSquare() override { return Note("ReshapeSquare"); }
    bool OnFlip() override { return Note(ShiftDown() ? "Flip+Shift" : "Flip"); }
    bool OnRotate() override { return Note("Rotate"); }
    bool OnCancel() override {
        Cancelled = true;
        return Note("Cancel");
    }
    bool OnAccept() override {
        Accepted = true;
        return Note("Accept");
    }
    bool OnAcceptAlt() override { return Note("AcceptAlt"); }
    bool OnCancelAlt() override { return Note("CancelAlt"); }
    bool OnDrawFeedback() override { return Note("DrawFeedback"); }
    bool OnUpdate() override { return Note("Update"); }
    bool OnFinishMove() override { return Note("FinishMove"); }
    bool OnCancelMove() override { return Note("CancelMove"); }
    bool IsCancelled() override { return Cancelled; }
    bool IsAccepted() override { return Accepted; }
    bool OnKey(int32_t key) override { return Note("Key " + std::string(1, static_cast<char>(key))); }

    bool Note(const std::string& what) {
        Calls.push_back(what);
        return true;
    }

    std::vector<std::string> Calls;
    bool Accepted = false;
    bool Cancelled = false;
};

class EventHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        hostpcb::Host::Instance().CreateBoard("events.kicad_pcb");
        hostpcb::Host::Instance().SetInteraction(&Script);
    }
    void TearDown() override {
        hostpcb::Host::Instance().SetInteraction(nullptr);
        hostpcb::Host::Instance().Reset();
    }
    static hostpcb::ScriptedInteraction::Step Fire(int32_t number) {
        return {hostpcb::ScriptedInteraction::Step::Type::Fire, number, {}};
    }
    hostpcb::ScriptedInteraction Script;
};

TEST_F(EventHandlerTest, EachNumberReachesItsOperation) {
    RecordingHandler handler;
    const std::map<int, std::string> named = {
        {2, "ReshapeWide"}, {3, "ReshapeTall"}, {4, "ReshapeSquare"}, {8, "Flip"},          {9, "Rotate"},
        {10, "Cancel"},     {11, "Accept"},    {14, "AcceptAlt"},     {15, "CancelAlt"},    {27, "DrawFeedback"},
        {28, "Update"},     {29, "FinishMove"}, {30, "CancelMove"}};
    for (int number = 0; number < PCB_EVENT_OPERATION_COUNT; ++number) {
        handler.Calls.clear();
        const bool answer = handler.CallEvent(number);
        const auto found = named.find(number);
        if (found != named.end()) {
            EXPECT_EQ(handler.Calls, std::vector<std::string>{found->second}) << number;
            EXPECT_TRUE(answer) << number;
        } else if (number != 36 && number != 37) {
            EXPECT_TRUE(handler.Calls.empty()) << number;
            EXPECT_FALSE(answer) << "the base answers False for event " << number;
        }
    }
    handler.Accepted = true;
    handler.Cancelled = false;
    EXPECT_TRUE(handler.CallEvent(37));
    EXPECT_FALSE(handler.CallEvent(36));
    EXPECT_FALSE(handler.CallEvent(38));
    EXPECT_FALSE(handler.CallEvent(-1));
}

TEST_F(EventHandlerTest, RunStartsWithUpdateAndTheHostDeliversEventsKeysAndKeyState) {
    using Step = hostpcb::ScriptedInteraction::Step;
    Script.steps = {Fire(4), Fire(8), Step{Step::Type::Key, 'w', {}}, Step{Step::Type::SetShift, 1, {}}, Fire(8),
                    Fire(20), Fire(11)};
    RecordingHandler handler;
    EXPECT_EQ(handler.Run(), PCB_OK);
    const std::vector<std::string> expected = {"Update", "ReshapeSquare", "Flip",   "Key w",
                                               "Update", "Flip+Shift",    "Accept", "FinishMove"};
    EXPECT_EQ(handler.Calls, expected);
}

TEST_F(EventHandlerTest, ASessionWithoutMoreEventsIsCancelled) {
    RecordingHandler handler;
    EXPECT_EQ(handler.Run(), PCB_OK);
    EXPECT_EQ(handler.Calls, (std::vector<std::string>{"Update", "Cancel", "CancelMove"}));
}

TEST_F(EventHandlerTest, DestructionUnregistersFromTheHost) {
    PcbHandle registered = nullptr;
    {
        RecordingHandler handler;
        registered = handler.GetHostHandler();
        ASSERT_NE(registered, nullptr);
        EXPECT_NE(hostpcb::Host::Instance().Handlers().eventHandlers.Get(registered), nullptr);
    }
    EXPECT_EQ(hostpcb::Host::Instance().Handlers().eventHandlers.Get(registered), nullptr);
}

}  // namespace
}  // namespace autoplacer
