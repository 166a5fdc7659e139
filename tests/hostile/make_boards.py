#!/usr/bin/env python3
"""Writes the hostile boards: a shared KiCad board made odd on purpose, one way
per case (outlines that are tiny, arcs only, a circle or crossing themselves;
one part; every part locked; no nets; no pads; a 1 m pad; 2000 copies of one
footprint, or --copies N; parts far outside; duplicate designators; rooms that
contradict each other or lie outside the board; rotation rules no part can
meet; huge clearances). Each case is CASE.kicad_pcb, with CASE.placer_rules
beside it when the case is about rules, in the output folder.

    make_boards.py BOARDS_DIR OUT_DIR [--copies N]   writes every case, prints their names

The boards are made at test time from the shared boards; none is kept in the
repository. Only the standard library is used."""
import pathlib
import re
import sys

BASE = "uext-esp32-c3.kicad_pcb"  # KiCad 6, 17 footprints, a 14 x 32 mm rectangle


def list_spans(text, depth_wanted):
    """(start, end) of every list at depth_wanted (1 = the file's own list), in order."""
    spans, depth, starts, in_string, i = [], 0, [], False, 0
    while i < len(text):
        c = text[i]
        if in_string:
            if c == "\\":
                i += 1
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
        elif c == "(":
            depth += 1
            starts.append(i)
        elif c == ")":
            start = starts.pop()
            if depth == depth_wanted:
                spans.append((start, i + 1))
            depth -= 1
        i += 1
    return spans


def head(item):
    return re.match(r"\(\s*([^\s()]+)", item).group(1)


def children(item, name):
    """Spans of the direct sub-lists of item whose head is name."""
    return [(s, e) for s, e in list_spans(item, 2) if head(item[s:e]) == name]


def without_children(item, name):
    for s, e in reversed(children(item, name)):
        item = item[:s].rstrip(" \t") + item[e:]
    return item


def replace_child(item, name, new):
    s, e = children(item, name)[0]
    return item[:s] + new + item[e:]


class Board:
    def __init__(self, text):
        spans = list_spans(text, 2)
        self.items = [text[s:e] for s, e in spans]

    def of(self, *names):
        return [it for it in self.items if head(it) in names]

    @property
    def footprints(self):
        return self.of("footprint", "module")

    def outline(self):
        return [it for it in self.items if head(it).startswith("gr_") and '"Edge.Cuts"' in it]

    def write(self, items):
        return "(kicad_pcb\n  " + "\n  ".join(items) + "\n)\n"

    def assemble(self, footprints=None, outline=None, routing=True, nets=None):
        """The board with its footprints, outline, routing and net list replaced."""
        keep = []
        for it in self.items:
            h = head(it)
            if h in ("footprint", "module"):
                continue
            if h.startswith("gr_") and '"Edge.Cuts"' in it and outline is not None:
                continue
            if h in ("segment", "via", "arc", "zone") and not routing:
                continue
            if h == "net" and nets is not None:
                continue
            keep.append(it)
        if nets is not None:
            keep += nets
        keep += outline or []
        keep += self.footprints if footprints is None else footprints
        return self.write(keep)


def at_of(fp):
    s, e = children(fp, "at")[0]
    parts = fp[s + 1:e - 1].split()
    return float(parts[1]), float(parts[2]), float(parts[3]) if len(parts) > 3 else 0.0


def moved(fp, x, y, angle=None):
    _, _, a = at_of(fp)
    a = a if angle is None else angle
    return replace_child(fp, "at", f"(at {x:g} {y:g} {a:g})" if a else f"(at {x:g} {y:g})")


def renamed(fp, ref):
    fp = re.sub(r'(\(fp_text reference )("[^"]*"|\S+)', lambda m: m.group(1) + f'"{ref}"', fp, count=1)
    return re.sub(r'(\(property "Reference" )("[^"]*")', lambda m: m.group(1) + f'"{ref}"', fp, count=1)


def reference(fp):
    m = re.search(r'\(fp_text reference ("[^"]*"|\S+)', fp) or re.search(r'\(property "Reference" ("[^"]*")', fp)
    return m.group(1).strip('"')


def locked(fp):
    return fp if re.match(r'\((footprint|module) ("[^"]*"|\S+) locked', fp) else \
        re.sub(r'^\((footprint|module) ("[^"]*"|\S+)', lambda m: m.group(0) + " locked", fp, count=1)


def netless(fp):
    out = fp
    for s, e in reversed(children(fp, "pad")):
        out = out[:s] + re.sub(r'\s*\(net \d+ "[^"]*"\)', "", out[s:e]) + out[e:]
    return out


def lines(points, close=True):
    pts = points + ([points[0]] if close else [])
    return [f'(gr_line (start {a[0]:g} {a[1]:g}) (end {b[0]:g} {b[1]:g}) (layer "Edge.Cuts") (width 0.1))'
            for a, b in zip(pts, pts[1:])]


def rect(x0, y0, x1, y1):
    return lines([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


def rules(*entries):
    return "(placer_rules\n  (version 1)\n  " + "\n  ".join(entries) + "\n)\n"


def cases(board, copies=2000):
    fps = board.footprints
    refs = [reference(fp) for fp in fps]
    everything = "(component_class \"All\" " + " ".join(f'"{r}"' for r in refs) + ")"
    # The board's rectangle, from its outline.
    points = [(float(x), float(y)) for it in board.outline()
              for x, y in re.findall(r"\((?:start|end) ([-\d.]+) ([-\d.]+)\)", it)]
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    x0, y0, x1, y1 = min(xs), min(ys), max(xs), max(ys)
    cx, cy, r = (x0 + x1) / 2, (y0 + y1) / 2, max(x1 - x0, y1 - y0) / 2 + 5
    empty_nets = ['(net 0 "")']

    yield "tiny-outline", board.assemble(outline=rect(cx, cy, cx + 0.5, cy + 0.5)), None
    yield "arc-only-outline", board.assemble(outline=[
        f'(gr_arc (start {cx:g} {cy - r:g}) (mid {cx - r:g} {cy:g}) (end {cx:g} {cy + r:g}) (layer "Edge.Cuts") (width 0.1))',
        f'(gr_arc (start {cx:g} {cy + r:g}) (mid {cx + r:g} {cy:g}) (end {cx:g} {cy - r:g}) (layer "Edge.Cuts") (width 0.1))',
    ]), None
    yield "circular-outline", board.assemble(outline=[
        f'(gr_circle (center {cx:g} {cy:g}) (end {cx + r:g} {cy:g}) (layer "Edge.Cuts") (width 0.1))']), None
    yield "self-crossing-outline", board.assemble(
        outline=lines([(x0, y0), (x1, y1), (x1, y0), (x0, y1)])), None
    yield "one-part", board.assemble(footprints=[fps[0]], routing=False), None
    yield "all-locked", board.assemble(footprints=[locked(fp) for fp in fps]), None
    yield "no-nets", board.assemble(footprints=[netless(fp) for fp in fps], routing=False, nets=empty_nets), None
    yield "no-pads", board.assemble(footprints=[without_children(fp, "pad") for fp in fps], routing=False,
                                    nets=empty_nets), None
    # A footprint with nothing in it (a logo on an unmapped layer, a marker) among the others.
    bare = re.match(r'\((footprint|module) ("[^"]*"|\S+)', fps[0]).group(0)
    yield "empty-footprint", board.assemble(
        footprints=fps + [f'{bare} (layer "F.Cu") (at {cx:g} {cy:g}) (fp_text reference "LOGO1" (at 0 0) '
                          f'(layer "Dwgs.User") (effects (font (size 1 1) (thickness 0.15)))))']), None
    pad = children(fps[0], "pad")[0]
    big = fps[0][:pad[0]] + replace_child(fps[0][pad[0]:pad[1]], "size", "(size 1000 1000)") + fps[0][pad[1]:]
    yield "one-metre-pad", board.assemble(footprints=[big] + fps[1:]), None
    # Copies of the smallest two-pad footprint, without nets, on a 100 mm square.
    small = min((fp for fp in fps if len(children(fp, "pad")) == 2), key=len)
    many = [renamed(moved(netless(small), 50 + (i % 45) * 2, 50 + (i // 45) * 2), f"R{i + 1}") for i in range(copies)]
    yield "copies-of-one-footprint", board.assemble(footprints=many, outline=rect(40, 40, 140, 140), routing=False,
                                                    nets=empty_nets), None
    yield "parts-far-outside", board.assemble(
        footprints=[moved(fp, 2000 + i, 4500 + i) for i, fp in enumerate(fps)]), None
    yield "parts-beyond-the-host", board.assemble(footprints=[moved(fps[0], 9000, 9000)] + fps[1:]), None
    yield "duplicate-designators", board.assemble(footprints=[renamed(fp, "U1") for fp in fps]), None
    yield "contradicting-rooms", board.assemble(), rules(
        everything,
        f'(room "Left" (rect {x0:g} {y0:g} {cx:g} {y1:g}) (keep inside) (scope (class "All")))',
        f'(room "Right" (rect {cx:g} {y0:g} {x1:g} {y1:g}) (keep inside) (scope (class "All")))',
        f'(room "Nowhere" (rect {x0 - 1:g} {y0 - 1:g} {x1 + 1:g} {y1 + 1:g}) (keep outside) (scope (class "All")))',
        f'(room "Bottom only" (rect {x0:g} {y0:g} {x1:g} {y1:g}) (keep inside) (layer bottom) (scope (class "All")))',
        '(layers (permitted top) (scope (class "All")))')
    yield "room-outside-the-board", board.assemble(), rules(
        everything, f'(room "Away" (rect {x1 + 200:g} {y1 + 200:g} {x1 + 230:g} {y1 + 230:g}) (keep inside) '
                    '(scope (class "All")))')
    # No angle at all is an error of the rules file; parts at 45 degrees with only
    # right angles allowed have no angle they may take.
    yield "rotations-none", board.assemble(), rules("(rotations (allowed))")
    yield "rotations-unmeetable", board.assemble(
        footprints=[moved(fp, *at_of(fp)[:2], angle=45) for fp in fps]), rules(
        "(rotations (allowed 90))", '(rotations "Never" (allowed 270) (scope (board)) (priority 1))')
    yield "huge-clearance-full", board.assemble(), rules("(component_clearance (gap 1000) (mode full))")
    yield "huge-clearance-extents", board.assemble(), rules("(component_clearance (gap 1000) (mode extents))")
    yield "clearance-50-full", board.assemble(), rules("(component_clearance (gap 50) (mode full))")


def main(argv):
    copies = 2000
    if len(argv) == 5 and argv[3] == "--copies":
        copies = int(argv[4])
    elif len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    board = Board(pathlib.Path(argv[1], BASE).read_text())
    out = pathlib.Path(argv[2])
    out.mkdir(parents=True, exist_ok=True)
    for name, text, rule_text in cases(board, copies):
        (out / f"{name}.kicad_pcb").write_text(text)
        if rule_text is not None:
            (out / f"{name}.placer_rules").write_text(rule_text)
        print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
