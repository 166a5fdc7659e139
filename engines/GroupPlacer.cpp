// The group placer's search, grids, cost cache and bookkeeping. The placement
// tests and costs are in GroupPlacerFitAndCost.cpp.
#include "engines/GroupPlacer.h"
#include "engines/GroupSearch.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "engines/CrossOvers.h"
#include "engines/CrossingMemo.h"
#include "engines/KeepOut.h"
#include "engines/KeptAnswers.h"
#include "engines/PlacedGroupIndex.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"
#include "engines/ComponentCollisions.h"

namespace autoplacer {

namespace {

bool HasLayer(const TLayerSet& layers, int layer) { return layers.test(static_cast<std::size_t>(layer)); }

TLayerSet LayersOf(const TRectangularComponentGroup& group) {
    TLayerSet layers;
    GetLayerSet(group, layers);
    return layers;
}

// Puts the detached pads back even when the search is left by an exception.
class TPadsReattacher {
public:
    explicit TPadsReattacher(TDetachedPads& pads) : Pads(pads) {}
    ~TPadsReattacher() { TGroupPlacer::ReattachPads(Pads); }
    TPadsReattacher(const TPadsReattacher&) = delete;
    TPadsReattacher& operator=(const TPadsReattacher&) = delete;

private:
    TDetachedPads& Pads;
};

}  // namespace

bool TGridPoints::Contains(int32_t x, int32_t y) const {
    return std::any_of(Entries.begin(), Entries.end(), [&](const TGridPoint& p) { return p.X == x && p.Y == y; });
}

int32_t BoundedGridStep(int32_t step, const TRect& area) {
    const int64_t width = std::max<int64_t>(RectWidth(area), 0);
    const int64_t height = std::max<int64_t>(RectHeight(area), 0);
    const auto points = [&](int64_t s) { return (width / s) * (height / s); };
    if (step <= 0 || points(step) <= MaxGridPoints) {
        return step;
    }
    // Start near the square root of the excess and settle on the exact multiple.
    const double excess = static_cast<double>(width) * static_cast<double>(height) /
                          (static_cast<double>(step) * static_cast<double>(step) * MaxGridPoints);
    int64_t factor = std::max<int64_t>(static_cast<int64_t>(std::sqrt(excess)) - 1, 1);
    while (factor > 1 && points(step * (factor - 1)) <= MaxGridPoints) {
        --factor;
    }
    while (points(step * factor) > MaxGridPoints) {
        ++factor;
    }
    return static_cast<int32_t>(std::min<int64_t>(step * factor, INT32_MAX));
}

int32_t BestOrientation(const std::array<int32_t, 4>& costs) {
    int32_t best = -1;
    for (int32_t k = 0; k < 4; ++k) {
        if (costs[static_cast<std::size_t>(k)] == NoPositionCost) {
            continue;
        }
        if (best < 0 || costs[static_cast<std::size_t>(k)] < costs[static_cast<std::size_t>(best)]) {
            best = k;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------
// Life cycle and area.

TGroupPlacer::TGroupPlacer(const TPlacerOptions& options, bool quickMode, const TPlacementContext& context)
    : Area(context.KeepOutExtent),
      Extent(Rect(Area.Left, Area.Bottom, Area.Left, Area.Bottom)),
      QuickMode(quickMode),
      Options(options),
      NetRegistry(std::make_unique<TNetRegistry>(context)),
      Context(context),
      RequestedGridSize(options.GridSize) {
    Options.GridSize = BoundedGridStep(RequestedGridSize, Area);
    CollectRoomRules();
    BuildGrids();
    BuildCostCells();
    MapLatticeCells();
}

TGroupPlacer::~TGroupPlacer() {
    Search.reset();
    for (TPcbRuleEx* rule : KeepInRules) {
        delete rule;
    }
    for (TPcbRuleEx* rule : KeepOutRules) {
        delete rule;
    }
}

void TGroupPlacer::BuildGrids() {
    TopGrid.Clear();
    BottomGrid.Clear();
    if (Kept == nullptr) {
        Kept = std::make_unique<TKeptAnswers>();
    }
    const int32_t g = Options.GridSize;
    if (g <= 0) {
        Kept->Reset(Area.Left, Area.Bottom, 0, 0, 0);
        return;  // no grid can be laid without a step
    }
    const int32_t nx = RectWidth(Area) / g;
    const int32_t ny = RectHeight(Area) / g;
    Kept->Reset(Area.Left, Area.Bottom, g, nx, ny);
    for (int32_t i = 0; i < nx; ++i) {
        for (int32_t j = 0; j < ny; ++j) {
            const int32_t x = Area.Left + i * g;
            const int32_t y = Area.Bottom + j * g;
            const int64_t lattice = Kept->IndexOf(x, y);
            TopGrid.Add(x, y, lattice);
            BottomGrid.Add(x, y, lattice);
        }
    }
}

void TGroupPlacer::BuildCostCells() {
    CostCells.clear();
    const int64_t side = int64_t{CostCellSteps} * Options.GridSize;
    if (side <= 0 || RectWidth(Area) <= 0 || RectHeight(Area) <= 0) {
        return;
    }
    // Enough cells to cover the whole area; the last column and row may reach past it.
    const int64_t columns = (int64_t{RectWidth(Area)} + side - 1) / side;
    const int64_t rows = (int64_t{RectHeight(Area)} + side - 1) / side;
    CostCells.reserve(static_cast<std::size_t>(columns * rows));
    const auto coord = [](int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); };
    for (int64_t i = 0; i < columns; ++i) {
        for (int64_t j = 0; j < rows; ++j) {
            TCostCell cell;
            cell.Rect = Rect(coord(Area.Left + side * i), coord(Area.Bottom + side * (j + 1)),
                             coord(Area.Left + side * (i + 1)), coord(Area.Bottom + side * j));
            CostCells.push_back(cell);
        }
    }
}

void TGroupPlacer::SetArea(const TRect& r) {
    Area = r;
    Options.GridSize = BoundedGridStep(RequestedGridSize, Area);
    BuildCostCells();
    BuildGrids();
    MapLatticeCells();
    Extent = Rect(r.Left, r.Bottom, r.Left, r.Bottom);
    for (const TRectangularComponentGroup* group : PlacedGroups) {
        Extent.Left = std::min(Extent.Left, group->Rect.Left);
        Extent.Top = std::max(Extent.Top, group->Rect.Top);
        Extent.Right = std::max(Extent.Right, group->Rect.Right);
        Extent.Bottom = std::min(Extent.Bottom, group->Rect.Bottom);
    }
}

// ---------------------------------------------------------------------------
// Placing one group.

void TGroupPlacer::PlaceGroup(TRectangularComponentGroup* group) {
    if (group == nullptr || group->Empty()) {
        return;  // nothing to place, and no reason to call the arrangement failed
    }
    if (QuickMode) {
        const TSearchScope search(*this, *group);
        FindPlacement(*group);
        return;
    }
    TDetachedPads detached = DetachUnrelatedPads(*group);
    {
        const TPadsReattacher reattach(detached);
        const TSearchScope search(*this, *group);
        FindPlacement(*group);
    }
    RedrawBoard();
}

void TGroupPlacer::FindPlacement(TRectangularComponentGroup& group) {
    LastGroupLeft = false;
    LastGroupFailed = false;
    if (CheckStopRequest()) {
        return;
    }
    std::array<int32_t, 4> costs{};
    std::array<TGridPoint, 4> positions{};
    // Only the orientations of this search share the bar, whatever ends it.
    struct TBarScope {
        int32_t& Bar;
        ~TBarScope() { Bar = NoPositionCost; }
    } const bar{OrientationsBest};
    OrientationsBest = NoPositionCost;
    for (int32_t k = 0; k < 4; ++k) {
        const TPositionChoice choice = BestPosition(group);
        costs[static_cast<std::size_t>(k)] = choice.Cost;
        positions[static_cast<std::size_t>(k)] = choice.Pos;
        if (choice.Cost != NoPositionCost && (OrientationsBest == NoPositionCost || choice.Cost < OrientationsBest)) {
            OrientationsBest = choice.Cost;
        }
        if (k < 3) {
            group.TurnQuarter90();
            if (CheckStopRequest()) {
                return;
            }
        }
    }
    OrientationsBest = NoPositionCost;  // the fallback's searches below are not bound by it
    if (CheckStopRequest()) {
        return;
    }
    int32_t k = BestOrientation(costs);
    if (CheckStopRequest()) {
        return;
    }
    if (k < 0 && LeaveCrowdedGroups && group.Count() > 1) {
        group.TurnQuarter90();  // the fourth quarter turn: as it came
        LastGroupLeft = true;
        return;
    }
    if (k < 0) {
        Failed = true;
        LastGroupFailed = true;
        if (!QuickMode) {
            SelectMembers(group);
        }
        for (int32_t f = 0; f < 4; ++f) {
            const TPositionChoice choice = LeastOverlapPosition(group);
            costs[static_cast<std::size_t>(f)] = choice.Cost;
            positions[static_cast<std::size_t>(f)] = choice.Pos;
            if (f < 3) {
                group.TurnQuarter90();
                if (CheckStopRequest()) {
                    return;
                }
            }
        }
        k = BestOrientation(costs);
        if (CheckStopRequest()) {
            return;
        }
        if (k < 0) {
            Failed = true;
            PlaceAtAreaCorner(group);
            return;
        }
    }
    TurnToOrientation(k, group);
    MoveGroupTo(positions[static_cast<std::size_t>(k)], group);
    if (CheckStopRequest()) {
        return;
    }
    AddPlacedGroup(&group);
}

void TGroupPlacer::TurnToOrientation(int32_t k, TRectangularComponentGroup& group) {
    switch (k) {
        case 0:
            group.TurnQuarter90();
            break;
        case 1:
            group.TurnQuarter90();
            group.TurnQuarter90();
            break;
        case 2:
            group.TurnQuarter270();
            break;
        default:
            break;
    }
}

void TGroupPlacer::MoveGroupTo(const TGridPoint& p, TRectangularComponentGroup& group) {
    group.Rect = RectAt(p, RectWidth(group.Rect), RectHeight(group.Rect));
    group.ApplyTransform();
}

TPositionChoice TGroupPlacer::BestPosition(TRectangularComponentGroup& group) {
    if (FastForms()) {
        return BestPositionFast(group);
    }
    return BestPositionPlain(group);
}

TPositionChoice TGroupPlacer::BestPositionPlain(TRectangularComponentGroup& group) {
    TPositionChoice best;
    if (!RotationPermitted(group)) {
        return best;
    }
    const std::vector<TGridPoint> candidates = CandidatePositions(group);
    if (candidates.empty()) {
        return best;
    }
    ResetCellCosts();
    best.Pos = candidates.front();
    best.Cost = CellCost(candidates.front(), group);
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (CheckStopRequest()) {
            break;
        }
        const int32_t cost = CellCost(candidates[i], group);
        if (cost < best.Cost) {
            best.Cost = cost;
            best.Pos = candidates[i];
        }
    }
    return best;
}

std::vector<TGridPoint> TGroupPlacer::CandidatePositions(TRectangularComponentGroup& group) {
    if (FastForms()) {
        return CandidatePositionsFast(group);
    }
    return CandidatePositionsPlain(group);
}

std::vector<TGridPoint> TGroupPlacer::CandidatePositionsPlain(TRectangularComponentGroup& group) {
    std::vector<TGridPoint> candidates;
    const TGridPoints* grid = GridOf(group);
    if (grid == nullptr) {
        return candidates;
    }
    const int32_t w = RectWidth(group.Rect);
    const int32_t h = RectHeight(group.Rect);
    // The conflict test may move the group, never the grid; a copy keeps the walk
    // independent of anything the host calls below might trigger.
    const std::vector<TGridPoint> points = grid->Points();
    for (const TGridPoint& p : points) {
        const TRect r = RectAt(p, w, h);
        if (FitsArea(r, group)) {
            bool free = true;
            for (const TRectangularComponentGroup* placed : PlacedGroups) {
                if (Conflicts(group, r, *placed)) {
                    free = false;
                    break;
                }
            }
            if (free) {
                candidates.push_back(p);
                if (QuickMode) {
                    break;
                }
            }
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return candidates;
}

int32_t TGroupPlacer::CellCost(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (!CostMovesOnlyLines(group)) {
        FlushPendingMove();  // costs look at where the members stand
    }
    TCostCell* cell = CellOf(p);
    if (cell == nullptr) {
        return 0;
    }
    if (!cell->Computed) {
        cell->Cost = PositionCost(p, group);
        cell->Computed = true;
    }
    return cell->Cost;
}

TCostCell* TGroupPlacer::CellOf(const TGridPoint& p) {
    if (!FastForms() || CostCells.empty()) {
        return CellOfPlain(p);
    }
    // The cells are laid column by column; the first one holding the point is
    // the lowest column and, in it, the lowest row whose closed square holds it.
    const int64_t side = int64_t{CostCellSteps} * Options.GridSize;
    const int64_t dx = int64_t{p.X} - Area.Left;
    const int64_t dy = int64_t{p.Y} - Area.Bottom;
    if (dx >= 0 && dy >= 0) {
        const int64_t rows = (int64_t{RectHeight(Area)} + side - 1) / side;
        const int64_t i = dx == 0 ? 0 : (dx - 1) / side;
        const int64_t j = dy == 0 ? 0 : (dy - 1) / side;
        const int64_t at = i * rows + j;
        if (j < rows && at < static_cast<int64_t>(CostCells.size())) {
            TCostCell& cell = CostCells[static_cast<std::size_t>(at)];
            if (PointInRect(p.X, p.Y, cell.Rect)) {
                return &cell;
            }
        }
    }
    return CellOfPlain(p);  // outside the cells' arithmetic (clamped far corners)
}

void TGroupPlacer::MapLatticeCells() {
    LatticeCells.assign(Kept->Points(), -1);
    const int32_t g = Options.GridSize;
    if (g <= 0 || !FastForms()) {
        return;
    }
    const int32_t nx = RectWidth(Area) / g;
    const int32_t ny = RectHeight(Area) / g;
    for (int32_t i = 0; i < nx; ++i) {
        for (int32_t j = 0; j < ny; ++j) {
            const TGridPoint p{Area.Left + i * g, Area.Bottom + j * g};
            const int64_t at = Kept->IndexOf(p.X, p.Y);
            const TCostCell* cell = CellOf(p);
            if (at >= 0 && cell != nullptr) {
                LatticeCells[static_cast<std::size_t>(at)] = static_cast<int32_t>(CellIndex(cell));
            }
        }
    }
}

TCostCell* TGroupPlacer::CellAt(const TGridPoint& p, int64_t latticeIndex) {
    if (latticeIndex < 0 || static_cast<std::size_t>(latticeIndex) >= LatticeCells.size()) {
        return CellOf(p);
    }
    const int32_t cell = LatticeCells[static_cast<std::size_t>(latticeIndex)];
    return cell >= 0 ? &CostCells[static_cast<std::size_t>(cell)] : nullptr;
}

TCostCell* TGroupPlacer::CellOfPlain(const TGridPoint& p) {
    for (TCostCell& cell : CostCells) {
        if (PointInRect(p.X, p.Y, cell.Rect)) {
            return &cell;
        }
    }
    return nullptr;
}

void TGroupPlacer::ResetCellCosts() {
    for (TCostCell& cell : CostCells) {
        cell.Computed = false;
    }
}

TPositionChoice TGroupPlacer::LeastOverlapPosition(TRectangularComponentGroup& group) {
    TPositionChoice best;
    const TGridPoints* grid = GridOf(group);
    if (grid == nullptr || grid->Empty() || !RotationPermitted(group)) {
        return best;
    }
    const int32_t w = RectWidth(group.Rect);
    const int32_t h = RectHeight(group.Rect);
    const std::vector<TGridPoint> points = grid->Points();
    const std::vector<TOverlapPartner> partners = OverlapPartners(group);
    for (const TGridPoint& p : points) {
        const int32_t cost = OverlapCostWith(RectAt(p, w, h), group, partners);
        if (best.Cost == NoPositionCost || cost < best.Cost) {
            best.Cost = cost;
            best.Pos = p;
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return best;
}

void TGroupPlacer::PlaceAtAreaCorner(TRectangularComponentGroup& group) {
    MoveGroupTo(TGridPoint{Area.Left, Area.Bottom}, group);
    AddPlacedGroup(&group);
}

TGridPoints* TGroupPlacer::GridOf(const TRectangularComponentGroup& group) {
    const TLayerSet layers = LayersOf(group);
    if (HasLayer(layers, PCB_TOP_LAYER)) {
        return &TopGrid;
    }
    if (HasLayer(layers, PCB_BOTTOM_LAYER)) {
        return &BottomGrid;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Registering a placed group.

void TGroupPlacer::AddPlacedGroup(TRectangularComponentGroup* group) {
    if (group == nullptr) {
        return;
    }
    PlacedGroups.Add(group);
    Extent.Right = std::max(Extent.Right, group->Rect.Right);
    Extent.Top = std::max(Extent.Top, group->Rect.Top);

    const TLayerSet layers = LayersOf(*group);
    TLayerSet top;
    top.set(PCB_TOP_LAYER);
    TLayerSet bottom;
    bottom.set(PCB_BOTTOM_LAYER);
    const TRect covers = group->Rect;

    if (layers == top || layers == bottom) {
        TGridPoints& grid = layers == top ? TopGrid : BottomGrid;
        // A single L- or ring-shaped part leaves the points in its empty parts free,
        // as far as a clearance rule will judge it by its real outline.
        TPlacedComponent* onlyMember = nullptr;
        if (group->Count() == 1 && group->IrregularOutline && MaxComponentClearanceMode(Context.Board) != 0) {
            onlyMember = FirstComponent(*group);
        }
        grid.RemoveCovered([&](const TGridPoint& p) {
            if (!PointInRect(p.X, p.Y, covers)) {
                return false;
            }
            return onlyMember == nullptr || PointOnOrInComponent(onlyMember->Handle, Point(p.X, p.Y));
        });
        return;
    }
    TLayerSet both = top;
    both.set(PCB_BOTTOM_LAYER);
    if (layers != both) {
        return;
    }
    std::vector<TRect> topExtents;
    std::vector<TRect> bottomExtents;
    for (const TPlacedComponent* member : *group) {
        TRect extent;
        GetObjectExtentRect(*member, extent);
        if (member->GetLayer() == PCB_TOP_LAYER) {
            topExtents.push_back(extent);
        } else if (member->GetLayer() == PCB_BOTTOM_LAYER) {
            bottomExtents.push_back(extent);
        }
    }
    const auto coveredBy = [](const std::vector<TRect>& extents) {
        return [&extents](const TGridPoint& p) {
            return std::any_of(extents.begin(), extents.end(),
                               [&](const TRect& e) { return PointInRect(p.X, p.Y, e); });
        };
    };
    TopGrid.RemoveCovered(coveredBy(topExtents));
    BottomGrid.RemoveCovered(coveredBy(bottomExtents));
}

// ---------------------------------------------------------------------------
// Trimming the nets during a full-mode search.

TDetachedPads TGroupPlacer::DetachUnrelatedPads(TRectangularComponentGroup& group) {
    NetRegistry->Clear();
    NetRegistry->AddGroupNets(&group);
    const std::unordered_set<PcbHandle> signalNets(NetRegistry->begin(), NetRegistry->end());

    TFastListOf<PcbHandle> placedPads;
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        AddPadsTo(*placed, placedPads);
    }
    TFastListOf<PcbHandle> groupPads;
    AddPadsTo(group, groupPads);
    const std::unordered_set<PcbHandle> placed(placedPads.begin(), placedPads.end());
    const std::unordered_set<PcbHandle> own(groupPads.begin(), groupPads.end());

    // Gather first, detach afterwards: the board is not changed under the iterator.
    TDetachedPads detached;
    TObjectIterator pads(Context.Board, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    pads.ForEach([&](PcbHandle pad) {
        const bool isPlaced = placed.count(pad) != 0;
        if (own.count(pad) != 0 && !isPlaced) {
            return;
        }
        TPcbPad record(pad);
        record.Sync(PCB_READ);
        if (record.GetNet() == nullptr) {
            return;  // in no net: nothing to take out
        }
        const bool unrelated = !isPlaced || signalNets.count(record.GetNet()) == 0;
        if (unrelated) {
            detached.push_back(record);
        }
    });
    for (const TPcbPad& record : detached) {
        PcbApi::PcbApi_DeleteObjectFromContainer(record.GetNet(), record.Handle);
    }

    if (Context.ConnectionDragger == nullptr) {
        std::vector<PcbHandle> connections;
        TObjectIterator(Context.Board, PCB_CONNECTION, PCB_ITERATE_OWN_OBJECTS, PCB_CONNECT_LAYER)
            .ForEach([&](PcbHandle connection) { connections.push_back(connection); });
        for (PcbHandle connection : connections) {
            PcbApi::PcbApi_HideObject(connection);
            PcbApi::PcbApi_DeleteObjectFromContainer(Context.Board, connection);
            PcbApi::PcbApi_DestroyObject(connection);
        }
    }
    return detached;
}

void TGroupPlacer::ReattachPads(TDetachedPads& pads) {
    for (const TPcbPad& record : pads) {
        PcbApi::PcbApi_AddObjectToContainer(record.GetNet(), record.Handle);
    }
    pads.clear();
}

}  // namespace autoplacer
