// The messages the browser page sends, and their check. Every message is a JSON
// object with "type", "page" (the id the event stream gave the page) and "seq"
// (the page's count, echoed in the changes that answer it), and the fields of its
// type (coordinates in millimetres in KiCad's frame, Y down):
//
//   sync                          the whole board again
//   select   ids[] [add]          select footprints (add: keep the others)
//   deselect ids[]                deselect footprints
//   run      command [params{}]   one of the plug-in's commands
//   pick     x y [id]             a click where a location is asked for
//   escape                        Escape where a location is asked for
//   move     x y [shift control]  the cursor during an edit
//   key      key [shift control]  a key (character code) during an edit
//   event    event [shift control] an editor event (accept 11, cancel 10, ...)
//   modifiers shift control       Shift or Control pressed or released
//   undo, redo                    the last whole modification
//   dialog   action               an action on the open dialog (as the terminal takes it)
//   answer   yes                  the answer to an open question
//   stop                          asks the running placer to stop
//   save     [path] [board] [overwrite]  writes the board: to path, to the board file itself
//                                 (board), or where the command saves by default
//   quit     [discard]            ends the session (discard: without saving changes)
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace app {

// Empty when the message has a known type and every field it needs, each of the
// right kind and within range; otherwise what is wrong with it.
std::string CheckPageMessage(const nlohmann::json& message);

// A length in millimetres as a script writes it (four decimals), so that the
// browser and the script it is written down as give the same host point.
std::string ScriptMillimetres(double mm);

}  // namespace app
