// The cluster editor driven through the host stand-in's event loop: following the
// cursor, auto-select grabbing similar parts and stacking or lining them up, "K",
// the drag image, reshaping, expanding, conflicts, and how an edit ends (one
// modification on accept, everything back on cancel).
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "EditingFixture.h"
#include "editing/ClusterEditor.h"
#include "hostpcb/PcbServer.h"
#include "model/Cluster.h"
#include "model/PlacementContext.h"

namespace autoplacer::test {
namespace {

using Step = hostpcb::ScriptedInteraction::Step;

Step Move(double xMils, double yMils) { return {Step::Type::Move, 0, {Mil(xMils), Mil(yMils)}}; }
Step Fire(int32_t operation) { return {Step::Type::Fire, operation, {}}; }
Step Key(char key) { return {Step::Type::Key, key, {}}; }

class ClusterEditorTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        hostpcb::Host::Instance().SetInteraction(&script);
        context.Board = board->Handle();
    }
    void TearDown() override {
        hostpcb::Host::Instance().SetInteraction(nullptr);
        EditingTest::TearDown();
    }

    // Parts by designator, found also while an edit holds them out of the board.
    hostpcb::Component& Block(const std::string& designator, double xMils, double yMils, double wMils, double hMils,
                              hostpcb::LayerNumber side = PCB_TOP_LAYER) {
        hostpcb::Component& c = EditingTest::Block(designator, xMils, yMils, wMils, hMils, side);
        made[designator] = &c;
        return c;
    }
    hostpcb::Component& Part(const std::string& designator) { return *made.at(designator); }
    PcbHandle Handle(const std::string& designator) { return Part(designator).Handle(); }
    hostpcb::Box Box(const std::string& designator) { return Part(designator).Bounds(); }
    hostpcb::Point Position(const std::string& designator) { return Part(designator).Position(); }
    double CentreX(const std::string& d) { return (double(Box(d).x1) + Box(d).x2) / 2 / 1e4; }
    double CentreY(const std::string& d) { return (double(Box(d).y1) + Box(d).y2) / 2 / 1e4; }

    std::unique_ptr<TCluster> ClusterOf(std::initializer_list<const char*> designators) {
        auto cluster = std::make_unique<TCluster>();
        for (const char* designator : designators) {
            cluster->AddComponent(Handle(designator));
        }
        return cluster;
    }
    void CursorAt(double xMils, double yMils) { board->cursor = {Mil(xMils), Mil(yMils)}; }
    // Runs one edit of the cluster as the shove driver does; the script ends it.
    void Edit(TCluster& cluster, uint8_t mode) {
        TClusterEditor editor(context, mode, options, cluster);
        editor.Run();
    }
    hostpcb::BoardMessageLog& Log() {
        return *static_cast<hostpcb::BoardMessageLog*>(
            hostpcb::Host::Instance().Server().GetBoardInterface(board->Handle()));
    }
    std::set<PcbHandle> ModifiedComponents() {
        std::set<PcbHandle> announced;
        for (const hostpcb::BoardMessage& m : Log().All()) {
            if (m.code == hostpcb::kMessageObjectAboutToChange) {
                announced.insert(m.object);
            }
        }
        return announced;
    }
    int32_t Brackets() {
        return int32_t(std::count_if(Log().All().begin(), Log().All().end(), [](const hostpcb::BoardMessage& m) {
            return m.code == hostpcb::kMessageBeginModify;
        }));
    }

    std::map<std::string, hostpcb::Component*> made;
    hostpcb::ScriptedInteraction script;
    TPlacementContext context;
    TPlacerOptions options;  // the group and row placers' options; no keep-out needed here
};


TEST_F(ClusterEditorTest, AutoSelectGrabsThreeSimilarPartsAndStacksAColumnAndAcceptIsOneModification) {
    Block("SEED", 1000, 1000, 60, 30);
    Block("G1", 2000, 1960, 60, 30);
    Block("G2", 2000, 2000, 60, 30);
    Block("G3", 2000, 2040, 60, 30);
    Block("BIG", 2000, 2100, 200, 30);  // under the square too, but not similar
    Block("FAR", 5000, 5000, 60, 30);
    const hostpcb::Point bigAt = Position("BIG");
    const hostpcb::Point farAt = Position("FAR");
    auto cluster = ClusterOf({"SEED"});
    CursorAt(1000, 1000);
    script.steps = {Move(2000, 2000), Fire(11)};
    Log().Clear();
    Edit(*cluster, kEditAutoSelect);

    ASSERT_EQ(cluster->ComponentCount(), 4);
    EXPECT_EQ(cluster->Count(), 4) << "one group per grabbed part";
    EXPECT_TRUE(cluster->Contains(Handle("G1")) && cluster->Contains(Handle("G2")) && cluster->Contains(Handle("G3")));
    // A column: one centre line, the parts one above the other without overlapping.
    std::vector<hostpcb::Box> boxes;
    for (const char* d : {"SEED", "G1", "G2", "G3"}) {
        boxes.push_back(Box(d));
        EXPECT_NEAR(CentreX(d), CentreX("SEED"), 0.01) << d;
        EXPECT_TRUE(Part(d).InBoard()) << d << " is back in the board after the edit";
    }
    std::sort(boxes.begin(), boxes.end(), [](const auto& a, const auto& b) { return a.y1 < b.y1; });
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        EXPECT_GE(boxes[i].y1, boxes[i - 1].y2) << "stacked without overlap";
    }
    const hostpcb::Box column{boxes.front().x1, boxes.front().y1, boxes.back().x2, boxes.back().y2};
    EXPECT_EQ(column.x2 - column.x1, Mil(60)) << "the parts lie, one above the other";
    EXPECT_GE(column.y2 - column.y1, Mil(4 * 30));
    EXPECT_NEAR((double(column.x1) + column.x2) / 2 / 1e4, 2000, 0.01) << "centred on the cursor";
    EXPECT_NEAR((double(column.y1) + column.y2) / 2 / 1e4, 2000, 0.01);
    EXPECT_EQ(Position("BIG"), bigAt);
    EXPECT_EQ(Position("FAR"), farAt);

    // Accepting: one bracket announcing exactly the four parts that moved.
    EXPECT_EQ(Brackets(), 1);
    EXPECT_EQ(ModifiedComponents(), (std::set<PcbHandle>{Handle("SEED"), Handle("G1"), Handle("G2"), Handle("G3")}));
    EXPECT_EQ(Log().Depth(), 0);
    ASSERT_TRUE(Log().Undo()) << "the host can undo the edit as one step";
    EXPECT_NEAR(CentreX("SEED"), 1000, 0.01);
    EXPECT_NEAR(CentreY("G3"), 2040, 0.01);
}

TEST_F(ClusterEditorTest, AutoSelectLinesUpARowWhenTheClusterIsAtLeastAsWideAsHigh) {
    Block("A", 1000, 1000, 40, 40);
    Block("B", 1060, 1000, 40, 40);
    Block("C", 3000, 3000, 40, 40);
    auto cluster = ClusterOf({"A", "B"});
    CursorAt(1030, 1000);
    script.steps = {Move(3000, 2990), Fire(11)};
    Edit(*cluster, kEditAutoSelect);
    ASSERT_EQ(cluster->ComponentCount(), 3);
    EXPECT_NEAR(CentreY("A"), CentreY("B"), 0.01);
    EXPECT_NEAR(CentreY("A"), CentreY("C"), 0.01);
    EXPECT_NEAR(CentreY("A"), 2990, 0.01) << "the row is centred on the cursor";
    std::vector<double> xs = {CentreX("A"), CentreX("B"), CentreX("C")};
    std::sort(xs.begin(), xs.end());
    EXPECT_GE(xs[1] - xs[0], 40);
    EXPECT_GE(xs[2] - xs[1], 40);
}

TEST_F(ClusterEditorTest, KeyKDropsTheLastGrabBackAndDoesNothingWithOneGroupLeft) {
    Block("SEED", 1000, 1000, 60, 30);
    hostpcb::Component& g1 = Block("G1", 2000, 1980, 60, 30);
    hostpcb::Component& g2 = Block("G2", 2000, 2020, 60, 30);
    const std::map<PcbHandle, hostpcb::Point> start = {{g1.Handle(), g1.Position()}, {g2.Handle(), g2.Position()}};
    auto cluster = ClusterOf({"SEED"});
    CursorAt(1000, 1000);
    int32_t grabbed = 0, afterK = 0, afterSecondK = 0, afterThirdK = 0;
    PcbHandle last = nullptr;
    bool lastBack = false;
    const auto lastGrab = [&] { return FirstHandle(*(*cluster)[cluster->Count() - 1]); };
    script.steps = {Move(2000, 2000), Step::Run([&] {
                        grabbed = cluster->ComponentCount();
                        last = lastGrab();
                    }),
                    Move(4000, 4000), Key('K'), Step::Run([&] {
                        afterK = cluster->ComponentCount();
                        const auto* part = hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(last);
                        lastBack = !cluster->Contains(last) && part->InBoard() && part->Position() == start.at(last);
                    }),
                    Key('k'), Step::Run([&] { afterSecondK = cluster->ComponentCount(); }), Key('K'),
                    Step::Run([&] { afterThirdK = cluster->ComponentCount(); }), Fire(11)};
    Edit(*cluster, kEditAutoSelect);
    EXPECT_EQ(grabbed, 3);
    EXPECT_EQ(afterK, 2);
    EXPECT_TRUE(lastBack) << "the most recent grab is back where it was";
    EXPECT_EQ(afterSecondK, 1);
    EXPECT_EQ(afterThirdK, 1) << "the picked part itself stays";
    EXPECT_EQ(g1.Position(), start.at(g1.Handle()));
    EXPECT_EQ(g2.Position(), start.at(g2.Handle()));
    EXPECT_NEAR(CentreX("SEED"), 4000, 0.01);
    EXPECT_TRUE(cluster->Contains(Handle("SEED")));
}

TEST_F(ClusterEditorTest, CancelPutsEveryComponentBackGrabbedOnesIncludedAndAnalysesEveryNet) {
    Block("SEED", 1000, 1000, 60, 30);
    Block("G1", 2000, 2000, 60, 30);
    Block("X", 3000, 3000, 60, 30);
    hostpcb::Net& inside = board->AddNet("INSIDE");
    hostpcb::Net& outside = board->AddNet("OUTSIDE");
    board->AddToNet(inside, *Part("SEED").FindPad("1"));
    board->AddToNet(outside, *Part("X").FindPad("1"));
    const hostpcb::Point seed = Position("SEED"), g1 = Position("G1");
    auto cluster = ClusterOf({"SEED"});
    CursorAt(1000, 1000);
    script.steps = {Move(2000, 2000), Fire(8), Move(2500, 2600), Fire(10)};
    Log().Clear();
    const int32_t insideBefore = inside.analyses, outsideBefore = outside.analyses;
    Edit(*cluster, kEditAutoSelect);
    EXPECT_EQ(cluster->ComponentCount(), 2);
    EXPECT_EQ(Position("SEED"), seed);
    EXPECT_EQ(Position("G1"), g1);
    EXPECT_TRUE(Part("SEED").InBoard());
    EXPECT_TRUE(Part("G1").InBoard());
    EXPECT_GT(inside.analyses, insideBefore);
    EXPECT_GT(outside.analyses, outsideBefore) << "every net, not only the cluster's";
    EXPECT_EQ(Brackets(), 0) << "a cancelled edit leaves no modification";
}

TEST_F(ClusterEditorTest, AutoAlignLinesNeighboursUpWithTheMovedPartUnlessControlIsHeld) {
    Block("S", 3000, 3000, 40, 40);
    Block("N1", 1000, 1000, 40, 40);
    Block("N2", 1100, 1000, 40, 40);
    auto cluster = ClusterOf({"S"});
    CursorAt(3000, 3000);
    script.steps = {{Step::Type::SetControl, 1, {}}, Move(1200, 1010), Step::Run([&] {
                        EXPECT_NEAR(CentreY("N1"), 1000, 0.01) << "Control held: no alignment";
                    }),
                    {Step::Type::SetControl, 0, {}}, Move(1200, 1012), Fire(11)};
    Log().Clear();
    Edit(*cluster, kEditAutoAlign);
    EXPECT_NEAR(CentreY("N1"), 1012, 0.01);
    EXPECT_NEAR(CentreY("N2"), 1012, 0.01);
    EXPECT_NEAR(CentreY("S"), 1012, 0.01);
    EXPECT_EQ(ModifiedComponents(), (std::set<PcbHandle>{Handle("S"), Handle("N1"), Handle("N2")}))
        << "the aligned neighbours belong to the one modification";
}

TEST_F(ClusterEditorTest, ElevenComponentsAreDrawnAsARectangleTenInverted) {
    for (int i = 0; i < 11; ++i) {
        Block("P" + std::to_string(i), 1000 + 100 * i, 1000, 40, 40);
    }
    const uint32_t topColour = board->layerInfo[PCB_TOP_LAYER].Colour;
    const auto drawOnce = [&](TCluster& cluster) {
        TClusterEditor editor(context, kEditPlain, options, cluster);
        editor.OnDrawFeedback();
        editor.OnCancel();
    };
    auto ten = ClusterOf({"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9"});
    const int64_t inverts0 = board->displayCounters.inverts;
    drawOnce(*ten);
    EXPECT_EQ(board->displayCounters.inverts - inverts0, 10);
    EXPECT_EQ(Part("P9").display.invertCount, 1);

    auto eleven = ClusterOf({"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10"});
    const int64_t inverts1 = board->displayCounters.inverts;
    drawOnce(*eleven);
    EXPECT_EQ(board->displayCounters.inverts - inverts1, 4) << "the four sides of the rectangle";
    EXPECT_EQ(Part("P0").display.invertCount, 1) << "no member inverted this time";
    EXPECT_EQ(board->layerInfo[PCB_TOP_LAYER].Colour, topColour) << "the top layer's colour is put back";

    script.performancePoor = true;
    const int64_t inverts2 = board->displayCounters.inverts;
    drawOnce(*ten);
    EXPECT_EQ(board->displayCounters.inverts - inverts2, 4) << "a slow host gets the rectangle";
}

TEST(ReshapeTarget, SquareWideAndTall) {
    // 40 x 10 mil about (20, 5) mil: a square of side (40 + 10) / 2 = 25 mil.
    const TRect b = Rect(0, 100000, 400000, 0);
    EXPECT_EQ(ReshapeTarget(TReshape::Square, b, 100000), Rect(200000 - 125000, 50000 + 125000, 325000, 50000 - 125000));
    // Only 10 mil high: not more than 3 M for M = 10 mil, so the wide target is b.
    EXPECT_EQ(ReshapeTarget(TReshape::Wide, b, 100000), b);
    EXPECT_EQ(ReshapeTarget(TReshape::Wide, b, 33333), Rect(-33333, 66667, 433333, 33333));
    EXPECT_EQ(ReshapeTarget(TReshape::Tall, b, 100000), Rect(100000, 200000, 300000, -100000));
    EXPECT_EQ(ReshapeTarget(TReshape::Tall, b, 140000), b);
}

TEST_F(ClusterEditorTest, SquareReshapePacksALongRowIntoAFitThatEndsAtTheCursor) {
    std::vector<hostpcb::Component*> parts;
    for (int i = 0; i < 6; ++i) {
        parts.push_back(&Block("R" + std::to_string(i), 1000 + 60 * i, 1000, 40, 20));
    }
    auto cluster = ClusterOf({"R0", "R1", "R2", "R3", "R4", "R5"});
    CursorAt(1150, 1000);
    TClusterEditor editor(context, kEditPlain, options, *cluster);
    const TRect before = cluster->GetBoundingRect(kMovableGroups);
    editor.Reshape(true, TReshape::Square);
    const TRect after = cluster->GetBoundingRect(kMovableGroups);
    EXPECT_LT(RectWidth(after), RectWidth(before));
    EXPECT_GT(RectHeight(after), RectHeight(before));
    EXPECT_NEAR(RectCentreX(after), Mil(1150), 1);
    EXPECT_NEAR(RectCentreY(after), Mil(1000), 1);
    EXPECT_FALSE(parts[0]->InBoard()) << "the members are lifted again after the reshape";
    editor.OnCancel();
}

TEST_F(ClusterEditorTest, ExpandMovesColumnIByITimesTheStepAndContractUndoesIt) {
    // Three columns of 30 mil wide parts: M = 300000 units, step = 7500 units.
    Block("A0", 1000, 1000, 30, 30);
    Block("A1", 1000, 1050, 30, 30);
    Block("B0", 1100, 1000, 30, 30);
    Block("C0", 1200, 1000, 30, 30);
    Block("C1", 1200, 1050, 30, 30);
    auto cluster = ClusterOf({"A0", "A1", "B0", "C0", "C1"});
    const hostpcb::Point a0 = Position("A0"), b0 = Position("B0"), c0 = Position("C0"), c1 = Position("C1");
    CursorAt(1100, 1025);
    TClusterEditor editor(context, kEditPlain, options, *cluster);
    editor.ExpandHorizontal();
    EXPECT_EQ(Position("A0"), a0);
    EXPECT_EQ(Position("B0").x - b0.x, 7500);
    EXPECT_EQ(Position("C0").x - c0.x, 2 * 7500);
    EXPECT_EQ(Position("C1").x - c1.x, 2 * 7500);
    EXPECT_EQ(Position("C1").y, c1.y);
    editor.ContractHorizontal();
    EXPECT_EQ(Position("C0"), c0);
    EXPECT_EQ(Position("B0"), b0);
    editor.ExpandVertical();
    EXPECT_EQ(Position("A1").y - a0.y, Mil(50) + 7500) << "row 1 moves up one step";
    editor.OnCancel();
}

TEST_F(ClusterEditorTest, ReshapeEventsHonourShiftAndControl) {
    Block("A0", 1000, 1000, 30, 30);
    Block("B0", 1100, 1000, 30, 30);
    Block("C0", 1200, 1000, 30, 30);
    auto cluster = ClusterOf({"A0", "B0", "C0"});
    CursorAt(1100, 1000);
    const hostpcb::Point c0 = Position("C0");
    TClusterEditor editor(context, kEditPlain, options, *cluster);
    script.shift = true;
    editor.CallEvent(2);
    EXPECT_EQ(Position("C0").x - c0.x, 15000) << "Shift: expand";
    script.shift = false;
    script.control = true;
    editor.CallEvent(2);
    EXPECT_EQ(Position("C0"), c0) << "Control: contract";
    script.shift = true;
    editor.CallEvent(2);
    editor.CallEvent(3);
    EXPECT_EQ(Position("C0"), c0) << "both: nothing";
    editor.OnCancel();
}

TEST_F(ClusterEditorTest, ConflictsAreHighlightedOnlyWhileTheyLast) {
    Block("M", 1000, 1000, 40, 40);
    Block("S", 2000, 1000, 40, 40);
    Block("OTHER", 2000, 1000, 40, 40, PCB_BOTTOM_LAYER);
    hostpcb::Rule& rule = board->AddRule(PCB_RULE_COMPONENT_CLEARANCE, "ComponentClearance");
    rule.gap = Mil(10);
    rule.checkMode = 0;
    hostpcb::Host::Instance().systemMiscFlags[3] = 1;
    board->layerInfo[PCB_DRC_ERROR_LAYER].Shown = 1;
    board->layerInfo[PCB_DRC_ERROR_LAYER].Present = 1;
    auto cluster = ClusterOf({"M"});
    CursorAt(1000, 1000);
    std::vector<PcbHandle> near, away;
    int32_t highlighted = 0, shownAgain = 0;
    TClusterEditor* running = nullptr;
    script.steps = {Move(1955, 1000), Step::Run([&] {
                        near.assign(running->GetConflicts().begin(), running->GetConflicts().end());
                        highlighted = Part("S").FindPad("1")->display.screenDisplayCount;
                    }),
                    Move(1000, 1000), Step::Run([&] {
                        away.assign(running->GetConflicts().begin(), running->GetConflicts().end());
                        shownAgain = Part("S").display.showCount;
                    }),
                    Fire(10)};
    {
        TClusterEditor editor(context, kEditPlain, options, *cluster);
        running = &editor;
        editor.Run();
    }
    EXPECT_EQ(near, std::vector<PcbHandle>{Handle("S")}) << "5 mil apart under a 10 mil rule; the other side is no conflict in mode 0";
    EXPECT_GE(highlighted, 1);
    EXPECT_EQ(Part("S").FindPad("1")->display.lastScreenMode, 2);
    EXPECT_EQ(Part("S").FindPad("1")->display.lastScreenColour, 9);
    EXPECT_TRUE(away.empty());
    EXPECT_EQ(shownAgain, 1) << "drawn normally again once the conflict is gone";
}

}  // namespace
}  // namespace autoplacer::test
