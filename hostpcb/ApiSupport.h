// Shared helpers of the exported host functions: handle resolution, string copies and
// the guard that keeps exceptions from crossing the C boundary.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "hostpcb/Board.h"
#include "hostpcb/HandlerRegistry.h"
#include "hostpcb/Host.h"
#include "sdk/pcbapi.h"

namespace hostpcb::api {

inline Host& H() { return Host::Instance(); }
inline Object* Obj(PcbHandle h) { return h != nullptr ? H().Resolve(h) : nullptr; }
template <class T>
T* As(PcbHandle h) {
    return h != nullptr ? H().ResolveAs<T>(h) : nullptr;
}

inline void CopyText(char* dst, std::size_t capacity, const std::string& src) {
    if (dst == nullptr || capacity == 0) return;
    const std::size_t n = std::min(src.size(), capacity - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

inline std::string ReadText(const char* src, std::size_t capacity) {
    if (src == nullptr) return {};
    return std::string(src, strnlen(src, capacity));
}

inline bool IsWrite(int32_t direction) { return direction == PCB_WRITE || direction == PCB_WRITE_SILENT; }

template <class R, class F>
R Guard(R fallback, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

template <class F>
void GuardVoid(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

}  // namespace hostpcb::api
