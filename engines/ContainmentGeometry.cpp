#include "engines/ContainmentGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/RunControl.h"

namespace autoplacer {

namespace {

constexpr double kRadiansToDegrees = 180.0 / std::numbers::pi;
// Slack of the sweep test, degrees.
constexpr double kSweepSlack = 0.001;

bool IsPoint(const TSegmentRecord& s) { return s.X1 == s.X2 && s.Y1 == s.Y2; }

double Distance(double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); }

// An arc angle brought into 0..360: whole turns are taken off values above 720,
// then single turns until the angle lies in range (360 itself stays 360).
double NormalizeArcAngle(double angle) {
    if (!std::isfinite(angle)) {
        return 0.0;
    }
    if (angle > 720.0) {
        angle = std::fmod(angle, 360.0);
    }
    if (angle < -720.0) {
        angle = std::fmod(angle, 360.0);
    }
    while (angle > 360.0) {
        angle -= 360.0;
    }
    while (angle < 0.0) {
        angle += 360.0;
    }
    return angle;
}

// The direction of a point seen from a centre, degrees 0..360 counter-clockwise
// from +x (straight above 90, straight below 270).
double AngleFrom(double cx, double cy, double x, double y) {
    double angle = std::atan2(y - cy, x - cx) * kRadiansToDegrees;
    if (angle < 0.0) {
        angle += 360.0;
    }
    if (angle >= 360.0) {
        angle -= 360.0;
    }
    return angle;
}

bool AngleInSweep(double angle, double start, double end) {
    if (angle == start || angle == end) {
        return true;
    }
    if (start <= end) {
        return angle >= start - kSweepSlack && angle <= end + kSweepSlack;
    }
    return angle >= start - kSweepSlack || angle <= end + kSweepSlack;
}

void AddDistinct(std::array<TMeetPoint, 4>& points, int& count, double x, double y) {
    for (int i = 0; i < count; ++i) {
        if (Distance(points[static_cast<std::size_t>(i)].X, points[static_cast<std::size_t>(i)].Y, x, y) <=
            MeetTolerance) {
            return;
        }
    }
    if (count < static_cast<int>(points.size())) {
        points[static_cast<std::size_t>(count++)] = TMeetPoint{x, y};
    }
}

int CountArcMeetings(const TSegmentRecord& s, const TArcRecord& arc) {
    std::array<TMeetPoint, 4> points;
    return SegmentMeetsArc(s, arc, points);
}

bool Odd(int count) { return count % 2 != 0; }

struct TRays {
    TSegmentRecord Left;
    TSegmentRecord Right;
};

TRays RaysFrom(const TPoint& p) {
    const double x = p.X;
    const double y = p.Y;
    return {MakeSegment(0.0, y, x, y), MakeSegment(x, y, RayEndX, y)};
}

bool PointInOutlineByScan(const TPoint& p, const TPrimitivesList& list) {
    const TRays rays = RaysFrom(p);
    int left = 0;
    int right = 0;
    for (const TSegmentRecord* track : list.Tracks) {
        left += SegmentsCross(rays.Left, *track, true) ? 1 : 0;
        right += SegmentsCross(rays.Right, *track, true) ? 1 : 0;
        ProcessPendingMessages();
    }
    for (const TArcRecord* arc : list.Arcs) {
        left += CountArcMeetings(rays.Left, *arc);
        ProcessPendingMessages();
        right += CountArcMeetings(rays.Right, *arc);
        ProcessPendingMessages();
    }
    return Odd(left) && Odd(right);
}

// How often the entry's record meets the ray.
int RayMeetings(const TSegmentRecord& ray, const TPrimitivesList& list, const TOutlineIndex::TEntry& e) {
    if (e.IsArc) {
        return CountArcMeetings(ray, *list.Arcs[e.Record]);
    }
    return SegmentsCross(ray, *list.Tracks[e.Record], true) ? 1 : 0;
}

// Only records whose widened box spans the rays' line can meet a ray, and only
// where the box also reaches over the ray's stretch of that line.
//
// In the Remembered search, a record whose widened box lies between the ray's ends
// meets it as it meets any ray along the row from the same fixed end that
// passes right over it (the moving end is then more than the tolerance away,
// and the ray's direction, its records' distances to the row and the meeting
// points do not depend on that end), so its count is remembered per row.
bool PointInOutlineIndexed(const TPoint& p, const TPrimitivesList& list, bool remember) {
    const TRays rays = RaysFrom(p);
    const double x = p.X;
    const double y = p.Y;
    const TOutlineIndex& index = list.OutlineIndex();
    const std::span<const TOutlineIndex::TEntry> band = index.Band(y);
    TOutlineIndex::TRowAnswers* row =
        remember && !band.empty() && x > 0.0 && x < RayEndX ? &index.RowAnswers(p.Y) : nullptr;
    int left = 0;
    int right = 0;
    for (std::size_t i = 0; i < band.size(); ++i) {
        const TOutlineIndex::TEntry& e = band[i];
        if (y < e.YMin || y > e.YMax) {
            continue;
        }
        if (row != nullptr && e.XMin > 0.0 && e.XMax < RayEndX) {
            if (e.XMax < x) {
                int8_t& known = row->Left[i];
                if (known < 0) {
                    known = static_cast<int8_t>(RayMeetings(MakeSegment(0.0, y, std::floor(e.XMax) + 1.0, y), list, e));
                }
                left += known;
                continue;
            }
            if (e.XMin > x) {
                int8_t& known = row->Right[i];
                if (known < 0) {
                    known = static_cast<int8_t>(
                        RayMeetings(MakeSegment(std::ceil(e.XMin) - 1.0, y, RayEndX, y), list, e));
                }
                right += known;
                continue;
            }
        }
        const bool nearLeft = e.XMin <= std::max(0.0, x) && e.XMax >= std::min(0.0, x);
        const bool nearRight = e.XMin <= std::max<double>(x, RayEndX) && e.XMax >= std::min<double>(x, RayEndX);
        left += nearLeft ? RayMeetings(rays.Left, list, e) : 0;
        right += nearRight ? RayMeetings(rays.Right, list, e) : 0;
    }
    ProcessPendingMessages();
    return Odd(left) && Odd(right);
}

bool SideMeetsRecord(const TSegmentRecord& side, const TPrimitivesList& list, const TOutlineIndex::TEntry& e) {
    return e.IsArc ? CountArcMeetings(side, *list.Arcs[e.Record]) > 0
                   : SegmentsCross(side, *list.Tracks[e.Record], true);
}

}  // namespace

double PointToSegmentDistance(double x, double y, const TSegmentRecord& s) {
    const double dx = s.X2 - s.X1;
    const double dy = s.Y2 - s.Y1;
    if (dx == 0.0 && dy == 0.0) {
        return Distance(x, y, s.X1, s.Y1);
    }
    if (dx == 0.0) {  // vertical
        if (y >= std::min(s.Y1, s.Y2) && y <= std::max(s.Y1, s.Y2)) {
            return std::fabs(x - s.X1);
        }
        return std::min(Distance(x, y, s.X1, s.Y1), Distance(x, y, s.X2, s.Y2));
    }
    if (dy == 0.0) {  // horizontal
        if (x >= std::min(s.X1, s.X2) && x <= std::max(s.X1, s.X2)) {
            return std::fabs(y - s.Y1);
        }
        return std::min(Distance(x, y, s.X1, s.Y1), Distance(x, y, s.X2, s.Y2));
    }
    const double t = ((x - s.X1) * dx + (y - s.Y1) * dy) / (dx * dx + dy * dy);
    if (t < 0.0) {
        return Distance(x, y, s.X1, s.Y1);
    }
    if (t > 1.0) {
        return Distance(x, y, s.X2, s.Y2);
    }
    return std::fabs((x - s.X1) * dy - (y - s.Y1) * dx) / std::hypot(dx, dy);
}

bool SegmentsCross(const TSegmentRecord& a, const TSegmentRecord& b, bool bounded) {
    if (PointToSegmentDistance(b.X1, b.Y1, a) <= MeetTolerance ||
        PointToSegmentDistance(b.X2, b.Y2, a) <= MeetTolerance ||
        PointToSegmentDistance(a.X1, a.Y1, b) <= MeetTolerance ||
        PointToSegmentDistance(a.X2, a.Y2, b) <= MeetTolerance) {
        return true;
    }
    const double adx = a.X2 - a.X1;
    const double ady = a.Y2 - a.Y1;
    const double bdx = b.X2 - b.X1;
    const double bdy = b.Y2 - b.Y1;
    const double determinant = LinesDeterminant(a, b);
    if (determinant == 0.0) {
        return false;
    }
    if (!bounded) {
        return true;
    }
    const double t = ((b.X1 - a.X1) * bdy - (b.Y1 - a.Y1) * bdx) / determinant;
    const double x = a.X1 + t * adx;
    const double y = a.Y1 + t * ady;
    return PointToSegmentDistance(x, y, a) <= MeetTolerance && PointToSegmentDistance(x, y, b) <= MeetTolerance;
}

int SegmentMeetsCircle(const TSegmentRecord& s, double cx, double cy, double radius, bool bounded,
                       std::array<TMeetPoint, 4>& points) {
    if (IsPoint(s)) {
        return 0;
    }
    int count = 0;
    for (const auto& [x, y] : {std::pair{s.X1, s.Y1}, std::pair{s.X2, s.Y2}}) {
        if (std::fabs(Distance(cx, cy, x, y) - radius) < MeetTolerance) {
            AddDistinct(points, count, x, y);
        }
    }
    // The foot of the perpendicular from the centre onto the segment's line.
    const double length = Distance(s.X1, s.Y1, s.X2, s.Y2);
    const double ux = (s.X2 - s.X1) / length;
    const double uy = (s.Y2 - s.Y1) / length;
    const double along = (cx - s.X1) * ux + (cy - s.Y1) * uy;
    const double footX = s.X1 + along * ux;
    const double footY = s.Y1 + along * uy;
    const double d = Distance(cx, cy, footX, footY);
    const double k = radius * radius - d * d;
    if (k < 0.0) {
        return count;
    }
    std::array<TMeetPoint, 2> line{};
    int lineCount = 0;
    if (k < MeetTolerance) {
        line[0] = {footX, footY};
        lineCount = 1;
    } else {
        const double half = std::sqrt(k);
        line[0] = {footX - half * ux, footY - half * uy};
        line[1] = {footX + half * ux, footY + half * uy};
        lineCount = 2;
    }
    const double x1 = std::min(s.X1, s.X2) - MeetTolerance;
    const double x2 = std::max(s.X1, s.X2) + MeetTolerance;
    const double y1 = std::min(s.Y1, s.Y2) - MeetTolerance;
    const double y2 = std::max(s.Y1, s.Y2) + MeetTolerance;
    for (int i = 0; i < lineCount; ++i) {
        const TMeetPoint& p = line[static_cast<std::size_t>(i)];
        if (bounded && (p.X < x1 || p.X > x2 || p.Y < y1 || p.Y > y2 ||
                        Distance(cx, cy, p.X, p.Y) > radius + MeetTolerance)) {
            continue;
        }
        AddDistinct(points, count, p.X, p.Y);
    }
    return count;
}

int SegmentMeetsArc(const TSegmentRecord& s, const TArcRecord& arc, std::array<TMeetPoint, 4>& points) {
    // A full turn would collapse to a single angle once brought into 0..360.
    const bool fullCircle = arc.EndAngle - arc.StartAngle >= 360.0;
    const double start = NormalizeArcAngle(arc.StartAngle);
    const double end = NormalizeArcAngle(arc.EndAngle);
    std::array<TMeetPoint, 4> onCircle;
    const int found = SegmentMeetsCircle(s, arc.CX, arc.CY, arc.Radius, true, onCircle);
    int count = 0;
    for (int i = 0; i < found; ++i) {
        const TMeetPoint& p = onCircle[static_cast<std::size_t>(i)];
        if (fullCircle || AngleInSweep(AngleFrom(arc.CX, arc.CY, p.X, p.Y), start, end)) {
            points[static_cast<std::size_t>(count++)] = p;
        }
    }
    return count;
}

bool PointInOutline(const TPoint& p, const TPrimitivesList& list, TOutlineSearch search) {
    if (search == TOutlineSearch::Scan) {
        return PointInOutlineByScan(p, list);
    }
    return PointInOutlineIndexed(p, list, search == TOutlineSearch::Remembered);
}

bool RectInsideOutline(const TRect& r, const TPrimitivesList& list, TOutlineSearch search) {
    return PointInOutline(Point(r.Left, r.Bottom), list, search) && PointInOutline(Point(r.Left, r.Top), list, search) &&
           PointInOutline(Point(r.Right, r.Bottom), list, search) && PointInOutline(Point(r.Right, r.Top), list, search);
}

bool RectSidesMeetOutline(const TRect& r, const TPrimitivesList& list, TOutlineSearch search) {
    const std::array<TSegmentRecord, 4> sides = RectToSegments(r);
    if (search == TOutlineSearch::Scan) {
        for (const TSegmentRecord& side : sides) {
            for (const TSegmentRecord* track : list.Tracks) {
                if (SegmentsCross(side, *track, true)) {
                    return true;
                }
            }
            for (const TArcRecord* arc : list.Arcs) {
                if (CountArcMeetings(side, *arc) > 0) {
                    return true;
                }
            }
        }
        return false;
    }
    const TOutlineIndex& index = list.OutlineIndex();
    for (const TSegmentRecord& side : sides) {
        bool met = false;
        index.ForEachNear(std::min(side.X1, side.X2), std::min(side.Y1, side.Y2), std::max(side.X1, side.X2),
                          std::max(side.Y1, side.Y2), [&](const TOutlineIndex::TEntry& e) {
                              met = met || SideMeetsRecord(side, list, e);
                          });
        if (met) {
            return true;
        }
    }
    return false;
}

TSegmentRecord MakeSegment(double x1, double y1, double x2, double y2) { return TSegmentRecord{x1, y1, x2, y2}; }

std::array<TSegmentRecord, 4> RectToSegments(const TRect& r) {
    return {MakeSegment(r.Left, r.Bottom, r.Right, r.Bottom), MakeSegment(r.Left, r.Bottom, r.Left, r.Top),
            MakeSegment(r.Left, r.Top, r.Right, r.Top), MakeSegment(r.Right, r.Bottom, r.Right, r.Top)};
}

}  // namespace autoplacer
