#include "app/ExitStatus.h"

namespace app {

std::string ExitStatusHelp() {
    std::string text = "Exit status:\n";
    for (const ExitStatusMeaning& entry : kExitStatusMeanings) {
        text += "  " + std::to_string(static_cast<int>(entry.status)) + "  " + entry.meaning + "\n";
    }
    return text;
}

}  // namespace app
