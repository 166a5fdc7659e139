#include "host/HostCommands.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "host/HostClient.h"
#include "host/Parameters.h"

namespace autoplacer {

int32_t RunHostProcess(const char* process, const THostParameters& parameters) {
    if (Client == nullptr) {
        return sdk::kResultError;
    }
    std::array<char, kParameterBufferSize> buffer{};
    for (const auto& [name, value] : parameters) {
        SetParameter(buffer.data(), kParameterBufferSize, name, value);
    }
    return Client->RunProcess(process, buffer.data(), kParameterBufferSize, Client->GetCurrentView());
}

void ZoomRedraw() { RunHostProcess("PCB:Zoom", {{"Action", "Redraw"}}); }

std::string FormatHostNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

void ZoomArea(double x1, double y1, double x2, double y2) {
    RunHostProcess("PCB:Zoom", {{"Action", "Area"},
                                {"Location1.X", FormatHostNumber(x1)},
                                {"Location1.Y", FormatHostNumber(y1)},
                                {"Location2.X", FormatHostNumber(x2)},
                                {"Location2.Y", FormatHostNumber(y2)}});
}

void OptimizeAllConnections() { RunHostProcess("PCB:NetList", {{"Optimize", "All"}}); }

void RunHostStatisticalPlacer(bool useAutoUpdate) {
    RunHostProcess("Placer:RunAutoPlacer", {{"Batch", "True"}, {"UseAutoPCBUpdate", useAutoUpdate ? "True" : "False"}});
}

void RunHelpTopic(const std::string& topic) {
    if (Client == nullptr) {
        return;
    }
    std::array<char, kParameterBufferSize> buffer{};
    std::strncpy(buffer.data(), topic.c_str(), kParameterBufferSize - 1);
    Client->RunProcess("Client:RunHelpTopic", buffer.data(), kParameterBufferSize, nullptr);
}

}  // namespace autoplacer
