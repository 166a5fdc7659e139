#include "clustering/ClusterExtractor.h"

#include <memory>
#include <vector>

#include "host/PcbApi.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

TClusterExtractor::TClusterExtractor(const TPlacerOptions& options) : Options(options) {}

TClusterExtractor::~TClusterExtractor() {
    // Only reached with live nodes when Extract was interrupted by an exception.
    FreeRemainingNodes();
    FreeClusterListAndClusters(Clusters);
}

TClusterList* TClusterExtractor::Extract(TPair* root) {
    FreeClusterListAndClusters(Clusters);
    Clusters = new TClusterList;
    Roots.Clear();
    RootSet.clear();

    if (root != nullptr) {
        root->Visit([this](TPair* node) { LiveNodes.insert(node); });
        CollectRoots(root);

        const TProgressPhase progress("Extracting clusters from tree ...", Roots.Count());
        if (!CheckStopRequest()) {
            for (TPair* clusterRoot : Roots) {
                // The leaves are gathered first and freed afterwards, so that the
                // walk never steps on a freed node.
                std::vector<TPair*> leaves;
                clusterRoot->Visit([&leaves](TPair* node) {
                    if (node->IsLeaf()) {
                        leaves.push_back(node);
                    }
                });
                auto cluster = std::make_unique<TCluster>();
                for (TPair* leaf : leaves) {
                    if (CheckStopRequest()) {
                        break;
                    }
                    TakeLeaf(*cluster, leaf);
                }
                // A cluster left empty by a stop would only burden later phases.
                if (cluster->ComponentCount() > 0) {
                    Clusters->Add(cluster.release());
                }
                TProgressPhase::Step();
                if (CheckStopRequest()) {
                    break;
                }
            }
        }
        CollectSingletons(root);
    }

    SortClusters();
    FreeRemainingNodes();
    // The roots are freed with the tree; only the clusters remain.
    Roots.Clear();
    RootSet.clear();

    TClusterList* result = Clusters;
    Clusters = nullptr;
    return result;
}

int32_t TClusterExtractor::FixedFirstCompare(TRectangularComponentGroup* a, TRectangularComponentGroup* b) {
    const bool aFixed = IsFixedComponent(FirstHandle(*a));
    const bool bFixed = IsFixedComponent(FirstHandle(*b));
    if (aFixed && !bFixed) {
        return -1;
    }
    if (bFixed && !aFixed) {
        return 1;
    }
    return 0;
}

void TClusterExtractor::CollectRoots(TPair* node) {
    // Pre-order with an explicit stack (left before right): trees can be long chains.
    std::vector<TPair*> pending{node};
    while (!pending.empty()) {
        if (CheckStopRequest()) {
            return;
        }
        TPair* current = pending.back();
        pending.pop_back();
        if (current->Score < Options.ClusterScoreThreshold) {
            if (current->Right != nullptr) {
                pending.push_back(current->Right);
            }
            if (current->Left != nullptr) {
                pending.push_back(current->Left);
            }
        } else {
            Roots.Add(current);
            RootSet.insert(current);
        }
    }
}

void TClusterExtractor::CollectSingletons(TPair* node) {
    std::vector<TPair*> pending{node};
    while (!pending.empty()) {
        if (CheckStopRequest()) {
            return;
        }
        TPair* current = pending.back();
        pending.pop_back();
        if (current == nullptr || RootSet.contains(current)) {
            continue;  // nothing there, or already in a cluster
        }
        if (current->IsLeaf()) {
            auto cluster = std::make_unique<TCluster>();
            TakeLeaf(*cluster, current);
            Clusters->Add(cluster.release());
        } else {
            pending.push_back(current->Right);
            pending.push_back(current->Left);
        }
    }
}

void TClusterExtractor::TakeLeaf(TCluster& cluster, TPair* leaf) {
    cluster.AddComponent(leaf->Component);
    LiveNodes.erase(leaf);
    delete leaf;
}

void TClusterExtractor::SortClusters() {
    const TProgressPhase progress("Sorting clusters ...", Clusters->Count());
    if (!CheckStopRequest()) {
        for (TCluster* cluster : *Clusters) {
            cluster->Sort(&TClusterExtractor::FixedFirstCompare);
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

void TClusterExtractor::FreeRemainingNodes() {
    for (TPair* node : LiveNodes) {
        delete node;
    }
    LiveNodes.clear();
}

void FreeClusterListAndClusters(TClusterList* list) {
    if (list == nullptr) {
        return;
    }
    for (TCluster* cluster : *list) {
        delete cluster;
    }
    delete list;
}

}  // namespace autoplacer
