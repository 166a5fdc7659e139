// Pad pattern analysis: tells dual-row and four-sided packages from others by
// how many pads lie on the edges of the component's pad field.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/PcbRecords.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// Pad patterns: more than four pads on the rows (top and bottom edges), on the
// columns (left and right edges), on both, or neither.
inline constexpr int32_t kPadPatternOther = 0;
inline constexpr int32_t kPadPatternRows = 1;
inline constexpr int32_t kPadPatternColumns = 2;
inline constexpr int32_t kPadPatternFourSided = 3;

class TPadAnalyzer {
public:
    TPadAnalyzer() = default;
    TPadAnalyzer(const TPadAnalyzer&) = delete;
    TPadAnalyzer& operator=(const TPadAnalyzer&) = delete;

    // Reads the component's pads and classifies them (0..3, see above). Only
    // the pads' reference points count, not their sizes. Without pads the
    // extent keeps its previous value and the result is 0.
    int32_t Analyze(PcbHandle component);

    PcbHandle Component = nullptr;
    // Least and greatest X and Y of the pads' reference points.
    TRect PadExtent = Rect(0, 0, 0, 0);
    // Pads with Y on the extent's bottom or top edge.
    int32_t RowEdgePads = 0;
    // Pads with X on the extent's left or right edge.
    int32_t ColumnEdgePads = 0;
    // The pads while an analysis runs; empty between analyses.
    std::vector<std::unique_ptr<TPcbPad>> Pads;
};

// The pad pattern of a component, by a temporary analyser.
int32_t AnalyzePadPattern(PcbHandle component);

}  // namespace autoplacer
