#include "app/DialogSetup.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/AppClient.h"
#include "app/DialogRouter.h"
#include "app/Interrupts.h"
#include "app/ScriptedDialogHost.h"
#include "app/TerminalDialogHost.h"

namespace app {

namespace {

bool ClosesForm(const std::vector<std::string>& answers, const std::string& form) {
    for (const std::string& answer : answers) {
        const std::size_t equals = answer.find('=');
        if (equals != std::string::npos && answer.compare(0, equals, form) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

void AddDialogOptions(CLI::App& command, DialogOptions& options) {
    command.add_option("--answer", options.Answers,
                       "Answer a dialog: FORM.CONTROL=VALUE, FORM=BUTTON or \"FORM: ACTION\" (see docs/dialogs.md)");
    command.add_option("--answers", options.AnswersFile, "File of dialog answers, one per line");
    command.add_option("--registry", options.RegistryPath,
                       "Settings file (default: $XDG_CONFIG_HOME/autoplacer/registry.json)");
    command.add_flag("--batch", options.Batch, "Never ask on the terminal; unanswered dialogs take their defaults");
}

std::unique_ptr<DialogEnvironment> DialogEnvironment::Create(const DialogOptions& options, std::string& problem,
                                                             const DialogPlan& plan) {
    std::unique_ptr<DialogEnvironment> environment(new DialogEnvironment());
    auto script = std::make_unique<ScriptedDialogHost>(std::cerr);
    for (const std::vector<std::string>* answers : {&plan.CommandAnswers, &options.Answers}) {
        for (const std::string& answer : *answers) {
            if (problem = script->AddAnswer(answer); !problem.empty()) {
                return nullptr;
            }
        }
    }
    if (!options.AnswersFile.empty()) {
        if (problem = script->LoadAnswers(options.AnswersFile); !problem.empty()) {
            return nullptr;
        }
    }
    if (!plan.Closing.empty() && !ClosesForm(options.Answers, plan.Closing.substr(0, plan.Closing.find('=')))) {
        if (problem = script->AddAnswer(plan.Closing); !problem.empty()) {
            return nullptr;
        }
    }
    if (!options.Batch && isatty(STDIN_FILENO) != 0) {
        environment->Terminal = std::make_unique<TerminalDialogHost>(STDIN_FILENO, std::cerr);
    }
    environment->Router =
        std::make_unique<DialogRouter>(*script, environment->Terminal.get(), plan.ScriptedCaptions);
    environment->Scripted = std::move(script);
    environment->Closing = plan.Closing;
    const std::filesystem::path registry =
        options.RegistryPath.empty() ? FileRegistry::DefaultPath() : std::filesystem::path(options.RegistryPath);
    environment->Store = std::make_unique<FileRegistry>(registry, std::cerr);
    return environment;
}

DialogEnvironment::~DialogEnvironment() {
    interrupts::Uninstall();
    ReportUnusedAnswers();
}

void DialogEnvironment::ReportUnusedAnswers() {
    if (UnusedReported) {
        return;
    }
    UnusedReported = true;
    for (const std::string& answer : Scripted->UnusedAnswers()) {
        if (answer != Closing) {
            std::cerr << "autoplacer: answer \"" << answer << "\" was not used\n";
        }
    }
}

void DialogEnvironment::Attach(AppClient& client) {
    client.SetDialogHost(Router.get());
    client.SetRegistry(Store.get());
    client.SetMessagePump([this, &client] { Messages.Deliver(client.GetCommandLauncher()); });
    interrupts::Install();
}

}  // namespace app
