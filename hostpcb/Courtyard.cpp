#include "hostpcb/Courtyard.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hostpcb {

namespace {

constexpr int kArcChords = 32;  // per full turn

double Cross(PointF o, PointF a, PointF b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

double PointSegmentDistance(PointF p, const CourtyardSegment& s) {
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (s.a.x + t * dx), p.y - (s.a.y + t * dy));
}

// Segments that cross at a point inside both (touching ends and collinear runs excluded).
bool CrossProperly(const CourtyardSegment& s, const CourtyardSegment& t) {
    const double d1 = Cross(t.a, t.b, s.a), d2 = Cross(t.a, t.b, s.b);
    const double d3 = Cross(s.a, s.b, t.a), d4 = Cross(s.a, s.b, t.b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

double SegmentDistance(const CourtyardSegment& s, const CourtyardSegment& t) {
    if (CrossProperly(s, t)) return 0;
    return std::min({PointSegmentDistance(s.a, t), PointSegmentDistance(s.b, t), PointSegmentDistance(t.a, s),
                     PointSegmentDistance(t.b, s)});
}

bool BoxesApart(const Box& a, const Box& b, double gap) {
    return a.x1 - gap > b.x2 || b.x1 - gap > a.x2 || a.y1 - gap > b.y2 || b.y1 - gap > a.y2;
}

void AddArc(const Arc& arc, std::vector<CourtyardSegment>& out) {
    double sweep = arc.EndAngle() - arc.StartAngle();
    if (sweep <= 0) sweep += 360.0;
    const Point c = arc.Position();
    auto at = [&](double degrees) {
        const double r = degrees * std::numbers::pi / 180.0;
        return PointF{c.x + arc.Radius() * std::cos(r), c.y + arc.Radius() * std::sin(r)};
    };
    const int chords = std::max(2, static_cast<int>(std::ceil(kArcChords * sweep / 360.0)));
    PointF previous = at(arc.StartAngle());
    for (int i = 1; i <= chords; ++i) {
        const PointF next = at(arc.StartAngle() + sweep * i / chords);
        out.push_back({previous, next});
        previous = next;
    }
}

Box SegmentsBox(const std::vector<CourtyardSegment>& segments) {
    double x1 = segments[0].a.x, y1 = segments[0].a.y, x2 = x1, y2 = y1;
    for (const CourtyardSegment& s : segments) {
        for (PointF p : {s.a, s.b}) {
            x1 = std::min(x1, p.x);
            y1 = std::min(y1, p.y);
            x2 = std::max(x2, p.x);
            y2 = std::max(y2, p.y);
        }
    }
    return {static_cast<Coord>(std::floor(x1)), static_cast<Coord>(std::floor(y1)), static_cast<Coord>(std::ceil(x2)),
            static_cast<Coord>(std::ceil(y2))};
}

bool OnBoundary(PointF p, const CourtyardShape& shape) {
    for (const CourtyardSegment& t : shape.segments) {
        if (PointSegmentDistance(p, t) < 1.0) return true;
    }
    return false;
}

// Whether a piece of `inner`'s boundary lies strictly inside `outer`. Each segment is
// cut where a vertex of `outer` touches it, so that every piece lies wholly inside,
// outside or on the boundary of `outer` (the boundaries do not cross); its midpoint
// decides. `allOnBoundary` tells whether every piece lay on `outer`'s boundary.
bool BoundaryEnters(const CourtyardShape& inner, const CourtyardShape& outer, bool& allOnBoundary) {
    allOnBoundary = true;
    std::vector<double> cuts;
    for (const CourtyardSegment& s : inner.segments) {
        const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
        const double length2 = dx * dx + dy * dy;
        cuts.assign({0.0, 1.0});
        for (const CourtyardSegment& t : outer.segments) {
            if (length2 > 0 && PointSegmentDistance(t.a, s) < 1.0) {
                cuts.push_back(std::clamp(((t.a.x - s.a.x) * dx + (t.a.y - s.a.y) * dy) / length2, 0.0, 1.0));
            }
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
            if (cuts[i + 1] - cuts[i] < 1e-9) continue;
            const double m = (cuts[i] + cuts[i + 1]) / 2;
            const PointF p{s.a.x + m * dx, s.a.y + m * dy};
            if (OnBoundary(p, outer)) continue;
            allOnBoundary = false;
            if (InsideCourtyard(outer, p)) return true;
        }
    }
    return false;
}

}  // namespace

CourtyardShape ComponentCourtyard(const Component& component) {
    CourtyardShape shape;
    for (const Primitive* p : component.Children()) {
        if (p->Layer() != kCourtyardLayer) continue;
        if (p->Kind() == ObjectKind::Track) {
            const auto* t = static_cast<const Track*>(p);
            shape.segments.push_back({{double(t->Position().x), double(t->Position().y)},
                                      {double(t->End().x), double(t->End().y)}});
        } else if (p->Kind() == ObjectKind::Arc) {
            AddArc(*static_cast<const Arc*>(p), shape.segments);
        }
    }
    if (!shape.segments.empty()) shape.box = SegmentsBox(shape.segments);
    return shape;
}

CourtyardShape Shifted(const CourtyardShape& shape, double dx, double dy) {
    CourtyardShape out = shape;
    for (CourtyardSegment& s : out.segments) {
        s.a = {s.a.x + dx, s.a.y + dy};
        s.b = {s.b.x + dx, s.b.y + dy};
    }
    if (!out.Empty()) out.box = SegmentsBox(out.segments);
    return out;
}

bool InsideCourtyard(const CourtyardShape& shape, PointF p) {
    bool inside = false;
    for (const CourtyardSegment& s : shape.segments) {
        if ((s.a.y > p.y) == (s.b.y > p.y)) continue;
        const double x = s.a.x + (p.y - s.a.y) * (s.b.x - s.a.x) / (s.b.y - s.a.y);
        if (p.x < x) inside = !inside;
    }
    return inside;
}

bool SegmentsCrossProperly(const CourtyardSegment& s, const CourtyardSegment& t) { return CrossProperly(s, t); }

bool CourtyardsMeet(const CourtyardShape& a, const CourtyardShape& b, double gap) {
    if (a.Empty() || b.Empty() || BoxesApart(a.box, b.box, gap)) return false;
    for (const CourtyardSegment& s : a.segments) {
        for (const CourtyardSegment& t : b.segments) {
            if (gap > 0 ? SegmentDistance(s, t) < gap : CrossProperly(s, t)) return true;
        }
    }
    // No boundary crossing: the regions overlap only if some piece of one boundary
    // lies inside the other, or both boundaries are the same.
    bool aOnB = true, bOnA = true;
    if (BoundaryEnters(b, a, bOnA) || BoundaryEnters(a, b, aOnB)) return true;
    return aOnB && bOnA;
}

bool HasThroughHolePads(const Component& component) {
    for (const Primitive* p : component.Children()) {
        if (p->Kind() == ObjectKind::Pad && p->Layer() == PCB_MULTI_LAYER &&
            static_cast<const Pad*>(p)->Geometry().holeSize > 0) {
            return true;
        }
    }
    return false;
}

namespace {

// A hole's square (its drill as the side) meets the courtyard.
bool HolesMeet(const Component& c, const CourtyardShape& other) {
    if (other.Empty()) return false;
    for (const Primitive* p : c.Children()) {
        if (p->Kind() != ObjectKind::Pad || p->Layer() != PCB_MULTI_LAYER) continue;
        const double r = static_cast<const Pad*>(p)->Geometry().holeSize / 2.0;
        if (r <= 0) continue;
        const PointF o{double(p->Position().x), double(p->Position().y)};
        CourtyardShape hole;
        const PointF corners[] = {{o.x - r, o.y - r}, {o.x + r, o.y - r}, {o.x + r, o.y + r}, {o.x - r, o.y + r}};
        for (int k = 0; k < 4; ++k) hole.segments.push_back({corners[k], corners[(k + 1) % 4]});
        hole.box = SegmentsBox(hole.segments);
        if (CourtyardsMeet(hole, other, 0)) return true;
    }
    return false;
}

}  // namespace

bool CourtyardsConflict(const Component& a, const CourtyardShape& courtyardA, const Component& b,
                        const CourtyardShape& courtyardB, double gap) {
    if (a.Layer() == b.Layer()) return CourtyardsMeet(courtyardA, courtyardB, gap);
    return HolesMeet(a, courtyardB) || HolesMeet(b, courtyardA);
}

}  // namespace hostpcb
