// TFastList: the ordered list of object pointers that every placer unit uses.
//
// A list only refers to the objects it holds; whether it owns them is decided by
// the class that holds the list. Entries may be nil. Sort is a quicksort whose
// treatment of equal keys is relied on by the cluster code, so it is written out
// here rather than taken from the standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

namespace autoplacer {

// An ordered list of pointers of type P (a pointer type such as TCluster* or a
// host handle).
template <typename P>
class TFastListOf {
    static_assert(std::is_pointer_v<P>, "TFastListOf holds pointers");

public:
    using value_type = P;
    using iterator = typename std::vector<P>::iterator;
    using const_iterator = typename std::vector<P>::const_iterator;

    TFastListOf() = default;
    TFastListOf(std::initializer_list<P> entries) : Entries(entries) {}
    virtual ~TFastListOf() = default;
    TFastListOf(const TFastListOf&) = default;
    TFastListOf& operator=(const TFastListOf&) = default;
    TFastListOf(TFastListOf&&) noexcept = default;
    TFastListOf& operator=(TFastListOf&&) noexcept = default;

    int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
    bool Empty() const { return Entries.empty(); }

    // Checked access: an index outside 0..Count-1 raises a list index error.
    P Items(int32_t index) const { return Entries[CheckedIndex(index)]; }
    void SetItem(int32_t index, P value) { Entries[CheckedIndex(index)] = value; }
    P& operator[](int32_t index) { return Entries[CheckedIndex(index)]; }
    const P& operator[](int32_t index) const { return Entries[CheckedIndex(index)]; }

    // Appends an entry and returns its index.
    int32_t Add(P value) {
        Entries.push_back(value);
        return Count() - 1;
    }
    void Insert(int32_t index, P value) {
        if (index < 0 || index > Count()) {
            throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
        }
        Entries.insert(Entries.begin() + index, value);
    }
    void Delete(int32_t index) { Entries.erase(Entries.begin() + CheckedIndex(index)); }
    // Deletes the first entry equal to value; returns its former index or -1.
    int32_t Remove(P value) {
        const int32_t index = IndexOf(value);
        if (index >= 0) {
            Delete(index);
        }
        return index;
    }
    // The first index of value, -1 when absent.
    int32_t IndexOf(P value) const {
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            if (Entries[i] == value) {
                return static_cast<int32_t>(i);
            }
        }
        return -1;
    }
    bool Contains(P value) const { return IndexOf(value) >= 0; }
    void Exchange(int32_t a, int32_t b) { std::swap(Entries[CheckedIndex(a)], Entries[CheckedIndex(b)]); }
    void Clear() { Entries.clear(); }
    P First() const { return Items(0); }
    P Last() const { return Items(Count() - 1); }

    int32_t Capacity() const { return static_cast<int32_t>(Entries.capacity()); }
    void SetCapacity(int32_t capacity) {
        if (capacity > Count()) {
            Entries.reserve(static_cast<std::size_t>(capacity));
        }
    }

    // Sorts in place with the list quicksort; compare(a, b) answers a negative,
    // zero or positive integer. Not stable: equal entries end where the
    // partitioning leaves them.
    template <typename Compare>
    void Sort(Compare compare) {
        if (!Entries.empty()) {
            QuickSort(0, Count() - 1, compare);
        }
    }

    iterator begin() { return Entries.begin(); }
    iterator end() { return Entries.end(); }
    const_iterator begin() const { return Entries.begin(); }
    const_iterator end() const { return Entries.end(); }

    // The entries as a plain vector (read-only view).
    const std::vector<P>& Data() const { return Entries; }

    bool operator==(const TFastListOf& other) const { return Entries == other.Entries; }

private:
    std::size_t CheckedIndex(int32_t index) const {
        if (index < 0 || index >= Count()) {
            throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
        }
        return static_cast<std::size_t>(index);
    }

    // Hoare partitioning around the middle entry, recursing into the left part
    // and looping over the right part. The scans stop at the ends of the range,
    // which changes nothing for a consistent comparison but keeps an
    // inconsistent one from reading outside the list.
    template <typename Compare>
    void QuickSort(int32_t left, int32_t right, Compare& compare) {
        int32_t i = 0;
        do {
            i = left;
            int32_t j = right;
            const P pivot = Entries[static_cast<std::size_t>((left + right) / 2)];
            do {
                while (i < right && compare(Entries[static_cast<std::size_t>(i)], pivot) < 0) {
                    ++i;
                }
                while (j > left && compare(Entries[static_cast<std::size_t>(j)], pivot) > 0) {
                    --j;
                }
                if (i <= j) {
                    std::swap(Entries[static_cast<std::size_t>(i)], Entries[static_cast<std::size_t>(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (left < j) {
                QuickSort(left, j, compare);
            }
            left = i;
        } while (i < right);
    }

    std::vector<P> Entries;
};

// The untyped list of object pointers.
class TFastList final : public TFastListOf<void*> {
public:
    using TFastListOf<void*>::TFastListOf;
};

// Removes every nil entry; the others keep their order.
template <typename P>
void PackList(TFastListOf<P>& list) {
    int32_t kept = 0;
    for (int32_t i = 0; i < list.Count(); ++i) {
        if (list[i] != nullptr) {
            list[kept++] = list[i];
        }
    }
    while (list.Count() > kept) {
        list.Delete(list.Count() - 1);
    }
}

// Keeps the first occurrence of each pointer and drops nil entries. (Equal to
// clearing every later repeat of each entry and packing, in linear time.)
template <typename P>
void RemoveDuplicates(TFastListOf<P>& list) {
    std::unordered_set<P> seen;
    seen.reserve(static_cast<std::size_t>(list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i) {
        if (list[i] != nullptr && !seen.insert(list[i]).second) {
            list[i] = nullptr;
        }
    }
    PackList(list);
}

// A new list with the same entries in the same order, nil entries included.
template <typename P>
TFastListOf<P> CopyList(const TFastListOf<P>& list) {
    return list;
}
inline TFastList CopyList(const TFastList& list) {
    return list;
}

}  // namespace autoplacer
