#include "app/PathChecks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "io/BoardFiles.h"

namespace app {

namespace fs = std::filesystem;

namespace {

// The folder a new file or folder at path would be made in.
fs::path ParentOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

std::string WritableFolder(const fs::path& folder, const std::string& what, const std::string& path) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return what + " " + path + ": the folder " + folder.string() + " does not exist";
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return what + " " + path + ": the folder " + folder.string() + " cannot be written";
    }
    return {};
}

}  // namespace

std::string CheckInputFile(const std::string& path, const std::string& what, bool optional) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return optional ? std::string() : what + " " + path + " does not exist";
    }
    if (S_ISDIR(info.st_mode)) {
        return what + " " + path + " is a directory, not a file";
    }
    if (!S_ISREG(info.st_mode)) {
        return what + " " + path + " is not a regular file";
    }
    if (access(path.c_str(), R_OK) != 0) {
        return what + " " + path + " cannot be read";
    }
    return {};
}

std::string CheckOutputFile(const std::string& path, const std::string& what, const std::vector<std::string>& inputs) {
    if (const std::string* input = io::OverwrittenInput(path, inputs)) {
        return what + " " + path + " would replace the input " + *input;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return what + " " + path + " is a directory, not a file";
        }
        if (!S_ISREG(info.st_mode)) {
            return what + " " + path + " is not a regular file";
        }
    }
    return WritableFolder(ParentOf(path), what, path);
}

std::string CheckOutputFolder(const std::string& path, const std::string& what,
                              const std::vector<std::string>& inputs) {
    if (const std::string* input = io::OverwrittenInput(path, inputs)) {
        return what + " " + path + " would replace the input " + *input;
    }
    fs::path existing = path;
    std::error_code ec;
    while (!existing.empty() && !fs::exists(existing, ec)) {
        existing = existing.parent_path();
    }
    if (existing.empty()) {
        existing = ".";
    }
    struct stat info {};
    if (stat(existing.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return what + " " + path + ": " + existing.string() + " is not a folder";
    }
    if (access(existing.c_str(), W_OK | X_OK) != 0) {
        return what + " " + path + ": the folder " + existing.string() + " cannot be written";
    }
    return {};
}

}  // namespace app
