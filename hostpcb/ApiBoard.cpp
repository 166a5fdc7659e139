// Exported board-level functions: current board, board record, layer display values,
// placer options and system options.
#include "hostpcb/ApiSupport.h"

using namespace hostpcb;
using namespace hostpcb::api;

extern "C" {

PcbHandle PcbApi_GetCurrentBoardHandle(void) {
    return Guard<PcbHandle>(nullptr, [] {
        Board* b = H().CurrentBoard();
        return b != nullptr ? b->Handle() : nullptr;
    });
}

int32_t PcbApi_QueryBoard(PcbHandle board, int32_t direction, PcbBoardData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(board);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Board) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        auto* b = static_cast<Board*>(o);
        if (direction == PCB_READ) {
            CopyText(data->FileName, PCB_FILENAME_CAPACITY, b->fileName);
            data->XOrigin = b->origin.x;
            data->YOrigin = b->origin.y;
            data->XCursor = b->cursor.x;
            data->YCursor = b->cursor.y;
            data->Imperial = b->imperial ? 1 : 0;
            data->ComponentGrid = b->componentGrid;
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        b->fileName = ReadText(data->FileName, PCB_FILENAME_CAPACITY);
        b->origin = {data->XOrigin, data->YOrigin};
        b->cursor = {data->XCursor, data->YCursor};
        b->imperial = data->Imperial != 0;
        b->componentGrid = data->ComponentGrid;
        return PCB_OK;
    });
}

int32_t PcbApi_QueryBoardLayerInfo(PcbHandle board, int32_t direction, PcbLayerId layer, PcbLayerInfo* info) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(board);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Board) return PCB_ERROR_WRONG_KIND;
        const LayerNumber n = LayerFromId(layer);
        if (info == nullptr || n <= PCB_NO_LAYER || n >= PCB_LAYER_COUNT) return PCB_ERROR_BAD_ARGUMENT;
        auto* b = static_cast<Board*>(o);
        if (direction == PCB_READ)
            *info = b->layerInfo[std::size_t(n)];
        else if (IsWrite(direction))
            b->layerInfo[std::size_t(n)] = *info;
        else
            return PCB_ERROR_BAD_ARGUMENT;
        return PCB_OK;
    });
}

int32_t PcbApi_QueryBoardAdvancedPlacerOptions(PcbHandle board, int32_t direction, PcbPlacerOptionsData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(board);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Board) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        PlacerOptions& p = static_cast<Board*>(o)->placerOptions;
        if (direction == PCB_READ) {
            CopyText(data->PowerNets, PCB_TEXT_CAPACITY, p.powerNets);
            data->GroupComponents = p.groupComponents ? 1 : 0;
            data->Flag2 = p.flag2;
            data->Flag3 = p.flag3;
            data->RotateComponents = p.rotateComponents ? 1 : 0;
            CopyText(data->GroundNets, PCB_TEXT_CAPACITY, p.groundNets);
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        p.powerNets = ReadText(data->PowerNets, PCB_TEXT_CAPACITY);
        p.groupComponents = data->GroupComponents != 0;
        p.flag2 = data->Flag2;
        p.flag3 = data->Flag3;
        p.rotateComponents = data->RotateComponents != 0;
        p.groundNets = ReadText(data->GroundNets, PCB_TEXT_CAPACITY);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryBoardAdvancedPlacerOptionsExt(PcbHandle board, int32_t direction, PcbPlacerOptionsExtData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(board);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Board) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        PlacerOptions& p = static_cast<Board*>(o)->placerOptions;
        if (direction == PCB_READ) {
            data->Value1 = p.value1;
            data->Value2 = p.value2;
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        p.value1 = data->Value1;
        p.value2 = data->Value2;
        return PCB_OK;
    });
}

int32_t PcbApi_QuerySystemOptionsMiscellaneous(int32_t direction, PcbSystemOptionsData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        auto& flags = H().systemMiscFlags;
        if (direction == PCB_READ) {
            for (std::size_t i = 0; i < flags.size(); ++i) data->MiscFlags[i] = flags[i];
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = data->MiscFlags[i];
        return PCB_OK;
    });
}

}  // extern "C"
