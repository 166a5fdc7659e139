// The group placer: puts rectangular component groups one after another into a
// working area on a grid, keeping them apart from the groups placed before.
//
// For each group it tries the four quarter-turn orientations and, in each, the
// free points of the grid of the group's board side; it keeps the orientation
// and point of lowest cost, turns and moves the group there and takes the points
// the group now covers out of the grid. When no point is free of conflicts in
// any orientation it falls back to the point of least overlap, or at worst to
// the area's lower-left corner, and sets Failed.
//
// Quick mode takes the first conflict-free point in grid order and checks only
// the area. Full mode scores every candidate by the connection, guide and pad
// costs (one evaluation per cost cell of 4 x 4 grid steps), respects the
// keep-out and the confinement rules, and trims the host's nets to the pads
// that matter for the group during its search.
//
// The search steps are operations of their own, open to subclasses (tests).
// Fast forms stand behind BestPosition, CandidatePositions, CellOf, FitsArea and
// PositionCost (see GroupPlacerFastForms.cpp); the context's Forms, fixed when
// the placer is made, chooses them or the plain *Plain forms they must match.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/PlacementContext.h"
#include "host/PcbRecords.h"
#include "host/PcbRules.h"
#include "model/ComponentGroup.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/TemporaryPrimitive.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

struct TConflictAnswers;
class TCrossingMemo;
class TKeptAnswers;
class TNetRegistry;
class TPlacedComponent;
class TPlacedGroupIndex;
struct TFitInputs;
struct TGroupSearch;

// The cost constants of the placement tests (host units; 1 mil = 10000).
inline constexpr int32_t CostCellSteps = 4;              // a cost cell is 4 x 4 grid steps
inline constexpr int32_t EdgeBandSteps = 4;              // the band along the area edges, in grid steps
inline constexpr int32_t PadPenaltySmall = 25000;        // pads in a tolerable place
inline constexpr int32_t PadPenaltyLarge = 500000;       // pads facing the wrong way, or in a corner
inline constexpr int32_t OverhangUnit = 1000000;         // 100 mil: overhangs and overlaps count in these
inline constexpr int32_t NotFittingPenalty = 500000000;  // the fallback's penalty for leaving the area
inline constexpr int32_t OverflowCost = 999990000;       // a cost sum that overflowed
inline constexpr int32_t NoPositionCost = -1;            // an orientation without any position

// The most grid points one board side's grid may hold. A finer step is widened
// to the smallest multiple of the chosen step that keeps within it: the grids,
// the cost cells and the index of placed groups all grow with the points (a
// 0.0001 mm step on a 10 cm board would ask for a million million of them), and
// so does the time of the search. 2^17 keeps a 0.5 mm step on boards up to
// about 18 cm a side and the 50 mil default on boards up to 45 cm a side.
inline constexpr int64_t MaxGridPoints = int64_t{1} << 17;

// The step the grids use over the area: the chosen step, or its smallest
// multiple that lays at most MaxGridPoints points.
int32_t BoundedGridStep(int32_t step, const TRect& area);

// A cost sum that left the 32-bit range, or went negative, becomes OverflowCost;
// the plain and the fast forms of the costs cap alike.
int32_t CappedCost(int64_t sum);

struct TGridPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TGridPoint&) const = default;
};

// The free candidate points of one board side, in insertion order. Removal is
// deferred: RemoveCovered asks about every point as it stood before the call and
// only then takes the covered ones out.
class TGridPoints {
public:
    // lattice: the point's index on the lattice of the area's grid, -1 for none.
    void Add(int32_t x, int32_t y, int64_t lattice = -1) {
        Entries.push_back(TGridPoint{x, y});
        Lattice.push_back(lattice);
    }
    void Clear() {
        Entries.clear();
        Lattice.clear();
    }
    int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
    bool Empty() const { return Entries.empty(); }
    const TGridPoint& operator[](int32_t index) const { return Entries.at(static_cast<std::size_t>(index)); }
    const std::vector<TGridPoint>& Points() const { return Entries; }
    // Per point, its lattice index as it was added.
    const std::vector<int64_t>& LatticeIndices() const { return Lattice; }
    bool Contains(int32_t x, int32_t y) const;

    // Removes every point for which covered(point) holds; returns how many.
    template <typename Covered>
    int32_t RemoveCovered(Covered covered) {
        std::vector<bool> gone(Entries.size(), false);
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            gone[i] = covered(Entries[i]);
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            if (!gone[i]) {
                Lattice[kept] = Lattice[i];
                Entries[kept++] = Entries[i];
            }
        }
        const auto removed = static_cast<int32_t>(Entries.size() - kept);
        Entries.resize(kept);
        Lattice.resize(kept);
        return removed;
    }

private:
    std::vector<TGridPoint> Entries;
    std::vector<int64_t> Lattice;
};

// One square of the cost cache: the cost of its first candidate point, once
// computed within the current orientation's search.
struct TCostCell {
    TRect Rect;
    int32_t Cost = 0;
    bool Computed = false;
};

// The outcome of a search in one orientation: a point and its cost, or cost -1.
struct TPositionChoice {
    int32_t Cost = NoPositionCost;
    TGridPoint Pos;
};

// A pad taken out of its net during a full-mode search, to be put back.
using TDetachedPads = std::vector<TPcbPad>;

// Two components on different layers conflict when a through-hole (or keep-out)
// pad of one comes within gap of the other's extent; two surface-mount parts on
// opposite sides never conflict.
bool OppositeSideConflict(const TPlacedComponent& a, const TPlacedComponent& b, int32_t gap);
// The same with both extents known (as the host computes them where the parts stand).
bool OppositeSideConflict(const TPlacedComponent& a, const TRect& extentA, const TPlacedComponent& b,
                          const TRect& extentB, int32_t gap);

// The index of the lowest cost that is not -1, the first on ties; -1 when all are -1.
int32_t BestOrientation(const std::array<int32_t, 4>& costs);

// The rectangle of a group of the given size with its lower-left corner at p.
constexpr TRect RectAt(const TGridPoint& p, int32_t width, int32_t height) {
    return Rect(p.X, p.Y + height, p.X + width, p.Y);
}

class TGroupPlacer {
public:
    // Copies the options and the context; the area is the context's keep-out
    // extent. Collects the confinement rules and builds the grids and cost cells.
    TGroupPlacer(const TPlacerOptions& options, bool quickMode, const TPlacementContext& context);
    ~TGroupPlacer();
    TGroupPlacer(const TGroupPlacer&) = delete;
    TGroupPlacer& operator=(const TGroupPlacer&) = delete;

    // A new working area: fresh grids and cost cells; the groups placed so far
    // stay obstacles and widen the new Extent.
    void SetArea(const TRect& r);
    // Finds a place for the group, turns and moves it there (written to the
    // host) and registers it. A group without members is left alone.
    void PlaceGroup(TRectangularComponentGroup* group);
    // Registers the group where it stands as placed and takes the grid points
    // it covers out of the grids.
    void AddPlacedGroup(TRectangularComponentGroup* group);
    // The guide rectangle of the guide cost; borrowed, nil for none.
    void SetGuideRect(const TRect* guide) { GuideRect = guide; }

    // The working area, and the area grown by the groups placed so far: the
    // callers read it as the result's rectangle.
    const TRect& GetArea() const { return Area; }
    // The step the grids use: the options' step, widened on areas where it
    // would lay more than MaxGridPoints points.
    int32_t GridStep() const { return Options.GridSize; }
    const TRect& GetExtent() const { return Extent; }
    // Some group found no conflict-free position since the placer was made (or
    // since ClearFailed).
    bool HasFailed() const { return Failed; }
    void ClearFailed() { Failed = false; }
    // With this set, a group of several members that finds no conflict-free
    // position is left where it was, unregistered and unselected, and
    // LastGroupLeft says so: the caller places its members one by one instead.
    bool LeaveCrowdedGroups = false;
    bool LastGroupLeft = false;
    // The last group placed found no conflict-free position (its members are
    // selected) and went to the fallback's place.
    bool LastGroupFailed = false;
    // Every group placed or registered so far, in that order (borrowed).
    const TFastListOf<TRectangularComponentGroup*>& GetPlacedGroups() const { return PlacedGroups; }
    int32_t FreeGridPoints(bool topSide) const { return topSide ? TopGrid.Count() : BottomGrid.Count(); }
    // Slides a placed group along x (alongX) or y, toward lower coordinates or
    // higher ones, by as much as keeps it legal:
    // inside the area as its search judges it and clear of every other placed
    // group but the ignored ones. The nearest blocking rectangle bounds the
    // slide; where the full test refuses that far, the longest legal slide is
    // searched below it. Returns the distance moved (0 when none is legal).
    int64_t SlidePlacedGroup(TRectangularComponentGroup& group, bool alongX, bool towardLower,
                             const std::vector<const TRectangularComponentGroup*>& ignored);
    // Whether the group could stand at r: inside the area as its search judges
    // it and clear of every placed group but itself and the ignored ones. The
    // group is left where it stood.
    bool StandsClearAt(TRectangularComponentGroup& group, const TRect& r,
                       const std::vector<const TRectangularComponentGroup*>& ignored);
    // The placed groups, but itself and the ignored ones, that the group
    // conflicts with where it stands.
    std::vector<TRectangularComponentGroup*> GroupsInTheWay(
        TRectangularComponentGroup& group, const std::vector<const TRectangularComponentGroup*>& ignored);
    // Up to count places for the group where it would stand if some placed
    // groups made way: points of the area's full grid (placed groups do not take
    // points out of it) in each quarter turn where its rectangle fits the area
    // and meets, grown by their gaps, only rectangles of movable placed groups
    // (but itself and the ignored ones). Cheapest first by the area of the
    // rectangles met, each meeting a different set, the earlier point and turn
    // on ties. The group is left as it was.
    struct TRoomMakingPlace {
        int64_t Cost = 0;
        int32_t Turns = 0;  // quarter turns from the group's orientation
        TGridPoint Pos;
    };
    std::vector<TRoomMakingPlace> PlacesToMakeRoom(TRectangularComponentGroup& group,
                                                   const std::vector<const TRectangularComponentGroup*>& ignored,
                                                   const std::function<bool(const TRectangularComponentGroup*)>& movable,
                                                   std::size_t count);
    static void MoveToPlace(const TRoomMakingPlace& place, TRectangularComponentGroup& group);
    // Puts the parts in place of a placed group (which was split) in the list of
    // placed groups; the grids are left as they are.
    void ReplacePlacedGroup(TRectangularComponentGroup* group, const std::vector<TRectangularComponentGroup*>& parts);
    // Moves the group so that its rectangle's lower-left corner is at p.
    static void MoveGroupTo(const TGridPoint& p, TRectangularComponentGroup& group);
    // Puts pads taken out of their nets for a search back.
    static void ReattachPads(TDetachedPads& pads);

protected:
    // The steps of the search, the placement tests and the costs are open to
    // subclasses so that tests can compare the fast forms with the plain ones
    // step by step.

    // --- The search.
    void FindPlacement(TRectangularComponentGroup& group);
    // Brings the group back from three quarter turns past the first evaluation
    // to the orientation of evaluation k.
    static void TurnToOrientation(int32_t k, TRectangularComponentGroup& group);
    TPositionChoice BestPosition(TRectangularComponentGroup& group);
    TPositionChoice BestPositionPlain(TRectangularComponentGroup& group);
    // The conflict-free points in grid order (only the first in quick mode).
    std::vector<TGridPoint> CandidatePositions(TRectangularComponentGroup& group);
    std::vector<TGridPoint> CandidatePositionsPlain(TRectangularComponentGroup& group);
    // The cost of the cell that the point belongs to, computed at its first use.
    int32_t CellCost(const TGridPoint& p, TRectangularComponentGroup& group);
    // The first cell in order whose rectangle holds the point (edges inclusive); nil for none.
    TCostCell* CellOf(const TGridPoint& p);
    TCostCell* CellOfPlain(const TGridPoint& p);
    void ResetCellCosts();
    TPositionChoice LeastOverlapPosition(TRectangularComponentGroup& group);
    void PlaceAtAreaCorner(TRectangularComponentGroup& group);
    // The grid of the group's side: TopGrid when it has a member on TopLayer,
    // else BottomGrid when one on BottomLayer, else nil.
    TGridPoints* GridOf(const TRectangularComponentGroup& group);

    // Takes every pad that does not matter for the group out of its net (and,
    // without a connection dragger, every connection out of the board).
    TDetachedPads DetachUnrelatedPads(TRectangularComponentGroup& group);

    // --- Placement tests.
    bool FitsArea(const TRect& r, const TRectangularComponentGroup& group);
    bool FitsAreaPlain(const TRect& r, const TRectangularComponentGroup& group);
    int32_t KeepOutGap(const TRectangularComponentGroup& group) const;
    bool RoomRulesAllow(const TRect& r, const TRectangularComponentGroup& group) const;
    void CollectRoomRules();
    // Moves the group to r on the host when the clearance mode compares components.
    bool Conflicts(TRectangularComponentGroup& group, const TRect& r, const TRectangularComponentGroup& placed);
    static int32_t GroupsGap(const TRectangularComponentGroup& a, const TRectangularComponentGroup& b,
                             uint8_t& mode);
    static bool LayersDisjoint(const TRectangularComponentGroup& a, const TRectangularComponentGroup& b);
    static bool RotationPermitted(const TRectangularComponentGroup& group);

    // --- Costs (0 in quick mode).
    int32_t PositionCost(const TGridPoint& p, TRectangularComponentGroup& group);
    int32_t PositionCostPlain(const TGridPoint& p, TRectangularComponentGroup& group);
    int32_t ConnectionCost(const TGridPoint& p, TRectangularComponentGroup& group);
    int32_t GuideCost(const TGridPoint& p, const TRectangularComponentGroup& group) const;
    int32_t PadPositionCost(const TGridPoint& p, const TRectangularComponentGroup& group) const;
    // The pad cost of rectangle r for a group of the given pad pattern.
    int32_t PadCostOfPattern(const TRect& r, int32_t pattern) const;
    // The fallback's price of the group at r: its overlap in square mils
    // (rounded up) with every placed group it could conflict with, each grown by
    // the pair's gap, plus NotFittingPenalty when r does not fit the area (the
    // keep-out and rules as the group's own search judges them), so that a spot
    // on the board always wins over one off it.
    int32_t OverlapCost(const TRect& r, const TRectangularComponentGroup& group);
    // The placed groups the fallback measures a group against: their rectangles
    // and the pairs' gaps, which do not change while only the group moves.
    struct TOverlapPartner {
        const TRect* Rect = nullptr;
        int64_t Gap = 0;
    };
    std::vector<TOverlapPartner> OverlapPartners(const TRectangularComponentGroup& group);
    int32_t OverlapCostWith(const TRect& r, const TRectangularComponentGroup& group,
                            const std::vector<TOverlapPartner>& partners);

    // Every group placed or registered so far, in that order (borrowed).
    TFastListOf<TRectangularComponentGroup*> PlacedGroups;
    TRect Area;
    // Grown by the placed groups; the callers read it as the result's rectangle.
    TRect Extent;
    bool QuickMode;
    // The options, their grid step bounded for the current area.
    TPlacerOptions Options;
    std::unique_ptr<TNetRegistry> NetRegistry;
    const TRect* GuideRect = nullptr;
    TPlacementContext Context;
    TGridPoints TopGrid;
    TGridPoints BottomGrid;
    std::vector<TCostCell> CostCells;
    // Some group found no conflict-free position; never cleared.
    bool Failed = false;
    // Confinement rules, keep-inside and keep-outside (owned records).
    TFastListOf<TPcbRuleEx*> KeepInRules;
    TFastListOf<TPcbRuleEx*> KeepOutRules;

private:
    // The grid step the options asked for; Options.GridSize holds it bounded.
    int32_t RequestedGridSize = 0;

    void BuildGrids();
    void BuildCostCells();
    // The cost cell (CellOf) of every point of the grids' lattice, by its index
    // there (TKeptAnswers::IndexOf); -1 for none. Made after the grids and cells.
    void MapLatticeCells();
    std::vector<int32_t> LatticeCells;
    // CellOf through the lattice's map when the point is on the lattice.
    TCostCell* CellAt(const TGridPoint& p, int64_t latticeIndex);

    // --- The fast forms (GroupPlacerFastForms.cpp).
    // Opens the search of one group for the scope's lifetime unless it is open.
    class TSearchScope;
    bool FastForms() const;
    TPositionChoice BestPositionFast(TRectangularComponentGroup& group);
    std::vector<TGridPoint> CandidatePositionsFast(TRectangularComponentGroup& group);
    int32_t PositionCostFast(const TGridPoint& p, TRectangularComponentGroup& group);
    const TFitInputs& FitInputsOf(const TRectangularComponentGroup& group);
    // keepOutAnswers: per lattice point, the keep-out answer for this size, gap
    // and sides (-1 unknown); nil to ask every time. inputs: the group's, when
    // the caller holds them already.
    bool FitsAreaFast(const TRect& r, const TRectangularComponentGroup& group,
                      std::vector<int8_t>* keepOutAnswers = nullptr, std::size_t point = 0,
                      const TFitInputs* inputs = nullptr);
    // Brings the relations and the placed-group index up to the placed list.
    void PrepareConflictTests(TRectangularComponentGroup& group);
    bool ConflictsWithPlaced(TRectangularComponentGroup& group, const TRect& r);
    // The conflict answers kept for the group's shape in its orientation now, or
    // nil when its answers may depend on more than its members' extents.
    TConflictAnswers* KeptConflictsOf(TRectangularComponentGroup& group);
    // ConflictsWithPlaced at a lattice point, answered from kept while its answer
    // there still holds; the group is left where the test would leave it.
    bool ConflictsWithPlacedKept(TRectangularComponentGroup& group, const TRect& r, int64_t point,
                                 TConflictAnswers* kept);
    // Answers of the area and conflict tests kept from one search to the next.
    std::unique_ptr<TKeptAnswers> Kept;
    // How many member-extent tests were made (each leaves the group at its rectangle).
    uint64_t ExtentTests = 0;
    // rectsMeet: the two rectangles are known to meet, so the host's overlap
    // test of them would hold whatever the gap.
    bool ConflictsAt(TRectangularComponentGroup& group, const TRect& r, const TRectangularComponentGroup& placed,
                     int32_t gap, uint8_t mode, bool rectsMeet = false);

    int32_t ConnectionCostAt(const TGridPoint& p, TRectangularComponentGroup& group);
    // While FindPlacement tries the orientations: the lowest cost an earlier
    // orientation found (NoPositionCost before any). An orientation wins only
    // below it, so its search need not price a cell that cannot go below it;
    // the cost it reports is then no lower than this, and it loses as it would.
    int32_t OrientationsBest = NoPositionCost;
    // The next cost of the group only shifts its lines (PositionCostFast): the
    // members need not stand at the point, so a waiting move may wait on.
    bool CostMovesOnlyLines(const TRectangularComponentGroup& group) const;
    std::size_t CellIndex(const TCostCell* cell) const;
    bool CannotBeat(const TGridPoint& p, const TRectangularComponentGroup& group, int32_t best);

    // A component's extent, computed by the host once for each place, turn and
    // side it is found in: the member-extent conflict test asks for the same
    // components at every candidate point. Where the part stands is read from
    // the host unless a reading within the current trust still holds:
    // stationary parts (members of placed groups) for the whole walk, the others
    // for one conflict test, each until the placer moves them.
    const TRect& MemberExtent(PcbHandle component, bool stationary = false);
    // The trust of readings of where parts stand (0: none). WalkTrust is opened
    // by PrepareConflictTests and closed at the end of the walk; ConflictTrust
    // lasts one ConflictsWithPlaced.
    uint64_t TrustCounter = 0;
    uint64_t WalkTrust = 0;
    uint64_t ConflictTrust = 0;
    // The members' readings no longer hold: the placer moved them.
    void ForgetWhereMembersStand(const TRectangularComponentGroup& group);
    // The member-extent conflict test in the fast form: the same answers as the
    // plain one, but the group is moved on the host only when some member pair
    // comes near enough to be judged.
    bool ExtentsConflictFast(TRectangularComponentGroup& group, const TRect& r,
                             const TRectangularComponentGroup& placed, int32_t gap);

    // Whether a through-hole pad of x (shifted) surely comes within gap of q's extent,
    // or one of q's within gap of x's shifted extent (SurelyMeets).
    bool ThroughPadSurelyMeets(const TPlacedComponent& x, int64_t dx, int64_t dy, const TRect& ex,
                               const TPlacedComponent& q, const TRect& eq, int32_t gap, int64_t margin);
    // Carries the group's members from OldRect to Rect (a plain shift when there is
    // no turn to make).
    void MoveToRect(TRectangularComponentGroup& group);
    // Makes the move the member-extent test left waiting (for any group but except).
    void FlushPendingMove(const TRectangularComponentGroup* except = nullptr);
    TRectangularComponentGroup* PendingMove = nullptr;
    bool ShiftStaysInRange(const TRectangularComponentGroup& group, int64_t dx, int64_t dy);
    // Whether no through-hole pad of x (shifted by dx, dy) comes within reach of q's
    // extent, nor one of q's within reach of x's shifted extent ex.
    bool ThroughPadsApart(const TPlacedComponent& x, int64_t dx, int64_t dy, const TRect& ex,
                          const TPlacedComponent& q, const TRect& eq, int64_t reach);
    struct TExtentKey {
        int32_t X = 0;
        int32_t Y = 0;
        double Rotation = 0.0;
        int Layer = 0;
        bool operator==(const TExtentKey&) const = default;
    };
    // The through-hole and keep-out pads of a component as read at Where: handles,
    // layers and bounds. A shift keeps them (the bounds move with the part, up to
    // a unit of rounding); a turn or a change of side reads them again.
    struct TThroughPads {
        TExtentKey Where;
        bool Known = false;
        std::vector<PcbHandle> Handles;
        std::vector<int> Layers;
        std::vector<TRect> Bounds;
    };
    struct TCachedExtent {
        TExtentKey Key;
        TRect Extent;
        bool Known = false;
        uint64_t Trusted = 0;  // the trust the key was read or confirmed under
        TThroughPads Pads;
    };
    // The component's through-hole and keep-out pads, and in (dx, dy) the shift
    // from where their bounds were read to where the part stands.
    const TThroughPads& ThroughPadsOf(PcbHandle component, bool stationary, int64_t& dx, int64_t& dy);
    // An opposite-side pair judged before the group's move by asking the host
    // about the pads where they stand: x's pads against q's extent shifted back by
    // (dx, dy), q's pads against x's shifted extent ex, each rectangle shrunk and
    // grown by the slack. A pad that meets the shrunk rectangle meets the true one,
    // one that misses the grown rectangle misses it; any other pad leaves the pair
    // to the move.
    enum class TPairAnswer { Apart, Conflict, Unsure };
    TPairAnswer ThroughPadsBracketed(const TPlacedComponent& x, int64_t dx, int64_t dy, const TRect& ex,
                                     const TPlacedComponent& q, const TRect& eq, int32_t gap);
    // OppositeSideConflict on the cached pads: pads out of reach of the other
    // extent are skipped (the host would turn them away by their bounds), a pad
    // that surely meets it conflicts, the host judges the rest.
    bool OppositeSideConflictFast(const TPlacedComponent& x, const TRect& ex, const TPlacedComponent& q,
                                  const TRect& eq, int32_t gap);
    std::unordered_map<PcbHandle, TCachedExtent> ExtentCache;
    std::vector<TRect> PlacedExtents;  // scratch of ExtentsConflictFast
    // The host's answers whether a pad, its part standing at Where, comes within
    // Gap of fill rectangles on Layer. Identical parts searched over the same
    // grid ask them of the same pads at the same rectangles again and again (on a
    // keyboard, each diode under the switches' pins).
    struct TPadQuestion {
        PcbHandle Pad = nullptr;
        TExtentKey Where;
        TRect Fill;
        int32_t Gap = 0;
        int Layer = 0;
        bool Bracketed = false;
        bool operator==(const TPadQuestion&) const = default;
    };
    struct TPadQuestionHash {
        std::size_t operator()(const TPadQuestion& q) const noexcept;
    };
    // Bit 0: the pad meets the fill (bracketed: the fill shrunk by the slack, when
    // it has room to shrink); bit 1, bracketed: it meets the fill grown by the slack.
    std::unordered_map<TPadQuestion, uint8_t, TPadQuestionHash> PadAnswers;
    static constexpr uint8_t MeetsFill = 1;
    static constexpr uint8_t MeetsGrownFill = 2;
    // The answers, from PadAnswers or else from the host with fill (made on first
    // need); nullopt when the host could not make the fill.
    std::optional<uint8_t> PadMeetsFill(std::optional<TTemporaryPrimitive>& fill, const TPadQuestion& question);
    // Where the part of pads stands, from where they were read and the shift
    // ThroughPadsOf gave: the key its extent is cached under, without a look-up.
    static TExtentKey WhereNow(const TThroughPads& pads, int64_t dx, int64_t dy);

    // The crossings among the board's lines, kept from one group's search to the next.
    std::unique_ptr<TCrossingMemo> Crossings;
    std::unique_ptr<TGroupSearch> Search;
    std::unique_ptr<TPlacedGroupIndex> PlacedIndex;
    std::vector<int32_t> NearbyPlaced;
};

// Opens the search of one group (its caches and its incremental connection
// cost) for the scope's lifetime, when the fast forms are chosen and no search
// of that group is open yet; closes it again at the end.
class TGroupPlacer::TSearchScope {
public:
    TSearchScope(TGroupPlacer& placer, const TRectangularComponentGroup& group);
    ~TSearchScope();
    TSearchScope(const TSearchScope&) = delete;
    TSearchScope& operator=(const TSearchScope&) = delete;

private:
    TGroupPlacer& Placer;
    bool Opened = false;
    std::unique_ptr<TGroupSearch> Outer;
};

}  // namespace autoplacer
