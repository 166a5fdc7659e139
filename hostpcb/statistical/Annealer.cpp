#include "hostpcb/statistical/Annealer.h"

#include <algorithm>
#include <cmath>

namespace hostpcb::statistical {

namespace {

constexpr int kSpreadTries = 400;
constexpr int kStopPollInterval = 256;
constexpr double kTargetAcceptance = 0.44;
constexpr double kStartAcceptance = 0.85;
// The refinement starts this far below the temperature that would accept most moves.
constexpr double kRefineTemperatureRatio = 0.01;

Coord Uniform(std::mt19937_64& random, Coord low, Coord high) {
    if (high <= low) return low;
    return static_cast<Coord>(low + static_cast<int64_t>(random() % (uint64_t(int64_t{high} - low) + 1)));
}

double Uniform01(std::mt19937_64& random) { return double(random() >> 11) * (1.0 / 9007199254740992.0); }

std::vector<uint8_t> TurnsOf(uint8_t mask) {
    std::vector<uint8_t> turns;
    for (uint8_t q = 0; q < 4; ++q) {
        if ((mask & (1u << q)) != 0) turns.push_back(q);
    }
    return turns;
}

}  // namespace

std::vector<int> SpreadParts(Layout& layout, std::mt19937_64& random) {
    const PlacementModel& model = layout.Model();
    std::vector<int> homeless;
    const Box area = model.Outline().Extent();
    for (int i = 0; i < int(model.Parts.size()); ++i) {
        const Part& part = model.Parts[std::size_t(i)];
        if (!part.movable) continue;
        PartState& state = layout.States[std::size_t(i)];
        if ((part.allowedTurns & (1u << state.orientation.quarterTurns)) == 0) {
            state = layout.StateCentredAt(i, CentreOf(layout.BoxOf(i)),
                                          {TurnsOf(part.allowedTurns).front(), state.orientation.flipped});
        }
        if (layout.Fits(i, layout.BoxOf(i))) continue;
        Box target = area;
        if (part.keepInside >= 0) {
            const Box& room = model.Rooms[std::size_t(part.keepInside)];
            target = {std::max(area.x1, room.x1), std::max(area.y1, room.y1), std::min(area.x2, room.x2),
                      std::min(area.y2, room.y2)};
        }
        bool placed = false;
        for (const uint8_t q : TurnsOf(part.allowedTurns)) {
            const Orientation o{q, state.orientation.flipped};
            for (int attempt = 0; attempt < kSpreadTries && !placed && target.x1 <= target.x2 && target.y1 <= target.y2;
                 ++attempt) {
                const Point centre{Uniform(random, target.x1, target.x2), Uniform(random, target.y1, target.y2)};
                const PartState candidate = layout.StateCentredAt(i, centre, o);
                if (layout.Fits(i, layout.BoxAt(i, candidate))) {
                    state = candidate;
                    placed = true;
                }
            }
            if (placed) break;
        }
        if (!placed) homeless.push_back(i);
    }
    return homeless;
}

struct Annealer::Trial {
    int a = -1;
    int b = -1;  // the partner of a swap
    PartState stateA, stateB;
    Box boxA, boxB;
    std::vector<int> nets;
    std::vector<double> lengths;
    double delta = 0;
    double overlapAfter = 0;
};

Annealer::Annealer(Layout& layout, std::vector<int> parts, std::mt19937_64& random, AnnealSettings settings)
    : layout_(layout), model_(layout.Model()), parts_(std::move(parts)), random_(random), settings_(settings) {
    const std::size_t count = model_.Parts.size();
    boxes_.resize(count);
    for (int i = 0; i < int(count); ++i) {
        boxes_[std::size_t(i)] = layout_.BoxOf(i);
        const Part& part = model_.Parts[std::size_t(i)];
        if (part.movable) {
            index_.Insert(i, boxes_[std::size_t(i)]);
        } else {
            for (const Box& obstacle : part.obstacles) index_.Insert(i, obstacle);
        }
    }
    netLength_.resize(model_.Nets.size());
    netStamp_.assign(model_.Nets.size(), 0);
    for (int n = 0; n < int(model_.Nets.size()); ++n) netLength_[std::size_t(n)] = layout_.NetLength(n);

    double sizes = 0;
    for (const int i : parts_) {
        const Box& b = boxes_[std::size_t(i)];
        sizes += std::sqrt((double(b.x2) - b.x1 + 1) * (double(b.y2) - b.y1 + 1));
    }
    penaltyScale_ = parts_.empty() ? 1.0 : std::max(1.0, sizes / double(parts_.size()));
    const Box& area = model_.Outline().Extent();
    maxWindow_ = std::max<Coord>(1, std::max(area.x2 - area.x1, area.y2 - area.y1));
    minWindow_ = std::max<Coord>(1, static_cast<Coord>(penaltyScale_ / 8));
    window_ = maxWindow_;
    steps_ = std::max(1, static_cast<int>(std::ceil(std::log(settings_.finalRatio) / std::log(settings_.cooling))));
}

double Annealer::WireLength() const {
    double sum = 0;
    for (const double l : netLength_) sum += l;
    return sum;
}

double Annealer::PenaltyOf(int part, const Box& box, int except) const {
    double sum = 0;
    index_.ForEachNear(Inflated(box, model_.MaxGap()), [&](int other, const Box& otherBox) {
        if (other == part || other == except) return;
        sum += layout_.GapOverlapAt(part, layout_.States[std::size_t(part)], box, other,
                                    layout_.States[std::size_t(other)], otherBox);
    });
    return sum;
}

bool Annealer::ProposeMove(Trial& trial) {
    trial.a = parts_[std::size_t(random_() % parts_.size())];
    trial.b = -1;
    const int a = trial.a;
    const Part& part = model_.Parts[std::size_t(a)];
    const PartState& now = layout_.States[std::size_t(a)];
    const Point centre = CentreOf(boxes_[std::size_t(a)]);
    const double kind = Uniform01(random_);
    const std::vector<uint8_t> turns = TurnsOf(part.allowedTurns);

    if (kind < 0.15 && turns.size() > 1) {
        uint8_t q = now.orientation.quarterTurns;
        while (q == now.orientation.quarterTurns) q = turns[std::size_t(random_() % turns.size())];
        trial.stateA = layout_.StateCentredAt(a, centre, {q, now.orientation.flipped});
    } else if (kind < 0.2 && part.mayFlip) {
        trial.stateA = layout_.StateCentredAt(a, centre, {now.orientation.quarterTurns, !now.orientation.flipped});
    } else if (kind < 0.4 && parts_.size() > 1) {
        int b = a;
        while (b == a) b = parts_[std::size_t(random_() % parts_.size())];
        trial.b = b;
        trial.stateA = layout_.StateCentredAt(a, CentreOf(boxes_[std::size_t(b)]), now.orientation);
        trial.stateB = layout_.StateCentredAt(b, centre, layout_.States[std::size_t(b)].orientation);
    } else {
        trial.stateA = now;
        trial.stateA.origin.x += Uniform(random_, -window_, window_);
        trial.stateA.origin.y += Uniform(random_, -window_, window_);
    }
    trial.boxA = layout_.BoxAt(a, trial.stateA);
    if (!layout_.Fits(a, trial.boxA)) return false;
    if (trial.b >= 0) {
        trial.boxB = layout_.BoxAt(trial.b, trial.stateB);
        if (!layout_.Fits(trial.b, trial.boxB)) return false;
    }
    return true;
}

double Annealer::MoveDelta(Trial& trial) {
    const int a = trial.a, b = trial.b;
    double before = PenaltyOf(a, boxes_[std::size_t(a)], b);
    if (b >= 0) {
        before += PenaltyOf(b, boxes_[std::size_t(b)], a);
        before += layout_.GapOverlapAt(a, layout_.States[std::size_t(a)], boxes_[std::size_t(a)], b,
                                       layout_.States[std::size_t(b)], boxes_[std::size_t(b)]);
    }

    const PartState oldA = layout_.States[std::size_t(a)];
    const PartState oldB = b >= 0 ? layout_.States[std::size_t(b)] : PartState{};
    layout_.States[std::size_t(a)] = trial.stateA;
    if (b >= 0) layout_.States[std::size_t(b)] = trial.stateB;

    double after = PenaltyOf(a, trial.boxA, b);
    if (b >= 0) {
        after += PenaltyOf(b, trial.boxB, a);
        after += layout_.GapOverlapAt(a, trial.stateA, trial.boxA, b, trial.stateB, trial.boxB);
    }

    ++stamp_;
    trial.nets.clear();
    trial.lengths.clear();
    double wire = 0;
    for (const int moved : {a, b}) {
        if (moved < 0) continue;
        for (const int n : model_.Parts[std::size_t(moved)].nets) {
            if (netStamp_[std::size_t(n)] == stamp_) continue;
            netStamp_[std::size_t(n)] = stamp_;
            const double length = layout_.NetLength(n);
            wire += length - netLength_[std::size_t(n)];
            trial.nets.push_back(n);
            trial.lengths.push_back(length);
        }
    }
    layout_.States[std::size_t(a)] = oldA;
    if (b >= 0) layout_.States[std::size_t(b)] = oldB;
    trial.overlapAfter = after;
    trial.delta = wire + penaltyWeight_ * (after - before) / penaltyScale_;
    return trial.delta;
}

void Annealer::Commit(const Trial& trial) {
    for (const auto& [part, state, box] : {std::tuple{trial.a, trial.stateA, trial.boxA},
                                           std::tuple{trial.b, trial.stateB, trial.boxB}}) {
        if (part < 0) continue;
        index_.Remove(part, boxes_[std::size_t(part)]);
        boxes_[std::size_t(part)] = box;
        index_.Insert(part, box);
        layout_.States[std::size_t(part)] = state;
    }
    for (std::size_t k = 0; k < trial.nets.size(); ++k) netLength_[std::size_t(trial.nets[k])] = trial.lengths[k];
}

bool Annealer::TryMove(Trial& trial, double temperature) {
    if (!ProposeMove(trial)) return false;
    const double delta = MoveDelta(trial);
    if (strict_ && trial.overlapAfter > 0) return false;
    if (delta <= 0 || (temperature > 0 && Uniform01(random_) < std::exp(-delta / temperature))) {
        Commit(trial);
        return true;
    }
    return false;
}

double Annealer::StartTemperature() {
    Trial trial;
    double uphill = 0;
    int count = 0;
    for (std::size_t k = 0; k < 4 * parts_.size() + 16; ++k) {
        if (!ProposeMove(trial)) continue;
        const double delta = MoveDelta(trial);
        if (strict_ && trial.overlapAfter > 0) continue;
        if (delta > 0) {
            uphill += delta;
            ++count;
        }
    }
    if (count == 0) return 1.0;
    return (uphill / count) / std::log(1.0 / kStartAcceptance);
}

bool Annealer::Run(const std::function<bool()>& stop, const std::function<void()>& stepDone) {
    if (parts_.empty()) return true;
    return Cool(StartTemperature(), steps_, stop, stepDone);
}

void Annealer::Reload() {
    for (int i = 0; i < int(boxes_.size()); ++i) {
        if (!model_.Parts[std::size_t(i)].movable) continue;
        const Box now = layout_.BoxOf(i);
        if (now == boxes_[std::size_t(i)]) continue;
        index_.Remove(i, boxes_[std::size_t(i)]);
        boxes_[std::size_t(i)] = now;
        index_.Insert(i, now);
    }
    for (int n = 0; n < int(model_.Nets.size()); ++n) netLength_[std::size_t(n)] = layout_.NetLength(n);
}

bool Annealer::Refine(const std::function<bool()>& stop, const std::function<void()>& stepDone) {
    if (parts_.empty()) return true;
    Reload();
    strict_ = true;
    window_ = std::max(minWindow_, maxWindow_ / 20);
    return Cool(StartTemperature() * kRefineTemperatureRatio, kRefineSteps, stop, stepDone);
}

bool Annealer::Cool(double temperature, int steps, const std::function<bool()>& stop,
                    const std::function<void()>& stepDone) {
    const auto movesPerStep = static_cast<std::size_t>(std::max(1.0, settings_.movesPerPart * double(parts_.size())));
    Trial trial;
    for (int step = 0; step < steps; ++step) {
        std::size_t accepted = 0;
        for (std::size_t move = 0; move < movesPerStep; ++move) {
            if (move % kStopPollInterval == 0 && stop && stop()) return false;
            if (TryMove(trial, temperature)) ++accepted;
        }
        const double rate = double(accepted) / double(movesPerStep);
        const double scaled = double(window_) * (1.0 - kTargetAcceptance + rate);
        window_ = static_cast<Coord>(std::clamp(scaled, double(minWindow_), double(maxWindow_)));
        temperature *= settings_.cooling;
        penaltyWeight_ *= settings_.penaltyGrowth;
        if (stepDone) stepDone();
    }
    // A last pass at zero temperature takes only improvements.
    for (std::size_t move = 0; move < movesPerStep; ++move) {
        if (move % kStopPollInterval == 0 && stop && stop()) return false;
        TryMove(trial, 0.0);
    }
    return true;
}

}  // namespace hostpcb::statistical
