#include "engines/IncrementalConnectionCost.h"

#include "engines/CrossingMemo.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engines/ContainmentGeometry.h"
#include "engines/CrossingMemo.h"
#include "engines/CrossOvers.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRecords.h"
#include "model/ComponentGroup.h"
#include "model/ConnectionDragger.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

namespace {

int32_t Saturated(int64_t total) {
    constexpr int64_t top = std::numeric_limits<int32_t>::max();
    constexpr int64_t bottom = std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(total > top ? top : (total < bottom ? bottom : total));
}

}  // namespace

TIncrementalConnectionCost::TIncrementalConnectionCost(const TPlacerOptions& options,
                                                       const TPlacementContext& context,
                                                       const TRectangularComponentGroup& group,
                                                       TCrossingMemo* memo)
    : Options(options), Context(context), Group(group), Memo(memo) {}

void TIncrementalConnectionCost::ReadLine(TLine& line) const {
    TPcbFromTo record(line.Handle);
    record.Sync(PCB_READ);
    line.Power = IsPowerNet(Context, record.Net);
    line.OnConnectLayer = record.GetLayer() == PCB_CONNECT_LAYER;
    line.X1 = record.X1();
    line.Y1 = record.Y1();
    line.X2 = record.X2;
    line.Y2 = record.Y2;
    record.GetBoundingRect(line.BoxX1, line.BoxY1, line.BoxX2, line.BoxY2);
    line.Segment = MakeSegment(line.X1, line.Y1, line.X2, line.Y2);
}

bool TIncrementalConnectionCost::BoxesMeet(const TLine& a, const TLine& b) {
    return a.BoxX1 <= b.BoxX2 && b.BoxX1 <= a.BoxX2 && a.BoxY1 <= b.BoxY2 && b.BoxY1 <= a.BoxY2;
}

// The unbounded test, answered without its distance checks when the lines are
// not parallel: the test then holds whatever the distances are.
bool TIncrementalConnectionCost::Cross(const TLine& a, const TLine& b) {
    return LinesDeterminant(a.Segment, b.Segment) != 0.0 || SegmentsCross(a.Segment, b.Segment, false);
}

int64_t TIncrementalConnectionCost::LengthSteps(const TLine& line) {
    const double dx = std::fabs(static_cast<double>(line.X2) - line.X1);
    const double dy = std::fabs(static_cast<double>(line.Y2) - line.Y1);
    return ConnectionLengthSteps(dx, dy);
}

bool TIncrementalConnectionCost::Violates(const TLine& line) const {
    return !MatchesLayerDirection(ConnectionAngle(line.X1, line.Y1, line.X2, line.Y2), Context.LayerDirections);
}

void TIncrementalConnectionCost::Begin() {
    Begun = true;
    TConnectionDragger& dragger = *Context.ConnectionDragger;
    dragger.UpdateAll(false);

    TObjectIterator(Context.Board, PCB_CONNECTION).ForEach([&](PcbHandle handle) {
        TLine line;
        line.Handle = handle;
        ReadLine(line);
        LineOf.emplace(handle, Lines.size());
        Lines.push_back(line);
    });

    std::vector<int32_t> positions;
    for (const TPlacedComponent* member : Group) {
        const int32_t position = dragger.PositionOf(member->Handle);
        if (position >= 0) {
            positions.push_back(position);
        }
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const int32_t position : positions) {
        TPadsOnComponent* pads = dragger.Items(position);
        MovingPads.push_back(pads);
        for (const TPadEntry* entry : *pads) {
            for (const TConnectionEnd* end : entry->Ends) {
                const auto found = LineOf.find(end->Connection->Handle);
                if (found != LineOf.end()) {
                    TLine& line = Lines[found->second];
                    line.Moves = true;
                    (end->IsFirstEnd ? line.FirstEndMoves : line.SecondEndMoves) = true;
                }
            }
        }
    }
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const TLine& line = Lines[i];
        if (line.Moves) {
            Moving.push_back(i);
        } else if (!line.Power) {
            StaticLength += LengthSteps(line);
            StaticViolations += Violates(line) ? 1 : 0;
        }
    }
    if (Options.CrossOverCostWeight != 0) {
        IndexStaticLines();
        StaticCrossingCount =
            Memo != nullptr && SpatialQueriesAnswerLines() ? StaticCrossingsByMemo() : StaticCrossings();
    }
    ProcessPendingMessages();
}

bool TIncrementalConnectionCost::SpatialQueriesAnswerLines() const {
    std::size_t onLayer = 0;
    for (const TLine& line : Lines) {
        onLayer += line.OnConnectLayer ? 1 : 0;
    }
    std::size_t answered = 0;
    bool known = true;
    TSpatialIterator everywhere(Context.Board, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                                std::numeric_limits<int32_t>::max(), LayerSetOf({PCB_CONNECT_LAYER}),
                                KindSetOf({PCB_CONNECTION}));
    everywhere.ForEach([&](PcbHandle handle) {
        const auto found = LineOf.find(handle);
        known = known && found != LineOf.end() && Lines[found->second].OnConnectLayer;
        ++answered;
    });
    return known && answered == onLayer;
}

void TIncrementalConnectionCost::IndexStaticLines() {
    std::vector<TIndexedBox> boxes;
    CrossingLines.resize(Lines.size());
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const TLine& line = Lines[i];
        CrossingLines[i] = TCrossingLine{line.Segment, line.OnConnectLayer};
        if (!line.Moves && !line.Power) {
            boxes.push_back({line.BoxX1, line.BoxY1, line.BoxX2, line.BoxY2, static_cast<int32_t>(i)});
        }
    }
    StaticIndex = std::make_unique<TLineBoxGrid>(std::move(boxes));
}

// Pairs of two connections that stay: what the analyzer's spatial query of the
// first one's box answers, keeping the second ones that stay too. When the
// host's index knows only the board's own connections, the bucket index
// answers instead of the host.
// The same count as StaticCrossings, through the memo: all lines not on power
// nets, less the pairs of the moving ones.
int64_t TIncrementalConnectionCost::StaticCrossingsByMemo() {
    std::vector<TMemoLine> lines;
    std::vector<std::size_t> moving;
    for (const TLine& line : Lines) {
        if (line.Power) {
            continue;
        }
        if (line.Moves) {
            moving.push_back(lines.size());
        }
        lines.push_back({line.Handle, line.OnConnectLayer, line.BoxX1, line.BoxY1, line.BoxX2, line.BoxY2, line.Segment});
    }
    return Memo->CountWithout(std::move(lines), moving);
}

int64_t TIncrementalConnectionCost::StaticCrossings() const {
    if (!SpatialQueriesAnswerLines()) {
        return StaticCrossingsByHost();
    }
    int64_t count = 0;
    for (const TLine& a : Lines) {
        if (a.Moves || a.Power) {
            continue;
        }
        ForEachStaticNear(a, [&](const TLine& b) {
            if (b.OnConnectLayer && Cross(a, b)) {
                ++count;
            }
        });
    }
    return count;
}

int64_t TIncrementalConnectionCost::StaticCrossingsByHost() const {
    const PcbLayerSet connectLayer = LayerSetOf({PCB_CONNECT_LAYER});
    const PcbKindSet connectionKind = KindSetOf({PCB_CONNECTION});
    int64_t count = 0;
    for (const TLine& a : Lines) {
        if (a.Moves || a.Power) {
            continue;
        }
        TSpatialIterator nearby(Context.Board, a.BoxX1, a.BoxY1, a.BoxX2, a.BoxY2, connectLayer, connectionKind);
        nearby.ForEach([&](PcbHandle handle) {
            const auto found = LineOf.find(handle);
            TLine other;
            if (found != LineOf.end()) {
                other = Lines[found->second];
            } else {
                other.Handle = handle;  // not among the board's own connections: it never moves
                ReadLine(other);
            }
            if (!other.Moves && !other.Power && Cross(a, other)) {
                ++count;
            }
        });
    }
    return count;
}

// Pairs with a moving connection first (any second one), and pairs of a
// connection that stays with a moving second one. A moving line and one that
// stays make both pairs at once: each counts where its second line lies on the
// connect layer (the crossing test is symmetric).
int64_t TIncrementalConnectionCost::MovingCrossings() const {
    int64_t count = 0;
    for (const std::size_t m : Moving) {
        const TLine& a = Lines[m];
        if (a.Power) {
            continue;
        }
        StaticIndex->ForEachMeeting(a.BoxX1, a.BoxY1, a.BoxX2, a.BoxY2, [&](int32_t i) {
            const TCrossingLine& b = CrossingLines[static_cast<std::size_t>(i)];
            if (LinesDeterminant(a.Segment, b.Segment) != 0.0 || SegmentsCross(a.Segment, b.Segment, false)) {
                count += (b.OnConnectLayer ? 1 : 0) + (a.OnConnectLayer ? 1 : 0);
            }
        });
        for (const std::size_t n : Moving) {
            const TLine& b = Lines[n];
            if (!b.Power && b.OnConnectLayer && BoxesMeet(a, b) && Cross(a, b)) {
                ++count;
            }
        }
    }
    return count;
}

void TIncrementalConnectionCost::Refresh() {
    if (!Begun) {
        Begin();
    } else {
        for (TPadsOnComponent* pads : MovingPads) {
            Context.ConnectionDragger->UpdateComponent(*pads);
        }
    }
    for (const std::size_t m : Moving) {
        ReadLine(Lines[m]);
    }
}

int32_t TIncrementalConnectionCost::TotalCost() {
    Refresh();
    HasReference = false;
    ProcessPendingMessages();
    return Terms();
}

void TIncrementalConnectionCost::ShiftLine(TLine& line, int32_t dx, int32_t dy) const {
    TPcbFromTo record(line.Handle);
    record.Sync(PCB_READ);
    bool changed = false;
    const auto shiftEnd = [&](int32_t& x, int32_t& y, int32_t refX, int32_t refY) {
        changed = changed || x != refX + dx || y != refY + dy;
        x = refX + dx;
        y = refY + dy;
    };
    if (line.FirstEndMoves) {
        shiftEnd(record.X, record.Y, line.RefX1, line.RefY1);
    }
    if (line.SecondEndMoves) {
        shiftEnd(record.X2, record.Y2, line.RefX2, line.RefY2);
    }
    if (changed) {
        record.SetIndex(1);
    }
    record.Sync(PCB_WRITE);
    ReadLine(line);
}

int32_t TIncrementalConnectionCost::CostAt(const TGridPoint& p, TRectangularComponentGroup& group) {
    if (!HasReference) {
        TGroupPlacer::MoveGroupTo(p, group);
        Refresh();
        for (const std::size_t m : Moving) {
            TLine& line = Lines[m];
            line.RefX1 = line.X1;
            line.RefY1 = line.Y1;
            line.RefX2 = line.X2;
            line.RefY2 = line.Y2;
        }
        Reference = p;
        HasReference = true;
        CollectAnchoredPartners();
    } else {
        const int32_t dx = p.X - Reference.X;
        const int32_t dy = p.Y - Reference.Y;
        for (const std::size_t m : Moving) {
            ShiftLine(Lines[m], dx, dy);
        }
    }
    ProcessPendingMessages();
    return Terms();
}

int32_t TIncrementalConnectionCost::Terms() {
    int64_t length = StaticLength;
    int64_t violations = StaticViolations;
    for (const std::size_t m : Moving) {
        if (!Lines[m].Power) {
            length += LengthSteps(Lines[m]);
            violations += Violates(Lines[m]) ? 1 : 0;
        }
    }
    const int64_t crossings = Options.CrossOverCostWeight != 0 ? StaticCrossingCount + MovingCrossings() : 0;
    return Sum(length, crossings, violations);
}

// The weighted sum as the analyzer forms it: the length sum capped, each count
// in 32 bits, the total saturated.
int32_t TIncrementalConnectionCost::Sum(int64_t length, int64_t crossings, int64_t violations) const {
    int64_t total = 0;
    if (Options.ConnectionLengthCostWeight != 0) {
        const int64_t capped = length > std::numeric_limits<int32_t>::max() ? OverflowedLength : length;
        total += capped * Options.ConnectionLengthCostWeight;
    }
    if (Options.CrossOverCostWeight != 0) {
        total += int64_t{static_cast<int32_t>(crossings)} * Options.CrossOverCostWeight;
    }
    if (Options.DirectionCostWeight != 0) {
        total += int64_t{static_cast<int32_t>(violations)} * Options.DirectionCostWeight;
    }
    return Saturated(total);
}

void TIncrementalConnectionCost::CollectAnchoredPartners() {
    AnchoredPartners.assign(Moving.size(), {});
    if (Options.CrossOverCostWeight == 0 || StaticIndex == nullptr) {
        return;
    }
    for (std::size_t k = 0; k < Moving.size(); ++k) {
        const TLine& line = Lines[Moving[k]];
        if (line.Power || line.FirstEndMoves == line.SecondEndMoves) {
            continue;
        }
        const int32_t x = line.FirstEndMoves ? line.RefX2 : line.RefX1;
        const int32_t y = line.FirstEndMoves ? line.RefY2 : line.RefY1;
        StaticIndex->ForEachMeeting(x, y, x, y, [&](int32_t i) { AnchoredPartners[k].push_back(i); });
    }
}

std::optional<int32_t> TIncrementalConnectionCost::LowerBoundAt(const TGridPoint& p) const {
    if (!HasReference || Options.ConnectionLengthCostWeight < 0 || Options.CrossOverCostWeight < 0 ||
        Options.DirectionCostWeight < 0) {
        return std::nullopt;
    }
    const int32_t dx = p.X - Reference.X;
    const int32_t dy = p.Y - Reference.Y;
    int64_t length = StaticLength;
    int64_t violations = StaticViolations;
    int64_t selfPairs = 0;
    int64_t anchoredPairs = 0;
    for (std::size_t k = 0; k < Moving.size(); ++k) {
        TLine line = Lines[Moving[k]];
        if (line.Power) {
            continue;
        }
        line.X1 = line.FirstEndMoves ? line.RefX1 + dx : line.RefX1;
        line.Y1 = line.FirstEndMoves ? line.RefY1 + dy : line.RefY1;
        line.X2 = line.SecondEndMoves ? line.RefX2 + dx : line.RefX2;
        line.Y2 = line.SecondEndMoves ? line.RefY2 + dy : line.RefY2;
        length += LengthSteps(line);
        violations += Violates(line) ? 1 : 0;
        // A line's box meets itself and its ends lie on it: it always crosses itself.
        selfPairs += line.OnConnectLayer ? 1 : 0;
        if (k < AnchoredPartners.size() && !AnchoredPartners[k].empty()) {
            const TSegmentRecord segment = MakeSegment(line.X1, line.Y1, line.X2, line.Y2);
            for (const int32_t i : AnchoredPartners[k]) {
                const TCrossingLine& b = CrossingLines[static_cast<std::size_t>(i)];
                if (LinesDeterminant(segment, b.Segment) != 0.0 || SegmentsCross(segment, b.Segment, false)) {
                    anchoredPairs += (b.OnConnectLayer ? 1 : 0) + (line.OnConnectLayer ? 1 : 0);
                }
            }
        }
    }
    return Sum(length, StaticCrossingCount + selfPairs + anchoredPairs, violations);
}

}  // namespace autoplacer
