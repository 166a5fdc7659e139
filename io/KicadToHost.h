// Builds the host's board model from a KiCad board view: components with their pads
// and graphics, the Edge.Cuts outline on the keep-out layer, nets, power planes, the
// grid origin and the board-wide clearance.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "io/KicadBoard.h"

namespace io {

// A footprint and the host component made from it, with the placement it was loaded at
// (the writer compares against it to find what moved).
struct FootprintLink {
    size_t footprint = 0;  // index into KicadBoard::footprints()
    hostpcb::Component* component = nullptr;
    hostpcb::Point origin;
    double rotation = 0;
    hostpcb::LayerNumber side = PCB_TOP_LAYER;
};

struct HostMapping {
    std::vector<FootprintLink> links;
    std::vector<std::string> warnings;
    int outlineTracks = 0;  // tracks and arcs put on the keep-out layer
    int planeLayers = 0;    // inner power layers made internal planes
    // Host layer of every KiCad copper layer (signal layers and internal planes).
    std::map<std::string, hostpcb::LayerNumber> copperLayers;
};

// "footprint R1" (or the library name when the footprint has no reference), for messages.
std::string FootprintName(const KFootprint& footprint);

// The host rotation of a footprint. The host puts a bottom-side component together as its
// top-side footprint mirrored about the vertical axis and then turned; KiCad mirrors
// about the horizontal axis. The two differ by half a turn.
double HostRotation(const KFootprint& footprint);
// The KiCad orientation for a host rotation on the given side.
double KicadAngle(double hostRotation, bool back);

// Host layer of a footprint graphic's KiCad layer; 0 when the layer is not mapped.
hostpcb::LayerNumber GraphicLayer(const KicadBoard& kicad, const std::string& layer);

// Fills `board` (expected empty). The clearance becomes a board-wide clearance rule.
// Throws SExprError at the item when a coordinate or size is more than the host can
// hold (see io/Units.h), std::out_of_range for such a clearance.
HostMapping BuildHostBoard(const KicadBoard& kicad, hostpcb::Board& board, double clearanceMm);

}  // namespace io
