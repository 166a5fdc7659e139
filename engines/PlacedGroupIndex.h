// A spatial index over the group placer's placed groups: square buckets of a
// fixed side, each listing the groups whose rectangle reaches into it. A query
// answers the positions (in the placed list) of every group whose rectangle
// meets the query rectangle, edges inclusive, ascending; it may answer a few
// more, never fewer. Groups that cover very many buckets are kept in a list of
// their own that every query answers.
//
// The placer syncs the index with its list before a search: groups are added
// in list order, and a group whose rectangle changed since it was indexed is
// moved.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

class TPlacedGroupIndex {
public:
    // Buckets of the given side (at least 1) laid from the origin.
    TPlacedGroupIndex(int64_t side, int32_t originX, int32_t originY);

    // Position `position` now stands at r (a new position must be the next one).
    void Put(int32_t position, const TRect& r);
    int32_t Count() const { return static_cast<int32_t>(Rects.size()); }
    const TRect& RectOf(int32_t position) const { return Rects.at(static_cast<std::size_t>(position)); }

    // The positions of the groups whose rectangle may meet r, ascending.
    void Query(const TRect& r, std::vector<int32_t>& out) const;

private:
    struct TSpan {
        int64_t X0, Y0, X1, Y1;
    };
    TSpan SpanOf(const TRect& r) const;
    static int64_t Key(int64_t bx, int64_t by) { return (bx << 32) ^ (by & 0xffffffff); }
    void Insert(int32_t position, const TRect& r);
    void Erase(int32_t position, const TRect& r);

    int64_t Side;
    int64_t OriginX;
    int64_t OriginY;
    std::vector<TRect> Rects;
    std::unordered_map<int64_t, std::vector<int32_t>> Buckets;
    std::vector<int32_t> Large;
    mutable std::vector<uint32_t> Seen;
    mutable uint32_t Stamp = 0;
};

}  // namespace autoplacer
