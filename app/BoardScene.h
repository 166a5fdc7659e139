// The board as the browser view draws it: a small JSON description per footprint
// (extent, pads, side, state), the outline, the rooms and the connection lines,
// in KiCad's frame (millimetres, Y down), with the colours of the SVG pictures.
// After the first full description it gives only what changed: footprints that
// moved, turned, changed side, selection, visibility or highlight, the connection
// lines of the nets they touch, and the editor's feedback drawing.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "hostpcb/Board.h"

namespace app {

class BoardScene {
public:
    // Follows the components on the board now (they may be lifted off it later).
    explicit BoardScene(const hostpcb::Board& board);

    // Everything; what follows is compared with this.
    nlohmann::json Full();
    // What changed since the last Full or Changes; an empty object when nothing did.
    // Outside an edit the editor's highlights and drag image are cleared.
    nlohmann::json Changes(bool editing);

    // Whether the component is one the view draws (used to check page messages).
    bool Knows(PcbHandle component) const { return Seen.count(component) != 0; }
    // The id the page knows a component by.
    static std::string Id(PcbHandle component);

private:
    struct State {
        hostpcb::Point position;
        double rotation = 0;
        hostpcb::LayerNumber side = PCB_TOP_LAYER;
        bool hidden = false;
        bool selected = false;
        bool conflict = false;  // highlighted by the editor as clashing
        bool drag = false;      // drawn as the editor's drag image
        int32_t inverts = 0;
        int32_t screenDisplays = 0;
        int32_t shows = 0;
        friend bool operator==(const State&, const State&) = default;
    };
    State Observe(const hostpcb::Component& component, const State* before, bool editing) const;
    nlohmann::json Describe(const hostpcb::Component& component, const State& state) const;
    nlohmann::json NetLines(const hostpcb::Net& net) const;

    const hostpcb::Board& Board;
    std::vector<PcbHandle> Order;  // the components, in board order
    std::unordered_map<PcbHandle, State> Seen;
    std::unordered_map<PcbHandle, int32_t> TrackInverts;  // free tracks: the editor's rectangle
    bool FeedbackShown = false;
};

}  // namespace app
