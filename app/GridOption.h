// The grid flag that "place" and "align" share: a length with its unit, since the
// dialogs would read a bare number in the board's unit (millimetres on KiCad boards).
#pragma once

#include <string>

namespace CLI {
class Validator;
}

namespace app {

// The flag's help text for a grid of that use ("Placement grid").
std::string GridHelp(const std::string& what);
// Accepts 1mil to 1000mil (0.0254mm to 25.4mm), the unit written out.
CLI::Validator GridValidator();

}  // namespace app
