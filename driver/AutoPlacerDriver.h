// The driver of one automatic placement run ("RunAutoPlacer"): lets the user
// choose between the cluster placer and the host's statistical placer (or, in
// test mode, shows the cluster placer's setup dialog), then either hands the
// board to the host's placer or runs the cluster-formation and placement
// engines phase by phase. Every engine writes its moves to the host itself; the
// driver decides the order, the inputs and the outputs of the phases.
//
// Ownership: the driver owns everything it creates for the run and frees it
// when destroyed: the power-net list, the keep-out primitives, the connection
// dragger, the component list, the pair tree it still holds, the four cluster
// lists with their clusters and the saved positions.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "model/PlacementContext.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

class TPair;
class TPrimitivesList;
class TConnectionDragger;
class TListOfOldComponentPositions;

using TComponentHandleList = TFastListOf<PcbHandle>;

// The phases of the cluster placer in their order; an observer of a run (a test,
// a progress report) learns when each one begins.
enum class TPlacerStep : int32_t {
    EnforcePermittedLayers = 1,
    ValidateKeepOut,
    PrepareBoardView,
    BeginModify,
    InitialPairTree,
    InitialSpread,
    AnalyzeNets,
    ClusterRectsFromBounds,
    ConnectionDragger,
    PrePasses,
    PairTree,
    ExtractClusters,
    RelativePlacement,
    SortClusters,
    RoomPlacement,
    AbsolutePlacement,
    EndModify,
    RestorePositions,
    FinishBoardView,
};

// The name of a step as progress reports show it.
const char* PlacerStepName(TPlacerStep step);

// Called when a step of the cluster placer runs (not for steps skipped by a
// stop or switched off by the options).
using TPlacerStepObserver = void (*)(void* data, TPlacerStep step);
void SetPlacerStepObserver(TPlacerStepObserver observer, void* data);

class TAutoPlacerDriver {
public:
    // Fills the options with their defaults, builds the placement context (the
    // board's default power nets and its keep-out primitives) and saves every
    // component's position.
    TAutoPlacerDriver(PcbHandle board, bool testMode);
    ~TAutoPlacerDriver();
    TAutoPlacerDriver(const TAutoPlacerDriver&) = delete;
    TAutoPlacerDriver& operator=(const TAutoPlacerDriver&) = delete;

    // The whole command: the choice dialog (or the setup dialog in test mode),
    // then one of the two placers.
    void Run();

    // The setup dialog; True (and the options taken from it) when closed with "Place".
    bool ShowSetupDialog();
    void RunClusterPlacer();
    // Writes the two gap options of the host's placer and sends the board to it.
    void RunStatisticalPlacer(bool automaticUpdate);
    // The gap of the board-wide component-clearance rule, else of the board-wide
    // clearance rule, else 50 mil.
    int32_t DefaultPlacementGap() const;
    void PrepareBoardView();
    void FinishBoardView();
    // Every component of the board that has an extent, in descending byte order
    // of designators.
    std::unique_ptr<TComponentHandleList> PlaceableComponentsSortedByDesignator() const;
    // Each cluster list with the clusters of larger biggest components first.
    void SortClustersBySize();
    // Each cluster's Rect := the bounding rectangle of its movable groups
    // (confinement clusters keep the room of their rule).
    void SetClusterRectsFromBounds();
    bool IsPowerNet(PcbHandle net) const;

    PcbHandle GetBoard() const { return Context.Board; }
    bool IsTestMode() const { return TestMode; }

    TPlacerOptions Options;
    TPlacementContext Context;
    TClusterLists ClusterLists;
    std::unique_ptr<TComponentHandleList> ComponentList;
    TPair* PairTree = nullptr;
    std::unique_ptr<TListOfOldComponentPositions> SavedPositions;
    bool TestMode = false;

private:
    void ReplacePairTree(TPair* tree);
    void FreeClusterLists();
    // With tree-based rooms the rooms come from where the spread put each
    // cluster's members; they are recorded after extraction and fitted to the
    // arranged clusters after the relative placement.
    void RecordSpreadRooms();
    void FitSpreadRoomsToArrangements();
    // Board frames are no parts to place or to keep clear of by extent: their pads
    // join the keep-out obstacles and the component lists leave them out.
    void TakeBoardFramesAsKeepOut();

    std::unique_ptr<TFastListOf<PcbHandle>> OwnedPowerNets;
    std::unique_ptr<TPrimitivesList> OwnedKeepOutPrimitives;
    std::unique_ptr<TConnectionDragger> OwnedConnectionDragger;
    std::unordered_map<const TCluster*, TRect> SpreadRooms;
    std::vector<PcbHandle> BoardFrames;
};

// The driver of the run in progress, nil when none.
extern TAutoPlacerDriver* CurrentDriver;

// Sorts each of the lists (the lists themselves are borrowed) so that clusters
// whose biggest movable component is larger come first; the driver's step
// around it adds the stop check and progress.
void SortClusterListsBySize(TClusterLists lists);

// The error shown when the board has no usable keep-out outline.
inline constexpr const char* kNoValidKeepOutMessage =
    "No valid keepout is defined on this board. Autoplacement cannot proceed.";

}  // namespace autoplacer
