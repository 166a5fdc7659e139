#include "engines/SureConflicts.h"

#include <algorithm>

namespace autoplacer {

namespace {

// A rectangle's edges in 64 bits, lowest first.
struct TSpan {
    int64_t X1;
    int64_t X2;
    int64_t Y1;
    int64_t Y2;
};

TSpan SpanOf(const TRect& r, int64_t dx, int64_t dy) {
    return TSpan{int64_t{std::min(r.Left, r.Right)} + dx, int64_t{std::max(r.Left, r.Right)} + dx,
                 int64_t{std::min(r.Bottom, r.Top)} + dy, int64_t{std::max(r.Bottom, r.Top)} + dy};
}

}  // namespace

bool WithinReach(const TRect& a, int64_t dx, int64_t dy, const TRect& b, int64_t reach) {
    const TSpan s = SpanOf(a, dx, dy);
    const TSpan t = SpanOf(b, 0, 0);
    return s.X1 - reach <= t.X2 && t.X1 <= s.X2 + reach && s.Y1 - reach <= t.Y2 && t.Y1 <= s.Y2 + reach;
}

bool SurelyOverlapping(const TRect& a, int64_t dx, int64_t dy, const TRect& b, int32_t clearance, int64_t margin) {
    const TSpan s = SpanOf(a, dx, dy);
    const TSpan t = SpanOf(b, 0, 0);
    const int64_t least = 2 * margin + 1;
    if (s.X2 - s.X1 <= least || s.Y2 - s.Y1 <= least || t.X2 - t.X1 <= least || t.Y2 - t.Y1 <= least) {
        return false;
    }
    // The largest axis gaps any rectangle within margin of a can have to b.
    const int64_t gapX = std::max<int64_t>(0, std::max(s.X1 - t.X2, t.X1 - s.X2) + margin);
    const int64_t gapY = std::max<int64_t>(0, std::max(s.Y1 - t.Y2, t.Y1 - s.Y2) + margin);
    if (gapX == 0 && gapY == 0) {
        return true;  // they touch or overlap whatever the clearance
    }
    const int64_t limit = std::max<int32_t>(clearance, 0);
    if (gapX >= limit || gapY >= limit) {
        return false;
    }
    // Both below 2^31: the squares cannot overflow. Smaller gaps only come closer.
    return gapX * gapX + gapY * gapY <= (limit - 1) * (limit - 1);
}

bool SurelyMeets(const TRect& pad, int64_t dx, int64_t dy, const TRect& b, int32_t clearance, int64_t margin) {
    const TSpan s = SpanOf(pad, dx, dy);
    const TSpan t = SpanOf(b, 0, 0);
    if (s.X1 >= s.X2 || s.Y1 >= s.Y2) {
        return false;
    }
    // How far across a side the point may lie outside b: closer than the clearance
    // by a unit, so the host's tolerance cannot turn it away.
    const int64_t out = std::max<int64_t>(0, int64_t{clearance} - 1);
    const bool alongX = t.X1 + margin < s.X1 && s.X2 < t.X2 - margin;
    const bool alongY = t.Y1 + margin < s.Y1 && s.Y2 < t.Y2 - margin;
    const auto acrossX = [&](int64_t x) { return t.X1 - out + margin < x && x < t.X2 + out - margin; };
    const auto acrossY = [&](int64_t y) { return t.Y1 - out + margin < y && y < t.Y2 + out - margin; };
    return (alongY && (acrossX(s.X1) || acrossX(s.X2))) || (alongX && (acrossY(s.Y1) || acrossY(s.Y2)));
}

}  // namespace autoplacer
