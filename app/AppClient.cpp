#include "app/AppClient.h"

#include <cctype>
#include <cstring>
#include <iostream>

#include "app/DialogHelp.h"
#include "app/Interrupts.h"
#include "hostpcb/Host.h"

namespace app {

namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

void AppMainFrame::SetStatusText(int32_t pane, const char* text) {
    std::optional<std::string> value;
    if (text != nullptr) {
        value = std::string(text);
    }
    Panes[pane] = value;
    History.emplace_back(pane, value);
    if (Verbose) {
        std::cerr << "status " << pane << ": " << (text != nullptr ? text : "") << '\n';
    }
}

AppClient::AppClient() = default;

int32_t AppClient::RunProcess(const char* process, char* parameters, int32_t size, sdk::IServerDocumentView* view) {
    ProcessCall call;
    call.Process = process != nullptr ? process : "";
    if (parameters != nullptr && size > 0) {
        call.Parameters.assign(parameters, strnlen(parameters, static_cast<std::size_t>(size)));
    }
    call.Size = size;
    call.WithView = view != nullptr;
    if (MainFrame.Verbose) {
        std::cerr << "host command " << call.Process << " (" << call.Parameters << ")\n";
    }
    const bool statistical = EqualsIgnoringCase(call.Process, "Placer:RunAutoPlacer");
    if (EqualsIgnoringCase(call.Process, "Client:RunHelpTopic")) {
        // The dialog's "Help" button: its section, on the stream the dialogs use.
        std::cerr << DialogHelpForTopic(HelpTopicOf(call.Parameters));
    }
    const std::string parameterText = call.Parameters;
    ProcessCalls.push_back(std::move(call));
    if (statistical) {
        return RunStatisticalPlacer(parameterText);
    }
    return sdk::kResultOk;
}

// "Batch" and "UseAutoPCBUpdate" need nothing of the stand-in: it has no placement
// window of its own and no option dialog, so the board is always updated directly.
int32_t AppClient::RunStatisticalPlacer(const std::string&) {
    hostpcb::Board* board = hostpcb::Host::Instance().CurrentBoard();
    if (board == nullptr) {
        return sdk::kResultError;
    }
    hostpcb::statistical::PlacerSettings settings;
    settings.seed = StatisticalSeed;
    settings.dialogs = DialogHost;
    settings.stopRequested = StopRequestCheck ? StopRequestCheck : [] { return interrupts::TakeStopRequest(); };
    StatisticalOutcome = hostpcb::statistical::PlaceBoard(*board, settings);
    if (MainFrame.Verbose) {
        std::cerr << "statistical placer: " << StatisticalOutcome->movable << " movable components, "
                  << StatisticalOutcome->unfit.size() << " without room"
                  << (StatisticalOutcome->stopped ? ", stopped" : "")
                  << (StatisticalOutcome->restored ? ", restored" : "") << '\n';
    }
    return sdk::kResultOk;
}

void AppClient::ProcessMessages() {
    if (MessagePump) {
        MessagePump();
    }
}

sdk::IPcbServer* AppClient::FindPcbServer(const char* name) {
    if (name == nullptr || std::strcmp(name, "PCB") != 0) {
        return nullptr;
    }
    return PcbServer != nullptr ? PcbServer : &hostpcb::Host::Instance().Server();
}

sdk::ICommandLauncher* AppClient::GetCommandLauncher() const {
    return ServerModule != nullptr ? ServerModule->GetCommandLauncher() : nullptr;
}

}  // namespace app
