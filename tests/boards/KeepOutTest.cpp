// The keep-out of every real board of the shared set: valid, its extent the size
// of the drawn outline, rectangular only where the outline is a plain rectangle,
// and the indexed outline search answering like the plain scan on it.
#include <algorithm>
#include <string>

#include "engines/GeometryFixture.h"
#include "engines/OutlineSampling.h"
#include "boards/RealBoards.h"
#include "engines/KeepOut.h"

namespace autoplacer::test {
namespace {

struct TBoardOutlineCase {
    const char* Name;
    double WidthMm;   // the drawn outline's bounding box (edge line centres)
    double HeightMm;
    bool Rectangular;
};

void PrintTo(const TBoardOutlineCase& c, std::ostream* out) { *out << c.Name; }

class RealBoardKeepOut : public ::testing::TestWithParam<TBoardOutlineCase> {
protected:
    void TearDown() override { hostpcb::Host::Instance().Reset(); }
};

TEST_P(RealBoardKeepOut, IsValidSizedAndRectangularOnlyWhenDrawnSo) {
    const TBoardOutlineCase& c = GetParam();
    const auto loaded = LoadRealBoard(c.Name);
    ASSERT_TRUE(loaded);
    TPrimitivesList list(loaded->board->Handle());
    TPlacementContext context;
    context.Board = loaded->board->Handle();
    context.KeepOutPrimitives = &list;

    ASSERT_TRUE(ValidateKeepOut(context));
    // The extent holds the edge lines' width as well: up to 0.6 mm more.
    const double mmPerUnit = 0.0254 / 10000;
    EXPECT_NEAR(RectWidth(context.KeepOutExtent) * mmPerUnit, c.WidthMm + 0.3, 0.3);
    EXPECT_NEAR(RectHeight(context.KeepOutExtent) * mmPerUnit, c.HeightMm + 0.3, 0.3);
    EXPECT_EQ(context.KeepOutIsRectangular, c.Rectangular);
    // The centre of a rectangular board is inside it.
    if (c.Rectangular) {
        const TRect& e = context.KeepOutExtent;
        EXPECT_TRUE(PointInOutline(Point(RectCentreX(e), RectCentreY(e)), list));
    }

    ExpectSameAnswers(list, 300, 11, c.Name);
}

// Sizes from the set's manifest. Rounded corners (radius above 0.9 mm) put the
// extent's corners off the board; europi holds two boards side by side.
INSTANTIATE_TEST_SUITE_P(
    SharedSet, RealBoardKeepOut,
    ::testing::Values(TBoardOutlineCase{"uext-esp32-c3", 14.0, 32.0, true},
                      TBoardOutlineCase{"bp-irtoy", 23.8, 38.5, false},
                      TBoardOutlineCase{"sensorwatch-b1", 24.4, 24.4, false},
                      TBoardOutlineCase{"tkey-tk1", 28.6, 13.9, false},
                      TBoardOutlineCase{"royalblue54l-feather", 58.4, 22.9, false},
                      TBoardOutlineCase{"europi", 85.7, 110.0, false},
                      TBoardOutlineCase{"cm5-minima", 61.2, 64.2, false},
                      TBoardOutlineCase{"bitaxe-ultra", 56.5, 99.8, false},
                      TBoardOutlineCase{"usbarmory-mk2", 55.6, 19.6, false},
                      TBoardOutlineCase{"bms-c1", 135.0, 70.0, false},
                      TBoardOutlineCase{"castor-pollux-main", 70.8, 108.0, false},
                      TBoardOutlineCase{"glasgow-revC3", 80.0, 49.0, false},
                      TBoardOutlineCase{"tt-demo", 99.5, 78.0, false},
                      TBoardOutlineCase{"duet2-v105", 100.0, 123.0, true},
                      TBoardOutlineCase{"reform-keyboard", 275.9, 117.8, false}),
    [](const ::testing::TestParamInfo<TBoardOutlineCase>& board) {
        std::string name = board.param.Name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

}  // namespace
}  // namespace autoplacer::test
