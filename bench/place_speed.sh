#!/usr/bin/env bash
# Speed of the complete placement run. Places each board with "autoplacer place"
# and its default options, once with the plug-in's fast forms and once with the
# plain reference forms (AUTOPLACER_REFERENCE=1), and prints a Markdown table:
# components, processor seconds (user + system) of both runs, their ratio, the
# peak memory (maximum resident set) of the fast run, the components the placer
# could not fit, and whether the two written boards are byte for byte the same.
#
#   bench/place_speed.sh [--fast-only] [--reference-limit SECONDS] [--fast-limit SECONDS]
#                        [--boards DIR] [--seed N] [BOARD_NAME...]
#
# Boards: every DIR/*.kicad_pcb (default DIR ../shared/boards) and the synthetic
# boards synthetic-500 and synthetic-1000; or only the named ones. A name
# synthetic-N is a board of N footprints written by tools/make_synthetic_board.py
# (seed 1 unless --seed) into a temporary folder; any other name is
# DIR/NAME.kicad_pcb. A reference run longer than --reference-limit (default
# 600 s, wall time) is stopped and shown as "over N s (used P)", P being the
# processor seconds it had used, and the ratio as "> P / fast"; the fast run has
# its own limit (default 1800 s). --fast-only skips the reference runs.
#
# Needs a built build/bin/autoplacer (or AUTOPLACER=path), python3 and GNU time
# as /usr/bin/time (Debian package "time"). The boards are read, never written.
# Progress goes to stderr, the table to stdout.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

boards=../shared/boards
reference_limit=600
fast_limit=1800
fast_only=0
seed=1
names=()
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit "$1"; }
while [ $# -gt 0 ]; do
  case $1 in
    --fast-only) fast_only=1 ;;
    --reference-limit) reference_limit=${2:?}; shift ;;
    --fast-limit) fast_limit=${2:?}; shift ;;
    --boards) boards=${2:?}; shift ;;
    --seed) seed=${2:?}; shift ;;
    -h|--help) usage 0 ;;
    -*) echo "place_speed: unknown option $1" >&2; usage 2 >&2 ;;
    *) names+=("$1") ;;
  esac
  shift
done

app=${AUTOPLACER:-build/bin/autoplacer}
if [ ! -x "$app" ]; then echo "place_speed: no $app (build the autoplacer target first)" >&2; exit 2; fi
if [ ! -x /usr/bin/time ]; then echo "place_speed: needs GNU time as /usr/bin/time (apt-get install time)" >&2; exit 2; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ${#names[@]} -eq 0 ]; then
  for board in "$boards"/*.kicad_pcb; do
    [ -e "$board" ] && names+=("$(basename "$board" .kicad_pcb)")
  done
  names+=(synthetic-500 synthetic-1000)
fi

board_file() {  # board_file NAME: the board's path, written first for a synthetic board
  local name=$1
  if [[ $name =~ ^synthetic-([0-9]+)$ ]]; then
    python3 tools/make_synthetic_board.py "${BASH_REMATCH[1]}" "$work/$name.kicad_pcb" --seed "$seed" >&2 || return 1
    echo "$work/$name.kicad_pcb"
  else
    echo "$boards/$name.kicad_pcb"
  fi
}

run() {  # run FORM BOARD NAME LIMIT: prints "status wall processor peak_kb"
  local form=$1 board=$2 name=$3 limit=$4 reference=0
  [ "$form" = reference ] && reference=1
  # Grouped, so that the shell's note about a killed run stays out of the output.
  { AUTOPLACER_REFERENCE=$reference /usr/bin/time -f "%e %U %S %M" -o "$work/$name.$form.time" \
      timeout --kill-after=10 "$limit" nice "$app" place "$board" -o "$work/$name.$form.kicad_pcb" --batch \
      --report "$work/$name.$form.json" --registry "$work/$name.$form.registry.json" \
      >"$work/$name.$form.out" 2>"$work/$name.$form.err" </dev/null; } 2>/dev/null
  local status=$?
  local wall user system peak
  read -r wall user system peak < <(tail -1 "$work/$name.$form.time" 2>/dev/null)
  echo "$status ${wall:-0} $(awk -v u="${user:-0}" -v s="${system:-0}" 'BEGIN { printf "%.2f", u + s }') ${peak:-0}"
}

# timeout ends a run at its limit with SIGTERM (status 124), or SIGKILL 10 s later (137). It waits
# for the run, so /usr/bin/time still counts the processor seconds the run used until then.
timed_out() { [ "$1" = 124 ] || { [ "$1" = 137 ] && awk -v w="$2" -v l="$3" 'BEGIN { exit !(w >= l) }'; }; }

report_field() {  # report_field JSON FIELD: components or the number not fitted, from a run's report
  python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))
print(len(r["not_fitted"]) if sys.argv[2] == "not_fitted" else r[sys.argv[2]])' "$1" "$2" 2>/dev/null
}

printf "| board | components | fast s (processor) | reference s (processor) | reference / fast | fast peak MB | not fitted | written boards |\n"
printf "|---|---|---|---|---|---|---|---|\n"
for name in "${names[@]}"; do
  if ! board=$(board_file "$name") || [ ! -f "$board" ]; then
    printf "| %s | | | | | | | no board |\n" "$name"
    continue
  fi
  echo "place_speed: $name, fast forms" >&2
  read -r fs fw fp fm <<<"$(run fast "$board" "$name" "$fast_limit")"
  [ "$fs" = 9 ] && fs=0  # placed, with parts the report names as not legally placed
  components=$(report_field "$work/$name.fast.json" components)
  [ -n "$components" ] || components=$(grep -cE '^[[:space:]]*\((footprint|module) ' "$board")
  unfitted=$(report_field "$work/$name.fast.json" not_fitted)
  peak=$(awk -v k="$fm" 'BEGIN { printf "%.1f", k / 1024 }')
  if timed_out "$fs" "$fw" "$fast_limit"; then fast="over $fast_limit s (used $fp)"; else fast=$fp; fi

  reference="-" ratio="-" same="-"
  if [ $fast_only = 0 ]; then
    echo "place_speed: $name, reference forms" >&2
    read -r rs rw rp _ <<<"$(run reference "$board" "$name" "$reference_limit")"
    [ "$rs" = 9 ] && rs=0
    if timed_out "$rs" "$rw" "$reference_limit"; then
      # The limit is wall time; the ratio's bound is what the reference had used by then.
      reference="over $reference_limit s (used $rp)"
      same="reference over limit"
      [ "$fs" = 0 ] && ratio="> $(awk -v r="$rp" -v f="$fp" 'BEGIN { printf "%.1f", r / (f > 0.01 ? f : 0.01) }')"
    else
      reference=$rp
      [ "$fs" = 0 ] && [ "$rs" = 0 ] && ratio=$(awk -v r="$rp" -v f="$fp" 'BEGIN { printf "%.1f", r / (f > 0.01 ? f : 0.01) }')
      if [ "$fs" != 0 ] || [ "$rs" != 0 ]; then
        same="exit $fs / $rs"
      elif cmp -s "$work/$name.fast.kicad_pcb" "$work/$name.reference.kicad_pcb"; then
        same="identical"
      else
        same="differ"
      fi
    fi
  elif [ "$fs" != 0 ]; then
    same="fast exit $fs"
  fi
  if [ "$fs" != 0 ] && ! timed_out "$fs" "$fw" "$fast_limit"; then
    why=$(tail -1 "$work/$name.fast.err" 2>/dev/null)
    echo "place_speed: $name: fast run ended with status $fs${why:+: $why}" >&2
  fi
  printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n" "$name" "$components" "$fast" "$reference" "$ratio" "$peak" \
    "${unfitted:--}" "$same"
done
