// Saving in the browser view: where the board goes (the command's output,
// another path, or the board file itself), the confirmation that overwriting a
// file needs (the board file without --in-place, or any file that exists), the
// board file left alone when another program changed it since it was loaded,
// and whether there are changes not yet saved.
#pragma once

#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/EditHistory.h"

namespace app {

class PluginSession;
struct EditOptions;

class BrowserSave {
public:
    BrowserSave(PluginSession& session, const EditOptions& options);

    // Whether a footprint stands elsewhere than when the board was last written (or loaded).
    bool Dirty() const;
    // The answer to the page's save message: the event to send and its data
    // ("saved", "confirm" or "problem").
    std::pair<std::string, nlohmann::json> Save(const nlohmann::json& message);
    // Ctrl-C with changes unsaved: asks on the terminal when there is one, else says
    // that they were not saved.
    void AskOnQuit();

private:
    // Where the command saves when the page names no path.
    std::string DefaultTarget(bool& inPlace) const;
    // Empty when written, otherwise why not.
    std::string Write(const std::string& target, bool inPlace, nlohmann::json& saved);

    PluginSession& Session;
    const EditOptions& Options;
    BoardPlacement Saved;   // as last written (or loaded)
    std::string DiskStamp;  // the board file as it was loaded (or last written by us)
};

}  // namespace app
