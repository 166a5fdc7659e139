// A few lines make a board for tests and benchmarks: a keep-out outline, components of
// common footprints, nets, classes and rules. Positions are host units (see MilsToUnits,
// MmToUnits); footprints are built at rotation 0 on the top side, then turned and flipped
// like any component.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb {

ScopeEntry ScopeBoard();
ScopeEntry ScopeNet(std::string name);
ScopeEntry ScopeNetClass(std::string name);
ScopeEntry ScopeComponentClass(std::string name);
ScopeEntry ScopeComponent(std::string designator);
ScopeEntry ScopeLayer(LayerNumber layer);

class BoardBuilder {
public:
    explicit BoardBuilder(Board& board) : board_(board) {}
    Board& GetBoard() { return board_; }

    // Keep-out outline: closed chain of tracks on KeepOutLayer.
    BoardBuilder& RectOutline(Coord x1, Coord y1, Coord x2, Coord y2, Coord width = 100000);
    BoardBuilder& PolylineOutline(const std::vector<Point>& corners, Coord width = 100000);

    // Two-pad chip resistor or capacitor: "0402", "0603", "0805", "1206".
    Component& Chip(std::string designator, std::string_view size, Point at, double rotation = 0,
                    LayerNumber side = PCB_TOP_LAYER);
    // Gull-wing SOIC, 50 mil pitch; pins 8, 14 or 16.
    Component& Soic(std::string designator, int pins, Point at, double rotation = 0,
                    LayerNumber side = PCB_TOP_LAYER);
    // Quad flat package, 0.8 mm pitch (32 pins) or 0.5 mm (64 and more); pins a multiple of 4.
    Component& Qfp(std::string designator, int pins, Point at, double rotation = 0,
                   LayerNumber side = PCB_TOP_LAYER);
    // Quad flat no-lead, 0.5 mm pitch, with an exposed centre pad named "EP".
    Component& Qfn(std::string designator, int pins, Point at, double rotation = 0,
                   LayerNumber side = PCB_TOP_LAYER);
    // Through-hole pin header, 100 mil pitch, pins on MultiLayer; rows 1 or 2.
    Component& Header(std::string designator, int pins, int rows, Point at, double rotation = 0);
    // Two-lead through-hole part (axial resistor, diode) with the given lead pitch.
    Component& Axial(std::string designator, Coord pitch, Point at, double rotation = 0);
    // An L-shaped part: courtyard tracks drawing an L, three pads.
    Component& LShaped(std::string designator, Point at, double rotation = 0,
                       LayerNumber side = PCB_TOP_LAYER);

    // Joins pins given as "R1.1", "U1.3" into the net (made when missing).
    Net& Connect(std::string netName, std::initializer_list<std::string_view> pins);

    ObjectClass& ComponentClass(std::string name, std::initializer_list<std::string_view> designators);
    ObjectClass& NetClass(std::string name, std::initializer_list<std::string_view> nets);

    Rule& Clearance(Coord gap, std::vector<ScopeEntry> scope1 = {}, std::vector<ScopeEntry> scope2 = {});
    Rule& ComponentClearance(Coord gap, uint8_t mode, std::vector<ScopeEntry> scope1 = {},
                             std::vector<ScopeEntry> scope2 = {});
    Rule& Rotations(uint8_t flags, std::vector<ScopeEntry> scope1 = {});
    Rule& PermittedLayers(uint8_t flags, std::vector<ScopeEntry> scope1 = {});
    Rule& Room(Box room, uint8_t confineKind, std::vector<ScopeEntry> scope1,
               LayerNumber layer = PCB_TOP_LAYER);
    Rule& RoutingLayers(std::vector<std::pair<LayerNumber, uint8_t>> directions,
                        std::vector<ScopeEntry> scope1 = {});
    Rule& PowerNets(std::vector<ScopeEntry> scope1);

private:
    Component& Begin(std::string designator, std::string pattern, Point at);
    Component& Finish(Component& component, double rotation, LayerNumber side);
    Board& board_;
};

}  // namespace hostpcb
