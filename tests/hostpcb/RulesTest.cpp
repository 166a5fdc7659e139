// Rule resolution: priorities, pair rules, every scope kind, and the rule records.
#include <cstring>

#include "HostFixture.h"
#include "hostpcb/Rules.h"

namespace hostpcb::test {
namespace {

class Rules : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        BoardBuilder build(*board);
        r1 = &build.Chip("R1", "0603", {0, 0});
        r2 = &build.Chip("R2", "0603", {MilsToUnits(300), 0});
        u1 = &build.Soic("U1", 8, {MilsToUnits(1000), 0});
        gnd = &build.Connect("GND", {"R1.2", "U1.4"});
        vcc = &build.Connect("VCC", {"R2.1", "U1.8"});
        build.ComponentClass("Power", {"U1"});
        build.NetClass("Supplies", {"VCC"});
    }
    static int32_t Gap(PcbHandle rule) {
        int32_t gap = -1;
        EXPECT_EQ(PcbApi_QueryRuleClearanceConstraint(rule, PCB_READ, &gap), PCB_OK);
        return gap;
    }

    Component* r1 = nullptr;
    Component* r2 = nullptr;
    Component* u1 = nullptr;
    Net* gnd = nullptr;
    Net* vcc = nullptr;
};

TEST_F(Rules, HighestPriorityMatchingRuleWins) {
    BoardBuilder build(*board);
    Rule& wide = build.Clearance(100);                       // priority 1 (made first)
    Rule& narrow = build.Clearance(50, {ScopeComponent("R1")});  // priority 2
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r1->Handle(), PCB_RULE_CLEARANCE), wide.Handle());
    narrow.priority = 1;
    wide.priority = 2;
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r1->Handle(), PCB_RULE_CLEARANCE), narrow.Handle());
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r2->Handle(), PCB_RULE_CLEARANCE), wide.Handle());
    EXPECT_EQ(Gap(PcbApi_FindDominantRuleForObject(r1->FindPad("1")->Handle(), PCB_RULE_CLEARANCE)), 50)
        << "a component scope covers the component's pads";
    narrow.enabled = false;
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r1->Handle(), PCB_RULE_CLEARANCE), wide.Handle());
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r1->Handle(), PCB_RULE_CONFINEMENT), nullptr);
}

TEST_F(Rules, EqualPrioritiesGoToTheFirstRule) {
    BoardBuilder build(*board);
    Rule& first = build.Rotations(PCB_ROTATION_0);
    Rule& second = build.Rotations(PCB_ROTATION_90);
    second.priority = first.priority;
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(r1->Handle(), PCB_RULE_COMPONENT_ROTATIONS), first.Handle());
}

TEST_F(Rules, PairRulesMatchInEitherOrder) {
    BoardBuilder build(*board);
    Rule& all = build.ComponentClearance(100, 0);
    Rule& pair = build.ComponentClearance(300, 2, {ScopeComponent("R1")}, {ScopeComponentClass("Power")});
    pair.priority = 1;
    all.priority = 2;
    EXPECT_EQ(PcbApi_FindDominantRuleForObjectPair(r1->Handle(), u1->Handle(), PCB_RULE_COMPONENT_CLEARANCE),
              pair.Handle());
    EXPECT_EQ(PcbApi_FindDominantRuleForObjectPair(u1->Handle(), r1->Handle(), PCB_RULE_COMPONENT_CLEARANCE),
              pair.Handle());
    EXPECT_EQ(PcbApi_FindDominantRuleForObjectPair(r1->Handle(), r2->Handle(), PCB_RULE_COMPONENT_CLEARANCE),
              all.Handle());
    int32_t gap = 0;
    uint8_t mode = 0;
    EXPECT_EQ(PcbApi_QueryRuleComponentClearanceConstraint(pair.Handle(), PCB_READ, &gap, &mode), PCB_OK);
    EXPECT_EQ(gap, 300);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(PcbApi_FindDominantRuleForObjectPair(r1->Handle(), nullptr, PCB_RULE_COMPONENT_CLEARANCE), nullptr);
}

TEST_F(Rules, EveryScopeKindIncludesWhatItNames) {
    struct Case {
        ScopeEntry entry;
        Object* inside;
        Object* outside;
    };
    Pad* gndPad = r1->FindPad("2");
    Pad* vccPad = r2->FindPad("1");
    const Case cases[] = {
        {ScopeBoard(), r1, nullptr},
        {ScopeNet("gnd"), gndPad, vccPad},  // names compare without case
        {ScopeNet("GND"), gnd, vcc},
        {ScopeNetClass("Supplies"), vccPad, gndPad},
        {ScopeNetClass("Supplies"), vcc, gnd},
        {ScopeComponentClass("Power"), u1, r1},
        {ScopeComponentClass("Power"), u1->FindPad("1"), r1->FindPad("1")},
        {ScopeComponent("R2"), r2, r1},
        {ScopeLayer(PCB_TOP_LAYER), gndPad, u1->NameText()},
    };
    for (const Case& c : cases) {
        Rule& rule = board->AddRule(PCB_RULE_POWER_NETS, "scope");
        rule.scope1 = {c.entry};
        SCOPED_TRACE(ScopeExpression(rule.scope1));
        EXPECT_EQ(PcbApi_Scope1_Includes(rule.Handle(), c.inside->Handle()), 1);
        if (c.outside != nullptr) {
            EXPECT_EQ(PcbApi_Scope1_Includes(rule.Handle(), c.outside->Handle()), 0);
        }
    }
    Rule& either = board->AddRule(PCB_RULE_POWER_NETS, "either");
    either.scope1 = {ScopeNet("VCC"), ScopeNet("GND")};
    EXPECT_EQ(PcbApi_Scope1_Includes(either.Handle(), gnd->Handle()), 1);
    EXPECT_EQ(PcbApi_Scope1_Includes(either.Handle(), vcc->Handle()), 1);
    EXPECT_EQ(PcbApi_Scope1_Includes(nullptr, vcc->Handle()), 0);
}

TEST_F(Rules, ExpressionRecordsWriteScopesAndPriority) {
    BoardBuilder build(*board);
    Rule& rule = build.Room(Box::FromCorners(0, 0, 1000, 2000), PCB_CONFINE_KEEP_OUTSIDE, {ScopeComponentClass("Power")});
    PcbRuleExData ex{};
    ASSERT_EQ(PcbApi_QueryRuleEx(rule.Handle(), PCB_READ, &ex), PCB_OK);
    EXPECT_STREQ(ex.Scope1Expression, "InComponentClass('Power')");
    EXPECT_STREQ(ex.Scope2Expression, "All");
    EXPECT_EQ(ex.Priority, 1);
    std::strcpy(ex.Scope1Expression, "InNet('GND') or InComponent('R2')");
    ex.Priority = 4;
    ASSERT_EQ(PcbApi_QueryRuleEx(rule.Handle(), PCB_WRITE, &ex), PCB_OK);
    PcbRuleExtData ext{};
    ASSERT_EQ(PcbApi_QueryRuleExt(rule.Handle(), PCB_READ, &ext), PCB_OK);
    ASSERT_EQ(ext.Scope1.Count, 2);
    EXPECT_EQ(ext.Scope1.Entries[1].Kind, PCB_SCOPE_COMPONENT);
    EXPECT_STREQ(ext.Scope1.Entries[1].Name, "R2");
    EXPECT_EQ(rule.priority, 4);
    EXPECT_EQ(PcbApi_Scope1_Includes(rule.Handle(), r2->Handle()), 1);
    EXPECT_EQ(PcbApi_Scope1_Includes(rule.Handle(), u1->Handle()), 0);
    std::strcpy(ex.Scope1Expression, "SomethingElse(");
    EXPECT_EQ(PcbApi_QueryRuleEx(rule.Handle(), PCB_WRITE, &ex), PCB_ERROR_BAD_ARGUMENT);
    EXPECT_EQ(rule.scope1.size(), 2u) << "a text the host does not understand changes nothing";
}

TEST_F(Rules, ValueQueriesPerKind) {
    BoardBuilder build(*board);
    Rule& room = build.Room(Box::FromCorners(5000, 9000, 1000, 2000), PCB_CONFINE_KEEP_INSIDE, {ScopeComponent("R1")},
                            PCB_BOTTOM_LAYER);
    int32_t x1, y1, x2, y2;
    uint8_t kind = 9;
    PcbLayerId layer{};
    ASSERT_EQ(PcbApi_QueryRuleConfinementConstraint(room.Handle(), PCB_READ, &x1, &y1, &x2, &y2, &kind, &layer),
              PCB_OK);
    EXPECT_EQ((Box{x1, y1, x2, y2}), (Box{1000, 2000, 5000, 9000}));
    EXPECT_EQ(kind, PCB_CONFINE_KEEP_INSIDE);
    EXPECT_EQ(LayerFromId(layer), PCB_BOTTOM_LAYER);
    x1 = 10;
    kind = PCB_CONFINE_KEEP_OUTSIDE;
    ASSERT_EQ(PcbApi_QueryRuleConfinementConstraint(room.Handle(), PCB_WRITE, &x1, &y1, &x2, &y2, &kind, &layer),
              PCB_OK);
    EXPECT_EQ(room.room.x1, 10);
    EXPECT_EQ(room.confineKind, PCB_CONFINE_KEEP_OUTSIDE);

    Rule& routing = build.RoutingLayers({{PCB_TOP_LAYER, 1}, {PCB_BOTTOM_LAYER, 2}});
    uint8_t dirs[PCB_SIGNAL_LAYER_COUNT];
    ASSERT_EQ(PcbApi_QueryRuleRoutingLayersRule(routing.Handle(), PCB_READ, dirs), PCB_OK);
    EXPECT_EQ(dirs[0], 1);
    EXPECT_EQ(dirs[31], 2);
    EXPECT_EQ(dirs[1], 0);

    uint8_t flags = 0;
    Rule& permitted = build.PermittedLayers(PCB_PERMIT_BOTTOM);
    ASSERT_EQ(PcbApi_QueryRulePermittedLayersRule(permitted.Handle(), PCB_READ, &flags), PCB_OK);
    EXPECT_EQ(flags, PCB_PERMIT_BOTTOM);
    Rule& rotations = build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180);
    ASSERT_EQ(PcbApi_QueryRuleComponentRotationsRule(rotations.Handle(), PCB_READ, &flags), PCB_OK);
    EXPECT_EQ(flags, PCB_ROTATION_0 | PCB_ROTATION_180);

    // A value query of the wrong kind is refused and leaves the output alone.
    int32_t gap = 77;
    EXPECT_EQ(PcbApi_QueryRuleClearanceConstraint(rotations.Handle(), PCB_READ, &gap), PCB_ERROR_WRONG_KIND);
    EXPECT_EQ(gap, 77);
    EXPECT_EQ(PcbApi_QueryRuleClearanceConstraint(r1->Handle(), PCB_READ, &gap), PCB_ERROR_WRONG_KIND);
    EXPECT_EQ(PcbApi_QueryRuleClearanceConstraint(nullptr, PCB_READ, &gap), PCB_ERROR_NIL_HANDLE);
}

TEST_F(Rules, RuleRecordsRoundTrip) {
    BoardBuilder build(*board);
    Rule& rule = build.ComponentClearance(123, 1, {ScopeComponentClass("Power"), ScopeNet("GND")}, {ScopeComponent("R1")});
    rule.name = "Keep U1 apart";
    PcbRuleData base{};
    PcbRuleExtData ext{};
    ASSERT_EQ(PcbApi_QueryRule(rule.Handle(), PCB_READ, &base), PCB_OK);
    ASSERT_EQ(PcbApi_QueryRuleExt(rule.Handle(), PCB_READ, &ext), PCB_OK);
    EXPECT_EQ(base.RuleKind, PCB_RULE_COMPONENT_CLEARANCE);
    EXPECT_STREQ(base.Name, "Keep U1 apart");
    EXPECT_EQ(LayerFromId(base.Base.Layer), PCB_MULTI_LAYER);
    const std::vector<ScopeEntry> s1 = rule.scope1, s2 = rule.scope2;
    ASSERT_EQ(PcbApi_QueryRule(rule.Handle(), PCB_WRITE, &base), PCB_OK);
    ASSERT_EQ(PcbApi_QueryRuleExt(rule.Handle(), PCB_WRITE, &ext), PCB_OK);
    ASSERT_EQ(rule.scope1.size(), s1.size());
    for (std::size_t i = 0; i < s1.size(); ++i) {
        EXPECT_EQ(rule.scope1[i].kind, s1[i].kind);
        EXPECT_EQ(rule.scope1[i].name, s1[i].name);
    }
    EXPECT_EQ(rule.scope2[0].name, "R1");
    EXPECT_EQ(rule.name, "Keep U1 apart");
    EXPECT_EQ(rule.ruleKind, PCB_RULE_COMPONENT_CLEARANCE);
}

}  // namespace
}  // namespace hostpcb::test
