// The relative placement on every shared real board, after the phases that
// form the clusters: no two placed components of one cluster overlap on the
// same side (courtyards, or extents where there is none, as the board metrics
// count them) unless the group placer had to fall back in that main cluster,
// and every arranged cluster's rectangle (a row cluster's single group
// rectangle) encloses the extents of its placed components.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppClient.h"
#include "app/Metrics.h"
#include "engines/RelativePlacer.h"
#include "model/Cluster.h"
#include "model/PlacedComponent.h"
#include "boards/RealBoardPhases.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

struct TClusterCheck {
    int32_t Clusters = 0;
    int32_t OverlappingClusters = 0;
    int32_t OverlappingPairs = 0;
    int32_t NotEnclosed = 0;
    int32_t FixedOverlaps = 0;
    std::ostringstream Notes;
};



bool BoxesOverlap(const hostpcb::Box& a, const hostpcb::Box& b) {
    return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

class RealBoardArrangement : public test::TRealBoardTest {
protected:
    hostpcb::Component& Host(PcbHandle handle) {
        return *hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(handle);
    }

    // The placed (movable) members of the cluster against each other and against r.
    // Answers the number of overlapping pairs.
    int32_t Check(const char* kind, int32_t index, const TCluster& cluster, const TRect& r,
                  const std::map<const hostpcb::Component*, hostpcb::Box>& boxes, TClusterCheck& check) {
        ++check.Clusters;
        std::vector<PcbHandle> members;
        for (const TRectangularComponentGroup* group : cluster) {
            for (const TPlacedComponent* member : *group) {
                members.push_back(member->Handle);
            }
        }
        int32_t pairs = 0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            hostpcb::Component& a = Host(members[i]);
            if (!RectContainsRect(r, ComponentExtentRect(members[i]))) {
                ++check.NotEnclosed;
                check.Notes << " " << kind << index << ":" << a.Designator() << " outside its rectangle;";
            }
            for (std::size_t j = i + 1; j < members.size(); ++j) {
                hostpcb::Component& b = Host(members[j]);
                if (a.Layer() == b.Layer() && BoxesOverlap(boxes.at(&a), boxes.at(&b))) {
                    ++pairs;
                    check.Notes << " " << kind << index << ":" << a.Designator() << "/" << b.Designator();
                }
            }
        }
        // Fixed members stay where they are and are no obstacles here: counted, not judged.
        for (const TRectangularComponentGroup* group : cluster.FixedGroups) {
            for (const TPlacedComponent* fixed : *group) {
                hostpcb::Component& f = Host(fixed->Handle);
                for (PcbHandle member : members) {
                    hostpcb::Component& m = Host(member);
                    if (f.Layer() == m.Layer() && BoxesOverlap(boxes.at(&f), boxes.at(&m))) {
                        ++check.FixedOverlaps;
                        check.Notes << " " << kind << index << ":" << m.Designator() << "/fixed " << f.Designator();
                    }
                }
            }
        }
        if (pairs > 0) {
            ++check.OverlappingClusters;
            check.OverlappingPairs += pairs;
        }
        return pairs;
    }

};

TEST_P(RealBoardArrangement, ClusterMembersDoNotOverlapAndStayInsideTheirRectangle) {
    phases = std::make_unique<test::TRealBoardPhases>(GetParam());
    ASSERT_TRUE(phases->ValidateOutline());
    phases->Spread();
    phases->FormClusters();
    const TClusterLists& lists = phases->Lists;

    TRelativePlacer placer(phases->Context);
    placer.Run(lists, phases->Options);

    std::map<const hostpcb::Component*, hostpcb::Box> boxes;
    for (const app::ComponentExtent& extent : app::ComponentExtents(*phases->Loaded->board)) {
        boxes[extent.component] = extent.box;
    }
    TClusterCheck check;
    for (int32_t i = 0; i < lists.Clusters->Count(); ++i) {
        const TCluster& cluster = *(*lists.Clusters)[i];
        if (Check("M", i, cluster, cluster.Rect, boxes, check) > 0) {
            EXPECT_TRUE(placer.FallbackClusters.Contains(lists.Clusters->Items(i))) << "main cluster " << i;
        }
    }
    for (TClusterList* rows : {lists.ICCapClusters, lists.SameFootprintClusters}) {
        const char* kind = rows == lists.ICCapClusters ? "IC" : "SF";
        for (int32_t i = 0; i < rows->Count(); ++i) {
            const TCluster& cluster = *(*rows)[i];
            ASSERT_LE(cluster.Count(), 1) << kind << i;
            EXPECT_EQ(Check(kind, i, cluster, cluster.Empty() ? Rect(0, 0, 0, 0) : cluster[0]->Rect, boxes, check), 0)
                << kind << i;
        }
    }
    int32_t clustered = 0;
    for (TClusterList* list : {lists.Clusters, lists.ICCapClusters, lists.SameFootprintClusters,
                               lists.ConfinementClusters}) {
        for (const TCluster* cluster : *list) {
            clustered += cluster->ComponentCount();
        }
    }
    std::cout << GetParam() << ": clusters " << lists.Clusters->Count() << " main, " << lists.ICCapClusters->Count()
              << " IC-capacitor, " << lists.SameFootprintClusters->Count() << " same-footprint, "
              << lists.ConfinementClusters->Count() << " confinement; group placer fell back in "
              << placer.FallbackClusters.Count() << "; overlapping " << check.OverlappingClusters
              << " clusters, " << check.OverlappingPairs << " pairs, " << check.FixedOverlaps
              << " with fixed members; in no cluster " << phases->AllComponents.Count() - clustered << ";"
              << check.Notes.str() << "\n";
    EXPECT_EQ(check.NotEnclosed, 0);
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, RealBoardArrangement, ::testing::ValuesIn(test::kSharedBoards),
                         [](const ::testing::TestParamInfo<const char*>& board) {
                             return test::BoardTestName(board.param);
                         });

}  // namespace
}  // namespace autoplacer
