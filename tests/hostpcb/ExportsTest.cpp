// Every function of the host's list is exported under its own name with C linkage.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/pcbapi.h"

namespace {

#define HOSTPCB_NAME(Ret, Name, Params, Args) #Name,
const std::vector<std::string> kNames = {PCBAPI_FUNCTION_LIST(HOSTPCB_NAME)};
#undef HOSTPCB_NAME

TEST(Exports, EveryListedFunctionIsFoundByName) {
    ASSERT_GT(kNames.size(), 50u);
    std::vector<std::string> missing;
    for (const std::string& name : kNames)
        if (dlsym(RTLD_DEFAULT, name.c_str()) == nullptr) missing.push_back(name);
    EXPECT_TRUE(missing.empty()) << "not exported: " << (missing.empty() ? "" : missing.front()) << " and "
                                 << (missing.empty() ? 0 : missing.size() - 1) << " more";
}

TEST(Exports, NamesResolveToTheLinkedFunctions) {
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "PcbApi_AnalyzeNet"), reinterpret_cast<void*>(&PcbApi_AnalyzeNet));
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "PCBAPI_CheckPrimitivesOverlapWithClearance"),
              reinterpret_cast<void*>(&PCBAPI_CheckPrimitivesOverlapWithClearance));
}

}  // namespace
