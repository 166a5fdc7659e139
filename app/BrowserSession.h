// "autoplacer edit BOARD" without a script: the browser view. The plug-in
// session runs on this thread as for a script, with this object as the source of
// the script player's lines: each message of the page becomes the script line a
// person would have written (a click at a location is "pick X Y REF", a drag is
// "move X Y", a key is "key K"), checked against what the session waits for, so
// the browser and "edit --script" share every rule. While it waits for the next
// line it sends the page what changed. It is also the plug-in's dialog host (the
// forms as HTML, actions as the terminal takes them) and the host's progress
// sink, and it writes the session down as a script (--journal). Saving is
// app/BrowserSave's.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/BoardScene.h"
#include "app/BrowserSave.h"
#include "app/EditHistory.h"
#include "app/ScriptPlayer.h"
#include "hostpcb/Interaction.h"
#include "sdk/dialogs.h"

namespace app {

class BrowserServer;
class PluginSession;
struct EditOptions;

class BrowserSession final : public ScriptSource, public sdk::IDialogHost, public hostpcb::ProgressSink {
public:
    BrowserSession(BrowserServer& server, PluginSession& session, const EditOptions& options);
    ~BrowserSession() override;
    BrowserSession(const BrowserSession&) = delete;
    BrowserSession& operator=(const BrowserSession&) = delete;

    // Serves the page until it (or Ctrl-C) ends the session; answers the exit status.
    int Run();

    // ScriptSource
    const ScriptLine* Peek(Waiting waiting) override;
    void Take() override;

    // sdk::IDialogHost
    int32_t ShowModal(sdk::IDialogForm* form) override;
    int32_t MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) override;
    void SetWaitCursor(bool) override {}

    // hostpcb::ProgressSink
    void PercentInit(const std::string& text, int32_t total) override;
    void PercentUpdate() override;
    void PercentFinish() override;


private:
    // The next message: one put aside first, then the page's; Ctrl-C is noticed meanwhile.
    std::optional<nlohmann::json> NextMessage();
    // Called from the plug-in's message processing while a command runs.
    void PumpWhileBusy();
    // Turns a message into lines (queued); false when it was refused (the page is told).
    bool Accept(const nlohmann::json& message, Waiting waiting);
    bool AddLine(const std::string& text);
    void Problem(const std::string& text, uint64_t seq = 0);
    void SendState(Waiting waiting, bool full, bool busy = false);

    void ShowAfterRedraw(std::size_t callsBefore);
    // Where a dialog answer goes in the journal: before the command whose dialog it answers.
    void WriteAnswer(const std::string& answer);
    std::string ComponentRef(const std::string& id, std::string& problem) const;

    BrowserServer& Server;
    PluginSession& Session;
    const EditOptions& Options;
    hostpcb::Board& Board;
    BoardScene Scene;
    std::unique_ptr<ScriptPlayer> Player;
    std::deque<ScriptLine> Lines;        // made from the page's messages, not yet played
    bool FrontTaken = false;             // the first of Lines is taken but still read
    std::deque<nlohmann::json> PutAside;  // messages that came while a command ran
    // The journal: each line with an id; a dialog's answers go before the command that showed it.
    struct JournalEntry {
        int id = 0;
        std::string text;
    };
    std::vector<JournalEntry> Written;
    int LastEntry = 0;
    std::optional<int> RunningLine;  // the top-level command running now
    Waiting PeekedFor = Waiting::Top;
    bool Shift = false;
    bool Control = false;
    bool Quitting = false;
    uint64_t LastSeq = 0;
    BrowserSave Saving;
    std::string ProgressText;
    int32_t ProgressTotal = 0;
    int64_t ProgressDone = 0;
    int64_t ProgressSentAt = 0;  // milliseconds
};

}  // namespace app
