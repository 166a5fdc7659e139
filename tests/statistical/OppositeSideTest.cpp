// On the other side of the board only a through-hole part's pads are in the way, as
// KiCad's check finds a hole inside a courtyard: a small part fits under the body of
// a connector or an axial part, but never over its pads; on its own side the whole
// part is in the way.
#include "StatisticalFixture.h"

#include "hostpcb/statistical/Layout.h"
#include "hostpcb/statistical/PlacementModel.h"

namespace statistical_test {
namespace {

class OppositeSideTest : public StatisticalTest {
protected:
    // An 18 x 4 mm board holding an axial part with leads 15 mm apart (its box fills
    // the board but for 0.7 mm at each end) and one 0805 chip parked off the board on
    // the given side.
    void BuildAxialBoard(hostpcb::LayerNumber chipSide) {
        BoardBuilder b(*board);
        b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(118), MmToUnits(104));
        b.Axial("R1", MmToUnits(15), Mm(109, 102));
        b.Chip("C1", "0805", Mm(80, 102), 0, chipSide);
        b.Connect("A", {"R1.1", "C1.1"});
        SetGaps(0.2, 0.1);
    }
    const Component& Find(const char* name) { return *board->FindComponent(name); }
};

TEST_F(OppositeSideTest, APartFitsUnderTheBodyOfAThroughHolePartButNotOverItsPads) {
    BuildAxialBoard(PCB_BOTTOM_LAYER);
    // The leads' copper keeps the copper clearance, wider than the component gap.
    BoardBuilder(*board).Clearance(MmToUnits(0.6));
    const auto outcome = Place();
    ASSERT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    const Component& chip = Find("C1");
    EXPECT_EQ(chip.Layer(), PCB_BOTTOM_LAYER);
    const Box within{MmToUnits(100), MmToUnits(100), MmToUnits(118), MmToUnits(104)};
    const Box chipBox = chip.Bounds();
    EXPECT_TRUE(chipBox.x1 >= within.x1 && chipBox.x2 <= within.x2 && chipBox.y1 >= within.y1 &&
                chipBox.y2 <= within.y2);
    // Under the axial part's body, clear of both leads by the copper clearance.
    for (const hostpcb::Primitive* p : Find("R1").Children()) {
        if (p->Kind() != hostpcb::ObjectKind::Pad) continue;
        const Box pad = p->Bounds();
        const double apart = std::max(std::max(double(pad.x1) - chipBox.x2, double(chipBox.x1) - pad.x2),
                                      std::max(double(pad.y1) - chipBox.y2, double(chipBox.y1) - pad.y2));
        EXPECT_GE(apart, MmToUnits(0.6)) << "the chip comes too near a lead";
    }
}

TEST_F(OppositeSideTest, ALeadKeepsTheCopperClearanceFromAPartOnTheOtherSide) {
    BuildAxialBoard(PCB_BOTTOM_LAYER);
    // As on a KiCad board: courtyards may touch, copper keeps its clearance.
    BoardBuilder(*board).ComponentClearance(0, 1);
    BoardBuilder(*board).Clearance(MmToUnits(0.6));
    const hostpcb::statistical::PlacementModel model(*board);
    hostpcb::statistical::Layout layout(model);
    int axial = -1, chip = -1;
    for (int i = 0; i < int(model.Parts.size()); ++i) {
        (model.Parts[std::size_t(i)].component->Designator() == "R1" ? axial : chip) = i;
    }
    ASSERT_GE(axial, 0);
    ASSERT_GE(chip, 0);
    // Lead 1's box; the chip's box put left of it, `apart` away, level with it.
    const Box lead = hostpcb::statistical::Translated(model.Parts[std::size_t(axial)].throughPads.front(),
                                                      layout.States[std::size_t(axial)].origin);
    const auto overlapAt = [&](Coord apart) {
        hostpcb::statistical::PartState state = layout.States[std::size_t(chip)];
        const Box now = layout.BoxAt(chip, state);
        state.origin.x += lead.x1 - apart - now.x2;
        state.origin.y += (lead.y1 + lead.y2) / 2 - (now.y1 + now.y2) / 2;
        return layout.GapOverlapAt(chip, state, layout.BoxAt(chip, state), axial, layout.States[std::size_t(axial)],
                                   layout.BoxOf(axial));
    };
    EXPECT_GT(overlapAt(MmToUnits(0.4)), 0.0);  // within the clearance, beyond the component gap
    EXPECT_EQ(overlapAt(MmToUnits(0.7)), 0.0);
}

// A locked copper logo drawn on the bottom face of a top footprint over the left 12 mm
// of the board; a bottom chip tied to a test point at the left end must still stay off
// the logo's copper, by the copper clearance, not merely off its lines.
TEST_F(OppositeSideTest, CopperDrawnOnTheFarFaceKeepsPartsOnThatSideOffAllOfIt) {
    BoardBuilder b(*board);
    b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(118), MmToUnits(104));
    Component& logo = board->AddComponent("G1", "LOGO", Mm(106, 102), 0, PCB_TOP_LAYER);
    const Point corners[] = {Mm(100.5, 100.5), Mm(112, 100.5), Mm(112, 103.5), Mm(100.5, 103.5)};
    for (int i = 0; i < 4; ++i) {
        board->AddTrack(&logo, corners[i], corners[(i + 1) % 4], MmToUnits(0.2), PCB_BOTTOM_LAYER);
    }
    logo.moveable = false;
    b.Chip("TP1", "0805", Mm(101.5, 102)).moveable = false;
    b.Chip("C1", "0805", Mm(80, 102), 0, PCB_BOTTOM_LAYER);
    b.Connect("A", {"TP1.1", "C1.1"});
    SetGaps(0.2, 0.1);
    BoardBuilder(*board).Clearance(MmToUnits(0.3));
    const auto outcome = Place();
    ASSERT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    const Box chip = Find("C1").Bounds();
    EXPECT_GE(double(chip.x1) - MmToUnits(112.1), MmToUnits(0.3)) << "the chip lies on the logo's copper";
}

TEST_F(OppositeSideTest, OnItsOwnSideTheWholeThroughHolePartIsInTheWay) {
    BuildAxialBoard(PCB_TOP_LAYER);
    const auto outcome = Place();
    EXPECT_EQ(outcome.unfit, std::vector<std::string>{"C1"});
}

}  // namespace
}  // namespace statistical_test
