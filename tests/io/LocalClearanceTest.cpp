// A KiCad pad or footprint may set its own copper clearance, wider than the net
// class's. The reader keeps it on the host pad, and the statistical placer keeps
// parts without courtyard that far apart, so that KiCad finds no clearance violation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "hostpcb/Host.h"
#include "hostpcb/statistical/StatisticalPlacer.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TextBoardFixture.h"

namespace {

// An 8 x 2 mm board and four 1 mm test points without courtyard on one net, parked
// off the board: TP1 and TP2 set a pad clearance of 0.5 mm, TP3's footprint sets
// 0.5 mm for its pad, TP4 sets none. The net class asks 0.2 mm. Kept 0.5 mm apart
// the four just fit in a row.
const char* kTestPoints = R"((kicad_pcb (version 20211014) (generator "pcbnew")
  (layers (0 "F.Cu" signal) (31 "B.Cu" signal) (37 "F.SilkS" user "F.Silkscreen") (44 "Edge.Cuts" user))
  (net 0 "") (net 1 "A")
  (net_class "Default" "" (clearance 0.2) (trace_width 0.25) (add_net "A"))
  (footprint "TP" (layer "F.Cu") (at 30 1)
    (fp_text reference "TP1" (at 0 0) (layer "F.SilkS") hide)
    (pad "1" smd circle (at 0 0) (size 1 1) (layers "F.Cu" "F.Mask") (net 1 "A") (clearance 0.5)))
  (footprint "TP" (layer "F.Cu") (at 33 1)
    (fp_text reference "TP2" (at 0 0) (layer "F.SilkS") hide)
    (pad "1" smd circle (at 0 0) (size 1 1) (layers "F.Cu" "F.Mask") (net 1 "A") (clearance 0.5)))
  (footprint "TP" (layer "F.Cu") (at 36 1) (clearance 0.5)
    (fp_text reference "TP3" (at 0 0) (layer "F.SilkS") hide)
    (pad "1" smd circle (at 0 0) (size 1 1) (layers "F.Cu" "F.Mask") (net 1 "A")))
  (footprint "TP" (layer "F.Cu") (at 39 1)
    (fp_text reference "TP4" (at 0 0) (layer "F.SilkS") hide)
    (pad "1" smd circle (at 0 0) (size 1 1) (layers "F.Cu" "F.Mask") (net 1 "A")))
  (gr_rect (start 0 0) (end 8 2) (layer "Edge.Cuts") (width 0.1))
)
)";

class LocalClearance : public iotest::TextBoardTest {
protected:
    void SetUp() override { Load("testpoints.kicad_pcb", kTestPoints); }
    const hostpcb::Pad& pad(const char* name) { return *part(name).Pads().front(); }
};

TEST_F(LocalClearance, APadsOwnClearanceOrElseItsFootprintsReachesTheHostPad) {
    EXPECT_EQ(pad("TP1").localClearance, io::MmToHost(0.5));
    EXPECT_EQ(pad("TP3").localClearance, io::MmToHost(0.5));
    EXPECT_EQ(pad("TP4").localClearance, 0);
}

TEST_F(LocalClearance, TheStatisticalPlacerKeepsTestPointsThatFarApart) {
    hostpcb::statistical::PlacerSettings settings;
    settings.seed = 1;
    const hostpcb::statistical::PlacementOutcome outcome =
        hostpcb::statistical::PlaceBoard(board(), settings);
    ASSERT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    const char* names[] = {"TP1", "TP2", "TP3", "TP4"};
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const hostpcb::Point a = pad(names[i]).Position();
            const hostpcb::Point b = pad(names[j]).Position();
            // Round pads of 1 mm: the copper between them is the centres' distance less
            // 1 mm. KiCad asks the wider of the two clearances, 0.5 mm in every pair.
            const double copper = std::hypot(double(a.x) - b.x, double(a.y) - b.y) - io::MmToHost(1.0);
            EXPECT_GE(copper, io::MmToHost(0.5) - 2) << names[i] << " and " << names[j];
        }
    }
}

}  // namespace
