// Geometry of the host stand-in: coordinates in host units (1 mil = 10000, Y up),
// boxes, pad shapes, polygon vertices, and the shape model on which bounding
// boxes and clearance distances are computed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostpcb {

using Coord = int32_t;

constexpr Coord kUnitsPerMil = 10000;

// Round half to even, as every unit conversion of the host does.
int64_t RoundHalfEven(double value);
Coord MilsToUnits(double mils);  // Round(mils * 10000)
Coord MmToUnits(double mm);      // Round(mm * 10000 / 0.0254)

struct Point {
    Coord x = 0;
    Coord y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct PointF {
    double x = 0;
    double y = 0;
};

// Axis-aligned box, x1 <= x2 and y1 <= y2; all four edges count as inside.
struct Box {
    Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;

    static Box FromCorners(Coord ax, Coord ay, Coord bx, Coord by);
    bool Contains(Point p) const { return p.x >= x1 && p.x <= x2 && p.y >= y1 && p.y <= y2; }
    bool Intersects(const Box& o) const { return x1 <= o.x2 && o.x1 <= x2 && y1 <= o.y2 && o.y1 <= y2; }
    Box United(const Box& o) const;
    friend bool operator==(const Box&, const Box&) = default;
};

enum class PadShape : uint8_t { Round, Rect, Oval, RoundedRect, Trapezoid, Custom };

// A pad's copper shape, centred on the pad position and turned by rotation.
struct PadGeometry {
    PadShape shape = PadShape::Round;
    Coord sizeX = 0;        // Round uses sizeX as diameter
    Coord sizeY = 0;
    double rotation = 0;    // degrees counter-clockwise, absolute on the board
    Coord cornerRadius = 0; // RoundedRect
    // Trapezoid, unrotated, Y up: the top edge is narrower than sizeX by delta.x and the
    // bottom edge wider by delta.x; the right edge is taller than sizeY by delta.y and the
    // left edge shorter by delta.y.
    Point trapezoidDelta;
    // Custom: outline relative to the pad centre before rotation (at least 3 points).
    std::vector<Point> customOutline;
    Coord holeSize = 0;     // 0 = no hole (surface mount)
};

// One vertex of a polygon, split plane, board outline, region or component body.
struct PolyVertex {
    bool isArc = false;
    Point p;                // line vertex: the corner
    Point centre;           // arc vertex
    Coord radius = 0;
    double startAngle = 0;  // degrees, counter-clockwise from start to end
    double endAngle = 0;
};

// The shape model: a core (a point, a segment, a polygon or a circular arc) grown by
// `radius`. Round pads, vias and tracks are points and segments with a radius; rect,
// trapezoid and custom pads and fills are polygons; rounded rectangles are a shrunk
// polygon grown by the corner radius; arcs with width are arcs grown by half the width.
struct Shape {
    enum class Core : uint8_t { Polygon, Arc };
    Core core = Core::Polygon;
    // Polygon core: 1 point = a point, 2 points = a segment, 3 or more = a closed polygon
    // (convex or not). Degenerate polygons (all points equal) behave as a point.
    std::vector<PointF> points;
    double radius = 0;
    // Arc core.
    PointF centre;
    double arcRadius = 0;
    double startAngle = 0;  // degrees
    double sweep = 0;       // degrees, 0 < sweep <= 360

    Box Bounds() const;
};

// Shortest distance between two shapes; 0 when they touch or intersect.
double ShapeDistance(const Shape& a, const Shape& b);
// Shortest distance from a point to a shape; 0 inside.
double PointShapeDistance(PointF p, const Shape& s);

// Builders of shapes from the host's geometry.
void MakePadShape(const PadGeometry& pad, Point centre, Shape& out);
void MakeSegmentShape(Point a, Point b, Coord width, Shape& out);
void MakeArcShape(Point centre, Coord radius, double startAngle, double endAngle, Coord width, Shape& out);
void MakeRectShape(Point a, Point b, double rotation, Shape& out);  // fill: rotation about the centre
void MakePolygonShape(const std::vector<PolyVertex>& vertices, Shape& out);  // arcs as short segments

// Text extent: the box of a text of `length` characters and `height`, anchored at its
// bottom-left corner `at` and turned by rotation about it. Each character advances 0.7 height.
Box TextBox(Point at, std::size_t length, Coord height, double rotation);

// Turning and mirroring points about an origin. Multiples of 90 degrees are exact.
Point RotatePoint(Point p, Point origin, double degrees);
Point MirrorX(Point p, Coord axisX);  // reflect about the vertical line x = axisX
double NormalizeAngle(double degrees);  // into [0, 360)

}  // namespace hostpcb
