// Sampling places over an outline and checking that the indexed outline search
// answers like the plain scan at each of them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engines/KeepOut.h"

namespace autoplacer::test {

// Random points over the list's extent widened by a tenth, with a share placed on
// the heights and abscissae of the outline's own end points, and just beside them.
class PlaceSampler {
public:
    PlaceSampler(const TPrimitivesList& list, uint32_t seed) : Random(seed) {
        double x1 = 1e18, y1 = 1e18, x2 = -1e18, y2 = -1e18;
        for (const TSegmentRecord* s : list.Tracks) {
            for (const auto& [x, y] : {std::pair{s->X1, s->Y1}, std::pair{s->X2, s->Y2}}) {
                x1 = std::min(x1, x);
                y1 = std::min(y1, y);
                x2 = std::max(x2, x);
                y2 = std::max(y2, y);
                Xs.push_back(static_cast<int32_t>(x));
                Ys.push_back(static_cast<int32_t>(y));
            }
        }
        for (const TArcRecord* a : list.Arcs) {
            x1 = std::min(x1, a->CX - a->Radius);
            y1 = std::min(y1, a->CY - a->Radius);
            x2 = std::max(x2, a->CX + a->Radius);
            y2 = std::max(y2, a->CY + a->Radius);
            for (const double y : {a->CY, a->StartY, a->EndY, a->CY + a->Radius, a->CY - a->Radius}) {
                Ys.push_back(static_cast<int32_t>(std::lround(y)));
            }
            Xs.push_back(static_cast<int32_t>(std::lround(a->StartX)));
            Xs.push_back(static_cast<int32_t>(std::lround(a->EndX)));
        }
        const double marginX = (x2 - x1) / 10;
        const double marginY = (y2 - y1) / 10;
        X = std::uniform_int_distribution<int32_t>(static_cast<int32_t>(x1 - marginX),
                                                   static_cast<int32_t>(x2 + marginX));
        Y = std::uniform_int_distribution<int32_t>(static_cast<int32_t>(y1 - marginY),
                                                   static_cast<int32_t>(y2 + marginY));
    }

    TPoint Next() {
        TPoint p = Point(X(Random), Y(Random));
        const int kind = Choice(Random);
        if (kind == 0 && !Ys.empty()) {
            p.Y = Ys[Pick(Ys.size())] + Nudge(Random);
        } else if (kind == 1 && !Xs.empty()) {
            p.X = Xs[Pick(Xs.size())] + Nudge(Random);
        }
        return p;
    }

    TRect NextRect() {
        const TPoint a = Next();
        const TPoint b = Next();
        return Rect(std::min(a.X, b.X), std::max(a.Y, b.Y), std::max(a.X, b.X), std::min(a.Y, b.Y));
    }

private:
    std::size_t Pick(std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size - 1)(Random); }

    std::mt19937 Random;
    std::uniform_int_distribution<int32_t> X;
    std::uniform_int_distribution<int32_t> Y;
    std::uniform_int_distribution<int> Choice{0, 3};
    std::uniform_int_distribution<int32_t> Nudge{-150, 150};
    std::vector<int32_t> Xs;
    std::vector<int32_t> Ys;
};

// Asks both searches at sampled places and rectangles; the first disagreement
// fails with its place.
inline void ExpectSameAnswers(const TPrimitivesList& list, int samples, uint32_t seed, const std::string& where,
                              bool bothAnswersOccur = true) {
    PlaceSampler sampler(list, seed);
    int inside = 0;
    int legal = 0;
    for (int i = 0; i < samples; ++i) {
        const TPoint p = sampler.Next();
        const bool indexed = PointInOutline(p, list, TOutlineSearch::Remembered);
        ASSERT_EQ(indexed, PointInOutline(p, list, TOutlineSearch::Scan)) << where << " point " << p.X << "," << p.Y;
        ASSERT_EQ(indexed, PointInOutline(p, list, TOutlineSearch::Indexed)) << where << " point " << p.X << "," << p.Y;
        inside += indexed ? 1 : 0;

        const TRect r = sampler.NextRect();
        const bool indexedLegal = RectIsLegal(r, list, 0, TOutlineSearch::Remembered);
        ASSERT_EQ(indexedLegal, RectIsLegal(r, list, 0, TOutlineSearch::Scan))
            << where << " rect " << r.Left << "," << r.Bottom << " - " << r.Right << "," << r.Top;
        legal += indexedLegal ? 1 : 0;
    }
    if (!bothAnswersOccur) {
        return;
    }
    // Both answers occur, or the comparison would prove little.
    EXPECT_GT(inside, 0) << where;
    EXPECT_LT(inside, samples) << where;
    EXPECT_GT(legal, 0) << where;
}

}  // namespace autoplacer::test
