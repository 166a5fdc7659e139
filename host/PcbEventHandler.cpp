#include "host/PcbEventHandler.h"

#include <array>
#include <utility>

#include "host/PcbApi.h"

namespace autoplacer {

namespace {

using TEventOperation = bool (TPCBEventHandler::*)();

// The event operations in their numbering; a call through a member pointer
// reaches the derived class's override.
constexpr std::array<TEventOperation, PCB_EVENT_OPERATION_COUNT> kEventOperations = {
    &TPCBEventHandler::OnEvent0,        &TPCBEventHandler::OnEvent1,      &TPCBEventHandler::OnReshapeWide,
    &TPCBEventHandler::OnReshapeTall,   &TPCBEventHandler::OnReshapeSquare, &TPCBEventHandler::OnEvent5,
    &TPCBEventHandler::OnEvent6,        &TPCBEventHandler::OnEvent7,      &TPCBEventHandler::OnFlip,
    &TPCBEventHandler::OnRotate,        &TPCBEventHandler::OnCancel,      &TPCBEventHandler::OnAccept,
    &TPCBEventHandler::OnEvent12,       &TPCBEventHandler::OnEvent13,     &TPCBEventHandler::OnAcceptAlt,
    &TPCBEventHandler::OnCancelAlt,     &TPCBEventHandler::OnEvent16,     &TPCBEventHandler::OnEvent17,
    &TPCBEventHandler::OnEvent18,       &TPCBEventHandler::OnEvent19,     &TPCBEventHandler::OnEvent20,
    &TPCBEventHandler::OnEvent21,       &TPCBEventHandler::OnEvent22,     &TPCBEventHandler::OnEvent23,
    &TPCBEventHandler::OnEvent24,       &TPCBEventHandler::OnEvent25,     &TPCBEventHandler::OnEvent26,
    &TPCBEventHandler::OnDrawFeedback,  &TPCBEventHandler::OnUpdate,      &TPCBEventHandler::OnFinishMove,
    &TPCBEventHandler::OnCancelMove,    &TPCBEventHandler::OnEvent31,     &TPCBEventHandler::OnEvent32,
    &TPCBEventHandler::OnEvent33,       &TPCBEventHandler::OnEvent34,     &TPCBEventHandler::OnEvent35,
    &TPCBEventHandler::IsCancelled,     &TPCBEventHandler::IsAccepted};

// The callbacks the host calls, each bound to its object through self. No
// exception may reach the host.
template <std::size_t Number>
int32_t EventTrampoline(void* self) {
    try {
        return (static_cast<TPCBEventHandler*>(self)->*kEventOperations[Number])() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t KeyTrampoline(void* self, int32_t key) {
    try {
        return static_cast<TPCBEventHandler*>(self)->OnKey(key) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

template <std::size_t... Numbers>
constexpr std::array<PcbEventProc, sizeof...(Numbers)> MakeTrampolines(std::index_sequence<Numbers...>) {
    return {&EventTrampoline<Numbers>...};
}

constexpr std::array<PcbEventProc, PCB_EVENT_OPERATION_COUNT> kTrampolines =
    MakeTrampolines(std::make_index_sequence<PCB_EVENT_OPERATION_COUNT>());

}  // namespace

TPCBEventHandler::TPCBEventHandler()
    : HostHandler(PcbApi::PcbApi_CreateEventHandler(this, kTrampolines.data(), &KeyTrampoline)) {}

TPCBEventHandler::~TPCBEventHandler() {
    if (HostHandler != nullptr) {
        PcbApi::PcbApi_DestroyEventHandler(HostHandler);
    }
}

int32_t TPCBEventHandler::Run() {
    OnUpdate();
    return PcbApi::PcbApi_RunEventHandler(HostHandler);
}

bool TPCBEventHandler::CallEvent(int number) {
    if (number < 0 || number >= PCB_EVENT_OPERATION_COUNT) {
        return false;
    }
    return (this->*kEventOperations[static_cast<std::size_t>(number)])();
}

bool TPCBEventHandler::PerformanceIsPoor() { return PcbApi::PcbApi_PerformanceIsPoor() != 0; }
bool TPCBEventHandler::ShiftDown() { return PcbApi::PcbApi_ShiftDown() != 0; }
bool TPCBEventHandler::ControlDown() { return PcbApi::PcbApi_ControlDown() != 0; }

}  // namespace autoplacer
