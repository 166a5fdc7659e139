#include "hostpcb/PcbServer.h"

#include "hostpcb/Host.h"

namespace hostpcb {

int32_t BoardMessageLog::SendBoardMessage(PcbHandle object, intptr_t reserved, int32_t code, PcbHandle data) {
    messages_.push_back({object, reserved, code, data});
    switch (code) {
        case kMessageBeginModify:
            ++depth_;
            break;
        case kMessageObjectAboutToChange:
            if (depth_ > 0) {
                if (auto* c = Host::Instance().ResolveAs<Component>(object))
                    open_.push_back({object, c->Position(), c->Rotation(), c->Layer()});
            }
            break;
        case kMessageEndModify:
            if (depth_ > 0 && --depth_ == 0) {
                undo_.push_back(std::move(open_));
                open_.clear();
            }
            break;
        default:
            break;
    }
    return sdk::kResultOk;
}

bool BoardMessageLog::Undo() {
    if (undo_.empty()) return false;
    std::vector<Snapshot> group = std::move(undo_.back());
    undo_.pop_back();
    // Latest snapshot first, so an object announced twice ends at its earliest state.
    for (auto it = group.rbegin(); it != group.rend(); ++it) {
        auto* c = Host::Instance().ResolveAs<Component>(it->component);
        if (c == nullptr || c->OwnerBoard() != &board_) continue;
        c->SetLayer(it->layer);
        c->SetRotation(it->rotation);
        c->SetPosition(it->position);
    }
    return true;
}

sdk::IPcbBoardInterface* PcbServer::GetBoardInterface(PcbHandle board) {
    auto* b = Host::Instance().ResolveAs<Board>(board);
    return b != nullptr ? &b->Messages() : nullptr;
}

}  // namespace hostpcb
