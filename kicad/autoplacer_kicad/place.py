"""One placement run on an open board, without any window: the plugin's dialog calls it, and so do the tests."""

import os
import tempfile
import time
from dataclasses import dataclass, field

from . import board as boards
from .executable import ExecutableNotFound, find_executable
from .runner import PlaceFailed, PlaceStopped, run_place

__all__ = ["PlaceFailed", "PlaceStopped", "PlaceResult", "place_board"]


@dataclass
class PlaceResult:
    report: dict                                     # the placer's report (`autoplacer place --report`)
    moved: list = field(default_factory=list)        # references of the footprints changed on the board
    unmatched: list = field(default_factory=list)    # footprints the placed board did not hold
    seconds: float = 0.0                             # the whole run, copy and apply included

    @property
    def not_fitted(self):
        return list(self.report.get("not_fitted", []))


def place_board(board, options, executable=None, on_progress=None, should_stop=None):
    """Places the board's footprints with `autoplacer place` and applies the result.

    The board changes only when the run succeeds: each footprint's position,
    orientation and side, nothing else; the parts not fitted are then the
    selection. PlaceFailed (with the placer's message) or PlaceStopped leave the
    board as it was.
    """
    start = time.monotonic()
    if executable is None:
        try:
            executable = find_executable()
        except ExecutableNotFound as error:
            raise PlaceFailed(str(error)) from error
    all_uuids = {boards.uuid_of(f) for f in boards.footprints(board)}
    movable = None
    locked = ()
    if options.selected_only:
        movable = {boards.uuid_of(f) for f in boards.footprints(board) if f.IsSelected()}
        if not movable:
            raise PlaceFailed("no footprint is selected: select the footprints to place, "
                              "or clear \"only the selected footprints\"")
        locked = all_uuids - movable
    stem = os.path.splitext(os.path.basename(board.GetFileName() or ""))[0] or "board"
    with tempfile.TemporaryDirectory(prefix="autoplacer-kicad-") as folder:
        try:
            copy = boards.write_copy(board, folder, stem, locked)
        except Exception as error:  # KiCad's writer raises its own IO_ERROR types
            raise PlaceFailed("cannot write the board for the placer: %s" % error) from error
        placed = os.path.join(folder, stem + ".placed.kicad_pcb")
        report = run_place(executable, copy, placed, os.path.join(folder, "report.json"),
                           os.path.join(folder, "registry.json"), options.arguments(), on_progress, should_stop)
        try:
            by_uuid, by_reference = boards.read_placements(placed)
        except Exception as error:
            raise PlaceFailed("cannot read the placed board: %s" % error) from error
    moves, unmatched = boards.plan_moves(board, by_uuid, by_reference, movable)
    boards.apply_moves(moves)
    boards.select_references(board, report.get("not_fitted", []), movable)
    return PlaceResult(report=report, moved=[f.GetReference() for f, _ in moves], unmatched=unmatched,
                       seconds=time.monotonic() - start)
