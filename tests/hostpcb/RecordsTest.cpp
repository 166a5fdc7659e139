// Records survive a read-write round trip, and writing a component carries its
// primitives with it.
#include <cstring>

#include "HostFixture.h"

namespace hostpcb::test {
namespace {

class Records : public HostTest {};

void ExpectSame(const PcbPrimitiveData& a, const PcbPrimitiveData& b) {
    EXPECT_EQ(a.Base.ObjectId, b.Base.ObjectId);
    EXPECT_EQ(a.Base.X, b.Base.X);
    EXPECT_EQ(a.Base.Y, b.Base.Y);
    EXPECT_EQ(a.Base.Flags, b.Base.Flags);
    EXPECT_EQ(a.Base.BitField2, b.Base.BitField2);
    EXPECT_EQ(a.Base.BitField3, b.Base.BitField3);
    EXPECT_EQ(a.Base.Index, b.Base.Index);
    EXPECT_EQ(a.Base.Moveable, b.Base.Moveable);
    EXPECT_EQ(a.Base.Net, b.Base.Net);
    EXPECT_EQ(a.Base.Component, b.Base.Component);
    EXPECT_EQ(LayerFromId(a.Base.Layer), LayerFromId(b.Base.Layer));
    EXPECT_EQ(a.X2, b.X2);
    EXPECT_EQ(a.Y2, b.Y2);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Radius, b.Radius);
    EXPECT_EQ(a.StartAngle, b.StartAngle);
    EXPECT_EQ(a.EndAngle, b.EndAngle);
    EXPECT_STREQ(a.Text, b.Text);
    EXPECT_EQ(a.TextHeight, b.TextHeight);
    EXPECT_EQ(a.TextRotation, b.TextRotation);
}

TEST_F(Records, EveryPrimitiveKindRoundTripsAndTakesChanges) {
    Net& net = board->AddNet("N1");
    PadGeometry g;
    g.shape = PadShape::Rect;
    g.sizeX = 600;
    g.sizeY = 400;
    std::vector<Object*> objects = {
        &board->AddArc(nullptr, {100, 200}, 3000, 30, 300, 100, PCB_BOTTOM_LAYER, &net),
        &board->AddPad(nullptr, "1", {700, 800}, g, PCB_TOP_LAYER, &net),
        &board->AddVia({900, 900}, 500, 250, &net),
        &board->AddTrack(nullptr, {1, 2}, {3000, 4000}, 50, PCB_MID_LAYER_1 + 4, &net),
        &board->AddText(nullptr, "Hello", {10, 20}, 700, 45, PCB_TOP_OVERLAY),
        &board->AddFill(nullptr, {-10, -20}, {30, 40}, PCB_MECHANICAL_1 + 3),
    };
    board->AddPad(nullptr, "2", {5000, 800}, g, PCB_TOP_LAYER, &net);
    PcbApi_AnalyzeNet(net.Handle());
    objects.push_back(Host::Instance().Resolve(Iterate(net.Handle(), PCB_CONNECTION, 0).at(0)));
    for (Object* o : objects) {
        SCOPED_TRACE(int(o->Kind()));
        PcbPrimitiveData first{}, again{};
        ASSERT_EQ(PcbApi_QueryPrimitive(o->Handle(), PCB_READ, &first), PCB_OK);
        first.Base.Index = 4242;
        first.Base.Flags = PCB_FLAG_SELECTED;
        first.Base.BitField2 = 8;
        first.Base.Moveable = 0;
        ASSERT_EQ(PcbApi_QueryPrimitive(o->Handle(), PCB_WRITE, &first), PCB_OK);
        ASSERT_EQ(PcbApi_QueryPrimitive(o->Handle(), PCB_READ, &again), PCB_OK);
        ExpectSame(first, again);
        // A change of the reference point and, where there is one, of the second point.
        first.Base.X += 1000;
        first.X2 += 500;
        ASSERT_EQ(PcbApi_QueryPrimitive(o->Handle(), PCB_WRITE_SILENT, &first), PCB_OK);
        ASSERT_EQ(PcbApi_QueryPrimitive(o->Handle(), PCB_READ, &again), PCB_OK);
        EXPECT_EQ(again.Base.X, first.Base.X);
        if (o->Kind() == ObjectKind::Track || o->Kind() == ObjectKind::Fill || o->Kind() == ObjectKind::Connection) {
            EXPECT_EQ(again.X2, first.X2) << "the second point is written on its own";
        }
    }
    PcbPrimitiveData text{};
    PcbApi_QueryPrimitive(objects[4]->Handle(), PCB_READ, &text);
    std::strcpy(text.Text, "World!");
    PcbApi_QueryPrimitive(objects[4]->Handle(), PCB_WRITE, &text);
    EXPECT_EQ(static_cast<Text*>(objects[4])->String(), "World!");
    PcbComponentData wrong{};
    EXPECT_EQ(PcbApi_QueryComponent(objects[0]->Handle(), PCB_READ, &wrong), PCB_ERROR_WRONG_KIND);
}

TEST_F(Records, WritingANetHandleMovesThePadBetweenNets) {
    BoardBuilder build(*board);
    build.Chip("R1", "0402", {0, 0});
    Net& a = build.Connect("A", {"R1.1"});
    Net& b = board->AddNet("B");
    PcbHandle pad = board->FindComponent("R1")->FindPad("1")->Handle();
    PcbPrimitiveData d{};
    PcbApi_QueryPrimitive(pad, PCB_READ, &d);
    EXPECT_EQ(d.Base.Net, a.Handle());
    d.Base.Net = b.Handle();
    PcbApi_QueryPrimitive(pad, PCB_WRITE, &d);
    EXPECT_TRUE(Iterate(a.Handle(), 0, 0).empty());
    EXPECT_EQ(Iterate(b.Handle(), 0, 0).size(), 1u);
    d.Base.Net = nullptr;
    PcbApi_QueryPrimitive(pad, PCB_WRITE, &d);
    EXPECT_TRUE(Iterate(b.Handle(), 0, 0).empty());
}

TEST_F(Records, ComponentWritesMoveTurnAndFlipItsPrimitives) {
    BoardBuilder build(*board);
    const Point origin{MilsToUnits(2000), MilsToUnits(1000)};
    Component& u = build.Soic("U1", 8, origin);
    std::vector<Point> start;
    for (Pad* p : u.Pads()) start.push_back(p->Position());
    const Point pin1 = u.FindPad("1")->Position();
    const Coord dx = pin1.x - origin.x, dy = pin1.y - origin.y;
    const Box pin1Box = u.FindPad("1")->Bounds();

    PcbComponentData c{};
    ASSERT_EQ(PcbApi_QueryComponent(u.Handle(), PCB_READ, &c), PCB_OK);
    EXPECT_STREQ(c.Pattern, "SOIC-8");
    PcbPrimitiveData name{};
    PcbApi_QueryPrimitive(c.NameText, PCB_READ, &name);
    EXPECT_STREQ(name.Text, "U1");

    // Move.
    c.Base.X += 12345;
    c.Base.Y -= 777;
    PcbApi_QueryComponent(u.Handle(), PCB_WRITE, &c);
    for (std::size_t i = 0; i < start.size(); ++i)
        EXPECT_EQ(u.Pads()[i]->Position(), (Point{start[i].x + 12345, start[i].y - 777}));
    c.Base.X -= 12345;
    c.Base.Y += 777;

    // Turn by 90 degrees about the origin: pin 1 goes from (dx, dy) to (-dy, dx), its box turns.
    c.Rotation = 90;
    PcbApi_QueryComponent(u.Handle(), PCB_WRITE, &c);
    EXPECT_EQ(u.FindPad("1")->Position(), (Point{origin.x - dy, origin.y + dx}));
    const Box turned = u.FindPad("1")->Bounds();
    EXPECT_EQ(turned.x2 - turned.x1, pin1Box.y2 - pin1Box.y1);
    EXPECT_EQ(turned.y2 - turned.y1, pin1Box.x2 - pin1Box.x1);

    // Flip to the bottom keeping 90 degrees: the mirrored footprint, turned by 90.
    c.Base.Layer = LayerToId(PCB_BOTTOM_LAYER);
    PcbApi_QueryComponent(u.Handle(), PCB_WRITE, &c);
    EXPECT_EQ(u.FindPad("1")->Position(), (Point{origin.x - dy, origin.y - dx}));
    EXPECT_EQ(u.FindPad("1")->Layer(), PCB_BOTTOM_LAYER);
    EXPECT_EQ(u.NameText()->Layer(), PCB_BOTTOM_OVERLAY);
    PcbComponentData back{};
    PcbApi_QueryComponent(u.Handle(), PCB_READ, &back);
    EXPECT_EQ(back.Rotation, 90);
    EXPECT_EQ(LayerFromId(back.Base.Layer), PCB_BOTTOM_LAYER);

    // And all the way back: every pad exactly where it started.
    c.Base.Layer = LayerToId(PCB_TOP_LAYER);
    c.Rotation = 0;
    PcbApi_QueryComponent(u.Handle(), PCB_WRITE, &c);
    for (std::size_t i = 0; i < start.size(); ++i) EXPECT_EQ(u.Pads()[i]->Position(), start[i]);
    EXPECT_EQ(u.FindPad("1")->Bounds(), pin1Box);
}

TEST_F(Records, NetPolygonClassAndBoardRecords) {
    Net& net = board->AddNet("VCC");
    PcbNetData n{};
    PcbApi_QueryNet(net.Handle(), PCB_READ, &n);
    EXPECT_STREQ(n.Name, "VCC");
    EXPECT_EQ(n.Flag1, 1) << "nets keep their connections by default";
    n.Flag1 = 0;
    std::strcpy(n.Name, "VDD");
    PcbApi_QueryNet(net.Handle(), PCB_WRITE, &n);
    EXPECT_EQ(net.name, "VDD");
    EXPECT_EQ(net.flag1, 0);

    std::vector<PolyVertex> v(4);
    v[0].p = {0, 0};
    v[1].p = {1000, 0};
    v[2].isArc = true;
    v[2].centre = {1000, 500};
    v[2].radius = 500;
    v[2].startAngle = 270;
    v[2].endAngle = 90;
    v[3].p = {0, 1000};
    PolygonObject& poly = board->AddPolygon(ObjectKind::SplitPlane, v, PCB_INTERNAL_PLANE_1, &net);
    PcbPolygonVertex buffer[2];
    PcbPolygonData p{};
    p.Vertices = buffer;
    p.VertexCapacity = 2;
    ASSERT_EQ(PcbApi_QueryPolygon(poly.Handle(), PCB_READ, &p), PCB_OK);
    EXPECT_EQ(p.VertexCount, 4) << "the full count even when the buffer is short";
    const int32_t secondX = buffer[1].X;  // packed field: copied before comparing
    EXPECT_EQ(secondX, 1000);
    PcbPolygonVertex all[4];
    p.Vertices = all;
    p.VertexCapacity = 4;
    PcbApi_QueryPolygon(poly.Handle(), PCB_READ, &p);
    const int32_t arcRadius = all[2].Radius;
    EXPECT_EQ(all[2].Kind, 1);
    EXPECT_EQ(arcRadius, 500);
    EXPECT_EQ(poly.Bounds().x2, 1500) << "the arc vertex reaches x = 1500";
    all[1].X = 2000;
    PcbApi_QueryPolygon(poly.Handle(), PCB_WRITE, &p);
    EXPECT_EQ(poly.Vertices()[1].p.x, 2000);
    EXPECT_EQ(poly.Bounds().x2, 2000);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(poly.Handle()), PCB_SPLIT_PLANE);

    ObjectClass& cls = board->AddClass("Power", ObjectKind::Component);
    PcbApi_AddObjectClassMember(cls.Handle(), "U1");
    PcbApi_AddObjectClassMember(cls.Handle(), "u1");  // already there
    PcbObjectClassData oc{};
    PcbApi_QueryObjectClass(cls.Handle(), PCB_READ, &oc);
    EXPECT_STREQ(oc.Name, "Power");
    EXPECT_EQ(oc.MemberKind, PCB_COMPONENT);
    EXPECT_EQ(oc.MemberCount, 1);
    PcbApi_ClearObjectClassMembers(cls.Handle());
    PcbApi_QueryObjectClass(cls.Handle(), PCB_READ, &oc);
    EXPECT_EQ(oc.MemberCount, 0);

    PcbBoardData b{};
    PcbApi_QueryBoard(board->Handle(), PCB_READ, &b);
    EXPECT_STREQ(b.FileName, "test.kicad_pcb");
    b.XCursor = 123;
    b.YCursor = 456;
    b.Imperial = 0;
    b.ComponentGrid = 25000;
    PcbApi_QueryBoard(board->Handle(), PCB_WRITE, &b);
    PcbBoardData b2{};
    PcbApi_QueryBoard(board->Handle(), PCB_READ, &b2);
    EXPECT_EQ(b2.XCursor, 123);
    EXPECT_EQ(b2.YCursor, 456);
    EXPECT_EQ(b2.Imperial, 0);
    EXPECT_EQ(b2.ComponentGrid, 25000);

    PcbLayerInfo top{}, highlight{};
    PcbApi_QueryBoardLayerInfo(board->Handle(), PCB_READ, LayerToId(PCB_TOP_LAYER), &top);
    PcbApi_QueryBoardLayerInfo(board->Handle(), PCB_READ, LayerToId(PCB_HIGHLIGHT_LAYER), &highlight);
    const uint32_t saved = top.Colour;
    top.Colour = ~highlight.Colour;
    PcbApi_QueryBoardLayerInfo(board->Handle(), PCB_WRITE, LayerToId(PCB_TOP_LAYER), &top);
    EXPECT_EQ(board->layerInfo[PCB_TOP_LAYER].Colour, ~highlight.Colour);
    EXPECT_NE(saved, board->layerInfo[PCB_TOP_LAYER].Colour);
    EXPECT_EQ(PcbApi_QueryBoard(net.Handle(), PCB_READ, &b), PCB_ERROR_WRONG_KIND);
}

TEST_F(Records, OptionRecordsRoundTrip) {
    PcbPlacerOptionsData o{};
    PcbApi_QueryBoardAdvancedPlacerOptions(board->Handle(), PCB_READ, &o);
    std::strcpy(o.PowerNets, "VCC GND");
    std::strcpy(o.GroundNets, "GND");
    o.GroupComponents = 0;
    o.RotateComponents = 1;
    o.Flag3 = 5;
    PcbApi_QueryBoardAdvancedPlacerOptions(board->Handle(), PCB_WRITE, &o);
    PcbPlacerOptionsData r{};
    PcbApi_QueryBoardAdvancedPlacerOptions(board->Handle(), PCB_READ, &r);
    EXPECT_STREQ(r.PowerNets, "VCC GND");
    EXPECT_STREQ(r.GroundNets, "GND");
    EXPECT_EQ(r.GroupComponents, 0);
    EXPECT_EQ(r.Flag3, 5);
    PcbPlacerOptionsExtData e{12, 34}, e2{};
    PcbApi_QueryBoardAdvancedPlacerOptionsExt(board->Handle(), PCB_WRITE, &e);
    PcbApi_QueryBoardAdvancedPlacerOptionsExt(board->Handle(), PCB_READ, &e2);
    EXPECT_EQ(e2.Value1, 12);
    EXPECT_EQ(e2.Value2, 34);
    PcbSystemOptionsData s{};
    s.MiscFlags[3] = 1;
    PcbApi_QuerySystemOptionsMiscellaneous(PCB_WRITE, &s);
    PcbSystemOptionsData s2{};
    PcbApi_QuerySystemOptionsMiscellaneous(PCB_READ, &s2);
    EXPECT_EQ(s2.MiscFlags[3], 1);
}

TEST(Layers, IdentitiesConvertBothWays) {
    for (LayerNumber n = PCB_TOP_LAYER; n < PCB_LAYER_COUNT; ++n) EXPECT_EQ(LayerFromId(LayerToId(n)), n) << n;
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_MID_SIGNAL, 2}), PCB_MID_LAYER_1);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_MID_SIGNAL, 45}), 31) << "deep signal layers fold onto MidLayer30";
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_PLANE, 20}), 54);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_MECHANICAL, 1}), PCB_MECHANICAL_1);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_MECHANICAL, 30}), 72);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_FIXED, PCB_KEEP_OUT_LAYER}), PCB_KEEP_OUT_LAYER);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_FIXED, 5}), PCB_NO_LAYER);
    EXPECT_EQ(LayerFromId({PCB_LAYER_KIND_NONE, 0}), PCB_NO_LAYER);
}

}  // namespace
}  // namespace hostpcb::test
