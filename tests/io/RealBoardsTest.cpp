// Every shared real board: loads with the counts of the board set's manifest, renders
// to well-formed SVG and writes back unchanged byte for byte.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "app/StatsCommand.h"
#include "app/SvgRenderer.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace {

struct ManifestRow {
    std::string file;
    int footprints = -1, pads = -1, nets = -1;
    int top = -1, bottom = -1, locked = -1, padless = -1;
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, '|')) {
        const size_t a = cell.find_first_not_of(' ');
        const size_t b = cell.find_last_not_of(' ');
        cells.push_back(a == std::string::npos ? std::string() : cell.substr(a, b - a + 1));
    }
    return cells;
}

// The manifest's two tables: counts by file, and sides / locked / pad-less by board name.
std::vector<ManifestRow> ReadManifest() {
    std::map<std::string, ManifestRow> rows;
    std::vector<std::string> order;
    std::stringstream in(iotest::ReadFile(iotest::BoardPath("MANIFEST.md")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| ", 0) != 0) continue;
        const std::vector<std::string> c = Cells(line);
        if (c.size() > 10 && c[2].size() > 10 && c[2].ends_with(".kicad_pcb")) {
            ManifestRow& r = rows[c[2]];
            r.file = c[2];
            r.footprints = std::stoi(c[8]);
            r.pads = std::stoi(c[9]);
            r.nets = std::stoi(c[10]);
            order.push_back(c[2]);
        } else if (c.size() > 8 && rows.count(c[1] + ".kicad_pcb") && c[3].find(" / ") != std::string::npos) {
            ManifestRow& r = rows[c[1] + ".kicad_pcb"];
            r.top = std::stoi(c[3].substr(0, c[3].find(" / ")));
            r.bottom = std::stoi(c[3].substr(c[3].find(" / ") + 3));
            r.locked = std::stoi(c[7]);
            r.padless = std::stoi(c[8]);
        }
    }
    std::vector<ManifestRow> out;
    for (const std::string& f : order) out.push_back(rows[f]);
    return out;
}

// A small XML checker: balanced and properly nested tags, quoted attributes, escaped text.
bool WellFormedXml(const std::string& xml, std::string& error) {
    std::vector<std::string> stack;
    size_t i = 0;
    bool rootSeen = false;
    auto fail = [&](const std::string& why) {
        error = why + " at offset " + std::to_string(i);
        return false;
    };
    auto entityOk = [&](size_t at) {
        for (const char* e : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
            if (xml.compare(at, std::strlen(e), e) == 0) return true;
        }
        return false;
    };
    while (i < xml.size()) {
        if (xml[i] != '<') {
            if (xml[i] == '&' && !entityOk(i)) return fail("bare '&'");
            if (stack.empty() && !std::isspace(static_cast<unsigned char>(xml[i]))) return fail("text outside the root");
            ++i;
            continue;
        }
        if (xml.compare(i, 5, "<?xml") == 0) {
            const size_t end = xml.find("?>", i);
            if (end == std::string::npos) return fail("open declaration");
            i = end + 2;
            continue;
        }
        const bool closing = xml[i + 1] == '/';
        size_t j = i + (closing ? 2 : 1);
        const size_t nameStart = j;
        while (j < xml.size() && (std::isalnum(static_cast<unsigned char>(xml[j])) || xml[j] == '-' || xml[j] == ':')) ++j;
        const std::string name = xml.substr(nameStart, j - nameStart);
        if (name.empty()) return fail("tag without a name");
        bool selfClosing = false;
        for (;;) {
            while (j < xml.size() && std::isspace(static_cast<unsigned char>(xml[j]))) ++j;
            if (j >= xml.size()) return fail("open tag");
            if (xml[j] == '>') break;
            if (xml.compare(j, 2, "/>") == 0) {
                selfClosing = true;
                ++j;
                break;
            }
            if (closing) return fail("attributes in a closing tag");
            const size_t eq = xml.find('=', j);
            if (eq == std::string::npos || xml[eq + 1] != '"') return fail("unquoted attribute");
            const size_t close = xml.find('"', eq + 2);
            if (close == std::string::npos) return fail("open attribute");
            for (size_t k = eq + 2; k < close; ++k) {
                if (xml[k] == '<' || (xml[k] == '&' && !entityOk(k))) return fail("raw '<' or '&' in an attribute");
            }
            j = close + 1;
        }
        i = j + 1;
        if (closing) {
            if (stack.empty() || stack.back() != name) return fail("mismatched </" + name + ">");
            stack.pop_back();
        } else if (!selfClosing) {
            if (stack.empty()) {
                if (rootSeen) return fail("second root element");
                rootSeen = true;
            }
            stack.push_back(name);
        }
    }
    if (!stack.empty()) {
        error = "unclosed <" + stack.back() + ">";
        return false;
    }
    return rootSeen;
}

class RealBoardsTest : public ::testing::TestWithParam<ManifestRow> {};

TEST_P(RealBoardsTest, CountsAgreeWithTheManifest) {
    const ManifestRow& row = GetParam();
    auto loaded = io::LoadBoardFile(iotest::BoardPath(row.file));
    const app::BoardStats s = app::ComputeStats(*loaded);
    EXPECT_EQ(s.footprints, row.footprints);
    EXPECT_EQ(s.pads, row.pads);
    EXPECT_EQ(s.nets, row.nets);
    EXPECT_EQ(s.top, row.top);
    EXPECT_EQ(s.bottom, row.bottom);
    EXPECT_EQ(s.locked, row.locked);
    EXPECT_EQ(s.padless, row.padless);
    EXPECT_GT(s.outlineItems, 0);  // every shared board has an Edge.Cuts outline
    const std::string report = app::FormatStats(*loaded, s);
    EXPECT_NE(report.find("footprints: " + std::to_string(row.footprints) + " "), std::string::npos) << report;
    EXPECT_NE(report.find("pads: " + std::to_string(row.pads) + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("nets: " + std::to_string(row.nets) + "\n"), std::string::npos) << report;
    // Every coordinate lands inside the host's positive range.
    for (const hostpcb::Component* c : loaded->board->Components()) {
        const hostpcb::Box b = c->Bounds();
        EXPECT_GT(b.x1, 0) << c->Designator();
        EXPECT_GT(b.y1, 0) << c->Designator();
        EXPECT_LT(b.x2, 999990000) << c->Designator();
        EXPECT_LT(b.y2, 999990000) << c->Designator();
    }
}

TEST_P(RealBoardsTest, UnchangedBoardWritesBackByteForByte) {
    const ManifestRow& row = GetParam();
    iotest::ScratchDir dir;
    auto loaded = io::LoadBoardFile(iotest::BoardPath(row.file));
    io::SaveOptions options;
    options.output = dir.file(row.file);
    const io::SaveResult result = io::SaveBoardFile(*loaded, options);
    EXPECT_EQ(result.moved, 0);
    EXPECT_FALSE(result.removed.any());
    const std::string written = iotest::ReadFile(options.output);
    const std::string original = iotest::ReadFile(iotest::BoardPath(row.file));
    ASSERT_EQ(written.size(), original.size());
    EXPECT_TRUE(written == original);
}

TEST_P(RealBoardsTest, RendersWellFormedSvg) {
    const ManifestRow& row = GetParam();
    auto loaded = io::LoadBoardFile(iotest::BoardPath(row.file));
    const std::string svg = app::RenderBoardSvg(*loaded->board);
    std::string error;
    EXPECT_TRUE(WellFormedXml(svg, error)) << error;
    for (const char* bad : {"\"nan", "\"-nan", " nan", ",nan", "\"inf", " inf"}) EXPECT_EQ(svg.find(bad), std::string::npos) << bad;
    // One extent rectangle per footprint, plus the background.
    size_t rects = 0;
    for (size_t at = svg.find("fill-opacity=\"0.10\""); at != std::string::npos; at = svg.find("fill-opacity=\"0.10\"", at + 1)) {
        ++rects;
    }
    EXPECT_EQ(rects, static_cast<size_t>(row.footprints));
}

INSTANTIATE_TEST_SUITE_P(SharedBoards, RealBoardsTest, ::testing::ValuesIn(ReadManifest()),
                         [](const ::testing::TestParamInfo<ManifestRow>& param) {
                             std::string name = param.param.file.substr(0, param.param.file.find('.'));
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

TEST(ManifestTest, ListsEveryBoard) {
    const std::vector<ManifestRow> rows = ReadManifest();
    ASSERT_EQ(rows.size(), 15u);
    for (const ManifestRow& r : rows) EXPECT_GE(r.top, 0) << r.file;
}

TEST(SvgCheckerTest, RejectsBrokenDocuments) {
    std::string error;
    EXPECT_TRUE(WellFormedXml("<svg a=\"1\"><g><text>R&amp;D</text></g></svg>", error)) << error;
    EXPECT_FALSE(WellFormedXml("<svg><g></svg></g>", error));
    EXPECT_FALSE(WellFormedXml("<svg><text>R&D</text></svg>", error));
    EXPECT_FALSE(WellFormedXml("<svg a=1></svg>", error));
    EXPECT_FALSE(WellFormedXml("<svg>", error));
    EXPECT_EQ(app::XmlEscape("<R&\"1\">"), "&lt;R&amp;&quot;1&quot;&gt;");
}

TEST(RenderTest, HiddenObjectsAreLeftOut) {
    auto loaded = io::LoadBoardFile(iotest::BoardPath("bp-irtoy.kicad_pcb"));
    hostpcb::Component* hidden = loaded->board->Components().front();
    const std::string label = ">" + hidden->Designator() + "<";
    const std::string before = app::RenderBoardSvg(*loaded->board);
    ASSERT_NE(before.find(label), std::string::npos);
    hidden->display.hidden = true;
    hostpcb::Net* net = loaded->board->Nets().front();
    net->display.hidden = true;
    const std::string after = app::RenderBoardSvg(*loaded->board);
    EXPECT_EQ(after.find(label), std::string::npos);
    auto count = [](const std::string& svg, const std::string& what) {
        size_t n = 0;
        for (size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(after, "fill-opacity=\"0.10\""), count(before, "fill-opacity=\"0.10\"") - 1);
    EXPECT_EQ(count(after, "<line"), count(before, "<line") - app::NetSpanningTree(*net).size());
}

}  // namespace
