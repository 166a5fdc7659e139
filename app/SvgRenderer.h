// Draws a host board as an SVG picture: outline, rooms, component extents by side,
// pads, designators and connection lines. Objects the host hid are left out.
#pragma once

#include <functional>
#include <string>

#include "hostpcb/Board.h"

namespace app {

// The colours of the pictures, shared with the browser view.
inline constexpr const char* kTopSideColour = "#c8382e";
inline constexpr const char* kBottomSideColour = "#2f63c8";
inline constexpr const char* kThroughHoleColour = "#b08a00";
inline constexpr const char* kRoomColour = "#2e9d5b";
inline constexpr const char* kConnectionColour = "#6b6b6b";
inline constexpr const char* kOutlineColour = "#1a1a1a";

// How the caller wants one component drawn: a fill colour over its extent
// (empty: the side's colour) and a heavy frame colour (empty: no frame).
struct ComponentPaint {
    std::string fill;
    std::string frame;
};

struct RenderOptions {
    bool connections = true;
    bool designators = true;
    bool rooms = true;
    std::string title;
    // Optional colouring per component, e.g. by cluster.
    std::function<ComponentPaint(const hostpcb::Component&)> paint;
};

std::string RenderBoardSvg(const hostpcb::Board& board, const RenderOptions& options = {});

// Text with the five XML special characters escaped.
std::string XmlEscape(const std::string& text);

}  // namespace app
