// The current user's settings store for the plug-in: values under key paths,
// each kept with its type, in one JSON file under the user's configuration
// directory. Key and value names are stored exactly as the plug-in gives them
// and found again ignoring letter case, as registry names are. Booleans are
// stored as integers 0 and 1. Every write is saved at once (atomically).
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "sdk/dialogs.h"

namespace app {

class FileRegistry final : public sdk::IRegistry {
public:
    // A store kept in path (nothing is saved when the path is empty). A file that
    // cannot be read as a store is reported on notices, kept aside as
    // "<path>.bad" at the first write, and the store starts empty.
    FileRegistry(std::filesystem::path path, std::ostream& notices);
    virtual ~FileRegistry() = default;

    // $AUTOPLACER_REGISTRY, else $XDG_CONFIG_HOME/autoplacer/registry.json, else
    // ~/.config/autoplacer/registry.json; empty when none can be found.
    static std::filesystem::path DefaultPath();

    const std::filesystem::path& Path() const { return File; }

    bool ValueExists(const char* key, const char* name) override;
    bool ReadString(const char* key, const char* name, char* value, int32_t capacity) override;
    bool WriteString(const char* key, const char* name, const char* value) override;
    bool ReadInteger(const char* key, const char* name, int32_t* value) override;
    bool WriteInteger(const char* key, const char* name, int32_t value) override;
    bool ReadBool(const char* key, const char* name, bool* value) override;
    bool WriteBool(const char* key, const char* name, bool value) override;

private:
    // The stored value {"type": ..., "value": ...}, or nullptr.
    const nlohmann::json* Find(const char* key, const char* name) const;
    bool Write(const char* key, const char* name, nlohmann::json entry);
    bool Save();

    std::filesystem::path File;
    std::ostream& Notices;
    nlohmann::json Store = nlohmann::json::object();
    bool KeepDamagedFile = false;
};

}  // namespace app
