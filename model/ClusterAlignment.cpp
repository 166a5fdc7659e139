#include "model/ClusterAlignment.h"

#include <cmath>
#include <cstdlib>

#include "host/PcbBoard.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/PlacedComponent.h"

namespace autoplacer {

namespace {

struct TExtentBox {
    int32_t X1 = 0;
    int32_t Y1 = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
};

TExtentBox ExtentOf(PcbHandle component) {
    TExtentBox e;
    GetComponentExtent(component, e.X1, e.Y1, e.X2, e.Y2, false);
    return e;
}

// The per-component steps: the target coordinate comes in the cluster's AlignCoordinate.
void AlignLeftEdge(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveExtentTo(a, e.Y1);
}

void AlignRightEdge(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveExtentTo(a + e.X1 - e.X2, e.Y1);
}

void AlignCentreX(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveCentreTo(a, static_cast<int32_t>((int64_t{e.Y1} + e.Y2) / 2));
}

void AlignBottomEdge(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveExtentTo(e.X1, a);
}

void AlignTopEdge(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveExtentTo(e.X1, a + e.Y1 - e.Y2);
}

void AlignCentreY(void* data, PcbHandle handle) {
    const int32_t a = static_cast<TCluster*>(data)->AlignCoordinate;
    TPlacedComponent component(handle);
    const TExtentBox e = ExtentOf(handle);
    component.MoveCentreTo(static_cast<int32_t>((int64_t{e.X1} + e.X2) / 2), a);
}

// The gap between consecutive columns (rows): the free length shared among one
// gap per component after the first, never negative. A cluster of fewer than
// two components has nothing to spread; the caller leaves it alone.
int32_t DistributionGap(int32_t span, int64_t occupied, int32_t componentCount) {
    const int64_t gap = (int64_t{span} - occupied) / (componentCount - 1);
    return gap < 0 ? 0 : static_cast<int32_t>(gap);
}

void DistributeColumns(TCluster& cluster, const TRect& r) {
    const int32_t count = cluster.ComponentCount();
    if (count < 2) {
        return;
    }
    const std::unique_ptr<TCluster> columns = GroupIntoColumns(cluster);
    int64_t total = 0;
    for (const TRectangularComponentGroup* column : *columns) {
        total += MaxMemberWidth(*column);
    }
    const int32_t gap = DistributionGap(RectWidth(r), total, count);
    int32_t x = r.Left;
    for (TRectangularComponentGroup* column : *columns) {
        const TRect c = column->Rect;
        column->Rect = Rect(x + gap, c.Top, x + gap + RectWidth(c), c.Bottom);
        column->ApplyTransform();
        x = x + gap + RectWidth(column->Rect);
    }
}

void DistributeRows(TCluster& cluster, const TRect& r) {
    const int32_t count = cluster.ComponentCount();
    if (count < 2) {
        return;
    }
    const std::unique_ptr<TCluster> rows = GroupIntoRows(cluster);
    int64_t total = 0;
    for (const TRectangularComponentGroup* row : *rows) {
        total += MaxMemberHeight(*row);
    }
    const int32_t gap = DistributionGap(RectHeight(r), total, count);
    int32_t y = r.Bottom;
    for (TRectangularComponentGroup* row : *rows) {
        const TRect c = row->Rect;
        row->Rect = Rect(c.Left, y + gap + RectHeight(c), c.Right, y + gap);
        row->ApplyTransform();
        y = y + gap + RectHeight(row->Rect);
    }
}

// Sorts the handles by the extent centre on one axis and starts a new group
// whenever a component leaves the span of the current group's first member.
std::unique_ptr<TCluster> GroupIntoLines(const TCluster& cluster, bool columns) {
    auto result = std::make_unique<TCluster>();
    TFastListOf<PcbHandle> handles = cluster.ComponentHandles();
    handles.Sort([columns](PcbHandle a, PcbHandle b) {
        const TRect ea = ComponentExtentRect(a);
        const TRect eb = ComponentExtentRect(b);
        const int32_t ka = columns ? RectCentreX(ea) : RectCentreY(ea);
        const int32_t kb = columns ? RectCentreX(eb) : RectCentreY(eb);
        return ka < kb ? -1 : (ka > kb ? 1 : 0);
    });
    if (handles.Empty()) {
        return result;
    }
    auto group = std::make_unique<TRectangularComponentGroup>();
    for (PcbHandle handle : handles) {
        bool joins = group->Empty();
        if (!joins) {
            const TExtentBox first = ExtentOf(FirstHandle(*group));
            const TExtentBox e = ExtentOf(handle);
            joins = columns ? (first.X1 <= e.X1 && e.X2 <= first.X2) : (first.Y1 <= e.Y1 && e.Y2 <= first.Y2);
        }
        if (!joins) {
            result->Add(group.release());
            group = std::make_unique<TRectangularComponentGroup>();
        }
        group->AddComponent(handle);
    }
    result->Add(group.release());
    return result;
}

}  // namespace

void AlignHorizontally(TCluster& cluster, uint8_t mode) {
    const TRect r = cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    switch (mode) {
        case kAlignLeft:
            cluster.AlignCoordinate = r.Left;
            cluster.ForEachHandleWith(AlignLeftEdge, &cluster);
            break;
        case kAlignRight:
            cluster.AlignCoordinate = r.Right;
            cluster.ForEachHandleWith(AlignRightEdge, &cluster);
            break;
        case kAlignCentre:
            cluster.AlignCoordinate = RectCentreX(r);
            cluster.ForEachHandleWith(AlignCentreX, &cluster);
            break;
        case kAlignDistribute:
            DistributeColumns(cluster, r);
            break;
        default:
            break;
    }
}

void AlignVertically(TCluster& cluster, uint8_t mode) {
    const TRect r = cluster.GetBoundingRect(kMovableGroups | kFixedGroups);
    switch (mode) {
        case kAlignTop:
            cluster.AlignCoordinate = r.Top;
            cluster.ForEachHandleWith(AlignTopEdge, &cluster);
            break;
        case kAlignBottom:
            cluster.AlignCoordinate = r.Bottom;
            cluster.ForEachHandleWith(AlignBottomEdge, &cluster);
            break;
        case kAlignCentre:
            cluster.AlignCoordinate = RectCentreY(r);
            cluster.ForEachHandleWith(AlignCentreY, &cluster);
            break;
        case kAlignDistribute:
            DistributeRows(cluster, r);
            break;
        default:
            break;
    }
}

std::unique_ptr<TCluster> GroupIntoColumns(const TCluster& cluster) { return GroupIntoLines(cluster, true); }

std::unique_ptr<TCluster> GroupIntoRows(const TCluster& cluster) { return GroupIntoLines(cluster, false); }

int32_t SnapOffsetToGrid(int32_t offset, double grid) {
    // Trunc cuts toward zero: left of (below) the origin the candidates are the
    // line nearer zero and the one beyond it toward positive values.
    const int32_t low = Round(std::trunc(offset / grid) * grid);
    const int32_t high = Round(low + grid);
    const int64_t toLow = std::llabs(int64_t{offset} - low);
    const int64_t toHigh = std::llabs(int64_t{offset} - high);
    return toLow < toHigh ? low : high;
}

void SnapComponentsToGrid(const TCluster& cluster, PcbHandle board) {
    TPcbBoard boardRecord(board);
    boardRecord.Sync(PCB_READ);
    const double grid = boardRecord.ComponentGrid;
    if (std::fabs(grid) < 1.0) {
        return;
    }
    const int32_t xOrigin = boardRecord.XOrigin;
    const int32_t yOrigin = boardRecord.YOrigin;
    const TFastListOf<PcbHandle> handles = cluster.ComponentHandles();
    for (PcbHandle handle : handles) {
        TPcbComponent record(handle);
        record.Sync(PCB_READ);
        record.X = xOrigin + SnapOffsetToGrid(record.X - xOrigin, grid);
        record.Y = yOrigin + SnapOffsetToGrid(record.Y - yOrigin, grid);
        record.Sync(PCB_WRITE);
    }
}

std::unique_ptr<TCluster> ClusterOfSelected(PcbHandle board) {
    auto cluster = std::make_unique<TCluster>();
    if (board == nullptr) {
        return cluster;
    }
    TObjectIterator components(board, PCB_COMPONENT);
    components.ForEach([&](PcbHandle handle) {
        TPcbComponent record(handle);
        record.Sync(PCB_READ);
        if (record.IsSelected()) {
            cluster->AddComponent(handle);
        }
    });
    return cluster;
}

}  // namespace autoplacer
