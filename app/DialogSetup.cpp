#include "app/DialogSetup.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/AppClient.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"
#include "app/TerminalDialogHost.h"

namespace app {

namespace {
const DialogOptions* RememberedOptions = nullptr;
std::unique_ptr<DialogEnvironment> ProcessEnvironment;
}  // namespace

void AddDialogOptions(CLI::App& command, DialogOptions& options) {
    command.add_option("--answer", options.Answers,
                       "Answer a dialog: FORM.CONTROL=VALUE, FORM=BUTTON or \"FORM: ACTION\" (see docs/dialogs.md)");
    command.add_option("--answers", options.AnswersFile, "File of dialog answers, one per line");
    command.add_option("--registry", options.RegistryPath,
                       "Settings file (default: $XDG_CONFIG_HOME/autoplacer/registry.json)");
    command.add_flag("--batch", options.Batch, "Never ask on the terminal; unanswered dialogs take their defaults");
}

std::unique_ptr<DialogEnvironment> DialogEnvironment::Create(const DialogOptions& options, std::string& problem) {
    std::unique_ptr<DialogEnvironment> environment(new DialogEnvironment());
    const bool scripted = options.Batch || !options.Answers.empty() || !options.AnswersFile.empty();
    environment->IsTerminal = !scripted && isatty(STDIN_FILENO) != 0;
    if (environment->IsTerminal) {
        environment->Terminal = std::make_unique<TerminalDialogHost>(STDIN_FILENO, std::cerr);
        environment->Host = environment->Terminal.get();
    } else {
        auto owned = std::make_unique<ScriptedDialogHost>(std::cerr);
        for (const std::string& answer : options.Answers) {
            if (problem = owned->AddAnswer(answer); !problem.empty()) {
                return nullptr;
            }
        }
        if (!options.AnswersFile.empty()) {
            if (problem = owned->LoadAnswers(options.AnswersFile); !problem.empty()) {
                return nullptr;
            }
        }
        environment->Host = owned.get();
        environment->Scripted = std::move(owned);
    }
    const std::filesystem::path registry =
        options.RegistryPath.empty() ? FileRegistry::DefaultPath() : std::filesystem::path(options.RegistryPath);
    environment->Store = std::make_unique<FileRegistry>(registry, std::cerr);
    return environment;
}

DialogEnvironment::~DialogEnvironment() {
    interrupts::Uninstall();
    if (Scripted) {
        for (const std::string& answer : Scripted->UnusedAnswers()) {
            std::cerr << "autoplacer: answer \"" << answer << "\" was not used\n";
        }
    }
}

void DialogEnvironment::Attach(AppClient& client) {
    client.SetDialogHost(Host);
    client.SetRegistry(Store.get());
    client.SetMessagePump([this, &client] { Messages.Deliver(client.GetCommandLauncher()); });
    interrupts::Install();
}

void UseDialogOptions(const DialogOptions* options) { RememberedOptions = options; }

bool AttachDialogEnvironment(AppClient& client) {
    if (RememberedOptions == nullptr) {
        return true;
    }
    if (!ProcessEnvironment) {
        std::string problem;
        ProcessEnvironment = DialogEnvironment::Create(*RememberedOptions, problem);
        if (!ProcessEnvironment) {
            std::cerr << "autoplacer: " << problem << "\n";
            return false;
        }
    }
    ProcessEnvironment->Attach(client);
    return true;
}

}  // namespace app
