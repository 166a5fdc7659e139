#include "host/PcbRecords.h"

#include <algorithm>
#include <cstring>

#include "host/PcbApi.h"
#include "host/PcbRules.h"
#include "host/PcbUnits.h"
#include "host/RecordSync.h"

namespace autoplacer {

using detail::CopyText;
using detail::ReadText;
using detail::SyncRecord;

// ---- TPCBObject ----

TPCBObject::TPCBObject(uint8_t objectId, PcbHandle handle) : Handle(handle), ObjectId(objectId) {}

void TPCBObject::ReadBase(const PcbObjectData& data) {
    if (data.ObjectId != 0) {
        ObjectId = data.ObjectId;
    }
    X = data.X;
    Y = data.Y;
    Flags = data.Flags;
    BitField2 = data.BitField2;
    BitField3 = data.BitField3;
    Index = data.Index;
    Moveable = data.Moveable != 0;
    Net = data.Net;
    Component = data.Component;
    Layer = data.Layer;
}

void TPCBObject::WriteBase(PcbObjectData& data) const {
    data.ObjectId = ObjectId;
    data.X = X;
    data.Y = Y;
    data.Flags = Flags;
    data.BitField2 = BitField2;
    data.BitField3 = BitField3;
    data.Index = Index;
    data.Moveable = Moveable ? 1 : 0;
    data.Net = Net;
    data.Component = Component;
    data.Layer = Layer;
}

int32_t TPCBObject::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryObjectBase, [this](PcbObjectData& data) { WriteBase(data); },
        [this](const PcbObjectData& data) { ReadBase(data); });
}

void TPCBObject::GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const {
    x1 = y1 = x2 = y2 = 0;
    PcbApi::PcbApi_QueryObjectBoundingRectangle(Handle, &x1, &y1, &x2, &y2);
    if (x1 > x2) {
        std::swap(x1, x2);
    }
    if (y1 > y2) {
        std::swap(y1, y2);
    }
}

void TPCBObject::MoveBy(int32_t dx, int32_t dy) {
    X += dx;
    Y += dy;
}

int TPCBObject::GetLayer() const { return LayerIdToNumber(Layer); }

void TPCBObject::SetLayer(int layer) { Layer = LayerNumberToId(layer); }

void TPCBObject::SetSelected(bool selected) {
    Flags = selected ? static_cast<uint16_t>(Flags | PCB_FLAG_SELECTED)
                     : static_cast<uint16_t>(Flags & ~PCB_FLAG_SELECTED);
}

// ---- primitives ----

int32_t TPcbPrimitiveRecord::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryPrimitive,
        [this](PcbPrimitiveData& data) {
            WriteBase(data.Base);
            WriteExtra(data);
        },
        [this](const PcbPrimitiveData& data) {
            ReadBase(data.Base);
            ReadExtra(data);
        });
}

void TPcbArc::ReadExtra(const PcbPrimitiveData& data) {
    Radius = data.Radius;
    StartAngle = data.StartAngle;
    EndAngle = data.EndAngle;
    Width = data.Width;
}

void TPcbArc::WriteExtra(PcbPrimitiveData& data) const {
    data.Radius = Radius;
    data.StartAngle = StartAngle;
    data.EndAngle = EndAngle;
    data.Width = Width;
}

void TPcbTwoPointRecord::MoveBy(int32_t dx, int32_t dy) {
    TPCBObject::MoveBy(dx, dy);
    X2 += dx;
    Y2 += dy;
}

void TPcbTwoPointRecord::ReadExtra(const PcbPrimitiveData& data) {
    X2 = data.X2;
    Y2 = data.Y2;
}

void TPcbTwoPointRecord::WriteExtra(PcbPrimitiveData& data) const {
    data.X2 = X2;
    data.Y2 = Y2;
}

void TPcbTrack::ReadExtra(const PcbPrimitiveData& data) {
    TPcbTwoPointRecord::ReadExtra(data);
    Width = data.Width;
}

void TPcbTrack::WriteExtra(PcbPrimitiveData& data) const {
    TPcbTwoPointRecord::WriteExtra(data);
    data.Width = Width;
}

void TPcbText::ReadExtra(const PcbPrimitiveData& data) {
    Text = ReadText(data.Text, sizeof data.Text);
    TextHeight = data.TextHeight;
    TextRotation = data.TextRotation;
}

void TPcbText::WriteExtra(PcbPrimitiveData& data) const {
    CopyText(data.Text, sizeof data.Text, Text);
    data.TextHeight = TextHeight;
    data.TextRotation = TextRotation;
}

// ---- components and nets ----

int32_t TPcbComponent::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryComponent,
        [this](PcbComponentData& data) {
            WriteBase(data.Base);
            data.NameText = NameText;
            data.CommentText = CommentText;
            CopyText(data.Pattern, sizeof data.Pattern, Pattern);
            data.Rotation = Rotation;
        },
        [this](const PcbComponentData& data) {
            ReadBase(data.Base);
            NameText = data.NameText;
            CommentText = data.CommentText;
            Pattern = ReadText(data.Pattern, sizeof data.Pattern);
            Rotation = data.Rotation;
        });
}

std::string TPcbComponent::GetDesignator() const {
    std::string text;
    GetTextString(NameText, text);
    return text;
}

int32_t TPcbNet::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryNet,
        [this](PcbNetData& data) {
            WriteBase(data.Base);
            CopyText(data.Name, sizeof data.Name, Name);
            data.Flag1 = Flag1 ? 1 : 0;
            data.Flag2 = Flag2 ? 1 : 0;
        },
        [this](const PcbNetData& data) {
            ReadBase(data.Base);
            Name = ReadText(data.Name, sizeof data.Name);
            Flag1 = data.Flag1 != 0;
            Flag2 = data.Flag2 != 0;
        });
}

// ---- polygons ----

int32_t TPcbPolygon::Sync(int32_t direction) {
    if (direction == PCB_READ) {
        // Ask with the room the record's vertices need; when the host holds more, ask again.
        std::vector<PcbPolygonVertex> vertices = Vertices;
        PcbPolygonData data{};
        WriteBase(data.Base);
        data.VertexCount = static_cast<int32_t>(vertices.size());
        data.VertexCapacity = data.VertexCount;
        data.Vertices = vertices.data();
        int32_t result = PcbApi::PcbApi_QueryPolygon(Handle, PCB_READ, &data);
        if (result == PCB_OK && data.VertexCount > data.VertexCapacity) {
            vertices.resize(static_cast<std::size_t>(data.VertexCount));
            data.VertexCapacity = data.VertexCount;
            data.Vertices = vertices.data();
            result = PcbApi::PcbApi_QueryPolygon(Handle, PCB_READ, &data);
        }
        if (result == PCB_OK) {
            ReadBase(data.Base);
            vertices.resize(static_cast<std::size_t>(std::clamp(data.VertexCount, 0, data.VertexCapacity)));
            Vertices = std::move(vertices);
        }
        return result;
    }
    PcbPolygonData data{};
    WriteBase(data.Base);
    PcbApi::PcbApi_QueryPolygon(Handle, PCB_READ, &data);  // capacity 0: the common fields only
    WriteBase(data.Base);
    std::vector<PcbPolygonVertex> vertices = Vertices;
    data.VertexCount = static_cast<int32_t>(vertices.size());
    data.VertexCapacity = data.VertexCount;
    data.Vertices = vertices.data();
    return PcbApi::PcbApi_QueryPolygon(Handle, direction, &data);
}

// ---- object classes ----

int32_t TPCBObjectClass::Sync(int32_t direction) {
    const auto fill = [this](PcbObjectClassData& data) {
        WriteBase(data.Base);
        CopyText(data.Name, sizeof data.Name, Name);
        data.MemberKind = MemberKind;
        data.MemberCount = static_cast<int32_t>(Members.size());
    };
    if (direction == PCB_READ) {
        PcbObjectClassData data{};
        fill(data);
        const int32_t result = PcbApi::PcbApi_QueryObjectClass(Handle, PCB_READ, &data);
        if (result == PCB_OK) {
            ReadBase(data.Base);
            Name = ReadText(data.Name, sizeof data.Name);
            MemberKind = data.MemberKind;
            std::vector<std::string> members;
            char member[PCB_TEXT_CAPACITY];
            for (int32_t i = 0; i < data.MemberCount; ++i) {
                const std::size_t at = static_cast<std::size_t>(i);
                CopyText(member, sizeof member, at < Members.size() ? Members[at] : std::string());
                PcbApi::PcbApi_GetObjectClassMember(Handle, i, member, PCB_TEXT_CAPACITY);
                members.push_back(ReadText(member, sizeof member));
            }
            Members = std::move(members);
        }
        return result;
    }
    PcbObjectClassData data{};
    fill(data);
    PcbApi::PcbApi_QueryObjectClass(Handle, PCB_READ, &data);
    fill(data);
    const int32_t result = PcbApi::PcbApi_QueryObjectClass(Handle, direction, &data);
    PcbApi::PcbApi_ClearObjectClassMembers(Handle);
    for (const std::string& member : Members) {
        PcbApi::PcbApi_AddObjectClassMember(Handle, member.c_str());
    }
    return result;
}

// ---- records by handle ----

std::unique_ptr<TPCBObject> CreateRecordForHandle(PcbHandle handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    std::unique_ptr<TPCBObject> record;
    switch (PcbApi::PcbApi_GetObjectIdFromObjectHandle(handle)) {
        case PCB_ARC: record = std::make_unique<TPcbArc>(handle); break;
        case PCB_PAD: record = std::make_unique<TPcbPad>(handle); break;
        case PCB_VIA: record = std::make_unique<TPcbVia>(handle); break;
        case PCB_TRACK: record = std::make_unique<TPcbTrack>(handle); break;
        case PCB_TEXT: record = std::make_unique<TPcbText>(handle); break;
        case PCB_FILL: record = std::make_unique<TPcbFill>(handle); break;
        case PCB_CONNECTION: record = std::make_unique<TPcbFromTo>(handle); break;
        case PCB_NET: record = std::make_unique<TPcbNet>(handle); break;
        case PCB_COMPONENT: record = std::make_unique<TPcbComponent>(handle); break;
        case PCB_POLYGON: record = std::make_unique<TPcbPolygon>(handle); break;
        case PCB_REGION: record = std::make_unique<TPCBRegion>(handle); break;
        case PCB_COMPONENT_BODY: record = std::make_unique<TPcbComponentBody>(handle); break;
        case PCB_DIMENSION: record = std::make_unique<TPcbDimension>(handle); break;
        case PCB_COORDINATE: record = std::make_unique<TPcbCoordinate>(handle); break;
        case PCB_OBJECT_CLASS: record = std::make_unique<TPCBObjectClass>(handle); break;
        case PCB_RULE: record = std::make_unique<TPcbRule>(handle); break;
        case PCB_MANUAL_FROM_TO: record = std::make_unique<TPcbManualFromTo>(handle); break;
        case PCB_DIFFERENTIAL_PAIR: record = std::make_unique<TPcbDifferentialPair>(handle); break;
        case PCB_VIOLATION: record = std::make_unique<TPcbViolation>(handle); break;
        case PCB_EMBEDDED: record = std::make_unique<TPcbEmbedded>(handle); break;
        case PCB_EMBEDDED_BOARD: record = std::make_unique<TPcbEmbeddedBoard>(handle); break;
        case PCB_SPLIT_PLANE: record = std::make_unique<TPcbSplitPlane>(handle); break;
        case PCB_BOARD_OUTLINE: record = std::make_unique<TPcbBoardOutline>(handle); break;
        default: return nullptr;
    }
    record->Sync(PCB_READ);
    return record;
}

uint8_t GetObjectId(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->ObjectId : 0;
}

int32_t GetObjectX(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->X : 0;
}

int32_t GetObjectY(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->Y : 0;
}

uint16_t GetObjectIndex(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->Index : 0;
}

int GetObjectLayer(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->GetLayer() : 0;
}

bool GetObjectMoveable(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->Moveable : true;
}

PcbHandle GetObjectNet(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    return record ? record->Net : nullptr;
}

void GetComponentDesignator(PcbHandle handle, std::string& text) {
    text.clear();
    const auto record = CreateRecordForHandle(handle);
    if (const auto* component = dynamic_cast<const TPcbComponent*>(record.get())) {
        text = component->GetDesignator();
    } else if (const auto* net = dynamic_cast<const TPcbNet*>(record.get())) {
        text = net->Name;
    }
}

double GetComponentRotation(PcbHandle handle) {
    const auto record = CreateRecordForHandle(handle);
    if (const auto* component = dynamic_cast<const TPcbComponent*>(record.get())) {
        return component->Rotation;
    }
    return 0.0;
}

void GetTextString(PcbHandle handle, std::string& text) {
    text.clear();
    const auto record = CreateRecordForHandle(handle);
    if (const auto* textRecord = dynamic_cast<const TPcbText*>(record.get())) {
        text = textRecord->Text;
    }
}

void SetObjectIndex(PcbHandle handle, uint16_t index) {
    if (auto record = CreateRecordForHandle(handle)) {
        record->SetIndex(index);
        record->Sync(PCB_WRITE_SILENT);
    }
}

void SetObjectLayer(PcbHandle handle, int layer) {
    if (auto record = CreateRecordForHandle(handle)) {
        record->SetLayer(layer);
        record->Sync(PCB_WRITE_SILENT);
    }
}

namespace {
// The component record shared by the pattern and comment shortcuts.
TPcbComponent& CachedComponent(PcbHandle component) {
    static TPcbComponent cached;
    if (cached.Handle != component) {
        cached = TPcbComponent(component);
        if (component != nullptr) {
            cached.Sync(PCB_READ);
        }
    }
    return cached;
}
}  // namespace

void GetComponentPattern(PcbHandle component, std::string& pattern) { pattern = CachedComponent(component).Pattern; }

std::string GetComponentCommentText(PcbHandle component) {
    std::string text;
    GetTextString(CachedComponent(component).CommentText, text);
    return text;
}

}  // namespace autoplacer
