// Rectangular component groups: components that move as one rigid block.
//
// An engine moves or reshapes a group by writing its target rectangle `Rect`
// (and, for a quarter turn, `Rotation`) and calling ApplyTransform, which maps
// every member from the rectangle it occupies now (`OldRect`) to the target.
// The group owns its TPlacedComponent members.
#pragma once

#include <bitset>
#include <cstdint>

#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TPlacedComponent;

// A set of layer numbers 0..87.
using TLayerSet = std::bitset<88>;

class TRectangularComponentGroup : public TFastListOf<TPlacedComponent*> {
public:
    TRectangularComponentGroup() = default;
    ~TRectangularComponentGroup() override;
    TRectangularComponentGroup(const TRectangularComponentGroup&) = delete;
    TRectangularComponentGroup& operator=(const TRectangularComponentGroup&) = delete;

    // Wraps the component in a new member and makes both rectangles the union
    // of every member's extent (texts excluded). The first member decides
    // IrregularOutline. Nothing happens for nil.
    void AddComponent(PcbHandle component);

    // Carries every member from OldRect to Rect, turning it by Rotation (a
    // right angle within 0.1 degree after bringing it into 0..360); afterwards
    // OldRect = Rect and Rotation = 0. Any other angle leaves the group as it is.
    void ApplyTransform();

    // Turn the group a quarter about its lower-left corner (width and height
    // exchange) and carry the members there.
    void TurnQuarter90();
    void TurnQuarter270();

    // Reflect each member's position (not its shape) about the centre line of Rect.
    void MirrorMembersHorizontally();
    void MirrorMembersVertically();

    // Where the members should be.
    TRect Rect = autoplacer::Rect(0, 0, 0, 0);
    // Where the members are now.
    TRect OldRect = autoplacer::Rect(0, 0, 0, 0);
    // The quarter turn (degrees) that ApplyTransform still has to apply.
    double Rotation = 0.0;
    // The first member's outline leaves a corner of its bounding box empty.
    bool IrregularOutline = false;

private:
    void TurnQuarter(double angle);
};

// Queries and helpers on a group.

// The layers of the members in order; stops once exactly TopLayer and
// BottomLayer are in the set. Layer numbers above 87 are ignored.
void GetLayerSet(const TRectangularComponentGroup& group, TLayerSet& layers);
// Some member has through-hole (or keep-out) pads.
bool AnyMultiLayerPads(const TRectangularComponentGroup& group);
// The board sides the members' copper is on: bit 0 top, bit 1 bottom; both for a
// member whose pads reach the other side, or that lies on neither outer layer.
uint8_t CopperSides(const TRectangularComponentGroup& group);
// The largest pad pattern (0..3) of the members; 0 for an empty group.
int32_t MaxPadPattern(const TRectangularComponentGroup& group);
// The first member and its handle; the group must not be empty.
TPlacedComponent* FirstComponent(const TRectangularComponentGroup& group);
PcbHandle FirstHandle(const TRectangularComponentGroup& group);
// Marks every member selected in the host.
void SelectMembers(const TRectangularComponentGroup& group);
// Marks every member not selected in the host.
void DeselectMembers(const TRectangularComponentGroup& group);
// Appends the handles of every member's pads, member by member.
void AddPadsTo(const TRectangularComponentGroup& group, TFastListOf<PcbHandle>& pads);
// The widest (tallest) member's width (height), texts excluded; 0 for an empty group.
int32_t MaxMemberWidth(const TRectangularComponentGroup& group);
int32_t MaxMemberHeight(const TRectangularComponentGroup& group);
// The first member with the fewest allowed rotations; nil for an empty group.
TPlacedComponent* FewestRotationsMember(const TRectangularComponentGroup& group);

// The union of the members' extents (texts included on request) as a rectangle;
// Rect(0, 0, 0, 0) for an empty group.
TRect MembersExtent(const TRectangularComponentGroup& group, bool includeTexts);

}  // namespace autoplacer
