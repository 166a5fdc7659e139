#include "model/ComponentGroup.h"

#include <algorithm>
#include <cmath>

#include "model/ComponentShape.h"
#include "host/PcbIterators.h"
#include "model/GroupGeometry.h"
#include "model/PadAnalyzer.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

// The quarter turns that ApplyTransform knows.
enum class TQuarterTurn { None, Turn0, Turn90, Turn180, Turn270 };

// Brings the angle into about -0.1..359.9 and picks the right angle within 0.1
// of it; None for any other angle.
TQuarterTurn QuarterTurnOf(double rotation) {
    if (!std::isfinite(rotation)) {
        return TQuarterTurn::None;
    }
    while (rotation > 359.9) {
        rotation -= 360.0;
    }
    while (rotation < -0.1) {
        rotation += 360.0;
    }
    if (std::fabs(rotation) < 0.1) {
        return TQuarterTurn::Turn0;
    }
    if (std::fabs(rotation - 90.0) < 0.1) {
        return TQuarterTurn::Turn90;
    }
    if (std::fabs(rotation - 180.0) < 0.1) {
        return TQuarterTurn::Turn180;
    }
    if (std::fabs(rotation - 270.0) < 0.1) {
        return TQuarterTurn::Turn270;
    }
    return TQuarterTurn::None;
}

}  // namespace

TRectangularComponentGroup::~TRectangularComponentGroup() {
    for (TPlacedComponent* member : *this) {
        delete member;
    }
}

void TRectangularComponentGroup::AddComponent(PcbHandle component) {
    if (component == nullptr) {
        return;
    }
    auto* member = new TPlacedComponent(component);
    TExtentUnion extent;
    extent.Merge(component, false);
    for (const TPlacedComponent* existing : *this) {
        extent.Merge(existing->Handle, false);
    }
    Rect = extent.AsRect();
    OldRect = Rect;
    Add(member);
    if (Count() == 1) {
        IrregularOutline = ComponentHasEmptyCorner(component);
    }
}

void TRectangularComponentGroup::ApplyTransform() {
    const TQuarterTurn turn = QuarterTurnOf(Rotation);
    if (turn == TQuarterTurn::None) {
        return;
    }
    // Sums of two board coordinates may pass the int32 range; work wide.
    const int64_t oLeft = OldRect.Left;
    const int64_t oTop = OldRect.Top;
    const int64_t oBottom = OldRect.Bottom;
    const int64_t nLeft = Rect.Left;
    const int64_t nTop = Rect.Top;
    const int64_t nRight = Rect.Right;
    const int64_t nBottom = Rect.Bottom;
    for (TPlacedComponent* member : *this) {
        if (member == nullptr) {
            continue;
        }
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        member->GetExtent(x1, y1, x2, y2, false);
        switch (turn) {
            case TQuarterTurn::Turn0:
                member->MoveExtentTo(ToCoord(x1 - oLeft + nLeft), ToCoord(y1 - oBottom + nBottom));
                break;
            case TQuarterTurn::Turn90:
                // (x, y) -> (y - o.Top + n.Right, -x + o.Left + n.Top): old top-left to new top-right.
                RotateBy90(*member);
                member->MoveExtentTo(ToCoord(y1 + nRight - oTop), ToCoord(-int64_t{x2} + nTop + oLeft));
                break;
            case TQuarterTurn::Turn180:
                RotateBy180(*member);
                member->MoveExtentTo(ToCoord(-int64_t{x2} + oLeft + nRight), ToCoord(-int64_t{y2} + oBottom + nTop));
                break;
            case TQuarterTurn::Turn270:
                // (x, y) -> (-y + o.Top + n.Left, x - o.Left + n.Bottom).
                RotateBy270(*member);
                member->MoveExtentTo(ToCoord(-int64_t{y2} + nLeft + oTop), ToCoord(x1 + nBottom - oLeft));
                break;
            case TQuarterTurn::None:
                break;
        }
    }
    Rotation = 0.0;
    OldRect = Rect;
}

void TRectangularComponentGroup::TurnQuarter(double angle) {
    const TRect old = Rect;
    Rect = autoplacer::Rect(old.Left, ToCoord(int64_t{old.Bottom} + RectWidth(old)),
                            ToCoord(int64_t{old.Left} + RectHeight(old)), old.Bottom);
    Rotation = angle;
    ApplyTransform();
}

void TRectangularComponentGroup::TurnQuarter90() { TurnQuarter(90.0); }

void TRectangularComponentGroup::TurnQuarter270() { TurnQuarter(270.0); }

void TRectangularComponentGroup::MirrorMembersHorizontally() {
    const int64_t axis2 = 2 * int64_t{RectCentreX(Rect)};
    for (TPlacedComponent* member : *this) {
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        member->GetExtent(x1, y1, x2, y2, false);
        const int64_t centre = (int64_t{x1} + x2) / 2;
        const int64_t mirrored = axis2 - centre;
        member->MoveExtentTo(ToCoord(mirrored - (int64_t{x2} - x1) / 2), y1);
    }
}

void TRectangularComponentGroup::MirrorMembersVertically() {
    const int64_t axis2 = 2 * int64_t{RectCentreY(Rect)};
    for (TPlacedComponent* member : *this) {
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
        member->GetExtent(x1, y1, x2, y2, false);
        const int64_t centre = (int64_t{y1} + y2) / 2;
        const int64_t mirrored = axis2 - centre;
        member->MoveExtentTo(x1, ToCoord(mirrored - (int64_t{y2} - y1) / 2));
    }
}

void GetLayerSet(const TRectangularComponentGroup& group, TLayerSet& layers) {
    layers.reset();
    TLayerSet bothSides;
    bothSides.set(PCB_TOP_LAYER);
    bothSides.set(PCB_BOTTOM_LAYER);
    for (const TPlacedComponent* member : group) {
        const int layer = member->GetLayer();
        if (layer >= 0 && static_cast<std::size_t>(layer) < layers.size()) {
            layers.set(static_cast<std::size_t>(layer));
        }
        if (layers == bothSides) {
            return;
        }
    }
}

bool AnyMultiLayerPads(const TRectangularComponentGroup& group) {
    return std::any_of(group.begin(), group.end(),
                       [](const TPlacedComponent* member) { return member->HasMultiLayerPads; });
}

uint8_t CopperSides(const TRectangularComponentGroup& group) {
    uint8_t sides = 0;
    for (const TPlacedComponent* member : group) {
        const int layer = member->GetLayer();
        if (member->HasMultiLayerPads || (layer != PCB_TOP_LAYER && layer != PCB_BOTTOM_LAYER)) {
            return 3;
        }
        sides = static_cast<uint8_t>(sides | (layer == PCB_TOP_LAYER ? 1 : 2));
    }
    return sides != 0 ? sides : uint8_t{3};
}

int32_t MaxPadPattern(const TRectangularComponentGroup& group) {
    int32_t pattern = 0;
    for (const TPlacedComponent* member : group) {
        pattern = std::max(pattern, AnalyzePadPattern(member->Handle));
    }
    return pattern;
}

TPlacedComponent* FirstComponent(const TRectangularComponentGroup& group) { return group.First(); }

PcbHandle FirstHandle(const TRectangularComponentGroup& group) { return group.First()->Handle; }

void SelectMembers(const TRectangularComponentGroup& group) {
    for (TPlacedComponent* member : group) {
        member->Sync(PCB_READ);
        member->SetSelected(true);
        member->Sync(PCB_WRITE);
    }
}

void DeselectMembers(const TRectangularComponentGroup& group) {
    for (TPlacedComponent* member : group) {
        member->Sync(PCB_READ);
        member->SetSelected(false);
        member->Sync(PCB_WRITE);
    }
}

void AddPadsTo(const TRectangularComponentGroup& group, TFastListOf<PcbHandle>& pads) {
    for (const TPlacedComponent* member : group) {
        TObjectIterator iterator(member->Handle, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
        iterator.ForEach([&](PcbHandle pad) { pads.Add(pad); });
    }
}

int32_t MaxMemberWidth(const TRectangularComponentGroup& group) {
    if (group.Empty()) {
        return 0;
    }
    int32_t widest = group.First()->Width();
    for (const TPlacedComponent* member : group) {
        widest = std::max(widest, member->Width());
    }
    return widest;
}

int32_t MaxMemberHeight(const TRectangularComponentGroup& group) {
    if (group.Empty()) {
        return 0;
    }
    int32_t tallest = group.First()->Height();
    for (const TPlacedComponent* member : group) {
        tallest = std::max(tallest, member->Height());
    }
    return tallest;
}

TPlacedComponent* FewestRotationsMember(const TRectangularComponentGroup& group) {
    TPlacedComponent* fewest = nullptr;
    int32_t fewestCount = 0;
    for (TPlacedComponent* member : group) {
        const int32_t count = AllowedRotationCount(*member);
        if (fewest == nullptr || count < fewestCount) {
            fewest = member;
            fewestCount = count;
        }
    }
    return fewest;
}

TRect MembersExtent(const TRectangularComponentGroup& group, bool includeTexts) {
    if (group.Empty()) {
        return Rect(0, 0, 0, 0);
    }
    TExtentUnion extent;
    for (const TPlacedComponent* member : group) {
        extent.Merge(member->Handle, includeTexts);
    }
    return extent.AsRect();
}

}  // namespace autoplacer
