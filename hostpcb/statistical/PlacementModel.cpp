#include "hostpcb/statistical/PlacementModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "hostpcb/Courtyard.h"
#include "hostpcb/PlacementShape.h"
#include "hostpcb/Rules.h"

namespace hostpcb::statistical {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void SplitNames(const std::string& text, std::vector<std::string>& out) {
    std::string name;
    for (const char ch : text + ",") {
        if (ch == ',' || ch == ';' || std::isspace(static_cast<unsigned char>(ch))) {
            if (!name.empty()) out.push_back(name);
            name.clear();
        } else {
            name += ch;
        }
    }
}

// A right angle (within a millionth of a degree): 0..3 quarter turns, -1 otherwise.
int RightAngle(double degrees) {
    const double n = NormalizeAngle(degrees);
    const double q = std::round(n / 90.0);
    if (std::fabs(n - q * 90.0) > 1e-6) return -1;
    return static_cast<int>(q) % 4;
}

bool RotationPermitted(uint8_t flags, int quarterTurns) {
    if ((flags & PCB_ROTATION_ANY) != 0) return true;
    static constexpr uint8_t kFlag[4] = {PCB_ROTATION_0, PCB_ROTATION_90, PCB_ROTATION_180, PCB_ROTATION_270};
    return (flags & kFlag[quarterTurns]) != 0;
}

bool CoversWholeBoard(const std::vector<ScopeEntry>& scope) {
    return std::all_of(scope.begin(), scope.end(), [](const ScopeEntry& e) { return e.kind == PCB_SCOPE_BOARD; });
}

// The courtyard united with the pads when the part has a courtyard; its whole box
// grown by half the copper clearance otherwise. Relative to its origin.
Box PartExtent(const Component& c, Coord clearance, bool& throughHole, std::vector<Box>& throughPads,
               bool& courtyard) {
    courtyard = false;
    Box box;
    throughHole = false;
    const LayerNumber otherSide = FlippedLayer(c.Layer());
    const Point o = c.Position();
    // Copper drawn on the other side (a copper logo on the far face) is in the way of
    // parts there wherever it covers, not only along its lines: one box holds it all.
    Box farCopper;
    bool anyFarCopper = false;
    for (const Primitive* p : c.Children()) {
        if ((p->Kind() == ObjectKind::Track || p->Kind() == ObjectKind::Arc) && p->InExtent() &&
            p->Layer() == otherSide && IsSignalLayer(otherSide)) {
            farCopper = anyFarCopper ? farCopper.United(p->Bounds()) : p->Bounds();
            anyFarCopper = true;
        }
    }
    if (anyFarCopper) {
        throughHole = true;
        throughPads.push_back({farCopper.x1 - o.x, farCopper.y1 - o.y, farCopper.x2 - o.x, farCopper.y2 - o.y});
    }
    for (const Primitive* p : c.Children()) {
        // Pads through the board, or on the other side's copper as well (an edge-mounted
        // connector), reach parts on the other side.
        if (p->Kind() == ObjectKind::Pad && (p->Layer() == PCB_MULTI_LAYER || p->Layer() == otherSide)) {
            throughHole = true;
            const Box b = p->Bounds();
            throughPads.push_back({b.x1 - o.x, b.y1 - o.y, b.x2 - o.x, b.y2 - o.y});
        }
        if (p->Layer() != kCourtyardLayer) continue;
        box = courtyard ? box.United(p->Bounds()) : p->Bounds();
        courtyard = true;
    }
    if (courtyard) {
        for (const Primitive* p : c.Children()) {
            if (p->Kind() == ObjectKind::Pad) box = box.United(p->Bounds());
        }
    } else {
        // Without a courtyard nothing keeps the copper apart: two such boxes keep the
        // copper clearance between them. A pad with a wider clearance of its own grows
        // its part further, so that it keeps that clearance from any neighbour that
        // keeps half the board's.
        Coord grow = (clearance + 1) / 2;
        for (const Pad* pad : c.Pads()) {
            grow = std::max(grow, pad->localClearance - clearance / 2);
        }
        box = Inflated(c.Bounds(), grow);
    }
    return {box.x1 - o.x, box.y1 - o.y, box.x2 - o.x, box.y2 - o.y};
}

double BoxArea(const Box& b) { return (double(b.x2) - b.x1) * (double(b.y2) - b.y1); }

// The pad's copper lies inside the courtyard: its centre is inside and no boundary
// segment meets it.
bool PadWithin(const Pad& pad, const CourtyardShape& courtyard) {
    const Point centre = pad.Position();
    if (!InsideCourtyard(courtyard, {double(centre.x), double(centre.y)})) return false;
    const Shape& copper = pad.GetShape();
    Shape edge;
    for (const CourtyardSegment& s : courtyard.segments) {
        edge.points = {s.a, s.b};
        edge.radius = 0;
        if (ShapeDistance(copper, edge) <= 0) return false;
    }
    return true;
}

// Horizontal bands the courtyard is cut into; a slanted courtyard (a part turned by 45
// degrees) leaves most of its box's corners free with this many.
constexpr int kShapeBands = 8;
// Bands are kept only when they free at least this share of the extent's area, and
// when the shape needs no more boxes than this (each pair of boxes is a test).
constexpr double kShapeSaving = 0.1;
constexpr std::size_t kShapeBoxes = 12;
// Pads outside the courtyard closer than this (0.5 mm) are covered by one box.
constexpr Coord kPadMergeGap = 196850;

// Boxes covering the courtyard (horizontal bands, each as wide as the courtyard's
// boundary reaches within it) and every pad outside it, relative to the origin.
// Empty when they would not free enough of the extent to be worth the extra tests.
std::vector<Box> PartShape(const Component& c, const Box& extent) {
    const CourtyardShape courtyard = ComponentCourtyard(c);
    if (courtyard.Empty()) return {};
    std::vector<Box> boxes;
    const Box& cb = courtyard.box;
    const int64_t height = int64_t{cb.y2} - cb.y1;
    for (int k = 0; k < kShapeBands && height > 0; ++k) {
        const double ya = double(cb.y1 + height * k / kShapeBands);
        const double yb = double(cb.y1 + height * (k + 1) / kShapeBands);
        double x1 = 0, x2 = 0;
        bool any = false;
        for (const CourtyardSegment& s : courtyard.segments) {
            const double lo = std::min(s.a.y, s.b.y), hi = std::max(s.a.y, s.b.y);
            if (hi < ya || lo > yb) continue;
            double xa = s.a.x, xb = s.b.x;
            if (hi > lo) {  // the part of the segment within the band
                const auto xAt = [&](double y) { return s.a.x + (s.b.x - s.a.x) * (y - s.a.y) / (s.b.y - s.a.y); };
                xa = xAt(std::clamp(s.a.y, ya, yb));
                xb = xAt(std::clamp(s.b.y, ya, yb));
            }
            x1 = any ? std::min({x1, xa, xb}) : std::min(xa, xb);
            x2 = any ? std::max({x2, xa, xb}) : std::max(xa, xb);
            any = true;
        }
        if (any) {
            boxes.push_back({static_cast<Coord>(std::floor(x1)), static_cast<Coord>(ya), static_cast<Coord>(std::ceil(x2)),
                             static_cast<Coord>(yb)});
        }
    }
    // A pad wholly within the courtyard is covered by it (a turned pad's box may reach
    // past the bands, its copper does not); any other adds its box.
    std::vector<Box> pads;
    for (const Primitive* p : c.Children()) {
        if (p->Kind() == ObjectKind::Pad && !PadWithin(*static_cast<const Pad*>(p), courtyard)) {
            pads.push_back(p->Bounds());
        }
    }
    // Rows of pads closer than a small part become one box each.
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < pads.size() && !merged; ++i) {
            for (std::size_t j = i + 1; j < pads.size() && !merged; ++j) {
                if (Inflated(pads[i], kPadMergeGap / 2).Intersects(Inflated(pads[j], kPadMergeGap / 2))) {
                    pads[i] = pads[i].United(pads[j]);
                    pads.erase(pads.begin() + std::ptrdiff_t(j));
                    merged = true;
                }
            }
        }
    }
    boxes.insert(boxes.end(), pads.begin(), pads.end());
    double area = 0;
    for (const Box& b : boxes) area += BoxArea(b);
    if (boxes.size() > kShapeBoxes || area > (1.0 - kShapeSaving) * BoxArea(extent)) return {};
    const Point o = c.Position();
    for (Box& b : boxes) b = {b.x1 - o.x, b.y1 - o.y, b.x2 - o.x, b.y2 - o.y};
    return boxes;
}

}  // namespace

std::optional<double> StraightRotation(const Board& board, const Component& component) {
    if (!board.placerOptions.rotateComponents || RightAngle(component.Rotation()) >= 0) return std::nullopt;
    const Rule* rotations = DominantRule(component, PCB_RULE_COMPONENT_ROTATIONS);
    const uint8_t flags = rotations != nullptr ? rotations->rotationFlags : uint8_t(PCB_ROTATION_ANY);
    const double found = NormalizeAngle(component.Rotation());
    std::optional<double> best;
    double bestTurn = 0;
    for (int q = 0; q < 4; ++q) {
        if (!RotationPermitted(flags, q)) continue;
        const double d = std::fabs(found - 90.0 * q);
        const double turn = std::min(d, 360.0 - d);
        if (!best || turn < bestTurn) {
            best = 90.0 * q;
            bestTurn = turn;
        }
    }
    return best;
}

std::vector<const Net*> FindPowerNets(const Board& board) {
    std::vector<const Net*> result;
    const std::vector<Net*> nets = board.Nets();
    auto add = [&](const Net* net) {
        if (net != nullptr && std::find(result.begin(), result.end(), net) == result.end()) result.push_back(net);
    };

    std::vector<std::string> names;
    for (const Object* o : board.Objects(PCB_SPLIT_PLANE)) {
        if (o->GetNet() != nullptr && !o->GetNet()->name.empty()) names.push_back(o->GetNet()->name);
    }
    SplitNames(board.placerOptions.powerNets, names);
    SplitNames(board.placerOptions.groundNets, names);
    for (const Net* net : nets) {
        if (std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, net->name); })) {
            add(net);
        }
    }

    // The largest net and the runner-up met before it was overtaken.
    std::size_t bestCount = 0, secondCount = 0;
    const Net* best = nullptr;
    const Net* second = nullptr;
    for (const Net* net : nets) {
        const std::size_t count = net->Members().size();
        if (count > bestCount) {
            bestCount = count;
            best = net;
        } else if (count > secondCount) {
            secondCount = count;
            second = net;
        }
    }
    add(best);
    add(second);

    for (const Rule* rule : board.Rules()) {
        if (rule->ruleKind != PCB_RULE_POWER_NETS || !rule->enabled) continue;
        for (const Net* net : nets) {
            if (ScopeIncludes(rule->scope1, *net)) add(net);
        }
    }
    return result;
}

PlacementModel::PlacementModel(Board& board) : board_(board), outline_(std::make_unique<OutlineRegion>(board)) {
    componentGap_ = std::max<Coord>(0, board.placerOptions.value1);
    outlineGap_ = std::max<Coord>(0, board.placerOptions.value2);

    std::vector<Rule*> confinements;
    Coord copperClearance = 0;  // the largest copper clearance
    for (Rule* rule : board.Rules()) {
        if (!rule->enabled) continue;
        if (rule->ruleKind == PCB_RULE_COMPONENT_CLEARANCE || rule->ruleKind == PCB_RULE_CLEARANCE) {
            if (!CoversWholeBoard(rule->scope1) || !CoversWholeBoard(rule->scope2)) scopedGapRules_ = true;
            maxGap_ = std::max(maxGap_, rule->gap);
        }
        if (rule->ruleKind == PCB_RULE_CLEARANCE) copperClearance = std::max(copperClearance, rule->gap);
        if (rule->ruleKind == PCB_RULE_CONFINEMENT) {
            Rooms.push_back(rule->room);
            confinements.push_back(rule);
        }
    }
    maxGap_ = std::max({maxGap_, componentGap_, copperClearance});
    copperClearance_ = copperClearance;

    std::unordered_map<const Component*, int> partOf;
    for (Component* c : board.Components()) {
        // Nothing to fit and nothing to keep clear of: a part without extent stays
        // where it is, as the cluster placer leaves it.
        if (!HasExtent(*c)) continue;
        Part part;
        part.component = c;
        part.movable = c->moveable;
        part.origin0 = c->Position();
        part.rotation0 = c->Rotation();
        part.side0 = c->Layer();
        bool courtyard = false;
        part.extent = PartExtent(*c, copperClearance, part.throughHole, part.throughPads, courtyard);
        if (courtyard) part.shape = PartShape(*c, part.extent);
        if (!part.movable) {
            if (!courtyard && BoxArea(part.extent) > 0.5 * BoxArea(outline_->Extent())) {
                std::vector<Box> nearSide;
                for (const Primitive* p : c->Children()) {
                    if (p->Kind() != ObjectKind::Pad) continue;
                    part.obstacles.push_back(p->Bounds());
                    (p->Layer() == FlippedLayer(c->Layer()) ? part.farSideObstacles : nearSide).push_back(p->Bounds());
                }
                // A box that a pad on this side has as well stays in the way here.
                std::erase_if(part.farSideObstacles, [&](const Box& b) {
                    return std::find(nearSide.begin(), nearSide.end(), b) != nearSide.end();
                });
            }
            if (part.obstacles.empty()) {
                for (const Box& b : part.shape) part.obstacles.push_back(Translated(b, part.origin0));
            }
            if (part.obstacles.empty()) part.obstacles.push_back(Translated(part.extent, part.origin0));
        }
        if (part.movable) {
            const int quarter = RightAngle(part.rotation0);
            const Rule* rotations = DominantRule(*c, PCB_RULE_COMPONENT_ROTATIONS);
            const uint8_t flags = rotations != nullptr ? rotations->rotationFlags : uint8_t(PCB_ROTATION_ANY);
            part.allowedTurns = 1;
            if (quarter >= 0 && board.placerOptions.rotateComponents) {
                uint8_t mask = 0;
                for (int q = 0; q < 4; ++q) {
                    if (RotationPermitted(flags, (quarter + q) % 4)) mask = uint8_t(mask | (1u << q));
                }
                part.allowedTurns = mask != 0 ? mask : uint8_t(1);
            }
            part.halfTurnOnFlip = quarter == 1 || quarter == 3;
            const Rule* layers = DominantRule(*c, PCB_RULE_PERMITTED_LAYERS);
            const bool onSide = part.side0 == PCB_TOP_LAYER || part.side0 == PCB_BOTTOM_LAYER;
            if (layers != nullptr && onSide && quarter >= 0) {
                const uint8_t here = part.side0 == PCB_TOP_LAYER ? PCB_PERMIT_TOP : PCB_PERMIT_BOTTOM;
                const uint8_t there = part.side0 == PCB_TOP_LAYER ? PCB_PERMIT_BOTTOM : PCB_PERMIT_TOP;
                const bool hereOk = (layers->permittedLayers & here) != 0;
                const bool thereOk = (layers->permittedLayers & there) != 0;
                part.mayFlip = hereOk && thereOk;
                part.mustFlip = !hereOk && thereOk;
            }
            // The highest-priority keep-inside room binds it; every keep-outside room bars it.
            const Rule* inside = nullptr;
            for (std::size_t r = 0; r < confinements.size(); ++r) {
                const Rule* rule = confinements[r];
                if (!ScopeIncludes(rule->scope1, *c)) continue;
                if (rule->confineKind == PCB_CONFINE_KEEP_OUTSIDE) {
                    part.keepOutside.push_back(int(r));
                } else if (inside == nullptr || rule->priority < inside->priority) {
                    inside = rule;
                    part.keepInside = int(r);
                }
            }
            ++movableCount_;
        }
        partOf[c] = int(Parts.size());
        Parts.push_back(std::move(part));
    }

    const std::vector<const Net*> power = FindPowerNets(board);
    for (const Net* net : board.Nets()) {
        if (std::find(power.begin(), power.end(), net) != power.end()) continue;  // power weighs nothing
        PlacementNet placed;
        bool anyMovable = false;
        for (const Pad* pad : net->Pads()) {
            const Component* owner = pad->ParentComponent();
            if (owner == nullptr) continue;
            const auto found = partOf.find(owner);
            if (found == partOf.end()) continue;
            const Part& part = Parts[std::size_t(found->second)];
            anyMovable = anyMovable || part.movable;
            placed.pins.push_back({found->second, {pad->Position().x - part.origin0.x, pad->Position().y - part.origin0.y}});
        }
        if (placed.pins.size() < 2 || !anyMovable) continue;
        const int index = int(Nets.size());
        for (const Pin& pin : placed.pins) {
            std::vector<int>& list = Parts[std::size_t(pin.part)].nets;
            if (list.empty() || list.back() != index) list.push_back(index);
        }
        Nets.push_back(std::move(placed));
    }

    if (!scopedGapRules_) boardRuleGap_ = Parts.empty() ? componentGap_ : RuleGap(0, 0);
}

// Parts keep the gap of their pair's component-clearance rule, which is how far apart
// their extents (courtyards) must stay. Only a pair that no such rule covers keeps the
// placement gap option, or the copper clearance when that asks for more.
Coord PlacementModel::RuleGap(int a, int b) const {
    const Component& ca = *Parts[std::size_t(a)].component;
    const Component& cb = *Parts[std::size_t(b)].component;
    if (const Rule* rule = DominantRuleForPair(ca, cb, PCB_RULE_COMPONENT_CLEARANCE)) return std::max<Coord>(0, rule->gap);
    Coord gap = componentGap_;
    if (const Rule* rule = DominantRuleForPair(ca, cb, PCB_RULE_CLEARANCE)) gap = std::max(gap, rule->gap);
    return gap;
}

Coord PlacementModel::Gap(int a, int b) const {
    if (!scopedGapRules_) return boardRuleGap_;
    if (a > b) std::swap(a, b);
    const uint64_t key = (uint64_t(uint32_t(a)) << 32) | uint32_t(b);
    const auto found = pairGaps_.find(key);
    if (found != pairGaps_.end()) return found->second;
    const Coord gap = RuleGap(a, b);
    pairGaps_.emplace(key, gap);
    return gap;
}

bool PlacementModel::SidesConflict(int a, LayerNumber sideA, int b, LayerNumber sideB) const {
    return sideA == sideB || Parts[std::size_t(a)].throughHole || Parts[std::size_t(b)].throughHole;
}

}  // namespace hostpcb::statistical
