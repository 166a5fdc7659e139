// The host's in-memory board model: a board and its objects, each with a stable
// handle. Every object is owned by the host's object table (Host.h); a board refers to
// its objects and keeps them in its containers (board list, net containers, component
// children) and in its spatial index.
//
// Coordinates are host units (1 mil = 10000, Y up), angles degrees counter-clockwise.
// A component's primitives are stored in board coordinates; writing a component's
// position, rotation or side moves, turns or mirrors its primitives with it. A component
// on the bottom side is its top-side footprint mirrored about the vertical line through
// its origin and then turned by its rotation.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hostpcb/Geometry.h"
#include "hostpcb/Layers.h"
#include "sdk/pcb_types.h"

namespace hostpcb {

class Board;
class Component;
class Net;
class SpatialIndex;
class BoardMessageLog;

enum class ObjectKind : uint8_t {
    Arc = PCB_ARC,
    Pad = PCB_PAD,
    Via = PCB_VIA,
    Track = PCB_TRACK,
    Text = PCB_TEXT,
    Fill = PCB_FILL,
    Connection = PCB_CONNECTION,
    Net = PCB_NET,
    Component = PCB_COMPONENT,
    Polygon = PCB_POLYGON,
    Region = PCB_REGION,
    ComponentBody = PCB_COMPONENT_BODY,
    ObjectClass = PCB_OBJECT_CLASS,
    Rule = PCB_RULE,
    SplitPlane = PCB_SPLIT_PLANE,
    Board = PCB_BOARD,
    BoardOutline = PCB_BOARD_OUTLINE
};

// Kinds that PcbApi_CreateObject can make (every kind above except the board).
bool IsCreatableKind(uint8_t kind);
bool IsPrimitiveKind(ObjectKind kind);  // arc, pad, via, track, text, fill, connection, polygons

// What the display operations did to an object; the renderer honours `hidden`.
struct DisplayState {
    bool hidden = false;
    int32_t hideCount = 0;
    int32_t showCount = 0;
    int32_t invertCount = 0;
    int32_t screenDisplayCount = 0;
    int32_t lastScreenMode = 0;
    int32_t lastScreenColour = 0;
    int32_t invalidateCount = 0;
};

// Position of an object in one of the ordered containers (internal bookkeeping).
constexpr uint32_t kNoSlot = UINT32_MAX;

class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();

    ObjectKind Kind() const { return kind_; }
    PcbHandle Handle() const { return handle_; }
    // The board the object belongs to (nullptr for a free object not yet given a board).
    Board* OwnerBoard() const { return board_; }
    void SetOwnerBoard(Board* board);
    // The object is in its board's container, and so is its component when it has one.
    bool InBoard() const;
    bool OnBoardList() const { return boardSlot_ != kNoSlot; }
    Component* ParentComponent() const { return component_; }
    Net* GetNet() const { return net_; }
    LayerNumber Layer() const { return layer_; }
    virtual void SetLayer(LayerNumber layer);

    // Reference point: a component's origin, a pad's centre, an arc's centre, the first end
    // of a track, connection or fill. Writing it moves the object.
    virtual Point Position() const { return {}; }
    virtual void SetPosition(Point) {}
    // Bounding box of the real shape (for a component: of its primitives without the
    // designator and comment texts). Objects without geometry give the box of Position().
    virtual Box Bounds() const;

    // Host flag words, written and read freely through the records.
    uint16_t flags = 0;
    uint8_t bitField2 = 0;
    uint8_t bitField3 = 0;
    uint16_t tag = 0;  // the record's `Index` word
    bool moveable = true;
    DisplayState display;

protected:
    explicit Object(ObjectKind kind);
    // Called after a change of geometry or layer: refreshes caches and the spatial index.
    virtual void GeometryChanged();

private:
    friend class Board;
    friend class Net;
    friend class Component;
    friend class ObjectTable;
    friend class SpatialIndex;

    ObjectKind kind_;
    PcbHandle handle_ = nullptr;
    Board* board_ = nullptr;
    Component* component_ = nullptr;
    Net* net_ = nullptr;

protected:
    LayerNumber layer_ = PCB_TOP_LAYER;

private:
    friend class SlotAccess;
    uint32_t boardSlot_ = kNoSlot;
    uint32_t kindSlot_ = kNoSlot;
    uint32_t netSlot_ = kNoSlot;
    bool indexed_ = false;  // present in the board's spatial index
    Box indexedBox_;
    bool childDetached_ = false;  // a component's primitive taken out of the board on its own
    bool indexPending_ = false;   // its box changed since the spatial index last saw it
};

// Base of objects with a shape: the shape and its box are cached until the geometry changes.
class Primitive : public Object {
    friend class Board;
public:
    Point Position() const override { return pos_; }
    void SetPosition(Point p) override;
    Box Bounds() const override;
    const Shape& GetShape() const;

    // Whether it counts toward its component's extent (Component::Bounds). A board
    // reader leaves out drawings that are no part of the footprint's placement shape.
    bool InExtent() const { return inExtent_; }
    void SetInExtent(bool inExtent);

    // Component transforms, applied to every primitive of a component.
    virtual void MoveBy(Coord dx, Coord dy);
    virtual void RotateAbout(Point origin, double degrees) = 0;
    // Mirror about the vertical line x = axisX and move to the layer on the other side.
    virtual void MirrorAbout(Coord axisX) = 0;

protected:
    explicit Primitive(ObjectKind kind) : Object(kind) {}
    virtual void BuildShape(Shape& out) const = 0;
    void GeometryChanged() override;

    Point pos_;

private:
    mutable Shape shape_;
    mutable Box box_;
    mutable bool dirty_ = true;
    bool inExtent_ = true;
};

class Pad : public Primitive {
    friend class Board;
public:
    Pad() : Primitive(ObjectKind::Pad) {}
    std::string name;  // pin name ("1", "A3", ...)
    // The pad's own copper clearance (a KiCad pad's or footprint's local override),
    // 0 when it sets none; the host's rules do not see it.
    Coord localClearance = 0;
    const PadGeometry& Geometry() const { return geometry_; }
    void SetGeometry(const PadGeometry& geometry);
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    PadGeometry geometry_;
};

class Via : public Primitive {
    friend class Board;
public:
    Via() : Primitive(ObjectKind::Via) { layer_ = PCB_MULTI_LAYER; }
    Coord Diameter() const { return diameter_; }
    void SetDiameter(Coord d);
    Coord holeSize = 0;
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    Coord diameter_ = 0;
};

// Tracks (4) and connections (7): a segment with a width.
class Track : public Primitive {
    friend class Board;
public:
    explicit Track(ObjectKind kind = ObjectKind::Track) : Primitive(kind) {}
    Point End() const { return end_; }
    void SetEnd(Point p);
    void SetEnds(Point a, Point b);  // both ends at once (the reference point is the first)
    Coord Width() const { return width_; }
    void SetWidth(Coord w);
    void MoveBy(Coord dx, Coord dy) override;
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    Point end_;
    Coord width_ = 0;
};

class Connection : public Track {
public:
    Connection() : Track(ObjectKind::Connection) { layer_ = PCB_CONNECT_LAYER; }
};

class Arc : public Primitive {
    friend class Board;
public:
    Arc() : Primitive(ObjectKind::Arc) {}
    Coord Radius() const { return radius_; }
    double StartAngle() const { return start_; }
    double EndAngle() const { return end_; }
    Coord Width() const { return width_; }
    void Set(Coord radius, double startAngle, double endAngle, Coord width);
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    Coord radius_ = 0;
    double start_ = 0;
    double end_ = 0;
    Coord width_ = 0;
};

class Text : public Primitive {
    friend class Board;
public:
    Text() : Primitive(ObjectKind::Text) { layer_ = PCB_TOP_OVERLAY; }
    const std::string& String() const { return text_; }
    void SetString(std::string text);
    Coord Height() const { return height_; }
    void SetHeight(Coord h);
    double Rotation() const { return rotation_; }
    void SetRotation(double degrees);
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    std::string text_;
    Coord height_ = 600000;  // 60 mil
    double rotation_ = 0;
};

// A rectangle between two corners, turned by `Rotation` about its centre (0 unless a
// component holding it was turned by an angle that is no multiple of 90 degrees).
class Fill : public Primitive {
    friend class Board;
public:
    Fill() : Primitive(ObjectKind::Fill) {}
    Point Corner2() const { return corner2_; }
    void SetCorner2(Point p);
    void SetCorners(Point a, Point b);
    double Rotation() const { return rotation_; }
    void SetRotation(double degrees);
    void MoveBy(Coord dx, Coord dy) override;
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    Point corner2_;
    double rotation_ = 0;
};

// Polygons (10), regions (11), component bodies (12), split planes (22) and the board
// outline (26): an outline of line and arc vertices. Position() is the first vertex.
class PolygonObject : public Primitive {
    friend class Board;
public:
    PolygonObject() : Primitive(ObjectKind::Polygon) {}
    explicit PolygonObject(ObjectKind kind) : Primitive(kind) {}
    const std::vector<PolyVertex>& Vertices() const { return vertices_; }
    void SetVertices(std::vector<PolyVertex> vertices);
    void SetPosition(Point p) override;  // moves the whole outline
    void MoveBy(Coord dx, Coord dy) override;
    void RotateAbout(Point origin, double degrees) override;
    void MirrorAbout(Coord axisX) override;

protected:
    void BuildShape(Shape& out) const override;

private:
    std::vector<PolyVertex> vertices_;
};

class RegionObject : public PolygonObject {
public:
    RegionObject() : PolygonObject(ObjectKind::Region) {}
};
class ComponentBodyObject : public PolygonObject {
public:
    ComponentBodyObject() : PolygonObject(ObjectKind::ComponentBody) {}
};
class SplitPlaneObject : public PolygonObject {
public:
    SplitPlaneObject() : PolygonObject(ObjectKind::SplitPlane) {}
};
class BoardOutlineObject : public PolygonObject {
public:
    BoardOutlineObject() : PolygonObject(ObjectKind::BoardOutline) {}
};

// A net: a container of pads, tracks, vias, arcs, fills, polygons and connections.
class Net : public Object {
public:
    Net() : Object(ObjectKind::Net) { layer_ = PCB_NO_LAYER; }
    std::string name;
    uint8_t flag1 = 1;  // connections of nets with it set are kept by the connection dragger
    uint8_t flag2 = 0;
    // How often the host worked out the net's connection lines.
    int32_t analyses = 0;
    // Members currently in the net container and in the board, in container order.
    std::vector<Object*> Members() const;
    std::vector<class Pad*> Pads() const;
    // Every object of the container, in the board or not (nullptr entries skipped).
    const std::vector<Object*>& RawMembers() const { return members_; }

private:
    friend class Board;
    std::vector<Object*> members_;  // nullptr = removed entry
    uint32_t removed_ = 0;
};

class Component : public Object {
public:
    Component() : Object(ObjectKind::Component) {}
    Point Position() const override { return origin_; }
    void SetPosition(Point p) override;  // moves every primitive with it
    double Rotation() const { return rotation_; }
    void SetRotation(double degrees);  // turns every primitive about the origin
    // TopLayer or BottomLayer; changing the side mirrors the primitives and moves them to
    // the layers of the other side (the rotation value is kept).
    void SetLayer(LayerNumber layer) override;
    Box Bounds() const override;

    std::string pattern;
    Text* NameText() const { return nameText_; }
    Text* CommentText() const { return commentText_; }
    std::string Designator() const;
    // Primitives of the component in the order they were added (texts included).
    const std::vector<Primitive*>& Children() const { return children_; }
    std::vector<Pad*> Pads() const;
    Pad* FindPad(std::string_view name) const;

private:
    friend class Board;
    Point origin_;
    double rotation_ = 0;
    Text* nameText_ = nullptr;
    Text* commentText_ = nullptr;
    std::vector<Primitive*> children_;
    mutable Box box_;
    mutable bool boxDirty_ = true;
    bool inTransform_ = false;  // children move together; the component re-indexes once
    void Transform(const std::function<void(Primitive&)>& step);
    friend class Primitive;
};

// A named set of components (member kind 9) or nets (member kind 8), by name.
class ObjectClass : public Object {
public:
    ObjectClass() : Object(ObjectKind::ObjectClass) { layer_ = PCB_NO_LAYER; }
    std::string name;
    ObjectKind memberKind = ObjectKind::Component;
    std::vector<std::string> members;
    bool HasMember(std::string_view memberName) const;  // case-insensitive
};

struct ScopeEntry {
    uint8_t kind = PCB_SCOPE_BOARD;  // PcbScopeEntryKind
    std::string name;
    int32_t value = 0;  // layer number for layer entries
};

class Rule : public Object {
public:
    Rule() : Object(ObjectKind::Rule) { layer_ = PCB_MULTI_LAYER; }
    uint8_t ruleKind = PCB_RULE_CLEARANCE;
    std::string name;
    std::vector<ScopeEntry> scope1;  // empty = the whole board
    std::vector<ScopeEntry> scope2;  // empty = the whole board
    int32_t priority = 1;            // 1 is the highest
    bool enabled = true;
    uint8_t flag2 = 0;

    // Values by rule kind.
    Coord gap = 0;                  // clearance, component clearance
    uint8_t checkMode = 0;          // component clearance
    Box room;                       // confinement
    uint8_t confineKind = PCB_CONFINE_KEEP_INSIDE;
    LayerNumber roomLayer = PCB_TOP_LAYER;
    uint8_t rotationFlags = PCB_ROTATION_ANY;             // component rotations
    uint8_t permittedLayers = PCB_PERMIT_TOP | PCB_PERMIT_BOTTOM;
    std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT> routingDirections{};  // routing layers

    // The scope texts ("All", "InNet('GND')", "InComponentClass('Power')", ... joined by
    // " or "), made from the entries.
    std::string Scope1Expression() const;
    std::string Scope2Expression() const;
};

struct PlacerOptions {
    std::string powerNets;
    bool groupComponents = true;
    uint8_t flag2 = 0;
    uint8_t flag3 = 0;
    bool rotateComponents = true;
    std::string groundNets;
    int32_t value1 = 0;  // component placement gap
    int32_t value2 = 0;
};

// One message received through the board's message interface.
struct BoardMessage {
    PcbHandle object = nullptr;
    intptr_t reserved = 0;
    int32_t code = 0;
    PcbHandle data = nullptr;
    friend bool operator==(const BoardMessage&, const BoardMessage&) = default;
};

// Board-level display counters; objects keep their own in DisplayState.
struct BoardDisplayCounters {
    int64_t hides = 0, shows = 0, inverts = 0, screenDisplays = 0, invalidates = 0;
};

class Board : public Object {
public:
    Board();
    ~Board() override;

    // Record fields.
    std::string fileName;
    Point origin;
    Point cursor;
    bool imperial = true;
    double componentGrid = 50000;  // host units
    std::array<PcbLayerInfo, PCB_LAYER_COUNT> layerInfo{};
    PlacerOptions placerOptions;
    BoardDisplayCounters displayCounters;

    // Building. Objects are added to the board (and their net); `owner` makes a primitive
    // part of a component. Designator and comment texts are made by AddComponent.
    Net& AddNet(std::string name);
    Component& AddComponent(std::string designator, std::string pattern, Point at,
                            double rotation = 0, LayerNumber side = PCB_TOP_LAYER,
                            std::string comment = {});
    Pad& AddPad(Component* owner, std::string name, Point centre, const PadGeometry& geometry,
                LayerNumber layer, Net* net = nullptr);
    Via& AddVia(Point centre, Coord diameter, Coord hole, Net* net = nullptr);
    Track& AddTrack(Component* owner, Point a, Point b, Coord width, LayerNumber layer, Net* net = nullptr);
    Arc& AddArc(Component* owner, Point centre, Coord radius, double startAngle, double endAngle,
                Coord width, LayerNumber layer, Net* net = nullptr);
    Text& AddText(Component* owner, std::string text, Point at, Coord height, double rotation,
                  LayerNumber layer);
    Fill& AddFill(Component* owner, Point a, Point b, LayerNumber layer, Net* net = nullptr);
    PolygonObject& AddPolygon(ObjectKind kind, std::vector<PolyVertex> vertices, LayerNumber layer,
                              Net* net = nullptr, Component* owner = nullptr);
    ObjectClass& AddClass(std::string name, ObjectKind memberKind);
    // A new rule gets priority (number of rules of its kind so far) + 1.
    Rule& AddRule(uint8_t ruleKind, std::string name);

    // Lookup (case-insensitive names), over objects in the board.
    Component* FindComponent(std::string_view designator) const;
    Net* FindNet(std::string_view name) const;
    ObjectClass* FindClass(std::string_view name) const;

    // The board's own objects in board order (components, nets, rules, classes, free
    // primitives). kind 0 = every kind.
    std::vector<Object*> Objects(uint8_t kind = 0) const;
    std::vector<Component*> Components() const;
    std::vector<Net*> Nets() const;
    std::vector<Rule*> Rules() const;
    // Every pad of the board, component pads included.
    std::vector<Pad*> AllPads() const;
    template <class F>
    void ForEachOwn(uint8_t kind, F&& f) const;

    // Containers. Insert adds an object to the board's container (a free object gets this
    // board as owner); Remove takes it out (it stays alive, keeps its handle, is no longer
    // iterated or spatially indexed). Net membership: AddToNet / RemoveFromNet.
    void Insert(Object& object);
    void Remove(Object& object);
    void AddToNet(Net& net, Object& object);
    void RemoveFromNet(Net& net, Object& object);

    // Rebuilds the net's connections (kind 7 on ConnectLayer) as a minimum spanning tree
    // over the centres of the pads currently in the net and in the board.
    void AnalyzeNet(Net& net);

    // Objects in the board whose boxes meet the query box (unordered).
    // withPrimitives false leaves components' own primitives out (for a caller
    // that asks only for kinds a component never owns); components stay in.
    void QueryBox(const Box& box, std::vector<Object*>& out, bool withPrimitives = true) const;

    // Messages received through the PCB server's board interface, and the undo brackets
    // they opened (a bracket snapshot lets Undo put components back).
    BoardMessageLog& Messages() { return *messages_; }
    const BoardMessageLog& Messages() const { return *messages_; }

    // Internal: called by objects whose box changed. The index catches up lazily, at the
    // next query, so that moving a component costs no tree updates until someone looks.
    void Reindex(Object& object);
    void Unindex(Object& object);
    // Internal: detaches an object from every container before it is destroyed.
    void Forget(Object& object);

private:
    struct Lists;
    std::unique_ptr<Lists> lists_;
    std::unique_ptr<SpatialIndex> index_;
    std::unique_ptr<BoardMessageLog> messages_;
    std::vector<PcbHandle> pendingIndex_;
    void FlushIndex();
    template <class T>
    T& Attach(T& object, Component* owner, LayerNumber layer, Net* net);
};

template <class F>
void Board::ForEachOwn(uint8_t kind, F&& f) const {
    for (Object* o : Objects(kind)) f(*o);
}

}  // namespace hostpcb
