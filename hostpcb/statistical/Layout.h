// Where the statistical placer has put each part so far (origin, turn, side), and
// the tests that every position must pass: inside the outline with the outline gap,
// inside its keep-inside room, clear of its keep-outside rooms.
#pragma once

#include <array>
#include <vector>

#include "hostpcb/statistical/PlacementModel.h"

namespace hostpcb::statistical {

struct PartState {
    Point origin;
    Orientation orientation;
    friend bool operator==(const PartState&, const PartState&) = default;
};

class Layout {
public:
    explicit Layout(const PlacementModel& model);

    const PlacementModel& Model() const { return model_; }
    std::vector<PartState> States;

    Box BoxAt(int part, const PartState& state) const {
        const Part& p = model_.Parts[std::size_t(part)];
        return Translated(p.Transform(state.orientation).Apply(p.extent), state.origin);
    }
    Box BoxOf(int part) const { return BoxAt(part, States[std::size_t(part)]); }
    LayerNumber SideOf(int part) const {
        return model_.Parts[std::size_t(part)].Side(States[std::size_t(part)].orientation);
    }
    Point PinAt(const Pin& pin) const {
        const PartState& s = States[std::size_t(pin.part)];
        const Point off = model_.Parts[std::size_t(pin.part)].Transform(s.orientation).Apply(pin.offset);
        return {s.origin.x + off.x, s.origin.y + off.y};
    }
    // The state that puts the part's box centre at `centre` with orientation o.
    PartState StateCentredAt(int part, Point centre, Orientation o) const;

    // The box passes the outline and room tests of the part.
    bool Fits(int part, const Box& box) const;

    // Half-perimeter of the net's pins.
    double NetLength(int net) const;

    // How far two placed boxes come inside each other's gap: the area of the overlap
    // of one box grown by the pair's gap with the other; 0 when they keep it or
    // cannot meet.
    double GapOverlap(int a, const Box& boxA, LayerNumber sideA, int b, const Box& boxB, LayerNumber sideB) const;
    // The same for two parts at these states (boxA and boxB their boxes there), judged
    // by the closer shapes of movable parts that have them; a locked part's box is one
    // of its obstacles and is taken as it is. On opposite sides only the through pads
    // of each meet the other part.
    // With `any` it stops at the first pair of boxes that meet (for tests that only ask
    // whether they do).
    double GapOverlapAt(int a, const PartState& stateA, const Box& boxA, int b, const PartState& stateB,
                        const Box& boxB, bool any = false) const;

private:
    // A part's shape boxes turned and flipped, relative to its origin (index: quarter
    // turns, plus 4 when flipped); empty for parts judged by their box.
    const std::vector<Box>& TurnedShape(int part, Orientation o) const;
    // The part's through pads turned and flipped likewise.
    const std::vector<Box>& TurnedPads(int part, Orientation o) const;
    // How far these boxes (board coordinates) come inside the gap of the part at state
    // (box its box there), judged by its shape when it is movable and has one.
    double ShapeGapOverlap(const Box& x, int part, const PartState& state, const Box& box, Coord gap) const;

    const PlacementModel& model_;
    std::vector<std::array<std::vector<Box>, 8>> turnedShapes_;
    std::vector<std::array<std::vector<Box>, 8>> turnedPads_;
};

}  // namespace hostpcb::statistical
