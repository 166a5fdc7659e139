#include "engines/KeptAnswers.h"

#include "model/ComponentGroup.h"

namespace autoplacer {

namespace {

// Kept answers are dropped together once they would take more than this (bytes):
// a board of many distinct part shapes does not grow them without end.
constexpr std::size_t MaxKeptBytes = std::size_t{64} << 20;

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
    }
    Placed = std::move(now);
}

TConflictAnswers& TKeptAnswers::ConflictsOf(const std::vector<int64_t>& shape,
                                            const std::vector<TPlacedRelation>& relations) {
    constexpr std::size_t BytesPerPoint = sizeof(uint32_t) + sizeof(uint8_t);
    if (Conflicts.count(shape) == 0 && (Conflicts.size() + 1) * Points() * BytesPerPoint > MaxKeptBytes) {
        Conflicts.clear();
    }
    TConflictAnswers& answers = Conflicts[shape];
    const bool sameRelations = answers.Relations.size() <= relations.size() &&
                               std::equal(answers.Relations.begin(), answers.Relations.end(), relations.begin());
    if (!sameRelations || answers.Found.size() != Points()) {
        answers.Found.assign(Points(), 0);
        answers.Bits.assign(Points(), 0);
    }
    answers.Relations = relations;
    return answers;
}

}  // namespace autoplacer
