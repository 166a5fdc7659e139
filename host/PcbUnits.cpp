#include "host/PcbUnits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace autoplacer {

namespace {

// Round half to even (the default floating-point rounding mode), clamped to int32.
int32_t RoundToCoord(double value) {
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(rounded);
}

double RoundToDecimals(double value, double scale) {
    const double rounded = std::nearbyint(value * scale) / scale;
    return rounded == 0.0 ? 0.0 : rounded;  // never a negative zero
}

std::string FormatTrimmed(double value, int decimals) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string out(text, result.ptr);
    if (out.find('.') != std::string::npos) {
        while (!out.empty() && out.back() == '0') {
            out.pop_back();
        }
        if (!out.empty() && out.back() == '.') {
            out.pop_back();
        }
    }
    if (out == "-0") {
        out = "0";
    }
    return out;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

int32_t MilsToCoord(double mils) { return RoundToCoord(mils * 10000.0); }

int32_t MMsToCoord(double millimetres) { return RoundToCoord(millimetres * 10000.0 / 0.0254); }

double CoordToMils(int32_t coord) { return RoundToDecimals(coord / 10000.0, 1000.0); }

double CoordToMMs(int32_t coord) { return RoundToDecimals(coord * 0.0254 / 10000.0, 100000.0); }

std::string CoordToUnitString(int32_t coord, bool imperial) {
    if (imperial) {
        return FormatTrimmed(CoordToMils(coord), 3) + "mil";
    }
    return FormatTrimmed(CoordToMMs(coord), 4) + "mm";
}

bool StringToCoord(const std::string& text, int32_t& coord, uint8_t& imperial) {
    coord = 0;
    std::string s;
    for (char c : text) {
        if (c != ' ') {
            s += c;
        }
    }
    if (s.empty() || IsLetter(s[0])) {
        return false;
    }
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    bool metric = imperial == 0;
    if (const auto at = s.find("MM"); at != std::string::npos) {
        s.erase(at);
        metric = true;
    } else if (const auto atMil = s.find("MIL"); atMil != std::string::npos) {
        s.erase(atMil);
        metric = false;
    }
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') {
        ++first;
    }
    double number = 0.0;
    const auto result = std::from_chars(first, last, number, std::chars_format::fixed);
    if (first == last || result.ec != std::errc() || result.ptr != last || !std::isfinite(number)) {
        return false;
    }
    coord = metric ? MMsToCoord(number) : MilsToCoord(number);
    imperial = metric ? 0 : 1;
    return true;
}

int LayerIdToNumber(PcbLayerId id) {
    const int index = id.Index;
    switch (id.Kind) {
        case PCB_LAYER_KIND_TOP_SIGNAL:
            return PCB_TOP_LAYER;
        case PCB_LAYER_KIND_MID_SIGNAL:
            return index >= 1 ? std::min(index - 1, 30) + 1 : PCB_NO_LAYER;
        case PCB_LAYER_KIND_BOTTOM_SIGNAL:
            return PCB_BOTTOM_LAYER;
        case PCB_LAYER_KIND_PLANE:
            return index >= 1 ? 38 + std::min(index, 16) : PCB_NO_LAYER;
        case PCB_LAYER_KIND_MECHANICAL:
            return index >= 1 ? 56 + std::min(index, 16) : PCB_NO_LAYER;
        case PCB_LAYER_KIND_FIXED:
            if ((index >= PCB_TOP_OVERLAY && index <= PCB_BOTTOM_SOLDER) || index == PCB_DRILL_GUIDE ||
                index == PCB_KEEP_OUT_LAYER || (index >= PCB_DRILL_DRAWING && index <= PCB_VIA_HOLE_LAYER)) {
                return index;
            }
            return PCB_NO_LAYER;
        default:
            return PCB_NO_LAYER;
    }
}

PcbLayerId LayerNumberToId(int layer) {
    auto id = [](int kind, int index) { return PcbLayerId{static_cast<uint8_t>(kind), static_cast<uint8_t>(index)}; };
    if (layer == PCB_TOP_LAYER) {
        return id(PCB_LAYER_KIND_TOP_SIGNAL, 1);
    }
    if (layer >= PCB_MID_LAYER_1 && layer < PCB_BOTTOM_LAYER) {
        return id(PCB_LAYER_KIND_MID_SIGNAL, layer);  // MidLayer n is the (n+1)-th signal layer
    }
    if (layer == PCB_BOTTOM_LAYER) {
        return id(PCB_LAYER_KIND_BOTTOM_SIGNAL, PCB_BOTTOM_LAYER);
    }
    if (layer >= PCB_INTERNAL_PLANE_1 && layer < PCB_DRILL_GUIDE) {
        return id(PCB_LAYER_KIND_PLANE, layer - 38);
    }
    if (layer >= PCB_MECHANICAL_1 && layer < PCB_DRILL_DRAWING) {
        return id(PCB_LAYER_KIND_MECHANICAL, layer - 56);
    }
    if ((layer >= PCB_TOP_OVERLAY && layer <= PCB_BOTTOM_SOLDER) || layer == PCB_DRILL_GUIDE ||
        layer == PCB_KEEP_OUT_LAYER || (layer >= PCB_DRILL_DRAWING && layer <= PCB_VIA_HOLE_LAYER)) {
        return id(PCB_LAYER_KIND_FIXED, layer);
    }
    return id(PCB_LAYER_KIND_NONE, 0);
}

}  // namespace autoplacer
