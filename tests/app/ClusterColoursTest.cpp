// The pictures' clusters come from the loaded plug-in's developer query: the
// same clusters as the placer's cluster formation run directly on the board,
// an answer that does not fit asks for the room it needs, and a board without
// an outline gets no colours.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/ClusterColours.h"
#include "app/PluginLoader.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "model/PlacementContext.h"
#include "engines/KeepOut.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/Cluster.h"
#include "model/PrimitivesList.h"
#include "model/PlacerOptions.h"

namespace {

using namespace autoplacer;

const std::string kPlugin = std::string(AUTOPLACER_BIN_DIR) + "/libautoplacer.so";

// A cluster as the set of its members' designators, with its frame colour.
using Membership = std::set<std::pair<std::string, std::set<std::string>>>;

// The clusters of the placer's own formation, run here from the static units.
Membership FormedDirectly(const hostpcb::Board& board, int32_t threshold, bool prePasses) {
    TPlacementContext context;
    context.Board = board.Handle();
    const auto powerNets = FindPowerNets(context.Board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(context.Board);
    context.KeepOutPrimitives = &keepOut;
    EXPECT_TRUE(ValidateKeepOut(context));
    TPlacerOptions options;
    options.ClusterScoreThreshold = threshold;
    options.DoPrePasses = prePasses;
    THandleList components;
    std::map<PcbHandle, std::string> names;
    for (const hostpcb::Component* component : board.Components()) {
        components.Add(component->Handle());
        names[component->Handle()] = component->Designator();
    }
    components.Sort([&names](PcbHandle a, PcbHandle b) {
        return names[a] == names[b] ? 0 : (names[a] > names[b] ? -1 : 1);
    });
    TClusterLists lists;
    THandleList* remaining = &components;
    if (prePasses) {
        TPreClusterAnalyzer(context, options, components).Run(lists, remaining);
    } else {
        lists.ICCapClusters = new TClusterList;
        lists.SameFootprintClusters = new TClusterList;
        lists.ConfinementClusters = new TClusterList;
    }
    lists.Clusters = TClusterExtractor(options).Extract(TPairGenerator(context, *remaining).BuildTree());
    Membership clusters;
    const std::pair<TClusterList*, std::string> kinds[] = {{lists.ConfinementClusters, "#1d7f2a"},
                                                           {lists.ICCapClusters, "#111111"},
                                                           {lists.SameFootprintClusters, "#8a2be2"},
                                                           {lists.Clusters, ""}};
    for (const auto& [list, frame] : kinds) {
        for (const TCluster* cluster : *list) {
            std::set<std::string> members;
            for (PcbHandle handle : cluster->ComponentHandles()) {
                members.insert(names[handle]);
            }
            clusters.insert({frame, members});
        }
        FreeClusterListAndClusters(list);
    }
    return clusters;
}

Membership FromColouring(const app::ClusterColouring& colouring) {
    std::map<std::string, std::pair<std::string, std::set<std::string>>> byColour;
    for (const auto& [component, paint] : colouring.paints) {
        byColour[paint.fill].first = paint.frame;
        byColour[paint.fill].second.insert(component->Designator());
    }
    Membership clusters;
    for (const auto& [fill, cluster] : byColour) {
        clusters.insert(cluster);
    }
    return clusters;
}

class ClusterColours : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        std::string error;
        plugin = app::LoadedPlugin::Load(kPlugin, client, error);
        ASSERT_NE(plugin, nullptr) << error;
    }
    void TearDown() override {
        plugin.reset();
        loaded.reset();
        hostpcb::Host::Instance().Reset();
    }
    app::AppClient client;
    std::unique_ptr<app::LoadedPlugin> plugin;
    std::unique_ptr<io::LoadedBoard> loaded;
};

TEST_F(ClusterColours, ThePlugInFormsTheClustersOfThePlacer) {
    for (const std::string& board : {std::string(AUTOPLACER_SOURCE_DIR) + "/demo/demo.kicad_pcb",
                                    std::string(AUTOPLACER_BOARDS_DIR) + "/uext-esp32-c3.kicad_pcb",
                                    std::string(AUTOPLACER_BOARDS_DIR) + "/royalblue54l-feather.kicad_pcb"}) {
        loaded = io::LoadBoardFile(board);
        for (const auto& [threshold, prePasses] : {std::pair{85, true}, std::pair{40, false}}) {
            const app::ClusterColouring colouring = app::ColourByCluster(*plugin->Launcher(), threshold, prePasses);
            const Membership expected = FormedDirectly(*loaded->board, threshold, prePasses);
            EXPECT_EQ(colouring.clusters, static_cast<int>(expected.size())) << board;
            EXPECT_EQ(FromColouring(colouring), expected) << board << " threshold " << threshold;
        }
        loaded.reset();
    }
}

TEST_F(ClusterColours, AnAnswerTooLongForTheBufferAsksForTheRoomItNeeds) {
    loaded = io::LoadBoardFile(std::string(AUTOPLACER_SOURCE_DIR) + "/demo/demo.kicad_pcb");
    std::vector<char> small(64, '\0');
    EXPECT_EQ(plugin->Launcher()->LaunchCommand("QueryClusters", small.data(), 64, nullptr), sdk::kResultOk);
    const std::string needed = small.data();
    ASSERT_EQ(needed.rfind("Result=False|Needed=", 0), 0u) << needed;
    const std::size_t size = std::stoul(needed.substr(20));
    std::vector<char> exact(size, '\0');
    EXPECT_EQ(plugin->Launcher()->LaunchCommand("QueryClusters", exact.data(), static_cast<int32_t>(size), nullptr),
              sdk::kResultOk);
    EXPECT_EQ(std::string(exact.data()).size() + 1, size);
    EXPECT_GT(app::ColouringFromAnswer(exact.data()).clusters, 0);
}

TEST_F(ClusterColours, ABoardWithoutOutlineOrAForeignAnswerGetsNoColours) {
    hostpcb::Board& bare = hostpcb::Host::Instance().CreateBoard("bare.kicad_pcb");
    hostpcb::SetCurrentBoard(&bare);
    EXPECT_EQ(app::ColourByCluster(*plugin->Launcher(), 85, true).clusters, 0);
    EXPECT_EQ(app::ColouringFromAnswer("Result=True|Count=1|1=Plain:12345").clusters, 0);
    EXPECT_EQ(app::ColouringFromAnswer("Result=True|Count=1|1=Odd:").clusters, 0);
}

}  // namespace
