// Small random boards for the equivalence tests: a rectangular or notched
// outline, a mix of chips, SOICs, QFNs, headers, axial and L-shaped parts on
// both sides, random nets between their pins, and (by chance) component and
// electrical clearance rules of every check mode, a rotations rule, rooms, a
// routing-layers rule and a locked part. The same seed builds the same board.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Geometry.h"
#include "hostpcb/Host.h"

namespace autoplacer::speedtest {

struct TRandomBoardShape {
    int MinParts = 6;
    int MaxParts = 14;
    // The outline's width and height, in hundreds of mils.
    int MinWidth = 8;
    int MaxWidth = 16;
    int MinHeight = 6;
    int MaxHeight = 12;
};

inline hostpcb::Board& BuildRandomBoard(uint32_t seed, const TRandomBoardShape& shape = {}) {
    using hostpcb::MilsToUnits;
    std::mt19937 random(seed);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const auto chance = [&](int percent) { return pick(1, 100) <= percent; };

    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("random" + std::to_string(seed) + ".kicad_pcb");
    hostpcb::BoardBuilder build(board);
    const int w = pick(shape.MinWidth, shape.MaxWidth) * 100;
    const int h = pick(shape.MinHeight, shape.MaxHeight) * 100;
    if (chance(30)) {
        // A notch in the top edge: the outline is not a rectangle.
        const int nx = w / 3;
        build.PolylineOutline({{0, 0},
                               {MilsToUnits(w), 0},
                               {MilsToUnits(w), MilsToUnits(h)},
                               {MilsToUnits(2 * nx), MilsToUnits(h)},
                               {MilsToUnits(2 * nx), MilsToUnits(h * 2 / 3)},
                               {MilsToUnits(nx), MilsToUnits(h * 2 / 3)},
                               {MilsToUnits(nx), MilsToUnits(h)},
                               {0, MilsToUnits(h)}});
    } else {
        build.RectOutline(0, 0, MilsToUnits(w), MilsToUnits(h));
    }

    struct TPart {
        std::string Designator;
        int Pins;
    };
    std::vector<TPart> parts;
    const int count = pick(shape.MinParts, shape.MaxParts);
    static const char* const chipSizes[] = {"0402", "0603", "0805", "1206"};
    for (int i = 0; i < count; ++i) {
        const hostpcb::Point at{MilsToUnits(pick(-200, w + 200)), MilsToUnits(pick(-200, h + 200))};
        const double rotation = 90.0 * pick(0, 3);
        const int side = chance(25) ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER;
        const int kind = pick(0, 9);
        std::string designator;
        int pins = 2;
        if (kind <= 3) {
            designator = "R" + std::to_string(i);
            build.Chip(designator, chipSizes[pick(0, 3)], at, rotation, side);
        } else if (kind == 4 || kind == 5) {
            designator = "U" + std::to_string(i);
            pins = chance(50) ? 8 : 14;
            build.Soic(designator, pins, at, rotation, side);
        } else if (kind == 6) {
            designator = "Q" + std::to_string(i);
            pins = 16;
            build.Qfn(designator, pins, at, rotation, side);
        } else if (kind == 7) {
            designator = "J" + std::to_string(i);
            const int rows = pick(1, 2);
            pins = rows * pick(2, 4);
            build.Header(designator, pins, rows, at, rotation);
        } else if (kind == 8) {
            designator = "D" + std::to_string(i);
            build.Axial(designator, MilsToUnits(300), at, rotation);
        } else {
            designator = "L" + std::to_string(i);
            pins = 3;
            build.LShaped(designator, at, rotation, side);
        }
        parts.push_back(TPart{designator, pins});
    }

    // Nets of two to four pins, each pin in one net at most.
    std::vector<std::string> free;
    for (const TPart& part : parts) {
        for (int pin = 1; pin <= part.Pins; ++pin) {
            free.push_back(part.Designator + "." + std::to_string(pin));
        }
    }
    std::shuffle(free.begin(), free.end(), random);
    const int nets = pick(count / 2 + 1, count + 4);
    for (int n = 0; n < nets && free.size() >= 2; ++n) {
        const auto size = static_cast<std::size_t>(std::min<int>(pick(2, 4), static_cast<int>(free.size())));
        for (std::size_t k = 0; k < size; ++k) {
            const std::string pin = free.back();
            free.pop_back();
            build.Connect("N" + std::to_string(n), {pin});
        }
    }

    if (chance(70)) {
        build.ComponentClearance(MilsToUnits(pick(0, 3) * 10), static_cast<uint8_t>(pick(0, 2)));
    }
    if (chance(30)) {
        build.Clearance(MilsToUnits(10));
    }
    if (chance(30)) {
        build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent(parts[0].Designator)});
    }
    if (chance(25)) {
        const hostpcb::Box room = hostpcb::Box::FromCorners(0, 0, MilsToUnits(w / 2), MilsToUnits(h));
        build.Room(room, PCB_CONFINE_KEEP_INSIDE, {hostpcb::ScopeComponent(parts[1].Designator)});
    }
    if (chance(15)) {
        const hostpcb::Box room = hostpcb::Box::FromCorners(0, 0, MilsToUnits(w / 3), MilsToUnits(h / 2));
        build.Room(room, PCB_CONFINE_KEEP_OUTSIDE, {hostpcb::ScopeComponent(parts[2].Designator)});
    }
    if (chance(50)) {
        build.RoutingLayers({{PCB_TOP_LAYER, static_cast<uint8_t>(chance(50) ? 1 : 8)}, {PCB_BOTTOM_LAYER, 2}});
    }
    if (chance(20)) {
        board.FindComponent(parts.back().Designator)->moveable = false;
    }
    return board;
}

}  // namespace autoplacer::speedtest
