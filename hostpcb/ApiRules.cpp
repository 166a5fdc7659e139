// Exported rule functions: rule records, scopes, per-kind values and the governing rule.
#include "hostpcb/ApiSupport.h"
#include "hostpcb/Rules.h"

using namespace hostpcb;
using namespace hostpcb::api;

namespace {

// A scope without entries covers the whole board; the host reports it as its one
// board entry, the form a rule scoped "All" has.
void ReadScope(const std::vector<ScopeEntry>& in, PcbScopeData& out) {
    if (in.empty()) {
        out.Count = 1;
        out.Entries[0].Kind = PCB_SCOPE_BOARD;
        CopyText(out.Entries[0].Name, PCB_TEXT_CAPACITY, "");
        out.Entries[0].Value = 0;
        return;
    }
    out.Count = int32_t(std::min<std::size_t>(in.size(), PCB_SCOPE_CAPACITY));
    for (int32_t i = 0; i < out.Count; ++i) {
        out.Entries[i].Kind = in[std::size_t(i)].kind;
        CopyText(out.Entries[i].Name, PCB_TEXT_CAPACITY, in[std::size_t(i)].name);
        out.Entries[i].Value = in[std::size_t(i)].value;
    }
}

std::vector<ScopeEntry> WriteScope(const PcbScopeData& in) {
    std::vector<ScopeEntry> out;
    const int32_t n = std::clamp<int32_t>(in.Count, 0, PCB_SCOPE_CAPACITY);
    for (int32_t i = 0; i < n; ++i)
        out.push_back({in.Entries[i].Kind, ReadText(in.Entries[i].Name, PCB_TEXT_CAPACITY), in.Entries[i].Value});
    return out;
}

void ReadRuleBase(const Rule& r, PcbObjectData& d) {
    d = {};
    d.ObjectId = PCB_RULE;
    d.Flags = r.flags;
    d.BitField2 = r.bitField2;
    d.BitField3 = r.bitField3;
    d.Index = r.tag;
    d.Moveable = r.moveable ? 1 : 0;
    d.Layer = LayerToId(r.Layer());
}

void WriteRuleBase(Rule& r, const PcbObjectData& d) {
    r.flags = d.Flags;
    r.bitField2 = d.BitField2;
    r.bitField3 = d.BitField3;
    r.tag = d.Index;
    r.moveable = d.Moveable != 0;
    r.SetLayer(LayerFromId(d.Layer));
}

// Resolves a rule handle and checks its kind; returns the error code or PCB_OK.
int32_t RuleOf(PcbHandle h, int kind, Rule*& out) {
    Object* o = Obj(h);
    if (o == nullptr) return PCB_ERROR_NIL_HANDLE;
    out = dynamic_cast<Rule*>(o);
    if (out == nullptr || (kind >= 0 && out->ruleKind != kind)) return PCB_ERROR_WRONG_KIND;
    return PCB_OK;
}

template <class T>
void Transfer(int32_t direction, T& field, T* value) {
    if (value == nullptr) return;
    if (direction == PCB_READ)
        *value = field;
    else
        field = *value;
}

}  // namespace

extern "C" {

int32_t PcbApi_QueryRule(PcbHandle rule, int32_t direction, PcbRuleData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, -1, r); e != PCB_OK) return e;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ) {
            ReadRuleBase(*r, data->Base);
            data->RuleKind = r->ruleKind;
            CopyText(data->Name, PCB_TEXT_CAPACITY, r->name);
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteRuleBase(*r, data->Base);
        r->ruleKind = data->RuleKind;
        r->name = ReadText(data->Name, PCB_TEXT_CAPACITY);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleExt(PcbHandle rule, int32_t direction, PcbRuleExtData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, -1, r); e != PCB_OK) return e;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ) {
            ReadRuleBase(*r, data->Base);
            data->RuleKind = r->ruleKind;
            ReadScope(r->scope1, data->Scope1);
            ReadScope(r->scope2, data->Scope2);
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        WriteRuleBase(*r, data->Base);
        r->ruleKind = data->RuleKind;
        r->scope1 = WriteScope(data->Scope1);
        r->scope2 = WriteScope(data->Scope2);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleEx(PcbHandle rule, int32_t direction, PcbRuleExData* data) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, -1, r); e != PCB_OK) return e;
        if (data == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        if (direction == PCB_READ) {
            ReadRuleBase(*r, data->Base);
            data->RuleKind = r->ruleKind;
            CopyText(data->Scope1Expression, PCB_TEXT_CAPACITY, r->Scope1Expression());
            CopyText(data->Scope2Expression, PCB_TEXT_CAPACITY, r->Scope2Expression());
            data->Priority = r->priority;
            data->Enabled = r->enabled ? 1 : 0;
            data->Flag2 = r->flag2;
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        std::vector<ScopeEntry> s1, s2;
        if (!ParseScopeExpression(ReadText(data->Scope1Expression, PCB_TEXT_CAPACITY), s1) ||
            !ParseScopeExpression(ReadText(data->Scope2Expression, PCB_TEXT_CAPACITY), s2))
            return PCB_ERROR_BAD_ARGUMENT;
        WriteRuleBase(*r, data->Base);
        r->ruleKind = data->RuleKind;
        r->scope1 = std::move(s1);
        r->scope2 = std::move(s2);
        r->priority = data->Priority;
        r->enabled = data->Enabled != 0;
        r->flag2 = data->Flag2;
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleClearanceConstraint(PcbHandle rule, int32_t direction, int32_t* gap) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_CLEARANCE, r); e != PCB_OK) return e;
        Transfer(direction, r->gap, gap);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleComponentClearanceConstraint(PcbHandle rule, int32_t direction, int32_t* gap,
                                                     uint8_t* mode) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_COMPONENT_CLEARANCE, r); e != PCB_OK) return e;
        Transfer(direction, r->gap, gap);
        Transfer(direction, r->checkMode, mode);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleConfinementConstraint(PcbHandle rule, int32_t direction, int32_t* x1, int32_t* y1,
                                              int32_t* x2, int32_t* y2, uint8_t* kind, PcbLayerId* layer) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_CONFINEMENT, r); e != PCB_OK) return e;
        if (direction == PCB_READ) {
            if (x1) *x1 = r->room.x1;
            if (y1) *y1 = r->room.y1;
            if (x2) *x2 = r->room.x2;
            if (y2) *y2 = r->room.y2;
            if (kind) *kind = r->confineKind;
            if (layer) *layer = LayerToId(r->roomLayer);
            return PCB_OK;
        }
        if (!IsWrite(direction)) return PCB_ERROR_BAD_ARGUMENT;
        if (x1 && y1 && x2 && y2) r->room = Box::FromCorners(*x1, *y1, *x2, *y2);
        if (kind) r->confineKind = *kind;
        if (layer) r->roomLayer = LayerFromId(*layer);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleComponentRotationsRule(PcbHandle rule, int32_t direction, uint8_t* flags) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_COMPONENT_ROTATIONS, r); e != PCB_OK) return e;
        Transfer(direction, r->rotationFlags, flags);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRulePermittedLayersRule(PcbHandle rule, int32_t direction, uint8_t* flags) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_PERMITTED_LAYERS, r); e != PCB_OK) return e;
        Transfer(direction, r->permittedLayers, flags);
        return PCB_OK;
    });
}

int32_t PcbApi_QueryRuleRoutingLayersRule(PcbHandle rule, int32_t direction, uint8_t* directions) {
    return Guard<int32_t>(PCB_ERROR_BAD_ARGUMENT, [&]() -> int32_t {
        Rule* r = nullptr;
        if (const int32_t e = RuleOf(rule, PCB_RULE_ROUTING_LAYERS, r); e != PCB_OK) return e;
        if (directions == nullptr) return PCB_ERROR_BAD_ARGUMENT;
        for (std::size_t i = 0; i < r->routingDirections.size(); ++i) {
            if (direction == PCB_READ)
                directions[i] = r->routingDirections[i];
            else
                r->routingDirections[i] = directions[i];
        }
        return PCB_OK;
    });
}

uint8_t PcbApi_Scope1_Includes(PcbHandle rule, PcbHandle object) {
    return Guard<uint8_t>(0, [&]() -> uint8_t {
        auto* r = As<Rule>(rule);
        Object* o = Obj(object);
        return r != nullptr && o != nullptr && ScopeIncludes(r->scope1, *o) ? 1 : 0;
    });
}

PcbHandle PcbApi_FindDominantRuleForObject(PcbHandle object, uint8_t ruleKind) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        Object* o = Obj(object);
        if (o == nullptr) return nullptr;
        Rule* r = DominantRule(*o, ruleKind);
        return r != nullptr ? r->Handle() : nullptr;
    });
}

PcbHandle PcbApi_FindDominantRuleForObjectPair(PcbHandle a, PcbHandle b, uint8_t ruleKind) {
    return Guard<PcbHandle>(nullptr, [&]() -> PcbHandle {
        Object* oa = Obj(a);
        Object* ob = Obj(b);
        if (oa == nullptr || ob == nullptr) return nullptr;
        Rule* r = DominantRuleForPair(*oa, *ob, ruleKind);
        return r != nullptr ? r->Handle() : nullptr;
    });
}

}  // extern "C"
