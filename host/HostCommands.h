// Host commands the placer sends through the client's RunProcess, each with a
// parameter buffer of 256 bytes that starts empty.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace autoplacer {

using THostParameters = std::vector<std::pair<std::string, std::string>>;

// Builds the parameter string from the entries in order and sends the process
// with the current view. Returns the host's result, or -1 without a client.
int32_t RunHostProcess(const char* process, const THostParameters& parameters);

// "PCB:Zoom" with "Action" "Redraw".
void ZoomRedraw();
// "PCB:Zoom" with "Action" "Area" and the two corners in the board's display
// unit, each written with up to 15 significant digits.
void ZoomArea(double x1, double y1, double x2, double y2);
// A number as the host commands carry it: general format, 15 significant digits.
std::string FormatHostNumber(double value);
// "PCB:NetList" with "Optimize" "All".
void OptimizeAllConnections();
// "Placer:RunAutoPlacer" with "Batch" "True" and "UseAutoPCBUpdate".
void RunHostStatisticalPlacer(bool useAutoUpdate);
// "Client:RunHelpTopic" with the topic as the whole buffer (255 bytes at most), no view.
void RunHelpTopic(const std::string& topic);

}  // namespace autoplacer
