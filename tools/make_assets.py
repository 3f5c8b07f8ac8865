#!/usr/bin/env python3
"""Draws the program's icons and cursor and synthesises its sounds into src/res/assets.

Pure Python, deterministic: running it again gives the same bytes. The outputs are committed;
run it only after changing a picture or a sound here.
"""
import math
import os
import random
import struct
import sys
import wave

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "res", "assets")
SS = 4  # supersampling per axis


class Canvas:
    """An RGBA canvas drawn at SS times the size and reduced with averaging (antialiasing)."""

    def __init__(self, size):
        self.size = size
        self.n = size * SS
        self.px = [[(0, 0, 0, 0)] * self.n for _ in range(self.n)]

    def _blend(self, x, y, rgba):
        r, g, b, a = rgba
        if a <= 0:
            return
        dr, dg, db, da = self.px[y][x]
        af = a / 255.0
        oa = af + (da / 255.0) * (1 - af)
        if oa <= 0:
            return
        mix = lambda s, d: (s * af + d * (da / 255.0) * (1 - af)) / oa
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), oa * 255)

    def fill(self, inside, colour):
        """Fills every subpixel whose centre (in icon pixels) satisfies inside(x, y)."""
        for yy in range(self.n):
            y = (yy + 0.5) / SS
            for xx in range(self.n):
                x = (xx + 0.5) / SS
                c = colour(x, y) if callable(colour) else colour
                if inside(x, y):
                    self._blend(xx, yy, c)

    def pixels(self):
        out = []
        for y in range(self.size):
            row = []
            for x in range(self.size):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(SS):
                    for sx in range(SS):
                        r, g, b, a = self.px[y * SS + sy][x * SS + sx]
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                if acc[3] > 0:
                    row.append(tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(acc[3] / (SS * SS))),))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ring(inner, outer):
    return lambda x, y: outer(x, y) and not inner(x, y)


def polygon(points):
    def inside(x, y):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def transform(shape, s, dx=0.0, dy=0.0):
    """The shape drawn at scale s and offset (dx, dy): shapes are designed on a 48-unit grid."""
    return lambda x, y: shape((x - dx) / s, (y - dy) / s)


def heart(cx, cy, r):
    lobes = lambda x, y: disc(cx - r * 0.5, cy - r * 0.25, r * 0.55)(x, y) or disc(cx + r * 0.5, cy - r * 0.25, r * 0.55)(x, y)
    tip = polygon([(cx - r * 1.02, cy - 0.05 * r), (cx + r * 1.02, cy - 0.05 * r), (cx, cy + r * 1.05)])
    return lambda x, y: lobes(x, y) or tip(x, y)


def spade(cx, cy, r):
    body = heart(cx, cy + 0.1 * r, r)
    flipped = lambda x, y: body(x, 2 * cy - y)
    stem = polygon([(cx - 0.12 * r, cy + 0.3 * r), (cx + 0.12 * r, cy + 0.3 * r), (cx + 0.45 * r, cy + 1.1 * r), (cx - 0.45 * r, cy + 1.1 * r)])
    return lambda x, y: flipped(x, y) or stem(x, y)


def card(canvas, s, x0, y0, w, h, face, edge=(40, 40, 60, 255)):
    r = max(1.0, w / 8)
    canvas.fill(transform(rounded_rect(x0, y0, x0 + w, y0 + h, r), s), edge)
    m = max(1.2, w / 16)
    canvas.fill(transform(rounded_rect(x0 + m, y0 + m, x0 + w - m, y0 + h - m, r - m / 2), s), face)


def back_gradient(s):
    def colour(x, y):
        t = min(1.0, max(0.0, (x + y) / (s * 48 * 1.6)))
        return (int(255 * (1 - t) + 60 * t), int(255 * (1 - t) + 120 * t), 255, 255)
    return colour


def app_icon(size):
    c = Canvas(size)
    s = size / 48.0
    card(c, s, 4, 6, 24, 34, back_gradient(s))
    card(c, s, 18, 9, 26, 36, (255, 255, 255, 255))
    c.fill(transform(heart(31, 25, 7), s), (220, 20, 40, 255))
    if size >= 32:
        c.fill(transform(spade(12.5, 20, 4.2), s), (255, 255, 255, 200))
    return c.pixels()


def ratio_icon():
    """Two cards overlapping by about half: beside the overlap ratio."""
    c = Canvas(16)
    s = 16 / 48.0
    card(c, s, 2, 4, 24, 34, (200, 220, 255, 255), (30, 60, 140, 255))
    card(c, s, 20, 10, 24, 34, (255, 255, 255, 255), (30, 60, 140, 255))
    c.fill(transform(rounded_rect(21.5, 11.5, 24.5, 36.5, 1), s), (255, 140, 0, 255))
    return c.pixels()


def recursive_icon():
    """A chain of three cards, each on the next: beside the recursive checkbox."""
    c = Canvas(16)
    s = 16 / 48.0
    for i, x in enumerate((2, 13, 24)):
        card(c, s, x, 4 + 8 * i, 20, 28, (255, 255, 255, 255), (150, 70, 0, 255))
    return c.pixels()


def trail_cursor():
    """An arrow whose tip is the hot spot (1, 1), with a small trail of cards."""
    c = Canvas(32)
    s = 32 / 48.0
    for i in range(3):
        card(c, s, 20 + 5 * i, 18 + 5 * i, 14, 20, (255, 255, 255, 255), (20, 20, 20, 255))
    arrow = [(1.5, 1.5), (1.5, 33), (9.5, 25.5), (15, 37), (20, 35), (14.5, 23.5), (25, 23.5)]
    c.fill(transform(polygon(arrow), s), (0, 0, 0, 255))
    inner = [(4, 7.5), (4, 27), (10.2, 21.4), (15.8, 33.2), (17, 32.6), (11.6, 20.9), (19, 20.9)]
    c.fill(transform(polygon(inner), s), (255, 255, 255, 255))
    return c.pixels()


def segment(x0, y0, x1, y1, w):
    """A straight stroke of width w from (x0, y0) to (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    n = math.hypot(dx, dy) or 1.0
    px, py = -dy / n * w / 2, dx / n * w / 2
    return polygon([(x0 + px, y0 + py), (x1 + px, y1 + py), (x1 - px, y1 - py), (x0 - px, y0 - py)])


def arc(cx, cy, r_in, r_out, a0, a1):
    """A ring sector between the angles a0 and a1 (degrees, y down, clockwise)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not (r_in <= d <= r_out):
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        lo, hi = a0 % 360, a1 % 360
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def arrow_head(tip, direction, size):
    """A triangle pointing along direction (degrees) with its tip at tip."""
    a = math.radians(direction)
    bx, by = tip[0] - math.cos(a) * size, tip[1] - math.sin(a) * size
    px, py = -math.sin(a) * size * 0.7, math.cos(a) * size * 0.7
    return polygon([tip, (bx + px, by + py), (bx - px, by - py)])


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def diamond(cx, cy, r):
    return polygon([(cx, cy - r), (cx + r * 0.75, cy), (cx, cy + r), (cx - r * 0.75, cy)])


def club(cx, cy, r):
    leaves = union(disc(cx, cy - r * 0.45, r * 0.4), disc(cx - r * 0.45, cy + r * 0.1, r * 0.4),
                   disc(cx + r * 0.45, cy + r * 0.1, r * 0.4))
    stem = polygon([(cx - 0.1 * r, cy), (cx + 0.1 * r, cy), (cx + 0.4 * r, cy + r), (cx - 0.4 * r, cy + r)])
    return union(leaves, stem)


INK = (40, 60, 110, 255)
RED = (215, 30, 45, 255)
BLUE = (40, 110, 220, 255)
GREEN = (30, 140, 60, 255)
WHITE = (255, 255, 255, 255)
EDGE = (45, 45, 60, 255)


def small_card(c, x0, y0, w, h, face, edge=EDGE):
    """A card on the 16-pixel grid (coordinates in pixels)."""
    c.fill(rounded_rect(x0, y0, x0 + w, y0 + h, 1.3), edge)
    c.fill(rounded_rect(x0 + 1, y0 + 1, x0 + w - 1, y0 + h - 1, 0.8), face)


def button_icons():
    icons = {}
    back = lambda x, y: (120, 170, 240, 255) if (int(x) + int(y)) % 2 else (80, 130, 220, 255)

    c = Canvas(16)  # sequence: ascending bars on a card, sorted order
    small_card(c, 1.5, 0.5, 13, 15, WHITE)
    for i, hgt in enumerate((4, 7, 10)):
        c.fill(lambda x, y, i=i, hgt=hgt: 4 + 3 * i <= x <= 6 + 3 * i and 13.5 - hgt <= y <= 13.5, BLUE)
    icons["sequence"] = c.pixels()

    c = Canvas(16)  # shuffle: two crossing arrows
    c.fill(segment(1.5, 4, 11, 12, 1.8), INK)
    c.fill(segment(1.5, 12, 11, 4, 1.8), INK)
    c.fill(arrow_head((15, 12), 40, 4.2), INK)
    c.fill(arrow_head((15, 4), -40, 4.2), INK)
    icons["shuffle"] = c.pixels()

    c = Canvas(16)  # gather: a squared pile, arrows pushing the cards in from both sides
    for i in range(3):
        small_card(c, 4.5 + i, 2.5 + i, 6, 9, WHITE)
    c.fill(segment(0.2, 8, 2.6, 8, 1.4), GREEN)
    c.fill(arrow_head((4.4, 8), 0, 2.6), GREEN)
    c.fill(segment(15.8, 8, 14.2, 8, 1.4), GREEN)
    c.fill(arrow_head((12.6, 8), 180, 2.6), GREEN)
    icons["gather"] = c.pixels()

    c = Canvas(16)  # scatter: cards flung apart
    small_card(c, 0.5, 1, 6, 8, WHITE)
    small_card(c, 9.5, 0.5, 6, 8, back)
    small_card(c, 5, 7.5, 6, 8, WHITE)
    c.fill(heart(3.5, 5, 1.6), RED)
    c.fill(heart(8, 11.5, 1.6), RED)
    icons["scatter"] = c.pixels()

    c = Canvas(16)  # face up: a front with a heart
    small_card(c, 2.5, 0.5, 11, 15, WHITE)
    c.fill(heart(8, 7.5, 3.6), RED)
    icons["faceup"] = c.pixels()

    c = Canvas(16)  # face down: a back
    small_card(c, 2.5, 0.5, 11, 15, back)
    icons["facedown"] = c.pixels()

    for name, mirror in (("undo", False), ("redo", True)):
        c = Canvas(16)  # a curved arrow turning back (undo) or forward (redo)
        body = arc(8, 9, 3.4, 5.4, 180, 360)
        head = arrow_head((3.4, 13.5), 90, 3.8)
        shape = union(body, head)
        c.fill((lambda x, y, s=shape: s(16 - x, y)) if mirror else shape, BLUE if not mirror else (30, 140, 60, 255))
        icons[name] = c.pixels()

    c = Canvas(16)  # take out / put away: a box with a card
    small_card(c, 5, 0.5, 7, 10, WHITE)
    c.fill(heart(8.5, 4.5, 1.8), RED)
    c.fill(polygon([(1, 7), (15, 7), (14, 15.5), (2, 15.5)]), (150, 95, 45, 255))
    c.fill(polygon([(2, 8), (14, 8), (13.3, 14.5), (2.7, 14.5)]), (200, 140, 80, 255))
    c.fill(segment(1, 7.5, 15, 7.5, 1.2), (110, 65, 25, 255))
    icons["takeout"] = c.pixels()

    c = Canvas(16)  # settings: a gear
    teeth = [segment(8 + math.cos(math.radians(a)) * 4, 8 + math.sin(math.radians(a)) * 4,
                     8 + math.cos(math.radians(a)) * 7.3, 8 + math.sin(math.radians(a)) * 7.3, 2.4)
             for a in range(0, 360, 45)]
    gear = union(disc(8, 8, 5.3), *teeth)
    c.fill(lambda x, y: gear(x, y) and not disc(8, 8, 2.1)(x, y), (100, 105, 115, 255))
    icons["settings"] = c.pixels()

    c = Canvas(16)  # the program's folder: a yellow folder with its tab
    c.fill(rounded_rect(1, 2.5, 7.5, 6, 1), (200, 150, 40, 255))
    c.fill(rounded_rect(1, 4, 15, 14, 1), (200, 150, 40, 255))
    c.fill(rounded_rect(1.8, 6, 14.2, 13.2, 0.8), (245, 200, 80, 255))
    icons["folder"] = c.pixels()

    c = Canvas(16)  # help: a question mark in a blue disc
    c.fill(disc(8, 8, 7.5), BLUE)
    mark = union(arc(8, 6, 1.6, 3.3, 180, 420), segment(8.6, 8.8, 8.6, 10.6, 1.7))
    c.fill(mark, WHITE)
    c.fill(disc(8.6, 12.6, 1.1), WHITE)
    icons["help"] = c.pixels()

    c = Canvas(16)  # share: two cards on two tables, joined by a line between them
    c.fill(segment(4.5, 8.5, 11.5, 8.5, 1.6), GREEN)
    small_card(c, 0.5, 3.5, 6, 9, WHITE)
    small_card(c, 9.5, 3.5, 6, 9, WHITE)
    c.fill(heart(3.5, 7.5, 1.7), RED)
    c.fill(heart(12.5, 7.5, 1.7), RED)
    icons["share"] = c.pixels()
    return icons


def write_bmp(path, pixels, bits):
    """A bottom-up BMP: 24-bit, or 32-bit with premultiplied alpha."""
    h = len(pixels)
    w = len(pixels[0])
    stride = ((w * bits // 8) + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b, a in row:
            if bits == 32:
                line += bytes((b * a // 255, g * a // 255, r * a // 255, a))
            else:
                line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(data), 0, 0, 54) + header + data)


def tile(w, h, colour, background):
    """The suit pattern as an RGBA tile of w x h (pixels outside the shapes get background)."""
    c = Canvas(max(w, h))
    shapes = [heart(w * 0.25, h * 0.27, 3.2), spade(w * 0.73, h * 0.22, 2.9),
              diamond(w * 0.25, h * 0.74, 3.6), club(w * 0.73, h * 0.7, 3.2)]
    c.fill(lambda x, y: x < w and y < h and any(s(x, y) for s in shapes), colour)
    px = c.pixels()
    return [[p if p[3] > 0 else background for p in row[:w]] for row in px[:h]]


def dib(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        body += bits
    return header + bytes(body)


def icon_file(images, kind=1, hotspot=(0, 0)):
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for px in images:
        size = len(px)
        blob = dib(px)
        a, b = (1, 32) if kind == 1 else hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


RATE = 22050


def write_wave(name, samples):
    peak = max(1e-9, max(abs(v) for v in samples))
    scale = 0.8 * 32767 / peak
    with wave.open(os.path.join(OUT, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(v * scale)) for v in samples))


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def lowpass(samples, k):
    out, acc = [], 0.0
    for v in samples:
        acc += k * (v - acc)
        out.append(acc)
    return out


def noise_burst(rng, seconds, decay, k):
    n = int(RATE * seconds)
    raw = [rng.uniform(-1, 1) * math.exp(-i / (RATE * decay)) for i in range(n)]
    return lowpass(raw, k)


def mix_at(base, part, at):
    start = int(at * RATE)
    need = start + len(part)
    if len(base) < need:
        base.extend([0.0] * (need - len(base)))
    for i, v in enumerate(part):
        base[start + i] += v
    return base


def tone(freq, seconds, decay, harmonics=((1, 1.0),)):
    n = int(RATE * seconds)
    return [sum(a * math.sin(2 * math.pi * freq * h * i / RATE) for h, a in harmonics) * math.exp(-i / (RATE * decay))
            * min(1.0, i / (RATE * 0.003)) for i in range(n)]


def sounds():
    rng = random.Random(104)
    press = mix_at(tone(1900, 0.03, 0.006), [0.4 * v for v in noise_burst(rng, 0.02, 0.003, 0.5)], 0)
    write_wave("press.wav", press)

    slap = noise_burst(rng, 0.09, 0.015, 0.35)
    mix_at(slap, [0.6 * v for v in tone(170, 0.08, 0.02)], 0)
    write_wave("putdown.wav", slap)

    riffle = []
    t = 0.0
    for i in range(26):
        click = noise_burst(rng, 0.02, 0.004, 0.6)
        mix_at(riffle, [v * (0.5 + 0.5 * math.sin(math.pi * i / 25)) for v in click], t)
        t += 0.022 - 0.0004 * i
    mix_at(riffle, slap, t + 0.02)
    write_wave("riffle.wav", riffle)

    chime = []
    mix_at(chime, tone(1046.5, 0.5, 0.16, ((1, 1.0), (2, 0.3), (3, 0.1))), 0)
    mix_at(chime, tone(1568.0, 0.6, 0.2, ((1, 1.0), (2, 0.3), (3, 0.1))), 0.12)
    write_wave("fresh.wav", chime)

    whoosh = []
    n = int(RATE * 0.2)
    raw = [rng.uniform(-1, 1) * math.sin(math.pi * i / n) ** 2 for i in range(n)]
    mix_at(whoosh, lowpass(raw, 0.12), 0)
    mix_at(whoosh, slap, 0.18)
    write_wave("pileflip.wav", whoosh)

    gather = []
    for i in range(7):
        mix_at(gather, [v * (0.5 + 0.07 * i) for v in noise_burst(rng, 0.05, 0.01, 0.3)], 0.035 * i)
    write_wave("gather.wav", gather)

    order = []
    mix_at(order, tone(880, 0.09, 0.04, ((1, 1.0), (2, 0.2))), 0)
    mix_at(order, tone(1318.5, 0.12, 0.05, ((1, 1.0), (2, 0.2))), 0.08)
    write_wave("order.wav", order)


def main():
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, "app.ico"), "wb") as f:
        f.write(icon_file([app_icon(48), app_icon(32), app_icon(16)]))
    with open(os.path.join(OUT, "ratio.ico"), "wb") as f:
        f.write(icon_file([ratio_icon()]))
    with open(os.path.join(OUT, "recursive.ico"), "wb") as f:
        f.write(icon_file([recursive_icon()]))
    with open(os.path.join(OUT, "trail.cur"), "wb") as f:
        f.write(icon_file([trail_cursor()], kind=2, hotspot=(1, 1)))
    names = {"faceup": 151, "facedown": 152, "gather": 153, "scatter": 154, "sequence": 157, "shuffle": 158,
             "undo": 161, "redo": 162, "help": 163, "settings": 168, "takeout": 187, "folder": 166}
    for name, px in button_icons().items():
        with open(os.path.join(OUT, name + ".ico"), "wb") as f:
            f.write(icon_file([px]))
    # Panel background: mask (white where the pattern shows) and image (the pattern on black),
    # both 36 x 31, and the alpha tile, 34 x 30.
    m = tile(36, 31, (255, 255, 255, 255), (0, 0, 0, 255))
    write_bmp(os.path.join(OUT, "panel_mask.bmp"), [[(r, g, b, 255) for r, g, b, a in row] for row in m], 24)
    im = tile(36, 31, (196, 202, 214, 255), (0, 0, 0, 255))
    write_bmp(os.path.join(OUT, "panel_image.bmp"), [[(r, g, b, 255) for r, g, b, a in row] for row in im], 24)
    al = tile(34, 30, (30, 50, 110, 255), (0, 0, 0, 0))
    write_bmp(os.path.join(OUT, "panel_alpha.bmp"), al, 32)
    sounds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
