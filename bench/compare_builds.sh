#!/usr/bin/env bash
# Places every board of a folder with two builds of autoplacer under the default
# options (the cluster placer), one run at a time, and prints per board the
# processor seconds of each, their ratio and whether the two written boards are
# byte for byte the same: a speed-up must not move any part.
#
#   bench/compare_builds.sh BEFORE_BIN_DIR AFTER_BIN_DIR [BOARDS_DIR]
#
# Each BIN_DIR holds autoplacer, libautoplacer.so and libhostpcb.so (copy a
# build's bin folder aside before changing it). The boards are read, never
# written: the results go to a temporary folder.
set -uo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 BEFORE_BIN_DIR AFTER_BIN_DIR [BOARDS_DIR]" >&2
  exit 2
fi
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
boards=${3:-../shared/boards}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Processor seconds (user + system) of one placement; the board goes to $3.
place() {
  local bin=$1 board=$2 out=$3
  rm -f "$work/registry.json"
  LD_LIBRARY_PATH="$bin" /usr/bin/time -o "$work/time" -f "%U %S" \
    "$bin/autoplacer" place "$board" -o "$out" --batch --registry "$work/registry.json" \
    >/dev/null 2>"$work/stderr" </dev/null
  # time writes "Command exited with non-zero status N" first when the placer
  # reports parts it could not place (exit 9): the times are on the last line.
  tail -n 1 "$work/time" | awk '{ printf "%.2f", $1 + $2 }'
}

printf '| board | before cpu s | after cpu s | before / after | same board |\n|---|---|---|---|---|\n'
total_before=0
total_after=0
for board in "$boards"/*.kicad_pcb; do
  name=$(basename "$board" .kicad_pcb)
  b=$(place "$before" "$board" "$work/$name.before.kicad_pcb")
  a=$(place "$after" "$board" "$work/$name.after.kicad_pcb")
  if cmp -s "$work/$name.before.kicad_pcb" "$work/$name.after.kicad_pcb"; then same=yes; else same=NO; fi
  ratio=$(awk -v b="$b" -v a="$a" 'BEGIN { if (a > 0) printf "%.2f", b / a; else print "-" }')
  printf '| %s | %s | %s | %s | %s |\n' "$name" "$b" "$a" "$ratio" "$same"
  total_before=$(awk -v t="$total_before" -v b="$b" 'BEGIN { print t + b }')
  total_after=$(awk -v t="$total_after" -v a="$a" 'BEGIN { print t + a }')
done
printf '| all boards | %.2f | %.2f | %s | |\n' "$total_before" "$total_after" \
  "$(awk -v b="$total_before" -v a="$total_after" 'BEGIN { if (a > 0) printf "%.2f", b / a }')"
