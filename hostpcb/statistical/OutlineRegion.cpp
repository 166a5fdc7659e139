#include "hostpcb/statistical/OutlineRegion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hostpcb/statistical/BoostIndex.h"

namespace hostpcb::statistical {

namespace {

constexpr int kArcChords = 32;
constexpr int kMaxBands = 1024;

// Whether segment a-b meets the closed box (Liang-Barsky clipping).
bool SegmentMeetsBox(Point a, Point b, const Box& box) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(a.x) - box.x1, double(box.x2) - a.x, double(a.y) - box.y1, double(box.y2) - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    return true;
}

}  // namespace

std::vector<OutlineSegment> KeepOutSegments(const Board& board) {
    std::vector<OutlineSegment> out;
    for (const Object* o : board.Objects()) {
        if (o->Layer() != PCB_KEEP_OUT_LAYER || o->ParentComponent() != nullptr) continue;
        if (o->Kind() == ObjectKind::Track) {
            const auto* t = static_cast<const Track*>(o);
            if (!(t->Position() == t->End())) out.push_back({t->Position(), t->End()});
        } else if (o->Kind() == ObjectKind::Arc) {
            const auto* arc = static_cast<const Arc*>(o);
            double sweep = arc->EndAngle() - arc->StartAngle();
            if (sweep <= 0) sweep += 360.0;
            const Point c = arc->Position();
            auto at = [&](double deg) {
                const double r = deg * std::numbers::pi / 180.0;
                return Point{static_cast<Coord>(std::lround(c.x + arc->Radius() * std::cos(r))),
                             static_cast<Coord>(std::lround(c.y + arc->Radius() * std::sin(r)))};
            };
            const int chords = std::max(2, static_cast<int>(std::ceil(kArcChords * sweep / 360.0)));
            Point prev = at(arc->StartAngle());
            for (int i = 1; i <= chords; ++i) {
                const Point next = at(arc->StartAngle() + sweep * i / chords);
                if (!(prev == next)) out.push_back({prev, next});
                prev = next;
            }
        }
    }
    return out;
}

struct OutlineRegion::Index {
    BoxTree<int> tree;
};

OutlineRegion::OutlineRegion(const Board& board) : segments_(KeepOutSegments(board)), index_(new Index) {
    if (segments_.empty()) return;
    extent_ = Box::FromCorners(segments_[0].a.x, segments_[0].a.y, segments_[0].b.x, segments_[0].b.y);
    std::vector<std::pair<BgBox, int>> entries;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        const OutlineSegment& s = segments_[i];
        const Box box = Box::FromCorners(s.a.x, s.a.y, s.b.x, s.b.y);
        extent_ = extent_.United(box);
        entries.emplace_back(ToBg(box), static_cast<int>(i));
    }
    index_->tree = BoxTree<int>(entries.begin(), entries.end());

    const int64_t height = int64_t{extent_.y2} - extent_.y1 + 1;
    const int bandCount = static_cast<int>(std::clamp<int64_t>(int64_t(segments_.size()), 1, kMaxBands));
    bandBottom_ = extent_.y1;
    bandHeight_ = static_cast<Coord>(std::max<int64_t>(1, (height + bandCount - 1) / bandCount));
    bands_.assign(static_cast<std::size_t>(bandCount), {});
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        const OutlineSegment& s = segments_[i];
        const int first = static_cast<int>((int64_t{std::min(s.a.y, s.b.y)} - bandBottom_) / bandHeight_);
        const int last = static_cast<int>((int64_t{std::max(s.a.y, s.b.y)} - bandBottom_) / bandHeight_);
        for (int band = first; band <= last && band < bandCount; ++band) bands_[std::size_t(band)].push_back(int(i));
    }
}

OutlineRegion::~OutlineRegion() = default;

bool OutlineRegion::PointInside(Point p) const {
    if (segments_.empty() || !extent_.Contains(p)) return false;
    const std::size_t band = static_cast<std::size_t>((int64_t{p.y} - bandBottom_) / bandHeight_);
    if (band >= bands_.size()) return false;
    bool inside = false;
    for (const int i : bands_[band]) {
        const Point a = segments_[std::size_t(i)].a, b = segments_[std::size_t(i)].b;
        if ((a.y > p.y) == (b.y > p.y)) continue;
        const double x = a.x + (double(p.y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
        if (p.x < x) inside = !inside;
    }
    return inside;
}

bool OutlineRegion::BoxInside(const Box& box) const {
    if (segments_.empty() || box.x1 < extent_.x1 || box.x2 > extent_.x2 || box.y1 < extent_.y1 ||
        box.y2 > extent_.y2) {
        return false;
    }
    bool crossed = false;
    index_->tree.query(bgi::intersects(ToBg(box)) && bgi::satisfies([&](const std::pair<BgBox, int>& e) {
                           const OutlineSegment& s = segments_[std::size_t(e.second)];
                           return SegmentMeetsBox(s.a, s.b, box);
                       }),
                       BoolOutput(crossed));
    if (crossed) return false;
    return PointInside({box.x1, box.y1});
}

void OutlineRegion::SegmentsNear(const Box& box, std::vector<const OutlineSegment*>& out) const {
    out.clear();
    index_->tree.query(bgi::intersects(ToBg(box)), FunctionOutput([&](const std::pair<BgBox, int>& e) {
                           out.push_back(&segments_[std::size_t(e.second)]);
                       }));
}

}  // namespace hostpcb::statistical
