// Progress of a long plug-in command as the host shows it: on a terminal a
// one-line bar with the phase text, the count and the elapsed time; for a
// program reading the output, one "progress DONE/TOTAL TEXT" line per change;
// otherwise nothing. Either way it keeps how long each phase took, for the
// report at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "hostpcb/Interaction.h"

namespace app {

class ProgressReporter final : public hostpcb::ProgressSink {
public:
    enum class Style {
        Quiet,  // nothing shown
        Bar,    // the bar, redrawn on one terminal line
        Lines,  // a line per change, for a program that reads them
    };
    // The caller decides the style (whether out is a terminal, say).
    ProgressReporter(std::ostream& out, Style style);
    ~ProgressReporter() override;
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    void PercentInit(const std::string& text, int32_t total) override;
    void PercentUpdate() override;
    void PercentFinish() override;

    // Takes the bar off its line (on a terminal), so that other output starts
    // on a clean line; the next progress draws it again.
    void Clear();

    // Time spent per phase text, in the order the phases first appeared; a text
    // shown several times (one phase per cluster, say) adds up.
    struct Phase {
        std::string Text;
        double Seconds = 0;
        int32_t Runs = 0;
        int64_t Steps = 0;
    };
    // Closes a phase still open.
    const std::vector<Phase>& Phases();

    // The bar for a phase: text, filled share, count and elapsed time (width in characters).
    static std::string FormatBar(const std::string& text, int64_t done, int32_t total, double elapsedSeconds,
                                 int width);
    // The line for a phase in the Lines style (no newline).
    static std::string FormatLine(const std::string& text, int64_t done, int32_t total);

private:
    using Clock = std::chrono::steady_clock;
    void CloseOpenPhase();
    void Draw(bool force);

    std::ostream& Out;
    Style Shown;
    std::vector<Phase> Recorded;
    bool Open = false;
    std::string Text;
    int32_t Total = 0;
    int64_t Done = 0;
    Clock::time_point PhaseStart;
    Clock::time_point RunStart;
    Clock::time_point LastDrawn;
    bool Drawn = false;
};

}  // namespace app
