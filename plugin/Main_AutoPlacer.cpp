#include "plugin/Main_AutoPlacer.h"

#include <new>

#include "model/RunControl.h"
#include "plugin/ClusterQuery.h"
#include "plugin/Commands_AutoPlacer.h"
#include "settings/StopPlacement.h"

namespace autoplacer {

TAutoPlacerServerModule* ServerModule = nullptr;
sdk::IServerModule* ServerModuleInterface = nullptr;
void* ApplicationHandle = nullptr;

namespace {

// The stop check's question: the stop dialog.
bool AskStopPlacement(bool& restore) {
    TStopPlacementDialog dialog;
    if (dialog.ShowModal() != sdk::kModalOk) {
        return false;
    }
    restore = dialog.Restore_CheckBox->GetChecked();
    return true;
}

// Installed when the library is loaded, like the run-control flags.
[[maybe_unused]] const bool StopQuestionInstalled = (SetStopQuestion(&AskStopPlacement), true);

}  // namespace

// ---- TAutoPlaceCommandLauncher ----

int32_t TAutoPlaceCommandLauncher::LaunchCommand(const char* command, char* parameters, int32_t bufferSize,
                                                 void* context) {
    TAutoPlacerServerModule* module = ServerModule;
    if (module == nullptr) {
        return sdk::kResultOk;
    }
    int32_t result = sdk::kResultError;
    module->BeginCommand();
    try {
        result = TCommandLauncher::LaunchCommand(command, parameters, bufferSize, context);
    } catch (...) {
        result = sdk::kResultError;
    }
    // May delete the module, and this launcher with it, when the host released
    // the module during the command.
    module->EndCommand();
    return result;
}

int32_t TAutoPlaceCommandLauncher::GetCommandState(const char*, const char*, sdk::IServerDocumentView*,
                                                   int32_t* enabled, int32_t*, int32_t*) {
    if (autoplacer::Client != nullptr && ServerModule != nullptr && enabled != nullptr) {
        *enabled = -1;  // the platform's Boolean true: all bits set
    }
    return sdk::kResultOk;
}

// ---- TAutoPlacerServerModule ----

TAutoPlacerServerModule::TAutoPlacerServerModule(sdk::IClient* client, const char* name)
    : TServerModule(client, name != nullptr ? name : kServerName) {
    autoplacer::Client = client;
    SetStopQuestion(&AskStopPlacement);
    ServerModule = this;
    ServerModuleInterface = this;
    try {
        Initialize();
    } catch (...) {
        Detach();
        throw;
    }
    if (client != nullptr) {
        ApplicationHandle = client->GetApplicationHandle();
    }
}

TAutoPlacerServerModule::~TAutoPlacerServerModule() {
    FreeParts();
    Detach();
}

// The client is forgotten with the module: the host may free it once it let the
// plug-in go, and nothing may reach it afterwards.
void TAutoPlacerServerModule::Detach() {
    if (ServerModule == this) {
        ServerModuleInterface = nullptr;
        ServerModule = nullptr;
        autoplacer::Client = nullptr;
    }
}

void* TAutoPlacerServerModule::CreateServerDocument(const char*, const char*) { return nullptr; }

std::unique_ptr<TCommandLauncher> TAutoPlacerServerModule::CreateCommandLauncher() {
    return std::make_unique<TAutoPlaceCommandLauncher>(GetModuleName(), GetClient());
}

void TAutoPlacerServerModule::RegisterCommands() { RegisterAutoPlacerCommands(*GetLauncher()); }

void RegisterAutoPlacerCommands(TCommandLauncher& launcher) {
    launcher.RegisterCommandHandler("RunAutoPlacer", RunAutoPlacerCommand, nullptr);
    launcher.RegisterCommandHandler("StopAutoPlacer", StopAutoPlacerCommand, nullptr);
    launcher.RegisterCommandHandler("EnterInteractiveComponentEditingMode", EnterEditingModeCommand, nullptr);
    launcher.RegisterCommandHandler("ExecuteInteractivePlacementFeature", ExecuteFeatureCommand, nullptr);
    launcher.RegisterCommandHandler("LoseLastAutoSelectedComponent", LoseLastAutoSelectedCommand, nullptr);
    launcher.RegisterCommandHandler("AlignComponents", AlignComponentsCommand, nullptr);
    launcher.RegisterCommandHandler("AutoPlacer", AutoPlacerQueryCommand, nullptr);
    launcher.RegisterCommandHandler("QueryClusters", QueryClustersCommand, nullptr);  // developer query
}

}  // namespace autoplacer

// The library's entry for the host. Nothing may escape it but a result code.
extern "C" __attribute__((visibility("default"))) int32_t ServerFactory(sdk::IClient* client,
                                                                          sdk::IServerModule** server) {
    if (server == nullptr) {
        return sdk::kResultError;
    }
    *server = nullptr;
    try {
        auto* module = new autoplacer::TAutoPlacerServerModule(client, autoplacer::kServerName);
        module->AddRef();  // the caller's reference
        *server = module;
        return sdk::kResultOk;
    } catch (...) {
        return sdk::kResultError;
    }
}
