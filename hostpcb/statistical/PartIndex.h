// The boxes of the parts that are on the board so far, in an r-tree, so that the
// parts near a box are found without testing every pair.
#pragma once

#include <vector>

#include "hostpcb/statistical/BoostIndex.h"

namespace hostpcb::statistical {

class PartIndex {
public:
    void Insert(int part, const Box& box) { tree_.insert({ToBg(box), part}); }
    void Remove(int part, const Box& box) { tree_.remove(std::pair<BgBox, int>(ToBg(box), part)); }
    std::size_t Size() const { return tree_.size(); }

    // Calls f(part, box) for every part whose box meets `box`.
    template <class F>
    void ForEachNear(const Box& box, F&& f) const {
        found_.clear();
        tree_.query(bgi::intersects(ToBg(box)), std::back_inserter(found_));
        for (const auto& [b, part] : found_) {
            f(part, Box{bg::get<bg::min_corner, 0>(b), bg::get<bg::min_corner, 1>(b), bg::get<bg::max_corner, 0>(b),
                        bg::get<bg::max_corner, 1>(b)});
        }
    }

private:
    BoxTree<int> tree_;
    mutable std::vector<std::pair<BgBox, int>> found_;
};

}  // namespace hostpcb::statistical
