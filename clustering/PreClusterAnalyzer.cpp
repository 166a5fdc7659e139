#include "clustering/PreClusterAnalyzer.h"

#include <cctype>
#include <memory>
#include <vector>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbRules.h"
#include "model/BoardQueries.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

namespace {

// The flag value of the component-rotations rule that allows any angle.
constexpr uint8_t kAnyRotation = PCB_ROTATION_ANY;
constexpr uint8_t kRightAngleMask = 31;

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string PatternOf(PcbHandle component) {
    std::string pattern;
    GetComponentPattern(component, pattern);
    return pattern;
}

// The net of every pad of the component, in pad order.
std::vector<PcbHandle> PadNets(PcbHandle component) {
    std::vector<PcbHandle> nets;
    TObjectIterator pads(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    pads.ForEach([&nets](PcbHandle pad) { nets.push_back(GetObjectNet(pad)); });
    return nets;
}

// Largest group first.
int32_t LargerGroupFirst(THandleList* a, THandleList* b) { return b->Count() - a->Count(); }

}  // namespace

bool IsTwoPinCapacitor(PcbHandle component) {
    std::string designator;
    GetComponentDesignator(component, designator);
    return !designator.empty() && (designator[0] == 'C' || designator[0] == 'c') && PadCount(component) == 2;
}

bool IsMultiPinComponent(PcbHandle component) { return PadCount(component) > 3; }

TPreClusterAnalyzer::TPreClusterAnalyzer(const TPlacementContext& context, const TPlacerOptions& options,
                                         THandleList& components)
    : Options(options),
      ICCapClusters(new TClusterList),
      SameFootprintClusters(new TClusterList),
      ConfinementClusters(new TClusterList),
      Remaining(&components),
      Context(context) {}

TPreClusterAnalyzer::~TPreClusterAnalyzer() {
    for (THandleList* group : MultiPinGroups) {
        delete group;
    }
    for (THandleList* group : CapacitorGroups) {
        delete group;
    }
    for (TClusterList* list : {ICCapClusters, SameFootprintClusters, ConfinementClusters}) {
        if (list != nullptr) {
            for (TCluster* cluster : *list) {
                delete cluster;
            }
            delete list;
        }
    }
}

void TPreClusterAnalyzer::Run(TClusterLists& lists, THandleList*& remainingOut) {
    // Confinement first: components bound to a room never join the other kinds.
    FormConfinementClusters();
    ReadComponents();
    PairCapacitorGroups();
    FormFootprintClusters();
    lists.Clusters = nullptr;
    lists.ICCapClusters = ICCapClusters;
    lists.SameFootprintClusters = SameFootprintClusters;
    lists.ConfinementClusters = ConfinementClusters;
    ICCapClusters = nullptr;
    SameFootprintClusters = nullptr;
    ConfinementClusters = nullptr;
    remainingOut = Remaining;
}

// ---------------------------------------------------------------------------
// Helper tests

bool TPreClusterAnalyzer::IsPowerNet(PcbHandle net) const {
    return net != nullptr && Context.PowerNets != nullptr && Context.PowerNets->Contains(net);
}

bool TPreClusterAnalyzer::IsDecouplingCapacitor(PcbHandle component) const {
    PcbHandle first = nullptr;
    PcbHandle second = nullptr;
    int32_t seen = 0;
    TObjectIterator pads(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    for (PcbHandle pad = pads.First(); pad != nullptr && seen < 2; pad = pads.Next(), ++seen) {
        (seen == 0 ? first : second) = GetObjectNet(pad);
    }
    return IsPowerNet(first) && IsPowerNet(second);
}

bool TPreClusterAnalyzer::NoCommonRotation(PcbHandle component, const THandleList& group) const {
    uint8_t mask = kRightAngleMask;
    auto narrow = [&mask](PcbHandle member) {
        uint8_t flags = kAnyRotation;
        const PcbHandle rule = FindDominantRule(member, PCB_RULE_COMPONENT_ROTATIONS);
        if (rule == nullptr || !ReadComponentRotationsRule(rule, flags)) {
            flags = kAnyRotation;
        }
        if (flags != kAnyRotation) {
            mask &= flags;
        }
    };
    for (PcbHandle member : group) {
        narrow(member);
    }
    narrow(component);
    return mask == 0;
}

THandleList TPreClusterAnalyzer::SignalNets(PcbHandle component) const {
    THandleList nets;
    for (PcbHandle net : PadNets(component)) {
        if (!IsPowerNet(net) && !nets.Contains(net)) {
            nets.Add(net);
        }
    }
    return nets;
}

int32_t TPreClusterAnalyzer::SignalNetOverlap(PcbHandle a, PcbHandle b) const {
    THandleList la = SignalNets(a);
    THandleList lb = SignalNets(b);
    if (lb.Count() < la.Count()) {
        std::swap(la, lb);
    }
    if (la.Empty()) {
        return 0;
    }
    int32_t common = 0;
    for (PcbHandle net : la) {
        if (lb.Contains(net)) {
            ++common;
        }
    }
    return common * 100 / la.Count();
}

PcbHandle TPreClusterAnalyzer::FindComponentByDesignator(const std::string& name) const {
    TObjectIterator components(Context.Board, PCB_COMPONENT);
    for (PcbHandle component = components.First(); component != nullptr; component = components.Next()) {
        std::string designator;
        GetComponentDesignator(component, designator);
        if (SameTextIgnoringCase(designator, name)) {
            return component;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Confinement clusters

void TPreClusterAnalyzer::FormConfinementClusters() {
    std::vector<PcbHandle> rules;
    TObjectIterator boardRules(Context.Board, PCB_RULE);
    boardRules.ForEach([&rules](PcbHandle rule) {
        TPcbRuleExt record(rule);
        record.Sync(PCB_READ);
        if (record.RuleKind != PCB_RULE_CONFINEMENT || record.Scope1.Entries.size() != 1) {
            return;
        }
        const uint8_t kind = record.Scope1.Entries.front().Kind;
        if (kind != PCB_SCOPE_COMPONENT_CLASS && kind != PCB_SCOPE_COMPONENT) {
            return;
        }
        TConfinementRule room;
        if (ReadConfinementRule(rule, room) && room.Kind == PCB_CONFINE_KEEP_INSIDE) {
            rules.push_back(rule);
        }
    });

    const TProgressPhase progress("Forming clusters from confinement rules ...", static_cast<int32_t>(rules.size()));
    if (!CheckStopRequest()) {
        for (PcbHandle rule : rules) {
            ConfinementClusters->Add(ClusterFromRule(rule));
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
    PackList(*ConfinementClusters);
}

TCluster* TPreClusterAnalyzer::ClusterFromRule(PcbHandle rule) {
    auto cluster = std::make_unique<TCluster>();
    cluster->Rect = GetConfinementRect(rule);
    TPcbRuleExt record(rule);
    record.Sync(PCB_READ);
    if (!record.Scope1.Entries.empty()) {
        const TPcbScopeEntry entry = record.Scope1.Entries.front();
        if (entry.Kind == PCB_SCOPE_COMPONENT_CLASS) {
            const PcbHandle objectClass = FindClassByName(entry.Name, Context.Board);
            if (objectClass != nullptr) {
                TPCBObjectClass members(objectClass);
                members.Sync(PCB_READ);
                for (const std::string& name : members.Members) {
                    AddRuleComponent(*cluster, rule, name);
                }
            }
        } else if (entry.Kind == PCB_SCOPE_COMPONENT) {
            AddRuleComponent(*cluster, rule, entry.Name);
        }
    }
    // Fixed members alone make no cluster (they have left the remaining list all the same).
    if (cluster->Count() == 0) {
        return nullptr;
    }
    return cluster.release();
}

void TPreClusterAnalyzer::AddRuleComponent(TCluster& cluster, PcbHandle rule, const std::string& name) {
    const PcbHandle component = FindComponentByDesignator(name);
    if (component == nullptr || !PcbApi::PcbApi_Scope1_Includes(rule, component)) {
        return;
    }
    for (const TCluster* earlier : *ConfinementClusters) {
        if (earlier != nullptr && earlier->Contains(component)) {
            return;  // the first rule in host order keeps it
        }
    }
    cluster.AddComponent(component);
    Remaining->Remove(component);
}

// ---------------------------------------------------------------------------
// Capacitor and many-pin groups

void TPreClusterAnalyzer::ReadComponents() {
    const TProgressPhase progress("Reading in components for pre-clustering ...", Remaining->Count());
    if (!CheckStopRequest()) {
        for (int32_t i = 0; i < Remaining->Count(); ++i) {
            const PcbHandle component = Remaining->Items(i);
            if (!IsFixedComponent(component)) {
                if (IsTwoPinCapacitor(component)) {
                    if (IsDecouplingCapacitor(component)) {
                        AddCapacitor(component);
                    }
                } else if (IsMultiPinComponent(component)) {
                    AddMultiPinComponent(component);
                }
            }
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

void TPreClusterAnalyzer::AddCapacitor(PcbHandle component) {
    const std::string pattern = PatternOf(component);
    const std::string comment = GetComponentCommentText(component);
    for (THandleList* group : CapacitorGroups) {
        const PcbHandle first = group->First();
        if (PatternOf(first) == pattern && GetComponentCommentText(first) == comment &&
            NetsContained(first, component) && !NoCommonRotation(component, *group)) {
            group->Add(component);
            return;
        }
    }
    CapacitorGroups.Add(new THandleList{component});
}

void TPreClusterAnalyzer::AddMultiPinComponent(PcbHandle component) {
    const std::string pattern = PatternOf(component);
    for (THandleList* group : MultiPinGroups) {
        const PcbHandle first = group->First();
        if (PatternOf(first) == pattern && !NoCommonRotation(component, *group) &&
            SignalNetOverlap(component, first) > Options.ClusterScoreThreshold) {
            group->Add(component);
            return;
        }
    }
    MultiPinGroups.Add(new THandleList{component});
}

// ---------------------------------------------------------------------------
// IC-capacitor and same-footprint clusters

void TPreClusterAnalyzer::PairCapacitorGroups() {
    TProgressPhase progress("Forming special clusters ...", MultiPinGroups.Count() * CapacitorGroups.Count());
    if (CheckStopRequest()) {
        progress.LeaveOpen();
        return;
    }
    MultiPinGroups.Sort(&LargerGroupFirst);
    CapacitorGroups.Sort(&LargerGroupFirst);
    bool stopped = CheckStopRequest();
    for (int32_t c = 0; c < CapacitorGroups.Count() && !stopped; ++c) {
        THandleList& capacitors = *CapacitorGroups[c];
        for (int32_t m = 0; m < MultiPinGroups.Count(); ++m) {
            THandleList& components = *MultiPinGroups[m];
            if (!components.Empty() && capacitors.Count() >= components.Count()) {
                bool allContained = true;
                for (int32_t i = 0; i < components.Count() && allContained; ++i) {
                    for (int32_t j = 0; j < capacitors.Count() && allContained; ++j) {
                        allContained = NetsContained(components[i], capacitors[j]);
                    }
                }
                if (allContained) {
                    BuildICCapCluster(components, capacitors);
                }
            }
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                stopped = true;
                break;
            }
        }
    }
    PackList(MultiPinGroups);
}

void TPreClusterAnalyzer::BuildICCapCluster(THandleList& components, THandleList& capacitors) {
    auto cluster = std::make_unique<TCluster>();
    for (int32_t i = 0; i < components.Count(); ++i) {
        Remaining->Remove(capacitors[i]);
        Remaining->Remove(components[i]);
        cluster->AddComponent(capacitors[i]);
        cluster->AddComponent(components[i]);
        capacitors[i] = nullptr;
        components[i] = nullptr;
    }
    PackList(components);
    // Capacitors left over keep their order and can serve a later group.
    PackList(capacitors);
    ICCapClusters->Add(cluster.release());
}

void TPreClusterAnalyzer::FormFootprintClusters() {
    const TProgressPhase progress("Forming special clusters ...", MultiPinGroups.Count());
    if (!CheckStopRequest()) {
        for (THandleList* group : MultiPinGroups) {
            if (group->Count() > 1) {
                auto cluster = std::make_unique<TCluster>();
                for (PcbHandle component : *group) {
                    Remaining->Remove(component);
                    cluster->AddComponent(component);
                }
                SameFootprintClusters->Add(cluster.release());
            }
            TProgressPhase::Step();
            if (CheckStopRequest()) {
                break;
            }
        }
    }
}

}  // namespace autoplacer
