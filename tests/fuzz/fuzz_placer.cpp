// Fuzz target: a small board text placed by both placers, in-process, as
// "autoplacer place" runs them (the plug-in's "RunAutoPlacer" with its dialogs
// answered; the statistical placer through the plug-in's choice dialog).
//
// A board the reader rejects is skipped. A board it takes must come through each
// placer without a sanitizer report, and the placed board must write and read
// back again: no part may be moved where the host cannot hold it.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/AppClient.h"
#include "app/PlaceCommand.h"
#include "app/ScriptedDialogHost.h"
#include "host/HostClient.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/RunControl.h"
#include "plugin/Main_AutoPlacer.h"
#include "sdk/plugin.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_placer: %s %s\n", what, detail.c_str());
    std::abort();
}

// One scratch folder per process for the board file the loader reads, removed at
// exit; in memory where there is /dev/shm, since every write is synced.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        std::string pattern = std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm/fuzz_placer-XXXXXX"
                                                                               : "/tmp/fuzz_placer-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) Broken("cannot make a scratch folder");
        Path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string Path;
};

const std::string& Scratch() {
    static const ScratchFolder folder;
    return folder.Path;
}

void ResetRunFlags() {
    autoplacer::PlacementRunning = false;
    autoplacer::StopRequested = false;
    autoplacer::StopConfirmed = false;
    autoplacer::RestoreOnStop = true;
}

std::unique_ptr<io::LoadedBoard> Load(const std::string& path) {
    io::LoadOptions options;
    options.readRules = false;
    return io::LoadBoardFile(path, options);
}

// "RunAutoPlacer" with the placer's answers, on the current board.
void Place(bool statistical) {
    app::PlaceOptions options;
    options.Statistical = statistical;
    std::ostringstream notices;
    app::ScriptedDialogHost presenter(notices);
    for (const std::string& answer : app::PlacerDialogAnswers(options)) {
        if (!presenter.AddAnswer(answer).empty()) Broken("the placer's own answer was refused:", answer);
    }
    app::AppClient client;
    client.SetDialogHost(&presenter);
    sdk::IServerModule* module = nullptr;
    if (ServerFactory(&client, &module) != sdk::kResultOk || module == nullptr) Broken("no plug-in module");
    std::array<char, 512> parameters{};
    if (app::NeedsSetupDialog(options)) std::strcpy(parameters.data(), "Test=True");
    module->GetCommandLauncher()->LaunchCommand("RunAutoPlacer", parameters.data(),
                                                static_cast<int32_t>(parameters.size()), nullptr);
    module->Release();
    autoplacer::Client = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = Scratch() + "/board.kicad_pcb";
    const std::string output = Scratch() + "/placed.kicad_pcb";
    {
        FILE* file = std::fopen(input.c_str(), "wb");
        if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
            Broken("cannot write the scratch board");
        }
    }
    for (const bool statistical : {false, true}) {
        hostpcb::Host::Instance().Reset();
        ResetRunFlags();
        std::unique_ptr<io::LoadedBoard> loaded;
        try {
            loaded = Load(input);
        } catch (const std::exception&) {
            return 0;  // not a board the reader takes
        }
        Place(statistical);
        io::SaveOptions save;
        save.output = output;
        try {
            io::SaveBoardFile(*loaded, save);
        } catch (const std::exception& failure) {
            Broken(statistical ? "statistical placer: the placed board cannot be written:"
                               : "cluster placer: the placed board cannot be written:",
                   failure.what());
        }
        loaded.reset();
        hostpcb::Host::Instance().Reset();
        try {
            Load(output);
        } catch (const std::exception& failure) {
            Broken(statistical ? "statistical placer: the placed board does not read back:"
                               : "cluster placer: the placed board does not read back:",
                   failure.what());
        }
    }
    hostpcb::Host::Instance().Reset();
    ResetRunFlags();
    return 0;
}
