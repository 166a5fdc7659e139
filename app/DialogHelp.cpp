#include "app/DialogHelp.h"

#include <vector>

namespace app {

namespace {

constexpr const char* kDocument = "docs/dialogs.md";

struct DialogHelp {
    const char* Topic;  // the help topic prefix the dialog's Help button sends
    const char* Title;  // caption and form name
    const char* Text;
};

const std::vector<DialogHelp>& Dialogs() {
    static const std::vector<DialogHelp> dialogs{
        {"AutoPlacer", "AutoPlacer (PlacerSetupDialog)",
         "The cluster placer's setup, shown by \"RunAutoPlacer\" with Test=True (autoplacer place with an\n"
         "option flag or --setup). Pages: \"Options\" (Grid Size, Clustering Threshold, Pre-Passes, Fixed Net\n"
         "Topology, Strict Floorplanning, Tree-Based Room Generation), \"Costs\" (five weights 0-15, each an\n"
         "edit and a track bar), \"Power Nets\" (move nets with >>, <<, a double click or a drag).\n"
         "\"Defaults\" resets every control; \"Place\" stores the values and runs.\n"
         "Answers: AutoPlacer.Grid Size=1mm  AutoPlacer: select Form_PageControl Costs\n"
         "         AutoPlacer.Maximize Keep in Room=4  AutoPlacer=Place\n"},
        {"AutoPlace", "Auto Place (NewPlacerInterface_Form)",
         "The placer choice of every ordinary \"RunAutoPlacer\": \"Cluster Placer\" (with Quick Component\n"
         "Placement: rooms only) or \"Statistical Placer\" (Grid Size, Power Nets, Ground Nets, Group\n"
         "Components, Rotate Components, Automatic PCB Update). OK stores the choice; Cancel changes nothing.\n"
         "A grid without a unit is read in the board's unit.\n"
         "Answers: Auto Place: click \"Statistical Placer\"  Auto Place.Grid Size=25mil  Auto Place=OK\n"},
        {"Confirm", "Confirm (StopPlacementDialog)",
         "Asked after Ctrl-C during a run: Yes stops, No runs on; \"Restore components to old positions\"\n"
         "puts every component back.\n"
         "Answers: Confirm.Restore_CheckBox=1  Confirm=Yes   (or Confirm=No)\n"},
        {"", "Message boxes (Error, Warning, Information, questions)",
         "Errors end the command with one line; a question without an answer gets No.\n"
         "Answers: CAPTION=OK, CAPTION=Yes, CAPTION=No\n"},
    };
    return dialogs;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

std::string HelpTopicOf(const std::string& parameters) {
    std::size_t start = 0;
    while (start <= parameters.size()) {
        const std::size_t end = parameters.find('|', start);
        const std::string entry = parameters.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos && Trimmed(entry.substr(0, equals)) == "Topic") {
            return Trimmed(entry.substr(equals + 1));
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

std::string DialogHelpForTopic(const std::string& topic) {
    // The longest prefix wins: "AutoPlacerCosts" is the setup dialog, "AutoPlace" the choice.
    for (const DialogHelp& dialog : Dialogs()) {
        const std::string prefix = dialog.Topic;
        if (!prefix.empty() && topic.compare(0, prefix.size(), prefix) == 0) {
            return std::string(dialog.Title) + "\n" + dialog.Text + "More in " + kDocument + ".\n";
        }
    }
    return "No help for \"" + topic + "\" here; the dialogs are described in " + kDocument +
           " and by \"autoplacer help dialogs\".\n";
}

std::string AllDialogsHelp() {
    std::string text = "The plug-in's dialogs and how to answer them (--answer, --answers FILE; more in " +
                       std::string(kDocument) + "):\n";
    for (const DialogHelp& dialog : Dialogs()) {
        text += "\n" + std::string(dialog.Title) + "\n" + dialog.Text;
    }
    return text;
}

}  // namespace app
