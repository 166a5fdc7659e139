// Host commands waiting for the plug-in. The plug-in's message processing
// (IClient::ProcessMessages) delivers them by re-entering its command launcher
// on the same thread, as a host editor's message loop does.
#pragma once

#include <deque>
#include <string>
#include <utility>

#include "sdk/plugin.h"

namespace app {

class MessagePump {
public:
    // Queues a command with its parameter string.
    void Post(std::string command, std::string parameters = {});
    // Queues "StopAutoPlacer" when Ctrl-C asked for a stop, then launches every
    // queued command in order. Commands posted while delivering wait for the next call.
    void Deliver(sdk::ICommandLauncher* launcher);

    std::size_t Pending() const { return Queue.size(); }
    // How many commands have been launched so far.
    std::size_t Delivered() const { return DeliveredCount; }

private:
    std::deque<std::pair<std::string, std::string>> Queue;
    std::size_t DeliveredCount = 0;
};

}  // namespace app
