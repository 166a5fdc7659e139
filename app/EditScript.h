// An editing session written down as a script: one action per line, as a person
// would do it at the board (select parts, start a command, click, move the mouse,
// press keys, accept). docs/editing-scripts.md describes the format; this unit
// only reads it. A script that does not read is refused as a whole, with the
// number of the first bad line, before anything runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct ScriptLine {
    enum class Kind : uint8_t {
        Select,    // words: references to select
        Deselect,  // words: references; empty = every component
        Answer,    // text: a dialog answer as --answer takes it
        Run,       // text: command name; words: its NAME=VALUE parameters
        Pick,      // x, y; text: the object to choose when several qualify (optional)
        Escape,    // a location pick answered with cancel
        Move,      // x, y: the cursor
        Shift,     // value: 1 held, 0 released
        Control,   // value: 1 held, 0 released
        Event,     // value: the editor event number (accept, cancel, flip, ...)
        Key,       // value: the character code
        Undo,      // puts back the last whole modification
        Redo,      // does again the last one undone
    };
    Kind kind = Kind::Run;
    int number = 0;  // line number in the file, from 1
    std::string text;
    std::vector<std::string> words;
    double x = 0;  // millimetres in KiCad's frame (Y down)
    double y = 0;
    int32_t value = 0;
    std::string source;  // the line as written, for messages
};

// Editor event numbers a script names by word.
inline constexpr int32_t kEventReshapeWide = 2;
inline constexpr int32_t kEventReshapeTall = 3;
inline constexpr int32_t kEventReshapeSquare = 4;
inline constexpr int32_t kEventFlip = 8;
inline constexpr int32_t kEventRotate = 9;
inline constexpr int32_t kEventCancel = 10;
inline constexpr int32_t kEventAccept = 11;

struct EditScript {
    std::string name;  // the file, for messages
    std::vector<ScriptLine> lines;
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// Reads a script (its dialog answers are checked as --answer checks them).
std::optional<ScriptError> ParseEditScript(const std::string& text, EditScript& script);

// The parameter string of a Run line: its words joined with "|".
std::string RunParameters(const ScriptLine& line);

// The plug-in's user commands, as a script names them (case as registered).
const std::vector<std::string>& EditingCommandNames();

}  // namespace app
