// The application's exit statuses, named once for every command. The table
// below is what `autoplacer --help` prints and what the README lists (a test
// compares the three).
#pragma once

#include <string>

namespace app {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNoPlugin = 3,
    kExitCannotWrite = 4,
    kExitRefused = 5,
    kExitStopped = 6,
    kExitCancelled = 7,
    kExitUnknownCommand = 8,
    kExitNotLegal = 9,
};

struct ExitStatusMeaning {
    ExitStatus status;
    const char* meaning;
};

inline constexpr ExitStatusMeaning kExitStatusMeanings[] = {
    {kExitOk, "done: placed, written or printed"},
    {kExitFailed, "the command failed inside the placer (a setup value it cannot read, an internal error)"},
    {kExitUsage, "usage error: a flag, value, answer or script line the command cannot take, or an input it cannot read"},
    {kExitNoPlugin, "the plug-in cannot be loaded"},
    {kExitCannotWrite, "an output cannot be written, or would replace an input"},
    {kExitRefused, "the placer refused the board (no usable outline, no board loaded)"},
    {kExitStopped, "stopped by the user (Ctrl-C); the board is written as the stop left it"},
    {kExitCancelled, "the placer's dialog was cancelled; nothing written"},
    {kExitUnknownCommand, "run: the plug-in has no command of that name"},
    {kExitNotLegal, "placed, but some moved part is not fitted, outside the outline or overlapping"},
};

// The table as `--help` prints it: one line per status, "  N  meaning".
std::string ExitStatusHelp();

}  // namespace app
