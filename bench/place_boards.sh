#!/usr/bin/env bash
# Places every board of a folder (default: the shared test boards) with
# "autoplacer place" and its default options, one board at a time with a time
# limit, and prints one row per board: components, run time, connection length
# before (the designer's placement) and after, overlapping pairs, components
# outside the outline, components the placer could not fit.
#
#   bench/place_boards.sh [BOARDS_DIR] [LIMIT_SECONDS]
#
# Needs a built build/bin/autoplacer. The boards are read, never written: the
# results go to a temporary folder.
set -uo pipefail
cd "$(dirname "$0")/.."
boards=${1:-../shared/boards}
limit=${2:-300}
app=${AUTOPLACER:-build/bin/autoplacer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for board in "$boards"/*.kicad_pcb; do
  name=$(basename "$board" .kicad_pcb)
  start=$(date +%s.%N)
  # Grouped, so that the shell's note about a killed run stays out of the table.
  { timeout --signal=KILL "$limit" nice "$app" place "$board" -o "$work/$name.placed.kicad_pcb" \
    --report "$work/$name.json" --batch --registry "$work/registry.json" \
    >"$work/$name.out" 2>"$work/$name.err" </dev/null; } 2>/dev/null
  status=$?
  end=$(date +%s.%N)
  echo "$name $status $start $end" >>"$work/runs.txt"
done

python3 - "$work" "$limit" <<'PY'
import json, os, sys
work, limit = sys.argv[1], sys.argv[2]
header = ("board", "parts", "time s", "length before mm", "length after mm",
          "overlaps before", "overlaps after", "outside before", "outside after", "not fitted")
rows = []
for line in open(os.path.join(work, "runs.txt")):
    name, status, start, end = line.split()
    seconds = float(end) - float(start)
    report = os.path.join(work, name + ".json")
    if status == "137":
        rows.append((name, "", f"over {limit}", "", "", "", "", "", "", ""))
        continue
    if not os.path.exists(report):
        why = open(os.path.join(work, name + ".err")).read().strip().splitlines()
        rows.append((name, "", f"{seconds:.1f}", "exit " + status + ": " + (why[-1] if why else ""), "", "", "", "", "", ""))
        continue
    r = json.load(open(report))
    b, a = r["before"], r["after"]
    rows.append((name, str(r["components"]), f"{seconds:.1f}",
                 f"{b['connection_length_mm']:.0f}", f"{a['connection_length_mm']:.0f}",
                 str(b["overlapping_pairs"]), str(a["overlapping_pairs"]),
                 str(b["outside_outline"]), str(a["outside_outline"]), str(len(r["not_fitted"]))))
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
for row in rows:
    print("| " + " | ".join(row) + " |")
PY
