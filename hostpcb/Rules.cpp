#include "hostpcb/Rules.h"

#include <algorithm>
#include <cctype>

namespace hostpcb {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

const Net* NetOf(const Object& o) {
    if (o.Kind() == ObjectKind::Net) return static_cast<const Net*>(&o);
    return o.GetNet();
}

const Component* ComponentOf(const Object& o) {
    if (o.Kind() == ObjectKind::Component) return static_cast<const Component*>(&o);
    return o.ParentComponent();
}

bool ClassHas(const Board* board, const std::string& className, ObjectKind memberKind, std::string_view member) {
    if (board == nullptr) return false;
    const ObjectClass* c = board->FindClass(className);
    return c != nullptr && c->memberKind == memberKind && c->HasMember(member);
}

bool EntryIncludes(const ScopeEntry& e, const Object& o) {
    switch (e.kind) {
        case PCB_SCOPE_BOARD: return true;
        case PCB_SCOPE_NET: {
            const Net* n = NetOf(o);
            return n != nullptr && EqualsNoCase(n->name, e.name);
        }
        case PCB_SCOPE_NET_CLASS: {
            const Net* n = NetOf(o);
            return n != nullptr && ClassHas(o.OwnerBoard(), e.name, ObjectKind::Net, n->name);
        }
        case PCB_SCOPE_LAYER: return o.Layer() == e.value;
        case PCB_SCOPE_COMPONENT_CLASS: {
            const Component* c = ComponentOf(o);
            return c != nullptr && ClassHas(o.OwnerBoard(), e.name, ObjectKind::Component, c->Designator());
        }
        case PCB_SCOPE_COMPONENT: {
            const Component* c = ComponentOf(o);
            return c != nullptr && EqualsNoCase(c->Designator(), e.name);
        }
        default: return false;
    }
}

template <class Match>
Rule* Dominant(const Board* board, uint8_t ruleKind, Match&& match) {
    if (board == nullptr) return nullptr;
    Rule* best = nullptr;
    for (Rule* r : board->Rules()) {
        if (!r->enabled || r->ruleKind != ruleKind) continue;
        if (best != nullptr && r->priority >= best->priority) continue;
        if (match(*r)) best = r;
    }
    return best;
}

}  // namespace

bool ScopeIncludes(const std::vector<ScopeEntry>& scope, const Object& object) {
    if (scope.empty()) return true;
    return std::any_of(scope.begin(), scope.end(), [&](const ScopeEntry& e) { return EntryIncludes(e, object); });
}

Rule* DominantRule(const Object& object, uint8_t ruleKind) {
    return Dominant(object.OwnerBoard(), ruleKind, [&](const Rule& r) { return ScopeIncludes(r.scope1, object); });
}

Rule* DominantRuleForPair(const Object& a, const Object& b, uint8_t ruleKind) {
    const Board* board = a.OwnerBoard() != nullptr ? a.OwnerBoard() : b.OwnerBoard();
    return Dominant(board, ruleKind, [&](const Rule& r) {
        return (ScopeIncludes(r.scope1, a) && ScopeIncludes(r.scope2, b)) ||
               (ScopeIncludes(r.scope1, b) && ScopeIncludes(r.scope2, a));
    });
}

std::string ScopeExpression(const std::vector<ScopeEntry>& scope) {
    if (scope.empty()) return "All";
    std::string out;
    for (const ScopeEntry& e : scope) {
        if (!out.empty()) out += " or ";
        switch (e.kind) {
            case PCB_SCOPE_NET: out += "InNet('" + e.name + "')"; break;
            case PCB_SCOPE_NET_CLASS: out += "InNetClass('" + e.name + "')"; break;
            case PCB_SCOPE_LAYER: out += "OnLayer('" + std::to_string(e.value) + "')"; break;
            case PCB_SCOPE_COMPONENT_CLASS: out += "InComponentClass('" + e.name + "')"; break;
            case PCB_SCOPE_COMPONENT: out += "InComponent('" + e.name + "')"; break;
            default: out += "All"; break;
        }
    }
    return out;
}

bool ParseScopeExpression(std::string_view text, std::vector<ScopeEntry>& scope) {
    std::vector<ScopeEntry> out;
    auto trim = [](std::string_view s) {
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
        return s;
    };
    std::string_view rest = text;
    while (true) {
        // Split at " or " outside quotes.
        std::size_t cut = std::string_view::npos;
        bool quoted = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '\'') quoted = !quoted;
            if (!quoted && i + 4 <= rest.size() && rest[i] == ' ' && EqualsNoCase(rest.substr(i, 4), " or ")) {
                cut = i;
                break;
            }
        }
        const std::string_view term = trim(rest.substr(0, cut));
        if (EqualsNoCase(term, "All")) {
            out.push_back({PCB_SCOPE_BOARD, {}, 0});
        } else {
            const std::size_t open = term.find("('");
            if (open == std::string_view::npos || term.size() < open + 4 || term.substr(term.size() - 2) != "')")
                return false;
            const std::string_view keyword = term.substr(0, open);
            const std::string name(term.substr(open + 2, term.size() - open - 4));
            ScopeEntry e;
            e.name = name;
            if (EqualsNoCase(keyword, "InNet")) e.kind = PCB_SCOPE_NET;
            else if (EqualsNoCase(keyword, "InNetClass")) e.kind = PCB_SCOPE_NET_CLASS;
            else if (EqualsNoCase(keyword, "InComponentClass")) e.kind = PCB_SCOPE_COMPONENT_CLASS;
            else if (EqualsNoCase(keyword, "InComponent")) e.kind = PCB_SCOPE_COMPONENT;
            else if (EqualsNoCase(keyword, "OnLayer")) {
                e.kind = PCB_SCOPE_LAYER;
                e.value = std::atoi(e.name.c_str());
                e.name.clear();
            } else {
                return false;
            }
            out.push_back(std::move(e));
        }
        if (cut == std::string_view::npos) break;
        rest = rest.substr(cut + 4);
    }
    // A lone "All" is the empty scope.
    if (out.size() == 1 && out[0].kind == PCB_SCOPE_BOARD) out.clear();
    scope = std::move(out);
    return true;
}

std::string Rule::Scope1Expression() const { return ScopeExpression(scope1); }
std::string Rule::Scope2Expression() const { return ScopeExpression(scope2); }

}  // namespace hostpcb
