// Draws a host board as an SVG picture: outline, rooms, component extents by side,
// pads, designators and connection lines. Objects the host hid are left out.
#pragma once

#include <string>

#include "hostpcb/Board.h"

namespace app {

struct RenderOptions {
    bool connections = true;
    bool designators = true;
    bool rooms = true;
    std::string title;
};

std::string RenderBoardSvg(const hostpcb::Board& board, const RenderOptions& options = {});

// Text with the five XML special characters escaped.
std::string XmlEscape(const std::string& text);

}  // namespace app
