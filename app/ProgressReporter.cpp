#include "app/ProgressReporter.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace app {

namespace {

constexpr int kBarWidth = 24;
// Redrawing more often than this only costs time.
constexpr std::chrono::milliseconds kRedrawInterval(100);

std::string Elapsed(double seconds) {
    const int whole = static_cast<int>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

}  // namespace

ProgressReporter::ProgressReporter(std::ostream& out, Style style)
    : Out(out), Shown(style), RunStart(Clock::now()) {}

ProgressReporter::~ProgressReporter() { Clear(); }

void ProgressReporter::Clear() {
    if (Drawn) {
        Out << "\r\033[K" << std::flush;
        Drawn = false;
    }
}

std::string ProgressReporter::FormatBar(const std::string& text, int64_t done, int32_t total, double elapsedSeconds,
                                        int width) {
    std::string line = text;
    if (total > 0) {
        const int64_t shown = std::clamp<int64_t>(done, 0, total);
        const int filled = static_cast<int>(shown * width / total);
        line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(width - filled), '.') + "] " + std::to_string(shown) + "/" +
                std::to_string(total);
    }
    return line + "  " + Elapsed(elapsedSeconds);
}

std::string ProgressReporter::FormatLine(const std::string& text, int64_t done, int32_t total) {
    const int64_t shown = total > 0 ? std::clamp<int64_t>(done, 0, total) : done;
    return "progress " + std::to_string(shown) + "/" + std::to_string(total) + " " + text;
}

void ProgressReporter::PercentInit(const std::string& text, int32_t total) {
    CloseOpenPhase();
    Open = true;
    Text = text;
    Total = total;
    Done = 0;
    PhaseStart = Clock::now();
    auto phase = std::find_if(Recorded.begin(), Recorded.end(), [&](const Phase& p) { return p.Text == text; });
    if (phase == Recorded.end()) {
        Recorded.push_back(Phase{text, 0, 0, 0});
        phase = Recorded.end() - 1;
    }
    ++phase->Runs;
    Draw(true);
}

void ProgressReporter::PercentUpdate() {
    if (!Open) {
        return;
    }
    ++Done;
    Draw(false);
}

void ProgressReporter::PercentFinish() { CloseOpenPhase(); }

void ProgressReporter::CloseOpenPhase() {
    if (!Open) {
        return;
    }
    Open = false;
    const std::chrono::duration<double> spent = Clock::now() - PhaseStart;
    for (Phase& phase : Recorded) {
        if (phase.Text == Text) {
            phase.Seconds += spent.count();
            phase.Steps += Done;
        }
    }
    Draw(true);
}

const std::vector<ProgressReporter::Phase>& ProgressReporter::Phases() {
    CloseOpenPhase();
    return Recorded;
}

void ProgressReporter::Draw(bool force) {
    if (Shown == Style::Quiet) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (!force && (Drawn || Shown == Style::Lines) && now - LastDrawn < kRedrawInterval) {
        return;
    }
    LastDrawn = now;
    if (Shown == Style::Lines) {
        Out << FormatLine(Text, Done, Total) << '\n' << std::flush;
        return;
    }
    Drawn = true;
    const std::chrono::duration<double> elapsed = now - RunStart;
    Out << "\r\033[K" << FormatBar(Text, Done, Total, elapsed.count(), kBarWidth) << std::flush;
}

}  // namespace app
