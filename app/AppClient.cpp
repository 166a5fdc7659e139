#include "app/AppClient.h"

#include <cstring>
#include <iostream>

#include "hostpcb/Host.h"

namespace app {

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
    ProcessCalls.push_back(std::move(call));
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
