// Writing a file so that no reader ever sees half of it and no temporary file
// outlives the run: the content goes to a file without a name (O_TMPFILE) or,
// where the filesystem has none, to a named temporary file beside the target,
// and is renamed over the target only when complete.
//
// A temporary file's name always fits the folder's name limit: ".NAME~apXXXXXX"
// when NAME leaves room for it, else ".autoplacer-HASH~apXXXXXX" with HASH taken
// from NAME, so a target name of up to the limit itself works. While a named
// temporary file exists it is listed for RemoveTemporaryFiles (the signal
// handlers call it) and holds an flock; a leftover of a killed run (SIGKILL
// cannot be caught) is recognised by its name, unlocked and older than a minute,
// and removed by the next write of the same target.
#pragma once

#include <cstddef>
#include <string>

namespace io {

enum class TemporaryKind {
    Unnamed,  // O_TMPFILE where the filesystem supports it, else named
    Named,    // always a named temporary file (the fallback, forced for tests)
};

// Writes content to path through a temporary file in path's folder and renames
// it over path (keeping an existing file's permissions). Throws
// std::runtime_error naming path and the reason; nothing is left behind then.
void WriteFileAtomically(const std::string& path, const std::string& content,
                         TemporaryKind kind = TemporaryKind::Unnamed);

// The mkstemp template for a temporary file of the target name `name` in a
// folder whose names are at most nameMax bytes ("XXXXXX" at its end).
std::string TemporaryNameTemplate(const std::string& name, std::size_t nameMax);

// Whether entry (a name in a folder) is a temporary file made for target `name`.
bool IsTemporaryNameFor(const std::string& entry, const std::string& name, std::size_t nameMax);

// Removes every named temporary file this process is writing. Safe to call from a
// signal handler (it only reads fixed buffers and calls unlink).
void RemoveTemporaryFiles() noexcept;

}  // namespace io
