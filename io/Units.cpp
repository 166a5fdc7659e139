#include "io/Units.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace io {

namespace {

std::string Mm(double mm) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.10g mm", mm);
    return buffer;
}

// Host units of `mm` before rounding: the expression MmToUnits rounds.
double RawUnits(double mm) { return mm * 10000.0 / 0.0254; }

// `offset + sign * mm` in host units when it lies within ±kMaxHostCoord.
bool Coordinate(double mm, int64_t offset, int sign, hostpcb::Coord& out) {
    const double units = RawUnits(mm);
    if (!(std::fabs(units) <= double(kMaxHostCoord) * 2)) return false;  // also NaN
    const int64_t value = offset + sign * int64_t(hostpcb::MmToUnits(mm));
    if (value < -int64_t(kMaxHostCoord) || value > int64_t(kMaxHostCoord)) return false;
    out = hostpcb::Coord(value);
    return true;
}

[[noreturn]] void OutOfRange(const SNode& node, std::string_view object, std::string_view axis, double mm, int64_t offset,
                             int sign) {
    // The millimetre range that maps onto ±kMaxHostCoord on this axis.
    double a = HostToMm(double(-int64_t(kMaxHostCoord) - offset) * sign);
    double b = HostToMm(double(int64_t(kMaxHostCoord) - offset) * sign);
    if (a > b) std::swap(a, b);
    char range[80];
    std::snprintf(range, sizeof range, "%.2f to %.2f mm", a, b);
    node.fail(std::string(object) + ": " + std::string(axis) + " = " + Mm(mm) + " is outside what the host can hold (" +
              range + ")");
}

}  // namespace

hostpcb::Point CheckedToHost(KPoint p, const SNode& node, std::string_view object) {
    hostpcb::Point out;
    if (!Coordinate(p.x, kXShift, 1, out.x)) OutOfRange(node, object, "x", p.x, kXShift, 1);
    if (!Coordinate(p.y, kYFlipLine, -1, out.y)) OutOfRange(node, object, "y", p.y, kYFlipLine, -1);
    return out;
}

hostpcb::Point CheckedLocalToHost(KPoint p, const SNode& node, std::string_view object) {
    return {CheckedSizeToHost(p.x, node, object, "x offset"), -CheckedSizeToHost(p.y, node, object, "y offset")};
}

bool FitsHostSize(double mm) { return std::fabs(RawUnits(mm)) <= double(kMaxHostSize); }

hostpcb::Coord CheckedSizeToHost(double mm, const SNode& node, std::string_view object, std::string_view what) {
    if (!FitsHostSize(mm)) {
        node.fail(std::string(object) + ": " + std::string(what) + " " + Mm(mm) + " is larger than the host can hold (" +
                  Mm(std::floor(HostToMm(kMaxHostSize) * 100) / 100) + ")");
    }
    return hostpcb::MmToUnits(mm);
}

}  // namespace io
