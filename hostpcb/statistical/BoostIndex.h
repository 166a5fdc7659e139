// The Boost.Geometry r-tree as the statistical placer uses it: boxes in host units
// with a payload, queried by intersection.
#pragma once

// Boost's r-tree trips a false "maybe uninitialized" in GCC's heap code, and includes a
// header of its own that Boost marks deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#ifndef BOOST_ALLOW_DEPRECATED_HEADERS
#define BOOST_ALLOW_DEPRECATED_HEADERS
#endif
#include <boost/function_output_iterator.hpp>
#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#pragma GCC diagnostic pop

#include <utility>

#include "hostpcb/Geometry.h"

namespace hostpcb::statistical {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

using BgPoint = bg::model::point<int32_t, 2, bg::cs::cartesian>;
using BgBox = bg::model::box<BgPoint>;

template <class T>
using BoxTree = bgi::rtree<std::pair<BgBox, T>, bgi::quadratic<16>>;

inline BgBox ToBg(const Box& b) { return BgBox(BgPoint(b.x1, b.y1), BgPoint(b.x2, b.y2)); }

// An output iterator that calls f with every query result.
template <class F>
auto FunctionOutput(F&& f) {
    return boost::make_function_output_iterator(std::forward<F>(f));
}

// An output iterator that only notes that something was found.
inline auto BoolOutput(bool& found) {
    return boost::make_function_output_iterator([&found](const auto&) { found = true; });
}

}  // namespace hostpcb::statistical
