// The small vocabulary of the placer: rectangles in host units, rounding, list
// helpers, thin wrappers around host geometry and rule queries, the bracketing
// of board changes for the host's undo, and the run-control flags with the
// cooperative stop check that long placement loops call.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "model/FastList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// ---------------------------------------------------------------------------
// Run-control flags (process-wide; the values below are those at load).

// True while a run started by "RunAutoPlacer" is in progress.
extern bool PlacementRunning;
// Set by "StopAutoPlacer"; cleared when the user declines to stop and at the end of a run.
extern bool StopRequested;
// Set when the user confirms the stop; cleared at the end of a run.
extern bool StopConfirmed;
// The user's last choice in the stop dialog (True at load).
extern bool RestoreOnStop;

// Lets the host deliver pending messages, then answers whether the current run
// must stop. Asks the user (stop dialog) the first time a stop request is seen
// during a run; once the stop is confirmed every later call answers True.
bool CheckStopRequest();

// Lets the host deliver whatever is waiting (commands re-enter the plug-in here).
void ProcessPendingMessages();

// ---------------------------------------------------------------------------
// Points and rectangles in host units (1 mil = 10000, Y grows upward).

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Left = smallest X, Right = largest X, Top = largest Y, Bottom = smallest Y.
// Every containment test counts all four edges as inside.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return TRect{left, top, right, bottom};
}

constexpr TPoint Point(int32_t x, int32_t y) { return TPoint{x, y}; }

// Extents start with minima at ExtentStartMin and maxima at ExtentStartMax; an
// extent that still holds these values covers no object.
inline constexpr int32_t ExtentStartMin = 999990000;
inline constexpr int32_t ExtentStartMax = 0;

constexpr int32_t RectWidth(const TRect& r) { return r.Right - r.Left; }
constexpr int32_t RectHeight(const TRect& r) { return r.Top - r.Bottom; }
// Centres truncate toward zero (computed wide so that no sum overflows).
constexpr int32_t RectCentreX(const TRect& r) {
    return static_cast<int32_t>((static_cast<int64_t>(r.Left) + r.Right) / 2);
}
constexpr int32_t RectCentreY(const TRect& r) {
    return static_cast<int32_t>((static_cast<int64_t>(r.Top) + r.Bottom) / 2);
}
constexpr TRect OffsetRect(const TRect& r, int32_t dx, int32_t dy) {
    return Rect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
}
// Grows by dx on the left and right and by dy at the top and bottom; negative
// values shrink (edges that cross are not reordered).
constexpr TRect InflateRectXY(const TRect& r, int32_t dx, int32_t dy) {
    return Rect(r.Left - dx, r.Top + dy, r.Right + dx, r.Bottom - dy);
}
constexpr bool RectContainsRect(const TRect& outer, const TRect& inner) {
    return outer.Left <= inner.Left && outer.Right >= inner.Right && outer.Bottom <= inner.Bottom &&
           outer.Top >= inner.Top;
}
constexpr bool PointInRect(const TPoint& p, const TRect& r) {
    return r.Left <= p.X && p.X <= r.Right && r.Bottom <= p.Y && p.Y <= r.Top;
}
constexpr bool PointInRect(int32_t x, int32_t y, const TRect& r) { return PointInRect(Point(x, y), r); }

// ---------------------------------------------------------------------------
// Arithmetic.

// Rounds to the nearest integer, halves to the even neighbour. Values beyond the
// result type's range are clamped to it; NaN gives 0.
int32_t Round(double value);
int64_t Round64(double value);

// Round(sqrt(w)) * Round(sqrt(h)): an area measure that cannot overflow for
// board-sized rectangles. A negative side counts as 0.
int64_t SqrtArea(int64_t w, int64_t h);

// Angles in degrees that differ by at most 0.001.
bool SameAngle(double a, double b);

// ---------------------------------------------------------------------------
// Operations that ask the host. Handles are host object handles.

// True when the two rectangles come closer than clearance (touching counts);
// answered by the host on two temporary fills, which are always destroyed.
// The fast form answers by arithmetic wherever the gap between the rectangles is
// an exact whole number of units or lies clearly on one side of the clearance,
// and asks the host only when their diagonal gap is within a unit of it.
bool RectsOverlap(const TRect& r1, const TRect& r2, int32_t clearance);
// The host's answer, always (the reference form).
bool RectsOverlapByHost(const TRect& r1, const TRect& r2, int32_t clearance);

// The arithmetic part of the fast form: the answer, or none when the host must
// be asked.
enum class TOverlapAnswer { Apart, Overlap, AskHost };
TOverlapAnswer RectsOverlapByArithmetic(const TRect& r1, const TRect& r2, int32_t clearance);

// The number of pads of a component.
int32_t PadCount(PcbHandle component);

// Rebuilds the connection lines of every net of the board, in iterator order.
void AnalyzeAllNets(PcbHandle board);

// The distance of c from the board's origin in the board's display unit (mils
// with 3 decimals or millimetres with 5 decimals).
double CoordToUserX(int32_t c, PcbHandle board);
double CoordToUserY(int32_t c, PcbHandle board);

// The first object class of the board with this name (ignoring case), or nil.
PcbHandle FindClassByName(const std::string& name, PcbHandle board);

// Whether the nets of the component with fewer nets all belong to the other one
// (B's nets within A's when both have as many). No nets at all counts as contained.
bool NetsContained(PcbHandle a, PcbHandle b);

// The gap of the clearance rule that governs the pair; 0 when none applies.
int32_t ClearanceGap(PcbHandle a, PcbHandle b);

// The component clearance of the pair: the gap of its component-clearance rule
// or its clearance gap, whichever is larger. mode receives the rule's check
// mode (0 without a rule).
int32_t ComponentGap(PcbHandle a, PcbHandle b, uint8_t& mode);

// The largest check mode of the board's component-clearance rules, 0 without any.
uint8_t MaxComponentClearanceMode(PcbHandle board);

// The room of a confinement rule; Rect(0, 999990000, 999990000, 0) for nil.
void GetConfinementRect(PcbHandle rule, TRect& r);
TRect GetConfinementRect(PcbHandle rule);

// Asks the host to redraw the current board ("PCB:Zoom" with "Action=Redraw").
void RedrawBoard();

// Raised when the host refuses a message of the modification bracket.
class EHostModifyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bracket a change of the objects in the list for the host's undo system.
// Callers pass the same list to both. Without a board interface nothing is sent.
void BeginModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board);
void EndModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board);
void BeginModifyObjects(const TFastList& objects, PcbHandle board);
void EndModifyObjects(const TFastList& objects, PcbHandle board);

// Marks an object for repainting and lets the host repaint it.
void InvalidateObject(PcbHandle object);

// When the board has its DRC error layer and shows it, redisplays every object
// of the board in iterator order.
void RedisplayWhenDRCShown(PcbHandle board);

}  // namespace autoplacer
