// KiCad's placement rules for the host: the courtyard clearance of KiCad's custom
// design rules beside a board (BOARD.kicad_dru), and the board-wide component-clearance
// rule a KiCad board gets when its placement-rules file sets none, so that the placers
// keep what KiCad's design-rule check asks: courtyards on one side apart, and no part
// with through-hole pads over or under a part on the other side.
#pragma once

#include <optional>
#include <string>

#include "hostpcb/Board.h"

namespace io {

// The custom design-rules file that belongs to a board file (same name, .kicad_dru).
std::string DesignRulesPath(const std::string& boardPath);

// The courtyard clearance, in millimetres, of the last rule without a condition that
// constrains courtyard_clearance with a minimum; nothing when no such rule exists.
// Throws SExprError for malformed text.
std::optional<double> ParseCourtyardClearance(const std::string& text);

// The same, read from the file beside the board. A file that cannot be read or parsed
// gives nothing and a warning in `warning`.
std::optional<double> ReadCourtyardClearance(const std::string& boardPath, std::string& warning);

// The check mode of KiCad's component clearance. KiCad compares each footprint's
// courtyard, which the reader makes the footprint's extent (with its pads): that is
// mode 1, each member's extent. Mode 0 (the groups' rectangles) is faster but calls
// a capacitor under an IC a conflict, so two-sided boards lost most of their parts;
// a rules file can still ask for it ("quick").
constexpr uint8_t kKicadClearanceMode = 1;

// Adds the board-wide component-clearance rule (mode kKicadClearanceMode, gap `gapMm`)
// unless the board already has a component-clearance rule for the whole board. Added
// last, so that scoped rules of the rules file win for their components. Answers
// whether it added the rule.
bool AddKicadComponentClearance(hostpcb::Board& board, double gapMm);

}  // namespace io
