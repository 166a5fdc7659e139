#include "app/SvgRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

#include "app/Metrics.h"
#include "hostpcb/Rules.h"
#include "io/Units.h"

namespace app {

namespace {

constexpr double kMarginMm = 3.0;

const char* kTopColour = kTopSideColour;
const char* kBottomColour = kBottomSideColour;
const char* kThroughColour = kThroughHoleColour;

class Canvas {
public:
    Canvas(hostpcb::Box view) : view_(view) {}
    double x(double hostX) const { return io::HostToMm(hostX - view_.x1) + kMarginMm; }
    double y(double hostY) const { return io::HostToMm(view_.y2 - hostY) + kMarginMm; }
    double len(double hostUnits) const { return io::HostToMm(hostUnits); }
    double width() const { return len(double(view_.x2) - view_.x1) + 2 * kMarginMm; }
    double height() const { return len(double(view_.y2) - view_.y1) + 2 * kMarginMm; }

private:
    hostpcb::Box view_;
};

std::string Num(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", v);
    std::string s(buffer);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

bool Hidden(const hostpcb::Object& o) {
    if (o.display.hidden) return true;
    const hostpcb::Component* c = o.ParentComponent();
    return c && c->display.hidden;
}

void DrawPad(std::ostringstream& out, const Canvas& cv, const hostpcb::Pad& pad) {
    const hostpcb::PadGeometry& g = pad.Geometry();
    const char* colour = pad.Layer() == PCB_MULTI_LAYER ? kThroughColour
                         : pad.Layer() == PCB_BOTTOM_LAYER ? kBottomColour : kTopColour;
    const double cx = cv.x(pad.Position().x), cy = cv.y(pad.Position().y);
    const double w = cv.len(g.sizeX), h = cv.len(g.shape == hostpcb::PadShape::Round ? g.sizeX : g.sizeY);
    if (g.shape == hostpcb::PadShape::Round) {
        out << "<circle cx=\"" << Num(cx) << "\" cy=\"" << Num(cy) << "\" r=\"" << Num(w / 2) << "\" fill=\"" << colour
            << "\"/>\n";
        return;
    }
    if (g.shape == hostpcb::PadShape::Custom && g.customOutline.size() >= 3) {
        out << "<polygon fill=\"" << colour << "\" points=\"";
        const double r = g.rotation * std::numbers::pi / 180.0;
        for (const hostpcb::Point& p : g.customOutline) {
            const double px = p.x * std::cos(r) - p.y * std::sin(r);
            const double py = p.x * std::sin(r) + p.y * std::cos(r);
            out << Num(cx + cv.len(px)) << "," << Num(cy - cv.len(py)) << " ";
        }
        out << "\"/>\n";
        return;
    }
    double rx = 0;
    if (g.shape == hostpcb::PadShape::Oval) rx = std::min(w, h) / 2;
    if (g.shape == hostpcb::PadShape::RoundedRect) rx = cv.len(g.cornerRadius);
    out << "<rect x=\"" << Num(cx - w / 2) << "\" y=\"" << Num(cy - h / 2) << "\" width=\"" << Num(w) << "\" height=\""
        << Num(h) << "\"";
    if (rx > 0) out << " rx=\"" << Num(rx) << "\"";
    if (std::fmod(g.rotation, 360.0) != 0) {
        out << " transform=\"rotate(" << Num(-g.rotation) << " " << Num(cx) << " " << Num(cy) << ")\"";
    }
    out << " fill=\"" << colour << "\"/>\n";
}

}  // namespace

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters are not allowed in XML 1.0 text.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') out += c;
                break;
        }
    }
    return out;
}

std::string RenderBoardSvg(const hostpcb::Board& board, const RenderOptions& options) {
    const std::vector<Segment> outline = OutlineSegments(board);
    const std::vector<ComponentExtent> extents = ComponentExtents(board);
    bool any = false;
    hostpcb::Box view;
    auto grow = [&](const hostpcb::Box& b) {
        view = any ? view.United(b) : b;
        any = true;
    };
    for (const Segment& s : outline) grow(hostpcb::Box::FromCorners(s.a.x, s.a.y, s.b.x, s.b.y));
    for (const ComponentExtent& e : extents) {
        if (!e.component->display.hidden) grow(e.box);
    }
    if (!any) view = {0, 0, io::MmToHost(10), io::MmToHost(10)};
    const Canvas cv(view);

    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Num(cv.width()) << "mm\" height=\"" << Num(cv.height())
        << "mm\" viewBox=\"0 0 " << Num(cv.width()) << " " << Num(cv.height()) << "\">\n";
    out << "<title>" << XmlEscape(options.title.empty() ? board.fileName : options.title) << "</title>\n";
    out << "<rect x=\"0\" y=\"0\" width=\"" << Num(cv.width()) << "\" height=\"" << Num(cv.height())
        << "\" fill=\"#ffffff\"/>\n";

    out << "<g id=\"outline\" stroke=\"#1a1a1a\" stroke-width=\"0.15\" stroke-linecap=\"round\">\n";
    for (const Segment& s : outline) {
        out << "<line x1=\"" << Num(cv.x(s.a.x)) << "\" y1=\"" << Num(cv.y(s.a.y)) << "\" x2=\"" << Num(cv.x(s.b.x))
            << "\" y2=\"" << Num(cv.y(s.b.y)) << "\"/>\n";
    }
    out << "</g>\n";

    if (options.rooms) {
        out << "<g id=\"rooms\" fill=\"#2e9d5b\" fill-opacity=\"0.06\" stroke=\"#2e9d5b\" stroke-width=\"0.12\" "
               "stroke-dasharray=\"0.6 0.4\">\n";
        for (const hostpcb::Rule* rule : board.Rules()) {
            if (rule->ruleKind != PCB_RULE_CONFINEMENT || !rule->enabled || rule->display.hidden) continue;
            const hostpcb::Box& r = rule->room;
            out << "<rect x=\"" << Num(cv.x(r.x1)) << "\" y=\"" << Num(cv.y(r.y2)) << "\" width=\""
                << Num(cv.len(double(r.x2) - r.x1)) << "\" height=\"" << Num(cv.len(double(r.y2) - r.y1)) << "\"/>\n";
            out << "<text x=\"" << Num(cv.x(r.x1) + 0.3) << "\" y=\"" << Num(cv.y(r.y2) + 1.2)
                << "\" font-size=\"1\" font-family=\"sans-serif\" stroke=\"none\" fill-opacity=\"1\">"
                << XmlEscape(rule->name + (rule->confineKind == PCB_CONFINE_KEEP_OUTSIDE ? " (keep out)" : ""))
                << "</text>\n";
        }
        out << "</g>\n";
    }

    // Bottom side first, so that the top side is drawn over it.
    for (const bool bottom : {true, false}) {
        const char* colour = bottom ? kBottomColour : kTopColour;
        out << "<g id=\"" << (bottom ? "bottom" : "top") << "\">\n";
        for (const ComponentExtent& e : extents) {
            const hostpcb::Component& c = *e.component;
            if (c.display.hidden || (c.Layer() == PCB_BOTTOM_LAYER) != bottom) continue;
            const ComponentPaint paint = options.paint ? options.paint(c) : ComponentPaint{};
            const std::string fill = paint.fill.empty() ? colour : paint.fill;
            const std::string stroke = paint.frame.empty() ? fill : paint.frame;
            out << "<rect x=\"" << Num(cv.x(e.box.x1)) << "\" y=\"" << Num(cv.y(e.box.y2)) << "\" width=\""
                << Num(cv.len(double(e.box.x2) - e.box.x1)) << "\" height=\"" << Num(cv.len(double(e.box.y2) - e.box.y1))
                << "\" fill=\"" << fill << "\" fill-opacity=\"" << (paint.fill.empty() ? "0.10" : "0.45")
                << "\" stroke=\"" << stroke << "\" stroke-width=\"" << (paint.frame.empty() ? "0.08" : "0.3") << "\""
                << (e.courtyard || !paint.frame.empty() ? "" : " stroke-dasharray=\"0.3 0.2\"") << "/>\n";
            for (const hostpcb::Pad* pad : c.Pads()) {
                if (!Hidden(*pad)) DrawPad(out, cv, *pad);
            }
        }
        out << "</g>\n";
    }

    if (options.connections) {
        out << "<g id=\"connections\" stroke=\"#6b6b6b\" stroke-width=\"0.05\" stroke-opacity=\"0.8\">\n";
        for (const hostpcb::Net* net : board.Nets()) {
            if (net->display.hidden) continue;
            for (const Segment& s : NetSpanningTree(*net)) {
                out << "<line x1=\"" << Num(cv.x(s.a.x)) << "\" y1=\"" << Num(cv.y(s.a.y)) << "\" x2=\"" << Num(cv.x(s.b.x))
                    << "\" y2=\"" << Num(cv.y(s.b.y)) << "\"/>\n";
            }
        }
        out << "</g>\n";
    }

    if (options.designators) {
        out << "<g id=\"designators\" font-family=\"sans-serif\" text-anchor=\"middle\" dominant-baseline=\"central\" "
               "fill=\"#111111\">\n";
        for (const ComponentExtent& e : extents) {
            const hostpcb::Component& c = *e.component;
            const std::string name = c.Designator();
            if (c.display.hidden || name.empty()) continue;
            const double w = cv.len(double(e.box.x2) - e.box.x1), h = cv.len(double(e.box.y2) - e.box.y1);
            const double size = std::clamp(std::min(h * 0.5, 1.6 * w / std::max<size_t>(name.size(), 1)), 0.25, 2.0);
            out << "<text x=\"" << Num(cv.x((double(e.box.x1) + e.box.x2) / 2)) << "\" y=\""
                << Num(cv.y((double(e.box.y1) + e.box.y2) / 2)) << "\" font-size=\"" << Num(size) << "\">"
                << XmlEscape(name) << "</text>\n";
        }
        out << "</g>\n";
    }
    out << "</svg>\n";
    return out.str();
}

}  // namespace app
