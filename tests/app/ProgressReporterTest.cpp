// The progress bar of "autoplacer place": what a line shows, silence off a
// terminal, and the time kept per phase for the report.
#include <gtest/gtest.h>

#include <sstream>

#include "app/ProgressReporter.h"

namespace {

TEST(ProgressBar, ShowsTextShareCountAndElapsedTime) {
    EXPECT_EQ(app::ProgressReporter::FormatBar("Clustering ...", 5, 20, 75.4, 8),
              "Clustering ... [##......] 5/20  1:15");
    // A phase without a total shows no bar; more steps than the total fill it.
    EXPECT_EQ(app::ProgressReporter::FormatBar("Sorting ...", 3, 0, 0.2, 8), "Sorting ...  0:00");
    EXPECT_EQ(app::ProgressReporter::FormatBar("Rooms ...", 9, 4, 1, 4), "Rooms ... [####] 4/4  0:01");
}

TEST(ProgressBar, QuietOffATerminalButPhasesAreKept) {
    std::ostringstream out;
    {
        app::ProgressReporter progress(out, app::ProgressReporter::Style::Quiet);
        progress.PercentInit("Making absolute placements ...", 3);
        progress.PercentUpdate();
        progress.PercentUpdate();
        progress.PercentFinish();
        progress.PercentInit("Sorting clusters ...", 1);
        progress.PercentFinish();
        progress.PercentInit("Making absolute placements ...", 2);
        progress.PercentUpdate();  // left open: closed when asked for the phases
        const auto& phases = progress.Phases();
        ASSERT_EQ(phases.size(), 2u);
        EXPECT_EQ(phases[0].Text, "Making absolute placements ...");
        EXPECT_EQ(phases[0].Runs, 2);
        EXPECT_EQ(phases[0].Steps, 3);
        EXPECT_GE(phases[0].Seconds, 0.0);
        EXPECT_EQ(phases[1].Text, "Sorting clusters ...");
        // Updates outside a phase count nowhere.
        progress.PercentUpdate();
        EXPECT_EQ(progress.Phases()[0].Steps, 3);
    }
    EXPECT_TRUE(out.str().empty());
}

TEST(ProgressBar, DrawsOnOneLineAndClearsItAtTheEnd) {
    std::ostringstream out;
    {
        app::ProgressReporter progress(out, app::ProgressReporter::Style::Bar);
        progress.PercentInit("Scoring component pairs ...", 10);
        progress.PercentFinish();
    }
    const std::string text = out.str();
    EXPECT_NE(text.find("Scoring component pairs ..."), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");
}

TEST(ProgressBar, LinesForAProgramOnePerPhaseChange) {
    EXPECT_EQ(app::ProgressReporter::FormatLine("Clustering ...", 5, 20), "progress 5/20 Clustering ...");
    EXPECT_EQ(app::ProgressReporter::FormatLine("Rooms ...", 9, 4), "progress 4/4 Rooms ...");
    EXPECT_EQ(app::ProgressReporter::FormatLine("Sorting ...", 0, 0), "progress 0/0 Sorting ...");
    std::ostringstream out;
    {
        app::ProgressReporter progress(out, app::ProgressReporter::Style::Lines);
        progress.PercentInit("Scoring component pairs ...", 2);
        progress.PercentUpdate();  // within the redraw interval: not shown
        progress.PercentUpdate();
        progress.PercentFinish();
    }
    // Start and finish are always shown, every line whole, nothing to clear.
    EXPECT_EQ(out.str(), "progress 0/2 Scoring component pairs ...\nprogress 2/2 Scoring component pairs ...\n");
}

}  // namespace
