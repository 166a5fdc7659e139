#!/usr/bin/env python3
"""Writes the demo board (demo/demo.kicad_pcb) and its placement rules.

A small microcontroller board of the project's own making: a 32-pin MCU with its
decoupling capacitors and crystal, a 3.3 V regulator behind a reverse-polarity
diode, a power connector, a debug header, an I2C/UART header, two LEDs, a reset
button and two locked mounting holes, on a 60 x 45 mm board. Every movable part
starts in rows below the board, so a placer has all the work to do.

    python3 tools/make_demo_board.py [OUTPUT_DIR]
"""
import os
import sys
import uuid

UUID_NS = uuid.UUID("5b0a7f1e-2c1d-4e8a-9a57-0d3c1f6b2e41")


def uid(*parts):
    # Stable identifiers, so the generated file does not change from run to run.
    return str(uuid.uuid5(UUID_NS, "/".join(str(p) for p in parts)))


def num(v):
    s = ("%.4f" % v).rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


# ---------------------------------------------------------------- footprints
# Each footprint: library id, pads (number, type, shape, x, y, w, h, drill), courtyard
# half sizes, body (fab) half sizes.

def two_pad(lib, pitch, w, h, cx, cy, bx, by):
    return {"lib": lib, "pads": [("1", "smd", "roundrect", -pitch / 2, 0, w, h, 0),
                                 ("2", "smd", "roundrect", pitch / 2, 0, w, h, 0)],
            "court": (cx, cy), "body": (bx, by)}


R0402 = two_pad("Resistor_SMD:R_0402_1005Metric", 0.96, 0.56, 0.62, 0.93, 0.47, 0.5, 0.25)
C0402 = dict(R0402, lib="Capacitor_SMD:C_0402_1005Metric")
R0603 = two_pad("Resistor_SMD:R_0603_1608Metric", 1.6, 0.8, 0.95, 1.48, 0.73, 0.8, 0.4)
C0603 = dict(R0603, lib="Capacitor_SMD:C_0603_1608Metric")
L0603 = dict(R0603, lib="Inductor_SMD:L_0603_1608Metric")
LED0603 = dict(R0603, lib="LED_SMD:LED_0603_1608Metric")
C0805 = two_pad("Capacitor_SMD:C_0805_2012Metric", 1.9, 1.0, 1.45, 1.68, 0.95, 1.0, 0.625)
C1206 = two_pad("Capacitor_SMD:C_1206_3216Metric", 3.0, 1.15, 1.8, 2.28, 1.15, 1.6, 0.8)
SOD123 = two_pad("Diode_SMD:D_SOD-123", 3.3, 0.9, 1.2, 2.35, 1.15, 1.4, 0.9)
BUTTON = two_pad("Button_Switch_SMD:SW_SPST_6x3.5mm", 6.2, 1.8, 1.1, 4.4, 2.0, 3.0, 1.75)


def qfp32():
    pads = []
    pitch, reach = 0.8, 4.25
    offsets = [(-2.8 + i * pitch) for i in range(8)]
    for i, o in enumerate(offsets):
        pads.append((str(1 + i), "smd", "roundrect", -reach, o, 1.5, 0.55, 0))
    for i, o in enumerate(offsets):
        pads.append((str(9 + i), "smd", "roundrect", o, reach, 0.55, 1.5, 0))
    for i, o in enumerate(offsets):
        pads.append((str(17 + i), "smd", "roundrect", reach, -o, 1.5, 0.55, 0))
    for i, o in enumerate(offsets):
        pads.append((str(25 + i), "smd", "roundrect", -o, -reach, 0.55, 1.5, 0))
    return {"lib": "Package_QFP:LQFP-32_7x7mm_P0.8mm", "pads": pads, "court": (5.3, 5.3), "body": (3.5, 3.5)}


SOT223 = {"lib": "Package_TO_SOT_SMD:SOT-223-3_TabPin2",
          "pads": [("1", "smd", "rect", -2.3, 3.15, 0.95, 2.0, 0), ("2", "smd", "rect", 0, 3.15, 0.95, 2.0, 0),
                   ("3", "smd", "rect", 2.3, 3.15, 0.95, 2.0, 0), ("2", "smd", "rect", 0, -3.15, 3.25, 2.0, 0)],
          "court": (3.35, 4.4), "body": (3.25, 1.75)}
XTAL = {"lib": "Crystal:Crystal_SMD_3225-4Pin_3.2x2.5mm",
        "pads": [("1", "smd", "rect", -1.1, 0.8, 1.4, 1.15, 0), ("2", "smd", "rect", 1.1, 0.8, 1.4, 1.15, 0),
                 ("3", "smd", "rect", 1.1, -0.8, 1.4, 1.15, 0), ("4", "smd", "rect", -1.1, -0.8, 1.4, 1.15, 0)],
        "court": (2.1, 1.65), "body": (1.6, 1.25)}


def header(n):
    pads = []
    for i in range(n):
        y = (i - (n - 1) / 2) * 2.54
        pads.append((str(i + 1), "thru_hole", "rect" if i == 0 else "circle", 0, y, 1.7, 1.7, 1.0))
    half = n * 2.54 / 2
    return {"lib": "Connector_PinHeader_2.54mm:PinHeader_1x%02d_P2.54mm_Vertical" % n, "pads": pads,
            "court": (1.3, half + 0.05), "body": (1.27, half)}


HOLE = {"lib": "MountingHole:MountingHole_3.2mm_M3", "pads": [("", "np_thru_hole", "circle", 0, 0, 3.2, 3.2, 3.2)],
        "court": (3.45, 3.45), "body": (3.2, 3.2)}

# ---------------------------------------------------------------- the circuit
# (reference, value, footprint, {pad: net}, locked position or None)
MCU_NETS = {1: "+3V3", 2: "OSC_IN", 3: "OSC_OUT", 4: "NRST", 5: "VDDA", 6: "GND", 7: "LED_A", 8: "LED_B",
            16: "GND", 17: "+3V3", 18: "TX", 19: "RX", 20: "SDA", 21: "SCL", 23: "SWDIO", 24: "SWCLK",
            25: "+3V3", 32: "GND"}
PARTS = [
    ("U1", "MCU-32", qfp32(), {str(k): v for k, v in MCU_NETS.items()}, None),
    ("U2", "LDO 3.3V", SOT223, {"1": "GND", "2": "+3V3", "3": "VREG_IN"}, None),
    ("C1", "100n", C0603, {"1": "+3V3", "2": "GND"}, None),
    ("C2", "100n", C0603, {"1": "+3V3", "2": "GND"}, None),
    ("C3", "100n", C0603, {"1": "+3V3", "2": "GND"}, None),
    ("C4", "100n", C0603, {"1": "+3V3", "2": "GND"}, None),
    ("C5", "100n", C0603, {"1": "VDDA", "2": "GND"}, None),
    ("C6", "1u", C0603, {"1": "VDDA", "2": "GND"}, None),
    ("C7", "10u", C0805, {"1": "+3V3", "2": "GND"}, None),
    ("C8", "10u", C0805, {"1": "VIN", "2": "GND"}, None),
    ("C9", "10u", C1206, {"1": "VREG_IN", "2": "GND"}, None),
    ("C10", "22u", C1206, {"1": "+3V3", "2": "GND"}, None),
    ("C11", "12p", C0402, {"1": "OSC_IN", "2": "GND"}, None),
    ("C12", "12p", C0402, {"1": "OSC_OUT", "2": "GND"}, None),
    ("R1", "10k", R0603, {"1": "NRST", "2": "+3V3"}, None),
    ("R2", "1k", R0603, {"1": "LED_A", "2": "LED_A_K"}, None),
    ("R3", "1k", R0603, {"1": "LED_B", "2": "LED_B_K"}, None),
    ("R4", "4k7", R0603, {"1": "SDA", "2": "+3V3"}, None),
    ("R5", "4k7", R0603, {"1": "SCL", "2": "+3V3"}, None),
    ("R6", "100", R0603, {"1": "TX", "2": "TX_OUT"}, None),
    ("D1", "green", LED0603, {"1": "GND", "2": "LED_A_K"}, None),
    ("D2", "red", LED0603, {"1": "GND", "2": "LED_B_K"}, None),
    ("D3", "SS14", SOD123, {"1": "VREG_IN", "2": "VIN"}, None),
    ("Y1", "8MHz", XTAL, {"1": "OSC_IN", "2": "GND", "3": "OSC_OUT", "4": "GND"}, None),
    ("SW1", "RESET", BUTTON, {"1": "NRST", "2": "GND"}, None),
    ("FB1", "600R", L0603, {"1": "+3V3", "2": "VDDA"}, None),
    ("J1", "POWER", header(2), {"1": "VIN", "2": "GND"}, None),
    ("J2", "SWD", header(6), {"1": "+3V3", "2": "SWCLK", "3": "GND", "4": "SWDIO", "5": "NRST", "6": "GND"}, None),
    ("J3", "I2C/UART", header(6), {"1": "+3V3", "2": "SDA", "3": "SCL", "4": "TX_OUT", "5": "RX", "6": "GND"}, None),
    ("H1", "M3", HOLE, {}, (104.0, 104.0)),
    ("H2", "M3", HOLE, {}, (156.0, 141.0)),
]

BOARD = (100.0, 100.0, 160.0, 145.0)  # Edge.Cuts rectangle, mm

LAYERS = """\t(layers
\t\t(0 "F.Cu" signal)
\t\t(31 "B.Cu" signal)
\t\t(34 "B.Paste" user)
\t\t(35 "F.Paste" user)
\t\t(36 "B.SilkS" user "B.Silkscreen")
\t\t(37 "F.SilkS" user "F.Silkscreen")
\t\t(38 "B.Mask" user)
\t\t(39 "F.Mask" user)
\t\t(44 "Edge.Cuts" user)
\t\t(46 "B.CrtYd" user "B.Courtyard")
\t\t(47 "F.CrtYd" user "F.Courtyard")
\t\t(48 "B.Fab" user)
\t\t(49 "F.Fab" user)
\t)
"""


def rect_lines(ref, layer, hx, hy, width):
    out = []
    corners = [(-hx, -hy), (hx, -hy), (hx, hy), (-hx, hy)]
    for i in range(4):
        a, b = corners[i], corners[(i + 1) % 4]
        out.append('\t\t(fp_line (start %s %s) (end %s %s) (stroke (width %s) (type solid)) (layer "%s") (uuid "%s"))\n'
                   % (num(a[0]), num(a[1]), num(b[0]), num(b[1]), num(width), layer, uid(ref, layer, i)))
    return out


def footprint(ref, value, fp, nets, at, locked, net_numbers):
    x, y = at
    out = ['\t(footprint "%s"\n' % fp["lib"]]
    if locked:
        out.append("\t\t(locked yes)\n")
    out.append('\t\t(layer "F.Cu")\n\t\t(uuid "%s")\n\t\t(at %s %s)\n' % (uid(ref), num(x), num(y)))
    bx, by = fp["body"]
    cx, cy = fp["court"]
    out.append('\t\t(property "Reference" "%s" (at 0 %s 0) (layer "F.SilkS") (uuid "%s")\n'
               '\t\t\t(effects (font (size 1 1) (thickness 0.15))))\n' % (ref, num(-cy - 0.8), uid(ref, "ref")))
    out.append('\t\t(property "Value" "%s" (at 0 %s 0) (layer "F.Fab") (uuid "%s")\n'
               '\t\t\t(effects (font (size 1 1) (thickness 0.15))))\n' % (value, num(cy + 0.8), uid(ref, "val")))
    out.append("\t\t(attr %s)\n" % ("through_hole" if any(p[1] != "smd" for p in fp["pads"]) else "smd"))
    out += rect_lines(ref, "F.Fab", bx, by, 0.1)
    out += rect_lines(ref, "F.CrtYd", cx, cy, 0.05)
    for i, (number, kind, shape, px, py, w, h, drill) in enumerate(fp["pads"]):
        layers = '"F.Cu" "F.Paste" "F.Mask"' if kind == "smd" else '"*.Cu" "*.Mask"'
        line = '\t\t(pad "%s" %s %s (at %s %s) (size %s %s)' % (number, kind, shape, num(px), num(py), num(w), num(h))
        if drill:
            line += " (drill %s)" % num(drill)
        line += " (layers %s)" % layers
        if shape == "roundrect":
            line += " (roundrect_rratio 0.25)"
        net = nets.get(number)
        if net:
            line += ' (net %d "%s")' % (net_numbers[net], net)
        line += ' (uuid "%s"))\n' % uid(ref, "pad", i)
        out.append(line)
    out.append("\t)\n")
    return out


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "demo")
    os.makedirs(out_dir, exist_ok=True)
    names = sorted({n for _, _, _, nets, _ in PARTS for n in nets.values()})
    net_numbers = {n: i + 1 for i, n in enumerate(names)}

    text = ['(kicad_pcb\n\t(version 20240108)\n\t(generator "autoplacer_demo")\n\t(generator_version "1")\n'
            '\t(general\n\t\t(thickness 1.6)\n\t\t(legacy_teardrops no)\n\t)\n\t(paper "A4")\n', LAYERS,
            "\t(setup\n\t\t(pad_to_mask_clearance 0)\n\t\t(grid_origin 100 100)\n\t)\n", '\t(net 0 "")\n']
    text += ['\t(net %d "%s")\n' % (net_numbers[n], n) for n in names]

    # Movable parts start in rows below the board edge, largest first.
    movable = [p for p in PARTS if p[4] is None]
    movable.sort(key=lambda p: -(p[2]["court"][0] * p[2]["court"][1]))
    x, y, row_height = BOARD[0], BOARD[3] + 8.0, 0.0
    positions = {}
    for ref, _, fp, _, _ in movable:
        cx, cy = fp["court"]
        if x + 2 * cx > BOARD[2] + 10:
            x, y, row_height = BOARD[0], y + row_height + 1.0, 0.0
        positions[ref] = (x + cx, y + cy)
        x += 2 * cx + 1.0
        row_height = max(row_height, 2 * cy)
    for ref, value, fp, nets, fixed in PARTS:
        text += footprint(ref, value, fp, nets, fixed or positions[ref], fixed is not None, net_numbers)

    x1, y1, x2, y2 = BOARD
    text.append('\t(gr_rect (start %s %s) (end %s %s) (stroke (width 0.1) (type default)) (fill none) (layer "Edge.Cuts") '
                '(uuid "%s"))\n' % (num(x1), num(y1), num(x2), num(y2), uid("outline")))
    text.append(")\n")
    with open(os.path.join(out_dir, "demo.kicad_pcb"), "w", newline="\n") as f:
        f.write("".join(text))

    with open(os.path.join(out_dir, "demo.placer_rules"), "w", newline="\n") as f:
        f.write(RULES)


RULES = """; Placement rules of the demo board (see docs/placer_rules.md).
(placer_rules
  (version 1)
  ; a room names one class, so that its parts form one cluster of their own
  (component_class "MCU" U1 C1 C2 C3 C4 C5 C6 C7 Y1 C11 C12)
  (component_class "Supply" U2 D3 C8 C9 C10 J1)
  (component_class "Connectors" J1 J2 J3)

  ; the MCU with its decoupling and clock in the middle of the board
  (room "MCU area" (rect 118 108 146 137) (keep inside) (layer top)
        (scope (class "MCU")))
  ; the supply on the left, next to the power connector
  (room "Supply" (rect 101 108 117 144) (keep inside) (layer top)
        (scope (class "Supply")))

  (component_clearance (gap 0.25) (mode quick))
  (component_clearance "Connector space" (gap 1) (mode quick) (scope (class "Connectors")) (scope2 (board)))
  (rotations (allowed 0 90 180 270))
  (rotations "Connectors upright" (allowed 0 180) (scope (class "Connectors")) (priority 1))
  (layers (permitted top) (scope (board)))
  (routing_directions (layer F.Cu horizontal) (layer B.Cu vertical))
  (power_nets GND "+3V3" VIN VREG_IN VDDA)
)
"""

if __name__ == "__main__":
    main()
