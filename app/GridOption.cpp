#include "app/GridOption.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <regex>

namespace app {

namespace {

// The grids the command line takes, in mils.
constexpr double kMinGridMils = 1;
constexpr double kMaxGridMils = 1000;

}  // namespace

std::string GridHelp(const std::string& what) {
    return what + " with its unit, from 1mil to 1000mil (0.0254mm to 25.4mm), e.g. 25mil or 0.5mm";
}

CLI::Validator GridValidator() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            static const std::regex kLength(R"(\s*([0-9]+(?:\.[0-9]*)?|\.[0-9]+)\s*([A-Za-z]*)\s*)");
            std::smatch parts;
            if (!std::regex_match(text, parts, kLength)) {
                return "\"" + text + "\" is not a length; give e.g. 25mil or 0.5mm";
            }
            const std::string number = parts[1].str();
            std::string unit = parts[2].str();
            std::transform(unit.begin(), unit.end(), unit.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (unit.empty()) {
                return "give a unit: " + number + "mil or " + number + "mm";
            }
            if (unit != "mil" && unit != "mm") {
                return "\"" + text + "\" has an unknown unit; give e.g. " + number + "mil or " + number + "mm";
            }
            const double mils = unit == "mm" ? std::stod(number) / 0.0254 : std::stod(number);
            if (mils < kMinGridMils || mils > kMaxGridMils) {
                return text + " is outside 1mil to 1000mil (0.0254mm to 25.4mm)";
            }
            return {};
        },
        "LENGTH");
}

}  // namespace app
