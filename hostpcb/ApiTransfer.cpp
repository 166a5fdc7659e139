// Exported record transfer: direction 1 reads an object into its record, 2 and 0 write
// the record to the object. Writing a component's position, rotation or side moves,
// turns or flips its primitives with it.
#include "hostpcb/ApiSupport.h"

using namespace hostpcb;
using namespace hostpcb::api;

namespace {

// The flag the host reports on a component's pads: a user can pick the component by them.
constexpr uint8_t kPadOfComponent = 8;

void ReadBase(const Object& o, PcbObjectData& d) {
    d.ObjectId = uint8_t(o.Kind());
    const Point p = o.Position();
    d.X = p.x;
    d.Y = p.y;
    d.Flags = o.flags;
    d.BitField2 = o.bitField2;
    if (o.Kind() == ObjectKind::Pad && o.ParentComponent() != nullptr) d.BitField2 |= kPadOfComponent;
    d.BitField3 = o.bitField3;
    d.Index = o.tag;
    d.Moveable = o.moveable ? 1 : 0;
    d.Net = o.GetNet() != nullptr ? o.GetNet()->Handle() : nullptr;
    d.Component = o.ParentComponent() != nullptr ? o.ParentComponent()->Handle() : nullptr;
    d.Layer = LayerToId(o.Layer());
}

// Fields every object takes from its record, position excepted.
void WriteFlagsLayerNet(Object& o, const PcbObjectData& d) {
    o.flags = d.Flags;
    o.bitField2 = d.BitField2;
    o.bitField3 = d.BitField3;
    o.tag = d.Index;
    o.moveable = d.Moveable != 0;
    if (o.Kind() != ObjectKind::Net && o.Kind() != ObjectKind::Board) {
        const LayerNumber layer = LayerFromId(d.Layer);
        if (layer != o.Layer()) o.SetLayer(layer);
    }
    if (o.Kind() == ObjectKind::Net || o.Kind() == ObjectKind::Component || o.Kind() == ObjectKind::Board) return;
    Board* board = o.OwnerBoard();
    if (board == nullptr) return;
    Net* net = As<Net>(d.Net);
    if (net != nullptr && net->OwnerBoard() == board) {
        if (o.GetNet() != net) board->AddToNet(*net, o);
    } else if (d.Net == nullptr && o.GetNet() != nullptr) {
        board->RemoveFromNet(*o.GetNet(), o);
    }
}

void WriteBase(Object& o, const PcbObjectData& d) {
    WriteFlagsLayerNet(o, d);
    if (o.Position() != Point{d.X, d.Y}) o.SetPosition({d.X, d.Y});
}

}  // namespace

extern "C" {

int32_t PcbApi_QueryObjectBase(PcbHandle object, int32_t direction, PcbObjectData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ)
            ReadBase(*o, *data);
        else if (IsWrite(direction))
            WriteBase(*o, *data);
        else
            return PCB_ERROR_BAD_ARGUMENT;
        return PCB_OK;
    });
}

int32_t PcbApi_QueryPrimitive(PcbHandle object, int32_t direction, PcbPrimitiveData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (!IsPrimitiveKind(o->Kind())) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ) {
            ReadBase(*o, data->Base);
            data->X2 = data->Y2 = data->Width = data->Radius = 0;
            data->StartAngle = data->EndAngle = data->TextRotation = 0;
            data->TextHeight = 0;
            data->Text[0] = '\0';
            switch (o->Kind()) {
                case ObjectKind::Track:
                case ObjectKind::Connection: {
                    auto* t = static_cast<Track*>(o);
                    data->X2 = t->End().x;
                    data->Y2 = t->End().y;
                    data->Width = t->Width();
                    break;
                }
                case ObjectKind::Fill: {
                    auto* f = static_cast<Fill*>(o);
                    data->X2 = f->Corner2().x;
                    data->Y2 = f->Corner2().y;
                    break;
                }
                case ObjectKind::Arc: {
                    auto* a = static_cast<Arc*>(o);
                    data->Radius = a->Radius();
                    data->StartAngle = a->StartAngle();
                    data->EndAngle = a->EndAngle();
                    data->Width = a->Width();
                    break;
                }
                case ObjectKind::Text: {
                    auto* t = static_cast<Text*>(o);
                    CopyText(data->Text, PCB_TEXT_CAPACITY, t->String());
                    data->TextHeight = t->Height();
                    data->TextRotation = t->Rotation();
                    break;
                }
                case ObjectKind::Via: data->Width = static_cast<Via*>(o)->Diameter(); break;
                default: break;
            }
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteFlagsLayerNet(*o, data->Base);
        const Point at{data->Base.X, data->Base.Y};
        switch (o->Kind()) {
            case ObjectKind::Track:
            case ObjectKind::Connection: {
                auto* t = static_cast<Track*>(o);
                t->SetEnds(at, {data->X2, data->Y2});
                if (t->Width() != data->Width) t->SetWidth(data->Width);
                break;
            }
            case ObjectKind::Fill:
                static_cast<Fill*>(o)->SetCorners(at, {data->X2, data->Y2});
                break;
            case ObjectKind::Arc: {
                auto* a = static_cast<Arc*>(o);
                if (a->Position() != at) a->SetPosition(at);
                if (a->Radius() != data->Radius || a->StartAngle() != data->StartAngle ||
                    a->EndAngle() != data->EndAngle || a->Width() != data->Width)
                    a->Set(data->Radius, data->StartAngle, data->EndAngle, data->Width);
                break;
            }
            case ObjectKind::Text: {
                auto* t = static_cast<Text*>(o);
                if (t->Position() != at) t->SetPosition(at);
                const std::string s = ReadText(data->Text, PCB_TEXT_CAPACITY);
                if (t->String() != s) t->SetString(s);
                if (t->Height() != data->TextHeight) t->SetHeight(data->TextHeight);
                if (t->Rotation() != data->TextRotation) t->SetRotation(data->TextRotation);
                break;
            }
            case ObjectKind::Via: {
                auto* v = static_cast<Via*>(o);
                if (v->Position() != at) v->SetPosition(at);
                if (v->Diameter() != data->Width) v->SetDiameter(data->Width);
                break;
            }
            default:
                if (o->Position() != at) o->SetPosition(at);
                break;
        }
        return PCB_OK;
    });
}

int32_t PcbApi_QueryComponent(PcbHandle object, int32_t direction, PcbComponentData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Component) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        auto* c = static_cast<Component*>(o);
        if (direction == PCB_READ) {
            ReadBase(*c, data->Base);
            data->NameText = c->NameText() != nullptr ? c->NameText()->Handle() : nullptr;
            data->CommentText = c->CommentText() != nullptr ? c->CommentText()->Handle() : nullptr;
            CopyText(data->Pattern, PCB_TEXT_CAPACITY, c->pattern);
            data->Rotation = c->Rotation();
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        // Side first, then rotation, then position: each acts about the component's origin.
        WriteFlagsLayerNet(*c, data->Base);
        if (c->Rotation() != data->Rotation) c->SetRotation(data->Rotation);
        if (c->Position() != Point{data->Base.X, data->Base.Y}) c->SetPosition({data->Base.X, data->Base.Y});
        c->pattern = ReadText(data->Pattern, PCB_TEXT_CAPACITY);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryNet(PcbHandle object, int32_t direction, PcbNetData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::Net) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        auto* n = static_cast<Net*>(o);
        if (direction == PCB_READ) {
            ReadBase(*n, data->Base);
            CopyText(data->Name, PCB_TEXT_CAPACITY, n->name);
            data->Flag1 = n->flag1;
            data->Flag2 = n->flag2;
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteFlagsLayerNet(*n, data->Base);
        n->name = ReadText(data->Name, PCB_TEXT_CAPACITY);
        n->flag1 = data->Flag1;
        n->flag2 = data->Flag2;
        return PCB_OK;
    });
}

int32_t PcbApi_QueryPolygon(PcbHandle object, int32_t direction, PcbPolygonData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        auto* p = dynamic_cast<PolygonObject*>(o);
        if (p == nullptr) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ) {
            ReadBase(*p, data->Base);
            const auto& v = p->Vertices();
            data->VertexCount = int32_t(v.size());
            if (data->Vertices != nullptr) {
                const std::size_t n = std::min<std::size_t>(v.size(), std::size_t(std::max(0, data->VertexCapacity)));
                for (std::size_t i = 0; i < n; ++i) {
                    PcbPolygonVertex& out = data->Vertices[i];
                    out.Kind = v[i].isArc ? 1 : 0;
                    out.X = v[i].p.x;
                    out.Y = v[i].p.y;
                    out.CX = v[i].centre.x;
                    out.CY = v[i].centre.y;
                    out.Radius = v[i].radius;
                    out.StartAngle = v[i].startAngle;
                    out.EndAngle = v[i].endAngle;
                }
            }
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteFlagsLayerNet(*p, data->Base);
        if (data->VertexCount >= 0 && (data->Vertices != nullptr || data->VertexCount == 0)) {
            std::vector<PolyVertex> v(static_cast<std::size_t>(data->VertexCount));
            for (std::size_t i = 0; i < v.size(); ++i) {
                const PcbPolygonVertex& in = data->Vertices[i];
                v[i].isArc = in.Kind != 0;
                v[i].p = {in.X, in.Y};
                v[i].centre = {in.CX, in.CY};
                v[i].radius = in.Radius;
                v[i].startAngle = in.StartAngle;
                v[i].endAngle = in.EndAngle;
            }
            bool same = v.size() == p->Vertices().size();
            for (std::size_t i = 0; same && i < v.size(); ++i) {
                const PolyVertex& a = v[i];
                const PolyVertex& b = p->Vertices()[i];
                same = a.isArc == b.isArc && a.p == b.p && a.centre == b.centre && a.radius == b.radius &&
                       a.startAngle == b.startAngle && a.endAngle == b.endAngle;
            }
            if (!same) p->SetVertices(std::move(v));
        } else if (p->Position() != Point{data->Base.X, data->Base.Y}) {
            p->SetPosition({data->Base.X, data->Base.Y});
        }
        return PCB_OK;
    });
}

int32_t PcbApi_QueryObjectClass(PcbHandle object, int32_t direction, PcbObjectClassData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(object);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::ObjectClass) return PCB_ERROR_WRONG_KIND;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        auto* c = static_cast<ObjectClass*>(o);
        if (direction == PCB_READ) {
            ReadBase(*c, data->Base);
            CopyText(data->Name, PCB_TEXT_CAPACITY, c->name);
            data->MemberKind = uint8_t(c->memberKind);
            data->MemberCount = int32_t(c->members.size());
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteFlagsLayerNet(*c, data->Base);
        c->name = ReadText(data->Name, PCB_TEXT_CAPACITY);
        c->memberKind = static_cast<ObjectKind>(data->MemberKind);
        return PCB_OK;
    });
}

int32_t PcbApi_GetObjectClassMember(PcbHandle objectClass, int32_t index, char* name, int32_t capacity) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Object* o = Obj(objectClass);
        if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
        if (o->Kind() != ObjectKind::ObjectClass) return PCB_ERROR_WRONG_KIND;
        auto* c = static_cast<ObjectClass*>(o);
        if (index < 0 || std::size_t(index) >= c->members.size() || name == nullptr || capacity <= 0)
            return PCB_ERROR_BAD_ARGUMENT;
        CopyText(name, std::size_t(capacity), c->members[std::size_t(index)]);
        return PCB_OK;
    });
}

int32_t PcbApi_AddObjectClassMember(PcbHandle objectClass, const char* name) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        auto* c = As<ObjectClass>(objectClass);
        if (c == nullptr) return Obj(objectClass) == nullptr ? PCB_ERROR_NIL_HANDLE : PCB_ERROR_WRONG_KIND;
        if (name == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        const std::string member = ReadText(name, PCB_TEXT_CAPACITY);
        if (!c->HasMember(member)) c->members.push_back(member);
        return PCB_OK;
    });
}

int32_t PcbApi_ClearObjectClassMembers(PcbHandle objectClass) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        auto* c = As<ObjectClass>(objectClass);
        if (c == nullptr) return Obj(objectClass) == nullptr ? PCB_ERROR_NIL_HANDLE : PCB_ERROR_WRONG_KIND;
        c->members.clear();
        return PCB_OK;
    });
}

}  // extern "C"
