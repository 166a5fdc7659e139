// The placement phases up to cluster formation, run on one real KiCad board
// of the shared test set: pair tree over every component, the floor-plan
// spread, net analysis, the pre-cluster analysis, a pair tree over the rest
// and its cut into clusters. Tests check the board between the steps.
#pragma once

#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/AppClient.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "model/BoardQueries.h"
#include "model/PlacedComponent.h"
#include "model/PlacementContext.h"
#include "engines/KeepOut.h"
#include "engines/TreeBasedPlacer.h"
#include "host/HostClient.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/PrimitivesList.h"
#include "model/PlacerOptions.h"

namespace autoplacer::test {

// The shared test boards, smallest first.
inline constexpr const char* kSharedBoards[] = {
    "uext-esp32-c3",  "bp-irtoy",      "sensorwatch-b1",     "tkey-tk1",  "royalblue54l-feather",
    "europi",         "cm5-minima",    "bitaxe-ultra",       "usbarmory-mk2", "bms-c1",
    "castor-pollux-main", "glasgow-revC3", "tt-demo",         "duet2-v105", "reform-keyboard"};

// A test name part for the board: its name with '-' as '_'.
inline std::string BoardTestName(std::string name) {
    for (char& c : name) {
        if (c == '-') {
            c = '_';
        }
    }
    return name;
}

// The board's file in the shared set.
inline std::string SharedBoardPath(const std::string& name) {
    return std::string(AUTOPLACER_BOARDS_DIR) + "/" + name + ".kicad_pcb";
}

// Every component of the board, by designator in descending byte order.
inline THandleList ComponentsByDesignator(PcbHandle board) {
    THandleList components;
    std::map<PcbHandle, std::string> names;
    for (const hostpcb::Component* component :
         hostpcb::Host::Instance().ResolveAs<hostpcb::Board>(board)->Components()) {
        // As in the command, parts without extent (logos, panel tabs) are left out.
        if (!ComponentHasExtent(component->Handle())) {
            continue;
        }
        components.Add(component->Handle());
        names[component->Handle()] = component->Designator();
    }
    components.Sort([&names](PcbHandle a, PcbHandle b) { return names[b].compare(names[a]); });
    return components;
}

class TRealBoardPhases {
public:
    // Loads the board without a placement-rules file (it becomes the host's
    // current board) and builds the context with its power nets and keep-out.
    explicit TRealBoardPhases(const std::string& name) {
        io::LoadOptions load;
        load.readRules = false;
        Loaded = io::LoadBoardFile(SharedBoardPath(name), load);
        Board = Loaded->board->Handle();
        Context.Board = Board;
        PowerNets = FindPowerNets(Board);
        Context.PowerNets = PowerNets.get();
        KeepOut = std::make_unique<TPrimitivesList>(Board);
        Context.KeepOutPrimitives = KeepOut.get();
        Components = ComponentsByDesignator(Board);
        AllComponents = Components;
    }
    ~TRealBoardPhases() {
        for (TClusterList* list :
             {Lists.Clusters, Lists.ICCapClusters, Lists.SameFootprintClusters, Lists.ConfinementClusters}) {
            FreeClusterListAndClusters(list);
        }
    }
    TRealBoardPhases(const TRealBoardPhases&) = delete;
    TRealBoardPhases& operator=(const TRealBoardPhases&) = delete;

    // Checks the keep-out outline; the context's KeepOutExtent is valid after True.
    bool ValidateOutline() { return ValidateKeepOut(Context); }

    // The pair tree over every component and the floor-plan spread over the outline's extent.
    void Spread() {
        TPair* first = nullptr;
        {
            TPairGenerator generator(Context, Components);
            first = generator.BuildTree();
        }
        TTreeBasedPlacer(nullptr, Board, Context.KeepOutExtent, first).Run();
        FreePairTree(first);
    }

    // Net analysis, the pre-cluster analysis, the pair tree of the rest and its
    // cut: fills Lists (owned here).
    void FormClusters() {
        AnalyzeAllNets(Board);
        THandleList* remaining = nullptr;
        {
            TPreClusterAnalyzer analyzer(Context, Options, Components);
            analyzer.Run(Lists, remaining);
        }
        TPair* second = nullptr;
        {
            TPairGenerator generator(Context, *remaining);
            second = generator.BuildTree();
        }
        Lists.Clusters = TClusterExtractor(Options).Extract(second);
    }

    std::unique_ptr<io::LoadedBoard> Loaded;
    PcbHandle Board = nullptr;
    TPlacementContext Context;
    TPlacerOptions Options;
    std::unique_ptr<TFastListOf<PcbHandle>> PowerNets;
    std::unique_ptr<TPrimitivesList> KeepOut;
    // Every component at loading; the pre-cluster analysis removes those it clusters.
    THandleList Components;
    THandleList AllComponents;
    TClusterLists Lists;
};

// A test on one shared board (the parameter) with the application as the host
// client; the phases are made by the test and dropped with the host's board.
class TRealBoardTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { Client = &client; }
    void TearDown() override {
        Client = nullptr;
        phases.reset();
        hostpcb::Host::Instance().Reset();
    }

    app::AppClient client;
    std::unique_ptr<TRealBoardPhases> phases;
};

}  // namespace autoplacer::test
