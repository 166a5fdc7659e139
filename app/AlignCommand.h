// "autoplacer align BOARD --select REF...": lines up the named footprints with the
// plug-in's "AlignComponents", its "Align Components" dialog answered from the
// flags, and writes the board as "edit" does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/EditCommand.h"

namespace CLI {
class App;
}

namespace app {

struct AlignOptions {
    std::vector<std::string> Select;
    std::optional<std::string> Horizontal;  // centre, right or distribute
    std::optional<std::string> Vertical;    // centre, bottom or distribute
    std::optional<std::string> Grid;        // with its unit
    EditOptions Edit;                       // board, output, plug-in, dialogs (no script)
};

// The dialog answers the flags stand for, the closing "OK" last.
std::vector<std::string> AlignDialogAnswers(const AlignOptions& options);

int RunAlignCommand(const AlignOptions& options);

void RegisterAlignCommand(CLI::App& cli, int& exitStatus);

}  // namespace app
