#include "app/PluginSession.h"

#include <sys/stat.h>

#include <filesystem>
#include <iostream>

#include "app/DialogRouter.h"
#include "app/Interrupts.h"
#include "app/PathChecks.h"
#include "app/ProgressReporter.h"
#include "hostpcb/Host.h"

namespace app {

namespace fs = std::filesystem;

PluginSession::~PluginSession() {
    UnloadPlugin();
    if (ProgressShown) {
        hostpcb::Host::Instance().SetProgressSink(nullptr);
    }
    Environment.reset();
}

int PluginSession::LoadBoard(const std::string& path, const io::LoadOptions& options) {
    // A FIFO or a device would block or never end; folders get the reader's own message.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        std::cerr << "autoplacer: cannot read " << path << ": not a regular file\n";
        return kExitUsage;
    }
    try {
        LoadedFile = io::LoadBoardFile(path, options);
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
    const std::string registry =
        options.RegistryPath.empty() ? FileRegistry::DefaultPath().string() : options.RegistryPath;
    std::string problem = options.AnswersFile.empty() ? "" : CheckInputFile(options.AnswersFile, "answers file");
    if (problem.empty() && !registry.empty()) {
        problem = CheckInputFile(registry, "settings file", true);
    }
    if (!problem.empty()) {
        std::cerr << "autoplacer: " << problem << '\n';
        return kExitUsage;
    }
    if (LoadedFile && !registry.empty()) {
        if (const std::string* input = io::OverwrittenInput(registry, LoadedFile->inputs)) {
            std::cerr << "autoplacer: settings file " << registry << " would replace the input " << *input << '\n';
            return kExitCannotWrite;
        }
    }
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
    // In place through a link: the file the link names is replaced, not the link.
    std::error_code ec;
    const fs::path real = fs::canonical(LoadedFile->path, ec);
    save.output = inPlace && output.empty() ? (ec ? LoadedFile->path : real.string()) : output;
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

MessagePump& PluginSession::Pump() { return Environment->Pump(); }

ScriptedDialogHost& PluginSession::Script() { return *Environment->Script(); }

}  // namespace app
