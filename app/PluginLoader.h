// Loads the placer plug-in into the application: dlopen, ServerFactory, and at
// the end the release of the module and the unloading of the library.
#pragma once

#include <memory>
#include <string>

#include "sdk/plugin.h"

namespace app {

class LoadedPlugin {
public:
    // Loads the library at path and asks its ServerFactory for the module. On
    // failure answers nullptr and says why in error.
    static std::unique_ptr<LoadedPlugin> Load(const std::string& path, sdk::IClient& client, std::string& error);

    // Releases the host's reference to the module, then unloads the library.
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    sdk::IServerModule* Module() const { return ServerModule; }
    sdk::ICommandLauncher* Launcher() const;
    const std::string& Path() const { return LibraryPath; }

    // Lets the module go now (as a host does when it shuts the plug-in down);
    // the library stays loaded until destruction.
    void ReleaseModule();

private:
    LoadedPlugin(void* library, sdk::IServerModule* module, std::string path)
        : Library(library), ServerModule(module), LibraryPath(std::move(path)) {}

    void* Library;
    sdk::IServerModule* ServerModule;
    std::string LibraryPath;
};

// libautoplacer.so in the folder of the running executable.
std::string DefaultPluginPath();

}  // namespace app
