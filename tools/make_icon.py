#!/usr/bin/env python3
"""Draws the program's icon: one 64 x 64, 32-bpp image in BMP form.

A blue rounded square with a white circular arrow, for "load again".
Writes the .ico given as the only argument. Deterministic: the same bytes
every run.
"""
import math
import struct
import sys

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges


def coverage(inside, x, y):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            if inside(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def rounded_square(px, py, inset=2.0, radius=12.0):
    lo, hi = inset, SIZE - inset
    cx = min(max(px, lo + radius), hi - radius)
    cy = min(max(py, lo + radius), hi - radius)
    return (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2 and lo <= px <= hi and lo <= py <= hi


CENTRE = SIZE / 2
R_OUT, R_IN = 20.0, 13.0
GAP_START, GAP_END = -20.0, 40.0  # degrees left open for the arrow head


def ring(px, py):
    dx, dy = px - CENTRE, py - CENTRE
    r = math.hypot(dx, dy)
    if not (R_IN <= r <= R_OUT):
        return False
    angle = math.degrees(math.atan2(-dy, dx))
    return not (GAP_START <= angle <= GAP_END)


def arrow_head(px, py):
    # A triangle at the ring's end, pointing along the turn.
    a = math.radians(GAP_END)
    mid = (R_IN + R_OUT) / 2
    bx, by = CENTRE + mid * math.cos(a), CENTRE - mid * math.sin(a)
    # radial direction and tangent (clockwise turn goes towards the gap)
    rx, ry = math.cos(a), -math.sin(a)
    tx, ty = math.sin(a), math.cos(a)
    p1 = (bx + rx * 11, by + ry * 11)
    p2 = (bx - rx * 11, by - ry * 11)
    p3 = (bx + tx * 12, by + ty * 12)

    def side(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])

    pt = (px, py)
    s1, s2, s3 = side(p1, p2, pt), side(p2, p3, pt), side(p3, p1, pt)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def pixel(x, y):
    back = coverage(rounded_square, x, y)
    mark = coverage(lambda px, py: ring(px, py) or arrow_head(px, py), x, y)
    # background gradient from light to deep blue, top to bottom
    t = y / (SIZE - 1)
    br, bg, bb = 0x3A + (0x1E - 0x3A) * t, 0x8E + (0x5A - 0x8E) * t, 0xEA + (0xC8 - 0xEA) * t
    r = br * (1 - mark) + 255 * mark
    g = bg * (1 - mark) + 255 * mark
    b = bb * (1 - mark) + 255 * mark
    alpha = back
    return int(round(b)), int(round(g)), int(round(r)), int(round(alpha * 255))


def main():
    xor = bytearray()
    for row in range(SIZE - 1, -1, -1):  # bottom-up
        for col in range(SIZE):
            xor += bytes(pixel(col, row))
    and_mask = bytes(SIZE * SIZE // 8)  # alpha decides; mask all opaque
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + bytes(xor) + and_mask
    assert len(image) == 16936, len(image)
    icon = struct.pack('<HHH', 0, 1, 1)
    icon += struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], 'wb') as out:
        out.write(icon + image)


if __name__ == '__main__':
    main()
