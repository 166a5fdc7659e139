#!/usr/bin/env python3
"""Writes a synthetic KiCad board of a chosen number of footprints, for speed runs.

The board is made of repeated functional blocks, as a real design is: a
microcontroller in a QFP with its decoupling capacitors, a crystal, pull-ups, a
status LED and sometimes a header; sensors in SOIC-8; drivers in TSSOP/SOIC with
series resistors and a connector; small logic in SOT-23-5; regulators in
SOT-223/SOT-23-5 with their input and output capacitors. Each IC has two to four
decoupling capacitors on its supply pins (+3V3 and GND). Signal nets stay inside
a block; neighbouring blocks share a few bus nets between their ICs. A few
locked mounting holes sit on the board, whose rectangular outline is sized so
that the parts' courtyards cover about 40 % of it. Every movable part starts in
rows below the board, so a placer has all the work to do.

The same count and seed always give the same file (stable identifiers).

    python3 tools/make_synthetic_board.py COMPONENTS OUTPUT.kicad_pcb [--seed N]
"""
import argparse
import math
import os
import random
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the tools
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_demo_board as demo  # noqa: E402  (footprints and the board writer's pieces)

COVERAGE = 0.40  # courtyard area / board area
ORIGIN = (100.0, 100.0)


# ---------------------------------------------------------------- footprints
# Same form as the demo board's: pads (number, type, shape, x, y, w, h, drill), courtyard and
# body half sizes.

def qfp(pins):
    pitch, body, pad_w = {32: (0.8, 3.5, 0.55), 48: (0.5, 3.5, 0.3), 64: (0.5, 5.0, 0.3)}[pins]
    per_side = pins // 4
    reach = body + 0.7
    offsets = [(i - (per_side - 1) / 2) * pitch for i in range(per_side)]
    pads = []
    for side in range(4):
        for i, o in enumerate(offsets):
            number = str(side * per_side + i + 1)
            if side == 0:
                pads.append((number, "smd", "roundrect", -reach, o, 1.5, pad_w, 0))
            elif side == 1:
                pads.append((number, "smd", "roundrect", o, reach, pad_w, 1.5, 0))
            elif side == 2:
                pads.append((number, "smd", "roundrect", reach, -o, 1.5, pad_w, 0))
            else:
                pads.append((number, "smd", "roundrect", -o, -reach, pad_w, 1.5, 0))
    size = 2 * body
    court = reach + 1.05
    return {"lib": "Package_QFP:LQFP-%d_%gx%gmm_P%gmm" % (pins, size, size, pitch), "pads": pads,
            "court": (court, court), "body": (body, body)}


def dual_row(lib, pins, pitch, reach, pad_w, pad_h, court, body):
    half = pins // 2
    pads = []
    for i in range(half):
        y = (i - (half - 1) / 2) * pitch
        pads.append((str(i + 1), "smd", "roundrect", -reach, y, pad_w, pad_h, 0))
    for i in range(half):
        y = ((half - 1) / 2 - i) * pitch
        pads.append((str(half + i + 1), "smd", "roundrect", reach, y, pad_w, pad_h, 0))
    return {"lib": lib, "pads": pads, "court": court, "body": body}


SOIC8 = dual_row("Package_SO:SOIC-8_3.9x4.9mm_P1.27mm", 8, 1.27, 2.475, 1.95, 0.6, (3.7, 2.7), (1.95, 2.45))
SOIC14 = dual_row("Package_SO:SOIC-14_3.9x8.7mm_P1.27mm", 14, 1.27, 2.475, 1.95, 0.6, (3.7, 4.6), (1.95, 4.33))
TSSOP16 = dual_row("Package_SO:TSSOP-16_4.4x5mm_P0.65mm", 16, 0.65, 2.85, 1.45, 0.45, (3.85, 2.75), (2.2, 2.5))
SOT23_5 = {"lib": "Package_TO_SOT_SMD:SOT-23-5",
           "pads": [("1", "smd", "roundrect", -1.1375, -0.95, 1.325, 0.6, 0),
                    ("2", "smd", "roundrect", -1.1375, 0, 1.325, 0.6, 0),
                    ("3", "smd", "roundrect", -1.1375, 0.95, 1.325, 0.6, 0),
                    ("4", "smd", "roundrect", 1.1375, 0.95, 1.325, 0.6, 0),
                    ("5", "smd", "roundrect", 1.1375, -0.95, 1.325, 0.6, 0)],
           "court": (2.05, 1.7), "body": (0.8, 1.45)}


def header2(n):
    pads = []
    for i in range(2 * n):
        row, col = divmod(i, 2)
        pads.append((str(i + 1), "thru_hole", "rect" if i == 0 else "circle",
                     -1.27 + 2.54 * col, (row - (n - 1) / 2) * 2.54, 1.7, 1.7, 1.0))
    half = n * 2.54 / 2
    return {"lib": "Connector_PinHeader_2.54mm:PinHeader_2x%02d_P2.54mm_Vertical" % n, "pads": pads,
            "court": (2.6, half + 0.05), "body": (2.54, half)}


def court_area(fp):
    cx, cy = fp["court"]
    return 4 * cx * cy


# ---------------------------------------------------------------- blocks

class Designators:
    def __init__(self):
        self.next = {}

    def __call__(self, prefix):
        n = self.next.get(prefix, 0) + 1
        self.next[prefix] = n
        return "%s%d" % (prefix, n)


class Block:
    """The parts of one functional block, most important first, and the IC's pins left for buses."""

    def __init__(self, index):
        self.index = index
        self.parts = []  # [reference, value, footprint, {pad: net}]
        self.free_pins = []
        self.ic = None

    def add(self, ref, value, fp, nets):
        part = [ref, value, fp, dict(nets)]
        self.parts.append(part)
        return part

    def net(self, name):
        return "B%d_%s" % (self.index, name)


def supply_pins(pins, decaps):
    # One supply/ground pair per QFP side, in the side's middle.
    per_side = pins // 4
    out = []
    for side in range(decaps):
        vdd = side * per_side + per_side // 2
        out.append((str(vdd), str(vdd + 1)))
    return out


def take_signal(block, pins_left, name):
    """Gives the IC's next free pin the block's net NAME; returns the net or None."""
    if not pins_left:
        return None
    pin = pins_left.pop(0)
    net = block.net(name)
    block.ic[3][pin] = net
    return net


def add_decaps(rng, block, ref, count, value="100n"):
    for _ in range(count):
        block.add(ref("C"), value, rng.choice([demo.C0402, demo.C0603]), {"1": "+3V3", "2": "GND"})


def add_led(rng, block, ref, pins_left, name="LED"):
    net = take_signal(block, pins_left, name)
    if net is None:
        return
    block.add(ref("R"), rng.choice(["330", "1k"]), demo.R0603, {"1": net, "2": block.net(name + "_K")})
    block.add(ref("D"), rng.choice(["green", "red", "yellow"]), demo.LED0603,
              {"1": "GND", "2": block.net(name + "_K")})


def add_pullups(rng, block, ref, pins_left, names):
    for name in names:
        net = take_signal(block, pins_left, name)
        if net is not None:
            block.add(ref("R"), rng.choice(["4k7", "10k"]), rng.choice([demo.R0402, demo.R0603]),
                      {"1": net, "2": "+3V3"})


def add_header(rng, block, ref, pins_left, count):
    n = count + 2
    fp = demo.header(n) if n <= 8 else header2((n + 1) // 2)
    nets = {"1": "+3V3", str(n): "GND"}
    for i in range(count):
        net = take_signal(block, pins_left, "IO%d" % i)
        if net is not None:
            nets[str(i + 2)] = net
    block.add(ref("J"), "CONN", fp, nets)


def mcu_block(rng, block, ref):
    pins = rng.choice([32, 48, 64])
    decaps = rng.randint(2, 4)
    supplies = supply_pins(pins, decaps)
    block.ic = block.add(ref("U"), "MCU-%d" % pins, qfp(pins), {})
    for vdd, gnd in supplies:
        block.ic[3][vdd] = "+3V3"
        block.ic[3][gnd] = "GND"
    pins_left = [str(p) for p in range(1, pins + 1) if str(p) not in block.ic[3]]
    add_decaps(rng, block, ref, decaps)
    if rng.random() < 0.5:
        block.add(ref("C"), "4u7", demo.C0805, {"1": "+3V3", "2": "GND"})
    if rng.random() < 0.5:
        osc_in = take_signal(block, pins_left, "OSC_IN")
        osc_out = take_signal(block, pins_left, "OSC_OUT")
        block.add(ref("Y"), "8MHz", demo.XTAL, {"1": osc_in, "2": "GND", "3": osc_out, "4": "GND"})
        block.add(ref("C"), "12p", demo.C0402, {"1": osc_in, "2": "GND"})
        block.add(ref("C"), "12p", demo.C0402, {"1": osc_out, "2": "GND"})
    add_pullups(rng, block, ref, pins_left, ["NRST", "SDA", "SCL"])
    add_led(rng, block, ref, pins_left)
    if rng.random() < 0.35:
        add_header(rng, block, ref, pins_left, rng.choice([2, 4, 6, 8]))
    rng.shuffle(pins_left)
    block.free_pins = pins_left


def sensor_block(rng, block, ref):
    block.ic = block.add(ref("U"), "SENSOR", SOIC8, {"8": "+3V3", "4": "GND"})
    pins_left = ["1", "2", "3", "5", "6", "7"]
    add_decaps(rng, block, ref, 2)
    if rng.random() < 0.6:
        add_pullups(rng, block, ref, pins_left, ["SDA", "SCL"])
    if rng.random() < 0.3:
        add_led(rng, block, ref, pins_left)
    block.free_pins = pins_left


def driver_block(rng, block, ref):
    if rng.random() < 0.5:
        fp, vdd, gnd = TSSOP16, "16", "8"
    else:
        fp, vdd, gnd = SOIC14, "14", "7"
    block.ic = block.add(ref("U"), "DRIVER", fp, {vdd: "+3V3", gnd: "GND"})
    pins_left = [p[0] for p in fp["pads"] if p[0] not in (vdd, gnd)]
    add_decaps(rng, block, ref, rng.randint(2, 3))
    outputs = rng.randint(2, 4)
    out_nets = []
    for i in range(outputs):
        net = take_signal(block, pins_left, "DRV%d" % i)
        if net is not None:
            out = block.net("OUT%d" % i)
            block.add(ref("R"), "22", demo.R0402, {"1": net, "2": out})
            out_nets.append(out)
    if rng.random() < 0.5:
        n = len(out_nets) + 2
        nets = {"1": "+3V3", str(n): "GND"}
        for i, net in enumerate(out_nets):
            nets[str(i + 2)] = net
        block.add(ref("J"), "OUT", demo.header(n), nets)
    block.free_pins = pins_left


def logic_block(rng, block, ref):
    block.ic = block.add(ref("U"), "LOGIC", SOT23_5, {"5": "+3V3", "3": "GND"})
    pins_left = ["1", "2", "4"]
    add_decaps(rng, block, ref, 2)
    if rng.random() < 0.5:
        add_pullups(rng, block, ref, pins_left, ["EN"])
    block.free_pins = pins_left


def regulator_block(rng, block, ref):
    vin = "+5V"
    if rng.random() < 0.5:
        block.ic = block.add(ref("U"), "LDO 3.3V", demo.SOT223, {"1": "GND", "2": "+3V3", "3": vin})
        pins_left = []
    else:
        block.ic = block.add(ref("U"), "LDO 3.3V", SOT23_5, {"1": vin, "2": "GND", "5": "+3V3"})
        pins_left = ["3", "4"]
        take_signal(block, pins_left, "EN")
        block.add(ref("R"), "100k", demo.R0402, {"1": block.net("EN"), "2": vin})
    block.add(ref("C"), "10u", demo.C0805, {"1": vin, "2": "GND"})
    for _ in range(rng.randint(1, 3)):
        block.add(ref("C"), rng.choice(["10u", "22u"]), rng.choice([demo.C0805, demo.C1206]), {"1": "+3V3", "2": "GND"})
    if rng.random() < 0.5:
        block.add(ref("R"), "1k", demo.R0603, {"1": "+3V3", "2": block.net("PWR_K")})
        block.add(ref("D"), "green", demo.LED0603, {"1": "GND", "2": block.net("PWR_K")})
    if rng.random() < 0.3:
        block.add(ref("J"), "POWER", demo.header(2), {"1": vin, "2": "GND"})
    block.free_pins = pins_left


KINDS = [(mcu_block, 0.2), (sensor_block, 0.3), (driver_block, 0.2), (logic_block, 0.2), (regulator_block, 0.1)]


def make_blocks(rng, count):
    """Blocks until COUNT parts; the last block is cut to fit."""
    ref = Designators()
    blocks, total = [], 0
    while total < count:
        r, kind = rng.random(), KINDS[-1][0]
        for k, weight in KINDS:
            if r < weight:
                kind = k
                break
            r -= weight
        block = Block(len(blocks) + 1)
        kind(rng, block, ref)
        del block.parts[count - total:]
        total += len(block.parts)
        blocks.append(block)
    # Bus nets between neighbouring blocks' ICs.
    for a, b in zip(blocks, blocks[1:]):
        if rng.random() < 0.75:
            for k in range(rng.randint(1, 4)):
                if not a.free_pins or not b.free_pins:
                    break
                net = "BUS%d_%d" % (a.index, k)
                a.ic[3][a.free_pins.pop()] = net
                b.ic[3][b.free_pins.pop()] = net
    parts = [p for block in blocks for p in block.parts]
    # A net left with one pad (its other part was cut off) is no net.
    pads = {}
    for _, _, _, nets in parts:
        for net in nets.values():
            pads[net] = pads.get(net, 0) + 1
    for part in parts:
        part[3] = {pad: net for pad, net in part[3].items() if net and pads[net] > 1}
    return parts


# ---------------------------------------------------------------- the board

def board_size(parts, holes):
    area = sum(court_area(fp) for _, _, fp, _ in parts) + holes * court_area(demo.HOLE)
    board_area = area / COVERAGE
    width = math.sqrt(board_area * 4 / 3)
    height = board_area / width
    biggest = max((2 * max(fp["court"]) for _, _, fp, _ in parts), default=0)
    width = max(math.ceil(width), math.ceil(biggest) + 16)
    height = max(math.ceil(height), math.ceil(biggest) + 16)
    return width, height


def hole_positions(count, board):
    x1, y1, x2, y2 = board
    inset = 5.0
    spots = [(x1 + inset, y1 + inset), (x2 - inset, y2 - inset), (x2 - inset, y1 + inset), (x1 + inset, y2 - inset),
             ((x1 + x2) / 2, y1 + inset), ((x1 + x2) / 2, y2 - inset)]
    return spots[:count]


def write_board(components, seed, path):
    if components < 1:
        raise SystemExit("make_synthetic_board: COMPONENTS must be at least 1")
    holes = 2 if components < 40 else 4 if components < 400 else 6
    holes = min(holes, components - 1)
    rng = random.Random(seed)
    parts = make_blocks(rng, components - holes)
    width, height = board_size(parts, holes)
    board = (ORIGIN[0], ORIGIN[1], ORIGIN[0] + width, ORIGIN[1] + height)

    names = sorted({n for _, _, _, nets in parts for n in nets.values()})
    net_numbers = {n: i + 1 for i, n in enumerate(names)}
    text = ['(kicad_pcb\n\t(version 20240108)\n\t(generator "autoplacer_synthetic")\n\t(generator_version "1")\n'
            '\t(general\n\t\t(thickness 1.6)\n\t\t(legacy_teardrops no)\n\t)\n\t(paper "A3")\n', demo.LAYERS,
            "\t(setup\n\t\t(pad_to_mask_clearance 0)\n\t\t(grid_origin %s %s)\n\t)\n"
            % (demo.num(ORIGIN[0]), demo.num(ORIGIN[1])), '\t(net 0 "")\n']
    text += ['\t(net %d "%s")\n' % (net_numbers[n], n) for n in names]

    # Movable parts start in rows below the board edge, largest first (stable among equals).
    order = sorted(range(len(parts)), key=lambda i: -court_area(parts[i][2]))
    x, y, row_height = board[0], board[3] + 8.0, 0.0
    positions = {}
    for i in order:
        cx, cy = parts[i][2]["court"]
        if x + 2 * cx > board[2] + 10 and x > board[0]:
            x, y, row_height = board[0], y + row_height + 1.0, 0.0
        positions[i] = (x + cx, y + cy)
        x += 2 * cx + 1.0
        row_height = max(row_height, 2 * cy)
    for i, (ref, value, fp, nets) in enumerate(parts):
        text += demo.footprint(ref, value, fp, nets, positions[i], False, net_numbers)
    for i, at in enumerate(hole_positions(holes, board)):
        text += demo.footprint("H%d" % (i + 1), "M3", demo.HOLE, {}, at, True, net_numbers)

    x1, y1, x2, y2 = board
    text.append('\t(gr_rect (start %s %s) (end %s %s) (stroke (width 0.1) (type default)) (fill none) (layer "Edge.Cuts") '
                '(uuid "%s"))\n' % (demo.num(x1), demo.num(y1), demo.num(x2), demo.num(y2), demo.uid("outline")))
    text.append(")\n")
    with open(path, "w", newline="\n") as f:
        f.write("".join(text))
    return len(parts) + holes, width, height


def main():
    parser = argparse.ArgumentParser(description="Write a synthetic KiCad board for speed runs.")
    parser.add_argument("components", type=int, help="number of footprints, mounting holes included")
    parser.add_argument("output", help="board file to write (.kicad_pcb)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    args = parser.parse_args()
    count, width, height = write_board(args.components, args.seed, args.output)
    print("%s: %d footprints on %d x %d mm" % (args.output, count, width, height))


if __name__ == "__main__":
    main()
