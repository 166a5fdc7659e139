// The area inside the board's keep-out outline, as the statistical placer tests it:
// the free tracks and arcs of the keep-out layer (arcs as chords), inside by the
// even-odd rule so that cut-outs and several outlines count. A box is inside when
// one of its corners is inside and no outline segment meets it.
#pragma once

#include <memory>
#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb::statistical {

struct OutlineSegment {
    Point a, b;
};

class OutlineRegion {
public:
    explicit OutlineRegion(const Board& board);
    ~OutlineRegion();
    OutlineRegion(const OutlineRegion&) = delete;
    OutlineRegion& operator=(const OutlineRegion&) = delete;

    bool Empty() const { return segments_.empty(); }
    // The box around every outline segment.
    const Box& Extent() const { return extent_; }
    const std::vector<OutlineSegment>& Segments() const { return segments_; }

    bool PointInside(Point p) const;
    // The closed box lies in the open inside: no segment touches it.
    bool BoxInside(const Box& box) const;
    // Segments whose boxes meet the box (for candidate positions along the outline).
    void SegmentsNear(const Box& box, std::vector<const OutlineSegment*>& out) const;

private:
    struct Index;
    std::vector<OutlineSegment> segments_;
    Box extent_;
    // Horizontal bands, each listing the segments that span part of it.
    Coord bandBottom_ = 0;
    Coord bandHeight_ = 1;
    std::vector<std::vector<int>> bands_;
    std::unique_ptr<Index> index_;
};

// The outline segments of the board: free keep-out tracks, and keep-out arcs as
// chords (32 per full turn).
std::vector<OutlineSegment> KeepOutSegments(const Board& board);

}  // namespace hostpcb::statistical
