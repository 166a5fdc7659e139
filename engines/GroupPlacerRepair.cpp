// What the absolute placer's repairs ask of the group placer about groups
// already placed: sliding one toward an edge of the area (the grid leaves up to
// a step of room beside every group, and sliding the groups together gathers
// those slivers into room that a part left without a place can use), which
// placed groups stand in a group's way, and whether a group could stand at a
// rectangle.
#include <algorithm>
#include <functional>

#include "engines/GroupPlacer.h"
#include "engines/GroupSearch.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

// The shortest slide worth a test (1 mil): slivers below it hold no part.
constexpr int64_t MinSlide = 10000;

TRect Shifted(const TRect& r, bool alongX, int64_t by) {
    const auto d = static_cast<int32_t>(by);  // positive: toward lower coordinates
    return alongX ? Rect(r.Left - d, r.Top, r.Right - d, r.Bottom) : Rect(r.Left, r.Top - d, r.Right, r.Bottom - d);
}

}  // namespace

int64_t TGroupPlacer::SlidePlacedGroup(TRectangularComponentGroup& group, bool alongX, bool towardLower,
                                      const std::vector<const TRectangularComponentGroup*>& ignored) {
    const TRect start = group.Rect;
    struct TOther {
        const TRectangularComponentGroup* Group;
        int32_t Gap;
        uint8_t Mode;
    };
    std::vector<TOther> others;
    int64_t limit = alongX ? (towardLower ? int64_t{start.Left} - Area.Left : int64_t{Area.Right} - start.Right)
                           : (towardLower ? int64_t{start.Bottom} - Area.Bottom : int64_t{Area.Top} - start.Top);
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        if (placed == &group || std::find(ignored.begin(), ignored.end(), placed) != ignored.end() ||
            LayersDisjoint(group, *placed)) {
            continue;
        }
        TOther other{placed, 0, 0};
        other.Gap = GroupsGap(group, *placed, other.Mode);
        others.push_back(other);
        const TRect& q = placed->Rect;
        const int64_t g = std::max(other.Gap, 0);
        // Rectangles that touch count as overlapping, so a blocker must stay a unit clear.
        const bool acrossPath = alongX ? q.Top + g >= start.Bottom && q.Bottom - g <= start.Top
                                       : q.Right + g >= start.Left && q.Left - g <= start.Right;
        const int64_t room = alongX ? (towardLower ? int64_t{start.Left} - q.Right : int64_t{q.Left} - start.Right)
                                    : (towardLower ? int64_t{start.Bottom} - q.Top : int64_t{q.Bottom} - start.Top);
        const int64_t clear = room - g - 1;
        if (acrossPath && clear >= 0) {
            limit = std::min(limit, clear);
        }
    }
    const TSearchScope search(*this, group);
    const int64_t sign = towardLower ? 1 : -1;
    const auto legalAt = [&](int64_t by) {
        const TRect r = Shifted(start, alongX, sign * by);
        if (!FitsAreaPlain(r, group)) {
            return false;
        }
        for (const TOther& other : others) {
            const bool conflict = ConflictsAt(group, r, *other.Group, other.Gap, other.Mode);
            FlushPendingMove();
            if (conflict) {
                return false;
            }
        }
        return true;
    };
    int64_t moved = 0;
    if (limit >= MinSlide) {
        if (legalAt(limit)) {
            moved = limit;
        } else {
            // The longest legal slide below the limit, taking the test as monotone;
            // every answer kept was tested legal.
            int64_t lo = 0;
            int64_t hi = limit;
            while (hi - lo > MinSlide) {
                const int64_t mid = lo + (hi - lo) / 2;
                if (legalAt(mid)) {
                    lo = mid;
                } else {
                    hi = mid;
                }
            }
            moved = lo;
        }
    }
    group.Rect = Shifted(start, alongX, sign * moved);
    MoveToRect(group);
    return moved;
}

bool TGroupPlacer::StandsClearAt(TRectangularComponentGroup& group, const TRect& r,
                                 const std::vector<const TRectangularComponentGroup*>& ignored) {
    const TSearchScope search(*this, group);
    const TRect start = group.Rect;
    bool clear = FitsAreaPlain(r, group);
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        if (!clear) {
            break;
        }
        if (placed != &group && std::find(ignored.begin(), ignored.end(), placed) == ignored.end()) {
            clear = !Conflicts(group, r, *placed);
        }
    }
    group.Rect = start;  // the tests may have moved it to r
    MoveToRect(group);
    return clear;
}

std::vector<TRectangularComponentGroup*> TGroupPlacer::GroupsInTheWay(
    TRectangularComponentGroup& group, const std::vector<const TRectangularComponentGroup*>& ignored) {
    const TSearchScope search(*this, group);
    const TRect r = group.Rect;
    std::vector<TRectangularComponentGroup*> inTheWay;
    for (TRectangularComponentGroup* placed : PlacedGroups) {
        if (placed != &group && std::find(ignored.begin(), ignored.end(), placed) == ignored.end() &&
            Conflicts(group, r, *placed)) {
            inTheWay.push_back(placed);
        }
    }
    group.Rect = r;  // where it stood, whatever the tests moved
    MoveToRect(group);
    return inTheWay;
}

std::vector<TGroupPlacer::TRoomMakingPlace> TGroupPlacer::PlacesToMakeRoom(
    TRectangularComponentGroup& group, const std::vector<const TRectangularComponentGroup*>& ignored,
    const std::function<bool(const TRectangularComponentGroup*)>& movable, std::size_t count) {
    struct TPartner {
        const TRectangularComponentGroup* Group;
        int64_t Gap;
        bool Movable;
        int64_t Area;
    };
    std::vector<TPartner> partners;
    for (const TRectangularComponentGroup* placed : PlacedGroups) {
        if (placed == &group || std::find(ignored.begin(), ignored.end(), placed) != ignored.end() ||
            LayersDisjoint(group, *placed)) {
            continue;
        }
        uint8_t mode = 0;
        const TRect& q = placed->Rect;
        partners.push_back({placed, std::max(GroupsGap(group, *placed, mode), 0), movable(placed),
                            int64_t{RectWidth(q)} * RectHeight(q)});
    }
    // The best places found so far, cheapest first, each moving a different set.
    std::vector<TRoomMakingPlace> best;
    std::vector<std::vector<std::size_t>> bestSets;
    const int32_t g = Options.GridSize;
    if (g <= 0 || count == 0 || !RotationPermitted(group)) {
        return best;
    }
    std::vector<std::size_t> met;
    std::vector<std::size_t> column;
    for (int32_t turn = 0; turn < 4; ++turn) {
        if (turn > 0) {
            group.TurnQuarter90();
        }
        const int32_t w = RectWidth(group.Rect);
        const int32_t h = RectHeight(group.Rect);
        for (int64_t x = Area.Left; x + w <= Area.Right && !CheckStopRequest(); x += g) {
            // The partners within reach of this column, in their order.
            column.clear();
            for (std::size_t i = 0; i < partners.size(); ++i) {
                const TRect& q = partners[i].Group->Rect;
                if (x - partners[i].Gap <= q.Right && q.Left <= x + w + partners[i].Gap) {
                    column.push_back(i);
                }
            }
            for (int64_t y = Area.Bottom; y + h <= Area.Top; y += g) {
                const TGridPoint p{static_cast<int32_t>(x), static_cast<int32_t>(y)};
                const TRect r = RectAt(p, w, h);
                int64_t cost = 0;
                met.clear();
                for (std::size_t k = 0; k < column.size() && cost >= 0; ++k) {
                    const std::size_t i = column[k];
                    const TPartner& partner = partners[i];
                    const TRect& q = partner.Group->Rect;
                    if (r.Bottom - partner.Gap <= q.Top && q.Bottom <= r.Top + partner.Gap) {
                        cost = partner.Movable ? cost + partner.Area : -1;
                        met.push_back(i);
                    }
                }
                if (cost < 0 || (best.size() == count && cost >= best.back().Cost)) {
                    continue;
                }
                const auto same = std::find(bestSets.begin(), bestSets.end(), met);
                if (same != bestSets.end()) {
                    continue;  // an earlier place moves the same groups for no more
                }
                if (!FitsArea(r, group)) {
                    continue;
                }
                auto at = best.begin();
                while (at != best.end() && at->Cost <= cost) {
                    ++at;
                }
                const auto index = at - best.begin();
                best.insert(at, TRoomMakingPlace{cost, turn, p});
                bestSets.insert(bestSets.begin() + index, met);
                if (best.size() > count) {
                    best.pop_back();
                    bestSets.pop_back();
                }
            }
        }
    }
    group.TurnQuarter90();  // the fourth quarter turn: as it came
    return best;
}

void TGroupPlacer::MoveToPlace(const TRoomMakingPlace& place, TRectangularComponentGroup& group) {
    for (int32_t k = 0; k < place.Turns; ++k) {
        group.TurnQuarter90();
    }
    MoveGroupTo(place.Pos, group);
}

void TGroupPlacer::ReplacePlacedGroup(TRectangularComponentGroup* group,
                                      const std::vector<TRectangularComponentGroup*>& parts) {
    PlacedGroups.Remove(group);
    for (TRectangularComponentGroup* part : parts) {
        PlacedGroups.Add(part);
    }
}

}  // namespace autoplacer
