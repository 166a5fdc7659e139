#!/usr/bin/env python3
"""Interrupts `autoplacer place` at random moments and checks that nothing is lost.

    signal_runs.py AUTOPLACER BOARD [--runs N] [--seed S] [--timeout S]

Each run places a copy of BOARD (the placers take turns) and gets one signal at a
moment drawn between the start and a little past the end of an undisturbed run:
SIGINT with the stop question answered "stop and restore", "stop" or "go on" in
turn, or SIGTERM. Afterwards the input is unchanged, no temporary file is left
beside it, and the output is absent, byte for byte the input (a restore), or a
board the reader loads (`autoplacer stats` succeeds). Prints one line per run and
exits 1 when any run failed its check, 77 (skipped) when BOARD does not exist."""
import argparse
import hashlib
import pathlib
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

OK, STOPPED, NOT_LEGAL = 0, 6, 9
ANSWERS = {
    "stop and restore": ["--answer", "Confirm.Restore_CheckBox=1", "--answer", "Confirm=Yes"],
    "stop": ["--answer", "Confirm=Yes"],
    "go on": ["--answer", "Confirm=No"],
}
KINDS = ["stop and restore", "stop", "go on", "SIGTERM"]
PLACERS = [[], ["--statistical"]]


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("autoplacer")
    parser.add_argument("board")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=600)
    args = parser.parse_args()
    if not pathlib.Path(args.board).is_file():
        print(f"{args.board}: no such board; skipped")
        return 77
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="autoplacer-signals-") as scratch:
        scratch = pathlib.Path(scratch)
        board = scratch / "board.kicad_pcb"
        shutil.copyfile(args.board, board)
        original = board.read_bytes()
        output = scratch / "out.kicad_pcb"
        registry = scratch / "registry.json"

        def command(placer, extra=()):
            return [args.autoplacer, "place", str(board), "-o", str(output), "--registry", str(registry),
                    *placer, *extra]

        # An undisturbed run of each placer sets the span the signal moments are drawn from.
        spans = []
        for placer in PLACERS:
            start = time.monotonic()
            subprocess.run(command(placer), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=args.timeout)
            spans.append(time.monotonic() - start)
            output.unlink(missing_ok=True)

        for run in range(args.runs):
            kind = KINDS[run % len(KINDS)]
            placer = PLACERS[(run // len(KINDS)) % len(PLACERS)]
            delay = rng.uniform(0, 1.1 * spans[PLACERS.index(placer)])
            process = subprocess.Popen(command(placer, ANSWERS.get(kind, [])), stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            time.sleep(delay)
            process.send_signal(signal.SIGTERM if kind == "SIGTERM" else signal.SIGINT)
            try:
                _, err = process.communicate(timeout=args.timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                _, err = process.communicate()
                err += b"\n(no end within the time limit)"
            status = process.returncode
            problems = []
            if board.read_bytes() != original:
                problems.append("the input changed")
            leftovers = sorted(p.name for p in scratch.iterdir()
                               if p.name not in ("board.kicad_pcb", "out.kicad_pcb", "registry.json"))
            if leftovers:
                problems.append("left behind: " + ", ".join(leftovers))
            if status not in (OK, STOPPED, NOT_LEGAL, -signal.SIGINT, -signal.SIGTERM):
                problems.append(f"status {status}")
            result = "absent"
            if output.exists():
                if output.read_bytes() == original:
                    result = "the input"
                else:
                    stats = subprocess.run([args.autoplacer, "stats", str(output)], stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=args.timeout)
                    result = "loads" if stats.returncode == 0 else "does not load"
                    if stats.returncode != 0:
                        problems.append("the output does not load: " + stats.stderr.decode(errors="replace").strip())
                if kind == "stop and restore" and status == STOPPED and result != "the input":
                    problems.append("stopped with restore, but the output is not the input")
            if status in (OK, NOT_LEGAL, STOPPED) and result == "absent":
                problems.append("a run that says it wrote the board left no output")
            name = "statistical" if placer else "cluster"
            print(f"{run + 1:3} {name:12} {kind:17} at {delay:6.2f} s  status {str(status):>4}  output {result:10}"
                  f"  {'; '.join(problems) or 'ok'}", flush=True)
            if problems:
                failures += 1
                print("    " + "\n    ".join(err.decode(errors="replace").strip().splitlines()[-10:]), flush=True)
            output.unlink(missing_ok=True)
    print(f"{failures} of {args.runs} runs failed" if failures else f"all {args.runs} runs passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
