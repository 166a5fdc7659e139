// A fresh host board for every group placer test, blocks of exact size in mils,
// groups built from them, and a placer over a chosen area.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "model/PlacementContext.h"
#include "engines/GroupPlacer.h"
#include "support/GroupPlacerProbe.h"
#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "model/ComponentGroup.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "plugin/Main_AutoPlacer.h"
#include "model/PlacerOptions.h"

namespace autoplacer::test {

inline int32_t Mil(double mils) { return hostpcb::MilsToUnits(mils); }
inline hostpcb::Point At(double xMils, double yMils) { return {Mil(xMils), Mil(yMils)}; }
// Rect(left, top, right, bottom) in mils.
inline TRect R(double left, double top, double right, double bottom) {
    return Rect(Mil(left), Mil(top), Mil(right), Mil(bottom));
}
inline TGridPoint GP(double xMils, double yMils) { return TGridPoint{Mil(xMils), Mil(yMils)}; }

class GroupPlacerTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("groupplacer.kicad_pcb");
        Client = &client;
        context.Board = board->Handle();
        context.KeepOutExtent = R(0, 1000, 2000, 0);
        context.KeepOutIsRectangular = true;
        context.PowerNets = &powerNets;
    }
    void TearDown() override {
        groups.clear();
        Client = nullptr;
        PlacementRunning = false;
        StopRequested = false;
        StopConfirmed = false;
        hostpcb::Host::Instance().Reset();
    }

    // A component whose only primitive is one rectangular pad with its lower-left
    // corner at (x, y): its extent is exactly w x h mils.
    hostpcb::Component& Block(const std::string& designator, double x, double y, double w, double h,
                              int side = PCB_TOP_LAYER) {
        const hostpcb::Point centre = At(x + w / 2, y + h / 2);
        hostpcb::Component& c = board->AddComponent(designator, "BLOCK", centre);
        hostpcb::PadGeometry pad;
        pad.shape = hostpcb::PadShape::Rect;
        pad.sizeX = Mil(w);
        pad.sizeY = Mil(h);
        board->AddPad(&c, "1", centre, pad, PCB_TOP_LAYER);
        if (side != PCB_TOP_LAYER) {
            c.SetLayer(side);
        }
        return c;
    }

    // A group of the named components (owned by the fixture).
    TRectangularComponentGroup& Group(std::initializer_list<const char*> designators) {
        auto group = std::make_unique<TRectangularComponentGroup>();
        for (const char* designator : designators) {
            group->AddComponent(Handle(designator));
        }
        groups.push_back(std::move(group));
        return *groups.back();
    }
    // A block in a group of its own.
    TRectangularComponentGroup& BlockGroup(const std::string& designator, double x, double y, double w, double h,
                                           int side = PCB_TOP_LAYER) {
        Block(designator, x, y, w, h, side);
        return Group({designator.c_str()});
    }

    std::unique_ptr<TGroupPlacerProbe> Placer(bool quickMode, const TRect& area) {
        context.KeepOutExtent = area;
        return std::make_unique<TGroupPlacerProbe>(options, quickMode, context);
    }
    // Full-mode options without any cost term.
    void NoCosts() {
        options.ConnectionLengthCostWeight = 0;
        options.CrossOverCostWeight = 0;
        options.DirectionCostWeight = 0;
        options.GuideCostWeight = 0;
        options.PadCostWeight = 0;
    }

    hostpcb::Component& Part(const std::string& designator) { return *board->FindComponent(designator); }
    PcbHandle Handle(const std::string& designator) { return Part(designator).Handle(); }
    // The host's box of the component's shape as a placer rectangle.
    TRect Extent(const std::string& designator) {
        const hostpcb::Box b = Part(designator).Bounds();
        return Rect(b.x1, b.y2, b.x2, b.y1);
    }
    double Angle(const std::string& designator) { return Part(designator).Rotation(); }

    app::AppClient client;
    hostpcb::Board* board = nullptr;
    TFastListOf<PcbHandle> powerNets;
    TPlacementContext context;
    TPlacerOptions options;
    std::vector<std::unique_ptr<TRectangularComponentGroup>> groups;
};

}  // namespace autoplacer::test
