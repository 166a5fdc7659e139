#include "hostpcb/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hostpcb {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAngleEps = 1e-9;

double Radians(double degrees) { return degrees * kPi / 180.0; }

PointF ToF(Point p) { return {double(p.x), double(p.y)}; }

double Dist2(PointF a, PointF b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

double Cross(PointF o, PointF a, PointF b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Exact turns for multiples of 90 degrees keep integer geometry exact.
int QuarterTurns(double degrees) {
    const double n = NormalizeAngle(degrees);
    if (std::fmod(n, 90.0) != 0.0) return -1;
    return int(n / 90.0);
}

PointF RotateF(PointF p, PointF origin, double degrees) {
    if (degrees == 0.0) return p;  // the common case of unturned shapes, without the angle arithmetic
    const double dx = p.x - origin.x, dy = p.y - origin.y;
    switch (QuarterTurns(degrees)) {
        case 0: return p;
        case 1: return {origin.x - dy, origin.y + dx};
        case 2: return {origin.x - dx, origin.y - dy};
        case 3: return {origin.x + dy, origin.y - dx};
        default: break;
    }
    const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
    return {origin.x + dx * c - dy * s, origin.y + dx * s + dy * c};
}

double PointSegmentDistance(PointF p, PointF a, PointF b) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    if (len2 == 0) return std::sqrt(Dist2(p, a));
    double t = ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2;
    t = std::clamp(t, 0.0, 1.0);
    return std::sqrt(Dist2(p, {a.x + t * vx, a.y + t * vy}));
}

bool OnSegment(PointF p, PointF a, PointF b) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool SegmentsIntersect(PointF a, PointF b, PointF c, PointF d) {
    const double d1 = Cross(c, d, a), d2 = Cross(c, d, b), d3 = Cross(a, b, c), d4 = Cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
    if (d1 == 0 && OnSegment(a, c, d)) return true;
    if (d2 == 0 && OnSegment(b, c, d)) return true;
    if (d3 == 0 && OnSegment(c, a, b)) return true;
    if (d4 == 0 && OnSegment(d, a, b)) return true;
    return false;
}

double SegmentSegmentDistance(PointF a, PointF b, PointF c, PointF d) {
    if (SegmentsIntersect(a, b, c, d)) return 0;
    return std::min({PointSegmentDistance(a, c, d), PointSegmentDistance(b, c, d), PointSegmentDistance(c, a, b),
                     PointSegmentDistance(d, a, b)});
}

// Even-odd rule; points on the boundary may answer either way (edge distances cover them).
bool PointInPolygon(PointF p, const std::vector<PointF>& poly) {
    bool inside = false;
    const std::size_t n = poly.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const PointF& a = poly[i];
        const PointF& b = poly[j];
        if ((a.y > p.y) != (b.y > p.y)) {
            const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (p.x < x) inside = !inside;
        }
    }
    return inside;
}

template <class F>
void ForEachEdge(const std::vector<PointF>& pts, F&& f) {
    const std::size_t n = pts.size();
    if (n == 1) {
        f(pts[0], pts[0]);
        return;
    }
    if (n == 2) {
        f(pts[0], pts[1]);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) f(pts[i], pts[(i + 1) % n]);
}

bool AngleInSweep(double angleDeg, double start, double sweep) {
    if (sweep >= 360.0 - kAngleEps) return true;
    const double rel = NormalizeAngle(angleDeg - start);
    return rel <= sweep + kAngleEps || rel >= 360.0 - kAngleEps;
}

double AngleOf(PointF p, PointF centre) { return std::atan2(p.y - centre.y, p.x - centre.x) * 180.0 / kPi; }

PointF ArcPoint(const Shape& s, double angleDeg) {
    return {s.centre.x + s.arcRadius * std::cos(Radians(angleDeg)),
            s.centre.y + s.arcRadius * std::sin(Radians(angleDeg))};
}

double PointArcDistance(PointF p, const Shape& arc) {
    const double d = std::sqrt(Dist2(p, arc.centre));
    if (d == 0 || AngleInSweep(AngleOf(p, arc.centre), arc.startAngle, arc.sweep)) return std::fabs(d - arc.arcRadius);
    return std::sqrt(std::min(Dist2(p, ArcPoint(arc, arc.startAngle)),
                              Dist2(p, ArcPoint(arc, arc.startAngle + arc.sweep))));
}

double SegmentArcDistance(PointF a, PointF b, const Shape& arc) {
    const PointF s = ArcPoint(arc, arc.startAngle);
    const PointF e = ArcPoint(arc, arc.startAngle + arc.sweep);
    double best = std::min({PointArcDistance(a, arc), PointArcDistance(b, arc), PointSegmentDistance(s, a, b),
                            PointSegmentDistance(e, a, b)});
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    if (len2 == 0) return best;
    // Crossings of the segment with the circle.
    const double fx = a.x - arc.centre.x, fy = a.y - arc.centre.y;
    const double B = 2 * (fx * vx + fy * vy);
    const double C = fx * fx + fy * fy - arc.arcRadius * arc.arcRadius;
    const double disc = B * B - 4 * len2 * C;
    if (disc >= 0) {
        const double root = std::sqrt(disc);
        for (double t : {(-B - root) / (2 * len2), (-B + root) / (2 * len2)}) {
            if (t < 0 || t > 1) continue;
            const PointF q{a.x + t * vx, a.y + t * vy};
            if (AngleInSweep(AngleOf(q, arc.centre), arc.startAngle, arc.sweep)) return 0;
        }
    }
    // The segment point nearest the centre, and the arc point in its direction.
    const double t = -(fx * vx + fy * vy) / len2;
    if (t > 0 && t < 1) {
        const PointF f{a.x + t * vx, a.y + t * vy};
        const double d = std::sqrt(Dist2(f, arc.centre));
        if (d > 0 && AngleInSweep(AngleOf(f, arc.centre), arc.startAngle, arc.sweep))
            best = std::min(best, std::fabs(d - arc.arcRadius));
    }
    return best;
}

double ArcArcDistance(const Shape& p, const Shape& q) {
    const PointF ps = ArcPoint(p, p.startAngle), pe = ArcPoint(p, p.startAngle + p.sweep);
    const PointF qs = ArcPoint(q, q.startAngle), qe = ArcPoint(q, q.startAngle + q.sweep);
    double best = std::min({PointArcDistance(ps, q), PointArcDistance(pe, q), PointArcDistance(qs, p),
                            PointArcDistance(qe, p)});
    const double d = std::sqrt(Dist2(p.centre, q.centre));
    const double r1 = p.arcRadius, r2 = q.arcRadius;
    if (d < 1e-9) {
        // Concentric: radial gap wherever the angular spans share a direction.
        if (AngleInSweep(p.startAngle, q.startAngle, q.sweep) || AngleInSweep(q.startAngle, p.startAngle, p.sweep))
            best = std::min(best, std::fabs(r1 - r2));
        return best;
    }
    const PointF u{(q.centre.x - p.centre.x) / d, (q.centre.y - p.centre.y) / d};
    if (d <= r1 + r2 && d >= std::fabs(r1 - r2)) {
        const double a = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
        const double h = std::sqrt(std::max(0.0, r1 * r1 - a * a));
        const PointF m{p.centre.x + a * u.x, p.centre.y + a * u.y};
        for (double sign : {1.0, -1.0}) {
            const PointF x{m.x - sign * h * u.y, m.y + sign * h * u.x};
            if (AngleInSweep(AngleOf(x, p.centre), p.startAngle, p.sweep) &&
                AngleInSweep(AngleOf(x, q.centre), q.startAngle, q.sweep))
                return 0;
        }
    }
    for (double s1 : {1.0, -1.0}) {
        const PointF a{p.centre.x + s1 * r1 * u.x, p.centre.y + s1 * r1 * u.y};
        if (!AngleInSweep(AngleOf(a, p.centre), p.startAngle, p.sweep)) continue;
        for (double s2 : {1.0, -1.0}) {
            const PointF b{q.centre.x + s2 * r2 * u.x, q.centre.y + s2 * r2 * u.y};
            if (AngleInSweep(AngleOf(b, q.centre), q.startAngle, q.sweep)) best = std::min(best, std::sqrt(Dist2(a, b)));
        }
    }
    return best;
}

double CoreDistance(const Shape& a, const Shape& b) {
    if (a.core == Shape::Core::Arc && b.core == Shape::Core::Arc) return ArcArcDistance(a, b);
    if (a.core == Shape::Core::Arc) return CoreDistance(b, a);
    if (b.core == Shape::Core::Arc) {
        if (a.points.size() >= 3 && PointInPolygon(ArcPoint(b, b.startAngle), a.points)) return 0;
        double best = std::numeric_limits<double>::infinity();
        ForEachEdge(a.points, [&](PointF p, PointF q) { best = std::min(best, SegmentArcDistance(p, q, b)); });
        return best;
    }
    if (a.points.empty() || b.points.empty()) return std::numeric_limits<double>::infinity();
    if (a.points.size() >= 3 && PointInPolygon(b.points[0], a.points)) return 0;
    if (b.points.size() >= 3 && PointInPolygon(a.points[0], b.points)) return 0;
    double best = std::numeric_limits<double>::infinity();
    ForEachEdge(a.points, [&](PointF p, PointF q) {
        if (best == 0) return;
        ForEachEdge(b.points, [&](PointF r, PointF s) {
            if (best == 0) return;
            best = std::min(best, SegmentSegmentDistance(p, q, r, s));
        });
    });
    return best;
}

Coord FloorCoord(double v) { return Coord(std::floor(v)); }
Coord CeilCoord(double v) { return Coord(std::ceil(v)); }

void AddArcPolyline(std::vector<PointF>& out, PointF centre, double radius, double start, double end) {
    double sweep = NormalizeAngle(end - start);
    if (sweep == 0) {
        out.push_back({centre.x + radius * std::cos(Radians(start)), centre.y + radius * std::sin(Radians(start))});
        return;
    }
    const int steps = std::max(1, int(std::ceil(sweep / 10.0)));
    for (int i = 0; i <= steps; ++i) {
        const double ang = start + sweep * i / steps;
        out.push_back({centre.x + radius * std::cos(Radians(ang)), centre.y + radius * std::sin(Radians(ang))});
    }
}

}  // namespace

int64_t RoundHalfEven(double value) { return int64_t(std::nearbyint(value)); }
Coord MilsToUnits(double mils) { return Coord(RoundHalfEven(mils * 10000.0)); }
Coord MmToUnits(double mm) { return Coord(RoundHalfEven(mm * 10000.0 / 0.0254)); }

double NormalizeAngle(double degrees) {
    double r = std::fmod(degrees, 360.0);
    if (r < 0) r += 360.0;
    if (r >= 360.0) r -= 360.0;
    return r;
}

Box Box::FromCorners(Coord ax, Coord ay, Coord bx, Coord by) {
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
}

Box Box::United(const Box& o) const {
    return {std::min(x1, o.x1), std::min(y1, o.y1), std::max(x2, o.x2), std::max(y2, o.y2)};
}

Point RotatePoint(Point p, Point origin, double degrees) {
    const int64_t dx = int64_t(p.x) - origin.x, dy = int64_t(p.y) - origin.y;
    switch (QuarterTurns(degrees)) {
        case 0: return p;
        case 1: return {Coord(origin.x - dy), Coord(origin.y + dx)};
        case 2: return {Coord(origin.x - dx), Coord(origin.y - dy)};
        case 3: return {Coord(origin.x + dy), Coord(origin.y - dx)};
        default: break;
    }
    const PointF r = RotateF(ToF(p), ToF(origin), degrees);
    return {Coord(RoundHalfEven(r.x)), Coord(RoundHalfEven(r.y))};
}

Point MirrorX(Point p, Coord axisX) { return {Coord(2 * int64_t(axisX) - p.x), p.y}; }

Box Shape::Bounds() const {
    double x1 = std::numeric_limits<double>::infinity(), y1 = x1, x2 = -x1, y2 = -x1;
    auto take = [&](PointF p) {
        x1 = std::min(x1, p.x);
        y1 = std::min(y1, p.y);
        x2 = std::max(x2, p.x);
        y2 = std::max(y2, p.y);
    };
    if (core == Core::Arc) {
        take(ArcPoint(*this, startAngle));
        take(ArcPoint(*this, startAngle + sweep));
        for (int q = 0; q < 4; ++q)
            if (AngleInSweep(q * 90.0, startAngle, sweep)) {
                const double c[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
                take({centre.x + arcRadius * c[q][0], centre.y + arcRadius * c[q][1]});
            }
    } else {
        for (const PointF& p : points) take(p);
    }
    if (x1 > x2) return {};
    return {FloorCoord(x1 - radius), FloorCoord(y1 - radius), CeilCoord(x2 + radius), CeilCoord(y2 + radius)};
}

double ShapeDistance(const Shape& a, const Shape& b) {
    const double core = CoreDistance(a, b);
    return std::max(0.0, core - a.radius - b.radius);
}

double PointShapeDistance(PointF p, const Shape& s) {
    Shape point;
    point.points.push_back(p);
    return ShapeDistance(point, s);
}

void MakeSegmentShape(Point a, Point b, Coord width, Shape& out) {
    out.core = Shape::Core::Polygon;
    out.points.clear();
    out.points.push_back(ToF(a));
    if (!(a == b)) out.points.push_back(ToF(b));
    out.radius = width / 2.0;
}

void MakeArcShape(Point centre, Coord radius, double startAngle, double endAngle, Coord width, Shape& out) {
    out.core = Shape::Core::Arc;
    out.points.clear();
    out.centre = ToF(centre);
    out.arcRadius = radius;
    out.startAngle = NormalizeAngle(startAngle);
    double sweep = NormalizeAngle(endAngle - startAngle);
    if (sweep == 0) sweep = 360.0;  // equal angles make a full circle
    out.sweep = sweep;
    out.radius = width / 2.0;
}

void MakeRectShape(Point a, Point b, double rotation, Shape& out) {
    out.core = Shape::Core::Polygon;
    out.points.clear();
    out.radius = 0;
    const PointF c{(double(a.x) + b.x) / 2.0, (double(a.y) + b.y) / 2.0};
    const double xs[4] = {double(std::min(a.x, b.x)), double(std::max(a.x, b.x)), double(std::max(a.x, b.x)),
                          double(std::min(a.x, b.x))};
    const double ys[4] = {double(std::min(a.y, b.y)), double(std::min(a.y, b.y)), double(std::max(a.y, b.y)),
                          double(std::max(a.y, b.y))};
    if (a.x == b.x && a.y == b.y) {
        out.points.push_back(ToF(a));
        return;
    }
    if (a.x == b.x || a.y == b.y) {  // zero width or height: a segment
        out.points.push_back(RotateF({xs[0], ys[0]}, c, rotation));
        out.points.push_back(RotateF({xs[2], ys[2]}, c, rotation));
        return;
    }
    for (int i = 0; i < 4; ++i) out.points.push_back(RotateF({xs[i], ys[i]}, c, rotation));
}

void MakePadShape(const PadGeometry& pad, Point centre, Shape& out) {
    out.core = Shape::Core::Polygon;
    out.points.clear();
    out.radius = 0;
    const PointF c = ToF(centre);
    const double hx = pad.sizeX / 2.0, hy = pad.sizeY / 2.0;
    auto add = [&](double x, double y) { out.points.push_back(RotateF({c.x + x, c.y + y}, c, pad.rotation)); };
    switch (pad.shape) {
        case PadShape::Round:
            out.points.push_back(c);
            out.radius = hx;
            return;
        case PadShape::Oval:
            if (pad.sizeX == pad.sizeY) {
                out.points.push_back(c);
                out.radius = hx;
            } else if (pad.sizeX > pad.sizeY) {
                add(-(hx - hy), 0);
                add(hx - hy, 0);
                out.radius = hy;
            } else {
                add(0, -(hy - hx));
                add(0, hy - hx);
                out.radius = hx;
            }
            return;
        case PadShape::RoundedRect: {
            const double r = std::clamp(double(pad.cornerRadius), 0.0, std::min(hx, hy));
            const double ix = hx - r, iy = hy - r;
            if (ix == 0 && iy == 0) {
                out.points.push_back(c);
            } else if (ix == 0 || iy == 0) {
                add(-ix, -iy);
                add(ix, iy);
            } else {
                add(-ix, -iy);
                add(ix, -iy);
                add(ix, iy);
                add(-ix, iy);
            }
            out.radius = r;
            return;
        }
        case PadShape::Trapezoid: {
            const double ex = pad.trapezoidDelta.x / 2.0, ey = pad.trapezoidDelta.y / 2.0;
            add(-hx - ex, -hy + ey);
            add(hx + ex, -hy - ey);
            add(hx - ex, hy + ey);
            add(-hx + ex, hy - ey);
            return;
        }
        case PadShape::Custom:
            if (pad.customOutline.size() >= 3) {
                for (const Point& p : pad.customOutline) add(p.x, p.y);
                return;
            }
            [[fallthrough]];
        case PadShape::Rect:
            if (hx == 0 && hy == 0) {
                out.points.push_back(c);
                return;
            }
            add(-hx, -hy);
            add(hx, -hy);
            add(hx, hy);
            add(-hx, hy);
            return;
    }
}

void MakePolygonShape(const std::vector<PolyVertex>& vertices, Shape& out) {
    out.core = Shape::Core::Polygon;
    out.points.clear();
    out.radius = 0;
    for (const PolyVertex& v : vertices) {
        if (v.isArc)
            AddArcPolyline(out.points, ToF(v.centre), v.radius, v.startAngle, v.endAngle);
        else
            out.points.push_back(ToF(v.p));
    }
}

Box TextBox(Point at, std::size_t length, Coord height, double rotation) {
    const double w = 0.7 * double(height) * double(length);
    const PointF o = ToF(at);
    double x1 = o.x, y1 = o.y, x2 = o.x, y2 = o.y;
    for (PointF corner : {PointF{o.x + w, o.y}, PointF{o.x + w, o.y + height}, PointF{o.x, o.y + height}}) {
        const PointF r = RotateF(corner, o, rotation);
        x1 = std::min(x1, r.x);
        y1 = std::min(y1, r.y);
        x2 = std::max(x2, r.x);
        y2 = std::max(y2, r.y);
    }
    return {FloorCoord(x1), FloorCoord(y1), CeilCoord(x2), CeilCoord(y2)};
}

}  // namespace hostpcb
