// The geometry behind the keep-out tests, free of host calls: where segments, circles
// and arcs meet (with a tolerance of 100 units, 0.01 mil), whether a point lies
// inside an outline of segments and arcs (two horizontal rays, both crossing it an
// odd number of times), and whether a rectangle's sides meet such an outline.
//
// The outline tests come in three searches with the same answers: Scan visits
// every record of the list; Indexed visits only the records that the list's
// outline index places near the ray or side (see TOutlineIndex); Remembered is
// Indexed, but a ray's count for a record it passes right over is remembered per
// row. The engines use Remembered, or Indexed when a run asks for the reference
// forms (OutlineSearchFor).
#pragma once

#include <array>
#include <cstdint>

#include "model/PlacerForms.h"
#include "model/PrimitivesList.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

// How close (in host units) two pieces must come to meet.
inline constexpr double MeetTolerance = 100.0;
// The far end of the rays cast to the right (99999 mil).
inline constexpr int32_t RayEndX = 999990000;

enum class TOutlineSearch { Remembered, Indexed, Scan };

// The search of the given forms: Remembered for the fast forms, Indexed for the reference.
constexpr TOutlineSearch OutlineSearchFor(TPlacerForms forms) {
    return forms == TPlacerForms::Fast ? TOutlineSearch::Remembered : TOutlineSearch::Indexed;
}
// The forms of the other tests that go with a search: the fast forms with Remembered.
constexpr TPlacerForms FormsOf(TOutlineSearch search) {
    return search == TOutlineSearch::Remembered ? TPlacerForms::Fast : TPlacerForms::Reference;
}

struct TMeetPoint {
    double X = 0.0;
    double Y = 0.0;
};

// The distance from a point to the nearest point of a segment.
double PointToSegmentDistance(double x, double y, const TSegmentRecord& s);

// Whether two segments cross: an end of one within the tolerance of the other,
// or else the intersection of their lines, which in bounded mode must lie within
// the tolerance of both segments. Parallel lines never cross otherwise.
bool SegmentsCross(const TSegmentRecord& a, const TSegmentRecord& b, bool bounded);
// The cross product of the two segments' directions; 0 for parallel lines (or a
// segment of no length). Unbounded, segments whose lines are not parallel cross.
// Inline: the crossing counts ask it for very many pairs.
inline double LinesDeterminant(const TSegmentRecord& a, const TSegmentRecord& b) {
    return (a.X2 - a.X1) * (b.Y2 - b.Y1) - (a.Y2 - a.Y1) * (b.X2 - b.X1);
}

// Where a segment meets a circle: its ends that lie on the circle, and where its
// line touches or cuts the circle (in bounded mode only points near the segment
// count). Points within the tolerance of one already found are not repeated.
// Returns the number of points written (at most 4).
int SegmentMeetsCircle(const TSegmentRecord& s, double cx, double cy, double radius, bool bounded,
                       std::array<TMeetPoint, 4>& points);

// The points where a segment meets an arc: the bounded circle points whose angle
// lies within the arc's sweep (0.001 degree of slack at either end). An arc that
// turns a full circle or more takes every angle. Returns the number written.
int SegmentMeetsArc(const TSegmentRecord& s, const TArcRecord& arc, std::array<TMeetPoint, 4>& points);

// Inside the outline formed by the list's tracks and arcs: a ray from (0, y) to
// the point and one from the point to (RayEndX, y) both cross it an odd number of
// times. A point within the tolerance of a piece counts that piece on both rays.
bool PointInOutline(const TPoint& p, const TPrimitivesList& list, TOutlineSearch search = TOutlineSearch::Remembered);

// All four corners inside the outline (bottom-left, top-left, bottom-right, top-right).
bool RectInsideOutline(const TRect& r, const TPrimitivesList& list, TOutlineSearch search = TOutlineSearch::Remembered);

// A side of the rectangle crosses one of the list's tracks or meets one of its arcs.
bool RectSidesMeetOutline(const TRect& r, const TPrimitivesList& list,
                          TOutlineSearch search = TOutlineSearch::Remembered);

TSegmentRecord MakeSegment(double x1, double y1, double x2, double y2);
// The sides in the order bottom, left, top, right.
std::array<TSegmentRecord, 4> RectToSegments(const TRect& r);

}  // namespace autoplacer
