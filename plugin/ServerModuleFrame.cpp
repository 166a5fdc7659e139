#include "plugin/ServerModuleFrame.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace autoplacer {

namespace {
char FoldLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

int CompareCommandNames(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(FoldLetter(a[i]));
        const auto cb = static_cast<unsigned char>(FoldLetter(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

// ---- TCommandLauncher ----

TCommandLauncher::TCommandLauncher(std::string name, sdk::IClient* client) : Name(std::move(name)), Client(client) {}

TCommandLauncher::~TCommandLauncher() = default;

std::vector<TCommandLauncher::TEntry>::const_iterator TCommandLauncher::LowerBound(const std::string& command) const {
    return std::lower_bound(Handlers.begin(), Handlers.end(), command, [](const TEntry& entry, const std::string& key) {
        return CompareCommandNames(entry.Name, key) < 0;
    });
}

void TCommandLauncher::RegisterCommandHandler(const std::string& command, TCommandProc handler,
                                              TCommandStateProc stateHandler) {
    const auto at = LowerBound(command);
    if (at != Handlers.end() && CompareCommandNames(at->Name, command) == 0) {
        return;  // duplicates are ignored; the first registration stays
    }
    Handlers.insert(at, TEntry{command, std::make_unique<TCommandHandler>(handler, stateHandler)});
}

TCommandHandler* TCommandLauncher::FindHandler(const std::string& command) const {
    const auto at = LowerBound(command);
    if (at != Handlers.end() && CompareCommandNames(at->Name, command) == 0) {
        return at->Handler.get();
    }
    return nullptr;
}

std::vector<std::string> TCommandLauncher::HandlerNames() const {
    std::vector<std::string> names;
    names.reserve(Handlers.size());
    for (const TEntry& entry : Handlers) {
        names.push_back(entry.Name);
    }
    return names;
}

int32_t TCommandLauncher::LaunchCommand(const char* command, char* parameters, int32_t bufferSize, void* context) {
    if (command == nullptr) {
        return sdk::kResultOk;
    }
    TCommandHandler* handler = FindHandler(command);
    if (handler == nullptr) {
        return sdk::kResultOk;
    }
    if (handler->Handler != nullptr) {
        handler->Handler(context, parameters, bufferSize);
    }
    if (Client == nullptr) {
        return sdk::kResultOk;
    }
    if (sdk::IServerDocumentView* view = Client->GetCurrentView()) {
        view->Update();
    } else if (sdk::IMainFrame* frame = Client->GetMainFrame()) {
        frame->SetStatusText(1, nullptr);
        frame->SetStatusText(2, nullptr);
        frame->SetStatusText(3, nullptr);
    }
    return sdk::kResultOk;
}

int32_t TCommandLauncher::GetCommandState(const char*, const char*, sdk::IServerDocumentView*, int32_t*, int32_t*,
                                          int32_t*) {
    return sdk::kResultOk;
}

// ---- TServerModule ----

TServerModule::TServerModule(sdk::IClient* client, std::string name)
    : Client(client), Name(std::move(name)), WideName(Name.begin(), Name.end()) {}

TServerModule::~TServerModule() { FreeParts(); }

void TServerModule::Initialize() {
    CommandLauncher = CreateCommandLauncher();
    ProcessControl = std::make_unique<TProcessControl>();
    Documents.clear();
    RegisteredInterfaces.clear();
    RegisterCommands();
    AfterConstruction();
}

void TServerModule::FreeParts() {
    RegisteredInterfaces.clear();
    CommandLauncher.reset();
    Documents.clear();
    ProcessControl.reset();
    OptionsPages = nullptr;
}

std::unique_ptr<TCommandLauncher> TServerModule::CreateCommandLauncher() {
    return std::make_unique<TCommandLauncher>(Name, Client);
}

int32_t TServerModule::QueryInterface(const char* name, void** object) {
    if (object == nullptr) {
        return sdk::kResultError;
    }
    *object = nullptr;
    if (name != nullptr && (std::strcmp(name, "IServerModule") == 0 || std::strcmp(name, "IUnknown") == 0)) {
        *object = static_cast<sdk::IServerModule*>(this);
        AddRef();
        return sdk::kResultOk;
    }
    return sdk::kResultError;
}

int32_t TServerModule::AddRef() { return ++ReferenceCount; }

int32_t TServerModule::Release() {
    const int32_t remaining = --ReferenceCount;
    if (remaining == 0) {
        if (ActiveCommands > 0) {
            DeletePending = true;
            Detach();
        } else {
            delete this;
        }
    }
    return remaining;
}

void TServerModule::EndCommand() {
    if (--ActiveCommands == 0 && DeletePending) {
        delete this;
    }
}

void* TServerModule::CreateDocument(const char* kind, const char* fileName) {
    return CreateServerDocument(kind, fileName);
}

void TServerModule::DestroyDocument(void* document) {
    // The placer offers no documents; a document handed back is only forgotten.
    Documents.erase(std::remove(Documents.begin(), Documents.end(), document), Documents.end());
}

void* TServerModule::GetDocument(int32_t index) {
    if (index < 0 || index >= DocumentCount()) {
        return nullptr;
    }
    return Documents[static_cast<std::size_t>(index)];
}

void* TServerModule::GetModuleHandle() {
    // The base address of the library that holds this code.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CompareCommandNames), &info) != 0) {
        return info.dli_fbase;
    }
    return nullptr;
}

void* TServerModule::GetRegisteredInterface(int32_t index) {
    if (index < 0 || index >= RegisteredInterfaceCount()) {
        return nullptr;
    }
    return RegisteredInterfaces[static_cast<std::size_t>(index)];
}

void TServerModule::RemoveRegisteredInterface(void* item) {
    const auto at = std::find(RegisteredInterfaces.begin(), RegisteredInterfaces.end(), item);
    if (at != RegisteredInterfaces.end()) {
        RegisteredInterfaces.erase(at);
    }
}

void TServerModule::AddRegisteredInterface(void* item) { RegisteredInterfaces.push_back(item); }

void* TServerModule::CreateDocumentShowOrHide(const char* kind, const char* fileName, int32_t) {
    void* document = CreateServerDocument(kind, fileName);
    if (document != nullptr) {
        Documents.push_back(document);
    }
    return document;
}

}  // namespace autoplacer
