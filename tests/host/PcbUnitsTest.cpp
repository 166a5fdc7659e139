// Unit conversions, the text form of lengths and the layer numbering.
#include <gtest/gtest.h>

#include "host/PcbUnits.h"
#include "hostpcb/Layers.h"

namespace autoplacer {
namespace {

TEST(StringToCoord, UsesTheBoardUnitUnlessTheTextNamesOne) {
    int32_t coord = -1;
    uint8_t imperial = 1;
    EXPECT_TRUE(StringToCoord("50", coord, imperial));
    EXPECT_EQ(coord, 500000);
    EXPECT_EQ(imperial, 1);

    EXPECT_TRUE(StringToCoord("1.27mm", coord, imperial));
    EXPECT_EQ(coord, 500000);
    EXPECT_EQ(imperial, 0);

    EXPECT_TRUE(StringToCoord("2.54", coord, imperial));  // the board is metric now
    EXPECT_EQ(coord, 1000000);
    EXPECT_EQ(imperial, 0);

    EXPECT_TRUE(StringToCoord(" 1 0 Mil ", coord, imperial));
    EXPECT_EQ(coord, 100000);
    EXPECT_EQ(imperial, 1);

    EXPECT_TRUE(StringToCoord("-5mil", coord, imperial));
    EXPECT_EQ(coord, -50000);
    EXPECT_TRUE(StringToCoord("0.5MM", coord, imperial));
    EXPECT_EQ(coord, MMsToCoord(0.5));
    EXPECT_EQ(imperial, 0);
}

TEST(StringToCoord, TextThatIsNoLengthGivesZeroAndKeepsTheUnit) {
    for (const char* text : {"mil", "", "   ", "mm5", "x1"}) {
        int32_t coord = 77;
        uint8_t imperial = 1;
        StringToCoord(text, coord, imperial);
        EXPECT_EQ(coord, 0) << '"' << text << '"';
        EXPECT_EQ(imperial, 1) << '"' << text << '"';
    }
    for (const char* text : {"5x", "1.2.3", "--5", "mm", ".mil"}) {
        int32_t coord = 77;
        uint8_t imperial = 0;
        EXPECT_FALSE(StringToCoord(text, coord, imperial)) << text;
        EXPECT_EQ(coord, 0) << text;
        EXPECT_EQ(imperial, 0) << text;
    }
}

TEST(CoordToUnitString, TrimsTrailingZerosAndThePoint) {
    EXPECT_EQ(CoordToUnitString(500000, true), "50mil");
    EXPECT_EQ(CoordToUnitString(500000, false), "1.27mm");
    EXPECT_EQ(CoordToUnitString(12346, true), "1.235mil");
    EXPECT_EQ(CoordToUnitString(10000000, false), "25.4mm");
    EXPECT_EQ(CoordToUnitString(-500000, true), "-50mil");
    EXPECT_EQ(CoordToUnitString(0, true), "0mil");
    // A tiny negative length rounds to zero, never to "-0".
    EXPECT_EQ(CoordToUnitString(-1, false), "0mm");
    EXPECT_EQ(CoordToUnitString(-4, true), "0mil");
    // Metric text shows 4 decimals: 1 mil = 0.0254 mm.
    EXPECT_EQ(CoordToUnitString(10000, false), "0.0254mm");
    EXPECT_EQ(CoordToUnitString(5, false), "0mm");
}

TEST(UnitConversions, RoundToTheirDecimals) {
    EXPECT_EQ(MilsToCoord(50), 500000);
    EXPECT_EQ(MilsToCoord(-0.00004), 0);
    EXPECT_EQ(MMsToCoord(1.27), 500000);
    EXPECT_EQ(MMsToCoord(25.4), 10000000);
    EXPECT_DOUBLE_EQ(CoordToMils(12346), 1.235);
    EXPECT_DOUBLE_EQ(CoordToMils(-12346), -1.235);
    EXPECT_DOUBLE_EQ(CoordToMMs(500000), 1.27);
    EXPECT_DOUBLE_EQ(CoordToMMs(1), 0.0);  // 0.00000254 mm
    EXPECT_DOUBLE_EQ(CoordToMMs(4), 0.00001);
    // Far beyond any board: clamped, not undefined.
    EXPECT_EQ(MilsToCoord(1e12), INT32_MAX);
    EXPECT_EQ(MilsToCoord(-1e12), INT32_MIN);
}

TEST(LayerConversion, EveryLayerNumberSurvivesTheRoundTrip) {
    for (int layer = 1; layer < PCB_LAYER_COUNT; ++layer) {
        const PcbLayerId id = LayerNumberToId(layer);
        EXPECT_NE(id.Kind, PCB_LAYER_KIND_NONE) << layer;
        EXPECT_EQ(LayerIdToNumber(id), layer) << layer;
    }
    EXPECT_EQ(LayerNumberToId(0).Kind, PCB_LAYER_KIND_NONE);
    EXPECT_EQ(LayerNumberToId(PCB_LAYER_COUNT).Kind, PCB_LAYER_KIND_NONE);
    EXPECT_EQ(LayerNumberToId(-3).Kind, PCB_LAYER_KIND_NONE);
}

TEST(LayerConversion, HostIdentitiesMapByKindAndIndex) {
    auto number = [](int kind, int index) {
        return LayerIdToNumber(PcbLayerId{static_cast<uint8_t>(kind), static_cast<uint8_t>(index)});
    };
    EXPECT_EQ(number(PCB_LAYER_KIND_TOP_SIGNAL, 1), PCB_TOP_LAYER);
    EXPECT_EQ(number(PCB_LAYER_KIND_BOTTOM_SIGNAL, 32), PCB_BOTTOM_LAYER);
    EXPECT_EQ(number(PCB_LAYER_KIND_MID_SIGNAL, 2), PCB_MID_LAYER_1);
    EXPECT_EQ(number(PCB_LAYER_KIND_MID_SIGNAL, 31), 31);
    EXPECT_EQ(number(PCB_LAYER_KIND_MID_SIGNAL, 200), 31);  // beyond MidLayer30: clamped
    EXPECT_EQ(number(PCB_LAYER_KIND_PLANE, 1), PCB_INTERNAL_PLANE_1);
    EXPECT_EQ(number(PCB_LAYER_KIND_PLANE, 16), 54);
    EXPECT_EQ(number(PCB_LAYER_KIND_PLANE, 40), 54);
    EXPECT_EQ(number(PCB_LAYER_KIND_MECHANICAL, 1), PCB_MECHANICAL_1);
    EXPECT_EQ(number(PCB_LAYER_KIND_MECHANICAL, 17), 72);
    EXPECT_EQ(number(PCB_LAYER_KIND_FIXED, PCB_KEEP_OUT_LAYER), PCB_KEEP_OUT_LAYER);
    EXPECT_EQ(number(PCB_LAYER_KIND_FIXED, PCB_MULTI_LAYER), PCB_MULTI_LAYER);
    EXPECT_EQ(number(PCB_LAYER_KIND_FIXED, PCB_TOP_LAYER), PCB_NO_LAYER);  // not a fixed layer
    EXPECT_EQ(number(PCB_LAYER_KIND_FIXED, 45), PCB_NO_LAYER);
    EXPECT_EQ(number(PCB_LAYER_KIND_NONE, 5), PCB_NO_LAYER);
    EXPECT_EQ(number(9, 1), PCB_NO_LAYER);
}

// The plug-in and the host stand-in must agree on every layer, both ways.
TEST(LayerConversion, AgreesWithTheHost) {
    for (int layer = 0; layer < PCB_LAYER_COUNT; ++layer) {
        EXPECT_EQ(hostpcb::LayerFromId(LayerNumberToId(layer)), layer) << layer;
        EXPECT_EQ(LayerIdToNumber(hostpcb::LayerToId(layer)), layer) << layer;
    }
}

}  // namespace
}  // namespace autoplacer
