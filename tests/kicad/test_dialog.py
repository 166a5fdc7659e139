"""The plugin's options dialog: what its controls turn into (needs a display; CTest runs it under xvfb-run)."""

import os
import sys
import unittest

import wx

sys.path.insert(0, os.path.join(os.environ["AUTOPLACER_SOURCE_DIR"], "kicad"))

from autoplacer_kicad.dialog import PlaceDialog  # noqa: E402
from autoplacer_kicad.options import STATISTICAL, PlaceOptions  # noqa: E402


@unittest.skipUnless(os.environ.get("DISPLAY"), "no display: run under xvfb-run")
class Dialog(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app = wx.App()

    def make(self, any_selected):
        dialog = PlaceDialog(None, "/opt/autoplacer", "", any_selected)
        self.addCleanup(dialog.Destroy)
        return dialog

    def test_controls_become_the_options_and_flags(self):
        dialog = self.make(any_selected=True)
        self.assertEqual(dialog.options(), PlaceOptions(selected_only=True))  # starts from the placer's defaults
        dialog.grid.SetValue(" 0.5mm ")
        dialog.threshold.SetValue(70)
        dialog.weights["crossover_weight"].SetValue(9)
        dialog.weights["guide_weight"].SetValue(99)  # beyond the range: held at 15
        dialog.selected_only.SetValue(False)
        options = dialog.options()
        self.assertEqual(options.arguments(),
                         ["--grid", "0.5mm", "--threshold", "70", "--guide-weight", "15", "--pad-weight", "1",
                          "--length-weight", "1", "--crossover-weight", "9", "--direction-weight", "1"])
        self.assertFalse(options.selected_only)
        self.assertEqual(dialog.executable_path(), "/opt/autoplacer")
        dialog._set_defaults()
        self.assertEqual(dialog.options(), PlaceOptions())

    def test_statistical_placer_takes_none_of_the_cluster_options(self):
        dialog = self.make(any_selected=False)
        dialog.placer.SetSelection(1)
        dialog._enable_cluster_options()
        self.assertFalse(dialog.grid.IsEnabled())
        self.assertFalse(any(control.IsEnabled() for control in dialog.weights.values()))
        options = dialog.options()
        self.assertEqual(options.placer, STATISTICAL)
        self.assertEqual(options.arguments(), ["--statistical"])
        # Nothing selected on the board: the choice is off and cannot be made.
        self.assertFalse(dialog.selected_only.IsEnabled())
        dialog.selected_only.SetValue(True)
        self.assertFalse(dialog.options().selected_only)


if __name__ == "__main__":
    unittest.main()
