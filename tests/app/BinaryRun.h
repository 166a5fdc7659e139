// Running the real application binary from a test: a shell command with its
// standard output read through a pipe and its standard error sent to a file.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace apptest {

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

struct Outcome {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the shell command (which must not redirect standard error itself) with
// standard error written to errors, and returns its status and both outputs.
inline Outcome RunCommand(const std::string& command, const std::filesystem::path& errors) {
    Outcome outcome;
    const std::string full = command + " 2>'" + errors.string() + "'";
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    std::array<char, 4096> chunk{};
    for (std::size_t n = 0; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
        outcome.out.append(chunk.data(), n);
    }
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = ReadWholeFile(errors);
    return outcome;
}

}  // namespace apptest
