#include "settings/PlacerRegistry.h"

#include <vector>

#include "host/HostClient.h"

namespace autoplacer {

namespace {
// Registry strings of the placer are short; a longer one is cut here.
constexpr int32_t kStringCapacity = 1024;
}  // namespace

TPlacerRegistry::TPlacerRegistry() : Registry(Client != nullptr ? Client->GetRegistry() : nullptr) {}

bool TPlacerRegistry::ValueExists(const char* name) const {
    return Registry != nullptr && Registry->ValueExists(kPlacerRegistryKey, name);
}

std::optional<bool> TPlacerRegistry::ReadBool(const char* name) const {
    bool value = false;
    if (Registry == nullptr || !Registry->ReadBool(kPlacerRegistryKey, name, &value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> TPlacerRegistry::ReadInteger(const char* name) const {
    int32_t value = 0;
    if (Registry == nullptr || !Registry->ReadInteger(kPlacerRegistryKey, name, &value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> TPlacerRegistry::ReadString(const char* name) const {
    std::vector<char> buffer(kStringCapacity, '\0');
    if (Registry == nullptr || !Registry->ReadString(kPlacerRegistryKey, name, buffer.data(), kStringCapacity)) {
        return std::nullopt;
    }
    buffer.back() = '\0';
    return std::string(buffer.data());
}

void TPlacerRegistry::WriteBool(const char* name, bool value) const {
    if (Registry != nullptr) {
        Registry->WriteBool(kPlacerRegistryKey, name, value);
    }
}

void TPlacerRegistry::WriteInteger(const char* name, int32_t value) const {
    if (Registry != nullptr) {
        Registry->WriteInteger(kPlacerRegistryKey, name, value);
    }
}

void TPlacerRegistry::WriteString(const char* name, const std::string& value) const {
    if (Registry != nullptr) {
        Registry->WriteString(kPlacerRegistryKey, name, value.c_str());
    }
}

}  // namespace autoplacer
