// The placer's persistent settings in the current user's registry hive, under
// one key. Reads answer nothing for a value that is missing or of another type;
// without a registry every read answers nothing and every write is dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sdk/dialogs.h"

namespace autoplacer {

inline constexpr const char* kPlacerRegistryKey = "Software\\Vexlo\\PCB\\Placer";

class TPlacerRegistry {
public:
    // The host client's registry (nil when there is no client or it has none).
    TPlacerRegistry();
    explicit TPlacerRegistry(sdk::IRegistry* registry) : Registry(registry) {}

    bool ValueExists(const char* name) const;
    std::optional<bool> ReadBool(const char* name) const;
    std::optional<int32_t> ReadInteger(const char* name) const;
    std::optional<std::string> ReadString(const char* name) const;

    void WriteBool(const char* name, bool value) const;
    void WriteInteger(const char* name, int32_t value) const;
    void WriteString(const char* name, const std::string& value) const;

private:
    sdk::IRegistry* Registry;
};

}  // namespace autoplacer
