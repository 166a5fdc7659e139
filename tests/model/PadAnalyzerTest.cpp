// Pad patterns of real footprints from the board builder and of hand-placed pads.
#include <gtest/gtest.h>

#include <vector>

#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "model/PadAnalyzer.h"

namespace autoplacer {
namespace {

using hostpcb::MilsToUnits;

class PadPattern : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("pads.kicad_pcb");
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }

    hostpcb::Point At(double xMils, double yMils) { return {MilsToUnits(xMils), MilsToUnits(yMils)}; }

    // A part with a pad at each point (mils from the origin at 1000, 1000).
    PcbHandle PadsAt(const char* designator, const std::vector<std::pair<double, double>>& points) {
        hostpcb::Component& c = board->AddComponent(designator, "CUSTOM", At(1000, 1000));
        hostpcb::PadGeometry geometry;
        geometry.sizeX = geometry.sizeY = MilsToUnits(20);
        int pin = 1;
        for (const auto& [x, y] : points) {
            board->AddPad(&c, std::to_string(pin++), At(1000 + x, 1000 + y), geometry, PCB_TOP_LAYER);
        }
        return c.Handle();
    }
    // Two rows (or columns) of n pads, 50 mil pitch, 300 mil apart.
    PcbHandle DualRow(const char* designator, int n, bool horizontal) {
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < n; ++i) {
            for (const double row : {0.0, 300.0}) {
                points.emplace_back(horizontal ? i * 50.0 : row, horizontal ? row : i * 50.0);
            }
        }
        return PadsAt(designator, points);
    }

    hostpcb::Board* board = nullptr;
};

TEST_F(PadPattern, DualRowPartsByTheDirectionOfTheirRows) {
    EXPECT_EQ(AnalyzePadPattern(DualRow("U1", 6, true)), kPadPatternRows);
    EXPECT_EQ(AnalyzePadPattern(DualRow("U2", 6, false)), kPadPatternColumns);

    TPadAnalyzer analyzer;
    EXPECT_EQ(analyzer.Analyze(DualRow("U3", 6, true)), kPadPatternRows);
    EXPECT_EQ(analyzer.RowEdgePads, 12);
    EXPECT_EQ(analyzer.ColumnEdgePads, 4);  // the end pads of both rows
    EXPECT_EQ(analyzer.PadExtent, Rect(MilsToUnits(1000), MilsToUnits(1300), MilsToUnits(1250), MilsToUnits(1000)));
    EXPECT_TRUE(analyzer.Pads.empty());
}

TEST_F(PadPattern, FourPadsOnAnEdgePairAreNotEnough) {
    // 2 x 2 pads per row: four on the rows and four on the columns.
    EXPECT_EQ(AnalyzePadPattern(DualRow("U1", 2, true)), kPadPatternOther);
    // Five in a single row: all five on both row edges, only the two ends on the columns.
    TPadAnalyzer analyzer;
    EXPECT_EQ(analyzer.Analyze(PadsAt("J1", {{0, 0}, {100, 0}, {200, 0}, {300, 0}, {400, 0}})), kPadPatternRows);
    EXPECT_EQ(analyzer.RowEdgePads, 5);
    EXPECT_EQ(analyzer.ColumnEdgePads, 2);
    // Four in a row stay below the threshold.
    EXPECT_EQ(AnalyzePadPattern(PadsAt("J2", {{0, 0}, {100, 0}, {200, 0}, {300, 0}})), kPadPatternOther);
}

TEST_F(PadPattern, BuilderFootprintsTurnWithTheirPads) {
    hostpcb::BoardBuilder build(*board);
    // The SOIC's pins stand in two columns; a quarter turn lays them in rows.
    EXPECT_EQ(AnalyzePadPattern(build.Soic("U1", 14, At(500, 500)).Handle()), kPadPatternColumns);
    EXPECT_EQ(AnalyzePadPattern(build.Soic("U2", 14, At(1500, 500), 90).Handle()), kPadPatternRows);
    EXPECT_EQ(AnalyzePadPattern(build.Qfp("U3", 32, At(2500, 500)).Handle()), kPadPatternFourSided);
    EXPECT_EQ(AnalyzePadPattern(build.Qfp("U4", 64, At(3500, 500), 270).Handle()), kPadPatternFourSided);
    EXPECT_EQ(AnalyzePadPattern(build.Chip("R1", "0603", At(500, 1500)).Handle()), kPadPatternOther);
    // A single-row header stands upright: all six pads on both column edges.
    EXPECT_EQ(AnalyzePadPattern(build.Header("J1", 6, 1, At(1500, 1500)).Handle()), kPadPatternColumns);
}

TEST_F(PadPattern, WithoutPadsTheExtentStaysAndTheResultIsOther) {
    TPadAnalyzer analyzer;
    EXPECT_EQ(analyzer.PadExtent, Rect(0, 0, 0, 0));
    analyzer.Analyze(DualRow("U1", 6, true));
    const TRect extent = analyzer.PadExtent;
    const PcbHandle empty = PadsAt("MH1", {});
    EXPECT_EQ(analyzer.Analyze(empty), kPadPatternOther);
    EXPECT_EQ(analyzer.Component, empty);
    EXPECT_EQ(analyzer.PadExtent, extent);
    EXPECT_EQ(analyzer.RowEdgePads, 0);
    EXPECT_EQ(analyzer.ColumnEdgePads, 0);
}

}  // namespace
}  // namespace autoplacer
