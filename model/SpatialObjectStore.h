// The spatial object store: a container of elements that report a bounding
// rectangle, walked either whole or near a search rectangle. The connection
// dragger finds pads at connection ends with it, the cluster editor finds the
// components near a moved one, and the group placer keeps its free grid points
// in one.
//
// A search rectangle is widened to whole cells of 30518 host units (its low
// corner down to its cell, its high corner up to the next cell boundary; cell
// numbers beyond +-32766 reach to the end of the coordinate range), and a walk
// returns exactly the elements whose rectangle meets the widened rectangle:
// every element meeting the search rectangle and possibly some near it, so
// callers test candidates exactly.
//
// Elements are indexed by the rectangle they report when inserted; Purge reads
// every rectangle again. A caller that moves elements calls Purge before it
// searches.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/PcbRecords.h"

namespace autoplacer {

// Anything the store can hold.
class TSpatialElement {
public:
    TSpatialElement() = default;
    virtual ~TSpatialElement() = default;
    TSpatialElement(const TSpatialElement&) = delete;
    TSpatialElement& operator=(const TSpatialElement&) = delete;

    // The element's bounding rectangle in host units, x1 <= x2, y1 <= y2.
    virtual void GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const = 0;
};

// A board-object record; its rectangle is the host's bounding rectangle of the
// object. The record is freed with the element unless it was only lent.
class TRecordElement : public TSpatialElement {
public:
    explicit TRecordElement(std::unique_ptr<TPCBObject> record);
    // Lends the record: the caller keeps it alive longer than the element.
    static std::unique_ptr<TRecordElement> Borrowing(TPCBObject* record);
    ~TRecordElement() override;

    void GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const override;
    TPCBObject* Record() const { return RecordObject; }

private:
    TRecordElement(TPCBObject* record, bool owns) : RecordObject(record), OwnsRecord(owns) {}
    TPCBObject* RecordObject;
    bool OwnsRecord;
};

// A point; its rectangle is (X, Y, X + 1, Y + 1).
class TPointElement : public TSpatialElement {
public:
    TPointElement(int32_t x, int32_t y) : X(x), Y(y) {}
    void GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const override;

    int32_t X;
    int32_t Y;
};

class TStoreIterator;

class TSpatialObjectStore {
public:
    // Storage kinds 0..4 are accepted; they all behave the same.
    explicit TSpatialObjectStore(int32_t storageKind);
    // Destroys the elements still held.
    ~TSpatialObjectStore();
    TSpatialObjectStore(const TSpatialObjectStore&) = delete;
    TSpatialObjectStore& operator=(const TSpatialObjectStore&) = delete;

    // Takes the element; returns it for convenience.
    TSpatialElement* Insert(std::unique_ptr<TSpatialElement> element);
    void SetCapacity(int32_t count);
    // Forgets the elements removed through iterators and re-indexes every
    // element at the rectangle it reports now. Iterators made before are done.
    void Purge();
    // Destroys every element.
    void FreeAll();

    int32_t StorageKind() const { return Kind; }
    // Elements held (removed ones excluded).
    int32_t Count() const { return LiveCount; }

    // A walk over every element, in store (insertion) order.
    std::unique_ptr<TStoreIterator> CreateIterator();

    // Cell size of the widening, in host units.
    static constexpr int32_t CellSize = 30518;
    // Cell numbers beyond this (either sign) are not told apart.
    static constexpr int32_t LastCell = 32766;

private:
    friend class TStoreIterator;

    struct TEntry {
        std::unique_ptr<TSpatialElement> Element;  // nil once removed
        int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
        int32_t Level = 0;
    };

    void Index(int32_t entry);
    void Rebuild();
    // Entries (in store order) whose rectangles meet the (already widened) rectangle.
    void Collect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, std::vector<int32_t>& out) const;

    int32_t Kind;
    int32_t LiveCount = 0;
    uint64_t Generation = 0;  // changes with every Purge and FreeAll
    std::vector<TEntry> Entries;
    // Entries by level of cell size, and within a level by the cell of their
    // low corner; an element sits on the first level whose cells are larger
    // than its rectangle.
    std::vector<std::vector<int32_t>> LevelEntries;
    std::unordered_map<uint64_t, std::vector<int32_t>> Cells;
};

// A walk over a store, optionally limited to the neighbourhood of a rectangle.
class TStoreIterator {
public:
    explicit TStoreIterator(TSpatialObjectStore& store) : Store(store) {}

    // Limits the walk to elements near the rectangle (corners in any order).
    void SetSearchRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // The first and following elements, nil at the end.
    TSpatialElement* First();
    TSpatialElement* Next();
    // Takes the element just returned out of the store; it is not returned
    // again, and the caller now owns it. Nil for any other element.
    std::unique_ptr<TSpatialElement> Remove(TSpatialElement* element);

private:
    TSpatialElement* Current();

    TSpatialObjectStore& Store;
    bool Limited = false;
    int32_t SearchX1 = 0, SearchY1 = 0, SearchX2 = 0, SearchY2 = 0;
    std::vector<int32_t> Candidates;  // limited walks
    std::size_t Position = 0;
    uint64_t Generation = 0;
    bool Started = false;
};

}  // namespace autoplacer
