#include "hostpcb/statistical/Layout.h"

#include <algorithm>

namespace hostpcb::statistical {

Layout::Layout(const PlacementModel& model) : model_(model) {
    States.reserve(model.Parts.size());
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

}  // namespace hostpcb::statistical
