// The interactive editing mode's pick-and-edit loop: which pick each mode uses,
// the locked-components questions, an empty selection, cancelling a pick, and
// the global editor while an edit runs.
#include <memory>

#include "editing/ClusterEditor.h"
#include "editing/EditingFixture.h"
#include "driver/ComponentShoveDriver.h"
#include "hostpcb/Interaction.h"

namespace autoplacer::test {
namespace {

using Step = hostpcb::ScriptedInteraction::Step;

class ShoveDriverTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        hostpcb::Host::Instance().SetInteraction(&script);
    }
    void TearDown() override {
        hostpcb::Host::Instance().SetInteraction(nullptr);
        EditingTest::TearDown();
    }
    void Click(double xMils, double yMils) { script.locations.push_back({Mil(xMils), Mil(yMils)}); }
    static Step Move(double xMils, double yMils) { return {Step::Type::Move, 0, {Mil(xMils), Mil(yMils)}}; }
    static Step Accept() { return {Step::Type::Fire, 11, {}}; }
    int Redraws() const {
        int redraws = 0;
        for (const app::ProcessCall& call : client.GetProcessCalls()) {
            redraws += call.Process == "PCB:Zoom" && call.Parameters.find("Redraw") != std::string::npos;
        }
        return redraws;
    }

    hostpcb::ScriptedInteraction script;
};

TEST_F(ShoveDriverTest, CancellingTheFirstPickEndsTheModeWithoutARedraw) {
    Block("A", 1000, 1000, 40, 40);
    TComponentShoveDriver(board->Handle(), kEditAutoSelect).Run();
    EXPECT_EQ(script.prompts, std::vector<std::string>{"Choose a component ..."});
    EXPECT_EQ(Redraws(), 0);
    ASSERT_FALSE(client.GetFrame().History.empty());
    EXPECT_EQ(client.GetFrame().History.back(), (std::pair<int32_t, std::optional<std::string>>{-1, std::nullopt}))
        << "the prompt is cleared";
    EXPECT_EQ(ClusterEditor, nullptr);
}

TEST_F(ShoveDriverTest, PlainModeMovesTheSelectionAndPickModesOneClickedComponent) {
    Block("A", 1000, 1000, 40, 40);
    Block("B", 1100, 1000, 40, 40);
    Block("C", 3000, 3000, 40, 40);
    Select({"A", "B"});
    Click(2000, 2000);  // anywhere: it only confirms the selection
    TClusterEditor* during = nullptr;
    script.steps = {Move(2100, 2200), Step::Run([&] { during = ClusterEditor; }), Accept()};
    TComponentShoveDriver(board->Handle(), kEditPlain).Run();
    EXPECT_NE(during, nullptr) << "the global editor is set while the edit runs";
    EXPECT_EQ(ClusterEditor, nullptr);
    EXPECT_EQ(script.prompts, (std::vector<std::string>{"Move Selection", "Move Selection"}));
    EXPECT_NEAR(CentreX("A"), 1100, 0.01);
    EXPECT_NEAR(CentreY("A"), 1200, 0.01);
    EXPECT_NEAR(CentreX("B"), 1200, 0.01);
    EXPECT_NEAR(CentreX("C"), 3000, 0.01);
    EXPECT_EQ(Redraws(), 1) << "after the edit, not after the cancelled pick";

    // Auto-select: the clicked one only, whatever is selected.
    Click(3000, 3000);
    script.steps = {Move(3000, 3500), Accept()};
    TComponentShoveDriver(board->Handle(), kEditAutoSelect).Run();
    EXPECT_NEAR(CentreY("C"), 3500, 0.01);
    EXPECT_NEAR(CentreY("A"), 1200, 0.01);
    EXPECT_NEAR(CentreY("B"), 1200, 0.01);
}

TEST_F(ShoveDriverTest, ALockedComponentIsMovedOnlyAfterYes) {
    Block("L", 1000, 1000, 40, 40);
    Lock("L");
    Click(1000, 1000);
    Answer("Confirm=No");
    script.steps = {Move(1500, 1000), Accept()};
    TComponentShoveDriver(board->Handle(), kEditAutoAlign).Run();
    EXPECT_NEAR(CentreX("L"), 1000, 0.01);
    EXPECT_EQ(script.steps.size(), 2u) << "no edit ran";
    EXPECT_TRUE(script.locations.empty());
    ExpectAllAnswersUsed();

    Click(1000, 1000);
    Answer("Confirm=Yes");
    TComponentShoveDriver(board->Handle(), kEditAutoAlign).Run();
    EXPECT_NEAR(CentreX("L"), 1500, 0.01);
    ExpectAllAnswersUsed();
}

TEST_F(ShoveDriverTest, LockedSelectionsAskAndEmptyOnesEndWithoutAQuestion) {
    Block("L1", 1000, 1000, 40, 40);
    Block("L2", 1100, 1000, 40, 40);
    Lock("L1");
    Lock("L2");
    // Nothing selected: no question, no edit.
    Click(0, 0);
    TComponentShoveDriver(board->Handle(), kEditPlain).Run();
    EXPECT_EQ(script.prompts.size(), 1u);
    EXPECT_TRUE(presenter.UnusedAnswers().empty());

    Select({"L1", "L2"});
    Click(0, 0);
    Answer("Confirm=Yes");
    int32_t fixedGroups = -1, movableGroups = -1;
    script.steps = {Move(100, 0), Step::Run([&] {
                        fixedGroups = ClusterEditor->GetCluster().FixedGroups.Count();
                        movableGroups = ClusterEditor->GetCluster().Count();
                    }),
                    Accept()};
    TComponentShoveDriver(board->Handle(), kEditPlain).Run();
    EXPECT_EQ(fixedGroups, 2);
    EXPECT_EQ(movableGroups, 0);
    EXPECT_NEAR(CentreX("L1"), 1100, 0.01) << "locked components move like the others once confirmed";
    ExpectAllAnswersUsed();
}

}  // namespace
}  // namespace autoplacer::test
