#include "hostpcb/BoardBuilder.h"

#include <stdexcept>

namespace hostpcb {
namespace {

struct ChipSize {
    std::string_view name;
    double padX, padY, halfPitch, bodyX, bodyY;  // millimetres
};

constexpr ChipSize kChipSizes[] = {
    {"0402", 0.56, 0.62, 0.48, 1.0, 0.5},
    {"0603", 0.90, 0.95, 0.80, 1.6, 0.8},
    {"0805", 1.00, 1.45, 0.95, 2.0, 1.25},
    {"1206", 1.15, 1.80, 1.50, 3.2, 1.6},
};

PadGeometry RectPad(double mmX, double mmY) {
    PadGeometry g;
    g.shape = PadShape::Rect;
    g.sizeX = MmToUnits(mmX);
    g.sizeY = MmToUnits(mmY);
    return g;
}

PadGeometry RoundPad(double mmDiameter, double mmHole) {
    PadGeometry g;
    g.shape = PadShape::Round;
    g.sizeX = g.sizeY = MmToUnits(mmDiameter);
    g.holeSize = MmToUnits(mmHole);
    return g;
}

Point Offset(Point at, double mmX, double mmY) { return {at.x + MmToUnits(mmX), at.y + MmToUnits(mmY)}; }

// Body outline on the overlay, so the extent covers the package and not only its pads.
void Outline(Board& board, Component& c, Point at, double halfX, double halfY) {
    const Point a = Offset(at, -halfX, -halfY), b = Offset(at, halfX, -halfY), d = Offset(at, halfX, halfY),
                e = Offset(at, -halfX, halfY);
    const Coord w = MmToUnits(0.12);
    board.AddTrack(&c, a, b, w, PCB_TOP_OVERLAY);
    board.AddTrack(&c, b, d, w, PCB_TOP_OVERLAY);
    board.AddTrack(&c, d, e, w, PCB_TOP_OVERLAY);
    board.AddTrack(&c, e, a, w, PCB_TOP_OVERLAY);
}

std::string PrefixPattern(const std::string& designator, std::string_view size) {
    const char kind = designator.empty() ? 'R' : designator[0];
    return std::string(1, kind == 'C' || kind == 'L' ? kind : 'R') + "_" + std::string(size);
}

}  // namespace

ScopeEntry ScopeBoard() { return {PCB_SCOPE_BOARD, {}, 0}; }
ScopeEntry ScopeNet(std::string name) { return {PCB_SCOPE_NET, std::move(name), 0}; }
ScopeEntry ScopeNetClass(std::string name) { return {PCB_SCOPE_NET_CLASS, std::move(name), 0}; }
ScopeEntry ScopeComponentClass(std::string name) { return {PCB_SCOPE_COMPONENT_CLASS, std::move(name), 0}; }
ScopeEntry ScopeComponent(std::string designator) { return {PCB_SCOPE_COMPONENT, std::move(designator), 0}; }
ScopeEntry ScopeLayer(LayerNumber layer) { return {PCB_SCOPE_LAYER, {}, layer}; }

BoardBuilder& BoardBuilder::RectOutline(Coord x1, Coord y1, Coord x2, Coord y2, Coord width) {
    return PolylineOutline({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}, width);
}

BoardBuilder& BoardBuilder::PolylineOutline(const std::vector<Point>& corners, Coord width) {
    for (std::size_t i = 0; i < corners.size(); ++i)
        board_.AddTrack(nullptr, corners[i], corners[(i + 1) % corners.size()], width, PCB_KEEP_OUT_LAYER);
    return *this;
}

Component& BoardBuilder::Begin(std::string designator, std::string pattern, Point at) {
    if (board_.FindComponent(designator) != nullptr)
        throw std::invalid_argument("duplicate designator " + designator);
    return board_.AddComponent(std::move(designator), std::move(pattern), at, 0, PCB_TOP_LAYER);
}

Component& BoardBuilder::Finish(Component& component, double rotation, LayerNumber side) {
    component.SetRotation(rotation);
    component.SetLayer(side);
    return component;
}

Component& BoardBuilder::Chip(std::string designator, std::string_view size, Point at, double rotation,
                              LayerNumber side) {
    const ChipSize* s = nullptr;
    for (const ChipSize& c : kChipSizes)
        if (c.name == size) s = &c;
    if (s == nullptr) throw std::invalid_argument("unknown chip size " + std::string(size));
    const std::string pattern = PrefixPattern(designator, size);
    Component& c = Begin(std::move(designator), pattern, at);
    board_.AddPad(&c, "1", Offset(at, -s->halfPitch, 0), RectPad(s->padX, s->padY), PCB_TOP_LAYER);
    board_.AddPad(&c, "2", Offset(at, s->halfPitch, 0), RectPad(s->padX, s->padY), PCB_TOP_LAYER);
    Outline(board_, c, at, s->bodyX / 2, s->bodyY / 2);
    return Finish(c, rotation, side);
}

Component& BoardBuilder::Soic(std::string designator, int pins, Point at, double rotation, LayerNumber side) {
    if (pins < 4 || pins % 2 != 0) throw std::invalid_argument("SOIC pin count");
    Component& c = Begin(std::move(designator), "SOIC-" + std::to_string(pins), at);
    const int perSide = pins / 2;
    const double pitch = 1.27, top = (perSide - 1) * pitch / 2;
    for (int i = 0; i < perSide; ++i) {
        board_.AddPad(&c, std::to_string(i + 1), Offset(at, -2.7, top - i * pitch), RectPad(1.55, 0.6), PCB_TOP_LAYER);
        board_.AddPad(&c, std::to_string(pins - i), Offset(at, 2.7, top - i * pitch), RectPad(1.55, 0.6),
                      PCB_TOP_LAYER);
    }
    Outline(board_, c, at, 1.95, top + 0.6);
    return Finish(c, rotation, side);
}

Component& BoardBuilder::Qfp(std::string designator, int pins, Point at, double rotation, LayerNumber side) {
    if (pins < 8 || pins % 4 != 0) throw std::invalid_argument("QFP pin count");
    const int perSide = pins / 4;
    const double pitch = pins <= 32 ? 0.8 : 0.5;
    const double span = (perSide - 1) * pitch / 2, row = span + 1.75;
    Component& c = Begin(std::move(designator), "QFP-" + std::to_string(pins), at);
    int pin = 1;
    // Counter-clockwise from the top of the left side.
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, -row, span - i * pitch), RectPad(1.5, pitch * 0.6),
                      PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, -span + i * pitch, -row), RectPad(pitch * 0.6, 1.5),
                      PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, row, -span + i * pitch), RectPad(1.5, pitch * 0.6),
                      PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, span - i * pitch, row), RectPad(pitch * 0.6, 1.5),
                      PCB_TOP_LAYER);
    Outline(board_, c, at, span + 0.6, span + 0.6);
    return Finish(c, rotation, side);
}

Component& BoardBuilder::Qfn(std::string designator, int pins, Point at, double rotation, LayerNumber side) {
    if (pins < 8 || pins % 4 != 0) throw std::invalid_argument("QFN pin count");
    const int perSide = pins / 4;
    const double pitch = 0.5, span = (perSide - 1) * pitch / 2, half = span + 0.75, row = half - 0.3;
    Component& c = Begin(std::move(designator), "QFN-" + std::to_string(pins), at);
    int pin = 1;
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, -row, span - i * pitch), RectPad(0.8, 0.25), PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, -span + i * pitch, -row), RectPad(0.25, 0.8), PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, row, -span + i * pitch), RectPad(0.8, 0.25), PCB_TOP_LAYER);
    for (int i = 0; i < perSide; ++i, ++pin)
        board_.AddPad(&c, std::to_string(pin), Offset(at, span - i * pitch, row), RectPad(0.25, 0.8), PCB_TOP_LAYER);
    PadGeometry ep = RectPad(2 * half - 1.4, 2 * half - 1.4);
    ep.shape = PadShape::RoundedRect;
    ep.cornerRadius = MmToUnits(0.1);
    board_.AddPad(&c, "EP", at, ep, PCB_TOP_LAYER);
    Outline(board_, c, at, half, half);
    return Finish(c, rotation, side);
}

Component& BoardBuilder::Header(std::string designator, int pins, int rows, Point at, double rotation) {
    if (rows < 1 || rows > 2 || pins < 1 || pins % rows != 0) throw std::invalid_argument("header shape");
    const int perRow = pins / rows;
    Component& c = Begin(std::move(designator), "PinHeader_" + std::to_string(rows) + "x" + std::to_string(perRow), at);
    for (int i = 0; i < pins; ++i) {
        const int col = rows == 1 ? 0 : i % 2, r = rows == 1 ? i : i / 2;
        PadGeometry g = RoundPad(1.7, 1.0);
        if (i == 0) g.shape = PadShape::Rect;  // pin 1 is square
        board_.AddPad(&c, std::to_string(i + 1), Offset(at, col * 2.54, -r * 2.54), g, PCB_MULTI_LAYER);
    }
    const double w = (rows - 1) * 2.54, h = (perRow - 1) * 2.54;
    Outline(board_, c, Offset(at, w / 2, -h / 2), w / 2 + 1.27, h / 2 + 1.27);
    return Finish(c, rotation, PCB_TOP_LAYER);
}

Component& BoardBuilder::Axial(std::string designator, Coord pitch, Point at, double rotation) {
    Component& c = Begin(std::move(designator), "Axial_" + std::to_string(pitch / kUnitsPerMil) + "mil", at);
    board_.AddPad(&c, "1", {at.x - pitch / 2, at.y}, RoundPad(1.6, 0.8), PCB_MULTI_LAYER);
    board_.AddPad(&c, "2", {at.x + pitch / 2, at.y}, RoundPad(1.6, 0.8), PCB_MULTI_LAYER);
    const double halfBody = double(pitch) / 2 * 0.0254 / kUnitsPerMil * 0.6;
    Outline(board_, c, at, halfBody, 1.2);
    return Finish(c, rotation, PCB_TOP_LAYER);
}

Component& BoardBuilder::LShaped(std::string designator, Point at, double rotation, LayerNumber side) {
    Component& c = Begin(std::move(designator), "L_Shape", at);
    const std::vector<std::pair<double, double>> corners = {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const auto [x1, y1] = corners[i];
        const auto [x2, y2] = corners[(i + 1) % corners.size()];
        board_.AddTrack(&c, Offset(at, x1, y1), Offset(at, x2, y2), MmToUnits(0.12), PCB_TOP_OVERLAY);
    }
    board_.AddPad(&c, "1", Offset(at, 2, 2), RectPad(1.5, 1.5), PCB_TOP_LAYER);
    board_.AddPad(&c, "2", Offset(at, 8, 2), RectPad(1.5, 1.5), PCB_TOP_LAYER);
    board_.AddPad(&c, "3", Offset(at, 2, 8), RectPad(1.5, 1.5), PCB_TOP_LAYER);
    return Finish(c, rotation, side);
}

Net& BoardBuilder::Connect(std::string netName, std::initializer_list<std::string_view> pins) {
    Net* net = board_.FindNet(netName);
    if (net == nullptr) net = &board_.AddNet(std::move(netName));
    for (std::string_view pin : pins) {
        const std::size_t dot = pin.rfind('.');
        if (dot == std::string_view::npos) throw std::invalid_argument("pin without component: " + std::string(pin));
        Component* c = board_.FindComponent(pin.substr(0, dot));
        Pad* pad = c != nullptr ? c->FindPad(pin.substr(dot + 1)) : nullptr;
        if (pad == nullptr) throw std::invalid_argument("no such pin: " + std::string(pin));
        board_.AddToNet(*net, *pad);
    }
    return *net;
}

ObjectClass& BoardBuilder::ComponentClass(std::string name, std::initializer_list<std::string_view> designators) {
    ObjectClass& c = board_.AddClass(std::move(name), ObjectKind::Component);
    for (std::string_view d : designators) c.members.emplace_back(d);
    return c;
}

ObjectClass& BoardBuilder::NetClass(std::string name, std::initializer_list<std::string_view> nets) {
    ObjectClass& c = board_.AddClass(std::move(name), ObjectKind::Net);
    for (std::string_view n : nets) c.members.emplace_back(n);
    return c;
}

Rule& BoardBuilder::Clearance(Coord gap, std::vector<ScopeEntry> scope1, std::vector<ScopeEntry> scope2) {
    Rule& r = board_.AddRule(PCB_RULE_CLEARANCE, "Clearance");
    r.gap = gap;
    r.scope1 = std::move(scope1);
    r.scope2 = std::move(scope2);
    return r;
}

Rule& BoardBuilder::ComponentClearance(Coord gap, uint8_t mode, std::vector<ScopeEntry> scope1,
                                       std::vector<ScopeEntry> scope2) {
    Rule& r = board_.AddRule(PCB_RULE_COMPONENT_CLEARANCE, "ComponentClearance");
    r.gap = gap;
    r.checkMode = mode;
    r.scope1 = std::move(scope1);
    r.scope2 = std::move(scope2);
    return r;
}

Rule& BoardBuilder::Rotations(uint8_t flags, std::vector<ScopeEntry> scope1) {
    Rule& r = board_.AddRule(PCB_RULE_COMPONENT_ROTATIONS, "ComponentRotations");
    r.rotationFlags = flags;
    r.scope1 = std::move(scope1);
    return r;
}

Rule& BoardBuilder::PermittedLayers(uint8_t flags, std::vector<ScopeEntry> scope1) {
    Rule& r = board_.AddRule(PCB_RULE_PERMITTED_LAYERS, "PermittedLayers");
    r.permittedLayers = flags;
    r.scope1 = std::move(scope1);
    return r;
}

Rule& BoardBuilder::Room(Box room, uint8_t confineKind, std::vector<ScopeEntry> scope1, LayerNumber layer) {
    Rule& r = board_.AddRule(PCB_RULE_CONFINEMENT, "Room");
    r.room = room;
    r.confineKind = confineKind;
    r.roomLayer = layer;
    r.scope1 = std::move(scope1);
    return r;
}

Rule& BoardBuilder::RoutingLayers(std::vector<std::pair<LayerNumber, uint8_t>> directions,
                                  std::vector<ScopeEntry> scope1) {
    Rule& r = board_.AddRule(PCB_RULE_ROUTING_LAYERS, "RoutingLayers");
    for (const auto& [layer, code] : directions)
        if (IsSignalLayer(layer)) r.routingDirections[std::size_t(layer - 1)] = code;
    r.scope1 = std::move(scope1);
    return r;
}

Rule& BoardBuilder::PowerNets(std::vector<ScopeEntry> scope1) {
    Rule& r = board_.AddRule(PCB_RULE_POWER_NETS, "PowerNets");
    r.scope1 = std::move(scope1);
    return r;
}

}  // namespace hostpcb
