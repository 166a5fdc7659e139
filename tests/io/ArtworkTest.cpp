// Artwork (a footprint with neither pads nor courtyard: a logo, a drawing on the
// fabrication layer) has no placement shape: KiCad's checks pass it over, both
// placers leave it where it was drawn, and it takes no room from the parts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Metrics.h"
#include "hostpcb/Host.h"
#include "hostpcb/PlacementShape.h"
#include "hostpcb/statistical/StatisticalPlacer.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TextBoardFixture.h"

namespace {

// A 10 x 10 mm board with an 8 x 8 mm silkscreen logo in its middle, a drawing on the
// fabrication layer, a test point without courtyard, and a copper logo and a resistor
// parked off the board. The logo leaves a ring of 1 mm, too narrow for the resistor's courtyard.
const char* kBoardWithLogo = R"((kicad_pcb (version 20211014) (generator "pcbnew")
  (layers (0 "F.Cu" signal) (31 "B.Cu" signal) (37 "F.SilkS" user "F.Silkscreen") (44 "Edge.Cuts" user)
          (47 "F.CrtYd" user "F.Courtyard") (49 "F.Fab" user "F.Fab"))
  (net 0 "") (net 1 "A")
  (footprint "Logos:Big_Logo" (layer "F.Cu") (at 5 5)
    (fp_text reference "LOGO1" (at 0 0) (layer "F.SilkS") hide)
    (fp_poly (pts (xy -4 -4) (xy 4 -4) (xy 4 4) (xy -4 4)) (layer "F.SilkS") (width 0.1) (fill solid)))
  (footprint "Logos:Copper_Logo" (layer "F.Cu") (at 30 12)
    (fp_text reference "LOGO2" (at 0 0) (layer "F.SilkS") hide)
    (fp_poly (pts (xy -1 -1) (xy 1 -1) (xy 1 1) (xy -1 1)) (layer "F.Cu") (width 0.1) (fill solid)))
  (footprint "Docs:Frame" (layer "F.Cu") (at 5 5)
    (fp_text reference "DOC1" (at 0 0) (layer "F.Fab") hide)
    (fp_line (start -4.5 -4.5) (end 4.5 -4.5) (layer "F.Fab") (width 0.1))
    (fp_line (start 4.5 -4.5) (end 4.5 4.5) (layer "F.Fab") (width 0.1)))
  (footprint "TestPoint:Pad_1mm" (layer "F.Cu") (at 30 5)
    (fp_text reference "TP1" (at 0 -1.5) (layer "F.SilkS"))
    (fp_circle (center 0 0) (end 0.8 0) (layer "F.SilkS") (width 0.1))
    (pad "1" smd circle (at 0 0) (size 1 1) (layers "F.Cu" "F.Mask") (net 1 "A")))
  (footprint "R:R_0603" (layer "F.Cu") (at 30 20)
    (fp_text reference "R1" (at 0 -1.5) (layer "F.SilkS"))
    (fp_line (start -1.5 -0.8) (end 1.5 -0.8) (layer "F.CrtYd") (width 0.05))
    (fp_line (start 1.5 -0.8) (end 1.5 0.8) (layer "F.CrtYd") (width 0.05))
    (fp_line (start 1.5 0.8) (end -1.5 0.8) (layer "F.CrtYd") (width 0.05))
    (fp_line (start -1.5 0.8) (end -1.5 -0.8) (layer "F.CrtYd") (width 0.05))
    (pad "1" smd rect (at 0.8 0) (size 0.8 0.9) (layers "F.Cu" "F.Paste" "F.Mask") (net 1 "A"))
    (pad "2" smd rect (at -0.8 0) (size 0.8 0.9) (layers "F.Cu" "F.Paste" "F.Mask")))
  (gr_rect (start 0 0) (end 10 10) (layer "Edge.Cuts") (width 0.1))
)
)";

class Artwork : public iotest::TextBoardTest {
protected:
    void SetUp() override { Load("logo.kicad_pcb", kBoardWithLogo); }
};

TEST_F(Artwork, HasNoPlacementShapeWhilePartsWithPadsKeepTheirs) {
    EXPECT_FALSE(hostpcb::HasExtent(part("LOGO1")));
    EXPECT_FALSE(hostpcb::HasExtent(part("DOC1")));
    // Without a courtyard a part with pads is judged by its drawing and its pads.
    EXPECT_TRUE(hostpcb::HasExtent(part("TP1")));
    EXPECT_TRUE(hostpcb::HasExtent(part("R1")));
    // Copper is never passed over: a pad on it would short.
    EXPECT_TRUE(hostpcb::HasExtent(part("LOGO2")));

    for (const app::ComponentExtent& e : app::ComponentExtents(board())) {
        const std::string name = e.component->Designator();
        EXPECT_EQ(e.artwork, name == "LOGO1" || name == "DOC1") << name;
        EXPECT_EQ(e.Judged(), name == "TP1" || name == "R1" || name == "LOGO2") << name;
    }
}

TEST_F(Artwork, StaysWhereItWasDrawnAndLeavesItsRoomToTheParts) {
    const hostpcb::Point logoAt = part("LOGO1").Position();
    hostpcb::statistical::PlacerSettings settings;
    settings.seed = 1;
    const hostpcb::statistical::PlacementOutcome outcome = hostpcb::statistical::PlaceBoard(board(), settings);
    EXPECT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    EXPECT_EQ(part("LOGO1").Position(), logoAt);

    // The resistor and the test point now lie over the logo: no conflict for KiCad,
    // and none in the report.
    const app::BoardMetrics metrics = app::MeasureBoard(board());
    EXPECT_EQ(metrics.overlappingPairs, 0);
    EXPECT_EQ(metrics.outsideOutline, 0);
    const hostpcb::Point r1 = part("R1").Position();
    EXPECT_LT(std::abs(r1.x - logoAt.x), io::MmToHost(4));
    EXPECT_LT(std::abs(r1.y - logoAt.y), io::MmToHost(4));
}

}  // namespace
