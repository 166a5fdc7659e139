// A read view of a KiCad board file (KiCad 5 `module` boards up to KiCad 9 and
// later) over its lossless S-expression tree. Values are millimetres and degrees
// in KiCad's own frame (Y grows downward, angles counter-clockwise on screen).
// Every item keeps its tree node so that the writer can change it in place.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "io/SExpr.h"

namespace io {

struct KPoint {
    double x = 0;
    double y = 0;
};

// A graphic item: footprint fp_*, board gr_* or a custom pad primitive.
struct KShape {
    enum class Kind { Line, Arc, Circle, Rect, Poly, Curve };
    Kind kind = Kind::Line;
    std::string layer;
    double width = 0;
    bool filled = false;
    KPoint start, end;  // line ends; rectangle corners; circle centre (start) and a point on it (end)
    // Arcs: centre, radius, start angle and signed sweep, angles in degrees measured in
    // the file's frame (Y down), so a positive sweep turns clockwise on screen.
    KPoint center;
    double radius = 0;
    double startAngle = 0;
    double sweep = 0;
    std::vector<KPoint> points;  // polygon corners (arc corners flattened); curve control points
    SNode* node = nullptr;
};

struct KPad {
    SNode* node = nullptr;
    std::string number;
    std::string type;   // smd, thru_hole, np_thru_hole, connect
    std::string shape;  // circle, rect, oval, roundrect, trapezoid, custom, chamfered rect
    KPoint at;          // relative to the footprint, in its unrotated frame
    double angle = 0;   // absolute orientation on the board (includes the footprint's rotation)
    KPoint size;
    double drill = 0;
    std::vector<std::string> layers;
    int netNumber = -1;  // -1 when the file names nets only
    std::string netName;
    double roundrectRatio = 0.25;
    KPoint rectDelta;
    std::vector<KShape> primitives;  // custom pad shapes, pad frame
    double clearance = 0;  // the pad's local clearance override, mm; 0 for none
};

// How far a footprint's pads and drawings may reach from its origin: placed and
// turned anywhere on a board, they stay within what the host and KiCad hold.
inline constexpr double kMaxFootprintReachMm = 500.0;

struct KFootprint {
    SNode* node = nullptr;
    std::string libId;
    std::string reference;
    std::string value;
    std::string layer;
    bool back = false;
    bool locked = false;
    KPoint at;
    double angle = 0;
    std::vector<KPad> pads;
    std::vector<KShape> graphics;  // footprint frame (unrotated, relative)
    double clearance = 0;  // the footprint's local clearance override, mm; 0 for none
};

// The farthest the footprint's pads and drawings reach from its origin along X or Y, mm.
double FootprintReach(const KFootprint& fp);

struct KLayer {
    int id = 0;
    std::string name;
    std::string type;  // signal, power, mixed, jumper, user
    std::string userName;
};

struct KNet {
    int number = 0;
    std::string name;
};

struct KZone {
    SNode* node = nullptr;
    int netNumber = -1;
    std::string netName;
    std::vector<std::string> layers;
    std::vector<KPoint> outline;  // the first outline polygon
    bool keepout = false;
};

// A routed item: segment, track arc or via.
struct KRouted {
    enum class Kind { Segment, Arc, Via };
    Kind kind = Kind::Segment;
    SNode* node = nullptr;
    int netNumber = -1;
    std::string netName;
    std::vector<std::string> layers;
};

class KicadBoard {
public:
    // Reads the view from a parsed tree; throws SExprError (with line and column) when
    // the file is not a board or a value has the wrong form.
    static std::unique_ptr<KicadBoard> fromDocument(std::unique_ptr<SExprDocument> document);
    static std::unique_ptr<KicadBoard> load(const std::string& path);

    SExprDocument& document() { return *document_; }
    const SExprDocument& document() const { return *document_; }

    int version() const { return version_; }
    // KiCad major version implied by the file version (5 to 9, 10 for newer files).
    int kicadMajor() const;

    const std::vector<KLayer>& layers() const { return layers_; }
    const std::vector<KFootprint>& footprints() const { return footprints_; }
    std::vector<KFootprint>& footprints() { return footprints_; }
    const std::vector<KNet>& nets() const { return nets_; }
    const std::vector<KShape>& edgeShapes() const { return edgeShapes_; }
    const std::vector<KZone>& zones() const { return zones_; }
    const std::vector<KRouted>& routed() const { return routed_; }
    bool hasGridOrigin() const { return hasGridOrigin_; }
    KPoint gridOrigin() const { return gridOrigin_; }
    const SNode* gridOriginNode() const { return gridOriginNode_; }
    // Clearance of the board's own default net class (KiCad 5 boards), or a negative value.
    double defaultClearance() const { return defaultClearance_; }

    // Copper-layer names as the file's items use them (KiCad 5 may rename them).
    const std::string& frontCopper() const { return frontCopper_; }
    const std::string& backCopper() const { return backCopper_; }
    bool isFrontCopper(const std::string& name) const { return name == frontCopper_ || name == "F.Cu"; }
    bool isBackCopper(const std::string& name) const { return name == backCopper_ || name == "B.Cu"; }
    // The layer entry for a name used in the file, or nullptr.
    const KLayer* findLayer(const std::string& name) const;
    // Position (1 = top) of a copper layer in the stack, 0 for a non-copper name.
    int copperIndex(const std::string& name) const;
    int copperLayerCount() const { return static_cast<int>(copperOrder_.size()); }
    const std::vector<std::string>& copperOrder() const { return copperOrder_; }
    // Re-reads one footprint's view after its nodes were edited.
    void refreshFootprint(size_t index);
    // The net name of a numbered net reference (name-only files carry the name directly).
    std::string netName(int number, const std::string& nameInItem) const;

private:
    KicadBoard() = default;
    void read();
    void readLayers(const SNode& list);
    void readSetup(const SNode& setup);
    KFootprint readFootprint(SNode& node) const;
    KPad readPad(SNode& node) const;

    std::unique_ptr<SExprDocument> document_;
    int version_ = 0;
    std::vector<KLayer> layers_;
    std::vector<std::string> copperOrder_;
    std::vector<KFootprint> footprints_;
    std::vector<KNet> nets_;
    std::vector<std::string> netNamesByNumber_;
    std::vector<KShape> edgeShapes_;
    std::vector<KZone> zones_;
    std::vector<KRouted> routed_;
    KPoint gridOrigin_;
    const SNode* gridOriginNode_ = nullptr;
    bool hasGridOrigin_ = false;
    double defaultClearance_ = -1;
    std::string frontCopper_ = "F.Cu";
    std::string backCopper_ = "B.Cu";
};

// Reads a graphic item (fp_line, gr_arc, ...); returns false for other lists.
bool ReadShape(SNode& node, KShape& shape);
// Reads "(name x y ...)" as a point; fails at the node when the numbers are missing.
KPoint ReadPoint(const SNode& list);
// Rotates a point by `degrees` counter-clockwise on screen (KiCad's sense, Y down).
KPoint RotateOnScreen(KPoint p, double degrees);

}  // namespace io
