// Whole numbers typed into the placer's dialogs.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace autoplacer {

// A dialog value that does not convert; what() is the message for the error box.
class TSettingsConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Blanks around, an optional sign and decimal digits within 32 bits; nothing
// else is a whole number.
std::optional<int32_t> ParseWholeNumber(const std::string& text);

// The number, or a TSettingsConversionError that names the field.
int32_t WholeNumberOf(const std::string& text, const std::string& field);

}  // namespace autoplacer
