"""Running `autoplacer place` on a board file: progress from its output, Stop, its report."""

import json
import os
import queue
import re
import subprocess
import threading

# Statuses after which the placed board was written.
EXIT_OK = 0
EXIT_NOT_LEGAL = 9  # placed, but some part not fitted, outside or overlapping

_PROGRESS = re.compile(r"^progress (\d+)/(\d+) (.*)$")
_POLL_SECONDS = 0.05
_TERMINATE_GRACE_SECONDS = 3


class PlaceFailed(Exception):
    pass


class PlaceStopped(Exception):
    pass


def parse_progress(line):
    """(done, total, phase) of a progress line, None for any other line."""
    match = _PROGRESS.match(line)
    if not match:
        return None
    return int(match.group(1)), int(match.group(2)), match.group(3)


def _read_lines(stream, lines):
    for line in iter(stream.readline, ""):
        lines.put(line.rstrip("\n"))
    lines.put(None)


def _end(process):
    process.terminate()
    try:
        process.wait(_TERMINATE_GRACE_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def run_place(executable, board_path, output_path, report_path, registry_path, arguments,
              on_progress=None, should_stop=None):
    """Places board_path into output_path and returns the report (a dict).

    on_progress(done, total, phase) is called from this thread for each progress
    line; should_stop() is asked between lines, and when it says so the run ends
    and PlaceStopped is raised. A run that writes no board raises PlaceFailed
    with the placer's own message.
    """
    command = [executable, "place", board_path, "-o", output_path, "--report", report_path,
               "--registry", registry_path, "--batch", "--progress-lines"] + list(arguments)
    try:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, text=True, errors="replace")
    except OSError as error:
        raise PlaceFailed("cannot run %s: %s" % (executable, error)) from error
    lines = queue.Queue()
    reader = threading.Thread(target=_read_lines, args=(process.stderr, lines), daemon=True)
    reader.start()
    messages = []
    try:
        finished = False
        while not finished:
            if should_stop is not None and should_stop():
                _end(process)
                raise PlaceStopped()
            try:
                line = lines.get(timeout=_POLL_SECONDS)
            except queue.Empty:
                continue
            if line is None:
                finished = True
                continue
            progress = parse_progress(line)
            if progress is None:
                messages.append(line)
            elif on_progress is not None:
                on_progress(*progress)
        status = process.wait()
    finally:
        if process.poll() is None:
            _end(process)
        reader.join(_TERMINATE_GRACE_SECONDS)
        process.stderr.close()
    if status not in (EXIT_OK, EXIT_NOT_LEGAL) or not os.path.isfile(output_path):
        errors = [m[len("autoplacer: "):] for m in messages if m.startswith("autoplacer: ")]
        why = "\n".join(errors or messages) or "autoplacer ended with status %d" % status
        raise PlaceFailed(why)
    try:
        with open(report_path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as error:
        raise PlaceFailed("the placer's report cannot be read: %s" % error) from error

