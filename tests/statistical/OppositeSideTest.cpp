// On the other side of the board only a through-hole part's pads are in the way, as
// KiCad's check finds a hole inside a courtyard: a small part fits under the body of
// a connector or an axial part, but never over its pads; on its own side the whole
// part is in the way.
#include "StatisticalFixture.h"

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
    const auto outcome = Place();
    ASSERT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    const Component& chip = Find("C1");
    EXPECT_EQ(chip.Layer(), PCB_BOTTOM_LAYER);
    const Box within{MmToUnits(100), MmToUnits(100), MmToUnits(118), MmToUnits(104)};
    const Box chipBox = chip.Bounds();
    EXPECT_TRUE(chipBox.x1 >= within.x1 && chipBox.x2 <= within.x2 && chipBox.y1 >= within.y1 &&
                chipBox.y2 <= within.y2);
    // Under the axial part's body, clear of both leads by the component gap.
    for (const hostpcb::Primitive* p : Find("R1").Children()) {
        if (p->Kind() != hostpcb::ObjectKind::Pad) continue;
        const Box pad = p->Bounds();
        const double apart = std::max(std::max(double(pad.x1) - chipBox.x2, double(chipBox.x1) - pad.x2),
                                      std::max(double(pad.y1) - chipBox.y2, double(chipBox.y1) - pad.y2));
        EXPECT_GE(apart, MmToUnits(0.2)) << "the chip meets a lead";
    }
}

TEST_F(OppositeSideTest, OnItsOwnSideTheWholeThroughHolePartIsInTheWay) {
    BuildAxialBoard(PCB_TOP_LAYER);
    const auto outcome = Place();
    EXPECT_EQ(outcome.unfit, std::vector<std::string>{"C1"});
}

}  // namespace
}  // namespace statistical_test
