// The group placer's judgements of one candidate position: whether the group's
// rectangle fits the area and the keep-out, whether the confinement rules allow
// it, whether it conflicts with a placed group under the clearance rules,
// whether the current rotation is permitted, and what the position costs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engines/CrossOvers.h"
#include "engines/GroupPlacer.h"
#include "engines/GroupSearch.h"
#include "engines/SureConflicts.h"
#include "engines/KeepOut.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "engines/ComponentCollisions.h"
#include "model/TemporaryPrimitive.h"

namespace autoplacer {

namespace {

// A pad of a that reaches the other side (through-hole, keep-out or on the other
// side's copper) comes within gap of b's extent.
bool MultiLayerPadMeetsExtent(const TPlacedComponent& a, const TRect& extent, int32_t gap) {
    TTemporaryPrimitive fill(PCB_FILL);
    if (fill.Handle == nullptr) {
        return false;
    }
    const int side = GetObjectLayer(a.Handle);
    TObjectIterator pads(a.Handle, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    for (PcbHandle pad = pads.First(); pad != nullptr; pad = pads.Next()) {
        TPcbPad record(pad);
        record.Sync(PCB_READ);
        const int layer = record.GetLayer();
        if (!PadReachesOtherSide(layer, side)) {
            continue;
        }
        // The host compares shapes on one layer (or on MultiLayer) only: the fill
        // goes on the pad's layer, so a keep-out pad meets it too.
        fill.SetFill(extent, layer);
        if (fill.Overlaps(pad, gap)) {
            return true;
        }
    }
    return false;
}

// How far a shifted extent or pad bounds may be from what the host finds after
// the move (a unit for a turned part, a unit of outward rounding), with room to spare.
constexpr int64_t ExtentSlack = 4;

int32_t Positive(int64_t v) { return v > 0 ? static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)) : 0; }

}  // namespace

int32_t CappedCost(int64_t sum) {
    return sum < 0 || sum > std::numeric_limits<int32_t>::max() ? OverflowCost : static_cast<int32_t>(sum);
}

const TPcbRuleEx* FirstRuleFor(const TFastListOf<TPcbRuleEx*>& rules, PcbHandle component) {
    for (const TPcbRuleEx* rule : rules) {
        if (PcbApi::PcbApi_Scope1_Includes(rule->Handle, component) != 0) {
            return rule;
        }
    }
    return nullptr;
}

bool OppositeSideConflict(const TPlacedComponent& a, const TPlacedComponent& b, int32_t gap) {
    if (!a.HasMultiLayerPads && !b.HasMultiLayerPads) {
        return false;
    }
    TRect extentA;
    TRect extentB;
    GetObjectExtentRect(a, extentA);
    GetObjectExtentRect(b, extentB);
    return OppositeSideConflict(a, extentA, b, extentB, gap);
}

bool OppositeSideConflict(const TPlacedComponent& a, const TRect& extentA, const TPlacedComponent& b,
                          const TRect& extentB, int32_t gap) {
    if (a.HasFarSideCopper || b.HasFarSideCopper) {
        return RectsOverlapByHost(extentA, extentB, gap);
    }
    if (a.HasMultiLayerPads && MultiLayerPadMeetsExtent(a, extentB, gap)) {
        return true;
    }
    return b.HasMultiLayerPads && MultiLayerPadMeetsExtent(b, extentA, gap);
}

// ---------------------------------------------------------------------------
// Area, keep-out and confinement rules.

bool TGroupPlacer::FitsArea(const TRect& r, const TRectangularComponentGroup& group) {
    if (FastForms() && Search != nullptr) {
        return FitsAreaFast(r, group);
    }
    return FitsAreaPlain(r, group);
}

bool TGroupPlacer::FitsAreaPlain(const TRect& r, const TRectangularComponentGroup& group) {
    if (QuickMode) {
        return RectContainsRect(Area, r);
    }
    const int32_t gap = KeepOutGap(group);
    if (!RectFitsKeepOut(Context, Area, r, gap, CopperSides(group))) {
        return false;
    }
    return RoomRulesAllow(r, group);
}

int32_t TGroupPlacer::KeepOutGap(const TRectangularComponentGroup& group) const {
    TObjectIterator keepOut(Context.Board, 0, PCB_ITERATE_OWN_OBJECTS, PCB_KEEP_OUT_LAYER);
    const PcbHandle object = keepOut.First();
    if (object == nullptr) {
        return 0;
    }
    int32_t gap = 0;
    for (const TPlacedComponent* member : group) {
        gap = std::max(gap, ClearanceGap(member->Handle, object));
    }
    return gap;
}

bool TGroupPlacer::RoomRulesAllow(const TRect& r, const TRectangularComponentGroup& group) const {
    for (const TPlacedComponent* member : group) {
        if (const TPcbRuleEx* keepIn = FirstRuleFor(KeepInRules, member->Handle)) {
            if (!RectContainsRect(GetConfinementRect(keepIn->Handle), r)) {
                return false;
            }
        }
        if (const TPcbRuleEx* keepOut = FirstRuleFor(KeepOutRules, member->Handle)) {
            if (RectsOverlap(GetConfinementRect(keepOut->Handle), r, 0, Context.Forms)) {
                return false;
            }
        }
    }
    return true;
}

void TGroupPlacer::CollectRoomRules() {
    TObjectIterator rules(Context.Board, PCB_RULE, PCB_ITERATE_OWN_OBJECTS);
    rules.ForEach([&](PcbHandle rule) {
        TPcbRule header(rule);
        if (header.Sync(PCB_READ) != PCB_OK || header.RuleKind != PCB_RULE_CONFINEMENT) {
            return;
        }
        TConfinementRule room;
        if (!ReadConfinementRule(rule, room)) {
            return;
        }
        TFastListOf<TPcbRuleEx*>* list = room.Kind == PCB_CONFINE_KEEP_INSIDE    ? &KeepInRules
                                         : room.Kind == PCB_CONFINE_KEEP_OUTSIDE ? &KeepOutRules
                                                                                 : nullptr;
        if (list == nullptr) {
            return;
        }
        auto* record = new TPcbRuleEx(rule);
        record->Sync(PCB_READ);
        list->Add(record);
    });
    const auto largestPriorityFirst = [](const TPcbRuleEx* a, const TPcbRuleEx* b) {
        return b->Priority < a->Priority ? -1 : (b->Priority > a->Priority ? 1 : 0);
    };
    KeepInRules.Sort(largestPriorityFirst);
    KeepOutRules.Sort(largestPriorityFirst);
}

// ---------------------------------------------------------------------------
// Conflicts with placed groups.

int32_t TGroupPlacer::GroupsGap(const TRectangularComponentGroup& a, const TRectangularComponentGroup& b,
                                uint8_t& mode) {
    int32_t gap = 0;
    mode = 0;
    for (const TPlacedComponent* x : a) {
        for (const TPlacedComponent* q : b) {
            uint8_t pairMode = 0;
            gap = std::max(gap, ComponentGap(x->Handle, q->Handle, pairMode));
            mode = std::max(mode, pairMode);
        }
    }
    return gap;
}

bool TGroupPlacer::LayersDisjoint(const TRectangularComponentGroup& a, const TRectangularComponentGroup& b) {
    if (AnyMultiLayerPads(a) || AnyMultiLayerPads(b)) {
        return false;
    }
    TLayerSet la;
    TLayerSet lb;
    GetLayerSet(a, la);
    GetLayerSet(b, lb);
    return (la & lb).none();
}

bool TGroupPlacer::Conflicts(TRectangularComponentGroup& group, const TRect& r,
                             const TRectangularComponentGroup& placed) {
    uint8_t mode = 0;
    const int32_t gap = GroupsGap(group, placed, mode);
    if (LayersDisjoint(group, placed)) {
        return false;
    }
    const bool conflict = ConflictsAt(group, r, placed, gap, mode);
    FlushPendingMove();
    return conflict;
}

// The part of the conflict test after the gap, the mode and the layer sets.
bool TGroupPlacer::ConflictsAt(TRectangularComponentGroup& group, const TRect& r,
                               const TRectangularComponentGroup& placed, int32_t gap, uint8_t mode,
                               bool rectsMeet) {
    if (!rectsMeet && !RectsOverlap(r, placed.Rect, gap, Context.Forms)) {
        return false;
    }
    if (mode == 0) {
        return true;
    }
    if (mode != 1 && mode != 2) {
        return false;  // the host's other check modes are not judged here
    }
    if (mode == 1 && FastForms()) {
        return ExtentsConflictFast(group, r, placed, gap);
    }
    group.Rect = r;
    group.ApplyTransform();
    ForgetWhereMembersStand(group);
    if (PendingMove == &group) {
        PendingMove = nullptr;  // the transform made the waiting move
    }
    for (const TPlacedComponent* x : group) {
        for (const TPlacedComponent* q : placed) {
            bool conflict = false;
            if (x->GetLayer() != q->GetLayer()) {
                conflict = OppositeSideConflict(*x, *q, gap);
            } else if (mode == 1) {
                TRect ex;
                TRect eq;
                if (FastForms()) {
                    ex = MemberExtent(x->Handle);
                    eq = MemberExtent(q->Handle);
                } else {
                    GetObjectExtentRect(*x, ex);
                    GetObjectExtentRect(*q, eq);
                }
                conflict = RectsOverlap(ex, eq, gap, Context.Forms);
            } else {
                conflict = ComponentsCollide(x->Handle, q->Handle, gap, Context.Forms);
            }
            if (conflict) {
                return true;
            }
        }
    }
    return false;
}

bool TGroupPlacer::RotationPermitted(const TRectangularComponentGroup& group) {
    const TPlacedComponent* member = FewestRotationsMember(group);
    if (member == nullptr) {
        return true;
    }
    const PcbHandle rule = FindDominantRule(member->Handle, PCB_RULE_COMPONENT_ROTATIONS);
    uint8_t flags = 0;
    if (rule == nullptr || !ReadComponentRotationsRule(rule, flags)) {
        return true;
    }
    return (flags & PCB_ROTATION_ANY) != 0 || RotationAllowed(flags, member->Rotation);
}

// ---------------------------------------------------------------------------
// Costs.

int32_t TGroupPlacer::PositionCost(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (FastForms()) {
        return PositionCostFast(p, group);
    }
    return PositionCostPlain(p, group);
}

int32_t TGroupPlacer::PositionCostPlain(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (QuickMode) {
        return 0;
    }
    MoveGroupTo(p, group);
    int64_t a = 0;
    if (Options.ConnectionLengthCostWeight != 0 || Options.CrossOverCostWeight != 0 ||
        Options.DirectionCostWeight != 0) {
        a = ConnectionCost(p, group);
    }
    int64_t b = 0;
    if (Options.GuideCostWeight != 0) {
        b = int64_t{GuideCost(p, group)} * Options.GuideCostWeight;
    }
    int64_t c = 0;
    if (Options.PadCostWeight != 0) {
        c = int64_t{PadPositionCost(p, group)} * Options.PadCostWeight;
    }
    return CappedCost(a + b + c);
}

int32_t TGroupPlacer::ConnectionCost(const TGridPoint& p, TRectangularComponentGroup& group) {
    MoveGroupTo(p, group);
    TCrossOverAnalyzer analyzer(NetRegistry.get(), Options, Context);
    return analyzer.TotalCost();
}

int32_t TGroupPlacer::GuideCost(const TGridPoint& p, const TRectangularComponentGroup& group) const {
    if (GuideRect == nullptr) {
        return 0;
    }
    const TRect r = RectAt(p, RectWidth(group.Rect), RectHeight(group.Rect));
    const TRect& k = *GuideRect;
    const int64_t overhang = int64_t{Positive(int64_t{k.Left} - r.Left)} + Positive(int64_t{r.Right} - k.Right) +
                             Positive(int64_t{k.Bottom} - r.Bottom) + Positive(int64_t{r.Top} - k.Top);
    return static_cast<int32_t>(overhang / OverhangUnit);
}

int32_t TGroupPlacer::PadPositionCost(const TGridPoint& p, const TRectangularComponentGroup& group) const {
    return PadCostOfPattern(RectAt(p, RectWidth(group.Rect), RectHeight(group.Rect)), MaxPadPattern(group));
}

int32_t TGroupPlacer::PadCostOfPattern(const TRect& r, int32_t pattern) const {
    const int64_t band = int64_t{EdgeBandSteps} * Options.GridSize;
    const bool nearLR = int64_t{r.Left} - Area.Left < band || int64_t{Area.Right} - r.Right < band;
    const bool nearBT = int64_t{r.Bottom} - Area.Bottom < band || int64_t{Area.Top} - r.Top < band;
    if (nearLR && nearBT) {
        return pattern >= 1 && pattern <= 3 ? PadPenaltyLarge : 0;
    }
    switch (pattern) {
        case 1:  // long rows along top and bottom: wanted at the left or right edge
            return nearLR ? 0 : (nearBT ? PadPenaltyLarge : PadPenaltySmall);
        case 2:  // long columns along the sides: wanted at the bottom or top edge
            return nearBT ? 0 : (nearLR ? PadPenaltyLarge : PadPenaltySmall);
        case 3:  // pins on all four sides: wanted in the interior
            return nearLR || nearBT ? PadPenaltySmall : 0;
        default:
            return 0;
    }
}

const TRect& TGroupPlacer::MemberExtent(PcbHandle component, bool stationary) {
    TCachedExtent& known = ExtentCache[component];
    if (known.Known && known.Trusted != 0 && (known.Trusted == WalkTrust || known.Trusted == ConflictTrust)) {
        return known.Extent;
    }
    // One read of the component's record gives the whole key. The fields are
    // read straight from the host's data, without the record's texts; a blank
    // record holds zeros in them too, so a failed read gives the same key.
    PcbComponentData data{};
    data.Base.ObjectId = PCB_COMPONENT;
    if (PcbApi::PcbApi_QueryComponent(component, PCB_READ, &data) != PCB_OK) {
        data = PcbComponentData{};
    }
    const TExtentKey key{data.Base.X, data.Base.Y, data.Rotation, LayerIdToNumber(data.Base.Layer)};
    TCachedExtent& cached = known;
    if (!cached.Known || !(cached.Key == key)) {
        cached.Key = key;
        cached.Extent = ComponentExtentRect(component);
        cached.Known = true;
    }
    cached.Trusted = stationary && WalkTrust != 0 ? WalkTrust : ConflictTrust;
    return cached.Extent;
}

const TGroupPlacer::TThroughPads& TGroupPlacer::ThroughPadsOf(PcbHandle component, bool stationary, int64_t& dx,
                                                              int64_t& dy) {
    (void)MemberExtent(component, stationary);  // brings the cache entry up to where the part stands
    TCachedExtent& cached = ExtentCache[component];
    TThroughPads& pads = cached.Pads;
    if (!pads.Known || pads.Where.Rotation != cached.Key.Rotation || pads.Where.Layer != cached.Key.Layer) {
        pads.Handles.clear();
        pads.Layers.clear();
        pads.Bounds.clear();
        const int side = GetObjectLayer(component);
        TObjectIterator iterator(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
        for (PcbHandle pad = iterator.First(); pad != nullptr; pad = iterator.Next()) {
            TPcbPad record(pad);
            record.Sync(PCB_READ);
            const int layer = record.GetLayer();
            if (!PadReachesOtherSide(layer, side)) {
                continue;
            }
            int32_t x1 = 0;
            int32_t y1 = 0;
            int32_t x2 = 0;
            int32_t y2 = 0;
            if (PcbApi::PcbApi_QueryObjectBoundingRectangle(pad, &x1, &y1, &x2, &y2) == 0) {
                // Without bounds the pad could be anywhere: a box that meets everything.
                x1 = INT32_MIN / 2;
                y1 = INT32_MIN / 2;
                x2 = INT32_MAX / 2;
                y2 = INT32_MAX / 2;
            }
            pads.Handles.push_back(pad);
            pads.Layers.push_back(layer);
            pads.Bounds.push_back(Rect(std::min(x1, x2), std::max(y1, y2), std::max(x1, x2), std::min(y1, y2)));
        }
        pads.Where = cached.Key;
        pads.Known = true;
    }
    dx = int64_t{cached.Key.X} - pads.Where.X;
    dy = int64_t{cached.Key.Y} - pads.Where.Y;
    return pads;
}

namespace {

// Whether an extent moved by (dx, dy) is the old one shifted. Extents are merged
// from starting values (a high minimum, a maximum of 0), so one that reaches 0 or
// the starting minimum on either side of the move is not.
bool ShiftKeepsExtent(const TRect& e, int64_t dx, int64_t dy) {
    const auto inside = [](int64_t low, int64_t high) { return low > 0 && high < ExtentStartMin && low <= high; };
    return inside(e.Left, e.Right) && inside(e.Bottom, e.Top) && inside(e.Left + dx, e.Right + dx) &&
           inside(e.Bottom + dy, e.Top + dy);
}

// Whether test(pad, shift x, shift y, extent) holds for a pad of x (shifted by
// dx, dy) against q's extent eq, or for one of q's pads against x's shifted extent
// ex; each list is shifted further by where it was read (nil for a part without
// such pads).
template <typename Pads, typename Test>
bool AnyThroughPad(const Pads* xPads, int64_t xdx, int64_t xdy, int64_t dx, int64_t dy, const TRect& ex,
                   const Pads* qPads, int64_t qdx, int64_t qdy, const TRect& eq, const Test& test) {
    if (xPads != nullptr) {
        for (const TRect& pad : xPads->Bounds) {
            if (test(pad, xdx + dx, xdy + dy, eq)) {
                return true;
            }
        }
    }
    if (qPads != nullptr) {
        for (const TRect& pad : qPads->Bounds) {
            if (test(pad, qdx - dx, qdy - dy, ex)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

// Whether every member's place and extent corner stay well inside the coordinate
// range when shifted, so that the transform would not clamp any of them.
bool TGroupPlacer::ShiftStaysInRange(const TRectangularComponentGroup& group, int64_t dx, int64_t dy) {
    constexpr int64_t Limit = INT32_MAX / 2;
    for (const TPlacedComponent* member : group) {
        if (member == nullptr) {
            continue;
        }
        const TRect& e = MemberExtent(member->Handle);
        // The reading behind the extent holds the part's place.
        const TExtentKey& where = ExtentCache[member->Handle].Key;
        const int64_t values[] = {int64_t{where.X} + dx, int64_t{where.Y} + dy,
                                  int64_t{e.Left} + dx, int64_t{e.Right} + dx, int64_t{e.Bottom} + dy,
                                  int64_t{e.Top} + dy};
        for (const int64_t v : values) {
            if (v > Limit || v < -Limit) {
                return false;
            }
        }
    }
    return true;
}

bool TGroupPlacer::ThroughPadsApart(const TPlacedComponent& x, int64_t dx, int64_t dy, const TRect& ex,
                                    const TPlacedComponent& q, const TRect& eq, int64_t reach) {
    int64_t xdx = 0;
    int64_t xdy = 0;
    int64_t qdx = 0;
    int64_t qdy = 0;
    const TThroughPads* xPads = x.HasMultiLayerPads ? &ThroughPadsOf(x.Handle, false, xdx, xdy) : nullptr;
    const TThroughPads* qPads = q.HasMultiLayerPads ? &ThroughPadsOf(q.Handle, true, qdx, qdy) : nullptr;
    return !AnyThroughPad(xPads, xdx, xdy, dx, dy, ex, qPads, qdx, qdy, eq,
                          [reach](const TRect& pad, int64_t px, int64_t py, const TRect& other) {
                              return WithinReach(pad, px, py, other, reach);
                          });
}

bool TGroupPlacer::ThroughPadSurelyMeets(const TPlacedComponent& x, int64_t dx, int64_t dy, const TRect& ex,
                                         const TPlacedComponent& q, const TRect& eq, int32_t gap, int64_t margin) {
    int64_t xdx = 0;
    int64_t xdy = 0;
    int64_t qdx = 0;
    int64_t qdy = 0;
    const TThroughPads* xPads = x.HasMultiLayerPads ? &ThroughPadsOf(x.Handle, false, xdx, xdy) : nullptr;
    const TThroughPads* qPads = q.HasMultiLayerPads ? &ThroughPadsOf(q.Handle, true, qdx, qdy) : nullptr;
    return AnyThroughPad(xPads, xdx, xdy, dx, dy, ex, qPads, qdx, qdy, eq,
                         [gap, margin](const TRect& pad, int64_t px, int64_t py, const TRect& other) {
                             return SurelyMeets(pad, px, py, other, gap, margin);
                         });
}

std::size_t TGroupPlacer::TPadQuestionHash::operator()(const TPadQuestion& q) const noexcept {
    std::size_t h = std::hash<PcbHandle>()(q.Pad);
    const auto mix = [&h](int64_t v) { h = (h ^ std::hash<int64_t>()(v)) * 0x100000001b3ULL; };
    mix(q.Where.X);
    mix(q.Where.Y);
    mix(static_cast<int64_t>(q.Where.Rotation * 1000.0));
    mix(q.Where.Layer);
    mix(q.Fill.Left);
    mix(q.Fill.Bottom);
    mix(q.Fill.Right);
    mix(q.Fill.Top);
    mix(q.Gap);
    mix(q.Layer * 2 + (q.Bracketed ? 1 : 0));
    return h;
}

namespace {

// The rectangle shrunk and grown by the slack, from its sides' 64-bit values.
struct TBracket {
    bool Shrinkable = false;
    TRect Shrunk;
    TRect Grown;
};

TBracket BracketOf(const TRect& r, int64_t s) {
    const int64_t x1 = std::min(r.Left, r.Right);
    const int64_t x2 = std::max(r.Left, r.Right);
    const int64_t y1 = std::min(r.Bottom, r.Top);
    const int64_t y2 = std::max(r.Bottom, r.Top);
    const auto at = [](int64_t v) { return static_cast<int32_t>(v); };
    return TBracket{x2 - x1 > 2 * s + 1 && y2 - y1 > 2 * s + 1, Rect(at(x1 + s), at(y2 - s), at(x2 - s), at(y1 + s)),
                    Rect(at(x1 - s), at(y2 + s), at(x2 + s), at(y1 - s))};
}

}  // namespace

TGroupPlacer::TExtentKey TGroupPlacer::WhereNow(const TThroughPads& pads, int64_t dx, int64_t dy) {
    return TExtentKey{static_cast<int32_t>(pads.Where.X + dx), static_cast<int32_t>(pads.Where.Y + dy),
                      pads.Where.Rotation, pads.Where.Layer};
}

std::optional<uint8_t> TGroupPlacer::PadMeetsFill(std::optional<TTemporaryPrimitive>& fill,
                                                  const TPadQuestion& question) {
    // Bounded, so that a long run over many distinct parts does not grow it without end.
    constexpr std::size_t MaxPadAnswers = std::size_t{1} << 20;
    const auto known = PadAnswers.find(question);
    if (known != PadAnswers.end()) {
        return known->second;
    }
    if (!fill) {
        fill.emplace(PCB_FILL);
    }
    if (fill->Handle == nullptr) {
        return std::nullopt;
    }
    const auto meets = [&](const TRect& rect) {
        fill->SetFill(rect, question.Layer);
        return fill->Overlaps(question.Pad, question.Gap);
    };
    uint8_t answer = 0;
    if (!question.Bracketed) {
        answer = meets(question.Fill) ? MeetsFill : 0;
    } else {
        const TBracket bracket = BracketOf(question.Fill, ExtentSlack);
        answer = static_cast<uint8_t>((bracket.Shrinkable && meets(bracket.Shrunk) ? MeetsFill : 0) |
                                      (meets(bracket.Grown) ? MeetsGrownFill : 0));
    }
    if (PadAnswers.size() >= MaxPadAnswers) {
        PadAnswers.clear();
    }
    PadAnswers.emplace(question, answer);
    return answer;
}

TGroupPlacer::TPairAnswer TGroupPlacer::ThroughPadsBracketed(const TPlacedComponent& x, int64_t dx, int64_t dy,
                                                             const TRect& ex, const TPlacedComponent& q,
                                                             const TRect& eq, int32_t gap) {
    std::optional<TTemporaryPrimitive> fill;  // made when the host must be asked
    const int64_t reach = int64_t{std::max(gap, 0)} + ExtentSlack;
    bool unsure = false;
    bool noFill = false;
    // The pads of a where they stand against rectangle e shifted by (sx, sy) into
    // their frame: one that meets it shrunk by the slack meets the true one, one
    // that misses it grown misses it; any other leaves the pair unsure.
    const auto judge = [&](const TPlacedComponent& a, bool stationary, const TRect& e, int64_t sx, int64_t sy) {
        if (!a.HasMultiLayerPads) {
            return false;
        }
        constexpr int64_t Limit = INT32_MAX / 2;
        const int64_t x1 = int64_t{std::min(e.Left, e.Right)} + sx;
        const int64_t x2 = int64_t{std::max(e.Left, e.Right)} + sx;
        const int64_t y1 = int64_t{std::min(e.Bottom, e.Top)} + sy;
        const int64_t y2 = int64_t{std::max(e.Bottom, e.Top)} + sy;
        if (std::min(x1, y1) < -Limit || std::max(x2, y2) > Limit) {
            unsure = true;
            return false;
        }
        const auto at = [](int64_t v) { return static_cast<int32_t>(v); };
        const TRect rect = Rect(at(x1), at(y2), at(x2), at(y1));
        int64_t px = 0;
        int64_t py = 0;
        const TThroughPads& pads = ThroughPadsOf(a.Handle, stationary, px, py);
        TPadQuestion question{nullptr, WhereNow(pads, px, py), rect, gap, 0, true};
        for (std::size_t i = 0; i < pads.Handles.size(); ++i) {
            if (!WithinReach(pads.Bounds[i], px, py, rect, reach)) {
                continue;
            }
            if (SurelyMeets(pads.Bounds[i], px, py, rect, gap, ExtentSlack)) {
                return true;
            }
            question.Pad = pads.Handles[i];
            question.Layer = pads.Layers[i];
            const std::optional<uint8_t> answer = PadMeetsFill(fill, question);
            if (!answer) {
                noFill = true;
                return false;
            }
            if ((*answer & MeetsFill) != 0) {
                return true;
            }
            unsure = unsure || (*answer & MeetsGrownFill) != 0;
        }
        return false;
    };
    if (judge(x, false, eq, -dx, -dy) || (!noFill && judge(q, true, ex, dx, dy))) {
        return TPairAnswer::Conflict;
    }
    return unsure || noFill ? TPairAnswer::Unsure : TPairAnswer::Apart;
}

bool TGroupPlacer::OppositeSideConflictFast(const TPlacedComponent& x, const TRect& ex, const TPlacedComponent& q,
                                            const TRect& eq, int32_t gap) {
    if (x.HasFarSideCopper || q.HasFarSideCopper) {
        return RectsOverlap(ex, eq, gap, Context.Forms);
    }
    const int64_t reach = int64_t{std::max(gap, 0)} + ExtentSlack;
    // The pads of a against the extent of the other part, in the order the host
    // would be asked; one fill serves every pad.
    const auto meets = [&](const TPlacedComponent& a, bool stationary, const TRect& extent) {
        if (!a.HasMultiLayerPads) {
            return false;
        }
        std::optional<TTemporaryPrimitive> fill;
        int64_t dx = 0;
        int64_t dy = 0;
        const TThroughPads& pads = ThroughPadsOf(a.Handle, stationary, dx, dy);
        TPadQuestion question{nullptr, WhereNow(pads, dx, dy), extent, gap, 0, false};
        for (std::size_t i = 0; i < pads.Handles.size(); ++i) {
            if (!WithinReach(pads.Bounds[i], dx, dy, extent, reach)) {
                continue;
            }
            if (SurelyMeets(pads.Bounds[i], dx, dy, extent, gap, ExtentSlack)) {
                return true;
            }
            question.Pad = pads.Handles[i];
            question.Layer = pads.Layers[i];
            const std::optional<uint8_t> met = PadMeetsFill(fill, question);
            if (!met) {
                return false;  // the host could not make the fill to ask
            }
            if ((*met & MeetsFill) != 0) {
                return true;
            }
        }
        return false;
    };
    return meets(x, false, eq) || meets(q, true, ex);
}

void TGroupPlacer::ForgetWhereMembersStand(const TRectangularComponentGroup& group) {
    for (const TPlacedComponent* member : group) {
        if (member != nullptr) {
            const auto known = ExtentCache.find(member->Handle);
            if (known != ExtentCache.end()) {
                known->second.Trusted = 0;
            }
        }
    }
}

void TGroupPlacer::MoveToRect(TRectangularComponentGroup& group) {
    if (PendingMove == &group) {
        PendingMove = nullptr;
    }
    // Set apart before the members move, and held whatever the move throws.
    struct TForget {
        TGroupPlacer& Placer;
        const TRectangularComponentGroup& Group;
        ~TForget() { Placer.ForgetWhereMembersStand(Group); }
    } const forget{*this, group};
    const int64_t dx = int64_t{group.Rect.Left} - group.OldRect.Left;
    const int64_t dy = int64_t{group.Rect.Bottom} - group.OldRect.Bottom;
    if (std::fabs(group.Rotation) < 0.1 && std::abs(dx) < INT32_MAX / 4 && std::abs(dy) < INT32_MAX / 4 &&
        ShiftStaysInRange(group, dx, dy)) {
        // What the transform does without a turn, minus its extent readings.
        for (TPlacedComponent* member : group) {
            if (member != nullptr) {
                member->ShiftBy(static_cast<int32_t>(dx), static_cast<int32_t>(dy));
            }
        }
        group.Rotation = 0.0;
        group.OldRect = group.Rect;
    } else {
        group.ApplyTransform();
    }
}

void TGroupPlacer::FlushPendingMove(const TRectangularComponentGroup* except) {
    if (PendingMove != nullptr && PendingMove != except) {
        MoveToRect(*PendingMove);
    }
}

bool TGroupPlacer::ExtentsConflictFast(TRectangularComponentGroup& group, const TRect& r,
                                       const TRectangularComponentGroup& placed, int32_t gap) {
    // Both tests of this mode look only at what lies within the gap of a member's
    // extent (pads lie inside it), so a pair whose extents are farther apart cannot
    // conflict. Until some pair comes near, the group's move is only a shift by
    // (r - OldRect) worked out here; the host moves it when a pair must be judged.
    // A shifted extent of a turned part may be a unit off the one the host finds
    // after the move, so nearness and overlap are judged with some slack; a pair
    // that is neither clearly apart nor clearly overlapping is judged after the move,
    // and so is every pair of a member whose extent does not simply shift.
    constexpr int64_t Slack = ExtentSlack;
    const int64_t reach = int64_t{std::max(gap, 0)} + Slack;
    const int64_t dx = int64_t{r.Left} - group.OldRect.Left;
    const int64_t dy = int64_t{r.Bottom} - group.OldRect.Bottom;
    const bool plainShift = std::fabs(group.Rotation) < 0.1 && std::abs(dx) < INT32_MAX / 4 &&
                            std::abs(dy) < INT32_MAX / 4;
    // The plain test leaves the group moved to r whatever it finds. Here the move
    // waits (Rect is r, the members still stand at OldRect) until a pair must be
    // judged where the group stands, or until anything else looks at the members
    // (FlushPendingMove).
    ++ExtentTests;
    FlushPendingMove(&group);
    group.Rect = r;
    bool moved = false;
    const auto move = [&] {
        MoveToRect(group);
        moved = true;
    };
    if (!plainShift) {
        move();
    }
    const auto settle = [&](bool conflict) {
        if (!moved) {
            PendingMove = &group;
        }
        return conflict;
    };
    // The placed group stands still while this group is searched: its members'
    // extents are read once per test.
    PlacedExtents.clear();
    for (const TPlacedComponent* q : placed) {
        PlacedExtents.push_back(MemberExtent(q->Handle, true));
    }
    for (const TPlacedComponent* x : group) {
        TRect ex = MemberExtent(x->Handle);
        if (!moved && !ShiftKeepsExtent(ex, dx, dy)) {
            move();
            ex = MemberExtent(x->Handle);
        }
        std::size_t k = 0;
        for (const TPlacedComponent* q : placed) {
            const TRect& eq = PlacedExtents[k++];
            const bool opposite = x->GetLayer() != q->GetLayer();
            if (opposite && !x->HasMultiLayerPads && !q->HasMultiLayerPads) {
                continue;  // parts on two sides meet only through holes
            }
            if (!WithinReach(ex, moved ? 0 : dx, moved ? 0 : dy, eq, reach)) {
                continue;
            }
            if (!moved) {
                if (!opposite && SurelyOverlapping(ex, dx, dy, eq, gap, Slack)) {
                    return settle(true);
                }
                const bool farSide = opposite && (x->HasFarSideCopper || q->HasFarSideCopper);
                if (farSide && SurelyOverlapping(ex, dx, dy, eq, gap, Slack)) {
                    return settle(true);
                }
                if (opposite && !farSide && ThroughPadsApart(*x, dx, dy, ex, *q, eq, reach)) {
                    continue;
                }
                if (opposite && !farSide && ThroughPadSurelyMeets(*x, dx, dy, ex, *q, eq, gap, Slack)) {
                    return settle(true);
                }
                if (opposite && !farSide) {
                    const TPairAnswer answer = ThroughPadsBracketed(*x, dx, dy, ex, *q, eq, gap);
                    if (answer == TPairAnswer::Conflict) {
                        return settle(true);
                    }
                    if (answer == TPairAnswer::Apart) {
                        continue;
                    }
                }
                move();
                ex = MemberExtent(x->Handle);
            }
            const bool conflict = opposite ? OppositeSideConflictFast(*x, ex, *q, eq, gap)
                                           : RectsOverlap(ex, eq, gap, Context.Forms);
            if (conflict) {
                return true;
            }
        }
    }
    return settle(false);
}

std::vector<TGroupPlacer::TOverlapPartner> TGroupPlacer::OverlapPartners(const TRectangularComponentGroup& group) {
    std::vector<TOverlapPartner> partners;
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        if (placed == &group || LayersDisjoint(group, *placed)) {
            continue;  // groups that can never conflict do not overlap either
        }
        uint8_t mode = 0;
        partners.push_back({&placed->Rect, std::max(GroupsGap(group, *placed, mode), 0)});
    }
    return partners;
}

int32_t TGroupPlacer::OverlapCostWith(const TRect& r, const TRectangularComponentGroup& group,
                                      const std::vector<TOverlapPartner>& partners) {
    constexpr int64_t SquareMil = int64_t{10000} * 10000;
    int64_t overlap = 0;
    for (const TOverlapPartner& partner : partners) {
        const TRect& q = *partner.Rect;
        const int64_t gap = partner.Gap;
        const int64_t w = std::min(r.Right + gap, int64_t{q.Right}) - std::max(r.Left - gap, int64_t{q.Left});
        const int64_t h = std::min(r.Top + gap, int64_t{q.Top}) - std::max(r.Bottom - gap, int64_t{q.Bottom});
        if (w > 0 && h > 0) {
            // Square mils, rounded up so that a sliver counts; w and h stay below
            // 2^32, so the product fits.
            overlap += (w * h + SquareMil - 1) / SquareMil;
            overlap = std::min<int64_t>(overlap, NotFittingPenalty - 1);
        }
    }
    if (!FitsArea(r, group)) {
        overlap += NotFittingPenalty;
    }
    return static_cast<int32_t>(std::min<int64_t>(overlap, OverflowCost));
}

int32_t TGroupPlacer::OverlapCost(const TRect& r, const TRectangularComponentGroup& group) {
    return OverlapCostWith(r, group, OverlapPartners(group));
}

}  // namespace autoplacer
