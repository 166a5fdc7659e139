// The driver of one automatic placement run. Only what the "AutoPlacer" query
// needs exists so far: the board the run works on.
#pragma once

#include "sdk/pcb_types.h"

namespace autoplacer {

class TAutoPlacerDriver {
public:
    TAutoPlacerDriver(PcbHandle board, bool testMode) : Board(board), TestMode(testMode) {}

    PcbHandle GetBoard() const { return Board; }
    bool IsTestMode() const { return TestMode; }

private:
    PcbHandle Board;
    bool TestMode;
};

// The driver of the run in progress, nil when none.
extern TAutoPlacerDriver* CurrentDriver;

}  // namespace autoplacer
