#include "model/SimpleDataStructuresAndFunctions.h"

#include <cmath>
#include <limits>

namespace autoplacer {

namespace {

// Nearest integer as a double, halves to the even neighbour, independent of the
// floating-point rounding mode.
double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    if (fraction < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

template <typename Int>
Int RoundTo(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = RoundHalfEven(value);
    // The limits as doubles: the maximum of int64 is not representable, so
    // compare against 2^63 exclusively.
    const double low = static_cast<double>(std::numeric_limits<Int>::min());
    const double high = -low;
    if (rounded < low) {
        return std::numeric_limits<Int>::min();
    }
    if (rounded >= high) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(rounded);
}

}  // namespace

int32_t Round(double value) { return RoundTo<int32_t>(value); }

int64_t Round64(double value) { return RoundTo<int64_t>(value); }

int64_t SqrtArea(int64_t w, int64_t h) {
    const auto side = [](int64_t v) {
        return v <= 0 ? int64_t{0} : Round64(std::sqrt(static_cast<double>(v)));
    };
    return side(w) * side(h);
}

bool SameAngle(double a, double b) { return std::fabs(b - a) <= 0.001; }

}  // namespace autoplacer
