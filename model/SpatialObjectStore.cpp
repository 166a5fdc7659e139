#include "model/SpatialObjectStore.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace autoplacer {

namespace {

constexpr int32_t kLevels = 18;  // the top level's cells exceed the whole coordinate range
constexpr int64_t kKeyOffset = int64_t{1} << 23;

int64_t FloorDiv(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

int64_t LevelCellSize(int32_t level) { return int64_t{TSpatialObjectStore::CellSize} << level; }

uint64_t CellKey(int32_t level, int64_t cx, int64_t cy) {
    return (static_cast<uint64_t>(level) << 48) | (static_cast<uint64_t>(cx + kKeyOffset) << 24) |
           static_cast<uint64_t>(cy + kKeyOffset);
}

// The cell number of a coordinate, cells beyond the last ones merged into them.
int64_t ClampedCell(int64_t coordinate) {
    return std::clamp<int64_t>(FloorDiv(coordinate, TSpatialObjectStore::CellSize),
                               -(TSpatialObjectStore::LastCell + 1), TSpatialObjectStore::LastCell);
}

int64_t WidenLow(int64_t coordinate) {
    const int64_t cell = ClampedCell(coordinate);
    return cell == -(TSpatialObjectStore::LastCell + 1) ? std::numeric_limits<int32_t>::min()
                                                          : cell * TSpatialObjectStore::CellSize;
}

int64_t WidenHigh(int64_t coordinate) {
    const int64_t cell = ClampedCell(coordinate);
    return cell == TSpatialObjectStore::LastCell ? std::numeric_limits<int32_t>::max()
                                                 : (cell + 1) * TSpatialObjectStore::CellSize;
}

}  // namespace

// ---------------------------------------------------------------------------
// Elements

TRecordElement::TRecordElement(std::unique_ptr<TPCBObject> record) : RecordObject(record.release()), OwnsRecord(true) {}

std::unique_ptr<TRecordElement> TRecordElement::Borrowing(TPCBObject* record) {
    return std::unique_ptr<TRecordElement>(new TRecordElement(record, false));
}

TRecordElement::~TRecordElement() {
    if (OwnsRecord) {
        delete RecordObject;
    }
}

void TRecordElement::GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const {
    if (RecordObject == nullptr) {
        x1 = y1 = x2 = y2 = 0;
        return;
    }
    RecordObject->GetBoundingRect(x1, y1, x2, y2);
}

void TPointElement::GetBoundingRect(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    x1 = X;
    y1 = Y;
    x2 = X == kMax ? X : X + 1;
    y2 = Y == kMax ? Y : Y + 1;
}

// ---------------------------------------------------------------------------
// Store

TSpatialObjectStore::TSpatialObjectStore(int32_t storageKind) : Kind(storageKind), LevelEntries(kLevels) {}

TSpatialObjectStore::~TSpatialObjectStore() = default;

TSpatialElement* TSpatialObjectStore::Insert(std::unique_ptr<TSpatialElement> element) {
    if (element == nullptr) {
        return nullptr;
    }
    TSpatialElement* inserted = element.get();
    TEntry entry;
    entry.Element = std::move(element);
    Entries.push_back(std::move(entry));
    ++LiveCount;
    Index(static_cast<int32_t>(Entries.size()) - 1);
    return inserted;
}

void TSpatialObjectStore::SetCapacity(int32_t count) {
    if (count > 0) {
        Entries.reserve(static_cast<std::size_t>(count));
    }
}

void TSpatialObjectStore::Index(int32_t entryNumber) {
    TEntry& entry = Entries[static_cast<std::size_t>(entryNumber)];
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    entry.Element->GetBoundingRect(x1, y1, x2, y2);
    entry.X1 = std::min(x1, x2);
    entry.X2 = std::max(x1, x2);
    entry.Y1 = std::min(y1, y2);
    entry.Y2 = std::max(y1, y2);
    const int64_t size = std::max(int64_t{entry.X2} - entry.X1, int64_t{entry.Y2} - entry.Y1);
    int32_t level = 0;
    while (level < kLevels - 1 && size >= LevelCellSize(level)) {
        ++level;
    }
    entry.Level = level;
    const int64_t cellSize = LevelCellSize(level);
    LevelEntries[static_cast<std::size_t>(level)].push_back(entryNumber);
    Cells[CellKey(level, FloorDiv(entry.X1, cellSize), FloorDiv(entry.Y1, cellSize))].push_back(entryNumber);
}

void TSpatialObjectStore::Rebuild() {
    for (auto& level : LevelEntries) {
        level.clear();
    }
    Cells.clear();
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        Index(static_cast<int32_t>(i));
    }
}

void TSpatialObjectStore::Purge() {
    std::erase_if(Entries, [](const TEntry& entry) { return entry.Element == nullptr; });
    LiveCount = static_cast<int32_t>(Entries.size());
    Rebuild();
    ++Generation;
}

void TSpatialObjectStore::FreeAll() {
    Entries.clear();
    LiveCount = 0;
    Rebuild();
    ++Generation;
}

void TSpatialObjectStore::Collect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, std::vector<int32_t>& out) const {
    out.clear();
    const auto consider = [&](int32_t entryNumber) {
        const TEntry& entry = Entries[static_cast<std::size_t>(entryNumber)];
        if (entry.Element != nullptr && entry.X1 <= x2 && entry.X2 >= x1 && entry.Y1 <= y2 && entry.Y2 >= y1) {
            out.push_back(entryNumber);
        }
    };
    for (int32_t level = 0; level < kLevels; ++level) {
        const std::vector<int32_t>& members = LevelEntries[static_cast<std::size_t>(level)];
        if (members.empty()) {
            continue;
        }
        // An element on this level reaches less than one cell beyond the cell of
        // its low corner, so one more cell below and left of the rectangle covers it.
        const int64_t cellSize = LevelCellSize(level);
        const int64_t cx1 = FloorDiv(x1, cellSize) - 1;
        const int64_t cx2 = FloorDiv(x2, cellSize);
        const int64_t cy1 = FloorDiv(y1, cellSize) - 1;
        const int64_t cy2 = FloorDiv(y2, cellSize);
        const double cellCount = static_cast<double>(cx2 - cx1 + 1) * static_cast<double>(cy2 - cy1 + 1);
        if (cellCount > static_cast<double>(members.size())) {
            for (int32_t entryNumber : members) {
                consider(entryNumber);
            }
            continue;
        }
        for (int64_t cx = cx1; cx <= cx2; ++cx) {
            for (int64_t cy = cy1; cy <= cy2; ++cy) {
                const auto found = Cells.find(CellKey(level, cx, cy));
                if (found != Cells.end()) {
                    for (int32_t entryNumber : found->second) {
                        consider(entryNumber);
                    }
                }
            }
        }
    }
    std::sort(out.begin(), out.end());
}

std::unique_ptr<TStoreIterator> TSpatialObjectStore::CreateIterator() { return std::make_unique<TStoreIterator>(*this); }

// ---------------------------------------------------------------------------
// Iterator

void TStoreIterator::SetSearchRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Limited = true;
    SearchX1 = std::min(x1, x2);
    SearchX2 = std::max(x1, x2);
    SearchY1 = std::min(y1, y2);
    SearchY2 = std::max(y1, y2);
    Started = false;
}

TSpatialElement* TStoreIterator::First() {
    Started = true;
    Generation = Store.Generation;
    Position = 0;
    if (Limited) {
        Store.Collect(WidenLow(SearchX1), WidenLow(SearchY1), WidenHigh(SearchX2), WidenHigh(SearchY2), Candidates);
    }
    return Current();
}

TSpatialElement* TStoreIterator::Next() {
    if (!Started) {
        return First();
    }
    ++Position;
    return Current();
}

TSpatialElement* TStoreIterator::Current() {
    if (Generation != Store.Generation) {
        return nullptr;  // the store was purged or emptied since the walk began
    }
    const auto removed = [&](std::size_t entry) { return Store.Entries[entry].Element == nullptr; };
    if (Limited) {
        while (Position < Candidates.size() && removed(static_cast<std::size_t>(Candidates[Position]))) {
            ++Position;
        }
        return Position < Candidates.size()
                   ? Store.Entries[static_cast<std::size_t>(Candidates[Position])].Element.get()
                   : nullptr;
    }
    while (Position < Store.Entries.size() && removed(Position)) {
        ++Position;
    }
    return Position < Store.Entries.size() ? Store.Entries[Position].Element.get() : nullptr;
}

std::unique_ptr<TSpatialElement> TStoreIterator::Remove(TSpatialElement* element) {
    if (element == nullptr || !Started || Generation != Store.Generation) {
        return nullptr;
    }
    std::size_t entry = Store.Entries.size();
    if (Limited && Position < Candidates.size()) {
        entry = static_cast<std::size_t>(Candidates[Position]);
    } else if (!Limited) {
        entry = Position;
    }
    if (entry >= Store.Entries.size() || Store.Entries[entry].Element.get() != element) {
        return nullptr;
    }
    --Store.LiveCount;
    return std::move(Store.Entries[entry].Element);
}

}  // namespace autoplacer
