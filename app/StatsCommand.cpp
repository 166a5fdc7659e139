#include "app/StatsCommand.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "io/Units.h"

namespace app {

namespace {

std::string Mm(double hostUnits, int decimals = 3) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f mm", decimals, io::HostToMm(hostUnits));
    return buffer;
}

}  // namespace

BoardStats ComputeStats(const io::LoadedBoard& loaded) {
    BoardStats s;
    const hostpcb::Board& board = *loaded.board;
    s.kicadMajor = loaded.kicad->kicadMajor();
    s.fileVersion = loaded.kicad->version();
    for (const hostpcb::Component* c : board.Components()) {
        ++s.footprints;
        ++(c->Layer() == PCB_BOTTOM_LAYER ? s.bottom : s.top);
        const size_t pads = c->Pads().size();
        if (pads == 0) ++s.padless;
        s.pads += static_cast<int>(pads);
    }
    // Locked in KiCad; footprints that draw the board edge are also held in place
    // by the host but are not counted here.
    for (const io::KFootprint& fp : loaded.kicad->footprints()) {
        if (fp.locked) ++s.locked;
    }
    s.nets = static_cast<int>(board.Nets().size());
    s.copperLayers = loaded.kicad->copperLayerCount();
    s.planeLayers = loaded.mapping.planeLayers;
    bool first = true;
    for (const Segment& seg : OutlineSegments(board)) {
        const hostpcb::Box b = hostpcb::Box::FromCorners(seg.a.x, seg.a.y, seg.b.x, seg.b.y);
        s.outlineBox = first ? b : s.outlineBox.United(b);
        first = false;
    }
    s.outlineItems = loaded.mapping.outlineTracks;
    s.metrics = MeasureBoard(board);
    return s;
}

std::string FormatStats(const io::LoadedBoard& loaded, const BoardStats& s) {
    std::ostringstream out;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", loaded.loadSeconds);
    out << "board: " << loaded.path << "\n";
    out << "format: KiCad " << s.kicadMajor << " (file version " << s.fileVersion << ")\n";
    out << "load time: " << seconds << " s\n";
    out << "footprints: " << s.footprints << " (top " << s.top << ", bottom " << s.bottom << ", locked " << s.locked
        << ", without pads " << s.padless << ")\n";
    out << "pads: " << s.pads << "\n";
    out << "nets: " << s.nets << "\n";
    out << "copper layers: " << s.copperLayers << " (internal planes " << s.planeLayers << ")\n";
    if (s.outlineItems > 0) {
        out << "outline: " << s.outlineItems << " items on the keep-out layer, "
            << Mm(double(s.outlineBox.x2) - s.outlineBox.x1, 2) << " x " << Mm(double(s.outlineBox.y2) - s.outlineBox.y1, 2)
            << "\n";
    } else {
        out << "outline: none (no Edge.Cuts items)\n";
    }
    out << "units: host units, 1 mil = 10000 (KiCad millimetres x 10000 / 0.0254), Y up\n";
    out << "clearance: " << loaded.clearance.clearanceMm << " mm (" << loaded.clearance.source << ")\n";
    if (loaded.hasRules) {
        const io::PlacerRulesSummary& r = loaded.rules;
        out << "rules: " << r.path << ": " << r.componentClasses << " component classes, " << r.netClasses
            << " net classes, " << r.rooms << " rooms, " << r.componentClearances << " component clearances, "
            << r.rotations << " rotation rules, " << r.permittedLayers << " layer rules, " << r.routingDirections
            << " routing-direction rules, " << r.powerNets << " power nets\n";
    } else {
        out << "rules: none (no " << io::PlacerRulesPath(loaded.path) << ")\n";
    }
    out << "connection length (spanning trees): " << Mm(s.metrics.connectionLength, 1) << "\n";
    out << "half-perimeter wire length: " << Mm(s.metrics.halfPerimeter, 1) << "\n";
    out << "overlapping component pairs: " << s.metrics.overlappingPairs << "\n";
    if (s.metrics.hasOutline) {
        out << "components outside the outline: " << s.metrics.outsideOutline << "\n";
    } else {
        out << "components outside the outline: n/a (no outline)\n";
    }
    for (const std::string& w : loaded.warnings) out << "warning: " << w << "\n";
    return out.str();
}

void RegisterStatsCommand(CLI::App& cli, int& exitStatus) {
    auto path = std::make_shared<std::string>();
    auto rules = std::make_shared<std::string>();
    CLI::App* stats = cli.add_subcommand("stats", "Print counts, outline, rules and placement metrics of a board");
    stats->add_option("BOARD", *path, "KiCad board (.kicad_pcb)")->required();
    stats->add_option("--rules", *rules, "Placement-rules file (default: BOARD.placer_rules when present)");
    stats->callback([path, rules, &exitStatus] {
        try {
            io::LoadOptions options;
            options.rulesPath = *rules;
            std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(*path, options);
            std::cout << FormatStats(*loaded, ComputeStats(*loaded));
            exitStatus = 0;
        } catch (const std::exception& e) {
            std::cerr << "autoplacer: " << e.what() << "\n";
            exitStatus = 1;
        }
    });
}

}  // namespace app
