#include "app/PluginSession.h"

#include <iostream>

#include "app/DialogRouter.h"
#include "app/Interrupts.h"
#include "app/ProgressReporter.h"
#include "hostpcb/Host.h"

namespace app {

PluginSession::~PluginSession() {
    UnloadPlugin();
    if (ProgressShown) {
        hostpcb::Host::Instance().SetProgressSink(nullptr);
    }
    Environment.reset();
}

int PluginSession::LoadBoard(const std::string& path) {
    try {
        LoadedFile = io::LoadBoardFile(path);
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: cannot read " << path << ": " << failure.what() << '\n';
        return kExitUsage;
    }
    for (const std::string& warning : LoadedFile->warnings) {
        std::cerr << "autoplacer: " << warning << '\n';
    }
    return kExitOk;
}

int PluginSession::OpenDialogs(const DialogOptions& options, const DialogPlan& plan) {
    std::string problem;
    Environment = DialogEnvironment::Create(options, problem, plan);
    if (!Environment) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitUsage;
    }
    Environment->Attach(TheClient);
    return kExitOk;
}

int PluginSession::LoadPlugin(const std::string& path, bool verbose, std::optional<uint64_t> statisticalSeed) {
    TheClient.SetVerbose(verbose);
    if (statisticalSeed) {
        TheClient.SetStatisticalSeed(*statisticalSeed);
    }
    std::string error;
    Plugin = LoadedPlugin::Load(path.empty() ? DefaultPluginPath() : path, TheClient, error);
    if (!Plugin) {
        std::cerr << "autoplacer: " << error << '\n';
        return kExitNoPlugin;
    }
    TheClient.SetServerModule(Plugin->Module());
    return kExitOk;
}

void PluginSession::ShowProgress(ProgressReporter* progress) {
    hostpcb::Host::Instance().SetProgressSink(progress);
    ProgressShown = progress != nullptr;
    if (Environment) {
        Environment->Presenter().BeforeOutput = progress != nullptr ? std::function<void()>([progress] {
            progress->Clear();
        })
                                                                    : std::function<void()>();
    }
}

int32_t PluginSession::Launch(const std::string& command, std::vector<char>& buffer) {
    interrupts::SetCommandRunning(true);
    const int32_t result =
        Launcher()->LaunchCommand(command.c_str(), buffer.data(), static_cast<int32_t>(buffer.size()), nullptr);
    interrupts::SetCommandRunning(false);
    return result;
}

void PluginSession::UnloadPlugin() {
    if (Plugin) {
        TheClient.SetServerModule(nullptr);
        Plugin.reset();
    }
    if (Environment) {
        Environment->ReportUnusedAnswers();
    }
}

int PluginSession::Save(const std::string& output, bool inPlace, bool keepRouting, io::SaveResult& saved) {
    io::SaveOptions save;
    save.output = inPlace && output.empty() ? LoadedFile->path : output;
    save.inPlace = inPlace;
    save.keepRouting = keepRouting;
    try {
        saved = io::SaveBoardFile(*LoadedFile, save);
    } catch (const std::exception& failure) {
        std::cerr << "autoplacer: cannot write the board: " << failure.what() << '\n';
        return kExitCannotWrite;
    }
    for (const std::string& warning : saved.warnings) {
        std::cerr << "autoplacer: " << warning << '\n';
    }
    return kExitOk;
}

DialogRouter& PluginSession::Dialogs() { return Environment->Presenter(); }

}  // namespace app
