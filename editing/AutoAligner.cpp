#include "editing/AutoAligner.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/OldComponentPositions.h"
#include "model/PlacedComponent.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/BoardQueries.h"

namespace autoplacer {

namespace {

// How far the search bands reach beyond the component, as a share of its size.
constexpr double kBandReach = 0.7;

struct TExtentBox {
    int32_t X1 = 0;
    int32_t Y1 = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
    int64_t Width() const { return int64_t{X2} - X1; }
    int64_t Height() const { return int64_t{Y2} - Y1; }
    int32_t CentreX() const { return static_cast<int32_t>((int64_t{X1} + X2) / 2); }
    int32_t CentreY() const { return static_cast<int32_t>((int64_t{Y1} + Y2) / 2); }
};

TExtentBox ExtentOf(PcbHandle component) {
    TExtentBox e;
    GetComponentExtent(component, e.X1, e.Y1, e.X2, e.Y2, false);
    return e;
}

void MoveCentre(PcbHandle handle, int32_t x, int32_t y) {
    TPlacedComponent component(handle);
    component.MoveCentreTo(x, y);
}

// Keeps the members whose extent lies within [lo, hi] on one axis.
void KeepWithin(THandleList& list, int32_t lo, int32_t hi, bool horizontal) {
    THandleList kept;
    for (PcbHandle member : list) {
        const TExtentBox e = ExtentOf(member);
        const int32_t low = horizontal ? e.X1 : e.Y1;
        const int32_t high = horizontal ? e.X2 : e.Y2;
        if (low >= lo && high <= hi) {
            kept.Add(member);
        }
    }
    list = std::move(kept);
}

// TrimRow (horizontal) and TrimColumn: the limits start at the component and
// the members, and each dissimilar blocker that crosses the component's centre
// line inside the current limits narrows them on its side.
void TrimLine(THandleList& list, PcbHandle component, PcbHandle board, bool horizontal) {
    if (list.Empty()) {
        return;
    }
    const TExtentBox c = ExtentOf(component);
    const int32_t centre = horizontal ? c.CentreY() : c.CentreX();
    int32_t lo = horizontal ? c.X1 : c.Y1;
    int32_t hi = horizontal ? c.X2 : c.Y2;
    for (PcbHandle member : list) {
        const TExtentBox e = ExtentOf(member);
        lo = std::min(lo, horizontal ? e.X1 : e.Y1);
        hi = std::max(hi, horizontal ? e.X2 : e.Y2);
    }
    const int32_t reference = horizontal ? GetObjectX(component) : GetObjectY(component);
    TObjectIterator components(board, PCB_COMPONENT);
    components.ForEach([&](PcbHandle other) {
        if (other == component || list.Contains(other) || SimilarComponents(other, component, false)) {
            return;
        }
        const TExtentBox d = ExtentOf(other);
        const int32_t alongLow = horizontal ? d.X1 : d.Y1;
        const int32_t alongHigh = horizontal ? d.X2 : d.Y2;
        const int32_t acrossLow = horizontal ? d.Y1 : d.X1;
        const int32_t acrossHigh = horizontal ? d.Y2 : d.X2;
        if (alongLow < lo || alongHigh > hi || centre < acrossLow || centre > acrossHigh) {
            return;
        }
        const int32_t otherReference = horizontal ? GetObjectX(other) : GetObjectY(other);
        if (reference < otherReference) {
            hi = alongLow;
        } else if (otherReference < reference) {
            lo = alongHigh;
        }
    });
    KeepWithin(list, lo, hi, horizontal);
}

void DistributeLine(THandleList& list, bool horizontal) {
    if (list.Count() < 3) {
        return;
    }
    list.Sort([horizontal](PcbHandle a, PcbHandle b) {
        const TExtentBox ea = ExtentOf(a);
        const TExtentBox eb = ExtentOf(b);
        const int32_t ka = horizontal ? ea.CentreX() : ea.CentreY();
        const int32_t kb = horizontal ? eb.CentreX() : eb.CentreY();
        return ka < kb ? -1 : (ka > kb ? 1 : 0);
    });
    const TExtentBox firstBox = ExtentOf(list.First());
    const TExtentBox lastBox = ExtentOf(list.Last());
    const int64_t first = horizontal ? firstBox.CentreX() : firstBox.CentreY();
    const int64_t last = horizontal ? lastBox.CentreX() : lastBox.CentreY();
    const int64_t step = (last - first) / (list.Count() - 1);
    for (int32_t i = 1; i <= list.Count() - 2; ++i) {
        const PcbHandle member = list[i];
        const TExtentBox e = ExtentOf(member);
        const auto at = static_cast<int32_t>(first + step * i);
        if (horizontal) {
            MoveCentre(member, at, e.CentreY());
        } else {
            MoveCentre(member, e.CentreX(), at);
        }
    }
}

}  // namespace

bool SimilarSize(int64_t a, int64_t b) {
    const long double smaller = static_cast<long double>(std::min(a, b));
    const long double larger = static_cast<long double>(std::max(a, b));
    return smaller >= 0.8L * larger;
}

bool SimilarComponents(PcbHandle a, PcbHandle b, bool eitherOrientation) {
    const TExtentBox ea = ExtentOf(a);
    const TExtentBox eb = ExtentOf(b);
    const bool same = SimilarSize(ea.Width(), eb.Width()) && SimilarSize(ea.Height(), eb.Height());
    if (same || !eitherOrientation) {
        return same;
    }
    return SimilarSize(ea.Width(), eb.Height()) && SimilarSize(ea.Height(), eb.Width());
}

void FindRowAndColumn(PcbHandle component, PcbHandle board, THandleList& row, THandleList& column) {
    row.Clear();
    column.Clear();
    const TExtentBox c = ExtentOf(component);
    const int64_t reachY = Round64(kBandReach * static_cast<double>(c.Height()));
    const int64_t reachX = Round64(kBandReach * static_cast<double>(c.Width()));
    const int64_t bottom = c.Y1 - reachY;
    const int64_t top = c.Y2 + reachY;
    const int64_t left = c.X1 - reachX;
    const int64_t right = c.X2 + reachX;
    const int layer = GetObjectLayer(component);

    TObjectIterator components(board, PCB_COMPONENT);
    components.ForEach([&](PcbHandle other) {
        if (other == component || !GetObjectMoveable(other) || GetObjectLayer(other) != layer ||
            !SimilarComponents(other, component, false)) {
            return;
        }
        const TExtentBox d = ExtentOf(other);
        const bool inY = d.Y1 >= bottom && d.Y2 <= top;
        const bool inX = d.X1 >= left && d.X2 <= right;
        if (inY && inX) {
            // More above or below than beside: the column; a tie goes to the row.
            if (std::llabs(int64_t{d.X1} - c.X1) < std::llabs(int64_t{d.Y1} - c.Y1)) {
                column.Add(other);
            } else {
                row.Add(other);
            }
        } else if (inY) {
            row.Add(other);
        } else if (inX) {
            column.Add(other);
        }
    });
    TrimRow(row, component, board);
    TrimColumn(column, component, board);
    if (row.Count() < column.Count()) {
        row.Clear();
    } else {
        column.Clear();
    }
}

void TrimRow(THandleList& row, PcbHandle component, PcbHandle board) { TrimLine(row, component, board, true); }

void TrimColumn(THandleList& column, PcbHandle component, PcbHandle board) {
    TrimLine(column, component, board, false);
}

void AlignRowToComponent(const THandleList& row, PcbHandle component) {
    const int32_t y = ExtentOf(component).CentreY();
    for (PcbHandle member : row) {
        MoveCentre(member, ExtentOf(member).CentreX(), y);
    }
}

void AlignColumnToComponent(const THandleList& column, PcbHandle component) {
    const int32_t x = ExtentOf(component).CentreX();
    for (PcbHandle member : column) {
        MoveCentre(member, x, ExtentOf(member).CentreY());
    }
}

void DistributeRow(THandleList& row) { DistributeLine(row, true); }

void DistributeColumn(THandleList& column) { DistributeLine(column, false); }

void AutoAlign(PcbHandle component, PcbHandle board, TCluster* editorCluster) {
    // Align on the board, measure, then put everything back; the aligned
    // positions are re-applied only when no component moved far.
    TListOfOldComponentPositions saved(board);
    THandleList row;
    THandleList column;
    FindRowAndColumn(component, board, row, column);
    AlignRowToComponent(row, component);
    AlignColumnToComponent(column, component);
    row.Add(component);
    column.Add(component);
    DistributeRow(row);
    DistributeColumn(column);

    const bool close = saved.AllWithin150Mil();
    const std::unique_ptr<TCluster> moved = saved.ChangedAsCluster();
    TListOfOldComponentPositions after(board, NotContains, moved.get());
    saved.Restore(false);
    if (!close) {
        return;
    }
    moved->RemovedFromBoard = false;
    moved->RemoveComponent(component);
    // Out of the board while their old images are invalidated, so the redraw
    // shows neither them nor the edited cluster at the old places.
    moved->RemoveFromBoard(board, true);
    if (editorCluster != nullptr) {
        editorCluster->RemoveFromBoard(board, true);
    }
    moved->ForEachHandle([](PcbHandle handle) { InvalidateObject(handle); });
    if (editorCluster != nullptr) {
        editorCluster->ReinsertIntoBoard(board, true);
    }
    moved->ReinsertIntoBoard(board, true);
    after.Restore(false);
    moved->ForEachHandle([](PcbHandle handle) { PcbApi::PcbApi_ShowObject(handle); });
}

}  // namespace autoplacer
