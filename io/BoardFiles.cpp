#include "io/BoardFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "hostpcb/Courtyard.h"
#include "hostpcb/Host.h"
#include "io/AtomicFile.h"
#include "io/KicadDesignRules.h"
#include "io/Units.h"

namespace io {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const std::filesystem::path ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return false;
    const std::filesystem::path cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

}  // namespace

std::string ReadInputFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw std::runtime_error(path + " is a directory, not a file");
    // Devices and pipes could be read without end (/dev/zero).
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        throw std::runtime_error(path + " is not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return std::move(buffer).str();
}

const std::string* OverwrittenInput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (SameFile(output, input)) return &input;
    }
    return nullptr;
}

void RefuseToOverwriteInputs(const std::string& output, const std::vector<std::string>& inputs) {
    if (const std::string* input = OverwrittenInput(output, inputs)) {
        throw std::runtime_error("refusing to overwrite the input file " + *input + " with " + output);
    }
}

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

bool IsMountingHole(const std::string& libId) {
    const std::size_t colon = libId.rfind(':');
    const std::string name = colon == std::string::npos ? libId : libId.substr(colon + 1);
    constexpr std::string_view prefix = "mountinghole";
    if (name.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != prefix[i]) return false;
    }
    return true;
}

bool StraddlesOutline(const hostpcb::Component& component, const hostpcb::statistical::OutlineRegion& outline) {
    if (outline.Empty()) return false;
    hostpcb::CourtyardShape shape = hostpcb::ComponentCourtyard(component);
    if (shape.Empty()) {
        const hostpcb::Box b = component.Bounds();
        const hostpcb::PointF corners[] = {{double(b.x1), double(b.y1)}, {double(b.x2), double(b.y1)},
                                           {double(b.x2), double(b.y2)}, {double(b.x1), double(b.y2)}};
        for (int k = 0; k < 4; ++k) shape.segments.push_back({corners[k], corners[(k + 1) % 4]});
        shape.box = b;
    }
    bool inside = false, outside = false;
    for (const hostpcb::CourtyardSegment& s : shape.segments) {
        const hostpcb::Point p{static_cast<hostpcb::Coord>(std::lround(s.a.x)), static_cast<hostpcb::Coord>(std::lround(s.a.y))};
        (outline.PointInside(p) ? inside : outside) = true;
    }
    if (!inside) return false;
    if (outside) return true;
    // Every corner inside: the part still lies across the edge where the outline cuts
    // into it (a connector in a notch).
    std::vector<const hostpcb::statistical::OutlineSegment*> near;
    outline.SegmentsNear(shape.box, near);
    for (const hostpcb::CourtyardSegment& s : shape.segments) {
        for (const hostpcb::statistical::OutlineSegment* e : near) {
            if (hostpcb::SegmentsCrossProperly(s, {{double(e->a.x), double(e->a.y)}, {double(e->b.x), double(e->b.y)}})) {
                return true;
            }
        }
    }
    return false;
}

std::vector<hostpcb::Component*> PartsSharingAHole(const hostpcb::Board& board) {
    // Which components have a hole at each place.
    std::map<std::pair<hostpcb::Coord, hostpcb::Coord>, std::set<const hostpcb::Component*>> holes;
    const std::vector<hostpcb::Component*> components = board.Components();
    for (const hostpcb::Component* c : components) {
        for (const hostpcb::Pad* pad : c->Pads()) {
            if (pad->Geometry().holeSize > 0) {
                const hostpcb::Point p = pad->Position();
                holes[{p.x, p.y}].insert(c);
            }
        }
    }
    std::set<const hostpcb::Component*> sharing;
    for (const auto& [place, owners] : holes) {
        if (owners.size() > 1) sharing.insert(owners.begin(), owners.end());
    }
    std::vector<hostpcb::Component*> parts;
    for (hostpcb::Component* c : components) {
        if (sharing.count(c) != 0) parts.push_back(c);
    }
    return parts;
}

std::unique_ptr<LoadedBoard> LoadBoardFile(const std::string& path, const LoadOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    auto loaded = std::make_unique<LoadedBoard>();
    loaded->path = path;
    loaded->inputs.push_back(path);
    try {
        loaded->kicad = KicadBoard::fromDocument(SExprDocument::parse(ReadInputFile(path)));
    } catch (const SExprError& e) {
        throw SExprError(e, path);
    }
    std::string warning;
    loaded->clearance = ReadProjectClearance(path, loaded->kicad->defaultClearance(), warning);
    if (!warning.empty()) loaded->warnings.push_back(warning);
    if (std::filesystem::exists(ProjectFilePath(path))) loaded->inputs.push_back(ProjectFilePath(path));

    hostpcb::Host& host = hostpcb::Host::Instance();
    loaded->board = &host.CreateBoard(path);
    host.SetCurrentBoard(loaded->board);
    try {
        loaded->mapping = BuildHostBoard(*loaded->kicad, *loaded->board, loaded->clearance.clearanceMm);
    } catch (const SExprError& e) {
        throw SExprError(e, path);
    } catch (const std::out_of_range& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    for (const std::string& w : loaded->mapping.warnings) loaded->warnings.push_back(w);
    if (options.keepMountingHoles) {
        for (const FootprintLink& link : loaded->mapping.links) {
            if (link.component->moveable && IsMountingHole(loaded->kicad->footprints()[link.footprint].libId)) {
                link.component->moveable = false;
                loaded->keptMountingHoles.push_back(link.component->Designator());
            }
        }
    }
    if (options.keepJoinedParts) {
        for (hostpcb::Component* c : PartsSharingAHole(*loaded->board)) {
            if (c->moveable) {
                c->moveable = false;
                loaded->keptJoinedParts.push_back(c->Designator());
            }
        }
    }
    if (options.keepEdgeParts) {
        const hostpcb::statistical::OutlineRegion outline(*loaded->board);
        for (const FootprintLink& link : loaded->mapping.links) {
            if (link.component->moveable && StraddlesOutline(*link.component, outline)) {
                link.component->moveable = false;
                loaded->keptEdgeParts.push_back(link.component->Designator());
            }
        }
    }

    if (options.readRules) {
        const std::string rulesPath = options.rulesPath.empty() ? PlacerRulesPath(path) : options.rulesPath;
        if (!options.rulesPath.empty() || std::filesystem::exists(rulesPath)) {
            loaded->inputs.push_back(rulesPath);
            try {
                loaded->rules = ApplyPlacerRules(ReadInputFile(rulesPath), rulesPath, *loaded->board,
                                                 loaded->mapping.copperLayers);
            } catch (const SExprError& e) {
                throw SExprError(e, rulesPath);
            }
            loaded->hasRules = true;
            for (const std::string& w : loaded->rules.warnings) loaded->warnings.push_back(w);
        }
    }
    std::string druWarning;
    const std::optional<double> courtyard = ReadCourtyardClearance(path, druWarning);
    if (!druWarning.empty()) loaded->warnings.push_back(druWarning);
    if (std::filesystem::exists(DesignRulesPath(path))) loaded->inputs.push_back(DesignRulesPath(path));
    loaded->courtyardClearanceMm = courtyard.value_or(0.0);
    loaded->kicadComponentClearance = AddKicadComponentClearance(*loaded->board, loaded->courtyardClearanceMm);
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
    // Writing in place replaces the board, never the other files it was read with.
    std::vector<std::string> others(loaded.inputs.begin(), loaded.inputs.end());
    others.erase(std::remove_if(others.begin(), others.end(),
                                [&](const std::string& input) { return SameFile(input, loaded.path); }),
                 others.end());
    RefuseToOverwriteInputs(result.path, others);
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
        try {
            PlaceFootprint(kicad, link.footprint, placement);
        } catch (const SExprError& e) {
            throw SExprError(e, loaded.path);  // an item the reader let through but the writer cannot move
        }
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
