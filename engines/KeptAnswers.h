// Answers of the group placer's area and conflict tests, kept from one group's
// search to the next over the points of the area's grid lattice.
//
// The keep-out answer of a rectangle depends only on the rectangle, the keep-out
// gap and the copper sides, so it is kept for every search that asks it again.
//
// A conflict answer is kept per group shape: groups whose members all lack
// through-hole pads and far-side copper are judged only by their members'
// extents, so two of them with the same extents about the group's corner, on the
// same sides, get the same answer at the same point from the same placed groups
// under the same relations (gap, mode, layers). A group placed later forgets the
// answers of the points within its reach (a gap no smaller than any gap seen so
// far); a shape whose gap to it turns out larger forgets all of its answers, and
// a placed group that moved, turned or was replaced makes every shape forget.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "engines/GroupSearch.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

class TRectangularComponentGroup;

// The kept conflict answers of one group shape.
struct TConflictAnswers {
    int32_t Width = 0;  // of the group's rectangle
    int32_t Height = 0;
    // The relations to the placed groups the answers were found under.
    std::vector<TPlacedRelation> Relations;
    // Per lattice point: Known, and then Conflict and Touched.
    std::vector<uint8_t> Bits;
    static constexpr uint8_t Known = 1;
    static constexpr uint8_t Conflict = 2;
    // The test judged some pair where the group stands, and so left it at the point.
    static constexpr uint8_t Touched = 4;
};

class TKeptAnswers {
public:
    // A new lattice: columns x rows points from (left, bottom) by step. Forgets everything.
    void Reset(int32_t left, int32_t bottom, int32_t step, int32_t columns, int32_t rows);
    // The lattice index of a point, or -1 when it is not one of the lattice's.
    int64_t IndexOf(int32_t x, int32_t y) const;
    // The number of lattice points; IndexOf answers below it.
    std::size_t Points() const { return static_cast<std::size_t>(Columns) * static_cast<std::size_t>(Rows); }

    // The keep-out answers (-1 unknown) of rectangles of this size, gap and sides.
    std::vector<int8_t>& KeepOut(int32_t width, int32_t height, int32_t gap, uint8_t sides);

    // Before a search: notes the placed groups as they stand now. A group of the
    // last notes that moved, turned or was replaced drops every conflict answer;
    // a group placed since drops those of the points within its reach.
    void NotePlaced(const TFastListOf<TRectangularComponentGroup*>& placed);
    // The answers of a group shape (its rectangle's width and height first) under
    // the relations of the search now: those found under other relations are
    // dropped, and so are all when a group placed since lies farther in reach than
    // it was noted with.
    TConflictAnswers& ConflictsOf(const std::vector<int64_t>& shape, const std::vector<TPlacedRelation>& relations);

private:
    int32_t Left = 0;
    int32_t Bottom = 0;
    int32_t Step = 0;
    int32_t Columns = 0;
    int32_t Rows = 0;
    std::map<std::vector<int32_t>, std::vector<int8_t>> KeepOutAnswers;
    struct TPlacedNote {
        const TRectangularComponentGroup* Group = nullptr;
        TRect Rect;
        double Rotation = 0.0;
        int32_t Members = 0;
        bool operator==(const TPlacedNote&) const = default;
    };
    std::vector<TPlacedNote> Placed;
    // Per placed group, the gap its reach was noted with.
    std::vector<int32_t> NotedGaps;
    // No smaller than any gap between a searched shape and a placed group so far.
    int32_t GapBound = 0;
    std::map<std::vector<int64_t>, TConflictAnswers> Conflicts;
    // Forgets the answers of the points where a shape's rectangle comes within
    // gap (and a unit) of r.
    void ForgetNear(TConflictAnswers& answers, const TRect& r, int32_t gap) const;
};

}  // namespace autoplacer
