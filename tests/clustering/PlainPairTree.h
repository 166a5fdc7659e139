// A plain, literal transcription of the pair-tree algorithm: every leaf pair
// scored with a linear net search, every join rescanning all candidates. The
// generator must build exactly the same tree; this one is kept simple enough
// to check by reading.
#pragma once

#include "clustering/PairGenerator.h"
#include <string>
#include <utility>

#include "host/PcbApi.h"
#include "host/PcbRecords.h"
#include "model/BoardQueries.h"
#include "model/FastList.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer::testing {

class TPlainPairTree {
public:
    explicit TPlainPairTree(const TFastListOf<PcbHandle>& components);
    ~TPlainPairTree();
    TPlainPairTree(const TPlainPairTree&) = delete;
    TPlainPairTree& operator=(const TPlainPairTree&) = delete;

    TPair* BuildTree();

    TFastListOf<TPair*> Nodes;
    TFastListOf<TPair*> Pairs;

private:
    static int32_t NetOverlap(TPair* a, TPair* b);
    static int32_t PairTypeScore(TPair* a, TPair* b);
    void GatherComponents(const TFastListOf<PcbHandle>& components);
    void ScorePairs();
    TPair* BestPair();
    void MergePair(TPair* p);

    TPair* Result = nullptr;
};


// Same shape, same components at the leaves and same scores at every node.
namespace plain {

enum class Kind { MultiPin, TwoPinCapacitor, Small };

inline Kind KindOf(PcbHandle component) {
    if (PadCount(component) > 3) {
        return Kind::MultiPin;
    }
    std::string designator;
    GetComponentDesignator(component, designator);
    if (!designator.empty() && (designator[0] == 'C' || designator[0] == 'c') && PadCount(component) == 2) {
        return Kind::TwoPinCapacitor;
    }
    return Kind::Small;
}

inline void GatherNets(TPair* node, TFastListOf<PcbHandle>& into) {
    node->Visit([&](TPair* visited) {
        if (visited->IsLeaf() && visited->Component != nullptr && visited->Nets != nullptr) {
            for (int32_t i = 0; i < visited->Nets->Count(); ++i) {
                into.Add(visited->Nets->Items(i));
            }
        }
    });
}

}  // namespace plain

inline TPlainPairTree::TPlainPairTree(const TFastListOf<PcbHandle>& components) {
    GatherComponents(components);
    ScorePairs();
}

inline TPlainPairTree::~TPlainPairTree() {
    for (TPair* pair : Pairs) {
        delete pair;
    }
    for (TPair* root : Nodes) {
        if (root != Result) {
            FreePairTree(root);
        }
    }
}

inline int32_t TPlainPairTree::NetOverlap(TPair* a, TPair* b) {
    TFastListOf<PcbHandle> na;
    TFastListOf<PcbHandle> nb;
    plain::GatherNets(a, na);
    plain::GatherNets(b, nb);
    if (na.Count() > nb.Count()) {
        std::swap(na, nb);
    }
    int32_t common = 0;
    for (int32_t i = 0; i < na.Count(); ++i) {
        for (int32_t j = 0; j < nb.Count(); ++j) {
            if (na[i] == nb[j]) {
                ++common;
                break;
            }
        }
    }
    return na.Count() == 0 ? 0 : common * 100 / na.Count();
}

inline int32_t TPlainPairTree::PairTypeScore(TPair* a, TPair* b) {
    if (!a->IsLeaf() || !b->IsLeaf()) {
        return 0;
    }
    const plain::Kind ka = plain::KindOf(a->Component);
    const plain::Kind kb = plain::KindOf(b->Component);
    std::string pa;
    std::string pb;
    GetComponentPattern(a->Component, pa);
    GetComponentPattern(b->Component, pb);
    const bool same = pa == pb;
    const auto either = [&](plain::Kind x, plain::Kind y) { return (ka == x && kb == y) || (ka == y && kb == x); };
    if (either(plain::Kind::MultiPin, plain::Kind::MultiPin) && same) return 10;
    if (either(plain::Kind::TwoPinCapacitor, plain::Kind::MultiPin)) return 9;
    if (either(plain::Kind::MultiPin, plain::Kind::MultiPin)) return 8;
    if (either(plain::Kind::TwoPinCapacitor, plain::Kind::Small)) return 7;
    if (either(plain::Kind::MultiPin, plain::Kind::Small)) return 6;
    if (either(plain::Kind::Small, plain::Kind::Small) && same) return 5;
    if (either(plain::Kind::Small, plain::Kind::Small)) return 4;
    if (either(plain::Kind::TwoPinCapacitor, plain::Kind::TwoPinCapacitor) && same) return 3;
    return 2;
}

inline void TPlainPairTree::GatherComponents(const TFastListOf<PcbHandle>& components) {
    PcbApi::PcbApi_Percent_Init("Gathering components ...", components.Count());
    if (!CheckStopRequest()) {
        for (int32_t i = 0; i < components.Count(); ++i) {
            Nodes.Add(new TPair(components[i]));
            PcbApi::PcbApi_Percent_Update();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
    PcbApi::PcbApi_Percent_Finish();
}

inline void TPlainPairTree::ScorePairs() {
    const int32_t n = Nodes.Count();
    Pairs.SetCapacity((n * n - n) / 2);
    PcbApi::PcbApi_Percent_Init("Scoring component pairs ...", (n * n - n) / 2);
    if (!CheckStopRequest()) {
        for (int32_t i = 0; i < n; ++i) {
            for (int32_t j = i + 1; j < n; ++j) {
                auto* p = new TPair(nullptr);
                p->SetChildren(Nodes[i], Nodes[j]);
                p->Score = Round(0.95 * NetOverlap(Nodes[i], Nodes[j]) + PairTypeScore(Nodes[i], Nodes[j]));
                Pairs.Add(p);
                PcbApi::PcbApi_Percent_Update();
                if (CheckStopRequest()) {
                    break;
                }
            }
            if (CheckStopRequest()) {
                break;
            }
        }
    }
    PcbApi::PcbApi_Percent_Finish();
}

inline TPair* TPlainPairTree::BestPair() {
    TPair* best = nullptr;
    int32_t bestScore = -1;
    for (int32_t i = 0; i < Pairs.Count(); ++i) {
        if (Pairs[i]->Score > bestScore) {
            bestScore = Pairs[i]->Score;
            best = Pairs[i];
        }
        if (CheckStopRequest()) {
            break;
        }
    }
    return best;
}

inline void TPlainPairTree::MergePair(TPair* p) {
    if (p == nullptr || p->Left == nullptr || p->Right == nullptr) {
        return;
    }
    Nodes.Remove(p->Left);
    Nodes.Remove(p->Right);
    Nodes.Add(p);
    for (int32_t i = 0; i < Pairs.Count(); ++i) {
        TPair* c = Pairs[i];
        if (c != nullptr &&
            (c->Left == p->Left || c->Left == p->Right || c->Right == p->Left || c->Right == p->Right)) {
            if (c != p) {
                delete c;
            }
            Pairs[i] = nullptr;
        }
    }
    PackList(Pairs);
    if (CheckStopRequest()) {
        return;
    }
    Pairs.SetCapacity(Pairs.Count() + Nodes.Count() - 1);
    for (int32_t k = 0; k <= Nodes.Count() - 2; ++k) {
        auto* q = new TPair(nullptr);
        q->SetChildren(p, Nodes[k]);
        q->Score = NetOverlap(p, Nodes[k]);
        Pairs.Add(q);
    }
}

inline TPair* TPlainPairTree::BuildTree() {
    PcbApi::PcbApi_Percent_Init("Clustering ...", Nodes.Count());
    while (!CheckStopRequest() && Nodes.Count() > 1) {
        TPair* p = BestPair();
        if (!CheckStopRequest()) {
            MergePair(p);
        }
        PcbApi::PcbApi_Percent_Update();
    }
    PcbApi::PcbApi_Percent_Finish();
    Result = Nodes.Empty() ? nullptr : Nodes[0];
    return Result;
}

inline bool SameTree(const TPair* a, const TPair* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return a->Score == b->Score && a->Component == b->Component && a->IsLeaf() == b->IsLeaf() &&
           SameTree(a->Left, b->Left) && SameTree(a->Right, b->Right);
}

}  // namespace autoplacer::testing
