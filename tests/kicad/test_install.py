"""The install script: the package lands in the plugin folder, the executable is remembered, uninstall removes it."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

INSTALL = os.path.join(os.environ["AUTOPLACER_SOURCE_DIR"], "kicad", "install.py")
AUTOPLACER = os.environ["AUTOPLACER_EXECUTABLE"]


class Install(unittest.TestCase):
    def run_install(self, *arguments, home):
        environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                           XDG_DATA_HOME=os.path.join(home, "data"))
        return subprocess.run([sys.executable, INSTALL] + list(arguments), env=environment,
                              capture_output=True, text=True)

    def test_install_remember_and_uninstall(self):
        with tempfile.TemporaryDirectory() as home:
            # No KiCad set up for this user: said, nothing written.
            refused = self.run_install(home=home)
            self.assertEqual(refused.returncode, 1)
            self.assertIn("no KiCad 6 or later", refused.stderr)
            self.assertEqual(os.listdir(home), [])

            os.makedirs(os.path.join(home, "data", "kicad", "8.0"))
            done = self.run_install("--autoplacer", AUTOPLACER, home=home)
            self.assertEqual(done.returncode, 0, done.stderr)
            package = os.path.join(home, "data", "kicad", "8.0", "scripting", "plugins", "autoplacer_kicad")
            for name in ("__init__.py", "action.py", "place.py", "icon.png"):
                self.assertTrue(os.path.isfile(os.path.join(package, name)), name)
            self.assertFalse(os.path.exists(os.path.join(home, "data", "kicad", "6.0")))
            with open(os.path.join(home, "config", "autoplacer", "kicad-plugin.json"), encoding="utf-8") as f:
                self.assertEqual(json.load(f), {"autoplacer": os.path.abspath(AUTOPLACER)})

            # A wrong executable is refused before anything is copied.
            elsewhere = os.path.join(home, "elsewhere")
            wrong = self.run_install("--plugins-dir", elsewhere, "--autoplacer", os.path.join(home, "gone"), home=home)
            self.assertEqual(wrong.returncode, 1)
            self.assertIn("not an executable file", wrong.stderr)
            self.assertFalse(os.path.exists(elsewhere))
            removed = self.run_install("--uninstall", home=home)
            self.assertEqual(removed.returncode, 0, removed.stderr)
            self.assertFalse(os.path.exists(package))


if __name__ == "__main__":
    unittest.main()
