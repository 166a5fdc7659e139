// Connection lines: a minimum spanning tree over the pads currently in the net.
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>

#include "HostFixture.h"

namespace hostpcb::test {
namespace {

class Ratsnest : public HostTest {
protected:
    // A net of n free round pads at distinct random points.
    Net& RandomNet(std::mt19937& rng, int n, std::vector<Pad*>& pads) {
        Net& net = board->AddNet("N" + std::to_string(board->Nets().size()));
        std::uniform_int_distribution<Coord> coord(0, 20000000);
        std::map<std::pair<Coord, Coord>, bool> used;
        PadGeometry g;
        g.sizeX = g.sizeY = 10000;
        while (int(pads.size()) < n) {
            const Point p{coord(rng), coord(rng)};
            if (used[{p.x, p.y}]) continue;
            used[{p.x, p.y}] = true;
            pads.push_back(&board->AddPad(nullptr, "1", p, g, PCB_TOP_LAYER, &net));
        }
        return net;
    }

    std::vector<PcbPrimitiveData> Connections(PcbHandle net) {
        std::vector<PcbPrimitiveData> out;
        for (PcbHandle h : Iterate(net, PCB_CONNECTION, PCB_ITERATE_OWN_OBJECTS)) {
            PcbPrimitiveData d{};
            EXPECT_EQ(PcbApi_QueryPrimitive(h, PCB_READ, &d), PCB_OK);
            out.push_back(d);
        }
        return out;
    }

    // Kruskal over all pairs: the reference total length.
    static double BruteForceMst(const std::vector<Point>& pts) {
        struct Edge {
            double length;
            std::size_t a, b;
        };
        std::vector<Edge> edges;
        for (std::size_t i = 0; i < pts.size(); ++i)
            for (std::size_t j = i + 1; j < pts.size(); ++j)
                edges.push_back({std::hypot(double(pts[i].x) - pts[j].x, double(pts[i].y) - pts[j].y), i, j});
        std::sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) { return x.length < y.length; });
        std::vector<std::size_t> parent(pts.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](std::size_t x) {
            while (parent[x] != x) x = parent[x] = parent[parent[x]];
            return x;
        };
        double total = 0;
        for (const Edge& e : edges)
            if (find(e.a) != find(e.b)) {
                parent[find(e.a)] = find(e.b);
                total += e.length;
            }
        return total;
    }

    // Checks that the connections form a spanning tree over exactly these points.
    void ExpectSpanningTree(const std::vector<PcbPrimitiveData>& lines, const std::vector<Point>& pts) {
        ASSERT_EQ(lines.size(), pts.size() - 1);
        std::map<std::pair<Coord, Coord>, std::size_t> index;
        for (std::size_t i = 0; i < pts.size(); ++i) index[{pts[i].x, pts[i].y}] = i;
        std::vector<std::size_t> parent(pts.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](std::size_t x) {
            while (parent[x] != x) x = parent[x];
            return x;
        };
        double total = 0;
        for (const PcbPrimitiveData& d : lines) {
            auto a = index.find({d.Base.X, d.Base.Y});
            auto b = index.find({d.X2, d.Y2});
            ASSERT_TRUE(a != index.end() && b != index.end()) << "a connection end is on no pad of the net";
            ASSERT_NE(find(a->second), find(b->second)) << "the connections close a cycle";
            parent[find(a->second)] = find(b->second);
            total += std::hypot(double(d.X2) - d.Base.X, double(d.Y2) - d.Base.Y);
            EXPECT_EQ(LayerFromId(d.Base.Layer), PCB_CONNECT_LAYER);
        }
        EXPECT_NEAR(total, BruteForceMst(pts), 1e-3 * std::max(1.0, total * 1e-9));
    }
};

TEST_F(Ratsnest, MatchesBruteForceOnRandomNets) {
    std::mt19937 rng(20261209);
    for (int n : {2, 3, 5, 17, 40, 90}) {
        std::vector<Pad*> pads;
        Net& net = RandomNet(rng, n, pads);
        PcbApi_AnalyzeNet(net.Handle());
        std::vector<Point> pts;
        for (Pad* p : pads) pts.push_back(p->Position());
        SCOPED_TRACE(n);
        ExpectSpanningTree(Connections(net.Handle()), pts);
    }
}

TEST_F(Ratsnest, PadsTakenOutOfTheNetTakeNoPart) {
    std::mt19937 rng(7);
    std::vector<Pad*> pads;
    Net& net = RandomNet(rng, 12, pads);
    PcbApi_DeleteObjectFromContainer(net.Handle(), pads[3]->Handle());
    PcbApi_DeleteObjectFromContainer(net.Handle(), pads[8]->Handle());
    PcbObjectData d{};
    PcbApi_QueryObjectBase(pads[3]->Handle(), PCB_READ, &d);
    EXPECT_EQ(d.Net, nullptr) << "a pad taken out of its net is on no net";
    PcbApi_AnalyzeNet(net.Handle());
    std::vector<Point> pts;
    for (std::size_t i = 0; i < pads.size(); ++i)
        if (i != 3 && i != 8) pts.push_back(pads[i]->Position());
    ExpectSpanningTree(Connections(net.Handle()), pts);

    // Adding them back restores the full tree.
    PcbApi_AddObjectToContainer(net.Handle(), pads[3]->Handle());
    PcbApi_AddObjectToContainer(net.Handle(), pads[8]->Handle());
    PcbApi_AnalyzeNet(net.Handle());
    pts.clear();
    for (Pad* p : pads) pts.push_back(p->Position());
    ExpectSpanningTree(Connections(net.Handle()), pts);
}

TEST_F(Ratsnest, ReanalysisReplacesTheOldConnections) {
    std::mt19937 rng(11);
    std::vector<Pad*> pads;
    Net& net = RandomNet(rng, 6, pads);
    std::vector<Pad*> others;
    Net& other = RandomNet(rng, 4, others);
    PcbApi_AnalyzeNet(net.Handle());
    PcbApi_AnalyzeNet(other.Handle());
    const std::vector<PcbHandle> first = Iterate(net.Handle(), PCB_CONNECTION, 0);
    ASSERT_EQ(first.size(), 5u);
    // One connection removed from the board and destroyed, as the cross-over count does.
    PcbApi_DeleteObjectFromContainer(board->Handle(), first[0]);
    PcbApi_DestroyObject(first[0]);
    pads[0]->SetPosition({pads[0]->Position().x + 1, pads[0]->Position().y});
    PcbApi_AnalyzeNet(net.Handle());
    for (PcbHandle h : first) EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(h), 0) << "old connection still alive";
    EXPECT_EQ(Iterate(board->Handle(), PCB_CONNECTION, 0).size(), 5u + 3u);
    for (PcbHandle h : Iterate(net.Handle(), PCB_CONNECTION, 0)) {
        PcbObjectData d{};
        PcbApi_QueryObjectBase(h, PCB_READ, &d);
        EXPECT_EQ(d.Net, net.Handle());
        EXPECT_EQ(d.Component, nullptr);
    }
}

TEST_F(Ratsnest, PadsOfComponentsOffTheBoardTakeNoPart) {
    BoardBuilder build(*board);
    build.Chip("R1", "0603", {0, 0});
    build.Chip("R2", "0603", {MilsToUnits(500), 0});
    build.Chip("R3", "0603", {MilsToUnits(1000), 0});
    Net& net = build.Connect("SIG", {"R1.2", "R2.1", "R3.1"});
    PcbApi_DeleteObjectFromContainer(board->Handle(), board->FindComponent("R2")->Handle());
    PcbApi_AnalyzeNet(net.Handle());
    const auto lines = Connections(net.Handle());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ((Point{lines[0].Base.X, lines[0].Base.Y}), board->FindComponent("R1")->FindPad("2")->Position());
}

TEST_F(Ratsnest, EqualDistancesGiveTheSameTreeEveryTime) {
    // A square: four equal edges, any three form a minimum tree; the choice must be stable.
    PadGeometry g;
    g.sizeX = g.sizeY = 100;
    std::vector<std::vector<std::pair<Point, Point>>> runs;
    for (int run = 0; run < 2; ++run) {
        Host::Instance().Reset();
        board = &Host::Instance().CreateBoard();
        Net& net = board->AddNet("SQ");
        for (Point p : {Point{0, 0}, Point{1000, 0}, Point{1000, 1000}, Point{0, 1000}})
            board->AddPad(nullptr, "1", p, g, PCB_TOP_LAYER, &net);
        PcbApi_AnalyzeNet(net.Handle());
        std::vector<std::pair<Point, Point>> lines;
        for (const auto& d : Connections(net.Handle())) lines.push_back({{d.Base.X, d.Base.Y}, {d.X2, d.Y2}});
        runs.push_back(lines);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(runs[0].size(), 3u);
}

}  // namespace
}  // namespace hostpcb::test
