#include "clustering/PairGenerator.h"

#include <algorithm>
#include <string>
#include <utility>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/BoardQueries.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

namespace {

constexpr int32_t kSmall = 0;
constexpr int32_t kTwoPinCapacitor = 1;
constexpr int32_t kMultiPin = 2;

// Leaf pairs score at most 0.95 x 100 + 10.
constexpr int32_t kMaxScore = 105;

int32_t ComponentCategory(PcbHandle component) {
    const int32_t pads = PadCount(component);
    if (pads > 3) {
        return kMultiPin;
    }
    std::string designator;
    GetComponentDesignator(component, designator);
    if (pads == 2 && !designator.empty() && (designator[0] == 'C' || designator[0] == 'c')) {
        return kTwoPinCapacitor;
    }
    return kSmall;
}

std::string ComponentFootprint(PcbHandle component) {
    std::string pattern;
    GetComponentPattern(component, pattern);
    return pattern;
}

// Net entries of every leaf below node, counted per net (nil is a net of its own).
int64_t GatherNetCounts(TPair* node, std::unordered_map<PcbHandle, int32_t>& counts) {
    int64_t length = 0;
    node->Visit([&](TPair* visited) {
        if (visited->IsLeaf() && visited->Component != nullptr && visited->Nets != nullptr) {
            for (PcbHandle net : *visited->Nets) {
                ++counts[net];
                ++length;
            }
        }
    });
    return length;
}

int32_t OverlapPercent(int64_t common, int64_t length) {
    return length == 0 ? 0 : static_cast<int32_t>(common * 100 / length);
}

}  // namespace

// ---------------------------------------------------------------------------
// TPair

TPair::TPair(PcbHandle component) {
    if (component == nullptr) {
        return;
    }
    Component = component;
    Nets = std::make_unique<TFastListOf<PcbHandle>>();
    TObjectIterator pads(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    pads.ForEach([&](PcbHandle pad) {
        TPcbPad record(pad);
        record.Sync(PCB_READ);
        Nets->Add(record.Net);
    });
}

void TPair::SetChildren(TPair* a, TPair* b) {
    if (a != nullptr && b != nullptr && Component == nullptr) {
        Left = a;
        Right = b;
    }
}

void TPair::Visit(const TPairCallback& callback) {
    // An explicit stack: trees of many components can be deep chains.
    std::vector<TPair*> pending{this};
    while (!pending.empty()) {
        TPair* node = pending.back();
        pending.pop_back();
        if (callback) {
            callback(node);
        }
        if (!node->IsLeaf()) {
            pending.push_back(node->Right);
            pending.push_back(node->Left);
        }
    }
}

void FreePairTree(TPair* root) {
    std::vector<TPair*> pending;
    if (root != nullptr) {
        pending.push_back(root);
    }
    while (!pending.empty()) {
        TPair* node = pending.back();
        pending.pop_back();
        if (node->Left != nullptr) {
            pending.push_back(node->Left);
        }
        if (node->Right != nullptr) {
            pending.push_back(node->Right);
        }
        delete node;
    }
}

// ---------------------------------------------------------------------------
// Scores

int32_t TPairGenerator::NetOverlap(TPair* a, TPair* b) {
    std::unordered_map<PcbHandle, int32_t> countsA;
    std::unordered_map<PcbHandle, int32_t> countsB;
    int64_t lengthA = GatherNetCounts(a, countsA);
    int64_t lengthB = GatherNetCounts(b, countsB);
    if (lengthA > lengthB) {
        std::swap(countsA, countsB);
        std::swap(lengthA, lengthB);
    }
    int64_t common = 0;
    for (const auto& [net, count] : countsA) {
        if (countsB.contains(net)) {
            common += count;
        }
    }
    return OverlapPercent(common, lengthA);
}

int32_t TPairGenerator::LeafPairTypeScore(const TLeafKind& a, const TLeafKind& b) {
    const bool sameFootprint = a.Footprint == b.Footprint;
    const int32_t low = std::min(a.Category, b.Category);
    const int32_t high = std::max(a.Category, b.Category);
    if (low == kMultiPin) {
        return sameFootprint ? 10 : 8;
    }
    if (high == kMultiPin) {
        return low == kTwoPinCapacitor ? 9 : 6;
    }
    if (low == kSmall && high == kTwoPinCapacitor) {
        return 7;
    }
    if (low == kSmall) {
        return sameFootprint ? 5 : 4;
    }
    return sameFootprint ? 3 : 2;
}

int32_t TPairGenerator::PairTypeScore(TPair* a, TPair* b) {
    if (!a->IsLeaf() || !b->IsLeaf() || a->Component == nullptr || b->Component == nullptr) {
        return 0;
    }
    const bool sameFootprint = ComponentFootprint(a->Component) == ComponentFootprint(b->Component);
    return LeafPairTypeScore(TLeafKind{ComponentCategory(a->Component), 0},
                             TLeafKind{ComponentCategory(b->Component), sameFootprint ? 0 : 1});
}

// ---------------------------------------------------------------------------
// TPairGenerator

TPairGenerator::TPairGenerator(const TPlacementContext& context, const TFastListOf<PcbHandle>& components)
    : Context(context), Buckets(kMaxScore + 1), BucketHeads(kMaxScore + 1, 0) {
    GatherComponents(components);
    ScorePairs();
}

TPairGenerator::~TPairGenerator() {
    for (TPair* root : Nodes) {
        if (root != Result) {
            FreePairTree(root);
        }
    }
}

int32_t TPairGenerator::AddRoot(TPair* node, TRootNets nets) {
    const auto root = static_cast<int32_t>(RootNodes.size());
    RootNodes.push_back(node);
    RootCurrent.push_back(true);
    RootNets.push_back(std::move(nets));
    RootOf[node] = root;
    return root;
}

void TPairGenerator::GatherComponents(const TFastListOf<PcbHandle>& components) {
    const TProgressPhase progress("Gathering components ...", components.Count());
    if (!CheckStopRequest()) {
        std::unordered_map<std::string, int32_t> footprints;
        for (PcbHandle component : components) {
            auto leaf = std::make_unique<TPair>(component);
            TRootNets nets;
            if (leaf->Nets != nullptr) {  // a nil handle in the list gives a node without nets
                std::unordered_map<int32_t, int32_t> counts;
                for (PcbHandle net : *leaf->Nets) {
                    const auto found = NetNumbers.try_emplace(net, static_cast<int32_t>(NetNumbers.size())).first;
                    ++counts[found->second];
                }
                nets.Counts.assign(counts.begin(), counts.end());
                std::sort(nets.Counts.begin(), nets.Counts.end());
                nets.Length = leaf->Nets->Count();
            }

            const auto footprint =
                footprints.try_emplace(ComponentFootprint(component), static_cast<int32_t>(footprints.size())).first;
            LeafKinds.push_back(TLeafKind{ComponentCategory(component), footprint->second});

            Nodes.Add(leaf.get());
            AddRoot(leaf.release(), std::move(nets));
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
    Dense.assign(NetNumbers.size(), 0);
}

void TPairGenerator::Spread(int32_t root) {
    for (const auto& [net, count] : RootNets[static_cast<std::size_t>(root)].Counts) {
        Dense[static_cast<std::size_t>(net)] = count;
    }
}

void TPairGenerator::Unspread(int32_t root) {
    for (const auto& entry : RootNets[static_cast<std::size_t>(root)].Counts) {
        Dense[static_cast<std::size_t>(entry.first)] = 0;
    }
}

int32_t TPairGenerator::DenseOverlap(int32_t a, int32_t b) const {
    // Both directions at once: entries of b found in a, and entries of a found in b.
    int64_t bInA = 0;
    int64_t aInB = 0;
    for (const auto& [net, count] : RootNets[static_cast<std::size_t>(b)].Counts) {
        const int32_t countInA = Dense[static_cast<std::size_t>(net)];
        if (countInA > 0) {
            bInA += count;
            aInB += countInA;
        }
    }
    const int64_t lengthA = RootNets[static_cast<std::size_t>(a)].Length;
    const int64_t lengthB = RootNets[static_cast<std::size_t>(b)].Length;
    // The shorter list is measured against the longer; on equal length a's.
    return lengthA > lengthB ? OverlapPercent(bInA, lengthB) : OverlapPercent(aInB, lengthA);
}

void TPairGenerator::AddCandidate(int32_t first, int32_t second, int32_t score) {
    const auto bucket = static_cast<std::size_t>(std::clamp(score, 0, kMaxScore));
    Buckets[bucket].push_back(TCandidate{first, second});
    HighestBucket = std::max(HighestBucket, static_cast<int32_t>(bucket));
}

void TPairGenerator::ScorePairs() {
    const int64_t n = Nodes.Count();
    const auto total = static_cast<int32_t>((n * n - n) / 2);
    const TProgressPhase progress("Scoring component pairs ...", total);
    if (!CheckStopRequest()) {
        // While only leaves exist, root number i is Nodes[i].
        for (int32_t i = 0; i < n; ++i) {
            Spread(i);
            bool stopped = false;
            for (int32_t j = i + 1; j < n; ++j) {
                const int32_t overlap = DenseOverlap(i, j);
                const int32_t type =
                    LeafPairTypeScore(LeafKinds[static_cast<std::size_t>(i)], LeafKinds[static_cast<std::size_t>(j)]);
                AddCandidate(i, j, Round(0.95 * overlap + type));
                TProgressPhase::Step();
                if (CheckStopRequest()) {
                    stopped = true;
                    break;
                }
            }
            Unspread(i);
            if (CheckStopRequest() || stopped) {
                break;
            }
        }
    }
}

TPair* TPairGenerator::BestPair() {
    while (HighestBucket >= 0) {
        const auto bucket = static_cast<std::size_t>(HighestBucket);
        std::vector<TCandidate>& candidates = Buckets[bucket];
        std::size_t& head = BucketHeads[bucket];
        while (head < candidates.size() && !(RootCurrent[static_cast<std::size_t>(candidates[head].First)] &&
                                            RootCurrent[static_cast<std::size_t>(candidates[head].Second)])) {
            ++head;
        }
        if (head < candidates.size()) {
            break;
        }
        candidates = {};
        head = 0;
        --HighestBucket;
    }
    if (HighestBucket < 0) {
        return nullptr;
    }
    // One poll per choice: the earliest best candidate is found without a scan.
    CheckStopRequest();
    const auto bucket = static_cast<std::size_t>(HighestBucket);
    ChosenCandidate = Buckets[bucket][BucketHeads[bucket]];
    Chosen = std::make_unique<TPair>(nullptr);
    Chosen->SetChildren(RootNodes[static_cast<std::size_t>(ChosenCandidate.First)],
                        RootNodes[static_cast<std::size_t>(ChosenCandidate.Second)]);
    Chosen->Score = HighestBucket;
    return Chosen.get();
}

void TPairGenerator::MergePair(TPair* p) {
    if (p == nullptr || p != Chosen.get() || p->Left == nullptr || p->Right == nullptr) {
        return;
    }
    Nodes.Remove(p->Left);
    Nodes.Remove(p->Right);
    Nodes.Add(p);

    // The joined roots leave the forest: every candidate with either of them
    // is now stale and skipped when met.
    const auto first = static_cast<std::size_t>(ChosenCandidate.First);
    const auto second = static_cast<std::size_t>(ChosenCandidate.Second);
    RootCurrent[first] = false;
    RootCurrent[second] = false;
    TRootNets joined;
    std::vector<std::pair<int32_t, int32_t>>& a = RootNets[first].Counts;
    std::vector<std::pair<int32_t, int32_t>>& b = RootNets[second].Counts;
    joined.Counts.reserve(a.size() + b.size());
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].first < b[j].first)) {
            joined.Counts.push_back(a[i++]);
        } else if (i == a.size() || b[j].first < a[i].first) {
            joined.Counts.push_back(b[j++]);
        } else {
            joined.Counts.emplace_back(a[i].first, a[i].second + b[j].second);
            ++i;
            ++j;
        }
    }
    joined.Length = RootNets[first].Length + RootNets[second].Length;
    RootNets[first] = {};
    RootNets[second] = {};
    const int32_t root = AddRoot(Chosen.release(), std::move(joined));

    if (CheckStopRequest()) {
        return;
    }
    Spread(root);
    for (int32_t k = 0; k < Nodes.Count() - 1; ++k) {
        const int32_t other = RootOf.at(Nodes[k]);
        AddCandidate(root, other, DenseOverlap(root, other));
    }
    Unspread(root);
}

TPair* TPairGenerator::BuildTree() {
    const TProgressPhase progress("Clustering ...", Nodes.Count());
    while (!CheckStopRequest() && Nodes.Count() > 1) {
        TPair* p = BestPair();
        if (!CheckStopRequest()) {
            MergePair(p);
        }
        TProgressPhase::Step();
        // No candidate left only after an interrupted join; without this the
        // loop would never end should the stop be withdrawn.
        if (p == nullptr) {
            break;
        }
    }
    Result = Nodes.Empty() ? nullptr : Nodes[0];
    return Result;
}

}  // namespace autoplacer
