// How the host stand-in talks to the user: a progress sink that shows long work, and an
// interaction provider for picking a location or an object, running editor event
// handlers and the state of the Shift and Control keys. The two are installed apart, so
// a progress bar and scripted user events can be active together; without one the host
// uses a quiet default that shows nothing and answers "cancel" / nil.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "hostpcb/Geometry.h"
#include "sdk/pcb_types.h"

namespace hostpcb {

// A running editor event handler, as the provider sees it.
class EventHandlerSession {
public:
    virtual ~EventHandlerSession() = default;
    // Calls event operation 0..37 of the handler; returns its answer (0 for others).
    virtual int32_t Fire(int32_t operation) = 0;
    // Calls the handler's key operation, then its update operation (28).
    virtual int32_t Key(int32_t key) = 0;
    // Sets the current board's cursor, then calls the update operation (28) and the
    // drawing of the drag image (27).
    virtual void MoveCursor(Point location) = 0;
    virtual bool Accepted() = 0;   // operation 37
    virtual bool Cancelled() = 0;  // operation 36
};

// Receives the host's progress calls (PcbApi_Percent_*).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    virtual void PercentInit(const std::string& text, int32_t total);
    virtual void PercentUpdate();
    virtual void PercentFinish();
};

// Records the progress calls, for tests.
class RecordingProgress : public ProgressSink {
public:
    std::vector<std::string> progressTexts;
    int64_t progressUpdates = 0;
    int32_t progressFinishes = 0;

    void PercentInit(const std::string& text, int32_t total) override;
    void PercentUpdate() override;
    void PercentFinish() override;
};

class InteractionProvider {
public:
    virtual ~InteractionProvider() = default;

    // false = the user cancelled.
    virtual bool ChooseLocation(const std::string& prompt, Point& location);
    // Index into candidates of the object the user picked, or -1.
    virtual int32_t ChooseObject(const std::vector<PcbHandle>& candidates);
    // Delivers the next event(s) of a session. Returns false when there is nothing more;
    // the host then cancels the session.
    virtual bool NextEvent(EventHandlerSession& session);
    virtual bool ShiftDown();
    virtual bool ControlDown();
    virtual bool PerformanceIsPoor();
};

// A provider that plays a prepared script: locations, object choices, and event steps.
class ScriptedInteraction : public InteractionProvider {
public:
    struct Step {
        // Action runs host-side work while the edit goes on (a command call, a selection
        // change), as a user would between two mouse moves.
        enum class Type : uint8_t { Fire, Key, Move, SetShift, SetControl, Action };
        Type type = Type::Fire;
        int32_t value = 0;             // operation number, key, or flag state
        Point at;                      // Move
        std::function<void()> action;  // Action

        static Step Run(std::function<void()> work) { return {Type::Action, 0, {}, std::move(work)}; }
    };

    std::deque<Point> locations;    // answers of ChooseLocation; empty = cancel
    std::deque<int32_t> choices;    // answers of ChooseObject; empty = -1
    std::deque<Step> steps;         // consumed one per NextEvent
    bool shift = false;
    bool control = false;
    bool performancePoor = false;

    // The prompts the host showed, for tests.
    std::vector<std::string> prompts;

    bool ChooseLocation(const std::string& prompt, Point& location) override;
    int32_t ChooseObject(const std::vector<PcbHandle>& candidates) override;
    bool NextEvent(EventHandlerSession& session) override;
    bool ShiftDown() override { return shift; }
    bool ControlDown() override { return control; }
    bool PerformanceIsPoor() override { return performancePoor; }
};

// The state of the host's progress display.
struct ProgressRecord {
    std::string text;
    int32_t total = 0;
    int32_t position = 0;
    bool active = false;
    int32_t inits = 0;
    int32_t finishes = 0;
};

}  // namespace hostpcb
