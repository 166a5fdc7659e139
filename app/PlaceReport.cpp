#include "app/PlaceReport.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <nlohmann/json.hpp>
#include <ostream>

#include "hostpcb/PlacementShape.h"
#include "io/Units.h"

namespace app {

namespace {

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Row(const std::string& name, const std::string& before, const std::string& after) {
    char text[160];
    std::snprintf(text, sizeof text, "  %-28s %14s %14s\n", name.c_str(), before.c_str(), after.c_str());
    return text;
}

nlohmann::json MetricsJson(const BoardMetrics& m) {
    return {{"connection_length_mm", io::HostToMm(m.connectionLength)},
            {"half_perimeter_mm", io::HostToMm(m.halfPerimeter)},
            {"overlapping_pairs", m.overlappingPairs},
            {"outside_outline", m.outsideOutline}};
}

std::string Joined(const std::vector<std::string>& items, const char* separator = ", ") {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

}  // namespace

std::vector<ComponentState> SnapshotComponents(const hostpcb::Board& board) {
    std::vector<ComponentState> states;
    for (const hostpcb::Component* c : board.Components()) {
        states.push_back({c, c->Position(), c->Rotation(), c->Layer(), (c->flags & PCB_FLAG_SELECTED) != 0});
    }
    return states;
}

void CompareComponents(const std::vector<ComponentState>& before, const hostpcb::Board& board,
                       const std::vector<std::string>& extraUnfitted, PlaceReport& report) {
    report.components = static_cast<int>(before.size());
    std::set<const hostpcb::Component*> moved;
    for (const ComponentState& s : before) {
        const hostpcb::Component& c = *s.component;
        const bool turned = c.Rotation() != s.rotation;
        const bool flipped = c.Layer() != s.side;
        if (c.Position() != s.position || turned || flipped) {
            ++report.moved;
            moved.insert(&c);
        }
        report.turned += turned ? 1 : 0;
        report.flipped += flipped ? 1 : 0;
        if (!hostpcb::HasExtent(c)) {
            report.withoutExtent.push_back(c.Designator());
        }
        if ((c.flags & PCB_FLAG_SELECTED) != 0 && !s.selected) {
            report.unfitted.push_back(c.Designator());
        }
    }
    for (const std::string& name : extraUnfitted) {
        if (std::find(report.unfitted.begin(), report.unfitted.end(), name) == report.unfitted.end()) {
            report.unfitted.push_back(name);
        }
    }

    const std::vector<ComponentExtent> extents = ComponentExtents(board);
    const std::vector<Segment> outline = OutlineSegments(board);
    CourtyardCache courtyards;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        const ComponentExtent& a = extents[i];
        const bool movedA = moved.count(a.component) != 0;
        if (movedA && !outline.empty() && ExtentLeavesOutline(a, outline, courtyards)) {
            report.outside.push_back(a.component->Designator());
        }
        for (std::size_t j = i + 1; j < extents.size(); ++j) {
            const ComponentExtent& b = extents[j];
            if ((movedA || moved.count(b.component) != 0) && a.Judged() && b.Judged() &&
                a.component->Layer() == b.component->Layer() && ExtentsOverlap(a, b, courtyards)) {
                report.overlapping.emplace_back(a.component->Designator(), b.component->Designator());
            }
        }
    }
}

namespace {

std::string ProblemsText(const PlaceReport& report) {
    std::vector<std::string> parts;
    if (!report.unfitted.empty()) {
        parts.push_back(std::to_string(report.unfitted.size()) + " not fitted (" + Joined(report.unfitted) + ")");
    }
    if (!report.outside.empty()) {
        parts.push_back(std::to_string(report.outside.size()) + " outside the outline (" + Joined(report.outside) +
                        ")");
    }
    if (!report.overlapping.empty()) {
        std::vector<std::string> pairs;
        for (const auto& [a, b] : report.overlapping) {
            pairs.push_back(a + "/" + b);
        }
        parts.push_back(std::to_string(pairs.size()) + " overlapping pair" + (pairs.size() == 1 ? "" : "s") + " (" +
                        Joined(pairs) + ")");
    }
    return "NOT A LEGAL PLACEMENT: " + Joined(parts, "; ");
}

}  // namespace

void WriteReportText(const PlaceReport& report, std::ostream& out) {
    out << report.board << ": " << report.outcome << " in " << Fixed(report.seconds, 2) << " s";
    if (!report.output.empty()) {
        out << ", wrote " << report.output;
    }
    if (!report.Legal()) {
        out << "; " << ProblemsText(report);
    }
    out << "\n";
    if (!report.phases.empty()) {
        out << "phases:\n";
        for (const PhaseTime& phase : report.phases) {
            char text[160];
            std::snprintf(text, sizeof text, "  %-48s %9.3f s\n", phase.text.c_str(), phase.seconds);
            out << text;
        }
    }
    out << Row("", "before", "after");
    out << Row("connection length (mm)", Fixed(io::HostToMm(report.before.connectionLength), 1),
               Fixed(io::HostToMm(report.after.connectionLength), 1));
    out << Row("half-perimeter length (mm)", Fixed(io::HostToMm(report.before.halfPerimeter), 1),
               Fixed(io::HostToMm(report.after.halfPerimeter), 1));
    out << Row("overlapping pairs", std::to_string(report.before.overlappingPairs),
               std::to_string(report.after.overlappingPairs));
    out << Row("outside the outline", std::to_string(report.before.outsideOutline),
               std::to_string(report.after.outsideOutline));
    out << "components: " << report.components << ", moved " << report.moved << ", turned " << report.turned
        << ", to the other side " << report.flipped << "\n";
    out << "could not be fitted: " << report.unfitted.size();
    for (std::size_t i = 0; i < report.unfitted.size(); ++i) {
        out << (i == 0 ? " (" : ", ") << report.unfitted[i];
    }
    out << (report.unfitted.empty() ? "" : ")") << "\n";
    if (!report.withoutExtent.empty()) {
        out << "left where they are, having no extent: " << report.withoutExtent.size() << " ("
            << Joined(report.withoutExtent) << ")\n";
    }
    if (!report.keptMountingHoles.empty()) {
        out << "mounting holes left where they are (--move-mounting-holes places them): "
            << report.keptMountingHoles.size() << " (" << Joined(report.keptMountingHoles) << ")\n";
    }
    if (!report.keptEdgeParts.empty()) {
        out << "parts across the board's edge left where they are (--move-edge-parts places them): "
            << report.keptEdgeParts.size() << " (" << Joined(report.keptEdgeParts) << ")\n";
    }
    if (!report.keptJoinedParts.empty()) {
        out << "parts that share a hole with another left where they are (--move-joined-parts places them): "
            << report.keptJoinedParts.size() << " (" << Joined(report.keptJoinedParts) << ")\n";
    }
}

std::string ReportJson(const PlaceReport& report) {
    nlohmann::json overlapping = nlohmann::json::array();
    for (const auto& [a, b] : report.overlapping) {
        overlapping.push_back({a, b});
    }
    nlohmann::json phases = nlohmann::json::array();
    for (const PhaseTime& phase : report.phases) {
        phases.push_back({{"phase", phase.text}, {"seconds", phase.seconds}});
    }
    const nlohmann::json json = {{"board", report.board},
                                 {"output", report.output},
                                 {"outcome", report.outcome},
                                 {"seconds", report.seconds},
                                 {"phases", phases},
                                 {"before", MetricsJson(report.before)},
                                 {"after", MetricsJson(report.after)},
                                 {"components", report.components},
                                 {"moved", report.moved},
                                 {"turned", report.turned},
                                 {"to_other_side", report.flipped},
                                 {"not_fitted", report.unfitted},
                                 {"without_extent", report.withoutExtent},
                                 {"kept_mounting_holes", report.keptMountingHoles},
                                 {"kept_edge_parts", report.keptEdgeParts},
                                 {"kept_joined_parts", report.keptJoinedParts},
                                 {"legal", report.Legal()},
                                 {"outside_outline", report.outside},
                                 {"overlapping", overlapping}};
    return json.dump(2) + "\n";
}

}  // namespace app
