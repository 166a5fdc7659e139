// The paths a user names, checked before any work starts, so that a run
// never half-happens: inputs are regular files (a folder, a FIFO or a device
// is refused without opening it, so nothing blocks), outputs never name an
// input and can be written. Each check answers the problem as one sentence,
// or an empty string when the path is fine.
#pragma once

#include <string>
#include <vector>

namespace app {

// An input file; an optional one may be missing.
std::string CheckInputFile(const std::string& path, const std::string& what, bool optional = false);

// An output file: not one of inputs (the same file under another spelling or
// through a link included), not a folder or special file, in a folder that
// exists and can be written.
std::string CheckOutputFile(const std::string& path, const std::string& what, const std::vector<std::string>& inputs);

// An output folder: a folder that can be written, or one that can be made
// inside the nearest existing folder; never an input.
std::string CheckOutputFolder(const std::string& path, const std::string& what,
                              const std::vector<std::string>& inputs);

}  // namespace app
