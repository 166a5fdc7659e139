// The pair generator: turns a flat list of board components into a binary tree
// by greedy agglomerative clustering. Every component becomes a leaf; the two
// current trees whose pair scores best are joined until one tree is left.
//
// A leaf pair scores Round(0.95 x net overlap + type bonus); a pair that
// involves an already joined node scores its plain net overlap. Among equal
// scores the candidate created first wins: leaf pairs in input order, then the
// pairs made by earlier joins, each new node paired with the older roots in
// forest order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/PlacementContext.h"
#include "model/FastList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TPair;

// Called with each node of a walk.
using TPairCallback = std::function<void(TPair*)>;

// One node of the pair tree. A leaf holds a component and the nets of its pads;
// an inner node holds two children and the score of the pair it joins.
class TPair {
public:
    // A leaf for the component (its pads' nets read from the host in pad
    // order, one entry per pad, nil for a pad without a net), or an empty node
    // for nil.
    explicit TPair(PcbHandle component = nullptr);
    // Frees the net list; never the children.
    ~TPair() = default;
    TPair(const TPair&) = delete;
    TPair& operator=(const TPair&) = delete;

    bool IsLeaf() const { return Left == nullptr && Right == nullptr; }
    // Makes a and b the children, unless either is nil or the node holds a component.
    void SetChildren(TPair* a, TPair* b);
    // Pre-order walk: this node, then Left's subtree, then Right's.
    void Visit(const TPairCallback& callback);

    int32_t Score = 0;
    TPair* Left = nullptr;
    TPair* Right = nullptr;
    PcbHandle Component = nullptr;
    std::unique_ptr<TFastListOf<PcbHandle>> Nets;  // leaves only
};

// Frees every node of the tree below and including root.
void FreePairTree(TPair* root);

// Builds the pair tree. Create gathers and scores; BuildTree joins; the tree it
// returns belongs to the caller.
class TPairGenerator {
public:
    TPairGenerator(const TPlacementContext& context, const TFastListOf<PcbHandle>& components);
    // Frees the forest except the tree handed out by BuildTree (after a stop
    // the other partial trees would otherwise be lost) and every candidate.
    ~TPairGenerator();
    TPairGenerator(const TPairGenerator&) = delete;
    TPairGenerator& operator=(const TPairGenerator&) = delete;

    // Joins until one tree is left (or a stop is confirmed); returns the first
    // root of the forest, nil when there were no components.
    TPair* BuildTree();

    // The net-overlap percentage (0..100) of two nodes: the share of the
    // shorter net list (A's on equal length) whose entries occur in the other
    // list; duplicates and nil entries count.
    static int32_t NetOverlap(TPair* a, TPair* b);
    // The bonus by component kinds and footprints of two leaves; 0 unless both
    // are leaves with components.
    static int32_t PairTypeScore(TPair* a, TPair* b);

    // The roots of the trees not yet joined, in forest order.
    TFastListOf<TPair*> Nodes;
    TPlacementContext Context;

private:
    // One scored join of two current roots, identified by their root numbers.
    struct TCandidate {
        int32_t First;   // root number of the new or earlier node (Left)
        int32_t Second;  // root number of the other node (Right)
    };
    // What the scoring keeps of a root: its net entries as (net number, count)
    // sorted by net number, and the total number of entries.
    struct TRootNets {
        std::vector<std::pair<int32_t, int32_t>> Counts;
        int64_t Length = 0;
    };
    // Kind of a leaf's component for the type bonus.
    struct TLeafKind {
        int32_t Category = 0;  // 0 small, 1 two-pin capacitor, 2 multi-pin
        int32_t Footprint = 0;  // equal numbers for equal footprint names
    };

    void GatherComponents(const TFastListOf<PcbHandle>& components);
    void ScorePairs();
    TPair* BestPair();
    void MergePair(TPair* p);

    int32_t AddRoot(TPair* node, TRootNets nets);
    void AddCandidate(int32_t first, int32_t second, int32_t score);
    // Overlap of root a (its counts spread in Dense) with root b.
    int32_t DenseOverlap(int32_t a, int32_t b) const;
    void Spread(int32_t root);
    void Unspread(int32_t root);
    static int32_t LeafPairTypeScore(const TLeafKind& a, const TLeafKind& b);

    // Candidates by score (0..MaxScore), each bucket in creation order; a
    // candidate whose roots are no longer both current is skipped when met.
    std::vector<std::vector<TCandidate>> Buckets;
    std::vector<std::size_t> BucketHeads;
    int32_t HighestBucket = -1;

    std::vector<TPair*> RootNodes;   // by root number
    std::vector<bool> RootCurrent;   // by root number
    std::vector<TRootNets> RootNets; // by root number; emptied once joined
    std::unordered_map<TPair*, int32_t> RootOf;
    std::vector<TLeafKind> LeafKinds;  // by leaf root number
    std::unordered_map<PcbHandle, int32_t> NetNumbers;
    std::vector<int32_t> Dense;  // net number -> count of the spread root

    std::unique_ptr<TPair> Chosen;  // made by BestPair, joined by MergePair
    TCandidate ChosenCandidate{-1, -1};
    TPair* Result = nullptr;
};

}  // namespace autoplacer
