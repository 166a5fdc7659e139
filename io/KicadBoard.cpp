#include "io/KicadBoard.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "io/Units.h"

namespace io {

namespace {



constexpr double kDegrees = 180.0 / std::numbers::pi;

bool IsCopperType(const std::string& type) {
    return type == "signal" || type == "power" || type == "mixed" || type == "jumper";
}

double ReadNumberChild(const SNode& list, std::string_view head, double fallback) {
    SNode* c = list.child(head);
    if (!c) return fallback;
    SNode* a = c->at(1);
    if (!a) c->fail("expected a number after '" + std::string(head) + "'");
    return a->number();
}

double NormalizeDegrees(double a) {
    a = std::fmod(a, 360.0);
    if (a < 0) a += 360.0;
    return a;
}

// Exact sine and cosine for multiples of 90 degrees, so that right-angle rotations
// keep coordinates exact.
void SinCos(double degrees, double& s, double& c) {
    const double n = NormalizeDegrees(degrees);
    if (n == 0) {
        s = 0, c = 1;
    } else if (n == 90) {
        s = 1, c = 0;
    } else if (n == 180) {
        s = 0, c = -1;
    } else if (n == 270) {
        s = -1, c = 0;
    } else {
        s = std::sin(n / kDegrees);
        c = std::cos(n / kDegrees);
    }
}

double AngleOf(KPoint centre, KPoint p) { return std::atan2(p.y - centre.y, p.x - centre.x) * kDegrees; }

// The arc through three points; false when they lie on one line.
bool ArcFromThreePoints(KPoint s, KPoint m, KPoint e, KShape& arc) {
    const double ax = s.x, ay = s.y, bx = m.x, by = m.y, cx = e.x, cy = e.y;
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (std::fabs(d) < 1e-12) return false;
    const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    arc.center = {(a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d,
                  (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d};
    arc.radius = std::hypot(ax - arc.center.x, ay - arc.center.y);
    const double as = AngleOf(arc.center, s);
    const double sweepToEnd = NormalizeDegrees(AngleOf(arc.center, e) - as);
    const double sweepToMid = NormalizeDegrees(AngleOf(arc.center, m) - as);
    arc.startAngle = as;
    arc.sweep = sweepToMid <= sweepToEnd ? sweepToEnd : sweepToEnd - 360.0;
    if (arc.sweep == 0) arc.sweep = 360.0;  // start equals end: a full circle
    return true;
}

void ReadPolyPoints(const SNode& pts, std::vector<KPoint>& out) {
    for (SNode* c : pts.children()) {
        if (!c->isList()) continue;
        if (c->head() == "xy") {
            out.push_back(ReadPoint(*c));
        } else if (c->head() == "arc") {
            // Corners of an arc inside a polygon: keep its three defining points.
            for (const char* h : {"start", "mid", "end"}) {
                if (SNode* p = c->child(h)) out.push_back(ReadPoint(*p));
            }
        }
    }
}

// A footprint text's "(at x y [angle])": the writer moves and mirrors it, so both
// numbers must be there.
void CheckTextPosition(const SNode& text) {
    if (SNode* at = text.child("at")) (void)ReadPoint(*at);
}

// Zones inside a footprint are moved point by point by the writer: every "(xy x y)" in
// them, however deep, must hold two numbers.
void CheckZonePoints(const SNode& zone) {
    std::vector<const SNode*> pending{&zone};
    while (!pending.empty()) {
        const SNode* node = pending.back();
        pending.pop_back();
        for (const SNode* c : node->children()) {
            if (!c->isList()) continue;
            if (c->head() == "xy") {
                (void)ReadPoint(*c);
            } else {
                pending.push_back(c);
            }
        }
    }
}

std::string ReadLayerName(const SNode& node) {
    if (SNode* l = node.child("layer")) {
        if (SNode* a = l->at(1)) return a->value();
    }
    return {};
}

void ReadNet(const SNode& item, int& number, std::string& name) {
    SNode* net = item.child("net");
    if (!net) return;
    SNode* first = net->at(1);
    if (!first) return;
    if (first->isString()) {
        name = first->value();
    } else {
        number = first->integer();
        if (SNode* n = net->at(2)) name = n->value();
    }
}

}  // namespace

KPoint ReadPoint(const SNode& list) {
    SNode* x = list.at(1);
    SNode* y = list.at(2);
    if (!x || !y) list.fail("expected two numbers in '" + std::string(list.head()) + "'");
    return {x->number(), y->number()};
}

KPoint RotateOnScreen(KPoint p, double degrees) {
    double s, c;
    SinCos(degrees, s, c);
    return {p.x * c + p.y * s, -p.x * s + p.y * c};
}

bool ReadShape(SNode& node, KShape& shape) {
    const std::string_view head = node.head();
    if (head.size() < 4 || (head.substr(0, 3) != "fp_" && head.substr(0, 3) != "gr_")) return false;
    const std::string_view kind = head.substr(3);
    shape = KShape();
    shape.node = &node;
    shape.layer = ReadLayerName(node);
    if (SNode* stroke = node.child("stroke")) {
        shape.width = ReadNumberChild(*stroke, "width", 0);
    } else {
        shape.width = ReadNumberChild(node, "width", 0);
    }
    if (SNode* fill = node.child("fill")) {
        SNode* a = fill->at(1);
        if (a && a->isAtom()) {
            shape.filled = a->is("solid") || a->is("yes");
        } else if (SNode* t = fill->child("type")) {
            shape.filled = t->at(1) && !t->at(1)->is("none");
        }
    }
    auto point = [&node](const char* h) {
        SNode* p = node.child(h);
        if (!p) node.fail(std::string("missing '") + h + "'");
        return ReadPoint(*p);
    };
    if (kind == "line") {
        shape.kind = KShape::Kind::Line;
        shape.start = point("start");
        shape.end = point("end");
    } else if (kind == "rect") {
        shape.kind = KShape::Kind::Rect;
        shape.start = point("start");
        shape.end = point("end");
    } else if (kind == "circle") {
        shape.kind = KShape::Kind::Circle;
        shape.start = point("center");
        shape.end = point("end");
        shape.center = shape.start;
        shape.radius = std::hypot(shape.end.x - shape.start.x, shape.end.y - shape.start.y);
    } else if (kind == "arc") {
        shape.kind = KShape::Kind::Arc;
        if (SNode* mid = node.child("mid")) {
            shape.start = point("start");
            shape.end = point("end");
            if (!ArcFromThreePoints(shape.start, ReadPoint(*mid), shape.end, shape)) {
                shape.kind = KShape::Kind::Line;
            }
        } else {
            // Older files: start is the centre, end the arc's first point, angle the sweep.
            shape.center = point("start");
            const KPoint first = point("end");
            shape.radius = std::hypot(first.x - shape.center.x, first.y - shape.center.y);
            shape.startAngle = AngleOf(shape.center, first);
            shape.sweep = ReadNumberChild(node, "angle", 0);
            double s, c;
            SinCos(shape.startAngle + shape.sweep, s, c);
            shape.start = first;
            shape.end = {shape.center.x + shape.radius * c, shape.center.y + shape.radius * s};
        }
    } else if (kind == "poly") {
        shape.kind = KShape::Kind::Poly;
        if (SNode* pts = node.child("pts")) ReadPolyPoints(*pts, shape.points);
    } else if (kind == "curve") {
        shape.kind = KShape::Kind::Curve;
        if (SNode* pts = node.child("pts")) ReadPolyPoints(*pts, shape.points);
    } else {
        return false;  // text, dimensions, barcodes and other items
    }
    return true;
}

std::unique_ptr<KicadBoard> KicadBoard::fromDocument(std::unique_ptr<SExprDocument> document) {
    std::unique_ptr<KicadBoard> board(new KicadBoard());
    board->document_ = std::move(document);
    board->read();
    return board;
}

std::unique_ptr<KicadBoard> KicadBoard::load(const std::string& path) {
    return fromDocument(SExprDocument::parseFile(path));
}

int KicadBoard::kicadMajor() const {
    if (version_ <= 20171130) return 5;
    if (version_ <= 20211014) return 6;
    if (version_ <= 20221018) return 7;
    if (version_ <= 20240108) return 8;
    if (version_ <= 20241229) return 9;
    return 10;
}

const KLayer* KicadBoard::findLayer(const std::string& name) const {
    for (const KLayer& l : layers_) {
        if (l.name == name) return &l;
    }
    return nullptr;
}

int KicadBoard::copperIndex(const std::string& name) const {
    for (size_t i = 0; i < copperOrder_.size(); ++i) {
        if (copperOrder_[i] == name) return static_cast<int>(i) + 1;
    }
    if (name == "F.Cu") return 1;
    if (name == "B.Cu") return copperLayerCount();
    return 0;
}

std::string KicadBoard::netName(int number, const std::string& nameInItem) const {
    if (!nameInItem.empty() || number < 0) return nameInItem;
    if (static_cast<size_t>(number) < netNamesByNumber_.size()) return netNamesByNumber_[number];
    return {};
}

void KicadBoard::refreshFootprint(size_t index) {
    footprints_.at(index) = readFootprint(*footprints_.at(index).node);
}

void KicadBoard::read() {
    SNode& root = document_->root();
    if (root.head() != "kicad_pcb") root.fail("not a KiCad board: the file does not start with (kicad_pcb");
    SNode* version = root.child("version");
    if (!version || !version->at(1)) root.fail("the board has no (version ...)");
    version_ = version->at(1)->integer();

    // The layer table names the copper sides every item refers to: it is read first,
    // wherever it stands, and there is one.
    const SNode* layerTable = nullptr;
    for (SNode* item : root.children()) {
        if (!item->isList() || item->head() != "layers") continue;
        if (layerTable) item->fail("a second layer table (the first is at " + layerTable->where() + ")");
        layerTable = item;
    }
    if (layerTable) readLayers(*layerTable);

    for (SNode* item : root.children()) {
        if (!item->isList()) continue;
        const std::string_view head = item->head();
        if (head == "layers") {
            continue;
        } else if (head == "setup") {
            readSetup(*item);
        } else if (head == "net") {
            SNode* n = item->at(1);
            if (!n) item->fail("empty net entry");
            KNet net;
            if (n->isString()) {
                net.number = -1;
                net.name = n->value();
            } else {
                net.number = n->integer();
                if (SNode* name = item->at(2)) net.name = name->value();
                if (net.number >= 0 && net.number < 1000000) {
                    if (netNamesByNumber_.size() <= static_cast<size_t>(net.number)) {
                        netNamesByNumber_.resize(static_cast<size_t>(net.number) + 1);
                    }
                    netNamesByNumber_[static_cast<size_t>(net.number)] = net.name;
                }
            }
            if (!net.name.empty()) nets_.push_back(std::move(net));
        } else if (head == "net_class") {
            if (SNode* name = item->at(1); name && name->is("Default")) {
                defaultClearance_ = ReadNumberChild(*item, "clearance", defaultClearance_);
                if (!FitsHostSize(defaultClearance_)) {
                    (void)CheckedSizeToHost(defaultClearance_, *item->child("clearance"), "net class Default", "clearance");
                }
            }
        } else if (head == "footprint" || head == "module") {
            footprints_.push_back(readFootprint(*item));
        } else if (head == "zone") {
            KZone zone;
            zone.node = item;
            ReadNet(*item, zone.netNumber, zone.netName);
            if (SNode* nn = item->child("net_name"); nn && nn->at(1)) zone.netName = nn->at(1)->value();
            if (SNode* l = item->child("layer"); l && l->at(1)) zone.layers.push_back(l->at(1)->value());
            if (SNode* ls = item->child("layers")) {
                for (SNode* a : ls->children()) {
                    if (a->isAtom() && a != ls->at(0)) zone.layers.push_back(a->value());
                }
            }
            zone.keepout = item->child("keepout") != nullptr;
            if (SNode* poly = item->child("polygon")) {
                if (SNode* pts = poly->child("pts")) ReadPolyPoints(*pts, zone.outline);
            }
            zones_.push_back(std::move(zone));
        } else if (head == "segment" || head == "arc" || head == "via") {
            KRouted r;
            r.kind = head == "segment" ? KRouted::Kind::Segment : head == "arc" ? KRouted::Kind::Arc : KRouted::Kind::Via;
            r.node = item;
            ReadNet(*item, r.netNumber, r.netName);
            if (SNode* l = item->child("layer"); l && l->at(1)) r.layers.push_back(l->at(1)->value());
            if (SNode* ls = item->child("layers")) {
                for (SNode* a : ls->children()) {
                    if (a->isAtom() && a != ls->at(0)) r.layers.push_back(a->value());
                }
            }
            routed_.push_back(std::move(r));
        } else if (head.substr(0, 3) == "gr_") {
            KShape shape;
            if (ReadShape(*item, shape) && shape.layer == "Edge.Cuts") edgeShapes_.push_back(std::move(shape));
        }
    }

    // Edge.Cuts drawn inside footprints belongs to the board outline too.
    for (const KFootprint& fp : footprints_) {
        for (const KShape& g : fp.graphics) {
            if (g.layer != "Edge.Cuts") continue;
            KShape s = g;
            auto place = [&fp](KPoint p) {
                const KPoint r = RotateOnScreen(p, fp.angle);
                return KPoint{fp.at.x + r.x, fp.at.y + r.y};
            };
            s.start = place(s.start);
            s.end = place(s.end);
            s.center = place(s.center);
            s.startAngle -= fp.angle;
            for (KPoint& p : s.points) p = place(p);
            if (s.kind == KShape::Kind::Rect && NormalizeDegrees(fp.angle) != 0) {
                // A turned rectangle is a polygon on the board.
                const KPoint a = g.start, b = g.end;
                s.kind = KShape::Kind::Poly;
                s.points = {place(a), place({b.x, a.y}), place(b), place({a.x, b.y})};
            }
            edgeShapes_.push_back(std::move(s));
        }
    }

    // Files without a net table (nets named only in items) get their nets from the pads.
    if (nets_.empty()) {
        std::vector<std::string> names;
        for (const KFootprint& fp : footprints_) {
            for (const KPad& pad : fp.pads) {
                if (!pad.netName.empty()) names.push_back(pad.netName);
            }
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        for (std::string& n : names) nets_.push_back({-1, std::move(n)});
    }
}

void KicadBoard::readLayers(const SNode& list) {
    std::vector<const SNode*> layerNodes;
    for (SNode* entry : list.children()) {
        if (!entry->isList()) continue;
        SNode* id = entry->at(0);
        SNode* name = entry->at(1);
        if (!id || !name || !name->isAtom()) entry->fail("a layer entry needs a number and a name");
        KLayer layer;
        layer.id = id->integer();
        layer.name = name->value();
        // Items name their layers: an unnamed layer would take every item that names none.
        if (layer.name.empty()) entry->fail("layer " + std::to_string(layer.id) + " has no name");
        if (SNode* t = entry->at(2)) layer.type = t->value();
        if (SNode* u = entry->at(3); u && u->isAtom()) layer.userName = u->value();
        // Items name their layers: a name used twice would put them on either.
        if (findLayer(layer.name)) entry->fail("the layer name '" + layer.name + "' is used twice");
        for (const KLayer& other : layers_) {
            if (other.id == layer.id) entry->fail("the layer number " + std::to_string(layer.id) + " is used twice");
        }
        layers_.push_back(std::move(layer));
        layerNodes.push_back(entry);
    }
    std::vector<const KLayer*> copper;
    bool has31 = false;
    for (const KLayer& l : layers_) {
        if (!IsCopperType(l.type)) continue;
        copper.push_back(&l);
        has31 = has31 || l.id == 31;
    }
    const int backId = has31 ? 31 : 2;
    const KLayer* front = nullptr;
    const KLayer* back = nullptr;
    std::vector<const KLayer*> inner;
    for (const KLayer* l : copper) {
        if (l->id == 0) {
            front = l;
        } else if (l->id == backId) {
            back = l;
        } else {
            inner.push_back(l);
        }
    }
    // A side's copper under the other side's usual name would make the two sides one.
    auto nodeOf = [&](const KLayer* l) { return layerNodes[static_cast<size_t>(l - layers_.data())]; };
    if (front && front->name == "B.Cu") nodeOf(front)->fail("the front copper layer is named 'B.Cu'");
    if (back && back->name == "F.Cu") nodeOf(back)->fail("the back copper layer is named 'F.Cu'");
    std::sort(inner.begin(), inner.end(), [](const KLayer* a, const KLayer* b) { return a->id < b->id; });
    copperOrder_.clear();
    if (front) {
        frontCopper_ = front->name;
        copperOrder_.push_back(front->name);
    }
    for (const KLayer* l : inner) copperOrder_.push_back(l->name);
    if (back) {
        backCopper_ = back->name;
        copperOrder_.push_back(back->name);
    }
}

void KicadBoard::readSetup(const SNode& setup) {
    if (SNode* g = setup.child("grid_origin")) {
        gridOrigin_ = ReadPoint(*g);
        gridOriginNode_ = g;
        hasGridOrigin_ = true;
    }
}

KFootprint KicadBoard::readFootprint(SNode& node) const {
    KFootprint fp;
    fp.node = &node;
    bool first = true;
    bool hasLayer = false;
    for (SNode* c : node.children()) {
        if (first) {
            first = false;  // the head
            continue;
        }
        if (c->isAtom()) {
            if (c->is("locked")) {
                fp.locked = true;
            } else if (!c->is("placed") && fp.libId.empty()) {
                fp.libId = c->value();
            }
            continue;
        }
        const std::string_view head = c->head();
        if (head == "layer") {
            hasLayer = true;
            if (SNode* a = c->at(1)) fp.layer = a->value();
        } else if (head == "locked") {
            SNode* a = c->at(1);
            fp.locked = !a || a->is("yes");
        } else if (head == "at") {
            fp.at = ReadPoint(*c);
            if (SNode* a = c->at(3)) fp.angle = a->number();
        } else if (head == "fp_text") {
            CheckTextPosition(*c);
            SNode* kind = c->at(1);
            SNode* text = c->at(2);
            if (kind && text && kind->is("reference")) fp.reference = text->value();
            if (kind && text && kind->is("value")) fp.value = text->value();
        } else if (head == "property") {
            CheckTextPosition(*c);
            SNode* kind = c->at(1);
            SNode* text = c->at(2);
            if (kind && text && kind->is("Reference")) fp.reference = text->value();
            if (kind && text && kind->is("Value")) fp.value = text->value();
        } else if (head == "pad") {
            fp.pads.push_back(readPad(*c));
        } else if (head == "clearance") {
            fp.clearance = ReadNumberChild(node, "clearance", 0.0);
        } else if (head == "zone") {
            CheckZonePoints(*c);
        } else {
            KShape shape;
            if (ReadShape(*c, shape)) fp.graphics.push_back(std::move(shape));
        }
    }
    // The writer flips a footprint by swapping its layer: it must name a copper side.
    if (!hasLayer || (!isFrontCopper(fp.layer) && !isBackCopper(fp.layer))) {
        const std::string name = fp.reference.empty() ? "'" + fp.libId + "'" : fp.reference;
        node.fail("footprint " + name + " is on " + (fp.layer.empty() ? "no layer" : "layer '" + fp.layer + "'") +
                  ", not on the front or back copper");
    }
    fp.back = isBackCopper(fp.layer);
    return fp;
}

KPad KicadBoard::readPad(SNode& node) const {
    KPad pad;
    pad.node = &node;
    SNode* number = node.at(1);
    SNode* type = node.at(2);
    SNode* shape = node.at(3);
    if (!number || !type || !shape || !number->isAtom() || !type->isAtom() || !shape->isAtom()) {
        node.fail("a pad needs a number, a type and a shape");
    }
    pad.number = number->value();
    pad.type = type->value();
    pad.shape = shape->value();
    SNode* at = node.child("at");
    if (!at) node.fail("pad without a position");
    pad.at = ReadPoint(*at);
    if (SNode* a = at->at(3)) pad.angle = a->number();
    if (SNode* size = node.child("size")) pad.size = ReadPoint(*size);
    if (SNode* drill = node.child("drill")) {
        for (SNode* a : drill->children()) {
            if (a->isAtom() && a != drill->at(0) && !a->is("oval")) {
                pad.drill = a->number();
                break;
            }
        }
    }
    if (SNode* layers = node.child("layers")) {
        bool first = true;
        for (SNode* a : layers->children()) {
            if (first) {
                first = false;
                continue;
            }
            if (a->isAtom()) pad.layers.push_back(a->value());
        }
    }
    pad.roundrectRatio = ReadNumberChild(node, "roundrect_rratio", pad.roundrectRatio);
    pad.clearance = ReadNumberChild(node, "clearance", 0.0);
    if (SNode* d = node.child("rect_delta")) pad.rectDelta = ReadPoint(*d);
    ReadNet(node, pad.netNumber, pad.netName);
    pad.netName = netName(pad.netNumber, pad.netName);
    if (SNode* prims = node.child("primitives")) {
        for (SNode* p : prims->children()) {
            KShape s;
            if (p->isList() && ReadShape(*p, s)) pad.primitives.push_back(std::move(s));
        }
    }
    return pad;
}

double FootprintReach(const KFootprint& fp) {
    double reach = 0;
    const auto point = [&reach](KPoint p, double grow) {
        reach = std::max({reach, std::fabs(p.x) + grow, std::fabs(p.y) + grow});
    };
    for (const KPad& pad : fp.pads) point(pad.at, std::max(std::fabs(pad.size.x), std::fabs(pad.size.y)));
    for (const KShape& g : fp.graphics) {
        point(g.start, g.width);
        point(g.end, g.width);
        point(g.center, std::fabs(g.radius) + g.width);
        for (const KPoint& p : g.points) point(p, g.width);
    }
    return reach;
}

}  // namespace io
