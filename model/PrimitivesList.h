// A snapshot of the primitives of one host object (the board's keep-out layer, a
// component or a polygon) in the form the containment tests need: tracks become
// segments and arcs become arc records in doubles, fills become rectangles, and
// polygons, split planes and pads stay as host records. Also the board's default
// power nets.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "host/PcbRecords.h"
#include "model/FastList.h"
#include "model/SimpleDataStructuresAndFunctions.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

// A line segment between two points, in host units.
struct TSegmentRecord {
    double X1 = 0.0;
    double Y1 = 0.0;
    double X2 = 0.0;
    double Y2 = 0.0;
};

// A circular arc, counter-clockwise from StartAngle to EndAngle (degrees), with its
// end points precomputed from centre, radius and angles.
struct TArcRecord {
    double CX = 0.0;
    double CY = 0.0;
    double Radius = 0.0;
    double StartAngle = 0.0;
    double EndAngle = 0.0;
    double StartX = 0.0;
    double StartY = 0.0;
    double EndX = 0.0;
    double EndY = 0.0;
};

// The tracks and arcs of a primitives list sorted into horizontal bands, so that a
// test along a horizontal line or within a rectangle visits only the records that
// can come near it. Each entry carries its record's box widened by Margin, which
// is far more than the 100-unit tolerance of the meeting tests, so a record that is
// not listed for a place cannot meet anything there.
class TOutlineIndex {
public:
    static constexpr double Margin = 1000.0;

    struct TEntry {
        double XMin, YMin, XMax, YMax;  // widened box
        int32_t Record;                 // index into Tracks or Arcs
        bool IsArc;
    };

    TOutlineIndex(const TFastListOf<TSegmentRecord*>& tracks, const TFastListOf<TArcRecord*>& arcs);

    // The entries of the band holding y (empty outside every box). Every entry
    // whose widened box spans y is among them, once.
    std::span<const TEntry> Band(double y) const;
    // Calls visit(entry) for every entry whose widened box meets the box
    // [x1, x2] x [y1, y2]; an entry may be visited more than once.
    template <typename Visit>
    void ForEachNear(double x1, double y1, double x2, double y2, Visit visit) const {
        if (Entries.empty() || y2 < Low || y1 > High) {
            return;
        }
        const std::size_t first = BandOf(y1);
        const std::size_t last = BandOf(y2);
        for (std::size_t band = first; band <= last; ++band) {
            for (std::size_t i = Offsets[band]; i < Offsets[band + 1]; ++i) {
                const TEntry& e = Entries[i];
                if (e.XMax >= x1 && e.XMin <= x2 && e.YMax >= y1 && e.YMin <= y2) {
                    visit(e);
                }
            }
        }
    }

    int32_t TrackCount() const { return Tracks; }
    int32_t ArcCount() const { return ArcsCount; }

    // Remembered per row y for the ray casting, one value per entry of the row's
    // band (-1 while not known): how often the entry meets a ray from (0, y)
    // that reaches past it, and a ray to the far end that starts before it.
    // What a ray meets of an entry it passes right over does not depend on
    // where the ray's other end lies, so these answer every point of the row
    // whose rays pass over the entry.
    struct TRowAnswers {
        std::vector<int8_t> Left;
        std::vector<int8_t> Right;
    };
    TRowAnswers& RowAnswers(int32_t y) const;

private:
    std::size_t BandOf(double y) const;

    // Rows kept before the memory of them starts afresh.
    static constexpr std::size_t MaxRememberedRows = 1 << 16;
    mutable std::unordered_map<int32_t, TRowAnswers> Rows;

    int32_t Tracks = 0;
    int32_t ArcsCount = 0;
    double Low = 0.0;
    double High = -1.0;
    double BandHeight = 1.0;
    std::size_t BandCount = 0;
    std::vector<std::size_t> Offsets;  // band b holds Entries[Offsets[b] .. Offsets[b + 1])
    std::vector<TEntry> Entries;
};

class TPrimitivesList {
public:
    // Gathers from the source by its kind: the board (its keep-out layer), a
    // component (all of its objects) or a polygon (its outline). Any other kind,
    // or nil, leaves the lists empty.
    explicit TPrimitivesList(PcbHandle source = nullptr);
    ~TPrimitivesList();
    TPrimitivesList(const TPrimitivesList&) = delete;
    TPrimitivesList& operator=(const TPrimitivesList&) = delete;

    // The five lists own their entries.
    TFastListOf<TSegmentRecord*> Tracks;
    TFastListOf<TArcRecord*> Arcs;
    TFastListOf<TRect*> Fills;
    TFastListOf<TPcbPolygon*> Polygons;  // polygon and split-plane records
    TFastListOf<TPcbPad*> Pads;

    void AddTrackSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void AddArc(const TArcRecord& arc);
    // Appends the outline of a polygon or split plane: a segment per line vertex
    // (to the next vertex, the last one closing to the first) and an arc record per
    // arc vertex. Other kinds add nothing.
    void ReadOutline(PcbHandle shape);
    // Appends a component's pads as obstacles (a board frame's pads and holes).
    void AddPadsOf(PcbHandle component);

    // The search structure over Tracks and Arcs used by the ray casting; built on
    // first use and rebuilt when the lists were changed through this class or
    // changed their counts. Code that edits records in place calls OutlineChanged.
    const TOutlineIndex& OutlineIndex() const;
    void OutlineChanged();

private:
    void Gather(PcbHandle source, int layer);
    void AddObject(PcbHandle object);

    mutable std::unique_ptr<TOutlineIndex> Index;
};

// An arc record whose end points are computed from centre, radius and angles.
TArcRecord MakeArcRecord(int32_t cx, int32_t cy, int32_t radius, double startAngle, double endAngle);

// The board's default power nets: the nets of its planes and split planes, then
// the two nets with most objects, then the nets named by net-scoped power rules;
// each listed once, in that order.
std::unique_ptr<TFastListOf<PcbHandle>> FindPowerNets(PcbHandle board);

}  // namespace autoplacer
