"""The KiCad plugin's run on real boards loaded with KiCad's own pcbnew module.

The plugin's placement must be exactly what `autoplacer place` writes for the
same board and options; with only the selected footprints the others stay put;
a run that fails or is stopped leaves the board as it was.
"""

import hashlib
import os
import subprocess
import sys
import tempfile
import unittest

import pcbnew

SOURCE_DIR = os.environ["AUTOPLACER_SOURCE_DIR"]
sys.path.insert(0, os.path.join(SOURCE_DIR, "kicad"))

from autoplacer_kicad import board as boards  # noqa: E402
from autoplacer_kicad import executable as finder  # noqa: E402
from autoplacer_kicad.options import STATISTICAL, PlaceOptions  # noqa: E402
from autoplacer_kicad.place import PlaceFailed, PlaceStopped, place_board  # noqa: E402
from autoplacer_kicad.report import summary  # noqa: E402

AUTOPLACER = os.environ["AUTOPLACER_EXECUTABLE"]
BOARDS = os.environ["AUTOPLACER_BOARDS_DIR"]
# KiCad 6 boards: pcbnew 6 writes them back as they were read (KiCad 7 and later
# files it cannot read, and KiCad 5 files it converts on the way).
SMALL = os.path.join(BOARDS, "uext-esp32-c3.kicad_pcb")         # 17 footprints
LARGE = os.path.join(BOARDS, "castor-pollux-main.kicad_pcb")    # 234, most on the back
# LARGE runs with the default options only: with a 0.5 mm or 25 mil grid, or a
# threshold of 70, the placer overflows an int on it (model/PlacedComponent.cpp),
# which stops the sanitizer build's run.


def placements(board):
    """Every footprint's position, orientation and side, by UUID."""
    found = {}
    for footprint in board.GetFootprints():
        position = footprint.GetPosition()
        found[footprint.m_Uuid.AsString()] = (position.x, position.y, footprint.GetOrientationDegrees(),
                                              footprint.IsFlipped())
    return found


def everything_else(board):
    """What the plugin must never touch: routing, drawings, zones, locks."""
    tracks = sorted((t.GetStart().x, t.GetStart().y, t.GetEnd().x, t.GetEnd().y, t.GetNetCode())
                    for t in board.GetTracks())
    drawings = sorted((d.GetClass(), d.GetLayer(), d.GetBoundingBox().GetX(), d.GetBoundingBox().GetY(),
                       d.GetBoundingBox().GetWidth(), d.GetBoundingBox().GetHeight()) for d in board.GetDrawings())
    zones = sorted((z.GetNetCode(), z.GetLayer(), z.GetNumCorners()) for z in board.Zones())
    locks = sorted(f.m_Uuid.AsString() for f in board.GetFootprints() if f.IsLocked())
    return tracks, drawings, zones, locks


def selection(board):
    return sorted(f.m_Uuid.AsString() for f in board.GetFootprints() if f.IsSelected())


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class PluginRun(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="autoplacer-kicad-test-")
        self.folder = self.scratch.name
        # Nothing of the user's own settings or remembered executable takes part.
        self.saved_environment = dict(os.environ)
        os.environ["XDG_CONFIG_HOME"] = os.path.join(self.folder, "config")

    def tearDown(self):
        os.environ.clear()
        os.environ.update(self.saved_environment)
        self.scratch.cleanup()

    def command_line_placement(self, path, arguments, name="expected"):
        """The board `autoplacer place` writes for the file with these flags, loaded with pcbnew."""
        output = os.path.join(self.folder, name + ".kicad_pcb")
        run = subprocess.run([AUTOPLACER, "place", path, "-o", output, "--batch",
                              "--registry", os.path.join(self.folder, name + "-registry.json")] + arguments,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.assertIn(run.returncode, (0, 9), run.stderr)
        return pcbnew.LoadBoard(output)

    def place(self, board, options, **kwargs):
        phases = []
        result = place_board(board, options, AUTOPLACER,
                             on_progress=lambda done, total, phase: phases.append(phase), **kwargs)
        return result, phases


class WholeBoard(PluginRun):
    def check_same_as_command_line(self, path, options, flags):
        before_file = digest(path)
        board = pcbnew.LoadBoard(path)
        before = placements(board)
        untouched = everything_else(board)

        result, phases = self.place(board, options)

        expected = placements(self.command_line_placement(path, flags))
        after = placements(board)
        self.assertEqual(sorted(after), sorted(expected))
        for uuid, placement in expected.items():
            self.assertEqual(after[uuid], placement, "footprint %s" % uuid)
        changed = sorted(f.GetReference() for f in board.GetFootprints()
                         if before[f.m_Uuid.AsString()] != after[f.m_Uuid.AsString()])
        self.assertEqual(sorted(result.moved), changed)
        self.assertGreater(len(changed), len(before) // 2)
        self.assertEqual(everything_else(board), untouched)
        self.assertEqual(digest(path), before_file, "the user's board file was written")
        self.assertEqual(result.unmatched, [])
        # The parts the placer could not fit are the selection, and only they.
        not_fitted = set(result.not_fitted)
        self.assertEqual(selection(board), sorted(f.m_Uuid.AsString() for f in board.GetFootprints()
                                                  if f.GetReference() in not_fitted))
        self.assertTrue(phases, "no progress reached the plugin")
        # The report box: lengths before and after, and the parts not fitted by name.
        text = summary(result, options)
        self.assertIn("%.1f mm before, %.1f mm after" % (result.report["before"]["connection_length_mm"],
                                                         result.report["after"]["connection_length_mm"]), text)
        self.assertIn("changed on the board: %d of %d" % (len(changed), len(before)), text)
        for name in result.not_fitted[:5]:
            self.assertIn(name, text)
        return result, phases

    def test_cluster_placer_with_default_options(self):
        flags = ["--grid", "50mil", "--threshold", "85", "--guide-weight", "1", "--pad-weight", "1",
                 "--length-weight", "1", "--crossover-weight", "1", "--direction-weight", "1"]
        _, phases = self.check_same_as_command_line(SMALL, PlaceOptions(), flags)
        self.assertIn("Making absolute placements ...", phases)

    def test_cluster_placer_options_reach_the_placer(self):
        options = PlaceOptions(grid="0.5mm", threshold=70, guide_weight=2, pad_weight=0, length_weight=3,
                               crossover_weight=1, direction_weight=4)
        flags = ["--grid", "0.5mm", "--threshold", "70", "--guide-weight", "2", "--pad-weight", "0",
                 "--length-weight", "3", "--crossover-weight", "1", "--direction-weight", "4"]
        self.check_same_as_command_line(SMALL, options, flags)

    def test_statistical_placer(self):
        self.check_same_as_command_line(SMALL, PlaceOptions(placer=STATISTICAL), ["--statistical"])


class ApplyingAPlacement(PluginRun):
    """The placers on the shared boards keep every part on its side, so sides are
    changed here by KiCad itself: the plugin's apply must reproduce them."""

    def test_side_orientation_and_position_are_taken_by_uuid_then_reference(self):
        target = pcbnew.LoadBoard(SMALL)
        for index, footprint in enumerate(target.GetFootprints()):
            if index % 2 == 0:
                footprint.Flip(footprint.GetPosition(), False)
            footprint.SetOrientationDegrees((index * 45) % 360 - 90)
            footprint.Move(pcbnew.wxPoint(index * 254000, -index * 127000))
        path = os.path.join(self.folder, "target.kicad_pcb")
        pcbnew.SaveBoard(path, target)
        wanted = placements(pcbnew.LoadBoard(path))
        # U1 gets a new identifier in the file: it must be found by its reference.
        old_uuid = next(f.m_Uuid.AsString() for f in target.GetFootprints() if f.GetReference() == "U1")
        new_uuid = "12345678-1234-1234-1234-123456789abc"
        with open(path, encoding="utf-8") as f:
            text = f.read()
        self.assertIn(old_uuid, text)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(old_uuid, new_uuid))
        self.assertIn(new_uuid, boards.read_placements(path)[0])

        board = pcbnew.LoadBoard(SMALL)
        untouched = everything_else(board)
        moves, unmatched = boards.plan_moves(board, *boards.read_placements(path))
        boards.apply_moves(moves)

        self.assertEqual(unmatched, [])
        self.assertEqual(placements(board), wanted)
        original = placements(pcbnew.LoadBoard(SMALL))
        self.assertGreater(sum(1 for uuid, p in wanted.items() if p[3] != original[uuid][3]), 5)
        self.assertEqual(everything_else(board), untouched)
        # Pads follow their footprint to the other side.
        for footprint in board.GetFootprints():
            one_sided = [pad for pad in footprint.Pads() if pad.IsOnLayer(pcbnew.F_Cu) != pad.IsOnLayer(pcbnew.B_Cu)]
            on_back = {pad.IsOnLayer(pcbnew.B_Cu) for pad in one_sided}
            self.assertTrue(on_back <= {footprint.IsFlipped()}, footprint.GetReference())


class OnlySelected(PluginRun):
    def test_unselected_footprints_stay_and_the_selected_match_a_locked_run(self):
        board = pcbnew.LoadBoard(LARGE)
        chosen = set()
        for index, footprint in enumerate(sorted(board.GetFootprints(), key=lambda f: f.m_Uuid.AsString())):
            if index % 3 == 0 and not footprint.IsLocked():
                footprint.SetSelected()
                chosen.add(footprint.m_Uuid.AsString())
        before = placements(board)

        result, _ = self.place(board, PlaceOptions(selected_only=True))

        after = placements(board)
        for uuid, placement in before.items():
            if uuid not in chosen:
                self.assertEqual(after[uuid], placement, "unselected footprint %s moved" % uuid)
        self.assertTrue(any(after[uuid] != before[uuid] for uuid in chosen), "no selected footprint moved")
        self.assertTrue(set(result.moved) <= {f.GetReference() for f in board.GetFootprints()
                                              if f.m_Uuid.AsString() in chosen})

        # The same as the command line on the board with every other footprint locked.
        locked = pcbnew.LoadBoard(LARGE)
        for footprint in locked.GetFootprints():
            if footprint.m_Uuid.AsString() not in chosen:
                footprint.SetLocked(True)
        locked_path = os.path.join(self.folder, "locked.kicad_pcb")
        pcbnew.SaveBoard(locked_path, locked)
        expected = placements(self.command_line_placement(locked_path, []))
        for uuid in chosen:
            self.assertEqual(after[uuid], expected[uuid], "selected footprint %s" % uuid)

    def test_nothing_selected_is_refused(self):
        board = pcbnew.LoadBoard(SMALL)
        before = placements(board)
        with self.assertRaisesRegex(PlaceFailed, "no footprint is selected"):
            self.place(board, PlaceOptions(selected_only=True))
        self.assertEqual(placements(board), before)


class Failures(PluginRun):
    """Each failure names its cause and leaves the board exactly as it was."""

    def assert_unchanged_after(self, board, run, message, error=PlaceFailed):
        before = (placements(board), everything_else(board), selection(board))
        with self.assertRaisesRegex(error, message):
            run()
        self.assertEqual((placements(board), everything_else(board), selection(board)), before)

    def test_board_without_outline_gets_the_placers_message(self):
        board = pcbnew.LoadBoard(SMALL)
        for drawing in board.GetDrawings():
            if drawing.GetLayer() == pcbnew.Edge_Cuts:
                drawing.SetLayer(pcbnew.Dwgs_User)
        self.assert_unchanged_after(board, lambda: self.place(board, PlaceOptions()), "keepout")

    def test_value_the_placer_refuses(self):
        board = pcbnew.LoadBoard(SMALL)
        self.assert_unchanged_after(board, lambda: self.place(board, PlaceOptions(grid="12")), "unit")

    def test_stop_during_the_run(self):
        board = pcbnew.LoadBoard(LARGE)
        seen = []
        result = {}

        def stop_after_first_phase():
            return len(seen) > 0

        def run():
            result["value"] = place_board(board, PlaceOptions(), AUTOPLACER,
                                          on_progress=lambda *line: seen.append(line),
                                          should_stop=stop_after_first_phase)

        self.assert_unchanged_after(board, run, "", PlaceStopped)
        self.assertEqual(result, {})
        self.assertEqual(len(seen), 1)

    def test_missing_executable(self):
        board = pcbnew.LoadBoard(SMALL)
        os.environ["PATH"] = self.folder
        os.environ.pop(finder.ENVIRONMENT_VARIABLE, None)

        def run():
            place_board(board, PlaceOptions())

        self.assert_unchanged_after(board, run, "not found")
        self.assert_unchanged_after(
            board, lambda: place_board(board, PlaceOptions(), os.path.join(self.folder, "gone")), "cannot run")


class FindingTheExecutable(PluginRun):
    def test_environment_then_the_stored_path_then_path(self):
        os.environ.pop(finder.ENVIRONMENT_VARIABLE, None)
        elsewhere = os.path.join(self.folder, "bin")
        os.makedirs(elsewhere)
        on_path = os.path.join(elsewhere, "autoplacer")
        os.symlink(AUTOPLACER, on_path)
        os.environ["PATH"] = elsewhere
        self.assertEqual(finder.find_executable(), on_path)
        finder.store_path(AUTOPLACER)  # set once: wins over PATH from now on
        self.assertEqual(finder.find_executable(), os.path.abspath(AUTOPLACER))
        os.environ[finder.ENVIRONMENT_VARIABLE] = on_path
        self.assertEqual(finder.find_executable(), on_path)
        os.environ[finder.ENVIRONMENT_VARIABLE] = os.path.join(self.folder, "gone")
        with self.assertRaisesRegex(finder.ExecutableNotFound, "not an executable"):
            finder.find_executable()
        # A stored path that went away is said, not silently replaced by PATH.
        del os.environ[finder.ENVIRONMENT_VARIABLE]
        finder.store_path(os.path.join(self.folder, "gone"))
        with self.assertRaisesRegex(finder.ExecutableNotFound, "not an executable file any more"):
            finder.find_executable()


if __name__ == "__main__":
    unittest.main()
