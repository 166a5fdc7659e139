// dev_clusters: a developer tool that shows the cluster formation on a real board.
//
// It loads a KiCad board (with its placement-rules file when present), builds
// the pair tree over all components, spreads them with the floor plan,
// re-analyses the nets, runs the pre-cluster analysis, builds the pair tree of
// the remaining components and cuts it into clusters, as a placement run does
// before the clusters are arranged. It writes the spread board and an SVG in
// which every cluster has its own colour and the special clusters carry a
// frame, and prints the cluster counts per kind and the time of each phase.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DevTools.h"
#include "app/AppClient.h"
#include "app/ClusterColours.h"
#include "app/SvgRenderer.h"
#include "clustering/ClusterExtractor.h"
#include "clustering/PairGenerator.h"
#include "clustering/PreClusterAnalyzer.h"
#include "engines/KeepOut.h"
#include "engines/TreeBasedPlacer.h"
#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "model/BoardQueries.h"
#include "model/PrimitivesList.h"
#include "plugin/Main_AutoPlacer.h"

namespace {

using namespace autoplacer;

struct Arguments {
    std::string board;
    std::string output;
    std::string before;
    std::string boardOutput;
    std::string rules;
    int threshold = 85;
    bool noPrePasses = false;
};

// Frame colours of the special clusters.
constexpr const char* kConfinementFrame = "#1d7f2a";
constexpr const char* kICCapFrame = "#111111";
constexpr const char* kSameFootprintFrame = "#8a2be2";

struct ClusterMark {
    int index = 0;
    std::string frame;
};

int Run(const Arguments& args) {
    io::LoadOptions load;
    load.rulesPath = args.rules;
    std::unique_ptr<io::LoadedBoard> loaded = io::LoadBoardFile(args.board, load);
    for (const std::string& warning : loaded->warnings) {
        std::cerr << "warning: " << warning << "\n";
    }
    const std::string title = std::filesystem::path(args.board).filename().string();
    if (!args.before.empty()) {
        app::RenderOptions picture;
        picture.title = title + " (as loaded)";
        io::WriteFileAtomically(args.before, app::RenderBoardSvg(*loaded->board, picture));
    }

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
        std::cerr << "dev_clusters: the board has no usable outline\n";
        return 2;
    }
    TPlacerOptions options;
    options.ClusterScoreThreshold = args.threshold;
    options.DoPrePasses = !args.noPrePasses;

    devtools::PhaseClock clock;
    THandleList components = devtools::ComponentsByDesignator(*loaded->board);
    const int32_t total = components.Count();
    TPair* tree = nullptr;
    clock.Time("pair tree, all components", [&] { tree = TPairGenerator(context, components).BuildTree(); });
    clock.Time("floor-plan spread", [&] { TTreeBasedPlacer(nullptr, board, context.KeepOutExtent, tree).Run(); });
    FreePairTree(tree);
    clock.Time("net analysis", [&] { AnalyzeAllNets(board); });

    TClusterLists lists;
    THandleList* remaining = &components;
    clock.Time("pre-cluster analysis", [&] {
        if (options.DoPrePasses) {
            TPreClusterAnalyzer(context, options, components).Run(lists, remaining);
        } else {
            lists.ICCapClusters = new TClusterList;
            lists.SameFootprintClusters = new TClusterList;
            lists.ConfinementClusters = new TClusterList;
        }
    });
    const int32_t remainingCount = remaining->Count();
    clock.Time("pair tree, remaining components", [&] { tree = TPairGenerator(context, *remaining).BuildTree(); });
    clock.Time("cluster extraction", [&] { lists.Clusters = TClusterExtractor(options).Extract(tree); });
    Client = nullptr;

    // Colour and frame per component.
    std::unordered_map<const void*, ClusterMark> marks;
    int index = 0;
    int clustered = 0;
    const std::vector<std::pair<TClusterList*, const char*>> kinds{{lists.ConfinementClusters, kConfinementFrame},
                                                                   {lists.ICCapClusters, kICCapFrame},
                                                                   {lists.SameFootprintClusters, kSameFootprintFrame},
                                                                   {lists.Clusters, ""}};
    for (const auto& [list, frame] : kinds) {
        for (const TCluster* cluster : *list) {
            for (PcbHandle handle : cluster->ComponentHandles()) {
                marks[hostpcb::Host::Instance().Resolve(handle)] = {index, frame};
                ++clustered;
            }
            ++index;
        }
    }
    app::RenderOptions picture;
    picture.title = title + " (spread, coloured by cluster)";
    picture.paint = [&marks](const hostpcb::Component& component) {
        const auto mark = marks.find(&component);
        if (mark == marks.end()) {
            return app::ComponentPaint{};
        }
        return app::ComponentPaint{app::ClusterColour(mark->second.index), mark->second.frame};
    };
    io::WriteFileAtomically(args.output, app::RenderBoardSvg(*loaded->board, picture));

    int singles = 0;
    for (const TCluster* cluster : *lists.Clusters) {
        singles += cluster->ComponentCount() == 1 ? 1 : 0;
    }
    std::cout << title << ": " << total << " components, " << remainingCount << " left after the pre-pass, "
              << clustered << " in clusters\n";
    std::cout << "  confinement clusters:     " << lists.ConfinementClusters->Count() << "\n";
    std::cout << "  IC-capacitor clusters:    " << lists.ICCapClusters->Count() << "\n";
    std::cout << "  same-footprint clusters:  " << lists.SameFootprintClusters->Count() << "\n";
    std::cout << "  tree clusters:            " << lists.Clusters->Count() << " (" << singles
              << " of a single component)\n";
    for (const auto& [name, seconds] : clock.Phases) {
        std::printf("  %-34s %9.3f s\n", (name + ":").c_str(), seconds);
    }
    std::cout << "wrote " << args.output << "\n";

    io::SaveOptions save;
    save.output = args.boardOutput.empty() ? std::filesystem::path(args.output).replace_extension(".kicad_pcb").string()
                                           : args.boardOutput;
    int status = 0;
    try {
        const io::SaveResult saved = io::SaveBoardFile(*loaded, save);
        std::cout << "wrote " << saved.path << " (" << saved.moved << " footprints moved)\n";
    } catch (const std::exception& failure) {
        std::cerr << "dev_clusters: cannot write the spread board: " << failure.what() << "\n";
        status = 3;
    }

    for (const auto& [list, frame] : kinds) {
        FreeClusterListAndClusters(list);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    CLI::App cli{
        "dev_clusters: developer tool, not for users. Spreads a board with the floor plan, forms the clusters "
        "and draws them: every cluster in its own colour; frames mark confinement (green), IC-capacitor (black) "
        "and same-footprint (purple) clusters."};
    cli.add_option("BOARD", args.board, "KiCad board (.kicad_pcb)")->required();
    cli.add_option("-o,--output", args.output, "SVG file of the clusters")->required();
    cli.add_option("--before", args.before, "Also draw the board as loaded into this SVG file");
    cli.add_option("--board-out", args.boardOutput, "Where to write the spread board (default: OUTPUT as .kicad_pcb)");
    cli.add_option("--rules", args.rules, "Placement-rules file (default: BOARD.placer_rules when present)");
    cli.add_option("--threshold", args.threshold, "Cluster score threshold (default 85)");
    cli.add_flag("--no-prepasses", args.noPrePasses, "Skip the pre-cluster analysis");
    CLI11_PARSE(cli, argc, argv);
    try {
        return Run(args);
    } catch (const std::exception& failure) {
        Client = nullptr;
        std::cerr << "dev_clusters: " << failure.what() << "\n";
        return 1;
    }
}
