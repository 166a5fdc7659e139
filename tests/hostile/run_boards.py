#!/usr/bin/env python3
"""Runs `autoplacer place` with both placers on boards, each run within a time
bound, and checks its exit status against what the case allows. A written board
must be one the reader loads again (`autoplacer stats` succeeds on it). In the
sanitizer build a sanitizer report ends the process with a non-zero status of its
own, so the status check is the sanitizer check too.

    run_boards.py AUTOPLACER hostile BOARDS_DIR [--timeout S] [--copies N]
        the hostile set made by make_boards.py from the shared boards (N copies
        of one footprint, 2000 unless given)
    run_boards.py AUTOPLACER shared BOARDS_DIR [--timeout S] [--only NAME,NAME]
        the shared boards as they are

Prints one line per run (case, placer, status, seconds) and exits 1 when any run
failed its check, 77 (skipped) when BOARDS_DIR does not exist."""
import argparse
import os
import pathlib
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import make_boards  # noqa: E402

OK, USAGE, CANNOT_WRITE, REFUSED, NOT_LEGAL = 0, 2, 4, 5, 9
PLACED = {OK, NOT_LEGAL}

# The statuses each hostile case may end with, for both placers (docs/hostile-boards.md).
EXPECTED = {
    "tiny-outline": PLACED | {REFUSED},
    "arc-only-outline": PLACED,
    "circular-outline": PLACED,
    "self-crossing-outline": PLACED | {REFUSED},
    "one-part": PLACED,
    "all-locked": {OK},
    "no-nets": PLACED,
    "no-pads": PLACED,
    "empty-footprint": PLACED,
    "one-metre-pad": {USAGE},
    "copies-of-one-footprint": PLACED,
    "parts-far-outside": PLACED,
    "parts-beyond-the-host": {USAGE},
    "duplicate-designators": PLACED,
    "contradicting-rooms": PLACED,
    "room-outside-the-board": PLACED,
    "rotations-none": {USAGE},
    "rotations-unmeetable": PLACED,
    "huge-clearance-full": PLACED,
    "huge-clearance-extents": PLACED,
    "clearance-50-full": PLACED,
}

PLACERS = {"cluster": [], "statistical": ["--statistical"]}


def run(command, timeout, env):
    start = time.monotonic()
    try:
        done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=timeout, env=env)
        return done.returncode, done.stderr.decode(errors="replace"), time.monotonic() - start
    except subprocess.TimeoutExpired as expired:
        err = (expired.stderr or b"").decode(errors="replace")
        return None, err, time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("autoplacer")
    parser.add_argument("set", choices=["hostile", "shared"])
    parser.add_argument("boards")
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("--only", default="")
    parser.add_argument("--copies", type=int, default=2000)
    args = parser.parse_args()
    if not pathlib.Path(args.boards).is_dir():
        print(f"{args.boards}: no shared boards here; skipped")
        return 77
    env = dict(os.environ)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="autoplacer-hostile-") as scratch:
        scratch = pathlib.Path(scratch)
        env["XDG_CONFIG_HOME"] = str(scratch / "config")
        if args.set == "hostile":
            folder = scratch / "boards"
            folder.mkdir()
            board = make_boards.Board(pathlib.Path(args.boards, make_boards.BASE).read_text())
            cases = []
            for name, text, rule_text in make_boards.cases(board, args.copies):
                (folder / f"{name}.kicad_pcb").write_text(text)
                if rule_text is not None:
                    (folder / f"{name}.placer_rules").write_text(rule_text)
                cases.append((name, folder / f"{name}.kicad_pcb", EXPECTED[name]))
        else:
            names = sorted(p.name for p in pathlib.Path(args.boards).glob("*.kicad_pcb"))
            if args.only:
                names = [n for n in names if n.removesuffix(".kicad_pcb") in args.only.split(",")]
            cases = [(n.removesuffix(".kicad_pcb"), pathlib.Path(args.boards, n), PLACED) for n in names]
        for name, path, expected in cases:
            for placer, flags in PLACERS.items():
                output = scratch / f"{name}.{placer}.kicad_pcb"
                status, err, seconds = run([args.autoplacer, "place", str(path), "-o", str(output),
                                            "--registry", str(scratch / "registry.json")] + flags,
                                           args.timeout, env)
                problem = ""
                if status is None:
                    problem = f"no end within {args.timeout:g} s"
                elif status not in expected:
                    problem = f"status {status}, expected one of {sorted(expected)}"
                elif status in PLACED:
                    check, check_err, _ = run([args.autoplacer, "stats", str(output)], args.timeout, env)
                    if check != OK:
                        problem, err = f"the written board does not load again (stats: {check})", check_err
                elif output.exists():
                    problem = "a board was written by a run that failed"
                print(f"{name:28} {placer:12} {str(status):>4} {seconds:7.1f} s  {problem or 'ok'}", flush=True)
                if problem:
                    failures += 1
                    print("    " + "\n    ".join(err.strip().splitlines()[-15:]), flush=True)
                output.unlink(missing_ok=True)
    print(f"{failures} of {2 * len(cases)} runs failed" if failures else f"all {2 * len(cases)} runs passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
