#include "app/BoardScene.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <set>
#include <string>

#include "app/Metrics.h"
#include "app/SvgRenderer.h"
#include "hostpcb/Host.h"
#include "hostpcb/Rules.h"
#include "io/Units.h"

namespace app {

namespace {

using nlohmann::json;

// Millimetres to a tenth of a micrometre: enough for the screen, short on the wire.
double Mm(double value) { return std::round(value * 1e4) / 1e4; }
double Len(double hostUnits) { return Mm(io::HostToMm(hostUnits)); }

json At(hostpcb::Point p) {
    const io::KPoint k = io::ToKicad(p);
    return json::array({Mm(k.x), Mm(k.y)});
}

// A host box as [left, top, width, height] in KiCad's frame.
json BoxJson(const hostpcb::Box& box) {
    const io::KPoint topLeft = io::ToKicad({box.x1, box.y2});
    return json::array({Mm(topLeft.x), Mm(topLeft.y), Len(double(box.x2) - box.x1), Len(double(box.y2) - box.y1)});
}

json LineJson(hostpcb::Point a, hostpcb::Point b) {
    const io::KPoint ka = io::ToKicad(a), kb = io::ToKicad(b);
    return json::array({Mm(ka.x), Mm(ka.y), Mm(kb.x), Mm(kb.y)});
}

bool HiddenPrimitive(const hostpcb::Object& o) { return o.display.hidden; }

// A pad as the pictures draw it: s = shape (c circle, r rectangle, p polygon), l = layer
// (t top, b bottom, m through), centre, size, rotation (degrees, counter-clockwise on the
// board), corner radius, outline points for custom pads.
json PadJson(const hostpcb::Pad& pad) {
    const hostpcb::PadGeometry& g = pad.Geometry();
    const char* layer = pad.Layer() == PCB_MULTI_LAYER ? "m" : pad.Layer() == PCB_BOTTOM_LAYER ? "b" : "t";
    json out = {{"l", layer}, {"c", At(pad.Position())}};
    const double w = Len(g.sizeX), h = Len(g.shape == hostpcb::PadShape::Round ? g.sizeX : g.sizeY);
    if (g.shape == hostpcb::PadShape::Round) {
        out["s"] = "c";
        out["r"] = Mm(w / 2);
        return out;
    }
    if (g.shape == hostpcb::PadShape::Custom && g.customOutline.size() >= 3) {
        out["s"] = "p";
        json points = json::array();
        const double r = g.rotation * std::numbers::pi / 180.0;
        for (const hostpcb::Point& p : g.customOutline) {
            const double px = p.x * std::cos(r) - p.y * std::sin(r);
            const double py = p.x * std::sin(r) + p.y * std::cos(r);
            points.push_back(json::array({Len(px), Len(-py)}));  // relative, Y down
        }
        out["pts"] = std::move(points);
        return out;
    }
    double rx = 0;
    if (g.shape == hostpcb::PadShape::Oval) rx = std::min(w, h) / 2;
    if (g.shape == hostpcb::PadShape::RoundedRect) rx = Len(g.cornerRadius);
    out["s"] = "r";
    out["w"] = w;
    out["h"] = h;
    if (rx > 0) out["rx"] = Mm(rx);
    if (std::fmod(g.rotation, 360.0) != 0) out["rot"] = g.rotation;
    return out;
}

}  // namespace

std::string BoardScene::Id(PcbHandle component) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(component));
}

BoardScene::BoardScene(const hostpcb::Board& board) : Board(board) {
    for (const hostpcb::Component* c : board.Components()) {
        Order.push_back(c->Handle());
    }
}

BoardScene::State BoardScene::Observe(const hostpcb::Component& c, const State* before, bool editing) const {
    State s;
    s.position = c.Position();
    s.rotation = c.Rotation();
    s.side = c.Layer();
    s.hidden = c.display.hidden;
    s.selected = (c.flags & PCB_FLAG_SELECTED) != 0;
    s.inverts = c.display.invertCount;
    s.shows = c.display.showCount;
    for (const hostpcb::Primitive* p : c.Children()) {
        s.screenDisplays += p->display.screenDisplayCount;
    }
    if (editing && before != nullptr) {
        // The editor marks clashing parts on every update and shows them plainly once clear;
        // it draws the parts it drags inverted on every update.
        s.conflict = s.screenDisplays != before->screenDisplays ? true
                     : s.shows != before->shows                 ? false
                                                                : before->conflict;
        s.drag = s.inverts != before->inverts;
    }
    return s;
}

json BoardScene::Describe(const hostpcb::Component& c, const State& s) const {
    const ComponentExtent extent = ExtentOf(c);
    json pads = json::array();
    for (const hostpcb::Pad* pad : c.Pads()) {
        if (!HiddenPrimitive(*pad)) pads.push_back(PadJson(*pad));
    }
    return {{"id", Id(c.Handle())},
            {"ref", c.Designator()},
            {"side", s.side == PCB_BOTTOM_LAYER ? "bottom" : "top"},
            {"box", BoxJson(extent.box)},
            {"courtyard", extent.courtyard},
            {"pads", std::move(pads)},
            {"selected", s.selected},
            {"hidden", s.hidden},
            {"conflict", s.conflict},
            {"drag", s.drag},
            {"locked", !c.moveable},
            {"artwork", extent.artwork}};
}

json BoardScene::NetLines(const hostpcb::Net& net) const {
    json lines = json::array();
    if (!net.display.hidden) {
        for (const Segment& s : NetSpanningTree(net)) lines.push_back(LineJson(s.a, s.b));
    }
    return lines;
}

json BoardScene::Full() {
    json scene;
    json outline = json::array();
    bool any = false;
    hostpcb::Box view;
    for (const Segment& s : OutlineSegments(Board)) {
        outline.push_back(LineJson(s.a, s.b));
        const hostpcb::Box b = hostpcb::Box::FromCorners(s.a.x, s.a.y, s.b.x, s.b.y);
        view = any ? view.United(b) : b;
        any = true;
    }
    json rooms = json::array();
    for (const hostpcb::Rule* rule : Board.Rules()) {
        if (rule->ruleKind != PCB_RULE_CONFINEMENT || !rule->enabled || rule->display.hidden) continue;
        rooms.push_back({{"name", rule->name + (rule->confineKind == PCB_CONFINE_KEEP_OUTSIDE ? " (keep out)" : "")},
                         {"box", BoxJson(rule->room)}});
    }
    json components = json::array();
    Seen.clear();
    for (PcbHandle handle : Order) {
        const auto* c = hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(handle);
        if (c == nullptr) continue;
        const State s = Observe(*c, nullptr, false);
        Seen[handle] = s;
        components.push_back(Describe(*c, s));
        if (!s.hidden) {
            const hostpcb::Box b = ExtentOf(*c).box;
            view = any ? view.United(b) : b;
            any = true;
        }
    }
    json nets = json::object();
    for (const hostpcb::Net* net : Board.Nets()) nets[Id(net->Handle())] = NetLines(*net);
    TrackInverts.clear();
    FeedbackShown = false;
    for (const hostpcb::Object* o : Board.Objects(uint8_t(hostpcb::ObjectKind::Track))) {
        TrackInverts[o->Handle()] = o->display.invertCount;
    }
    if (!any) view = {0, 0, io::MmToHost(10), io::MmToHost(10)};
    scene["title"] = Board.fileName;
    scene["view"] = BoxJson(view);
    scene["colours"] = {{"top", kTopSideColour},       {"bottom", kBottomSideColour}, {"through", kThroughHoleColour},
                        {"room", kRoomColour},         {"connection", kConnectionColour},
                        {"outline", kOutlineColour}};
    scene["outline"] = std::move(outline);
    scene["rooms"] = std::move(rooms);
    scene["components"] = std::move(components);
    scene["nets"] = std::move(nets);
    scene["feedback"] = json::array();
    return scene;
}

json BoardScene::Changes(bool editing) {
    json changes = json::object();
    json components = json::array();
    json removed = json::array();
    std::set<const hostpcb::Net*> nets;
    for (PcbHandle handle : Order) {
        auto seen = Seen.find(handle);
        if (seen == Seen.end()) continue;
        const auto* c = hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(handle);
        if (c == nullptr) {
            removed.push_back(Id(handle));
            Seen.erase(seen);
            continue;
        }
        const State now = Observe(*c, &seen->second, editing);
        if (now == seen->second) continue;
        const bool moved = now.position != seen->second.position || now.rotation != seen->second.rotation ||
                           now.side != seen->second.side;
        // Counters alone (a redraw that changed nothing visible) need no new description.
        State visible = now, before = seen->second;
        visible.inverts = before.inverts = 0;
        visible.screenDisplays = before.screenDisplays = 0;
        visible.shows = before.shows = 0;
        seen->second = now;
        if (visible == before) continue;
        components.push_back(Describe(*c, now));
        if (moved) {
            for (const hostpcb::Pad* pad : c->Pads()) {
                if (pad->GetNet() != nullptr) nets.insert(pad->GetNet());
            }
        }
    }
    if (!components.empty()) changes["components"] = std::move(components);
    if (!removed.empty()) changes["removed"] = std::move(removed);
    if (!nets.empty()) {
        json lines = json::object();
        for (const hostpcb::Net* net : nets) lines[Id(net->Handle())] = NetLines(*net);
        changes["nets"] = std::move(lines);
    }
    // The editor's rectangle: free tracks it drew inverted since the last look.
    json feedback = json::array();
    for (const hostpcb::Object* o : Board.Objects(uint8_t(hostpcb::ObjectKind::Track))) {
        int32_t& inverts = TrackInverts[o->Handle()];
        if (o->display.invertCount != inverts) {
            inverts = o->display.invertCount;
            if (editing) {
                const auto* track = static_cast<const hostpcb::Track*>(o);
                feedback.push_back(LineJson(track->Position(), track->End()));
            }
        }
    }
    if (!feedback.empty() || FeedbackShown) {
        FeedbackShown = !feedback.empty();
        changes["feedback"] = std::move(feedback);
    }
    return changes;
}

}  // namespace app
