#include "hostpcb/Interaction.h"

#include <utility>

namespace hostpcb {

void ProgressSink::PercentInit(const std::string&, int32_t) {}
void ProgressSink::PercentUpdate() {}
void ProgressSink::PercentFinish() {}
bool InteractionProvider::ChooseLocation(const std::string&, Point&) { return false; }
int32_t InteractionProvider::ChooseObject(const std::vector<PcbHandle>&) { return -1; }
bool InteractionProvider::NextEvent(EventHandlerSession&) { return false; }
bool InteractionProvider::ShiftDown() { return false; }
bool InteractionProvider::ControlDown() { return false; }
bool InteractionProvider::PerformanceIsPoor() { return false; }

void RecordingProgress::PercentInit(const std::string& text, int32_t) { progressTexts.push_back(text); }
void RecordingProgress::PercentUpdate() { ++progressUpdates; }
void RecordingProgress::PercentFinish() { ++progressFinishes; }

bool ScriptedInteraction::ChooseLocation(const std::string& prompt, Point& location) {
    prompts.push_back(prompt);
    if (locations.empty()) return false;
    location = locations.front();
    locations.pop_front();
    return true;
}

int32_t ScriptedInteraction::ChooseObject(const std::vector<PcbHandle>& candidates) {
    if (choices.empty()) return -1;
    const int32_t choice = choices.front();
    choices.pop_front();
    return choice >= 0 && choice < int32_t(candidates.size()) ? choice : -1;
}

bool ScriptedInteraction::NextEvent(EventHandlerSession& session) {
    if (steps.empty()) return false;
    // Taken off the queue before it runs: an action may add steps of its own.
    const Step step = std::move(steps.front());
    steps.pop_front();
    switch (step.type) {
        case Step::Type::Fire: session.Fire(step.value); break;
        case Step::Type::Key: session.Key(step.value); break;
        case Step::Type::Move: session.MoveCursor(step.at); break;
        case Step::Type::SetShift: shift = step.value != 0; break;
        case Step::Type::SetControl: control = step.value != 0; break;
        case Step::Type::Action:
            if (step.action) step.action();
            break;
    }
    return true;
}

}  // namespace hostpcb
