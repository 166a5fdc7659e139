// The application's side of the plug-in contract: the host client handed to the
// plug-in's ServerFactory. It records what the plug-in asks of the host (status
// bar texts, view updates, host commands) so that runs and tests can see it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostpcb/statistical/StatisticalPlacer.h"
#include "sdk/plugin.h"

namespace app {

// The current document view: counts its updates.
class AppView final : public sdk::IServerDocumentView {
public:
    void Update() override { ++UpdateCount; }
    int UpdateCount = 0;
};

// The main window's status bar: keeps the last text of each pane (nullopt for a
// pane cleared with a nil text) and echoes changes to stderr in verbose mode.
class AppMainFrame final : public sdk::IMainFrame {
public:
    void SetStatusText(int32_t pane, const char* text) override;

    std::map<int32_t, std::optional<std::string>> Panes;
    // Every SetStatusText call in order: pane and text (nullopt for nil).
    std::vector<std::pair<int32_t, std::optional<std::string>>> History;
    bool Verbose = false;
};

// One host command the plug-in sent through RunProcess.
struct ProcessCall {
    std::string Process;
    std::string Parameters;  // the buffer as the plug-in handed it over
    int32_t Size = 0;
    bool WithView = false;
};

class AppClient final : public sdk::IClient {
public:
    AppClient();
    AppClient(const AppClient&) = delete;
    AppClient& operator=(const AppClient&) = delete;
    ~AppClient() = default;

    // sdk::IClient
    void* GetApplicationHandle() override { return &ApplicationWindow; }
    sdk::IServerDocumentView* GetCurrentView() override { return HasView ? &View : nullptr; }
    sdk::IMainFrame* GetMainFrame() override { return &MainFrame; }
    int32_t RunProcess(const char* process, char* parameters, int32_t size, sdk::IServerDocumentView* view) override;
    void ProcessMessages() override;
    sdk::IDialogHost* GetDialogHost() override { return DialogHost; }
    sdk::IRegistry* GetRegistry() override { return Registry; }
    sdk::IPcbServer* FindPcbServer(const char* name) override;

    // Set-up by the application (and by tests).
    void SetDialogHost(sdk::IDialogHost* host) { DialogHost = host; }
    void SetRegistry(sdk::IRegistry* registry) { Registry = registry; }
    // Called from ProcessMessages: delivers whatever waits for the plug-in (for
    // example a stop command typed by the user).
    void SetMessagePump(std::function<void()> pump) { MessagePump = std::move(pump); }
    // The server registered under "PCB" (the host stand-in's board interface).
    void SetPcbServer(sdk::IPcbServer* server) { PcbServer = server; }
    // Whether a document view is current (it is unless switched off).
    void SetHasView(bool hasView) { HasView = hasView; }
    void SetVerbose(bool verbose) { MainFrame.Verbose = verbose; }
    // The seed of the host's statistical placer ("Placer:RunAutoPlacer"); the same
    // seed on the same board gives the same placement.
    void SetStatisticalSeed(uint64_t seed) { StatisticalSeed = seed; }
    uint64_t GetStatisticalSeed() const { return StatisticalSeed; }
    // What the statistical placer asks to learn of a stop request; by default a
    // Ctrl-C (app/Interrupts).
    void SetStopRequestCheck(std::function<bool()> check) { StopRequestCheck = std::move(check); }
    // The outcome of the last statistical placement, nullopt before the first.
    const std::optional<hostpcb::statistical::PlacementOutcome>& GetStatisticalOutcome() const {
        return StatisticalOutcome;
    }

    // The loaded plug-in's module, once ServerFactory has answered.
    void SetServerModule(sdk::IServerModule* module) { ServerModule = module; }
    sdk::IServerModule* GetServerModule() const { return ServerModule; }
    // The loaded plug-in's command launcher, nullptr before a plug-in is loaded.
    sdk::ICommandLauncher* GetCommandLauncher() const;

    const AppView& GetView() const { return View; }
    const AppMainFrame& GetFrame() const { return MainFrame; }
    const std::vector<ProcessCall>& GetProcessCalls() const { return ProcessCalls; }

private:
    int ApplicationWindow = 0;  // stands for the application's window handle
    AppView View;
    AppMainFrame MainFrame;
    bool HasView = true;
    sdk::IDialogHost* DialogHost = nullptr;
    sdk::IRegistry* Registry = nullptr;
    sdk::IPcbServer* PcbServer = nullptr;
    sdk::IServerModule* ServerModule = nullptr;
    std::function<void()> MessagePump;
    std::vector<ProcessCall> ProcessCalls;
    uint64_t StatisticalSeed = 1;
    std::function<bool()> StopRequestCheck;
    std::optional<hostpcb::statistical::PlacementOutcome> StatisticalOutcome;

    int32_t RunStatisticalPlacer(const std::string& parameters);
};

}  // namespace app
