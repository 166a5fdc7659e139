// The plug-in's binding of the host's PCB functions.
//
// Every function of PCBAPI_FUNCTION_LIST has a wrapper of the same name in
// namespace autoplacer::PcbApi. A wrapper finds its host function by name in the
// already loaded host module (dlsym with RTLD_DEFAULT, never a second dlopen) at
// its first call and remembers the answer, found or missing. A wrapper whose
// host function is missing answers a value-initialised result: 0, nil or False.
//
// Plug-in code calls the wrappers qualified (PcbApi::PcbApi_QueryComponent(...)):
// an unqualified call would reach the host's C symbol directly, which the plug-in
// library must not link against.
#pragma once

#include <cstdint>

#include "sdk/pcbapi.h"

namespace autoplacer::PcbApi {

// Looks a host function up by name in the already loaded modules; nullptr when
// there is none. Every call performs one lookup (the wrappers cache its answer).
void* LookUpHostFunction(const char* name);

// How many lookups have been made so far (a wrapper looks its name up once).
int64_t HostLookupCount();

template <typename Signature>
class THostFunction;

// One host function, bound by name at its first call. A missing function makes
// every call answer Ret{}.
template <typename Ret, typename... Args>
class THostFunction<Ret(Args...)> {
public:
    explicit constexpr THostFunction(const char* name) : Name(name) {}

    Ret operator()(Args... args) {
        Bind();
        if (Function == nullptr) {
            return Ret();
        }
        return Function(args...);
    }

    bool IsPresent() {
        Bind();
        return Function != nullptr;
    }

private:
    void Bind() {
        if (!Bound) {
            Function = reinterpret_cast<Ret (*)(Args...)>(LookUpHostFunction(Name));
            Bound = true;
        }
    }

    const char* Name;
    bool Bound = false;
    Ret (*Function)(Args...) = nullptr;
};

#define AUTOPLACER_PCBAPI_DECLARE_WRAPPER(Ret, Name, Params, Args) Ret Name Params;
PCBAPI_FUNCTION_LIST(AUTOPLACER_PCBAPI_DECLARE_WRAPPER)
#undef AUTOPLACER_PCBAPI_DECLARE_WRAPPER

}  // namespace autoplacer::PcbApi
