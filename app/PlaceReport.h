// What "autoplacer place" tells the user at the end: time per phase, the
// placement figures before and after, the components the placer could not fit
// and those it turned or put on the other side; as text and as JSON.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/Board.h"

namespace app {

// Where every component stood, to compare after the run.
struct ComponentState {
    const hostpcb::Component* component = nullptr;
    hostpcb::Point position;
    double rotation = 0;
    hostpcb::LayerNumber side = PCB_TOP_LAYER;
    bool selected = false;
};
std::vector<ComponentState> SnapshotComponents(const hostpcb::Board& board);

struct PhaseTime {
    std::string text;
    double seconds = 0;
};

struct PlaceReport {
    std::string board;
    std::string output;   // empty when nothing was written
    std::string outcome;  // "placed", "stopped", "restored", ...
    double seconds = 0;
    std::vector<PhaseTime> phases;
    BoardMetrics before;
    BoardMetrics after;
    int components = 0;
    int moved = 0;
    int turned = 0;
    int flipped = 0;
    // Components the placer marked as not fitted (selected by the run), by designator.
    std::vector<std::string> unfitted;
};

// Fills the component counts and the unfitted list by comparing the board with the snapshot.
void CompareComponents(const std::vector<ComponentState>& before, PlaceReport& report);

void WriteReportText(const PlaceReport& report, std::ostream& out);
std::string ReportJson(const PlaceReport& report);

}  // namespace app
