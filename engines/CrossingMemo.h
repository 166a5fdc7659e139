// The crossing count of the connection cost among a board's connections that are
// not on power nets, kept from one group search to the next. A search counts the
// ordered pairs of lines that stay (the line with itself included) whose host
// boxes meet, the second on the connection layer, that cross by the unbounded
// segment test. Between two searches only the lines of the group placed last
// change, so the memo keeps the count over all lines, takes out the pairs of
// the lines that changed as they were and adds them as they are, and then
// takes out the pairs of the lines that move in the new search. Each step is a
// whole count of pairs, so the result is the literal count exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/ContainmentGeometry.h"
#include "model/PrimitivesList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// One connection as the count sees it.
struct TMemoLine {
    PcbHandle Handle = nullptr;
    bool OnConnectLayer = false;
    // The host's bounding box (x1 <= x2, y1 <= y2).
    int32_t BoxX1 = 0, BoxY1 = 0, BoxX2 = 0, BoxY2 = 0;
    TSegmentRecord Segment;
};

// Whether the pair (a, b) counts: boxes meet (edges inclusive), b on the
// connection layer, and the lines cross by the unbounded test.
bool MemoPairCounts(const TMemoLine& a, const TMemoLine& b);

class TCrossingMemo {
public:
    // The count over lines (every line not on a power net, in the host's order)
    // without the pairs that involve a line at one of the positions in excluded;
    // the memo then holds lines.
    int64_t CountWithout(std::vector<TMemoLine> lines, const std::vector<std::size_t>& excluded);
    // The count over every ordered pair of the lines, through a bucket index.
    static int64_t CountAll(const std::vector<TMemoLine>& lines);

private:
    // The pairs of lines that involve a line at one of the positions.
    static int64_t CountInvolving(const std::vector<TMemoLine>& lines, const std::vector<std::size_t>& positions);

    std::vector<TMemoLine> Lines;
    int64_t Count = 0;
    bool Known = false;
};

}  // namespace autoplacer
