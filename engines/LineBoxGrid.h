// A grid of buckets over a fixed set of boxes (the connections that stay while
// one group is searched for), answering every box that meets a query box,
// edges inclusive, each once. Boxes are copied into the buckets, so a query
// reads only compact bucket lists; a box spanning many buckets, and a query
// spanning many, go through one list of all boxes instead.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace autoplacer {

struct TIndexedBox {
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // x1 <= x2, y1 <= y2
    int32_t Index = 0;
    // The bucket column and row of the box's lower-left corner (set by the grid).
    int32_t Column = 0, Row = 0;
};

class TLineBoxGrid {
public:
    // The boxes, each with the index the queries answer for it.
    explicit TLineBoxGrid(std::vector<TIndexedBox> boxes);

    // Calls visit(index) once for every box that meets [x1, x2] x [y1, y2].
    template <typename Visit>
    void ForEachMeeting(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit visit) const {
        const auto meets = [&](const TIndexedBox& b) { return b.X1 <= x2 && x1 <= b.X2 && b.Y1 <= y2 && y1 <= b.Y2; };
        if (All.empty()) {
            return;
        }
        const int cx1 = ColumnOf(x1);
        const int cx2 = ColumnOf(x2);
        const int cy1 = RowOf(y1);
        const int cy2 = RowOf(y2);
        if (static_cast<int64_t>(cx2 - cx1 + 1) * (cy2 - cy1 + 1) > MaxCellsPerQuery) {
            for (const TIndexedBox& b : All) {
                if (meets(b)) {
                    visit(b.Index);
                }
            }
            return;
        }
        for (const TIndexedBox& b : Large) {
            if (meets(b)) {
                visit(b.Index);
            }
        }
        // A box listed in several buckets is answered in the first of them
        // that lies inside both it and the query.
        for (int cy = cy1; cy <= cy2; ++cy) {
            for (int cx = cx1; cx <= cx2; ++cx) {
                for (const TIndexedBox& b : Cells[static_cast<std::size_t>(cy * Columns + cx)]) {
                    if (meets(b) && std::max(b.Column, cx1) == cx && std::max(b.Row, cy1) == cy) {
                        visit(b.Index);
                    }
                }
            }
        }
    }

    // Buckets a box may span before it goes to the list of large ones, and a
    // query before it reads the list of all.
    static constexpr int64_t MaxCellsPerBox = 16;
    static constexpr int64_t MaxCellsPerQuery = 64;

private:
    int ColumnOf(int64_t x) const;
    int RowOf(int64_t y) const;

    int64_t Left = 0;
    int64_t Bottom = 0;
    int64_t CellWidth = 1;
    int64_t CellHeight = 1;
    int Columns = 1;
    int Rows = 1;
    std::vector<std::vector<TIndexedBox>> Cells;
    std::vector<TIndexedBox> Large;
    std::vector<TIndexedBox> All;
};

}  // namespace autoplacer
