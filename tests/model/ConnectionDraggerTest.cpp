// The connection dragger: which connection ends it attaches to which pads, the
// host tags it leaves, and how UpdateAll pulls the ends after parts move.
#include <gtest/gtest.h>

#include <set>

#include "model/Cluster.h"
#include "model/ConnectionDragger.h"
#include "engines/ConnectionFixture.h"

namespace autoplacer::test {
namespace {

using hostpcb::Point;

class ConnectionDraggerTest : public ConnectionTest {
protected:
    static std::set<PcbHandle> Kept(const TConnectionDragger& dragger) {
        std::set<PcbHandle> out;
        dragger.ForEachConnection([&](PcbHandle h) { EXPECT_TRUE(out.insert(h).second) << "visited twice"; });
        return out;
    }
    static int32_t EndCount(const TPadsOnComponent& pads) {
        int32_t n = 0;
        for (const TPadEntry* entry : pads) n += entry->Ends.Count();
        return n;
    }
};

TEST_F(ConnectionDraggerTest, ConnectionBetweenTwoPadsOfOnePartIsListedAtBoth) {
    hostpcb::Component& u1 = Part("U1", {{0, 0}, {300000, 0}});
    Part("R1", {{0, 500000}, {0, 700000}});
    Join("N", "U1", 1);
    Join("N", "U1", 2);
    board->AnalyzeNet(Net("N"));
    ASSERT_EQ(Connections().size(), 1u);
    const PcbHandle line = Connections().front();
    const TPcbFromTo record = Read(line);

    TConnectionDragger dragger(Board(), nullptr, nullptr, nullptr);

    ASSERT_EQ(dragger.Count(), 2);
    const TPadsOnComponent& pads = *dragger[0];
    EXPECT_EQ(pads.Component, u1.Handle());
    ASSERT_EQ(pads.Count(), 2);
    EXPECT_EQ(EndCount(*dragger[1]), 0);
    for (const TPadEntry* entry : pads) {
        ASSERT_EQ(entry->Ends.Count(), 1);
        const TConnectionEnd* end = entry->Ends[0];
        EXPECT_EQ(end->Connection->Handle, line);
        // The flag says which point of the line sits on this pad.
        const bool onFirst = entry->Pad->X == record.X1() && entry->Pad->Y == record.Y1();
        EXPECT_EQ(end->IsFirstEnd, onFirst);
    }
    EXPECT_NE(pads[0]->Ends[0]->IsFirstEnd, pads[1]->Ends[0]->IsFirstEnd);
    EXPECT_EQ(Kept(dragger), std::set<PcbHandle>{line});

    // Host tags: a part's position in the dragger, a pad's position in its list.
    EXPECT_EQ(GetObjectIndex(u1.Handle()), 0);
    EXPECT_EQ(GetObjectIndex(board->FindComponent("R1")->Handle()), 1);
    EXPECT_EQ(GetObjectIndex(u1.Pads()[0]->Handle()), 0);
    EXPECT_EQ(GetObjectIndex(u1.Pads()[1]->Handle()), 1);
}

TEST_F(ConnectionDraggerTest, ClusterKeepsOnlyConnectionsTouchingItsMembers) {
    hostpcb::Component& r1 = Part("R1", {{0, 0}, {100000, 0}});
    Part("R2", {{500000, 0}, {600000, 0}});
    Part("R3", {{500000, 500000}, {600000, 500000}});
    const PcbHandle r1r2 = Connection("A", 100000, 0, 500000, 0);
    const PcbHandle r2r3 = Connection("B", 600000, 0, 500000, 500000);
    const PcbHandle r3r1 = Connection("C", 600000, 500000, 0, 0);

    TCluster cluster;
    cluster.AddComponent(r1.Handle());
    TConnectionDragger dragger(Board(), nullptr, nullptr, &cluster);

    ASSERT_EQ(dragger.Count(), 1);
    EXPECT_EQ(dragger[0]->Component, r1.Handle());
    EXPECT_EQ(dragger.ConnectionCount(), 2);
    EXPECT_EQ(Kept(dragger), (std::set<PcbHandle>{r1r2, r3r1}));
    ASSERT_EQ(dragger[0]->Count(), 2);
    ASSERT_EQ((*dragger[0])[0]->Ends.Count(), 1);
    EXPECT_EQ((*dragger[0])[0]->Ends[0]->Connection->Handle, r3r1);
    EXPECT_FALSE((*dragger[0])[0]->Ends[0]->IsFirstEnd);
    ASSERT_EQ((*dragger[0])[1]->Ends.Count(), 1);
    EXPECT_EQ((*dragger[0])[1]->Ends[0]->Connection->Handle, r1r2);
    EXPECT_TRUE((*dragger[0])[1]->Ends[0]->IsFirstEnd);
    (void)r2r3;
}

TEST_F(ConnectionDraggerTest, DropsSkippedNetsUnflaggedNetsAndLinesOffEveryPad) {
    Part("R1", {{0, 0}, {100000, 0}});
    Part("R2", {{500000, 0}, {600000, 0}});
    const PcbHandle kept = Connection("SIG", 100000, 0, 500000, 0);
    Connection("GND", 0, 0, 600000, 0);
    Connection("QUIET", 0, 0, 500000, 0);
    Net("QUIET").flag1 = 0;
    Connection("SIG", 1000000, 0, 0, 1000000);  // neither end on a pad
    Connection("SIG", 100001, 0, 500000, 1);    // off by one unit at both ends

    TFastListOf<PcbHandle> powerNets{Net("GND").Handle()};
    TConnectionDragger dragger(Board(), IsNetInList, &powerNets, nullptr);

    EXPECT_EQ(Kept(dragger), std::set<PcbHandle>{kept});
    EXPECT_EQ(EndCount(*dragger[0]) + EndCount(*dragger[1]), 2);
    // Dropped lines stay on the board; the dragger only forgets them.
    EXPECT_EQ(Connections().size(), 5u);
}

TEST_F(ConnectionDraggerTest, PadsSharingAPointGiveTheEndToTheFirstFound) {
    Part("R1", {{0, 0}, {100000, 0}});
    Part("R2", {{0, 0}, {0, 100000}});
    Part("R3", {{500000, 0}, {600000, 0}});
    Connection("N", 0, 0, 500000, 0);

    TConnectionDragger dragger(Board(), nullptr, nullptr, nullptr);

    ASSERT_EQ(dragger.Count(), 3);
    EXPECT_EQ((*dragger[0])[0]->Ends.Count(), 1);
    EXPECT_EQ(EndCount(*dragger[1]), 0);
    EXPECT_EQ((*dragger[2])[0]->Ends.Count(), 1);
}

TEST_F(ConnectionDraggerTest, UpdateAllMovesExactlyTheEndsOnMovedPads) {
    hostpcb::Component& r1 = Part("R1", {{0, 0}, {100000, 0}});
    Part("R2", {{500000, 0}, {600000, 0}});
    Part("R3", {{500000, 500000}, {600000, 500000}});
    const PcbHandle moved = Connection("A", 500000, 0, 100000, 0);
    const PcbHandle still = Connection("B", 600000, 0, 500000, 500000);
    for (PcbHandle h : Connections()) SetObjectIndex(h, 7);

    TConnectionDragger dragger(Board(), nullptr, nullptr, nullptr);
    r1.SetPosition({200000, 300000});  // the second pad goes to (300000, 300000)
    dragger.UpdateAll(false);

    const TPcbFromTo a = Read(moved);
    EXPECT_EQ(a.X1(), 500000);
    EXPECT_EQ(a.Y1(), 0);
    EXPECT_EQ(a.X2, 300000);
    EXPECT_EQ(a.Y2, 300000);
    EXPECT_EQ(a.GetIndex(), 1);  // marked as dragged
    const TPcbFromTo b = Read(still);
    EXPECT_EQ(b.X1(), 600000);
    EXPECT_EQ(b.Y1(), 0);
    EXPECT_EQ(b.X2, 500000);
    EXPECT_EQ(b.Y2, 500000);
    EXPECT_EQ(b.GetIndex(), 7);
    EXPECT_EQ(board->displayCounters.hides, 0);

    // A second drag after the far part moves too; the redraw hides and shows every kept line.
    board->FindComponent("R2")->SetPosition({400000, -100000});
    dragger.UpdateAll(true);
    const TPcbFromTo again = Read(moved);
    EXPECT_EQ(again.X1(), 400000);
    EXPECT_EQ(again.Y1(), -100000);
    EXPECT_EQ(again.X2, 300000);
    EXPECT_EQ(Read(still).X1(), 500000);
    EXPECT_EQ(Read(still).Y1(), -100000);
    EXPECT_EQ(board->displayCounters.hides, 2);
    EXPECT_EQ(board->displayCounters.inverts, 2);
}

}  // namespace
}  // namespace autoplacer::test
