// A fresh host with one current board per test, and helpers in mils.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer::test {

inline int32_t Mil(double mils) { return hostpcb::MilsToUnits(mils); }
inline hostpcb::Point At(double xMils, double yMils) { return {Mil(xMils), Mil(yMils)}; }
inline TPoint P(double xMils, double yMils) { return Point(Mil(xMils), Mil(yMils)); }
// Rect(left, top, right, bottom) in mils.
inline TRect R(double left, double top, double right, double bottom) {
    return Rect(Mil(left), Mil(top), Mil(right), Mil(bottom));
}

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("geometry.kicad_pcb");
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }

    PcbHandle BoardHandle() const { return board->Handle(); }
    PcbHandle Handle(const char* designator) const { return board->FindComponent(designator)->Handle(); }

    // A closed chain of keep-out tracks through the corners (mils).
    void KeepOutPolyline(const std::vector<std::pair<double, double>>& corners) {
        std::vector<hostpcb::Point> points;
        for (const auto& [x, y] : corners) {
            points.push_back(At(x, y));
        }
        hostpcb::BoardBuilder(*board).PolylineOutline(points);
    }

    hostpcb::Board* board = nullptr;
};

}  // namespace autoplacer::test
