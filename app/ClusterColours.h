// Colours for pictures of a board by the clusters the placer forms on it. The
// loaded plug-in forms them with its developer query "QueryClusters" on the
// current board as it stands (the same cluster formation as a placement run:
// pre-passes, pair tree, cut at the threshold), which moves nothing. Cluster
// formation reads nets, footprints and rules only, so the clusters are those of
// the run.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "app/SvgRenderer.h"
#include "hostpcb/Board.h"
#include "sdk/plugin.h"

namespace app {

struct ClusterColouring {
    // Fill colour per component; special clusters also get a frame colour.
    std::unordered_map<const hostpcb::Component*, ComponentPaint> paints;
    int clusters = 0;
};

// Empty when the plug-in forms no clusters (no usable outline, no current board).
ClusterColouring ColourByCluster(sdk::ICommandLauncher& plugin, int32_t threshold, bool prePasses);

// The colouring described by a "QueryClusters" answer; empty when the answer is
// not "Result=True" or names something that is not a component.
ClusterColouring ColouringFromAnswer(const std::string& answer);

// A distinct colour per cluster index: hues a golden angle apart.
std::string ClusterColour(int index);

}  // namespace app
