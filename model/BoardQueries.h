// Thin wrappers around the host's geometry and rule queries that the placer
// asks everywhere: rectangle overlap with a clearance, pad counts, nets, rule
// gaps, confinement rooms, user coordinates and redrawing.
#pragma once

#include <cstdint>
#include <string>

#include "model/FastList.h"
#include "model/PlacerForms.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// ---------------------------------------------------------------------------
// Operations that ask the host. Handles are host object handles.

// True when the two rectangles come closer than clearance (touching counts);
// answered by the host on two temporary fills, which are always destroyed.
// The fast form answers by arithmetic wherever the gap between the rectangles is
// an exact whole number of units or lies clearly on one side of the clearance,
// and asks the host only when their diagonal gap is within a unit of it.
// The reference form always asks the host.
bool RectsOverlap(const TRect& r1, const TRect& r2, int32_t clearance, TPlacerForms forms = TPlacerForms::Fast);
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
// The largest gap of the board's component-clearance rules, 0 without any.
int32_t MaxComponentClearanceGap(PcbHandle board);

// The room of a confinement rule; Rect(0, 999990000, 999990000, 0) for nil.
void GetConfinementRect(PcbHandle rule, TRect& r);
TRect GetConfinementRect(PcbHandle rule);

// Asks the host to redraw the current board ("PCB:Zoom" with "Action=Redraw").
void RedrawBoard();

// Marks an object for repainting and lets the host repaint it.
void InvalidateObject(PcbHandle object);

// When the board has its DRC error layer and shows it, redisplays every object
// of the board in iterator order.
void RedisplayWhenDRCShown(PcbHandle board);

}  // namespace autoplacer
