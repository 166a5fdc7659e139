// The server-module frame: the reference-counted module the host holds, its
// command launcher with the table of named handlers, and the process control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/plugin.h"

namespace autoplacer {

// A command handler: the host's context (ignored by every handler of the placer)
// and the in-out parameter buffer with its capacity in bytes. A query handler
// rewrites the buffer with its answer and stays within bufferSize.
using TCommandProc = void (*)(void* context, char* parameters, int32_t bufferSize);
// Answers the host's question whether a command may be offered.
using TCommandStateProc = void (*)(const char* parameters, sdk::IServerDocumentView* view, int32_t* enabled,
                                   int32_t* checked, int32_t* visible);

class TCommandHandler {
public:
    TCommandHandler(TCommandProc handler, TCommandStateProc stateHandler)
        : Handler(handler), StateHandler(stateHandler) {}

    TCommandProc Handler;
    TCommandStateProc StateHandler;
};

// Compares command names as the launcher does: letters a to z fold to A to Z.
int CompareCommandNames(const std::string& a, const std::string& b);

class TCommandLauncher : public sdk::ICommandLauncher {
public:
    // client: whose current view (or status bar) is updated after a command; may be nil.
    TCommandLauncher(std::string name, sdk::IClient* client);
    virtual ~TCommandLauncher();
    TCommandLauncher(const TCommandLauncher&) = delete;
    TCommandLauncher& operator=(const TCommandLauncher&) = delete;

    // Adds a command; a name already registered (in any letter case) is ignored.
    void RegisterCommandHandler(const std::string& command, TCommandProc handler,
                                TCommandStateProc stateHandler);
    // The handler registered under the name (any letter case), nullptr when none.
    TCommandHandler* FindHandler(const std::string& command) const;
    int32_t HandlerCount() const { return static_cast<int32_t>(Handlers.size()); }
    // The registered names in table order (sorted, case-insensitively).
    std::vector<std::string> HandlerNames() const;
    const std::string& GetName() const { return Name; }

    // Runs the named handler, then updates the current view or, without one,
    // clears the status-bar panes 1 to 3. An unknown name is no error.
    int32_t LaunchCommand(const char* command, char* parameters, int32_t bufferSize, void* context) override;
    int32_t GetCommandState(const char* command, const char* parameters, sdk::IServerDocumentView* view,
                            int32_t* enabled, int32_t* checked, int32_t* visible) override;

private:
    struct TEntry {
        std::string Name;
        std::unique_ptr<TCommandHandler> Handler;
    };
    std::vector<TEntry>::const_iterator LowerBound(const std::string& command) const;

    std::string Name;
    sdk::IClient* Client;
    std::vector<TEntry> Handlers;  // sorted by CompareCommandNames, no duplicates
};

class TProcessControl : public sdk::IProcessControl {
public:
    virtual ~TProcessControl() = default;
    int32_t GetProcessDepth() override { return ProcessDepth; }
    void PostProcess() override { --ProcessDepth; }
    void PreProcess() override { ++ProcessDepth; }
    void SetProcessDepth(int32_t depth) override { ProcessDepth = depth; }

private:
    int32_t ProcessDepth = 0;
};

// The base server module. Construction runs, in order: CreateCommandLauncher,
// the process control and lists, RegisterCommands, the final hook. Because the
// overridable steps must reach the derived class, the most derived constructor
// ends with Initialize(). The module deletes itself when its last reference is
// released.
class TServerModule : public sdk::IServerModule {
public:
    TServerModule(sdk::IClient* client, std::string name);
    virtual ~TServerModule();
    TServerModule(const TServerModule&) = delete;
    TServerModule& operator=(const TServerModule&) = delete;

    int32_t QueryInterface(const char* name, void** object) override;
    int32_t AddRef() override;
    int32_t Release() override;

    void Idle() override {}
    int32_t ReceiveNotification(void*, void*) override { return sdk::kResultOk; }
    void* CreateDocument(const char* kind, const char* fileName) override;
    void DestroyDocument(void* document) override;
    sdk::IClient* GetClient() override { return Client; }
    sdk::ICommandLauncher* GetCommandLauncher() override { return CommandLauncher.get(); }
    int32_t DocumentCount() override { return static_cast<int32_t>(Documents.size()); }
    void* GetDocument(int32_t index) override;
    void* GetModuleHandle() override;
    const wchar_t* GetName() override { return WideName.c_str(); }
    sdk::IProcessControl* GetProcessControl() override { return ProcessControl.get(); }
    int32_t RegisteredInterfaceCount() override { return static_cast<int32_t>(RegisteredInterfaces.size()); }
    void* GetRegisteredInterface(int32_t index) override;
    void* CreateOptionsView(const char*) override { return nullptr; }
    void* GetPanelInfo(const char*) override { return nullptr; }
    void* GetPanelInfoByIndex(int32_t) override { return nullptr; }
    void RemoveRegisteredInterface(void* item) override;
    void AddRegisteredInterface(void* item) override;
    void* CreateDocumentShowOrHide(const char* kind, const char* fileName, int32_t show) override;

    // Brackets one command in progress. A module whose last reference is released
    // while a command runs is detached at once and deleted when the outermost
    // command ends, so that the running launcher is never freed under itself.
    void BeginCommand() { ++ActiveCommands; }
    void EndCommand();

    const std::string& GetModuleName() const { return Name; }
    TCommandLauncher* GetLauncher() const { return CommandLauncher.get(); }
    int32_t GetReferenceCount() const { return ReferenceCount; }

protected:
    virtual void* CreateServerDocument(const char* kind, const char* fileName) = 0;
    virtual void RegisterCommands() {}
    virtual std::unique_ptr<TCommandLauncher> CreateCommandLauncher();
    virtual void AfterConstruction() {}
    // The host let the module go: from now on it takes no more commands.
    virtual void Detach() {}

    // Runs the overridable construction steps; called once, at the end of the
    // most derived constructor.
    void Initialize();
    // Frees, in this order, the registered interfaces, the launcher with its
    // handlers, the documents, the process control and the options pages.
    void FreeParts();

private:
    sdk::IClient* Client;
    std::vector<void*> Documents;
    std::string Name;
    std::wstring WideName;
    std::vector<void*> RegisteredInterfaces;
    void* OptionsPages = nullptr;
    std::unique_ptr<TCommandLauncher> CommandLauncher;
    std::unique_ptr<TProcessControl> ProcessControl;
    int32_t ReferenceCount = 0;
    int32_t ActiveCommands = 0;
    bool DeletePending = false;
};

}  // namespace autoplacer
