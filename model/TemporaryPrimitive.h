// Host objects that live for one test: temporary fills, tracks and arcs whose
// overlap the host judges, and a board object put on another layer for the
// length of one test. Both undo themselves when they go out of scope.
#pragma once

#include <cstdint>

#include "host/PcbApi.h"
#include "host/PcbUnits.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// A host object made for one test and destroyed with this wrapper.
class TTemporaryPrimitive {
public:
    explicit TTemporaryPrimitive(uint8_t kind) : Handle(PcbApi::PcbApi_CreateObject(kind)) {}
    ~TTemporaryPrimitive() {
        if (Handle != nullptr) {
            PcbApi::PcbApi_DestroyObject(Handle);
        }
    }
    TTemporaryPrimitive(const TTemporaryPrimitive&) = delete;
    TTemporaryPrimitive& operator=(const TTemporaryPrimitive&) = delete;

    // A fill with the rectangle's corners on the layer (0 keeps the layer it has).
    void SetFill(const TRect& r, int layer = 0) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = r.Left;
            data.Base.Y = r.Bottom;
            data.X2 = r.Right;
            data.Y2 = r.Top;
        }, layer);
    }
    void SetTrack(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = x1;
            data.Base.Y = y1;
            data.X2 = x2;
            data.Y2 = y2;
            data.Width = 0;
        }, 0);
    }
    void SetArc(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle) {
        Write([&](PcbPrimitiveData& data) {
            data.Base.X = cx;
            data.Base.Y = cy;
            data.Radius = radius;
            data.StartAngle = startAngle;
            data.EndAngle = endAngle;
            data.Width = 0;
        }, 0);
    }

    bool Overlaps(PcbHandle other, int32_t clearance) const {
        return Handle != nullptr && other != nullptr &&
               PcbApi::PCBAPI_CheckPrimitivesOverlapWithClearance(Handle, other, clearance) != 0;
    }

    PcbHandle Handle;

private:
    template <typename Change>
    void Write(Change change, int layer) {
        if (Handle == nullptr) {
            return;
        }
        PcbPrimitiveData data{};
        PcbApi::PcbApi_QueryPrimitive(Handle, PCB_READ, &data);
        change(data);
        if (layer != 0) {
            data.Base.Layer = LayerNumberToId(layer);
        }
        PcbApi::PcbApi_QueryPrimitive(Handle, PCB_WRITE, &data);
    }
};

// Puts a board object on another layer for the length of one test.
class TLayerSwap {
public:
    TLayerSwap(PcbHandle object, int from, int to) : Object(object), From(from), Swapped(from != to) {
        if (Swapped) {
            SetLayer(to);
        }
    }
    ~TLayerSwap() {
        if (Swapped) {
            SetLayer(From);
        }
    }
    TLayerSwap(const TLayerSwap&) = delete;
    TLayerSwap& operator=(const TLayerSwap&) = delete;

private:
    void SetLayer(int layer) {
        PcbObjectData data{};
        if (PcbApi::PcbApi_QueryObjectBase(Object, PCB_READ, &data) == PCB_OK) {
            data.Layer = LayerNumberToId(layer);
            PcbApi::PcbApi_QueryObjectBase(Object, PCB_WRITE_SILENT, &data);
        }
    }

    PcbHandle Object;
    int From;
    bool Swapped;
};

}  // namespace autoplacer
