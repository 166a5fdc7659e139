// The list quicksort must leave equal keys exactly where the partitioning puts
// them (cluster extraction depends on it), so it is checked against a plain
// transcription of the algorithm rather than against a stable sort.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "model/FastList.h"

namespace autoplacer {
namespace {

struct Item {
    int Key;
    int Id;
};

int CompareKeys(Item* a, Item* b) { return a->Key - b->Key; }

// The sort as written down: I/J scans around the middle entry taken once,
// recursion on the left part, loop on the right part.
void ReferenceQuickSort(std::vector<Item*>& list, int l, int r) {
    int i = 0;
    do {
        i = l;
        int j = r;
        Item* p = list[static_cast<size_t>((l + r) >> 1)];
        do {
            while (CompareKeys(list[static_cast<size_t>(i)], p) < 0) ++i;
            while (CompareKeys(list[static_cast<size_t>(j)], p) > 0) --j;
            if (i <= j) {
                std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) ReferenceQuickSort(list, l, j);
        l = i;
    } while (i < r);
}

TEST(FastListSort, EqualEntriesComeOutAsThePartitioningLeavesThem) {
    int a = 0, b = 0, c = 0;
    const auto allEqual = [](void*, void*) { return 0; };

    TFastList two{&a, &b};
    two.Sort(allEqual);
    EXPECT_EQ(two, (TFastList{&b, &a}));

    TFastList three{&a, &b, &c};
    three.Sort(allEqual);
    EXPECT_EQ(three, (TFastList{&c, &b, &a}));

    TFastList empty;
    empty.Sort(allEqual);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(FastListSort, MatchesTheAlgorithmOnRandomListsWithManyEqualKeys) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        const int count = 1 + static_cast<int>(random() % 300);
        const int keyRange = 1 + static_cast<int>(random() % 12);  // few keys: many ties
        std::vector<Item> items(static_cast<size_t>(count));
        TFastListOf<Item*> list;
        std::vector<Item*> expected;
        for (int i = 0; i < count; ++i) {
            items[static_cast<size_t>(i)] = Item{static_cast<int>(random() % keyRange), i};
            list.Add(&items[static_cast<size_t>(i)]);
            expected.push_back(&items[static_cast<size_t>(i)]);
        }
        ReferenceQuickSort(expected, 0, count - 1);
        list.Sort(CompareKeys);
        ASSERT_EQ(list.Data(), expected) << "round " << round << ", " << count << " entries";
        for (int i = 1; i < count; ++i) {
            ASSERT_LE(list[i - 1]->Key, list[i]->Key);
        }
    }
}

TEST(FastListSort, InconsistentComparisonStaysInsideTheList) {
    // A comparison that calls everything smaller would run the scans past the
    // end of the list; the sort must still finish with the same entries.
    std::array<int, 40> values{};
    TFastList list;
    for (int& value : values) list.Add(&value);
    list.Sort([](void*, void*) { return -1; });
    ASSERT_EQ(list.Count(), 40);
    for (int& value : values) EXPECT_TRUE(list.Contains(&value));
}

TEST(FastListHelpers, PackListDropsNilAndKeepsOrder) {
    int a = 0, b = 0;
    TFastList list{nullptr, &a, nullptr, &b, nullptr};
    PackList(list);
    EXPECT_EQ(list, (TFastList{&a, &b}));

    TFastList onlyNil{nullptr, nullptr};
    PackList(onlyNil);
    EXPECT_EQ(onlyNil.Count(), 0);

    TFastList untouched{&b, &a, &b};
    PackList(untouched);
    EXPECT_EQ(untouched, (TFastList{&b, &a, &b}));
}

TEST(FastListHelpers, RemoveDuplicatesKeepsFirstOccurrences) {
    int a = 0, b = 0, c = 0;
    TFastList list{&a, &b, &a, nullptr, &b};
    RemoveDuplicates(list);
    EXPECT_EQ(list, (TFastList{&a, &b}));

    TFastList later{&c, &a, &c, &c, &b, &a};
    RemoveDuplicates(later);
    EXPECT_EQ(later, (TFastList{&c, &a, &b}));
}

TEST(FastListHelpers, CopyListIsIndependentAndKeepsNil) {
    int a = 0, b = 0;
    TFastList original{&a, nullptr, &b};
    TFastList copy = CopyList(original);
    EXPECT_EQ(copy, original);
    copy.Delete(0);
    EXPECT_EQ(original.Count(), 3);
    EXPECT_EQ(copy, (TFastList{nullptr, &b}));
}

TEST(FastList, IndexOperations) {
    int a = 0, b = 0, c = 0;
    TFastList list;
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(list.Add(&b), 1);
    EXPECT_EQ(list.Add(&a), 2);
    EXPECT_EQ(list.IndexOf(&a), 0);
    EXPECT_EQ(list.IndexOf(&c), -1);
    EXPECT_EQ(list.Last(), &a);
    list.Delete(0);
    EXPECT_EQ(list, (TFastList{&b, &a}));
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    EXPECT_THROW(list.Items(-1), std::out_of_range);
    list.Clear();
    EXPECT_THROW(list.Last(), std::out_of_range);
}

}  // namespace
}  // namespace autoplacer
