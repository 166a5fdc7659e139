#include "engines/PlacedGroupIndex.h"

#include <algorithm>

namespace autoplacer {

namespace {

// A rectangle spanning more buckets than this is listed as large.
constexpr int64_t MaxBucketsPerGroup = 64;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

TPlacedGroupIndex::TPlacedGroupIndex(int64_t side, int32_t originX, int32_t originY)
    : Side(std::max<int64_t>(side, 1)), OriginX(originX), OriginY(originY) {}

TPlacedGroupIndex::TSpan TPlacedGroupIndex::SpanOf(const TRect& r) const {
    const int64_t left = std::min(r.Left, r.Right);
    const int64_t right = std::max(r.Left, r.Right);
    const int64_t bottom = std::min(r.Bottom, r.Top);
    const int64_t top = std::max(r.Bottom, r.Top);
    return TSpan{FloorDiv(left - OriginX, Side), FloorDiv(bottom - OriginY, Side), FloorDiv(right - OriginX, Side),
                 FloorDiv(top - OriginY, Side)};
}

void TPlacedGroupIndex::Insert(int32_t position, const TRect& r) {
    const TSpan s = SpanOf(r);
    if ((s.X1 - s.X0 + 1) * (s.Y1 - s.Y0 + 1) > MaxBucketsPerGroup) {
        Large.push_back(position);
        return;
    }
    for (int64_t bx = s.X0; bx <= s.X1; ++bx) {
        for (int64_t by = s.Y0; by <= s.Y1; ++by) {
            Buckets[Key(bx, by)].push_back(position);
        }
    }
}

void TPlacedGroupIndex::Erase(int32_t position, const TRect& r) {
    const auto drop = [position](std::vector<int32_t>& list) {
        list.erase(std::remove(list.begin(), list.end(), position), list.end());
    };
    const TSpan s = SpanOf(r);
    if ((s.X1 - s.X0 + 1) * (s.Y1 - s.Y0 + 1) > MaxBucketsPerGroup) {
        drop(Large);
        return;
    }
    for (int64_t bx = s.X0; bx <= s.X1; ++bx) {
        for (int64_t by = s.Y0; by <= s.Y1; ++by) {
            const auto found = Buckets.find(Key(bx, by));
            if (found != Buckets.end()) {
                drop(found->second);
            }
        }
    }
}

void TPlacedGroupIndex::Put(int32_t position, const TRect& r) {
    const auto at = static_cast<std::size_t>(position);
    if (at < Rects.size()) {
        if (Rects[at] == r) {
            return;
        }
        Erase(position, Rects[at]);
        Rects[at] = r;
    } else {
        Rects.resize(at + 1, r);
        Seen.resize(at + 1, 0);
    }
    Insert(position, r);
}

void TPlacedGroupIndex::Query(const TRect& r, std::vector<int32_t>& out) const {
    out.clear();
    if (++Stamp == 0) {
        std::fill(Seen.begin(), Seen.end(), 0);
        Stamp = 1;
    }
    const auto take = [&](int32_t position) {
        uint32_t& seen = Seen[static_cast<std::size_t>(position)];
        if (seen != Stamp) {
            seen = Stamp;
            out.push_back(position);
        }
    };
    const TSpan s = SpanOf(r);
    if ((s.X1 - s.X0 + 1) * (s.Y1 - s.Y0 + 1) > static_cast<int64_t>(Buckets.size())) {
        for (const auto& bucket : Buckets) {
            for (const int32_t position : bucket.second) {
                take(position);
            }
        }
    } else {
        for (int64_t bx = s.X0; bx <= s.X1; ++bx) {
            for (int64_t by = s.Y0; by <= s.Y1; ++by) {
                const auto found = Buckets.find(Key(bx, by));
                if (found != Buckets.end()) {
                    for (const int32_t position : found->second) {
                        take(position);
                    }
                }
            }
        }
    }
    for (const int32_t position : Large) {
        take(position);
    }
    std::sort(out.begin(), out.end());
}

}  // namespace autoplacer
