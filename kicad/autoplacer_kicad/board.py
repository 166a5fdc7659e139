"""The open board's side of a run: the copy the placer reads, and the placement it writes back.

Only footprints are read or changed; the copy is written with KiCad's own board
writer so that the user's file on disk is never touched.
"""

import os
import shutil

import pcbnew

# Files the placer reads beside a board (clearances, placement rules), copied beside the copy.
_COMPANION_EXTENSIONS = (".kicad_pro", ".kicad_dru", ".placer_rules")


def _io_manager():
    # KiCad 9 renamed the board I/O manager.
    return getattr(pcbnew, "PCB_IO_MGR", None) or pcbnew.IO_MGR


def save_board_file(board, path):
    """Writes the board without the project handling of pcbnew.SaveBoard, which
    inside KiCad would move the open project to the copy's name."""
    manager = _io_manager()
    manager.Save(manager.KICAD_SEXP, path, board)


def load_board_file(path):
    """Reads a board file into a new BOARD, leaving KiCad's open project alone."""
    manager = _io_manager()
    return manager.Load(manager.KICAD_SEXP, path)


def uuid_of(footprint):
    return footprint.m_Uuid.AsString()


def footprints(board):
    return list(board.GetFootprints())


def write_copy(board, folder, stem, lock_uuids=()):
    """Writes the board to folder/stem.kicad_pcb with its project, design and placer rules
    files, and returns the path. Footprints named in lock_uuids are locked in the copy only."""
    path = os.path.join(folder, stem + ".kicad_pcb")
    save_board_file(board, path)
    source = board.GetFileName()
    if source:
        base = os.path.splitext(source)[0]
        for extension in _COMPANION_EXTENSIONS:
            if os.path.isfile(base + extension):
                shutil.copyfile(base + extension, os.path.join(folder, stem + extension))
    if lock_uuids:
        wanted = set(lock_uuids)
        copy = load_board_file(path)
        for footprint in footprints(copy):
            if uuid_of(footprint) in wanted:
                footprint.SetLocked(True)
        save_board_file(copy, path)
    return path


class Placement:
    """Where one footprint stands: position (internal units), orientation (degrees), side."""

    def __init__(self, footprint):
        position = footprint.GetPosition()
        self.x = int(position.x)
        self.y = int(position.y)
        self.degrees = float(footprint.GetOrientationDegrees())
        self.back = bool(footprint.IsFlipped())

    def key(self):
        return (self.x, self.y, self.degrees, self.back)


def read_placements(path):
    """The footprints of a placed board file, by UUID and by unique reference."""
    board = load_board_file(path)
    by_uuid = {}
    by_reference = {}
    duplicated = set()
    for footprint in footprints(board):
        placement = Placement(footprint)
        by_uuid[uuid_of(footprint)] = placement
        reference = footprint.GetReference()
        if reference in by_reference:
            duplicated.add(reference)
        by_reference[reference] = placement
    for reference in duplicated:
        del by_reference[reference]  # a reference is a fallback only when it names one footprint
    return by_uuid, by_reference


def _flip(footprint):
    # Top to bottom about the footprint's own position, as the placer flips.
    centre = footprint.GetPosition()
    try:
        footprint.Flip(centre, False)
    except TypeError:
        footprint.Flip(centre, pcbnew.FLIP_DIRECTION_TOP_BOTTOM)  # KiCad 9


def _set_position(footprint, x, y):
    # KiCad 6 takes a wxPoint, later versions a VECTOR2I.
    makers = [getattr(pcbnew, name) for name in ("wxPoint", "VECTOR2I") if hasattr(pcbnew, name)]
    for index, make in enumerate(makers):
        try:
            footprint.SetPosition(make(x, y))
            return
        except TypeError:
            if index == len(makers) - 1:
                raise


def plan_moves(board, by_uuid, by_reference, movable_uuids=None):
    """The (footprint, placement) pairs whose placement changes; footprints outside
    movable_uuids (when given) and those the placed board does not hold are left out."""
    moves = []
    unmatched = []
    for footprint in footprints(board):
        uuid = uuid_of(footprint)
        if movable_uuids is not None and uuid not in movable_uuids:
            continue
        target = by_uuid.get(uuid) or by_reference.get(footprint.GetReference())
        if target is None:
            unmatched.append(footprint.GetReference())
            continue
        if Placement(footprint).key() != target.key():
            moves.append((footprint, target))
    return moves, unmatched


def apply_moves(moves):
    for footprint, target in moves:
        if bool(footprint.IsFlipped()) != target.back:
            _flip(footprint)
        footprint.SetOrientationDegrees(target.degrees)
        _set_position(footprint, target.x, target.y)


def select_references(board, references, among_uuids=None):
    """Selects the footprints with these references (all of a shared one), the rest not."""
    wanted = set(references)
    for footprint in footprints(board):
        if footprint.GetReference() in wanted and (among_uuids is None or uuid_of(footprint) in among_uuids):
            footprint.SetSelected()
        elif footprint.IsSelected():
            footprint.ClearSelected()
