// "autoplacer place BOARD": places a KiCad board with the plug-in's
// "RunAutoPlacer" command, dialogs and all. The placer choice dialog is answered
// with the cluster placer (or the statistical placer); option flags go through
// the cluster placer's setup dialog (the command's test mode). Writes
// BOARD.placed.kicad_pcb (or -o FILE, or the board itself with --in-place) and
// reports what changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/DialogSetup.h"
#include "app/ExitStatus.h"

namespace CLI {
class App;
}

namespace app {

struct PlaceOptions {
    std::string Board;
    std::string Output;
    bool InPlace = false;
    bool KeepRouting = false;
    bool MoveMountingHoles = false;  // mounting holes are kept where they are otherwise
    bool MoveEdgeParts = false;      // parts across the board's edge are kept otherwise
    bool MoveJoinedParts = false;    // parts that share a hole with another are kept otherwise
    bool Statistical = false;
    std::optional<uint64_t> Seed;  // the statistical placer's seed (the client's default otherwise)
    // Cluster placer options; any of them (but Quick) opens the setup dialog.
    bool Quick = false;  // "Quick Component Placement": no absolute placement
    std::optional<std::string> Grid;
    std::optional<int> Threshold;
    bool NoPrePasses = false;
    bool TreeBasedRooms = false;
    bool FreeNetTopology = false;
    std::optional<int> GuideWeight;
    std::optional<int> PadWeight;
    std::optional<int> LengthWeight;
    std::optional<int> CrossOverWeight;
    std::optional<int> DirectionWeight;
    bool Setup = false;  // the setup dialog on the terminal
    std::string ReportPath;
    std::string PicturesDir;
    std::string PluginPath;
    bool Verbose = false;
    bool ProgressLines = false;  // progress as "progress DONE/TOTAL TEXT" lines on stderr
    DialogOptions Dialogs;
};

// Whether the options need the setup dialog (the command's test mode).
bool NeedsSetupDialog(const PlaceOptions& options);
// The answers that turn the options into dialog input, the closing answer last.
std::vector<std::string> PlacerDialogAnswers(const PlaceOptions& options);

void RegisterPlaceCommand(CLI::App& cli, int& exitStatus);
int RunPlaceCommand(const PlaceOptions& options);

}  // namespace app
