// The board facts the statistical placer works from, read once from the host board:
// the parts (movable or fixed) with their extents, permitted turns and sides and
// rooms, the nets with their weights, the gaps between parts and to the outline.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/statistical/OutlineRegion.h"
#include "hostpcb/statistical/PartGeometry.h"

namespace hostpcb::statistical {

// The host layer that holds footprint courtyards.
constexpr LayerNumber kCourtyardLayer = PCB_MECHANICAL_1 + 14;

struct Part {
    Component* component = nullptr;
    bool movable = false;
    Point origin0;           // where it was found
    double rotation0 = 0;    // its rotation then
    LayerNumber side0 = PCB_TOP_LAYER;
    bool halfTurnOnFlip = false;
    Box extent;              // relative to the origin, as found: courtyard and pads, else the whole part
    // Boxes that cover the courtyard and pads more closely than the extent (bands of a
    // slanted or stepped courtyard), relative to the origin as found; empty when the
    // extent is as good.
    std::vector<Box> shape;
    // A locked part blocks the board with these boxes (board coordinates): its extent,
    // except for a part without courtyard whose box covers more than half the
    // outline's box (a board frame, such as a footprint that draws the board's edge):
    // only its pads are in the way.
    std::vector<Box> obstacles;
    // Those of a frame's pads that lie on the other side's outer copper only (a
    // battery contact on the back): they meet only parts on that side.
    std::vector<Box> farSideObstacles;
    bool throughHole = false;  // pads on MultiLayer or on the other side, or copper drawn there
    // The boxes of those pads (and one box round that copper), relative to the origin
    // as found: on the other side of the board only they meet other parts (as KiCad's
    // check finds a hole inside a courtyard of the other side), so a part may sit
    // under a connector's body.
    std::vector<Box> throughPads;
    uint8_t allowedTurns = 1;  // bit q: q quarter turns are permitted
    bool mayFlip = false;      // a permitted-layers rule lets it change side
    bool mustFlip = false;     // its side as found is not permitted, the other is
    int keepInside = -1;       // index into Rooms
    std::vector<int> keepOutside;
    std::vector<int> nets;     // indexes into Nets (weighted nets only)

    OffsetTransform Transform(Orientation o) const { return {o, halfTurnOnFlip}; }
    LayerNumber Side(Orientation o) const { return o.flipped ? FlippedLayer(side0) : side0; }
};

struct Pin {
    int part = 0;
    Point offset;  // pad centre relative to the part's origin, as found
};

struct PlacementNet {
    double weight = 1;
    std::vector<Pin> pins;
};

// Nets the placer treats as power or ground: the nets of split planes, the two nets
// with most objects, those named by power-net rules and those named in the board's
// placer options (power and ground net texts, names separated by commas, semicolons
// or blanks). Names compare ignoring case.
std::vector<const Net*> FindPowerNets(const Board& board);

// The right angle nearest the component's rotation (the lower one on a tie) that its
// component-rotations rule permits, when it stands at a slant and the board's placer
// options let components turn; none otherwise.
std::optional<double> StraightRotation(const Board& board, const Component& component);

class PlacementModel {
public:
    explicit PlacementModel(Board& board);

    Board& GetBoard() const { return board_; }
    const OutlineRegion& Outline() const { return *outline_; }
    std::vector<Part> Parts;
    std::vector<PlacementNet> Nets;
    std::vector<Box> Rooms;
    int MovableCount() const { return movableCount_; }

    // The gap kept between components (placer option 1) and to the outline (option 2).
    Coord ComponentGapOption() const { return componentGap_; }
    Coord OutlineGap() const { return outlineGap_; }
    // The gap between two parts' extents: that of their component-clearance rule; for
    // a pair no such rule covers, the placement gap or the clearance rule when larger.
    Coord Gap(int a, int b) const;
    Coord MaxGap() const { return maxGap_; }
    // The largest copper clearance: what a through-hole pad keeps from a part on the
    // other side (courtyard gaps say nothing of copper there).
    Coord CopperClearance() const { return copperClearance_; }
    // Every pair has the same gap (no gap rule is scoped to nets, classes or parts).
    bool UniformGaps() const { return !scopedGapRules_; }
    // Whether two parts on these sides can meet (same side, or one goes through).
    bool SidesConflict(int a, LayerNumber sideA, int b, LayerNumber sideB) const;

private:
    Coord RuleGap(int a, int b) const;

    Board& board_;
    std::unique_ptr<OutlineRegion> outline_;
    int movableCount_ = 0;
    Coord componentGap_ = 0;
    Coord outlineGap_ = 0;
    Coord maxGap_ = 0;
    Coord copperClearance_ = 0;
    bool scopedGapRules_ = false;  // some gap rule does not cover the whole board
    Coord boardRuleGap_ = 0;
    mutable std::unordered_map<uint64_t, Coord> pairGaps_;
};

}  // namespace hostpcb::statistical
