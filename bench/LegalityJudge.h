// Judges a placement as KiCad's design-rule check would, counting only what the placer
// did: courtyard overlaps (same side, or a hole of a through-hole pad inside the
// courtyard of a part on the other side) that involve a moved component, and moved components whose
// courtyard (else extent) leaves the outline polygon. Shared by legal_check and the
// real-board tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/Courtyard.h"

namespace legality {

struct Verdict {
    std::vector<std::pair<std::string, std::string>> overlaps;
    std::vector<std::string> outside;
};

// The courtyard, or the extent's rectangle for a component without one.
inline hostpcb::CourtyardShape PlacementShape(const hostpcb::Component& c) {
    hostpcb::CourtyardShape shape = hostpcb::ComponentCourtyard(c);
    if (!shape.Empty()) return shape;
    const hostpcb::Box b = c.Bounds();
    const hostpcb::PointF corners[] = {
        {double(b.x1), double(b.y1)}, {double(b.x2), double(b.y1)}, {double(b.x2), double(b.y2)}, {double(b.x1), double(b.y2)}};
    for (int k = 0; k < 4; ++k) shape.segments.push_back({corners[k], corners[(k + 1) % 4]});
    shape.box = b;
    return shape;
}

// `components` and `moved` run in parallel; only pairs and parts with a moved member count.
inline Verdict Judge(const hostpcb::Board& board, const std::vector<const hostpcb::Component*>& components,
                     const std::vector<bool>& moved) {
    Verdict verdict;
    const std::size_t n = components.size();
    std::vector<hostpcb::CourtyardShape> courtyards(n);
    for (std::size_t i = 0; i < n; ++i) courtyards[i] = hostpcb::ComponentCourtyard(*components[i]);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (!moved[i] && !moved[j]) continue;
            const hostpcb::Component& a = *components[i];
            const hostpcb::Component& b = *components[j];
            if (hostpcb::CourtyardsConflict(a, courtyards[i], b, courtyards[j])) {
                verdict.overlaps.emplace_back(a.Designator(), b.Designator());
            }
        }
    }
    const std::vector<app::Segment> outline = app::OutlineSegments(board);
    for (std::size_t i = 0; i < n && !outline.empty(); ++i) {
        if (moved[i] && app::ShapeLeavesOutline(PlacementShape(*components[i]), outline)) {
            verdict.outside.push_back(components[i]->Designator());
        }
    }
    return verdict;
}

}  // namespace legality
