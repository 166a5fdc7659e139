// A clock for the developer tools in bench/ that times named phases.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace devtools
