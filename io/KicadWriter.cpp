#include "io/KicadWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace io {

namespace {

double NormalizedAngle(double a) {
    a = std::fmod(a, 360.0);
    if (a < 0) a += 360.0;
    const double r = std::round(a);
    if (std::fabs(a - r) < 1e-9) a = r;
    return a >= 360.0 ? a - 360.0 : a;
}

bool IsNumberAtom(const SNode* n) {
    if (!n || !n->isAtom() || n->isString()) return false;
    try {
        (void)n->number();
        return true;
    } catch (const SExprError&) {
        return false;
    }
}

// True when `text` reads back as the same symbol unquoted. A flipped layer name comes
// from the layer table, where it may have been quoted ("F).Cu").
bool IsBareSymbol(std::string_view text) {
    if (text.empty() || text.front() == '"') return false;
    return text.find_first_of("() \t\n\r\f\v") == std::string_view::npos;
}

// Changes the sign of a number atom without touching its digits; anything else (a
// missing value included) stays as it is.
void NegateAtom(SExprDocument& doc, SNode* atom) {
    if (!IsNumberAtom(atom) || atom->number() == 0) return;
    std::string text(atom->rawText());
    if (text.front() == '-') {
        text.erase(0, 1);
    } else if (text.front() == '+') {
        text[0] = '-';
    } else {
        text.insert(0, 1, '-');
    }
    doc.setAtom(*atom, std::move(text));
}

void SetAtomOrAppend(SExprDocument& doc, SNode& list, size_t index, const std::string& text) {
    if (SNode* a = list.at(index)) {
        doc.setAtom(*a, text);
    } else {
        doc.append(list, *doc.newSymbol(text));
    }
}

// Sets the angle of an "(at x y [angle])" list; a zero angle stays unwritten when the
// list had none, as KiCad writes it.
// Keywords such as "unlocked" may follow the coordinates, so only a number in the
// third place is an angle; a new angle goes right after the coordinates.
void SetAtAngle(SExprDocument& doc, SNode& at, double angle) {
    angle = NormalizedAngle(angle);
    SNode* current = at.at(3);
    if (IsNumberAtom(current)) {
        doc.setAtom(*current, SExprDocument::formatNumber(angle));
    } else if (angle != 0) {
        if (current != nullptr && at.at(2) != nullptr) {
            doc.insertAfter(at, *at.at(2), *doc.newSymbol(SExprDocument::formatNumber(angle)));
        } else {
            SetAtomOrAppend(doc, at, 3, SExprDocument::formatNumber(angle));
        }
    }
}

double AtAngle(const SNode& at) {
    SNode* a = at.at(3);
    return IsNumberAtom(a) ? a->number() : 0.0;
}

struct Move {
    KPoint oldAt;
    double oldAngle = 0;
    KPoint newAt;
    double newAngle = 0;
    bool flip = false;
    bool back = false;  // side after the move
};

class FootprintEditor {
public:
    FootprintEditor(KicadBoard& kicad, const Move& move) : kicad_(kicad), doc_(kicad.document()), move_(move) {}

    void run(SNode& footprint) {
        bool first = true;
        for (SNode* c : footprint.children()) {
            if (first || !c->isList()) {
                first = false;
                continue;
            }
            const std::string_view head = c->head();
            if (head == "at") {
                (void)ReadPoint(*c);  // both numbers are there to be replaced
                doc_.setAtomNumber(*c->at(1), move_.newAt.x);
                doc_.setAtomNumber(*c->at(2), move_.newAt.y);
                SetAtAngle(doc_, *c, move_.newAngle);
            } else if (head == "pad") {
                pad(*c);
            } else if (head == "fp_text" || head == "property") {
                text(*c);
            } else if (head == "zone") {
                absolute(*c);
            } else if (head == "model") {
                continue;  // 3D models stay in the footprint's frame
            } else if (move_.flip) {
                mirror(*c, head);
            }
        }
    }

private:
    // Pad angles in the file are absolute: they turn with the footprint, and a flip
    // mirrors the pad's own turn within the footprint.
    void pad(SNode& node) {
        SNode* at = node.child("at");
        if (at) {
            (void)ReadPoint(*at);  // a position without its Y is an error, not an angle in its place
            const double a = AtAngle(*at);
            double angle = a + (move_.newAngle - move_.oldAngle);
            if (move_.flip) {
                NegateAtom(doc_, at->at(2));
                angle = move_.newAngle - (a - move_.oldAngle);
            }
            SetAtAngle(doc_, *at, angle);
        }
        if (move_.flip) mirrorChildren(node, "pad", at);
    }

    // Texts keep absolute angles too; flipping turns them by half a turn minus their angle.
    void text(SNode& node) {
        SNode* at = node.child("at");
        if (at) {
            (void)ReadPoint(*at);
            const double a = AtAngle(*at);
            double angle = a + (move_.newAngle - move_.oldAngle);
            if (move_.flip) {
                NegateAtom(doc_, at->at(2));
                angle = 180.0 - a + move_.oldAngle + move_.newAngle;
            }
            SetAtAngle(doc_, *at, angle);
        }
        if (!move_.flip) return;
        mirrorChildren(node, "text", at);
        SNode* effects = node.child("effects");
        if (!effects) return;
        SNode* justify = effects->child("justify");
        if (!justify) {
            if (!move_.back) return;
            justify = doc_.newList("justify");
            doc_.append(*effects, *justify);
        }
        SNode* mirrorAtom = nullptr;
        for (SNode* a : justify->children()) {
            if (a->isAtom() && a->is("mirror")) mirrorAtom = a;
        }
        if (move_.back && !mirrorAtom) doc_.append(*justify, *doc_.newSymbol("mirror"));
        if (!move_.back && mirrorAtom) doc_.remove(*mirrorAtom);
    }

    // Zones inside a footprint are stored in board coordinates. Lists may nest
    // arbitrarily deep, so the walk keeps its own stack.
    void absolute(SNode& zone) {
        std::vector<SNode*> pending{&zone};
        while (!pending.empty()) {
            SNode& node = *pending.back();
            pending.pop_back();
            for (SNode* c : node.children()) {
                if (!c->isList()) continue;
                const std::string_view head = c->head();
                if (head == "xy") {
                    const KPoint p = ReadPoint(*c);
                    KPoint local = RotateOnScreen({p.x - move_.oldAt.x, p.y - move_.oldAt.y}, -move_.oldAngle);
                    if (move_.flip) local.y = -local.y;
                    const KPoint r = RotateOnScreen(local, move_.newAngle);
                    doc_.setAtomNumber(*c->at(1), move_.newAt.x + r.x);
                    doc_.setAtomNumber(*c->at(2), move_.newAt.y + r.y);
                } else if ((head == "layer" || head == "layers") && move_.flip) {
                    swapLayers(*c);
                } else {
                    pending.push_back(c);
                }
            }
        }
    }

    void mirrorChildren(SNode& node, std::string_view parentHead, const SNode* skip) {
        std::vector<std::pair<SNode*, std::string_view>> pending;
        pushChildren(pending, node, parentHead, skip);
        while (!pending.empty()) {
            const auto [list, parent] = pending.back();
            pending.pop_back();
            if (!mirrorLeaf(*list, parent)) pushChildren(pending, *list, list->head(), nullptr);
        }
    }

    void mirror(SNode& node, std::string_view parentHead) {
        if (!mirrorLeaf(node, parentHead)) mirrorChildren(node, node.head(), nullptr);
    }

    static void pushChildren(std::vector<std::pair<SNode*, std::string_view>>& pending, SNode& node,
                             std::string_view head, const SNode* skip) {
        bool first = true;
        for (SNode* c : node.children()) {
            if (first || !c->isList() || c == skip) {
                first = false;
                continue;
            }
            pending.emplace_back(c, head);
        }
    }

    // Mirrors one list of footprint-frame geometry about the footprint's horizontal axis
    // and moves it to the layers of the other side; false for a list whose children are
    // to be mirrored instead.
    bool mirrorLeaf(SNode& node, std::string_view parentHead) {
        const std::string_view head = node.head();
        if (head == "layer" || head == "layers") {
            swapLayers(node);
        } else if (head == "start" || head == "end" || head == "mid" || head == "center" || head == "xy") {
            NegateAtom(doc_, node.at(2));
        } else if (head == "offset") {
            if (IsNumberAtom(node.at(1))) NegateAtom(doc_, node.at(2));
        } else if (head == "angle") {
            if (parentHead == "fp_arc" || parentHead == "gr_arc") NegateAtom(doc_, node.at(1));
        } else if (head == "rect_delta") {
            NegateAtom(doc_, node.at(2));
        } else if (head == "chamfer") {
            for (SNode* a : node.children()) {
                if (!a->isAtom() || a == node.at(0)) continue;
                const std::string v = a->value();
                const std::string swapped = v == "top_left" ? "bottom_left" : v == "bottom_left" ? "top_left"
                                          : v == "top_right" ? "bottom_right" : v == "bottom_right" ? "top_right" : v;
                if (swapped != v) doc_.setAtom(*a, swapped);
            }
        } else if (head != "model") {
            return false;
        }
        return true;
    }

    void swapLayers(SNode& node) {
        bool first = true;
        for (SNode* a : node.children()) {
            if (first || !a->isAtom()) {
                first = false;
                continue;
            }
            const std::string v = a->value();
            const std::string f = FlippedLayerName(kicad_, v);
            if (f == v) continue;
            if (a->isString() || !IsBareSymbol(f)) {
                doc_.setAtomString(*a, f);
            } else {
                doc_.setAtom(*a, f);
            }
        }
    }

    KicadBoard& kicad_;
    SExprDocument& doc_;
    const Move& move_;
};

struct Box {
    double x1 = 1e300, y1 = 1e300, x2 = -1e300, y2 = -1e300;
    void add(KPoint p, double grow) {
        x1 = std::min(x1, p.x - grow);
        y1 = std::min(y1, p.y - grow);
        x2 = std::max(x2, p.x + grow);
        y2 = std::max(y2, p.y + grow);
    }
    bool meets(const Box& o) const { return x1 <= o.x2 && o.x1 <= x2 && y1 <= o.y2 && o.y1 <= y2; }
};

Box PadBox(const KFootprint& fp) {
    Box b;
    for (const KPad& pad : fp.pads) {
        const KPoint r = RotateOnScreen(pad.at, fp.angle);
        b.add({fp.at.x + r.x, fp.at.y + r.y}, std::max(pad.size.x, pad.size.y) / 2);
    }
    return b;
}

}  // namespace

std::string FlippedLayerName(const KicadBoard& kicad, const std::string& name) {
    if (name == kicad.frontCopper() && name != "F.Cu") return kicad.backCopper();
    if (name == kicad.backCopper() && name != "B.Cu") return kicad.frontCopper();
    if (name.size() > 2 && name[1] == '.') {
        if (name[0] == 'F') return "B" + name.substr(1);
        if (name[0] == 'B') return "F" + name.substr(1);
    }
    return name;
}

void PlaceFootprint(KicadBoard& kicad, size_t footprintIndex, const FootprintPlacement& placement) {
    KFootprint& fp = kicad.footprints().at(footprintIndex);
    Move move;
    move.oldAt = fp.at;
    move.oldAngle = fp.angle;
    move.newAt = placement.at;
    move.newAngle = NormalizedAngle(placement.angle);
    move.flip = placement.back != fp.back;
    move.back = placement.back;
    FootprintEditor(kicad, move).run(*fp.node);
    kicad.refreshFootprint(footprintIndex);
}

StaleRouting RemoveStaleRouting(KicadBoard& kicad, const std::vector<KFootprint>& before,
                                const std::vector<size_t>& moved) {
    StaleRouting removed;
    if (moved.empty()) return removed;
    std::set<std::string> nets;
    std::vector<Box> areas;
    for (const KFootprint& fp : before) areas.push_back(PadBox(fp));
    for (size_t index : moved) {
        const KFootprint& fp = kicad.footprints().at(index);
        areas.push_back(PadBox(fp));
        for (const KPad& pad : fp.pads) {
            if (!pad.netName.empty()) nets.insert(pad.netName);
        }
    }
    SExprDocument& doc = kicad.document();
    for (const KRouted& r : kicad.routed()) {
        if (r.node->removed() || !nets.count(kicad.netName(r.netNumber, r.netName))) continue;
        doc.remove(*r.node);
        if (r.kind == KRouted::Kind::Via) {
            ++removed.vias;
        } else {
            ++removed.tracks;
        }
    }
    for (const KZone& z : kicad.zones()) {
        if (z.keepout || z.node->removed()) continue;
        Box outline;
        for (const KPoint& p : z.outline) outline.add(p, 0);
        if (!std::any_of(areas.begin(), areas.end(), [&](const Box& a) { return a.meets(outline); })) continue;
        bool dropped = false;
        for (SNode* c : z.node->children()) {
            if (c->isList() && (c->head() == "filled_polygon" || c->head() == "fill_segments")) {
                doc.remove(*c);
                dropped = true;
            }
        }
        if (dropped) ++removed.zoneFills;
    }
    return removed;
}

}  // namespace io
