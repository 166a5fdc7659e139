// A group placer whose search steps, placement tests and costs are open, so
// that tests can drive and compare them one by one.
#pragma once

#include "engines/GroupPlacer.h"

namespace autoplacer {

class TGroupPlacerProbe : public TGroupPlacer {
public:
    using TGroupPlacer::TGroupPlacer;

    using TGroupPlacer::BestPosition;
    using TGroupPlacer::BestPositionPlain;
    using TGroupPlacer::CandidatePositions;
    using TGroupPlacer::CandidatePositionsPlain;
    using TGroupPlacer::CellCost;
    using TGroupPlacer::CellOf;
    using TGroupPlacer::CellOfPlain;
    using TGroupPlacer::CollectRoomRules;
    using TGroupPlacer::Conflicts;
    using TGroupPlacer::ConnectionCost;
    using TGroupPlacer::DetachUnrelatedPads;
    using TGroupPlacer::FindPlacement;
    using TGroupPlacer::FitsArea;
    using TGroupPlacer::FitsAreaPlain;
    using TGroupPlacer::GridOf;
    using TGroupPlacer::GroupsGap;
    using TGroupPlacer::GuideCost;
    using TGroupPlacer::KeepOutGap;
    using TGroupPlacer::LayersDisjoint;
    using TGroupPlacer::LeastOverlapPosition;
    using TGroupPlacer::OverlapCost;
    using TGroupPlacer::PadCostOfPattern;
    using TGroupPlacer::PadPositionCost;
    using TGroupPlacer::PlaceAtAreaCorner;
    using TGroupPlacer::PositionCost;
    using TGroupPlacer::PositionCostPlain;
    using TGroupPlacer::ResetCellCosts;
    using TGroupPlacer::RoomRulesAllow;
    using TGroupPlacer::RotationPermitted;
    using TGroupPlacer::TurnToOrientation;

    using TGroupPlacer::Area;
    using TGroupPlacer::BottomGrid;
    using TGroupPlacer::Context;
    using TGroupPlacer::CostCells;
    using TGroupPlacer::Extent;
    using TGroupPlacer::Failed;
    using TGroupPlacer::GuideRect;
    using TGroupPlacer::KeepInRules;
    using TGroupPlacer::KeepOutRules;
    using TGroupPlacer::NetRegistry;
    using TGroupPlacer::Options;
    using TGroupPlacer::PlacedGroups;
    using TGroupPlacer::QuickMode;
    using TGroupPlacer::TopGrid;
};

}  // namespace autoplacer
