#!/usr/bin/env bash
# Drawn cursor moves per second while a component of reform-keyboard (383
# footprints, the largest shared board) is dragged in the browser view, in a
# headless chromium. Usage: bench/browser_redraw.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
AUTOPLACER_EXECUTABLE="$build/bin/autoplacer" AUTOPLACER_BOARDS_DIR="${AUTOPLACER_BOARDS_DIR:-/work/shared/boards}" \
  /usr/bin/python3 "$here/tests/browser/browser_session.py" redraw
