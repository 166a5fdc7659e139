#include "app/BrowserSave.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "app/EditCommand.h"
#include "app/PathChecks.h"
#include "app/PluginSession.h"
#include "io/BoardFiles.h"

namespace app {

namespace {

using nlohmann::json;

// The file as it is on disk now, to notice a change by another program.
std::string Stamp(const std::string& path) {
    try {
        return io::ReadInputFile(path);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

BrowserSave::BrowserSave(PluginSession& session, const EditOptions& options)
    : Session(session), Options(options), Saved(BoardPlacement::Of(*session.Loaded()->board)),
      DiskStamp(Stamp(session.Loaded()->path)) {}

bool BrowserSave::Dirty() const { return BoardPlacement::Of(*Session.Loaded()->board) != Saved; }

std::string BrowserSave::DefaultTarget(bool& inPlace) const {
    const io::LoadedBoard& loaded = *Session.Loaded();
    inPlace = Options.Output.empty() && Options.InPlace;
    if (inPlace) return loaded.path;
    return Options.Output.empty() ? io::DefaultOutputPath(loaded.path) : Options.Output;
}

std::string BrowserSave::Write(const std::string& target, bool inPlace, json& saved) {
    const io::LoadedBoard& loaded = *Session.Loaded();
    if (inPlace && Stamp(loaded.path) != DiskStamp) {
        return "the board file " + loaded.path +
               " changed on disk since it was loaded: not overwritten; save to another path";
    }
    if (!inPlace) {
        if (const std::string problem = CheckOutputFile(target, "output board", loaded.inputs); !problem.empty()) {
            return problem;
        }
    }
    io::SaveResult result;
    if (Session.Save(inPlace ? "" : target, inPlace, Options.KeepRouting, result) != kExitOk) {
        return "cannot write " + target + " (see the terminal)";
    }
    Saved = BoardPlacement::Of(*loaded.board);
    if (inPlace) DiskStamp = Stamp(loaded.path);
    std::cerr << "autoplacer: wrote " << result.path << " (" << result.moved << " footprints moved)\n";
    saved = {{"path", result.path}, {"moved", result.moved}};
    return {};
}

std::pair<std::string, json> BrowserSave::Save(const json& message) {
    const uint64_t seq = message["seq"];
    const bool overwrite = message.value("overwrite", false);
    const std::string named = message.value("path", std::string());
    bool inPlace = false;
    std::string target = named.empty() ? DefaultTarget(inPlace) : named;
    if (message.value("board", false)) {
        inPlace = true;
        target = Session.Loaded()->path;
    }
    std::error_code ec;
    const bool confirmed = overwrite || (inPlace && Options.InPlace);
    if (!confirmed && (inPlace || std::filesystem::exists(target, ec))) {
        return {"confirm", {{"kind", "overwrite"}, {"path", target}, {"board", inPlace}}};
    }
    json saved;
    if (const std::string problem = Write(target, inPlace, saved); !problem.empty()) {
        return {"problem", {{"text", problem}, {"seq", seq}}};
    }
    return {"saved", saved};
}

void BrowserSave::AskOnQuit() {
    if (!Dirty()) return;
    bool inPlace = false;
    const std::string target = DefaultTarget(inPlace);
    bool save = false;
    if (isatty(STDIN_FILENO) != 0) {
        std::cerr << "\nautoplacer: the board has unsaved changes. Save them to " << target << "? [y/N] "
                  << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        save = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    }
    if (!save) {
        std::cerr << "autoplacer: quitting; the changes were not saved\n";
        return;
    }
    json saved;
    if (const std::string problem = Write(target, inPlace, saved); !problem.empty()) {
        std::cerr << "autoplacer: " << problem << "; the changes were not saved\n";
    }
}

}  // namespace app
