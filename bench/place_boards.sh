#!/usr/bin/env bash
# Places every board of a folder (default: the shared test boards) with
# "autoplacer place" and its default options, once with the cluster placer and once
# with --statistical, one run at a time with a time limit, and prints one row per
# board and placer of what the placer itself did, judged as KiCad's design-rule check
# judges it (bench/legal_check.cpp): courtyard overlaps that involve a moved part
# (same side; a hole of a through-hole pad inside the courtyard of a part on the
# other side),
# moved parts outside the outline polygon, parts the report (or the statistical
# placer's warning) names as not fitted,
# connection length after over the designer's, and the run's processor seconds.
#
#   bench/place_boards.sh [BOARDS_DIR] [LIMIT_SECONDS]
#
# Needs built build/bin/autoplacer and build/bin/legal_check (AUTOPLACER and
# LEGAL_CHECK override them). The boards are read, never written: the results go to
# a temporary folder. NAMES=1 lists the offending parts under the table.
set -uo pipefail
cd "$(dirname "$0")/.."
boards=${1:-../shared/boards}
limit=${2:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$boards" "$limit" "$work" "${AUTOPLACER:-build/bin/autoplacer}" "${LEGAL_CHECK:-build/bin/legal_check}" \
  "${NAMES:-0}" <<'PY'
import glob, json, os, resource, subprocess, sys
boards, limit, work, app, check, names = sys.argv[1], float(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6] == "1"

def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

placers = [("cluster", []), ("statistical", ["--statistical"])]
rows, notes = [], []
totals = {p: [0, 0, 0, []] for p, _ in placers}
for board in sorted(glob.glob(os.path.join(boards, "*.kicad_pcb"))):
    name = os.path.basename(board)[:-len(".kicad_pcb")]
    row = [name]
    for placer, flags in placers:
        out = os.path.join(work, f"{name}.{placer}.kicad_pcb")
        report = os.path.join(work, f"{name}.{placer}.json")
        start = cpu()
        try:
            run = subprocess.run([app, "place", board, "-o", out, "--report", report, "--batch",
                                  "--registry", os.path.join(work, "registry.json")] + flags,
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=limit)
            status = run.returncode
        except subprocess.TimeoutExpired:
            row += ["", "", "", "", f"over {limit:.0f}"]
            continue
        seconds = cpu() - start
        if not os.path.exists(report) or not os.path.exists(out):
            why = run.stderr.strip().splitlines()
            row += [f"exit {status}: " + (why[-1] if why else ""), "", "", "", f"{seconds:.1f}"]
            continue
        r = json.load(open(report))
        judged = subprocess.run([check, board, out] + (["--names"] if names else []), capture_output=True, text=True)
        lines = judged.stdout.split("\n")
        summary = [l for l in lines if l.startswith("overlaps ")]
        if judged.returncode != 0 or not summary:
            row += ["check failed: " + judged.stderr.strip(), "", "", "", f"{seconds:.1f}"]
            continue
        words = summary[0].split()
        overlaps, outside = int(words[1]), int(words[3])
        unfit = list(r["not_fitted"])
        # The statistical placer names the parts it found no room for in its warning.
        for l in (run.stdout + run.stderr).splitlines():
            if "found no room for:" in l and not unfit:
                unfit = l.split("found no room for:", 1)[1].split()
        unfitted = len(unfit)
        ratio = r["after"]["connection_length_mm"] / r["before"]["connection_length_mm"]
        t = totals[placer]
        t[0] += overlaps; t[1] += outside; t[2] += unfitted; t[3].append(ratio)
        row += [str(overlaps), str(outside), str(unfitted), f"{ratio:.2f}", f"{seconds:.1f}"]
        if names:
            for l in lines:
                if l and not l.startswith("overlaps "):
                    notes.append(f"{name} {placer}: {l}")
            for ref in unfit:
                notes.append(f"{name} {placer}: not fitted {ref}")
    rows.append(row)

header = ["board"]
for placer, _ in placers:
    header += [f"{placer}: overlaps", "outside", "not fitted", "length ÷ designer's", "cpu s"]
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
for row in rows:
    print("| " + " | ".join(row + [""] * (len(header) - len(row))) + " |")
total = ["all boards"]
for placer, _ in placers:
    o, s, u, ratios = totals[placer]
    mean = sum(ratios) / len(ratios) if ratios else 0
    total += [str(o), str(s), str(u), f"mean {mean:.2f}", ""]
print("| " + " | ".join(total) + " |")
for n in notes:
    print(n)
PY
