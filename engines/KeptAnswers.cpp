#include "engines/KeptAnswers.h"

#include "model/ComponentGroup.h"

namespace autoplacer {

namespace {

// Kept answers are dropped together once they would take more than this (bytes):
// a board of many distinct part shapes does not grow them without end.
constexpr std::size_t MaxKeptBytes = std::size_t{32} << 20;

}  // namespace

void TKeptAnswers::Reset(int32_t left, int32_t bottom, int32_t step, int32_t columns, int32_t rows) {
    Left = left;
    Bottom = bottom;
    Step = step;
    Columns = step > 0 ? std::max(columns, 0) : 0;
    Rows = step > 0 ? std::max(rows, 0) : 0;
    KeepOutAnswers.clear();
    Placed.clear();
    Conflicts.clear();
}

int64_t TKeptAnswers::IndexOf(int32_t x, int32_t y) const {
    if (Step <= 0) {
        return -1;
    }
    const int64_t dx = int64_t{x} - Left;
    const int64_t dy = int64_t{y} - Bottom;
    if (dx < 0 || dy < 0) {
        return -1;
    }
    const int64_t i = dx / Step;
    const int64_t j = dy / Step;
    if (i * Step != dx || j * Step != dy || i >= Columns || j >= Rows) {
        return -1;
    }
    return i * Rows + j;
}

std::vector<int8_t>& TKeptAnswers::KeepOut(int32_t width, int32_t height, int32_t gap, uint8_t sides) {
    if ((KeepOutAnswers.size() + 1) * Points() > MaxKeptBytes) {
        KeepOutAnswers.clear();
    }
    std::vector<int8_t>& answers = KeepOutAnswers[{width, height, gap, sides}];
    if (answers.size() != Points()) {
        answers.assign(Points(), -1);
    }
    return answers;
}

void TKeptAnswers::NotePlaced(const TFastListOf<TRectangularComponentGroup*>& placed) {
    std::vector<TPlacedNote> now;
    now.reserve(static_cast<std::size_t>(placed.Count()));
    for (const TRectangularComponentGroup* group : placed) {
        now.push_back(TPlacedNote{group, group->Rect, group->Rotation, group->Count()});
    }
    const bool kept = now.size() >= Placed.size() && std::equal(Placed.begin(), Placed.end(), now.begin());
    if (!kept) {
        Conflicts.clear();
        Placed.clear();
        NotedGaps.clear();
    }
    for (std::size_t i = Placed.size(); i < now.size(); ++i) {
        for (auto& [shape, answers] : Conflicts) {
            ForgetNear(answers, now[i].Rect, GapBound);
        }
        NotedGaps.push_back(GapBound);
    }
    Placed = std::move(now);
}

void TKeptAnswers::ForgetNear(TConflictAnswers& answers, const TRect& r, int32_t gap) const {
    if (Step <= 0 || answers.Bits.size() != Points()) {
        return;
    }
    // A unit of slack on each side, as the conflict test's own reach has.
    const int64_t reach = int64_t{std::max(gap, 0)} + 2;
    const int64_t x1 = int64_t{std::min(r.Left, r.Right)} - reach - answers.Width;
    const int64_t x2 = int64_t{std::max(r.Left, r.Right)} + reach;
    const int64_t y1 = int64_t{std::min(r.Bottom, r.Top)} - reach - answers.Height;
    const int64_t y2 = int64_t{std::max(r.Bottom, r.Top)} + reach;
    // Lattice columns and rows whose points lie in [x1, x2] x [y1, y2].
    const auto first = [this](int64_t low, int64_t origin) {
        const int64_t d = low - origin;
        return d <= 0 ? int64_t{0} : (d + Step - 1) / Step;
    };
    const auto last = [this](int64_t high, int64_t origin, int32_t count) {
        const int64_t d = high - origin;
        return std::min<int64_t>(d < 0 ? -1 : d / Step, int64_t{count} - 1);
    };
    const int64_t i1 = first(x1, Left);
    const int64_t i2 = last(x2, Left, Columns);
    const int64_t j1 = first(y1, Bottom);
    const int64_t j2 = last(y2, Bottom, Rows);
    for (int64_t i = i1; i <= i2; ++i) {
        for (int64_t j = j1; j <= j2; ++j) {
            answers.Bits[static_cast<std::size_t>(i * Rows + j)] = 0;
        }
    }
}

TConflictAnswers& TKeptAnswers::ConflictsOf(const std::vector<int64_t>& shape,
                                            const std::vector<TPlacedRelation>& relations) {
    for (const TPlacedRelation& relation : relations) {
        if (!relation.LayersDisjoint) {
            GapBound = std::max(GapBound, relation.Gap);
        }
    }
    if (Conflicts.count(shape) == 0 && (Conflicts.size() + 1) * Points() > MaxKeptBytes) {
        Conflicts.clear();
    }
    TConflictAnswers& answers = Conflicts[shape];
    bool same = answers.Relations.size() <= relations.size() &&
                std::equal(answers.Relations.begin(), answers.Relations.end(), relations.begin());
    for (std::size_t i = answers.Relations.size(); same && i < relations.size(); ++i) {
        // Placed since: its reach was noted with a gap no smaller than this one's.
        same = relations[i].LayersDisjoint || (i < NotedGaps.size() && relations[i].Gap <= NotedGaps[i]);
    }
    if (!same || answers.Bits.size() != Points()) {
        answers.Bits.assign(Points(), 0);
    }
    answers.Width = shape.size() > 0 ? static_cast<int32_t>(shape[0]) : 0;
    answers.Height = shape.size() > 1 ? static_cast<int32_t>(shape[1]) : 0;
    answers.Relations = relations;
    return answers;
}

}  // namespace autoplacer
