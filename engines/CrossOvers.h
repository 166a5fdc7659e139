// The cost of the board's connection lines for the group placer: how long they
// are, how often they cross, and how many run in none of the preferred routing
// directions. Power nets take no part.
//
// The group placer keeps a TNetRegistry of the nets that the group being placed
// touches, and for every candidate position creates a TCrossOverAnalyzer,
// calls TotalCost once and frees it.
#pragma once

#include <array>
#include <cstdint>

#include "model/PlacementContext.h"
#include "host/PcbRecords.h"
#include "model/FastList.h"
#include "model/PlacerOptions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// Connection lengths are counted in whole steps of 10 mil; a length sum beyond
// the 32-bit range stands as OverflowedLength. The analyzer and the
// incremental cost of the group placer's search must agree on both.
inline constexpr int32_t ConnectionLengthStep = 100000;
inline constexpr int32_t OverflowedLength = 999990000;

// The length of a connection with these extents, in whole steps.
int64_t ConnectionLengthSteps(double dx, double dy);

class TRectangularComponentGroup;

// The distinct non-power nets of a group's pads, in order of first appearance.
class TNetRegistry : public TFastListOf<PcbHandle> {
public:
    explicit TNetRegistry(const TPlacementContext& context);

    // Appends the net of every pad of every member (member order, then the
    // host's pad order) unless the pad has no net, the net is already listed,
    // or it is a power net.
    void AddGroupNets(TRectangularComponentGroup* group);

    TPlacementContext Context;
};

// Direction in degrees of a routing-layer direction code (0 for 1, 3 and any
// other unknown code). Code 0 marks an unused layer and has no direction.
double DirectionOfCode(uint8_t code);
// The direction of the vector from (x2, y2) to (x1, y1) in degrees, 0 to under
// 360; a vertical or zero-length connection is 90 when y1 > y2, else 270.
double ConnectionAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The connection runs within 5 degrees of the direction of some used layer.
bool MatchesLayerDirection(double angle, const std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions);

// The weighted cost of the board's connections; lives for one TotalCost call.
class TCrossOverAnalyzer {
public:
    // Borrows the registry; copies the options and the context.
    TCrossOverAnalyzer(TNetRegistry* registry, const TPlacerOptions& options, const TPlacementContext& context);
    ~TCrossOverAnalyzer();
    TCrossOverAnalyzer(const TCrossOverAnalyzer&) = delete;
    TCrossOverAnalyzer& operator=(const TCrossOverAnalyzer&) = delete;

    // Refreshes the connections (through the dragger, or by analysing the
    // registry's nets), gathers the non-power ones and returns
    // length x its weight + crossings x its weight + direction violations x its
    // weight; a zero weight skips its term. Without a dragger the crossing
    // count removes the connections it visits from the board.
    int32_t TotalCost();

    // The terms, over the connections gathered by TotalCost.
    // Whole 10-mil steps summed over the connections; 999990000 on overflow.
    int32_t ConnectionLength();
    int32_t CrossOverCount();
    int32_t DirectionViolations() const;

    TNetRegistry* Registry;
    TFastListOf<TPcbFromTo*> Connections;  // owned records
    TPlacementContext Context;
    TPlacerOptions Options;

private:
    void RefreshConnections();
    void GatherConnections();
};

}  // namespace autoplacer
