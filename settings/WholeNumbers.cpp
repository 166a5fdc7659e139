#include "settings/WholeNumbers.h"

#include <charconv>

namespace autoplacer {

std::optional<int32_t> ParseWholeNumber(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const auto last = text.find_last_not_of(" \t") + 1;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    if (*begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') {
            return std::nullopt;
        }
    }
    int32_t value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (begin == end || result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

int32_t WholeNumberOf(const std::string& text, const std::string& field) {
    const auto value = ParseWholeNumber(text);
    if (!value) {
        throw TSettingsConversionError("\"" + text + "\" is not a whole number (" + field + ").");
    }
    return *value;
}

}  // namespace autoplacer
