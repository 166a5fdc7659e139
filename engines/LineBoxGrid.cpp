#include "engines/LineBoxGrid.h"

#include <algorithm>
#include <cmath>

namespace autoplacer {

TLineBoxGrid::TLineBoxGrid(std::vector<TIndexedBox> boxes) : All(std::move(boxes)) {
    if (All.empty()) {
        return;
    }
    int64_t right = All.front().X2;
    int64_t top = All.front().Y2;
    Left = All.front().X1;
    Bottom = All.front().Y1;
    for (const TIndexedBox& b : All) {
        Left = std::min<int64_t>(Left, b.X1);
        Bottom = std::min<int64_t>(Bottom, b.Y1);
        right = std::max<int64_t>(right, b.X2);
        top = std::max<int64_t>(top, b.Y2);
    }
    // About two boxes a bucket on average, at most 128 buckets a side.
    const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(All.size()) / 2.0)), 1, 128);
    Columns = side;
    Rows = side;
    CellWidth = std::max<int64_t>((right - Left) / Columns + 1, 1);
    CellHeight = std::max<int64_t>((top - Bottom) / Rows + 1, 1);
    Cells.resize(static_cast<std::size_t>(Columns) * static_cast<std::size_t>(Rows));
    for (TIndexedBox& b : All) {
        const int cx1 = ColumnOf(b.X1);
        const int cx2 = ColumnOf(b.X2);
        const int cy1 = RowOf(b.Y1);
        const int cy2 = RowOf(b.Y2);
        b.Column = cx1;
        b.Row = cy1;
        if (static_cast<int64_t>(cx2 - cx1 + 1) * (cy2 - cy1 + 1) > MaxCellsPerBox) {
            Large.push_back(b);
            continue;
        }
        for (int cy = cy1; cy <= cy2; ++cy) {
            for (int cx = cx1; cx <= cx2; ++cx) {
                Cells[static_cast<std::size_t>(cy * Columns + cx)].push_back(b);
            }
        }
    }
}

int TLineBoxGrid::ColumnOf(int64_t x) const {
    return static_cast<int>(std::clamp<int64_t>((x - Left) / CellWidth - (x < Left ? 1 : 0), 0, Columns - 1));
}

int TLineBoxGrid::RowOf(int64_t y) const {
    return static_cast<int>(std::clamp<int64_t>((y - Bottom) / CellHeight - (y < Bottom ? 1 : 0), 0, Rows - 1));
}

}  // namespace autoplacer
