// The interfaces between the host application and a plug-in ("server") module.
// Both sides are built by the same C++ compiler, so these are plain abstract
// classes; nothing but result codes and raw pointers crosses the boundary, and no
// exception may cross it.
#pragma once

#include <stdint.h>

#include "sdk/dialogs.h"
#include "sdk/pcb_types.h"

namespace sdk {

// Result codes of host-facing operations.
enum : int32_t { kResultOk = 0, kResultError = -1 };

// The host's current document view: updated after every command.
class IServerDocumentView {
public:
    virtual void Update() = 0;

protected:
    ~IServerDocumentView() = default;
};

// The host's main window: a status bar with numbered panes.
class IMainFrame {
public:
    virtual void SetStatusText(int32_t pane, const char* text) = 0;  // text may be nullptr

protected:
    ~IMainFrame() = default;
};

// The board interface of the host's PCB server: the message operation through
// which board changes are bracketed for the host's undo system.
class IPcbBoardInterface {
public:
    // Returns kResultOk on success.
    virtual int32_t SendBoardMessage(PcbHandle object, intptr_t reserved, int32_t code, PcbHandle data) = 0;

protected:
    ~IPcbBoardInterface() = default;
};

class IPcbServer {
public:
    virtual IPcbBoardInterface* GetBoardInterface(PcbHandle board) = 0;  // nullptr when none

protected:
    ~IPcbServer() = default;
};

// The host client handed to ServerFactory.
class IClient {
public:
    virtual void* GetApplicationHandle() = 0;
    virtual IServerDocumentView* GetCurrentView() = 0;  // nullptr when no view is current
    virtual IMainFrame* GetMainFrame() = 0;
    // Sends a host command ("PCB:Zoom", "PCB:NetList", ...). The buffer holds a parameter
    // string and may be rewritten by the host. view may be nullptr.
    virtual int32_t RunProcess(const char* process, char* parameters, int32_t size,
                               IServerDocumentView* view) = 0;
    // Lets the host deliver whatever is waiting (for example a "StopAutoPlacer" command,
    // which re-enters the plug-in's command launcher on this thread).
    virtual void ProcessMessages() = 0;
    // Presents the plug-in's dialogs and message boxes.
    virtual IDialogHost* GetDialogHost() = 0;
    // The current user's persistent settings store.
    virtual IRegistry* GetRegistry() = 0;
    // A server registered with the host under a name ("PCB"), or nullptr.
    virtual IPcbServer* FindPcbServer(const char* name) = 0;

protected:
    ~IClient() = default;
};

class IServerModule;

// Commands of a plug-in, launched by name with an in-out parameter buffer.
class ICommandLauncher {
public:
    // bufferSize is the capacity of parameters (a handler writing an answer stays within it).
    virtual int32_t LaunchCommand(const char* command, char* parameters, int32_t bufferSize,
                                  void* context) = 0;
    // Whether a command may be offered; the plug-in sets *enabled (all bits set = true).
    virtual int32_t GetCommandState(const char* command, const char* parameters, IServerDocumentView* view,
                                    int32_t* enabled, int32_t* checked, int32_t* visible) = 0;

protected:
    ~ICommandLauncher() = default;
};

class IProcessControl {
public:
    virtual int32_t GetProcessDepth() = 0;
    virtual void PostProcess() = 0;  // decrements the depth
    virtual void PreProcess() = 0;   // increments the depth
    virtual void SetProcessDepth(int32_t depth) = 0;

protected:
    ~IProcessControl() = default;
};

// The host-facing interface of a server module, reference counted. The host owns one
// reference from ServerFactory and releases it when it lets the plug-in go.
class IServerModule {
public:
    virtual int32_t QueryInterface(const char* name, void** object) = 0;
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

    virtual void Idle() = 0;
    virtual int32_t ReceiveNotification(void* sender, void* notification) = 0;  // no-op
    virtual void* CreateDocument(const char* kind, const char* fileName) = 0;
    virtual void DestroyDocument(void* document) = 0;
    virtual IClient* GetClient() = 0;
    virtual ICommandLauncher* GetCommandLauncher() = 0;
    virtual int32_t DocumentCount() = 0;
    virtual void* GetDocument(int32_t index) = 0;
    virtual void* GetModuleHandle() = 0;
    virtual const wchar_t* GetName() = 0;
    virtual IProcessControl* GetProcessControl() = 0;
    virtual int32_t RegisteredInterfaceCount() = 0;
    virtual void* GetRegisteredInterface(int32_t index) = 0;
    virtual void* CreateOptionsView(const char* name) = 0;
    virtual void* GetPanelInfo(const char* name) = 0;
    virtual void* GetPanelInfoByIndex(int32_t index) = 0;
    virtual void RemoveRegisteredInterface(void* item) = 0;
    virtual void AddRegisteredInterface(void* item) = 0;
    virtual void* CreateDocumentShowOrHide(const char* kind, const char* fileName, int32_t show) = 0;

protected:
    ~IServerModule() = default;
};

}  // namespace sdk

extern "C" {
// The plug-in's entry. Sets *server to nullptr first; on success stores the module's
// interface (one reference owned by the caller) and returns 0.
int32_t ServerFactory(sdk::IClient* client, sdk::IServerModule** server);
typedef int32_t (*ServerFactoryProc)(sdk::IClient* client, sdk::IServerModule** server);
}
