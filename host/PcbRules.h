// Design-rule records and the queries of the rule values the placer reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/PcbRecords.h"

namespace autoplacer {

// A rule: its kind and name.
class TPcbRule : public TPCBObject {
public:
    explicit TPcbRule(PcbHandle handle = nullptr) : TPCBObject(PCB_RULE, handle) {}
    int32_t Sync(int32_t direction) override;

    uint8_t RuleKind = 0;
    std::string Name;
};

struct TPcbScopeEntry {
    uint8_t Kind = PCB_SCOPE_BOARD;  // 0 board, 5 component class, 6 component, ...
    std::string Name;
    int32_t Value = 0;  // further host value (a layer number for layer entries)
};

// The objects a rule applies to, as a list of entries.
class TPcbScope {
public:
    std::vector<TPcbScopeEntry> Entries;

    void Read(const PcbScopeData& data);
    // At most PCB_SCOPE_CAPACITY entries reach the host.
    void Write(PcbScopeData& data) const;
};

// A rule with its two scopes.
class TPcbRuleExt : public TPCBObject {
public:
    explicit TPcbRuleExt(PcbHandle handle = nullptr) : TPCBObject(PCB_RULE, handle) {}
    int32_t Sync(int32_t direction) override;

    uint8_t RuleKind = 0;
    TPcbScope Scope1;
    TPcbScope Scope2;
};

// A rule with its scope expressions and priority (1 is the highest).
class TPcbRuleEx : public TPCBObject {
public:
    explicit TPcbRuleEx(PcbHandle handle = nullptr);
    int32_t Sync(int32_t direction) override;

    uint8_t RuleKind = 0;
    std::string Scope1Expression = "All";
    std::string Scope2Expression = "All";
    int32_t Priority = -1;
    uint8_t Enabled = 0;
    uint8_t Flag2 = 0;
};

// Rule lookup: the governing rule of a kind, nil when none applies.
PcbHandle FindDominantRule(PcbHandle object, uint8_t ruleKind);
PcbHandle FindDominantRuleForPair(PcbHandle a, PcbHandle b, uint8_t ruleKind);

// The values of a rule, read with direction 1. Each answers False (outputs as
// given) for a nil rule or when the host reports an error; a host without the
// query leaves the outputs as given.
bool ReadClearanceRule(PcbHandle rule, int32_t& gap);
bool ReadComponentClearanceRule(PcbHandle rule, int32_t& gap, uint8_t& mode);
struct TConfinementRule {
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    uint8_t Kind = PCB_CONFINE_KEEP_INSIDE;
    int Layer = 0;  // layer number
};
bool ReadConfinementRule(PcbHandle rule, TConfinementRule& room);
bool ReadComponentRotationsRule(PcbHandle rule, uint8_t& flags);
bool ReadPermittedLayersRule(PcbHandle rule, uint8_t& flags);
// One direction code per signal layer: index 0 = TopLayer .. 31 = BottomLayer.
bool ReadRoutingLayersRule(PcbHandle rule, std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions);

}  // namespace autoplacer
