// dev_rooms: a developer tool that runs a placement up to and including the
// room placement on real boards and reports how good the rooms are.
//
// Per board: the pair tree over all components, the floor-plan spread, the net
// analysis, the pre-cluster analysis, the pair tree of the remaining
// components, cluster extraction, the arrangement of the clusters, sorting the
// clusters by size and the room placement (no absolute placement). It prints
// how many rooms overlap another room on the same side, stick out of the outline or leave the
// keep-out extent (judged 10 mil inside their edges, since packed rooms may
// touch the outline), how many found no legal place, and the phase times.
//
// With --bounds the relative placement is left out and each main cluster's
// room size is its bounding rectangle after the spread instead.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DevTools.h"
#include "app/AppClient.h"
#include "app/ClusterColours.h"
#include "app/Metrics.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "engines/KeepOut.h"
#include "engines/RelativePlacer.h"
#include "driver/AutoPlacerDriver.h"
#include "engines/RoomPlacer.h"
#include "engines/TreeBasedPlacer.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/Cluster.h"
#include "model/PlacedComponent.h"
#include "model/PrimitivesList.h"
#include "plugin/Main_AutoPlacer.h"

namespace {

// The sides a cluster's members occupy (1 top, 2 bottom): one side when every
// member lies on it with surface-mount pads only, else both.
uint8_t SidesOfMembers(const autoplacer::TCluster& cluster) {
    uint8_t sides = 0;
    for (const autoplacer::TGroupList* list : {static_cast<const autoplacer::TGroupList*>(&cluster), &cluster.FixedGroups}) {
        for (const autoplacer::TRectangularComponentGroup* group : *list) {
            for (const autoplacer::TPlacedComponent* member : *group) {
                sides = static_cast<uint8_t>(sides | (member->HasMultiLayerPads                ? 3
                                                      : member->GetLayer() == PCB_BOTTOM_LAYER ? 2
                                                                                               : 1));
            }
        }
    }
    return sides == 0 ? 3 : sides;
}

using namespace autoplacer;

bool Overlap(const TRect& a, const TRect& b) {
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Bottom, b.Bottom) < std::min(a.Top, b.Top);
}

// Rooms are judged this far inside their edges against the outline: a room
// packed onto the outline touches it.
constexpr int32_t kOutlineInset = 100000;

struct RoomFigures {
    int rooms = 0;
    int fallback = 0;
    int besideFixed = 0;
    int overlapping = 0;
    int outsideOutline = 0;
    int outsideExtent = 0;
    double seconds = 0;
};

RoomFigures RunBoard(const std::string& path, bool verbose, bool bounds) {
    io::LoadOptions load;
    std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(path, load);
    app::AppClient client;
    Client = &client;
    const PcbHandle board = loaded->board->Handle();
    TPlacementContext context;
    context.Board = board;
    const auto powerNets = FindPowerNets(board);
    context.PowerNets = powerNets.get();
    TPrimitivesList keepOut(board);
    context.KeepOutPrimitives = &keepOut;
    if (!ValidateKeepOut(context)) {
        Client = nullptr;
        throw std::runtime_error("the board has no usable outline");
    }
    TPlacerOptions options;

    devtools::PhaseClock clock;
    THandleList components = devtools::ComponentsByDesignator(*loaded->board);
    TPair* tree = nullptr;
    clock.Time("pair tree, all components", [&] { tree = TPairGenerator(context, components).BuildTree(); });
    clock.Time("floor-plan spread", [&] { TTreeBasedPlacer(nullptr, board, context.KeepOutExtent, tree).Run(); });
    FreePairTree(tree);
    clock.Time("net analysis", [&] { AnalyzeAllNets(board); });
    TClusterLists lists;
    THandleList* remaining = &components;
    clock.Time("pre-cluster analysis", [&] { TPreClusterAnalyzer(context, options, components).Run(lists, remaining); });
    clock.Time("pair tree, remaining components", [&] { tree = TPairGenerator(context, *remaining).BuildTree(); });
    clock.Time("cluster extraction", [&] { lists.Clusters = TClusterExtractor(options).Extract(tree); });
    if (bounds) {
        clock.Time("cluster rooms from bounds", [&] {
            for (TCluster* cluster : *lists.Clusters) {
                cluster->Rect = cluster->GetBoundingRect(kMovableGroups);
            }
        });
    } else {
        clock.Time("relative placement", [&] { TRelativePlacer(context).Run(lists, options); });
    }
    clock.Time("sorting clusters by size", [&] { SortClusterListsBySize(lists); });
    RoomFigures figures;
    TRoomPlacer placer(context, options);
    figures.seconds = clock.Time("room placement", [&] { placer.Run(lists); });
    figures.fallback = placer.FallbackClusters.Count();
    Client = nullptr;

    std::vector<TRect> rooms;
    std::vector<uint8_t> sides;
    std::vector<const char*> kinds;
    double roomArea = 0;
    const std::vector<std::pair<TClusterList*, const char*>> named{{lists.Clusters, "main"},
                                                                  {lists.ICCapClusters, "IC-cap"},
                                                                  {lists.SameFootprintClusters, "same-footprint"},
                                                                  {lists.ConfinementClusters, "confinement"}};
    for (const auto& [list, kind] : named) {
        for (TCluster* cluster : *list) {
            rooms.push_back(cluster->Rect);
            sides.push_back(SidesOfMembers(*cluster));
            const bool fixed = !cluster->FixedGroups.Empty() && cluster->LargestComponent(kFixedGroups) != nullptr;
            kinds.push_back(fixed ? "main, fixed" : kind);
            figures.besideFixed += fixed ? 1 : 0;
            roomArea += static_cast<double>(RectWidth(cluster->Rect)) * RectHeight(cluster->Rect);
        }
    }
    const std::vector<app::Segment> outline = app::OutlineSegments(*loaded->board);
    const TRect& extent = context.KeepOutExtent;
    figures.rooms = static_cast<int>(rooms.size());
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        const TRect& room = rooms[i];
        for (std::size_t j = 0; j < rooms.size(); ++j) {
            // Rooms on opposite sides of the board do not compete.
            if (i != j && (sides[i] & sides[j]) != 0 && Overlap(room, rooms[j])) {
                ++figures.overlapping;
                break;
            }
        }
        const TRect r = InflateRectXY(room, -std::min(kOutlineInset, RectWidth(room) / 2),
                                      -std::min(kOutlineInset, RectHeight(room) / 2));
        const bool inside = app::InsideOutline(outline, {r.Left, r.Bottom}) &&
                            app::InsideOutline(outline, {r.Right, r.Bottom}) &&
                            app::InsideOutline(outline, {r.Right, r.Top}) &&
                            app::InsideOutline(outline, {r.Left, r.Top});
        figures.outsideOutline += inside ? 0 : 1;
        const bool inExtent = RectContainsRect(extent, room);
        figures.outsideExtent += inExtent ? 0 : 1;
        if (verbose && (!inside || !inExtent)) {
            std::printf("    %-14s room %8.0f x %8.0f mil at (%8.0f, %8.0f) mil from the extent's corner:%s%s\n",
                        kinds[i], RectWidth(room) / 1e4, RectHeight(room) / 1e4, (room.Left - extent.Left) / 1e4,
                        (room.Bottom - extent.Bottom) / 1e4, inside ? "" : " outside the outline",
                        inExtent ? "" : ", leaves the extent");
        }
    }
    const double cover = roomArea / (static_cast<double>(RectWidth(extent)) * RectHeight(extent));

    std::printf("%-21s %-11s %4d rooms (%3d main, %2d IC-cap, %2d same-fp, %2d confinement; %2d beside fixed), "
                "cover %.2f x extent: %3d by fallback, %3d overlap another, %3d stick out of the outline, "
                "%3d leave the extent; rooms %.3f s\n",
                std::filesystem::path(path).stem().string().c_str(),
                context.KeepOutIsRectangular ? "rectangular" : "irregular", figures.rooms, lists.Clusters->Count(),
                lists.ICCapClusters->Count(), lists.SameFootprintClusters->Count(),
                lists.ConfinementClusters->Count(), figures.besideFixed, cover, figures.fallback,
                figures.overlapping, figures.outsideOutline, figures.outsideExtent, figures.seconds);
    if (verbose) {
        for (const auto& [name, seconds] : clock.Phases) {
            std::printf("    %-34s %9.3f s\n", (name + ":").c_str(), seconds);
        }
    }
    for (TClusterList* list : {lists.Clusters, lists.ICCapClusters, lists.SameFootprintClusters,
                               lists.ConfinementClusters}) {
        FreeClusterListAndClusters(list);
    }
    loaded.reset();
    hostpcb::Host::Instance().Reset();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> boards;
    bool verbose = false;
    bool bounds = false;
    CLI::App cli{
        "dev_rooms: developer tool, not for users. Runs a placement up to the rooms on KiCad boards (default: "
        "every board of the shared boards folder) and reports overlapping rooms, rooms outside the outline and "
        "the time of the room placement."};
    cli.add_option("BOARDS", boards, "KiCad boards (.kicad_pcb)");
    cli.add_flag("-v,--verbose", verbose, "Print the time of every phase and every room that leaves the outline");
    cli.add_flag("--bounds", bounds, "Size the main clusters' rooms by their bounds instead of arranging them");
    CLI11_PARSE(cli, argc, argv);
    if (boards.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(AUTOPLACER_BOARDS_DIR)) {
            if (entry.path().extension() == ".kicad_pcb") {
                boards.push_back(entry.path().string());
            }
        }
        std::sort(boards.begin(), boards.end());
    }
    int status = 0;
    for (const std::string& path : boards) {
        try {
            RunBoard(path, verbose, bounds);
        } catch (const std::exception& failure) {
            Client = nullptr;
            std::cerr << "dev_rooms: " << path << ": " << failure.what() << "\n";
            status = 1;
        }
    }
    return status;
}
