"""Runs the KiCad plugin's tests, or reports them skipped (CTest status 77) when
this Python has no KiCad pcbnew module: scripts/setup.sh installs Debian's kicad
package, whose module is for /usr/bin/python3."""

import os
import sys
import unittest

SKIPPED = 77

try:
    import pcbnew  # noqa: F401
except ImportError as error:
    print("SKIPPED: %s has no KiCad pcbnew module (%s); run scripts/setup.sh to install the kicad package"
          % (sys.executable, error))
    sys.exit(SKIPPED)

here = os.path.dirname(os.path.abspath(__file__))
suite = unittest.defaultTestLoader.discover(here, pattern="test_*.py", top_level_dir=here)
outcome = unittest.TextTestRunner(verbosity=2).run(suite)
sys.exit(0 if outcome.wasSuccessful() else 1)
