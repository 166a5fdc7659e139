#include "model/PrimitivesList.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbRules.h"
#include "model/RunControl.h"

namespace autoplacer {

namespace {

constexpr double kDegreesToRadians = std::numbers::pi / 180.0;

// A band per this many records keeps the bands short without making long edges
// repeat in too many of them.
constexpr std::size_t kBandsPerRecord = 2;
constexpr std::size_t kMaxBands = 4096;

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

std::string NetName(PcbHandle net) {
    if (net == nullptr) {
        return {};
    }
    TPcbNet record(net);
    record.Sync(PCB_READ);
    return record.Name;
}

}  // namespace

// ---------------------------------------------------------------------------
// Outline index.

TOutlineIndex::TOutlineIndex(const TFastListOf<TSegmentRecord*>& tracks, const TFastListOf<TArcRecord*>& arcs)
    : Tracks(tracks.Count()), ArcsCount(arcs.Count()) {
    std::vector<TEntry> all;
    all.reserve(static_cast<std::size_t>(tracks.Count() + arcs.Count()));
    for (int32_t i = 0; i < tracks.Count(); ++i) {
        const TSegmentRecord& s = *tracks[i];
        all.push_back({std::min(s.X1, s.X2) - Margin, std::min(s.Y1, s.Y2) - Margin, std::max(s.X1, s.X2) + Margin,
                       std::max(s.Y1, s.Y2) + Margin, i, false});
    }
    for (int32_t i = 0; i < arcs.Count(); ++i) {
        // The whole circle: meeting points are first found on the circle.
        const TArcRecord& a = *arcs[i];
        const double reach = std::fabs(a.Radius) + Margin;
        all.push_back({a.CX - reach, a.CY - reach, a.CX + reach, a.CY + reach, i, true});
    }
    if (all.empty()) {
        Offsets.assign(1, 0);
        return;
    }
    Low = all.front().YMin;
    High = all.front().YMax;
    for (const TEntry& e : all) {
        Low = std::min(Low, e.YMin);
        High = std::max(High, e.YMax);
    }
    BandCount = std::clamp<std::size_t>(all.size() * kBandsPerRecord, 1, kMaxBands);
    BandHeight = std::max((High - Low) / static_cast<double>(BandCount), 1.0);

    std::vector<std::size_t> counts(BandCount, 0);
    for (const TEntry& e : all) {
        for (std::size_t b = BandOf(e.YMin); b <= BandOf(e.YMax); ++b) {
            ++counts[b];
        }
    }
    Offsets.assign(BandCount + 1, 0);
    for (std::size_t b = 0; b < BandCount; ++b) {
        Offsets[b + 1] = Offsets[b] + counts[b];
    }
    Entries.resize(Offsets[BandCount]);
    std::vector<std::size_t> next(Offsets.begin(), Offsets.end() - 1);
    for (const TEntry& e : all) {
        for (std::size_t b = BandOf(e.YMin); b <= BandOf(e.YMax); ++b) {
            Entries[next[b]++] = e;
        }
    }
}

std::size_t TOutlineIndex::BandOf(double y) const {
    if (y <= Low) {
        return 0;
    }
    const double band = std::floor((y - Low) / BandHeight);
    return std::min(static_cast<std::size_t>(band), BandCount - 1);
}

TOutlineIndex::TRowAnswers& TOutlineIndex::RowAnswers(int32_t y) const {
    const auto known = Rows.find(y);
    if (known != Rows.end()) {
        return known->second;
    }
    if (Rows.size() >= MaxRememberedRows) {
        Rows.clear();
    }
    const std::size_t entries = Band(y).size();
    TRowAnswers& row = Rows[y];
    row.Left.assign(entries, -1);
    row.Right.assign(entries, -1);
    return row;
}

std::span<const TOutlineIndex::TEntry> TOutlineIndex::Band(double y) const {
    if (Entries.empty() || y < Low || y > High) {
        return {};
    }
    const std::size_t band = BandOf(y);
    return {Entries.data() + Offsets[band], Offsets[band + 1] - Offsets[band]};
}

// ---------------------------------------------------------------------------
// Primitives list.

TArcRecord MakeArcRecord(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle) {
    TArcRecord arc;
    arc.CX = cx;
    arc.CY = cy;
    arc.Radius = radius;
    arc.StartAngle = startAngle;
    arc.EndAngle = endAngle;
    arc.StartX = arc.CX + arc.Radius * std::cos(startAngle * kDegreesToRadians);
    arc.StartY = arc.CY + arc.Radius * std::sin(startAngle * kDegreesToRadians);
    arc.EndX = arc.CX + arc.Radius * std::cos(endAngle * kDegreesToRadians);
    arc.EndY = arc.CY + arc.Radius * std::sin(endAngle * kDegreesToRadians);
    return arc;
}

TPrimitivesList::TPrimitivesList(PcbHandle source) {
    if (source == nullptr) {
        return;
    }
    switch (PcbApi::PcbApi_GetObjectIdFromObjectHandle(source)) {
        case PCB_BOARD: Gather(source, PCB_KEEP_OUT_LAYER); break;
        case PCB_COMPONENT: Gather(source, 0); break;
        case PCB_POLYGON: ReadOutline(source); break;
        default: break;
    }
}

TPrimitivesList::~TPrimitivesList() {
    for (TSegmentRecord* track : Tracks) {
        delete track;
    }
    for (TArcRecord* arc : Arcs) {
        delete arc;
    }
    for (TRect* fill : Fills) {
        delete fill;
    }
    for (TPcbPolygon* shape : Polygons) {
        delete shape;
    }
    for (TPcbPad* pad : Pads) {
        delete pad;
    }
}

void TPrimitivesList::AddTrackSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Tracks.Add(new TSegmentRecord{static_cast<double>(x1), static_cast<double>(y1), static_cast<double>(x2),
                                  static_cast<double>(y2)});
    OutlineChanged();
}

void TPrimitivesList::AddArc(const TArcRecord& arc) {
    Arcs.Add(new TArcRecord(arc));
    OutlineChanged();
}

void TPrimitivesList::Gather(PcbHandle source, int layer) {
    TObjectIterator iterator(source, PCB_ANY_OBJECT, PCB_ITERATE_OWN_OBJECTS, layer);
    iterator.ForEach([this](PcbHandle object) { AddObject(object); });
}

void TPrimitivesList::AddObject(PcbHandle object) {
    switch (PcbApi::PcbApi_GetObjectIdFromObjectHandle(object)) {
        case PCB_TRACK: {
            TPcbTrack track(object);
            track.Sync(PCB_READ);
            AddTrackSegment(track.X1(), track.Y1(), track.X2, track.Y2);
            ProcessPendingMessages();
            break;
        }
        case PCB_ARC: {
            TPcbArc arc(object);
            arc.Sync(PCB_READ);
            TArcRecord record = MakeArcRecord(arc.XCenter(), arc.YCenter(), arc.Radius, arc.StartAngle, arc.EndAngle);
            if (std::fabs(arc.EndAngle - arc.StartAngle) < 1.0) {
                record.EndAngle += 360.0;  // a full circle
            }
            AddArc(record);
            ProcessPendingMessages();
            break;
        }
        case PCB_FILL: {
            TPcbFill fill(object);
            int32_t x1 = 0;
            int32_t y1 = 0;
            int32_t x2 = 0;
            int32_t y2 = 0;
            fill.GetBoundingRect(x1, y1, x2, y2);
            Fills.Add(new TRect(Rect(x1, y2, x2, y1)));
            break;
        }
        case PCB_POLYGON: {
            auto* shape = new TPcbPolygon(object);
            Polygons.Add(shape);
            shape->Sync(PCB_READ);
            break;
        }
        case PCB_SPLIT_PLANE: {
            auto* shape = new TPcbSplitPlane(object);
            Polygons.Add(shape);
            shape->Sync(PCB_READ);
            break;
        }
        case PCB_PAD: {
            auto* pad = new TPcbPad(object);
            Pads.Add(pad);
            pad->Sync(PCB_READ);
            break;
        }
        default: break;  // vias, texts, regions and the rest are no obstacles here
    }
}

void TPrimitivesList::AddPadsOf(PcbHandle component) {
    TObjectIterator iterator(component, PCB_PAD, PCB_ITERATE_OWN_OBJECTS);
    iterator.ForEach([this](PcbHandle pad) { AddObject(pad); });
}

void TPrimitivesList::ReadOutline(PcbHandle shape) {
    std::unique_ptr<TPcbPolygon> record;
    switch (PcbApi::PcbApi_GetObjectIdFromObjectHandle(shape)) {
        case PCB_POLYGON: record = std::make_unique<TPcbPolygon>(shape); break;
        case PCB_SPLIT_PLANE: record = std::make_unique<TPcbSplitPlane>(shape); break;
        default: return;
    }
    record->Sync(PCB_READ);
    const std::vector<PcbPolygonVertex>& vertices = record->Vertices;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const PcbPolygonVertex& v = vertices[i];
        if (v.Kind == 0) {
            const PcbPolygonVertex& next = vertices[(i + 1) % vertices.size()];
            AddTrackSegment(v.X, v.Y, next.X, next.Y);
        } else {
            AddArc(MakeArcRecord(v.CX, v.CY, v.Radius, v.StartAngle, v.EndAngle));
        }
    }
}

const TOutlineIndex& TPrimitivesList::OutlineIndex() const {
    if (!Index || Index->TrackCount() != Tracks.Count() || Index->ArcCount() != Arcs.Count()) {
        Index = std::make_unique<TOutlineIndex>(Tracks, Arcs);
    }
    return *Index;
}

void TPrimitivesList::OutlineChanged() { Index.reset(); }

// ---------------------------------------------------------------------------
// Power nets.

std::unique_ptr<TFastListOf<PcbHandle>> FindPowerNets(PcbHandle board) {
    auto result = std::make_unique<TFastListOf<PcbHandle>>();
    std::vector<PcbHandle> nets;
    TObjectIterator(board, PCB_NET).ForEach([&](PcbHandle net) { nets.push_back(net); });

    // 1. Nets of the power planes. The host reports a plane's net through the
    // split planes drawn on it.
    std::vector<std::string> planeNames;
    TObjectIterator(board, PCB_SPLIT_PLANE).ForEach([&](PcbHandle plane) {
        TPCBObject record(PCB_SPLIT_PLANE, plane);
        record.Sync(PCB_READ);
        std::string name = NetName(record.Net);
        if (!name.empty()) {
            planeNames.push_back(std::move(name));
        }
    });
    if (!planeNames.empty()) {
        for (PcbHandle net : nets) {
            const std::string name = NetName(net);
            if (std::any_of(planeNames.begin(), planeNames.end(),
                            [&](const std::string& plane) { return SameNameIgnoringCase(plane, name); })) {
                result->Add(net);
            }
        }
    }

    // 2. The net with most objects and the runner-up met before it was overtaken.
    int32_t bestCount = 0;
    PcbHandle best = nullptr;
    int32_t secondCount = 0;
    PcbHandle second = nullptr;
    for (PcbHandle net : nets) {
        int32_t count = 0;
        TObjectIterator(net, PCB_ANY_OBJECT).ForEach([&](PcbHandle) { ++count; });
        if (count > bestCount) {
            bestCount = count;
            best = net;
        } else if (count > secondCount) {
            secondCount = count;
            second = net;
        }
    }
    result->Add(best);
    result->Add(second);

    // 3. Nets named by the board's power-net rules.
    TObjectIterator(board, PCB_RULE).ForEach([&](PcbHandle rule) {
        TPcbRule record(rule);
        record.Sync(PCB_READ);
        if (record.RuleKind != PCB_RULE_POWER_NETS) {
            return;
        }
        for (PcbHandle net : nets) {
            if (PcbApi::PcbApi_Scope1_Includes(rule, net) != 0) {
                result->Add(net);
            }
        }
    });

    RemoveDuplicates(*result);
    return result;
}

}  // namespace autoplacer
