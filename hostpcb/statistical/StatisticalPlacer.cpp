#include "hostpcb/statistical/StatisticalPlacer.h"

#include <memory>
#include <optional>
#include <random>

#include "hostpcb/statistical/Legaliser.h"
#include "hostpcb/statistical/StopDialog.h"
#include "sdk/pcbapi.h"

namespace hostpcb::statistical {

namespace {

constexpr const char* kNoOutlineMessage =
    "No keep-out outline is defined on this board. The statistical placer cannot proceed.";

double TotalLength(const Layout& layout) {
    double sum = 0;
    for (int n = 0; n < int(layout.Model().Nets.size()); ++n) sum += layout.NetLength(n);
    return sum;
}

// Puts every movable component where the layout says; untouched ones stay as they are.
void WriteLayout(const Layout& layout) {
    const PlacementModel& model = layout.Model();
    for (int i = 0; i < int(model.Parts.size()); ++i) {
        const Part& part = model.Parts[std::size_t(i)];
        if (!part.movable) continue;
        const PartState& state = layout.States[std::size_t(i)];
        Component& c = *part.component;
        const LayerNumber side = part.Side(state.orientation);
        double rotation = part.rotation0 + 90.0 * state.orientation.quarterTurns;
        if (rotation >= 360.0) rotation -= 360.0;
        if (c.Layer() != side) c.SetLayer(side);
        if (c.Rotation() != rotation) c.SetRotation(rotation);
        c.SetPosition(state.origin);
    }
}

// Puts every movable component back as it was found.
void RestoreBoard(const PlacementModel& model) {
    for (const Part& part : model.Parts) {
        if (!part.movable) continue;
        Component& c = *part.component;
        if (c.Layer() != part.side0) c.SetLayer(part.side0);
        if (c.Rotation() != part.rotation0) c.SetRotation(part.rotation0);
        c.SetPosition(part.origin0);
    }
}

// When parts are left without room, a board gets up to kRetryRounds more rounds, as
// many as keep the rounds' parts within kRetryParts (a round costs about as much
// as its parts).
constexpr int kRetryRounds = 7;
constexpr int kRetryParts = 180;

// Progress of one phase through the host's progress display.
class Phase {
public:
    Phase(const char* text, int total) { PcbApi_Percent_Init(text, total); }
    ~Phase() { PcbApi_Percent_Finish(); }
    Phase(const Phase&) = delete;
    Phase& operator=(const Phase&) = delete;
    void Step() { PcbApi_Percent_Update(); }
};

// Legalises the annealed places twice, legal-first and largest-first, and keeps the
// run that leaves fewer parts without room, then the shorter connections, then
// legal-first. Neither is better everywhere: large parts find room more often when
// they search first, crowded boards of small parts fill better around what is legal.
// A run that leaves more than `maxUnfit` parts without room (when not negative) gives
// up, as it cannot win. Answers false when no run finished (stopped, or both gave
// up); else `unfit` gets the parts without room and `length` the connection length.
template <class Stop>
bool Legalise(Layout& layout, const std::vector<int>& parts, Stop& stop, int maxUnfit, std::vector<int>& unfit,
              double& length) {
    const std::vector<PartState> annealedStates = layout.States;
    Phase phase("Removing overlaps ...", 2 * int(parts.size()));
    Legaliser legalFirst(layout, SettleOrder::LegalFirst);
    const bool first = legalFirst.Run(parts, stop, [&] { phase.Step(); }, maxUnfit);
    if (first) {
        unfit = legalFirst.Unfit();
        length = TotalLength(layout);
        maxUnfit = int(unfit.size());
    }
    const std::vector<PartState> legalFirstStates = layout.States;
    if (stop()) return first;
    layout.States = annealedStates;
    Legaliser largestFirst(layout, SettleOrder::LargestFirst);
    const bool second = largestFirst.Run(parts, stop, [&] { phase.Step(); }, maxUnfit);
    const double secondLength = TotalLength(layout);
    if (second && (!first || largestFirst.Unfit().size() < unfit.size() ||
                   (largestFirst.Unfit().size() == unfit.size() && secondLength < length))) {
        unfit = largestFirst.Unfit();
        length = secondLength;
    } else {
        layout.States = legalFirstStates;
        if (!first) return false;
    }
    // Parts left without room settle first in a third run; the others then look for
    // room around them. It wins only with fewer parts without room.
    if (unfit.empty() || stop()) return true;
    const std::vector<PartState> bestStates = layout.States;
    layout.States = annealedStates;
    Legaliser unfitFirst(layout, SettleOrder::LegalFirst);
    unfitFirst.SettleFirst(unfit);
    if (unfitFirst.Run(parts, stop, {}, int(unfit.size()) - 1)) {
        unfit = unfitFirst.Unfit();
        length = TotalLength(layout);
    } else {
        layout.States = bestStates;
    }
    return true;
}

// A part found at a slant keeps its angle while it finds room that way. When a round
// leaves some without room, they are straightened to the nearest right angle their
// rules permit where the spread put them, and the board is read anew from the
// spread: the answer is that model, with `layout` over it (its states the spread),
// for the rounds that follow. Parts keep their indices (the board's order); nil, and
// the board as it was, when nothing is straightened.
std::unique_ptr<PlacementModel> StraightenSlanted(Board& board, Layout& current,
                                                  const std::vector<PartState>& spreadStates,
                                                  const std::vector<int>& unfit, std::unique_ptr<Layout>& layout) {
    const PlacementModel& model = current.Model();
    std::vector<std::pair<Component*, double>> slanted;
    for (const int i : unfit) {
        Component* c = model.Parts[std::size_t(i)].component;
        if (const std::optional<double> straight = StraightRotation(board, *c)) slanted.push_back({c, *straight});
    }
    if (slanted.empty()) return nullptr;
    const std::vector<PartState> roundStates = current.States;
    current.States = spreadStates;
    WriteLayout(current);
    for (const auto& [c, straight] : slanted) c->SetRotation(straight);
    auto straightModel = std::make_unique<PlacementModel>(board);
    bool same = straightModel->Parts.size() == model.Parts.size();
    for (std::size_t i = 0; same && i < model.Parts.size(); ++i) {
        same = straightModel->Parts[i].component == model.Parts[i].component;
    }
    if (!same) {  // not expected: the parts are read in the board's order either way
        current.States = roundStates;
        WriteLayout(current);
        return nullptr;
    }
    layout = std::make_unique<Layout>(*straightModel);
    return straightModel;
}

}  // namespace

PlacementOutcome PlaceBoard(Board& board, const PlacerSettings& settings) {
    PlacementOutcome outcome;
    PlacementModel model(board);
    outcome.movable = model.MovableCount();
    if (outcome.movable == 0) return outcome;
    if (model.Outline().Empty()) {
        outcome.noOutline = true;
        if (settings.dialogs != nullptr) {
            settings.dialogs->MessageBox(kNoOutlineMessage, "Error", sdk::MessageBoxKind::Error);
        }
        return outcome;
    }

    bool stopped = false;
    bool restore = false;
    auto stop = [&]() {
        if (!stopped && settings.stopRequested && settings.stopRequested()) {
            const StopAnswer answer = AskToStop(settings.dialogs, false);
            stopped = answer.stop;
            restore = answer.restore;
        }
        return stopped;
    };

    Layout layout(model);
    outcome.lengthBefore = TotalLength(layout);
    std::mt19937_64 random(settings.seed);

    std::vector<int> homeless;
    {
        Phase phase("Spreading components ...", 1);
        homeless = SpreadParts(layout, random);
        WriteLayout(layout);
        phase.Step();
    }
    std::vector<int> annealed;
    for (int i = 0; i < int(model.Parts.size()); ++i) {
        if (model.Parts[std::size_t(i)].movable &&
            std::find(homeless.begin(), homeless.end(), i) == homeless.end()) {
            annealed.push_back(i);
        }
    }

    std::vector<int> all = annealed;
    all.insert(all.end(), homeless.begin(), homeless.end());
    std::vector<PartState> spreadStates = layout.States;
    std::vector<int> unfit;
    std::vector<PartState> bestStates;
    double bestLength = 0;
    // The rounds run on `current`: the layout over the board as found, or over the
    // spread with slanted parts straightened (see StraightenSlanted). `best` is the
    // layout the best round's states belong to.
    Layout* current = &layout;
    Layout* best = &layout;
    std::unique_ptr<PlacementModel> straightModel;
    std::unique_ptr<Layout> straightLayout;
    // A board that leaves parts without room is annealed and legalised again from the
    // same spread, with the generator running on, a few times when it is small: which
    // parts find room depends much on where annealing leaves them. The best round
    // (fewest parts without room, then the shortest connections, then the earliest) wins.
    const int rounds = 1 + std::min(kRetryRounds, kRetryParts / model.MovableCount());
    for (int round = 0; round < rounds && !stopped; ++round) {
        if (round > 0 && unfit.empty()) break;
        current->States = spreadStates;
        Annealer annealer(*current, annealed, random, settings.anneal);
        if (!stop()) {
            Phase phase("Annealing component positions ...", annealer.StepCount());
            annealer.Run(stop, [&] { phase.Step(); });
            WriteLayout(*current);
        }
        if (stopped) break;
        std::vector<int> roundUnfit;
        double length = 0;
        const bool finished = Legalise(*current, all, stop, round == 0 ? -1 : int(unfit.size()), roundUnfit, length);
        if (stopped) break;
        if (finished && (round == 0 || roundUnfit.size() < unfit.size() ||
                         (roundUnfit.size() == unfit.size() && length < bestLength))) {
            unfit = roundUnfit;
            bestStates = current->States;
            bestLength = length;
            best = current;
        }
        // The rounds left run with the slanted parts of this one's unfit straightened.
        if (finished && straightModel == nullptr && round + 1 < rounds) {
            straightModel = StraightenSlanted(board, *current, spreadStates, roundUnfit, straightLayout);
            if (straightModel != nullptr) {
                current = straightLayout.get();
                spreadStates = current->States;
            }
        }
    }
    if (!bestStates.empty()) best->States = bestStates;
    WriteLayout(*best);
    Layout& finalLayout = *best;

    if (!stopped) {
        // Parts without room stay parked; the others refine among themselves.
        std::vector<int> settled;
        for (const int i : annealed) {
            if (std::find(unfit.begin(), unfit.end(), i) == unfit.end()) settled.push_back(i);
        }
        for (const int i : homeless) {
            if (std::find(unfit.begin(), unfit.end(), i) == unfit.end()) settled.push_back(i);
        }
        Annealer refiner(finalLayout, settled, random, settings.anneal);
        Phase phase("Refining component positions ...", Annealer::kRefineSteps);
        refiner.Refine(stop, [&] { phase.Step(); });
        WriteLayout(finalLayout);
    }
    if (!stopped) {
        for (const int i : unfit) outcome.unfit.push_back(model.Parts[std::size_t(i)].component->Designator());
    }

    if (stopped && restore) {
        RestoreBoard(model);
        outcome.restored = true;
    }
    outcome.stopped = stopped;
    outcome.lengthAfter = outcome.restored ? outcome.lengthBefore : TotalLength(finalLayout);
    if (!outcome.restored) {
        for (Net* net : board.Nets()) board.AnalyzeNet(*net);
    }

    if (!outcome.unfit.empty() && settings.dialogs != nullptr) {
        std::string text = "The statistical placer found no room for:";
        for (const std::string& name : outcome.unfit) text += " " + name;
        settings.dialogs->MessageBox(text.c_str(), "Warning", sdk::MessageBoxKind::Warning);
    }
    return outcome;
}

}  // namespace hostpcb::statistical
