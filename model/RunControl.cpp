#include "model/RunControl.h"

#include <string>

#include "host/HostClient.h"
#include "host/PcbApi.h"

namespace autoplacer {

bool PlacementRunning = false;
bool StopRequested = false;
bool StopConfirmed = false;
bool RestoreOnStop = true;

namespace {

TStopQuestion StopQuestion = nullptr;

sdk::IPcbBoardInterface* BoardInterface(PcbHandle board) {
    if (Client == nullptr) {
        return nullptr;
    }
    sdk::IPcbServer* server = Client->FindPcbServer("PCB");
    return server != nullptr ? server->GetBoardInterface(board) : nullptr;
}

void Send(sdk::IPcbBoardInterface& target, PcbHandle object, int32_t code, PcbHandle data) {
    const int32_t result = target.SendBoardMessage(object, 0, code, data);
    if (result != sdk::kResultOk) {
        throw EHostModifyError("The host refused board message " + std::to_string(code) + " (result " +
                               std::to_string(result) + ")");
    }
}

// Board message codes of the modification bracket. 12 and 10 open and close
// the host's undo group, 1 and 3 announce and report each object's change; 14,
// 7, 13, 8 and 11 are the host's own bookkeeping around them, sent where it
// expects them.
enum : int32_t {
    kObjectAboutToChange = 1,
    kObjectChanged = 3,
    kBeginUndoGroup = 12,
    kEndUndoGroup = 10,
    kBookkeeping7 = 7,
    kBookkeeping8 = 8,
    kBookkeeping11 = 11,
    kBookkeeping13 = 13,
    kBookkeeping14 = 14
};

template <typename Handles>
void BeginModify(const Handles& objects, PcbHandle board) {
    sdk::IPcbBoardInterface* target = BoardInterface(board);
    if (target == nullptr) {
        return;
    }
    Send(*target, nullptr, kBookkeeping14, nullptr);
    Send(*target, board, kBeginUndoGroup, board);
    Send(*target, board, kBookkeeping7, board);
    for (auto object : objects) {
        Send(*target, static_cast<PcbHandle>(object), kObjectAboutToChange, nullptr);
    }
    Send(*target, nullptr, kBookkeeping13, nullptr);
}

template <typename Handles>
void EndModify(const Handles& objects, PcbHandle board) {
    sdk::IPcbBoardInterface* target = BoardInterface(board);
    if (target == nullptr) {
        return;
    }
    Send(*target, nullptr, kBookkeeping14, nullptr);
    for (auto object : objects) {
        Send(*target, static_cast<PcbHandle>(object), kObjectChanged, nullptr);
    }
    Send(*target, board, kEndUndoGroup, board);
    Send(*target, board, kBookkeeping8, board);
    Send(*target, board, kBookkeeping11, board);
}

}  // namespace

void SetStopQuestion(TStopQuestion question) { StopQuestion = question; }

TProgressPhase::TProgressPhase(const char* text, int32_t total) { PcbApi::PcbApi_Percent_Init(text, total); }

TProgressPhase::~TProgressPhase() {
    if (Open) {
        PcbApi::PcbApi_Percent_Finish();
    }
}

void TProgressPhase::Step() { PcbApi::PcbApi_Percent_Update(); }

void BeginModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board) { BeginModify(objects, board); }

void EndModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board) { EndModify(objects, board); }

void BeginModifyObjects(const TFastList& objects, PcbHandle board) { BeginModify(objects, board); }

void EndModifyObjects(const TFastList& objects, PcbHandle board) { EndModify(objects, board); }

TModificationBracket::TModificationBracket(const TFastListOf<PcbHandle>& objects, PcbHandle board)
    : Objects(objects), Board(board) {
    BeginModifyObjects(Objects, Board);
}

TModificationBracket::~TModificationBracket() {
    if (Open) {
        try {
            EndModifyObjects(Objects, Board);
        } catch (...) {
            // Already unwinding from an engine's failure; that error is the one reported.
        }
    }
}

void TModificationBracket::Close() {
    Open = false;
    EndModifyObjects(Objects, Board);
}

// ---------------------------------------------------------------------------
// Stopping.

void ProcessPendingMessages() {
    if (Client != nullptr) {
        Client->ProcessMessages();
    }
}

bool CheckStopRequest() {
    if (!PlacementRunning) {
        ProcessPendingMessages();
        return false;
    }
    ProcessPendingMessages();
    if (StopRequested && !StopConfirmed) {
        bool restore = false;
        if (StopQuestion == nullptr || StopQuestion(restore)) {
            StopConfirmed = true;
            RestoreOnStop = restore;
        } else {
            StopRequested = false;
        }
    }
    return StopRequested;
}


}  // namespace autoplacer
