// The step after annealing that makes the placement legal: parts are settled one by
// one, the largest first; a part that meets a settled part's gap, leaves the outline
// or breaks a room is moved to the nearest position that passes every test, found
// among positions touching its neighbours, the outline and its rooms, in each turn
// and side it may take. A part that finds none takes the spot where it pushes out the
// least area of smaller parts, which then look for room again. A part for which no
// position exists is named and parked below the outline, clear of every other part.
#pragma once

#include <functional>
#include <vector>

#include "hostpcb/statistical/Layout.h"
#include "hostpcb/statistical/PartIndex.h"

namespace hostpcb::statistical {

// Which parts settle first. LegalFirst keeps every part that is already legal where
// annealing left it, largest first, and then finds room for the others among them;
// LargestFirst takes every part in turn, largest first, so a large part that is not
// legal where it lies searches before the small ones have filled the board.
enum class SettleOrder { LegalFirst, LargestFirst };

class Legaliser {
public:
    explicit Legaliser(Layout& layout, SettleOrder order = SettleOrder::LegalFirst);

    // Settles the movable parts among `parts`; the fixed parts are obstacles. Calls
    // `partDone` after each part and asks `stop` between parts (true ends the step).
    // Answers false when stopped, or when more than `maxUnfit` parts (when not
    // negative) found no room: a run that cannot beat an earlier one gives up.
    bool Run(const std::vector<int>& parts, const std::function<bool()>& stop, const std::function<void()>& partDone,
             int maxUnfit = -1);

    // Settles these parts before Run settles the rest, each where it lies when that is
    // legal, else at the nearest legal spot among what is settled; a part that finds
    // none is left to Run. For parts that an earlier run left without room: settled
    // first, they find the room the others took.
    void SettleFirst(const std::vector<int>& parts);

    // The parts that found no legal position, parked in rows below the outline.
    const std::vector<int>& Unfit() const { return unfit_; }

private:
    // A settled part (only a locked one with `fixedOnly`) inside the gap of the part at `state`.
    bool Conflicts(int part, const PartState& state, bool fixedOnly = false) const;
    bool Legal(int part, const PartState& state) const;
    bool Search(int part);
    bool SearchOrientation(int part, Orientation o, Point centre, std::size_t& budget);
    void Settle(int part);
    // The settled parts a box at this spot would push out, when all are movable and
    // smaller than the part; false when some other part is in the way.
    bool Evictable(int part, const PartState& state, std::vector<int>& evicted, double& area) const;
    // Puts a part that found no room where it pushes out the least area of smaller parts.
    bool RipUp(int part, std::vector<int>& evicted);
    void ParkUnfit();

    // A part known to find no room, so that larger ones like it do not search again.
    struct Failure {
        Coord shortSide, longSide;
        LayerNumber side;
        bool throughHole;
    };
    bool KnownToFail(int part) const;
    void NoteFailure(int part);

    SettleOrder order_;
    Layout& layout_;
    std::vector<Failure> failures_;
    const PlacementModel& model_;
    PartIndex settled_;
    std::vector<Box> boxes_;
    std::vector<bool> isSettled_;
    std::vector<int> unfit_;
};

}  // namespace hostpcb::statistical
