// Clusters on real host geometry: membership and fixed parts, bounding
// rectangles, flips and quarter turns of the whole layout, removal, the board
// container and the outline hooks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/ClusterFixture.h"
#include "host/PcbRecords.h"
#include "model/Cluster.h"
#include "model/PadAnalyzer.h"
#include "model/PlacedComponent.h"

namespace autoplacer::test {
namespace {

const hostpcb::Coord kMil = hostpcb::MilsToUnits(1);

class ClusterOps : public ClusterTest {
protected:
    // Four blocks of even sizes at even places, so that every centre is exact.
    void BuildBlocks() {
        Block("A", At(1000, 1000), 40 * kMil, 20 * kMil);
        Block("B", At(1200, 1300), 60 * kMil, 100 * kMil);
        Block("C", At(1500, 900), 20 * kMil, 80 * kMil);
        Block("F", At(1100, 1500), 30 * kMil, 30 * kMil).moveable = false;
        for (const char* d : {"A", "B", "C", "F"}) {
            cluster.AddComponent(Handle(d));
        }
    }

    struct Placement {
        TRect extent;
        double angle;
    };
    std::vector<Placement> Snapshot(std::initializer_list<const char*> parts) {
        std::vector<Placement> out;
        for (const char* d : parts) {
            out.push_back({Extent(d), Angle(d)});
        }
        return out;
    }

    TCluster cluster;
};

// The outline of an interactive edit, drawn with real host tracks.
class TTrackOutline : public TClusterOutline {
public:
    TTrackOutline(hostpcb::Board& board, bool* destroyed) : Destroyed(destroyed) {
        for (int i = 0; i < 4; ++i) {
            Tracks.push_back(&board.AddTrack(nullptr, {0, 0}, {1000, 0}, 1000, PCB_TOP_LAYER));
        }
    }
    ~TTrackOutline() override { *Destroyed = true; }
    void SetRect(const TRect& rect) override { LastRect = rect; }
    void ForEachTrack(const THandleProc& proc) override {
        for (hostpcb::Track* track : Tracks) {
            proc(track->Handle());
        }
    }
    bool InBoard() const override { return IsInBoard; }
    void RemoveFromBoard() override { IsInBoard = false; }

    std::vector<hostpcb::Track*> Tracks;
    TRect LastRect;
    bool IsInBoard = true;
    bool* Destroyed;
};

TEST_F(ClusterOps, AddComponentKeepsOneMemberAndSortsFixedPartsOut) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(200, 100));
    build.Chip("H1", "0603", At(300, 100));
    build.Chip("K1", "0603", At(400, 100));
    Part("H1").moveable = false;
    // A moveable part that carries a keep-out primitive counts as fixed as well.
    board->AddTrack(&Part("K1"), At(400, 100), At(450, 100), 1000, PCB_KEEP_OUT_LAYER);

    EXPECT_FALSE(IsFixedComponent(Handle("R1")));
    EXPECT_TRUE(IsFixedComponent(Handle("H1")));
    EXPECT_TRUE(IsFixedComponent(Handle("K1")));
    EXPECT_FALSE(IsFixedComponent(nullptr));

    cluster.AddComponent(Handle("H1"));
    cluster.AddComponent(Handle("R1"));
    cluster.AddComponent(Handle("R1"));
    cluster.AddComponent(Handle("K1"));
    cluster.AddComponent(Handle("H1"));
    cluster.AddComponent(nullptr);
    cluster.AddComponent(Handle("R2"));

    EXPECT_EQ(cluster.ComponentCount(), 4);
    ASSERT_EQ(cluster.Count(), 2);
    ASSERT_EQ(cluster.FixedGroups.Count(), 2);
    EXPECT_EQ(FirstHandle(*cluster.FixedGroups[0]), Handle("H1"));
    EXPECT_EQ(FirstHandle(*cluster.FixedGroups[1]), Handle("K1"));
    // Movable members first, then fixed ones, each in the order they came.
    const TFastListOf<PcbHandle> handles = cluster.ComponentHandles();
    EXPECT_EQ(handles.Data(), (std::vector<PcbHandle>{Handle("R1"), Handle("R2"), Handle("H1"), Handle("K1")}));
    EXPECT_TRUE(cluster.Contains(Handle("K1")));
    build.Chip("X1", "0603", At(500, 100));
    EXPECT_TRUE(NotContains(&cluster, Handle("X1")));
    EXPECT_FALSE(NotContains(&cluster, Handle("R2")));
}

TEST_F(ClusterOps, BoundingRectFlagsDecideOnlyWhetherTheResultIsEmpty) {
    Block("F", At(2000, 2000), 30 * kMil, 30 * kMil).moveable = false;
    Block("A", At(1000, 1000), 40 * kMil, 20 * kMil);
    EXPECT_EQ(cluster.GetBoundingRect(kMovableGroups | kFixedGroups), Rect(0, 0, 0, 0));

    cluster.AddComponent(Handle("F"));
    EXPECT_EQ(cluster.GetBoundingRect(kMovableGroups), Rect(0, 0, 0, 0));
    EXPECT_EQ(cluster.GetBoundingRect(kFixedGroups), Extent("F"));

    cluster.AddComponent(Handle("A"));
    const TRect both = Union(Extent("A"), Extent("F"));
    EXPECT_EQ(cluster.GetBoundingRect(kMovableGroups), both);
    EXPECT_EQ(cluster.GetBoundingRect(kFixedGroups), both);

    // With texts the designators count too.
    hostpcb::Text* name = Part("A").NameText();
    ASSERT_NE(name, nullptr);
    name->SetPosition(At(900, 800));
    const hostpcb::Box text = name->Bounds();
    const TRect withTexts = cluster.GetBoundingRect(kMovableGroups | kIncludeTexts);
    EXPECT_TRUE(RectContainsRect(withTexts, both));
    EXPECT_TRUE(RectContainsRect(withTexts, Rect(text.x1, text.y2, text.x2, text.y1)));
    EXPECT_EQ(cluster.GetBoundingRect(kMovableGroups), both);
}

TEST_F(ClusterOps, FlipMirrorsEveryPartAboutTheClusterCentreAndTwiceRestoresIt) {
    BuildBlocks();
    Part("B").SetRotation(90);
    // A group of two, whose members must also swap sides within the group.
    auto* pair = new TRectangularComponentGroup;
    pair->AddComponent(Block("D", At(800, 800), 20 * kMil, 20 * kMil).Handle());
    pair->AddComponent(Block("E", At(700, 850), 40 * kMil, 20 * kMil).Handle());
    cluster.Add(pair);
    const TRect box = cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    ASSERT_EQ(RectWidth(box) % 2, 0);
    ASSERT_EQ(RectHeight(box) % 2, 0);
    const auto before = Snapshot({"A", "B", "C", "F", "D", "E"});
    const std::vector<const char*> names = {"A", "B", "C", "F", "D", "E"};

    cluster.FlipHorizontal();
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const TRect e = before[i].extent;
        EXPECT_EQ(Extent(names[i]), Rect(box.Left + box.Right - e.Right, e.Top, box.Left + box.Right - e.Left, e.Bottom));
        EXPECT_EQ(Angle(names[i]), before[i].angle);
    }
    cluster.FlipHorizontal();
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(Extent(names[i]), before[i].extent) << names[i];
    }

    cluster.FlipVertical();
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const TRect e = before[i].extent;
        EXPECT_EQ(Extent(names[i]), Rect(e.Left, box.Top + box.Bottom - e.Bottom, e.Right, box.Top + box.Bottom - e.Top));
    }
    cluster.FlipVertical();
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(Extent(names[i]), before[i].extent) << names[i];
        EXPECT_EQ(Angle(names[i]), before[i].angle) << names[i];
    }
}

TEST_F(ClusterOps, RotateGroupsTurnsTheLayoutAboutItsCentreAndBack) {
    BuildBlocks();
    const TRect box = cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    ASSERT_EQ(RectWidth(box) % 2, 0);
    ASSERT_EQ(RectHeight(box) % 2, 0);
    const auto before = Snapshot({"A", "B", "C", "F"});

    cluster.RotateGroups90(true);
    const TRect turned = cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    EXPECT_EQ(RectCentreX(turned), RectCentreX(box));
    EXPECT_EQ(RectCentreY(turned), RectCentreY(box));
    EXPECT_EQ(RectWidth(turned), RectHeight(box));
    EXPECT_EQ(RectHeight(turned), RectWidth(box));
    EXPECT_DOUBLE_EQ(Angle("A"), 90.0);
    EXPECT_DOUBLE_EQ(Angle("F"), 90.0);
    // F, the topmost part, now stands at the right edge; C, the lowest, at the left.
    EXPECT_EQ(Extent("F").Right, turned.Right);
    EXPECT_EQ(Extent("C").Left, turned.Left);

    cluster.RotateGroups270(true);
    const std::vector<const char*> names = {"A", "B", "C", "F"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(Extent(names[i]), before[i].extent) << names[i];
        EXPECT_DOUBLE_EQ(Angle(names[i]), before[i].angle) << names[i];
    }

    // Without the fixed groups F stays put (the turn is still about the whole cluster).
    cluster.RotateGroups270(false);
    EXPECT_EQ(Extent("F"), before[3].extent);
    EXPECT_DOUBLE_EQ(Angle("A"), 270.0);
}

TEST_F(ClusterOps, RotateGroupsOfAZeroWidthClusterDoesNothing) {
    // Parts whose only primitive is a vertical hairline on one x: the cluster has no width.
    for (const char* d : {"P", "Q"}) {
        const double y = d[0] == 'P' ? 1000 : 1400;
        hostpcb::Component& c = board->AddComponent(d, "PIN", At(1000, y));
        board->AddTrack(&c, At(1000, y), At(1000, y + 100), 0, PCB_TOP_OVERLAY);
        cluster.AddComponent(c.Handle());
    }
    ASSERT_EQ(RectWidth(cluster.GetBoundingRect(kMovableGroups)), 0);
    const auto before = Snapshot({"P", "Q"});
    cluster.RotateGroups90(true);
    cluster.RotateGroups270(true);
    EXPECT_EQ(Extent("P"), before[0].extent);
    EXPECT_EQ(Extent("Q"), before[1].extent);
    EXPECT_EQ(Angle("P"), 0.0);
    EXPECT_EQ(Angle("Q"), 0.0);
}

TEST_F(ClusterOps, RemoveComponentFreesEmptiedGroupsOfBothLists) {
    BuildBlocks();
    auto* pair = new TRectangularComponentGroup;
    hostpcb::Component& d = Block("D", At(800, 800), 20 * kMil, 20 * kMil);
    hostpcb::Component& e = Block("E", At(700, 800), 20 * kMil, 20 * kMil);
    pair->AddComponent(d.Handle());
    pair->AddComponent(e.Handle());
    cluster.Add(pair);
    const std::vector<TRectangularComponentGroup*> movable = cluster.Data();

    // The only member of the only fixed group.
    cluster.RemoveComponent(Handle("F"));
    EXPECT_TRUE(cluster.FixedGroups.Empty());
    EXPECT_EQ(cluster.Data(), movable);
    EXPECT_FALSE(cluster.Contains(Handle("F")));

    // One member of a two-member group: the group stays with the other.
    cluster.RemoveComponent(d.Handle());
    EXPECT_EQ(cluster.Count(), 4);
    ASSERT_EQ(pair->Count(), 1);
    EXPECT_EQ(FirstHandle(*pair), e.Handle());

    cluster.RemoveComponent(Handle("B"));
    EXPECT_EQ(cluster.Data(), (std::vector<TRectangularComponentGroup*>{movable[0], movable[2], movable[3]}));
    EXPECT_EQ(cluster.ComponentCount(), 3);
    cluster.RemoveComponent(nullptr);
    EXPECT_EQ(cluster.ComponentCount(), 3);
}

TEST_F(ClusterOps, BoardRemovalDependsOnTheStateAndTakesTheOutlineAlong) {
    BuildBlocks();
    hostpcb::Component& a = Part("A");
    hostpcb::Component& f = Part("F");
    bool destroyed = false;
    auto* outline = new TTrackOutline(*board, &destroyed);
    cluster.Outline.reset(outline);
    cluster.Rect = Rect(10, 40, 30, 20);

    // The outline is drawn after the members while it is in the board.
    std::vector<PcbHandle> visited;
    const THandleProc collect = [&](PcbHandle h) { visited.push_back(h); };
    cluster.ForEachHandle(collect);
    ASSERT_EQ(visited.size(), 8u);
    EXPECT_EQ(visited[0], a.Handle());
    EXPECT_EQ(visited[7], outline->Tracks[3]->Handle());
    EXPECT_EQ(outline->LastRect, cluster.Rect);

    // A new cluster counts as removed already: the members stay, the outline goes.
    cluster.RemoveFromBoard(board->Handle(), true);
    EXPECT_TRUE(a.InBoard());
    EXPECT_FALSE(outline->IsInBoard);
    visited.clear();
    cluster.ForEachHandle(collect);
    EXPECT_EQ(visited, cluster.ComponentHandles().Data());

    cluster.RemovedFromBoard = false;
    cluster.RemoveFromBoard(board->Handle(), false);
    EXPECT_TRUE(cluster.RemovedFromBoard);
    EXPECT_FALSE(a.InBoard());
    EXPECT_TRUE(f.InBoard());
    cluster.ReinsertIntoBoard(board->Handle(), false);
    EXPECT_FALSE(cluster.RemovedFromBoard);
    EXPECT_TRUE(a.InBoard());

    cluster.Outline.reset();
    EXPECT_TRUE(destroyed);
    visited.clear();
    cluster.DrawOutline(collect);
    EXPECT_TRUE(visited.empty());
}

TEST_F(ClusterOps, MemberMeasuresHonourTheirFlagsAndEmptyClusters) {
    EXPECT_EQ(cluster.MinComponentSide(), 0);
    EXPECT_EQ(cluster.LargestComponent(kMovableGroups | kFixedGroups), nullptr);
    EXPECT_EQ(cluster.MaxPadPattern(), 0);

    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    build.Soic("U1", 16, At(600, 600));
    Part("U1").moveable = false;
    for (const char* d : {"R1", "R2", "U1"}) {
        cluster.AddComponent(Handle(d));
    }
    // Equal areas: the first wins. The fixed SOIC counts only when asked for.
    EXPECT_EQ(cluster.LargestComponent(kMovableGroups), Handle("R1"));
    EXPECT_EQ(cluster.LargestComponent(kFixedGroups), Handle("U1"));
    EXPECT_EQ(cluster.LargestComponent(kMovableGroups | kFixedGroups), Handle("U1"));
    EXPECT_EQ(cluster.MinComponentSide(), RectHeight(Extent("R1")));
    // Pad patterns look at movable parts only.
    ASSERT_GT(AnalyzePadPattern(Handle("U1")), 0);
    EXPECT_EQ(cluster.MaxPadPattern(), 0);
}

TEST_F(ClusterOps, NetsOfComponentsListsEachNetOnceAndNoNetOnce) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Chip("R2", "0603", At(300, 100));
    build.Chip("R3", "0603", At(500, 100));
    build.Chip("H1", "0603", At(700, 100));
    Part("H1").moveable = false;
    build.Connect("N1", {"R1.1", "R2.1"});
    build.Connect("N2", {"R1.2", "R3.2"});
    build.Connect("N3", {"H1.1"});
    build.Connect("N4", {"R3.1"});
    for (const char* d : {"H1", "R1", "R2", "R3"}) {
        cluster.AddComponent(Handle(d));
    }
    const TFastListOf<PcbHandle> nets = cluster.NetsOfComponents();
    // R1: N1 N2; R2: N1, none; R3: N4, N2; then the fixed H1: N3, none again.
    EXPECT_EQ(nets.Data(), (std::vector<PcbHandle>{board->FindNet("N1")->Handle(), board->FindNet("N2")->Handle(),
                                                   nullptr, board->FindNet("N4")->Handle(),
                                                   board->FindNet("N3")->Handle()}));
}

}  // namespace
}  // namespace autoplacer::test
