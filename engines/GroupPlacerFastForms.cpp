// The fast forms of the group placer's search. They give the placements of the
// plain forms (BestPositionPlain, CandidatePositionsPlain, CellOfPlain,
// FitsAreaPlain, PositionCostPlain) and ask the host less:
//
// - What no move of the searched group can change is read once per search
//   (TGroupSearch): the keep-out gap and the rooms of the confinement rules,
//   the gap, clearance mode and layer relation to each placed group, the pad
//   pattern per orientation.
// - The conflict test asks only the placed groups that a spatial index finds
//   within the largest gap of the candidate rectangle; the others cannot
//   conflict, since their rectangles are farther apart than their gap.
// - A point whose cost cell already holds an earlier candidate of the same
//   orientation is not tested at all: it would cost what that candidate costs
//   and could not win, since a later candidate must be strictly cheaper.
// - Two rectangles that share a point overlap for the host whatever the gap,
//   so the conflict test asks the host about rectangles only when they are
//   apart by less than the gap.
// - Keep-out answers are kept per lattice point and rectangle size, gap and
//   sides from one search to the next; so are conflict answers per group shape
//   for groups judged by extents alone, while nothing placed since comes near
//   (TKeptAnswers).
// - The cost cell of a point is read from a map of the grid's lattice, made
//   with the cells by arithmetic instead of a walk.
// - An orientation does not price a cell that cannot go below the best an
//   earlier orientation found: it could only lose to that one.
// - A candidate whose cost has a lower bound (exact length, direction, guide
//   and pad terms; crossings counted only where they are certain) no lower
//   than the best so far is not priced, and its cell is settled with it.
// - With a connection dragger, the connection cost is incremental
//   (TIncrementalConnectionCost); within one orientation the group is moved on
//   the host for its first cost only, and later costs shift only its lines.
//
// Stops are polled after every grid point visited and before every cost after
// the first, as in the plain forms; points that are skipped for their cell get
// the first poll only.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "engines/CrossOvers.h"
#include "engines/CrossingMemo.h"
#include "engines/GroupPlacer.h"
#include "engines/GroupSearch.h"
#include "engines/KeepOut.h"
#include "engines/KeptAnswers.h"
#include "engines/PlacedGroupIndex.h"
#include "host/PcbRules.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

// The side of the placed-group index's buckets, in grid steps.
constexpr int64_t IndexBucketSteps = 8;
// The bucket side when there is no usable grid step (100 mil).
constexpr int64_t DefaultBucketSide = 1000000;

int32_t Clamped(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The closed rectangles share a point: the host's overlap test of two fills
// over them holds (touching counts), whatever the clearance.
bool RectsMeet(const TRect& a, const TRect& b) {
    return std::min(a.Left, a.Right) <= std::max(b.Left, b.Right) &&
           std::min(b.Left, b.Right) <= std::max(a.Left, a.Right) &&
           std::min(a.Bottom, a.Top) <= std::max(b.Bottom, b.Top) &&
           std::min(b.Bottom, b.Top) <= std::max(a.Bottom, a.Top);
}

}  // namespace

TGroupPlacer::TSearchScope::TSearchScope(TGroupPlacer& placer, const TRectangularComponentGroup& group)
    : Placer(placer) {
    if (!placer.FastForms() || (placer.Search != nullptr && placer.Search->Group == &group)) {
        return;
    }
    // A search of another group (never opened by the placer itself) is set
    // aside, not lost.
    Outer = std::move(placer.Search);
    placer.Search = std::make_unique<TGroupSearch>(group);
    Opened = true;
}

TGroupPlacer::TSearchScope::~TSearchScope() {
    if (Opened) {
        Placer.Search = std::move(Outer);
    }
}

bool TGroupPlacer::FastForms() const { return Context.Forms == TPlacerForms::Fast; }

// ---------------------------------------------------------------------------
// The walk.

TPositionChoice TGroupPlacer::BestPositionFast(TRectangularComponentGroup& group) {
    TPositionChoice best;
    // The search leaves the group where its last test left it, as the plain form does.
    struct TFlushOnExit {
        TGroupPlacer& Placer;
        ~TFlushOnExit() {
            Placer.WalkTrust = 0;
            Placer.FlushPendingMove();
        }
    } const flush{*this};
    if (!RotationPermitted(group)) {
        return best;
    }
    const TGridPoints* grid = GridOf(group);
    if (grid == nullptr) {
        return best;
    }
    const TSearchScope scope(*this, group);
    PrepareConflictTests(group);
    if (!QuickMode && Options.PadCostWeight != 0) {
        Search->PadPattern = MaxPadPattern(group);
    }
    Search->InOrientation = true;
    Search->CannotWin.assign(CostCells.size(), false);
    if (Search->Connections != nullptr) {
        Search->Connections->NewOrientation();
    }
    const int32_t w = RectWidth(group.Rect);
    const int32_t h = RectHeight(group.Rect);
    const std::vector<TGridPoint> points = grid->Points();
    const std::vector<int64_t> lattice = grid->LatticeIndices();
    const TFitInputs& fit = FitInputsOf(group);
    std::vector<int8_t>& keepOut = Kept->KeepOut(w, h, fit.KeepOutGap, fit.Sides);
    TConflictAnswers* kept = KeptConflictsOf(group);
    bool found = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TGridPoint& p = points[i];
        const int64_t at = lattice[i];
        const TCostCell* cell = found ? CellAt(p, at) : nullptr;
        const bool settled = cell != nullptr && (cell->Computed || Search->CannotWin[CellIndex(cell)]);
        if (!settled) {
            const TRect r = RectAt(p, w, h);
            const bool fits = at >= 0 ? FitsAreaFast(r, group, &keepOut, static_cast<std::size_t>(at), &fit)
                                      : FitsAreaFast(r, group);
            if (fits && !ConflictsWithPlacedKept(group, r, at, kept)) {
                if (!found) {
                    ResetCellCosts();
                    best.Pos = p;
                    best.Cost = CellCost(p, group);
                    found = true;
                    if (QuickMode) {
                        break;
                    }
                } else {
                    if (CheckStopRequest()) {
                        break;
                    }
                    const TCostCell* own = cell;
                    // Below both the best so far and what an earlier orientation found.
                    const int32_t bar =
                        OrientationsBest == NoPositionCost ? best.Cost : std::min(best.Cost, OrientationsBest);
                    if (own != nullptr && !own->Computed && CannotBeat(p, group, bar)) {
                        Search->CannotWin[CellIndex(own)] = true;  // nor can the cell's later points
                        continue;  // the point's poll was taken just above
                    }
                    const int32_t cost = CellCost(p, group);
                    if (cost < best.Cost) {
                        best.Cost = cost;
                        best.Pos = p;
                    }
                }
            }
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    Search->PadPattern.reset();
    Search->InOrientation = false;
    return best;
}

std::vector<TGridPoint> TGroupPlacer::CandidatePositionsFast(TRectangularComponentGroup& group) {
    std::vector<TGridPoint> candidates;
    // The search leaves the group where its last test left it, as the plain form does.
    struct TFlushOnExit {
        TGroupPlacer& Placer;
        ~TFlushOnExit() {
            Placer.WalkTrust = 0;
            Placer.FlushPendingMove();
        }
    } const flush{*this};
    const TGridPoints* grid = GridOf(group);
    if (grid == nullptr) {
        return candidates;
    }
    const TSearchScope scope(*this, group);
    PrepareConflictTests(group);
    const int32_t w = RectWidth(group.Rect);
    const int32_t h = RectHeight(group.Rect);
    const std::vector<TGridPoint> points = grid->Points();
    for (const TGridPoint& p : points) {
        const TRect r = RectAt(p, w, h);
        if (FitsAreaFast(r, group) && !ConflictsWithPlaced(group, r)) {
            candidates.push_back(p);
            if (QuickMode) {
                break;
            }
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return candidates;
}

std::size_t TGroupPlacer::CellIndex(const TCostCell* cell) const {
    return static_cast<std::size_t>(cell - CostCells.data());
}

// Whether the cost at p is known to be no lower than best without computing
// it: a lower bound of the connection cost (see LowerBoundAt) plus the exact
// guide and pad costs. A sum that overflows costs 999990000, so a bound only
// counts while best is at most that. Nothing of it looks at where the members
// stand, so a move the conflict test left waiting still waits.
bool TGroupPlacer::CannotBeat(const TGridPoint& p, const TRectangularComponentGroup& group, int32_t best) {
    if (QuickMode || best > OverflowCost || Options.GuideCostWeight < 0 || Options.PadCostWeight < 0 ||
        Search->Connections == nullptr || (Options.PadCostWeight != 0 && !Search->PadPattern.has_value())) {
        return false;
    }
    const std::optional<int32_t> connections = Search->Connections->LowerBoundAt(p);
    if (!connections) {
        return false;
    }
    int64_t bound = *connections;
    if (Options.GuideCostWeight != 0) {
        bound += int64_t{GuideCost(p, group)} * Options.GuideCostWeight;
    }
    if (Options.PadCostWeight != 0) {
        bound += int64_t{PadCostOfPattern(RectAt(p, RectWidth(group.Rect), RectHeight(group.Rect)),
                                          *Search->PadPattern)} *
                 Options.PadCostWeight;
    }
    return bound >= best;
}

// ---------------------------------------------------------------------------
// Area and conflicts.

const TFitInputs& TGroupPlacer::FitInputsOf(const TRectangularComponentGroup& group) {
    const auto known = Search->Fits.find(&group);
    if (known != Search->Fits.end()) {
        return known->second;
    }
    TFitInputs inputs;
    inputs.KeepOutGap = KeepOutGap(group);
    inputs.Sides = CopperSides(group);
    for (const TPlacedComponent* member : group) {
        const TPcbRuleEx* keepIn = FirstRuleFor(KeepInRules, member->Handle);
        const TPcbRuleEx* keepOut = FirstRuleFor(KeepOutRules, member->Handle);
        inputs.KeepInRooms.push_back(keepIn != nullptr ? std::optional<TRect>(GetConfinementRect(keepIn->Handle))
                                                       : std::nullopt);
        inputs.KeepOutRooms.push_back(keepOut != nullptr ? std::optional<TRect>(GetConfinementRect(keepOut->Handle))
                                                         : std::nullopt);
    }
    return Search->Fits.emplace(&group, std::move(inputs)).first->second;
}

bool TGroupPlacer::FitsAreaFast(const TRect& r, const TRectangularComponentGroup& group,
                                std::vector<int8_t>* keepOutAnswers, std::size_t point, const TFitInputs* held) {
    if (QuickMode) {
        return RectContainsRect(Area, r);
    }
    const TFitInputs& inputs = held != nullptr ? *held : FitInputsOf(group);
    // The keep-out answer of a rectangle comes back in the opposite orientation.
    int8_t* known = keepOutAnswers != nullptr ? &(*keepOutAnswers)[point] : nullptr;
    if (known != nullptr && *known < 0) {
        *known = RectFitsKeepOut(Context, Area, r, inputs.KeepOutGap, inputs.Sides) ? 1 : 0;
    }
    if (known != nullptr ? *known == 0 : !RectFitsKeepOut(Context, Area, r, inputs.KeepOutGap, inputs.Sides)) {
        return false;
    }
    // The members in order, each keep-inside room before its keep-outside room.
    for (std::size_t i = 0; i < inputs.KeepInRooms.size(); ++i) {
        if (inputs.KeepInRooms[i] && !RectContainsRect(*inputs.KeepInRooms[i], r)) {
            return false;
        }
        if (inputs.KeepOutRooms[i] && RectsOverlap(*inputs.KeepOutRooms[i], r, 0, Context.Forms)) {
            return false;
        }
    }
    return true;
}

void TGroupPlacer::PrepareConflictTests(TRectangularComponentGroup& group) {
    if (PlacedIndex == nullptr) {
        const int64_t side = Options.GridSize > 0 ? IndexBucketSteps * Options.GridSize : DefaultBucketSide;
        PlacedIndex = std::make_unique<TPlacedGroupIndex>(side, Area.Left, Area.Bottom);
    }
    // Placed groups may have been moved by their owners since the last search.
    for (int32_t i = 0; i < PlacedGroups.Count(); ++i) {
        PlacedIndex->Put(i, PlacedGroups[i]->Rect);
    }
    // The placed groups stand still during the walk, so where their members stand
    // is read once; not when a part of this group is also in a placed one.
    WalkTrust = 0;
    std::unordered_set<PcbHandle> own;
    for (const TPlacedComponent* member : group) {
        own.insert(member->Handle);
    }
    bool disjoint = true;
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        for (const TPlacedComponent* member : *placed) {
            disjoint = disjoint && placed != &group && own.count(member->Handle) == 0;
        }
    }
    if (disjoint) {
        WalkTrust = ++TrustCounter;
    }
    for (auto i = static_cast<int32_t>(Search->Relations.size()); i < PlacedGroups.Count(); ++i) {
        TPlacedRelation relation;
        relation.Gap = GroupsGap(group, *PlacedGroups[i], relation.Mode);
        relation.LayersDisjoint = LayersDisjoint(group, *PlacedGroups[i]);
        Search->Relations.push_back(relation);
        if (!relation.LayersDisjoint) {
            Search->LargestGap = std::max(Search->LargestGap, relation.Gap);
        }
    }
}

bool TGroupPlacer::ConflictsWithPlaced(TRectangularComponentGroup& group, const TRect& r) {
    // Nothing but this test's own moves changes where the parts stand until it ends.
    struct TTrustScope {
        TGroupPlacer& Placer;
        ~TTrustScope() { Placer.ConflictTrust = 0; }
    } const trust{*this};
    ConflictTrust = ++TrustCounter;
    // A placed group farther than its gap (plus a unit of slack for the host's
    // tolerance) on either axis cannot conflict.
    const int64_t grow = int64_t{Search->LargestGap} + 1;
    const TRect near = Rect(Clamped(int64_t{std::min(r.Left, r.Right)} - grow),
                            Clamped(int64_t{std::max(r.Top, r.Bottom)} + grow),
                            Clamped(int64_t{std::max(r.Left, r.Right)} + grow),
                            Clamped(int64_t{std::min(r.Top, r.Bottom)} - grow));
    PlacedIndex->Query(near, NearbyPlaced);
    for (const int32_t i : NearbyPlaced) {
        const TPlacedRelation& relation = Search->Relations[static_cast<std::size_t>(i)];
        if (relation.LayersDisjoint) {
            continue;
        }
        const TRectangularComponentGroup& placed = *PlacedGroups[i];
        if (ConflictsAt(group, r, placed, relation.Gap, relation.Mode, RectsMeet(r, placed.Rect))) {
            return true;
        }
    }
    return false;
}

TConflictAnswers* TGroupPlacer::KeptConflictsOf(TRectangularComponentGroup& group) {
    // Only a group whose members are judged by their extents alone, shifted
    // without a turn, against placed groups judged by rectangles or extents.
    if (WalkTrust == 0 || std::fabs(group.Rotation) >= 0.1 || PendingMove == &group) {
        return nullptr;
    }
    for (const TPlacedRelation& relation : Search->Relations) {
        if (!relation.LayersDisjoint && relation.Mode == 2) {
            return nullptr;
        }
    }
    std::vector<int64_t> shape{RectWidth(group.Rect), RectHeight(group.Rect)};
    for (const TPlacedComponent* member : group) {
        if (member == nullptr || member->HasMultiLayerPads || member->HasFarSideCopper) {
            return nullptr;
        }
        const TRect& e = MemberExtent(member->Handle);
        const int64_t x = group.OldRect.Left;
        const int64_t y = group.OldRect.Bottom;
        shape.insert(shape.end(), {member->GetLayer(), e.Left - x, e.Bottom - y, e.Right - x, e.Top - y});
    }
    Kept->NotePlaced(PlacedGroups);
    return &Kept->ConflictsOf(shape, Search->Relations);
}

bool TGroupPlacer::ConflictsWithPlacedKept(TRectangularComponentGroup& group, const TRect& r, int64_t point,
                                           TConflictAnswers* kept) {
    if (kept == nullptr || point < 0) {
        return ConflictsWithPlaced(group, r);
    }
    const auto at = static_cast<std::size_t>(point);
    const uint8_t known = kept->Bits[at];
    if ((known & TConflictAnswers::Known) != 0) {
        if ((known & TConflictAnswers::Touched) != 0) {
            // As the member-extent test leaves it: at r, its move waiting.
            FlushPendingMove(&group);
            group.Rect = r;
            PendingMove = &group;
        }
        return (known & TConflictAnswers::Conflict) != 0;
    }
    const uint64_t tests = ExtentTests;
    const bool conflict = ConflictsWithPlaced(group, r);
    kept->Bits[at] = static_cast<uint8_t>(TConflictAnswers::Known | (conflict ? TConflictAnswers::Conflict : 0) |
                                          (ExtentTests != tests ? TConflictAnswers::Touched : 0));
    return conflict;
}

// ---------------------------------------------------------------------------
// Costs.

int32_t TGroupPlacer::PositionCostFast(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (QuickMode) {
        return 0;
    }
    // The group goes to p on the host, as the plain form moves it, except inside
    // one orientation's walk with a dragger, where only its lines are shifted.
    const bool connections = Options.ConnectionLengthCostWeight != 0 || Options.CrossOverCostWeight != 0 ||
                             Options.DirectionCostWeight != 0;
    const bool shiftLines = connections && Context.ConnectionDragger != nullptr && Search != nullptr &&
                            Search->Group == &group && Search->InOrientation;
    if (!shiftLines) {
        MoveGroupTo(p, group);
    }
    int64_t a = 0;
    if (connections) {
        a = ConnectionCostAt(p, group);
    }
    int64_t b = 0;
    if (Options.GuideCostWeight != 0) {
        b = int64_t{GuideCost(p, group)} * Options.GuideCostWeight;
    }
    int64_t c = 0;
    if (Options.PadCostWeight != 0) {
        const bool known = Search != nullptr && Search->Group == &group && Search->PadPattern.has_value();
        const int32_t pattern = known ? *Search->PadPattern : MaxPadPattern(group);
        c = int64_t{PadCostOfPattern(RectAt(p, RectWidth(group.Rect), RectHeight(group.Rect)), pattern)} *
            Options.PadCostWeight;
    }
    return CappedCost(a + b + c);
}

bool TGroupPlacer::CostMovesOnlyLines(const TRectangularComponentGroup& group) const {
    const bool connections = Options.ConnectionLengthCostWeight != 0 || Options.CrossOverCostWeight != 0 ||
                             Options.DirectionCostWeight != 0;
    return FastForms() && !QuickMode && connections && Context.ConnectionDragger != nullptr && Search != nullptr &&
           Search->Group == &group && Search->InOrientation && Search->Connections != nullptr &&
           Search->Connections->MovesOnlyLines();
}

// The connection cost with the group at p. Inside one orientation's walk with
// a dragger, the incremental cost moves only the group's lines.
int32_t TGroupPlacer::ConnectionCostAt(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (Context.ConnectionDragger != nullptr && Search != nullptr && Search->Group == &group) {
        if (Search->Connections == nullptr) {
            if (Crossings == nullptr) {
                Crossings = std::make_unique<TCrossingMemo>();
            }
            Search->Connections =
                std::make_unique<TIncrementalConnectionCost>(Options, Context, group, Crossings.get());
        }
        if (Search->InOrientation) {
            return Search->Connections->CostAt(p, group);
        }
        MoveGroupTo(p, group);
        return Search->Connections->TotalCost();
    }
    MoveGroupTo(p, group);
    TCrossOverAnalyzer analyzer(NetRegistry.get(), Options, Context);
    return analyzer.TotalCost();
}

}  // namespace autoplacer
