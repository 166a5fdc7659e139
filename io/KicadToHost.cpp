#include "io/KicadToHost.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>

#include "hostpcb/Courtyard.h"
#include "hostpcb/PlacementShape.h"
#include "io/Units.h"

namespace io {

namespace {

using hostpcb::Coord;
using hostpcb::LayerNumber;
using hostpcb::Point;

constexpr int kCurveSegments = 16;

KPoint Place(const KFootprint& fp, KPoint local) {
    const KPoint r = RotateOnScreen(local, fp.angle);
    return {fp.at.x + r.x, fp.at.y + r.y};
}

double Cross(Point o, Point a, Point b) {
    return double(a.x - o.x) * double(b.y - o.y) - double(a.y - o.y) * double(b.x - o.x);
}

std::vector<Point> ConvexHull(std::vector<Point> pts) {
    std::sort(pts.begin(), pts.end(), [](Point a, Point b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    if (pts.size() < 3) return pts;
    std::vector<Point> hull(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && Cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0) --k;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k - 1);
    return hull;
}

KPoint Bezier(const std::vector<KPoint>& c, double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
    return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x, a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

// Host start and end angles (counter-clockwise from start to end) of an arc given in
// KiCad's frame, where angles turn the other way.
void HostArcAngles(const KShape& arc, double& start, double& end) {
    if (std::fabs(arc.sweep) >= 360.0) {
        start = 0;
        end = 360;
        return;
    }
    const double s = -arc.startAngle;
    const double sweep = -arc.sweep;
    start = sweep >= 0 ? s : s + sweep;
    end = start + std::fabs(sweep);
    start = hostpcb::NormalizeAngle(start);
    end = hostpcb::NormalizeAngle(end);
}

// Points along an arc too wide for the host's sizes, from its start to its end, so
// that it can be drawn as tracks. Such an arc is nearly straight over the board.
std::vector<KPoint> PointsAlongArc(const KShape& arc) {
    constexpr double kRadians = std::numbers::pi / 180.0;
    std::vector<KPoint> pts{arc.start};
    for (int i = 1; i < kCurveSegments; ++i) {
        const double a = (arc.startAngle + arc.sweep * i / kCurveSegments) * kRadians;
        pts.push_back({arc.center.x + arc.radius * std::cos(a), arc.center.y + arc.radius * std::sin(a)});
    }
    pts.push_back(arc.end);
    return pts;
}

// Adds one graphic item as tracks and arcs. `place` maps a point of the item's frame
// to the board (KiCad frame); `turn` is how far that frame is turned on screen.
// `object` names the item in errors about values the host cannot hold.
template <class PlaceFn>
int AddShape(hostpcb::Board& board, hostpcb::Component* owner, const KShape& s, LayerNumber layer,
             PlaceFn place, double turn, const std::string& object) {
    const SNode& node = *s.node;
    const Coord width = std::max<Coord>(CheckedSizeToHost(s.width, node, object, "width"), 0);
    auto host = [&](KPoint p) { return CheckedToHost(place(p), node, object); };
    auto track = [&](KPoint a, KPoint b) { board.AddTrack(owner, host(a), host(b), width, layer); };
    auto chain = [&](const std::vector<KPoint>& pts, bool closed) {
        int n = 0;
        for (size_t i = 0; i + 1 < pts.size(); ++i, ++n) track(pts[i], pts[i + 1]);
        if (closed && pts.size() > 2) {
            track(pts.back(), pts.front());
            ++n;
        }
        return n;
    };
    switch (s.kind) {
        case KShape::Kind::Line:
            track(s.start, s.end);
            return 1;
        case KShape::Kind::Rect:
            return chain({s.start, {s.end.x, s.start.y}, s.end, {s.start.x, s.end.y}}, true);
        case KShape::Kind::Poly:
            return chain(s.points, true);
        case KShape::Kind::Curve: {
            if (s.points.size() != 4) return chain(s.points, false);
            std::vector<KPoint> pts;
            for (int i = 0; i <= kCurveSegments; ++i) pts.push_back(Bezier(s.points, double(i) / kCurveSegments));
            return chain(pts, false);
        }
        case KShape::Kind::Circle:
        case KShape::Kind::Arc: {
            if (s.kind == KShape::Kind::Arc && !FitsHostSize(s.radius)) return chain(PointsAlongArc(s), false);
            KShape turned = s;
            turned.startAngle -= turn;  // a turn on screen lowers KiCad-frame angles
            if (s.kind == KShape::Kind::Circle) turned.sweep = 360.0;
            double start = 0, end = 0;
            HostArcAngles(turned, start, end);
            board.AddArc(owner, host(s.center), CheckedSizeToHost(s.radius, node, object, "radius"), start, end, width,
                         layer);
            return 1;
        }
    }
    return 0;
}

hostpcb::PadGeometry PadShape(const KPad& pad, std::vector<std::string>& warnings, const std::string& ref,
                              const std::string& object) {
    const SNode& node = *pad.node;
    auto size = [&](double mm, const char* what) { return CheckedSizeToHost(mm, node, object, what); };
    auto local = [&](KPoint p) { return CheckedLocalToHost(p, node, object); };
    hostpcb::PadGeometry g;
    g.sizeX = size(pad.size.x, "size");
    g.sizeY = size(pad.size.y, "size");
    g.rotation = hostpcb::NormalizeAngle(pad.angle);
    g.holeSize = size(pad.drill, "drill");
    if (pad.shape == "circle") {
        g.shape = hostpcb::PadShape::Round;
    } else if (pad.shape == "rect") {
        g.shape = hostpcb::PadShape::Rect;
    } else if (pad.shape == "oval") {
        g.shape = hostpcb::PadShape::Oval;
    } else if (pad.shape == "roundrect") {
        g.shape = hostpcb::PadShape::RoundedRect;
        g.cornerRadius = size(pad.roundrectRatio * std::min(pad.size.x, pad.size.y), "corner radius");
    } else if (pad.shape == "trapezoid" || pad.shape == "trapezoidal") {
        g.shape = hostpcb::PadShape::Trapezoid;
        // KiCad's y delta widens the lower edge on screen; its x delta heightens the left edge.
        g.trapezoidDelta = {size(pad.rectDelta.y, "rect_delta"), -size(pad.rectDelta.x, "rect_delta")};
    } else if (pad.shape == "custom") {
        std::vector<Point> pts;
        const KShape* onlyPoly = nullptr;
        int polys = 0;
        for (const KShape& p : pad.primitives) {
            if (p.kind == KShape::Kind::Poly) {
                onlyPoly = &p;
                ++polys;
            }
        }
        if (polys == 1 && pad.primitives.size() == 1 && onlyPoly->points.size() >= 3) {
            for (const KPoint& q : onlyPoly->points) pts.push_back(local(q));
        } else {
            // Several primitives: their convex hull with the anchor pad stands for the copper.
            const double hx = pad.size.x / 2, hy = pad.size.y / 2;
            for (KPoint q : {KPoint{-hx, -hy}, KPoint{hx, -hy}, KPoint{hx, hy}, KPoint{-hx, hy}}) pts.push_back(local(q));
            for (const KShape& p : pad.primitives) {
                const double grow = p.width / 2;
                auto add = [&](KPoint q) {
                    for (KPoint d : {KPoint{-grow, -grow}, KPoint{grow, -grow}, KPoint{grow, grow}, KPoint{-grow, grow}}) {
                        pts.push_back(local({q.x + d.x, q.y + d.y}));
                    }
                };
                if (p.kind == KShape::Kind::Circle || p.kind == KShape::Kind::Arc) {
                    const double r = p.radius;
                    for (KPoint d : {KPoint{-r, -r}, KPoint{r, -r}, KPoint{r, r}, KPoint{-r, r}}) add({p.center.x + d.x, p.center.y + d.y});
                } else {
                    add(p.start);
                    add(p.end);
                    for (const KPoint& q : p.points) add(q);
                }
            }
            pts = ConvexHull(std::move(pts));
        }
        if (pts.size() >= 3) {
            g.shape = hostpcb::PadShape::Custom;
            g.customOutline = std::move(pts);
        } else {
            g.shape = hostpcb::PadShape::Rect;
        }
    } else if (pad.shape == "chamfered_rect") {
        g.shape = hostpcb::PadShape::Rect;
    } else {
        warnings.push_back(ref + ": pad " + pad.number + " has an unknown shape '" + pad.shape + "', read as a rectangle");
        g.shape = hostpcb::PadShape::Rect;
    }
    if (g.shape == hostpcb::PadShape::Round) g.sizeY = g.sizeX;
    return g;
}

bool HasLayer(const std::vector<std::string>& layers, const std::string& name) {
    return std::find(layers.begin(), layers.end(), name) != layers.end();
}

LayerNumber PadLayer(const KicadBoard& kicad, const KFootprint& fp, const KPad& pad) {
    if (pad.type == "thru_hole" || pad.type == "np_thru_hole") return PCB_MULTI_LAYER;
    const bool front = HasLayer(pad.layers, kicad.frontCopper()) || HasLayer(pad.layers, "F.Cu");
    const bool back = HasLayer(pad.layers, kicad.backCopper()) || HasLayer(pad.layers, "B.Cu");
    if (HasLayer(pad.layers, "*.Cu") || HasLayer(pad.layers, "F&B.Cu") || (front && back)) return PCB_MULTI_LAYER;
    if (front) return PCB_TOP_LAYER;
    if (back) return PCB_BOTTOM_LAYER;
    return fp.back ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER;  // apertures without copper
}

// The footprint's placement shape, which is its extent in the host: its courtyard with
// its pads, as KiCad's courtyard check sees it; without a courtyard everything but the
// fabrication drawings (documentation, such as a frame drawn round a whole board).
// Artwork (a footprint with neither pads nor courtyard nor copper: a logo, a text, a
// panel tab) gets none: KiCad's checks pass it over, and both placers leave it where
// it was drawn instead of letting its drawing take room from the parts. A drawing in
// copper (a copper logo, an antenna) keeps its shape: a pad over it would short.
void MarkPlacementShape(hostpcb::Component& c) {
    constexpr LayerNumber kFabLayer = PCB_MECHANICAL_1 + 12;
    const std::vector<hostpcb::Primitive*>& children = c.Children();
    const bool courtyard = std::any_of(children.begin(), children.end(), [](const hostpcb::Primitive* p) {
        return p->Layer() == hostpcb::kCourtyardLayer;
    });
    const bool copper = hostpcb::HasCopper(c);
    for (hostpcb::Primitive* p : children) {
        if (p == c.NameText() || p == c.CommentText()) continue;
        p->SetInExtent(courtyard ? p->Layer() == hostpcb::kCourtyardLayer || p->Kind() == hostpcb::ObjectKind::Pad
                                 : copper && p->Layer() != kFabLayer);
    }
}

}  // namespace

std::string FootprintName(const KFootprint& footprint) {
    if (!footprint.reference.empty()) return "footprint " + footprint.reference;
    return "footprint '" + footprint.libId + "'";
}

double HostRotation(const KFootprint& footprint) {
    return hostpcb::NormalizeAngle(footprint.back ? footprint.angle + 180.0 : footprint.angle);
}

double KicadAngle(double hostRotation, bool back) {
    return hostpcb::NormalizeAngle(back ? hostRotation + 180.0 : hostRotation);
}

LayerNumber GraphicLayer(const KicadBoard& kicad, const std::string& layer) {
    if (layer == "F.SilkS" || layer == "F.Silkscreen") return PCB_TOP_OVERLAY;
    if (layer == "B.SilkS" || layer == "B.Silkscreen") return PCB_BOTTOM_OVERLAY;
    if (layer == "F.Fab" || layer == "B.Fab") return PCB_MECHANICAL_1 + 12;       // Mechanical13
    if (layer == "F.CrtYd" || layer == "B.CrtYd") return PCB_MECHANICAL_1 + 14;   // Mechanical15
    if (kicad.isFrontCopper(layer)) return PCB_TOP_LAYER;
    if (kicad.isBackCopper(layer)) return PCB_BOTTOM_LAYER;
    return PCB_NO_LAYER;
}

HostMapping BuildHostBoard(const KicadBoard& kicad, hostpcb::Board& board, double clearanceMm) {
    HostMapping mapping;
    board.imperial = false;
    if (kicad.hasGridOrigin()) board.origin = CheckedToHost(kicad.gridOrigin(), *kicad.gridOriginNode(), "grid origin");

    // Layers: signal layers in stack order, inner power layers as internal planes.
    std::map<std::string, LayerNumber>& copperLayer = mapping.copperLayers;
    const std::vector<std::string>& order = kicad.copperOrder();
    int mid = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        LayerNumber number = PCB_NO_LAYER;
        if (i == 0) {
            number = PCB_TOP_LAYER;
        } else if (i + 1 == order.size()) {
            number = PCB_BOTTOM_LAYER;
        } else {
            const KLayer* def = kicad.findLayer(order[i]);
            if (def && def->type == "power" && mapping.planeLayers < 16) {
                number = PCB_INTERNAL_PLANE_1 + mapping.planeLayers++;
            } else if (mid < 30) {
                number = PCB_MID_LAYER_1 + mid++;
            }
        }
        if (number != PCB_NO_LAYER) {
            copperLayer[order[i]] = number;
            board.layerInfo[static_cast<size_t>(number)].Present = 1;
            board.layerInfo[static_cast<size_t>(number)].Shown = 1;
        }
    }
    for (LayerNumber fixed : {LayerNumber{PCB_TOP_OVERLAY}, LayerNumber{PCB_BOTTOM_OVERLAY}, LayerNumber{PCB_KEEP_OUT_LAYER}, LayerNumber{PCB_MULTI_LAYER},
                              PCB_MECHANICAL_1 + 12, PCB_MECHANICAL_1 + 14}) {
        board.layerInfo[static_cast<size_t>(fixed)].Present = 1;
        board.layerInfo[static_cast<size_t>(fixed)].Shown = 1;
    }

    // Nets.
    std::map<std::string, hostpcb::Net*> nets;
    for (const KNet& n : kicad.nets()) {
        if (!nets.count(n.name)) nets[n.name] = &board.AddNet(n.name);
    }
    auto netOf = [&](const std::string& name) -> hostpcb::Net* {
        if (name.empty()) return nullptr;
        auto it = nets.find(name);
        if (it != nets.end()) return it->second;
        return nets[name] = &board.AddNet(name);
    };

    // Outline.
    const auto identity = [](KPoint p) { return p; };
    for (const KShape& s : kicad.edgeShapes()) {
        mapping.outlineTracks += AddShape(board, nullptr, s, PCB_KEEP_OUT_LAYER, identity, 0.0, "Edge.Cuts " + std::string(s.node->head()));
    }

    // Components.
    const std::vector<KFootprint>& fps = kicad.footprints();
    mapping.links.reserve(fps.size());
    for (size_t i = 0; i < fps.size(); ++i) {
        const KFootprint& fp = fps[i];
        const LayerNumber side = fp.back ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER;
        const std::string name = FootprintName(fp);
        const SNode* at = fp.node->child("at");
        const Point origin = CheckedToHost(fp.at, at ? *at : *fp.node, name);
        const double rotation = HostRotation(fp);
        hostpcb::Component& c = board.AddComponent(fp.reference, fp.libId, origin, rotation, side, fp.value);
        // A footprint that draws part of the board outline carries the outline
        // with it in KiCad: moving it would move the board's edge, so it stays.
        const bool drawsBoardEdge = std::any_of(fp.graphics.begin(), fp.graphics.end(),
                                                [](const KShape& g) { return g.layer == "Edge.Cuts"; });
        c.moveable = !fp.locked && !drawsBoardEdge;
        for (const KPad& pad : fp.pads) {
            const std::string padName = name + ", pad " + pad.number;
            const hostpcb::PadGeometry g = PadShape(pad, mapping.warnings, fp.reference, padName);
            hostpcb::Pad& added =
                board.AddPad(&c, pad.number, CheckedToHost(Place(fp, pad.at), *pad.node->child("at"), padName), g,
                             PadLayer(kicad, fp, pad), netOf(pad.netName));
            // KiCad takes the pad's own clearance, else the footprint's, over the net class's.
            const double local = pad.clearance > 0 ? pad.clearance : fp.clearance;
            if (local > 0) {
                added.localClearance = CheckedSizeToHost(local, *pad.node, padName, "clearance");
            }
        }
        for (const KShape& s : fp.graphics) {
            const LayerNumber layer = GraphicLayer(kicad, s.layer);
            if (layer == PCB_NO_LAYER) continue;
            AddShape(board, &c, s, layer, [&fp](KPoint p) { return Place(fp, p); }, fp.angle,
                     name + ", " + std::string(s.node->head()));
        }
        // The placer moves and turns a footprint about its origin, so a pad or drawing
        // far from it would be carried beyond what the host and KiCad hold, and the
        // placed board would not read back.
        const double reach = FootprintReach(fp);
        if (reach > kMaxFootprintReachMm) {
            fp.node->fail(name + " reaches " + std::to_string(static_cast<long long>(reach)) +
                          " mm from its origin; at most " + std::to_string(static_cast<int>(kMaxFootprintReachMm)) +
                          " mm is supported");
        }
        MarkPlacementShape(c);
        mapping.links.push_back({i, &c, c.Position(), c.Rotation(), side});
    }

    // Zones on inner power layers become split planes carrying their net.
    for (const KZone& z : kicad.zones()) {
        if (z.keepout || z.outline.size() < 3) continue;
        for (const std::string& layerName : z.layers) {
            auto it = copperLayer.find(layerName);
            if (it == copperLayer.end() || it->second < PCB_INTERNAL_PLANE_1 || it->second > PCB_INTERNAL_PLANE_1 + 15) continue;
            std::vector<hostpcb::PolyVertex> vertices;
            for (const KPoint& p : z.outline) {
                hostpcb::PolyVertex v;
                v.p = CheckedToHost(p, *z.node, "zone on " + layerName);
                vertices.push_back(v);
            }
            board.AddPolygon(hostpcb::ObjectKind::SplitPlane, std::move(vertices), it->second,
                             netOf(kicad.netName(z.netNumber, z.netName)));
        }
    }

    hostpcb::Rule& clearance = board.AddRule(PCB_RULE_CLEARANCE, "Clearance");
    if (!FitsHostSize(clearanceMm)) {
        throw std::out_of_range("a clearance of " + std::to_string(clearanceMm) + " mm is larger than the host can hold");
    }
    clearance.gap = MmToHost(clearanceMm);
    return mapping;
}

}  // namespace io
