#include "engines/CrossOvers.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "engines/ContainmentGeometry.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "model/ComponentGroup.h"
#include "model/ConnectionDragger.h"
#include "model/PlacedComponent.h"
#include "model/RunControl.h"
#include "model/SimpleDataStructuresAndFunctions.h"

namespace autoplacer {

namespace {

// A connection matches a layer direction closer than this (degrees).
constexpr double DirectionTolerance = 5.0;

TSegmentRecord SegmentOf(const TPcbFromTo& connection) {
    return MakeSegment(connection.X1(), connection.Y1(), connection.X2, connection.Y2);
}

// The weighted term, or 0 without computing the count when the weight is 0.
template <typename Count>
int64_t Term(int32_t weight, Count count) {
    return weight != 0 ? static_cast<int64_t>(count()) * weight : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// TNetRegistry

TNetRegistry::TNetRegistry(const TPlacementContext& context) : Context(context) {}

void TNetRegistry::AddGroupNets(TRectangularComponentGroup* group) {
    if (group == nullptr) {
        return;
    }
    for (TPlacedComponent* member : *group) {
        TObjectIterator pads(member->Handle, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES);
        pads.ForEach([&](PcbHandle pad) {
            const PcbHandle net = GetObjectNet(pad);
            if (net != nullptr && !Contains(net) && !IsPowerNet(Context, net)) {
                Add(net);
            }
        });
    }
}

// ---------------------------------------------------------------------------
// Directions

double DirectionOfCode(uint8_t code) {
    switch (code) {
        case 2:
            return 90.0;
        case 4:
            return 60.0;
        case 5:
            return 30.0;
        case 6:
            return -30.0;
        case 7:
            return -60.0;
        case 8:
            return 45.0;
        case 9:
            return -45.0;
        default:
            return 0.0;
    }
}

double ConnectionAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 == x2) {
        return y1 > y2 ? 90.0 : 270.0;
    }
    const double dx = static_cast<double>(x1) - x2;
    const double dy = static_cast<double>(y1) - y2;
    double angle = std::atan(dy / dx) * 180.0 / M_PI;
    if (dx < 0.0) {
        angle += 180.0;
    } else if (angle < 0.0) {
        angle += 360.0;
    }
    return angle >= 360.0 ? angle - 360.0 : angle;
}

bool MatchesLayerDirection(double angle, const std::array<uint8_t, PCB_SIGNAL_LAYER_COUNT>& directions) {
    for (const uint8_t code : directions) {
        if (code == 0) {
            continue;
        }
        // Compared around the circle, so that the negative directions are
        // reached by angles just below 360.
        double difference = std::fmod(std::fabs(angle - DirectionOfCode(code)), 360.0);
        difference = std::min(difference, 360.0 - difference);
        if (difference < DirectionTolerance) {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// TCrossOverAnalyzer

TCrossOverAnalyzer::TCrossOverAnalyzer(TNetRegistry* registry, const TPlacerOptions& options,
                                       const TPlacementContext& context)
    : Registry(registry), Context(context), Options(options) {}

TCrossOverAnalyzer::~TCrossOverAnalyzer() {
    for (TPcbFromTo* connection : Connections) {
        delete connection;
    }
}

void TCrossOverAnalyzer::RefreshConnections() {
    if (Context.ConnectionDragger != nullptr) {
        Context.ConnectionDragger->UpdateAll(false);
        return;
    }
    if (Registry == nullptr) {
        return;
    }
    for (const PcbHandle net : *Registry) {
        PcbApi::PcbApi_AnalyzeNet(net);
        ProcessPendingMessages();
    }
}

void TCrossOverAnalyzer::GatherConnections() {
    TObjectIterator connections(Context.Board, PCB_CONNECTION);
    connections.ForEach([&](PcbHandle handle) {
        ProcessPendingMessages();
        auto record = std::make_unique<TPcbFromTo>(handle);
        record->Sync(PCB_READ);
        if (!IsPowerNet(Context, record->Net)) {
            Connections.Add(record.release());
        }
    });
}

int32_t TCrossOverAnalyzer::TotalCost() {
    RefreshConnections();
    GatherConnections();
    const int64_t length = Term(Options.ConnectionLengthCostWeight, [this] { return ConnectionLength(); });
    const int64_t crossings = Term(Options.CrossOverCostWeight, [this] { return CrossOverCount(); });
    const int64_t directions = Term(Options.DirectionCostWeight, [this] { return DirectionViolations(); });
    // Saturated rather than wrapped, so that a huge cost never looks cheap.
    const int64_t total = length + crossings + directions;
    constexpr int64_t top = std::numeric_limits<int32_t>::max();
    constexpr int64_t bottom = std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(total > top ? top : (total < bottom ? bottom : total));
}

int64_t ConnectionLengthSteps(double dx, double dy) { return Round64(std::hypot(dx, dy)) / ConnectionLengthStep; }

int32_t TCrossOverAnalyzer::ConnectionLength() {
    int64_t sum = 0;
    for (TPcbFromTo* connection : Connections) {
        if (connection->Handle != nullptr) {
            connection->Sync(PCB_READ);
        }
        const double dx = std::fabs(static_cast<double>(connection->X2) - connection->X1());
        const double dy = std::fabs(static_cast<double>(connection->Y2) - connection->Y1());
        sum += ConnectionLengthSteps(dx, dy);
    }
    return sum > std::numeric_limits<int32_t>::max() ? OverflowedLength : static_cast<int32_t>(sum);
}

int32_t TCrossOverAnalyzer::CrossOverCount() {
    const bool removeVisited = Context.ConnectionDragger == nullptr;
    const PcbLayerSet connectLayer = LayerSetOf({PCB_CONNECT_LAYER});
    const PcbKindSet connectionKind = KindSetOf({PCB_CONNECTION});
    int32_t count = 0;
    for (TPcbFromTo* a : Connections) {
        if (a->Handle == nullptr) {
            continue;  // already taken off the board
        }
        a->Sync(PCB_READ);
        int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        a->GetBoundingRect(x1, y1, x2, y2);
        const TSegmentRecord segmentA = SegmentOf(*a);
        if (removeVisited) {
            // Each crossing pair is then counted once, when its first
            // connection is visited. The record keeps the coordinates; the
            // handle is forgotten with the object.
            PcbApi::PcbApi_HideObject(a->Handle);
            PcbApi::PcbApi_DeleteObjectFromContainer(Context.Board, a->Handle);
            PcbApi::PcbApi_DestroyObject(a->Handle);
            a->Handle = nullptr;
        }
        TSpatialIterator nearby(Context.Board, x1, y1, x2, y2, connectLayer, connectionKind);
        nearby.ForEach([&](PcbHandle handle) {
            TPcbFromTo b(handle);
            b.Sync(PCB_READ);
            // Power nets take no part in any term.
            if (!IsPowerNet(Context, b.Net) && SegmentsCross(segmentA, SegmentOf(b), false)) {
                ++count;
            }
        });
        ProcessPendingMessages();
    }
    return count;
}

int32_t TCrossOverAnalyzer::DirectionViolations() const {
    int32_t count = 0;
    for (const TPcbFromTo* connection : Connections) {
        const double angle = ConnectionAngle(connection->X1(), connection->Y1(), connection->X2, connection->Y2);
        if (!MatchesLayerDirection(angle, Context.LayerDirections)) {
            ++count;
        }
    }
    return count;
}

}  // namespace autoplacer
