// The lazily bound host functions: found by name in the loaded host module,
// looked up once, and neutral when the host lacks them.
#include <gtest/gtest.h>

#include "host/PcbApi.h"
#include "hostpcb/Host.h"

namespace autoplacer::PcbApi {
namespace {

TEST(HostBinding, MissingFunctionsAnswerNeutrallyAndAreLookedUpOnce) {
    THostFunction<int32_t(PcbHandle, int32_t)> missingInt("PcbApi_NoSuchFunction");
    THostFunction<PcbHandle(uint8_t)> missingHandle("PcbApi_NoSuchCreate");
    THostFunction<uint8_t()> missingBool("PcbApi_NoSuchKeyState");
    THostFunction<void(PcbHandle)> missingVoid("PcbApi_NoSuchDestroy");
    THostFunction<double()> missingDouble("PcbApi_NoSuchAngle");

    const int64_t before = HostLookupCount();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(missingInt(reinterpret_cast<PcbHandle>(0x10), 7), 0);
        EXPECT_EQ(missingHandle(PCB_TRACK), nullptr);
        EXPECT_EQ(missingBool(), 0);
        missingVoid(nullptr);
        EXPECT_EQ(missingDouble(), 0.0);
    }
    EXPECT_FALSE(missingInt.IsPresent());
    // Five names, each looked up once however often it is called.
    EXPECT_EQ(HostLookupCount() - before, 5);
}

TEST(HostBinding, PresentFunctionsAreFoundInTheLoadedHostModule) {
    THostFunction<PcbHandle()> current("PcbApi_GetCurrentBoardHandle");
    EXPECT_TRUE(current.IsPresent());
    EXPECT_NE(LookUpHostFunction("PcbApi_QueryComponent"), nullptr);
    EXPECT_NE(LookUpHostFunction("PCBAPI_CheckPrimitivesOverlapWithClearance"), nullptr);
    EXPECT_EQ(LookUpHostFunction("PcbApi_queryComponent"), nullptr);  // names are exact

    hostpcb::Host::Instance().Reset();
    EXPECT_EQ(current(), nullptr);
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("bound.kicad_pcb");
    EXPECT_EQ(current(), board.Handle());
    hostpcb::Host::Instance().Reset();
}

TEST(HostBinding, EveryWrapperBindsItsNameOnlyOnce) {
    hostpcb::Host::Instance().Reset();
    PcbApi_GetCurrentBoardHandle();  // bound here at the latest
    PcbApi_ShiftDown();
    const int64_t before = HostLookupCount();
    for (int i = 0; i < 10; ++i) {
        PcbApi_GetCurrentBoardHandle();
        PcbApi_ShiftDown();
    }
    EXPECT_EQ(HostLookupCount(), before);
}

}  // namespace
}  // namespace autoplacer::PcbApi
