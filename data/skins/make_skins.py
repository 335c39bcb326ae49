#!/usr/bin/python3
"""Draws the shipped skins: data/skins/default (dark, the main form), data/skins/alternative
(light, the same forms arranged otherwise) and data/skins/settings (the about form in both looks),
each an XML source for skinc and the Windows bitmaps it names.

Every picture is drawn here from vector shapes (Pillow) at the exact pixel size its layout uses,
four times larger and then reduced, so that round edges come out smooth; shapes with soft edges
get an alpha map (NAME_8.bmp, an 8-bit grey bitmap). The XML is written from the same layout
boxes, so a position and the picture drawn for it cannot disagree.

Each screen in SCREENS gets its own layout at scale 1, computed from the work area and the
screen's typical density (pixels per millimetre): touch targets, rows and type keep their size in
millimetres. To add a screen, add a line to SCREENS and run scripts/skins.

Run by scripts/skins; the output is committed and compiled by the build. The same input always
gives the same bytes. `make_skins.py FOLDER` draws into FOLDER/default, FOLDER/alternative and
FOLDER/settings instead (the tests compare that with the committed files).
"""

import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor of the drawings

# The screens: layout key, screen size, device ("P" Pocket PC with a touch screen, "S" Smartphone
# with keys only), pixels per millimetre of a typical device with that screen.
SCREENS = [
    ("P240x320", (240, 320), "P", 4.5),    # 3.5" QVGA Pocket PC
    ("P480x640", (480, 640), "P", 8.6),    # 3.7" VGA Pocket PC
    ("P320x240", (320, 240), "P", 4.5),    # 3.5" QVGA landscape
    ("P640x480", (640, 480), "P", 8.6),    # 3.7" VGA landscape
    ("P240x240", (240, 240), "P", 4.8),    # 2.8" square
    ("P720x720", (720, 720), "P", 11.0),   # 3.3" square
    ("P480x800", (480, 800), "P", 9.2),    # 4" WVGA phone
    ("P720x1280", (720, 1280), "P", 11.6), # 5" HD phone
    ("P1280x720", (1280, 720), "P", 9.6),  # 6" HD handheld
    ("S176x220", (176, 220), "S", 5.0),    # 2.2" keypad phone
    ("S240x320", (240, 320), "S", 6.0),    # 2.6" keypad phone
]

# Screens that are listed so the skin is accepted there, using the layout of a smaller screen
# (the largest layout that fits, anchored to stretch).
EXTRA_SIZES = [(240, 400), (400, 240), (480, 480), (800, 480), (480, 854), (854, 480), (800, 600)]


def work_area(screen, device):
    """The area between the shell's bars (the player's work-area rule)."""
    w, h = screen
    if device == "S":
        bar = {176: 20, 240: 27, 352: 40, 480: 54}.get(w, 0)
    else:
        bar = 52 if w in (480, 640) else 26
    return w, h - 2 * bar


# Colours ------------------------------------------------------------------------------------------

DARK = dict(
    bg_top=(0x16, 0x1A, 0x21), bg_bottom=(0x10, 0x13, 0x18),
    bar_top=(0x23, 0x29, 0x33), bar_bottom=(0x1B, 0x20, 0x28), line=(0x32, 0x3A, 0x47),
    card_top=(0x1D, 0x22, 0x2B), card_bottom=(0x15, 0x19, 0x1F),
    text=(0xF2, 0xF4, 0xF8), text_dim=(0x9A, 0xA4, 0xB4), title=(0x8C, 0xEB, 0xD6),
    accent=(0x2E, 0xC4, 0xA8), accent_light=(0x7F, 0xE3, 0xCF), accent_dark=(0x1A, 0x86, 0x72),
    groove=(0x36, 0x3E, 0x4B), selection=(0x23, 0x5E, 0x55), selection_text=(0xFF, 0xFF, 0xFF),
    highlight=(0x24, 0x2B, 0x36), thumb=(0x55, 0x60, 0x72),
    button=(0x28, 0x2F, 0x3B), button_ring=(0x44, 0x4E, 0x5F), button_icon=(0xF2, 0xF4, 0xF8),
    pressed=(0x2E, 0xC4, 0xA8), pressed_ring=(0x7F, 0xE3, 0xCF), pressed_icon=(0x0C, 0x12, 0x14),
    folder=(0xF2, 0xB8, 0x4B), folder_back=(0xC0, 0x86, 0x28), up=(0xB4, 0xC0, 0xD0),
    note=(0x5C, 0xD8, 0xC0), meter_off=(0x2C, 0x33, 0x3E), meter_on=(0x2E, 0xC4, 0xA8),
    meter_hot=(0xF2, 0xB8, 0x4B), bar_icon=(0xF2, 0xF4, 0xF8), ok_text=(0x0C, 0x12, 0x14),
)

LIGHT = dict(
    bg_top=(0xF7, 0xF8, 0xFA), bg_bottom=(0xEE, 0xF0, 0xF4),
    bar_top=(0xFF, 0xFF, 0xFF), bar_bottom=(0xF1, 0xF3, 0xF7), line=(0xD3, 0xD8, 0xE0),
    card_top=(0xFF, 0xFF, 0xFF), card_bottom=(0xF4, 0xF1, 0xEC),
    text=(0x1C, 0x22, 0x2B), text_dim=(0x5A, 0x64, 0x73), title=(0xC2, 0x41, 0x0C),
    accent=(0xE8, 0x5D, 0x1F), accent_light=(0xF7, 0x93, 0x5C), accent_dark=(0xB8, 0x42, 0x0E),
    groove=(0xD9, 0xDD, 0xE4), selection=(0xFC, 0xE1, 0xD2), selection_text=(0x1C, 0x22, 0x2B),
    highlight=(0xE6, 0xE9, 0xEF), thumb=(0xB0, 0xB8, 0xC4),
    button=(0xFF, 0xFF, 0xFF), button_ring=(0xC9, 0xCF, 0xD8), button_icon=(0x1C, 0x22, 0x2B),
    pressed=(0xE8, 0x5D, 0x1F), pressed_ring=(0xB8, 0x42, 0x0E), pressed_icon=(0xFF, 0xFF, 0xFF),
    folder=(0xF0, 0xA8, 0x30), folder_back=(0xC7, 0x80, 0x18), up=(0x5A, 0x64, 0x73),
    note=(0xE8, 0x5D, 0x1F), meter_off=(0xE1, 0xE4, 0xEA), meter_on=(0x2F, 0x9E, 0x6E),
    meter_hot=(0xE8, 0x5D, 0x1F), bar_icon=(0xFF, 0xFF, 0xFF), ok_text=(0xFF, 0xFF, 0xFF),
)


def hexc(colour):
    return "#%02X%02X%02X" % colour


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Bitmaps ------------------------------------------------------------------------------------------


class Art:
    """An RGBA drawing at SS times the final size; shapes are painted in layers, one over another.
    unit: final pixels per drawing unit (icons are drawn in a 16-unit square at any size)."""

    def __init__(self, width, height, unit=1.0):
        self.width, self.height, self.unit = width, height, unit
        self.image = Image.new("RGBA", (width * SS, height * SS), (0, 0, 0, 0))

    def layer(self, paint, colour, alpha=255):
        """paint(draw, s) draws in white on a fresh layer (s scales drawing units to layer pixels);
        the layer's coverage, in colour, goes over the drawing."""
        mask = Image.new("L", self.image.size, 0)
        paint(ImageDraw.Draw(mask), SS * self.unit)
        if alpha != 255:
            mask = mask.point(lambda v: v * alpha // 255)
        solid = Image.new("RGBA", self.image.size, colour + (255,))
        solid.putalpha(mask)
        self.image = Image.alpha_composite(self.image, solid)

    def finish(self):
        """(colour, alpha) at the final size: the colour un-premultiplied, so that the player's
        straight blending gives the drawn edge."""
        big = self.image
        a = big.getchannel("A")
        premultiplied = ImageChops.multiply(big.convert("RGB"), Image.merge("RGB", (a, a, a)))
        size = (self.width, self.height)
        colour = premultiplied.resize(size, Image.BOX)
        alpha = a.resize(size, Image.BOX)
        out = Image.new("RGB", size)
        out.putdata([(255, 255, 255) if a == 0 else
                     tuple(min(255, c * 255 // a) for c in rgb)
                     for rgb, a in zip(colour.getdata(), alpha.getdata())])
        return out, alpha


class Skin:
    """The bitmaps of one skin folder; each name is drawn once."""

    def __init__(self, folder):
        self.folder = folder
        self.bitmaps = {}

    def has(self, name):
        return name in self.bitmaps

    def save(self, name, colour, alpha=None):
        assert name not in self.bitmaps, name
        self.bitmaps[name] = colour.size
        if len(colour.getcolors(256) or ()) in range(1, 257):
            # Few colours (fills, gradients): an 8-bit bitmap with a palette.
            colour = colour.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        colour.save(os.path.join(self.folder, name + ".bmp"))
        if alpha is not None:
            # An alpha map: 8-bit grey levels (the player reads the blue channel).
            alpha.save(os.path.join(self.folder, name + "_8.bmp"))

    def save_art(self, name, art):
        colour, alpha = art.finish()
        self.save(name, colour, alpha)


def gradient_strip(width, height, top, bottom, lines=()):
    """A vertical gradient; lines: (row, colour) painted over it."""
    image = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(image)
    for y in range(height):
        draw.line((0, y, width - 1, y), fill=mix(top, bottom, y / max(1, height - 1)))
    for row, colour in lines:
        draw.line((0, row % height, width - 1, row % height), fill=colour)
    return image


def swatches(colours):
    """One pixel per colour, in a row: solid fills are one-pixel rectangles stretched."""
    image = Image.new("RGB", (len(colours), 1))
    for x, colour in enumerate(colours):
        image.putpixel((x, 0), colour)
    return image


def rounded(draw, s, box, radius):
    x0, y0, x1, y1 = box
    draw.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), radius=radius * s, fill=255)


def disc(draw, s, cx, cy, r):
    draw.ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s - 1, (cy + r) * s - 1), fill=255)


def polygon(draw, s, points):
    draw.polygon([(x * s, y * s) for x, y in points], fill=255)


def line(draw, s, points, width):
    draw.line([(x * s, y * s) for x, y in points], fill=255, width=round(width * s), joint="curve")
    r = width * s / 2
    for x, y in (points[0], points[-1]):
        draw.ellipse((x * s - r, y * s - r, x * s + r, y * s + r), fill=255)


# Icons, drawn in a 16-unit square at any size -------------------------------------------------------


def icon_up(art, ox, pal):
    art.layer(lambda d, s: line(d, s, [(ox + 12.5, 13.5), (ox + 12.5, 8), (ox + 5, 8)], 2.4), pal["up"])
    art.layer(lambda d, s: polygon(d, s, [(ox + 0.8, 8), (ox + 6.8, 2.5), (ox + 6.8, 13.5)]), pal["up"])


def icon_folder(art, ox, pal):
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 2, ox + 8, 6), 1.2), pal["folder_back"])
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 4, ox + 15, 14), 1.5), pal["folder_back"])
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 6, ox + 15, 14), 1.5), pal["folder"])


def icon_note(art, ox, colour):
    def stems(d, s):
        line(d, s, [(ox + 6.3, 12), (ox + 6.3, 3.2)], 1.6)
        line(d, s, [(ox + 13.3, 10.5), (ox + 13.3, 1.8)], 1.6)
        polygon(d, s, [(ox + 5.5, 2.6), (ox + 14.1, 1), (ox + 14.1, 4.2), (ox + 5.5, 5.8)])

    art.layer(stems, colour)
    art.layer(lambda d, s: d.ellipse(((ox + 1.4) * s, 9.4 * s, (ox + 7.1) * s, 14 * s), fill=255), colour)
    art.layer(lambda d, s: d.ellipse(((ox + 8.4) * s, 7.9 * s, (ox + 14.1) * s, 12.5 * s), fill=255), colour)


def icon_speaker(art, ox, colour, waves):
    art.layer(lambda d, s: polygon(d, s, [(ox + 1.5, 6), (ox + 4.5, 6), (ox + 8.5, 2.5), (ox + 8.5, 13.5),
                                          (ox + 4.5, 10), (ox + 1.5, 10)]), colour)
    if waves:
        def arcs(d, s):
            for r in (3.5, 6):
                box = ((ox + 8.5 - r) * s, (8 - r) * s, (ox + 8.5 + r) * s, (8 + r) * s)
                d.arc(box, -50, 50, fill=255, width=round(1.4 * s))
        art.layer(arcs, colour)
    else:
        art.layer(lambda d, s: (line(d, s, [(ox + 10.5, 5.5), (ox + 14.5, 10.5)], 1.5),
                                line(d, s, [(ox + 14.5, 5.5), (ox + 10.5, 10.5)], 1.5)), colour)


def icon_wave(art, ox, colour):
    def bars(d, s):
        for i, h in enumerate((3, 7, 11, 6, 9, 4)):
            x = ox + 2 + i * 2.4
            line(d, s, [(x, 8 - h / 2), (x, 8 + h / 2)], 1.4)
    art.layer(bars, colour)


class Xml:
    def __init__(self):
        self.lines = []
        self.depth = 0

    def add(self, text):
        self.lines.append("  " * self.depth + text)

    def open(self, text):
        self.add(text)
        self.depth += 1

    def close(self, text):
        self.depth -= 1
        self.add(text)

    def comment(self, text):
        self.add("<!-- " + text + " -->")

    def int(self, name, value):
        self.add('<int name="%s" value="%d"/>' % (name, value))

    def point(self, name, x, y):
        self.add('<point name="%s" value="%d %d"/>' % (name, x, y))

    def string(self, name, value):
        self.add('<string name="%s" value="%s"/>' % (name, value))

    def colour(self, name, value):
        self.add('<colour name="%s" value="%s"/>' % (name, hexc(value)))

    def font(self, name, value):
        self.add('<font name="%s" value="%s"/>' % (name, value))

    def picture(self, name, bitmap, rect=None, border=None, stretch=1):
        text = '<picture name="%s" bitmap="%s"' % (name, bitmap)
        if rect:
            text += ' rect="%d %d %d %d"' % rect
        if border:
            text += ' border="%d %d %d %d"' % border
        text += ' stretch="%d"/>' % stretch
        self.add(text)

    def place(self, box, anchor_x=None, anchor_y=None):
        x, y, w, h = box
        self.point("Position", x, y)
        self.point("Size", w, h)
        if anchor_x:
            self.string("AnchorX", anchor_x)
        if anchor_y:
            self.string("AnchorY", anchor_y)

    def text(self):
        return "\n".join(self.lines) + "\n"


# Layouts ----------------------------------------------------------------------------------------------
#
# Boxes are (x, y, width, height) in pixels of the layout's screen. The boxes of a panel's controls
# are relative to the panel that holds them.


def font(px, bold=False):
    """A font description for a type px pixels high (descriptions are in points at 96 dpi)."""
    return "%d %d 0 0 Tahoma" % (max(5, round(px * 0.75)), 1 if bold else 0)


def font_px(description):
    return round(int(description.split()[0]) * 96 / 72)


def layout(key, screen, device, ppmm, look):
    """Every box of the main form on one screen. look: "dark" (the default skin: list above the
    play panel, or left of it on a wide screen) or "light" (the alternative: play panel above the
    list, or left of it)."""
    aw, ah = work_area(screen, device)
    k = ppmm / 4.5  # 1 on a 3.5" QVGA screen

    def u(v):
        return max(1, round(v * k))

    touch = device == "P"
    lay = dict(key=key, suffix=key, devices=device, size=(aw, ah), screen=screen, look=look, k=k)
    # Touch targets: play controls at least 9 mm, list rows at least 7 mm. A keypad phone is driven
    # by its keys: its sizes only need to read well.
    lay["touch"] = math.ceil(9 * ppmm) if touch else round(4.6 * ppmm)
    lay["row"] = math.ceil(7 * ppmm) if touch else round(5.2 * ppmm)
    lay["icon"] = round(16 * k)
    lay["bar"] = u(26) if touch else u(24)
    lay["foot"] = u(19)
    lay["scroll"] = max(4, u(5))
    side = aw > ah * 1.3
    lay["side"] = side
    bar, foot = lay["bar"], lay["foot"]
    lay["folder_font"] = font(u(14) if touch else u(13), True)
    lay["status_font"] = font(u(12) if touch else u(10))
    lay["item_font"] = font(u(14))
    lay["folder_icon"] = round(16 * k)
    avail = ah - bar - foot

    # The play panel's width and the room it may take.
    if side:
        pw = round(aw * (0.56 if aw < 1000 else 0.46))
        room = avail
    else:
        pw = aw
        room = avail
    tight = room < 160  # the smallest screens: closer spacing, smaller format line
    pad = u(6) if tight else u(8)
    t = lay["touch"]
    clock_px, title_px, info_px = u(32), u(18), u(10) if tight else u(12)
    meter_h, meter_gap = u(7), u(3)
    big = not side and ah > 1.25 * aw  # tall screens: a larger clock and title
    if big:
        clock_px, title_px = u(40), u(21)

    inner = pw - 2 * pad

    def info_apart(clock_px):
        # "0:00:00" beside "44kHz 16bit 128kbps", or the format on a line of its own
        return 5.8 * clock_px + 11 * info_px + pad > inner

    def sizes(clock_px, title_px, meters_apart, vol_t):
        clock_h = round(clock_px * 1.2)
        title_h = round(title_px * 1.4)
        display_h = pad // 2 + clock_h + title_h + pad // 4
        if info_apart(clock_px):
            display_h += round(info_px * 1.4)
        meters_h = 2 * meter_h + meter_gap
        levels_h = (meters_h + pad // 2 + vol_t) if meters_apart else vol_t + pad // 4
        position_h = t + pad // 2
        return clock_h, title_h, display_h, levels_h, position_h

    # The largest type that fits, the meters on a row of their own when there is room, else
    # beside the volume; on the smallest screens the volume row is as high as a list row.
    need = room - (0 if side else lay["row"])
    candidates = [(c, max(u(15), title_px - (clock_px - c) // 3), apart, vol_t)
                  for vol_t in (t, min(t, lay["row"])) for apart in (True, False)
                  for c in range(clock_px, u(16) - 2, -2)]
    for clock_px, title_px, meters_apart, vol_t in candidates:
        dims = sizes(clock_px, title_px, meters_apart, vol_t)
        if sum(dims[2:]) <= need:
            break
    if not side and sum(dims[2:]) > need:
        # No room for a list row while playing: the panel takes the list's place.
        need = room
        for clock_px, title_px, meters_apart, vol_t in candidates:
            dims = sizes(clock_px, title_px, meters_apart, vol_t)
            if sum(dims[2:]) <= need:
                break
    assert sum(dims[2:]) <= room, (key, dims, room)
    lay["vol_t"] = vol_t
    clock_h, title_h, display_h, levels_h, position_h = dims
    ph = display_h + levels_h + position_h
    if side:
        # The panel fills the height; the spare room goes round the display.
        spare = room - ph
        display_h += spare
        ph = room
    elif ph > room:
        ph = room
    if not side and room - ph < lay["row"]:
        ph = room  # no room for a row: the panel takes the list's place while playing
    elif not side:
        ph = room - (room - ph) // lay["row"] * lay["row"]  # whole rows: the rest goes to the panel
    spare_display = ph - (display_h + levels_h + position_h) if not side else 0
    display_h += spare_display
    lay["clock_font"] = font(clock_px, True)
    lay["title_font"] = font(title_px, True)
    lay["info_font"] = font(info_px)

    # The form: folder bar on top, status bar at the bottom, list and panel between.
    lay["folder"] = (0, 0, aw, bar)
    lay["status"] = (0, ah - foot, aw, foot)
    lay["big"] = (0, bar, aw, avail)
    if side:
        lw = aw - pw
        if look == "dark":
            lay["play_list"], lay["panel"], lay["panel_edge"] = (0, bar, lw, avail), (lw, bar, pw, ph), "left"
        else:
            lay["panel"], lay["play_list"], lay["panel_edge"] = (0, bar, pw, ph), (pw, bar, lw, avail), "right"
    else:
        lh = avail - ph
        if look == "dark":
            lay["play_list"], lay["panel"], lay["panel_edge"] = (0, bar, aw, lh), (0, bar + lh, aw, ph), "top"
        else:
            lay["panel"], lay["play_list"], lay["panel_edge"] = (0, bar, aw, ph), (0, bar + ph, aw, lh), "bottom"

    # The display: clock and format info, the title (dark: clock first; light: title first).
    apart = info_apart(clock_px)
    info_h = round(info_px * 1.4) if apart else 0
    used = clock_h + title_h + info_h
    top = (display_h - used) // 2 if side else pad // 2 + (display_h - pad // 2 - pad // 4 - used) // 2
    info_w = inner if apart else round(info_px * 11)
    if look == "dark":
        rows = [("clock", clock_h), ("title", title_h)]
    else:
        rows = [("title", title_h), ("clock", clock_h)]
    if apart:
        rows.append(("info", info_h))
    y = top
    for name, height in rows:
        lay[name] = (pad, y, inner, height)
        y += height
    if not apart:
        cx, cy, cw, ch = lay["clock"]
        lay["clock"] = (cx, cy, cw - info_w, ch)
        lay["info"] = (cx + cw - info_w, cy, info_w, ch)
    lay["info_apart"] = apart
    lay["info_align"] = "RIGHT"
    lay["display"] = (0, 0, pw, display_h)

    # Levels: two meters, the volume box and slider.
    icon = lay["icon"]
    check_w = max(icon, t * 2 // 3)
    if meters_apart:
        meters_w = inner
        lay["meter_left"] = (pad, 0, meters_w, meter_h)
        lay["meter_right"] = (pad, meter_h + meter_gap, meters_w, meter_h)
        vy = 2 * meter_h + meter_gap + pad // 2
        lay["check"] = (pad, vy + (vol_t - icon) // 2, icon, icon)
        lay["volume"] = (pad + icon + pad // 2, vy, inner - icon - pad // 2, vol_t)
    else:
        vol_w = round(inner * 0.48)
        lay["check"] = (pad, (vol_t - icon) // 2, icon, icon)
        lay["volume"] = (pad + icon + pad // 2, 0, vol_w - icon - pad // 2, vol_t)
        mx = pad + vol_w + pad
        my = (vol_t - 2 * meter_h - meter_gap) // 2
        lay["meter_left"] = (mx, my, inner - vol_w - pad, meter_h)
        lay["meter_right"] = (mx, my + meter_h + meter_gap, inner - vol_w - pad, meter_h)
    lay["meter_h"] = meter_h
    lay["check_w"] = check_w

    # Position: the step buttons at the ends, the position bar between.
    lay["step"] = t
    lay["step_left"] = (pad, 0)
    lay["step_right"] = (pw - pad - t, 0)
    lay["seek"] = (pad + t + pad // 2, 0, pw - 2 * (pad + t + pad // 2), t)
    lay["groove"] = max(3, u(5))
    lay["volume_knob"] = max(10, round(t * 0.42))
    lay["seek_knob"] = max(12, round(t * 0.5))

    y = display_h
    if look == "dark":
        lay["levels"] = (0, y, pw, levels_h)
        lay["position"] = (0, y + levels_h, pw, position_h)
    else:
        lay["position"] = (0, y, pw, position_h)
        lay["levels"] = (0, y + position_h, pw, levels_h)
    lay["menu_icon"] = 22 if screen[0] not in (480, 640) else 44
    return lay


def layouts(look):
    return [layout(key, screen, device, ppmm, look) for key, screen, device, ppmm in SCREENS]


# Pictures -------------------------------------------------------------------------------------------


def draw_step_buttons(skin, pal, size):
    """btnLeft and btnRight: a round button with a skip arrow, normal and pressed, side by side:
    left normal, left pressed, right normal, right pressed."""
    name = "step_%d" % size
    if skin.has(name):
        return name
    art = Art(size * 4, size)
    for i in range(4):
        ox = i * size
        pressed = i % 2 == 1
        c = size / 2
        r = size / 2 - 0.5
        ring = max(1.2, size / 30)
        art.layer(lambda d, s, ox=ox: disc(d, s, ox + c, c, r), pal["pressed_ring" if pressed else "button_ring"])
        art.layer(lambda d, s, ox=ox: disc(d, s, ox + c, c, r - ring), pal["pressed" if pressed else "button"])
        k = size * 0.13
        sign = -1 if i < 2 else 1

        def arrow(d, s, ox=ox, sign=sign):
            # two triangles and a bar: skip back or forward
            for dx in (-0.9, 0.9):
                tip = ox + c + sign * (dx + 1.0) * k
                base = ox + c + sign * (dx - 1.0) * k
                polygon(d, s, [(base, c - 1.1 * k), (tip, c), (base, c + 1.1 * k)])
            bx = ox + c + sign * 1.9 * k
            rounded(d, s, (bx - 0.18 * k, c - 1.1 * k, bx + 0.18 * k, c + 1.1 * k), 0.1 * k)

        art.layer(arrow, pal["pressed_icon" if pressed else "button_icon"])
    skin.save_art(name, art)
    return name


def draw_slider(skin, pal, height, knob, groove):
    """A slider of this height: the groove (0..16), the fill (16..32), each a round-capped bar
    in the middle, and the knob (32..32+knob), a disc."""
    name = "slider_%d_k%d_g%d" % (height, knob, groove)
    if skin.has(name):
        return name
    art = Art(32 + knob, height)
    top = (height - groove) / 2
    art.layer(lambda d, s: rounded(d, s, (0, top, 16, top + groove), groove / 2), pal["groove"])
    art.layer(lambda d, s: rounded(d, s, (16, top, 32, top + groove), groove / 2), pal["accent"])
    r = knob / 2 - 0.5
    art.layer(lambda d, s: disc(d, s, 32 + knob / 2, height / 2, r), pal["accent_dark"])
    art.layer(lambda d, s: disc(d, s, 32 + knob / 2, height / 2, r - max(1.2, knob / 10)), pal["text"]
              if pal is DARK else (0xFF, 0xFF, 0xFF))
    skin.save_art(name, art)
    return name


def draw_meter(skin, pal, height):
    """A level meter of this height, tiled: a dim segment (0..w) and a lit one (w..2w), each
    segment of light followed by a clear gap."""
    name = "meter_%d" % height
    seg = max(2, round(height * 0.45))
    gap = max(1, round(seg / 2))
    w = seg + gap
    if skin.has(name):
        return name, w
    colour = Image.new("RGB", (2 * w, height), (255, 255, 255))
    alpha = Image.new("L", (2 * w, height), 0)
    draw_c, draw_a = ImageDraw.Draw(colour), ImageDraw.Draw(alpha)
    for x0, fill in ((0, pal["meter_off"]), (w, pal["meter_on"])):
        draw_c.rectangle((x0, 0, x0 + seg - 1, height - 1), fill=fill)
        draw_a.rectangle((x0, 0, x0 + seg - 1, height - 1), fill=255)
    skin.save(name, colour, alpha)
    return name, w


def draw_menu_icons(skin, pal, n):
    """The Pocket PC command bar's pictures of the soft keys, squares side by side: menu, play,
    pause."""
    name = "menu_icons_%d" % n
    if skin.has(name):
        return name
    art = Art(n * 3, n)
    c = n / 2
    q = n / 22

    def bars(d, s):
        for y in (c - 5 * q, c, c + 5 * q):
            line(d, s, [(c - 6 * q, y), (c + 6 * q, y)], 2 * q)

    def play(d, s):
        polygon(d, s, [(n + c - 4.5 * q, c - 7 * q), (n + c + 7 * q, c), (n + c - 4.5 * q, c + 7 * q)])

    def pause(d, s):
        rounded(d, s, (2 * n + c - 6 * q, c - 7 * q, 2 * n + c - 1.5 * q, c + 7 * q), q)
        rounded(d, s, (2 * n + c + 1.5 * q, c - 7 * q, 2 * n + c + 6 * q, c + 7 * q), q)

    for paint in (bars, play, pause):
        art.layer(paint, pal["bar_icon"])
    skin.save_art(name, art)
    return name


def draw_icons(skin, pal, n):
    """The file list's icons: up, folder, audio file (n x n each)."""
    name = "icons_%d" % n
    if not skin.has(name):
        art = Art(3 * n, n, n / 16)
        icon_up(art, 0, pal)
        icon_folder(art, 16, pal)
        icon_note(art, 32, pal["note"])
        skin.save_art(name, art)
    return name


def draw_volume_boxes(skin, pal, n):
    """chkVolume: muted, sounding; chkVAS: off, on (n x n each)."""
    name = "volume_%d" % n
    if not skin.has(name):
        art = Art(4 * n, n, n / 16)
        icon_speaker(art, 0, pal["text_dim"], False)
        icon_speaker(art, 16, pal["accent"], True)
        icon_wave(art, 32, pal["text_dim"])
        icon_wave(art, 48, pal["accent"])
        skin.save_art(name, art)
    return name


def draw_scroll_thumb(skin, pal, w):
    name = "thumb_%d" % w
    if not skin.has(name):
        art = Art(w, 4 * w)
        art.layer(lambda d, s: rounded(d, s, (1, 0, w - 1, 4 * w), (w - 2) / 2), pal["thumb"])
        skin.save_art(name, art)
    return name


def draw_focus(skin, pal, k):
    """The outline a panel shows while it has the keyboard focus (nine-part, b-pixel borders)."""
    b = max(4, round(4 * k))
    name = "focus_%d" % b
    if skin.has(name):
        return name, b
    size = 3 * b
    art = Art(size, size)
    width = max(1.5, k * 1.5)
    mask = Image.new("L", art.image.size, 0)
    rounded(ImageDraw.Draw(mask), SS, (1, 1, size - 1, size - 1), b - 1)
    hole = Image.new("L", art.image.size, 0)
    rounded(ImageDraw.Draw(hole), SS, (1 + width, 1 + width, size - 1 - width, size - 1 - width), b - 1 - width)
    mask.paste(0, (0, 0), hole)
    mask = mask.point(lambda v: v * 190 // 255)
    solid = Image.new("RGBA", art.image.size, pal["accent"] + (255,))
    solid.putalpha(mask)
    art.image = Image.alpha_composite(art.image, solid)
    skin.save_art(name, art)
    return name, b


def draw_header(skin, pal, height, icon, column):
    """The folder bar: a folder icon in the first column pixels, then a gradient to stretch."""
    name = "head_%d_%d" % (height, icon)
    if skin.has(name):
        return name
    image = gradient_strip(column + 8, height, pal["bar_top"], pal["bar_bottom"], [(-1, pal["line"])]).convert("RGBA")
    art = Art(icon, icon, icon / 16)
    icon_folder(art, 0, pal)
    colour, alpha = art.finish()
    tile = colour.convert("RGBA")
    tile.putalpha(alpha)
    image.alpha_composite(tile, ((column - icon) // 2, (height - icon) // 2))
    skin.save(name, image.convert("RGB"))
    return name


def draw_card(skin, pal, name, height, edge):
    """The play panel's background: a gradient with a dividing line on the edge that meets the
    list."""
    lines = {"top": [(0, pal["line"])], "bottom": [(-1, pal["line"])]}.get(edge, [])
    image = gradient_strip(8, height, pal["card_top"], pal["card_bottom"], lines)
    if edge in ("left", "right"):
        x = 0 if edge == "left" else 7
        ImageDraw.Draw(image).line((x, 0, x, height - 1), fill=pal["line"])
    skin.save(name, image)


def draw_logo(skin, pal, name, size):
    """The about form's picture: a rounded square shading from the accent down, a white note."""
    art = Art(size, size)
    for row in range(size):
        colour = mix(pal["accent_light"], pal["accent_dark"], row / (size - 1))
        art.layer(lambda d, s, row=row: (rounded(d, s, (0, 0, size, size), size * 0.22),
                                         d.rectangle((0, 0, size * s, row * s - 1), fill=0),
                                         d.rectangle((0, (row + 1) * s, size * s, size * s), fill=0)), colour)
    sub = Art(size, size, size / 16 * 0.62)
    icon_note(sub, 0, (0xFF, 0xFF, 0xFF))
    offset = round(size * 0.17) * SS
    art.image.alpha_composite(sub.image, (offset, offset + round(size / 40) * SS))
    skin.save_art(name, art)


def draw_button(skin, height, name, fill, ring, pressed_fill, pressed_ring):
    """A rounded button, normal (0..w) and pressed (w..2w), stretched sideways."""
    w = max(24, height)
    r = height / 4
    art = Art(2 * w, height)
    for ox, inside, edge in ((0, fill, ring), (w, pressed_fill, pressed_ring)):
        art.layer(lambda d, s, ox=ox: rounded(d, s, (ox, 0, ox + w, height), r), edge)
        e = max(1.2, height / 30)
        art.layer(lambda d, s, ox=ox: rounded(d, s, (ox + e, e, ox + w - e, height - e), r - e), inside)
    skin.save_art(name, art)
    return w, round(r) + 2


def swatch(xml, name, index):
    xml.picture(name, "swatch", rect=(index, 0, index + 1, 1))


SWATCH_KEYS = ["bg_bottom", "selection", "highlight", "accent", "groove", "card_top"]


def slider_pictures(xml, name, height, knob, groove):
    cap = max(3, groove // 2 + 1)
    xml.picture("Background", name, rect=(0, 0, 16, height), border=(cap, 0, cap, 0))
    xml.picture("Progress", name, rect=(16, 0, 32, height), border=(cap, 0, cap, 0))
    xml.picture("Track", name, rect=(32, 0, 32 + knob, height))
    xml.int("TrackSize", knob)


def frame(xml, name, box, font_value, colour, align="LEFT", text=None, picture=None, anchors=(None, None),
          border=(0, 0), ellipsis=False, wrap=False, border_max=None, valign="VCENTER"):
    xml.open('<control name="%s">' % name)
    xml.place(box, *anchors)
    if picture:
        picture(xml)
    xml.font("Normal", font_value)
    xml.colour("Normal", colour)
    xml.string("HAlignment", align)
    xml.string("VAlignment", valign)
    if border != (0, 0):
        xml.point("BorderMin", *border)
    if border_max:
        xml.point("BorderMax", *border_max)
    if ellipsis:
        xml.int("Ellipsis", 1)
    if wrap:
        xml.int("Wrap", 1)
    if text:
        xml.string("Text", text)
    xml.close("</control>")


class MainArt:
    """The pictures one layout of the main form uses, drawn once per skin."""

    def __init__(self, skin, pal, lay):
        self.pal = pal
        key = lay["key"]
        w, h = lay["size"]
        self.column = lay["folder_icon"] + round(12 * lay["k"])
        self.back = "back_" + key
        skin.save(self.back, gradient_strip(4, h, pal["bg_top"], pal["bg_bottom"]))
        self.head = draw_header(skin, pal, lay["bar"], lay["folder_icon"], self.column)
        self.foot = "foot_%d" % lay["foot"]
        if not skin.has(self.foot):
            skin.save(self.foot, gradient_strip(4, lay["foot"], pal["bar_top"], pal["bar_bottom"], [(0, pal["line"])]))
        self.card = "card_" + key
        draw_card(skin, pal, self.card, lay["panel"][3], lay["panel_edge"])
        self.step = draw_step_buttons(skin, pal, lay["step"])
        self.volume_slider = draw_slider(skin, pal, lay["volume"][3], lay["volume_knob"], lay["groove"])
        self.seek_slider = draw_slider(skin, pal, lay["step"], lay["seek_knob"], lay["groove"])
        self.meter, self.meter_w = draw_meter(skin, pal, lay["meter_h"])
        self.icons = draw_icons(skin, pal, lay["icon"])
        self.volume = draw_volume_boxes(skin, pal, lay["icon"])
        self.menu_icons = draw_menu_icons(skin, pal, lay["menu_icon"])
        self.thumb = draw_scroll_thumb(skin, pal, lay["scroll"])
        self.focus, self.focus_border = draw_focus(skin, pal, lay["k"])


def list_control(xml, art, lay, name, box, anchors):
    pal = art.pal
    xml.open('<control name="%s">' % name)
    xml.place(box, *anchors)
    xml.int("ItemHeight", lay["row"])
    n = lay["icon"]
    xml.int("ScrollWidth", lay["scroll"])
    xml.string("KindScroll", "Kind.ListScroll" + lay["key"])
    xml.string("KindHScroll", "Kind.ListScroll" + lay["key"])
    swatch(xml, "Normal", 0)
    xml.font("ItemNormal", lay["item_font"])
    xml.colour("ItemNormal", pal["text"])
    swatch(xml, "ItemSelection", 1)
    xml.colour("ItemSelection", pal["selection_text"])
    swatch(xml, "ItemHighlight", 2)
    swatch(xml, "ItemSelectionHighlight", 1)
    xml.colour("ItemSelectionHighlight", pal["selection_text"])
    return n


def file_list(xml, art, lay):
    n = list_control(xml, art, lay, "lstFiles", lay["big"], ("BOTH_SIDE", "BOTH_SIDE"))
    xml.int("IconWidth", n + round(14 * lay["k"]))
    xml.int("IndentWidth", round(4 * lay["k"]))
    xml.int("Gestures", 1)
    xml.picture("IconUp", art.icons, rect=(0, 0, n, n))
    xml.picture("IconFolder", art.icons, rect=(n, 0, 2 * n, n))
    xml.picture("IconAudioFile", art.icons, rect=(2 * n, 0, 3 * n, n))
    xml.close("</control>")


def bars(xml, art, lay, folder_text=None, status_text=None):
    pal = art.pal
    w = lay["size"][0]
    frame(xml, "frmFolder", lay["folder"], lay["folder_font"], pal["text"], border=(art.column, 0),
          border_max=(round(8 * lay["k"]), 0), picture=lambda x: x.picture("Normal", art.head, border=(art.column, 0, 0, 0)),
          anchors=("BOTH_SIDE", None), text=folder_text)
    frame(xml, "frmStatus", lay["status"], lay["status_font"], pal["text_dim"],
          border=(round((8 if lay["devices"] == "P" else 3) * lay["k"]), 0),
          picture=lambda x: x.picture("Normal", art.foot), anchors=("BOTH_SIDE", "MAX_SIDE"), text=status_text)


def display_controls(xml, art, lay, at, sample=False):
    pal = art.pal
    apart = lay["info_apart"]
    centred = "CENTER" if lay["look"] == "light" and apart else "LEFT"
    frame(xml, "frmClock", at("display", lay["clock"]), lay["clock_font"], pal["text"],
          text="0:01:23" if sample else "0:00:00", align=centred, anchors=("BOTH_SIDE", None))
    frame(xml, "frmInfo", at("display", lay["info"]), lay["info_font"], pal["text_dim"],
          align=centred if apart else "RIGHT", anchors=("BOTH_SIDE" if apart else "MAX_SIDE", None),
          text="44kHz 16bit 128kbps" if sample else None)
    frame(xml, "frmTitle", at("display", lay["title"]), lay["title_font"], pal["title"], ellipsis=True,
          anchors=("BOTH_SIDE", None), text="Sunrise - Melodeck demo" if sample else None,
          align="CENTER" if lay["look"] == "light" else "LEFT")


def level_controls(xml, art, lay, at, sample=False):
    n = lay["icon"]
    for name, off, on in (("chkVolume", 0, 1), ("chkVAS", 2, 3)):
        if sample and name == "chkVAS":
            continue
        xml.open('<control name="%s">' % name)
        xml.place(at("levels", lay["check"]))
        if not sample:
            xml.comment("shows the volume state; tapping it changes nothing")
            xml.int("Enabled", 0)
            xml.int("WantFocus", 0)
        xml.picture("Normal", art.volume, rect=((on if sample else off) * n, 0, (on if sample else off) * n + n, n))
        if not sample:
            xml.picture("CheckedNormal", art.volume, rect=(on * n, 0, on * n + n, n))
        xml.close("</control>")
    xml.open('<control name="pbVolume">')
    xml.place(at("levels", lay["volume"]), None if sample else "BOTH_SIDE", None)
    if sample:
        xml.int("Value", 70)
    slider_pictures(xml, art.volume_slider, lay["volume"][3], lay["volume_knob"], lay["groove"])
    xml.close("</control>")
    mh, mw = lay["meter_h"], art.meter_w
    for name, value in (("pbLeft", 72), ("pbRight", 55)):
        xml.open('<control name="%s">' % name)
        xml.place(at("levels", lay["meter_left" if name == "pbLeft" else "meter_right"]),
                  None if sample else "BOTH_SIDE", None)
        if sample:
            xml.int("Value", value)
        else:
            xml.int("WantFocus", 0)
            xml.int("Enabled", 0)
        xml.picture("Background", art.meter, rect=(0, 0, mw, mh), stretch=0)
        xml.picture("Progress", art.meter, rect=(mw, 0, 2 * mw, mh), stretch=0)
        xml.close("</control>")


def position_controls(xml, art, lay, at, sample=False):
    s = lay["step"]
    for name, step_at, normal in (("btnLeft", lay["step_left"], 0), ("btnRight", lay["step_right"], 2)):
        xml.open('<control name="%s">' % name)
        xml.place(at("position", (step_at[0], step_at[1], s, s)),
                  "MAX_SIDE" if name == "btnRight" and not sample else None, None)
        if not sample:
            xml.int("WantFocus", 0)
        xml.picture("Normal", art.step, rect=(normal * s, 0, normal * s + s, s))
        xml.picture("Pressed", art.step, rect=(normal * s + s, 0, normal * s + 2 * s, s))
        xml.close("</control>")
    xml.open('<control name="pbPosition">')
    xml.place(at("position", lay["seek"]), None if sample else "BOTH_SIDE", None)
    if sample:
        xml.int("Value", 40)
    slider_pictures(xml, art.seek_slider, s, lay["seek_knob"], lay["groove"])
    xml.close("</control>")


def main_form(xml, art, lay):
    """One layout of FormMain and the template forms of its panels."""
    pal = art.pal
    key = lay["key"]
    w, h = lay["size"]
    xml.comment("%s %dx%d screen: %dx%d work area" % (key, lay["screen"][0], lay["screen"][1], w, h))
    xml.open('<form name="FormMain%s">' % key)
    xml.point("Size", w, h)
    xml.string("Devices", lay["devices"])
    xml.int("StartPosition", 3)
    xml.picture("Background", art.back)
    xml.add('<auto control="btnCaption" kind="Auto.Button"/>')
    xml.open('<control name="btnCaption">')
    xml.string("Action", "CAPTION")
    xml.string("Text", "Title_Main")
    xml.close("</control>")
    xml.comment("the soft keys: captions, and squares of MenuImages for the Pocket PC command bar")
    xml.picture("MenuImages", art.menu_icons)
    xml.open('<control name="MenuMain">')
    xml.comment("the form of the settings skin that the About command shows: the about form in this look")
    xml.string("AboutForm", "About" if lay["look"] == "dark" else "LightAbout")
    xml.close("</control>")
    for name, text, image in (("Menu", "Softkey_Menu", 0), ("Play", "Softkey_Play", 1),
                              ("Pause", "Softkey_Pause", 2), ("Resume", "Softkey_Resume", 1)):
        xml.open('<control name="%s">' % name)
        xml.string("Text", text)
        xml.int("ImageIndex", image)
        xml.close("</control>")
    for name, text in (("menuSoftButtonOk", "Softkey_Play"), ("menuSoftButtonMenu", "Softkey_Menu")):
        xml.open('<control name="%s">' % name)
        xml.string("Action", text)
        xml.close("</control>")
    bars(xml, art, lay)
    for name, box in (("lstFiles_bigsize", lay["big"]), ("lstFiles_playsize", lay["play_list"])):
        xml.open('<control name="%s">' % name)
        xml.int("Visible", 0)
        xml.place(box, "BOTH_SIDE", "BOTH_SIDE")
        xml.close("</control>")
    file_list(xml, art, lay)
    xml.open('<control name="panelPlay">')
    xml.string("FormTemplate", "Play" + key)
    edge = lay["panel_edge"]
    anchors = {"top": ("BOTH_SIDE", "MAX_SIDE"), "bottom": ("BOTH_SIDE", "MIN_SIDE"),
               "left": ("MAX_SIDE", "BOTH_SIDE"), "right": ("MIN_SIDE", "BOTH_SIDE")}[edge]
    xml.place(lay["panel"], *anchors)
    xml.int("Visible", 0)
    xml.close("</control>")
    xml.close("</form>")

    pw, ph = lay["panel"][2:]
    xml.open('<form name="Play%s">' % key)
    xml.point("Size", pw, ph)
    card_border = {"top": (0, 1, 0, 0), "bottom": (0, 0, 0, 1), "left": (1, 0, 0, 0), "right": (0, 0, 1, 0)}[edge]
    xml.picture("Background", art.card, border=card_border)
    b = art.focus_border
    for name in ("panelDisplay", "panelLevels", "panelPosition"):
        xml.open('<control name="%s">' % name)
        xml.string("FormTemplate", name[5:] + key)
        xml.place(lay[name[5:].lower()], "BOTH_SIDE", None)
        xml.picture("Focus", art.focus, border=(b, b, b, b))
        xml.close("</control>")
    xml.close("</form>")

    def own(panel, box):
        return box

    for panel, controls in (("Display", display_controls), ("Levels", level_controls),
                            ("Position", position_controls)):
        xml.open('<form name="%s%s">' % (panel, key))
        xml.point("Size", *lay[panel.lower()][2:])
        controls(xml, art, lay, own)
        xml.close("</form>")


def preview_forms(xml, art, lay):
    """Forms that only skin-preview shows: the main form as the player fills it, flattened, with
    sample texts (the player never asks for them)."""
    w, h = lay["size"]
    for mode in ("Browse", "Play"):
        xml.open('<form name="Preview%s%s">' % (mode, lay["key"]))
        xml.point("Size", w, h)
        xml.string("Devices", lay["devices"])
        xml.int("StartPosition", 3)
        xml.picture("Background", art.back)
        autos = [("frmFolder", "Auto.Frame"), ("frmStatus", "Auto.Frame"), ("lstPreview", "Preview.Grid"),
                 ("mnuPreview", "Preview.Menu")]
        if mode == "Play":
            autos += [("panelPlay", "Auto.Frame"), ("frmClock", "Auto.Frame"), ("frmInfo", "Auto.Frame"),
                      ("frmTitle", "Auto.Frame"), ("chkVolume", "Auto.Frame"), ("pbVolume", "Preview.Slider"),
                      ("pbLeft", "Preview.Progress"), ("pbRight", "Preview.Progress"),
                      ("btnLeft", "Auto.Button"), ("pbPosition", "Preview.Slider"),
                      ("btnRight", "Auto.Button")]
        for name, kind in autos:
            xml.add('<auto control="%s" kind="%s"/>' % (name, kind))
        xml.add('<control name="mnuPreview"/>')
        xml.open('<control name="menuSoftButtonOk">')
        xml.string("Action", "Softkey_Play")
        xml.close("</control>")
        xml.open('<control name="menuSoftButtonMenu">')
        xml.string("Action", "Softkey_Menu")
        xml.close("</control>")
        bars(xml, art, lay, "/home/user/Music" if mode == "Play" else "My_device",
             "Status_Play Status_Repeat 3 Status_From 12" if mode == "Play" else "2K")
        list_control(xml, art, lay, "lstPreview", lay["play_list"] if mode == "Play" else lay["big"], (None, None))
        xml.int("NumberWidth", lay["icon"] + 4)
        xml.close("</control>")
        if mode == "Play":
            px, py = lay["panel"][:2]

            def at(panel, box):
                return (px + lay[panel][0] + box[0], py + lay[panel][1] + box[1], box[2], box[3])

            xml.open('<control name="panelPlay">')
            xml.place(lay["panel"])
            edge = lay["panel_edge"]
            xml.picture("Normal", art.card, border={"top": (0, 1, 0, 0), "bottom": (0, 0, 0, 1),
                                                   "left": (1, 0, 0, 0), "right": (0, 0, 1, 0)}[edge])
            xml.close("</control>")
            display_controls(xml, art, lay, at, True)
            level_controls(xml, art, lay, at, True)
            position_controls(xml, art, lay, at, True)
        xml.close("</form>")


def header(xml, what, lays):
    xml.add('<?xml version="1.0" encoding="UTF-8"?>')
    xml.add("<!-- %s" % what)
    xml.add("     Written by data/skins/make_skins.py (scripts/skins): edit that script, not this file. -->")
    xml.open('<skin version="Melodeck_1.00" devices="PS">')
    done = set()
    for lay in lays:
        if lay["screen"] not in done:
            done.add(lay["screen"])
            xml.add('<size width="%d" height="%d"/>' % lay["screen"])
    xml.comment("accepted too: these take the largest layout that fits, stretched by the anchors")
    for size in EXTRA_SIZES:
        xml.add('<size width="%d" height="%d"/>' % size)


def kinds(xml, skin, pal, lays):
    for lay in lays:
        thumb = draw_scroll_thumb(skin, pal, lay["scroll"])
        xml.open('<kind name="Kind.ScrollThumb%s">' % lay["key"])
        xml.picture("Normal", thumb, border=(0, lay["scroll"], 0, lay["scroll"]))
        xml.close("</kind>")
        xml.open('<kind name="Kind.ListScroll%s">' % lay["key"])
        xml.int("Vertical", 1)
        xml.int("MinButtonSize", 0)
        xml.int("MaxButtonSize", 0)
        xml.string("KindTrack", "Kind.ScrollThumb" + lay["key"])
        xml.close("</kind>")


def write_main(name, pal, look, what):
    folder = os.path.join(OUT, name)
    clean(folder)
    skin = Skin(folder)
    lays = layouts(look)
    skin.save("swatch", swatches([pal[k] for k in SWATCH_KEYS]))
    xml = Xml()
    header(xml, what, lays)
    kinds(xml, skin, pal, lays)
    arts = [MainArt(skin, pal, lay) for lay in lays]
    for art, lay in zip(arts, lays):
        main_form(xml, art, lay)
    for art, lay in zip(arts, lays):
        preview_forms(xml, art, lay)
    xml.close("</skin>")
    with open(os.path.join(folder, name + ".xml"), "w") as out:
        out.write(xml.text())


# The about form ----------------------------------------------------------------------------------


def about_layout(lay):
    """The about form's boxes on the screen of a main-form layout."""
    w, h = lay["size"]
    k = lay["k"]

    def u(v):
        return max(1, round(v * k))

    a = dict(key=lay["key"], devices=lay["devices"], size=(w, h), k=k, look=lay["look"])
    touch = lay["devices"] == "P"
    bh = lay["touch"] if touch else u(26)
    pad = u(12)
    a["product_font"] = font(u(18), True)
    a["copyright_font"] = font(u(12))
    a["button_font"] = font(u(14), True)
    a["ok_visible"] = touch
    logo = u(56) if min(w, h) >= u(200) else u(36)
    if touch:
        # The logo and the product line in a row, the text below, the two buttons side by side.
        logo = u(48)
        if h < 200:
            logo, pad = u(36), u(8)
            a["copyright_font"] = font(u(11))
        a["logo"] = (pad, pad, logo, logo)
        tx = 2 * pad + logo
        lines = 1 if 13 * u(18) < w - tx - pad else 2
        a["product"] = (tx, pad, w - tx - pad, max(logo, round(u(18) * (0.4 + 1.2 * lines))))
        a["product_wrap"] = lines > 1
        cy = pad + a["product"][3] + u(8)
        cx = tx if w - tx > u(260) else pad
        a["copyright"] = (cx, cy, w - cx - pad, h - cy - bh - 2 * pad)
        bw = min((w - 3 * pad) // 2, u(200))
        a["ok"] = (w - pad - bw, h - pad - bh, bw, bh)
        a["link"] = (w - 2 * pad - 2 * bw, h - pad - bh, bw, bh)
        a["align"] = "LEFT"
    else:
        logo = u(32)
        a["product_font"] = font(u(13), True)
        a["copyright_font"] = font(u(11))
        a["logo"] = (pad // 2 + 2, pad // 2 + 2, logo, logo)
        tx = pad + logo + 4
        ph = max(logo + 4, round(u(13) * 2.6))
        a["product"] = (tx, pad // 2, w - tx - pad // 2, ph)
        cy = pad // 2 + ph + u(6)
        a["copyright"] = (pad // 2 + 2, cy, w - pad - 4, h - cy - bh - pad)
        a["link"] = (pad // 2 + 2, h - pad // 2 - bh, w - pad - 4, bh)
        a["ok"] = a["link"]
        a["align"] = "LEFT"
        a["product_wrap"] = True
    return a


def about_form(xml, a, pal, prefix, form, pics):
    """One layout of the about form; "PreviewAbout" also makes what the player adds, for
    skin-preview."""
    w, h = a["size"]
    key = a["key"]
    xml.comment("%s %s: %dx%d work area" % (form, key, w, h))
    xml.open('<form name="%s%s">' % (form, key))
    xml.point("Size", w, h)
    xml.string("Devices", a["devices"])
    xml.int("StartPosition", 3)
    xml.picture("Background", pics["back"])
    xml.add('<auto control="btnCaption" kind="Auto.Button"/>')
    xml.add('<auto control="frmLogo" kind="Auto.Frame"/>')
    xml.add('<auto control="btnOk" kind="Auto.Button"/>')
    if form.startswith("Preview"):
        for name, kind in (("frmProduct", "Auto.Frame"), ("frmCopyright", "Auto.Frame"),
                           ("btnLink", "Auto.Button")):
            xml.add('<auto control="%s" kind="%s"/>' % (name, kind))
    xml.add('<control name="MenuMain"/>')
    xml.comment("the player's soft key Ok takes its caption from the language key Ok")
    xml.add('<control name="Ok"/>')
    for name in ("menuSoftButtonOk", "menuSoftButtonMenu"):
        xml.open('<control name="%s">' % name)
        xml.string("Action", "")
        xml.close("</control>")
    xml.open('<control name="btnCaption">')
    xml.string("Action", "CAPTION")
    xml.string("Text", "About_Title")
    xml.close("</control>")
    xml.open('<control name="frmLogo">')
    xml.place(a["logo"])
    xml.picture("Normal", pics["logo"])
    xml.close("</control>")
    frame(xml, "frmProduct", a["product"], a["product_font"], pal["text"], align=a["align"],
          text="MOSK Melodeck v1.0", wrap=a.get("product_wrap", False))
    xml.open('<control name="frmCopyright">')
    xml.place(a["copyright"])
    xml.int("Wrap", 1)
    xml.font("Normal", a["copyright_font"])
    xml.colour("Normal", pal["text_dim"])
    xml.string("HAlignment", a["align"])
    xml.string("VAlignment", "TOP")
    xml.string("Text", "About_Copyright")
    xml.close("</control>")
    for name, text in (("btnLink", "About_Link"), ("btnOk", "Softkey_Ok")):
        box = a["link" if name == "btnLink" else "ok"]
        xml.open('<control name="%s">' % name)
        xml.place(box)
        if name == "btnOk" and not a["ok_visible"]:
            xml.comment("no touch screen: the soft key Ok closes the form")
            xml.int("Visible", 0)
        xml.string("Text", text)
        xml.string("Cursor", "HAND")
        art, bw, border = pics["link" if name == "btnLink" else "ok"]
        xml.picture("Normal", art, rect=(0, 0, bw, box[3]), border=(border, 0, border, 0))
        xml.picture("Pressed", art, rect=(bw, 0, 2 * bw, box[3]), border=(border, 0, border, 0))
        xml.font("Normal", a["button_font"])
        colour = pal["text"] if name == "btnLink" else pal["ok_text"]
        xml.colour("Normal", colour)
        xml.colour("Pressed", pal["pressed_icon"] if name == "btnLink" else colour)
        xml.close("</control>")
    xml.close("</form>")


# The two looks of the about form: its layouts are named after the look, so that a main skin
# picks its look by naming the form (FormMain's MenuMain property "AboutForm").
ABOUT_LOOKS = (("About", DARK, "dark"), ("LightAbout", LIGHT, "light"))


def write_settings():
    folder = os.path.join(OUT, "settings")
    clean(folder)
    skin = Skin(folder)
    xml = Xml()
    header(xml, "The settings skin: the about form, About (dark) and LightAbout (light).", layouts("dark"))
    forms = []
    for form, pal, look in ABOUT_LOOKS:
        tag = look[0]
        for lay in layouts(look):
            a = about_layout(lay)
            w, h = a["size"]
            pics = {"back": "back_%s%d" % (tag, h)}
            if not skin.has(pics["back"]):
                skin.save(pics["back"], gradient_strip(4, h, pal["bg_top"], pal["bg_bottom"]))
            logo = a["logo"][2]
            pics["logo"] = "logo_%s%d" % (tag, logo)
            if not skin.has(pics["logo"]):
                draw_logo(skin, pal, pics["logo"], logo)
            for which, fill, ring, pfill, pring in (
                    ("link", pal["button"], pal["button_ring"], pal["pressed"], pal["pressed_ring"]),
                    ("ok", pal["accent"], pal["accent_light"], pal["accent_dark"], pal["accent_dark"])):
                bh = a[which][3]
                name = "%s_%s%d" % (which, tag, bh)
                if not skin.has(name):
                    skin.bitmaps[name + "_size"] = draw_button(skin, bh, name, fill, ring, pfill, pring)
                bw, border = skin.bitmaps[name + "_size"]
                pics[which] = (name, bw, border)
            forms.append((a, pal, form, pics))
    for a, pal, form, pics in forms:
        about_form(xml, a, pal, "", form, pics)
    for a, pal, form, pics in forms:
        about_form(xml, a, pal, "", "Preview" + form, pics)
    xml.close("</skin>")
    with open(os.path.join(folder, "settings.xml"), "w") as out:
        out.write(xml.text())


def clean(folder):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(".bmp") or name.endswith(".xml"):
            os.remove(os.path.join(folder, name))


OUT = HERE


def main():
    global OUT
    if len(sys.argv) > 1:
        # Draws into another folder (the tests compare the result with the committed files).
        OUT = sys.argv[1]
    write_main("default", DARK, "dark", "The default skin (dark): the main form FormMain.")
    write_main("alternative", LIGHT, "light", "The alternative skin (light): the main form FormMain, "
               "the play panel above the list; its about form is LightAbout.")
    write_settings()
    return 0


if __name__ == "__main__":
    sys.exit(main())
