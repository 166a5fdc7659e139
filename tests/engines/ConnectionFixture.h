// A fresh host board for every connection test, with helpers that build parts
// with pads exactly where a test wants them and connection lines exactly
// between the points a test names.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppClient.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "plugin/Main_AutoPlacer.h"
#include "sdk/pcbapi.h"

namespace autoplacer::test {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("connections.kicad_pcb");
        Client = &client;
    }
    void TearDown() override {
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    PcbHandle Board() const { return board->Handle(); }

    // A part whose pads (small squares) sit at the given points, numbered "1", "2", ...
    hostpcb::Component& Part(const std::string& designator, std::vector<hostpcb::Point> pads) {
        hostpcb::Component& c = board->AddComponent(designator, "PART", pads.front());
        hostpcb::PadGeometry geometry;
        geometry.shape = hostpcb::PadShape::Rect;
        geometry.sizeX = 20000;
        geometry.sizeY = 20000;
        for (std::size_t i = 0; i < pads.size(); ++i) {
            board->AddPad(&c, std::to_string(i + 1), pads[i], geometry, PCB_TOP_LAYER);
        }
        return c;
    }

    hostpcb::Net& Net(const std::string& name) {
        hostpcb::Net* net = board->FindNet(name);
        return net != nullptr ? *net : board->AddNet(name);
    }

    // Puts pin "R1.2" into the net.
    void Join(const std::string& netName, const std::string& designator, int pin) {
        hostpcb::Component* c = board->FindComponent(designator);
        board->AddToNet(Net(netName), *c->Pads()[static_cast<std::size_t>(pin - 1)]);
    }

    // A connection line of the net from (x1, y1) to (x2, y2), made through the host functions.
    PcbHandle Connection(const std::string& netName, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        PcbHandle h = PcbApi_CreateObject(PCB_CONNECTION);
        PcbApi_SetOwnerBoard(h, Board());
        TPcbFromTo record(h);
        record.Sync(PCB_READ);
        record.X = x1;
        record.Y = y1;
        record.X2 = x2;
        record.Y2 = y2;
        record.Net = Net(netName).Handle();
        record.Sync(PCB_WRITE);
        PcbApi_AddObjectToContainer(Board(), h);
        return h;
    }

    // The board's connection lines, in iterator order.
    std::vector<PcbHandle> Connections() const {
        std::vector<PcbHandle> out;
        TObjectIterator it(board->Handle(), PCB_CONNECTION);
        it.ForEach([&](PcbHandle h) { out.push_back(h); });
        return out;
    }

    static TPcbFromTo Read(PcbHandle connection) {
        TPcbFromTo record(connection);
        record.Sync(PCB_READ);
        return record;
    }

    app::AppClient client;
    hostpcb::Board* board = nullptr;
};

}  // namespace autoplacer::test
