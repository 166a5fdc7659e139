#include "editing/RectangleAsTracks.h"

#include "host/PcbApi.h"
#include "host/PcbUnits.h"

namespace autoplacer {

namespace {

void SetEnds(TPcbTrack& track, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    track.X = x1;
    track.Y = y1;
    track.X2 = x2;
    track.Y2 = y2;
    track.Sync(PCB_WRITE);
}

}  // namespace

TRectangleAsTracks::TRectangleAsTracks(PcbHandle board) : Board(board) {
    for (TPcbTrack* track : Tracks()) {
        track->Handle = PcbApi::PcbApi_CreateObject(PCB_TRACK);
        track->Sync(PCB_READ);
        track->SetLayer(PCB_TOP_LAYER);
        track->Width = 10000;
        SetEnds(*track, MilsToCoord(1000), MilsToCoord(1000), MilsToCoord(2000), MilsToCoord(2000));
        PcbApi::PcbApi_SetOwnerBoard(track->Handle, Board);
        PcbApi::PcbApi_AddObjectToContainer(Board, track->Handle);
    }
    InBoardNow = true;
}

TRectangleAsTracks::~TRectangleAsTracks() {
    RemoveFromBoard();
    for (TPcbTrack* track : Tracks()) {
        if (track->Handle != nullptr) {
            PcbApi::PcbApi_DestroyObject(track->Handle);
        }
    }
}

std::array<TPcbTrack*, 4> TRectangleAsTracks::Tracks() { return {&LeftTrack, &BottomTrack, &RightTrack, &TopTrack}; }

void TRectangleAsTracks::SetRect(const TRect& r) {
    const bool wasInBoard = InBoardNow;
    RemoveFromBoard();
    SetEnds(BottomTrack, r.Left, r.Bottom, r.Right, r.Bottom);
    SetEnds(LeftTrack, r.Left, r.Bottom, r.Left, r.Top);
    SetEnds(TopTrack, r.Left, r.Top, r.Right, r.Top);
    SetEnds(RightTrack, r.Right, r.Bottom, r.Right, r.Top);
    if (wasInBoard) {
        AddToBoard();
    }
}

void TRectangleAsTracks::ForEachTrack(const THandleProc& proc) {
    if (!proc) {
        return;
    }
    for (TPcbTrack* track : {&BottomTrack, &LeftTrack, &TopTrack, &RightTrack}) {
        proc(track->Handle);
    }
}

void TRectangleAsTracks::AddToBoard() {
    if (InBoardNow) {
        return;
    }
    for (TPcbTrack* track : Tracks()) {
        PcbApi::PcbApi_AddObjectToContainer(Board, track->Handle);
    }
    InBoardNow = true;
}

void TRectangleAsTracks::RemoveFromBoard() {
    if (!InBoardNow) {
        return;
    }
    for (TPcbTrack* track : Tracks()) {
        PcbApi::PcbApi_DeleteObjectFromContainer(Board, track->Handle);
    }
    InBoardNow = false;
}

}  // namespace autoplacer
