#include "io/BoardFiles.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "hostpcb/Host.h"
#include "io/Units.h"

namespace io {

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return std::move(buffer).str();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

}  // namespace

LoadedBoard::~LoadedBoard() {
    if (!board) return;
    hostpcb::Host& host = hostpcb::Host::Instance();
    for (hostpcb::Board* b : host.Boards()) {
        if (b == board) {
            host.DestroyBoard(*board);
            break;
        }
    }
}

std::unique_ptr<LoadedBoard> LoadBoardFile(const std::string& path, const LoadOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    auto loaded = std::make_unique<LoadedBoard>();
    loaded->path = path;
    try {
        loaded->kicad = KicadBoard::fromDocument(SExprDocument::parse(ReadWholeFile(path)));
    } catch (const SExprError& e) {
        throw SExprError(e, path);
    }
    std::string warning;
    loaded->clearance = ReadProjectClearance(path, loaded->kicad->defaultClearance(), warning);
    if (!warning.empty()) loaded->warnings.push_back(warning);

    hostpcb::Host& host = hostpcb::Host::Instance();
    loaded->board = &host.CreateBoard(path);
    host.SetCurrentBoard(loaded->board);
    loaded->mapping = BuildHostBoard(*loaded->kicad, *loaded->board, loaded->clearance.clearanceMm);
    for (const std::string& w : loaded->mapping.warnings) loaded->warnings.push_back(w);

    if (options.readRules) {
        const std::string rulesPath = options.rulesPath.empty() ? PlacerRulesPath(path) : options.rulesPath;
        if (!options.rulesPath.empty() || std::filesystem::exists(rulesPath)) {
            try {
                loaded->rules = ApplyPlacerRules(ReadWholeFile(rulesPath), rulesPath, *loaded->board,
                                                 loaded->mapping.copperLayers);
            } catch (const SExprError& e) {
                throw SExprError(e, rulesPath);
            }
            loaded->hasRules = true;
            for (const std::string& w : loaded->rules.warnings) loaded->warnings.push_back(w);
        }
    }
    loaded->loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return loaded;
}

std::string DefaultOutputPath(const std::string& input) {
    std::filesystem::path p(input);
    const std::string stem = p.stem().string();
    return (p.parent_path() / (stem + ".placed.kicad_pcb")).string();
}

SaveResult SaveBoardFile(LoadedBoard& loaded, const SaveOptions& options) {
    SaveResult result;
    if (!options.output.empty()) {
        result.path = options.output;
    } else {
        result.path = options.inPlace ? loaded.path : DefaultOutputPath(loaded.path);
    }
    if (!options.inPlace && SameFile(result.path, loaded.path)) {
        throw std::runtime_error("refusing to overwrite the input board " + loaded.path + " (use --in-place)");
    }
    KicadBoard& kicad = *loaded.kicad;
    std::vector<KFootprint> before;
    std::vector<size_t> moved;
    for (FootprintLink& link : loaded.mapping.links) {
        const hostpcb::Component& c = *link.component;
        const bool back = c.Layer() == PCB_BOTTOM_LAYER;
        const bool sideChanged = c.Layer() != link.side;
        if (c.Position() == link.origin && std::fabs(c.Rotation() - link.rotation) < 1e-9 && !sideChanged) continue;
        before.push_back(kicad.footprints().at(link.footprint));
        FootprintPlacement placement;
        placement.at = ToKicad(c.Position());
        placement.angle = KicadAngle(c.Rotation(), back);
        placement.back = back;
        PlaceFootprint(kicad, link.footprint, placement);
        moved.push_back(link.footprint);
        ++result.moved;
        if (sideChanged) ++result.flipped;
        link.origin = c.Position();
        link.rotation = c.Rotation();
        link.side = c.Layer();
    }
    if (!options.keepRouting) {
        result.removed = RemoveStaleRouting(kicad, before, moved);
        if (result.removed.any()) {
            result.warnings.push_back("removed " + std::to_string(result.removed.tracks) + " track(s), " +
                                      std::to_string(result.removed.vias) + " via(s) and the fill of " +
                                      std::to_string(result.removed.zoneFills) +
                                      " zone(s) made stale by moved footprints (refill zones in KiCad; "
                                      "--keep-routing keeps them)");
        }
    }
    WriteFileAtomically(result.path, kicad.document().write());
    return result;
}

}  // namespace io
