#include "hostpcb/Host.h"

#include <algorithm>

#include "hostpcb/HandlerRegistry.h"
#include "hostpcb/ObjectTable.h"
#include "hostpcb/PcbServer.h"

namespace hostpcb {

Host& Host::Instance() {
    static Host host;
    return host;
}

Host::Host()
    : objects_(std::make_unique<ObjectTable>()),
      server_(std::make_unique<hostpcb::PcbServer>()),
      handlers_(std::make_unique<HandlerRegistry>()) {}

Host::~Host() { Reset(); }

void Host::Register(std::unique_ptr<Object> object) { objects_->Register(std::move(object)); }

Object* Host::Resolve(PcbHandle handle) const { return objects_->Get(handle); }

std::size_t Host::LiveObjectCount() const { return objects_->Live(); }

Board& Host::CreateBoard(std::string fileName) {
    Board& board = Make<Board>();
    board.fileName = std::move(fileName);
    boards_.push_back(&board);
    if (current_ == nullptr) current_ = &board;
    return board;
}

void Host::DestroyBoard(Board& board) { DestroyObject(board); }

void Host::SetCurrentBoard(Board* board) {
    if (board == nullptr || std::find(boards_.begin(), boards_.end(), board) != boards_.end()) current_ = board;
}

Object* Host::CreateObject(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Arc: return &Make<Arc>();
        case ObjectKind::Pad: return &Make<Pad>();
        case ObjectKind::Via: return &Make<Via>();
        case ObjectKind::Track: return &Make<Track>();
        case ObjectKind::Text: return &Make<Text>();
        case ObjectKind::Fill: return &Make<Fill>();
        case ObjectKind::Connection: return &Make<Connection>();
        case ObjectKind::Net: return &Make<Net>();
        case ObjectKind::Component: return &Make<Component>();
        case ObjectKind::Polygon: return &Make<PolygonObject>();
        case ObjectKind::Region: return &Make<RegionObject>();
        case ObjectKind::ComponentBody: return &Make<ComponentBodyObject>();
        case ObjectKind::ObjectClass: return &Make<ObjectClass>();
        case ObjectKind::Rule: return &Make<Rule>();
        case ObjectKind::SplitPlane: return &Make<SplitPlaneObject>();
        case ObjectKind::BoardOutline: return &Make<BoardOutlineObject>();
        default: return nullptr;
    }
}

void Host::DestroyObject(Object& object) {
    if (object.Kind() == ObjectKind::Board) {
        Board* board = static_cast<Board*>(&object);
        // Everything the board owns goes with it; no container needs tidying any more.
        std::vector<Object*> owned;
        objects_->ForEach([&](Object& o) {
            if (o.OwnerBoard() == board) owned.push_back(&o);
        });
        for (Object* o : owned) objects_->Take(*o);
        boards_.erase(std::remove(boards_.begin(), boards_.end(), board), boards_.end());
        if (current_ == board) current_ = boards_.empty() ? nullptr : boards_.front();
        objects_->Take(object);
        return;
    }
    if (object.Kind() == ObjectKind::Component) {
        const std::vector<Primitive*> children = static_cast<Component&>(object).Children();
        for (Primitive* child : children) DestroyObject(*child);
    }
    if (Board* board = object.OwnerBoard()) board->Forget(object);
    objects_->Take(object);
}

void Host::SetInteraction(InteractionProvider* provider) {
    interaction_ = provider != nullptr ? provider : &defaultInteraction_;
}

void Host::SetProgressSink(ProgressSink* sink) { progressSink_ = sink != nullptr ? sink : &defaultProgressSink_; }

sdk::IPcbServer& Host::Server() { return *server_; }

void Host::Reset() {
    while (!boards_.empty()) DestroyObject(*boards_.back());
    std::vector<Object*> rest;
    objects_->ForEach([&](Object& o) { rest.push_back(&o); });
    for (Object* o : rest) objects_->Take(*o);
    handlers_->Clear();
    current_ = nullptr;
    systemMiscFlags = {};
    interaction_ = &defaultInteraction_;
    progressSink_ = &defaultProgressSink_;
    progress_ = {};
}

}  // namespace hostpcb
