// The host's own statistical placer, run by the host command "Placer:RunAutoPlacer":
// every movable component of the board is placed inside the keep-out outline by
// simulated annealing (positions, permitted quarter turns and sides; weighted
// half-perimeter of the signal nets), then made legal (no part inside another's gap,
// none outside the outline or its rooms). Locked components stay where they are.
//
// Board facts it honours: the component-clearance rule of a pair is the gap between
// their extents (courtyards with pads on a KiCad board); a pair without one keeps
// placer option 1 or its clearance rule, whichever is larger; option 2 is the gap to
// the outline; component-rotations and permitted-layers rules; confinement
// rooms (keep inside, keep outside); the power nets (planes, the two largest nets,
// power-net rules, the power and ground names of the placer options) weigh nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/statistical/Annealer.h"
#include "sdk/dialogs.h"

namespace hostpcb::statistical {

struct PlacerSettings {
    uint64_t seed = 1;  // the same seed on the same board gives the same placement
    // Where the stop question and the placer's messages go (none: no questions; a
    // stop request is then withdrawn).
    sdk::IDialogHost* dialogs = nullptr;
    // Asked often during the run; true means the user asked to stop (Ctrl-C).
    std::function<bool()> stopRequested;
    AnnealSettings anneal;
};

struct PlacementOutcome {
    int movable = 0;                  // components the placer could move
    std::vector<std::string> unfit;   // designators of the parts left without room
    bool noOutline = false;           // nothing was done: the board has no keep-out outline
    bool stopped = false;
    bool restored = false;            // stopped, and every component was put back
    double lengthBefore = 0;          // weighted half-perimeter of the nets, host units
    double lengthAfter = 0;
};

// Places the board's movable components (see above). The board changes as the run
// goes; a stop with restore puts every component back as it was found.
PlacementOutcome PlaceBoard(Board& board, const PlacerSettings& settings);

}  // namespace hostpcb::statistical
