// The room placer: gives every cluster a room, a rectangle of the board, and
// shifts (and, when its room was turned, rotates) the cluster's movable groups
// into it.
//
// The rooms are packed by a rectangle placer in five phases, each an obstacle
// for every later one: the clusters holding fixed components get a room beside
// their largest fixed component, facing the board's centre; the confinement
// rooms are committed where they are; then the same-footprint, the
// IC-capacitor and the remaining clusters are packed, with edge preferences
// taken from the pad pattern of their parts. A cluster that is not taken off
// the board stays where it is but occupies its rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/PlacementContext.h"
#include "engines/RectanglePlacer.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

class TCluster;

// Where a fixed component lies in the area, as cut by the area's diagonals.
enum class TAreaSector { Left, Right, Bottom, Top };

// The sector of the rectangle's centre; exactly on a diagonal (the centre
// included) counts as Right.
TAreaSector SectorOf(const TRect& fixed, const TRect& area);

// A room of width w and height h against the side of the fixed extent that
// faces the area's centre, centred on the fixed extent's centre line.
TRect RoomBesideFixed(const TRect& fixed, int32_t w, int32_t h, const TRect& area);
// The room beside the fixed extent, kept inside the area where it can be: as
// given, else turned a quarter (turned set), else moved into the area as given
// or turned, whichever fits; a room larger than the area either way stays as
// given.
TRect RoomBesideFixedInside(const TRect& fixed, int32_t w, int32_t h, const TRect& area, bool& turned);

struct TEdgePreferences {
    uint8_t Vertical = kEdgeNoPreference;
    uint8_t Horizontal = kEdgeNoPreference;
    bool operator==(const TEdgePreferences&) const = default;
};

// Rows of pads along the bottom and top keep away from the bottom and top
// edges and go near a left or right edge; columns the other way round; both
// keep away from every edge.
TEdgePreferences EdgePreferencesOfPadPattern(int32_t padPattern);

// The union of the member extents of the cluster's movable groups (fixed
// members excluded), Rect(0, 0, 0, 0) without movable groups. Recomputes the
// group rectangles.
TRect MovableBounds(TCluster& cluster);

class TRoomPlacer {
public:
    TRoomPlacer(const TPlacementContext& context, const TPlacerOptions& options);
    TRoomPlacer(const TRoomPlacer&) = delete;
    TRoomPlacer& operator=(const TRoomPlacer&) = delete;

    // The five phases over the borrowed lists (a nil list counts as empty).
    void Run(const TClusterLists& lists);

    void PlaceFixedComponentClusters();
    void CommitConfinementRooms();
    // Same-footprint and IC-capacitor clusters: rooms sized to their bounds.
    void PlaceSpecialClusters(TClusterList* list);
    void PlaceRemainingClusters();

    // The last step of every pass: turns the movable groups when the room was
    // turned and centres them in the room. A cluster left on the board is not moved.
    static void FinishCluster(TCluster& cluster, bool turned);

    TClusterList* Clusters = nullptr;
    TClusterList* ICCapClusters = nullptr;
    TClusterList* SameFootprintClusters = nullptr;
    TClusterList* ConfinementClusters = nullptr;
    // Clusters whose room found no legal place, so the packer's fallback put it
    // where it overlaps or sticks out least (borrowed; only recorded).
    TClusterList FallbackClusters;

private:
    // Packs the cluster's room and records a fallback; answers whether it was turned.
    bool PackRoom(TCluster& cluster, const TEdgePreferences& preferences);

    // Runs pass(cluster) for each cluster of the list under the progress bar
    // "Defining rooms ...", polling the stop check before and after each.
    template <typename Pass>
    void RunPhase(TClusterList* list, Pass pass);

    TPlacementContext Context;
    TPlacerOptions Options;
    // The extents of fixed components committed as obstacles; the packer keeps
    // pointers to them, so they live as long as the room placer.
    std::vector<std::unique_ptr<TRect>> FixedExtents;

public:
    // The packing engine, on the same context (owned).
    std::unique_ptr<TRectanglePlacer> Packer;
};

}  // namespace autoplacer
