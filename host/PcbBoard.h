// The board record and the host's system options record.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/PcbRecords.h"

namespace autoplacer {

class TPcbBoard : public TPCBObject {
public:
    explicit TPcbBoard(PcbHandle board = nullptr) : TPCBObject(PCB_BOARD, board) {}
    // Reads or writes the board's fields and the display information of every layer.
    int32_t Sync(int32_t direction) override;

    // The display colour of a layer number (0 for numbers out of range).
    uint32_t GetLayerColour(int layer) const;
    void SetLayerColour(int layer, uint32_t colour);
    bool IsLayerShown(int layer) const;
    bool IsLayerPresent(int layer) const;

    std::string FileName;
    int32_t XOrigin = 0;
    int32_t YOrigin = 0;
    int32_t XCursor = 0;
    int32_t YCursor = 0;
    uint8_t Imperial = 0;  // nonzero = mils, 0 = millimetres
    double ComponentGrid = 0.0;
    std::array<PcbLayerInfo, PCB_LAYER_COUNT> Layers{};  // by layer number
};

// The host's system options; the placer reads only the miscellaneous flags.
class TPcbSystemOptions {
public:
    int32_t Sync(int32_t direction);
    // Whether the host highlights component-clearance conflicts (the fourth flag).
    bool HighlightComponentClearanceConflicts() const { return MiscFlags[3] != 0; }

    std::array<uint8_t, PCB_SYSTEM_MISC_FLAG_COUNT> MiscFlags{};
};

}  // namespace autoplacer
