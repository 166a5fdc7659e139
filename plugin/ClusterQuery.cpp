#include "plugin/ClusterQuery.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "model/PlacementContext.h"
#include "engines/KeepOut.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/Cluster.h"
#include "model/PrimitivesList.h"
#include "host/Parameters.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

namespace {

// The four cluster lists, freed with their clusters however the query ends.
struct TOwnedClusterLists {
    TClusterLists Lists;
    TOwnedClusterLists() = default;
    TOwnedClusterLists(const TOwnedClusterLists&) = delete;
    TOwnedClusterLists& operator=(const TOwnedClusterLists&) = delete;
    ~TOwnedClusterLists() {
        for (TClusterList* list :
             {Lists.ConfinementClusters, Lists.ICCapClusters, Lists.SameFootprintClusters, Lists.Clusters}) {
            FreeClusterListAndClusters(list);
        }
    }
};

// Every component by designator, greater byte strings first: the order in which
// a run hands them to cluster formation.
THandleList ComponentsByDesignator(PcbHandle board) {
    THandleList components;
    TObjectIterator iterator(board, PCB_COMPONENT);
    for (PcbHandle component = iterator.First(); component != nullptr; component = iterator.Next()) {
        components.Add(component);
    }
    std::unordered_map<PcbHandle, std::string> designators;
    for (PcbHandle component : components) {
        GetComponentDesignator(component, designators[component]);
    }
    components.Sort([&](PcbHandle a, PcbHandle b) {
        const std::string& da = designators[a];
        const std::string& db = designators[b];
        return da == db ? 0 : (da > db ? -1 : 1);
    });
    return components;
}

// The cluster lists of the board as it stands; false without a usable outline.
bool FormClusters(PcbHandle board, int32_t threshold, bool prePasses, TClusterLists& lists) {
    TPlacementContext context;
    context.Board = board;
    const auto powerNets = FindPowerNets(board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(board);
    context.KeepOutPrimitives = &keepOut;
    if (!ValidateKeepOut(context)) {
        return false;
    }
    TPlacerOptions options;
    options.ClusterScoreThreshold = threshold;
    options.DoPrePasses = prePasses;
    THandleList components = ComponentsByDesignator(board);
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
    return true;
}

std::string DescribeClusters(const TClusterLists& lists) {
    const std::pair<TClusterList*, const char*> kinds[] = {{lists.ConfinementClusters, "Confinement"},
                                                           {lists.ICCapClusters, "ICCap"},
                                                           {lists.SameFootprintClusters, "SameFootprint"},
                                                           {lists.Clusters, "Plain"}};
    std::string entries;
    int count = 0;
    for (const auto& [list, kind] : kinds) {
        for (const TCluster* cluster : *list) {
            entries += "|" + std::to_string(++count) + "=" + kind + ":";
            bool first = true;
            for (PcbHandle handle : cluster->ComponentHandles()) {
                entries += (first ? "" : ",") + std::to_string(reinterpret_cast<std::uintptr_t>(handle));
                first = false;
            }
        }
    }
    return "Result=True|Count=" + std::to_string(count) + entries;
}

// Copies text with its terminating zero when it fits.
bool Answer(char* parameters, int32_t bufferSize, const std::string& text) {
    if (text.size() + 1 > static_cast<std::size_t>(bufferSize)) {
        return false;
    }
    std::memcpy(parameters, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

void QueryClustersCommand(void*, char* parameters, int32_t bufferSize) {
    if (parameters == nullptr || bufferSize <= 0) {
        return;
    }
    int32_t threshold = 85;
    bool prePasses = true;
    std::string value;
    if (GetParameter(parameters, "Threshold", value)) {
        try {
            threshold = std::stoi(value);
        } catch (const std::exception&) {
            Answer(parameters, bufferSize, "Result=False");
            return;
        }
    }
    if (GetParameter(parameters, "PrePasses", value)) {
        prePasses = SameParameterValue(value, "True");
    }
    const PcbHandle board = PcbApi::PcbApi_GetCurrentBoardHandle();
    TOwnedClusterLists owned;
    const bool formed = board != nullptr && FormClusters(board, threshold, prePasses, owned.Lists);
    const std::string answer = formed ? DescribeClusters(owned.Lists) : "Result=False";
    if (!Answer(parameters, bufferSize, answer)) {
        Answer(parameters, bufferSize, "Result=False|Needed=" + std::to_string(answer.size() + 1));
    }
}

}  // namespace autoplacer
