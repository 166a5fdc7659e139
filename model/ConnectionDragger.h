// The connection dragger keeps the board's connection lines attached to their
// pads while the placer moves components, so that a run with a fixed net
// topology never has to ask the host to analyse the nets again.
//
// At construction it reads every included component's pads, finds the pad at
// each end of every connection through a spatial store, and remembers which
// ends sit on which pad. UpdateAll then pulls each remembered end onto its
// pad's current position.
//
// The dragger numbers what it includes through the host's Index word, which it
// overwrites on the board: a component's Index is the position of its
// TPadsOnComponent in the dragger, a pad's Index the position of its entry in
// that list. A pad found by position thus leads straight to its entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/PcbRecords.h"
#include "model/FastList.h"
#include "model/SpatialObjectStore.h"
#include "sdk/pcb_types.h"

namespace autoplacer {

class TCluster;

// One end of a connection held by a pad. The connection record belongs to the
// dragger's connection store.
struct TConnectionEnd {
    TPcbFromTo* Connection = nullptr;
    // The pad holds the connection's first point (X1, Y1); else its second (X2, Y2).
    bool IsFirstEnd = false;
};

// A pad of an included component and the connection ends attached to it.
struct TPadEntry {
    TPadEntry();
    ~TPadEntry();
    TPadEntry(const TPadEntry&) = delete;
    TPadEntry& operator=(const TPadEntry&) = delete;

    TPcbPad* Pad = nullptr;              // owned, lives as long as the dragger
    TFastListOf<TConnectionEnd*> Ends;  // owned
};

// The pads of one component, in the host's pad order.
class TPadsOnComponent : public TFastListOf<TPadEntry*> {
public:
    // Reads every pad of the component, tags it with its position in this
    // list (written to the host) and lends its record to padStore.
    TPadsOnComponent(PcbHandle component, TSpatialObjectStore& padStore);
    ~TPadsOnComponent() override;
    TPadsOnComponent(const TPadsOnComponent&) = delete;
    TPadsOnComponent& operator=(const TPadsOnComponent&) = delete;

    PcbHandle Component = nullptr;
};

// Whether the connections of a net are left out; owner is the object that
// handed the test over.
using TSkipNetTest = std::function<bool(void* owner, PcbHandle net)>;

class TConnectionDragger : public TFastListOf<TPadsOnComponent*> {
public:
    // Includes every component of the board (or only the cluster's members
    // when cluster is given) and every connection whose net skipNet does not
    // skip and that has an end on an included pad. Connections of nets whose
    // host flag is off are dropped.
    TConnectionDragger(PcbHandle board, TSkipNetTest skipNet, void* owner, const TCluster* cluster);
    ~TConnectionDragger() override;
    TConnectionDragger(const TConnectionDragger&) = delete;
    TConnectionDragger& operator=(const TConnectionDragger&) = delete;

    // Moves every kept connection end onto its pad's current position and
    // writes every kept connection; hides them before and inverts them after
    // when asked to redraw.
    void UpdateAll(bool redraw);
    // What UpdateAll does for the pads of one included component, without redraw.
    void UpdateComponent(TPadsOnComponent& pads);
    // The position of the component's pads in this list; -1 when it is not included.
    int32_t PositionOf(PcbHandle component) const;
    // Calls proc for the handle of every kept connection, in store order.
    void ForEachConnection(const std::function<void(PcbHandle)>& proc) const;
    // Kept connections.
    int32_t ConnectionCount() const { return Connections->Count(); }

    PcbHandle Board = nullptr;
    // Elements wrap the kept connections' records (owned by the store).
    std::unique_ptr<TSpatialObjectStore> Connections;

private:
    void Link(TSpatialObjectStore& padStore);
    TPadEntry* PadAt(TSpatialObjectStore& padStore, int32_t x, int32_t y);
};

// The skip test that leaves out the nets of a power-net list (owner: a
// TFastListOf<PcbHandle>*; nil skips nothing).
bool IsNetInList(void* powerNets, PcbHandle net);

}  // namespace autoplacer
