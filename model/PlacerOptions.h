// The options of one cluster placement run.
#pragma once

#include <cstdint>

namespace autoplacer {

struct TPlacerOptions {
    int32_t GuideCostWeight = 1;             // keeping components in their room
    int32_t PadCostWeight = 1;               // pad positions
    int32_t ConnectionLengthCostWeight = 1;  // connection length
    int32_t CrossOverCostWeight = 1;         // crossing connections
    int32_t DirectionCostWeight = 1;         // routing directions
    bool StrictFloorPlanning = false;        // skip the absolute placement phase
    bool FixedNetTopology = true;            // keep a connection dragger during the run
    bool TreeBasedRooms = false;             // skip the room placement phase
    bool DoPrePasses = true;                 // run the pre-cluster analysis
    int32_t ClusterScoreThreshold = 85;      // pair score from which a subtree becomes a cluster
    int32_t GridSize = 500000;               // placement grid, host units (50 mil)

    bool operator==(const TPlacerOptions&) const = default;
};

}  // namespace autoplacer
