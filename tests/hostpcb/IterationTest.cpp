// Iterators, spatial iterators, containers and handles of destroyed objects.
#include <algorithm>

#include "HostFixture.h"

namespace hostpcb::test {
namespace {

class Iteration : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        BoardBuilder build(*board);
        build.RectOutline(0, 0, MilsToUnits(4000), MilsToUnits(3000));
        r1 = &build.Chip("R1", "0603", {MilsToUnits(500), MilsToUnits(500)});
        u1 = &build.Soic("U1", 8, {MilsToUnits(2000), MilsToUnits(1500)});
        j1 = &build.Header("J1", 4, 1, {MilsToUnits(3500), MilsToUnits(2500)});
        net = &build.Connect("VCC", {"R1.1", "U1.8", "J1.1"});
        rule = &build.Clearance(MilsToUnits(8));
        cls = &build.ComponentClass("Passives", {"R1"});
    }
    static bool Has(const std::vector<PcbHandle>& v, PcbHandle h) { return std::find(v.begin(), v.end(), h) != v.end(); }

    Component* r1 = nullptr;
    Component* u1 = nullptr;
    Component* j1 = nullptr;
    Net* net = nullptr;
    Rule* rule = nullptr;
    ObjectClass* cls = nullptr;
};

TEST_F(Iteration, BoardOwnObjectsExcludeComponentPrimitives) {
    const auto own = Iterate(board->Handle(), 0, PCB_ITERATE_OWN_OBJECTS);
    EXPECT_TRUE(Has(own, r1->Handle()) && Has(own, net->Handle()) && Has(own, rule->Handle()) &&
                Has(own, cls->Handle()));
    EXPECT_EQ(own.size(), 3u + 1u + 1u + 1u + 4u) << "components, net, rule, class, four outline tracks";
    for (PcbHandle h : own) {
        PcbObjectData d{};
        PcbApi_QueryObjectBase(h, PCB_READ, &d);
        EXPECT_EQ(d.Component, nullptr);
    }
    EXPECT_TRUE(Iterate(board->Handle(), PCB_PAD, PCB_ITERATE_OWN_OBJECTS).empty());
    EXPECT_TRUE(Iterate(board->Handle(), 40, PCB_ITERATE_OWN_OBJECTS).empty()) << "no kind 40 exists";
    EXPECT_EQ(Iterate(board->Handle(), PCB_TRACK, 0, PCB_KEEP_OUT_LAYER).size(), 4u);
}

TEST_F(Iteration, GroupMethodReachesEveryPadOfTheBoard) {
    const auto pads = Iterate(board->Handle(), PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    EXPECT_EQ(pads.size(), 2u + 8u + 4u);
    for (PcbHandle h : pads) EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(h), PCB_PAD);
    // With a layer: the header's pads are on MultiLayer, the others on TopLayer.
    EXPECT_EQ(Iterate(board->Handle(), PCB_PAD, 2, PCB_TOP_LAYER).size(), 10u);
    EXPECT_EQ(Iterate(board->Handle(), PCB_PAD, 2, PCB_MULTI_LAYER).size(), 4u);
}

TEST_F(Iteration, ComponentOwnerYieldsOnlyItsOwnPrimitives) {
    const auto all = Iterate(u1->Handle(), 0, PCB_ITERATE_GROUP_PRIMITIVES);
    EXPECT_EQ(all.size(), u1->Children().size());
    for (PcbHandle h : all) {
        PcbObjectData d{};
        PcbApi_QueryObjectBase(h, PCB_READ, &d);
        EXPECT_EQ(d.Component, u1->Handle());
    }
    EXPECT_EQ(Iterate(u1->Handle(), PCB_PAD, 2).size(), 8u);
    EXPECT_EQ(Iterate(r1->Handle(), PCB_TRACK, 2).size(), 4u) << "the body outline";
}

TEST_F(Iteration, NilEndsAndStaysNil) {
    PcbHandle it = PcbApi_CreateIterator(r1->Handle(), PCB_PAD, 2, LayerToId(0));
    ASSERT_NE(PcbApi_GetFirstObject(it), nullptr);
    ASSERT_NE(PcbApi_GetNextObject(it), nullptr);
    EXPECT_EQ(PcbApi_GetNextObject(it), nullptr);
    EXPECT_EQ(PcbApi_GetNextObject(it), nullptr);
    EXPECT_NE(PcbApi_GetFirstObject(it), nullptr) << "first starts over";
    PcbApi_DestroyIterator(it);
    EXPECT_EQ(PcbApi_GetNextObject(it), nullptr) << "a destroyed iterator yields nil";
    EXPECT_EQ(PcbApi_CreateIterator(nullptr, 0, 0, LayerToId(0)), nullptr);
}

TEST_F(Iteration, NetAndClassOwnersYieldTheirMembers) {
    const auto members = Iterate(net->Handle(), 0, 0);
    EXPECT_EQ(members.size(), 3u);
    EXPECT_TRUE(Has(members, r1->FindPad("1")->Handle()));
    const auto inClass = Iterate(cls->Handle(), 0, 0);
    ASSERT_EQ(inClass.size(), 1u);
    EXPECT_EQ(inClass[0], r1->Handle());
}

TEST_F(Iteration, ObjectsDestroyedDuringIterationAreSkipped) {
    PcbHandle it = PcbApi_CreateIterator(board->Handle(), PCB_COMPONENT, 0, LayerToId(0));
    ASSERT_EQ(PcbApi_GetFirstObject(it), r1->Handle());
    PcbApi_DestroyObject(u1->Handle());
    EXPECT_EQ(PcbApi_GetNextObject(it), j1->Handle());
    PcbApi_DestroyIterator(it);
}

TEST_F(Iteration, SpatialQueriesFollowMovesAndFilters) {
    const Box around = Box::FromCorners(MilsToUnits(400), MilsToUnits(400), MilsToUnits(600), MilsToUnits(600));
    const PcbLayerSet top = LayerSetRange(PCB_TOP_LAYER, PCB_TOP_LAYER);
    auto pads = SpatialQuery(board->Handle(), around, top, KindBit(PCB_PAD));
    EXPECT_EQ(pads.size(), 2u);
    EXPECT_EQ(SpatialQuery(board->Handle(), around, LayerSetRange(PCB_BOTTOM_LAYER, PCB_BOTTOM_LAYER),
                           KindBit(PCB_PAD)).size(), 0u);
    const auto comps = SpatialQuery(board->Handle(), around, PcbLayerSet{}, KindBit(PCB_COMPONENT));
    ASSERT_EQ(comps.size(), 1u);
    EXPECT_EQ(comps[0], r1->Handle());

    // Move R1 through its record: the index follows.
    PcbComponentData c{};
    PcbApi_QueryComponent(r1->Handle(), PCB_READ, &c);
    c.Base.X += MilsToUnits(1000);
    PcbApi_QueryComponent(r1->Handle(), PCB_WRITE, &c);
    EXPECT_TRUE(SpatialQuery(board->Handle(), around, top, KindBit(PCB_PAD)).empty());
    const Box moved = Box::FromCorners(MilsToUnits(1400), MilsToUnits(400), MilsToUnits(1600), MilsToUnits(600));
    EXPECT_EQ(SpatialQuery(board->Handle(), moved, top, KindBit(PCB_PAD)).size(), 2u);
    // A touching query box counts.
    const Box pad = r1->FindPad("1")->Bounds();
    EXPECT_EQ(SpatialQuery(board->Handle(), {pad.x2, pad.y2, pad.x2 + 10, pad.y2 + 10}, top, KindBit(PCB_PAD)).size(),
              1u);
}

TEST_F(Iteration, TakenOffTheBoardMeansInvisibleButAlive) {
    const Box around = r1->Bounds();
    PcbApi_DeleteObjectFromContainer(board->Handle(), r1->Handle());
    EXPECT_FALSE(Has(Iterate(board->Handle(), PCB_COMPONENT, 0), r1->Handle()));
    EXPECT_EQ(Iterate(board->Handle(), PCB_PAD, 2).size(), 12u);
    EXPECT_TRUE(SpatialQuery(board->Handle(), around, PcbLayerSet{}, 0).empty());
    EXPECT_EQ(Iterate(net->Handle(), 0, 0).size(), 2u) << "its pad left the net's visible members";
    PcbComponentData c{};
    EXPECT_EQ(PcbApi_QueryComponent(r1->Handle(), PCB_READ, &c), PCB_OK) << "still alive";
    EXPECT_EQ(Iterate(r1->Handle(), PCB_PAD, 2).size(), 2u) << "its own primitives stay reachable";

    PcbApi_AddObjectToContainer(board->Handle(), r1->Handle());
    EXPECT_TRUE(Has(Iterate(board->Handle(), PCB_COMPONENT, 0), r1->Handle()));
    EXPECT_EQ(SpatialQuery(board->Handle(), around, PcbLayerSet{}, KindBit(PCB_PAD)).size(), 2u);
    EXPECT_EQ(Iterate(net->Handle(), 0, 0).size(), 3u);
}

TEST_F(Iteration, FreeObjectsJoinTheBoardOnlyWhenAdded) {
    PcbHandle t = PcbApi_CreateObject(PCB_TRACK);
    PcbObjectData d{};
    PcbApi_QueryObjectBase(t, PCB_READ, &d);
    EXPECT_EQ(LayerFromId(d.Layer), PCB_TOP_LAYER) << "new objects default to TopLayer";
    PcbApi_SetOwnerBoard(t, board->Handle());
    EXPECT_FALSE(Has(Iterate(board->Handle(), PCB_TRACK, 0), t));
    PcbApi_AddObjectToContainer(board->Handle(), t);
    EXPECT_TRUE(Has(Iterate(board->Handle(), PCB_TRACK, 0), t));
    PcbApi_DestroyObject(t);
    EXPECT_FALSE(Has(Iterate(board->Handle(), PCB_TRACK, 0), t));

    // Moved and destroyed before the index caught up: queries neither crash nor find it.
    Track& moving = board->AddTrack(nullptr, {0, 0}, {100, 0}, 10, PCB_TOP_LAYER);
    const PcbHandle gone = moving.Handle();
    moving.SetPosition({-5000, -5000});
    PcbApi_DestroyObject(gone);
    EXPECT_FALSE(Has(SpatialQuery(board->Handle(), {-6000, -6000, 200, 200}, PcbLayerSet{}, 0), gone));
}

TEST_F(Iteration, ComponentsStayOnTheirBoardAndBoardsStayApart) {
    Board& other = Host::Instance().CreateBoard("other.kicad_pcb");
    EXPECT_EQ(Host::Instance().CurrentBoard(), board) << "the first board stays current";
    PcbApi_AddObjectToContainer(other.Handle(), r1->Handle());
    PcbApi_SetOwnerBoard(r1->Handle(), other.Handle());
    EXPECT_TRUE(Iterate(other.Handle(), 0, PCB_ITERATE_GROUP_PRIMITIVES).empty());
    EXPECT_TRUE(Has(Iterate(board->Handle(), PCB_COMPONENT, 0), r1->Handle()));
    // A free object may move between boards.
    PcbHandle t = PcbApi_CreateObject(PCB_TRACK);
    PcbApi_AddObjectToContainer(board->Handle(), t);
    PcbApi_AddObjectToContainer(other.Handle(), t);
    EXPECT_FALSE(Has(Iterate(board->Handle(), PCB_TRACK, 0), t));
    EXPECT_TRUE(Has(Iterate(other.Handle(), PCB_TRACK, 0), t));
    Host::Instance().SetCurrentBoard(&other);
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), other.Handle());
    Host::Instance().DestroyBoard(other);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(t), 0) << "a board takes its objects with it";
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), board->Handle());
}

TEST_F(Iteration, HandlesOfDestroyedObjectsAnswerErrors) {
    Pad* pad = r1->FindPad("1");
    const PcbHandle padHandle = pad->Handle();
    const PcbHandle compHandle = r1->Handle();
    PcbApi_DestroyObject(compHandle);  // takes its primitives with it
    PcbPrimitiveData p{};
    EXPECT_EQ(PcbApi_QueryPrimitive(padHandle, PCB_READ, &p), PCB_ERROR_NIL_HANDLE);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(compHandle), 0);
    int32_t x1 = 7, y1 = 7, x2 = 7, y2 = 7;
    EXPECT_EQ(PcbApi_QueryObjectBoundingRectangle(padHandle, &x1, &y1, &x2, &y2), 0);
    EXPECT_EQ(PCBAPI_CheckPrimitivesOverlapWithClearance(padHandle, u1->FindPad("1")->Handle(), 1000000000), 0);
    EXPECT_EQ(PcbApi_FindDominantRuleForObject(padHandle, PCB_RULE_CLEARANCE), nullptr);
    PcbApi_DestroyObject(compHandle);  // twice: nothing happens
    PcbApi_HideObject(padHandle);
    EXPECT_EQ(Iterate(net->Handle(), 0, 0).size(), 2u) << "the destroyed pad left its net";
    // A new object reusing the storage does not answer to the old handle.
    PcbHandle fresh = PcbApi_CreateObject(PCB_PAD);
    EXPECT_NE(fresh, padHandle);
    EXPECT_EQ(PcbApi_QueryPrimitive(padHandle, PCB_READ, &p), PCB_ERROR_NIL_HANDLE);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(reinterpret_cast<PcbHandle>(uintptr_t{0x1234})), 0);
}

TEST_F(Iteration, ObjectClassesAsContainers) {
    PcbApi_AddObjectToContainer(cls->Handle(), u1->Handle());
    EXPECT_EQ(Iterate(cls->Handle(), 0, 0).size(), 2u);
    PcbApi_DeleteObjectFromContainer(cls->Handle(), r1->Handle());
    const auto left = Iterate(cls->Handle(), 0, 0);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], u1->Handle());
    char name[8];
    EXPECT_EQ(PcbApi_GetObjectClassMember(cls->Handle(), 0, name, sizeof name), PCB_OK);
    EXPECT_STREQ(name, "U1");
    EXPECT_EQ(PcbApi_GetObjectClassMember(cls->Handle(), 1, name, sizeof name), PCB_ERROR_BAD_ARGUMENT);
}

}  // namespace
}  // namespace hostpcb::test
