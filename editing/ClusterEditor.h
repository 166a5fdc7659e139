// The interactive edit of one cluster. The picked components are lifted off the
// board and follow the cursor; on the way the editor can grab similar components
// under the cursor (auto-select mode), line the cluster up with its neighbours
// (auto-align mode) and highlight clearance conflicts, and on request reshape,
// spread, squeeze, flip or turn the cluster. Accepting hands the host the whole
// edit as one modification of the components that moved; cancelling puts every
// component back.
//
// The host runs the edit and calls the event operations; the feature commands
// call the same operations from outside while the edit runs.
#pragma once

#include <cstdint>
#include <memory>

#include "editing/RectangleAsTracks.h"
#include "host/PcbBoard.h"
#include "host/PcbEventHandler.h"
#include "model/Cluster.h"
#include "model/FastList.h"
#include "model/OldComponentPositions.h"
#include "model/PlacementContext.h"
#include "model/PlacerOptions.h"
#include "model/SpatialObjectStore.h"

namespace autoplacer {

// Editing modes, as the "Mode" parameter names them.
inline constexpr uint8_t kEditAutoAlign = 0;
inline constexpr uint8_t kEditAutoSelect = 1;
inline constexpr uint8_t kEditPlain = 2;

enum class TReshape : uint8_t { Square, Wide, Tall };

// The area a reshape packs the cluster into, from its bounding rectangle b and
// its smallest component side m: a square of about the mean side about b's
// centre; b made wider and lower (taller and narrower) by m on each side when b
// is more than 3m high (wide).
TRect ReshapeTarget(TReshape shape, const TRect& b, int32_t m);

// Passes of a reshape at most: each pass grows the target; a cluster that fits
// nowhere (or whose smallest side is 0, so that the target cannot grow) stops here.
inline constexpr int kMaxReshapePasses = 16;

// Clusters of at most this many components are drawn member by member while they move.
inline constexpr int32_t kMaxInvertedComponents = 10;

// Auto-select grabs until the cluster has this many movable groups.
inline constexpr int32_t kMaxAutoSelectGroups = 15;

class TClusterEditor : public TPCBEventHandler {
public:
    // Starts the edit: saves every component's position, lifts the cluster's
    // members off the board. The cluster stays the caller's.
    TClusterEditor(const TPlacementContext& context, uint8_t editMode, const TPlacerOptions& options,
                   TCluster& cluster);
    // Ends the edit: the members go back into the board, and the edit is either
    // committed as one modification or (cancelled) every net is analysed again.
    ~TClusterEditor() override;
    TClusterEditor(const TClusterEditor&) = delete;
    TClusterEditor& operator=(const TClusterEditor&) = delete;

    bool OnReshapeWide() override;
    bool OnReshapeTall() override;
    bool OnReshapeSquare() override;
    bool OnFlip() override;
    bool OnRotate() override;
    bool OnCancel() override;
    bool OnAccept() override;
    bool OnAcceptAlt() override;
    bool OnCancelAlt() override;
    bool OnDrawFeedback() override;
    bool OnUpdate() override;
    bool OnFinishMove() override;
    bool OnCancelMove() override;
    bool IsCancelled() override { return Cancelled; }
    bool IsAccepted() override { return Accepted; }
    bool OnKey(int32_t key) override;

    // The feature commands.
    void Reshape(bool retry, TReshape shape);
    void ExpandHorizontal() { ShiftLines(true, 1); }
    void ExpandVertical() { ShiftLines(false, 1); }
    void ContractHorizontal() { ShiftLines(true, -1); }
    void ContractVertical() { ShiftLines(false, -1); }
    void LoseLastAutoSelected();

    // The steps of an update.
    void FollowCursor();
    void AutoSelect();
    void AutoAlignStep();
    void HighlightConflicts();

    // Every two components of the cluster are similar in size, either way round.
    bool AllSimilar() const;
    // The members side by side from the cluster's lower-left corner.
    void ArrangeInRow();
    // Moves the cluster so that the centre of its bounding rectangle is the cursor.
    void CentreOnCursor();

    TCluster& GetCluster() const { return Cluster; }
    const TFastListOf<PcbHandle>& GetConflicts() const { return Conflicts; }
    uint8_t GetEditMode() const { return EditMode; }

private:
    void StartEdit();
    void CommitMoves();
    void RefreshBoard();
    // Column (row) i of the cluster moves by direction * i * (smallest side div 40).
    void ShiftLines(bool columns, int32_t direction);
    void Reinsert();
    void Lift();

    TPcbBoard BoardRecord;
    TPlacementContext Context;
    TCluster& Cluster;
    int32_t LastX = 0;
    int32_t LastY = 0;
    uint8_t EditMode;
    bool Accepted = false;
    bool Cancelled = false;
    std::unique_ptr<TListOfOldComponentPositions> SavedPositions;
    std::unique_ptr<TRectangleAsTracks> Feedback;
    TPlacerOptions Options;
    TFastListOf<PcbHandle> Conflicts;
    int32_t MaxClearance = 0;
    TSpatialObjectStore ComponentStore{2};
    TPcbSystemOptions SystemOptions;
};

}  // namespace autoplacer
