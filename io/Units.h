// Conversions between KiCad's frame (millimetres, Y down) and the host's (host units,
// 1 mil = 10000, Y up). Y is flipped about a fixed line 1270 mm (50 inches) below the
// page origin, so every coordinate of a board drawn on a normal page is positive and
// stays below the host's extent sentinel.
#pragma once

#include "hostpcb/Geometry.h"
#include "io/KicadBoard.h"

namespace io {

constexpr hostpcb::Coord kXShift = 250000000;     // 635 mm in host units
constexpr hostpcb::Coord kYFlipLine = 750000000;  // 1905 mm in host units

inline hostpcb::Coord MmToHost(double mm) { return hostpcb::MmToUnits(mm); }
inline double HostToMm(double units) { return units * 0.0254 / 10000.0; }

inline hostpcb::Point ToHost(KPoint p) { return {kXShift + MmToHost(p.x), kYFlipLine - MmToHost(p.y)}; }
inline KPoint ToKicad(hostpcb::Point p) { return {HostToMm(double(p.x) - kXShift), HostToMm(double(kYFlipLine) - p.y)}; }

// A length or offset in a local frame (no flip line): Y only changes sign.
inline hostpcb::Point LocalToHost(KPoint p) { return {MmToHost(p.x), -MmToHost(p.y)}; }

}  // namespace io
