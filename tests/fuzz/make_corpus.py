#!/usr/bin/env python3
"""Writes the fuzz seed corpus: small boards cut from the demo board (its head with
one footprint of each kind, and its outline) and generated fragments for the forms
the demo board does not use (KiCad 5 modules, arcs, custom and trapezoid pads,
zones, routing, name-only nets), plus rules files, and small boards of a few demo
footprints for the placer target. Run from anywhere; it rewrites tests/fuzz/corpus/."""
import os
import pathlib
import re
import shutil

ROOT = pathlib.Path(__file__).resolve().parents[2]
OUT = ROOT / "tests" / "fuzz" / "corpus"


def top_level_items(text):
    """Splits the demo board into its head (up to the first footprint), its top-level
    lists and the closing parenthesis. The demo board has one item per top level list."""
    items, depth, start, in_string, i = [], 0, None, False, 0
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
            if depth == 2:
                start = i
        elif c == ")":
            if depth == 2:
                items.append(text[start:i + 1])
            depth -= 1
        i += 1
    return items


def demo_seeds():
    text = (ROOT / "demo" / "demo.kicad_pcb").read_text()
    items = top_level_items(text)
    head = [it for it in items if not it.startswith(("(footprint", "(gr_"))]
    outline = [it for it in items if it.startswith("(gr_")]
    seeds, seen = {}, set()
    for it in items:
        if not it.startswith("(footprint"):
            continue
        lib = it.split('"')[1]
        if lib in seen:
            continue
        seen.add(lib)
        name = "demo-" + lib.split(":")[1].split("_")[0].lower() + "-" + str(len(seen))
        seeds[name] = "(kicad_pcb\n\t" + "\n\t".join(head + outline + [it]) + "\n)\n"
    seeds["demo-outline"] = "(kicad_pcb\n\t" + "\n\t".join(head + outline) + "\n)\n"
    return seeds


def placer_seeds():
    """The demo board's head and outline with a few of its footprints, nets and all:
    small enough for both placers to run many times a second."""
    text = (ROOT / "demo" / "demo.kicad_pcb").read_text()
    items = top_level_items(text)
    head = [it for it in items if not it.startswith(("(footprint", "(gr_", "(segment", "(via", "(zone"))]
    outline = [it for it in items if it.startswith("(gr_")]
    footprints = {}
    for it in items:
        if it.startswith("(footprint"):
            reference = it.split('"Reference" "')[1].split('"')[0] if '"Reference" "' in it else \
                it.split("fp_text reference ")[1].split()[0].strip('"')
            footprints[reference] = it
    picks = {
        "placer-two": ["C1", "R1"],
        "placer-four": ["C1", "C2", "R1", "D1"],
        "placer-six": ["C1", "C2", "C3", "R1", "D1", "FB1"],
        "placer-regulator": ["U2", "C8", "C9"],
    }
    seeds = {}
    for name, references in picks.items():
        chosen = [footprints[r] for r in references if r in footprints]
        seeds[name] = "(kicad_pcb\n\t" + "\n\t".join(head + outline + chosen) + "\n)\n"
    # The first footprint locked: an obstacle the others are placed around.
    seeds["placer-locked"] = re.sub(r'\(footprint ("[^"]*")', r"(footprint \1 locked", seeds["placer-two"], count=1)
    return seeds


LAYERS = '(layers (0 "F.Cu" signal) (1 "In1.Cu" power) (31 "B.Cu" signal) (37 "F.SilkS" user) (44 "Edge.Cuts" user))'

FRAGMENTS = {
    "kicad5-module": """(kicad_pcb (version 20171130) (host pcbnew 5.1.9)
  (layers (0 Top signal) (31 Bottom signal) (44 Edge.Cuts user))
  (setup (grid_origin 50 50))
  (net 0 "") (net 1 GND)
  (net_class Default "default" (clearance 0.2) (add_net GND))
  (module R_0603 (layer Bottom) (tedit 5F) (tstamp 1) (at 60 60 90)
    (fp_text reference R1 (at 0 -1.4 90) (layer B.SilkS) (effects (font (size 1 1) (thickness 0.15)) (justify mirror)))
    (fp_text value 10k (at 0 1.4 90) (layer B.Fab) hide (effects (font (size 1 1))))
    (fp_arc (start 0 0) (end 1 0) (angle 90) (layer B.SilkS) (width 0.12))
    (fp_circle (center 0 0) (end 0.5 0) (layer B.CrtYd) (width 0.05))
    (pad 1 smd rect (at -0.8 0 90) (size 0.8 0.9) (layers Bottom B.Paste B.Mask) (net 1 GND))
    (pad 2 smd trapezoid (at 0.8 0 90) (size 0.8 0.9) (rect_delta 0.1 0) (layers Bottom B.Paste B.Mask)))
  (gr_line (start 40 40) (end 80 40) (layer Edge.Cuts) (width 0.1))
  (gr_arc (start 80 60) (end 80 40) (angle 180) (layer Edge.Cuts) (width 0.1))
  (segment (start 59 60) (end 55 60) (width 0.25) (layer Bottom) (net 1))
  (via (at 55 60) (size 0.6) (drill 0.3) (layers Top Bottom) (net 1))
)
""",
    "kicad8-custom-pad": """(kicad_pcb (version 20240108) (generator "pcbnew")
  """ + LAYERS + """
  (net 0 "") (net 1 "GND") (net 2 "VCC")
  (footprint "Custom:Pad" (layer "F.Cu") (at 100 100 45) locked
    (property "Reference" "U1" (at 0 -2 45 unlocked) (layer "F.SilkS") (effects (font (size 1 1))))
    (fp_arc (start -1 0) (mid 0 -1) (end 1 0) (stroke (width 0.1) (type solid)) (layer "F.SilkS"))
    (fp_poly (pts (xy -1 -1) (xy 1 -1) (arc (start 1 -1) (mid 1.5 0) (end 1 1)) (xy -1 1)) (stroke (width 0.1) (type solid)) (fill solid) (layer "F.SilkS"))
    (fp_curve (pts (xy 0 0) (xy 1 1) (xy 2 1) (xy 3 0)) (stroke (width 0.1) (type solid)) (layer "F.SilkS"))
    (fp_rect (start -2 -2) (end 2 2) (stroke (width 0.05) (type solid)) (fill none) (layer "Edge.Cuts"))
    (pad "1" smd custom (at 0 0 45) (size 0.5 0.5) (layers "F.Cu") (net 1 "GND")
      (primitives (gr_poly (pts (xy -1 -1) (xy 1 -1) (xy 0 1)) (width 0) (fill yes)) (gr_circle (center 0.5 0) (end 1 0) (width 0.1))))
    (pad "2" thru_hole oval (at 2 0 45) (size 1.7 1) (drill oval 1 0.6) (layers "*.Cu" "*.Mask") (net 2 "VCC"))
    (pad "3" smd roundrect (at 0 2 45) (size 1 1) (layers "F.Cu") (roundrect_rratio 0.25) (chamfer top_left bottom_right))
    (zone (net 1) (net_name "GND") (layer "F.Cu") (polygon (pts (xy 99 99) (xy 101 99) (xy 101 101))))
  )
  (zone (net 1) (net_name "GND") (layers "In1.Cu") (polygon (pts (xy 90 90) (xy 110 90) (xy 110 110) (xy 90 110)))
    (filled_polygon (layer "In1.Cu") (pts (xy 90 90) (xy 110 90) (xy 110 110))))
  (arc (start 100 100) (mid 101 101) (end 102 100) (width 0.2) (layer "F.Cu") (net 1))
)
""",
    "kicad9-named-nets": """(kicad_pcb (version 20250114) (generator "pcbnew")
  """ + LAYERS + """
  (footprint "R" (layer "B.Cu") (at 10 10 180)
    (property "Reference" "R9" (at 0 0 180) (layer "B.SilkS") (effects (font (size 1 1)) (justify mirror)))
    (pad "1" smd rect (at 0 0 180) (size 1 1) (layers "B.Cu") (net "A"))
    (pad "2" smd circle (at 1 0 180) (size 1 1) (layers "B.Cu") (net "B")))
  (gr_circle (center 10 10) (end 20 10) (stroke (width 0.1) (type default)) (layer "Edge.Cuts"))
)
""",
    "minimal": "(kicad_pcb (version 20240108))\n",
}

RULES = {
    "rooms": """(placer_rules (version 1)
  (component_class "Near" U1 C1)
  (room "Box" (rect 10 10 50 30) (keep inside) (layer top) (scope (class "Near") (component J1)) (priority 2))
  (room (rect 0 0 5 5) (keep outside) (layer bottom) (scope (board))))
""",
    "clearances": """; comment
(placer_rules (version 1)
  (net_class "Power" GND "+3V3")
  (component_clearance "Wide" (gap 0.5) (mode full) (scope (component U1)) (scope2 (net_class "Power")))
  (component_clearance (gap 0.25) (mode 1)))
""",
    "rotations-layers": """(placer_rules (version 1)
  (rotations (allowed 0 90 180 270) (scope (component C1)))
  (rotations "Free" (allowed any))
  (layers (permitted both) (scope (net SDA)))
  (routing_directions (layer F.Cu horizontal) (layer In1.Cu 45) (layer B.Cu vertical))
  (power_nets GND "+3V3" (priority 1)))
""",
}


def main():
    if OUT.exists():
        shutil.rmtree(OUT)
    board_dir, rules_dir, placer_dir = OUT / "board", OUT / "rules", OUT / "placer"
    for folder in (board_dir, rules_dir, placer_dir):
        folder.mkdir(parents=True)
    for name, text in {**demo_seeds(), **FRAGMENTS}.items():
        (board_dir / (name + ".kicad_pcb")).write_text(text)
    (rules_dir / "demo.placer_rules").write_text((ROOT / "demo" / "demo.placer_rules").read_text())
    for name, text in RULES.items():
        (rules_dir / (name + ".placer_rules")).write_text(text)
    for name, text in placer_seeds().items():
        (placer_dir / (name + ".kicad_pcb")).write_text(text)
    print("wrote", len(os.listdir(board_dir)), "board seeds,", len(os.listdir(rules_dir)), "rules seeds and",
          len(os.listdir(placer_dir)), "placer seeds")


if __name__ == "__main__":
    main()
