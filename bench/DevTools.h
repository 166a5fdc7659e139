// Helpers of the developer tools in bench/: a clock that times named phases,
// and the components in the order a placement run hands them to clustering.
#pragma once

#include <chrono>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "clustering/PreClusterAnalyzer.h"
#include "hostpcb/Board.h"

namespace devtools {

class PhaseClock {
public:
    // Runs the work and keeps its wall time under the name; returns the seconds.
    template <typename Work>
    double Time(const std::string& name, Work work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        Phases.emplace_back(name, seconds.count());
        return seconds.count();
    }
    std::vector<std::pair<std::string, double>> Phases;
};

// Every component of the board, by designator in descending byte order: the
// order in which a placement run hands them to cluster formation.
inline autoplacer::THandleList ComponentsByDesignator(const hostpcb::Board& board) {
    autoplacer::THandleList components;
    std::unordered_map<PcbHandle, std::string> names;
    for (const hostpcb::Component* component : board.Components()) {
        components.Add(component->Handle());
        names[component->Handle()] = component->Designator();
    }
    components.Sort([&names](PcbHandle a, PcbHandle b) {
        const std::string& da = names[a];
        const std::string& db = names[b];
        return da == db ? 0 : (da > db ? -1 : 1);
    });
    return components;
}

}  // namespace devtools
