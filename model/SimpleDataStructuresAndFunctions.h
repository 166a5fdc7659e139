// The small vocabulary of the placer: points and rectangles in host units,
// rounding and clamping.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace autoplacer {

// ---------------------------------------------------------------------------
// Points and rectangles in host units (1 mil = 10000, Y grows upward).

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Left = smallest X, Right = largest X, Top = largest Y, Bottom = smallest Y.
// Every containment test counts all four edges as inside.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return TRect{left, top, right, bottom};
}

constexpr TPoint Point(int32_t x, int32_t y) { return TPoint{x, y}; }

// Extents start with minima at ExtentStartMin and maxima at ExtentStartMax; an
// extent that still holds these values covers no object.
inline constexpr int32_t ExtentStartMin = 999990000;
inline constexpr int32_t ExtentStartMax = 0;

constexpr int32_t RectWidth(const TRect& r) { return r.Right - r.Left; }
constexpr int32_t RectHeight(const TRect& r) { return r.Top - r.Bottom; }
// Centres truncate toward zero (computed wide so that no sum overflows).
constexpr int32_t RectCentreX(const TRect& r) {
    return static_cast<int32_t>((static_cast<int64_t>(r.Left) + r.Right) / 2);
}
constexpr int32_t RectCentreY(const TRect& r) {
    return static_cast<int32_t>((static_cast<int64_t>(r.Top) + r.Bottom) / 2);
}
constexpr TRect OffsetRect(const TRect& r, int32_t dx, int32_t dy) {
    return Rect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
}
// Grows by dx on the left and right and by dy at the top and bottom; negative
// values shrink (edges that cross are not reordered).
constexpr TRect InflateRectXY(const TRect& r, int32_t dx, int32_t dy) {
    return Rect(r.Left - dx, r.Top + dy, r.Right + dx, r.Bottom - dy);
}
constexpr bool RectContainsRect(const TRect& outer, const TRect& inner) {
    return outer.Left <= inner.Left && outer.Right >= inner.Right && outer.Bottom <= inner.Bottom &&
           outer.Top >= inner.Top;
}
constexpr bool PointInRect(const TPoint& p, const TRect& r) {
    return r.Left <= p.X && p.X <= r.Right && r.Bottom <= p.Y && p.Y <= r.Top;
}
constexpr bool PointInRect(int32_t x, int32_t y, const TRect& r) { return PointInRect(Point(x, y), r); }

// ---------------------------------------------------------------------------
// Arithmetic.

// Rounds to the nearest integer, halves to the even neighbour. Values beyond the
// result type's range are clamped to it; NaN gives 0.
int32_t Round(double value);
int64_t Round64(double value);

// Round(sqrt(w)) * Round(sqrt(h)): an area measure that cannot overflow for
// board-sized rectangles. A negative side counts as 0.
int64_t SqrtArea(int64_t w, int64_t h);

// Angles in degrees that differ by at most 0.001.
bool SameAngle(double a, double b);

// Clamps a wide value into the 32-bit range of host coordinates.
constexpr int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace autoplacer
