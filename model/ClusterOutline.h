// The outline that an interactive edit draws around a cluster's rectangle.
//
// The cluster owns it but does not know how it is drawn: the cluster editor
// supplies the implementation (four host tracks). A cluster without an outline
// holds nil and skips every outline step.
#pragma once

#include <functional>

#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

using THandleProc = std::function<void(PcbHandle)>;

class TClusterOutline {
public:
    virtual ~TClusterOutline() = default;

    // Moves the drawn tracks onto the rectangle's four sides.
    virtual void SetRect(const TRect& rect) = 0;
    // Calls proc with the handle of each drawn track; nothing for an empty proc.
    virtual void ForEachTrack(const THandleProc& proc) = 0;
    // The tracks are currently in the board.
    virtual bool InBoard() const = 0;
    // Takes the tracks out of the board (nothing when they are out already).
    virtual void RemoveFromBoard() = 0;

protected:
    TClusterOutline() = default;
    TClusterOutline(const TClusterOutline&) = default;
    TClusterOutline& operator=(const TClusterOutline&) = default;
};

}  // namespace autoplacer
