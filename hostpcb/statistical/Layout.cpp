#include "hostpcb/statistical/Layout.h"

#include <algorithm>

namespace hostpcb::statistical {

Layout::Layout(const PlacementModel& model) : model_(model) {
    States.reserve(model.Parts.size());
    turnedShapes_.resize(model.Parts.size());
    turnedPads_.resize(model.Parts.size());
    for (std::size_t i = 0; i < model.Parts.size(); ++i) {
        const Part& p = model.Parts[i];
        for (uint8_t k = 0; k < 8; ++k) {
            const OffsetTransform transform = p.Transform({uint8_t(k % 4), k >= 4});
            for (const Box& b : p.shape) turnedShapes_[i][k].push_back(transform.Apply(b));
            for (const Box& b : p.throughPads) turnedPads_[i][k].push_back(transform.Apply(b));
        }
    }
    for (const Part& p : model.Parts) {
        PartState s;
        s.origin = p.origin0;
        s.orientation.flipped = p.movable && p.mustFlip;
        States.push_back(s);
    }
}

PartState Layout::StateCentredAt(int part, Point centre, Orientation o) const {
    const Part& p = model_.Parts[std::size_t(part)];
    const Point c = CentreOf(p.Transform(o).Apply(p.extent));
    return {{centre.x - c.x, centre.y - c.y}, o};
}

bool Layout::Fits(int part, const Box& box) const {
    const Part& p = model_.Parts[std::size_t(part)];
    if (!model_.Outline().BoxInside(Inflated(box, model_.OutlineGap()))) return false;
    if (p.keepInside >= 0 && !BoxInside(box, model_.Rooms[std::size_t(p.keepInside)])) return false;
    for (const int room : p.keepOutside) {
        if (box.Intersects(model_.Rooms[std::size_t(room)])) return false;
    }
    return true;
}

double Layout::NetLength(int net) const {
    const PlacementNet& n = model_.Nets[std::size_t(net)];
    Point first = PinAt(n.pins.front());
    Coord x1 = first.x, x2 = first.x, y1 = first.y, y2 = first.y;
    for (std::size_t i = 1; i < n.pins.size(); ++i) {
        const Point p = PinAt(n.pins[i]);
        x1 = std::min(x1, p.x);
        x2 = std::max(x2, p.x);
        y1 = std::min(y1, p.y);
        y2 = std::max(y2, p.y);
    }
    return (double(x2) - x1 + double(y2) - y1) * n.weight;
}

double Layout::GapOverlap(int a, const Box& boxA, LayerNumber sideA, int b, const Box& boxB,
                          LayerNumber sideB) const {
    if (!model_.SidesConflict(a, sideA, b, sideB)) return 0.0;
    const Coord gap = model_.Gap(a, b);
    const double ox = double(std::min(boxA.x2, boxB.x2)) - std::max(boxA.x1, boxB.x1) + gap;
    const double oy = double(std::min(boxA.y2, boxB.y2)) - std::max(boxA.y1, boxB.y1) + gap;
    return ox > 0 && oy > 0 ? ox * oy : 0.0;
}

const std::vector<Box>& Layout::TurnedShape(int part, Orientation o) const {
    return turnedShapes_[std::size_t(part)][std::size_t(o.quarterTurns + (o.flipped ? 4 : 0))];
}

const std::vector<Box>& Layout::TurnedPads(int part, Orientation o) const {
    return turnedPads_[std::size_t(part)][std::size_t(o.quarterTurns + (o.flipped ? 4 : 0))];
}

namespace {

double BoxGapOverlap(const Box& a, const Box& b, Coord gap) {
    const double ox = double(std::min(a.x2, b.x2)) - std::max(a.x1, b.x1) + gap;
    const double oy = double(std::min(a.y2, b.y2)) - std::max(a.y1, b.y1) + gap;
    return ox > 0 && oy > 0 ? ox * oy : 0.0;
}

}  // namespace

double Layout::GapOverlapAt(int a, const PartState& stateA, const Box& boxA, int b, const PartState& stateB,
                            const Box& boxB, bool any) const {
    const Part& pa = model_.Parts[std::size_t(a)];
    const Part& pb = model_.Parts[std::size_t(b)];
    const LayerNumber sideA = pa.Side(stateA.orientation), sideB = pb.Side(stateB.orientation);
    if (!model_.SidesConflict(a, sideA, b, sideB)) return 0.0;
    const Coord gap = model_.Gap(a, b);
    if (sideA != sideB) {
        // The pads' copper keeps the copper clearance from the other part.
        const Coord padGap = std::max(gap, model_.CopperClearance());
        if (BoxGapOverlap(boxA, boxB, padGap) == 0.0) return 0.0;
        double sum = 0;
        const Box reachA = Inflated(boxA, padGap), reachB = Inflated(boxB, padGap);
        for (const Box& pad : TurnedPads(a, stateA.orientation)) {
            const Box x = Translated(pad, stateA.origin);
            if (x.Intersects(reachB)) sum += ShapeGapOverlap(x, b, stateB, boxB, padGap);
            if (any && sum > 0) return sum;
        }
        for (const Box& pad : TurnedPads(b, stateB.orientation)) {
            const Box y = Translated(pad, stateB.origin);
            if (y.Intersects(reachA)) sum += ShapeGapOverlap(y, a, stateA, boxA, padGap);
            if (any && sum > 0) return sum;
        }
        return sum;
    }
    // A frame's contact on the far face is in the way of the other side only.
    const auto farSide = [](const Part& p, const Box& box) {
        return !p.movable && std::find(p.farSideObstacles.begin(), p.farSideObstacles.end(), box) != p.farSideObstacles.end();
    };
    if (farSide(pa, boxA) || farSide(pb, boxB)) return 0.0;
    const double whole = BoxGapOverlap(boxA, boxB, gap);
    const bool shapedA = pa.movable && !pa.shape.empty(), shapedB = pb.movable && !pb.shape.empty();
    if (whole == 0.0 || (!shapedA && !shapedB)) return whole;
    // Only the boxes of each shape that reach the other's box can meet it.
    const Box reachA = Inflated(boxA, gap), reachB = Inflated(boxB, gap);
    const std::vector<Box>* turnedB = shapedB ? &TurnedShape(b, stateB.orientation) : nullptr;
    double sum = 0;
    const auto against = [&](const Box& x) {
        if (!x.Intersects(reachB)) return;
        if (turnedB == nullptr) {
            sum += BoxGapOverlap(x, boxB, gap);
            return;
        }
        for (const Box& y0 : *turnedB) {
            const Box y = Translated(y0, stateB.origin);
            if (y.Intersects(reachA)) sum += BoxGapOverlap(x, y, gap);
        }
    };
    if (shapedA) {
        for (const Box& x0 : TurnedShape(a, stateA.orientation)) {
            against(Translated(x0, stateA.origin));
            if (any && sum > 0) break;
        }
    } else {
        against(boxA);
    }
    return sum;
}

double Layout::ShapeGapOverlap(const Box& x, int part, const PartState& state, const Box& box, Coord gap) const {
    const Part& p = model_.Parts[std::size_t(part)];
    if (!p.movable || p.shape.empty()) return BoxGapOverlap(x, box, gap);
    const Box reach = Inflated(x, gap);
    double sum = 0;
    for (const Box& y0 : TurnedShape(part, state.orientation)) {
        const Box y = Translated(y0, state.origin);
        if (y.Intersects(reach)) sum += BoxGapOverlap(x, y, gap);
    }
    return sum;
}

}  // namespace hostpcb::statistical
