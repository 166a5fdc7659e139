// The board's containers: the ordered board list, per-kind lists, net containers,
// component children, and the spatial index.
#include <algorithm>
#include <cctype>
#include <type_traits>

#include "hostpcb/Board.h"
#include "hostpcb/Host.h"
#include "hostpcb/PcbServer.h"
#include "hostpcb/SpatialIndex.h"

namespace hostpcb {

// Ordered containers with removal in O(1): a removed entry leaves a hole that a later
// compaction closes. Each object remembers its slot in each container.
class SlotAccess {
public:
    using SlotField = uint32_t Object::*;

    static void Append(std::vector<Object*>& items, Object& o, SlotField field) {
        o.*field = uint32_t(items.size());
        items.push_back(&o);
    }
    static void Erase(std::vector<Object*>& items, uint32_t& holes, Object& o, SlotField field) {
        const uint32_t slot = o.*field;
        if (slot == kNoSlot || slot >= items.size() || items[slot] != &o) return;
        items[slot] = nullptr;
        o.*field = kNoSlot;
        ++holes;
        if (holes > 32 && holes * 2 > items.size()) {
            std::size_t w = 0;
            for (Object* item : items) {
                if (item == nullptr) continue;
                item->*field = uint32_t(w);
                items[w++] = item;
            }
            items.resize(w);
            holes = 0;
        }
    }
    static constexpr SlotField kBoard = &Object::boardSlot_;
    static constexpr SlotField kKind = &Object::kindSlot_;
    static constexpr SlotField kNet = &Object::netSlot_;
};

struct Board::Lists {
    struct List {
        std::vector<Object*> items;
        uint32_t holes = 0;
    };
    List all;
    std::array<List, 32> byKind;
};

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr std::size_t kMaxPendingIndex = 1u << 16;

bool HasGeometry(const Object& o) { return IsPrimitiveKind(o.Kind()) || o.Kind() == ObjectKind::Component; }

}  // namespace

Board::Board()
    : Object(ObjectKind::Board),
      lists_(std::make_unique<Lists>()),
      index_(std::make_unique<SpatialIndex>()),
      messages_(std::make_unique<BoardMessageLog>(*this)) {
    layer_ = PCB_NO_LAYER;
    for (int l = 0; l < PCB_LAYER_COUNT; ++l) {
        layerInfo[l].Colour = 0x808080u;
        layerInfo[l].Shown = 1;
        layerInfo[l].Present = 0;
    }
    for (int l : {int(PCB_TOP_LAYER), int(PCB_BOTTOM_LAYER), int(PCB_TOP_OVERLAY), int(PCB_BOTTOM_OVERLAY),
                  int(PCB_KEEP_OUT_LAYER), int(PCB_MULTI_LAYER), int(PCB_CONNECT_LAYER)})
        layerInfo[l].Present = 1;
    layerInfo[PCB_TOP_LAYER].Colour = 0x0000FFu;
    layerInfo[PCB_BOTTOM_LAYER].Colour = 0xFF0000u;
    layerInfo[PCB_HIGHLIGHT_LAYER].Colour = 0xFFFFFFu;
    layerInfo[PCB_DRC_ERROR_LAYER].Colour = 0x00FF00u;
}

Board::~Board() = default;

template <class T>
T& Board::Attach(T& object, Component* owner, LayerNumber layer, Net* net) {
    object.board_ = this;
    object.layer_ = layer;
    if constexpr (std::is_base_of_v<Primitive, T>) {
        if (owner != nullptr) {
            object.component_ = owner;
            owner->children_.push_back(&object);
            owner->boxDirty_ = true;
        }
    }
    if (owner == nullptr) {
        SlotAccess::Append(lists_->all.items, object, SlotAccess::kBoard);
        SlotAccess::Append(lists_->byKind[uint8_t(object.Kind())].items, object, SlotAccess::kKind);
    }
    if (net != nullptr) AddToNet(*net, object);
    Reindex(object);
    if (owner != nullptr) Reindex(*owner);
    return object;
}

// The ratsnest makes connections through the same path.
template Connection& Board::Attach<Connection>(Connection&, Component*, LayerNumber, Net*);

Net& Board::AddNet(std::string name) {
    Net& net = Host::Instance().Make<Net>();
    net.name = std::move(name);
    return Attach(net, nullptr, PCB_NO_LAYER, nullptr);
}

Component& Board::AddComponent(std::string designator, std::string pattern, Point at, double rotation,
                               LayerNumber side, std::string comment) {
    Component& c = Host::Instance().Make<Component>();
    c.pattern = std::move(pattern);
    c.origin_ = at;
    c.rotation_ = rotation;
    Attach(c, nullptr, side, nullptr);
    const LayerNumber overlay = side == PCB_BOTTOM_LAYER ? PCB_BOTTOM_OVERLAY : PCB_TOP_OVERLAY;
    c.nameText_ = &AddText(&c, std::move(designator), {at.x, at.y + 500000}, 400000, 0, overlay);
    c.commentText_ = &AddText(&c, std::move(comment), {at.x, at.y - 900000}, 400000, 0, overlay);
    c.commentText_->display.hidden = true;
    return c;
}

Pad& Board::AddPad(Component* owner, std::string name, Point centre, const PadGeometry& geometry, LayerNumber layer,
                   Net* net) {
    Pad& p = Host::Instance().Make<Pad>();
    p.name = std::move(name);
    p.pos_ = centre;
    p.geometry_ = geometry;
    return Attach(p, owner, layer, net);
}

Via& Board::AddVia(Point centre, Coord diameter, Coord hole, Net* net) {
    Via& v = Host::Instance().Make<Via>();
    v.pos_ = centre;
    v.diameter_ = diameter;
    v.holeSize = hole;
    return Attach(v, nullptr, PCB_MULTI_LAYER, net);
}

Track& Board::AddTrack(Component* owner, Point a, Point b, Coord width, LayerNumber layer, Net* net) {
    Track& t = Host::Instance().Make<Track>();
    t.pos_ = a;
    t.end_ = b;
    t.width_ = width;
    return Attach(t, owner, layer, net);
}

Arc& Board::AddArc(Component* owner, Point centre, Coord radius, double startAngle, double endAngle, Coord width,
                   LayerNumber layer, Net* net) {
    Arc& a = Host::Instance().Make<Arc>();
    a.pos_ = centre;
    a.radius_ = radius;
    a.start_ = startAngle;
    a.end_ = endAngle;
    a.width_ = width;
    return Attach(a, owner, layer, net);
}

Text& Board::AddText(Component* owner, std::string text, Point at, Coord height, double rotation, LayerNumber layer) {
    Text& t = Host::Instance().Make<Text>();
    t.text_ = std::move(text);
    t.pos_ = at;
    t.height_ = height;
    t.rotation_ = rotation;
    return Attach(t, owner, layer, nullptr);
}

Fill& Board::AddFill(Component* owner, Point a, Point b, LayerNumber layer, Net* net) {
    Fill& f = Host::Instance().Make<Fill>();
    f.pos_ = a;
    f.corner2_ = b;
    return Attach(f, owner, layer, net);
}

PolygonObject& Board::AddPolygon(ObjectKind kind, std::vector<PolyVertex> vertices, LayerNumber layer, Net* net,
                                 Component* owner) {
    PolygonObject* p = nullptr;
    switch (kind) {
        case ObjectKind::Region: p = &Host::Instance().Make<RegionObject>(); break;
        case ObjectKind::ComponentBody: p = &Host::Instance().Make<ComponentBodyObject>(); break;
        case ObjectKind::SplitPlane: p = &Host::Instance().Make<SplitPlaneObject>(); break;
        case ObjectKind::BoardOutline: p = &Host::Instance().Make<BoardOutlineObject>(); break;
        default: p = &Host::Instance().Make<PolygonObject>(); break;
    }
    p->vertices_ = std::move(vertices);
    p->pos_ = p->vertices_.empty() ? Point{} : (p->vertices_[0].isArc ? p->vertices_[0].centre : p->vertices_[0].p);
    return Attach(*p, owner, layer, net);
}

ObjectClass& Board::AddClass(std::string name, ObjectKind memberKind) {
    ObjectClass& c = Host::Instance().Make<ObjectClass>();
    c.name = std::move(name);
    c.memberKind = memberKind;
    return Attach(c, nullptr, PCB_NO_LAYER, nullptr);
}

Rule& Board::AddRule(uint8_t ruleKind, std::string name) {
    int32_t sameKind = 0;
    for (Rule* r : Rules())
        if (r->ruleKind == ruleKind) ++sameKind;
    Rule& r = Host::Instance().Make<Rule>();
    r.ruleKind = ruleKind;
    r.name = std::move(name);
    r.priority = sameKind + 1;
    return Attach(r, nullptr, PCB_MULTI_LAYER, nullptr);
}

Component* Board::FindComponent(std::string_view designator) const {
    for (Object* o : lists_->byKind[PCB_COMPONENT].items)
        if (o != nullptr && EqualsNoCase(static_cast<Component*>(o)->Designator(), designator))
            return static_cast<Component*>(o);
    return nullptr;
}

Net* Board::FindNet(std::string_view name) const {
    for (Object* o : lists_->byKind[PCB_NET].items)
        if (o != nullptr && EqualsNoCase(static_cast<Net*>(o)->name, name)) return static_cast<Net*>(o);
    return nullptr;
}

ObjectClass* Board::FindClass(std::string_view name) const {
    for (Object* o : lists_->byKind[PCB_OBJECT_CLASS].items)
        if (o != nullptr && EqualsNoCase(static_cast<ObjectClass*>(o)->name, name))
            return static_cast<ObjectClass*>(o);
    return nullptr;
}

std::vector<Object*> Board::Objects(uint8_t kind) const {
    std::vector<Object*> out;
    if (kind >= lists_->byKind.size()) return out;
    const auto& items = kind == 0 ? lists_->all.items : lists_->byKind[kind].items;
    out.reserve(items.size());
    for (Object* o : items)
        if (o != nullptr) out.push_back(o);
    return out;
}

std::vector<Component*> Board::Components() const {
    std::vector<Component*> out;
    for (Object* o : lists_->byKind[PCB_COMPONENT].items)
        if (o != nullptr) out.push_back(static_cast<Component*>(o));
    return out;
}

std::vector<Net*> Board::Nets() const {
    std::vector<Net*> out;
    for (Object* o : lists_->byKind[PCB_NET].items)
        if (o != nullptr) out.push_back(static_cast<Net*>(o));
    return out;
}

std::vector<Rule*> Board::Rules() const {
    std::vector<Rule*> out;
    for (Object* o : lists_->byKind[PCB_RULE].items)
        if (o != nullptr) out.push_back(static_cast<Rule*>(o));
    return out;
}

std::vector<Pad*> Board::AllPads() const {
    std::vector<Pad*> out;
    for (Object* o : lists_->all.items) {
        if (o == nullptr) continue;
        if (o->Kind() == ObjectKind::Pad) out.push_back(static_cast<Pad*>(o));
        if (o->Kind() == ObjectKind::Component)
            for (Primitive* c : static_cast<Component*>(o)->Children())
                if (c->Kind() == ObjectKind::Pad && c->InBoard()) out.push_back(static_cast<Pad*>(c));
    }
    return out;
}

void Board::Insert(Object& object) {
    if (&object == this || object.Kind() == ObjectKind::Board) return;
    if (object.board_ != this) object.SetOwnerBoard(this);
    if (object.board_ != this) return;
    if (object.component_ != nullptr) {
        object.childDetached_ = false;
        Reindex(*object.component_);
        return;
    }
    if (object.boardSlot_ != kNoSlot) return;
    SlotAccess::Append(lists_->all.items, object, SlotAccess::kBoard);
    SlotAccess::Append(lists_->byKind[uint8_t(object.Kind()) & 31].items, object, SlotAccess::kKind);
    Reindex(object);
}

void Board::Remove(Object& object) {
    if (object.board_ != this) return;
    if (object.component_ != nullptr) {
        object.childDetached_ = true;
        Reindex(*object.component_);
        return;
    }
    SlotAccess::Erase(lists_->all.items, lists_->all.holes, object, SlotAccess::kBoard);
    auto& kindList = lists_->byKind[uint8_t(object.Kind()) & 31];
    SlotAccess::Erase(kindList.items, kindList.holes, object, SlotAccess::kKind);
    Unindex(object);
}

void Board::AddToNet(Net& net, Object& object) {
    if (object.net_ == &net && object.netSlot_ != kNoSlot) return;
    if (object.net_ != nullptr) RemoveFromNet(*object.net_, object);
    object.net_ = &net;
    SlotAccess::Append(net.members_, object, SlotAccess::kNet);
}

void Board::RemoveFromNet(Net& net, Object& object) {
    if (object.net_ != &net) return;
    SlotAccess::Erase(net.members_, net.removed_, object, SlotAccess::kNet);
    object.net_ = nullptr;
}

// The tree holds the board's own objects with geometry: free primitives and components.
// A component stands for its primitives (its box covers them all, texts included), so
// moving a component is one tree update however many pads it has.
void Board::Reindex(Object& object) {
    if (!HasGeometry(object)) return;
    if (object.component_ != nullptr) {
        Reindex(*object.component_);
        return;
    }
    if (!object.InBoard()) {
        index_->Drop(object);
        return;
    }
    if (object.indexPending_) return;
    object.indexPending_ = true;
    pendingIndex_.push_back(object.Handle());
    // Objects made and destroyed without a query in between (connections of repeated net
    // analyses) would otherwise pile up here.
    if (pendingIndex_.size() >= kMaxPendingIndex) FlushIndex();
}

void Board::FlushIndex() {
    const Host& host = Host::Instance();
    for (PcbHandle h : pendingIndex_) {
        Object* o = host.Resolve(h);  // destroyed objects no longer resolve
        if (o == nullptr || !o->indexPending_ || o->board_ != this) continue;
        o->indexPending_ = false;
        if (!o->InBoard()) {
            index_->Drop(*o);
            continue;
        }
        Box box = o->Bounds();
        if (o->Kind() == ObjectKind::Component)
            for (const Primitive* c : static_cast<Component*>(o)->children_) box = box.United(c->Bounds());
        index_->Put(*o, box);
    }
    pendingIndex_.clear();
}

void Board::Unindex(Object& object) { index_->Drop(object); }

void Board::QueryBox(const Box& box, std::vector<Object*>& out, bool withPrimitives) const {
    const_cast<Board*>(this)->FlushIndex();
    const std::size_t first = out.size();
    index_->Query(box, out);
    if (!withPrimitives) return;
    const std::size_t last = out.size();
    for (std::size_t i = first; i < last; ++i) {
        if (out[i]->Kind() != ObjectKind::Component) continue;
        const auto* c = static_cast<const Component*>(out[i]);
        for (Primitive* child : c->children_)
            if (!child->childDetached_ && child->Bounds().Intersects(box)) out.push_back(child);
        if (!c->Bounds().Intersects(box)) out[i] = nullptr;  // only its texts reach the box
    }
    out.erase(std::remove(out.begin() + std::ptrdiff_t(first), out.end(), nullptr), out.end());
}

void Board::Forget(Object& object) {
    Remove(object);
    Unindex(object);
    if (object.net_ != nullptr) RemoveFromNet(*object.net_, object);
    if (Component* c = object.component_) {
        auto& ch = c->children_;
        ch.erase(std::remove(ch.begin(), ch.end(), &object), ch.end());
        if (c->nameText_ == &object) c->nameText_ = nullptr;
        if (c->commentText_ == &object) c->commentText_ = nullptr;
        c->boxDirty_ = true;
        object.component_ = nullptr;
        Reindex(*c);
    }
    if (object.Kind() == ObjectKind::Net) {
        Net& net = static_cast<Net&>(object);
        for (Object* m : net.members_)
            if (m != nullptr) {
                m->net_ = nullptr;
                m->netSlot_ = kNoSlot;
            }
        net.members_.clear();
        net.removed_ = 0;
    }
    object.childDetached_ = false;
    object.indexPending_ = false;
}

}  // namespace hostpcb
