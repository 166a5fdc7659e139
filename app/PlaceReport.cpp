#include "app/PlaceReport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

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

}  // namespace

std::vector<ComponentState> SnapshotComponents(const hostpcb::Board& board) {
    std::vector<ComponentState> states;
    for (const hostpcb::Component* c : board.Components()) {
        states.push_back({c, c->Position(), c->Rotation(), c->Layer(), (c->flags & PCB_FLAG_SELECTED) != 0});
    }
    return states;
}

void CompareComponents(const std::vector<ComponentState>& before, PlaceReport& report) {
    report.components = static_cast<int>(before.size());
    for (const ComponentState& s : before) {
        const hostpcb::Component& c = *s.component;
        const bool turned = c.Rotation() != s.rotation;
        const bool flipped = c.Layer() != s.side;
        if (c.Position() != s.position || turned || flipped) {
            ++report.moved;
        }
        report.turned += turned ? 1 : 0;
        report.flipped += flipped ? 1 : 0;
        if ((c.flags & PCB_FLAG_SELECTED) != 0 && !s.selected) {
            report.unfitted.push_back(c.Designator());
        }
    }
}

void WriteReportText(const PlaceReport& report, std::ostream& out) {
    out << report.board << ": " << report.outcome << " in " << Fixed(report.seconds, 2) << " s";
    if (!report.output.empty()) {
        out << ", wrote " << report.output;
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
}

std::string ReportJson(const PlaceReport& report) {
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
                                 {"not_fitted", report.unfitted}};
    return json.dump(2) + "\n";
}

}  // namespace app
