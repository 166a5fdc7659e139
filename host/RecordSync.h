// Shared steps of the records' Sync: copying fixed-size host texts and the
// read / read-modify-write pattern every record uses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "sdk/pcb_types.h"

namespace autoplacer::detail {

inline void CopyText(char* target, std::size_t capacity, const std::string& text) {
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

inline std::string ReadText(const char* source, std::size_t capacity) {
    return std::string(source, strnlen(source, capacity));
}

// The host record is first filled from the record, so a host that lacks the
// query (and leaves the data alone) leaves the record as it was. A write reads
// first so that host fields the record does not carry keep their values.
template <typename Data, typename Fill, typename Load>
int32_t SyncRecord(PcbHandle handle, int32_t direction, int32_t (*query)(PcbHandle, int32_t, Data*), Fill fill,
                   Load load) {
    Data data{};
    fill(data);
    const int32_t readResult = query(handle, PCB_READ, &data);
    if (direction == PCB_READ) {
        if (readResult == PCB_OK) {
            load(data);
        }
        return readResult;
    }
    fill(data);
    return query(handle, direction, &data);
}

}  // namespace autoplacer::detail
