// Ctrl-C while the plug-in works. The signal handler only sets atomic flags;
// the application acts on them at the plug-in's next message processing (on the
// plug-in's own thread):
//
// - during a command, the first Ctrl-C queues "StopAutoPlacer";
// - while a dialog is open, Ctrl-C answers it (Yes where it has a Yes button,
//   otherwise Cancel);
// - a further Ctrl-C outside a dialog, or any outside a command, ends the
//   program as usual, without the temporary file of a write in progress.
#pragma once

namespace app::interrupts {

// For the whole program: SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the
// temporary file of a write in progress and then end the program as they
// would have; SIGXFSZ is ignored, so a write past the file-size limit fails
// with an error (and removes its temporary file) instead of ending the program.
void InstallEndingSignals();

// Installs the SIGINT handler (without restarting interrupted reads, so that a
// waiting presenter notices the signal at once).
void Install();
// Puts back the handler that was there before Install.
void Uninstall();

// Marks the time a plug-in command runs; leaving it forgets any unanswered
// request.
void SetCommandRunning(bool running);

// True once after a Ctrl-C that asks the running command to stop.
bool TakeStopRequest();

// While one of these exists, Ctrl-C answers the open dialog.
class DialogScope {
public:
    DialogScope();
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;
    // A dialog answered by the user (not by Ctrl-C) lets the next Ctrl-C ask
    // for a stop again.
    ~DialogScope();

    // True once after a Ctrl-C during this dialog.
    bool TakeInterrupt();

private:
    bool AnsweredByInterrupt = false;
};

// What the handler does with one Ctrl-C (exposed so that tests can drive it
// without signals): returns False when the program should end.
bool HandleInterrupt();

}  // namespace app::interrupts
