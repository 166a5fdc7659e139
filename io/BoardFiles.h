// Loading a KiCad board into the host (with its project clearance and placement-rules
// file) and saving the placement back. This is the API the application's commands use:
//
//     auto loaded = io::LoadBoardFile("board.kicad_pcb");   // host board is current
//     ... run commands on loaded->board ...
//     io::SaveResult r = io::SaveBoardFile(*loaded, {});    // board.placed.kicad_pcb
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/statistical/OutlineRegion.h"
#include "io/KicadBoard.h"
#include "io/KicadToHost.h"
#include "io/AtomicFile.h"
#include "io/KicadWriter.h"
#include "io/PlacerRules.h"
#include "io/ProjectSettings.h"

namespace io {

struct LoadOptions {
    bool readRules = true;  // read BOARD.placer_rules when it exists
    std::string rulesPath;  // another rules file instead of the one beside the board
    // Mounting holes (see IsMountingHole) stay where the designer put them: they
    // match the enclosure, and designers seldom lock them.
    bool keepMountingHoles = true;
    // Parts whose courtyard lies across the board's edge (see StraddlesOutline) stay
    // where the designer put them: an edge connector's or a module's place is set by
    // the enclosure, and no place inside the outline is legal for the part.
    bool keepEdgeParts = true;
    // Parts that share a hole with another part (see PartsSharingAHole) stay where the
    // designer put them: two connectors of one plug-in module each draw the module's
    // holes, and moving either alone breaks the module's fit.
    bool keepJoinedParts = true;
};

// Whether a footprint's library id names a mounting hole: the footprint name (after
// the library's "NAME:") begins with "MountingHole", in any case.
bool IsMountingHole(const std::string& libId);

// Whether a component lies across the board's keep-out outline: some corner of its
// courtyard (else of its box) inside the outline and some corner outside. A part wholly
// off the board (parked for placing) does not.
bool StraddlesOutline(const hostpcb::Component& component, const hostpcb::statistical::OutlineRegion& outline);

// The components with a hole (of a pad) at the very place of a hole of another
// component, in board order.
std::vector<hostpcb::Component*> PartsSharingAHole(const hostpcb::Board& board);

// A board loaded into the host together with the KiCad document it came from. Owns the
// host board: destroying it destroys the board.
struct LoadedBoard {
    LoadedBoard() = default;
    LoadedBoard(const LoadedBoard&) = delete;
    LoadedBoard& operator=(const LoadedBoard&) = delete;
    ~LoadedBoard();

    std::string path;
    // Every file the board was read from: the board, and its project and rules files
    // when they were read. Nothing the application writes may replace one of them.
    std::vector<std::string> inputs;
    std::unique_ptr<KicadBoard> kicad;
    hostpcb::Board* board = nullptr;
    HostMapping mapping;
    ProjectClearance clearance;
    bool hasRules = false;
    PlacerRulesSummary rules;
    // KiCad's courtyard clearance (BOARD.kicad_dru, else 0) and whether the board got
    // the board-wide component-clearance rule with it (its rules file sets none).
    double courtyardClearanceMm = 0;
    bool kicadComponentClearance = false;
    // The references of the mounting holes kept where they are, in board order.
    std::vector<std::string> keptMountingHoles;
    // The references of the parts across the board's edge kept where they are.
    std::vector<std::string> keptEdgeParts;
    // The references of the parts that share a hole with another, kept where they are.
    std::vector<std::string> keptJoinedParts;
    std::vector<std::string> warnings;
    double loadSeconds = 0;
};

// Reads, maps and makes the board the host's current board. Throws SExprError (with line
// and column) for malformed board or rules files, std::runtime_error for unreadable files.
std::unique_ptr<LoadedBoard> LoadBoardFile(const std::string& path, const LoadOptions& options = {});

struct SaveOptions {
    std::string output;        // empty: NAME.placed.kicad_pcb beside the input (the input with inPlace)
    bool inPlace = false;      // allow writing over the input board
    bool keepRouting = false;  // keep tracks, vias and zone fills of moved footprints
};

struct SaveResult {
    std::string path;
    int moved = 0;    // footprints whose position, rotation or side changed
    int flipped = 0;  // of them, footprints that changed side
    StaleRouting removed;
    std::vector<std::string> warnings;
};

// The whole of an input file; std::runtime_error naming the file when it is a
// directory or cannot be read.
std::string ReadInputFile(const std::string& path);

// The entry of `inputs` that writing `output` would replace (the same file under
// another spelling or through a link included), or nullptr.
const std::string* OverwrittenInput(const std::string& output, const std::vector<std::string>& inputs);
// Throws std::runtime_error ("refusing to overwrite the input file ...") when writing
// `output` would replace one of `inputs`. Every command that writes files calls it with
// LoadedBoard::inputs before writing.
void RefuseToOverwriteInputs(const std::string& output, const std::vector<std::string>& inputs);

// "NAME.placed.kicad_pcb" for "NAME.kicad_pcb".
std::string DefaultOutputPath(const std::string& input);

// Writes every component's placement back into the document and writes the file
// atomically. Refuses (std::runtime_error) to write over the input without inPlace.
SaveResult SaveBoardFile(LoadedBoard& loaded, const SaveOptions& options);

}  // namespace io
