// Places a whole board with the group placer, once with the fast forms and once
// with the plain reference forms, and compares where every component ended.
//
// A run mirrors the developer tool dev_groupplace: fixed components are
// registered where they stand, the movable ones are cut into groups of a chosen
// size (in board order) and placed largest first inside the keep-out outline.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "model/BoardQueries.h"
#include "model/PlacementContext.h"
#include "engines/GroupPlacer.h"
#include "support/GroupPlacerProbe.h"
#include "engines/KeepOut.h"
#include "host/PcbIterators.h"
#include "host/PcbRules.h"
#include "hostpcb/Board.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/Cluster.h"
#include "model/ComponentGroup.h"
#include "model/ConnectionDragger.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "plugin/Main_AutoPlacer.h"
#include "model/PlacerOptions.h"

namespace autoplacer::speedtest {

struct TPartPlacement {
    std::string Designator;
    hostpcb::Point Position;
    double Rotation = 0.0;
    int Layer = 0;
    bool operator==(const TPartPlacement&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TPartPlacement& p) {
    return out << p.Designator << " at (" << p.Position.x << ", " << p.Position.y << ") rotation " << p.Rotation
               << " layer " << p.Layer;
}

struct TRunSetup {
    TPlacerOptions Options;
    bool QuickMode = false;
    bool Dragger = true;
    // Members per group (movable components in board order).
    int GroupSize = 1;
    // A guide rectangle for the guide cost: the outline's left half.
    bool Guide = false;
    TPlacerForms Forms = TPlacerForms::Fast;
};

struct TRunResult {
    std::vector<TPartPlacement> Parts;
    std::vector<bool> Failed;  // per placed group
    bool Placed = false;       // the board had a usable outline
};

inline std::vector<TPartPlacement> Placements(const hostpcb::Board& board) {
    std::vector<TPartPlacement> parts;
    for (const hostpcb::Component* c : board.Components()) {
        parts.push_back(TPartPlacement{c->Designator(), c->Position(), c->Rotation(), c->Layer()});
    }
    return parts;
}

inline void ReadLayerDirections(TPlacementContext& context) {
    TObjectIterator(context.Board, PCB_RULE).ForEach([&](PcbHandle rule) {
        TPcbRule header(rule);
        if (header.Sync(PCB_READ) == PCB_OK && header.RuleKind == PCB_RULE_ROUTING_LAYERS) {
            ReadRoutingLayersRule(rule, context.LayerDirections);
        }
    });
}

// Places every movable component of the current host board.
inline TRunResult PlaceBoard(hostpcb::Board& board, const TRunSetup& setup) {
    TRunResult result;
    const PcbHandle handle = board.Handle();
    TPlacementContext context;
    context.Board = handle;
    context.Forms = setup.Forms;
    const auto powerNets = FindPowerNets(handle);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(handle);
    context.KeepOutPrimitives = &keepOut;
    if (!ValidateKeepOut(context)) {
        return result;
    }
    result.Placed = true;
    ReadLayerDirections(context);
    AnalyzeAllNets(handle);
    std::unique_ptr<TConnectionDragger> dragger;
    if (setup.Dragger) {
        dragger = std::make_unique<TConnectionDragger>(handle, IsNetInList, powerNets.get(), nullptr);
        context.ConnectionDragger = dragger.get();
    }

    std::vector<std::unique_ptr<TRectangularComponentGroup>> owned;
    std::vector<TRectangularComponentGroup*> fixed;
    TFastListOf<TRectangularComponentGroup*> movable;
    TRectangularComponentGroup* open = nullptr;
    for (const hostpcb::Component* component : board.Components()) {
        const PcbHandle c = component->Handle();
        const TRect extent = ComponentExtentRect(c);
        if (extent.Left == ExtentStartMin || RectWidth(extent) < 0 || RectHeight(extent) < 0) {
            continue;
        }
        if (IsFixedComponent(c)) {
            owned.push_back(std::make_unique<TRectangularComponentGroup>());
            owned.back()->AddComponent(c);
            fixed.push_back(owned.back().get());
            continue;
        }
        if (open == nullptr || open->Count() >= setup.GroupSize) {
            owned.push_back(std::make_unique<TRectangularComponentGroup>());
            open = owned.back().get();
            movable.Add(open);
        }
        open->AddComponent(c);
    }
    movable.Sort([](TRectangularComponentGroup* a, TRectangularComponentGroup* b) {
        const int64_t sa = FirstComponent(*a)->AreaMeasure();
        const int64_t sb = FirstComponent(*b)->AreaMeasure();
        return sa > sb ? -1 : (sa < sb ? 1 : 0);
    });

    TGroupPlacerProbe placer(setup.Options, setup.QuickMode, context);
    const TRect guide = Rect(context.KeepOutExtent.Left, context.KeepOutExtent.Top,
                             RectCentreX(context.KeepOutExtent), context.KeepOutExtent.Bottom);
    if (setup.Guide) {
        placer.SetGuideRect(&guide);
    }
    for (TRectangularComponentGroup* group : fixed) {
        placer.AddPlacedGroup(group);
    }
    for (TRectangularComponentGroup* group : movable) {
        placer.Failed = false;
        placer.PlaceGroup(group);
        result.Failed.push_back(placer.Failed);
    }
    result.Parts = Placements(board);
    return result;
}

class EquivalenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        Client = &client;
    }
    void TearDown() override {
        Loaded.reset();
        Client = nullptr;
        hostpcb::Host::Instance().Reset();
    }

    // Builds the board afresh (build makes it the current host board), places
    // it with one form, and returns the outcome.
    TRunResult RunWith(bool reference, const std::function<hostpcb::Board&()>& build, const TRunSetup& setup) {
        Loaded.reset();
        hostpcb::Host::Instance().Reset();
        TRunSetup withForms = setup;
        withForms.Forms = reference ? TPlacerForms::Reference : TPlacerForms::Fast;
        return PlaceBoard(build(), withForms);
    }

    // Both forms give the same placement of every component and the same
    // fallbacks; returns the fast outcome.
    TRunResult ExpectSamePlacements(const std::function<hostpcb::Board&()>& build, const TRunSetup& setup,
                                    const std::string& label) {
        const TRunResult fast = RunWith(false, build, setup);
        const TRunResult reference = RunWith(true, build, setup);
        EXPECT_EQ(fast.Placed, reference.Placed) << label;
        EXPECT_EQ(fast.Failed, reference.Failed) << label;
        EXPECT_EQ(fast.Parts.size(), reference.Parts.size()) << label;
        for (std::size_t i = 0; i < fast.Parts.size() && i < reference.Parts.size(); ++i) {
            EXPECT_EQ(fast.Parts[i], reference.Parts[i]) << label;
        }
        return fast;
    }

    app::AppClient client;
    // A board read from a file by a build function; released before the next build.
    std::unique_ptr<io::LoadedBoard> Loaded;
};

}  // namespace autoplacer::speedtest
