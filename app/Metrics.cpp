#include "app/Metrics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "hostpcb/PlacementShape.h"

namespace app {

namespace {

constexpr int kArcChords = 32;

double Distance(hostpcb::Point a, hostpcb::Point b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

}  // namespace

ComponentExtent ExtentOf(const hostpcb::Component& component) {
    ComponentExtent e;
    e.component = &component;
    bool any = false;
    for (const hostpcb::Primitive* p : component.Children()) {
        if (p->Layer() != kCourtyardLayer) continue;
        e.box = any ? e.box.United(p->Bounds()) : p->Bounds();
        any = true;
    }
    e.courtyard = any;
    if (!any) e.box = component.Bounds();
    e.artwork = !any && !hostpcb::HasCopper(component);
    return e;
}

std::vector<ComponentExtent> ComponentExtents(const hostpcb::Board& board) {
    std::vector<ComponentExtent> out;
    const std::vector<Segment> outline = OutlineSegments(board);
    double outlineArea = 0;
    if (!outline.empty()) {
        hostpcb::Box box{outline[0].a.x, outline[0].a.y, outline[0].a.x, outline[0].a.y};
        for (const Segment& s : outline) {
            box = box.United({s.a.x, s.a.y, s.a.x, s.a.y}).United({s.b.x, s.b.y, s.b.x, s.b.y});
        }
        outlineArea = (double(box.x2) - box.x1) * (double(box.y2) - box.y1);
    }
    for (const hostpcb::Component* c : board.Components()) {
        ComponentExtent e = ExtentOf(*c);
        const bool any = e.courtyard;
        const double area = (double(e.box.x2) - e.box.x1) * (double(e.box.y2) - e.box.y1);
        e.frame = !any && !c->moveable && outlineArea > 0 && area > 0.5 * outlineArea;
        out.push_back(e);
    }
    return out;
}

std::vector<Segment> OutlineSegments(const hostpcb::Board& board) {
    std::vector<Segment> out;
    for (const hostpcb::Object* o : board.Objects()) {
        if (o->Layer() != PCB_KEEP_OUT_LAYER || o->ParentComponent()) continue;
        if (o->Kind() == hostpcb::ObjectKind::Track) {
            const auto* t = static_cast<const hostpcb::Track*>(o);
            out.push_back({t->Position(), t->End()});
        } else if (o->Kind() == hostpcb::ObjectKind::Arc) {
            const auto* a = static_cast<const hostpcb::Arc*>(o);
            double sweep = a->EndAngle() - a->StartAngle();
            if (sweep <= 0) sweep += 360.0;
            const hostpcb::Point c = a->Position();
            auto at = [&](double deg) {
                const double r = deg * std::numbers::pi / 180.0;
                return hostpcb::Point{static_cast<hostpcb::Coord>(std::lround(c.x + a->Radius() * std::cos(r))),
                                      static_cast<hostpcb::Coord>(std::lround(c.y + a->Radius() * std::sin(r)))};
            };
            const int chords = std::max(2, static_cast<int>(std::ceil(kArcChords * sweep / 360.0)));
            hostpcb::Point prev = at(a->StartAngle());
            for (int i = 1; i <= chords; ++i) {
                const hostpcb::Point next = at(a->StartAngle() + sweep * i / chords);
                out.push_back({prev, next});
                prev = next;
            }
        }
    }
    return out;
}

bool InsideOutline(const std::vector<Segment>& outline, hostpcb::Point p) {
    bool inside = false;
    for (const Segment& s : outline) {
        const hostpcb::Point a = s.a, b = s.b;
        if ((a.y > p.y) == (b.y > p.y)) continue;
        const double x = a.x + (double(p.y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
        if (p.x < x) inside = !inside;
    }
    return inside;
}

std::vector<Segment> NetSpanningTree(const hostpcb::Net& net) {
    std::vector<hostpcb::Point> pts;
    for (const hostpcb::Pad* pad : net.Pads()) pts.push_back(pad->Position());
    std::vector<Segment> tree;
    if (pts.size() < 2) return tree;
    const size_t n = pts.size();
    std::vector<double> best(n, std::numeric_limits<double>::infinity());
    std::vector<size_t> from(n, 0);
    std::vector<bool> done(n, false);
    best[0] = 0;
    for (size_t step = 0; step < n; ++step) {
        size_t u = n;
        for (size_t i = 0; i < n; ++i) {
            if (!done[i] && (u == n || best[i] < best[u])) u = i;
        }
        done[u] = true;
        if (step > 0) tree.push_back({pts[from[u]], pts[u]});
        for (size_t i = 0; i < n; ++i) {
            if (done[i]) continue;
            const double d = Distance(pts[u], pts[i]);
            if (d < best[i]) {
                best[i] = d;
                from[i] = u;
            }
        }
    }
    return tree;
}

BoardMetrics MeasureBoard(const hostpcb::Board& board) {
    BoardMetrics m;
    for (const hostpcb::Net* net : board.Nets()) {
        for (const Segment& s : NetSpanningTree(*net)) m.connectionLength += Distance(s.a, s.b);
        const std::vector<hostpcb::Pad*> pads = net->Pads();
        if (pads.size() < 2) continue;
        hostpcb::Box box{pads[0]->Position().x, pads[0]->Position().y, pads[0]->Position().x, pads[0]->Position().y};
        for (const hostpcb::Pad* p : pads) {
            box = box.United({p->Position().x, p->Position().y, p->Position().x, p->Position().y});
        }
        m.halfPerimeter += double(box.x2) - box.x1 + double(box.y2) - box.y1;
    }

    const std::vector<ComponentExtent> extents = ComponentExtents(board);
    CourtyardCache courtyards;
    for (size_t i = 0; i < extents.size(); ++i) {
        for (size_t j = i + 1; j < extents.size(); ++j) {
            if (extents[i].component->Layer() != extents[j].component->Layer()) continue;
            if (!extents[i].Judged() || !extents[j].Judged()) continue;
            if (ExtentsOverlap(extents[i], extents[j], courtyards)) ++m.overlappingPairs;
        }
    }

    const std::vector<Segment> outline = OutlineSegments(board);
    m.hasOutline = !outline.empty();
    if (m.hasOutline) {
        for (const ComponentExtent& e : extents) {
            if (ExtentLeavesOutline(e, outline, courtyards)) ++m.outsideOutline;
        }
    }
    return m;
}

const hostpcb::CourtyardShape& CourtyardCache::Of(const hostpcb::Component& component) {
    const auto found = shapes_.find(&component);
    if (found != shapes_.end()) return found->second;
    return shapes_.emplace(&component, hostpcb::ComponentCourtyard(component)).first->second;
}

namespace {

hostpcb::CourtyardShape BoxShape(const hostpcb::Box& b) {
    const hostpcb::PointF p1{double(b.x1), double(b.y1)}, p2{double(b.x2), double(b.y1)}, p3{double(b.x2), double(b.y2)},
        p4{double(b.x1), double(b.y2)};
    return {{{p1, p2}, {p2, p3}, {p3, p4}, {p4, p1}}, b};
}

}  // namespace

bool ExtentsOverlap(const ComponentExtent& a, const ComponentExtent& b, CourtyardCache& courtyards) {
    if (!(a.box.x1 < b.box.x2 && b.box.x1 < a.box.x2 && a.box.y1 < b.box.y2 && b.box.y1 < a.box.y2)) return false;
    if (!a.courtyard && !b.courtyard) return true;
    // A box meets a courtyard only where the courtyard's outline reaches it.
    const auto shapeOf = [&courtyards](const ComponentExtent& e) {
        return e.courtyard ? courtyards.Of(*e.component) : BoxShape(e.box);
    };
    return hostpcb::CourtyardsMeet(shapeOf(a), shapeOf(b), 0);
}

bool ShapeLeavesOutline(const hostpcb::CourtyardShape& shape, const std::vector<Segment>& outline) {
    if (shape.Empty()) return false;
    const hostpcb::PointF first = shape.segments.front().a;
    if (!InsideOutline(outline, {static_cast<hostpcb::Coord>(std::lround(first.x)),
                                 static_cast<hostpcb::Coord>(std::lround(first.y))})) {
        return true;
    }
    for (const hostpcb::CourtyardSegment& s : shape.segments) {
        for (const Segment& e : outline) {
            if (hostpcb::SegmentsCrossProperly(s, {{double(e.a.x), double(e.a.y)}, {double(e.b.x), double(e.b.y)}})) return true;
        }
    }
    return false;
}

bool ExtentLeavesOutline(const ComponentExtent& e, const std::vector<Segment>& outline, CourtyardCache& courtyards) {
    if (e.courtyard) return ShapeLeavesOutline(courtyards.Of(*e.component), outline);
    const hostpcb::Box& b = e.box;
    return !(InsideOutline(outline, {b.x1, b.y1}) && InsideOutline(outline, {b.x2, b.y1}) &&
             InsideOutline(outline, {b.x2, b.y2}) && InsideOutline(outline, {b.x1, b.y2}));
}

}  // namespace app
