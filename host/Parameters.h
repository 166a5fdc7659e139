// Parameter strings: zero-terminated texts of entries "Name=Value" separated by
// "|", used for incoming commands and for the host commands the placer sends.
// Names compare case-insensitively (only a to z fold) and must be of equal
// length; names and values lose leading and trailing blanks and control bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace autoplacer {

// The capacity of the parameter buffers the placer makes itself.
inline constexpr int32_t kParameterBufferSize = 256;
// The longest value GetParameter hands out.
inline constexpr std::size_t kMaxParameterValueLength = 255;

struct TParameter {
    std::string Name;
    std::string Value;
};

// The parsed form of a parameter string: entries in their order, duplicates
// included; a lookup finds the first match.
class TParameterList {
public:
    void Clear() { Items.clear(); }
    void Add(std::string name, std::string value);
    int Count() const { return static_cast<int>(Items.size()); }
    const TParameter& operator[](int index) const { return Items[static_cast<std::size_t>(index)]; }
    // The first entry of that name, nullptr when none.
    const TParameter* Find(const std::string& name) const;
    TParameter* Find(const std::string& name);
    // The list written back as a parameter string (an empty value as one blank).
    std::string ToText() const;

private:
    std::vector<TParameter> Items;
};

// Whether two names match: same length, a to z folded to upper case.
bool SameParameterName(const std::string& a, const std::string& b);
// Removes leading and trailing blanks and control characters.
std::string TrimParameterText(const std::string& text);

// Clears List and fills it with the entries of Text (nil Text gives an empty list).
void ParseParameters(const char* text, TParameterList& list);

// False with an empty value when Text is nil or empty or has no entry of that
// name; otherwise True and the first entry's value (at most 255 characters).
// Keeps the last text it parsed and re-parses only when the text differs.
bool GetParameter(const char* text, const std::string& name, std::string& value);

// Sets the first entry of that name in Buffer to the trimmed value, or appends
// one, and writes the whole list back. Buffer holds bufferSize bytes including
// the terminating zero; when the new text would not fit, Buffer is left as it
// was and the answer is False.
bool SetParameter(char* buffer, int32_t bufferSize, const std::string& name, const std::string& value);

// True when the parameter exists and its value is "True" in any letter case.
bool ParameterIsTrue(const char* text, const std::string& name);

// Compares two values ignoring letter case (a to z) and surrounding blanks.
bool SameParameterValue(const std::string& value, const std::string& expected);

}  // namespace autoplacer
