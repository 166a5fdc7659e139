// Connection lines of a net: a minimum spanning tree over its pad centres.
#include <cstdint>
#include <limits>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/Host.h"

namespace hostpcb {

void Board::AnalyzeNet(Net& net) {
    if (net.OwnerBoard() != this) return;
    ++net.analyses;
    Host& host = Host::Instance();
    // Old connections of the net go, whether still in the board or not.
    std::vector<Object*> old;
    for (Object* m : net.RawMembers())
        if (m != nullptr && m->Kind() == ObjectKind::Connection) old.push_back(m);
    for (Object* c : old) host.DestroyObject(*c);

    std::vector<Point> pts;
    for (Object* m : net.RawMembers())
        if (m != nullptr && m->Kind() == ObjectKind::Pad && m->InBoard()) pts.push_back(m->Position());
    const std::size_t n = pts.size();
    if (n < 2) return;

    // Prim's algorithm on the complete graph, O(n^2). Ties go to the lower pad index.
    constexpr int64_t kInf = std::numeric_limits<int64_t>::max();
    std::vector<int64_t> best(n, kInf);
    std::vector<uint32_t> from(n, 0);
    std::vector<char> done(n, 0);
    std::size_t current = 0;
    done[0] = 1;
    for (std::size_t step = 1; step < n; ++step) {
        const Point c = pts[current];
        std::size_t next = n;
        int64_t nextDist = kInf;
        for (std::size_t i = 0; i < n; ++i) {
            if (done[i]) continue;
            const int64_t dx = int64_t(pts[i].x) - c.x, dy = int64_t(pts[i].y) - c.y;
            const int64_t d = dx * dx + dy * dy;
            if (d < best[i]) {
                best[i] = d;
                from[i] = uint32_t(current);
            }
            if (best[i] < nextDist) {
                nextDist = best[i];
                next = i;
            }
        }
        done[next] = 1;
        Connection& line = host.Make<Connection>();
        line.pos_ = pts[from[next]];
        line.end_ = pts[next];
        Attach(line, nullptr, PCB_CONNECT_LAYER, &net);
        current = next;
    }
}

}  // namespace hostpcb
