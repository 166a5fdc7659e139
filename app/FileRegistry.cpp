#include "app/FileRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "io/AtomicFile.h"

namespace app {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

bool SameName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    return a.size() == length && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The member of an object whose name matches ignoring case, or end().
template <typename Json>
auto FindMember(Json& object, const char* name) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (SameName(it.key(), name)) {
            return it;
        }
    }
    return object.end();
}

bool ValidEntry(const json& entry) {
    return entry.is_object() && entry.contains("type") && entry.contains("value") &&
           ((entry["type"] == "string" && entry["value"].is_string()) ||
            (entry["type"] == "integer" && entry["value"].is_number_integer()));
}

}  // namespace

FileRegistry::FileRegistry(fs::path path, std::ostream& notices) : File(std::move(path)), Notices(notices) {
    if (File.empty()) {
        return;
    }
    std::error_code error;
    if (!fs::exists(File, error)) {
        return;
    }
    std::ifstream input(File);
    json loaded = json::parse(input, nullptr, false);
    if (loaded.is_discarded() || !loaded.is_object()) {
        Notices << "autoplacer: settings file " << File << " is damaged; starting with empty settings\n";
        KeepDamagedFile = true;
        return;
    }
    Store = std::move(loaded);
}

fs::path FileRegistry::DefaultPath() {
    if (const char* explicitPath = std::getenv("AUTOPLACER_REGISTRY"); explicitPath != nullptr && *explicitPath) {
        return explicitPath;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        return fs::path(config) / "autoplacer" / "registry.json";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home) {
        return fs::path(home) / ".config" / "autoplacer" / "registry.json";
    }
    return {};
}

const json* FileRegistry::Find(const char* key, const char* name) const {
    if (key == nullptr || name == nullptr) {
        return nullptr;
    }
    const auto keyEntry = FindMember(Store, key);
    if (keyEntry == Store.end() || !keyEntry->is_object()) {
        return nullptr;
    }
    const auto value = FindMember(*keyEntry, name);
    if (value == keyEntry->end() || !ValidEntry(*value)) {
        return nullptr;
    }
    return &*value;
}

bool FileRegistry::ValueExists(const char* key, const char* name) { return Find(key, name) != nullptr; }

bool FileRegistry::ReadString(const char* key, const char* name, char* value, int32_t capacity) {
    const json* entry = Find(key, name);
    if (entry == nullptr || (*entry)["type"] != "string" || value == nullptr || capacity <= 0) {
        return false;
    }
    const std::string text = (*entry)["value"].get<std::string>();
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(value, text.data(), length);
    value[length] = '\0';
    return true;
}

bool FileRegistry::ReadInteger(const char* key, const char* name, int32_t* value) {
    const json* entry = Find(key, name);
    if (entry == nullptr || (*entry)["type"] != "integer" || value == nullptr) {
        return false;
    }
    const auto stored = (*entry)["value"].get<int64_t>();
    if (stored < std::numeric_limits<int32_t>::min() || stored > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    *value = static_cast<int32_t>(stored);
    return true;
}

bool FileRegistry::ReadBool(const char* key, const char* name, bool* value) {
    int32_t stored = 0;
    if (value == nullptr || !ReadInteger(key, name, &stored)) {
        return false;
    }
    *value = stored != 0;
    return true;
}

bool FileRegistry::WriteString(const char* key, const char* name, const char* value) {
    return Write(key, name, json{{"type", "string"}, {"value", value != nullptr ? value : ""}});
}

bool FileRegistry::WriteInteger(const char* key, const char* name, int32_t value) {
    return Write(key, name, json{{"type", "integer"}, {"value", value}});
}

bool FileRegistry::WriteBool(const char* key, const char* name, bool value) {
    return WriteInteger(key, name, value ? 1 : 0);
}

bool FileRegistry::Write(const char* key, const char* name, json entry) {
    if (key == nullptr || name == nullptr || *name == '\0') {
        return false;
    }
    auto keyEntry = FindMember(Store, key);
    if (keyEntry == Store.end()) {
        Store[key] = json::object();
        keyEntry = FindMember(Store, key);
    } else if (!keyEntry->is_object()) {
        *keyEntry = json::object();  // a hand-edited file held something else here
    }
    auto value = FindMember(*keyEntry, name);
    if (value != keyEntry->end()) {
        *value = std::move(entry);
    } else {
        (*keyEntry)[name] = std::move(entry);
    }
    return Save();
}

bool FileRegistry::Save() {
    if (File.empty()) {
        return true;
    }
    std::error_code error;
    if (File.has_parent_path()) {
        fs::create_directories(File.parent_path(), error);
    }
    if (KeepDamagedFile) {
        fs::rename(File, fs::path(File).concat(".bad"), error);
        KeepDamagedFile = false;
    }
    try {
        io::WriteFileAtomically(File.string(), Store.dump(2) + "\n");
    } catch (const std::exception& failure) {
        Notices << "autoplacer: settings not saved: " << failure.what() << "\n";
        return false;
    }
    return true;
}

}  // namespace app
