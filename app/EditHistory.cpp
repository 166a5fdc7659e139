#include "app/EditHistory.h"

#include <set>

#include "hostpcb/Host.h"

namespace app {

BoardPlacement BoardPlacement::Of(const hostpcb::Board& board) {
    BoardPlacement placement;
    for (const hostpcb::Component* c : board.Components()) {
        placement.entries.push_back({c->Handle(), c->Position(), c->Rotation(), c->Layer()});
    }
    return placement;
}

void EditHistory::Begin() { Pending = BoardPlacement::Of(Board); }

bool EditHistory::End() {
    BoardPlacement now = BoardPlacement::Of(Board);
    if (now == Pending) {
        return false;
    }
    Done.push_back({std::move(Pending), std::move(now)});
    Undone.clear();
    return true;
}

bool EditHistory::Undo() {
    if (Done.empty()) {
        return false;
    }
    Apply(Done.back().before);
    Undone.push_back(std::move(Done.back()));
    Done.pop_back();
    return true;
}

bool EditHistory::Redo() {
    if (Undone.empty()) {
        return false;
    }
    Apply(Undone.back().after);
    Done.push_back(std::move(Undone.back()));
    Undone.pop_back();
    return true;
}

void EditHistory::Apply(const BoardPlacement& placement) {
    std::set<hostpcb::Net*> touched;
    for (const BoardPlacement::Entry& entry : placement.entries) {
        auto* c = hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(entry.component);
        if (c == nullptr) {
            continue;  // destroyed since: nothing to put back
        }
        if (c->Position() == entry.position && c->Rotation() == entry.rotation && c->Layer() == entry.side) {
            continue;
        }
        // The side first: it mirrors about the origin and keeps the rotation value.
        if (c->Layer() != entry.side) {
            c->SetLayer(entry.side);
        }
        if (c->Rotation() != entry.rotation) {
            c->SetRotation(entry.rotation);
        }
        if (c->Position() != entry.position) {
            c->SetPosition(entry.position);
        }
        for (hostpcb::Pad* pad : c->Pads()) {
            if (pad->GetNet() != nullptr) {
                touched.insert(pad->GetNet());
            }
        }
    }
    // In board order, so that the connections get the same handles on every run.
    for (hostpcb::Net* net : Board.Nets()) {
        if (touched.count(net) != 0) {
            Board.AnalyzeNet(*net);
        }
    }
}

}  // namespace app
