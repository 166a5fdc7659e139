// A rectangle drawn on the board with four thin tracks on the top layer: the
// drag image of a cluster too large (or a host too slow) to draw member by
// member, and the outline around a cluster while it is edited. It owns the four
// host tracks and destroys them with itself.
#pragma once

#include <array>

#include "host/PcbRecords.h"
#include "model/ClusterOutline.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TRectangleAsTracks final : public TClusterOutline {
public:
    // Four 1 mil tracks on TopLayer, in the board.
    explicit TRectangleAsTracks(PcbHandle board);
    ~TRectangleAsTracks() override;
    TRectangleAsTracks(const TRectangleAsTracks&) = delete;
    TRectangleAsTracks& operator=(const TRectangleAsTracks&) = delete;

    // Puts the tracks on the four sides; they stay in (or out of) the board as before.
    void SetRect(const TRect& r) override;
    // Bottom, left, top, right.
    void ForEachTrack(const THandleProc& proc) override;
    bool InBoard() const override { return InBoardNow; }
    void AddToBoard();
    void RemoveFromBoard() override;

    TPcbTrack LeftTrack;
    TPcbTrack BottomTrack;
    TPcbTrack RightTrack;
    TPcbTrack TopTrack;

private:
    std::array<TPcbTrack*, 4> Tracks();
    bool InBoardNow = false;
    PcbHandle Board;
};

}  // namespace autoplacer
