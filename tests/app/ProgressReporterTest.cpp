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
        app::ProgressReporter progress(out, false);
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
        app::ProgressReporter progress(out, true);
        progress.PercentInit("Scoring component pairs ...", 10);
        progress.PercentFinish();
    }
    const std::string text = out.str();
    EXPECT_NE(text.find("Scoring component pairs ..."), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");
}

}  // namespace
