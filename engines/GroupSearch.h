// What the group placer reads once while it searches a place for one group:
// the inputs of the area test per group asked about, the gap, clearance mode
// and layer relation to every placed group, the pad pattern of the current
// orientation, and the incremental connection cost. None of it can change
// while only the searched group moves, so the fast forms of the search read
// these instead of asking the host at every candidate.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engines/IncrementalConnectionCost.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TRectangularComponentGroup;
class TPcbRuleEx;

// The first rule of the list whose first scope includes the component; nil for none.
const TPcbRuleEx* FirstRuleFor(const TFastListOf<TPcbRuleEx*>& rules, PcbHandle component);

// The keep-out gap of a group and, per member in order, the rooms of the first
// keep-inside and the first keep-outside rule that include it.
struct TFitInputs {
    int32_t KeepOutGap = 0;
    uint8_t Sides = 3;  // CopperSides of the group
    std::vector<std::optional<TRect>> KeepInRooms;
    std::vector<std::optional<TRect>> KeepOutRooms;
};

// The searched group against one placed group.
struct TPlacedRelation {
    int32_t Gap = 0;
    uint8_t Mode = 0;
    bool LayersDisjoint = false;
    bool operator==(const TPlacedRelation&) const = default;
};

struct TGroupSearch {
    explicit TGroupSearch(const TRectangularComponentGroup& group) : Group(&group) {}

    const TRectangularComponentGroup* Group;
    std::unordered_map<const TRectangularComponentGroup*, TFitInputs> Fits;
    // One per placed group, in the order of the placed list.
    std::vector<TPlacedRelation> Relations;
    int32_t LargestGap = 0;
    // MaxPadPattern in the orientation being searched; valid inside one BestPosition.
    std::optional<int32_t> PadPattern;
    // Inside one BestPosition: the group keeps its orientation, so the
    // connection cost may shift the group's lines instead of the group.
    bool InOrientation = false;
    // Per cost cell, inside one BestPosition: the cell's first candidate was
    // shown by a lower bound to be no cheaper than the best, so no point of the
    // cell can win.
    std::vector<bool> CannotWin;
    // With a connection dragger: the cost of the connections that move with the group.
    std::unique_ptr<TIncrementalConnectionCost> Connections;
};

}  // namespace autoplacer
