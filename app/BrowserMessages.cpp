#include "app/BrowserMessages.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "app/EditScript.h"

namespace app {

namespace {

using nlohmann::json;

// Farther than any board reaches: the host's frame holds about ±3400 mm.
constexpr double kLargestCoordinate = 5000;
constexpr std::size_t kMostIds = 100000;
constexpr std::size_t kLongestText = 4096;

enum class Field { Number, Integer, Bool, Text, Ids, Parameters };

struct Rule {
    const char* name;
    Field kind;
    bool required;
};

const std::map<std::string, std::vector<Rule>>& Types() {
    static const std::map<std::string, std::vector<Rule>> kTypes = {
        {"sync", {}},
        {"select", {{"ids", Field::Ids, true}, {"add", Field::Bool, false}}},
        {"deselect", {{"ids", Field::Ids, true}}},
        {"run", {{"command", Field::Text, true}, {"params", Field::Parameters, false}}},
        {"pick", {{"x", Field::Number, true}, {"y", Field::Number, true}, {"id", Field::Text, false}}},
        {"escape", {}},
        {"move",
         {{"x", Field::Number, true}, {"y", Field::Number, true}, {"shift", Field::Bool, false},
          {"control", Field::Bool, false}}},
        {"key", {{"key", Field::Integer, true}, {"shift", Field::Bool, false}, {"control", Field::Bool, false}}},
        {"event", {{"event", Field::Integer, true}, {"shift", Field::Bool, false}, {"control", Field::Bool, false}}},
        {"modifiers", {{"shift", Field::Bool, true}, {"control", Field::Bool, true}}},
        {"undo", {}},
        {"redo", {}},
        {"dialog", {{"action", Field::Text, true}}},
        {"answer", {{"yes", Field::Bool, true}}},
        {"stop", {}},
        {"save", {{"path", Field::Text, false}, {"board", Field::Bool, false}, {"overwrite", Field::Bool, false}}},
        {"quit", {{"discard", Field::Bool, false}}},
    };
    return kTypes;
}

bool PlainWord(const std::string& text) {
    if (text.empty() || text.size() > 256) return false;
    for (char c : text) {
        if (c <= ' ' || c == '|' || c == '=' || c == '"' || c == 0x7f) return false;
    }
    return true;
}

std::string CheckField(const json& value, const Rule& rule) {
    const std::string name = rule.name;
    switch (rule.kind) {
        case Field::Number:
            if (!value.is_number() || !std::isfinite(value.get<double>()) ||
                std::fabs(value.get<double>()) > kLargestCoordinate) {
                return "\"" + name + "\" must be a number of millimetres within ±5000";
            }
            return {};
        case Field::Integer:
            if (!value.is_number_integer()) return "\"" + name + "\" must be a whole number";
            if (name == "key" && (value.get<int64_t>() < 1 || value.get<int64_t>() > 0xFFFF)) {
                return "\"key\" must be a character code from 1 to 65535";
            }
            if (name == "event" && (value.get<int64_t>() < 0 || value.get<int64_t>() > 37)) {
                return "\"event\" must be an editor event from 0 to 37";
            }
            return {};
        case Field::Bool:
            return value.is_boolean() ? "" : "\"" + name + "\" must be true or false";
        case Field::Text:
            if (!value.is_string() || value.get<std::string>().size() > kLongestText ||
                value.get<std::string>().find_first_of("\r\n") != std::string::npos) {
                return "\"" + name + "\" must be one line of text";
            }
            return {};
        case Field::Ids:
            if (!value.is_array() || value.size() > kMostIds) return "\"ids\" must be a list of footprint ids";
            for (const json& id : value) {
                if (!id.is_string() || id.get<std::string>().empty() || id.get<std::string>().size() > 20 ||
                    id.get<std::string>().find_first_not_of("0123456789") != std::string::npos) {
                    return "\"ids\" must be a list of footprint ids";
                }
            }
            return {};
        case Field::Parameters:
            if (!value.is_object()) return "\"params\" must be an object of NAME: VALUE";
            for (const auto& [key, text] : value.items()) {
                if (!PlainWord(key) || !text.is_string() || !PlainWord(text.get<std::string>())) {
                    return "\"params\" must be an object of NAME: VALUE (words without blanks, | or =)";
                }
            }
            return {};
    }
    return {};
}

}  // namespace

std::string CheckPageMessage(const json& message) {
    if (!message.is_object()) return "a message must be a JSON object";
    const auto type = message.find("type");
    if (type == message.end() || !type->is_string()) return "a message needs a \"type\"";
    const auto known = Types().find(type->get<std::string>());
    if (known == Types().end()) return "no message type \"" + type->get<std::string>() + "\"";
    const auto page = message.find("page");
    if (page == message.end() || !page->is_string()) return "a message needs the \"page\" it comes from";
    const auto seq = message.find("seq");
    if (seq == message.end() || !seq->is_number_unsigned()) return "a message needs its \"seq\" number";
    for (const Rule& rule : known->second) {
        const auto value = message.find(rule.name);
        if (value == message.end()) {
            if (rule.required) return "a \"" + known->first + "\" message needs \"" + rule.name + "\"";
            continue;
        }
        if (std::string problem = CheckField(*value, rule); !problem.empty()) return problem;
    }
    if (known->first == "run") {
        const std::string command = message["command"].get<std::string>();
        bool found = false;
        for (const std::string& name : EditingCommandNames()) found = found || name == command;
        if (!found) return "no command \"" + command + "\"";
    }
    return {};
}

std::string ScriptMillimetres(double mm) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", mm);
    return text;
}

}  // namespace app
