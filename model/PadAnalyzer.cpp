#include "model/PadAnalyzer.h"

#include <algorithm>

#include "host/PcbIterators.h"

namespace autoplacer {

int32_t TPadAnalyzer::Analyze(PcbHandle component) {
    Component = component;
    TObjectIterator iterator(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    iterator.ForEach([&](PcbHandle pad) {
        auto record = std::make_unique<TPcbPad>(pad);
        record->Sync(PCB_READ);
        Pads.push_back(std::move(record));
    });

    if (!Pads.empty()) {
        TRect extent = Rect(Pads.front()->X, Pads.front()->Y, Pads.front()->X, Pads.front()->Y);
        for (const auto& pad : Pads) {
            extent.Left = std::min(extent.Left, pad->X);
            extent.Right = std::max(extent.Right, pad->X);
            extent.Bottom = std::min(extent.Bottom, pad->Y);
            extent.Top = std::max(extent.Top, pad->Y);
        }
        PadExtent = extent;
    }

    ColumnEdgePads = 0;
    RowEdgePads = 0;
    for (const auto& pad : Pads) {
        if (pad->X == PadExtent.Left || pad->X == PadExtent.Right) {
            ++ColumnEdgePads;
        }
        if (pad->Y == PadExtent.Bottom || pad->Y == PadExtent.Top) {
            ++RowEdgePads;
        }
    }
    Pads.clear();

    const bool rows = RowEdgePads > 4;
    const bool columns = ColumnEdgePads > 4;
    if (rows && columns) {
        return kPadPatternFourSided;
    }
    if (rows) {
        return kPadPatternRows;
    }
    if (columns) {
        return kPadPatternColumns;
    }
    return kPadPatternOther;
}

int32_t AnalyzePadPattern(PcbHandle component) {
    TPadAnalyzer analyzer;
    return analyzer.Analyze(component);
}

}  // namespace autoplacer
