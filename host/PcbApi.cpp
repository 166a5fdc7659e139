#include "host/PcbApi.h"

#include <dlfcn.h>

namespace autoplacer::PcbApi {

namespace {
int64_t LookupCount = 0;
}

void* LookUpHostFunction(const char* name) {
    ++LookupCount;
    return dlsym(RTLD_DEFAULT, name);
}

int64_t HostLookupCount() { return LookupCount; }

// Each wrapper owns one binding, created at its first call.
#define AUTOPLACER_PCBAPI_DEFINE_WRAPPER(Ret, Name, Params, Args) \
    Ret Name Params {                                             \
        static THostFunction<Ret Params> function(#Name);         \
        return function Args;                                     \
    }
PCBAPI_FUNCTION_LIST(AUTOPLACER_PCBAPI_DEFINE_WRAPPER)
#undef AUTOPLACER_PCBAPI_DEFINE_WRAPPER

}  // namespace autoplacer::PcbApi
