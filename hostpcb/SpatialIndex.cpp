#include "hostpcb/SpatialIndex.h"

// Boost's r-tree trips a false "maybe uninitialized" in GCC's heap code, and includes a
// header of its own that Boost marks deprecated.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define BOOST_ALLOW_DEPRECATED_HEADERS

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

namespace hostpcb {
namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

using BgPoint = bg::model::point<int32_t, 2, bg::cs::cartesian>;
using BgBox = bg::model::box<BgPoint>;
using Entry = std::pair<BgBox, Object*>;

struct SpatialIndex::Tree {
    bgi::rtree<Entry, bgi::quadratic<16>> rtree;
};

namespace {
BgBox ToBg(const Box& b) { return BgBox(BgPoint(b.x1, b.y1), BgPoint(b.x2, b.y2)); }
}  // namespace

SpatialIndex::SpatialIndex() : tree_(new Tree) {}
SpatialIndex::~SpatialIndex() { delete tree_; }

void SpatialIndex::Put(Object& object, const Box& box) {
    if (object.indexed_) {
        if (object.indexedBox_ == box) return;
        tree_->rtree.remove(Entry(ToBg(object.indexedBox_), &object));
    }
    tree_->rtree.insert(Entry(ToBg(box), &object));
    object.indexed_ = true;
    object.indexedBox_ = box;
}

void SpatialIndex::Drop(Object& object) {
    if (!object.indexed_) return;
    tree_->rtree.remove(Entry(ToBg(object.indexedBox_), &object));
    object.indexed_ = false;
}

void SpatialIndex::Query(const Box& box, std::vector<Object*>& out) const {
    for (auto it = tree_->rtree.qbegin(bgi::intersects(ToBg(box))); it != tree_->rtree.qend(); ++it)
        out.push_back(it->second);
}

std::size_t SpatialIndex::Size() const { return tree_->rtree.size(); }

}  // namespace hostpcb
