// What "autoplacer place" tells the user at the end: time per phase, the
// placement figures before and after, the components the placer could not fit
// and those it turned or put on the other side; as text and as JSON.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
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
    // Components the placer marked as not fitted (selected by the run, or left
    // without room by the statistical placer), by designator.
    std::vector<std::string> unfitted;
    // Components without extent (logos, panel tabs): both placers leave them
    // where they are.
    std::vector<std::string> withoutExtent;
    // Mounting holes the loader kept where the designer put them.
    std::vector<std::string> keptMountingHoles;
    // Parts across the board's edge the loader kept where the designer put them.
    std::vector<std::string> keptEdgeParts;
    // Parts sharing a hole with another that the loader kept where the designer put them.
    std::vector<std::string> keptJoinedParts;
    // Moved components whose extent leaves the outline, and pairs on one side
    // whose extents (courtyards where there are) overlap, one of them moved.
    std::vector<std::string> outside;
    std::vector<std::pair<std::string, std::string>> overlapping;

    // No part not fitted, outside the outline or overlapping another.
    bool Legal() const { return unfitted.empty() && outside.empty() && overlapping.empty(); }
};

// Fills the component counts, the unfitted list, the parts without extent and
// the placement problems by
// comparing the board with the snapshot; extraUnfitted (the statistical
// placer's parts without room) joins the unfitted list.
void CompareComponents(const std::vector<ComponentState>& before, const hostpcb::Board& board,
                       const std::vector<std::string>& extraUnfitted, PlaceReport& report);

void WriteReportText(const PlaceReport& report, std::ostream& out);
std::string ReportJson(const PlaceReport& report);

}  // namespace app
