#!/usr/bin/env bash
# Places every board of a folder (default: the shared test boards) with
# "autoplacer place" and its default options twice: with the plug-in's fast
# forms and with the plain reference forms (AUTOPLACER_REFERENCE=1). Prints one
# row per board: wall and processor seconds of both runs, their ratio, and
# whether the two written boards are byte for byte the same (cmp).
#
#   bench/place_compare.sh [BOARDS_DIR] [LIMIT_SECONDS] [BOARD_NAME...]
#
# Needs a built build/bin/autoplacer. The boards are read, never written.
set -uo pipefail
cd "$(dirname "$0")/.."
boards=${1:-../shared/boards}
limit=${2:-600}
shift $(( $# > 2 ? 2 : $# ))
app=${AUTOPLACER:-build/bin/autoplacer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # run FORM BOARD NAME: prints "status wall processor"
  local form=$1 board=$2 name=$3 reference=0
  [ "$form" = reference ] && reference=1
  { AUTOPLACER_REFERENCE=$reference /usr/bin/time -f "%e %U" -o "$work/$name.$form.time" \
      timeout --signal=KILL "$limit" nice "$app" place "$board" -o "$work/$name.$form.kicad_pcb" --batch \
      --registry "$work/$name.$form.registry.json" >"$work/$name.$form.out" 2>"$work/$name.$form.err" \
      </dev/null; } 2>/dev/null
  local status=$?
  echo "$status $(tail -1 "$work/$name.$form.time" 2>/dev/null)"
}

printf "| board | fast s (processor) | reference s (processor) | ratio | written boards |\n|---|---|---|---|---|\n"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for board in "$boards"/*.kicad_pcb; do names+=("$(basename "$board" .kicad_pcb)"); done
fi
for name in "${names[@]}"; do
  board="$boards/$name.kicad_pcb"
  read -r fs fw fu <<<"$(run fast "$board" "$name")"
  read -r rs rw ru <<<"$(run reference "$board" "$name")"
  if [ "$fs" != 0 ] || [ "$rs" != 0 ]; then
    same="exit $fs / $rs"
  elif cmp -s "$work/$name.fast.kicad_pcb" "$work/$name.reference.kicad_pcb"; then
    same="identical"
  else
    same="differ"
  fi
  ratio=$(python3 -c "print(f'{float(\"${ru:-0}\") / max(float(\"${fu:-0}\"), 0.01):.1f}')" 2>/dev/null)
  printf "| %s | %s (%s) | %s (%s) | %s | %s |\n" "$name" "${fw:-?}" "${fu:-?}" "${rw:-?}" "${ru:-?}" "$ratio" "$same"
done
