// Writes a new placement into a KiCad board's tree: a footprint's position and
// orientation and, when its side changes, the footprint flipped the way KiCad flips
// it (top to bottom about its own horizontal axis). Everything else keeps its bytes.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "io/KicadBoard.h"

namespace io {

struct FootprintPlacement {
    KPoint at;           // millimetres, KiCad frame
    double angle = 0;    // KiCad orientation, degrees
    bool back = false;   // on the bottom side
};

// Changes the footprint's nodes and re-reads its view entry.
void PlaceFootprint(KicadBoard& kicad, size_t footprintIndex, const FootprintPlacement& placement);

struct StaleRouting {
    int tracks = 0;     // segments and track arcs
    int vias = 0;
    int zoneFills = 0;  // zones whose fill was dropped
    bool any() const { return tracks + vias + zoneFills > 0; }
};

// Removes the routing that placement made stale: tracks and vias on the nets of the moved
// footprints' pads, and the fills of copper zones that meet a moved footprint's old or
// new place (KiCad refills zones on request). `before` holds the moved footprints' views
// as they were before placement.
StaleRouting RemoveStaleRouting(KicadBoard& kicad, const std::vector<KFootprint>& before,
                                const std::vector<size_t>& moved);

// The side-swapped name of a KiCad layer ("F.SilkS" <-> "B.SilkS", front <-> back copper).
std::string FlippedLayerName(const KicadBoard& kicad, const std::string& name);

}  // namespace io
