#include "app/EditScript.h"

#include <cctype>
#include <cmath>
#include <sstream>

#include "app/DialogCommands.h"
#include "app/ScriptedDialogHost.h"
#include "io/Units.h"

namespace app {

namespace {

const std::vector<std::string> kFeatures = {"RemouldSquare",      "RemouldWide",       "RemouldTall",
                                            "ExpandHorizontal",   "ExpandVertical",    "ContractHorizontal",
                                            "ContractVertical",   "FlipHorizontal",    "FlipVertical"};

struct NamedEvent {
    const char* word;
    int32_t event;
};
constexpr NamedEvent kEvents[] = {{"accept", kEventAccept}, {"cancel", kEventCancel}, {"flip", kEventFlip},
                                  {"rotate", kEventRotate}};
constexpr NamedEvent kShapes[] = {
    {"wide", kEventReshapeWide}, {"tall", kEventReshapeTall}, {"square", kEventReshapeSquare}};
// The host's editor events are numbered 0 to 37.
constexpr int32_t kLastEvent = 37;

struct LineError {
    std::string message;
};

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Splits a line into words at blanks; a word in double quotes may hold blanks.
std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])) != 0) {
            ++at;
        }
        if (at >= line.size()) {
            return words;
        }
        std::string word;
        if (line[at] == '"') {
            const std::size_t end = line.find('"', at + 1);
            if (end == std::string::npos) {
                throw LineError{"a double quote is not closed"};
            }
            word = line.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])) == 0) {
                word += line[at++];
            }
        }
        words.push_back(std::move(word));
    }
}

// A length in millimetres that the board's frame can hold.
double Millimetres(const std::string& word, const char* what) {
    std::istringstream in(word);
    in.imbue(std::locale::classic());
    double value = 0;
    char rest = 0;
    if (!(in >> value) || (in >> rest) || !std::isfinite(value)) {
        throw LineError{std::string(what) + " \"" + word + "\" is not a number of millimetres"};
    }
    return value;
}

void ReadPoint(ScriptLine& line, const std::vector<std::string>& words) {
    line.x = Millimetres(words[1], "x");
    line.y = Millimetres(words[2], "y");
    const double hostX = io::MmToHost(line.x) + double(io::kXShift);
    const double hostY = double(io::kYFlipLine) - io::MmToHost(line.y);
    if (std::fabs(hostX) > io::kMaxHostCoord || std::fabs(hostY) > io::kMaxHostCoord) {
        throw LineError{"(" + words[1] + ", " + words[2] + ") mm is outside what a board can hold"};
    }
}

void ExpectWords(const std::vector<std::string>& words, std::size_t least, std::size_t most, const char* usage) {
    if (words.size() < least || words.size() > most) {
        throw LineError{"expected \"" + std::string(usage) + "\""};
    }
}

int32_t HeldState(const std::string& word) {
    const std::string state = Lower(word);
    if (state == "down" || state == "on") {
        return 1;
    }
    if (state == "up" || state == "off") {
        return 0;
    }
    throw LineError{"\"" + word + "\" is not down or up"};
}

int32_t WholeNumber(const std::string& word, int32_t low, int32_t high, const char* what) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(word, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != word.size() || value < low || value > high) {
        throw LineError{std::string(what) + " \"" + word + "\" is not a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high)};
    }
    return static_cast<int32_t>(value);
}

std::string CommandName(const std::string& word) {
    for (const std::string& name : EditingCommandNames()) {
        if (SameTextIgnoringCase(name, word)) {
            return name;
        }
    }
    std::string known;
    for (const std::string& name : EditingCommandNames()) {
        known += (known.empty() ? "" : ", ") + name;
    }
    throw LineError{"no command \"" + word + "\" (commands: " + known + ")"};
}

// The text after the first word, as written.
std::string RestOfLine(const std::string& line) {
    std::size_t at = line.find_first_not_of(" \t");
    at = line.find_first_of(" \t", at);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t first = line.find_first_not_of(" \t", at);
    const std::size_t last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

ScriptLine ReadLine(const std::string& source, const std::vector<std::string>& words) {
    ScriptLine line;
    line.source = source;
    const std::string verb = Lower(words[0]);
    if (verb == "select" || verb == "deselect") {
        line.kind = verb == "select" ? ScriptLine::Kind::Select : ScriptLine::Kind::Deselect;
        ExpectWords(words, 2, SIZE_MAX, verb == "select" ? "select REF..." : "deselect REF... | deselect all");
        line.words.assign(words.begin() + 1, words.end());
        if (line.kind == ScriptLine::Kind::Deselect && line.words.size() == 1 && Lower(line.words[0]) == "all") {
            line.words.clear();
        }
    } else if (verb == "answer") {
        line.kind = ScriptLine::Kind::Answer;
        line.text = RestOfLine(source);
        // The answer as an answers file holds it; quotes around all of it are dropped.
        if (line.text.size() >= 2 && line.text.front() == '"' && line.text.back() == '"' &&
            line.text.find('"', 1) == line.text.size() - 1) {
            line.text = line.text.substr(1, line.text.size() - 2);
        }
        std::ostringstream quiet;
        ScriptedDialogHost check(quiet);
        if (const std::string problem = check.AddAnswer(line.text); !problem.empty()) {
            throw LineError{problem};
        }
    } else if (verb == "run") {
        line.kind = ScriptLine::Kind::Run;
        ExpectWords(words, 2, SIZE_MAX, "run COMMAND [NAME=VALUE ...]");
        line.text = CommandName(words[1]);
        for (std::size_t i = 2; i < words.size(); ++i) {
            const std::size_t equals = words[i].find('=');
            if (equals == std::string::npos || equals == 0 || words[i].find('|') != std::string::npos) {
                throw LineError{"parameter \"" + words[i] + "\" is not NAME=VALUE"};
            }
            line.words.push_back(words[i]);
        }
    } else if (verb == "feature") {
        line.kind = ScriptLine::Kind::Run;
        ExpectWords(words, 2, 2, "feature NAME");
        line.text = "ExecuteInteractivePlacementFeature";
        for (const std::string& feature : kFeatures) {
            if (SameTextIgnoringCase(feature, words[1])) {
                line.words.push_back("Feature=" + feature);
            }
        }
        if (line.words.empty()) {
            std::string known;
            for (const std::string& feature : kFeatures) {
                known += (known.empty() ? "" : ", ") + feature;
            }
            throw LineError{"no feature \"" + words[1] + "\" (features: " + known + ")"};
        }
    } else if (verb == "lose-last") {
        ExpectWords(words, 1, 1, "lose-last");
        line.kind = ScriptLine::Kind::Run;
        line.text = "LoseLastAutoSelectedComponent";
    } else if (verb == "pick") {
        line.kind = ScriptLine::Kind::Pick;
        ExpectWords(words, 3, 4, "pick X Y [REF]");
        ReadPoint(line, words);
        line.text = words.size() == 4 ? words[3] : "";
    } else if (verb == "undo" || verb == "redo") {
        ExpectWords(words, 1, 1, verb == "undo" ? "undo" : "redo");
        line.kind = verb == "undo" ? ScriptLine::Kind::Undo : ScriptLine::Kind::Redo;
    } else if (verb == "escape") {
        ExpectWords(words, 1, 1, "escape");
        line.kind = ScriptLine::Kind::Escape;
    } else if (verb == "move") {
        line.kind = ScriptLine::Kind::Move;
        ExpectWords(words, 3, 3, "move X Y");
        ReadPoint(line, words);
    } else if (verb == "shift" || verb == "control") {
        line.kind = verb == "shift" ? ScriptLine::Kind::Shift : ScriptLine::Kind::Control;
        ExpectWords(words, 2, 2, verb == "shift" ? "shift down|up" : "control down|up");
        line.value = HeldState(words[1]);
    } else if (verb == "key") {
        line.kind = ScriptLine::Kind::Key;
        ExpectWords(words, 2, 2, "key CHARACTER | key CODE");
        line.value = words[1].size() == 1 && std::isdigit(static_cast<unsigned char>(words[1][0])) == 0
                         ? static_cast<unsigned char>(words[1][0])
                         : WholeNumber(words[1], 0, 0xFFFF, "key code");
    } else if (verb == "reshape") {
        line.kind = ScriptLine::Kind::Event;
        ExpectWords(words, 2, 2, "reshape wide|tall|square");
        const std::string shape = Lower(words[1]);
        line.value = -1;
        for (const NamedEvent& named : kShapes) {
            if (shape == named.word) {
                line.value = named.event;
            }
        }
        if (line.value < 0) {
            throw LineError{"\"" + words[1] + "\" is not wide, tall or square"};
        }
    } else if (verb == "event") {
        line.kind = ScriptLine::Kind::Event;
        ExpectWords(words, 2, 2, "event NUMBER");
        line.value = WholeNumber(words[1], 0, kLastEvent, "event");
    } else {
        for (const NamedEvent& named : kEvents) {
            if (verb == named.word) {
                ExpectWords(words, 1, 1, named.word);
                line.kind = ScriptLine::Kind::Event;
                line.value = named.event;
                return line;
            }
        }
        throw LineError{"unknown action \"" + words[0] + "\""};
    }
    return line;
}

}  // namespace

const std::vector<std::string>& EditingCommandNames() {
    static const std::vector<std::string> kNames = {
        "RunAutoPlacer",  "StopAutoPlacer", "AutoPlacer", "EnterInteractiveComponentEditingMode",
        "ExecuteInteractivePlacementFeature", "LoseLastAutoSelectedComponent", "AlignComponents"};
    return kNames;
}

std::optional<ScriptError> ParseEditScript(const std::string& text, EditScript& script) {
    std::istringstream in(text);
    std::string source;
    int number = 0;
    std::vector<ScriptLine> lines;
    while (std::getline(in, source)) {
        ++number;
        if (!source.empty() && source.back() == '\r') {
            source.pop_back();
        }
        const std::size_t first = source.find_first_not_of(" \t");
        if (first == std::string::npos || source[first] == '#') {
            continue;
        }
        try {
            ScriptLine line = ReadLine(source, SplitWords(source));
            line.number = number;
            lines.push_back(std::move(line));
        } catch (const LineError& error) {
            return ScriptError{number, error.message};
        }
    }
    script.lines = std::move(lines);
    return std::nullopt;
}

std::string RunParameters(const ScriptLine& line) {
    std::string parameters;
    for (const std::string& word : line.words) {
        parameters += (parameters.empty() ? "" : "|") + word;
    }
    return parameters;
}

}  // namespace app
