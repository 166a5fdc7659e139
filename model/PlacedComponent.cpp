#include "model/PlacedComponent.h"

#include <algorithm>
#include <cmath>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRules.h"
#include "model/GroupGeometry.h"

namespace autoplacer {

namespace {

// Extents are merged from the host's bounding rectangles.
struct TExtent {
    int32_t X1 = ExtentStartMin;
    int32_t Y1 = ExtentStartMin;
    int32_t X2 = ExtentStartMax;
    int32_t Y2 = ExtentStartMax;
    bool Found = false;

    void Merge(PcbHandle object) {
        if (object == nullptr) {
            return;
        }
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        if (PcbApi::PcbApi_QueryObjectBoundingRectangle(object, &x1, &y1, &x2, &y2) == 0) {
            return;
        }
        X1 = std::min({X1, x1, x2});
        Y1 = std::min({Y1, y1, y2});
        X2 = std::max({X2, x1, x2});
        Y2 = std::max({Y2, y1, y2});
        Found = true;
    }
};

constexpr double kTurnsBeforeReduction = 360.0 * 1000.0;

bool CountsInExtent(uint8_t kind) { return kind == PCB_ARC || kind == PCB_PAD || kind == PCB_TRACK; }

// The rotations flags of the component's rule, or "any angle" without a rule.
uint8_t RotationFlags(PcbHandle component) {
    uint8_t flags = PCB_ROTATION_ANY;
    const PcbHandle rule = FindDominantRule(component, PCB_RULE_COMPONENT_ROTATIONS);
    if (rule == nullptr || !ReadComponentRotationsRule(rule, flags)) {
        return PCB_ROTATION_ANY;
    }
    return flags;
}

void RotateBy(TPlacedComponent& component, double degrees) {
    component.Sync(PCB_READ);
    component.Rotation += degrees;
    if (component.Rotation >= 360.0) {
        component.Rotation -= 360.0;
    }
    component.Sync(PCB_WRITE);
}

}  // namespace

// ---------------------------------------------------------------------------
// TPlacedComponent

TPlacedComponent::TPlacedComponent(PcbHandle handle) : TPcbComponent(handle) {
    if (handle != nullptr) {
        Sync(PCB_READ);
    }
}

int32_t TPlacedComponent::Sync(int32_t direction) {
    const int32_t result = TPcbComponent::Sync(direction);
    if (Handle != nullptr) {
        DetectMultiLayerPads();
    }
    return result;
}

bool PadReachesOtherSide(int padLayer, int componentLayer) {
    if (padLayer == PCB_MULTI_LAYER || padLayer == PCB_KEEP_OUT_LAYER) {
        return true;
    }
    return (padLayer == PCB_TOP_LAYER || padLayer == PCB_BOTTOM_LAYER) && padLayer != componentLayer;
}

void TPlacedComponent::DetectMultiLayerPads() {
    HasMultiLayerPads = false;
    HasFarSideCopper = false;
    const int side = GetObjectLayer(Handle);
    if (side == PCB_TOP_LAYER || side == PCB_BOTTOM_LAYER) {
        const int farSide = side == PCB_TOP_LAYER ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER;
        for (const uint8_t kind : {PCB_TRACK, PCB_ARC}) {
            if (TObjectIterator(Handle, kind, PCB_ITERATE_GROUP_PRIMITIVES, farSide).First() != nullptr) {
                HasFarSideCopper = true;
                HasMultiLayerPads = true;
                return;
            }
        }
    }
    TObjectIterator pads(Handle, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    for (PcbHandle pad = pads.First(); pad != nullptr; pad = pads.Next()) {
        if (PadReachesOtherSide(GetObjectLayer(pad), side)) {
            HasMultiLayerPads = true;
            return;
        }
    }
}

void TPlacedComponent::GetExtent(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, bool includeTexts) const {
    GetComponentExtent(Handle, x1, y1, x2, y2, includeTexts);
}

int32_t TPlacedComponent::Width() const {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    GetExtent(x1, y1, x2, y2, false);
    return x2 - x1;
}

int32_t TPlacedComponent::Height() const {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    GetExtent(x1, y1, x2, y2, false);
    return y2 - y1;
}

int32_t TPlacedComponent::CentreX() const { return RectCentreX(ComponentExtentRect(Handle)); }

int32_t TPlacedComponent::CentreY() const { return RectCentreY(ComponentExtentRect(Handle)); }

int64_t TPlacedComponent::AreaMeasure() const {
    const TRect extent = ComponentExtentRect(Handle);
    return SqrtArea(RectWidth(extent), RectHeight(extent));
}

void TPlacedComponent::ShiftBy(int32_t dx, int32_t dy) {
    // A shift changes no pad's layer, so the pads are not looked at again.
    TPcbComponent::Sync(PCB_READ);
    X += dx;
    Y += dy;
    TPcbComponent::Sync(PCB_WRITE);
}

void TPlacedComponent::MoveExtentTo(int32_t x, int32_t y) {
    Sync(PCB_READ);
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    GetExtent(x1, y1, x2, y2, false);
    // A part larger than the board may stand far from its extent's corner: the
    // sum is taken wide and kept in the host's range.
    X = ToCoord(int64_t{x} + X - x1);
    Y = ToCoord(int64_t{y} + Y - y1);
    Sync(PCB_WRITE);
}

void TPlacedComponent::MoveCentreTo(int32_t x, int32_t y) {
    const TRect extent = ComponentExtentRect(Handle);
    MoveExtentTo(ToCoord(int64_t{extent.Left} + x - RectCentreX(extent)),
                 ToCoord(int64_t{extent.Bottom} + y - RectCentreY(extent)));
}

// ---------------------------------------------------------------------------
// Free functions

void GetComponentExtent(PcbHandle component, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2,
                        bool includeTexts) {
    TExtent extent;
    TObjectIterator members(component, PCB_ANY_OBJECT, PCB_ITERATE_GROUP_PRIMITIVES);
    members.ForEach([&](PcbHandle member) {
        if (CountsInExtent(PcbApi::PcbApi_GetObjectIdFromObjectHandle(member))) {
            extent.Merge(member);
        }
    });
    if (component != nullptr && (includeTexts || !extent.Found)) {
        TPcbComponent record(component);
        record.Sync(PCB_READ);
        if (includeTexts) {
            extent.Merge(record.NameText);
            extent.Merge(record.CommentText);
        }
        if (!extent.Found) {
            // A footprint with nothing that has an extent (a logo, a bare marker) is
            // a part of no size at its reference point: the start values would move
            // it by a billion units.
            extent.X1 = extent.X2 = record.X;
            extent.Y1 = extent.Y2 = record.Y;
        }
    }
    x1 = extent.X1;
    y1 = extent.Y1;
    x2 = extent.X2;
    y2 = extent.Y2;
}

bool ComponentHasExtent(PcbHandle component) {
    bool found = false;
    TObjectIterator members(component, PCB_ANY_OBJECT, PCB_ITERATE_GROUP_PRIMITIVES);
    members.ForEach([&](PcbHandle member) {
        found = found || CountsInExtent(PcbApi::PcbApi_GetObjectIdFromObjectHandle(member));
    });
    return found;
}

bool IsBoardFrame(PcbHandle component, const TRect& keepOutExtent) {
    if (GetObjectMoveable(component) || !ComponentHasExtent(component)) {
        return false;
    }
    const TRect extent = ComponentExtentRect(component);
    if (10.0 * RectWidth(extent) < 9.0 * RectWidth(keepOutExtent) ||
        10.0 * RectHeight(extent) < 9.0 * RectHeight(keepOutExtent)) {
        return false;
    }
    const double area = static_cast<double>(RectWidth(extent)) * RectHeight(extent);
    return area > 0.5 * static_cast<double>(RectWidth(keepOutExtent)) * RectHeight(keepOutExtent);
}

TRect ComponentExtentRect(PcbHandle component) {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    GetComponentExtent(component, x1, y1, x2, y2, false);
    return Rect(x1, y2, x2, y1);
}

void GetObjectExtentRect(const TPCBObject& record, TRect& r) { r = ComponentExtentRect(record.Handle); }

int64_t ComponentAreaMeasure(PcbHandle component) { return TPlacedComponent(component).AreaMeasure(); }

void ResetRotation(TPlacedComponent& component) {
    component.Sync(PCB_READ);
    component.Rotation = 0.0;
    component.Sync(PCB_WRITE);
}

void RotateBy90(TPlacedComponent& component) { RotateBy(component, 90.0); }

void RotateBy180(TPlacedComponent& component) { RotateBy(component, 180.0); }

void RotateBy270(TPlacedComponent& component) { RotateBy(component, 270.0); }

bool RotationAllowed(uint8_t flags, double angle) {
    if (!(std::fabs(angle) < kTurnsBeforeReduction)) {
        angle = std::isfinite(angle) ? std::fmod(angle, 360.0) : 0.0;  // keeps the loops below short
    }
    while (angle < 0.0) {
        angle += 360.0;
    }
    while (angle > 360.0) {
        angle -= 360.0;
    }
    if ((flags & PCB_ROTATION_ANY) != 0) {
        return true;
    }
    bool allowed = true;
    if (SameAngle(angle, 0.0) || SameAngle(angle, 360.0)) {
        allowed = (flags & PCB_ROTATION_0) != 0;
    }
    if (SameAngle(angle, 90.0)) {
        allowed = (flags & PCB_ROTATION_90) != 0;
    }
    if (SameAngle(angle, 180.0)) {
        allowed = (flags & PCB_ROTATION_180) != 0;
    }
    if (SameAngle(angle, 270.0)) {
        allowed = (flags & PCB_ROTATION_270) != 0;
    }
    return allowed;
}

int32_t AllowedRotationCount(const TPCBObject& component) {
    const uint8_t flags = RotationFlags(component.Handle);
    if ((flags & PCB_ROTATION_ANY) != 0) {
        return 5;
    }
    int32_t count = 0;
    for (const uint8_t flag : {PCB_ROTATION_0, PCB_ROTATION_90, PCB_ROTATION_180, PCB_ROTATION_270}) {
        if ((flags & flag) != 0) {
            ++count;
        }
    }
    return count;
}

void ApplyFirstAllowedRotation(TPcbComponent& component, std::span<const double> angles) {
    const double first = angles.empty() ? 0.0 : angles.front();
    const uint8_t flags = RotationFlags(component.Handle);
    if ((flags & PCB_ROTATION_ANY) == 0) {
        for (const double angle : angles) {
            component.Rotation = angle;
            if (RotationAllowed(flags, angle)) {
                component.Sync(PCB_WRITE);
                return;
            }
        }
    }
    component.Rotation = first;
    component.Sync(PCB_WRITE);
}

}  // namespace autoplacer
