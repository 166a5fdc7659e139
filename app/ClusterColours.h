// Colours for pictures of a board by the clusters the placer forms on it: the
// same cluster formation as a placement run (pre-passes, pair tree, cut at the
// threshold) run on the board as loaded, which moves nothing. Cluster
// formation reads nets, footprints and rules only, so the clusters are those of
// the run.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "app/SvgRenderer.h"
#include "clustering/PreClusterAnalyzer.h"
#include "hostpcb/Board.h"

namespace app {

struct ClusterColouring {
    // Fill colour per component; special clusters also get a frame colour.
    std::unordered_map<const hostpcb::Component*, ComponentPaint> paints;
    int clusters = 0;
};

// Empty when the board has no usable outline.
ClusterColouring ColourByCluster(hostpcb::Board& board, int32_t threshold, bool prePasses);

// Every component of the board, by designator in descending byte order: the
// order in which a placement run hands them to cluster formation.
autoplacer::THandleList ComponentsByDesignator(const hostpcb::Board& board);

// A distinct colour per cluster index: hues a golden angle apart.
std::string ClusterColour(int index);

}  // namespace app
