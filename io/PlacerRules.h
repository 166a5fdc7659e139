// The placement-rules file beside a board (BOARD.placer_rules): the rules KiCad does
// not hold — component classes, rooms, component clearance, allowed rotations,
// permitted layers, routing-layer directions and power nets — as host rules and object
// classes. The grammar is described in docs/placer_rules.md.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "io/SExpr.h"

namespace io {

struct PlacerRulesSummary {
    std::string path;
    int componentClasses = 0;
    int netClasses = 0;
    int rooms = 0;
    int componentClearances = 0;
    int rotations = 0;
    int permittedLayers = 0;
    int routingDirections = 0;
    int powerNets = 0;  // nets named by power-net rules
    std::vector<std::string> warnings;
    int total() const {
        return componentClasses + netClasses + rooms + componentClearances + rotations + permittedLayers +
               routingDirections + (powerNets > 0 ? 1 : 0);
    }
};

// The rules file that belongs to a board file (same name, .placer_rules).
std::string PlacerRulesPath(const std::string& boardPath);

// Reads rules text into the board. `copperLayers` maps KiCad copper-layer names to host
// signal layers (for routing directions). Throws SExprError with line and column for
// anything malformed; names the board does not know are warnings.
PlacerRulesSummary ApplyPlacerRules(const std::string& text, const std::string& path, hostpcb::Board& board,
                                    const std::map<std::string, hostpcb::LayerNumber>& copperLayers);

}  // namespace io
