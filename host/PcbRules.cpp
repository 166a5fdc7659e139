#include "host/PcbRules.h"

#include <algorithm>
#include <cstring>

#include "host/PcbApi.h"
#include "host/PcbUnits.h"
#include "host/RecordSync.h"

namespace autoplacer {

using detail::CopyText;
using detail::ReadText;
using detail::SyncRecord;

int32_t TPcbRule::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryRule,
        [this](PcbRuleData& data) {
            WriteBase(data.Base);
            data.RuleKind = RuleKind;
            CopyText(data.Name, sizeof data.Name, Name);
        },
        [this](const PcbRuleData& data) {
            ReadBase(data.Base);
            RuleKind = data.RuleKind;
            Name = ReadText(data.Name, sizeof data.Name);
        });
}

void TPcbScope::Read(const PcbScopeData& data) {
    Entries.clear();
    const int32_t count = std::clamp<int32_t>(data.Count, 0, PCB_SCOPE_CAPACITY);
    for (int32_t i = 0; i < count; ++i) {
        const PcbScopeEntry& entry = data.Entries[i];
        Entries.push_back(TPcbScopeEntry{entry.Kind, ReadText(entry.Name, sizeof entry.Name), entry.Value});
    }
}

void TPcbScope::Write(PcbScopeData& data) const {
    const std::size_t count = std::min<std::size_t>(Entries.size(), PCB_SCOPE_CAPACITY);
    data.Count = static_cast<int32_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        data.Entries[i].Kind = Entries[i].Kind;
        CopyText(data.Entries[i].Name, sizeof data.Entries[i].Name, Entries[i].Name);
        data.Entries[i].Value = Entries[i].Value;
    }
}

int32_t TPcbRuleExt::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryRuleExt,
        [this](PcbRuleExtData& data) {
            WriteBase(data.Base);
            data.RuleKind = RuleKind;
            Scope1.Write(data.Scope1);
            Scope2.Write(data.Scope2);
        },
        [this](const PcbRuleExtData& data) {
            ReadBase(data.Base);
            RuleKind = data.RuleKind;
            Scope1.Read(data.Scope1);
            Scope2.Read(data.Scope2);
        });
}

TPcbRuleEx::TPcbRuleEx(PcbHandle handle) : TPCBObject(PCB_RULE, handle) { SetLayer(PCB_MULTI_LAYER); }

int32_t TPcbRuleEx::Sync(int32_t direction) {
    return SyncRecord(
        Handle, direction, &PcbApi::PcbApi_QueryRuleEx,
        [this](PcbRuleExData& data) {
            WriteBase(data.Base);
            data.RuleKind = RuleKind;
            CopyText(data.Scope1Expression, sizeof data.Scope1Expression, Scope1Expression);
            CopyText(data.Scope2Expression, sizeof data.Scope2Expression, Scope2Expression);
            data.Priority = Priority;
            data.Enabled = Enabled;
            data.Flag2 = Flag2;
        },
        [this](const PcbRuleExData& data) {
            ReadBase(data.Base);
            RuleKind = data.RuleKind;
            Scope1Expression = ReadText(data.Scope1Expression, sizeof data.Scope1Expression);
            Scope2Expression = ReadText(data.Scope2Expression, sizeof data.Scope2Expression);
            Priority = data.Priority;
            Enabled = data.Enabled;
            Flag2 = data.Flag2;
        });
}

PcbHandle FindDominantRule(PcbHandle object, uint8_t ruleKind) {
    if (object == nullptr) {
        return nullptr;
    }
    return PcbApi::PcbApi_FindDominantRuleForObject(object, ruleKind);
}

PcbHandle FindDominantRuleForPair(PcbHandle a, PcbHandle b, uint8_t ruleKind) {
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    return PcbApi::PcbApi_FindDominantRuleForObjectPair(a, b, ruleKind);
}

// The host writes the outputs only when it answers; a missing query leaves them as given.
bool ReadClearanceRule(PcbHandle rule, int32_t& gap) {
    return rule != nullptr && PcbApi::PcbApi_QueryRuleClearanceConstraint(rule, PCB_READ, &gap) == PCB_OK;
}

bool ReadComponentClearanceRule(PcbHandle rule, int32_t& gap, uint8_t& mode) {
    return rule != nullptr &&
           PcbApi::PcbApi_QueryRuleComponentClearanceConstraint(rule, PCB_READ, &gap, &mode) == PCB_OK;
}

bool ReadConfinementRule(PcbHandle rule, TConfinementRule& room) {
    if (rule == nullptr) {
        return false;
    }
    PcbLayerId layer = LayerNumberToId(room.Layer);
    const bool ok = PcbApi::PcbApi_QueryRuleConfinementConstraint(rule, PCB_READ, &room.X1, &room.Y1, &room.X2,
                                                                   &room.Y2, &room.Kind, &layer) == PCB_OK;
    room.Layer = LayerIdToNumber(layer);
    return ok;
}

bool ReadComponentRotationsRule(PcbHandle rule, uint8_t& flags) {
    return rule != nullptr && PcbApi::PcbApi_QueryRuleComponentRotationsRule(rule, PCB_READ, &flags) == PCB_OK;
}

bool ReadPermittedLayersRule(PcbHandle rule, uint8_t& flags) {
    return rule != nullptr && PcbApi::PcbApi_QueryRulePermittedLayersRule(rule, PCB_READ, &flags) == PCB_OK;
}

bool ReadRoutingLayersRule(PcbHandle rule, std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions) {
    return rule != nullptr && PcbApi::PcbApi_QueryRuleRoutingLayersRule(rule, PCB_READ, directions.data()) == PCB_OK;
}

}  // namespace autoplacer
