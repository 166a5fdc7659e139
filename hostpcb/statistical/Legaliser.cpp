#include "hostpcb/statistical/Legaliser.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace hostpcb::statistical {

namespace {

// Positions tried for one part before it is given up, over all its turns and sides.
constexpr std::size_t kSearchBudget = 300000;
// Candidate coordinates kept per axis and search square (the nearest to the wish).
constexpr std::size_t kAxisCap = 600;
// Spots over the outline's box where a part that found no room may push smaller parts out.
constexpr int64_t kRipUpSpots = 20000;
// Evictions allowed in one legalisation, so that the step always ends.
constexpr int kRipUpLimit = 2000;
// Largest spacing between parts parked below the outline (1 mm).
constexpr Coord kParkSpacing = 393701;

double Area(const Box& b) { return (double(b.x2) - b.x1) * (double(b.y2) - b.y1); }

void KeepNearest(std::vector<Coord>& values, Coord wish) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    if (values.size() <= kAxisCap) return;
    auto distance = [wish](Coord v) { return std::llabs(int64_t{v} - wish); };
    std::nth_element(values.begin(), values.begin() + kAxisCap, values.end(),
                     [&](Coord a, Coord b) { return distance(a) < distance(b) || (distance(a) == distance(b) && a < b); });
    values.resize(kAxisCap);
}

}  // namespace

Legaliser::Legaliser(Layout& layout, SettleOrder order)
    : order_(order),
      layout_(layout),
      model_(layout.Model()),
      boxes_(layout.Model().Parts.size()),
      isSettled_(layout.Model().Parts.size(), false) {
    for (int i = 0; i < int(model_.Parts.size()); ++i) {
        if (!model_.Parts[std::size_t(i)].movable) Settle(i);
    }
}

void Legaliser::Settle(int part) {
    boxes_[std::size_t(part)] = layout_.BoxOf(part);
    const Part& p = model_.Parts[std::size_t(part)];
    if (p.movable) {
        settled_.Insert(part, boxes_[std::size_t(part)]);
    } else {
        for (const Box& obstacle : p.obstacles) settled_.Insert(part, obstacle);
    }
    isSettled_[std::size_t(part)] = true;
}

bool Legaliser::Conflicts(int part, const PartState& state, bool fixedOnly) const {
    const Box box = layout_.BoxAt(part, state);
    bool conflict = false;
    settled_.ForEachNear(Inflated(box, model_.MaxGap()), [&](int other, const Box& otherBox) {
        if (fixedOnly && model_.Parts[std::size_t(other)].movable) return;
        if (!conflict && other != part &&
            layout_.GapOverlapAt(part, state, box, other, layout_.States[std::size_t(other)], otherBox, true) > 0) {
            conflict = true;
        }
    });
    return conflict;
}

bool Legaliser::Legal(int part, const PartState& state) const {
    return !Conflicts(part, state) && layout_.Fits(part, layout_.BoxAt(part, state));
}

bool Legaliser::SearchOrientation(int part, Orientation o, Point centre, std::size_t& budget) {
    const Part& p = model_.Parts[std::size_t(part)];
    const PartState home = layout_.StateCentredAt(part, centre, o);
    const Box b0 = layout_.BoxAt(part, home);
    const Coord w = b0.x2 - b0.x1, h = b0.y2 - b0.y1;
    const Point shift{home.origin.x - b0.x1, home.origin.y - b0.y1};  // lower-left corner to origin
    const LayerNumber side = p.Side(o);
    const Coord edge = model_.OutlineGap() + 1;
    const Box& extent = model_.Outline().Extent();
    const Coord span = std::max(extent.x2 - extent.x1, extent.y2 - extent.y1);

    std::vector<Coord> xs, ys;
    std::vector<const OutlineSegment*> segments;
    std::vector<std::pair<double, std::pair<Coord, Coord>>> candidates;
    for (int64_t reach = int64_t{std::max(w, h)} * 2 + model_.MaxGap() + 1;; reach *= 2) {
        const Coord r = static_cast<Coord>(std::min<int64_t>(reach, int64_t{span} * 2 + 1));
        const Box square{centre.x - r, centre.y - r, centre.x + r, centre.y + r};
        xs.assign({b0.x1, extent.x1 + edge, extent.x2 - edge - w});
        ys.assign({b0.y1, extent.y1 + edge, extent.y2 - edge - h});
        settled_.ForEachNear(square, [&](int other, const Box& ob) {
            if (!model_.SidesConflict(part, side, other, layout_.SideOf(other))) return;
            const Coord g = model_.Gap(part, other);
            xs.insert(xs.end(), {ob.x2 + g, ob.x1 - g - w, ob.x1, ob.x2 - w});
            ys.insert(ys.end(), {ob.y2 + g, ob.y1 - g - h, ob.y1, ob.y2 - h});
        });
        model_.Outline().SegmentsNear(square, segments);
        for (const OutlineSegment* s : segments) {
            for (const Point q : {s->a, s->b}) {
                xs.insert(xs.end(), {q.x + edge, q.x - edge - w});
                ys.insert(ys.end(), {q.y + edge, q.y - edge - h});
            }
        }
        if (p.keepInside >= 0) {
            const Box& room = model_.Rooms[std::size_t(p.keepInside)];
            xs.insert(xs.end(), {room.x1, room.x2 - w});
            ys.insert(ys.end(), {room.y1, room.y2 - h});
        }
        for (const int index : p.keepOutside) {
            const Box& room = model_.Rooms[std::size_t(index)];
            xs.insert(xs.end(), {room.x2 + 1, room.x1 - 1 - w});
            ys.insert(ys.end(), {room.y2 + 1, room.y1 - 1 - h});
        }
        KeepNearest(xs, b0.x1);
        KeepNearest(ys, b0.y1);

        candidates.clear();
        for (const Coord x : xs) {
            if (x - edge < extent.x1 || int64_t{x} + w + edge > extent.x2) continue;
            for (const Coord y : ys) {
                if (y - edge < extent.y1 || int64_t{y} + h + edge > extent.y2) continue;
                const double dx = double(x) - b0.x1, dy = double(y) - b0.y1;
                candidates.push_back({dx * dx + dy * dy, {x, y}});
            }
        }
        std::sort(candidates.begin(), candidates.end());
        for (const auto& [distance, corner] : candidates) {
            if (budget == 0) return false;
            --budget;
            const PartState state{{corner.first + shift.x, corner.second + shift.y}, o};
            if (Legal(part, state)) {
                layout_.States[std::size_t(part)] = state;
                return true;
            }
        }
        if (r > span) return false;
    }
}

bool Legaliser::Evictable(int part, const PartState& state, std::vector<int>& evicted, double& area) const {
    evicted.clear();
    area = 0;
    const Box box = layout_.BoxAt(part, state);
    const double own = Area(layout_.BoxAt(part, layout_.States[std::size_t(part)]));
    bool possible = true;
    settled_.ForEachNear(Inflated(box, model_.MaxGap()), [&](int other, const Box& otherBox) {
        if (!possible || other == part ||
            std::find(evicted.begin(), evicted.end(), other) != evicted.end() ||
            layout_.GapOverlapAt(part, state, box, other, layout_.States[std::size_t(other)], otherBox, true) <= 0) {
            return;
        }
        const double a = Area(otherBox);
        if (!model_.Parts[std::size_t(other)].movable || a >= own) {
            possible = false;
            return;
        }
        evicted.push_back(other);
        area += a;
    });
    return possible;
}

bool Legaliser::RipUp(int part, std::vector<int>& evicted) {
    const Part& p = model_.Parts[std::size_t(part)];
    const Box& extent = model_.Outline().Extent();
    const Point centre = CentreOf(layout_.BoxOf(part));
    double bestCost = -1;
    PartState best;
    std::vector<int> found;
    for (uint8_t q = 0; q < 4; ++q) {
        if ((p.allowedTurns & (1u << q)) == 0) continue;
        for (const bool flipped : {false, true}) {
            if (flipped && !p.mayFlip) continue;
            const Orientation o{q, p.mustFlip != flipped};
            const Box b0 = layout_.BoxAt(part, layout_.StateCentredAt(part, centre, o));
            // Half the part's smaller side, coarser on large boards so the spots stay bounded.
            const double spread = std::sqrt((double(extent.x2) - extent.x1) * (double(extent.y2) - extent.y1) /
                                            double(kRipUpSpots));
            const int64_t gridStep = std::max<int64_t>(
                {int64_t{1}, int64_t{std::min(b0.x2 - b0.x1, b0.y2 - b0.y1)} / 2, static_cast<int64_t>(spread)});
            for (int64_t x = extent.x1; x <= extent.x2; x += gridStep) {
                for (int64_t y = extent.y1; y <= extent.y2; y += gridStep) {
                    const PartState state = layout_.StateCentredAt(part, {Coord(x), Coord(y)}, o);
                    const Box box = layout_.BoxAt(part, state);
                    double area = 0;
                    if (!layout_.Fits(part, box) || !Evictable(part, state, found, area)) continue;
                    const double dx = double(x) - centre.x, dy = double(y) - centre.y;
                    const double cost = area + 1e-6 * std::sqrt(dx * dx + dy * dy);
                    if (bestCost < 0 || cost < bestCost) {
                        bestCost = cost;
                        best = state;
                        evicted = found;
                    }
                }
            }
        }
    }
    if (bestCost < 0) return false;
    for (const int other : evicted) {
        settled_.Remove(other, boxes_[std::size_t(other)]);
        isSettled_[std::size_t(other)] = false;
    }
    layout_.States[std::size_t(part)] = best;
    return true;
}

// Only parts that may take any quarter turn, stay on their side, have no rooms and are
// judged by their box alone are
// compared, and only when every pair keeps the same gap: for them a part at least as
// long and as wide as one that found no room finds none either (the board only fills).
bool Legaliser::KnownToFail(int part) const {
    const Part& p = model_.Parts[std::size_t(part)];
    if (!model_.UniformGaps() || p.allowedTurns != 0xF || p.mayFlip || p.keepInside >= 0 || !p.keepOutside.empty() ||
        !p.shape.empty()) {
        return false;
    }
    const Coord w = p.extent.x2 - p.extent.x1, h = p.extent.y2 - p.extent.y1;
    const LayerNumber side = layout_.SideOf(part);
    return std::any_of(failures_.begin(), failures_.end(), [&](const Failure& f) {
        return f.side == side && f.throughHole == p.throughHole && std::min(w, h) >= f.shortSide &&
               std::max(w, h) >= f.longSide;
    });
}

void Legaliser::NoteFailure(int part) {
    const Part& p = model_.Parts[std::size_t(part)];
    if (!model_.UniformGaps() || p.allowedTurns != 0xF || p.mayFlip || p.keepInside >= 0 || !p.keepOutside.empty() ||
        !p.shape.empty()) {
        return;
    }
    const Coord w = p.extent.x2 - p.extent.x1, h = p.extent.y2 - p.extent.y1;
    failures_.push_back({std::min(w, h), std::max(w, h), layout_.SideOf(part), p.throughHole});
}

bool Legaliser::Search(int part) {
    const Part& p = model_.Parts[std::size_t(part)];
    const PartState now = layout_.States[std::size_t(part)];
    // A part found off the board looks for room from the nearest point of the outline's box.
    const Box& extent = model_.Outline().Extent();
    Point centre = CentreOf(layout_.BoxOf(part));
    centre = {std::clamp(centre.x, extent.x1, extent.x2), std::clamp(centre.y, extent.y1, extent.y2)};
    std::vector<Orientation> orientations{now.orientation};
    for (const bool flipped : {now.orientation.flipped, !now.orientation.flipped}) {
        if (flipped != now.orientation.flipped && !p.mayFlip) continue;
        for (uint8_t q = 0; q < 4; ++q) {
            const Orientation o{q, flipped};
            if ((p.allowedTurns & (1u << q)) != 0 && !(o == now.orientation)) orientations.push_back(o);
        }
    }
    std::size_t budget = kSearchBudget;
    for (const Orientation o : orientations) {
        if (SearchOrientation(part, o, centre, budget)) return true;
    }
    return false;
}

void Legaliser::SettleFirst(const std::vector<int>& parts) {
    for (const int i : parts) {
        if (!model_.Parts[std::size_t(i)].movable || isSettled_[std::size_t(i)]) continue;
        if (Legal(i, layout_.States[std::size_t(i)]) || Search(i)) Settle(i);
    }
}

bool Legaliser::Run(const std::vector<int>& parts, const std::function<bool()>& stop,
                    const std::function<void()>& partDone, int maxUnfit) {
    std::vector<int> order;
    for (const int i : parts) {
        if (model_.Parts[std::size_t(i)].movable && !isSettled_[std::size_t(i)]) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return Area(layout_.BoxOf(a)) > Area(layout_.BoxOf(b)); });

    std::vector<int> pending;
    if (order_ == SettleOrder::LargestFirst) {
        pending = order;
    } else {
        for (const int i : order) {
            if (Legal(i, layout_.States[std::size_t(i)])) {
                Settle(i);
                if (partDone) partDone();
            } else {
                pending.push_back(i);
            }
        }
    }
    // Parts pushed out by a larger one come back at the end of the queue.
    std::deque<int> queue(pending.begin(), pending.end());
    std::vector<int> evicted;
    int ripUps = 0;
    while (!queue.empty()) {
        const int i = queue.front();
        queue.pop_front();
        if (stop && stop()) return false;
        if (order_ == SettleOrder::LargestFirst && Legal(i, layout_.States[std::size_t(i)])) {
            Settle(i);
        } else if (KnownToFail(i)) {
            unfit_.push_back(i);
        } else if (Search(i)) {
            Settle(i);
        } else if (ripUps < kRipUpLimit && RipUp(i, evicted)) {
            ++ripUps;
            Settle(i);
            queue.insert(queue.end(), evicted.begin(), evicted.end());
            continue;
        } else {
            unfit_.push_back(i);
            NoteFailure(i);
        }
        if (partDone) partDone();
        if (maxUnfit >= 0 && int(unfit_.size()) > maxUnfit) return false;
    }
    ParkUnfit();
    return true;
}

// Parked parts are not placed, so they keep a small fixed spacing from each other
// rather than their rule gaps: rows spaced by a wide gap (50 mm per part) would run
// beyond the host's coordinates. Only the first row keeps the outline gap from the
// board, and rows are widened past the outline's width when the parked parts' area
// needs it, so that many parts below a narrow board stay near it. Locked parts below
// the board are stepped over with the full gap.
void Legaliser::ParkUnfit() {
    const Box& extent = model_.Outline().Extent();
    const Coord spacing = std::min(model_.MaxGap(), kParkSpacing) + 1;
    std::vector<Box> boxes;
    double area = 0;
    for (const int i : unfit_) {
        const Orientation o = layout_.States[std::size_t(i)].orientation;
        const Box& b = boxes.emplace_back(layout_.BoxAt(i, layout_.StateCentredAt(i, {0, 0}, o)));
        area += (double(b.x2) - b.x1 + spacing) * (double(b.y2) - b.y1 + spacing);
    }
    const int64_t right = extent.x1 + std::max<int64_t>(int64_t{extent.x2} - extent.x1, int64_t(2 * std::sqrt(area)));
    Coord x = extent.x1;
    Coord shelfTop = extent.y1 - model_.OutlineGap() - spacing;
    Coord shelfHeight = 0;
    for (std::size_t k = 0; k < unfit_.size(); ++k) {
        const int i = unfit_[k];
        const Orientation o = layout_.States[std::size_t(i)].orientation;
        const Coord w = boxes[k].x2 - boxes[k].x1, h = boxes[k].y2 - boxes[k].y1;
        if (x > extent.x1 && int64_t{x} + w > right) {
            x = extent.x1;
            shelfTop -= shelfHeight + spacing;
            shelfHeight = 0;
        }
        PartState state = layout_.StateCentredAt(i, {x + w / 2, shelfTop - h / 2}, o);
        // Locked parts parked below the board as well are stepped over.
        while (Conflicts(i, state, true)) {
            state.origin.x += std::max<Coord>(w, 1) + spacing;
            x += std::max<Coord>(w, 1) + spacing;
        }
        layout_.States[std::size_t(i)] = state;
        Settle(i);
        x += w + spacing;
        shelfHeight = std::max(shelfHeight, h);
    }
}

}  // namespace hostpcb::statistical
