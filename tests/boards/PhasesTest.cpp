// The spread and the clustering on real KiCad boards: every movable component
// lands with its extent corner inside the outline's extent, and every
// component ends in exactly one cluster.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "boards/RealBoardPhases.h"
#include "app/AppClient.h"
#include "model/Cluster.h"
#include "model/PlacedComponent.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

class RealBoardPlan : public test::TRealBoardTest {};

TEST_P(RealBoardPlan, SpreadStaysInsideTheOutlineAndClusteringCoversEveryComponent) {
    phases = std::make_unique<test::TRealBoardPhases>(GetParam());
    ASSERT_TRUE(phases->ValidateOutline());
    const int32_t total = phases->AllComponents.Count();
    phases->Spread();

    const TRect area = phases->Context.KeepOutExtent;
    int32_t checked = 0;
    for (PcbHandle component : phases->AllComponents) {
        const TRect extent = ComponentExtentRect(component);
        if (IsFixedComponent(component)) {
            continue;
        }
        ++checked;
        EXPECT_TRUE(PointInRect(extent.Left, extent.Bottom, area))
            << GetParam() << " " << hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(component)->Designator();
    }
    EXPECT_GT(checked, total / 2);

    phases->FormClusters();
    const TClusterLists& lists = phases->Lists;
    std::map<PcbHandle, int> seen;
    int32_t clusters = 0;
    for (TClusterList* list : {lists.Clusters, lists.ICCapClusters, lists.SameFootprintClusters,
                               lists.ConfinementClusters}) {
        for (const TCluster* cluster : *list) {
            ++clusters;
            for (PcbHandle handle : cluster->ComponentHandles()) {
                ++seen[handle];
            }
        }
    }
    EXPECT_EQ(static_cast<int32_t>(seen.size()), total) << GetParam();
    for (const auto& [handle, count] : seen) {
        EXPECT_EQ(count, 1) << GetParam();
    }
    // Clustering joined components: fewer clusters than components.
    EXPECT_LT(clusters, total) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, RealBoardPlan, ::testing::ValuesIn(test::kSharedBoards),
                         [](const ::testing::TestParamInfo<const char*>& board) {
                             return test::BoardTestName(board.param);
                         });

}  // namespace
}  // namespace autoplacer
