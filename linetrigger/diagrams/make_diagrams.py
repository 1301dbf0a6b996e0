#!/usr/bin/env python3
"""Draws the five wiring diagrams of the Line Trigger page as SVG 1.2 Tiny.

Units are 1/100 mm; every drawing is 210 mm wide. Run it after changing a drawing and commit the
SVG files it writes next to itself; the build only compiles the SVG files into the plug-in.
"""
import math
import os

INK = "#1d2733"
MUTED = "#5b6775"
PANEL = "#f4f6f9"
GROUND = "#2b2b2b"
SUPPLY = "#c0392b"
CHANNEL_A = "#1f6fd1"
CHANNEL_A_MINUS = "#7fb2ef"
CHANNEL_B = "#1e9e5a"
CHANNEL_B_MINUS = "#86d3a8"
FONT = 'font-family="DejaVu Sans, Arial, Helvetica, sans-serif"'


class Drawing:
    def __init__(self, height):
        self.height = height
        self.parts = []

    def add(self, text):
        self.parts.append(text)

    def rect(self, x, y, w, h, fill="none", stroke=INK, width=30, radius=0):
        self.add(f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{radius}" ry="{radius}" '
                 f'fill="{fill}" stroke="{stroke}" stroke-width="{width}"/>')

    def line(self, x1, y1, x2, y2, stroke=INK, width=30, dash=None):
        extra = f' stroke-dasharray="{dash}"' if dash else ""
        self.add(f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{stroke}" stroke-width="{width}"{extra}/>')

    def polyline(self, points, stroke=INK, width=30, fill="none"):
        pts = " ".join(f"{x:.0f},{y:.0f}" for x, y in points)
        self.add(f'<polyline points="{pts}" fill="{fill}" stroke="{stroke}" stroke-width="{width}" '
                 f'stroke-linejoin="round" stroke-linecap="round"/>')

    def circle(self, x, y, r, fill="none", stroke=INK, width=30):
        self.add(f'<circle cx="{x}" cy="{y}" r="{r}" fill="{fill}" stroke="{stroke}" stroke-width="{width}"/>')

    def text(self, x, y, content, size=330, anchor="start", fill=INK, weight="normal"):
        content = content.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        self.add(f'<text x="{x}" y="{y}" {FONT} font-size="{size}" font-weight="{weight}" '
                 f'text-anchor="{anchor}" fill="{fill}">{content}</text>')

    def svg(self, title):
        body = "\n  ".join(self.parts)
        return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
                f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
                f'width="210mm" height="{self.height // 100}mm" viewBox="0 0 21000 {self.height}">\n'
                f'  <title>{title}</title>\n  {body}\n</svg>\n')


# The camera's I/O connector: pin -> (signal, row). Line1 and Line2 are RS422 pairs, Line3 and
# Line4 single-ended LVCMOS inputs, pin 4 the I/O ground.
CONNECTOR_PINS = [
    (1, "Line1 +  (RS422)"),
    (6, "Line1 -  (RS422)"),
    (2, "Line2 +  (RS422)"),
    (7, "Line2 -  (RS422)"),
    (3, "Line3  (LVCMOS)"),
    (8, "Line4  (LVCMOS)"),
    (4, "GND  (I/O ground)"),
]


def draw_connector(d, x, top, used):
    """Draws the connector block; returns the y of each pin's terminal."""
    row = 620
    height = 900 + row * len(CONNECTOR_PINS)
    d.rect(x, top, 5200, height, fill=PANEL, radius=250, width=40)
    d.text(x + 2600, top + 520, "Camera I/O connector", 380, "middle", weight="bold")
    ys = {}
    for index, (pin, signal) in enumerate(CONNECTOR_PINS):
        y = top + 1000 + index * row
        ys[pin] = y
        active = pin in used
        colour = INK if active else "#9aa3ad"
        d.circle(x, y, 140, fill="#ffffff" if not active else INK, stroke=colour, width=35)
        d.text(x + 380, y + 120, f"Pin {pin}", 320, fill=colour, weight="bold" if active else "normal")
        d.text(x + 1700, y + 120, signal, 320, fill=colour)
    return ys


def draw_encoder(d, x, top, terminals, kind):
    """Draws the rotary encoder with its terminals on the right; returns the y of each terminal."""
    row = 620
    height = max(3600, 1300 + row * len(terminals))
    d.rect(x, top, 4600, height, fill=PANEL, radius=250, width=40)
    d.text(x + 2300, top + 520, "Rotary encoder", 380, "middle", weight="bold")
    d.text(x + 2300, top + 920, kind, 290, "middle", fill=MUTED)
    # Code wheel with its shaft.
    cx, cy = x + 1250, top + 1300 + (height - 1300) / 2
    d.circle(cx, cy, 720, fill="#ffffff", width=40)
    for i in range(12):
        a = 2 * math.pi * i / 12
        d.line(cx + 480 * math.cos(a), cy + 480 * math.sin(a), cx + 700 * math.cos(a), cy + 700 * math.sin(a),
               width=60)
    d.circle(cx, cy, 180, fill=INK, width=20)
    d.polyline([(cx - 450, cy - 950), (cx + 250, cy - 980)], width=30)
    d.polyline([(cx + 150, cy - 1060), (cx + 300, cy - 980), (cx + 150, cy - 900)], width=30)
    ys = {}
    for index, (name, label, colour) in enumerate(terminals):
        y = top + 1300 + index * row
        ys[name] = y
        d.text(x + 4250, y + 110, label, 320, "end", fill=colour, weight="bold")
        d.circle(x + 4600, y, 120, fill=colour, stroke=colour)
    return ys


def draw_supply(d, x, y):
    """An external DC supply for the encoder; returns (plus, minus) terminal points."""
    d.rect(x, y, 3400, 1300, fill="#ffffff", radius=200, width=35)
    d.text(x + 1800, y + 560, "Encoder supply", 300, "middle", weight="bold")
    d.text(x + 1800, y + 960, "5 V to 24 V DC", 280, "middle", fill=MUTED)
    d.text(x + 150, y + 450, "-", 340, weight="bold")
    d.text(x + 150, y + 1060, "+", 340, fill=SUPPLY, weight="bold")
    return (x, y + 950), (x, y + 350)


def wire(d, start, end, colour, label=None, bend=None):
    x1, y1 = start
    x2, y2 = end
    mid = bend if bend is not None else (x1 + x2) / 2
    d.polyline([(x1, y1), (mid, y1), (mid, y2), (x2, y2)], stroke=colour, width=55)
    if label:
        d.text(x2 - 250, y2 - 110, label, 270, "end", fill=colour)


def twisted_pair(d, start_plus, start_minus, end_plus, end_minus, plus_colour, minus_colour, label):
    """Two conductors twisted along the straight middle run."""
    (xp, yp), (xm, ym) = start_plus, start_minus
    (ep_x, ep_y), (em_x, em_y) = end_plus, end_minus
    x_in, x_out = xp + 900, ep_x - 900
    centre_in = (yp + ym) / 2
    centre_out = (ep_y + em_y) / 2
    half = 160
    # Lead-ins to the twist.
    d.polyline([(xp, yp), (x_in - 400, yp), (x_in, centre_in - half)], stroke=plus_colour, width=55)
    d.polyline([(xm, ym), (x_in - 400, ym), (x_in, centre_in + half)], stroke=minus_colour, width=55)
    twists = 9
    plus, minus = [], []
    for i in range(twists * 8 + 1):
        t = i / (twists * 8)
        x = x_in + (x_out - x_in) * t
        centre = centre_in + (centre_out - centre_in) * t
        offset = half * math.cos(math.pi * twists * t)
        plus.append((x, centre - offset))
        minus.append((x, centre + offset))
    d.polyline(minus, stroke=minus_colour, width=55)
    d.polyline(plus, stroke=plus_colour, width=55)
    end_offset = half * math.cos(math.pi * twists)
    d.polyline([(x_out, centre_out - end_offset), (x_out + 400, ep_y), (ep_x, ep_y)], stroke=plus_colour, width=55)
    d.polyline([(x_out, centre_out + end_offset), (x_out + 400, em_y), (em_x, em_y)], stroke=minus_colour, width=55)
    d.text(ep_x - 250, ep_y - 110, label, 270, "end", fill=plus_colour)


def connect_supply(d, enc, top):
    """The supply below the encoder: + to the encoder's +V, - to its ground."""
    plus, minus = draw_supply(d, 7600, top)
    d.polyline([(5300, enc["V"]), (6300, enc["V"]), (6300, plus[1]), plus], stroke=SUPPLY, width=55)
    d.polyline([minus, (7000, minus[1]), (7000, enc["G"])], stroke=GROUND, width=55)
    d.circle(7000, enc["G"], 90, fill=GROUND, stroke=GROUND)


def header(d, title, subtitle):
    d.rect(0, 0, 21000, d.height, fill="#ffffff", stroke="#ffffff", width=0)
    d.text(600, 800, title, 460, weight="bold")
    d.text(600, 1300, subtitle, 320, fill=MUTED)
    d.line(600, 1550, 20400, 1550, stroke="#d5dae0", width=25)


def footer(d, y, text):
    d.text(600, y, text, 280, fill=MUTED)


def single_ended(channels, line_a):
    height = 14000 if channels == 2 else 11000
    d = Drawing(height)
    pins = {"Line3": 3, "Line4": 8}
    if channels == 2:
        header(d, "Two-channel encoder, single-ended (LVCMOS)",
               "Channel A on Line3 (pin 3), channel B on Line4 (pin 8), common ground on pin 4")
    else:
        header(d, "One-channel encoder, single-ended (LVCMOS)",
               f"Channel A on {line_a} (pin {pins[line_a]}), ground return on pin 4")
    terminals = [("A", "A", CHANNEL_A)]
    if channels == 2:
        terminals.append(("B", "B", CHANNEL_B))
    terminals += [("G", "GND", GROUND), ("V", "+V", SUPPLY)]
    enc = draw_encoder(d, 700, 2100, terminals, "single-ended outputs")
    used = [pins[line_a], 4] + ([8] if channels == 2 else [])
    con = draw_connector(d, 15100, 2100, used)
    # The lower a terminal, the earlier its wire turns, so that no two wires cross.
    wire(d, (5300, enc["A"]), (14960, con[pins[line_a]]), CHANNEL_A, "Channel A", bend=13600)
    if channels == 2:
        wire(d, (5300, enc["B"]), (14960, con[8]), CHANNEL_B, "Channel B", bend=12800)
    wire(d, (5300, enc["G"]), (14960, con[4]), GROUND, "Signal ground (return)", bend=12000)
    connect_supply(d, enc, 6300)
    d.text(700, 8300 if channels == 2 else height - 1100, "Each channel drives one camera input pin; the encoder's ground is the return path "
                              "and joins the I/O ground on pin 4.", 280, fill=MUTED)
    if channels == 2:
        timing_sketch(d, 8600)
    else:
        footer(d, height - 500, "Camera settings: encoder channels 1, signal type Single-Ended (LVCMOS), "
                                f"EncoderSourceA {line_a}, EncoderSourceB Off")
    return d


def timing_sketch(d, top):
    d.rect(700, top, 19600, 5000, fill=PANEL, radius=200, width=30)
    d.text(1000, top + 480, "Signal diagram", 340, weight="bold")
    x0, x1 = 4200, 19800
    rows = [("Encoder A", CHANNEL_A, 0), ("Encoder B", CHANNEL_B, 0.25)]
    period = 1300
    for index, (name, colour, phase) in enumerate(rows):
        base = top + 1350 + index * 800
        d.text(1000, base, name, 300, fill=colour, weight="bold")
        shift = phase * period
        points = [(x0, base)]
        k = 0
        while True:
            rise = x0 + shift + k * period
            fall = rise + period / 2
            if rise >= x1:
                break
            points += [(rise, base), (rise, base - 450), (min(fall, x1), base - 450)]
            if fall < x1:
                points.append((fall, base))
            k += 1
        points.append((x1, points[-1][1]))
        d.polyline(points, stroke=colour, width=45)
    # Line trigger: one pulse per encoder period, divider 1.
    base = top + 3050
    d.text(1000, base, "Line trigger", 300, weight="bold")
    points = [(x0, base)]
    x = x0
    while x + 200 < x1:
        points += [(x, base), (x, base - 450), (x + 200, base - 450), (x + 200, base)]
        x += period
    points.append((x1, base))
    d.polyline(points, stroke=INK, width=45)
    # Exposure inside each line period.
    base = top + 3850
    d.text(1000, base, "Exposure", 300, weight="bold")
    x = x0
    while x + 900 < x1:
        d.rect(x + 150, base - 420, 750, 420, fill="#f5c26b", stroke="#b7862f", width=25)
        x += period
    # Dimensions: line time and exposure time.
    dim_y = top + 4450
    d.line(x0, dim_y, x0 + period, dim_y, stroke=MUTED, width=25)
    for xx in (x0, x0 + period):
        d.line(xx, dim_y - 150, xx, dim_y + 150, stroke=MUTED, width=25)
    d.text(x0 + period / 2, dim_y + 420, "line time", 270, "middle", fill=MUTED)
    ex0 = x0 + 2 * period + 150
    d.line(ex0, dim_y, ex0 + 750, dim_y, stroke="#b7862f", width=25)
    for xx in (ex0, ex0 + 750):
        d.line(xx, dim_y - 150, xx, dim_y + 150, stroke="#b7862f", width=25)
    d.text(ex0 + 375, dim_y + 420, "exposure time", 270, "middle", fill="#b7862f")


def differential(channels):
    height = 14000 if channels == 2 else 11000
    d = Drawing(height)
    if channels == 2:
        header(d, "Two-channel encoder, differential (RS422)",
               "A+/A- on Line1 (pins 1, 6), B+/B- on Line2 (pins 2, 7), common signal ground on pin 4")
    else:
        header(d, "One-channel encoder, differential (RS422)",
               "A+/A- on Line1 (pins 1, 6), common signal ground on pin 4")
    terminals = [("A+", "A+", CHANNEL_A), ("A-", "A-", CHANNEL_A_MINUS)]
    if channels == 2:
        terminals += [("B+", "B+", CHANNEL_B), ("B-", "B-", CHANNEL_B_MINUS)]
    terminals += [("G", "GND", GROUND), ("V", "+V", SUPPLY)]
    enc = draw_encoder(d, 700, 2100, terminals, "RS422 line driver outputs")
    used = [1, 6, 4] + ([2, 7] if channels == 2 else [])
    con = draw_connector(d, 15100, 2100, used)
    twisted_pair(d, (5300, enc["A+"]), (5300, enc["A-"]), (14960, con[1]), (14960, con[6]), CHANNEL_A,
                 CHANNEL_A_MINUS, "Channel A, twisted pair")
    if channels == 2:
        twisted_pair(d, (5300, enc["B+"]), (5300, enc["B-"]), (14960, con[2]), (14960, con[7]), CHANNEL_B,
                     CHANNEL_B_MINUS, "Channel B, twisted pair")
    wire(d, (5300, enc["G"]), (14960, con[4]), GROUND, "Common signal ground", bend=11600)
    connect_supply(d, enc, 7700 if channels == 2 else 6500)
    settings = ("Camera settings: encoder channels 2, signal type Differential (RS422), EncoderSourceA Line1, "
                "EncoderSourceB Line2") if channels == 2 else (
        "Camera settings: encoder channels 1, signal type Differential (RS422), EncoderSourceA Line1, "
        "EncoderSourceB Off")
    d.text(700, height - 1100, "Keep each + and - conductor twisted together up to the connector; use shielded "
                               "cable for long runs.", 280, fill=MUTED)
    footer(d, height - 500, settings)
    return d


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    drawings = {
        "Linetrigger_1ch_single.svg": ("One single-ended encoder channel on Line3", single_ended(1, "Line3")),
        "Linetrigger_1ch_single_4.svg": ("One single-ended encoder channel on Line4", single_ended(1, "Line4")),
        "Linetrigger_2ch_single.svg": ("Two single-ended encoder channels on Line3 and Line4", single_ended(2, "Line3")),
        "Linetrigger_1ch_differential.svg": ("One differential encoder channel on Line1", differential(1)),
        "Linetrigger_2ch_differential.svg": ("Two differential encoder channels on Line1 and Line2", differential(2)),
    }
    for name, (title, drawing) in drawings.items():
        with open(os.path.join(here, name), "w", encoding="utf-8") as out:
            out.write(drawing.svg(title))


if __name__ == "__main__":
    main()
