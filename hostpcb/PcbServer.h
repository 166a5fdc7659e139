// The host's PCB server as the plug-in sees it: a board message interface per board.
// Every message is recorded; codes 12 and 10 open and close an undo bracket, code 1
// inside a bracket snapshots a component so that the bracket can be undone.
#pragma once

#include <cstdint>
#include <vector>

#include "hostpcb/Board.h"
#include "sdk/plugin.h"

namespace hostpcb {

enum : int32_t {
    kMessageObjectAboutToChange = 1,
    kMessageObjectChanged = 3,
    kMessageBeginModify = 12,
    kMessageEndModify = 10
};

class BoardMessageLog final : public sdk::IPcbBoardInterface {
public:
    explicit BoardMessageLog(Board& board) : board_(board) {}
    virtual ~BoardMessageLog() = default;

    int32_t SendBoardMessage(PcbHandle object, intptr_t reserved, int32_t code, PcbHandle data) override;

    const std::vector<BoardMessage>& All() const { return messages_; }
    void Clear() { messages_.clear(); }
    int32_t Depth() const { return depth_; }
    std::size_t ClosedBrackets() const { return undo_.size(); }
    // Puts the components of the last closed bracket back as they were when it was
    // announced (code 1). False when there is nothing to undo.
    bool Undo();

private:
    struct Snapshot {
        PcbHandle component;
        Point position;
        double rotation;
        LayerNumber layer;
    };
    Board& board_;
    std::vector<BoardMessage> messages_;
    int32_t depth_ = 0;
    std::vector<Snapshot> open_;
    std::vector<std::vector<Snapshot>> undo_;
};

class PcbServer final : public sdk::IPcbServer {
public:
    virtual ~PcbServer() = default;
    sdk::IPcbBoardInterface* GetBoardInterface(PcbHandle board) override;
};

}  // namespace hostpcb
