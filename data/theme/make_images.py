#!/usr/bin/env python3
"""Draws the theme's own pictures as PNG files under image/ and application/ (run from this
folder: python3 make_images.py).

Everything is drawn here with the standard library only: shapes are signed distance functions
(negative inside, in pixels) whose edge is smoothed over one pixel, composed over each other.
The sizes match face.xml: a main window of 900 x 620 with a 30-pixel title bar, an 84-pixel
toolbar and the two screens below; buttons 34 pixels high; tree icons of 16 pixels.
"""
import math
import os
import struct
import zlib

# ---------------------------------------------------------------------------------------------
# Palette

HEAD_TOP = (24, 72, 196)
HEAD_BOTTOM = (40, 104, 232)
HEAD_LINE = (18, 58, 160)
BODY = (243, 245, 249)
CARD = (255, 255, 255)
CARD_BORDER = (218, 223, 232)
SIDEBAR = (234, 240, 248)
ACCENT = (37, 99, 235)
WHITE = (255, 255, 255)
RED = (229, 57, 53)
GREEN = (34, 178, 96)
SLATE = (100, 116, 139)


# ---------------------------------------------------------------------------------------------
# PNG output


def write_png(path, width, height, rgba_rows):
    """rgba_rows: bytes of height rows of width RGBA pixels."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)
        raw.extend(rgba_rows[y * stride:(y + 1) * stride])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------------------------
# Canvas: straight (not premultiplied) RGBA floats, 0..255 colour and 0..1 alpha.


class Canvas:
    def __init__(self, width, height, colour=(0, 0, 0), alpha=0.0):
        self.w = width
        self.h = height
        self.px = [[colour[0], colour[1], colour[2], alpha] for _ in range(width * height)]

    def blend(self, x, y, colour, a):
        """Paints colour with opacity a over pixel (x, y)."""
        if a <= 0.0:
            return
        p = self.px[y * self.w + x]
        if a >= 1.0 and len(colour) == 3:
            p[0], p[1], p[2], p[3] = colour[0], colour[1], colour[2], 1.0
            return
        da = p[3]
        oa = a + da * (1.0 - a)
        if oa <= 0.0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * da * (1.0 - a)) / oa
        p[3] = oa

    def fill(self, sdf, colour, box=None, opacity=1.0):
        """Fills the shape sdf(x, y) (pixel centres at +0.5) with colour, a tuple or a function of
        (x, y) giving a tuple. box limits the pixels visited: (x0, y0, x1, y1)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        const = not callable(colour)
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                d = sdf(x + 0.5, cy)
                if d >= 0.5:
                    continue
                cover = 1.0 if d <= -0.5 else 0.5 - d
                c = colour if const else colour(x + 0.5, cy)
                self.blend(x, y, c, cover * opacity)

    def erase(self, sdf, box=None):
        """Makes the shape transparent (the edge partly)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                d = sdf(x + 0.5, y + 0.5)
                if d >= 0.5:
                    continue
                keep = 0.0 if d <= -0.5 else 0.5 + d
                self.px[y * self.w + x][3] *= keep

    def save(self, path):
        out = bytearray()
        for p in self.px:
            a = max(0.0, min(1.0, p[3]))
            out.extend((clamp8(p[0]), clamp8(p[1]), clamp8(p[2]), int(round(a * 255))))
        write_png(path, self.w, self.h, out)


def clamp8(v):
    return max(0, min(255, int(round(v))))


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(c1[i] + (c2[i] - c1[i]) * t for i in range(3))


def vgradient(top, bottom, y0, y1):
    span = max(1e-6, y1 - y0)
    return lambda x, y: mix(top, bottom, (y - y0) / span)


# ---------------------------------------------------------------------------------------------
# Shapes (signed distance in pixels, negative inside)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    k = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k


def rrect(x0, y0, x1, y1, r):
    """Rounded rectangle between the corners (x0, y0) and (x1, y1)."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return f


def segment(ax, ay, bx, by, width):
    """A stroke of the given width with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2.0

    return f


def arc(cx, cy, r, width, a0, a1):
    """A stroke along the circle from angle a0 to a1 (degrees, y downwards, clockwise)."""
    p0 = (cx + r * math.cos(math.radians(a0)), cy + r * math.sin(math.radians(a0)))
    p1 = (cx + r * math.cos(math.radians(a1)), cy + r * math.sin(math.radians(a1)))

    def f(x, y):
        a = math.degrees(math.atan2(y - cy, x - cx))
        while a < a0:
            a += 360.0
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2.0
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - width / 2.0

    return f


def polygon(points):
    """A convex polygon, points clockwise on screen (y downwards)."""
    edges = []
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        length = math.hypot(bx - ax, by - ay) or 1e-9
        edges.append((ax, ay, (by - ay) / length, -(bx - ax) / length))

    def f(x, y):
        return max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)

    return f


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def outline(shape, width):
    return lambda x, y: abs(shape(x, y)) - width / 2.0


# ---------------------------------------------------------------------------------------------
# Layout numbers shared with face.xml

WIDTH, HEIGHT = 900, 620
TITLE_H = 30
TOOL_H = 84
HEAD_H = TITLE_H + TOOL_H  # the screens start here
SCREEN_H = HEIGHT - HEAD_H


def header(c):
    """The blue band of the title bar and the toolbar, with a darker line under it."""
    for y in range(HEAD_H):
        colour = mix(HEAD_TOP, HEAD_BOTTOM, y / float(HEAD_H - 1))
        if y == HEAD_H - 1:
            colour = HEAD_LINE
        for x in range(c.w):
            p = c.px[y * c.w + x]
            p[0], p[1], p[2], p[3] = colour[0], colour[1], colour[2], 1.0
    # a soft highlight across the top of the band
    for y in range(2):
        for x in range(c.w):
            c.blend(x, y, WHITE, 0.10 - 0.04 * y)


def card(c, x0, y0, x1, y1, colour=CARD, radius=8):
    """A rounded panel with a one-pixel border, in screen coordinates below the header."""
    box = (x0 - 1, y0 - 1, x1 + 1, y1 + 1)
    c.fill(rrect(x0, y0, x1, y1, radius), CARD_BORDER, box)
    c.fill(rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, radius - 1), colour, box)


def background(kind_screen):
    c = Canvas(WIDTH, HEIGHT, BODY, 1.0)
    header(c)
    top = HEAD_H
    if kind_screen:
        # the kind tree's panel on the left, the grid's panel on the right
        card(c, 8, top + 8, 212, top + 442, SIDEBAR)
        card(c, 220, top + 8, 892, top + 442)
    else:
        # the backup grid's panel
        card(c, 15, top + 71, 885, top + 425, CARD, 4)
        for x in range(16, 884):
            c.blend(x, top + 436, CARD_BORDER, 0.6)
    return c


def dialog_background():
    w, h = 420, 300
    c = Canvas(w, h, WHITE, 1.0)
    band = 34
    for y in range(band):
        colour = mix(HEAD_TOP, HEAD_BOTTOM, y / float(band - 1))
        for x in range(w):
            p = c.px[y * w + x]
            p[0], p[1], p[2] = colour
    for x in range(w):
        c.blend(x, 0, WHITE, 0.10)
        c.blend(x, band - 1, HEAD_LINE, 1.0)
    # a faint frame around the white body, so that the dialog stands out on a white window
    for y in range(band, h):
        c.blend(0, y, CARD_BORDER, 1.0)
        c.blend(w - 1, y, CARD_BORDER, 1.0)
    for x in range(w):
        c.blend(x, h - 1, CARD_BORDER, 1.0)
    return c


# ---------------------------------------------------------------------------------------------
# Title bar buttons: 40 x 30, white glyphs on the blue band (transparent around them)

TB_W, TB_H = 40, 30


def title_button(glyph, state, danger=False):
    c = Canvas(TB_W, TB_H)
    if state == "hover":
        c.fill(rrect(0, 0, TB_W, TB_H, 0.01), RED if danger else WHITE, opacity=1.0 if danger else 0.18)
    elif state == "pressed":
        c.fill(rrect(0, 0, TB_W, TB_H, 0.01), (183, 28, 28) if danger else (0, 0, 0),
               opacity=1.0 if danger else 0.18)
    c.fill(glyph, WHITE)
    return c


def close_glyph():
    cx, cy = TB_W / 2.0, TB_H / 2.0
    return union(segment(cx - 5, cy - 5, cx + 5, cy + 5, 1.6), segment(cx - 5, cy + 5, cx + 5, cy - 5, 1.6))


def minimize_glyph():
    cx, cy = TB_W / 2.0, TB_H / 2.0
    return segment(cx - 5.5, cy + 0.5, cx + 5.5, cy + 0.5, 1.6)


def gear_glyph(cx, cy, scale=1.0):
    teeth = [segment(cx, cy, cx + 7.0 * scale * math.cos(math.radians(a)),
                     cy + 7.0 * scale * math.sin(math.radians(a)), 2.8 * scale)
             for a in range(0, 360, 45)]
    body = union(circle(cx, cy, 5.2 * scale), *teeth)
    return subtract(body, circle(cx, cy, 2.2 * scale))


# ---------------------------------------------------------------------------------------------
# Toolbar icons: 32 x 32 white line drawings; current = a light plate behind, pressed = a dark one


TOOL_W, TOOL_H = 44, 32


def toolbar_icon(glyph, state):
    """The glyph is drawn 32 wide in the middle of a 44-pixel canvas, so that two buttons side by
    side keep their labels apart."""
    c = Canvas(TOOL_W, TOOL_H)
    dx = (TOOL_W - 32) / 2.0
    if state == "current":
        c.fill(rrect(dx - 2, 0, TOOL_W - dx + 2, 32, 8), WHITE, opacity=0.20)
    elif state == "pressed":
        c.fill(rrect(dx - 2, 0, TOOL_W - dx + 2, 32, 8), (0, 0, 0), opacity=0.22)
    c.fill(lambda x, y: glyph(x - dx, y), WHITE)
    return c


def home_glyph():
    roof = union(segment(5, 15.5, 16, 5.5, 2.4), segment(16, 5.5, 27, 15.5, 2.4))
    walls = union(segment(8.5, 14, 8.5, 26, 2.4), segment(23.5, 14, 23.5, 26, 2.4),
                  segment(8.5, 26, 23.5, 26, 2.4))
    door = union(segment(13.5, 26, 13.5, 19.5, 2.2), segment(13.5, 19.5, 18.5, 19.5, 2.2),
                 segment(18.5, 19.5, 18.5, 26, 2.2))
    return union(roof, walls, door)


def help_glyph():
    ring = outline(circle(16, 16, 12), 2.2)
    hook = arc(16, 12.5, 4.2, 2.4, 180, 405)
    stem = segment(16 + 4.2 * math.cos(math.radians(45)), 12.5 + 4.2 * math.sin(math.radians(45)),
                   16, 18.2, 2.4)
    dot = circle(16, 22.6, 1.6)
    return union(ring, hook, stem, dot)


# ---------------------------------------------------------------------------------------------
# Large word buttons: 36 x 34; left cap 16, centre tile 4, right cap 16 (face.xml)

BIG_W, BIG_H = 36, 34


def big_button(top, bottom, border):
    c = Canvas(BIG_W, BIG_H)
    c.fill(rrect(0.5, 0.5, BIG_W - 0.5, BIG_H - 0.5, 8), border)
    c.fill(rrect(1.5, 1.5, BIG_W - 1.5, BIG_H - 1.5, 7), vgradient(top, bottom, 1.5, BIG_H - 1.5))
    # a faint light edge along the top
    c.fill(intersect(outline(rrect(1.5, 1.5, BIG_W - 1.5, BIG_H - 1.5, 7), 1.0),
                     lambda x, y: y - 6.0), WHITE, opacity=0.25)
    return c


# ---------------------------------------------------------------------------------------------
# Message bubbles: 216 wide; top 22 (the date stands on it), centre 8 (repeated), bottom 10.
# A received bubble has its tail top left (its text starts 22 pixels in), a sent one top right.

BUBBLE_W = 216
INCOMING = (233, 236, 241)
INCOMING_EDGE = (214, 219, 227)
OUTGOING = (214, 232, 255)
OUTGOING_EDGE = (178, 208, 250)


def bubble_body(outgoing):
    if outgoing:
        x0, x1 = 0.5, BUBBLE_W - 12.5
        tail = polygon([(x1 - 8, 0.5), (BUBBLE_W - 0.5, 0.5), (x1 - 1, 12)])
    else:
        x0, x1 = 12.5, BUBBLE_W - 0.5
        tail = polygon([(0.5, 0.5), (x0 + 8, 0.5), (x0 + 1, 12)])
    return x0, x1, tail


def bubble_part(outgoing, part):
    fillc, edge = (OUTGOING, OUTGOING_EDGE) if outgoing else (INCOMING, INCOMING_EDGE)
    x0, x1, tail = bubble_body(outgoing)
    height = {"top": 22, "center": 8, "bottom": 10}[part]
    c = Canvas(BUBBLE_W, height, WHITE, 1.0)
    if part == "top":
        shape = union(rrect(x0, 0.5, x1, 60, 10), tail)
    elif part == "center":
        shape = rrect(x0, -40, x1, 40, 0.01)
    else:
        shape = rrect(x0, -40, x1, height - 0.5, 10)
    c.fill(shape, edge)
    c.fill(lambda x, y: shape(x, y) + 1.0, fillc)
    return c


# ---------------------------------------------------------------------------------------------
# Grid icons of the backup list: 20 x 20


def padlock_body(c, top, bottom):
    c.fill(rrect(3.5, 9.5, 16.5, 18.5, 2.5), vgradient(top, bottom, 9.5, 18.5))
    c.fill(union(circle(10, 13.3, 1.6), segment(10, 13.3, 10, 16, 1.3)), WHITE)


def lock_icon():
    """A backup that can be read: an open padlock, its shackle lifted and swung free on the
    right, in green."""
    c = Canvas(20, 20)
    shackle = (46, 125, 50)
    c.fill(arc(10, 5.6, 4.2, 2.2, 180, 360), shackle)
    c.fill(segment(5.8, 5.6, 5.8, 10, 2.2), shackle)
    c.fill(segment(14.2, 5.6, 14.2, 6.8, 2.2), shackle)
    padlock_body(c, (76, 175, 80), (46, 125, 50))
    return c


def delete_icon():
    """An encrypted backup: a closed padlock, its shackle down in the body on both sides, in
    amber."""
    c = Canvas(20, 20)
    shackle = (120, 82, 20)
    c.fill(arc(10, 8.5, 4.2, 2.2, 180, 360), shackle)
    c.fill(segment(5.8, 8.5, 5.8, 10, 2.2), shackle)
    c.fill(segment(14.2, 8.5, 14.2, 10, 2.2), shackle)
    padlock_body(c, (245, 166, 35), (200, 120, 10))
    return c


# ---------------------------------------------------------------------------------------------
# Kind icons of the tree: 16 x 16 tiles with a glyph


def tile(colour_top, colour_bottom):
    c = Canvas(16, 16)
    c.fill(rrect(0.5, 0.5, 15.5, 15.5, 3.5), vgradient(colour_top, colour_bottom, 0.5, 15.5))
    return c


def icon_call_history():
    c = tile((52, 211, 153), (16, 163, 108))
    handset = union(arc(10.5, 5.5, 6.0, 2.6, 90, 180), circle(4.6, 4.6, 1.9), circle(11.4, 11.4, 1.9))
    c.fill(handset, WHITE)
    return c


def icon_contacts():
    c = tile((148, 163, 184), (100, 116, 139))
    c.fill(circle(8, 6, 2.6), WHITE)
    c.fill(intersect(circle(8, 15.2, 5.3), lambda x, y: y - 13.0), WHITE)
    return c


def icon_messages():
    c = tile((74, 222, 128), (22, 163, 74))
    c.fill(union(ellipse(8, 7.3, 5.6, 4.3), polygon([(3.5, 9.0), (6.5, 10.5), (3.0, 13.2)])), WHITE)
    return c


def icon_message_attachment():
    c = tile((96, 165, 250), (37, 99, 235))
    outer = outline(segment(8, 5.0, 8, 11.5, 5.6), 1.3)
    inner = segment(8, 6.6, 8, 11.8, 1.3)
    # the outer loop is open at its lower left, where the wire turns inwards
    gap = rrect(4.5, 9.5, 7.2, 12.5, 0.01)
    c.fill(union(subtract(outer, gap), inner, segment(5.2, 9.8, 5.2, 7.5, 1.3)), WHITE)
    return c


def icon_notes():
    c = Canvas(16, 16)
    c.fill(rrect(0.5, 0.5, 15.5, 15.5, 3.5), (253, 253, 250))
    c.fill(intersect(rrect(0.5, 0.5, 15.5, 15.5, 3.5), lambda x, y: y - 5.0), (250, 204, 21))
    c.fill(outline(rrect(0.5, 0.5, 15.5, 15.5, 3.5), 0.8), (210, 200, 160), opacity=0.8)
    for y in (8.0, 10.5, 13.0):
        c.fill(segment(3.5, y, 12.5 if y < 12 else 9.5, y, 1.0), (160, 160, 160))
    return c


def icon_safari():
    c = tile((56, 189, 248), (2, 132, 199))
    c.fill(circle(8, 8, 6.2), WHITE)
    c.fill(outline(circle(8, 8, 6.2), 0.7), (2, 132, 199), opacity=0.6)
    c.fill(polygon([(8.8, 8.8), (7.2, 7.2), (12.0, 4.0)]), (239, 68, 68))
    c.fill(polygon([(7.2, 7.2), (8.8, 8.8), (4.0, 12.0)]), (100, 116, 139))
    return c


def icon_calendar():
    c = Canvas(16, 16)
    c.fill(rrect(0.5, 0.5, 15.5, 15.5, 3.5), WHITE)
    c.fill(intersect(rrect(0.5, 0.5, 15.5, 15.5, 3.5), lambda x, y: y - 5.0), (239, 68, 68))
    c.fill(outline(rrect(0.5, 0.5, 15.5, 15.5, 3.5), 0.8), (200, 200, 205), opacity=0.8)
    for row in range(2):
        for col in range(3):
            c.fill(rrect(3.5 + col * 3.5, 7.2 + row * 3.5, 5.5 + col * 3.5, 9.2 + row * 3.5, 0.5),
                   (75, 85, 99) if (row, col) != (0, 2) else (239, 68, 68))
    return c


def icon_reminders():
    c = Canvas(16, 16)
    c.fill(rrect(0.5, 0.5, 15.5, 15.5, 3.5), WHITE)
    c.fill(outline(rrect(0.5, 0.5, 15.5, 15.5, 3.5), 0.8), (200, 200, 205), opacity=0.8)
    for y, colour in ((4.5, (249, 115, 22)), (8.0, (59, 130, 246)), (11.5, (34, 197, 94))):
        c.fill(circle(4.3, y, 1.5), colour)
        c.fill(segment(7.0, y, 12.5, y, 1.1), (150, 150, 155))
    return c


def icon_voice_memos():
    c = tile((55, 65, 81), (17, 24, 39))
    for i, h in enumerate((3.0, 6.5, 9.0, 5.5, 3.0)):
        x = 3.6 + i * 2.2
        c.fill(segment(x, 8 - h / 2.0, x, 8 + h / 2.0, 1.2), (248, 113, 113))
    return c


def icon_camera_roll():
    c = tile((156, 163, 175), (75, 85, 99))
    body = union(rrect(2.5, 5.0, 13.5, 12.8, 1.6), rrect(5.5, 3.3, 10.5, 6.0, 1.0))
    c.fill(subtract(body, circle(8, 8.9, 2.7)), WHITE)
    c.fill(circle(8, 8.9, 1.5), WHITE)
    return c


def icon_photos():
    c = Canvas(16, 16)
    c.fill(rrect(0.5, 0.5, 15.5, 15.5, 3.5), WHITE)
    c.fill(outline(rrect(0.5, 0.5, 15.5, 15.5, 3.5), 0.8), (200, 200, 205), opacity=0.8)
    colours = [(250, 204, 21), (249, 115, 22), (239, 68, 68), (236, 72, 153), (168, 85, 247),
               (59, 130, 246), (20, 184, 166), (132, 204, 22)]
    for i, colour in enumerate(colours):
        a = math.radians(i * 45 - 90)
        c.fill(ellipse(8 + 3.0 * math.cos(a), 8 + 3.0 * math.sin(a), 2.2, 2.2), colour, opacity=0.85)
    return c


# ---------------------------------------------------------------------------------------------
# The program's icon: 128 x 128, a phone on a blue tile with a green restore badge


def application_icon():
    s = 128
    c = Canvas(s, s)
    c.fill(rrect(4, 4, s - 4, s - 4, 26), vgradient((59, 130, 246), (29, 78, 216), 4, s - 4))
    c.fill(intersect(rrect(4, 4, s - 4, s - 4, 26), lambda x, y: y - 40.0), WHITE, opacity=0.08)
    phone = rrect(38, 20, 82, 104, 9)
    c.fill(phone, WHITE)
    c.fill(rrect(43, 30, 77, 90, 3), (191, 219, 254))
    c.fill(segment(55, 25, 65, 25, 2.4), (148, 163, 184))
    c.fill(circle(60, 97, 3.2), (148, 163, 184))
    # badge
    c.fill(circle(88, 88, 25), WHITE)
    c.fill(circle(88, 88, 21), vgradient((52, 211, 153), (5, 150, 105), 67, 109))
    c.fill(arc(88, 88, 11, 4.0, -40, 220), WHITE)
    a = math.radians(-40)
    ex, ey = 88 + 11 * math.cos(a), 88 + 11 * math.sin(a)
    c.fill(polygon([(ex - 6.5, ey - 2.5), (ex + 7.0, ey - 4.0), (ex + 1.0, ey + 7.5)]), WHITE)
    return c


# ---------------------------------------------------------------------------------------------


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    os.chdir(here)
    out = {}

    out["image/base/bg.png"] = background(False)
    out["image/base/bg2.png"] = background(True)
    out["image/dialog/dialog_bg.png"] = dialog_background()

    for state in ("normal", "hover", "pressed"):
        out["image/titlebar/close_%s.png" % state] = title_button(close_glyph(), state, True)
        out["image/titlebar/minimize_%s.png" % state] = title_button(minimize_glyph(), state)
    for state, name in (("normal", "normal"), ("hover", "current"), ("pressed", "pressed")):
        out["image/titlebar/setting-%s.png" % name] = title_button(
            gear_glyph(TB_W / 2.0, TB_H / 2.0, 0.95), state)

    for state in ("normal", "current", "pressed"):
        out["image/toolbar/home-%s.png" % state] = toolbar_icon(home_glyph(), state)
        out["image/toolbar/help-%s.png" % state] = toolbar_icon(help_glyph(), state)

    out["image/base/big-normal.png"] = big_button((59, 130, 246), (37, 99, 235), (29, 78, 216))
    out["image/base/big-current.png"] = big_button((96, 165, 250), (59, 130, 246), (37, 99, 235))
    out["image/base/big-pressed.png"] = big_button((29, 78, 216), (30, 64, 175), (23, 55, 150))

    for direction in ("incoming", "outgoing"):
        for part in ("top", "center", "bottom"):
            out["image/content/message/%s_%s.png" % (direction, part)] = bubble_part(
                direction == "outgoing", part)

    out["image/base/lock.png"] = lock_icon()
    out["image/base/delete.png"] = delete_icon()

    out["image/content/call-history.png"] = icon_call_history()
    out["image/content/contacts.png"] = icon_contacts()
    out["image/content/messages.png"] = icon_messages()
    out["image/content/message_attachment.png"] = icon_message_attachment()
    out["image/content/notes.png"] = icon_notes()
    out["image/content/safari.png"] = icon_safari()
    out["image/content/calendar.png"] = icon_calendar()
    out["image/content/reminders.png"] = icon_reminders()
    out["image/content/voice-memos.png"] = icon_voice_memos()
    out["image/content/camera-roll.png"] = icon_camera_roll()
    out["image/content/photos.png"] = icon_photos()

    out["application/application.png"] = application_icon()

    for path, canvas in sorted(out.items()):
        canvas.save(path)
    write_png_legacy_unload_picture()


# The picture shown in place of a photo that cannot be shown (unchanged drawing).


def unload_picture(x, y):
    """A grey frame holding a sun and a hill: the picture that could not be shown."""
    size = 100
    background_colour = (236, 236, 236, 255)
    frame = (176, 176, 176, 255)
    hill = (150, 160, 170, 255)
    sun = (196, 196, 196, 255)
    if x < 2 or y < 2 or x >= size - 2 or y >= size - 2:
        return frame
    if (x - 68) ** 2 + (y - 32) ** 2 <= 10 ** 2:
        return sun
    # two hills: a large one on the left and a smaller one on the right
    if y >= 78 - (30 - abs(x - 36)) and y < size - 14 and x >= 14 and x < size - 14:
        return hill
    if y >= 78 - (18 - abs(x - 70)) and y < size - 14 and x >= 14 and x < size - 14:
        return hill
    return background_colour


def write_png_legacy_unload_picture():
    out = bytearray()
    for y in range(100):
        for x in range(100):
            out.extend(unload_picture(x, y))
    write_png("image/content/unload_picture.png", 100, 100, out)


if __name__ == "__main__":
    main()
