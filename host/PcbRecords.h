// Board object records: each holds the host handle of one board object and a
// copy of its properties. Sync(PCB_READ) copies host -> record, Sync(PCB_WRITE)
// or Sync(PCB_WRITE_SILENT) copies record -> host. A host that lacks a query
// function leaves the record as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/pcb_types.h"

namespace autoplacer {

class TPCBObject {
public:
    explicit TPCBObject(uint8_t objectId, PcbHandle handle = nullptr);
    virtual ~TPCBObject() = default;
    TPCBObject(const TPCBObject&) = default;
    TPCBObject& operator=(const TPCBObject&) = default;

    // 1 reads every field from the host object; 2 and 0 write them. Returns the
    // host's result code (0 = success).
    virtual int32_t Sync(int32_t direction);
    // The host's bounding rectangle of the object (x1 <= x2, y1 <= y2); all 0
    // when the host cannot answer.
    virtual void GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const;
    // Shifts the record's points; nothing is written.
    virtual void MoveBy(int32_t dx, int32_t dy);

    int32_t GetX() const { return X; }
    int32_t GetY() const { return Y; }
    uint16_t GetIndex() const { return Index; }
    int GetLayer() const;  // the layer number of the host layer identity
    bool GetMoveable() const { return Moveable; }
    PcbHandle GetNet() const { return Net; }
    PcbHandle GetComponent() const { return Component; }
    bool IsSelected() const { return (Flags & PCB_FLAG_SELECTED) != 0; }

    void SetIndex(uint16_t index) { Index = index; }
    void SetLayer(int layer);
    void SetMoveable(bool moveable) { Moveable = moveable; }
    void SetNet(PcbHandle net) { Net = net; }
    void SetComponent(PcbHandle component) { Component = component; }
    void SetSelected(bool selected);

    PcbHandle Handle = nullptr;
    uint8_t ObjectId;
    int32_t X = 0;
    int32_t Y = 0;
    uint16_t Flags = 0;
    uint8_t BitField2 = 0;
    uint8_t BitField3 = 0;
    uint16_t Index = 0;
    bool Moveable = true;
    PcbHandle Net = nullptr;
    PcbHandle Component = nullptr;
    PcbLayerId Layer{};

protected:
    void ReadBase(const PcbObjectData& data);
    void WriteBase(PcbObjectData& data) const;
};

// Records read and written with the host's primitive query (arcs, pads, vias,
// tracks, texts, fills, connections, regions, component bodies).
class TPcbPrimitiveRecord : public TPCBObject {
public:
    using TPCBObject::TPCBObject;
    int32_t Sync(int32_t direction) override;

protected:
    virtual void ReadExtra(const PcbPrimitiveData&) {}
    virtual void WriteExtra(PcbPrimitiveData&) const {}
};

class TPcbArc : public TPcbPrimitiveRecord {
public:
    explicit TPcbArc(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_ARC, handle) {}
    int32_t XCenter() const { return X; }
    int32_t YCenter() const { return Y; }

    int32_t Radius = 0;
    double StartAngle = 0.0;
    double EndAngle = 0.0;
    int32_t Width = 0;

protected:
    void ReadExtra(const PcbPrimitiveData& data) override;
    void WriteExtra(PcbPrimitiveData& data) const override;
};

class TPcbPad : public TPcbPrimitiveRecord {
public:
    explicit TPcbPad(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_PAD, handle) {}
};

class TPcbVia : public TPcbPrimitiveRecord {
public:
    explicit TPcbVia(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_VIA, handle) {}
};

// Two points (X1 = X, Y1 = Y and X2, Y2) that MoveBy shifts together.
class TPcbTwoPointRecord : public TPcbPrimitiveRecord {
public:
    using TPcbPrimitiveRecord::TPcbPrimitiveRecord;
    int32_t X1() const { return X; }
    int32_t Y1() const { return Y; }
    void MoveBy(int32_t dx, int32_t dy) override;

    int32_t X2 = 0;
    int32_t Y2 = 0;

protected:
    void ReadExtra(const PcbPrimitiveData& data) override;
    void WriteExtra(PcbPrimitiveData& data) const override;
};

class TPcbTrack : public TPcbTwoPointRecord {
public:
    explicit TPcbTrack(PcbHandle handle = nullptr) : TPcbTwoPointRecord(PCB_TRACK, handle) {}

    int32_t Width = 0;

protected:
    void ReadExtra(const PcbPrimitiveData& data) override;
    void WriteExtra(PcbPrimitiveData& data) const override;
};

// Opposite corners (X1, Y1) and (X2, Y2).
class TPcbFill : public TPcbTwoPointRecord {
public:
    explicit TPcbFill(PcbHandle handle = nullptr) : TPcbTwoPointRecord(PCB_FILL, handle) {}
};

// A connection line between two pads of a net.
class TPcbFromTo : public TPcbTwoPointRecord {
public:
    explicit TPcbFromTo(PcbHandle handle = nullptr) : TPcbTwoPointRecord(PCB_CONNECTION, handle) {}
};

class TPcbText : public TPcbPrimitiveRecord {
public:
    explicit TPcbText(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_TEXT, handle) {}

    std::string Text;
    int32_t TextHeight = 0;
    double TextRotation = 0.0;

protected:
    void ReadExtra(const PcbPrimitiveData& data) override;
    void WriteExtra(PcbPrimitiveData& data) const override;
};

class TPCBRegion : public TPcbPrimitiveRecord {
public:
    explicit TPCBRegion(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_REGION, handle) {}
};

class TPcbComponentBody : public TPcbPrimitiveRecord {
public:
    explicit TPcbComponentBody(PcbHandle handle = nullptr) : TPcbPrimitiveRecord(PCB_COMPONENT_BODY, handle) {}
};

class TPcbComponent : public TPCBObject {
public:
    explicit TPcbComponent(PcbHandle handle = nullptr) : TPCBObject(PCB_COMPONENT, handle) {}
    int32_t Sync(int32_t direction) override;

    // The text of the designator object (NameText); empty when there is none.
    std::string GetDesignator() const;
    double GetRotation() const { return Rotation; }

    PcbHandle NameText = nullptr;
    PcbHandle CommentText = nullptr;
    std::string Pattern;  // at most 255 characters
    double Rotation = 0.0;
};

class TPcbNet : public TPCBObject {
public:
    explicit TPcbNet(PcbHandle handle = nullptr) : TPCBObject(PCB_NET, handle) {}
    int32_t Sync(int32_t direction) override;

    std::string Name;
    bool Flag1 = false;  // host flag: the connection dragger keeps connections of such nets
    bool Flag2 = false;
};

// Polygons, split planes and the board outline: a vertex list.
class TPcbPolygon : public TPCBObject {
public:
    explicit TPcbPolygon(PcbHandle handle = nullptr) : TPCBObject(PCB_POLYGON, handle) {}
    int32_t Sync(int32_t direction) override;
    int32_t VertexCount() const { return static_cast<int32_t>(Vertices.size()); }

    std::vector<PcbPolygonVertex> Vertices;

protected:
    TPcbPolygon(uint8_t objectId, PcbHandle handle) : TPCBObject(objectId, handle) {}
};

class TPcbSplitPlane : public TPcbPolygon {
public:
    explicit TPcbSplitPlane(PcbHandle handle = nullptr) : TPcbPolygon(PCB_SPLIT_PLANE, handle) {}
};

class TPcbBoardOutline : public TPcbPolygon {
public:
    explicit TPcbBoardOutline(PcbHandle handle = nullptr) : TPcbPolygon(PCB_BOARD_OUTLINE, handle) {}
};

// A named class of components or nets.
class TPCBObjectClass : public TPCBObject {
public:
    explicit TPCBObjectClass(PcbHandle handle = nullptr) : TPCBObject(PCB_OBJECT_CLASS, handle) {}
    int32_t Sync(int32_t direction) override;

    std::string Name;
    uint8_t MemberKind = 0;
    std::vector<std::string> Members;
};

// Kinds whose records carry only the common fields.
class TPcbDimension : public TPCBObject {
public:
    explicit TPcbDimension(PcbHandle handle = nullptr) : TPCBObject(PCB_DIMENSION, handle) {}
};
class TPcbCoordinate : public TPCBObject {
public:
    explicit TPcbCoordinate(PcbHandle handle = nullptr) : TPCBObject(PCB_COORDINATE, handle) {}
};
class TPcbManualFromTo : public TPCBObject {
public:
    explicit TPcbManualFromTo(PcbHandle handle = nullptr) : TPCBObject(PCB_MANUAL_FROM_TO, handle) {}
};
class TPcbDifferentialPair : public TPCBObject {
public:
    explicit TPcbDifferentialPair(PcbHandle handle = nullptr) : TPCBObject(PCB_DIFFERENTIAL_PAIR, handle) {}
};
class TPcbViolation : public TPCBObject {
public:
    explicit TPcbViolation(PcbHandle handle = nullptr) : TPCBObject(PCB_VIOLATION, handle) {}
};
class TPcbEmbedded : public TPCBObject {
public:
    explicit TPcbEmbedded(PcbHandle handle = nullptr) : TPCBObject(PCB_EMBEDDED, handle) {}
};
class TPcbEmbeddedBoard : public TPCBObject {
public:
    explicit TPcbEmbeddedBoard(PcbHandle handle = nullptr) : TPCBObject(PCB_EMBEDDED_BOARD, handle) {}
};

// A record of the object's own kind with Sync(PCB_READ) done; nil for a nil
// handle and for kinds without a record class.
std::unique_ptr<TPCBObject> CreateRecordForHandle(PcbHandle handle);

// By-handle helpers: each reads one value through a temporary record. A nil
// handle (or a kind without a record) gives the neutral result without asking
// the host.
uint8_t GetObjectId(PcbHandle handle);       // 0
int32_t GetObjectX(PcbHandle handle);        // 0
int32_t GetObjectY(PcbHandle handle);        // 0
uint16_t GetObjectIndex(PcbHandle handle);   // 0
int GetObjectLayer(PcbHandle handle);        // 0
bool GetObjectMoveable(PcbHandle handle);    // True: a missing object never counts as locked
PcbHandle GetObjectNet(PcbHandle handle);    // nil
// A component's designator; for a net its name; empty otherwise.
void GetComponentDesignator(PcbHandle handle, std::string& text);
double GetComponentRotation(PcbHandle handle);  // 0
void GetTextString(PcbHandle handle, std::string& text);
// Set the value, then write the record (Sync(0)); nothing for a nil handle.
void SetObjectIndex(PcbHandle handle, uint16_t index);
void SetObjectLayer(PcbHandle handle, int layer);

// Component shortcuts sharing one cached component record, re-read only when
// the handle differs from the last one asked about.
void GetComponentPattern(PcbHandle component, std::string& pattern);
std::string GetComponentCommentText(PcbHandle component);

}  // namespace autoplacer
