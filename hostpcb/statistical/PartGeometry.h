// How a component's shape moves when the statistical placer turns it by quarter
// turns or puts it on the other side. Offsets are relative to the component's
// origin, so a part's extent and pins are stored once and transformed on demand.
#pragma once

#include <algorithm>
#include <cstdint>

#include "hostpcb/Geometry.h"

namespace hostpcb::statistical {

// A part's turn and side relative to how it was found on the board.
struct Orientation {
    uint8_t quarterTurns = 0;  // 0..3, counter-clockwise
    bool flipped = false;      // on the other side
    friend bool operator==(const Orientation&, const Orientation&) = default;
};

// The host flips a component at rotation r by mirroring it about the vertical line
// through its origin and turning it by 2r, then a new rotation turns it about the
// origin. For the right angles the placer works with, 2r is 0 or 180 degrees, so
// the whole transform is exact in integers. `halfTurnOnFlip` says which.
struct OffsetTransform {
    Orientation orientation;
    bool halfTurnOnFlip = false;  // the part's rotation was 90 or 270 when found

    Point Apply(Point offset) const {
        Coord x = offset.x, y = offset.y;
        if (orientation.flipped) {
            x = -x;
            if (halfTurnOnFlip) {
                x = -x;
                y = -y;
            }
        }
        for (int i = 0; i < orientation.quarterTurns; ++i) {
            const Coord t = x;
            x = -y;
            y = t;
        }
        return {x, y};
    }

    Box Apply(const Box& box) const {
        const Point a = Apply(Point{box.x1, box.y1});
        const Point b = Apply(Point{box.x2, box.y2});
        return Box::FromCorners(a.x, a.y, b.x, b.y);
    }
};

inline Box Translated(const Box& box, Point by) { return {box.x1 + by.x, box.y1 + by.y, box.x2 + by.x, box.y2 + by.y}; }

// Grown by `by` on every side, within the host's coordinate range (±2^30), so that
// the sides of a grown box, and the r-tree's sums over them, stay in 32 bits.
inline Box Inflated(const Box& box, Coord by) {
    const auto within = [](int64_t v) {
        constexpr int64_t kLimit = (int64_t{1} << 30) - 1;
        return static_cast<Coord>(std::clamp<int64_t>(v, -kLimit, kLimit));
    };
    return {within(int64_t{box.x1} - by), within(int64_t{box.y1} - by), within(int64_t{box.x2} + by),
            within(int64_t{box.y2} + by)};
}

// Centre of a box, truncated toward zero (computed wide).
inline Point CentreOf(const Box& box) {
    return {static_cast<Coord>((int64_t{box.x1} + box.x2) / 2), static_cast<Coord>((int64_t{box.y1} + box.y2) / 2)};
}

inline bool BoxInside(const Box& inner, const Box& outer) {
    return inner.x1 >= outer.x1 && inner.x2 <= outer.x2 && inner.y1 >= outer.y1 && inner.y2 <= outer.y2;
}

}  // namespace hostpcb::statistical
