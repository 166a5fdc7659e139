// Judges a placed KiCad board against the board it was placed from, as KiCad's
// design-rule check would, counting only what the placer did: courtyard overlaps
// (same side, or a part with through-hole pads over or under one on the other side)
// that involve a moved footprint, and moved footprints whose courtyard (else extent)
// leaves the outline polygon. A developer tool of bench/place_boards.sh.
//
//   legal_check ORIGINAL.kicad_pcb PLACED.kicad_pcb [--names]
//
// Prints "overlaps N outside M moved K"; with --names one line per offending part or pair.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/Courtyard.h"
#include "io/BoardFiles.h"

namespace {

bool Moved(const hostpcb::Component& before, const hostpcb::Component& after) {
    return before.Position() != after.Position() || std::fabs(before.Rotation() - after.Rotation()) > 1e-9 ||
           before.Layer() != after.Layer();
}

bool CrossesOutline(const hostpcb::CourtyardShape& shape, const std::vector<app::Segment>& outline) {
    hostpcb::CourtyardShape edge;
    for (const app::Segment& s : outline) {
        edge.segments.push_back({{double(s.a.x), double(s.a.y)}, {double(s.b.x), double(s.b.y)}});
    }
    if (edge.Empty()) return false;
    edge.box = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    // Boundaries that cross: the courtyard leaves the region somewhere.
    for (const hostpcb::CourtyardSegment& s : shape.segments) {
        for (const hostpcb::CourtyardSegment& t : edge.segments) {
            const double d1 = (t.b.x - t.a.x) * (s.a.y - t.a.y) - (t.b.y - t.a.y) * (s.a.x - t.a.x);
            const double d2 = (t.b.x - t.a.x) * (s.b.y - t.a.y) - (t.b.y - t.a.y) * (s.b.x - t.a.x);
            const double d3 = (s.b.x - s.a.x) * (t.a.y - s.a.y) - (s.b.y - s.a.y) * (t.a.x - s.a.x);
            const double d4 = (s.b.x - s.a.x) * (t.b.y - s.a.y) - (s.b.y - s.a.y) * (t.b.x - s.a.x);
            if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: legal_check ORIGINAL.kicad_pcb PLACED.kicad_pcb [--names]\n");
        return 2;
    }
    const bool names = argc > 3 && std::strcmp(argv[3], "--names") == 0;
    try {
        io::LoadOptions options;
        options.readRules = false;
        const auto original = io::LoadBoardFile(argv[1], options);
        const auto placed = io::LoadBoardFile(argv[2], options);
        const auto& before = original->mapping.links;
        const auto& after = placed->mapping.links;
        if (before.size() != after.size()) {
            std::fprintf(stderr, "the boards hold different footprints\n");
            return 2;
        }
        const size_t n = after.size();
        std::vector<bool> moved(n);
        std::vector<hostpcb::CourtyardShape> shapes(n);
        int movedCount = 0;
        for (size_t i = 0; i < n; ++i) {
            moved[i] = Moved(*before[i].component, *after[i].component);
            movedCount += moved[i] ? 1 : 0;
            shapes[i] = hostpcb::ComponentCourtyard(*after[i].component);
        }
        int overlaps = 0;
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = i + 1; j < n; ++j) {
                if (!moved[i] && !moved[j]) continue;
                const hostpcb::Component& a = *after[i].component;
                const hostpcb::Component& b = *after[j].component;
                if (!hostpcb::CourtyardsArePaired(a, b) || !hostpcb::CourtyardsMeet(shapes[i], shapes[j], 0)) continue;
                ++overlaps;
                if (names) std::printf("overlap %s %s\n", a.Designator().c_str(), b.Designator().c_str());
            }
        }
        const std::vector<app::Segment> outline = app::OutlineSegments(*placed->board);
        int outside = 0;
        for (size_t i = 0; i < n && !outline.empty(); ++i) {
            if (!moved[i]) continue;
            const hostpcb::Component& c = *after[i].component;
            hostpcb::CourtyardShape shape = shapes[i];
            if (shape.Empty()) {
                const hostpcb::Box b = c.Bounds();
                const hostpcb::PointF corners[] = {{double(b.x1), double(b.y1)}, {double(b.x2), double(b.y1)},
                                                   {double(b.x2), double(b.y2)}, {double(b.x1), double(b.y2)}};
                for (int k = 0; k < 4; ++k) shape.segments.push_back({corners[k], corners[(k + 1) % 4]});
            }
            const hostpcb::CourtyardSegment& first = shape.segments.front();
            const bool inside = app::InsideOutline(outline, {static_cast<hostpcb::Coord>(std::lround(first.a.x)),
                                                             static_cast<hostpcb::Coord>(std::lround(first.a.y))}) &&
                                !CrossesOutline(shape, outline);
            if (inside) continue;
            ++outside;
            if (names) std::printf("outside %s\n", c.Designator().c_str());
        }
        std::printf("overlaps %d outside %d moved %d\n", overlaps, outside, movedCount);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "legal_check: %s\n", e.what());
        return 1;
    }
    return 0;
}
