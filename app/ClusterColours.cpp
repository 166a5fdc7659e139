#include "app/ClusterColours.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <vector>

#include "hostpcb/Host.h"

namespace app {

namespace {

constexpr const char* kQueryCommand = "QueryClusters";
// The frame colour of each special cluster kind; plain clusters have none.
const std::map<std::string, std::string> kFrames{
    {"Confinement", "#1d7f2a"}, {"ICCap", "#111111"}, {"SameFootprint", "#8a2be2"}, {"Plain", ""}};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::string Launch(sdk::ICommandLauncher& plugin, const std::string& parameters, std::size_t capacity) {
    std::vector<char> buffer(std::max(capacity, parameters.size() + 1), '\0');
    std::copy(parameters.begin(), parameters.end(), buffer.begin());
    if (plugin.LaunchCommand(kQueryCommand, buffer.data(), static_cast<int32_t>(buffer.size()), nullptr) !=
        sdk::kResultOk) {
        return {};
    }
    buffer.back() = '\0';
    return buffer.data();
}

}  // namespace

std::string ClusterColour(int index) {
    const double hue = std::fmod(index * 137.508, 360.0);
    const double s = 0.65;
    const double l = index % 2 == 0 ? 0.48 : 0.62;
    const double c = (1 - std::fabs(2 * l - 1)) * s;
    const double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    const double m = l - c / 2;
    double r = 0;
    double g = 0;
    double b = 0;
    switch (static_cast<int>(hue / 60.0)) {
        case 0: r = c; g = x; break;
        case 1: r = x; g = c; break;
        case 2: g = c; b = x; break;
        case 3: g = x; b = c; break;
        case 4: r = x; b = c; break;
        default: r = c; b = x; break;
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround((r + m) * 255)),
                  static_cast<int>(std::lround((g + m) * 255)), static_cast<int>(std::lround((b + m) * 255)));
    return text;
}

ClusterColouring ColouringFromAnswer(const std::string& answer) {
    const std::vector<std::string> entries = Split(answer, '|');
    if (entries.empty() || entries[0] != "Result=True") {
        return {};
    }
    ClusterColouring result;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        const std::size_t equals = entry.find('=');
        const std::size_t colon = entry.find(':', equals);
        if (equals == std::string::npos || entry.compare(0, equals, "Count") == 0) {
            continue;
        }
        const auto frame = colon == std::string::npos ? kFrames.end()
                                                      : kFrames.find(entry.substr(equals + 1, colon - equals - 1));
        if (frame == kFrames.end()) {
            return {};
        }
        for (const std::string& member : Split(entry.substr(colon + 1), ',')) {
            std::uintptr_t value = 0;
            try {
                value = static_cast<std::uintptr_t>(std::stoull(member));
            } catch (const std::exception&) {
                return {};
            }
            const auto* component = hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(
                reinterpret_cast<PcbHandle>(value));
            if (component == nullptr) {
                return {};
            }
            result.paints[component] = ComponentPaint{ClusterColour(result.clusters), frame->second};
        }
        ++result.clusters;
    }
    return result;
}

ClusterColouring ColourByCluster(sdk::ICommandLauncher& plugin, int32_t threshold, bool prePasses) {
    const std::string parameters =
        "Threshold=" + std::to_string(threshold) + "|PrePasses=" + (prePasses ? "True" : "False");
    std::string answer = Launch(plugin, parameters, 64 * 1024);
    const std::string needed = "Result=False|Needed=";
    if (answer.compare(0, needed.size(), needed) == 0) {
        try {
            answer = Launch(plugin, parameters, std::stoull(answer.substr(needed.size())));
        } catch (const std::exception&) {
            return {};
        }
    }
    return ColouringFromAnswer(answer);
}

}  // namespace app
