#include "host/PcbBoard.h"

#include "host/PcbApi.h"
#include "host/PcbUnits.h"
#include "host/RecordSync.h"

namespace autoplacer {

using detail::CopyText;
using detail::ReadText;

int32_t TPcbBoard::Sync(int32_t direction) {
    const auto fill = [this](PcbBoardData& data) {
        CopyText(data.FileName, sizeof data.FileName, FileName);
        data.XOrigin = XOrigin;
        data.YOrigin = YOrigin;
        data.XCursor = XCursor;
        data.YCursor = YCursor;
        data.Imperial = Imperial;
        data.ComponentGrid = ComponentGrid;
    };
    const int32_t result = detail::SyncRecord(Handle, direction, &PcbApi::PcbApi_QueryBoard, fill,
                                              [this](const PcbBoardData& data) {
                                                  FileName = ReadText(data.FileName, sizeof data.FileName);
                                                  XOrigin = data.XOrigin;
                                                  YOrigin = data.YOrigin;
                                                  XCursor = data.XCursor;
                                                  YCursor = data.YCursor;
                                                  Imperial = data.Imperial;
                                                  ComponentGrid = data.ComponentGrid;
                                              });
    for (int layer = 1; layer < PCB_LAYER_COUNT; ++layer) {
        PcbLayerInfo& info = Layers[static_cast<std::size_t>(layer)];
        PcbLayerInfo copy = info;
        const int32_t layerResult =
            PcbApi::PcbApi_QueryBoardLayerInfo(Handle, direction, LayerNumberToId(layer), &copy);
        if (direction == PCB_READ && layerResult == PCB_OK) {
            info = copy;
        }
    }
    return result;
}

uint32_t TPcbBoard::GetLayerColour(int layer) const {
    return (layer >= 0 && layer < PCB_LAYER_COUNT) ? Layers[static_cast<std::size_t>(layer)].Colour : 0;
}

void TPcbBoard::SetLayerColour(int layer, uint32_t colour) {
    if (layer >= 0 && layer < PCB_LAYER_COUNT) {
        Layers[static_cast<std::size_t>(layer)].Colour = colour;
    }
}

bool TPcbBoard::IsLayerShown(int layer) const {
    return layer >= 0 && layer < PCB_LAYER_COUNT && Layers[static_cast<std::size_t>(layer)].Shown != 0;
}

bool TPcbBoard::IsLayerPresent(int layer) const {
    return layer >= 0 && layer < PCB_LAYER_COUNT && Layers[static_cast<std::size_t>(layer)].Present != 0;
}

int32_t TPcbSystemOptions::Sync(int32_t direction) {
    PcbSystemOptionsData data{};
    std::copy(MiscFlags.begin(), MiscFlags.end(), data.MiscFlags);
    const int32_t result = PcbApi::PcbApi_QuerySystemOptionsMiscellaneous(direction, &data);
    if (direction == PCB_READ && result == PCB_OK) {
        std::copy(std::begin(data.MiscFlags), std::end(data.MiscFlags), MiscFlags.begin());
    }
    return result;
}

}  // namespace autoplacer
