// The placer's view of one component: the host component record with the
// measurements and moves every engine needs (extent, size, centre, moving the
// extent to a place, right-angle turns, the component-rotations rule) and the one
// derived fact whether it has through-hole pads. It keeps no placement state of
// its own: position, rotation and side live in the record and in the host.
#pragma once

#include <cstdint>
#include <span>

#include "host/PcbRecords.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

class TPlacedComponent : public TPcbComponent {
public:
    // Reads the component when a handle is given; without one the record stays
    // empty until the caller sets Handle and reads it.
    explicit TPlacedComponent(PcbHandle handle = nullptr);

    // The inherited transfer, then HasMultiLayerPads is recomputed (after reads
    // and writes alike). Returns the host's result code.
    int32_t Sync(int32_t direction) override;
    void DetectMultiLayerPads();

    // The extent of the component's arcs, pads and tracks, with or without its
    // designator and comment texts; the start values when it has none.
    void GetExtent(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, bool includeTexts) const;
    int32_t Width() const;
    int32_t Height() const;
    int32_t CentreX() const;  // truncated toward zero
    int32_t CentreY() const;
    int64_t AreaMeasure() const;

    // Moves the component by (dx, dy), which the caller keeps in range.
    void ShiftBy(int32_t dx, int32_t dy);
    // Moves the component so that the lower-left corner of its extent (texts not
    // counted) lands on (x, y), or the centre of that extent on (x, y).
    void MoveExtentTo(int32_t x, int32_t y);
    void MoveCentreTo(int32_t x, int32_t y);

    // A pad that reaches the other side (PadReachesOtherSide), or copper drawn on
    // the other side (HasFarSideCopper).
    bool HasMultiLayerPads = false;
    // A drawing of the extent (not a pad) lies on the other side's outer copper, as
    // in a copper logo drawn on the far face: parts on the other side keep clear of
    // the whole extent, as parts on its own side do.
    bool HasFarSideCopper = false;
};

// A pad of a component on componentLayer that parts on the other side must keep
// clear of: on MultiLayer (through the board), on KeepOutLayer, or on the outer
// copper of the other side (an edge connector with contacts on both faces).
bool PadReachesOtherSide(int padLayer, int componentLayer);

// The extent of a component's arcs, pads and tracks (and, with includeTexts, of
// its designator and comment texts), asked from the host on every call.
void GetComponentExtent(PcbHandle component, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2,
                        bool includeTexts);
// The extent as a rectangle, texts not counted.
// Some arc, pad or track gives the component an extent; without one its extent
// is the point at its reference.
bool ComponentHasExtent(PcbHandle component);
TRect ComponentExtentRect(PcbHandle component);
// A locked part whose extent covers more than half of the keep-out extent and spans
// at least nine tenths of its width and of its height: a frame drawn round the board
// (a case outline carrying the board's edge and a few pads or holes). Judged by its
// extent it would leave no room for anything; the placers keep clear of its pads
// instead. A large locked module across one edge (a radio module on a narrow board)
// is an obstacle like any other part: parts must not go under it.
bool IsBoardFrame(PcbHandle component, const TRect& keepOutExtent);
void GetObjectExtentRect(const TPCBObject& record, TRect& r);

// Round(sqrt(width)) * Round(sqrt(height)) of the extent; 0 for a component
// without arcs, pads and tracks.
int64_t ComponentAreaMeasure(PcbHandle component);

// Each reads the component, sets or turns its rotation and writes it.
void ResetRotation(TPlacedComponent& component);
void RotateBy90(TPlacedComponent& component);
void RotateBy180(TPlacedComponent& component);
void RotateBy270(TPlacedComponent& component);

// Whether the component-rotations flags allow the angle. Angles that are no right
// angle are always allowed.
bool RotationAllowed(uint8_t flags, double angle);
// 5 without a rotations rule or when the rule allows any angle, else the number
// of allowed right angles (0 to 4).
int32_t AllowedRotationCount(const TPCBObject& component);
// Turns the component (already read by the caller) to the first angle its rule
// allows, or to angles[0] when none is allowed, and writes it.
void ApplyFirstAllowedRotation(TPcbComponent& component, std::span<const double> angles);

}  // namespace autoplacer
