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
    sounds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
