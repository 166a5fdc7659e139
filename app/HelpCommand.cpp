#include "app/HelpCommand.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "app/DialogHelp.h"
#include "app/ExitStatus.h"

namespace app {

void RegisterHelpCommand(CLI::App& cli, int& exitStatus) {
    auto topic = std::make_shared<std::string>();
    CLI::App* help = cli.add_subcommand("help", "Show help: without TOPIC this text, \"dialogs\" the plug-in's dialogs");
    help->add_option("TOPIC", *topic, "dialogs")->check(CLI::IsMember({"dialogs"}));
    help->callback([&cli, topic, &exitStatus] {
        // The whole application's help, not this subcommand's (help() would delegate to it).
        std::cout << (topic->empty() ? cli.get_formatter()->make_help(&cli, cli.get_name(), CLI::AppFormatMode::Normal)
                                     : AllDialogsHelp());
        exitStatus = kExitOk;
    });
}

}  // namespace app
