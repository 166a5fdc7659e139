#include "app/ClusterColours.h"

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "model/PlacementContext.h"
#include "engines/KeepOut.h"
#include "hostpcb/Host.h"
#include "model/Cluster.h"
#include "model/PrimitivesList.h"
#include "model/PlacerOptions.h"

namespace app {

namespace {

using namespace autoplacer;

constexpr const char* kConfinementFrame = "#1d7f2a";
constexpr const char* kICCapFrame = "#111111";
constexpr const char* kSameFootprintFrame = "#8a2be2";

}  // namespace

autoplacer::THandleList ComponentsByDesignator(const hostpcb::Board& board) {
    autoplacer::THandleList components;
    std::unordered_map<PcbHandle, std::string> names;
    for (const hostpcb::Component* component : board.Components()) {
        components.Add(component->Handle());
        names[component->Handle()] = component->Designator();
    }
    components.Sort([&names](PcbHandle a, PcbHandle b) {
        const std::string& da = names[a];
        const std::string& db = names[b];
        return da == db ? 0 : (da > db ? -1 : 1);
    });
    return components;
}

std::string ClusterColour(int index) {
    const double hue = std::fmod(index * 137.508, 360.0);
    const double s = 0.65;
    const double l = index % 2 == 0 ? 0.48 : 0.62;
    const double c = (1 - std::fabs(2 * l - 1)) * s;
    const double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    const double m = l - c / 2;
    double r = 0;
    double g = 0;
    double b = 0;
    switch (static_cast<int>(hue / 60.0)) {
        case 0: r = c; g = x; break;
        case 1: r = x; g = c; break;
        case 2: g = c; b = x; break;
        case 3: g = x; b = c; break;
        case 4: r = x; b = c; break;
        default: r = c; b = x; break;
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround((r + m) * 255)),
                  static_cast<int>(std::lround((g + m) * 255)), static_cast<int>(std::lround((b + m) * 255)));
    return text;
}

ClusterColouring ColourByCluster(hostpcb::Board& board, int32_t threshold, bool prePasses) {
    ClusterColouring result;
    TPlacementContext context;
    context.Board = board.Handle();
    const auto powerNets = FindPowerNets(context.Board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(context.Board);
    context.KeepOutPrimitives = &keepOut;
    if (!ValidateKeepOut(context)) {
        return result;
    }
    TPlacerOptions options;
    options.ClusterScoreThreshold = threshold;
    options.DoPrePasses = prePasses;

    THandleList components = ComponentsByDesignator(board);
    TClusterLists lists;
    THandleList* remaining = &components;
    if (prePasses) {
        TPreClusterAnalyzer(context, options, components).Run(lists, remaining);
    } else {
        lists.ICCapClusters = new TClusterList;
        lists.SameFootprintClusters = new TClusterList;
        lists.ConfinementClusters = new TClusterList;
    }
    TPair* tree = TPairGenerator(context, *remaining).BuildTree();
    lists.Clusters = TClusterExtractor(options).Extract(tree);

    const std::vector<std::pair<TClusterList*, const char*>> kinds{{lists.ConfinementClusters, kConfinementFrame},
                                                                   {lists.ICCapClusters, kICCapFrame},
                                                                   {lists.SameFootprintClusters, kSameFootprintFrame},
                                                                   {lists.Clusters, ""}};
    for (const auto& [list, frame] : kinds) {
        for (const TCluster* cluster : *list) {
            for (PcbHandle handle : cluster->ComponentHandles()) {
                const auto* component =
                    dynamic_cast<const hostpcb::Component*>(hostpcb::Host::Instance().Resolve(handle));
                if (component != nullptr) {
                    result.paints[component] = ComponentPaint{ClusterColour(result.clusters), frame};
                }
            }
            ++result.clusters;
        }
    }
    for (const auto& [list, frame] : kinds) {
        FreeClusterListAndClusters(list);
    }
    return result;
}

}  // namespace app
