// Writing a placement back: moved, turned and flipped footprints land where KiCad puts
// them, nothing else changes, stale routing goes, and files are written safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>

#include "io/BoardFiles.h"
#include "io/Units.h"
#include "TestFiles.h"

namespace {

using hostpcb::Component;
using hostpcb::Point;

// Where a footprint's text block starts and ends in a board file.
std::pair<size_t, size_t> FootprintSpan(const std::string& text, const std::string& reference) {
    size_t at = std::string::npos;
    for (const std::string& key : {"\"Reference\" \"" + reference + "\"", "reference \"" + reference + "\"",
                                  "reference " + reference + " "}) {
        at = text.find(key);
        if (at != std::string::npos) break;
    }
    if (at == std::string::npos) return {0, 0};
    const size_t start = std::max(text.rfind("(footprint", at) + 1, text.rfind("(module", at) + 1) - 1;
    int depth = 0;
    bool inString = false;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return {start, i + 1};
        }
    }
    return {0, 0};
}

std::string WithoutFootprints(std::string text, const std::vector<std::string>& references) {
    for (const std::string& r : references) {
        const auto [a, b] = FootprintSpan(text, r);
        if (b > a) text.erase(a, b - a);
    }
    return text;
}

const io::KFootprint* FindFootprint(const io::KicadBoard& board, const std::string& reference) {
    for (const io::KFootprint& fp : board.footprints()) {
        if (fp.reference == reference) return &fp;
    }
    return nullptr;
}

bool UniqueReference(const io::KicadBoard& board, const std::string& reference) {
    int n = 0;
    for (const io::KFootprint& fp : board.footprints()) n += fp.reference == reference;
    return n == 1 && !reference.empty() && reference.find('*') == std::string::npos;
}

// The first movable footprint on the given side with a unique designator and at least
// `minPads` pads.
Component* PickComponent(io::LoadedBoard& loaded, bool bottom, size_t minPads) {
    for (const io::FootprintLink& link : loaded.mapping.links) {
        const io::KFootprint& fp = loaded.kicad->footprints()[link.footprint];
        if (fp.back == bottom && !fp.locked && fp.pads.size() >= minPads && UniqueReference(*loaded.kicad, fp.reference)) {
            return link.component;
        }
    }
    return nullptr;
}

double Mod(double a, double m) {
    a = std::fmod(a, m);
    return a < 0 ? a + m : a;
}

struct Moved {
    std::string reference;
    bool flipped = false;
    Point origin;
    double rotation = 0;
    bool bottom = false;
    std::vector<Point> pads;
    std::vector<double> padRotations;
    io::KFootprint before;
};

Moved Capture(const io::LoadedBoard& loaded, const Component& c, bool flipped, const io::KFootprint& before) {
    Moved m;
    m.reference = c.Designator();
    m.flipped = flipped;
    m.origin = c.Position();
    m.rotation = c.Rotation();
    m.bottom = c.Layer() == PCB_BOTTOM_LAYER;
    for (const hostpcb::Pad* p : c.Pads()) {
        m.pads.push_back(p->Position());
        m.padRotations.push_back(p->Geometry().rotation);
    }
    m.before = before;
    (void)loaded;
    return m;
}

class MoveAndWriteTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MoveAndWriteTest, MovedTurnedAndFlippedFootprintsLandWhereKiCadPutsThem) {
    const std::string input = iotest::BoardPath(GetParam());
    iotest::ScratchDir dir;
    auto loaded = io::LoadBoardFile(input);
    std::vector<Moved> moved;

    // A top footprint goes to the bottom, turned a quarter and moved.
    Component* top = PickComponent(*loaded, false, 3);
    ASSERT_NE(top, nullptr);
    const io::KFootprint topBefore = *FindFootprint(*loaded->kicad, top->Designator());
    top->SetLayer(PCB_BOTTOM_LAYER);
    top->SetRotation(hostpcb::NormalizeAngle(top->Rotation() + 90));
    top->SetPosition({top->Position().x + io::MmToHost(1.5), top->Position().y - io::MmToHost(2.25)});
    moved.push_back(Capture(*loaded, *top, true, topBefore));

    // A bottom footprint (when the board has one) stays on its side, turned and moved.
    if (Component* bottom = PickComponent(*loaded, true, 2)) {
        const io::KFootprint bottomBefore = *FindFootprint(*loaded->kicad, bottom->Designator());
        bottom->SetRotation(hostpcb::NormalizeAngle(bottom->Rotation() + 270));
        bottom->SetPosition({bottom->Position().x - io::MmToHost(3), bottom->Position().y + io::MmToHost(0.5)});
        moved.push_back(Capture(*loaded, *bottom, false, bottomBefore));
    }

    io::SaveOptions options;
    options.output = dir.file("out.kicad_pcb");
    options.keepRouting = true;
    const io::SaveResult result = io::SaveBoardFile(*loaded, options);
    EXPECT_EQ(result.moved, static_cast<int>(moved.size()));
    EXPECT_EQ(result.flipped, 1);

    // Read the written file with KiCad's rules: pad = footprint position + pad offset
    // turned by the footprint's orientation.
    auto written = io::KicadBoard::load(options.output);
    for (const Moved& m : moved) {
        SCOPED_TRACE(m.reference);
        const io::KFootprint* fp = FindFootprint(*written, m.reference);
        ASSERT_NE(fp, nullptr);
        EXPECT_EQ(fp->back, m.bottom);
        EXPECT_TRUE(m.bottom ? written->isBackCopper(fp->layer) : written->isFrontCopper(fp->layer)) << fp->layer;
        const io::KPoint at = io::ToKicad(m.origin);
        EXPECT_NEAR(fp->at.x, at.x, 1e-6);
        EXPECT_NEAR(fp->at.y, at.y, 1e-6);
        EXPECT_NEAR(Mod(fp->angle, 360), io::KicadAngle(m.rotation, m.bottom), 1e-6);
        ASSERT_EQ(fp->pads.size(), m.pads.size());
        for (size_t i = 0; i < fp->pads.size(); ++i) {
            const io::KPad& pad = fp->pads[i];
            const io::KPoint turned = io::RotateOnScreen(pad.at, fp->angle);
            const io::KPoint host = io::ToKicad(m.pads[i]);
            EXPECT_NEAR(fp->at.x + turned.x, host.x, 1e-5) << "pad " << pad.number;
            EXPECT_NEAR(fp->at.y + turned.y, host.y, 1e-5) << "pad " << pad.number;
            // A symmetric pad's outline is the same up to half a turn in both.
            if (pad.shape != "custom" && pad.shape != "trapezoid") {
                EXPECT_NEAR(Mod(pad.angle - m.padRotations[i] + 1e-7, 180), 1e-7, 1e-5) << "pad " << pad.number;
            }
            const io::KPad& old = m.before.pads[i];
            if (m.flipped) {
                // KiCad flips a footprint about its own horizontal axis.
                EXPECT_DOUBLE_EQ(pad.at.x, old.at.x);
                EXPECT_DOUBLE_EQ(pad.at.y, -old.at.y);
                // Layers change side: F.x <-> B.x (and renamed outer copper layers likewise).
                ASSERT_EQ(pad.layers.size(), old.layers.size());
                for (size_t k = 0; k < old.layers.size(); ++k) {
                    const std::string& was = old.layers[k];
                    std::string expected = was;
                    if (was.rfind("F.", 0) == 0) expected = "B." + was.substr(2);
                    if (was.rfind("B.", 0) == 0) expected = "F." + was.substr(2);
                    if (was == written->frontCopper()) expected = written->backCopper();
                    if (was == written->backCopper()) expected = written->frontCopper();
                    EXPECT_EQ(pad.layers[k], expected);
                }
            } else {
                EXPECT_DOUBLE_EQ(pad.at.x, old.at.x);
                EXPECT_DOUBLE_EQ(pad.at.y, old.at.y);
                EXPECT_EQ(pad.layers, old.layers);
            }
        }
        if (m.flipped) {
            for (const io::KShape& g : fp->graphics) EXPECT_NE(g.layer.rfind("F.", 0), 0u) << g.layer;
        }
    }

    // Nothing but the moved footprints changed.
    std::vector<std::string> refs;
    for (const Moved& m : moved) refs.push_back(m.reference);
    EXPECT_EQ(WithoutFootprints(iotest::ReadFile(options.output), refs), WithoutFootprints(iotest::ReadFile(input), refs));

    // Loading the written board gives the host the same geometry back.
    auto reloaded = io::LoadBoardFile(options.output);
    for (const Moved& m : moved) {
        SCOPED_TRACE(m.reference);
        const Component* c = reloaded->board->FindComponent(m.reference);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Layer(), m.bottom ? PCB_BOTTOM_LAYER : PCB_TOP_LAYER);
        EXPECT_NEAR(c->Position().x, m.origin.x, 1);
        EXPECT_NEAR(c->Position().y, m.origin.y, 1);
        EXPECT_NEAR(Mod(c->Rotation() - m.rotation + 1e-7, 360), 1e-7, 1e-5);
        const std::vector<hostpcb::Pad*> pads = c->Pads();
        ASSERT_EQ(pads.size(), m.pads.size());
        for (size_t i = 0; i < pads.size(); ++i) {
            EXPECT_NEAR(pads[i]->Position().x, m.pads[i].x, 2) << "pad " << pads[i]->name;
            EXPECT_NEAR(pads[i]->Position().y, m.pads[i].y, 2) << "pad " << pads[i]->name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FileVersions, MoveAndWriteTest,
                         ::testing::Values("duet2-v105.kicad_pcb", "uext-esp32-c3.kicad_pcb", "tkey-tk1.kicad_pcb",
                                           "glasgow-revC3.kicad_pcb", "cm5-minima.kicad_pcb"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name(param.param);
                             name = name.substr(0, name.find('.'));
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(FlipTest, TextsAndArcsAreMirroredTheWayKiCadDoes) {
    iotest::ScratchDir dir;
    const std::string path = dir.file("flip.kicad_pcb");
    iotest::WriteFile(path, R"((kicad_pcb (version 20221018) (generator pcbnew)
  (layers (0 "F.Cu" signal) (31 "B.Cu" signal))
  (footprint "X:Y" (layer "F.Cu") (at 10 10 30)
    (fp_text reference "U1" (at 1 -2 30) (layer "F.SilkS") (effects (font (size 1 1)) (justify left)))
    (fp_arc (start 1 0) (mid 0 1) (end -1 0) (stroke (width 0.1) (type solid)) (layer "F.Fab"))
    (pad "1" smd trapezoid (at 0 1 75) (size 1 2) (rect_delta 0 0.4) (drill 0 (offset 0.1 0.2)) (layers "F.Cu" "F.Mask")))
)
)");
    auto loaded = io::LoadBoardFile(path);
    Component* u1 = loaded->board->FindComponent("U1");
    ASSERT_NE(u1, nullptr);
    u1->SetLayer(PCB_BOTTOM_LAYER);
    io::SaveOptions options;
    options.output = dir.file("out.kicad_pcb");
    io::SaveBoardFile(*loaded, options);
    const std::string out = iotest::ReadFile(options.output);
    // The host keeps the rotation (30) when it changes side; on the bottom that footprint
    // is KiCad's 210.
    auto written = io::KicadBoard::load(options.output);
    const io::KFootprint& fp = written->footprints().at(0);
    EXPECT_TRUE(fp.back);
    EXPECT_DOUBLE_EQ(fp.angle, 210);
    EXPECT_NE(out.find("(layer \"B.Cu\")"), std::string::npos);
    EXPECT_NE(out.find("(fp_text reference \"U1\" (at 1 2 "), std::string::npos) << out;
    EXPECT_NE(out.find("(layer \"B.SilkS\") (effects (font (size 1 1)) (justify left mirror))"), std::string::npos) << out;
    EXPECT_NE(out.find("(fp_arc (start 1 0) (mid 0 -1) (end -1 0)"), std::string::npos) << out;
    EXPECT_NE(out.find("(layer \"B.Fab\")"), std::string::npos);
    EXPECT_NE(out.find("(rect_delta 0 -0.4)"), std::string::npos) << out;
    EXPECT_NE(out.find("(offset 0.1 -0.2)"), std::string::npos) << out;
    EXPECT_NE(out.find("(layers \"B.Cu\" \"B.Mask\")"), std::string::npos);
    const io::KPad& pad = fp.pads.at(0);
    EXPECT_DOUBLE_EQ(pad.at.y, -1);
    // The pad's own turn in the footprint (75 - 30 = 45) is mirrored to -45.
    EXPECT_NEAR(Mod(pad.angle - fp.angle, 360), 315, 1e-9);
    // KiCad's reading of the written pad agrees with the host's mirrored pad.
    const io::KPoint p = io::RotateOnScreen(pad.at, fp.angle);
    const io::KPoint host = io::ToKicad(u1->FindPad("1")->Position());
    EXPECT_NEAR(fp.at.x + p.x, host.x, 1e-5);
    EXPECT_NEAR(fp.at.y + p.y, host.y, 1e-5);
}

TEST(StaleRoutingTest, RoutingOfMovedFootprintsGoesUnlessKept) {
    const std::string input = iotest::BoardPath("uext-esp32-c3.kicad_pcb");
    iotest::ScratchDir dir;
    auto loaded = io::LoadBoardFile(input);
    const size_t routedBefore = loaded->kicad->routed().size();
    Component* moved = PickComponent(*loaded, false, 3);
    ASSERT_NE(moved, nullptr);
    std::set<std::string> nets;
    for (const hostpcb::Pad* p : moved->Pads()) {
        if (p->GetNet()) nets.insert(p->GetNet()->name);
    }
    ASSERT_FALSE(nets.empty());
    moved->SetPosition({moved->Position().x + io::MmToHost(0.5), moved->Position().y});

    // The same move on a second copy of the board, written with its routing kept.
    auto copy = io::LoadBoardFile(input);
    Component* same = copy->board->FindComponent(moved->Designator());
    same->SetPosition(moved->Position());
    io::SaveOptions keep;
    keep.output = dir.file("kept.kicad_pcb");
    keep.keepRouting = true;
    const io::SaveResult kept = io::SaveBoardFile(*copy, keep);
    EXPECT_EQ(kept.moved, 1);
    EXPECT_FALSE(kept.removed.any());
    EXPECT_TRUE(kept.warnings.empty());
    EXPECT_EQ(io::KicadBoard::load(keep.output)->routed().size(), routedBefore);

    io::SaveOptions drop;
    drop.output = dir.file("dropped.kicad_pcb");
    const io::SaveResult dropped = io::SaveBoardFile(*loaded, drop);
    EXPECT_GT(dropped.removed.tracks, 0);
    ASSERT_EQ(dropped.warnings.size(), 1u);
    EXPECT_NE(dropped.warnings[0].find(std::to_string(dropped.removed.tracks) + " track"), std::string::npos);
    auto out = io::KicadBoard::load(drop.output);
    EXPECT_EQ(out->routed().size(), routedBefore - static_cast<size_t>(dropped.removed.tracks + dropped.removed.vias));
    for (const io::KRouted& r : out->routed()) {
        EXPECT_EQ(nets.count(out->netName(r.netNumber, r.netName)), 0u) << out->netName(r.netNumber, r.netName);
    }
    auto filledZones = [](const io::KicadBoard& b) {
        int n = 0;
        for (const io::KZone& z : b.zones()) n += z.node->child("filled_polygon") != nullptr;
        return n;
    };
    EXPECT_EQ(filledZones(*out), filledZones(*io::KicadBoard::load(input)) - dropped.removed.zoneFills);
}

class SafeWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        board_ = dir_.file("board.kicad_pcb");
        std::filesystem::copy_file(iotest::BoardPath("bp-irtoy.kicad_pcb"), board_);
        original_ = iotest::ReadFile(board_);
        loaded_ = io::LoadBoardFile(board_);
        Component* c = PickComponent(*loaded_, false, 2);
        c->SetPosition({c->Position().x + io::MmToHost(1), c->Position().y});
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    iotest::ScratchDir dir_;
    std::string board_;
    std::string original_;
    std::unique_ptr<io::LoadedBoard> loaded_;
};

TEST_F(SafeWriteTest, TheInputIsOnlyOverwrittenInPlaceWhenAsked) {
    io::SaveOptions same;
    same.output = board_;
    EXPECT_THROW(io::SaveBoardFile(*loaded_, same), std::runtime_error);
    same.output = dir_.path() + "/./board.kicad_pcb";  // another spelling of the same file
    EXPECT_THROW(io::SaveBoardFile(*loaded_, same), std::runtime_error);
    EXPECT_EQ(iotest::ReadFile(board_), original_);

    const io::SaveResult placed = io::SaveBoardFile(*loaded_, {});
    EXPECT_EQ(placed.path, dir_.file("board.placed.kicad_pcb"));
    EXPECT_EQ(iotest::ReadFile(board_), original_);
    EXPECT_NE(iotest::ReadFile(placed.path), original_);

    io::SaveOptions inPlace;
    inPlace.inPlace = true;  // without an output: the input itself
    EXPECT_EQ(io::SaveBoardFile(*loaded_, inPlace).path, board_);
    EXPECT_EQ(iotest::ReadFile(board_), iotest::ReadFile(placed.path));
    // No temporary file is left behind.
    EXPECT_EQ(Entries(), (std::vector<std::string>{"board.kicad_pcb", "board.placed.kicad_pcb"}));
}

TEST_F(SafeWriteTest, AFailedWriteLeavesTheTargetAndNoTemporaryFile) {
    // A folder in the way of the target: the rename fails after the data was written.
    const std::string blocked = dir_.file("blocked.kicad_pcb");
    std::filesystem::create_directory(blocked);
    iotest::WriteFile(blocked + "/keep", "x");
    EXPECT_THROW(io::WriteFileAtomically(blocked, "data"), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(iotest::ReadFile(blocked + "/keep"), "x");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"blocked.kicad_pcb", "board.kicad_pcb"}));
    EXPECT_THROW(io::WriteFileAtomically(dir_.file("missing/x.kicad_pcb"), "data"), std::runtime_error);
}

TEST_F(SafeWriteTest, ReplacingAFileKeepsItsPermissions) {
    const std::string target = dir_.file("out.kicad_pcb");
    iotest::WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    io::WriteFileAtomically(target, "new");
    EXPECT_EQ(iotest::ReadFile(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace

namespace {

// Every footprint of a board turned a quarter and shifted: the written file must be
// readable again and hold every footprint where the host left it. KiCad 7 texts carry
// keywords after their coordinates ("(at x y unlocked)"), which must not be taken for
// an angle.
class MoveEverythingTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MoveEverythingTest, EveryMovedFootprintReadsBackWhereItWasPut) {
    const std::string input = iotest::BoardPath(GetParam());
    iotest::ScratchDir dir;
    auto loaded = io::LoadBoardFile(input);
    std::map<std::string, std::pair<Point, double>> expected;
    for (Component* c : loaded->board->Components()) {
        c->SetRotation(hostpcb::NormalizeAngle(c->Rotation() + 90));
        c->SetPosition({c->Position().x + io::MmToHost(0.5), c->Position().y + io::MmToHost(0.25)});
        expected[c->Designator()] = {c->Position(), c->Rotation()};
    }
    io::SaveOptions options;
    options.output = dir.file("out.kicad_pcb");
    options.keepRouting = true;
    ASSERT_NO_THROW(io::SaveBoardFile(*loaded, options));

    const std::string written = iotest::ReadFile(options.output);
    EXPECT_EQ(written.find(" unlocked 90)"), std::string::npos) << "an angle was written after a keyword";

    auto reloaded = io::LoadBoardFile(options.output);
    int checked = 0;
    for (const Component* c : reloaded->board->Components()) {
        const auto it = expected.find(c->Designator());
        if (it == expected.end()) continue;  // designators need not be unique
        EXPECT_NEAR(c->Position().x, it->second.first.x, 1) << c->Designator();
        EXPECT_NEAR(c->Position().y, it->second.first.y, 1) << c->Designator();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(KiCad7Texts, MoveEverythingTest,
                         ::testing::Values("sensorwatch-b1.kicad_pcb", "bitaxe-ultra.kicad_pcb"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name(param.param);
                             name = name.substr(0, name.find('.'));
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
