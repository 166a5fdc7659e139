// The board's spatial index: boxes of the objects in the board, updated incrementally
// as objects move, enter or leave the board.
#pragma once

#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb {

class SpatialIndex {
public:
    SpatialIndex();
    ~SpatialIndex();
    SpatialIndex(const SpatialIndex&) = delete;
    SpatialIndex& operator=(const SpatialIndex&) = delete;

    // Inserts or moves the object to `box`.
    void Put(Object& object, const Box& box);
    void Drop(Object& object);
    void Query(const Box& box, std::vector<Object*>& out) const;
    std::size_t Size() const;

private:
    struct Tree;
    Tree* tree_;
};

}  // namespace hostpcb
