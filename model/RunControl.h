// Run control: the process-wide flags of a placement run, the cooperative stop
// check that long loops call, progress phases shown by the host, and the
// bracketing of board changes for the host's undo.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "model/FastList.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// ---------------------------------------------------------------------------
// Run-control flags (process-wide; the values below are those at load).

// True while a run started by "RunAutoPlacer" is in progress.
extern bool PlacementRunning;
// Set by "StopAutoPlacer"; cleared when the user declines to stop and at the end of a run.
extern bool StopRequested;
// Set when the user confirms the stop; cleared at the end of a run.
extern bool StopConfirmed;
// The user's last choice in the stop dialog (True at load).
extern bool RestoreOnStop;

// Lets the host deliver pending messages, then answers whether the current run
// must stop. Asks the user (stop dialog) the first time a stop request is seen
// during a run; once the stop is confirmed every later call answers True.
bool CheckStopRequest();

// Lets the host deliver whatever is waiting (commands re-enter the plug-in here).
void ProcessPendingMessages();

// Asks the user whether a requested stop is meant (the plug-in frame installs
// the stop dialog). True confirms; restore receives whether every component is
// to be put back. Without a question a request is honoured without restoring.
using TStopQuestion = bool (*)(bool& restore);
void SetStopQuestion(TStopQuestion question);

// One progress phase shown by the host for the lifetime of the object: the
// text (ending in " ...") and the number of steps.
class TProgressPhase {
public:
    TProgressPhase(const char* text, int32_t total);
    ~TProgressPhase();
    TProgressPhase(const TProgressPhase&) = delete;
    TProgressPhase& operator=(const TProgressPhase&) = delete;
    static void Step();
    // Ends the object's life without finishing the phase: the host keeps
    // showing it, as after a run stopped before the phase began its work.
    void LeaveOpen() { Open = false; }

private:
    bool Open = true;
};

// Raised when the host refuses a message of the modification bracket.
class EHostModifyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bracket a change of the objects in the list for the host's undo system.
// Callers pass the same list to both. Without a board interface nothing is sent.
void BeginModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board);
void EndModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board);
void BeginModifyObjects(const TFastList& objects, PcbHandle board);
void EndModifyObjects(const TFastList& objects, PcbHandle board);

// Brackets a change of the objects for the host's undo for the lifetime of the
// object; Close ends it early (and reports a refusal). An engine that fails
// half-way still closes the bracket, so the host never keeps an open one.
class TModificationBracket {
public:
    TModificationBracket(const TFastListOf<PcbHandle>& objects, PcbHandle board);
    ~TModificationBracket();
    TModificationBracket(const TModificationBracket&) = delete;
    TModificationBracket& operator=(const TModificationBracket&) = delete;
    void Close();

private:
    const TFastListOf<PcbHandle>& Objects;
    PcbHandle Board;
    bool Open = true;
};

}  // namespace autoplacer
