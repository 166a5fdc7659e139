#include "app/MessagePump.h"

#include <vector>

#include "app/Interrupts.h"

namespace app {

namespace {
constexpr int32_t kBufferSize = 256;
}

void MessagePump::Post(std::string command, std::string parameters) {
    Queue.emplace_back(std::move(command), std::move(parameters));
}

void MessagePump::Deliver(sdk::ICommandLauncher* launcher) {
    if (interrupts::TakeStopRequest()) {
        Post("StopAutoPlacer");
    }
    // Called between almost every two steps of a placement: nothing to do is
    // the common case and must cost nothing.
    if (launcher == nullptr || Queue.empty()) {
        return;
    }
    std::deque<std::pair<std::string, std::string>> batch;
    batch.swap(Queue);
    for (const auto& [command, parameters] : batch) {
        std::vector<char> buffer(kBufferSize, '\0');
        parameters.copy(buffer.data(), kBufferSize - 1);
        launcher->LaunchCommand(command.c_str(), buffer.data(), kBufferSize, nullptr);
        ++DeliveredCount;
    }
}

}  // namespace app
