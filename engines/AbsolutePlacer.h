// The absolute placer: the last engine of a run. It turns the rooms that the
// clusters were given into final component positions inside the keep-out. It
// orders the work and tells the group placer (in full mode) which room each
// group should aim at and which groups already stand on the board; the group
// placer finds each group's legal grid position.
//
// First the groups of the confinement rooms are placed inside their rooms.
// Then every movable group of the other clusters becomes a job, and the jobs
// are placed largest first, each aiming at its own cluster's room, anywhere
// inside the keep-out. Groups that found no conflict-free grid position are
// tried once more at the end on a finer grid, among everything placed, since
// the coarse grid leaves gaps of up to a step beside every group.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/PlacementContext.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/PlacerOptions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TGroupPlacer;
class TRectangularComponentGroup;

// The refit grid: the options' step divided by this, but not below the minimum
// (host units, 5 mil).
inline constexpr int32_t RefitGridDivisor = 3;
inline constexpr int32_t MinRefitGridStep = 50000;
// A run that left more groups than this without room is not refitted: the board
// is full beyond what a finer grid mends, and each group's search and fallback
// on the finer grid take up to nine times those on the coarse one.
inline constexpr std::size_t RefitMaxGroups = 64;
// The most rounds of sliding the placed groups together before a refit.
inline constexpr int32_t CompactionRounds = 8;
// The most placed groups moved aside to make room for one left without room.
inline constexpr std::size_t MaxGroupsMadeWay = 32;
// The most places tried for each group left without room.
inline constexpr std::size_t RoomMakingTries = 3;

// The progress text of both phases.
inline constexpr const char* AbsolutePlacementProgressText = "Making absolute placements ...";

// A movable group still to be placed, with its cluster's room as it was when
// the job was made.
struct TAbsolutePlacementJob {
    TRectangularComponentGroup* Group = nullptr;
    TRect Room;
    // The sum of the members' area measures, taken when the job is made.
    int64_t Size = 0;
};

// The directions of the board-wide routing-layers rule (the first rule of
// that kind whose scope is exactly the whole board); without one TopLayer gets
// code 1, BottomLayer code 2 and layers 2 to 15 code 0, the others unchanged.
void FillLayerDirections(PcbHandle board, std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions);

// The sum over the group's members of their area measures.
int64_t GroupSize(const TRectangularComponentGroup& group);

class TAbsolutePlacer {
public:
    // Copies the context and fills its layer directions; creates the group
    // placer in full mode over that copy.
    TAbsolutePlacer(const TPlacerOptions& options, const TPlacementContext& context);
    ~TAbsolutePlacer();
    TAbsolutePlacer(const TAbsolutePlacer&) = delete;
    TAbsolutePlacer& operator=(const TAbsolutePlacer&) = delete;

    // Borrows the lists, then runs the confinement phase, makes the jobs and
    // runs the job phase, returning at once when a stop is confirmed.
    void Run(const TClusterLists& lists);

    // The steps of Run, over the lists it stored.
    // Places the groups of every confinement room that is out of the board
    // inside that room; registers the movable groups of the others where they
    // stand. Sets the area back to the keep-out extent afterwards.
    void ConfinementPhase();
    // One job per movable group of the clusters out of the board (IC with
    // capacitors first, then same-footprint, then the others), their fixed
    // groups and the movable groups of clusters on the board registered as
    // obstacles; the jobs sorted by size, largest first.
    void MakeJobs();
    // Places every job's group, aiming at its room. A group of several members
    // that finds no conflict-free position is split: its members are placed one
    // by one, largest first, aiming at the same room, so that the parts that fit
    // somewhere are not all pushed off together.
    void JobPhase();
    void PlaceMembersOneByOne(const TRectangularComponentGroup& group, const TRect& room);
    // Places the groups the job phase left not fitted again, largest first, on a
    // grid RefitGridDivisor times finer (but no finer than MinRefitGridStep),
    // with every other placed group as an obstacle. A group that fits there is
    // deselected; one that does not goes to the finer grid's fallback place.
    // Nothing is refitted when more than RefitMaxGroups groups are left.
    // While some are still without room (at most CompactionRounds rounds), every
    // group placed by the jobs or the refit slides along x, then y, toward one
    // edge of the keep-out, nearest that edge first, so that the slivers the
    // grid left beside them come together, and those still without room are
    // refitted; a round that fits none of them is undone, with their fallback
    // places, and two such rounds in a row end the sliding. Then placed groups
    // make way for those still left (MakeRoomFor).
    void RefitPhase();

    TClusterList* Clusters = nullptr;
    TClusterList* ICCapClusters = nullptr;
    TClusterList* SameFootprintClusters = nullptr;
    TClusterList* ConfinementClusters = nullptr;
    TFastListOf<TAbsolutePlacementJob*> Jobs;  // owned records
    // The one-member groups made from groups that were split, in creation order.
    std::vector<std::unique_ptr<TRectangularComponentGroup>> SplitGroups;
    std::unique_ptr<TGroupPlacer> Engine;
    TPlacementContext Context;
    TPlacerOptions Options;
    // The groups that found no conflict-free position, with the rooms they aimed at.
    struct TUnfittedGroup {
        TRectangularComponentGroup* Group = nullptr;
        TRect Room;
    };
    std::vector<TUnfittedGroup> Unfitted;

private:
    void FreeJobs();
    struct TSlide {
        TRectangularComponentGroup* Group = nullptr;
        TRect From;
    };
    // Slides the placed job groups together (see RefitPhase); returns where each stood.
    std::vector<TSlide> CompactPlacedGroups(const std::vector<TUnfittedGroup>& left, int32_t round);
    static void UndoSlides(const std::vector<TSlide>& slides);
    // Makes room for a group still without room: it tries the RoomMakingTries
    // places where only groups of the jobs would be in its way, those of least
    // area first (TGroupPlacer::PlacesToMakeRoom), and takes the first where at
    // most MaxGroupsMadeWay of them are in its way and all find room anew on the
    // fine grid around it. Otherwise everything stays as it was.
    bool MakeRoomFor(const TPlacerOptions& fine, const TUnfittedGroup& u, const std::vector<TUnfittedGroup>& left);
    // With the group moved to a place: the groups in its way are placed anew, or
    // put back when one of them finds no room.
    bool MakeWayAt(const TPlacerOptions& fine, const TUnfittedGroup& u,
                   const std::vector<const TRectangularComponentGroup*>& unfitted);
    bool IsJobGroup(const TRectangularComponentGroup* group) const;
    // The room each group of the jobs aimed at (split members: their group's).
    std::unordered_map<const TRectangularComponentGroup*, TRect> Rooms;
    // One refit of the groups on the fine grid, among all others placed; returns
    // those that still found no room.
    std::vector<TUnfittedGroup> RefitGroups(const TPlacerOptions& fine, const std::vector<TUnfittedGroup>& groups);
    // Places the group aiming at room; notes it when it is not fitted.
    void PlaceAimingAt(TRectangularComponentGroup* group, const TRect& room);
};

}  // namespace autoplacer
