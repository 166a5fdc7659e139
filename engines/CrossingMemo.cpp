#include "engines/CrossingMemo.h"

#include <algorithm>

#include "engines/LineBoxGrid.h"

namespace autoplacer {

namespace {

bool SameLine(const TMemoLine& a, const TMemoLine& b) {
    return a.Handle == b.Handle && a.OnConnectLayer == b.OnConnectLayer && a.BoxX1 == b.BoxX1 &&
           a.BoxY1 == b.BoxY1 && a.BoxX2 == b.BoxX2 && a.BoxY2 == b.BoxY2 && a.Segment.X1 == b.Segment.X1 &&
           a.Segment.Y1 == b.Segment.Y1 && a.Segment.X2 == b.Segment.X2 && a.Segment.Y2 == b.Segment.Y2;
}

}  // namespace

bool MemoPairCounts(const TMemoLine& a, const TMemoLine& b) {
    return b.OnConnectLayer && b.BoxX1 <= a.BoxX2 && a.BoxX1 <= b.BoxX2 && b.BoxY1 <= a.BoxY2 &&
           a.BoxY1 <= b.BoxY2 &&
           (LinesDeterminant(a.Segment, b.Segment) != 0.0 || SegmentsCross(a.Segment, b.Segment, false));
}

int64_t TCrossingMemo::CountAll(const std::vector<TMemoLine>& lines) {
    std::vector<TIndexedBox> boxes;
    boxes.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TMemoLine& line = lines[i];
        boxes.push_back({line.BoxX1, line.BoxY1, line.BoxX2, line.BoxY2, static_cast<int32_t>(i)});
    }
    const TLineBoxGrid index(std::move(boxes));
    int64_t count = 0;
    for (const TMemoLine& a : lines) {
        index.ForEachMeeting(a.BoxX1, a.BoxY1, a.BoxX2, a.BoxY2, [&](int32_t i) {
            count += MemoPairCounts(a, lines[static_cast<std::size_t>(i)]) ? 1 : 0;
        });
    }
    return count;
}

int64_t TCrossingMemo::CountInvolving(const std::vector<TMemoLine>& lines, const std::vector<std::size_t>& positions) {
    std::vector<bool> marked(lines.size(), false);
    for (const std::size_t k : positions) {
        marked[k] = true;
    }
    int64_t count = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (!marked[k]) {
            continue;
        }
        // (k, b) for every b, and (a, k) for every a not marked: a pair of two
        // marked lines is counted once, from its first line.
        for (std::size_t j = 0; j < lines.size(); ++j) {
            count += MemoPairCounts(lines[k], lines[j]) ? 1 : 0;
            if (!marked[j]) {
                count += MemoPairCounts(lines[j], lines[k]) ? 1 : 0;
            }
        }
    }
    return count;
}

int64_t TCrossingMemo::CountWithout(std::vector<TMemoLine> lines, const std::vector<std::size_t>& excluded) {
    bool comparable = Known && Lines.size() == lines.size();
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; comparable && i < lines.size(); ++i) {
        if (Lines[i].Handle != lines[i].Handle) {
            comparable = false;
        } else if (!SameLine(Lines[i], lines[i])) {
            changed.push_back(i);
        }
    }
    // Beyond a few changed lines the pairs are counted afresh (each changed line
    // costs a pass over all).
    if (!comparable || changed.size() > 64) {
        Count = CountAll(lines);
    } else if (!changed.empty()) {
        Count += CountInvolving(lines, changed) - CountInvolving(Lines, changed);
    }
    Lines = std::move(lines);
    Known = true;
    return Count - CountInvolving(Lines, excluded);
}

}  // namespace autoplacer
