// The connection cost of the cross-over analysis, computed incrementally while
// one group is searched for with a connection dragger in the context.
//
// With a dragger the board's connections keep their topology, and moving the
// group moves only the connection ends on the group's pads. The cost of one
// candidate thus differs from another's only through those moving connections.
// At the first evaluation this object refreshes every connection exactly as the
// analyzer does, reads them once, and sums the terms of the connections that do
// not move: their lengths, their direction violations and the crossings between
// two of them (through the host's spatial index, as the analyzer counts them).
// Each evaluation then refreshes only the group's connections through the
// dragger (the same host writes as a full refresh makes for them), reads them
// back and adds their lengths and violations and every crossing pair with at
// least one moving connection. A pair counts when the host's boxes of the two
// meet (which is what the analyzer's spatial query of the first one's box
// returns) and the unbounded segment test holds, so the total, the overflow
// rules and the saturation equal TCrossOverAnalyzer::TotalCost.
//
// The connections that stay are put in a bucket index when the search begins:
// the pairs between two of them, and each moving connection's pairs with them,
// are then found among the few whose boxes come near, not among all.
//
// Valid while nothing but the group moves: the group placer makes one for each
// group it places and drops it afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/PlacementContext.h"
#include "engines/GroupPlacer.h"
#include "engines/LineBoxGrid.h"
#include "model/PrimitivesList.h"
#include "model/PlacerOptions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TCrossingMemo;
class TPadsOnComponent;
class TRectangularComponentGroup;

class TIncrementalConnectionCost {
public:
    // The context must have a connection dragger. Reads nothing yet. With a
    // memo (borrowed, kept by the group placer from search to search) the
    // crossings among the lines that stay are counted through it.
    TIncrementalConnectionCost(const TPlacerOptions& options, const TPlacementContext& context,
                               const TRectangularComponentGroup& group, TCrossingMemo* memo = nullptr);

    // The cost with the group where it stands on the host.
    int32_t TotalCost();

    // The cost with the group at p, in the orientation in which the previous
    // CostAt since NewOrientation saw it. The first one moves the group there on
    // the host and refreshes its lines through the dragger; later ones move only
    // the lines, their group ends shifted by p's offset from that first point
    // (the group moves rigidly by whole units, and so do its pads).
    int32_t CostAt(const TGridPoint& p, TRectangularComponentGroup& group);
    // The group has been turned: the next CostAt starts afresh.
    void NewOrientation() { HasReference = false; }
    // The next CostAt moves only lines, not the group.
    bool MovesOnlyLines() const { return HasReference; }
    // A cost that CostAt(p) cannot fall below: its length and direction terms
    // exactly, and only the crossings of lines that stay plus each moving
    // line's crossing with itself. None before the orientation's first CostAt,
    // or with a negative weight.
    std::optional<int32_t> LowerBoundAt(const TGridPoint& p) const;

    // How many connections move with the group (after the first evaluation).
    int32_t MovingCount() const { return static_cast<int32_t>(Moving.size()); }

private:
    struct TLine {
        PcbHandle Handle = nullptr;
        bool Power = false;
        bool OnConnectLayer = false;
        bool Moves = false;
        // Which ends sit on the group's pads, and where they were at the reference point.
        bool FirstEndMoves = false;
        bool SecondEndMoves = false;
        int32_t RefX1 = 0, RefY1 = 0, RefX2 = 0, RefY2 = 0;
        int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
        // The host's bounding box (x1 <= x2, y1 <= y2).
        int32_t BoxX1 = 0, BoxY1 = 0, BoxX2 = 0, BoxY2 = 0;
        TSegmentRecord Segment;
    };

    void Begin();
    void Refresh();
    int32_t Terms();
    int32_t Sum(int64_t length, int64_t crossings, int64_t violations) const;
    void ReadLine(TLine& line) const;
    // Moves the line's group ends to their reference place shifted by (dx, dy),
    // as the dragger would pull them onto the shifted pads, and reads it back.
    void ShiftLine(TLine& line, int32_t dx, int32_t dy) const;
    // Every connection the host's spatial index knows on the connect layer is
    // one of Lines there: then the bucket index answers its queries.
    bool SpatialQueriesAnswerLines() const;
    void IndexStaticLines();
    int64_t StaticCrossings() const;
    int64_t StaticCrossingsByHost() const;
    int64_t StaticCrossingsByMemo();
    int64_t MovingCrossings() const;
    // Calls visit(other) for every line that stays, not on a power net, whose
    // box meets the line's box.
    template <typename Visit>
    void ForEachStaticNear(const TLine& line, Visit visit) const {
        StaticIndex->ForEachMeeting(line.BoxX1, line.BoxY1, line.BoxX2, line.BoxY2,
                                    [&](int32_t i) { visit(Lines[static_cast<std::size_t>(i)]); });
    }
    // What the crossing count reads of a line that stays, kept compact beside
    // Lines (by the same index) so that the count walks less memory.
    struct TCrossingLine {
        TSegmentRecord Segment;
        bool OnConnectLayer = false;
    };
    std::vector<TCrossingLine> CrossingLines;
    // Per moving line (as in Moving), from the orientation's first cost: when one
    // end stays, the staying lines whose boxes hold that end. The moving line's
    // box always holds it too, so the crossing count pairs them wherever the
    // group goes; the lower bound counts their crossings exactly.
    std::vector<std::vector<int32_t>> AnchoredPartners;
    void CollectAnchoredPartners();
    static bool BoxesMeet(const TLine& a, const TLine& b);
    static bool Cross(const TLine& a, const TLine& b);
    static int64_t LengthSteps(const TLine& line);
    bool Violates(const TLine& line) const;

    TPlacerOptions Options;
    TPlacementContext Context;
    const TRectangularComponentGroup& Group;
    TCrossingMemo* Memo = nullptr;
    bool Begun = false;
    // The board's connections in the host's order.
    std::vector<TLine> Lines;
    std::unordered_map<PcbHandle, std::size_t> LineOf;
    // Positions in Lines of the moving connections, in that order.
    std::vector<std::size_t> Moving;
    // The group's members that the dragger includes, in the dragger's order.
    std::vector<TPadsOnComponent*> MovingPads;
    // The lines that stay, not on power nets, by their host boxes.
    std::unique_ptr<TLineBoxGrid> StaticIndex;
    int64_t StaticLength = 0;
    int64_t StaticViolations = 0;
    int64_t StaticCrossingCount = 0;
    bool HasReference = false;
    TGridPoint Reference;
};

}  // namespace autoplacer
