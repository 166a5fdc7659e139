#include "engines/TreeBasedPlacer.h"

#include <utility>
#include <vector>

#include "model/Cluster.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

TTreeBasedPlacer::TTreeBasedPlacer(TClusterList* clusters, PcbHandle board, const TRect& area, TPair* root)
    : Root(root), Area(area), Clusters(clusters), Board(board) {}

void TTreeBasedPlacer::Run() {
    if (Root != nullptr && !Root->IsLeaf()) {
        PlaceSubtree(Area, Root);
    }
}

int64_t TTreeBasedPlacer::Size(TPair* node) {
    if (node == nullptr) {
        return 0;
    }
    if (const auto known = Sizes.find(node); known != Sizes.end()) {
        return known->second;
    }
    // Post-order over an explicit stack: deep chains would exhaust the call stack.
    std::vector<std::pair<TPair*, bool>> pending{{node, false}};
    while (!pending.empty()) {
        auto [current, childrenDone] = pending.back();
        pending.pop_back();
        if (Sizes.contains(current)) {
            continue;
        }
        if (current->IsLeaf()) {
            Sizes[current] = current->Component != nullptr ? ComponentAreaMeasure(current->Component) : 0;
        } else if (childrenDone) {
            Sizes[current] = Sizes[current->Left] + Sizes[current->Right];
        } else {
            pending.emplace_back(current, true);
            pending.emplace_back(current->Right, false);
            pending.emplace_back(current->Left, false);
        }
    }
    return Sizes[node];
}

void TTreeBasedPlacer::SplitRect(const TRect& r, TPair* node, TRect& rl, TRect& rr) {
    const int64_t a = Size(node->Left);
    const int64_t b = Size(node->Right);
    // Children without any extent share the rectangle evenly.
    const double f = a + b > 0 ? static_cast<double>(a) / static_cast<double>(a + b) : 0.5;
    const int32_t w = RectWidth(r);
    const int32_t h = RectHeight(r);
    if (w >= h) {
        const int32_t d = Round(w * f);
        rl = Rect(r.Left, r.Top, r.Left + d, r.Bottom);
        rr = Rect(r.Left + d, r.Top, r.Right, r.Bottom);
    } else {
        const int32_t d = Round(h * f);
        rl = Rect(r.Left, r.Bottom + d, r.Right, r.Bottom);
        rr = Rect(r.Left, r.Top, r.Right, r.Bottom + d);
    }
}

void TTreeBasedPlacer::PlaceSubtree(const TRect& r, TPair* node) {
    // Depth first over an explicit stack, the Left slice before the Right one,
    // exactly as the recursive cut would go.
    std::vector<std::pair<TRect, TPair*>> pending{{r, node}};
    while (!pending.empty()) {
        const auto [slice, current] = pending.back();
        pending.pop_back();
        if (current->IsLeaf()) {
            PlaceLeaf(slice, current);
            continue;
        }
        TRect rl;
        TRect rr;
        SplitRect(slice, current, rl, rr);
        pending.emplace_back(rr, current->Right);
        pending.emplace_back(rl, current->Left);
    }
}

void TTreeBasedPlacer::PlaceLeaf(const TRect& r, TPair* leaf) {
    if (leaf->Component == nullptr) {
        return;
    }
    TPlacedComponent component(leaf->Component);
    if (IsFixedComponent(component.Handle)) {
        return;
    }
    // Without arcs, pads or tracks there is no extent corner to put anywhere:
    // the part stays where it is.
    if (!ComponentHasExtent(component.Handle)) {
        return;
    }
    component.MoveExtentTo(r.Left, r.Bottom);
}

}  // namespace autoplacer
