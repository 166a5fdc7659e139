// The application's exit statuses, named once for every command.
#pragma once

namespace app {

enum ExitStatus : int {
    kExitOk = 0,           // done (placed, written, printed)
    kExitFailed = 1,       // the command failed
    kExitBadInput = 2,     // unreadable board, bad answers
    kExitNoPlugin = 3,     // the plug-in cannot be loaded
    kExitCannotWrite = 4,  // an output cannot be written (or would replace an input)
    kExitRefused = 5,      // the placer reported an error (no outline, ...)
    kExitStopped = 6,      // stopped by the user
    kExitCancelled = 7,    // the placer's dialog was cancelled
};

}  // namespace app
