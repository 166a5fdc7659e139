// "autoplacer stats BOARD": what the application made of a KiCad board — counts,
// outline, units, clearance, placement rules — and the placement metrics.
#pragma once

#include <string>

#include "app/Metrics.h"
#include "io/BoardFiles.h"

namespace CLI {
class App;
}

namespace app {

struct BoardStats {
    int kicadMajor = 0;
    int fileVersion = 0;
    int footprints = 0;
    int top = 0;
    int bottom = 0;
    int locked = 0;
    int padless = 0;
    int pads = 0;
    int nets = 0;
    int copperLayers = 0;
    int planeLayers = 0;
    int outlineItems = 0;
    hostpcb::Box outlineBox;  // host units
    BoardMetrics metrics;
};

// Counts from the host board that the file was loaded into.
BoardStats ComputeStats(const io::LoadedBoard& loaded);
// The report that "stats" prints.
std::string FormatStats(const io::LoadedBoard& loaded, const BoardStats& stats);

// Adds the "stats" subcommand; its exit status goes to exitStatus.
void RegisterStatsCommand(CLI::App& cli, int& exitStatus);

}  // namespace app
