// The cluster extraction: cuts the pair tree into clusters.
//
// Walking down from the root, the first node on each path whose score reaches
// ClusterScoreThreshold becomes a cluster root: every component below it forms
// one cluster. Every component below no such node becomes a cluster of its
// own. Clusters come out one per root in pre-order of the roots, then the
// single-component clusters in pre-order of their leaves.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "clustering/PairGenerator.h"
#include "model/PlacementContext.h"
#include "model/Cluster.h"
#include "model/FastList.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

class TClusterExtractor {
public:
    explicit TClusterExtractor(const TPlacerOptions& options);
    // Frees the root list; never the clusters handed out.
    ~TClusterExtractor();
    TClusterExtractor(const TClusterExtractor&) = delete;
    TClusterExtractor& operator=(const TClusterExtractor&) = delete;

    // Cuts the tree (root may be nil) into clusters and returns the list, which
    // the caller owns with its clusters. The tree is consumed: every node is
    // freed, and the caller must not use it afterwards. After a stop the
    // clusters made so far are returned; components not reached are in none.
    TClusterList* Extract(TPair* root);

    // Orders two groups with a fixed first member before the others; 0 when
    // both or neither hold a fixed component.
    static int32_t FixedFirstCompare(TRectangularComponentGroup* a, TRectangularComponentGroup* b);

private:
    void CollectRoots(TPair* node);
    void CollectSingletons(TPair* node);
    // Adds the leaf's component to the cluster and frees the leaf.
    void TakeLeaf(TCluster& cluster, TPair* leaf);
    void SortClusters();
    void FreeRemainingNodes();

    TFastListOf<TPair*> Roots;
    std::unordered_set<TPair*> RootSet;
    TClusterList* Clusters = nullptr;
    TPlacerOptions Options;
    // Every node of the tree being consumed that is not yet freed.
    std::unordered_set<TPair*> LiveNodes;
};

// Frees every cluster of the list and the list itself; nil is allowed.
void FreeClusterListAndClusters(TClusterList* list);

}  // namespace autoplacer
