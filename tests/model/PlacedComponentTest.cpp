// Placed components on the host stand-in: extents, moves that land the extent,
// right-angle turns and the component-rotations rule.
#include <array>

#include "engines/GeometryFixture.h"
#include "model/PlacedComponent.h"

namespace autoplacer::test {
namespace {

using Placed = GeometryTest;

TEST_F(Placed, MultiLayerPadsAreSeenOnThroughHoleAndKeepOutPadsOnly) {
    hostpcb::BoardBuilder build(*board);
    build.Chip("R1", "0603", At(100, 100));
    build.Header("J1", 4, 1, At(300, 300));
    hostpcb::Component& shielded = build.Chip("R2", "0603", At(500, 100));
    board->AddPad(&shielded, "3", At(520, 100), hostpcb::PadGeometry{}, PCB_KEEP_OUT_LAYER);

    EXPECT_FALSE(TPlacedComponent(Handle("R1")).HasMultiLayerPads);
    EXPECT_TRUE(TPlacedComponent(Handle("J1")).HasMultiLayerPads);
    EXPECT_TRUE(TPlacedComponent(Handle("R2")).HasMultiLayerPads);

    // Recomputed after a write as well: the flag follows the host, not the old record.
    TPlacedComponent chip(Handle("R1"));
    chip.HasMultiLayerPads = true;
    chip.Sync(PCB_WRITE);
    EXPECT_FALSE(chip.HasMultiLayerPads);
}

TEST_F(Placed, ExtentCountsArcsPadsAndTracksAndTextsOnlyWhenAsked) {
    hostpcb::Component& c = hostpcb::BoardBuilder(*board).Chip("R1", "0805", At(1000, 1000));
    // A fill far away is no part of the extent; a text is, with texts included.
    board->AddFill(&c, At(2000, 2000), At(2100, 2100), PCB_TOP_LAYER);
    TPlacedComponent placed(c.Handle());

    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    placed.GetExtent(x1, y1, x2, y2, false);
    EXPECT_LT(x2, Mil(1100));
    EXPECT_LT(y2, Mil(1100));
    EXPECT_EQ(placed.Width(), x2 - x1);
    EXPECT_EQ(placed.Height(), y2 - y1);
    EXPECT_EQ(placed.CentreX(), (x1 + x2) / 2);

    c.NameText()->SetPosition(At(1500, 1500));
    int32_t tx1 = 0, ty1 = 0, tx2 = 0, ty2 = 0;
    placed.GetExtent(tx1, ty1, tx2, ty2, true);
    EXPECT_LE(tx1, x1);
    EXPECT_LE(ty1, y1);
    EXPECT_GE(tx2, Mil(1500));
    EXPECT_GE(ty2, Mil(1500));
}

TEST_F(Placed, ComponentWithoutPrimitivesIsAPointAtItsReference) {
    board->AddComponent("LOGO", "Logo", At(100, 100));
    TPlacedComponent logo(Handle("LOGO"));
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    logo.GetExtent(x1, y1, x2, y2, false);
    EXPECT_EQ(x1, Mil(100));
    EXPECT_EQ(y1, Mil(100));
    EXPECT_EQ(x2, Mil(100));
    EXPECT_EQ(y2, Mil(100));
    EXPECT_EQ(logo.Width(), 0);
    EXPECT_EQ(logo.AreaMeasure(), 0);
    EXPECT_EQ(ComponentAreaMeasure(Handle("LOGO")), 0);
    EXPECT_FALSE(ComponentHasExtent(Handle("LOGO")));
    // Its texts still count where asked for.
    board->FindComponent("LOGO")->NameText()->SetPosition(At(300, 50));
    logo.GetExtent(x1, y1, x2, y2, true);
    EXPECT_GE(x2, Mil(300));
    EXPECT_LE(y1, Mil(50));

    // Moved and turned by its reference point, wherever it stands.
    board->AddComponent("REF**", "Marker", {-1'539'892'483, 1'000'000'000});
    TPlacedComponent marker(Handle("REF**"));
    marker.MoveExtentTo(Mil(500), Mil(700));
    EXPECT_EQ(board->FindComponent("REF**")->Position(), At(500, 700));
    marker.MoveCentreTo(Mil(200), Mil(300));
    EXPECT_EQ(board->FindComponent("REF**")->Position(), At(200, 300));
    RotateBy90(marker);
    EXPECT_EQ(ComponentExtentRect(Handle("REF**")), Rect(Mil(200), Mil(300), Mil(200), Mil(300)));
}

TEST_F(Placed, MovesOfAPartFarFromItsReferenceStayInTheHostRange) {
    // A pad 1.5 m to the left of the reference point: moving the extent's corner
    // near the top of the range would put the reference point past it.
    hostpcb::Component& c = board->AddComponent("J1", "Wide", At(0, 0));
    hostpcb::PadGeometry pad;
    pad.shape = hostpcb::PadShape::Rect;
    pad.sizeX = Mil(1000);
    pad.sizeY = Mil(1000);
    board->AddPad(&c, "1", At(-59000, 0), pad, PCB_TOP_LAYER);
    TPlacedComponent part(Handle("J1"));
    part.MoveExtentTo(2'000'000'000, -2'000'000'000);
    EXPECT_EQ(c.Position().x, INT32_MAX);
    EXPECT_EQ(c.Position().y, -2'000'000'000 + Mil(500));
}

TEST_F(Placed, MoveExtentToLandsExactlyWhateverTheRotationAndSide) {
    hostpcb::BoardBuilder build(*board);
    build.Soic("U1", 8, At(1000, 1000));
    build.LShaped("U2", At(3000, 1000));
    build.Qfn("U3", 16, At(5000, 1000));
    for (const char* name : {"U1", "U2", "U3"}) {
        for (const int side : {PCB_TOP_LAYER, PCB_BOTTOM_LAYER}) {
            for (const double rotation : {0.0, 90.0, 180.0, 270.0, 30.0, 45.0, 123.4, 359.5}) {
                TPlacedComponent part(Handle(name));
                part.Rotation = rotation;
                part.SetLayer(side);
                part.Sync(PCB_WRITE);

                part.MoveExtentTo(Mil(1234.5678), Mil(7654.321));
                int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                part.GetExtent(x1, y1, x2, y2, false);
                EXPECT_EQ(x1, Mil(1234.5678)) << name << " side " << side << " at " << rotation;
                EXPECT_EQ(y1, Mil(7654.321)) << name << " side " << side << " at " << rotation;

                part.MoveCentreTo(Mil(4000), Mil(3000));
                EXPECT_EQ(part.CentreX(), Mil(4000)) << name << " at " << rotation;
                EXPECT_EQ(part.CentreY(), Mil(3000)) << name << " at " << rotation;
            }
        }
    }
}

TEST_F(Placed, MovesActOnTheHostStateNotOnAnOldRecord) {
    hostpcb::BoardBuilder(*board).Soic("U1", 8, At(1000, 1000));
    TPlacedComponent stale(Handle("U1"));
    // Someone else turns and moves the part after the record was read.
    board->FindComponent("U1")->SetRotation(90);
    board->FindComponent("U1")->SetPosition(At(2000, 2000));

    stale.MoveExtentTo(Mil(500), Mil(600));
    const hostpcb::Box box = board->FindComponent("U1")->Bounds();
    EXPECT_EQ(box.x1, Mil(500));
    EXPECT_EQ(box.y1, Mil(600));
    EXPECT_DOUBLE_EQ(board->FindComponent("U1")->Rotation(), 90.0);
}

TEST_F(Placed, RightAngleTurnsWrapOnceAtFullTurn) {
    hostpcb::BoardBuilder(*board).Soic("U1", 8, At(1000, 1000), 180);
    TPlacedComponent part(Handle("U1"));
    RotateBy270(part);
    EXPECT_DOUBLE_EQ(board->FindComponent("U1")->Rotation(), 90.0);

    board->FindComponent("U1")->SetRotation(359.5);
    RotateBy90(part);  // reads first, so the host's 359.5 is what is turned
    EXPECT_DOUBLE_EQ(board->FindComponent("U1")->Rotation(), 89.5);
    RotateBy180(part);
    EXPECT_DOUBLE_EQ(board->FindComponent("U1")->Rotation(), 269.5);
    ResetRotation(part);
    EXPECT_DOUBLE_EQ(board->FindComponent("U1")->Rotation(), 0.0);
}

TEST(RotationRule, RightAnglesNeedTheirFlagAndOtherAnglesAreFree) {
    EXPECT_TRUE(RotationAllowed(0, 45.0));
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_0, 360.0));
    EXPECT_FALSE(RotationAllowed(PCB_ROTATION_90, 360.0));
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_90, -270.0));
    EXPECT_FALSE(RotationAllowed(PCB_ROTATION_180, -270.0));
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_ANY, 90.0));
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_ANY | PCB_ROTATION_0, 270.0));
    EXPECT_FALSE(RotationAllowed(PCB_ROTATION_0 | PCB_ROTATION_90, 180.0005));
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_0 | PCB_ROTATION_90, 180.0011));  // no right angle any more
    EXPECT_TRUE(RotationAllowed(PCB_ROTATION_270, 630.0));
    EXPECT_FALSE(RotationAllowed(4, 90.0));  // the value 4 allows nothing
}

TEST_F(Placed, RotationCountAndFirstAllowedRotationFollowTheRule) {
    hostpcb::BoardBuilder build(*board);
    build.Soic("U1", 8, At(1000, 1000));
    build.Soic("U2", 8, At(2000, 1000));
    build.Soic("U3", 8, At(3000, 1000));
    build.Soic("U4", 8, At(4000, 1000), 45);
    build.Rotations(PCB_ROTATION_0 | PCB_ROTATION_180, {hostpcb::ScopeComponent("U2")});
    build.Rotations(4, {hostpcb::ScopeComponent("U3")});
    build.Rotations(PCB_ROTATION_ANY | PCB_ROTATION_90, {hostpcb::ScopeComponent("U4")});

    EXPECT_EQ(AllowedRotationCount(TPlacedComponent(Handle("U1"))), 5);
    EXPECT_EQ(AllowedRotationCount(TPlacedComponent(Handle("U2"))), 2);
    EXPECT_EQ(AllowedRotationCount(TPlacedComponent(Handle("U3"))), 0);
    EXPECT_EQ(AllowedRotationCount(TPlacedComponent(Handle("U4"))), 5);

    const std::array<double, 4> angles{90, 270, 0, 180};
    const auto applied = [&](const char* name) {
        TPlacedComponent part(Handle(name));
        ApplyFirstAllowedRotation(part, angles);
        return board->FindComponent(name)->Rotation();
    };
    EXPECT_DOUBLE_EQ(applied("U1"), 90.0);  // no rule: the first angle
    EXPECT_DOUBLE_EQ(applied("U2"), 0.0);   // 0 and 180 allowed: 0 comes first
    EXPECT_DOUBLE_EQ(applied("U3"), 90.0);  // none allowed: the first angle
    EXPECT_DOUBLE_EQ(applied("U4"), 90.0);  // any angle

    const std::array<double, 2> pair{270, 180};
    TPlacedComponent u2(Handle("U2"));
    ApplyFirstAllowedRotation(u2, pair);
    EXPECT_DOUBLE_EQ(board->FindComponent("U2")->Rotation(), 180.0);
}

}  // namespace
}  // namespace autoplacer::test
