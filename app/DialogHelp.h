// Help on the plug-in's dialogs in the terminal: what the "Help" button of a
// dialog shows (the host command "Client:RunHelpTopic" with the dialog's
// topic), and what `autoplacer help dialogs` lists. The full text is in
// docs/dialogs.md.
#pragma once

#include <string>

namespace app {

// The help of one topic ("AutoPlace", "AutoPlacerCosts", ...): the dialog's
// section, or for an unknown topic where the documentation is.
std::string DialogHelpForTopic(const std::string& topic);

// The topic named in a help command's parameters ("FileName = F | Topic = T");
// empty when there is none.
std::string HelpTopicOf(const std::string& parameters);

// Every dialog with its form name, what it does and how to answer it.
std::string AllDialogsHelp();

}  // namespace app
