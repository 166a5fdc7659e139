// The plug-in's entry: the "AutoPlacer" server module, its command launcher and
// the library's globals.
#pragma once

#include <memory>

#include "host/HostClient.h"
#include "plugin/DataModule.h"
#include "plugin/ServerModuleFrame.h"
#include "sdk/plugin.h"

namespace autoplacer {

// The module's name, as the host knows it.
inline constexpr const char* kServerName = "AutoPlacer";

class TAutoPlacerServerModule;

// The live server module and its host-facing interface; nil before ServerFactory
// and after the host released the module.
extern TAutoPlacerServerModule* ServerModule;
extern sdk::IServerModule* ServerModuleInterface;
// An empty data module, created when the library is loaded.
extern TDataModule1* DataModule1;
// The host's application window handle, adopted so that the plug-in's dialogs
// belong to the host window.
extern void* ApplicationHandle;

// Launches commands only while the server module exists, and turns every
// exception into an error result.
class TAutoPlaceCommandLauncher : public TCommandLauncher {
public:
    using TCommandLauncher::TCommandLauncher;

    int32_t LaunchCommand(const char* command, char* parameters, int32_t bufferSize, void* context) override;
    int32_t GetCommandState(const char* command, const char* parameters, sdk::IServerDocumentView* view,
                            int32_t* enabled, int32_t* checked, int32_t* visible) override;
};

class TAutoPlacerServerModule : public TServerModule {
public:
    TAutoPlacerServerModule(sdk::IClient* client, const char* name);
    ~TAutoPlacerServerModule() override;

protected:
    void* CreateServerDocument(const char* kind, const char* fileName) override;
    void RegisterCommands() override;
    std::unique_ptr<TCommandLauncher> CreateCommandLauncher() override;
    void Detach() override;
};

// Registers the seven commands, in their table order, with a launcher.
void RegisterAutoPlacerCommands(TCommandLauncher& launcher);

}  // namespace autoplacer
