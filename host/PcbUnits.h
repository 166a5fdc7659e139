// Host units and layer numbering: conversions between host units (1 mil = 10000),
// mils and millimetres, the text form of a coordinate, and the conversion between
// the placer's layer numbers and the host's layer identity.
#pragma once

#include <cstdint>
#include <string>

#include "sdk/pcb_types.h"

namespace autoplacer {

int32_t MilsToCoord(double mils);         // Round(mils × 10000), halves to even
int32_t MMsToCoord(double millimetres);   // Round(mm × 10000 / 0.0254), halves to even
double CoordToMils(int32_t coord);        // fraction rounded to 3 decimals
double CoordToMMs(int32_t coord);         // fraction rounded to 5 decimals

// "50mil" (3 decimals) or "1.27mm" (4 decimals), trailing zeros and point removed.
std::string CoordToUnitString(int32_t coord, bool imperial);

// Reads a length typed by the user: blanks are ignored; a trailing "mm" or "mil"
// (any letter case) picks the unit, otherwise the board's (imperial nonzero =
// mils). On success coord holds the length in host units, imperial the unit read
// (1 mils, 0 millimetres) and the answer is True. Text that is empty or starts
// with a letter leaves coord 0 and imperial unchanged; so does a number that
// cannot be read (the answer is then False).
bool StringToCoord(const std::string& text, int32_t& coord, uint8_t& imperial);

// The placer's layer number (0 .. 82) of a host layer identity; 0 for anything unknown.
int LayerIdToNumber(PcbLayerId id);
// The host layer identity of a layer number; kind NONE for 0 and unknown numbers.
PcbLayerId LayerNumberToId(int layer);

}  // namespace autoplacer
