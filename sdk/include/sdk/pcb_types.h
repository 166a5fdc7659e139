// Data exchanged between the host's PCB module and the placer plug-in.
// Plain C layout so that both sides agree on it whatever compiler built them.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Opaque handle of a host object (board, component, pad, rule, iterator, ...).
typedef struct PcbObjectOpaque* PcbHandle;

// Host units: 1 mil = 10000, Y grows upward.
enum { PCB_UNITS_PER_MIL = 10000 };

// Object kinds (the host's one-byte object id; 0 in an iterator means any kind).
enum PcbObjectKind {
    PCB_ANY_OBJECT = 0,
    PCB_ARC = 1,
    PCB_PAD = 2,
    PCB_VIA = 3,
    PCB_TRACK = 4,
    PCB_TEXT = 5,
    PCB_FILL = 6,
    PCB_CONNECTION = 7,
    PCB_NET = 8,
    PCB_COMPONENT = 9,
    PCB_POLYGON = 10,
    PCB_REGION = 11,
    PCB_COMPONENT_BODY = 12,
    PCB_DIMENSION = 13,
    PCB_COORDINATE = 14,
    PCB_OBJECT_CLASS = 15,
    PCB_RULE = 16,
    PCB_MANUAL_FROM_TO = 17,
    PCB_DIFFERENTIAL_PAIR = 18,
    PCB_VIOLATION = 19,
    PCB_EMBEDDED = 20,
    PCB_EMBEDDED_BOARD = 21,
    PCB_SPLIT_PLANE = 22,
    PCB_BOARD = 25,
    PCB_BOARD_OUTLINE = 26
};

// Layer numbers as the placer numbers them.
enum PcbLayerNumber {
    PCB_NO_LAYER = 0,
    PCB_TOP_LAYER = 1,
    PCB_MID_LAYER_1 = 2,  // .. MidLayer30 = 31
    PCB_BOTTOM_LAYER = 32,
    PCB_TOP_OVERLAY = 33,
    PCB_BOTTOM_OVERLAY = 34,
    PCB_TOP_PASTE = 35,
    PCB_BOTTOM_PASTE = 36,
    PCB_TOP_SOLDER = 37,
    PCB_BOTTOM_SOLDER = 38,
    PCB_INTERNAL_PLANE_1 = 39,  // .. InternalPlane16 = 54
    PCB_DRILL_GUIDE = 55,
    PCB_KEEP_OUT_LAYER = 56,
    PCB_MECHANICAL_1 = 57,  // .. Mechanical16 = 72
    PCB_DRILL_DRAWING = 73,
    PCB_MULTI_LAYER = 74,
    PCB_CONNECT_LAYER = 75,
    PCB_BACKGROUND_LAYER = 76,
    PCB_DRC_ERROR_LAYER = 77,
    PCB_HIGHLIGHT_LAYER = 78,
    PCB_GRID_COLOR_1 = 79,
    PCB_GRID_COLOR_10 = 80,
    PCB_PAD_HOLE_LAYER = 81,
    PCB_VIA_HOLE_LAYER = 82,
    PCB_LAYER_COUNT = 83
};

// The host's own layer identity: a layer kind and an index within that kind.
// The placer converts it to and from its layer numbers.
enum PcbLayerKind {
    PCB_LAYER_KIND_NONE = 0,      // no layer; in an iterator: all layers
    PCB_LAYER_KIND_TOP_SIGNAL = 1,
    PCB_LAYER_KIND_MID_SIGNAL = 2,  // Index = position in the signal stack, top = 1
    PCB_LAYER_KIND_BOTTOM_SIGNAL = 3,
    PCB_LAYER_KIND_PLANE = 4,       // Index = plane number from 1
    PCB_LAYER_KIND_MECHANICAL = 5,  // Index = mechanical layer number from 1
    PCB_LAYER_KIND_FIXED = 6        // Index = the fixed layer's number (33..38, 55, 56, 73..82)
};

typedef struct PcbLayerId {
    uint8_t Kind;
    uint8_t Index;
} PcbLayerId;

// A set of layer numbers (bit n = layer n) and a set of object kinds (bit n = kind n).
typedef struct PcbLayerSet {
    uint64_t Bits[2];
} PcbLayerSet;
typedef uint32_t PcbKindSet;

// Iteration methods.
enum { PCB_ITERATE_OWN_OBJECTS = 0, PCB_ITERATE_GROUP_PRIMITIVES = 2 };

// Sync directions: 1 reads host -> record; 2 and 0 write record -> host.
enum { PCB_WRITE_SILENT = 0, PCB_READ = 1, PCB_WRITE = 2 };

// Result codes of the query functions.
enum { PCB_OK = 0, PCB_ERROR_NIL_HANDLE = 1, PCB_ERROR_WRONG_KIND = 2, PCB_ERROR_BAD_ARGUMENT = 3 };

enum { PCB_FLAG_SELECTED = 0x0010 };
enum { PCB_TEXT_CAPACITY = 256, PCB_FILENAME_CAPACITY = 1024, PCB_SCOPE_CAPACITY = 16 };

// Fields common to every object record.
typedef struct PcbObjectData {
    uint8_t ObjectId;
    int32_t X;
    int32_t Y;
    uint16_t Flags;
    uint8_t BitField2;
    uint8_t BitField3;
    uint16_t Index;
    uint8_t Moveable;  // 0 = locked
    PcbHandle Net;
    PcbHandle Component;
    PcbLayerId Layer;
} PcbObjectData;

// Arc, pad, via, track, text, fill, connection, region, component body.
typedef struct PcbPrimitiveData {
    PcbObjectData Base;
    int32_t X2, Y2;         // track, fill, connection: the second point / corner
    int32_t Width;          // track, arc
    int32_t Radius;         // arc
    double StartAngle;      // arc, degrees counter-clockwise
    double EndAngle;        // arc
    char Text[PCB_TEXT_CAPACITY];  // text
    int32_t TextHeight;     // text
    double TextRotation;    // text
} PcbPrimitiveData;

typedef struct PcbComponentData {
    PcbObjectData Base;
    PcbHandle NameText;     // designator text object
    PcbHandle CommentText;  // comment text object
    char Pattern[PCB_TEXT_CAPACITY];
    double Rotation;
} PcbComponentData;

typedef struct PcbNetData {
    PcbObjectData Base;
    char Name[PCB_TEXT_CAPACITY];
    uint8_t Flag1;  // host-defined; the connection dragger keeps connections of nets with it set
    uint8_t Flag2;
} PcbNetData;

#pragma pack(push, 1)
// One polygon / split-plane vertex (37 bytes, packed).
typedef struct PcbPolygonVertex {
    uint8_t Kind;  // 0 = line vertex, otherwise arc vertex
    int32_t X, Y, CX, CY, Radius;
    double StartAngle, EndAngle;
} PcbPolygonVertex;
#pragma pack(pop)

// Polygons (10), split planes (22), board outline (26). On read the host stores
// VertexCount and copies at most VertexCapacity vertices into Vertices (which the
// caller owns); on write it takes VertexCount vertices from Vertices.
typedef struct PcbPolygonData {
    PcbObjectData Base;
    int32_t VertexCount;
    int32_t VertexCapacity;
    PcbPolygonVertex* Vertices;
} PcbPolygonData;

// Object classes (15). Members are read with PcbApi_GetObjectClassMember.
typedef struct PcbObjectClassData {
    PcbObjectData Base;
    char Name[PCB_TEXT_CAPACITY];
    uint8_t MemberKind;  // kind of object the class gathers (9 components, 8 nets)
    int32_t MemberCount;
} PcbObjectClassData;

// Scope entry kinds.
enum PcbScopeEntryKind {
    PCB_SCOPE_BOARD = 0,
    PCB_SCOPE_NET = 1,
    PCB_SCOPE_NET_CLASS = 2,
    PCB_SCOPE_LAYER = 3,
    PCB_SCOPE_COMPONENT_CLASS = 5,
    PCB_SCOPE_COMPONENT = 6
};

typedef struct PcbScopeEntry {
    uint8_t Kind;
    char Name[PCB_TEXT_CAPACITY];
    int32_t Value;  // further host value (layer number for layer entries)
} PcbScopeEntry;

typedef struct PcbScopeData {
    int32_t Count;  // at most PCB_SCOPE_CAPACITY
    PcbScopeEntry Entries[PCB_SCOPE_CAPACITY];
} PcbScopeData;

// Rule kinds used by the placer.
enum PcbRuleKind {
    PCB_RULE_CLEARANCE = 0,
    PCB_RULE_ROUTING_LAYERS = 9,
    PCB_RULE_CONFINEMENT = 22,
    PCB_RULE_COMPONENT_CLEARANCE = 24,
    PCB_RULE_COMPONENT_ROTATIONS = 25,
    PCB_RULE_PERMITTED_LAYERS = 26,
    PCB_RULE_POWER_NETS = 27
};

typedef struct PcbRuleData {
    PcbObjectData Base;
    uint8_t RuleKind;
    char Name[PCB_TEXT_CAPACITY];
} PcbRuleData;

typedef struct PcbRuleExtData {
    PcbObjectData Base;
    uint8_t RuleKind;
    PcbScopeData Scope1;
    PcbScopeData Scope2;
} PcbRuleExtData;

typedef struct PcbRuleExData {
    PcbObjectData Base;
    uint8_t RuleKind;
    char Scope1Expression[PCB_TEXT_CAPACITY];
    char Scope2Expression[PCB_TEXT_CAPACITY];
    int32_t Priority;  // 1 is the highest priority
    uint8_t Enabled;
    uint8_t Flag2;
} PcbRuleExData;

// Confinement kinds.
enum { PCB_CONFINE_KEEP_INSIDE = 0, PCB_CONFINE_KEEP_OUTSIDE = 1 };

// Component-rotations flags.
enum {
    PCB_ROTATION_0 = 1,
    PCB_ROTATION_90 = 2,
    PCB_ROTATION_180 = 8,
    PCB_ROTATION_270 = 16,
    PCB_ROTATION_ANY = 32
};

// Permitted-layers flags.
enum { PCB_PERMIT_TOP = 1, PCB_PERMIT_BOTTOM = 2 };

// Routing-layer direction codes, one per signal layer (1 = TopLayer .. 32 = BottomLayer).
enum { PCB_SIGNAL_LAYER_COUNT = 32 };

typedef struct PcbBoardData {
    char FileName[PCB_FILENAME_CAPACITY];
    int32_t XOrigin, YOrigin;
    int32_t XCursor, YCursor;
    uint8_t Imperial;  // nonzero = mils, 0 = millimetres
    double ComponentGrid;  // host units
} PcbBoardData;

// Per-layer display information of a board.
typedef struct PcbLayerInfo {
    uint32_t Colour;
    uint8_t Shown;
    uint8_t Present;  // the board has this layer
} PcbLayerInfo;

// The host's statistical placer options stored on the board.
typedef struct PcbPlacerOptionsData {
    char PowerNets[PCB_TEXT_CAPACITY];
    uint8_t GroupComponents;
    uint8_t Flag2;
    uint8_t Flag3;
    uint8_t RotateComponents;
    char GroundNets[PCB_TEXT_CAPACITY];
} PcbPlacerOptionsData;

typedef struct PcbPlacerOptionsExtData {
    int32_t Value1;  // component placement gap
    int32_t Value2;
} PcbPlacerOptionsExtData;

enum { PCB_SYSTEM_MISC_FLAG_COUNT = 8 };
typedef struct PcbSystemOptionsData {
    uint8_t MiscFlags[PCB_SYSTEM_MISC_FLAG_COUNT];  // [3]: highlight component-clearance conflicts
} PcbSystemOptionsData;

// Editor event handlers: operations 0..37 are handed over as one list; 39 (a key) separately.
enum { PCB_EVENT_OPERATION_COUNT = 38 };
typedef int32_t (*PcbEventProc)(void* self);
typedef int32_t (*PcbKeyProc)(void* self, int32_t key);

// Ways to ask about an object at a point.
enum { PCB_PICK_FIRST = 0, PCB_PICK_ASK_USER = 1 };

#ifdef __cplusplus
}
#endif
