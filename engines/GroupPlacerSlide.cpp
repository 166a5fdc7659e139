// Sliding a placed group toward an edge of the area: the grid leaves
// up to a step of room beside every group, and sliding the groups together
// gathers those slivers into room that a part left without a place can use.
#include <algorithm>

#include "engines/GroupPlacer.h"
#include "engines/GroupSearch.h"

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

}  // namespace autoplacer
