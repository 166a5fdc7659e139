#include "io/PlacerRules.h"

#include <filesystem>

#include "hostpcb/BoardBuilder.h"
#include "io/Units.h"

namespace io {

namespace {

using hostpcb::Board;
using hostpcb::Rule;
using hostpcb::ScopeEntry;

constexpr int kFileVersion = 1;

std::vector<SNode*> Arguments(const SNode& list) {
    std::vector<SNode*> out;
    bool first = true;
    for (SNode* c : list.children()) {
        if (first) {
            first = false;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::string AtomValue(const SNode* n, const SNode& context, const char* what) {
    if (!n) context.fail(std::string("missing ") + what);
    if (!n->isAtom()) n->fail(std::string("expected ") + what + ", found a list");
    return n->value();
}

class RulesReader {
public:
    RulesReader(Board& board, const std::map<std::string, hostpcb::LayerNumber>& copperLayers, PlacerRulesSummary& summary)
        : board_(board), copperLayers_(copperLayers), summary_(summary) {}

    void read(const SNode& root) {
        if (root.head() != "placer_rules") root.fail("a rules file starts with (placer_rules");
        for (SNode* item : Arguments(root)) {
            if (!item->isList()) item->fail("expected a rule in parentheses, found '" + std::string(item->rawText()) + "'");
            const std::string_view head = item->head();
            if (head == "version") {
                const int v = item->at(1) ? item->at(1)->integer() : 0;
                if (v < 1 || v > kFileVersion) item->fail("unsupported rules file version " + std::to_string(v));
            } else if (head == "component_class" || head == "net_class") {
                readClass(*item, head == "component_class");
            } else if (head == "room") {
                readRoom(*item);
            } else if (head == "component_clearance") {
                readComponentClearance(*item);
            } else if (head == "rotations") {
                readRotations(*item);
            } else if (head == "layers") {
                readPermittedLayers(*item);
            } else if (head == "routing_directions") {
                readRoutingDirections(*item);
            } else if (head == "power_nets") {
                readPowerNets(*item);
            } else {
                item->fail("unknown rule '" + std::string(head) + "'");
            }
        }
    }

private:
    void readClass(const SNode& item, bool components) {
        const std::vector<SNode*> args = Arguments(item);
        const std::string name = AtomValue(args.empty() ? nullptr : args[0], item, "a class name");
        if (board_.FindClass(name)) item.fail("class '" + name + "' is defined twice");
        hostpcb::ObjectClass& cls =
            board_.AddClass(name, components ? hostpcb::ObjectKind::Component : hostpcb::ObjectKind::Net);
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string member = AtomValue(args[i], item, "a member name");
            const bool known = components ? board_.FindComponent(member) != nullptr : board_.FindNet(member) != nullptr;
            if (!known) warn(*args[i], std::string(components ? "component '" : "net '") + member + "' is not on the board");
            cls.members.push_back(member);
        }
        ++(components ? summary_.componentClasses : summary_.netClasses);
    }

    void readRoom(const SNode& item) {
        Rule& rule = newRule(item, PCB_RULE_CONFINEMENT, "Room");
        SNode* rect = item.child("rect");
        if (!rect) item.fail("a room needs (rect X1 Y1 X2 Y2) in millimetres");
        const std::vector<SNode*> r = Arguments(*rect);
        if (r.size() != 4) rect->fail("(rect) takes four numbers: X1 Y1 X2 Y2");
        const std::string object = "room " + rule.name;
        const hostpcb::Point a = CheckedToHost({r[0]->number(), r[1]->number()}, *rect, object);
        const hostpcb::Point b = CheckedToHost({r[2]->number(), r[3]->number()}, *rect, object);
        rule.room = hostpcb::Box::FromCorners(a.x, a.y, b.x, b.y);
        if (SNode* keep = item.child("keep")) {
            const std::string k = AtomValue(keep->at(1), *keep, "inside or outside");
            if (k == "inside") {
                rule.confineKind = PCB_CONFINE_KEEP_INSIDE;
            } else if (k == "outside") {
                rule.confineKind = PCB_CONFINE_KEEP_OUTSIDE;
            } else {
                keep->at(1)->fail("expected inside or outside, found '" + k + "'");
            }
        }
        if (SNode* layer = item.child("layer")) rule.roomLayer = side(*layer) == PCB_PERMIT_BOTTOM ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER;
        if (rule.scope1.empty()) item.fail("a room needs a (scope ...) naming a class or components");
        ++summary_.rooms;
    }

    void readComponentClearance(const SNode& item) {
        Rule& rule = newRule(item, PCB_RULE_COMPONENT_CLEARANCE, "ComponentClearance");
        SNode* gap = item.child("gap");
        if (!gap || !gap->at(1)) item.fail("a component clearance needs (gap MM)");
        const double mm = gap->at(1)->number();
        if (mm < 0) gap->at(1)->fail("the gap cannot be negative");
        rule.gap = CheckedSizeToHost(mm, *gap->at(1), "component clearance " + rule.name, "gap");
        rule.checkMode = 0;
        if (SNode* mode = item.child("mode")) {
            const std::string m = AtomValue(mode->at(1), *mode, "a check mode");
            if (m == "quick" || m == "0") {
                rule.checkMode = 0;
            } else if (m == "extents" || m == "1") {
                rule.checkMode = 1;
            } else if (m == "full" || m == "2") {
                rule.checkMode = 2;
            } else {
                mode->at(1)->fail("expected quick, extents or full, found '" + m + "'");
            }
        }
        ++summary_.componentClearances;
    }

    void readRotations(const SNode& item) {
        Rule& rule = newRule(item, PCB_RULE_COMPONENT_ROTATIONS, "Rotations");
        SNode* allowed = item.child("allowed");
        if (!allowed) item.fail("a rotations rule needs (allowed ...): 0 90 180 270 or any");
        uint8_t flags = 0;
        for (SNode* a : Arguments(*allowed)) {
            const std::string v = AtomValue(a, *allowed, "an angle");
            if (v == "any") {
                flags |= PCB_ROTATION_ANY;
            } else if (v == "0") {
                flags |= PCB_ROTATION_0;
            } else if (v == "90") {
                flags |= PCB_ROTATION_90;
            } else if (v == "180") {
                flags |= PCB_ROTATION_180;
            } else if (v == "270") {
                flags |= PCB_ROTATION_270;
            } else {
                a->fail("expected 0, 90, 180, 270 or any, found '" + v + "'");
            }
        }
        if (flags == 0) allowed->fail("(allowed) names no rotation");
        rule.rotationFlags = flags;
        ++summary_.rotations;
    }

    void readPermittedLayers(const SNode& item) {
        Rule& rule = newRule(item, PCB_RULE_PERMITTED_LAYERS, "PermittedLayers");
        SNode* permitted = item.child("permitted");
        if (!permitted) item.fail("a layers rule needs (permitted top|bottom|both)");
        rule.permittedLayers = side(*permitted);
        ++summary_.permittedLayers;
    }

    void readRoutingDirections(const SNode& item) {
        Rule& rule = newRule(item, PCB_RULE_ROUTING_LAYERS, "RoutingDirections");
        rule.routingDirections.fill(0);
        bool any = false;
        for (SNode* c : item.children()) {
            if (!c->isList() || c->head() != "layer") continue;
            const std::string name = AtomValue(c->at(1), *c, "a copper layer name");
            auto it = copperLayers_.find(name);
            if (it == copperLayers_.end() || it->second < PCB_TOP_LAYER || it->second > PCB_BOTTOM_LAYER) {
                c->at(1)->fail("'" + name + "' is not a signal layer of the board");
            }
            rule.routingDirections[static_cast<size_t>(it->second - 1)] = direction(c->at(2), *c);
            any = true;
        }
        if (!any) item.fail("routing_directions needs at least one (layer NAME DIRECTION)");
        ++summary_.routingDirections;
    }

    void readPowerNets(const SNode& item) {
        std::vector<ScopeEntry> nets;
        for (SNode* a : Arguments(item)) {
            if (a->isList()) continue;  // (priority N)
            const std::string name = a->value();
            if (!board_.FindNet(name)) warn(*a, "net '" + name + "' is not on the board");
            nets.push_back(hostpcb::ScopeNet(name));
        }
        if (nets.empty()) item.fail("power_nets names no net");
        // Rule records carry at most PCB_SCOPE_CAPACITY scope entries, so long lists are split.
        for (size_t i = 0; i < nets.size(); i += PCB_SCOPE_CAPACITY) {
            Rule& rule = newRule(item, PCB_RULE_POWER_NETS, "PowerNets", false);
            const size_t end = std::min(nets.size(), i + PCB_SCOPE_CAPACITY);
            rule.scope1.assign(nets.begin() + static_cast<std::ptrdiff_t>(i), nets.begin() + static_cast<std::ptrdiff_t>(end));
        }
        summary_.powerNets += static_cast<int>(nets.size());
    }

    // A rule with the item's optional name, scopes and priority.
    Rule& newRule(const SNode& item, uint8_t kind, const std::string& defaultName, bool named = true) {
        std::string name = defaultName + std::to_string(++ruleCount_);
        if (SNode* n = item.at(1); named && n && n->isAtom()) name = n->value();
        Rule& rule = board_.AddRule(kind, name);
        if (SNode* s = item.child("scope")) rule.scope1 = scope(*s);
        if (SNode* s = item.child("scope2")) rule.scope2 = scope(*s);
        if (SNode* p = item.child("priority")) {
            const int priority = p->at(1) ? p->at(1)->integer() : 0;
            if (priority < 1) p->fail("a priority is a number from 1 (highest)");
            rule.priority = priority;
        }
        return rule;
    }

    std::vector<ScopeEntry> scope(const SNode& list) {
        std::vector<ScopeEntry> out;
        for (SNode* e : Arguments(list)) {
            if (!e->isList()) e->fail("expected (class NAME), (component REF), (net NAME), (net_class NAME) or (board)");
            const std::string_view head = e->head();
            if (head == "board") {
                out.push_back(hostpcb::ScopeBoard());
                continue;
            }
            const std::string name = AtomValue(e->at(1), *e, "a name");
            if (head == "class") {
                hostpcb::ObjectClass* cls = board_.FindClass(name);
                if (!cls || cls->memberKind != hostpcb::ObjectKind::Component) {
                    e->at(1)->fail("component class '" + name + "' is not defined (define it before use)");
                }
                out.push_back(hostpcb::ScopeComponentClass(name));
            } else if (head == "component") {
                if (!board_.FindComponent(name)) warn(*e->at(1), "component '" + name + "' is not on the board");
                out.push_back(hostpcb::ScopeComponent(name));
            } else if (head == "net") {
                if (!board_.FindNet(name)) warn(*e->at(1), "net '" + name + "' is not on the board");
                out.push_back(hostpcb::ScopeNet(name));
            } else if (head == "net_class") {
                hostpcb::ObjectClass* cls = board_.FindClass(name);
                if (!cls || cls->memberKind != hostpcb::ObjectKind::Net) {
                    e->at(1)->fail("net class '" + name + "' is not defined (define it before use)");
                }
                out.push_back(hostpcb::ScopeNetClass(name));
            } else {
                e->fail("unknown scope entry '" + std::string(head) + "'");
            }
        }
        if (out.size() > PCB_SCOPE_CAPACITY) list.fail("a scope holds at most 16 entries");
        return out;
    }

    static uint8_t side(const SNode& list) {
        const std::string s = AtomValue(list.at(1), list, "top, bottom or both");
        if (s == "top") return PCB_PERMIT_TOP;
        if (s == "bottom") return PCB_PERMIT_BOTTOM;
        if (s == "both") return PCB_PERMIT_TOP | PCB_PERMIT_BOTTOM;
        list.at(1)->fail("expected top, bottom or both, found '" + s + "'");
    }

    // Direction codes as the routing-layers rule stores them.
    static uint8_t direction(const SNode* atom, const SNode& context) {
        const std::string d = AtomValue(atom, context, "a direction");
        if (d == "none") return 0;
        if (d == "horizontal" || d == "0") return 1;
        if (d == "vertical" || d == "90") return 2;
        if (d == "60") return 4;
        if (d == "30") return 5;
        if (d == "-30") return 6;
        if (d == "-60") return 7;
        if (d == "45") return 8;
        if (d == "-45") return 9;
        atom->fail("expected horizontal, vertical, 45, -45, 30, -30, 60, -60 or none, found '" + d + "'");
    }

    void warn(const SNode& at, const std::string& message) {
        summary_.warnings.push_back(summary_.path + ":" + std::to_string(at.line()) + ":" + std::to_string(at.column()) +
                                    ": " + message);
    }

    Board& board_;
    const std::map<std::string, hostpcb::LayerNumber>& copperLayers_;
    PlacerRulesSummary& summary_;
    int ruleCount_ = 0;
};

}  // namespace

std::string PlacerRulesPath(const std::string& boardPath) {
    std::filesystem::path p(boardPath);
    p.replace_extension(".placer_rules");
    return p.string();
}

PlacerRulesSummary ApplyPlacerRules(const std::string& text, const std::string& path, hostpcb::Board& board,
                                    const std::map<std::string, hostpcb::LayerNumber>& copperLayers) {
    PlacerRulesSummary summary;
    summary.path = path;
    SParseOptions options;
    options.commentChar = ';';
    std::unique_ptr<SExprDocument> doc = SExprDocument::parse(text, options);
    RulesReader(board, copperLayers, summary).read(doc->root());
    return summary;
}

}  // namespace io
