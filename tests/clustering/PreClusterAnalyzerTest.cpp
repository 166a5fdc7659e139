// The special clusters formed before the pair tree: room rules, ICs with their
// decoupling capacitors, ICs of one footprint; the helper tests they rest on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engines/PlanFixture.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PreClusterAnalyzer.h"

namespace autoplacer {
namespace {

using plantest::GroupHandles;
using Phase = plantest::TProgressLog::Phase;

class PreClustering : public plantest::PlanBoard {
protected:
    void SetUp() override {
        PlanBoard::SetUp();
        powerNets.Add(NetHandle("VCC"));
        powerNets.Add(NetHandle("GND"));
    }
    void TearDown() override {
        for (TClusterList* list : {lists.ICCapClusters, lists.SameFootprintClusters, lists.ConfinementClusters}) {
            FreeClusterListAndClusters(list);
        }
        PlanBoard::TearDown();
    }
    TPlacementContext Context() {
        TPlacementContext context;
        context.Board = board->Handle();
        context.PowerNets = &powerNets;
        return context;
    }
    // Runs the whole analysis over the components in the given order.
    void Run(const std::vector<PcbHandle>& components, int32_t threshold = 85) {
        for (PcbHandle component : components) {
            remaining.Add(component);
        }
        TPlacerOptions options;
        options.ClusterScoreThreshold = threshold;
        TPreClusterAnalyzer analyzer(Context(), options, remaining);
        THandleList* out = nullptr;
        analyzer.Run(lists, out);
        EXPECT_EQ(out, &remaining);
        EXPECT_EQ(lists.Clusters, nullptr);
    }
    std::unique_ptr<TPreClusterAnalyzer> Analyzer() {
        return std::make_unique<TPreClusterAnalyzer>(Context(), TPlacerOptions{}, remaining);
    }
    std::vector<PcbHandle> Remaining() const { return remaining.Data(); }

    // A decoupling-style capacitor between the two nets.
    PcbHandle Cap(const std::string& name, const std::string& a = "VCC", const std::string& b = "GND",
                  const std::string& value = "100n") {
        return Part(name, "0402", {a, b}, value);
    }
    // An IC of the footprint with the signal nets and a VCC and a GND pin.
    PcbHandle IC(const std::string& name, std::vector<std::string> signals, const std::string& pattern = "SOIC14") {
        signals.push_back("VCC");
        signals.push_back("GND");
        return Part(name, pattern, signals);
    }
    // Signal nets S0 .. S(n-1), the last `differ` of them renamed after the owner.
    static std::vector<std::string> Signals(int n, int differ = 0, const std::string& owner = "") {
        std::vector<std::string> nets;
        for (int i = 0; i < n; ++i) {
            nets.push_back((i >= n - differ ? owner + "_" : "S") + std::to_string(i));
        }
        return nets;
    }

    TFastListOf<PcbHandle> powerNets;
    THandleList remaining;
    TClusterLists lists;
};

// ---------------------------------------------------------------------------
// Helper tests

TEST_F(PreClustering, DecouplingCapacitorsSitBetweenTwoPowerNets) {
    auto analyzer = Analyzer();
    EXPECT_TRUE(analyzer->IsDecouplingCapacitor(Cap("C1")));
    EXPECT_TRUE(analyzer->IsDecouplingCapacitor(Cap("C2", "GND", "GND")));
    EXPECT_FALSE(analyzer->IsDecouplingCapacitor(Cap("C3", "VCC", "SIG")));
    EXPECT_FALSE(analyzer->IsDecouplingCapacitor(Cap("C4", "VCC", "")));
    EXPECT_FALSE(analyzer->IsDecouplingCapacitor(Part("C5", "0402", {"VCC"})));
    // Only the first two pads count.
    EXPECT_TRUE(analyzer->IsDecouplingCapacitor(Part("C6", "0402", {"VCC", "GND", "SIG"})));
}

TEST_F(PreClustering, SignalNetsAreDistinctWithoutPowerAndCountOneNil) {
    auto analyzer = Analyzer();
    const PcbHandle u1 = Part("U1", "SOIC8", {"A", "VCC", "", "B", "A", "", "GND"});
    const THandleList nets = analyzer->SignalNets(u1);
    EXPECT_EQ(nets.Data(), (std::vector<PcbHandle>{NetHandle("A"), nullptr, NetHandle("B")}));

    // The shorter list decides: 3 of U2's 4 signal nets are U3's, whichever is asked first.
    const PcbHandle u2 = Part("U2", "SOIC8", {"A", "B", "C", "D", "VCC"});
    const PcbHandle u3 = Part("U3", "SOIC8", {"A", "B", "C", "X", "Y"});
    EXPECT_EQ(analyzer->SignalNetOverlap(u2, u3), 75);
    EXPECT_EQ(analyzer->SignalNetOverlap(u3, u2), 75);
    // Equal lengths take the first one's list: 1 of 3 is 33 (truncated).
    const PcbHandle u4 = Part("U4", "SOIC8", {"A", "P", "Q"});
    const PcbHandle u5 = Part("U5", "SOIC8", {"A", "R", "S"});
    EXPECT_EQ(analyzer->SignalNetOverlap(u4, u5), 33);
    // Power pins only: no signal nets, no overlap.
    EXPECT_EQ(analyzer->SignalNetOverlap(Part("U6", "SOIC8", {"VCC", "GND"}), u2), 0);
}


TEST_F(PreClustering, RotationRulesWithoutACommonAngleSeparateComponents) {
    hostpcb::BoardBuilder build(*board);
    const PcbHandle u1 = IC("U1", Signals(4));
    const PcbHandle u2 = IC("U2", Signals(4));
    const PcbHandle u3 = IC("U3", Signals(4));
    const PcbHandle u4 = IC("U4", Signals(4));
    build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent("U1")});
    build.Rotations(PCB_ROTATION_90, {hostpcb::ScopeComponent("U2")});
    build.Rotations(PCB_ROTATION_180 | PCB_ROTATION_270, {hostpcb::ScopeComponent("U4")});
    auto analyzer = Analyzer();
    EXPECT_TRUE(analyzer->NoCommonRotation(u2, THandleList{u1}));
    EXPECT_FALSE(analyzer->NoCommonRotation(u3, THandleList{u1}));  // no rule: any angle
    EXPECT_FALSE(analyzer->NoCommonRotation(u4, THandleList{u1}));  // 180 is common
    EXPECT_TRUE(analyzer->NoCommonRotation(u4, THandleList{u1, u2}));

    // Identical ICs that cannot share an angle form two groups.
    Run({u1, u2});
    EXPECT_EQ(lists.SameFootprintClusters->Count(), 0);
    EXPECT_EQ(Remaining(), (std::vector<PcbHandle>{u1, u2}));
}

// ---------------------------------------------------------------------------
// Confinement clusters

TEST_F(PreClustering, KeepInsideRuleMakesAClusterInItsRoom) {
    hostpcb::BoardBuilder build(*board);
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    const PcbHandle r2 = Part("R2", "0603", {"A", "B"});
    const PcbHandle r3 = Part("R3", "0603", {"A", "B"});
    build.ComponentClass("Power", {"r2", "R1", "R9"});
    build.Room({1000000, 2000000, 5000000, 9000000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("Power")});
    build.Room({0, 0, 100, 100}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponent("R3")});
    Run({r3, r2, r1});

    ASSERT_EQ(lists.ConfinementClusters->Count(), 2);
    const TCluster& power = *lists.ConfinementClusters->Items(0);
    // Class members in the class's order; the room as Left, Top, Right, Bottom.
    EXPECT_EQ(GroupHandles(power), (std::vector<PcbHandle>{r2, r1}));
    EXPECT_EQ(power.Rect, Rect(1000000, 9000000, 5000000, 2000000));
    EXPECT_EQ(GroupHandles(*lists.ConfinementClusters->Items(1)), std::vector<PcbHandle>{r3});
    EXPECT_TRUE(Remaining().empty());
    EXPECT_EQ(progress.Phases.front(), (Phase{"Forming clusters from confinement rules ...", 2, 2, true}));
}

TEST_F(PreClustering, RulesThatDoNotBindComponentsToOneRoomMakeNoCluster) {
    hostpcb::BoardBuilder build(*board);
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    const PcbHandle r2 = Part("R2", "0603", {"A", "B"});
    build.NetClass("Signals", {"A"});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_OUTSIDE, {hostpcb::ScopeComponent("R1")});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_INSIDE,
               {hostpcb::ScopeComponent("R1"), hostpcb::ScopeComponent("R2")});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeNetClass("Signals")});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("Missing")});
    Run({r1, r2});
    EXPECT_EQ(lists.ConfinementClusters->Count(), 0);
    EXPECT_EQ(Remaining(), (std::vector<PcbHandle>{r1, r2}));
    // Only the rule naming a (missing) component class qualified.
    EXPECT_EQ(progress.Phases.front(), (Phase{"Forming clusters from confinement rules ...", 1, 1, true}));
}

TEST_F(PreClustering, ClassOfFixedPartsMakesNoClusterButLeavesTheRemainingList) {
    hostpcb::BoardBuilder build(*board);
    const PcbHandle j1 = Part("J1", "HDR", {"A", "B", "C", "D"});
    const PcbHandle j2 = Part("J2", "HDR", {"A", "B", "C", "D"});
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    Lock(j1);
    Lock(j2);
    build.ComponentClass("Connectors", {"J1", "J2"});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("Connectors")});
    Run({j1, r1, j2});
    EXPECT_EQ(lists.ConfinementClusters->Count(), 0);
    EXPECT_EQ(Remaining(), std::vector<PcbHandle>{r1});
}

TEST_F(PreClustering, ComponentNamedByTwoRulesBelongsToTheFirst) {
    hostpcb::BoardBuilder build(*board);
    const PcbHandle r1 = Part("R1", "0603", {"A", "B"});
    const PcbHandle r2 = Part("R2", "0603", {"A", "B"});
    build.ComponentClass("First", {"R1"});
    build.ComponentClass("Second", {"R1", "R2"});
    build.Room({0, 0, 1000, 1000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("First")});
    build.Room({2000, 0, 3000, 1000}, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponentClass("Second")});
    Run({r1, r2});
    ASSERT_EQ(lists.ConfinementClusters->Count(), 2);
    EXPECT_EQ(GroupHandles(*lists.ConfinementClusters->Items(0)), std::vector<PcbHandle>{r1});
    EXPECT_EQ(GroupHandles(*lists.ConfinementClusters->Items(1)), std::vector<PcbHandle>{r2});
}

// ---------------------------------------------------------------------------
// Capacitor and many-pin groups, IC-capacitor and same-footprint clusters

TEST_F(PreClustering, CapacitorsGroupByFootprintValueAndPowerPair) {
    const PcbHandle c1 = Cap("C1");
    const PcbHandle c2 = Cap("C2", "VCC", "GND");
    const PcbHandle c3 = Cap("C3", "V33", "GND");  // neither pair contains the other
    const PcbHandle c4 = Cap("C4", "VCC", "GND", "1u");
    const PcbHandle c5 = Part("C5", "0603", {"VCC", "GND"}, "100n");
    const PcbHandle c6 = Cap("c6", "GND", "VCC");  // same pair, either order
    const PcbHandle r1 = Part("R1", "0402", {"VCC", "GND"}, "100n");  // not a capacitor
    const PcbHandle c7 = Cap("C7", "VCC", "SIG");  // not decoupling
    powerNets.Add(NetHandle("V33"));
    auto analyzer = Analyzer();
    for (PcbHandle component : {c1, c2, c3, c4, c5, c6, r1, c7}) {
        remaining.Add(component);
    }
    analyzer->ReadComponents();
    ASSERT_EQ(analyzer->CapacitorGroups.Count(), 4);
    EXPECT_EQ(analyzer->CapacitorGroups[0]->Data(), (std::vector<PcbHandle>{c1, c2, c6}));
    EXPECT_EQ(analyzer->CapacitorGroups[1]->Data(), std::vector<PcbHandle>{c3});
    EXPECT_EQ(analyzer->CapacitorGroups[2]->Data(), std::vector<PcbHandle>{c4});
    EXPECT_EQ(analyzer->CapacitorGroups[3]->Data(), std::vector<PcbHandle>{c5});
    EXPECT_EQ(analyzer->MultiPinGroups.Count(), 0);
    // Reading changes nothing in the remaining list.
    EXPECT_EQ(remaining.Count(), 8);
}

TEST_F(PreClustering, FourICsTakeFourOfSixCapacitorsInAlternatingOrder) {
    // Signal nets 90 % shared with U1 (9 of 10), threshold 85.
    std::vector<PcbHandle> ics{IC("U1", Signals(10))};
    for (const char* name : {"U2", "U3", "U4"}) {
        ics.push_back(IC(name, Signals(10, 1, name)));
    }
    std::vector<PcbHandle> caps;
    for (int i = 1; i <= 6; ++i) {
        caps.push_back(Cap("C" + std::to_string(i)));
    }
    const PcbHandle locked = IC("U5", Signals(10));
    Lock(locked);
    Run({caps[0], ics[0], caps[1], caps[2], ics[1], ics[2], caps[3], caps[4], locked, ics[3], caps[5]});

    ASSERT_EQ(lists.ICCapClusters->Count(), 1);
    const std::vector<PcbHandle> expected{caps[0], ics[0], caps[1], ics[1], caps[2], ics[2], caps[3], ics[3]};
    EXPECT_EQ(GroupHandles(*lists.ICCapClusters->Items(0)), expected);
    EXPECT_EQ(lists.SameFootprintClusters->Count(), 0);
    // The spare capacitors and the locked IC go on to the pair tree.
    EXPECT_EQ(Remaining(), (std::vector<PcbHandle>{caps[4], locked, caps[5]}));
}


TEST_F(PreClustering, OverlapMustExceedTheThreshold) {
    // Twenty signal nets each: U2 shares 18 (90 %) with U1, U3 shares 17 (exactly 85 %).
    const PcbHandle u1 = IC("U1", Signals(20));
    const PcbHandle u2 = IC("U2", Signals(20, 2, "U2"));
    const PcbHandle u3 = IC("U3", Signals(20, 3, "U3"));
    Run({u1, u2, u3});
    ASSERT_EQ(lists.SameFootprintClusters->Count(), 1);
    EXPECT_EQ(GroupHandles(*lists.SameFootprintClusters->Items(0)), (std::vector<PcbHandle>{u1, u2}));
    // U3 is a group of one: no cluster of its own, it stays for the pair tree.
    EXPECT_EQ(Remaining(), std::vector<PcbHandle>{u3});
    EXPECT_EQ(lists.ICCapClusters->Count(), 0);
}


TEST_F(PreClustering, LargestGroupsArePairedFirst) {
    // Two U-type ICs need two capacitors; one V-type IC needs one. With only two
    // capacitors the larger IC group wins them.
    const PcbHandle v1 = IC("V1", Signals(4), "SOT23-5");
    const PcbHandle u1 = IC("U1", Signals(6));
    const PcbHandle u2 = IC("U2", Signals(6));
    const PcbHandle c1 = Cap("C1");
    const PcbHandle c2 = Cap("C2");
    Run({v1, u1, u2, c1, c2});
    ASSERT_EQ(lists.ICCapClusters->Count(), 1);
    EXPECT_EQ(GroupHandles(*lists.ICCapClusters->Items(0)), (std::vector<PcbHandle>{c1, u1, c2, u2}));
    EXPECT_EQ(Remaining(), std::vector<PcbHandle>{v1});
}

TEST_F(PreClustering, StopAtTheStartLeavesEverythingAndTheCapacitorPhaseOpen) {
    const PcbHandle u1 = IC("U1", Signals(6));
    const PcbHandle c1 = Cap("C1");
    plantest::ConfirmStop();
    Run({u1, c1});
    EXPECT_EQ(Remaining(), (std::vector<PcbHandle>{u1, c1}));
    const std::vector<Phase> expected{{"Forming clusters from confinement rules ...", 0, 0, true},
                                      {"Reading in components for pre-clustering ...", 2, 0, true},
                                      {"Forming special clusters ...", 0, 0, false},
                                      {"Forming special clusters ...", 0, 0, true}};
    EXPECT_EQ(progress.Phases, expected);
}

}  // namespace
}  // namespace autoplacer
