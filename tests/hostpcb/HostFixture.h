// A fresh host with one current board for every test, and small helpers that go
// through the exported functions the way the placer does.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "sdk/pcbapi.h"

namespace hostpcb::test {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Host::Instance().Reset();
        board = &Host::Instance().CreateBoard("test.kicad_pcb");
    }
    void TearDown() override { Host::Instance().Reset(); }

    // A free fill made and written through the exported functions.
    static PcbHandle MakeFill(Coord x1, Coord y1, Coord x2, Coord y2, LayerNumber layer = PCB_TOP_LAYER) {
        PcbHandle h = PcbApi_CreateObject(PCB_FILL);
        PcbPrimitiveData d{};
        PcbApi_QueryPrimitive(h, PCB_READ, &d);
        d.Base.X = x1;
        d.Base.Y = y1;
        d.X2 = x2;
        d.Y2 = y2;
        d.Base.Layer = LayerToId(layer);
        PcbApi_QueryPrimitive(h, PCB_WRITE, &d);
        return h;
    }

    // The answer in both argument orders; a mismatch is a fault of its own.
    static bool Overlap(PcbHandle a, PcbHandle b, int32_t clearance) {
        const uint8_t ab = PCBAPI_CheckPrimitivesOverlapWithClearance(a, b, clearance);
        const uint8_t ba = PCBAPI_CheckPrimitivesOverlapWithClearance(b, a, clearance);
        EXPECT_EQ(ab, ba) << "overlap answer depends on argument order (clearance " << clearance << ")";
        return ab != 0;
    }

    static std::vector<PcbHandle> Iterate(PcbHandle owner, uint8_t kind, int32_t method,
                                          LayerNumber layer = PCB_NO_LAYER) {
        std::vector<PcbHandle> out;
        PcbHandle it = PcbApi_CreateIterator(owner, kind, method, LayerToId(layer));
        for (PcbHandle h = PcbApi_GetFirstObject(it); h != nullptr; h = PcbApi_GetNextObject(it)) out.push_back(h);
        PcbApi_DestroyIterator(it);
        return out;
    }

    static std::vector<PcbHandle> SpatialQuery(PcbHandle board, Box box, PcbLayerSet layers, PcbKindSet kinds) {
        std::vector<PcbHandle> out;
        PcbHandle it = PcbApi_CreateSpatialIterator(board, box.x1, box.y1, box.x2, box.y2, layers, kinds);
        for (PcbHandle h = PcbApi_GetFirstSpatialObject(it); h != nullptr; h = PcbApi_GetNextSpatialObject(it))
            out.push_back(h);
        PcbApi_DestroySpatialIterator(it);
        return out;
    }

    static Box Bounds(PcbHandle h) {
        Box b;
        EXPECT_EQ(PcbApi_QueryObjectBoundingRectangle(h, &b.x1, &b.y1, &b.x2, &b.y2), 1);
        return b;
    }

    Board* board = nullptr;
};

}  // namespace hostpcb::test
