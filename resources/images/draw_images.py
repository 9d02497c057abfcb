#!/usr/bin/env python3
"""Draws the two pictures the display ships with, using only the standard library.

    no_cover.png      a dark grey square with a pair of beamed notes, shown for a track
                      without artwork
    vinyl_record.png  a black record with grooves, a sheen and a coloured label on a
                      transparent background

Run it from anywhere; it writes the pictures beside itself:  python3 draw_images.py
Edges are smoothed from the distance of each pixel to the shape, one sample per pixel.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(path, width, height, pixel_rows):
    """pixel_rows yields, per row, a bytes object of width * 4 RGBA values."""
    raw = bytearray()
    for row in pixel_rows:
        raw.append(0)  # no filter
        raw.extend(row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def coverage(distance):
    """How much of a pixel a shape covers, from the signed distance of its centre (inside < 0)."""
    return clamp(0.5 - distance)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# ---- no_cover.png ----

def ellipse_distance(px, py, cx, cy, rx, ry, angle):
    """Approximate signed distance to a rotated ellipse (good near its edge)."""
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = px - cx, py - cy
    x, y = dx * c + dy * s, -dx * s + dy * c
    k = math.hypot(x / rx, y / ry)
    if k == 0:
        return -min(rx, ry)
    grad = math.hypot(x / (rx * rx), y / (ry * ry))
    return (k - 1) * k / grad if grad else -min(rx, ry)


def box_distance(px, py, x0, y0, x1, y1):
    dx = max(x0 - px, 0.0, px - x1)
    dy = max(y0 - py, 0.0, py - y1)
    if dx == 0 and dy == 0:
        return -min(px - x0, x1 - px, py - y0, y1 - py)
    return math.hypot(dx, dy)


def beam_distance(px, py, x0, y0, x1, y1, thickness):
    """Distance to a slanted beam whose top edge runs from (x0, y0) to (x1, y1)."""
    t = clamp((px - x0) / (x1 - x0))
    if px < x0 or px > x1:
        top = y0 + (y1 - y0) * t
        return math.hypot(max(x0 - px, px - x1), max(top - py, py - top - thickness, 0.0))
    top = y0 + (y1 - y0) * t
    bottom = top + thickness
    if py < top:
        return top - py
    if py > bottom:
        return py - bottom
    return -min(py - top, bottom - py, px - x0, x1 - px)


def draw_no_cover(size=1000):
    s = size / 1000.0
    background_top = (52, 52, 54)
    background_bottom = (34, 34, 36)
    note = (108, 108, 112)
    # Two note heads, their stems and the beam that joins them.
    head_rx, head_ry, tilt = 62 * s, 44 * s, -0.45
    heads = [(392 * s, 648 * s), (652 * s, 600 * s)]
    stem_width = 22 * s
    stems = [(hx + head_rx * 0.88 - stem_width, hy - 330 * s, hx + head_rx * 0.88, hy - 8 * s) for hx, hy in heads]
    beam_x0, beam_x1 = stems[0][0], stems[1][2]
    beam_y0, beam_y1 = stems[0][1], stems[1][1]
    # The stems start inside the slanted beam, so that no corner shows above it.
    stems = [(x0, y0 + 24 * s, x1, y1) for x0, y0, x1, y1 in stems]
    beam_thickness = 62 * s

    def row(y):
        out = bytearray()
        py = y + 0.5
        t = y / (size - 1)
        base = mix(background_top, background_bottom, t)
        for x in range(size):
            px = x + 0.5
            d = min(
                min(ellipse_distance(px, py, hx, hy, head_rx, head_ry, tilt) for hx, hy in heads),
                min(box_distance(px, py, *stem) for stem in stems),
                beam_distance(px, py, beam_x0, beam_y0, beam_x1, beam_y1, beam_thickness),
            )
            # A soft vignette keeps the square from looking flat.
            vx, vy = (px / size - 0.5), (py / size - 0.5)
            shade = 1.0 - 0.25 * (vx * vx + vy * vy)
            colour = mix(tuple(c * shade for c in base), note, coverage(d))
            out.extend((int(colour[0] + 0.5), int(colour[1] + 0.5), int(colour[2] + 0.5), 255))
        return out

    write_png(os.path.join(HERE, "no_cover.png"), size, size, (row(y) for y in range(size)))


# ---- vinyl_record.png ----

def draw_vinyl(size=1200):
    centre = size / 2.0
    radius = size * 0.495
    lead_out = radius * 0.36     # the smooth band around the label
    label = radius * 0.33
    hole = radius * 0.022
    label_colour = (196, 58, 42)
    label_ring = (232, 196, 120)

    def row(y):
        out = bytearray()
        py = y + 0.5 - centre
        for x in range(size):
            px = x + 0.5 - centre
            r = math.hypot(px, py)
            if r > radius + 1:
                out.extend((0, 0, 0, 0))
                continue
            angle = math.atan2(py, px)
            if r > label:
                # Grooves: fine rings, with a few wider gaps between the tracks.
                level = 14.0
                if r > lead_out and r < radius * 0.97:
                    level += 7.0 * (0.5 + 0.5 * math.sin(r * 1.9))
                    band = (r - lead_out) / (radius * 0.97 - lead_out)
                    if any(abs(band - g) < 0.006 for g in (0.22, 0.47, 0.71)):
                        level = 6.0
                elif r >= radius * 0.97:
                    level = 30.0  # the rim
                # The sheen of a light above: two bright wedges across the record.
                sheen = math.cos(2 * (angle - 0.7)) ** 8
                level += 46.0 * sheen
                colour = (level, level, level + 2)
            else:
                colour = label_colour
                if abs(r - label * 0.86) < label * 0.025:
                    colour = label_ring
                light = 1.0 + 0.10 * math.cos(angle - 2.3)
                colour = tuple(c * light for c in colour)
            alpha = coverage(r - radius)
            if r < hole + 1:
                alpha *= clamp(r - hole + 0.5)
            out.extend((int(clamp(colour[0], 0, 255) + 0.5), int(clamp(colour[1], 0, 255) + 0.5),
                        int(clamp(colour[2], 0, 255) + 0.5), int(alpha * 255 + 0.5)))
        return out

    write_png(os.path.join(HERE, "vinyl_record.png"), size, size, (row(y) for y in range(size)))


if __name__ == "__main__":
    draw_no_cover()
    draw_vinyl()
