// Geometry and transforms of the board's objects.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "hostpcb/Board.h"

namespace hostpcb {
namespace {

bool IsQuarterTurn(double degrees) { return std::fmod(NormalizeAngle(degrees), 90.0) == 0.0; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool IsCreatableKind(uint8_t kind) {
    switch (kind) {
        case PCB_ARC: case PCB_PAD: case PCB_VIA: case PCB_TRACK: case PCB_TEXT: case PCB_FILL:
        case PCB_CONNECTION: case PCB_NET: case PCB_COMPONENT: case PCB_POLYGON: case PCB_REGION:
        case PCB_COMPONENT_BODY: case PCB_OBJECT_CLASS: case PCB_RULE: case PCB_SPLIT_PLANE:
        case PCB_BOARD_OUTLINE:
            return true;
        default:
            return false;
    }
}

bool IsPrimitiveKind(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Arc: case ObjectKind::Pad: case ObjectKind::Via: case ObjectKind::Track:
        case ObjectKind::Text: case ObjectKind::Fill: case ObjectKind::Connection: case ObjectKind::Polygon:
        case ObjectKind::Region: case ObjectKind::ComponentBody: case ObjectKind::SplitPlane:
        case ObjectKind::BoardOutline:
            return true;
        default:
            return false;
    }
}

// ---- Object ----

Object::Object(ObjectKind kind) : kind_(kind) {}
Object::~Object() = default;

void Object::SetOwnerBoard(Board* board) {
    if (board_ == board) return;
    // A component's primitives and their nets belong to its board: such a component stays.
    if (kind_ == ObjectKind::Component && board_ != nullptr && !static_cast<Component*>(this)->Children().empty())
        return;
    if (component_ != nullptr) return;  // a primitive follows its component
    if (board_ != nullptr) board_->Forget(*this);
    board_ = board;
}

bool Object::InBoard() const {
    if (board_ == nullptr) return false;
    if (component_ != nullptr) return !childDetached_ && component_->boardSlot_ != kNoSlot;
    return boardSlot_ != kNoSlot;
}

void Object::SetLayer(LayerNumber layer) {
    if (layer_ == layer) return;
    layer_ = layer;
    GeometryChanged();
}

Box Object::Bounds() const {
    const Point p = Position();
    return {p.x, p.y, p.x, p.y};
}

void Object::GeometryChanged() {
    if (board_ != nullptr) board_->Reindex(*this);
}

// ---- Primitive ----

void Primitive::SetPosition(Point p) {
    MoveBy(p.x - pos_.x, p.y - pos_.y);
}

void Primitive::MoveBy(Coord dx, Coord dy) {
    if (dx == 0 && dy == 0) return;
    pos_.x += dx;
    pos_.y += dy;
    GeometryChanged();
}

const Shape& Primitive::GetShape() const {
    if (dirty_) {
        BuildShape(shape_);
        box_ = shape_.Bounds();
        dirty_ = false;
    }
    return shape_;
}

Box Primitive::Bounds() const {
    GetShape();
    return box_;
}

void Primitive::GeometryChanged() {
    dirty_ = true;
    Object::GeometryChanged();
    if (Component* c = ParentComponent()) {
        c->boxDirty_ = true;
        if (!c->inTransform_ && c->OwnerBoard() != nullptr) c->OwnerBoard()->Reindex(*c);
    }
}

void Primitive::SetInExtent(bool inExtent) {
    if (inExtent == inExtent_) return;
    inExtent_ = inExtent;
    GeometryChanged();  // the component's box changes
}

// ---- Pad ----

void Pad::SetGeometry(const PadGeometry& geometry) {
    geometry_ = geometry;
    GeometryChanged();
}

void Pad::BuildShape(Shape& out) const { MakePadShape(geometry_, pos_, out); }

void Pad::RotateAbout(Point origin, double degrees) {
    pos_ = RotatePoint(pos_, origin, degrees);
    geometry_.rotation = NormalizeAngle(geometry_.rotation + degrees);
    GeometryChanged();
}

void Pad::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    geometry_.rotation = NormalizeAngle(-geometry_.rotation);
    for (Point& p : geometry_.customOutline) p.x = -p.x;
    geometry_.trapezoidDelta.y = -geometry_.trapezoidDelta.y;
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- Via ----

void Via::SetDiameter(Coord d) {
    diameter_ = d;
    GeometryChanged();
}

void Via::BuildShape(Shape& out) const {
    out.core = Shape::Core::Polygon;
    out.points.assign(1, PointF{double(pos_.x), double(pos_.y)});
    out.radius = diameter_ / 2.0;
}

void Via::RotateAbout(Point origin, double degrees) {
    pos_ = RotatePoint(pos_, origin, degrees);
    GeometryChanged();
}

void Via::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    GeometryChanged();
}

// ---- Track / Connection ----

void Track::SetEnd(Point p) {
    end_ = p;
    GeometryChanged();
}

void Track::SetEnds(Point a, Point b) {
    if (a == pos_ && b == end_) return;
    pos_ = a;
    end_ = b;
    GeometryChanged();
}

void Track::SetWidth(Coord w) {
    width_ = w;
    GeometryChanged();
}

void Track::MoveBy(Coord dx, Coord dy) {
    end_.x += dx;
    end_.y += dy;
    Primitive::MoveBy(dx, dy);
}

void Track::BuildShape(Shape& out) const { MakeSegmentShape(pos_, end_, width_, out); }

void Track::RotateAbout(Point origin, double degrees) {
    pos_ = RotatePoint(pos_, origin, degrees);
    end_ = RotatePoint(end_, origin, degrees);
    GeometryChanged();
}

void Track::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    end_ = MirrorX(end_, axisX);
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- Arc ----

void Arc::Set(Coord radius, double startAngle, double endAngle, Coord width) {
    radius_ = radius;
    start_ = startAngle;
    end_ = endAngle;
    width_ = width;
    GeometryChanged();
}

void Arc::BuildShape(Shape& out) const { MakeArcShape(pos_, radius_, start_, end_, width_, out); }

void Arc::RotateAbout(Point origin, double degrees) {
    pos_ = RotatePoint(pos_, origin, degrees);
    start_ = NormalizeAngle(start_ + degrees);
    end_ = NormalizeAngle(end_ + degrees);
    GeometryChanged();
}

void Arc::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    const double s = start_;
    start_ = NormalizeAngle(180.0 - end_);
    end_ = NormalizeAngle(180.0 - s);
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- Text ----

void Text::SetString(std::string text) {
    text_ = std::move(text);
    GeometryChanged();
}

void Text::SetHeight(Coord h) {
    height_ = h;
    GeometryChanged();
}

void Text::SetRotation(double degrees) {
    rotation_ = degrees;
    GeometryChanged();
}

void Text::BuildShape(Shape& out) const {
    // The text's rectangle, turned about its anchor.
    const Coord w = Coord(std::llround(0.7 * double(height_) * double(text_.size())));
    out.core = Shape::Core::Polygon;
    out.points.clear();
    out.radius = 0;
    for (Point corner : {pos_, Point{pos_.x + w, pos_.y}, Point{pos_.x + w, pos_.y + height_},
                         Point{pos_.x, pos_.y + height_}}) {
        const Point r = IsQuarterTurn(rotation_) ? RotatePoint(corner, pos_, rotation_) : corner;
        out.points.push_back({double(r.x), double(r.y)});
    }
    if (!IsQuarterTurn(rotation_)) {
        const double c = std::cos(rotation_ * M_PI / 180.0), s = std::sin(rotation_ * M_PI / 180.0);
        for (PointF& p : out.points) {
            const double dx = p.x - pos_.x, dy = p.y - pos_.y;
            p = {pos_.x + dx * c - dy * s, pos_.y + dx * s + dy * c};
        }
    }
}

void Text::RotateAbout(Point origin, double degrees) {
    pos_ = RotatePoint(pos_, origin, degrees);
    rotation_ = NormalizeAngle(rotation_ + degrees);
    GeometryChanged();
}

void Text::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    rotation_ = NormalizeAngle(-rotation_);
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- Fill ----

void Fill::SetCorner2(Point p) {
    corner2_ = p;
    GeometryChanged();
}

void Fill::SetCorners(Point a, Point b) {
    if (a == pos_ && b == corner2_) return;
    pos_ = a;
    corner2_ = b;
    GeometryChanged();
}

void Fill::SetRotation(double degrees) {
    rotation_ = degrees;
    GeometryChanged();
}

void Fill::MoveBy(Coord dx, Coord dy) {
    corner2_.x += dx;
    corner2_.y += dy;
    Primitive::MoveBy(dx, dy);
}

void Fill::BuildShape(Shape& out) const { MakeRectShape(pos_, corner2_, rotation_, out); }

void Fill::RotateAbout(Point origin, double degrees) {
    if (IsQuarterTurn(degrees)) {
        pos_ = RotatePoint(pos_, origin, degrees);
        corner2_ = RotatePoint(corner2_, origin, degrees);
    } else {
        // Keep the rectangle's size; turn its centre and record the angle.
        const double cx = (double(pos_.x) + corner2_.x) / 2.0, cy = (double(pos_.y) + corner2_.y) / 2.0;
        const double hx = (double(corner2_.x) - pos_.x) / 2.0, hy = (double(corner2_.y) - pos_.y) / 2.0;
        const double c = std::cos(degrees * M_PI / 180.0), s = std::sin(degrees * M_PI / 180.0);
        const double nx = origin.x + (cx - origin.x) * c - (cy - origin.y) * s;
        const double ny = origin.y + (cx - origin.x) * s + (cy - origin.y) * c;
        pos_ = {Coord(RoundHalfEven(nx - hx)), Coord(RoundHalfEven(ny - hy))};
        corner2_ = {Coord(RoundHalfEven(nx + hx)), Coord(RoundHalfEven(ny + hy))};
        rotation_ = NormalizeAngle(rotation_ + degrees);
    }
    GeometryChanged();
}

void Fill::MirrorAbout(Coord axisX) {
    pos_ = MirrorX(pos_, axisX);
    corner2_ = MirrorX(corner2_, axisX);
    rotation_ = NormalizeAngle(-rotation_);
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- PolygonObject ----

void PolygonObject::SetVertices(std::vector<PolyVertex> vertices) {
    vertices_ = std::move(vertices);
    pos_ = vertices_.empty() ? Point{} : (vertices_[0].isArc ? vertices_[0].centre : vertices_[0].p);
    GeometryChanged();
}

void PolygonObject::SetPosition(Point p) { MoveBy(p.x - pos_.x, p.y - pos_.y); }

void PolygonObject::MoveBy(Coord dx, Coord dy) {
    for (PolyVertex& v : vertices_) {
        v.p.x += dx;
        v.p.y += dy;
        v.centre.x += dx;
        v.centre.y += dy;
    }
    Primitive::MoveBy(dx, dy);
}

void PolygonObject::BuildShape(Shape& out) const { MakePolygonShape(vertices_, out); }

void PolygonObject::RotateAbout(Point origin, double degrees) {
    for (PolyVertex& v : vertices_) {
        v.p = RotatePoint(v.p, origin, degrees);
        v.centre = RotatePoint(v.centre, origin, degrees);
        if (v.isArc) {
            v.startAngle = NormalizeAngle(v.startAngle + degrees);
            v.endAngle = NormalizeAngle(v.endAngle + degrees);
        }
    }
    pos_ = RotatePoint(pos_, origin, degrees);
    GeometryChanged();
}

void PolygonObject::MirrorAbout(Coord axisX) {
    for (PolyVertex& v : vertices_) {
        v.p = MirrorX(v.p, axisX);
        v.centre = MirrorX(v.centre, axisX);
        if (v.isArc) {
            const double s = v.startAngle;
            v.startAngle = NormalizeAngle(180.0 - v.endAngle);
            v.endAngle = NormalizeAngle(180.0 - s);
        }
    }
    pos_ = MirrorX(pos_, axisX);
    layer_ = FlippedLayer(layer_);
    GeometryChanged();
}

// ---- Net ----

std::vector<Object*> Net::Members() const {
    std::vector<Object*> out;
    for (Object* o : members_)
        if (o != nullptr && o->InBoard()) out.push_back(o);
    return out;
}

std::vector<Pad*> Net::Pads() const {
    std::vector<Pad*> out;
    for (Object* o : members_)
        if (o != nullptr && o->Kind() == ObjectKind::Pad && o->InBoard()) out.push_back(static_cast<Pad*>(o));
    return out;
}

// ---- Component ----

void Component::Transform(const std::function<void(Primitive&)>& step) {
    inTransform_ = true;
    for (Primitive* child : children_) step(*child);
    inTransform_ = false;
    boxDirty_ = true;
    GeometryChanged();
}

void Component::SetPosition(Point p) {
    const Coord dx = p.x - origin_.x, dy = p.y - origin_.y;
    if (dx == 0 && dy == 0) return;
    origin_ = p;
    Transform([&](Primitive& c) { c.MoveBy(dx, dy); });
}

void Component::SetRotation(double degrees) {
    const double delta = degrees - rotation_;
    rotation_ = degrees;
    if (NormalizeAngle(delta) == 0.0) return;
    Transform([&](Primitive& c) { c.RotateAbout(origin_, delta); });
}

void Component::SetLayer(LayerNumber layer) {
    if (layer == layer_) return;
    const bool flip = (layer == PCB_TOP_LAYER && layer_ == PCB_BOTTOM_LAYER) ||
                      (layer == PCB_BOTTOM_LAYER && layer_ == PCB_TOP_LAYER);
    layer_ = layer;
    if (!flip) {
        GeometryChanged();
        return;
    }
    // Mirroring turns rotation r into -r; turning by 2r keeps the rotation value.
    Transform([&](Primitive& c) {
        c.MirrorAbout(origin_.x);
        c.RotateAbout(origin_, 2.0 * rotation_);
    });
}

Box Component::Bounds() const {
    if (!boxDirty_) return box_;
    bool any = false;
    Box box{origin_.x, origin_.y, origin_.x, origin_.y};
    for (const Primitive* c : children_) {
        if (c == nameText_ || c == commentText_ || !c->InExtent()) continue;
        const Box b = c->Bounds();
        box = any ? box.United(b) : b;
        any = true;
    }
    box_ = box;
    boxDirty_ = false;
    return box_;
}

std::string Component::Designator() const { return nameText_ != nullptr ? nameText_->String() : std::string(); }

std::vector<Pad*> Component::Pads() const {
    std::vector<Pad*> out;
    for (Primitive* c : children_)
        if (c->Kind() == ObjectKind::Pad) out.push_back(static_cast<Pad*>(c));
    return out;
}

Pad* Component::FindPad(std::string_view padName) const {
    for (Primitive* c : children_)
        if (c->Kind() == ObjectKind::Pad && static_cast<Pad*>(c)->name == padName) return static_cast<Pad*>(c);
    return nullptr;
}

// ---- ObjectClass ----

bool ObjectClass::HasMember(std::string_view memberName) const {
    for (const std::string& m : members)
        if (EqualsNoCase(m, memberName)) return true;
    return false;
}

}  // namespace hostpcb
