#include "app/Interrupts.h"

#include <atomic>
#include <csignal>

#include "io/AtomicFile.h"

namespace app::interrupts {

namespace {

// Lock-free atomics are safe to touch from a signal handler.
std::atomic<bool> CommandRunning{false};
std::atomic<int> OpenDialogs{0};  // nested: a message box over a form
std::atomic<bool> StopAsked{false};
std::atomic<bool> StopPending{false};
std::atomic<bool> DialogInterrupted{false};

struct sigaction PreviousAction {};
bool Installed = false;

// Ends the program the way the signal would, without the temporary files of
// a write in progress.
void EndBySignal(int signal) {
    io::RemoveTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void OnSigint(int) {
    if (!HandleInterrupt()) {
        EndBySignal(SIGINT);
    }
}

}  // namespace

bool HandleInterrupt() {
    if (OpenDialogs.load() > 0) {
        DialogInterrupted.store(true);
        return true;
    }
    if (CommandRunning.load() && !StopAsked.exchange(true)) {
        StopPending.store(true);
        return true;
    }
    return false;
}

void InstallEndingSignals() {
    struct sigaction action {};
    action.sa_handler = EndBySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
    }
    // Over the file-size limit a write fails (and says so) instead of killing.
    std::signal(SIGXFSZ, SIG_IGN);
}

void Install() {
    if (Installed) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &PreviousAction);
    Installed = true;
}

void Uninstall() {
    if (Installed) {
        sigaction(SIGINT, &PreviousAction, nullptr);
        Installed = false;
    }
}

void SetCommandRunning(bool running) {
    CommandRunning.store(running);
    if (!running) {
        StopAsked.store(false);
        StopPending.store(false);
    }
}

// A plain read first: the placer asks between almost every two steps.
bool TakeStopRequest() { return StopPending.load(std::memory_order_relaxed) && StopPending.exchange(false); }

DialogScope::DialogScope() {
    DialogInterrupted.store(false);
    OpenDialogs.fetch_add(1);
}

DialogScope::~DialogScope() {
    OpenDialogs.fetch_sub(1);
    DialogInterrupted.store(false);
    if (!AnsweredByInterrupt) {
        StopAsked.store(false);
    }
}

bool DialogScope::TakeInterrupt() {
    if (DialogInterrupted.exchange(false)) {
        AnsweredByInterrupt = true;
        return true;
    }
    return false;
}

}  // namespace app::interrupts
