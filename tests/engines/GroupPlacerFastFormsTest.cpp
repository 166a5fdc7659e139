// The pieces behind the fast forms, each against its plain counterpart: the
// incremental connection cost (with the group on the host, and with only its
// lines shifted) against the cross-over analyzer at many positions and
// orientations of a group, the cost cell found by arithmetic against the
// walk over the cells, and the placed-group index against a scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>

#include "engines/CrossOvers.h"
#include "engines/IncrementalConnectionCost.h"
#include "engines/LineBoxGrid.h"
#include "engines/PlacedGroupIndex.h"
#include "model/BoardQueries.h"
#include "engines/EquivalenceFixture.h"
#include "support/RandomBoards.h"
#include "support/GroupPlacerProbe.h"

namespace autoplacer::speedtest {
namespace {

class IncrementalCost : public EquivalenceTest {};

TEST_F(IncrementalCost, EqualsTheAnalyzerWhereverTheGroupGoes) {
    int comparisons = 0;
    int withMovingLines = 0;
    int bounded = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        hostpcb::Host::Instance().Reset();
        hostpcb::Board& board = BuildRandomBoard(seed, {10, 18});
        const PcbHandle handle = board.Handle();
        TPlacementContext context;
        context.Board = handle;
        const auto powerNets = FindPowerNets(handle);
        context.PowerNets = powerNets.get();
        ReadLayerDirections(context);
        AnalyzeAllNets(handle);
        // Power-net lines stay in the host and in the dragger: both forms must leave them out.
        TConnectionDragger dragger(handle, nullptr, nullptr, nullptr);
        context.ConnectionDragger = &dragger;
        std::mt19937 random(seed);
        const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };

        for (const hostpcb::Component* component : board.Components()) {
            TRectangularComponentGroup group;
            group.AddComponent(component->Handle());
            TPlacerOptions options;
            options.ConnectionLengthCostWeight = pick(0, 3);
            options.CrossOverCostWeight = pick(0, 1) * 1000;
            options.DirectionCostWeight = pick(0, 50);
            TIncrementalConnectionCost incremental(options, context, group);
            for (int step = 0; step < 16; ++step) {
                if (step % 5 == 4) {
                    group.TurnQuarter90();
                    incremental.NewOrientation();
                }
                const TGridPoint p{hostpcb::MilsToUnits(pick(-300, 1800)), hostpcb::MilsToUnits(pick(-300, 1300))};
                int32_t fast = 0;
                if (step % 7 == 6) {
                    // The group where it stands on the host.
                    TGroupPlacer::MoveGroupTo(p, group);
                    fast = incremental.TotalCost();
                    incremental.NewOrientation();
                } else {
                    // Only the lines are shifted; the analyzer needs the group there.
                    const std::optional<int32_t> bound = incremental.LowerBoundAt(p);
                    fast = incremental.CostAt(p, group);
                    if (bound) {
                        EXPECT_LE(*bound, fast) << "seed " << seed << ", " << component->Designator();
                        ++bounded;
                    }
                    TGroupPlacer::MoveGroupTo(p, group);
                }
                TNetRegistry registry(context);
                TCrossOverAnalyzer analyzer(&registry, options, context);
                EXPECT_EQ(fast, analyzer.TotalCost()) << "seed " << seed << ", " << component->Designator();
                ++comparisons;
            }
            withMovingLines += incremental.MovingCount() > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(comparisons, 1000);
    EXPECT_GT(withMovingLines, 50) << "most parts have lines that move with them";
    EXPECT_GT(bounded, 500) << "the bound is known after an orientation's first cost";
}

class CostCells : public EquivalenceTest {};

// Every grid point, and every point on a cell's corners and edges, lands in the
// same cell both ways, for areas that are and are not whole cells.
TEST_F(CostCells, ArithmeticLookupFindsTheFirstCellOfTheWalk) {
    hostpcb::Board& board = hostpcb::Host::Instance().CreateBoard("cells.kicad_pcb");
    TPlacementContext context;
    context.Board = board.Handle();
    struct TCase {
        int32_t Grid;
        TRect Area;
    };
    for (const TCase& c : {TCase{500000, Rect(0, 8000000, 12000000, 0)},
                           TCase{330000, Rect(-1234567, 5432100, 9876543, -2000000)},
                           TCase{7, Rect(100, 100 + 4 * 7 * 5, 100 + 4 * 7 * 3, 100)},
                           TCase{7, Rect(0, 301, 299, 0)}}) {
        const int32_t grid = c.Grid;
        const TRect area = c.Area;
        {
            context.KeepOutExtent = area;
            TPlacerOptions options;
            options.GridSize = grid;
            TGroupPlacerProbe placer(options, false, context);
            std::vector<TGridPoint> probes = placer.TopGrid.Points();
            for (const TCostCell& cell : placer.CostCells) {
                for (const int32_t x : {cell.Rect.Left, cell.Rect.Left + 1, cell.Rect.Right - 1, cell.Rect.Right}) {
                    for (const int32_t y :
                         {cell.Rect.Bottom, cell.Rect.Bottom + 1, cell.Rect.Top - 1, cell.Rect.Top}) {
                        probes.push_back(TGridPoint{x, y});
                    }
                }
            }
            probes.push_back(TGridPoint{area.Left - 1, area.Bottom});
            probes.push_back(TGridPoint{area.Right + 4 * grid + 1, area.Top});
            ASSERT_GT(probes.size(), 8u);
            for (const TGridPoint& p : probes) {
                TCostCell* fast = placer.CellOf(p);
                TCostCell* plain = placer.CellOfPlain(p);
                ASSERT_EQ(fast, plain) << "grid " << grid << " at (" << p.X << ", " << p.Y << ")";
            }
        }
    }
}

// The rectangle overlap test answered by arithmetic against the host's fills:
// rectangles apart along one axis or diagonally, right at, just under and just
// over the clearance, touching, nested, turned inside out, without area, with
// a negative clearance, and far apart near the ends of the coordinate range.
TEST(RectsOverlapArithmetic, AnswersAsTheHostDoes) {
    hostpcb::Host::Instance().Reset();
    std::mt19937 random(11);
    const auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(random); };
    int asked = 0;
    int checks = 0;
    int diagonalNearLimit = 0;
    const auto check = [&](const TRect& a, const TRect& b, int32_t clearance) {
        ++checks;
        const bool host = RectsOverlapByHost(a, b, clearance);
        const TOverlapAnswer answer = RectsOverlapByArithmetic(a, b, clearance);
        if (answer == TOverlapAnswer::AskHost) {
            ++asked;
            return;
        }
        ASSERT_EQ(answer == TOverlapAnswer::Overlap, host)
            << "(" << a.Left << ", " << a.Bottom << ", " << a.Right << ", " << a.Top << ") and (" << b.Left << ", "
            << b.Bottom << ", " << b.Right << ", " << b.Top << "), clearance " << clearance;
    };
    for (int i = 0; i < 20000; ++i) {
        const int32_t clearance = static_cast<int32_t>(i % 10 == 0 ? pick(-5, 5) : pick(0, 400000));
        const int32_t x = static_cast<int32_t>(pick(-1000000, 1000000));
        const int32_t y = static_cast<int32_t>(pick(-1000000, 1000000));
        const int32_t w = static_cast<int32_t>(pick(0, 5) == 0 ? pick(0, 2) : pick(1, 600000));
        const int32_t h = static_cast<int32_t>(pick(0, 5) == 0 ? pick(0, 2) : pick(1, 600000));
        const TRect a = Rect(x, y + h, x + w, y);
        // The second one placed relative to the first: gaps around the clearance.
        int64_t dx = 0;
        int64_t dy = 0;
        switch (i % 4) {
            case 0:  // apart along x only, within a few units of the clearance
                dx = clearance + pick(-3, 3);
                break;
            case 1: {  // diagonally, the gap within a few units of the clearance
                const double angle = static_cast<double>(pick(1, 89)) * 3.14159265358979 / 180.0;
                dx = static_cast<int64_t>(std::llround(clearance * std::cos(angle))) + pick(-2, 2);
                dy = static_cast<int64_t>(std::llround(clearance * std::sin(angle))) + pick(-2, 2);
                diagonalNearLimit += dx > 0 && dy > 0 ? 1 : 0;
                break;
            }
            case 2:  // anywhere around, touching and nested included
                dx = pick(-700000, 700000);
                dy = pick(-700000, 700000);
                break;
            default:  // touching along one side
                dx = 0;
                dy = pick(-h, h);
                break;
        }
        const int32_t bw = static_cast<int32_t>(pick(0, 5) == 0 ? pick(0, 2) : pick(1, 600000));
        const int32_t bh = static_cast<int32_t>(pick(0, 5) == 0 ? pick(0, 2) : pick(1, 600000));
        const int32_t bx = static_cast<int32_t>(x + w + dx);
        const int32_t by = static_cast<int32_t>(i % 4 == 1 ? y + h + dy : y + dy);
        const TRect b = pick(0, 1) == 0 ? Rect(bx, by + bh, bx + bw, by) : Rect(bx + bw, by, bx, by + bh);  // inside out
        check(a, b, clearance);
        check(b, a, clearance);
    }
    // Diagonal gaps a hair under the clearance, which the host's tolerance
    // turns into "apart", and gaps exactly at it (whole-number triangles).
    int hostSaysApartUnderLimit = 0;
    for (int64_t dy = 600000; dy < 600040; ++dy) {
        for (int64_t dx = 800000; dx < 820000; ++dx) {
            const long double d = std::sqrt(static_cast<long double>(dx * dx + dy * dy));
            const long double limit = std::ceil(d);
            if (limit - d > 2e-4L || limit == d) {
                continue;
            }
            const TRect a = Rect(0, 100, 100, 0);
            const TRect b = Rect(static_cast<int32_t>(100 + dx), static_cast<int32_t>(200 + dy),
                                 static_cast<int32_t>(200 + dx), static_cast<int32_t>(100 + dy));
            hostSaysApartUnderLimit += RectsOverlapByHost(a, b, static_cast<int32_t>(limit)) ? 0 : 1;
            check(a, b, static_cast<int32_t>(limit));
        }
    }
    for (const int32_t k : {1, 1000, 200000, 400000}) {
        const TRect a = Rect(0, 100, 100, 0);
        const TRect b = Rect(100 + 3 * k, 200 + 4 * k, 200 + 3 * k, 100 + 4 * k);
        check(a, b, 5 * k);
        check(a, b, 5 * k + 1);
    }
    EXPECT_GT(hostSaysApartUnderLimit, 0);
    // Far apart near the ends of the coordinate range, and a huge clearance.
    const int32_t far = 1073741823;
    check(Rect(-far, -far + 10, -far + 10, -far), Rect(far - 10, far, far, far - 10), 2000000000);
    check(Rect(-far, 10, -far + 10, 0), Rect(far - 10, 10, far, 0), std::numeric_limits<int32_t>::max());
    // The host is asked now and then (diagonal gaps within a unit of the
    // clearance, rectangles without area), not for most pairs.
    EXPECT_GT(diagonalNearLimit, 1000);
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, checks / 3);
    hostpcb::Host::Instance().Reset();
}

// The bucket grid over the lines that stay answers exactly the boxes that meet
// a query, each once: short and board-long boxes, points, queries inside,
// across and outside the grid.
TEST(LineBoxGrid, AnswersEveryMeetingBoxOnce) {
    std::mt19937 random(5);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const auto randomBox = [&](int32_t index) {
        const int x = pick(-100, 2000) * 1000;
        const int y = pick(-100, 1500) * 1000;
        const int w = (pick(0, 7) == 0 ? pick(300, 2500) : pick(0, 60)) * 1000;
        const int h = (pick(0, 7) == 0 ? pick(300, 2000) : pick(0, 60)) * 1000;
        return TIndexedBox{x, y, x + w, y + h, index};
    };
    for (const int count : {0, 1, 7, 400, 3000}) {
        std::vector<TIndexedBox> boxes;
        for (int i = 0; i < count; ++i) {
            boxes.push_back(randomBox(i * 3));  // indices need not be positions
        }
        const TLineBoxGrid grid(boxes);
        for (int q = 0; q < 300; ++q) {
            const TIndexedBox query = q % 10 == 0 ? TIndexedBox{-5000000, -5000000, -4000000, -4000000, 0} : randomBox(0);
            std::vector<int32_t> answered;
            grid.ForEachMeeting(query.X1, query.Y1, query.X2, query.Y2, [&](int32_t i) { answered.push_back(i); });
            std::vector<int32_t> expected;
            for (const TIndexedBox& b : boxes) {
                if (b.X1 <= query.X2 && query.X1 <= b.X2 && b.Y1 <= query.Y2 && query.Y1 <= b.Y2) {
                    expected.push_back(b.Index);
                }
            }
            std::sort(answered.begin(), answered.end());
            ASSERT_EQ(answered, expected) << count << " boxes, query " << q;
        }
    }
}

TEST(PlacedGroupIndex, AnswersEveryGroupThatMeetsTheQueryInOrder) {
    std::mt19937 random(7);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const auto randomRect = [&]() {
        const int x = pick(-50, 400) * 10000;
        const int y = pick(-50, 400) * 10000;
        // Mostly small parts, now and then one spanning much of the board.
        const int w = (pick(0, 9) == 0 ? pick(100, 500) : pick(0, 30)) * 10000;
        const int h = (pick(0, 9) == 0 ? pick(100, 500) : pick(0, 30)) * 10000;
        return Rect(x, y + h, x + w, y);
    };
    TPlacedGroupIndex index(200000, 0, 0);
    std::vector<TRect> rects;
    for (int i = 0; i < 300; ++i) {
        rects.push_back(randomRect());
        index.Put(i, rects.back());
        if (i % 7 == 3) {  // a placed group moved by its owner
            const int moved = pick(0, i);
            rects[static_cast<std::size_t>(moved)] = randomRect();
            index.Put(moved, rects[static_cast<std::size_t>(moved)]);
        }
    }
    std::vector<int32_t> found;
    for (int q = 0; q < 400; ++q) {
        const TRect query = randomRect();
        index.Query(query, found);
        ASSERT_TRUE(std::is_sorted(found.begin(), found.end()));
        ASSERT_TRUE(std::adjacent_find(found.begin(), found.end()) == found.end());
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const TRect& r = rects[i];
            const bool meets = r.Left <= query.Right && query.Left <= r.Right && r.Bottom <= query.Top &&
                               query.Bottom <= r.Top;
            if (meets) {
                ASSERT_TRUE(std::binary_search(found.begin(), found.end(), static_cast<int32_t>(i)))
                    << "query " << q << " misses group " << i;
            }
        }
    }
}

}  // namespace
}  // namespace autoplacer::speedtest
