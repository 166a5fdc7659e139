// The base of objects that receive editor events from the host. The host calls
// the event operations while the handler runs; each answers False unless a
// derived class says otherwise. Operations 0 to 37 are handed to the host as one
// callback list in declaration order, 39 (a key) separately; 38 is Run.
#pragma once

#include <cstdint>

#include "sdk/pcb_types.h"

namespace autoplacer {

class TPCBEventHandler {
public:
    TPCBEventHandler();
    virtual ~TPCBEventHandler();
    TPCBEventHandler(const TPCBEventHandler&) = delete;
    TPCBEventHandler& operator=(const TPCBEventHandler&) = delete;

    // 0 .. 37: events.
    virtual bool OnEvent0() { return false; }
    virtual bool OnEvent1() { return false; }
    virtual bool OnReshapeWide() { return false; }    // 2
    virtual bool OnReshapeTall() { return false; }    // 3
    virtual bool OnReshapeSquare() { return false; }  // 4
    virtual bool OnEvent5() { return false; }
    virtual bool OnEvent6() { return false; }
    virtual bool OnEvent7() { return false; }
    virtual bool OnFlip() { return false; }    // 8
    virtual bool OnRotate() { return false; }  // 9
    virtual bool OnCancel() { return false; }  // 10
    virtual bool OnAccept() { return false; }  // 11
    virtual bool OnEvent12() { return false; }
    virtual bool OnEvent13() { return false; }
    virtual bool OnAcceptAlt() { return false; }  // 14
    virtual bool OnCancelAlt() { return false; }  // 15
    virtual bool OnEvent16() { return false; }
    virtual bool OnEvent17() { return false; }
    virtual bool OnEvent18() { return false; }
    virtual bool OnEvent19() { return false; }
    virtual bool OnEvent20() { return false; }
    virtual bool OnEvent21() { return false; }
    virtual bool OnEvent22() { return false; }
    virtual bool OnEvent23() { return false; }
    virtual bool OnEvent24() { return false; }
    virtual bool OnEvent25() { return false; }
    virtual bool OnEvent26() { return false; }
    virtual bool OnDrawFeedback() { return false; }  // 27
    virtual bool OnUpdate() { return false; }        // 28
    virtual bool OnFinishMove() { return false; }    // 29
    virtual bool OnCancelMove() { return false; }    // 30
    virtual bool OnEvent31() { return false; }
    virtual bool OnEvent32() { return false; }
    virtual bool OnEvent33() { return false; }
    virtual bool OnEvent34() { return false; }
    virtual bool OnEvent35() { return false; }
    virtual bool IsCancelled() { return false; }  // 36
    virtual bool IsAccepted() { return false; }   // 37
    // 38: calls OnUpdate once, then lets the host deliver events until the
    // handler ends the session; returns the host's result.
    virtual int32_t Run();
    // 39: a key typed while the handler runs; True when it was handled.
    virtual bool OnKey(int32_t key) {
        static_cast<void>(key);
        return false;
    }

    // Whether the host finds event handling slow; the state of Shift and Control.
    static bool PerformanceIsPoor();
    static bool ShiftDown();
    static bool ControlDown();

    PcbHandle GetHostHandler() const { return HostHandler; }

    // Calls event operation number 0 .. 37 (as the host does); False for other numbers.
    bool CallEvent(int number);

private:
    PcbHandle HostHandler = nullptr;
};

}  // namespace autoplacer
