"""Runs the KiCad plugin's tests, or reports them skipped (CTest status 77) when
this Python has no KiCad pcbnew module: scripts/setup.sh installs Debian's kicad
package, whose module is for /usr/bin/python3."""

import os
import shutil
import sys
import tempfile
import unittest

SKIPPED = 77

# Importing pcbnew creates KiCad's settings and data folders: in a scratch
# folder, not in the home of whoever runs the tests.
scratch = tempfile.mkdtemp(prefix="autoplacer-kicad-tests-")
os.environ["XDG_CONFIG_HOME"] = os.path.join(scratch, "config")
os.environ["XDG_DATA_HOME"] = os.path.join(scratch, "data")

try:
    import pcbnew  # noqa: F401
except ImportError as error:
    print("SKIPPED: %s has no KiCad pcbnew module (%s); run scripts/setup.sh to install the kicad package"
          % (sys.executable, error))
    shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(SKIPPED)

here = os.path.dirname(os.path.abspath(__file__))
suite = unittest.defaultTestLoader.discover(here, pattern="test_*.py", top_level_dir=here)
outcome = unittest.TextTestRunner(verbosity=2).run(suite)
shutil.rmtree(scratch, ignore_errors=True)
sys.exit(0 if outcome.wasSuccessful() else 1)
