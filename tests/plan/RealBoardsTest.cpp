// The spread and the clustering on real KiCad boards: every movable component
// lands with its extent corner inside the outline's extent, and every
// component ends in exactly one cluster.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "app/AppClient.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "engines/KeepOut.h"
#include "engines/TreeBasedPlacer.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

// Every component of the board, by designator in descending byte order.
THandleList ComponentsByDesignator(PcbHandle board) {
    THandleList components;
    std::map<PcbHandle, std::string> names;
    for (const hostpcb::Component* component : hostpcb::Host::Instance().ResolveAs<hostpcb::Board>(board)->Components()) {
        components.Add(component->Handle());
        names[component->Handle()] = component->Designator();
    }
    components.Sort([&names](PcbHandle a, PcbHandle b) { return names[b].compare(names[a]); });
    return components;
}

class RealBoardPlan : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { Client = &client; }
    void TearDown() override {
        Client = nullptr;
        loaded.reset();
        hostpcb::Host::Instance().Reset();
    }

    app::AppClient client;
    std::unique_ptr<io::LoadedBoard> loaded;
};

TEST_P(RealBoardPlan, SpreadStaysInsideTheOutlineAndClusteringCoversEveryComponent) {
    io::LoadOptions load;
    load.readRules = false;
    loaded = io::LoadBoardFile(std::string(AUTOPLACER_BOARDS_DIR) + "/" + GetParam() + ".kicad_pcb", load);
    const PcbHandle board = loaded->board->Handle();

    TPlacementContext context;
    context.Board = board;
    const auto powerNets = FindPowerNets(board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(board);
    context.KeepOutPrimitives = &keepOut;
    ASSERT_TRUE(ValidateKeepOut(context));

    THandleList components = ComponentsByDesignator(board);
    const int32_t total = components.Count();
    TPair* first = nullptr;
    {
        TPairGenerator generator(context, components);
        first = generator.BuildTree();
    }
    TTreeBasedPlacer(nullptr, board, context.KeepOutExtent, first).Run();
    FreePairTree(first);

    const TRect area = context.KeepOutExtent;
    int32_t checked = 0;
    for (PcbHandle component : components) {
        const TRect extent = ComponentExtentRect(component);
        if (IsFixedComponent(component) || extent.Left > extent.Right) {
            continue;
        }
        ++checked;
        EXPECT_TRUE(PointInRect(extent.Left, extent.Bottom, area))
            << GetParam() << " " << hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(component)->Designator();
    }
    EXPECT_GT(checked, total / 2);

    AnalyzeAllNets(board);
    TPlacerOptions options;
    TClusterLists lists;
    THandleList* remaining = nullptr;
    {
        TPreClusterAnalyzer analyzer(context, options, components);
        analyzer.Run(lists, remaining);
    }
    TPair* second = nullptr;
    {
        TPairGenerator generator(context, *remaining);
        second = generator.BuildTree();
    }
    lists.Clusters = TClusterExtractor(options).Extract(second);

    std::map<PcbHandle, int> seen;
    int32_t clusters = 0;
    for (TClusterList* list : {lists.Clusters, lists.ICCapClusters, lists.SameFootprintClusters,
                               lists.ConfinementClusters}) {
        for (const TCluster* cluster : *list) {
            ++clusters;
            for (PcbHandle handle : cluster->ComponentHandles()) {
                ++seen[handle];
            }
        }
        FreeClusterListAndClusters(list);
    }
    EXPECT_EQ(static_cast<int32_t>(seen.size()), total) << GetParam();
    for (const auto& [handle, count] : seen) {
        EXPECT_EQ(count, 1) << GetParam();
    }
    // Clustering joined components: fewer clusters than components.
    EXPECT_LT(clusters, total) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, RealBoardPlan,
                         ::testing::Values("uext-esp32-c3", "bp-irtoy", "sensorwatch-b1", "tkey-tk1",
                                           "royalblue54l-feather", "europi", "cm5-minima", "bitaxe-ultra",
                                           "usbarmory-mk2", "bms-c1", "castor-pollux-main", "glasgow-revC3",
                                           "tt-demo", "duet2-v105", "reform-keyboard"),
                         [](const ::testing::TestParamInfo<const char*>& board) {
                             std::string name = board.param;
                             for (char& c : name) {
                                 if (c == '-') {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

}  // namespace
}  // namespace autoplacer
