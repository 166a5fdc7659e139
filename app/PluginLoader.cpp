#include "app/PluginLoader.h"

#include <dlfcn.h>

#include <filesystem>

namespace app {

std::unique_ptr<LoadedPlugin> LoadedPlugin::Load(const std::string& path, sdk::IClient& client, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        error = "cannot load the plug-in " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return nullptr;
    }
    auto factory = reinterpret_cast<ServerFactoryProc>(dlsym(library, "ServerFactory"));
    if (factory == nullptr) {
        error = "the plug-in " + path + " has no ServerFactory";
        dlclose(library);
        return nullptr;
    }
    sdk::IServerModule* module = nullptr;
    const int32_t result = factory(&client, &module);
    if (result != sdk::kResultOk || module == nullptr) {
        error = "the plug-in's ServerFactory failed (result " + std::to_string(result) + ")";
        if (module != nullptr) {
            module->Release();
        }
        dlclose(library);
        return nullptr;
    }
    return std::unique_ptr<LoadedPlugin>(new LoadedPlugin(library, module, path));
}

LoadedPlugin::~LoadedPlugin() {
    ReleaseModule();
    dlclose(Library);
}

void LoadedPlugin::ReleaseModule() {
    if (ServerModule != nullptr) {
        ServerModule->Release();
        ServerModule = nullptr;
    }
}

sdk::ICommandLauncher* LoadedPlugin::Launcher() const {
    return ServerModule != nullptr ? ServerModule->GetCommandLauncher() : nullptr;
}

std::string DefaultPluginPath() {
    std::error_code failed;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) {
        return "libautoplacer.so";
    }
    return (executable.parent_path() / "libautoplacer.so").string();
}

}  // namespace app
