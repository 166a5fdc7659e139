// Exported progress, interaction and editor-event functions; all go through the
// interaction provider that the application installs.
#include <algorithm>

#include "hostpcb/ApiSupport.h"

using namespace hostpcb;
using namespace hostpcb::api;

namespace {

// Upper bound of events in one session, so a script that never ends the edit cannot hang.
constexpr int kMaxSessionEvents = 1000000;

class Session final : public EventHandlerSession {
public:
    explicit Session(const EventHandlerState& state) : state_(state) {}
    int32_t Fire(int32_t operation) override {
        if (operation < 0 || operation >= PCB_EVENT_OPERATION_COUNT) return 0;
        const PcbEventProc proc = state_.operations[std::size_t(operation)];
        return proc != nullptr ? proc(state_.self) : 0;
    }
    int32_t Key(int32_t key) override {
        const int32_t handled = state_.onKey != nullptr ? state_.onKey(state_.self, key) : 0;
        Fire(28);
        return handled;
    }
    void MoveCursor(Point location) override {
        if (Board* b = H().CurrentBoard()) b->cursor = location;
        Fire(28);
        Fire(27);  // the drag image at its new place
    }
    bool Accepted() override { return Fire(37) != 0; }
    bool Cancelled() override { return Fire(36) != 0; }

private:
    EventHandlerState state_;  // a copy: the handler may be unregistered while it runs
};

}  // namespace

extern "C" {

void PcbApi_Percent_Init(const char* text, int32_t total) {
    GuardVoid([&] {
        ProgressRecord& p = H().Progress();
        p.text = ReadText(text, 4096);
        p.total = total;
        p.position = 0;
        p.active = true;
        ++p.inits;
        H().ProgressShown().PercentInit(p.text, total);
    });
}

void PcbApi_Percent_Update(void) {
    GuardVoid([&] {
        ++H().Progress().position;
        H().ProgressShown().PercentUpdate();
    });
}

void PcbApi_Percent_Finish(void) {
    GuardVoid([&] {
        ProgressRecord& p = H().Progress();
        p.active = false;
        ++p.finishes;
        H().ProgressShown().PercentFinish();
    });
}

uint8_t PcbApi_ChooseLocation(int32_t* x, int32_t* y, const char* prompt) {
    return Guard<uint8_t>(0, [&]() -> uint8_t {
        Point at;
        if (!H().Interaction().ChooseLocation(ReadText(prompt, 4096), at)) return 0;
        if (x) *x = at.x;
        if (y) *y = at.y;
        if (Board* b = H().CurrentBoard()) b->cursor = at;
        return 1;
    });
}

PcbHandle PcbApi_GetObjectAtXYAskUserIfAmbiguous(int32_t x, int32_t y, PcbKindSet kinds, PcbLayerSet layers,
                                                 int32_t pickMode) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        Board* board = H().CurrentBoard();
        if (board == nullptr) return nullptr;
        std::vector<Object*> found;
        board->QueryBox({x, y, x, y}, found);
        const bool anyLayer = LayerSetEmpty(layers);
        std::vector<Object*> hits;
        for (Object* o : found) {
            if (kinds != 0 && !KindSetHas(kinds, int(o->Kind()))) continue;
            if (!anyLayer && !LayerSetHas(layers, o->Layer())) continue;
            if (auto* p = dynamic_cast<Primitive*>(o);
                p != nullptr && PointShapeDistance({double(x), double(y)}, p->GetShape()) > 0)
                continue;
            hits.push_back(o);
        }
        if (hits.empty()) return nullptr;
        // Smallest object first: the one a user most likely means.
        std::sort(hits.begin(), hits.end(), [](const Object* a, const Object* b) {
            const Box ba = a->Bounds(), bb = b->Bounds();
            const double areaA = double(ba.x2 - ba.x1) * double(ba.y2 - ba.y1);
            const double areaB = double(bb.x2 - bb.x1) * double(bb.y2 - bb.y1);
            if (areaA != areaB) return areaA < areaB;
            return a->Handle() < b->Handle();
        });
        if (hits.size() == 1 || pickMode != PCB_PICK_ASK_USER) return hits.front()->Handle();
        std::vector<PcbHandle> candidates;
        for (Object* o : hits) candidates.push_back(o->Handle());
        const int32_t choice = H().Interaction().ChooseObject(candidates);
        return choice >= 0 && std::size_t(choice) < candidates.size() ? candidates[std::size_t(choice)] : nullptr;
    });
}

uint8_t PcbApi_ShiftDown(void) {
    return Guard<uint8_t>(0, [] { return uint8_t(H().Interaction().ShiftDown() ? 1 : 0); });
}

uint8_t PcbApi_ControlDown(void) {
    return Guard<uint8_t>(0, [] { return uint8_t(H().Interaction().ControlDown() ? 1 : 0); });
}

uint8_t PcbApi_PerformanceIsPoor(void) {
    return Guard<uint8_t>(0, [] { return uint8_t(H().Interaction().PerformanceIsPoor() ? 1 : 0); });
}

PcbHandle PcbApi_CreateEventHandler(void* self, const PcbEventProc* operations, PcbKeyProc onKey) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        auto state = std::make_unique<EventHandlerState>();
        state->self = self;
        if (operations != nullptr)
            std::copy(operations, operations + PCB_EVENT_OPERATION_COUNT, state->operations.begin());
        state->onKey = onKey;
        return H().Handlers().eventHandlers.Add(std::move(state));
    });
}

int32_t PcbApi_RunEventHandler(PcbHandle handler) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        EventHandlerState* state = H().Handlers().eventHandlers.Get(handler);
        if (state == nullptr) return PCB_ERROR_NIL_HANDLE;
        Session session(*state);
        InteractionProvider& provider = H().Interaction();
        bool ended = false;
        for (int i = 0; i < kMaxSessionEvents; ++i) {
            if (session.Accepted() || session.Cancelled()) {
                ended = true;
                break;
            }
            if (!provider.NextEvent(session)) break;
        }
        if (!ended && !session.Accepted() && !session.Cancelled()) session.Fire(10);  // nothing more: cancel
        // Complete an accepted move, undo a cancelled one.
        if (session.Accepted())
            session.Fire(29);
        else if (session.Cancelled())
            session.Fire(30);
        return PCB_OK;
    });
}

void PcbApi_DestroyEventHandler(PcbHandle handler) {
    GuardVoid([&] { H().Handlers().eventHandlers.Take(handler); });
}

}  // extern "C"
