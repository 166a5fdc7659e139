#include "model/BoardQueries.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "host/HostCommands.h"
#include "host/PcbApi.h"
#include "host/PcbIterators.h"
#include "host/PcbUnits.h"
#include "model/RunControl.h"
#include "model/TemporaryPrimitive.h"

namespace autoplacer {

namespace {

constexpr int32_t kDrcErrorLayer = PCB_DRC_ERROR_LAYER;

TFastListOf<PcbHandle> NetsOfPads(PcbHandle component) {
    TFastListOf<PcbHandle> nets;
    TObjectIterator(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle pad) {
        PcbObjectData data{};
        if (PcbApi::PcbApi_QueryObjectBase(pad, PCB_READ, &data) == PCB_OK) {
            nets.Add(data.Net);
        }
    });
    RemoveDuplicates(nets);
    return nets;
}

bool SameTextIgnoringCase(const std::string& a, const char* b) {
    const std::size_t length = std::char_traits<char>::length(b);
    return a.size() == length && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

double CoordToUser(int32_t c, PcbHandle board, bool alongX) {
    PcbBoardData data{};
    PcbApi::PcbApi_QueryBoard(board, PCB_READ, &data);
    const int64_t distance = static_cast<int64_t>(c) - (alongX ? data.XOrigin : data.YOrigin);
    const auto coord = static_cast<int32_t>(
        std::clamp<int64_t>(distance, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    return data.Imperial != 0 ? CoordToMils(coord) : CoordToMMs(coord);
}

}  // namespace

bool RectsOverlapByHost(const TRect& r1, const TRect& r2, int32_t clearance) {
    TTemporaryPrimitive fill1(PCB_FILL);
    TTemporaryPrimitive fill2(PCB_FILL);
    if (fill1.Handle == nullptr || fill2.Handle == nullptr) {
        return false;
    }
    fill1.SetFill(r1);
    fill2.SetFill(r2);
    return fill1.Overlaps(fill2.Handle, clearance);
}

// The host judges two fills by the distance between their outlines: touching
// or overlapping (distance 0) always counts, otherwise the distance must be below
// the clearance by more than a tiny tolerance. Between rectangles with whole-unit
// corners the gap is a whole number when they are apart along one axis only,
// and the square root of a whole number otherwise; only a diagonal gap within a
// unit of the clearance is close enough for the host's rounding to matter.
TOverlapAnswer RectsOverlapByArithmetic(const TRect& r1, const TRect& r2, int32_t clearance) {
    const int64_t ax1 = std::min(r1.Left, r1.Right);
    const int64_t ax2 = std::max(r1.Left, r1.Right);
    const int64_t ay1 = std::min(r1.Bottom, r1.Top);
    const int64_t ay2 = std::max(r1.Bottom, r1.Top);
    const int64_t bx1 = std::min(r2.Left, r2.Right);
    const int64_t bx2 = std::max(r2.Left, r2.Right);
    const int64_t by1 = std::min(r2.Bottom, r2.Top);
    const int64_t by2 = std::max(r2.Bottom, r2.Top);
    if (ax1 == ax2 || ay1 == ay2 || bx1 == bx2 || by1 == by2) {
        return TOverlapAnswer::AskHost;  // a fill without area: the host's shape is not a rectangle
    }
    const int64_t dx = std::max<int64_t>({0, ax1 - bx2, bx1 - ax2});
    const int64_t dy = std::max<int64_t>({0, ay1 - by2, by1 - ay2});
    if (dx == 0 && dy == 0) {
        return TOverlapAnswer::Overlap;
    }
    const int64_t limit = std::max<int32_t>(clearance, 0);
    if (dx >= limit || dy >= limit) {
        return TOverlapAnswer::Apart;
    }
    if (dx == 0 || dy == 0) {
        return TOverlapAnswer::Overlap;  // a whole-unit gap below the clearance by at least one unit
    }
    const int64_t squared = dx * dx + dy * dy;  // both below 2^31: no overflow
    if (squared >= limit * limit) {
        return TOverlapAnswer::Apart;
    }
    if (squared <= (limit - 1) * (limit - 1)) {
        return TOverlapAnswer::Overlap;
    }
    return TOverlapAnswer::AskHost;
}

bool RectsOverlap(const TRect& r1, const TRect& r2, int32_t clearance, TPlacerForms forms) {
    if (forms == TPlacerForms::Fast) {
        const TOverlapAnswer answer = RectsOverlapByArithmetic(r1, r2, clearance);
        if (answer != TOverlapAnswer::AskHost) {
            return answer == TOverlapAnswer::Overlap;
        }
    }
    return RectsOverlapByHost(r1, r2, clearance);
}

int32_t PadCount(PcbHandle component) {
    int32_t count = 0;
    TObjectIterator(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle) { ++count; });
    return count;
}

void AnalyzeAllNets(PcbHandle board) {
    TObjectIterator(board, PCB_NET, PCB_ITERATE_OWN_OBJECTS).ForEach([](PcbHandle net) {
        PcbApi::PcbApi_AnalyzeNet(net);
    });
}

double CoordToUserX(int32_t c, PcbHandle board) { return CoordToUser(c, board, true); }

double CoordToUserY(int32_t c, PcbHandle board) { return CoordToUser(c, board, false); }

PcbHandle FindClassByName(const std::string& name, PcbHandle board) {
    PcbHandle found = nullptr;
    TObjectIterator(board, PCB_OBJECT_CLASS, PCB_ITERATE_OWN_OBJECTS).ForEach([&](PcbHandle objectClass) {
        if (found != nullptr) {
            return;
        }
        PcbObjectClassData data{};
        if (PcbApi::PcbApi_QueryObjectClass(objectClass, PCB_READ, &data) == PCB_OK &&
            SameTextIgnoringCase(name, data.Name)) {
            found = objectClass;
        }
    });
    return found;
}

bool NetsContained(PcbHandle a, PcbHandle b) {
    TFastListOf<PcbHandle> larger = NetsOfPads(a);
    TFastListOf<PcbHandle> smaller = NetsOfPads(b);
    if (larger.Count() < smaller.Count()) {
        std::swap(larger, smaller);
    }
    return std::all_of(smaller.begin(), smaller.end(), [&](PcbHandle net) { return larger.Contains(net); });
}

int32_t ClearanceGap(PcbHandle a, PcbHandle b) {
    int32_t gap = 0;
    if (PcbHandle rule = PcbApi::PcbApi_FindDominantRuleForObjectPair(a, b, PCB_RULE_CLEARANCE)) {
        PcbApi::PcbApi_QueryRuleClearanceConstraint(rule, PCB_READ, &gap);
    }
    return gap;
}

int32_t ComponentGap(PcbHandle a, PcbHandle b, uint8_t& mode) {
    mode = 0;
    int32_t gap = 0;
    if (PcbHandle rule = PcbApi::PcbApi_FindDominantRuleForObjectPair(a, b, PCB_RULE_COMPONENT_CLEARANCE)) {
        PcbApi::PcbApi_QueryRuleComponentClearanceConstraint(rule, PCB_READ, &gap, &mode);
    }
    return std::max(gap, ClearanceGap(a, b));
}

namespace {

// Calls f(gap, mode) for every component-clearance rule of the board.
template <typename F>
void ForEachComponentClearance(PcbHandle board, F f) {
    TObjectIterator(board, PCB_RULE, PCB_ITERATE_OWN_OBJECTS).ForEach([&](PcbHandle rule) {
        PcbRuleData data{};
        if (PcbApi::PcbApi_QueryRule(rule, PCB_READ, &data) != PCB_OK ||
            data.RuleKind != PCB_RULE_COMPONENT_CLEARANCE) {
            return;
        }
        int32_t gap = 0;
        uint8_t mode = 0;
        PcbApi::PcbApi_QueryRuleComponentClearanceConstraint(rule, PCB_READ, &gap, &mode);
        f(gap, mode);
    });
}

}  // namespace

uint8_t MaxComponentClearanceMode(PcbHandle board) {
    uint8_t largest = 0;
    ForEachComponentClearance(board, [&](int32_t, uint8_t mode) { largest = std::max(largest, mode); });
    return largest;
}

int32_t MaxComponentClearanceGap(PcbHandle board) {
    int32_t largest = 0;
    ForEachComponentClearance(board, [&](int32_t gap, uint8_t) { largest = std::max(largest, gap); });
    return largest;
}

void GetConfinementRect(PcbHandle rule, TRect& r) {
    r = Rect(0, ExtentStartMin, ExtentStartMin, 0);
    if (rule == nullptr) {
        return;
    }
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    uint8_t kind = 0;
    PcbLayerId layer{};
    if (PcbApi::PcbApi_QueryRuleConfinementConstraint(rule, PCB_READ, &x1, &y1, &x2, &y2, &kind, &layer) ==
        PCB_OK) {
        r = Rect(x1, y2, x2, y1);
    }
}

TRect GetConfinementRect(PcbHandle rule) {
    TRect r;
    GetConfinementRect(rule, r);
    return r;
}

void RedrawBoard() { ZoomRedraw(); }

void InvalidateObject(PcbHandle object) {
    PcbApi::PcbApi_QueryObjectGraphicallyInvalidate(object);
    ProcessPendingMessages();
}

void RedisplayWhenDRCShown(PcbHandle board) {
    PcbLayerInfo info{};
    if (PcbApi::PcbApi_QueryBoardLayerInfo(board, PCB_READ, LayerNumberToId(kDrcErrorLayer), &info) != PCB_OK ||
        info.Present == 0 || info.Shown == 0) {
        return;
    }
    TObjectIterator(board, PCB_ANY_OBJECT, PCB_ITERATE_OWN_OBJECTS).ForEach([](PcbHandle object) {
        PcbApi::PcbApi_ScreenDisplay(object, 2, 9);
    });
}

}  // namespace autoplacer
