// The shapes the statistical placer judges parts by: a slanted courtyard leaves the
// corners of its box free, a pad reaching out of its courtyard stays covered, and
// small parts settle into the corners a slanted part leaves.
#include "StatisticalFixture.h"

#include "bench/LegalityJudge.h"
#include "hostpcb/Courtyard.h"
#include "hostpcb/statistical/PlacementModel.h"

namespace statistical_test {
namespace {

class PartShapeTest : public StatisticalTest {
protected:
    // A part whose courtyard is a square turned by 45 degrees (a diamond reaching
    // `half` from its centre along each axis), with one pad at the centre.
    Component& Diamond(const std::string& name, Point at, Coord half) {
        Component& c = board->AddComponent(name, "QFN-turned", at);
        const Point corners[] = {{at.x + half, at.y}, {at.x, at.y + half}, {at.x - half, at.y}, {at.x, at.y - half}};
        for (int i = 0; i < 4; ++i) board->AddTrack(&c, corners[i], corners[(i + 1) % 4], 500, hostpcb::kCourtyardLayer);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = pad.sizeY = half / 2;
        board->AddPad(&c, "1", at, pad, PCB_TOP_LAYER);
        return c;
    }

    const hostpcb::statistical::Part& PartOf(const hostpcb::statistical::PlacementModel& model, const Component& c) {
        for (const hostpcb::statistical::Part& p : model.Parts) {
            if (p.component == &c) return p;
        }
        ADD_FAILURE() << c.Designator() << " is not in the model";
        return model.Parts.front();
    }
};

bool Covered(const std::vector<Box>& boxes, Point p) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
        return p.x >= b.x1 && p.x <= b.x2 && p.y >= b.y1 && p.y <= b.y2;
    });
}

TEST_F(PartShapeTest, ASlantedCourtyardFreesTheCornersOfItsBoxAndCoversItself) {
    BoardBuilder(*board).RectOutline(Mm(0, 0).x, Mm(0, 0).y, Mm(30, 30).x, Mm(30, 30).y);
    const Coord half = MmToUnits(5);
    Component& d = Diamond("U1", Mm(15, 15), half);
    const hostpcb::statistical::PlacementModel model(*board);
    const hostpcb::statistical::Part& part = PartOf(model, d);
    ASSERT_FALSE(part.shape.empty());
    double area = 0;
    for (const Box& b : part.shape) area += (double(b.x2) - b.x1) * (double(b.y2) - b.y1);
    const double extent = (double(part.extent.x2) - part.extent.x1) * (double(part.extent.y2) - part.extent.y1);
    EXPECT_LT(area, 0.7 * extent);
    // Every point of the diamond (on a grid, boundary included) is covered; the box's
    // corners are not.
    const int steps = 40;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; j <= steps; ++j) {
            const Coord x = -half + 2 * half * i / steps, y = -half + 2 * half * j / steps;
            if (std::llabs(x) + std::llabs(y) <= half) {
                EXPECT_TRUE(Covered(part.shape, {x, y})) << x << " " << y;
            }
        }
    }
    EXPECT_FALSE(Covered(part.shape, {half - half / 10, half - half / 10}));
}

TEST_F(PartShapeTest, APadReachingOutOfItsCourtyardStaysCovered) {
    // A 10 x 4 mm courtyard and a through-hole pad whose centre is inside, 0.5 mm from the
    // lower edge, but whose copper reaches 1 mm below it.
    BoardBuilder(*board).RectOutline(Mm(0, 0).x, Mm(0, 0).y, Mm(30, 30).x, Mm(30, 30).y);
    Component& c = board->AddComponent("SW1", "Switch", Mm(15, 15));
    const Point corners[] = {Mm(10, 13), Mm(20, 13), Mm(20, 17), Mm(10, 17)};
    for (int i = 0; i < 4; ++i) board->AddTrack(&c, corners[i], corners[(i + 1) % 4], 500, hostpcb::kCourtyardLayer);
    hostpcb::PadGeometry pad;
    pad.sizeX = pad.sizeY = MmToUnits(3);
    pad.holeSize = MmToUnits(1.5);
    const hostpcb::Pad& through = board->AddPad(&c, "1", Mm(15, 13.5), pad, PCB_MULTI_LAYER);
    const hostpcb::statistical::PlacementModel model(*board);
    const hostpcb::statistical::Part& part = PartOf(model, c);
    const Box pb = through.Bounds();
    const Point o = c.Position();
    const Box padRelative{pb.x1 - o.x, pb.y1 - o.y, pb.x2 - o.x, pb.y2 - o.y};
    const std::vector<Box> covering = part.shape.empty() ? std::vector<Box>{part.extent} : part.shape;
    EXPECT_TRUE(std::any_of(covering.begin(), covering.end(), [&](const Box& b) {
        return hostpcb::statistical::BoxInside(padRelative, b);
    }));
}

TEST_F(PartShapeTest, SmallPartsSettleInTheCornersASlantedPartLeaves) {
    // The diamond's box fills the board but for 0.5 mm at each side; the four chips fit
    // only in the corners the diamond leaves free.
    BoardBuilder b(*board);
    b.RectOutline(MmToUnits(100), MmToUnits(100), MmToUnits(113), MmToUnits(113));
    Diamond("U1", Mm(80, 80), MmToUnits(6));
    for (int i = 1; i <= 4; ++i) b.Chip("C" + std::to_string(i), "0805", Mm(60, 90 + 4 * i));
    b.Connect("A", {"U1.1", "C1.1", "C2.1"});
    b.Connect("B", {"C3.1", "C4.1", "C2.2"});
    SetGaps(0.2, 0.1);
    const auto outcome = Place();
    EXPECT_TRUE(outcome.unfit.empty()) << outcome.unfit.size() << " without room";
    const std::vector<Component*> all = board->Components();
    const std::vector<const Component*> components(all.begin(), all.end());
    const legality::Verdict verdict = legality::Judge(*board, components, std::vector<bool>(components.size(), true));
    EXPECT_TRUE(verdict.overlaps.empty());
    EXPECT_TRUE(verdict.outside.empty());
}

}  // namespace
}  // namespace statistical_test
