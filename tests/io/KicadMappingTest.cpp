#include <gtest/gtest.h>

#include <cmath>

#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TestFiles.h"

namespace {

using hostpcb::Point;
using io::MmToHost;

// A four-layer KiCad 8 board: one inner power plane with a GND zone, a turned footprint
// on each side, a custom pad, a locked part and a rectangular outline.
const char* kFourLayerBoard = R"((kicad_pcb (version 20240108) (generator "pcbnew")
  (layers (0 "F.Cu" signal) (1 "In1.Cu" power) (2 "In2.Cu" signal) (31 "B.Cu" signal)
          (36 "B.SilkS" user "B.Silkscreen") (37 "F.SilkS" user "F.Silkscreen") (44 "Edge.Cuts" user)
          (46 "B.CrtYd" user "B.Courtyard") (47 "F.CrtYd" user "F.Courtyard"))
  (setup (grid_origin 12.7 25.4))
  (net 0 "") (net 1 "GND") (net 2 "VCC")
  (footprint "R:R_0603" (layer "F.Cu") (at 10 20 90)
    (property "Reference" "R1" (at 0 -1.5 90) (layer "F.SilkS"))
    (property "Value" "10k" (at 0 1.5 90) (layer "F.Fab"))
    (fp_line (start -1.5 -0.8) (end 1.5 -0.8) (stroke (width 0.05) (type solid)) (layer "F.CrtYd"))
    (fp_line (start 1.5 -0.8) (end 1.5 0.8) (stroke (width 0.05) (type solid)) (layer "F.CrtYd"))
    (fp_line (start 1.5 0.8) (end -1.5 0.8) (stroke (width 0.05) (type solid)) (layer "F.CrtYd"))
    (fp_line (start -1.5 0.8) (end -1.5 -0.8) (stroke (width 0.05) (type solid)) (layer "F.CrtYd"))
    (pad "1" smd rect (at 1 0 90) (size 0.9 1) (layers "F.Cu" "F.Paste" "F.Mask") (net 1 "GND"))
    (pad "2" smd roundrect (at -1 0 90) (size 0.9 1) (layers "F.Cu" "F.Paste" "F.Mask") (roundrect_rratio 0.25) (net 2 "VCC")))
  (footprint "C:C_0603" (layer "B.Cu") (at 30 20 90)
    (property "Reference" "C1" (at 0 1.5 90) (layer "B.SilkS"))
    (pad "1" smd rect (at 1 0 90) (size 0.9 1) (layers "B.Cu" "B.Paste" "B.Mask") (net 1 "GND"))
    (pad "2" smd custom (at -1 0.5 90) (size 0.5 0.5) (layers "B.Cu") (net 2 "VCC")
      (primitives (gr_poly (pts (xy 0 0) (xy 1 0) (xy 0 1)) (width 0) (fill yes)))))
  (footprint "J:Header" (locked yes) (layer "F.Cu") (at 50 30)
    (property "Reference" "J1" (at 0 -2 0) (layer "F.SilkS"))
    (pad "1" thru_hole circle (at 0 0) (size 1.7 1.7) (drill 1) (layers "*.Cu" "*.Mask") (net 1 "GND")))
  (gr_rect (start 0 0) (end 60 40) (stroke (width 0.1) (type solid)) (fill none) (layer "Edge.Cuts"))
  (zone (net 1) (net_name "GND") (layer "In1.Cu") (hatch edge 0.5)
    (polygon (pts (xy 0 0) (xy 60 0) (xy 60 40) (xy 0 40))))
)
)";

class KicadMappingTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("four.kicad_pcb");
        iotest::WriteFile(path_, kFourLayerBoard);
        loaded_ = io::LoadBoardFile(path_);
    }
    hostpcb::Board& board() { return *loaded_->board; }

    iotest::ScratchDir dir_;
    std::string path_;
    std::unique_ptr<io::LoadedBoard> loaded_;
};

TEST(UnitsTest, MillimetresBecomeHostUnitsWithYFlipped) {
    // 1.27 mm is 50 mil; the page origin sits 635 mm right of and 1905 mm above the host's.
    EXPECT_EQ(io::ToHost({0, 0}), (Point{250000000, 750000000}));
    EXPECT_EQ(io::ToHost({1.27, 0}), (Point{250500000, 750000000}));
    EXPECT_EQ(io::ToHost({25.4, 25.4}), (Point{260000000, 740000000}));
    // Further down the page is further down in the host too: smaller Y.
    EXPECT_GT(io::ToHost({0, 10}).y, io::ToHost({0, 11}).y);
    EXPECT_LT(io::ToHost({10, 0}).x, io::ToHost({11, 0}).x);
    // Every point of the largest normal page (A0 either way round), and parts parked
    // left of or above it, are positive and below the host's extent sentinel.
    for (const io::KPoint p : {io::KPoint{0, 0}, io::KPoint{1189, 841}, io::KPoint{841, 1189}, io::KPoint{-600, -600}}) {
        const Point h = io::ToHost(p);
        EXPECT_GT(h.x, 0);
        EXPECT_GT(h.y, 0);
        EXPECT_LT(h.x, 999990000);
        EXPECT_LT(h.y, 999990000);
    }
    // Back to millimetres within one host unit (2.54 nm).
    for (const io::KPoint p : {io::KPoint{123.456789, 98.7654321}, io::KPoint{-5.5, 0.0000001}}) {
        const io::KPoint back = io::ToKicad(io::ToHost(p));
        EXPECT_NEAR(back.x, p.x, 2.54e-6);
        EXPECT_NEAR(back.y, p.y, 2.54e-6);
    }
}

TEST_F(KicadMappingTest, PadsSitWhereTheTurnedFootprintPutsThem) {
    const hostpcb::Component* r1 = board().FindComponent("R1");
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(r1->Position(), io::ToHost({10, 20}));
    EXPECT_DOUBLE_EQ(r1->Rotation(), 90);
    EXPECT_EQ(r1->Layer(), PCB_TOP_LAYER);
    // Turning (1, 0) by 90 degrees counter-clockwise on screen points up the page.
    const hostpcb::Pad* p1 = r1->FindPad("1");
    const hostpcb::Pad* p2 = r1->FindPad("2");
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(p1->Position(), io::ToHost({10, 19}));
    EXPECT_EQ(p2->Position(), io::ToHost({10, 21}));
    EXPECT_GT(p1->Position().y, r1->Position().y);  // up the page is up in the host
    // The pad angle in the file already includes the footprint's turn.
    EXPECT_DOUBLE_EQ(p1->Geometry().rotation, 90);
    EXPECT_EQ(p1->Geometry().shape, hostpcb::PadShape::Rect);
    EXPECT_EQ(p1->Geometry().sizeX, MmToHost(0.9));
    EXPECT_EQ(p1->Geometry().sizeY, MmToHost(1));
    EXPECT_EQ(p2->Geometry().shape, hostpcb::PadShape::RoundedRect);
    EXPECT_EQ(p2->Geometry().cornerRadius, MmToHost(0.225));
    EXPECT_EQ(p1->Layer(), PCB_TOP_LAYER);
    EXPECT_EQ(p1->GetNet(), board().FindNet("GND"));
    EXPECT_EQ(r1->pattern, "R:R_0603");
    ASSERT_NE(r1->CommentText(), nullptr);
    EXPECT_EQ(r1->CommentText()->String(), "10k");
}

TEST_F(KicadMappingTest, BottomFootprintsAreMirroredComponents) {
    const hostpcb::Component* c1 = board().FindComponent("C1");
    ASSERT_NE(c1, nullptr);
    EXPECT_EQ(c1->Layer(), PCB_BOTTOM_LAYER);
    // The host builds a bottom part by mirroring about the vertical axis, KiCad about the
    // horizontal one: the same footprint is half a turn apart in the two.
    EXPECT_DOUBLE_EQ(c1->Rotation(), 270);
    const hostpcb::Pad* p1 = c1->FindPad("1");
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1->Position(), io::ToHost({30, 19}));
    EXPECT_EQ(p1->Layer(), PCB_BOTTOM_LAYER);
    // Custom pad: the outline keeps the pad frame with Y turned upward.
    const hostpcb::Pad* p2 = c1->FindPad("2");
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->Position(), io::ToHost({30.5, 21}));
    ASSERT_EQ(p2->Geometry().shape, hostpcb::PadShape::Custom);
    const std::vector<Point> expected{{0, 0}, {MmToHost(1), 0}, {0, -MmToHost(1)}};
    EXPECT_EQ(p2->Geometry().customOutline, expected);
}

TEST_F(KicadMappingTest, LockedPartsOutlineLayersAndPlanes) {
    const hostpcb::Component* j1 = board().FindComponent("J1");
    ASSERT_NE(j1, nullptr);
    EXPECT_FALSE(j1->moveable);
    EXPECT_TRUE(board().FindComponent("R1")->moveable);
    EXPECT_EQ(j1->FindPad("1")->Layer(), PCB_MULTI_LAYER);
    EXPECT_EQ(j1->FindPad("1")->Geometry().holeSize, MmToHost(1));

    // The Edge.Cuts rectangle: four keep-out tracks, corner to corner.
    std::vector<const hostpcb::Track*> outline;
    for (const hostpcb::Object* o : board().Objects(PCB_TRACK)) {
        if (o->Layer() == PCB_KEEP_OUT_LAYER) outline.push_back(static_cast<const hostpcb::Track*>(o));
    }
    ASSERT_EQ(outline.size(), 4u);
    EXPECT_EQ(outline[0]->Position(), io::ToHost({0, 0}));
    EXPECT_EQ(outline[0]->End(), io::ToHost({60, 0}));
    EXPECT_EQ(outline[0]->Width(), MmToHost(0.1));

    // Courtyard lines belong to the component and turn with it.
    int courtyard = 0;
    for (const hostpcb::Primitive* p : board().FindComponent("R1")->Children()) {
        if (p->Layer() == PCB_MECHANICAL_1 + 14) ++courtyard;
    }
    EXPECT_EQ(courtyard, 4);
    const hostpcb::Box box = board().FindComponent("R1")->Bounds();
    EXPECT_NEAR(box.y2 - box.y1, MmToHost(3.05), 2);  // 3 mm long, turned upright, plus the line width

    // In1.Cu is a power layer: an internal plane with the GND zone as a split plane.
    EXPECT_EQ(loaded_->mapping.planeLayers, 1);
    EXPECT_EQ(loaded_->mapping.copperLayers.at("In1.Cu"), PCB_INTERNAL_PLANE_1);
    EXPECT_EQ(loaded_->mapping.copperLayers.at("In2.Cu"), PCB_MID_LAYER_1);
    EXPECT_EQ(loaded_->mapping.copperLayers.at("B.Cu"), PCB_BOTTOM_LAYER);
    const std::vector<hostpcb::Object*> planes = board().Objects(PCB_SPLIT_PLANE);
    ASSERT_EQ(planes.size(), 1u);
    EXPECT_EQ(planes[0]->Layer(), PCB_INTERNAL_PLANE_1);
    EXPECT_EQ(planes[0]->GetNet(), board().FindNet("GND"));

    EXPECT_EQ(board().origin, io::ToHost({12.7, 25.4}));
    EXPECT_FALSE(board().imperial);
}

TEST_F(KicadMappingTest, ClearanceComesFromTheProjectFile) {
    // Without a project file: 0.2 mm.
    hostpcb::Rule* rule = nullptr;
    for (hostpcb::Rule* r : board().Rules()) {
        if (r->ruleKind == PCB_RULE_CLEARANCE) rule = r;
    }
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->gap, MmToHost(0.2));
    EXPECT_TRUE(rule->scope1.empty());

    iotest::WriteFile(dir_.file("four.kicad_pro"),
                      R"({"net_settings": {"classes": [{"name": "Power", "clearance": 0.5},
                                                        {"name": "Default", "clearance": 0.15}]}})");
    auto withProject = io::LoadBoardFile(path_);
    EXPECT_DOUBLE_EQ(withProject->clearance.clearanceMm, 0.15);
    for (hostpcb::Rule* r : withProject->board->Rules()) {
        if (r->ruleKind == PCB_RULE_CLEARANCE) {
            EXPECT_EQ(r->gap, MmToHost(0.15));
        }
    }

    iotest::WriteFile(dir_.file("four.kicad_pro"), "{ not json");
    auto broken = io::LoadBoardFile(path_);
    EXPECT_DOUBLE_EQ(broken->clearance.clearanceMm, 0.2);
    EXPECT_FALSE(broken->warnings.empty());
}

TEST(KicadMappingLegacyTest, KiCad5ModulesWithRenamedCopperLayers) {
    iotest::ScratchDir dir;
    const std::string path = dir.file("old.kicad_pcb");
    iotest::WriteFile(path, R"((kicad_pcb (version 20171130) (host pcbnew 5.1.4)
  (layers (0 Front signal) (31 Back signal) (44 Edge.Cuts user))
  (net 0 "") (net 1 GND)
  (net_class Default "default" (clearance 0.254) (add_net GND))
  (module R_0603 (layer Back) (tedit 0) (tstamp 0) (at 10 20 180)
    (fp_text reference R7 (at 0 1 180) (layer B.SilkS) (effects (font (size 1 1)) (justify mirror)))
    (fp_arc (start 0 0) (end 1 0) (angle 90) (layer B.SilkS) (width 0.1))
    (pad 1 smd rect (at 1 0 180) (size 0.9 1) (layers Back B.Paste) (net 1 GND)))
  (gr_circle (center 5 5) (end 7 5) (layer Edge.Cuts) (width 0.1)))
)");
    auto loaded = io::LoadBoardFile(path);
    const hostpcb::Component* r7 = loaded->board->FindComponent("R7");
    ASSERT_NE(r7, nullptr);
    EXPECT_EQ(r7->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(r7->FindPad("1")->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(r7->FindPad("1")->Position(), io::ToHost({9, 20}));
    EXPECT_DOUBLE_EQ(loaded->clearance.clearanceMm, 0.254);
    // The circular outline: one full keep-out arc.
    const std::vector<hostpcb::Object*> arcs = loaded->board->Objects(PCB_ARC);
    ASSERT_EQ(arcs.size(), 1u);
    const auto* arc = static_cast<const hostpcb::Arc*>(arcs[0]);
    EXPECT_EQ(arc->Layer(), PCB_KEEP_OUT_LAYER);
    EXPECT_EQ(arc->Radius(), MmToHost(2));
    EXPECT_DOUBLE_EQ(arc->EndAngle() - arc->StartAngle(), 360);
}

TEST(KicadMappingLegacyTest, ArcSweepFollowsTheFileFormat) {
    // The same quarter arc written the KiCad 5 way (centre, start, angle) and the KiCad 6
    // way (start, mid, end): from (1, 0) clockwise on screen to (0, 1) about the origin,
    // which in the host's Y-up frame runs from 270 to 360 degrees.
    auto old = io::SExprDocument::parse("(fp_arc (start 0 0) (end 1 0) (angle 90) (layer F.SilkS) (width 0.1))");
    auto now = io::SExprDocument::parse(
        "(fp_arc (start 1 0) (mid 0.70710678 0.70710678) (end 0 1) (stroke (width 0.1)) (layer \"F.SilkS\"))");
    for (io::SExprDocument* doc : {old.get(), now.get()}) {
        io::KShape arc;
        ASSERT_TRUE(io::ReadShape(doc->root(), arc));
        EXPECT_EQ(arc.kind, io::KShape::Kind::Arc);
        EXPECT_NEAR(arc.center.x, 0, 1e-6);
        EXPECT_NEAR(arc.center.y, 0, 1e-6);
        EXPECT_NEAR(arc.radius, 1, 1e-6);
        EXPECT_NEAR(arc.startAngle, 0, 1e-6);
        EXPECT_NEAR(arc.sweep, 90, 1e-6);
        EXPECT_NEAR(arc.end.x, 0, 1e-6);
        EXPECT_NEAR(arc.end.y, 1, 1e-6);
        EXPECT_DOUBLE_EQ(arc.width, 0.1);
    }
}

TEST(KicadMappingLegacyTest, NetsNamedOnlyInTheItems) {
    // Newer files drop the net table and name nets in pads, zones and tracks.
    auto board = io::KicadBoard::fromDocument(io::SExprDocument::parse(R"((kicad_pcb (version 20250114)
  (layers (0 "F.Cu" signal) (2 "B.Cu" signal))
  (footprint "R" (layer "B.Cu") (at 1 1)
    (pad "1" smd rect (at 0 0) (size 1 1) (layers "B.Cu") (net "VCC"))
    (pad "2" smd rect (at 1 0) (size 1 1) (layers "B.Cu") (net "GND")))
  (segment (start 0 0) (end 1 1) (width 0.2) (layer "B.Cu") (net "GND"))))"));
    ASSERT_EQ(board->nets().size(), 2u);
    EXPECT_EQ(board->nets()[0].name, "GND");
    EXPECT_EQ(board->nets()[1].name, "VCC");
    EXPECT_EQ(board->footprints()[0].pads[0].netName, "VCC");
    EXPECT_TRUE(board->footprints()[0].back);  // KiCad 9 numbers B.Cu 2
    EXPECT_EQ(board->copperOrder(), (std::vector<std::string>{"F.Cu", "B.Cu"}));
    ASSERT_EQ(board->routed().size(), 1u);
    EXPECT_EQ(board->netName(board->routed()[0].netNumber, board->routed()[0].netName), "GND");
}

}  // namespace
