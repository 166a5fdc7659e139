// Board object records against the host stand-in: what a read shows, what a
// write changes, and the by-handle helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "host/PcbBoard.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "host/PcbRules.h"
#include "host/RecordSync.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"

namespace autoplacer {
namespace {

using hostpcb::Point;

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("records.kicad_pcb");
        hostpcb::BoardBuilder build(*board);
        build.RectOutline(0, 0, 20000000, 20000000);
        r1 = &build.Chip("R1", "0603", {5000000, 5000000});
        c1 = &build.Chip("C1", "0805", {8000000, 5000000}, 90);
        u1 = &build.Soic("U1", 8, {12000000, 9000000});
        gnd = &build.Connect("GND", {"R1.1", "C1.1", "U1.4"});
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }

    hostpcb::Board* board = nullptr;
    hostpcb::Component* r1 = nullptr;
    hostpcb::Component* c1 = nullptr;
    hostpcb::Component* u1 = nullptr;
    hostpcb::Net* gnd = nullptr;
};

TEST_F(RecordsTest, ComponentReadShowsTheHostComponent) {
    TPcbComponent record(c1->Handle());
    ASSERT_EQ(record.Sync(PCB_READ), PCB_OK);
    EXPECT_EQ(record.ObjectId, PCB_COMPONENT);
    EXPECT_EQ(record.X, 8000000);
    EXPECT_EQ(record.Y, 5000000);
    EXPECT_DOUBLE_EQ(record.GetRotation(), 90.0);
    EXPECT_EQ(record.GetLayer(), PCB_TOP_LAYER);
    EXPECT_EQ(record.Pattern, c1->pattern);
    EXPECT_FALSE(record.Pattern.empty());
    EXPECT_EQ(record.GetDesignator(), "C1");
    EXPECT_EQ(record.NameText, c1->NameText()->Handle());
    EXPECT_TRUE(record.GetMoveable());
    EXPECT_FALSE(record.IsSelected());
}

TEST_F(RecordsTest, ComponentWriteMovesTurnsFlipsAndTagsTheHostComponent) {
    TPcbComponent record(r1->Handle());
    record.Sync(PCB_READ);
    record.X += 1000000;
    record.Rotation = 180;
    record.SetLayer(PCB_BOTTOM_LAYER);
    record.SetIndex(42);
    record.SetMoveable(false);
    record.SetSelected(true);
    ASSERT_EQ(record.Sync(PCB_WRITE), PCB_OK);

    EXPECT_EQ(r1->Position(), (Point{6000000, 5000000}));
    EXPECT_DOUBLE_EQ(r1->Rotation(), 180.0);
    EXPECT_EQ(r1->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(r1->tag, 42);
    EXPECT_FALSE(r1->moveable);
    EXPECT_NE(r1->flags & PCB_FLAG_SELECTED, 0);
    // The pads went with it.
    for (hostpcb::Pad* pad : r1->Pads()) {
        EXPECT_NE(pad->Layer(), PCB_TOP_LAYER);
    }

    TPcbComponent again(r1->Handle());
    again.Sync(PCB_READ);
    EXPECT_EQ(again.X, record.X);
    EXPECT_EQ(again.GetIndex(), 42);
    EXPECT_FALSE(again.GetMoveable());
    EXPECT_TRUE(again.IsSelected());
    EXPECT_EQ(again.GetLayer(), PCB_BOTTOM_LAYER);
    record.SetSelected(false);
    EXPECT_FALSE(record.IsSelected());
}

TEST_F(RecordsTest, PadRecordKnowsNetAndOwnerAndWritesOnlyWhatChanged) {
    hostpcb::Pad* pad = r1->FindPad("1");
    ASSERT_NE(pad, nullptr);
    TPcbPad record(pad->Handle());
    ASSERT_EQ(record.Sync(PCB_READ), PCB_OK);
    EXPECT_EQ(record.ObjectId, PCB_PAD);
    EXPECT_EQ((Point{record.GetX(), record.GetY()}), pad->Position());
    EXPECT_EQ(record.GetNet(), gnd->Handle());
    EXPECT_EQ(record.GetComponent(), r1->Handle());
    EXPECT_EQ(record.GetLayer(), PCB_TOP_LAYER);

    const hostpcb::PadGeometry before = pad->Geometry();
    record.SetIndex(7);
    ASSERT_EQ(record.Sync(PCB_WRITE_SILENT), PCB_OK);
    EXPECT_EQ(pad->tag, 7);
    EXPECT_EQ(pad->Position(), (Point{record.X, record.Y}));
    EXPECT_EQ(pad->Geometry().sizeX, before.sizeX);
    EXPECT_EQ(pad->Geometry().sizeY, before.sizeY);
    EXPECT_EQ(pad->GetNet(), gnd);
}

TEST_F(RecordsTest, TrackFillArcAndTextRoundTrips) {
    hostpcb::Track& track = board->AddTrack(nullptr, {1000000, 1000000}, {3000000, 1000000}, 100000, PCB_TOP_LAYER);
    hostpcb::Fill& fill = board->AddFill(nullptr, {1000000, 2000000}, {2000000, 3000000}, PCB_BOTTOM_LAYER);
    hostpcb::Arc& arc = board->AddArc(nullptr, {4000000, 4000000}, 500000, 0, 90, 80000, PCB_TOP_LAYER);
    hostpcb::Text& text = board->AddText(nullptr, "HELLO", {6000000, 6000000}, 600000, 0, PCB_TOP_OVERLAY);

    TPcbTrack t(track.Handle());
    t.Sync(PCB_READ);
    EXPECT_EQ(t.X1(), 1000000);
    EXPECT_EQ(t.Y1(), 1000000);
    EXPECT_EQ(t.X2, 3000000);
    EXPECT_EQ(t.Width, 100000);
    t.MoveBy(100, -200);  // the record only
    EXPECT_EQ(track.Position(), (Point{1000000, 1000000}));
    EXPECT_EQ(t.X2, 3000100);
    EXPECT_EQ(t.Y2, 999800);
    t.Width = 120000;
    t.Sync(PCB_WRITE);
    EXPECT_EQ(track.Position(), (Point{1000100, 999800}));
    EXPECT_EQ(track.End(), (Point{3000100, 999800}));
    EXPECT_EQ(track.Width(), 120000);

    TPcbFill f(fill.Handle());
    f.Sync(PCB_READ);
    EXPECT_EQ(f.GetLayer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ((Point{f.X2, f.Y2}), (Point{2000000, 3000000}));
    f.MoveBy(-1000000, 0);
    f.Sync(PCB_WRITE);
    EXPECT_EQ(fill.Position(), (Point{0, 2000000}));
    EXPECT_EQ(fill.Corner2(), (Point{1000000, 3000000}));

    TPcbArc a(arc.Handle());
    a.Sync(PCB_READ);
    EXPECT_EQ(a.XCenter(), 4000000);
    EXPECT_EQ(a.Radius, 500000);
    EXPECT_DOUBLE_EQ(a.EndAngle, 90.0);
    EXPECT_EQ(a.Width, 80000);
    a.Radius = 600000;
    a.StartAngle = 45;
    a.MoveBy(10, 10);
    a.Sync(PCB_WRITE);
    EXPECT_EQ(arc.Radius(), 600000);
    EXPECT_DOUBLE_EQ(arc.StartAngle(), 45.0);
    EXPECT_EQ(arc.Position(), (Point{4000010, 4000010}));

    TPcbText x(text.Handle());
    x.Sync(PCB_READ);
    EXPECT_EQ(x.Text, "HELLO");
    x.Text = "WORLD";
    x.Sync(PCB_WRITE);
    EXPECT_EQ(text.String(), "WORLD");
}

TEST_F(RecordsTest, ConnectionsNetsAndClasses) {
    board->AnalyzeNet(*gnd);
    std::vector<PcbHandle> connections;
    TObjectIterator(board->Handle(), PCB_CONNECTION).ForEach([&](PcbHandle h) { connections.push_back(h); });
    ASSERT_EQ(connections.size(), 2u);  // three pads, a spanning tree of two lines
    TPcbFromTo line(connections[0]);
    line.Sync(PCB_READ);
    EXPECT_EQ(line.ObjectId, PCB_CONNECTION);
    EXPECT_EQ(line.GetNet(), gnd->Handle());
    EXPECT_EQ(line.GetLayer(), PCB_CONNECT_LAYER);
    EXPECT_NE((Point{line.X1(), line.Y1()}), (Point{line.X2, line.Y2}));

    TPcbNet net(gnd->Handle());
    net.Sync(PCB_READ);
    EXPECT_EQ(net.Name, "GND");
    EXPECT_EQ(net.Flag1, gnd->flag1 != 0);
    net.Name = "AGND";
    net.Flag1 = !net.Flag1;
    net.Sync(PCB_WRITE);
    EXPECT_EQ(gnd->name, "AGND");
    EXPECT_EQ(gnd->flag1 != 0, net.Flag1);

    hostpcb::BoardBuilder build(*board);
    hostpcb::ObjectClass& power = build.ComponentClass("Power", {"R1", "C1"});
    TPCBObjectClass cls(power.Handle());
    cls.Sync(PCB_READ);
    EXPECT_EQ(cls.Name, "Power");
    EXPECT_EQ(cls.MemberKind, PCB_COMPONENT);
    EXPECT_EQ(cls.Members, (std::vector<std::string>{"R1", "C1"}));
    cls.Members = {"U1"};
    cls.Sync(PCB_WRITE);
    EXPECT_EQ(power.members, (std::vector<std::string>{"U1"}));
}

TEST_F(RecordsTest, PolygonsWithManyVerticesReadCompletely) {
    std::vector<hostpcb::PolyVertex> vertices;
    for (int i = 0; i < 40; ++i) {
        hostpcb::PolyVertex v;
        v.p = {1000000 + i * 10000, 1000000 + (i % 2) * 50000};
        vertices.push_back(v);
    }
    hostpcb::PolygonObject& polygon =
        board->AddPolygon(hostpcb::ObjectKind::Polygon, vertices, PCB_TOP_LAYER, gnd, nullptr);
    TPcbPolygon record(polygon.Handle());
    ASSERT_EQ(record.Sync(PCB_READ), PCB_OK);
    ASSERT_EQ(record.VertexCount(), 40);
    EXPECT_EQ(record.Vertices[39].X, 1000000 + 39 * 10000);
    EXPECT_EQ(record.Vertices[39].Y, 1050000);
    EXPECT_EQ(record.GetNet(), gnd->Handle());

    record.Vertices.resize(3);
    record.Vertices[2].X = 2500000;
    ASSERT_EQ(record.Sync(PCB_WRITE), PCB_OK);
    ASSERT_EQ(polygon.Vertices().size(), 3u);
    EXPECT_EQ(polygon.Vertices()[2].p.x, 2500000);

    TPcbPolygon again(polygon.Handle());
    again.Sync(PCB_READ);
    EXPECT_EQ(again.VertexCount(), 3);
}

TEST_F(RecordsTest, RuleRecordsAndRuleValues) {
    hostpcb::BoardBuilder build(*board);
    build.ComponentClass("Power", {"R1"});
    hostpcb::Rule& clearance = build.Clearance(120000);
    hostpcb::Rule& spacing = build.ComponentClearance(200000, 2, {hostpcb::ScopeComponentClass("Power")});
    hostpcb::Rule& room = build.Room(hostpcb::Box{1000000, 2000000, 9000000, 8000000}, PCB_CONFINE_KEEP_OUTSIDE,
                                     {hostpcb::ScopeComponent("U1")}, PCB_BOTTOM_LAYER);
    hostpcb::Rule& rotations = build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180);
    hostpcb::Rule& layers = build.PermittedLayers(PCB_PERMIT_TOP);
    hostpcb::Rule& routing = build.RoutingLayers({{PCB_TOP_LAYER, 1}, {PCB_BOTTOM_LAYER, 2}});

    TPcbRule rule(spacing.Handle());
    rule.Sync(PCB_READ);
    EXPECT_EQ(rule.RuleKind, PCB_RULE_COMPONENT_CLEARANCE);
    EXPECT_EQ(rule.Name, spacing.name);

    TPcbRuleExt ext(spacing.Handle());
    ext.Sync(PCB_READ);
    ASSERT_EQ(ext.Scope1.Entries.size(), 1u);
    EXPECT_EQ(ext.Scope1.Entries[0].Kind, PCB_SCOPE_COMPONENT_CLASS);
    EXPECT_EQ(ext.Scope1.Entries[0].Name, "Power");
    ext.Scope1.Entries.push_back(TPcbScopeEntry{PCB_SCOPE_COMPONENT, "C1", 0});
    ext.Sync(PCB_WRITE);
    ASSERT_EQ(spacing.scope1.size(), 2u);
    EXPECT_EQ(spacing.scope1[1].name, "C1");
    EXPECT_EQ(spacing.scope1[1].kind, PCB_SCOPE_COMPONENT);

    TPcbRuleEx ex(room.Handle());
    EXPECT_EQ(ex.Scope1Expression, "All");
    EXPECT_EQ(ex.Priority, -1);
    EXPECT_EQ(ex.GetLayer(), PCB_MULTI_LAYER);
    ex.Sync(PCB_READ);
    EXPECT_EQ(ex.Priority, room.priority);
    EXPECT_EQ(ex.Scope1Expression, room.Scope1Expression());
    EXPECT_NE(ex.Scope1Expression, "All");

    int32_t gap = -1;
    uint8_t mode = 0;
    EXPECT_TRUE(ReadClearanceRule(clearance.Handle(), gap));
    EXPECT_EQ(gap, 120000);
    EXPECT_TRUE(ReadComponentClearanceRule(spacing.Handle(), gap, mode));
    EXPECT_EQ(gap, 200000);
    EXPECT_EQ(mode, 2);
    TConfinementRule confinement;
    EXPECT_TRUE(ReadConfinementRule(room.Handle(), confinement));
    EXPECT_EQ(confinement.Kind, PCB_CONFINE_KEEP_OUTSIDE);
    EXPECT_EQ(confinement.Layer, PCB_BOTTOM_LAYER);
    EXPECT_EQ(std::min(confinement.X1, confinement.X2), 1000000);
    EXPECT_EQ(std::max(confinement.Y1, confinement.Y2), 8000000);
    uint8_t flags = 0;
    EXPECT_TRUE(ReadComponentRotationsRule(rotations.Handle(), flags));
    EXPECT_EQ(flags, PCB_ROTATION_0 | PCB_ROTATION_180);
    EXPECT_TRUE(ReadPermittedLayersRule(layers.Handle(), flags));
    EXPECT_EQ(flags, PCB_PERMIT_TOP);
    std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT> directions{};
    EXPECT_TRUE(ReadRoutingLayersRule(routing.Handle(), directions));
    EXPECT_EQ(directions[0], 1);
    EXPECT_EQ(directions[31], 2);

    // Nil rules answer False and leave the outputs alone.
    gap = 5;
    EXPECT_FALSE(ReadClearanceRule(nullptr, gap));
    EXPECT_EQ(gap, 5);
    EXPECT_EQ(FindDominantRule(nullptr, PCB_RULE_CLEARANCE), nullptr);
    EXPECT_EQ(FindDominantRule(r1->Handle(), PCB_RULE_COMPONENT_CLEARANCE), spacing.Handle());
    EXPECT_EQ(FindDominantRuleForPair(r1->Handle(), nullptr, PCB_RULE_CLEARANCE), nullptr);
    EXPECT_EQ(FindDominantRuleForPair(r1->Handle(), u1->Handle(), PCB_RULE_CLEARANCE), clearance.Handle());
}

TEST_F(RecordsTest, BoardAndSystemOptions) {
    board->origin = {1000000, 2000000};
    board->imperial = false;
    board->layerInfo[PCB_HIGHLIGHT_LAYER].Colour = 0x00ff00;
    board->layerInfo[PCB_DRC_ERROR_LAYER].Shown = 1;
    TPcbBoard record(board->Handle());
    ASSERT_EQ(record.Sync(PCB_READ), PCB_OK);
    EXPECT_EQ(record.FileName, "records.kicad_pcb");
    EXPECT_EQ(record.XOrigin, 1000000);
    EXPECT_EQ(record.YOrigin, 2000000);
    EXPECT_EQ(record.Imperial, 0);
    EXPECT_DOUBLE_EQ(record.ComponentGrid, board->componentGrid);
    EXPECT_EQ(record.GetLayerColour(PCB_HIGHLIGHT_LAYER), 0x00ff00u);
    EXPECT_TRUE(record.IsLayerShown(PCB_DRC_ERROR_LAYER));

    record.SetLayerColour(PCB_TOP_LAYER, ~record.GetLayerColour(PCB_HIGHLIGHT_LAYER));
    record.XOrigin = 0;
    ASSERT_EQ(record.Sync(PCB_WRITE), PCB_OK);
    EXPECT_EQ(board->layerInfo[PCB_TOP_LAYER].Colour, ~0x00ff00u);
    EXPECT_EQ(board->origin.x, 0);

    hostpcb::Host::Instance().systemMiscFlags[3] = 1;
    TPcbSystemOptions options;
    ASSERT_EQ(options.Sync(PCB_READ), PCB_OK);
    EXPECT_TRUE(options.HighlightComponentClearanceConflicts());
    hostpcb::Host::Instance().systemMiscFlags[3] = 0;
    options.Sync(PCB_READ);
    EXPECT_FALSE(options.HighlightComponentClearanceConflicts());
}

TEST_F(RecordsTest, RecordsForHandlesHaveTheClassOfTheirKind) {
    board->AnalyzeNet(*gnd);
    hostpcb::BoardBuilder build(*board);
    const PcbHandle rule = build.Clearance(1).Handle();
    const PcbHandle cls = build.NetClass("Supplies", {"GND"}).Handle();
    const PcbHandle pad = u1->FindPad("1")->Handle();
    const PcbHandle text = u1->NameText()->Handle();

    EXPECT_EQ(typeid(*CreateRecordForHandle(u1->Handle())), typeid(TPcbComponent));
    EXPECT_EQ(typeid(*CreateRecordForHandle(pad)), typeid(TPcbPad));
    EXPECT_EQ(typeid(*CreateRecordForHandle(text)), typeid(TPcbText));
    EXPECT_EQ(typeid(*CreateRecordForHandle(gnd->Handle())), typeid(TPcbNet));
    EXPECT_EQ(typeid(*CreateRecordForHandle(rule)), typeid(TPcbRule));
    EXPECT_EQ(typeid(*CreateRecordForHandle(cls)), typeid(TPCBObjectClass));
    // Read already.
    EXPECT_EQ(CreateRecordForHandle(pad)->GetComponent(), u1->Handle());
    EXPECT_EQ(CreateRecordForHandle(nullptr), nullptr);
    EXPECT_EQ(CreateRecordForHandle(board->Handle()), nullptr);  // the board has no record class here
}

TEST_F(RecordsTest, ByHandleHelpersReadTheHost) {
    const PcbHandle pad = c1->FindPad("2")->Handle();
    EXPECT_EQ(GetObjectId(pad), PCB_PAD);
    EXPECT_EQ(GetObjectX(c1->Handle()), 8000000);
    EXPECT_EQ(GetObjectY(c1->Handle()), 5000000);
    EXPECT_EQ(GetObjectNet(r1->FindPad("1")->Handle()), gnd->Handle());
    EXPECT_DOUBLE_EQ(GetComponentRotation(c1->Handle()), 90.0);
    EXPECT_DOUBLE_EQ(GetComponentRotation(pad), 0.0);

    std::string text;
    GetComponentDesignator(u1->Handle(), text);
    EXPECT_EQ(text, "U1");
    GetComponentDesignator(gnd->Handle(), text);
    EXPECT_EQ(text, "GND");
    GetComponentDesignator(pad, text);
    EXPECT_EQ(text, "");
    GetTextString(u1->NameText()->Handle(), text);
    EXPECT_EQ(text, "U1");

    SetObjectIndex(pad, 31);
    EXPECT_EQ(GetObjectIndex(pad), 31);
    SetObjectLayer(u1->Handle(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(u1->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(GetObjectLayer(u1->Handle()), PCB_BOTTOM_LAYER);

    u1->moveable = false;
    EXPECT_FALSE(GetObjectMoveable(u1->Handle()));
    EXPECT_TRUE(GetObjectMoveable(r1->Handle()));
}

TEST_F(RecordsTest, NilAndDeadHandlesGiveNeutralResults) {
    std::string text = "stale";
    EXPECT_EQ(GetObjectId(nullptr), 0);
    EXPECT_EQ(GetObjectX(nullptr), 0);
    EXPECT_EQ(GetObjectY(nullptr), 0);
    EXPECT_EQ(GetObjectIndex(nullptr), 0);
    EXPECT_EQ(GetObjectLayer(nullptr), 0);
    EXPECT_TRUE(GetObjectMoveable(nullptr));
    EXPECT_EQ(GetObjectNet(nullptr), nullptr);
    GetComponentDesignator(nullptr, text);
    EXPECT_EQ(text, "");
    text = "stale";
    GetTextString(nullptr, text);
    EXPECT_EQ(text, "");
    EXPECT_DOUBLE_EQ(GetComponentRotation(nullptr), 0.0);
    SetObjectIndex(nullptr, 3);
    SetObjectLayer(nullptr, 32);
    GetComponentPattern(nullptr, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(GetComponentCommentText(nullptr), "");

    // A handle whose object is gone counts as a missing object, never as locked.
    const PcbHandle dead = r1->Handle();
    r1->moveable = false;
    hostpcb::Host::Instance().DestroyObject(*r1);
    r1 = nullptr;
    EXPECT_TRUE(GetObjectMoveable(dead));
    EXPECT_EQ(GetObjectId(dead), 0);
}

TEST_F(RecordsTest, PatternAndCommentShortcutsFollowTheHandle) {
    std::string pattern;
    GetComponentPattern(r1->Handle(), pattern);
    EXPECT_EQ(pattern, r1->pattern);
    GetComponentPattern(u1->Handle(), pattern);
    EXPECT_EQ(pattern, u1->pattern);
    EXPECT_NE(r1->pattern, u1->pattern);
    const std::string comment = u1->CommentText() != nullptr ? u1->CommentText()->String() : std::string();
    EXPECT_EQ(GetComponentCommentText(u1->Handle()), comment);
    GetComponentPattern(r1->Handle(), pattern);
    EXPECT_EQ(pattern, r1->pattern);
}

TEST_F(RecordsTest, HostWithoutTheQueryLeavesTheRecordAsItWas) {
    TPcbComponent record(r1->Handle());
    record.X = 123;
    record.Pattern = "KEEP";
    record.Rotation = 45;
    // A query that answers success without touching the data, as a missing host function does.
    auto absent = [](PcbHandle, int32_t, PcbComponentData*) -> int32_t { return 0; };
    const int32_t result = detail::SyncRecord(
        record.Handle, PCB_READ, static_cast<int32_t (*)(PcbHandle, int32_t, PcbComponentData*)>(absent),
        [&](PcbComponentData& data) {
            data.Base.X = record.X;
            detail::CopyText(data.Pattern, sizeof data.Pattern, record.Pattern);
            data.Rotation = record.Rotation;
        },
        [&](const PcbComponentData& data) {
            record.X = data.Base.X;
            record.Pattern = detail::ReadText(data.Pattern, sizeof data.Pattern);
            record.Rotation = data.Rotation;
        });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(record.X, 123);
    EXPECT_EQ(record.Pattern, "KEEP");
    EXPECT_DOUBLE_EQ(record.Rotation, 45.0);
}

TEST_F(RecordsTest, BoundingRectanglesComeFromTheHost) {
    TPcbComponent record(u1->Handle());
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    record.GetBoundingRect(x1, y1, x2, y2);
    const hostpcb::Box box = u1->Bounds();
    EXPECT_LE(x1, x2);
    EXPECT_LE(y1, y2);
    EXPECT_EQ(x1, box.x1);
    EXPECT_EQ(y1, box.y1);
    EXPECT_EQ(x2, box.x2);
    EXPECT_EQ(y2, box.y2);
    TPcbComponent unbound;
    unbound.GetBoundingRect(x1, y1, x2, y2);
    EXPECT_EQ(x1 | y1 | x2 | y2, 0);
}

TEST_F(RecordsTest, GroupIterationOfAComponentVisitsOnlyItsOwnPrimitives) {
    std::set<PcbHandle> visited;
    TObjectIterator(u1->Handle(), 0, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle h) {
        EXPECT_TRUE(visited.insert(h).second) << "visited twice";
        EXPECT_EQ(GetObjectId(h) == PCB_COMPONENT, false);
    });
    std::set<PcbHandle> own;
    for (hostpcb::Primitive* child : u1->Children()) {
        own.insert(child->Handle());
    }
    EXPECT_EQ(visited, own);

    int pads = 0;
    TObjectIterator(u1->Handle(), PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle h) {
        EXPECT_EQ(GetObjectId(h), PCB_PAD);
        ++pads;
    });
    EXPECT_EQ(pads, 8);

    // The board with kind 2 and group method: every pad of the board.
    int boardPads = 0;
    TObjectIterator(board->Handle(), PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle) { ++boardPads; });
    EXPECT_EQ(boardPads, static_cast<int>(board->AllPads().size()));
    // Own objects only: component pads are not the board's own.
    int ownPads = 0;
    TObjectIterator(board->Handle(), PCB_PAD).ForEach([&](PcbHandle) { ++ownPads; });
    EXPECT_EQ(ownPads, 0);
}

TEST_F(RecordsTest, IterationFiltersByLayerNumber) {
    SetObjectLayer(r1->Handle(), PCB_BOTTOM_LAYER);
    std::vector<PcbHandle> bottom;
    TObjectIterator(board->Handle(), PCB_COMPONENT, PCB_ITERATE_OWN_OBJECTS, PCB_BOTTOM_LAYER)
        .ForEach([&](PcbHandle h) { bottom.push_back(h); });
    EXPECT_EQ(bottom, std::vector<PcbHandle>{r1->Handle()});
    int keepOut = 0;
    TObjectIterator(board->Handle(), PCB_TRACK, PCB_ITERATE_OWN_OBJECTS, PCB_KEEP_OUT_LAYER)
        .ForEach([&](PcbHandle) { ++keepOut; });
    EXPECT_EQ(keepOut, 4);  // the rectangular outline
    TObjectIterator none(nullptr, 0);
    EXPECT_EQ(none.First(), nullptr);
}

}  // namespace
}  // namespace autoplacer
