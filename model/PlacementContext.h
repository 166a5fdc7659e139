// The records that the drivers hand to every engine: the placement context
// (copied by value into each engine) and the cluster lists (borrowed).
// Neither owns what its fields refer to; copying a context copies references.
#pragma once

#include <array>
#include <cstdint>

#include "model/FastList.h"
#include "model/PlacerForms.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TCluster;
class TPrimitivesList;
class TConnectionDragger;

struct TPlacementContext {
    PcbHandle Board = nullptr;
    // Valid once the keep-out outline has been validated.
    TRect KeepOutExtent;
    bool KeepOutIsRectangular = false;
    // Net handles treated as power nets.
    TFastListOf<PcbHandle>* PowerNets = nullptr;
    TPrimitivesList* KeepOutPrimitives = nullptr;
    // Present when the run keeps the net topology fixed.
    TConnectionDragger* ConnectionDragger = nullptr;
    // One direction code per signal layer, TopLayer (index 0) to BottomLayer (index 31).
    std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT> LayerDirections{};
    // The fast forms of the hot paths, or the plain reference forms they must match.
    TPlacerForms Forms = TPlacerForms::Fast;
};

// A net of the context's power nets: the connection costs leave them out.
inline bool IsPowerNet(const TPlacementContext& context, PcbHandle net) {
    return context.PowerNets != nullptr && context.PowerNets->Contains(net);
}

using TClusterList = TFastListOf<TCluster*>;

struct TClusterLists {
    TClusterList* Clusters = nullptr;
    TClusterList* ICCapClusters = nullptr;
    TClusterList* SameFootprintClusters = nullptr;
    TClusterList* ConfinementClusters = nullptr;
};

}  // namespace autoplacer
