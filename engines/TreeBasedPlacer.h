// The tree-based placer: the first spread of the components over the board.
//
// The pair tree is laid over the placement area as a slicing floor plan. Each
// inner node cuts its rectangle across the longer side (a vertical cut when the
// sides are equal) in proportion to the total size of the components below its
// two children; the Left child gets the left or lower slice. Each leaf's
// component is moved so that the lower-left corner of its extent lands on the
// lower-left corner of its slice. Fixed components stay where they are, but
// their slices are still reserved for them.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "clustering/PairGenerator.h"
#include "model/PlacementContext.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TTreeBasedPlacer {
public:
    // All four are borrowed; clusters and board are kept but not consulted.
    TTreeBasedPlacer(TClusterList* clusters, PcbHandle board, const TRect& area, TPair* root);

    // Lays out the tree; nothing happens when the root is nil or a leaf.
    void Run();

    // The total area measure of the components below the node (64 bits: a
    // board of many large parts can pass 2^31).
    int64_t Size(TPair* node);
    // Cuts r for an inner node: rl for the Left child, rr for the Right child.
    void SplitRect(const TRect& r, TPair* node, TRect& rl, TRect& rr);
    void PlaceSubtree(const TRect& r, TPair* node);
    void PlaceLeaf(const TRect& r, TPair* leaf);

    TPair* Root;
    TRect Area;
    TClusterList* Clusters;
    PcbHandle Board;

private:
    // A component's area measure does not change when it moves, so each
    // subtree's size is measured once per placer.
    std::unordered_map<TPair*, int64_t> Sizes;
};

}  // namespace autoplacer
