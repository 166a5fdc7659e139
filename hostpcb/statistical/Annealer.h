// Simulated annealing over the movable parts: moves, swaps, quarter turns and side
// changes, minimising the weighted half-perimeter of the nets plus a penalty for
// parts inside each other's gap. The outline and the rooms are hard limits: a move
// that breaks one is never made. The penalty weight grows as the temperature falls,
// so that the parts end nearly apart for the legaliser.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "hostpcb/statistical/Layout.h"
#include "hostpcb/statistical/PartIndex.h"

namespace hostpcb::statistical {

struct AnnealSettings {
    double movesPerPart = 20;  // move attempts per movable part and temperature
    double cooling = 0.92;     // temperature factor per step
    double finalRatio = 1e-4;  // the last temperature, as a fraction of the first
    double penaltyGrowth = 1.1;
};

// Gives every movable part a position that passes its outline and room tests: where
// it is when that passes, else random tries over the outline (or its room), in each
// permitted turn. Answers the parts that found none; they stay where they are.
std::vector<int> SpreadParts(Layout& layout, std::mt19937_64& random);

class Annealer {
public:
    // `parts` are the movable parts that take part (each has a fitting position).
    Annealer(Layout& layout, std::vector<int> parts, std::mt19937_64& random, AnnealSettings settings = {});

    // How many temperature steps Run makes unless stopped.
    int StepCount() const { return steps_; }
    // Runs the schedule; `stop` is asked every few hundred moves and ends the run when
    // it answers true; `stepDone` is called after every temperature step. Answers false
    // when stopped.
    bool Run(const std::function<bool()>& stop, const std::function<void()>& stepDone);

    // After legalisation: a short cool run at a low temperature in which no move may
    // bring two parts inside each other's gap, so the wire length lost to legalising is
    // won back without making the placement illegal again. Reads the layout afresh.
    static constexpr int kRefineSteps = 30;
    bool Refine(const std::function<bool()>& stop, const std::function<void()>& stepDone);

    double WireLength() const;

private:
    struct Trial;
    bool TryMove(Trial& trial, double temperature);
    bool ProposeMove(Trial& trial);
    double PenaltyOf(int part, const Box& box, int except) const;
    double MoveDelta(Trial& trial);
    void Commit(const Trial& trial);
    double StartTemperature();
    bool Cool(double temperature, int steps, const std::function<bool()>& stop,
              const std::function<void()>& stepDone);
    void Reload();

    Layout& layout_;
    const PlacementModel& model_;
    std::vector<int> parts_;
    std::mt19937_64& random_;
    AnnealSettings settings_;
    PartIndex index_;
    std::vector<Box> boxes_;       // current box of every part
    std::vector<double> netLength_;
    std::vector<uint32_t> netStamp_;
    uint32_t stamp_ = 0;
    double penaltyWeight_ = 1;
    double penaltyScale_ = 1;      // turns an overlap area into a length
    Coord window_ = 0;             // how far a move may go
    Coord minWindow_ = 1;
    Coord maxWindow_ = 1;
    int steps_ = 0;
    bool strict_ = false;  // moves that break a gap are refused
};

}  // namespace hostpcb::statistical
