#include "engines/RowPlacer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "host/PcbRules.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

constexpr std::array<double, 4> kAnyRightAngle{0.0, 90.0, 180.0, 270.0};
constexpr std::array<double, 2> kLying{90.0, 270.0};
constexpr std::array<double, 2> kStanding{0.0, 180.0};

int32_t Gap(const TPlacedComponent& a, const TPlacedComponent& b) {
    uint8_t mode = 0;
    return ComponentGap(a.Handle, b.Handle, mode);
}

// The flags of the component's rotations rule; any angle without a rule.
uint8_t RotationFlags(const TPlacedComponent& component) {
    uint8_t flags = PCB_ROTATION_ANY;
    const PcbHandle rule = FindDominantRule(component.Handle, PCB_RULE_COMPONENT_ROTATIONS);
    if (rule == nullptr || !ReadComponentRotationsRule(rule, flags)) {
        return PCB_ROTATION_ANY;
    }
    return flags;
}

// The area measure of the two parts stacked (big standing) or side by side.
int64_t PairArea(const TPlacedComponent& big, const TPlacedComponent& small, bool upright) {
    const int64_t bigWidth = big.Width();
    const int64_t bigHeight = big.Height();
    const int64_t smallWidth = small.Width();
    const int64_t smallHeight = small.Height();
    if (upright) {
        return SqrtArea(std::max(bigWidth, smallWidth), bigHeight + smallHeight);
    }
    return SqrtArea(bigWidth + smallWidth, std::max(bigHeight, smallHeight));
}

// A quarter turn back, written to the host; the angle is not brought into 0 .. 360.
void TurnBackQuarter(TPlacedComponent& component) {
    component.Sync(PCB_READ);
    component.Rotation -= 90.0;
    component.Sync(PCB_WRITE);
}

// Surface-mount parts on opposite sides share a column without stacking.
bool StackedInColumn(const TPlacedComponent& big, const TPlacedComponent& small) {
    return big.GetLayer() == small.GetLayer() || big.HasMultiLayerPads || small.HasMultiLayerPads;
}

}  // namespace

TRowPlacer::TRowPlacer(const TRect& area, const TPlacerOptions& options)
    : Options(options), Extent(Rect(area.Left, area.Bottom, area.Left, area.Bottom)), Area(area) {}

void TRowPlacer::GrowExtent(const TPlacedComponent& component) {
    const TRect r = ComponentExtentRect(component.Handle);
    Extent.Left = std::min(Extent.Left, r.Left);
    Extent.Right = std::max(Extent.Right, r.Right);
    Extent.Bottom = std::min(Extent.Bottom, r.Bottom);
    Extent.Top = std::max(Extent.Top, r.Top);
}

void TRowPlacer::AddToRow(TPlacedComponent& component) {
    // Upright whatever the rotation rules say: a row of standing parts is narrowest.
    ResetRotation(component);
    if (component.Height() < component.Width()) {
        RotateBy90(component);
    }
    if (Members.Empty()) {
        component.MoveExtentTo(Area.Left, Area.Bottom);
        GrowExtent(component);
        Members.Add(&component);
        return;
    }
    const int32_t gap = Gap(*Members.Last(), component);
    component.MoveExtentTo(Extent.Right + gap, Extent.Bottom);
    Members.Add(&component);
    GrowExtent(component);
}

void TRowPlacer::AddPair(TPlacedComponent& a, TPlacedComponent& b) {
    OrientPair(a, b);
    // Ties go to a here (the other way round than in OrientPair).
    const bool aIsBig = a.AreaMeasure() >= b.AreaMeasure();
    TPlacedComponent& big = aIsBig ? a : b;
    TPlacedComponent& small = aIsBig ? b : a;
    if (Members.Empty()) {
        PlacePairFirst(big, small);
    } else {
        AppendPair(big, small);
    }
}

void TRowPlacer::OrientPair(TPlacedComponent& a, TPlacedComponent& b) {
    const bool bIsSmall = b.AreaMeasure() < a.AreaMeasure();
    TPlacedComponent& small = bIsSmall ? b : a;
    TPlacedComponent& big = bIsSmall ? a : b;

    big.Sync(PCB_READ);
    ApplyFirstAllowedRotation(big, kAnyRightAngle);
    const bool upright = big.Height() >= big.Width();

    const uint8_t flags = RotationFlags(small);
    int64_t score0 = ExtentStartMin;
    int64_t score90 = ExtentStartMin;
    if ((flags & (PCB_ROTATION_0 | PCB_ROTATION_180 | PCB_ROTATION_ANY)) != 0) {
        ResetRotation(small);
        score0 = PairArea(big, small, upright);
    }
    if ((flags & (PCB_ROTATION_90 | PCB_ROTATION_270 | PCB_ROTATION_ANY)) != 0) {
        ResetRotation(small);
        RotateBy90(small);
        score90 = PairArea(big, small, upright);
    }
    small.Sync(PCB_READ);
    if (score90 < score0) {
        ApplyFirstAllowedRotation(small, kLying);
    } else {
        ApplyFirstAllowedRotation(small, kStanding);
    }

    // Judged side by side; turned so that big stands and small lies above it.
    if (!upright) {
        TurnBackQuarter(big);
        TurnBackQuarter(small);
    }
}

void TRowPlacer::PlaceColumn(TPlacedComponent& big, TPlacedComponent& small, int32_t x) {
    const int32_t gap = Gap(big, small);
    const int32_t bigWidth = big.Width();
    const int32_t smallWidth = small.Width();
    const int32_t width = std::max(bigWidth, smallWidth);
    const int32_t offBig = std::max(0, (width - bigWidth) / 2);
    const int32_t offSmall = std::max(0, (width - smallWidth) / 2);

    big.MoveExtentTo(x + offBig, Area.Bottom);
    if (StackedInColumn(big, small)) {
        small.MoveExtentTo(x + offSmall, Area.Bottom + big.Height() + gap);
    } else {
        small.MoveExtentTo(big.X, big.Y);
    }
    Members.Add(&big);
    Members.Add(&small);
    GrowExtent(big);
    GrowExtent(small);
}

void TRowPlacer::PlacePairFirst(TPlacedComponent& big, TPlacedComponent& small) {
    PlaceColumn(big, small, Area.Left);
}

void TRowPlacer::AppendPair(TPlacedComponent& big, TPlacedComponent& small) {
    // A row begun with single parts has no previous pair: its last part stands for it.
    const TPlacedComponent& previousBig = *Members[std::max(0, Members.Count() - 2)];
    const TPlacedComponent& previousSmall = *Members.Last();
    const double largest = std::max({static_cast<double>(Gap(big, previousBig)),
                                     static_cast<double>(Gap(big, previousSmall)),
                                     static_cast<double>(Gap(small, previousBig)),
                                     static_cast<double>(Gap(small, previousSmall))});
    PlaceColumn(big, small, Extent.Right + Round(largest));
}

}  // namespace autoplacer
