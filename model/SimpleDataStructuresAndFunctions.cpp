#include "model/SimpleDataStructuresAndFunctions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "engines/ReferenceForms.h"
#include "host/HostCommands.h"
#include "host/PcbApi.h"
#include "host/PcbUnits.h"
#include "plugin/Main_AutoPlacer.h"
#include "settings/StopPlacement.h"

namespace autoplacer {

bool PlacementRunning = false;
bool StopRequested = false;
bool StopConfirmed = false;
bool RestoreOnStop = true;

namespace {

// Nearest integer as a double, halves to the even neighbour, independent of the
// floating-point rounding mode.
double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    if (fraction < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

template <typename Int>
Int RoundTo(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = RoundHalfEven(value);
    // The limits as doubles: the maximum of int64 is not representable, so
    // compare against 2^63 exclusively.
    const double low = static_cast<double>(std::numeric_limits<Int>::min());
    const double high = -low;
    if (rounded < low) {
        return std::numeric_limits<Int>::min();
    }
    if (rounded >= high) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(rounded);
}

}  // namespace

int32_t Round(double value) { return RoundTo<int32_t>(value); }

int64_t Round64(double value) { return RoundTo<int64_t>(value); }

int64_t SqrtArea(int64_t w, int64_t h) {
    const auto side = [](int64_t v) {
        return v <= 0 ? int64_t{0} : Round64(std::sqrt(static_cast<double>(v)));
    };
    return side(w) * side(h);
}

bool SameAngle(double a, double b) { return std::fabs(b - a) <= 0.001; }

// ---------------------------------------------------------------------------
// Host-backed operations.

namespace {

constexpr PcbLayerId kAllLayers{PCB_LAYER_KIND_NONE, 0};
constexpr int32_t kDrcErrorLayer = PCB_DRC_ERROR_LAYER;

// One pass of a host iterator; the iterator is destroyed with this object.
class THostIteration {
public:
    THostIteration(PcbHandle owner, uint8_t kind, int32_t method)
        : Iterator(PcbApi::PcbApi_CreateIterator(owner, kind, method, kAllLayers)) {}
    THostIteration(const THostIteration&) = delete;
    THostIteration& operator=(const THostIteration&) = delete;
    ~THostIteration() {
        if (Iterator != nullptr) {
            PcbApi::PcbApi_DestroyIterator(Iterator);
        }
    }

    template <typename Visit>
    void ForEach(Visit visit) {
        if (Iterator == nullptr) {
            return;
        }
        for (PcbHandle object = PcbApi::PcbApi_GetFirstObject(Iterator); object != nullptr;
             object = PcbApi::PcbApi_GetNextObject(Iterator)) {
            visit(object);
        }
    }

private:
    PcbHandle Iterator;
};

// A host object that lives for one operation.
class TTemporaryObject {
public:
    explicit TTemporaryObject(uint8_t kind) : Handle(PcbApi::PcbApi_CreateObject(kind)) {}
    TTemporaryObject(const TTemporaryObject&) = delete;
    TTemporaryObject& operator=(const TTemporaryObject&) = delete;
    ~TTemporaryObject() {
        if (Handle != nullptr) {
            PcbApi::PcbApi_DestroyObject(Handle);
        }
    }
    PcbHandle Handle;
};

void SetFillCorners(PcbHandle fill, const TRect& r) {
    PcbPrimitiveData data{};
    PcbApi::PcbApi_QueryPrimitive(fill, PCB_READ, &data);
    data.Base.X = r.Left;
    data.Base.Y = r.Bottom;
    data.X2 = r.Right;
    data.Y2 = r.Top;
    PcbApi::PcbApi_QueryPrimitive(fill, PCB_WRITE, &data);
}

TFastListOf<PcbHandle> NetsOfPads(PcbHandle component) {
    TFastListOf<PcbHandle> nets;
    THostIteration(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle pad) {
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

sdk::IPcbBoardInterface* BoardInterface(PcbHandle board) {
    if (Client == nullptr) {
        return nullptr;
    }
    sdk::IPcbServer* server = Client->FindPcbServer("PCB");
    return server != nullptr ? server->GetBoardInterface(board) : nullptr;
}

void Send(sdk::IPcbBoardInterface& target, PcbHandle object, int32_t code, PcbHandle data) {
    const int32_t result = target.SendBoardMessage(object, 0, code, data);
    if (result != sdk::kResultOk) {
        throw EHostModifyError("The host refused board message " + std::to_string(code) + " (result " +
                               std::to_string(result) + ")");
    }
}

// Board message codes of the modification bracket. 12 and 10 open and close
// the host's undo group, 1 and 3 announce and report each object's change; 14,
// 7, 13, 8 and 11 are the host's own bookkeeping around them, sent where it
// expects them.
enum : int32_t {
    kObjectAboutToChange = 1,
    kObjectChanged = 3,
    kBeginUndoGroup = 12,
    kEndUndoGroup = 10,
    kBookkeeping7 = 7,
    kBookkeeping8 = 8,
    kBookkeeping11 = 11,
    kBookkeeping13 = 13,
    kBookkeeping14 = 14
};

template <typename Handles>
void BeginModify(const Handles& objects, PcbHandle board) {
    sdk::IPcbBoardInterface* target = BoardInterface(board);
    if (target == nullptr) {
        return;
    }
    Send(*target, nullptr, kBookkeeping14, nullptr);
    Send(*target, board, kBeginUndoGroup, board);
    Send(*target, board, kBookkeeping7, board);
    for (auto object : objects) {
        Send(*target, static_cast<PcbHandle>(object), kObjectAboutToChange, nullptr);
    }
    Send(*target, nullptr, kBookkeeping13, nullptr);
}

template <typename Handles>
void EndModify(const Handles& objects, PcbHandle board) {
    sdk::IPcbBoardInterface* target = BoardInterface(board);
    if (target == nullptr) {
        return;
    }
    Send(*target, nullptr, kBookkeeping14, nullptr);
    for (auto object : objects) {
        Send(*target, static_cast<PcbHandle>(object), kObjectChanged, nullptr);
    }
    Send(*target, board, kEndUndoGroup, board);
    Send(*target, board, kBookkeeping8, board);
    Send(*target, board, kBookkeeping11, board);
}

}  // namespace

bool RectsOverlapByHost(const TRect& r1, const TRect& r2, int32_t clearance) {
    const TTemporaryObject fill1(PCB_FILL);
    const TTemporaryObject fill2(PCB_FILL);
    if (fill1.Handle == nullptr || fill2.Handle == nullptr) {
        return false;
    }
    SetFillCorners(fill1.Handle, r1);
    SetFillCorners(fill2.Handle, r2);
    return PcbApi::PCBAPI_CheckPrimitivesOverlapWithClearance(fill1.Handle, fill2.Handle, clearance) != 0;
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

bool RectsOverlap(const TRect& r1, const TRect& r2, int32_t clearance) {
    if (!UseReferenceForms()) {
        const TOverlapAnswer answer = RectsOverlapByArithmetic(r1, r2, clearance);
        if (answer != TOverlapAnswer::AskHost) {
            return answer == TOverlapAnswer::Overlap;
        }
    }
    return RectsOverlapByHost(r1, r2, clearance);
}

int32_t PadCount(PcbHandle component) {
    int32_t count = 0;
    THostIteration(component, PCB_PAD, PCB_ITERATE_GROUP_PRIMITIVES).ForEach([&](PcbHandle) { ++count; });
    return count;
}

void AnalyzeAllNets(PcbHandle board) {
    THostIteration(board, PCB_NET, PCB_ITERATE_OWN_OBJECTS).ForEach([](PcbHandle net) {
        PcbApi::PcbApi_AnalyzeNet(net);
    });
}

double CoordToUserX(int32_t c, PcbHandle board) { return CoordToUser(c, board, true); }

double CoordToUserY(int32_t c, PcbHandle board) { return CoordToUser(c, board, false); }

PcbHandle FindClassByName(const std::string& name, PcbHandle board) {
    PcbHandle found = nullptr;
    THostIteration(board, PCB_OBJECT_CLASS, PCB_ITERATE_OWN_OBJECTS).ForEach([&](PcbHandle objectClass) {
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

uint8_t MaxComponentClearanceMode(PcbHandle board) {
    uint8_t largest = 0;
    THostIteration(board, PCB_RULE, PCB_ITERATE_OWN_OBJECTS).ForEach([&](PcbHandle rule) {
        PcbRuleData data{};
        if (PcbApi::PcbApi_QueryRule(rule, PCB_READ, &data) != PCB_OK ||
            data.RuleKind != PCB_RULE_COMPONENT_CLEARANCE) {
            return;
        }
        int32_t gap = 0;
        uint8_t mode = 0;
        PcbApi::PcbApi_QueryRuleComponentClearanceConstraint(rule, PCB_READ, &gap, &mode);
        largest = std::max(largest, mode);
    });
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

void BeginModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board) { BeginModify(objects, board); }

void EndModifyObjects(const TFastListOf<PcbHandle>& objects, PcbHandle board) { EndModify(objects, board); }

void BeginModifyObjects(const TFastList& objects, PcbHandle board) { BeginModify(objects, board); }

void EndModifyObjects(const TFastList& objects, PcbHandle board) { EndModify(objects, board); }

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
    THostIteration(board, PCB_ANY_OBJECT, PCB_ITERATE_OWN_OBJECTS).ForEach([](PcbHandle object) {
        PcbApi::PcbApi_ScreenDisplay(object, 2, 9);
    });
}

// ---------------------------------------------------------------------------
// Stopping.

void ProcessPendingMessages() {
    if (Client != nullptr) {
        Client->ProcessMessages();
    }
}

bool CheckStopRequest() {
    if (!PlacementRunning) {
        ProcessPendingMessages();
        return false;
    }
    ProcessPendingMessages();
    if (StopRequested && !StopConfirmed) {
        TStopPlacementDialog dialog;
        if (dialog.ShowModal() == sdk::kModalOk) {
            StopConfirmed = true;
            RestoreOnStop = dialog.Restore_CheckBox->GetChecked();
        } else {
            StopRequested = false;
        }
    }
    return StopRequested;
}

}  // namespace autoplacer
