// The pre-cluster analysis: the special clusters that the connectivity tree
// would not form reliably, made before the tree is built.
//
// - Confinement clusters: the components that a keep-inside room rule binds to
//   one room, one cluster per rule, with the room as the cluster's rectangle.
// - IC-capacitor clusters: many-pin components of one footprint together with
//   as many decoupling capacitors (two-pin capacitors between two power nets)
//   of one kind; the groups alternate capacitor, component, capacitor, ...
// - Same-footprint clusters: two or more many-pin components of one footprint
//   whose signal nets largely coincide.
//
// Every component taken into a cluster is removed from the caller's component
// list; what is left goes to the pair generator.
#pragma once

#include <cstdint>
#include <string>

#include "model/PlacementContext.h"
#include "model/Cluster.h"
#include "model/FastList.h"
#include "sdk/pcb_types.h"
#include "model/PlacerOptions.h"

namespace autoplacer {

using THandleList = TFastListOf<PcbHandle>;
// Working groups of component handles; the first member is the group's
// representative, which new candidates are compared with.
using THandleGroups = TFastListOf<THandleList*>;

// A component whose designator begins with "C" or "c" and that has exactly two pads.
bool IsTwoPinCapacitor(PcbHandle component);
// A component with more than three pads.
bool IsMultiPinComponent(PcbHandle component);

class TPreClusterAnalyzer {
public:
    // Keeps a reference to components (the caller's list itself), from which
    // every clustered component is removed.
    TPreClusterAnalyzer(const TPlacementContext& context, const TPlacerOptions& options, THandleList& components);
    // Frees the working groups, and the result lists that Run did not hand out.
    ~TPreClusterAnalyzer();
    TPreClusterAnalyzer(const TPreClusterAnalyzer&) = delete;
    TPreClusterAnalyzer& operator=(const TPreClusterAnalyzer&) = delete;

    // Forms the three kinds of cluster and hands the lists over: the caller
    // owns them and their clusters from then on. lists.Clusters is set to nil;
    // remainingOut is the component list given at creation.
    void Run(TClusterLists& lists, THandleList*& remainingOut);

    // The first two pads (in host order) both lie on power nets; a missing pad
    // or a pad without a net does not.
    bool IsDecouplingCapacitor(PcbHandle component) const;
    // The component and every member of the group have no allowed rotation in common.
    bool NoCommonRotation(PcbHandle component, const THandleList& group) const;
    // The distinct nets of the component's pads in pad order, power nets left
    // out; pads without a net add one nil entry.
    THandleList SignalNets(PcbHandle component) const;
    // The share (0..100) of the shorter signal-net list (A's on equal length)
    // found in the other one.
    int32_t SignalNetOverlap(PcbHandle a, PcbHandle b) const;
    // The first component of the board with this designator, ignoring case.
    PcbHandle FindComponentByDesignator(const std::string& name) const;

    // The steps of Run, in their order.
    void FormConfinementClusters();
    void ReadComponents();
    void AddCapacitor(PcbHandle component);
    void AddMultiPinComponent(PcbHandle component);
    void PairCapacitorGroups();
    void FormFootprintClusters();

    TPlacerOptions Options;
    TClusterList* ICCapClusters;
    TClusterList* SameFootprintClusters;
    TClusterList* ConfinementClusters;
    THandleGroups MultiPinGroups;  // owned
    THandleGroups CapacitorGroups;  // owned
    THandleList* Remaining;
    TPlacementContext Context;

private:
    TCluster* ClusterFromRule(PcbHandle rule);
    void AddRuleComponent(TCluster& cluster, PcbHandle rule, const std::string& name);
    // The IC-capacitor cluster of the many-pin group and the first members of
    // the capacitor group, one capacitor per component.
    void BuildICCapCluster(THandleList& components, THandleList& capacitors);
    bool IsPowerNet(PcbHandle net) const;
};

}  // namespace autoplacer
