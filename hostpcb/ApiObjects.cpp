// Exported geometry, object, container, display and net functions.
#include <cmath>

#include "hostpcb/ApiSupport.h"

using namespace hostpcb;
using namespace hostpcb::api;

namespace {

// Distances are computed in doubles; below this they count as touching.
constexpr double kTouchTolerance = 1e-4;

bool LayersMeet(LayerNumber a, LayerNumber b) { return a == b || a == PCB_MULTI_LAYER || b == PCB_MULTI_LAYER; }

double BoxGap(const Box& a, const Box& b) {
    const double dx = std::max({0.0, double(a.x1) - b.x2, double(b.x1) - a.x2});
    const double dy = std::max({0.0, double(a.y1) - b.y2, double(b.y1) - a.y2});
    return std::sqrt(dx * dx + dy * dy);
}

Box BoardBounds(const Board& board) {
    bool any = false;
    Box box;
    for (Object* o : board.Objects(0)) {
        if (!IsPrimitiveKind(o->Kind()) && o->Kind() != ObjectKind::Component) continue;
        const Box b = o->Bounds();
        box = any ? box.United(b) : b;
        any = true;
    }
    return box;
}

void Count(Object& o, int64_t BoardDisplayCounters::*counter) {
    if (Board* b = o.OwnerBoard()) ++(b->displayCounters.*counter);
}

}  // namespace

extern "C" {

uint8_t PcbApi_QueryObjectBoundingRectangle(PcbHandle object, int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) {
    return Guard<uint8_t>(0, [&]() -> uint8_t {
        Object* o = Obj(object);
        if (o == nullptr) return 0;
        const Box b = o->Kind() == ObjectKind::Board ? BoardBounds(*static_cast<Board*>(o)) : o->Bounds();
        if (x1) *x1 = b.x1;
        if (y1) *y1 = b.y1;
        if (x2) *x2 = b.x2;
        if (y2) *y2 = b.y2;
        return 1;
    });
}

uint8_t PCBAPI_CheckPrimitivesOverlapWithClearance(PcbHandle a, PcbHandle b, int32_t clearance) {
    return Guard<uint8_t>(0, [&]() -> uint8_t {
        auto* pa = As<Primitive>(a);
        auto* pb = As<Primitive>(b);
        if (pa == nullptr || pb == nullptr || pa == pb) return 0;
        if (!LayersMeet(pa->Layer(), pb->Layer())) return 0;
        const double limit = std::max<int32_t>(clearance, 0);
        if (BoxGap(pa->Bounds(), pb->Bounds()) > limit + 1.0) return 0;
        const double d = ShapeDistance(pa->GetShape(), pb->GetShape());
        return d <= kTouchTolerance || d < limit - kTouchTolerance ? 1 : 0;
    });
}

PcbHandle PcbApi_CreateObject(uint8_t kind) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        if (!IsCreatableKind(kind)) return nullptr;
        Object* o = H().CreateObject(static_cast<ObjectKind>(kind));
        return o != nullptr ? o->Handle() : nullptr;
    });
}

void PcbApi_DestroyObject(PcbHandle object) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) H().DestroyObject(*o);
    });
}

void PcbApi_SetOwnerBoard(PcbHandle object, PcbHandle board) {
    GuardVoid([&] {
        Object* o = Obj(object);
        auto* b = As<Board>(board);
        if (o == nullptr || o->Kind() == ObjectKind::Board) return;
        if (o->ParentComponent() != nullptr) return;  // a component's primitive follows its component
        o->SetOwnerBoard(b);
    });
}

void PcbApi_AddObjectToContainer(PcbHandle container, PcbHandle object) {
    GuardVoid([&] {
        Object* c = Obj(container);
        Object* o = Obj(object);
        if (c == nullptr || o == nullptr || c == o) return;
        switch (c->Kind()) {
            case ObjectKind::Board:
                static_cast<Board*>(c)->Insert(*o);
                break;
            case ObjectKind::Net: {
                Board* b = c->OwnerBoard();
                if (b == nullptr || o->Kind() == ObjectKind::Net || o->Kind() == ObjectKind::Board) return;
                if (o->OwnerBoard() == nullptr) o->SetOwnerBoard(b);
                if (o->OwnerBoard() == b) b->AddToNet(*static_cast<Net*>(c), *o);
                break;
            }
            case ObjectKind::ObjectClass: {
                auto* cls = static_cast<ObjectClass*>(c);
                if (o->Kind() == ObjectKind::Component) {
                    const std::string d = static_cast<Component*>(o)->Designator();
                    if (!cls->HasMember(d)) cls->members.push_back(d);
                } else if (o->Kind() == ObjectKind::Net) {
                    const std::string& n = static_cast<Net*>(o)->name;
                    if (!cls->HasMember(n)) cls->members.push_back(n);
                }
                break;
            }
            default:
                break;
        }
    });
}

void PcbApi_DeleteObjectFromContainer(PcbHandle container, PcbHandle object) {
    GuardVoid([&] {
        Object* c = Obj(container);
        Object* o = Obj(object);
        if (c == nullptr || o == nullptr) return;
        switch (c->Kind()) {
            case ObjectKind::Board:
                static_cast<Board*>(c)->Remove(*o);
                break;
            case ObjectKind::Net:
                if (Board* b = c->OwnerBoard()) b->RemoveFromNet(*static_cast<Net*>(c), *o);
                break;
            case ObjectKind::ObjectClass: {
                auto* cls = static_cast<ObjectClass*>(c);
                std::string name;
                if (o->Kind() == ObjectKind::Component) name = static_cast<Component*>(o)->Designator();
                if (o->Kind() == ObjectKind::Net) name = static_cast<Net*>(o)->name;
                std::erase_if(cls->members, [&](const std::string& m) {
                    return m.size() == name.size() && std::equal(m.begin(), m.end(), name.begin(), [](char x, char y) {
                               return std::tolower(static_cast<unsigned char>(x)) ==
                                      std::tolower(static_cast<unsigned char>(y));
                           });
                });
                break;
            }
            default:
                break;
        }
    });
}

void PcbApi_HideObject(PcbHandle object) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) {
            o->display.hidden = true;
            ++o->display.hideCount;
            Count(*o, &BoardDisplayCounters::hides);
        }
    });
}

void PcbApi_ShowObject(PcbHandle object) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) {
            o->display.hidden = false;
            ++o->display.showCount;
            Count(*o, &BoardDisplayCounters::shows);
        }
    });
}

void PcbApi_InvertObject(PcbHandle object) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) {
            ++o->display.invertCount;
            Count(*o, &BoardDisplayCounters::inverts);
        }
    });
}

void PcbApi_ScreenDisplay(PcbHandle object, int32_t mode, int32_t colour) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) {
            ++o->display.screenDisplayCount;
            o->display.lastScreenMode = mode;
            o->display.lastScreenColour = colour;
            Count(*o, &BoardDisplayCounters::screenDisplays);
        }
    });
}

void PcbApi_QueryObjectGraphicallyInvalidate(PcbHandle object) {
    GuardVoid([&] {
        if (Object* o = Obj(object)) {
            ++o->display.invalidateCount;
            Count(*o, &BoardDisplayCounters::invalidates);
        }
    });
}

void PcbApi_AnalyzeNet(PcbHandle net) {
    GuardVoid([&] {
        auto* n = As<Net>(net);
        if (n != nullptr && n->OwnerBoard() != nullptr) n->OwnerBoard()->AnalyzeNet(*n);
    });
}

}  // extern "C"
