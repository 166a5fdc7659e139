// KiCad's placement rules as the host receives them: a board-wide component clearance
// with KiCad's courtyard clearance as its gap, given way to by the rules file, and each
// footprint's extent being its courtyard with its pads.
#include <gtest/gtest.h>

#include <algorithm>

#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "io/KicadDesignRules.h"
#include "io/SExpr.h"
#include "io/Units.h"
#include "TestFiles.h"

namespace {

using io::MmToHost;

// R1: a courtyard of 3 × 1.6 mm with a silkscreen line reaching 3 mm past it.
// H1: no courtyard, a pad and a fabrication frame of 40 × 40 mm round the board.
// J1: a through-hole header.
const char* kBoard = R"((kicad_pcb (version 20221018) (generator "pcbnew")
  (layers (0 "F.Cu" signal) (31 "B.Cu" signal) (37 "F.SilkS" user) (44 "Edge.Cuts" user)
          (47 "F.CrtYd" user) (49 "F.Fab" user))
  (net 0 "")
  (footprint "R:R_0603" (layer "F.Cu") (at 10 20)
    (fp_text reference "R1" (at 0 -8) (layer "F.SilkS") (effects (font (size 1 1))))
    (fp_rect (start -1.5 -0.8) (end 1.5 0.8) (stroke (width 0) (type solid)) (layer "F.CrtYd"))
    (fp_line (start -1 0) (end 4.5 0) (stroke (width 0.1) (type solid)) (layer "F.SilkS"))
    (pad "1" smd rect (at 0.75 0) (size 0.8 0.9) (layers "F.Cu"))
    (pad "2" smd rect (at -0.75 0) (size 0.8 0.9) (layers "F.Cu")))
  (footprint "H:Frame" (locked yes) (layer "F.Cu") (at 20 20)
    (fp_text reference "H1" (at 0 0) (layer "F.SilkS") (effects (font (size 1 1))))
    (fp_rect (start -20 -20) (end 20 20) (stroke (width 0.1) (type solid)) (layer "F.Fab"))
    (pad "1" smd rect (at 0 0) (size 1 1) (layers "F.Cu")))
  (footprint "J:Header" (layer "F.Cu") (at 30 30)
    (fp_text reference "J1" (at 0 -2) (layer "F.SilkS") (effects (font (size 1 1))))
    (pad "1" thru_hole circle (at 0 0) (size 1.7 1.7) (drill 1) (layers "*.Cu")))
  (gr_rect (start 0 0) (end 40 40) (stroke (width 0.1) (type solid)) (fill none) (layer "Edge.Cuts"))
)
)";

std::vector<const hostpcb::Rule*> ComponentClearances(const hostpcb::Board& board) {
    std::vector<const hostpcb::Rule*> out;
    for (const hostpcb::Rule* r : board.Rules()) {
        if (r->ruleKind == PCB_RULE_COMPONENT_CLEARANCE) out.push_back(r);
    }
    return out;
}

class KicadPlacementRules : public ::testing::Test {
protected:
    void SetUp() override { hostpcb::Host::Instance().Reset(); }
    void TearDown() override {
        loaded_.reset();
        hostpcb::Host::Instance().Reset();
    }
    hostpcb::Board& Load(const std::string& dru = "", const std::string& rules = "") {
        const std::string path = dir_.file("b.kicad_pcb");
        iotest::WriteFile(path, kBoard);
        if (!dru.empty()) iotest::WriteFile(dir_.file("b.kicad_dru"), dru);
        if (!rules.empty()) iotest::WriteFile(dir_.file("b.placer_rules"), rules);
        loaded_ = io::LoadBoardFile(path);
        return *loaded_->board;
    }
    iotest::ScratchDir dir_;
    std::unique_ptr<io::LoadedBoard> loaded_;
};

TEST_F(KicadPlacementRules, BoardWithoutRulesGetsCourtyardClearanceOfZero) {
    const auto rules = ComponentClearances(Load());
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0]->gap, 0);
    EXPECT_EQ(rules[0]->checkMode, io::kKicadClearanceMode);
    EXPECT_TRUE(rules[0]->scope1.empty());
    EXPECT_TRUE(rules[0]->scope2.empty());
    EXPECT_TRUE(loaded_->kicadComponentClearance);
}

TEST_F(KicadPlacementRules, KicadCourtyardClearanceBecomesTheGap) {
    const auto rules = ComponentClearances(Load(R"((version 1)
# a comment
(rule "only for U" (condition "A.Reference == 'U*'") (constraint courtyard_clearance (min 2mm)))
(rule "courtyards" (constraint courtyard_clearance (min 0.25mm)) (constraint clearance (min 0.1mm))))"));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0]->gap, MmToHost(0.25));
    EXPECT_DOUBLE_EQ(loaded_->courtyardClearanceMm, 0.25);
    // The rules file is an input the application never overwrites.
    EXPECT_NE(std::find(loaded_->inputs.begin(), loaded_->inputs.end(), dir_.file("b.kicad_dru")), loaded_->inputs.end());
}

TEST_F(KicadPlacementRules, RulesFileClearanceForTheWholeBoardReplacesIt) {
    const auto rules = ComponentClearances(Load("", "(placer_rules (component_clearance (gap 0.5) (mode full)))"));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0]->gap, MmToHost(0.5));
    EXPECT_EQ(rules[0]->checkMode, 2);
    EXPECT_FALSE(loaded_->kicadComponentClearance);
}

TEST_F(KicadPlacementRules, ScopedRulesFileClearanceWinsOnlyForItsParts) {
    hostpcb::Board& board =
        Load("", "(placer_rules (component_clearance \"R\" (gap 1) (mode quick) (scope (component R1))))");
    const auto rules = ComponentClearances(board);
    ASSERT_EQ(rules.size(), 2u);
    const hostpcb::Rule* scoped = rules[0]->name == "R" ? rules[0] : rules[1];
    const hostpcb::Rule* kicad = rules[0]->name == "R" ? rules[1] : rules[0];
    EXPECT_LT(scoped->priority, kicad->priority);  // 1 is the highest
    EXPECT_EQ(kicad->checkMode, io::kKicadClearanceMode);
}

// Within two host units (millimetre rounding).
void ExpectBoxNear(const hostpcb::Box& actual, const hostpcb::Box& expected) {
    EXPECT_NEAR(actual.x1, expected.x1, 2);
    EXPECT_NEAR(actual.y1, expected.y1, 2);
    EXPECT_NEAR(actual.x2, expected.x2, 2);
    EXPECT_NEAR(actual.y2, expected.y2, 2);
}

TEST_F(KicadPlacementRules, ExtentIsTheCourtyardWithPadsElseAllButFabrication) {
    hostpcb::Board& board = Load();
    const hostpcb::Point r1 = io::ToHost({10, 20});
    // The silkscreen line reaching 4.5 mm to the right is no part of R1's extent.
    ExpectBoxNear(board.FindComponent("R1")->Bounds(),
                  {r1.x - MmToHost(1.5), r1.y - MmToHost(0.8), r1.x + MmToHost(1.5), r1.y + MmToHost(0.8)});
    // A fabrication frame round the whole board is documentation: H1 is its pad.
    const hostpcb::Point h1 = io::ToHost({20, 20});
    ExpectBoxNear(board.FindComponent("H1")->Bounds(),
                  {h1.x - MmToHost(0.5), h1.y - MmToHost(0.5), h1.x + MmToHost(0.5), h1.y + MmToHost(0.5)});
    // Moving and turning keep the choice.
    hostpcb::Component& r = *board.FindComponent("R1");
    r.SetRotation(90);
    const hostpcb::Box turned = r.Bounds();
    EXPECT_NEAR(turned.x2 - turned.x1, MmToHost(1.6), 2);
    EXPECT_NEAR(turned.y2 - turned.y1, MmToHost(3.0), 2);
}

TEST(KicadDesignRules, CourtyardClearanceValues) {
    EXPECT_FALSE(io::ParseCourtyardClearance("(version 1)").has_value());
    EXPECT_FALSE(io::ParseCourtyardClearance(
                     "(version 1) (rule a (condition \"A.Type == 'Pad'\") (constraint courtyard_clearance (min 1mm)))")
                     .has_value());
    EXPECT_DOUBLE_EQ(*io::ParseCourtyardClearance("(rule a (constraint courtyard_clearance (min 0.3)))"), 0.3);
    EXPECT_DOUBLE_EQ(*io::ParseCourtyardClearance("(rule a (constraint courtyard_clearance (min 10mil)))"), 0.254);
    // A later rule overrides an earlier one, as in KiCad.
    EXPECT_DOUBLE_EQ(*io::ParseCourtyardClearance("(rule a (constraint courtyard_clearance (min 1mm)))\n"
                                                  "(rule b (constraint courtyard_clearance (min 0.2mm)))"),
                     0.2);
    EXPECT_THROW(io::ParseCourtyardClearance("(rule a (constraint courtyard_clearance (min lots)))"), io::SExprError);
    EXPECT_THROW(io::ParseCourtyardClearance("(rule a"), io::SExprError);
}

TEST(KicadDesignRules, UnreadableRulesFileWarnsAndKeepsZero) {
    iotest::ScratchDir dir;
    iotest::WriteFile(dir.file("b.kicad_dru"), "(rule a (constraint courtyard_clearance (min 1mm");
    std::string warning;
    EXPECT_FALSE(io::ReadCourtyardClearance(dir.file("b.kicad_pcb"), warning).has_value());
    EXPECT_NE(warning.find("b.kicad_dru"), std::string::npos);
}

}  // namespace
