// The crossing count kept from search to search against the literal count over
// every ordered pair: lines moved a few at a time (as after each placed group),
// many at once, replaced, with different lines left out each time; collinear,
// parallel and touching lines and lines off the connection layer included.
#include <gtest/gtest.h>

#include <random>

#include "engines/CrossingMemo.h"

namespace autoplacer::test {
namespace {

TMemoLine LineFrom(int64_t handle, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool onConnectLayer) {
    TMemoLine line;
    line.Handle = reinterpret_cast<PcbHandle>(handle);
    line.OnConnectLayer = onConnectLayer;
    line.BoxX1 = std::min(x1, x2);
    line.BoxY1 = std::min(y1, y2);
    line.BoxX2 = std::max(x1, x2);
    line.BoxY2 = std::max(y1, y2);
    line.Segment = TSegmentRecord{static_cast<double>(x1), static_cast<double>(y1), static_cast<double>(x2),
                                  static_cast<double>(y2)};
    return line;
}

// Every ordered pair of lines not left out, each line with itself included.
int64_t LiteralCount(const std::vector<TMemoLine>& lines, const std::vector<std::size_t>& excluded) {
    std::vector<bool> out(lines.size(), false);
    for (const std::size_t k : excluded) {
        out[k] = true;
    }
    int64_t count = 0;
    for (std::size_t a = 0; a < lines.size(); ++a) {
        for (std::size_t b = 0; b < lines.size(); ++b) {
            if (!out[a] && !out[b] && MemoPairCounts(lines[a], lines[b])) {
                ++count;
            }
        }
    }
    return count;
}

TEST(CrossingMemo, CountsWhatTheLiteralCountCountsAfterEveryChange) {
    std::mt19937 random(29);
    const auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
    // Lines on a coarse lattice, so that parallel, collinear and touching ones are common.
    const auto randomLine = [&](int64_t handle) {
        const int32_t x = pick(0, 40) * 250000;
        const int32_t y = pick(0, 40) * 250000;
        const int kind = pick(0, 3);
        const int32_t dx = kind == 0 ? 0 : pick(-8, 8) * 250000;
        const int32_t dy = kind == 1 ? 0 : pick(-8, 8) * 250000;
        return LineFrom(handle, x, y, x + dx, y + dy, pick(0, 5) != 0);
    };
    std::vector<TMemoLine> lines;
    for (int64_t i = 1; i <= 300; ++i) {
        lines.push_back(randomLine(i));
    }
    EXPECT_EQ(TCrossingMemo::CountAll(lines), LiteralCount(lines, {}));
    TCrossingMemo memo;
    int64_t largest = 0;
    for (int step = 0; step < 40; ++step) {
        // Most steps move a few lines; now and then many, or one line is replaced.
        const int moves = step % 10 == 9 ? 120 : pick(0, 12);
        for (int m = 0; m < moves; ++m) {
            const auto k = static_cast<std::size_t>(pick(0, 299));
            lines[k] = randomLine(reinterpret_cast<int64_t>(lines[k].Handle));
        }
        if (step % 13 == 12) {
            lines[static_cast<std::size_t>(pick(0, 299))] = randomLine(1000 + step);
        }
        std::vector<std::size_t> excluded;
        for (int e = pick(0, 15); e > 0; --e) {
            excluded.push_back(static_cast<std::size_t>(pick(0, 299)));
        }
        std::sort(excluded.begin(), excluded.end());
        excluded.erase(std::unique(excluded.begin(), excluded.end()), excluded.end());
        const int64_t expected = LiteralCount(lines, excluded);
        ASSERT_EQ(memo.CountWithout(lines, excluded), expected) << "step " << step;
        largest = std::max(largest, expected);
    }
    EXPECT_GT(largest, 1000);  // the lines do cross, many times
}

}  // namespace
}  // namespace autoplacer::test
