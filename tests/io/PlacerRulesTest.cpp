#include <gtest/gtest.h>

#include "hostpcb/Rules.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TestFiles.h"

namespace {

using hostpcb::Rule;

const char* kBoard = R"((kicad_pcb (version 20240108) (generator "pcbnew")
  (layers (0 "F.Cu" signal) (1 "In1.Cu" signal) (2 "In2.Cu" power) (31 "B.Cu" signal))
  (net 0 "") (net 1 "GND") (net 2 "+3V3") (net 3 "SDA")
  (footprint "U" (layer "F.Cu") (at 20 20) (property "Reference" "U1" (at 0 0 0) (layer "F.SilkS"))
    (pad "1" smd rect (at 0 0) (size 1 1) (layers "F.Cu") (net 1 "GND"))
    (pad "2" smd rect (at 2 0) (size 1 1) (layers "F.Cu") (net 3 "SDA")))
  (footprint "C" (layer "F.Cu") (at 30 20) (property "Reference" "C1" (at 0 0 0) (layer "F.SilkS"))
    (pad "1" smd rect (at 0 0) (size 1 1) (layers "F.Cu") (net 1 "GND"))
    (pad "2" smd rect (at 2 0) (size 1 1) (layers "F.Cu") (net 2 "+3V3")))
  (footprint "J" (layer "F.Cu") (at 40 20) (property "Reference" "J1" (at 0 0 0) (layer "F.SilkS"))
    (pad "1" thru_hole circle (at 0 0) (size 1.7 1.7) (drill 1) (layers "*.Cu") (net 3 "SDA")))
)
)";

const char* kRules = R"(; placement rules for the test board
(placer_rules
  (version 1)
  (component_class "Decoupling" C1)
  (component_class "Connectors" J1)
  (net_class "Supplies" GND "+3V3")
  (room "MCU area" (rect 10 10 50 30) (keep inside) (layer top) (scope (class "Decoupling") (component U1)) (priority 2))
  (room "Keep clear" (rect 0 0 5 5) (keep outside) (layer bottom) (scope (class "Connectors")))
  (component_clearance (gap 0.5) (mode full) (scope (class "Decoupling")) (scope2 (component U1)))
  (rotations (allowed 0 180) (scope (component J1)))
  (rotations "Free" (allowed any) (scope (board)))
  (layers (permitted top) (scope (class "Connectors")))
  (routing_directions (layer F.Cu horizontal) (layer In1.Cu 45) (layer B.Cu vertical))
  (power_nets GND "+3V3" (priority 1))
)
)";

class PlacerRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("rules.kicad_pcb");
        iotest::WriteFile(path_, kBoard);
    }
    std::unique_ptr<io::LoadedBoard> LoadWithRules(const std::string& rules) {
        iotest::WriteFile(dir_.file("rules.placer_rules"), rules);
        return io::LoadBoardFile(path_);
    }
    std::vector<Rule*> RulesOfKind(const hostpcb::Board& board, uint8_t kind) {
        std::vector<Rule*> out;
        for (Rule* r : board.Rules()) {
            if (r->ruleKind == kind) out.push_back(r);
        }
        return out;
    }
    void ExpectError(const std::string& rules, int line, int column, const std::string& words) {
        try {
            LoadWithRules(rules);
            ADD_FAILURE() << "no error for:\n" << rules;
        } catch (const io::SExprError& e) {
            EXPECT_EQ(e.line(), static_cast<uint32_t>(line)) << e.what();
            EXPECT_EQ(e.column(), static_cast<uint32_t>(column)) << e.what();
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("rules.placer_rules:" + std::to_string(line) + ":"), std::string::npos)
                << e.what();
        }
    }

    iotest::ScratchDir dir_;
    std::string path_;
};

TEST_F(PlacerRulesTest, EveryRuleKindReachesTheHostWithItsScope) {
    auto loaded = LoadWithRules(kRules);
    hostpcb::Board& board = *loaded->board;
    ASSERT_TRUE(loaded->hasRules);
    EXPECT_TRUE(loaded->rules.warnings.empty());

    const hostpcb::ObjectClass* decoupling = board.FindClass("Decoupling");
    ASSERT_NE(decoupling, nullptr);
    EXPECT_EQ(decoupling->memberKind, hostpcb::ObjectKind::Component);
    EXPECT_EQ(decoupling->members, std::vector<std::string>{"C1"});
    ASSERT_NE(board.FindClass("Supplies"), nullptr);
    EXPECT_EQ(board.FindClass("Supplies")->memberKind, hostpcb::ObjectKind::Net);

    const std::vector<Rule*> rooms = RulesOfKind(board, PCB_RULE_CONFINEMENT);
    ASSERT_EQ(rooms.size(), 2u);
    EXPECT_EQ(rooms[0]->name, "MCU area");
    const hostpcb::Point a = io::ToHost({10, 10}), b = io::ToHost({50, 30});
    EXPECT_EQ(rooms[0]->room, hostpcb::Box::FromCorners(a.x, a.y, b.x, b.y));
    EXPECT_EQ(rooms[0]->confineKind, PCB_CONFINE_KEEP_INSIDE);
    EXPECT_EQ(rooms[0]->roomLayer, PCB_TOP_LAYER);
    EXPECT_EQ(rooms[0]->priority, 2);
    ASSERT_EQ(rooms[0]->scope1.size(), 2u);
    EXPECT_EQ(rooms[0]->scope1[0].kind, PCB_SCOPE_COMPONENT_CLASS);
    EXPECT_EQ(rooms[0]->scope1[0].name, "Decoupling");
    EXPECT_EQ(rooms[0]->scope1[1].kind, PCB_SCOPE_COMPONENT);
    EXPECT_EQ(rooms[0]->scope1[1].name, "U1");
    EXPECT_EQ(rooms[1]->confineKind, PCB_CONFINE_KEEP_OUTSIDE);
    EXPECT_EQ(rooms[1]->roomLayer, PCB_BOTTOM_LAYER);

    // The host's own scope matching sees the same objects the file named.
    const hostpcb::Component* u1 = board.FindComponent("U1");
    const hostpcb::Component* c1 = board.FindComponent("C1");
    const hostpcb::Component* j1 = board.FindComponent("J1");
    EXPECT_TRUE(hostpcb::ScopeIncludes(rooms[0]->scope1, *c1));
    EXPECT_TRUE(hostpcb::ScopeIncludes(rooms[0]->scope1, *u1));
    EXPECT_FALSE(hostpcb::ScopeIncludes(rooms[0]->scope1, *j1));

    // The file's scoped clearance, then KiCad's courtyard rule for every other pair.
    const std::vector<Rule*> clearances = RulesOfKind(board, PCB_RULE_COMPONENT_CLEARANCE);
    ASSERT_EQ(clearances.size(), 2u);
    EXPECT_EQ(clearances[0]->gap, io::MmToHost(0.5));
    EXPECT_EQ(clearances[0]->checkMode, 2);
    EXPECT_EQ(hostpcb::DominantRuleForPair(*c1, *u1, PCB_RULE_COMPONENT_CLEARANCE), clearances[0]);
    EXPECT_EQ(hostpcb::DominantRuleForPair(*j1, *u1, PCB_RULE_COMPONENT_CLEARANCE), clearances[1]);
    EXPECT_EQ(clearances[1]->name, "KiCadCourtyards");

    const std::vector<Rule*> rotations = RulesOfKind(board, PCB_RULE_COMPONENT_ROTATIONS);
    ASSERT_EQ(rotations.size(), 2u);
    EXPECT_EQ(rotations[0]->rotationFlags, PCB_ROTATION_0 | PCB_ROTATION_180);
    EXPECT_EQ(rotations[1]->name, "Free");
    EXPECT_EQ(rotations[1]->rotationFlags, PCB_ROTATION_ANY);
    ASSERT_EQ(rotations[1]->scope1.size(), 1u);
    EXPECT_EQ(rotations[1]->scope1[0].kind, PCB_SCOPE_BOARD);
    EXPECT_EQ(hostpcb::DominantRule(*j1, PCB_RULE_COMPONENT_ROTATIONS), rotations[0]);

    const std::vector<Rule*> layers = RulesOfKind(board, PCB_RULE_PERMITTED_LAYERS);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0]->permittedLayers, PCB_PERMIT_TOP);
    EXPECT_EQ(hostpcb::DominantRule(*j1, PCB_RULE_PERMITTED_LAYERS), layers[0]);
    EXPECT_EQ(hostpcb::DominantRule(*u1, PCB_RULE_PERMITTED_LAYERS), nullptr);

    const std::vector<Rule*> routing = RulesOfKind(board, PCB_RULE_ROUTING_LAYERS);
    ASSERT_EQ(routing.size(), 1u);
    EXPECT_TRUE(routing[0]->scope1.empty());  // board-wide
    EXPECT_EQ(routing[0]->routingDirections[0], 1);   // F.Cu horizontal
    EXPECT_EQ(routing[0]->routingDirections[1], 8);   // In1.Cu (MidLayer1) at 45 degrees
    EXPECT_EQ(routing[0]->routingDirections[31], 2);  // B.Cu vertical
    EXPECT_EQ(routing[0]->routingDirections[2], 0);

    const std::vector<Rule*> power = RulesOfKind(board, PCB_RULE_POWER_NETS);
    ASSERT_EQ(power.size(), 1u);
    EXPECT_EQ(power[0]->priority, 1);
    ASSERT_EQ(power[0]->scope1.size(), 2u);
    EXPECT_EQ(power[0]->scope1[0].kind, PCB_SCOPE_NET);
    EXPECT_EQ(power[0]->scope1[1].name, "+3V3");
    EXPECT_TRUE(hostpcb::ScopeIncludes(power[0]->scope1, *board.FindNet("GND")));
    EXPECT_FALSE(hostpcb::ScopeIncludes(power[0]->scope1, *board.FindNet("SDA")));

    EXPECT_EQ(loaded->rules.rooms, 2);
    EXPECT_EQ(loaded->rules.componentClasses, 2);
    EXPECT_EQ(loaded->rules.powerNets, 2);
}

TEST_F(PlacerRulesTest, NoRulesFileMeansTheClearanceAndKicadsCourtyardRule) {
    auto loaded = io::LoadBoardFile(path_);
    EXPECT_FALSE(loaded->hasRules);
    ASSERT_EQ(loaded->board->Rules().size(), 2u);
    EXPECT_EQ(loaded->board->Rules()[0]->ruleKind, PCB_RULE_CLEARANCE);
    EXPECT_EQ(loaded->board->Rules()[1]->ruleKind, PCB_RULE_COMPONENT_CLEARANCE);
}

TEST_F(PlacerRulesTest, LongPowerNetListsAreSplitIntoRulesThatHoldThem) {
    std::string rules = "(placer_rules (power_nets";
    for (int i = 0; i < 20; ++i) rules += " N" + std::to_string(i);
    rules += "))";
    auto loaded = LoadWithRules(rules);
    const std::vector<Rule*> power = RulesOfKind(*loaded->board, PCB_RULE_POWER_NETS);
    ASSERT_EQ(power.size(), 2u);
    EXPECT_EQ(power[0]->scope1.size(), 16u);
    EXPECT_EQ(power[1]->scope1.size(), 4u);
    EXPECT_EQ(loaded->rules.warnings.size(), 20u);  // none of them is on the board
}

TEST_F(PlacerRulesTest, UnknownNamesAreWarningsWithTheirPlace) {
    auto loaded = LoadWithRules("(placer_rules\n  (component_class \"X\" U1 U99))");
    ASSERT_EQ(loaded->rules.warnings.size(), 1u);
    EXPECT_NE(loaded->rules.warnings[0].find("rules.placer_rules:2:27: component 'U99'"), std::string::npos)
        << loaded->rules.warnings[0];
    EXPECT_EQ(loaded->board->FindClass("X")->members.size(), 2u);
}

TEST_F(PlacerRulesTest, MistakesAreReportedWithLineAndColumn) {
    ExpectError("(placer_rules\n  (rooom \"A\"))", 2, 3, "unknown rule 'rooom'");
    ExpectError("(placer_rules\n  (room \"A\" (rect 1 2 3 x) (scope (component U1))))", 2, 25, "expected a number");
    ExpectError("(placer_rules\n  (room \"A\" (rect 1 2 3) (scope (component U1))))", 2, 13, "four numbers");
    ExpectError("(placer_rules\n  (room \"A\" (rect 1 2 3 4)))", 2, 3, "needs a (scope");
    ExpectError("(placer_rules\n  (rotations (allowed 45)))", 2, 23, "expected 0, 90, 180, 270 or any");
    ExpectError("(placer_rules\n  (layers (permitted top) (scope (class \"Nope\"))))", 2, 41, "'Nope' is not defined");
    ExpectError("(placer_rules\n  (routing_directions (layer In2.Cu vertical)))", 2, 30, "not a signal layer");
    ExpectError("(placer_rules\n  (routing_directions (layer F.Cu diagonal)))", 2, 35, "expected horizontal");
    ExpectError("(placer_rules\n  (component_clearance (gap -1)))", 2, 29, "cannot be negative");
    ExpectError("(placer_rules\n  (component_clearance (gap 1) (mode fast)))", 2, 38, "expected quick, extents or full");
    ExpectError("(placer_rules\n  (power_nets GND (priority 0)))", 2, 19, "priority");
    ExpectError("(placer_rules (version 2))", 1, 15, "version 2");
    ExpectError("(rules)", 1, 1, "starts with (placer_rules");
    ExpectError("(placer_rules\n  (room \"A\"", 2, 12, "not closed");
}

}  // namespace
