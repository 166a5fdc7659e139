// The spatial object store: what a walk returns, removal during a walk, far
// coordinates, and board records as elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "host/PcbIterators.h"
#include "hostpcb/BoardBuilder.h"
#include "hostpcb/Host.h"
#include "model/SpatialObjectStore.h"

namespace autoplacer {
namespace {

constexpr int32_t kCell = TSpatialObjectStore::CellSize;
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// A rectangle element with a fixed, freely chosen rectangle.
class TBox : public TSpatialElement {
public:
    TBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) : X1(x1), Y1(y1), X2(x2), Y2(y2) {}
    void GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const override {
        x1 = X1;
        y1 = Y1;
        x2 = X2;
        y2 = Y2;
    }
    int32_t X1, Y1, X2, Y2;
};

std::vector<TSpatialElement*> Walk(TSpatialObjectStore& store) {
    std::vector<TSpatialElement*> out;
    auto iterator = store.CreateIterator();
    for (TSpatialElement* e = iterator->First(); e != nullptr; e = iterator->Next()) {
        out.push_back(e);
    }
    return out;
}

std::vector<TSpatialElement*> Query(TSpatialObjectStore& store, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    std::vector<TSpatialElement*> out;
    auto iterator = store.CreateIterator();
    iterator->SetSearchRect(x1, y1, x2, y2);
    for (TSpatialElement* e = iterator->First(); e != nullptr; e = iterator->Next()) {
        out.push_back(e);
    }
    return out;
}

bool Contains(const std::vector<TSpatialElement*>& found, const TSpatialElement* element) {
    return std::find(found.begin(), found.end(), element) != found.end();
}

int64_t FloorCell(int64_t c) { return c >= 0 ? c / kCell : -((-c + kCell - 1) / kCell); }

TEST(SpatialObjectStore, WalkWithoutRectangleReturnsEveryElementOnceInInsertionOrder) {
    for (const int32_t kind : {0, 1, 2, 3, 4}) {
        TSpatialObjectStore store(kind);
        store.SetCapacity(100);
        std::vector<TSpatialElement*> inserted;
        for (int i = 0; i < 100; ++i) {
            // Points and boxes of every size, some on the same spot.
            const int32_t x = (i % 7) * 1000000;
            inserted.push_back(i % 3 == 0 ? store.Insert(std::make_unique<TPointElement>(x, x))
                                          : store.Insert(std::make_unique<TBox>(x, 0, x + i * 500000, 20000)));
        }
        EXPECT_EQ(Walk(store), inserted) << "kind " << kind;
        EXPECT_EQ(store.Count(), 100);
    }
}

TEST(SpatialObjectStore, QueryReturnsEveryElementMeetingTheRectangleAndNothingBeyondItsCells) {
    std::mt19937 random(42);
    const auto coordinate = [&](int32_t spread) { return std::uniform_int_distribution<int32_t>(-spread, spread)(random); };
    for (int round = 0; round < 20; ++round) {
        TSpatialObjectStore store(round % 5);
        struct Box {
            TSpatialElement* element;
            int64_t x1, y1, x2, y2;
        };
        std::vector<Box> boxes;
        const int32_t spread = round % 2 == 0 ? 3000000 : 2000000000;  // small boards and the whole range
        for (int i = 0; i < 300; ++i) {
            const int32_t x = coordinate(spread);
            const int32_t y = coordinate(spread);
            const int32_t size = std::uniform_int_distribution<int32_t>(0, 4)(random) == 0
                                     ? 0
                                     : std::uniform_int_distribution<int32_t>(0, spread / 4)(random);
            const int32_t x2 = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + size, kMax));
            const int32_t y2 = static_cast<int32_t>(std::min<int64_t>(int64_t{y} + size / 2, kMax));
            boxes.push_back({store.Insert(std::make_unique<TBox>(x, y, x2, y2)), x, y, x2, y2});
        }
        for (int q = 0; q < 200; ++q) {
            const int32_t qx = coordinate(spread);
            const int32_t qy = coordinate(spread);
            const int32_t qw = q % 4 == 0 ? 0 : std::uniform_int_distribution<int32_t>(0, spread / 3)(random);
            const int32_t qx2 = static_cast<int32_t>(std::min<int64_t>(int64_t{qx} + qw, kMax));
            const int32_t qy2 = static_cast<int32_t>(std::min<int64_t>(int64_t{qy} + qw, kMax));
            const std::vector<TSpatialElement*> found = Query(store, qx, qy, qx2, qy2);
            // Store order, no repeats.
            std::vector<TSpatialElement*> ordered;
            {
                const std::set<TSpatialElement*> unique(found.begin(), found.end());
                for (const Box& box : boxes) {
                    if (unique.contains(box.element)) {
                        ordered.push_back(box.element);
                    }
                }
            }
            ASSERT_EQ(found, ordered);
            const std::set<TSpatialElement*> foundSet(found.begin(), found.end());
            // The widened rectangle: whole cells, the cells beyond +-32766 merged
            // into the outermost ones, which reach to the ends of the range.
            const auto low = [](int64_t c) {
                const int64_t cell = std::clamp<int64_t>(FloorCell(c), -32767, 32766);
                return cell == -32767 ? int64_t{kMin} : cell * kCell;
            };
            const auto high = [](int64_t c) {
                const int64_t cell = std::clamp<int64_t>(FloorCell(c), -32767, 32766);
                return cell == 32766 ? int64_t{kMax} : (cell + 1) * kCell;
            };
            for (const Box& box : boxes) {
                const bool meets = box.x1 <= qx2 && box.x2 >= qx && box.y1 <= qy2 && box.y2 >= qy;
                const bool near = box.x1 <= high(qx2) && box.x2 >= low(qx) && box.y1 <= high(qy2) && box.y2 >= low(qy);
                if (meets) {
                    ASSERT_TRUE(foundSet.contains(box.element)) << "round " << round << " query " << q;
                }
                if (!near) {
                    ASSERT_FALSE(foundSet.contains(box.element)) << "round " << round << " query " << q << " box " << box.x1 << "," << box.y1 << "," << box.x2 << "," << box.y2 << " q " << qx << "," << qy << "," << qx2 << "," << qy2;
                }
            }
        }
    }
}

TEST(SpatialObjectStore, ElementsBeyondTheLastCellsAreFound) {
    TSpatialObjectStore store(1);
    const int32_t beyond = 32767 * kCell;  // cell 32767
    TSpatialElement* far = store.Insert(std::make_unique<TPointElement>(beyond + 5, 1000));
    TSpatialElement* farther = store.Insert(std::make_unique<TPointElement>(2000000000, 2000000000));
    TSpatialElement* corner = store.Insert(std::make_unique<TPointElement>(kMax, kMax));
    TSpatialElement* negative = store.Insert(std::make_unique<TBox>(-2100000000, -2100000000, -2099999000, -2099990000));
    TSpatialElement* home = store.Insert(std::make_unique<TPointElement>(100000, 1000));

    EXPECT_TRUE(Contains(Query(store, beyond + 5, 1000, beyond + 5, 1000), far));
    EXPECT_TRUE(Contains(Query(store, 2000000000, 2000000000, 2000000000, 2000000000), farther));
    EXPECT_TRUE(Contains(Query(store, 1999999000, 1999999000, 2000000001, 2000000001), farther));
    EXPECT_TRUE(Contains(Query(store, kMax, kMax, kMax, kMax), corner));
    EXPECT_TRUE(Contains(Query(store, -2099999500, -2099995000, -2099999500, -2099995000), negative));
    // Far elements are not reported near the origin, nor the origin's near them.
    EXPECT_EQ(Query(store, 100000, 1000, 100000, 1000), std::vector<TSpatialElement*>{home});
    EXPECT_FALSE(Contains(Query(store, beyond + 5, 1000, beyond + 5, 1000), home));
}

TEST(SpatialObjectStore, RemovedElementsAreNotReturnedAgainAndGoWithPurge) {
    TSpatialObjectStore store(2);
    std::vector<TSpatialElement*> points;
    for (int i = 0; i < 10; ++i) {
        points.push_back(store.Insert(std::make_unique<TPointElement>(i * 10000, 0)));  // all near one cell
    }
    // Remove every other element while walking the neighbourhood.
    auto iterator = store.CreateIterator();
    iterator->SetSearchRect(0, 0, 90000, 0);
    int visited = 0;
    for (TSpatialElement* e = iterator->First(); e != nullptr; e = iterator->Next()) {
        if (visited++ % 2 == 0) {
            std::unique_ptr<TSpatialElement> taken = iterator->Remove(e);
            EXPECT_EQ(taken.get(), e);
        }
    }
    EXPECT_EQ(visited, 10);
    EXPECT_EQ(store.Count(), 5);
    // Only the current element can be taken; the second try finds nothing.
    auto second = store.CreateIterator();
    TSpatialElement* first = second->First();
    EXPECT_EQ(first, points[1]);
    EXPECT_EQ(second->Remove(points[3]), nullptr);

    const std::vector<TSpatialElement*> kept{points[1], points[3], points[5], points[7], points[9]};
    EXPECT_EQ(Walk(store), kept);
    EXPECT_EQ(Query(store, 0, 0, 90000, 0), kept);
    store.Purge();
    EXPECT_EQ(Walk(store), kept);
    // The point query widens to the first cell, which also holds the point at 30000.
    EXPECT_EQ(Query(store, 0, 0, 0, 0), (std::vector<TSpatialElement*>{points[1], points[3]}));
    // A walk begun before the purge is over.
    EXPECT_EQ(second->Next(), nullptr);

    // Removing during an unlimited walk, down to nothing.
    auto all = store.CreateIterator();
    for (TSpatialElement* e = all->First(); e != nullptr; e = all->Next()) {
        all->Remove(e);
    }
    store.Purge();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(Walk(store).empty());
}

TEST(SpatialObjectStore, PurgeIndexesMovedElementsWhereTheyAreNow) {
    TSpatialObjectStore store(1);
    auto* point = static_cast<TPointElement*>(store.Insert(std::make_unique<TPointElement>(0, 0)));
    point->X = 50000000;
    store.Purge();
    EXPECT_TRUE(Contains(Query(store, 50000000, 0, 50000000, 0), point));
    EXPECT_TRUE(Query(store, 0, 0, 0, 0).empty());
}

class RecordStore : public ::testing::Test {
protected:
    void SetUp() override {
        hostpcb::Host::Instance().Reset();
        board = &hostpcb::Host::Instance().CreateBoard("store.kicad_pcb");
    }
    void TearDown() override { hostpcb::Host::Instance().Reset(); }
    hostpcb::Board* board = nullptr;
};

TEST_F(RecordStore, PointQueryAtAPadCentreReturnsThatPad) {
    hostpcb::BoardBuilder build(*board);
    build.Soic("U1", 14, {hostpcb::MilsToUnits(1000), hostpcb::MilsToUnits(1000)}, 30);
    build.Chip("R1", "0402", {hostpcb::MilsToUnits(1100), hostpcb::MilsToUnits(1000)});
    TSpatialObjectStore store(2);
    TObjectIterator pads(board->Handle(), PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
    pads.ForEach([&](PcbHandle pad) {
        auto record = std::make_unique<TPcbPad>(pad);
        record->Sync(PCB_READ);
        store.Insert(std::make_unique<TRecordElement>(std::move(record)));
    });
    ASSERT_EQ(store.Count(), 16);
    for (TSpatialElement* element : Walk(store)) {
        const TPCBObject* pad = static_cast<TRecordElement*>(element)->Record();
        const std::vector<TSpatialElement*> found = Query(store, pad->X, pad->Y, pad->X, pad->Y);
        EXPECT_TRUE(Contains(found, element));
        EXPECT_LT(found.size(), 16U);  // a neighbourhood, not the whole board
    }
    store.FreeAll();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(Walk(store).empty());
}

TEST_F(RecordStore, BorrowedRecordsOutliveTheStore) {
    hostpcb::BoardBuilder build(*board);
    hostpcb::Component& chip = build.Chip("R1", "0603", {hostpcb::MilsToUnits(500), hostpcb::MilsToUnits(500)});
    TPcbPad pad(chip.Pads().front()->Handle());
    pad.Sync(PCB_READ);
    {
        TSpatialObjectStore store(2);
        auto element = TRecordElement::Borrowing(&pad);
        EXPECT_EQ(element->Record(), &pad);
        store.Insert(std::move(element));
        EXPECT_EQ(Query(store, pad.X, pad.Y, pad.X, pad.Y).size(), 1U);
    }
    // Still ours after the store and its element are gone.
    EXPECT_EQ(pad.Sync(PCB_READ), PCB_OK);
    EXPECT_EQ(pad.GetComponent(), chip.Handle());
}

}  // namespace
}  // namespace autoplacer
