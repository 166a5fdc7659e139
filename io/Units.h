// Conversions between KiCad's frame (millimetres, Y down) and the host's (host units,
// 1 mil = 10000, Y up). Y is flipped about a fixed line 1270 mm (50 inches) below the
// page origin, so every coordinate of a board drawn on a normal page is positive and
// stays below the host's extent sentinel.
#pragma once

#include <string_view>

#include "hostpcb/Geometry.h"
#include "io/KicadBoard.h"

namespace io {

constexpr hostpcb::Coord kXShift = 250000000;     // 635 mm in host units
constexpr hostpcb::Coord kYFlipLine = 750000000;  // 1905 mm in host units

// What the host's 32-bit units hold for a board. Coordinates stay within
// ±kMaxHostCoord and sizes (widths, radii, pad sizes, gaps) within kMaxHostSize, so
// that the difference of two coordinates, or a coordinate plus a radius and half a
// width, still fits in 32 bits wherever the host and the placer combine them.
constexpr hostpcb::Coord kMaxHostCoord = (1 << 30) - 1;  // about 2727 mm
constexpr hostpcb::Coord kMaxHostSize = 1 << 29;         // about 1363 mm

inline hostpcb::Coord MmToHost(double mm) { return hostpcb::MmToUnits(mm); }
inline double HostToMm(double units) { return units * 0.0254 / 10000.0; }

inline hostpcb::Point ToHost(KPoint p) { return {kXShift + MmToHost(p.x), kYFlipLine - MmToHost(p.y)}; }
inline KPoint ToKicad(hostpcb::Point p) { return {HostToMm(double(p.x) - kXShift), HostToMm(double(kYFlipLine) - p.y)}; }

// A length or offset in a local frame (no flip line): Y only changes sign.
inline hostpcb::Point LocalToHost(KPoint p) { return {MmToHost(p.x), -MmToHost(p.y)}; }

// The same conversions for values read from a file: a value the host cannot hold is an
// SExprError at `node` that names `object` ("footprint R1, pad 2") and the value, never
// a wrapped number.
hostpcb::Point CheckedToHost(KPoint p, const SNode& node, std::string_view object);
hostpcb::Point CheckedLocalToHost(KPoint p, const SNode& node, std::string_view object);
// A size (`what`: "width", "pad size", ...); its magnitude is limited, not its sign.
hostpcb::Coord CheckedSizeToHost(double mm, const SNode& node, std::string_view object, std::string_view what);
// True when a size converts without error.
bool FitsHostSize(double mm);

}  // namespace io
