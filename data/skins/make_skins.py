#!/usr/bin/python3
"""Draws the shipped skins: data/skins/default (the main form) and data/skins/settings (the about
form), each an XML source for skinc and the Windows bitmaps it names.

Every picture is drawn here from vector shapes (Pillow) at the exact pixel size its layout uses,
four times larger and then reduced, so that round edges come out smooth; shapes with soft edges
get an alpha map (NAME_8.bmp, opacity in the blue channel). The XML is written from the same
layout tables, so a position and the picture drawn for it cannot disagree.

Three layouts of each form, chosen by the player from the screen (see docs/skin-format.md):
  portrait   240x320 Pocket PC (work area 240x268; 480x640 at scale 2)
  landscape  320x240 Pocket PC (work area 320x188; 640x480 at scale 2)
  phone      176x220 Smartphone (work area 176x180)

Run by scripts/skins; the output is committed and compiled by the build. The same input always
gives the same bytes.
"""

import os
import sys

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor of the drawings
HEADER_ICON = 24  # the folder bar's icon column

# Colours ------------------------------------------------------------------------------------------

BG_TOP = (0x1A, 0x1E, 0x25)
BG_BOTTOM = (0x12, 0x15, 0x1A)
BAR_TOP = (0x25, 0x2B, 0x35)
BAR_BOTTOM = (0x1D, 0x22, 0x2A)
LINE = (0x30, 0x38, 0x44)
CARD_TOP = (0x20, 0x25, 0x2E)
CARD_BOTTOM = (0x19, 0x1D, 0x24)
TEXT = (0xE8, 0xEC, 0xF2)
TEXT_DIM = (0x8C, 0x96, 0xA6)
ACCENT = (0x2E, 0xC4, 0xA8)
ACCENT_LIGHT = (0x7F, 0xE3, 0xCF)
ACCENT_DARK = (0x1E, 0x8C, 0x78)
GROOVE = (0x33, 0x3B, 0x48)
SELECTION = (0x2A, 0x45, 0x63)
HIGHLIGHT = (0x26, 0x2D, 0x38)
SCROLL_THUMB = (0x4A, 0x55, 0x66)
BUTTON = (0x27, 0x2E, 0x39)
BUTTON_RING = (0x3E, 0x48, 0x58)
FOLDER = (0xF2, 0xB8, 0x4B)
FOLDER_BACK = (0xC8, 0x8E, 0x2E)
UP = (0xA9, 0xB6, 0xC8)
DARK = (0x10, 0x14, 0x19)


def hexc(colour):
    return "#%02X%02X%02X" % colour


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Bitmaps ------------------------------------------------------------------------------------------


class Art:
    """An RGBA drawing at SS times the final size; shapes are painted in layers, one over another."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.image = Image.new("RGBA", (width * SS, height * SS), (0, 0, 0, 0))

    def layer(self, paint, colour, alpha=255):
        """paint(draw, s) draws in white on a fresh layer (s scales final pixels to layer pixels);
        the layer's coverage, in colour, goes over the drawing."""
        mask = Image.new("L", self.image.size, 0)
        paint(ImageDraw.Draw(mask), SS)
        if alpha != 255:
            mask = mask.point(lambda v: v * alpha // 255)
        solid = Image.new("RGBA", self.image.size, colour + (255,))
        solid.putalpha(mask)
        self.image = Image.alpha_composite(self.image, solid)

    def finish(self):
        """(colour, alpha) at the final size: the colour un-premultiplied, so that the player's
        straight blending gives the drawn edge."""
        big = self.image
        premultiplied = Image.new("RGB", big.size)
        premultiplied.putdata([(r * a // 255, g * a // 255, b * a // 255) for r, g, b, a in big.getdata()])
        size = (self.width, self.height)
        colour = premultiplied.resize(size, Image.BOX)
        alpha = big.getchannel("A").resize(size, Image.BOX)
        out = Image.new("RGB", size)
        out.putdata([(255, 255, 255) if a == 0 else
                     tuple(min(255, c * 255 // a) for c in rgb)
                     for rgb, a in zip(colour.getdata(), alpha.getdata())])
        return out, alpha


class Skin:
    """The bitmaps and the XML of one skin folder."""

    def __init__(self, folder):
        self.folder = folder
        self.bitmaps = {}

    def save(self, name, colour, alpha=None):
        assert name not in self.bitmaps, name
        self.bitmaps[name] = colour.size
        colour.save(os.path.join(self.folder, name + ".bmp"))
        if alpha is not None:
            # An alpha map: grey levels, read from the blue channel.
            alpha.convert("RGB").save(os.path.join(self.folder, name + "_8.bmp"))

    def save_art(self, name, art):
        colour, alpha = art.finish()
        self.save(name, colour, alpha)


def gradient_strip(width, height, top, bottom, lines=()):
    """A vertical gradient; lines: (row, colour) painted over it."""
    image = Image.new("RGB", (width, height))
    for y in range(height):
        colour = mix(top, bottom, y / max(1, height - 1))
        for x in range(width):
            image.putpixel((x, y), colour)
    for row, colour in lines:
        for x in range(width):
            image.putpixel((x, row % height), colour)
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


# Icons of 16x16 (the file list, the volume box) ----------------------------------------------------


def icon_up(art, ox):
    art.layer(lambda d, s: line(d, s, [(ox + 12.5, 13.5), (ox + 12.5, 8), (ox + 4.5, 8)], 2.2), UP)
    art.layer(lambda d, s: polygon(d, s, [(ox + 1, 8), (ox + 6.5, 3), (ox + 6.5, 13)]), UP)


def icon_folder(art, ox):
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 2, ox + 8, 6), 1.2), FOLDER_BACK)
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 4, ox + 15, 14), 1.5), FOLDER_BACK)
    art.layer(lambda d, s: rounded(d, s, (ox + 1, 6, ox + 15, 14), 1.5), FOLDER)


def icon_note(art, ox, colour=ACCENT):
    def stems(d, s):
        line(d, s, [(ox + 6.3, 12), (ox + 6.3, 3.2)], 1.5)
        line(d, s, [(ox + 13.3, 10.5), (ox + 13.3, 1.8)], 1.5)
        polygon(d, s, [(ox + 5.6, 2.6), (ox + 14, 1), (ox + 14, 4), (ox + 5.6, 5.6)])

    art.layer(stems, colour)
    art.layer(lambda d, s: d.ellipse(((ox + 1.6) * s, 9.6 * s, (ox + 7) * s, 13.8 * s), fill=255), colour)
    art.layer(lambda d, s: d.ellipse(((ox + 8.6) * s, 8.1 * s, (ox + 14) * s, 12.3 * s), fill=255), colour)


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


# Pictures of the main form --------------------------------------------------------------------------


def draw_step_buttons(skin, size):
    """btnLeft and btnRight: a round button with a chevron, normal and pressed, side by side:
    left normal, left pressed, right normal, right pressed."""
    art = Art(size * 4, size)
    for i in range(4):
        ox = i * size
        pressed = i % 2 == 1
        c = size / 2
        r = size / 2 - 0.5
        art.layer(lambda d, s, ox=ox: disc(d, s, ox + c, c, r), BUTTON_RING if not pressed else ACCENT_LIGHT)
        art.layer(lambda d, s, ox=ox: disc(d, s, ox + c, c, r - 1.2), BUTTON if not pressed else ACCENT)
        k = size * 0.16
        if i < 2:
            points = [(ox + c + k * 0.6, c - k * 1.4), (ox + c - k * 0.8, c), (ox + c + k * 0.6, c + k * 1.4)]
        else:
            points = [(ox + c - k * 0.6, c - k * 1.4), (ox + c + k * 0.8, c), (ox + c - k * 0.6, c + k * 1.4)]
        art.layer(lambda d, s, p=points: line(d, s, p, max(1.6, size / 12)), TEXT if not pressed else DARK)
    skin.save_art("step_%d" % size, art)


def draw_slider(skin, height, knob):
    """A slider of this height: the groove (0..16), the fill (16..32), each a round-capped bar 4
    high in the middle, and the knob (32..32+knob), a disc."""
    art = Art(32 + knob, height)
    top = (height - 4) / 2
    art.layer(lambda d, s: rounded(d, s, (0, top, 16, top + 4), 2), GROOVE)
    art.layer(lambda d, s: rounded(d, s, (16, top, 32, top + 4), 2), ACCENT)
    r = min(knob, height) / 2 - 0.5
    art.layer(lambda d, s: disc(d, s, 32 + knob / 2, height / 2, r), ACCENT_DARK)
    art.layer(lambda d, s: disc(d, s, 32 + knob / 2, height / 2, r - 1.2), TEXT)
    skin.save_art("slider_%d_k%d" % (height, knob), art)


def draw_meter(skin, height):
    """A level meter of this height, tiled: a dim segment (0..3) and a lit one (3..6), each two
    pixels of light and a clear pixel."""
    colour = Image.new("RGB", (6, height), (255, 255, 255))
    alpha = Image.new("L", (6, height), 0)
    for x in (0, 1, 3, 4):
        for y in range(height):
            colour.putpixel((x, y), GROOVE if x < 3 else ACCENT)
            alpha.putpixel((x, y), 255)
    skin.save("meter_%d" % height, colour, alpha)


MENU_ICON = 22  # the side of a command bar picture


def draw_menu_icons(skin):
    """The Pocket PC command bar's pictures of the soft keys, squares side by side: menu, play,
    pause."""
    n = MENU_ICON
    art = Art(n * 3, n)
    c = n / 2

    def bars(d, s):
        for y in (c - 5, c, c + 5):
            line(d, s, [(c - 6, y), (c + 6, y)], 2)

    def play(d, s):
        polygon(d, s, [(n + c - 4.5, c - 7), (n + c + 7, c), (n + c - 4.5, c + 7)])

    def pause(d, s):
        rounded(d, s, (2 * n + c - 6, c - 7, 2 * n + c - 1.5, c + 7), 1)
        rounded(d, s, (2 * n + c + 1.5, c - 7, 2 * n + c + 6, c + 7), 1)

    for paint in (bars, play, pause):
        art.layer(paint, TEXT)
    skin.save_art("menu_icons", art)


def draw_icons(skin):
    """The file list's icons: up, folder, audio file (16x16 each)."""
    art = Art(48, 16)
    icon_up(art, 0)
    icon_folder(art, 16)
    icon_note(art, 32)
    skin.save_art("icons", art)


def draw_volume_boxes(skin):
    """chkVolume: muted, sounding; chkVAS: off, on (16x16 each)."""
    art = Art(64, 16)
    icon_speaker(art, 0, TEXT_DIM, False)
    icon_speaker(art, 16, ACCENT_LIGHT, True)
    icon_wave(art, 32, TEXT_DIM)
    icon_wave(art, 48, ACCENT_LIGHT)
    skin.save_art("volume", art)


def draw_scroll_thumb(skin):
    art = Art(6, 12)
    art.layer(lambda d, s: rounded(d, s, (1, 0, 5, 12), 2), SCROLL_THUMB)
    skin.save_art("thumb", art)


def draw_focus(skin):
    """The outline a panel shows while it has the keyboard focus (nine-part, 4-pixel borders)."""
    art = Art(12, 12)

    def ring(d, s):
        rounded(d, s, (1, 1, 11, 11), 3)

    def hole(d, s):
        rounded(d, s, (2, 2, 10, 10), 2)

    mask = Image.new("L", art.image.size, 0)
    ring(ImageDraw.Draw(mask), SS)
    inner = Image.new("L", art.image.size, 0)
    hole(ImageDraw.Draw(inner), SS)
    mask.paste(0, (0, 0), inner)
    mask = mask.point(lambda v: v * 160 // 255)
    solid = Image.new("RGBA", art.image.size, ACCENT + (255,))
    solid.putalpha(mask)
    art.image = Image.alpha_composite(art.image, solid)
    skin.save_art("focus", art)


def draw_header(skin, height):
    """The folder bar: a folder icon in the first HEADER_ICON pixels, then a gradient to stretch."""
    image = gradient_strip(32, height, BAR_TOP, BAR_BOTTOM, [(-1, LINE)]).convert("RGBA")
    art = Art(16, 16)
    icon_folder(art, 0)
    icon = art.image.resize((16, 16), Image.BOX)
    image.alpha_composite(icon, ((HEADER_ICON - 16) // 2 + 1, (height - 16) // 2))
    skin.save("head_%d" % height, image.convert("RGB"))


def draw_card(skin, name, width, height, left_line):
    """The play panel's background: a gradient with a dividing line on top (or on the left)."""
    lines = [] if left_line else [(0, LINE)]
    image = gradient_strip(width, height, CARD_TOP, CARD_BOTTOM, lines)
    if left_line:
        for y in range(height):
            image.putpixel((0, y), LINE)
    skin.save(name, image)


def draw_logo(skin, name, size):
    """The about form's picture: a rounded square shading from the accent down, a white note."""
    art = Art(size, size)
    for row in range(size):
        colour = mix(ACCENT_LIGHT, ACCENT_DARK, row / (size - 1))
        art.layer(lambda d, s, row=row: (rounded(d, s, (0, 0, size, size), size * 0.22),
                                         d.rectangle((0, 0, size * s, row * s - 1), fill=0),
                                         d.rectangle((0, (row + 1) * s, size * s, size * s), fill=0)), colour)
    sub = Art(16, 16)
    icon_note(sub, 0, TEXT)
    note = sub.image.resize((round(size * 0.62) * SS, round(size * 0.62) * SS), Image.LANCZOS)
    offset = round(size * 0.17) * SS
    art.image.alpha_composite(note, (offset, offset + SS))
    skin.save_art(name, art)


def draw_button(skin, height, name, fill, ring, pressed_fill):
    """A rounded button, normal (0..24) and pressed (24..48), stretched sideways."""
    art = Art(48, height)
    for ox, inside in ((0, fill), (24, pressed_fill)):
        art.layer(lambda d, s, ox=ox: rounded(d, s, (ox, 0, ox + 24, height), 6), ring)
        art.layer(lambda d, s, ox=ox: rounded(d, s, (ox + 1.2, 1.2, ox + 22.8, height - 1.2), 5), inside)
    skin.save_art(name, art)


# XML ------------------------------------------------------------------------------------------------


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


def font(points, bold=False):
    return "%d %d 0 0 Tahoma" % (points, 1 if bold else 0)


# Solid fills: one pixel each of the swatch bitmap.
SWATCHES = [BG_BOTTOM, SELECTION, HIGHLIGHT, ACCENT, GROOVE, CARD_TOP]


def swatch(xml, name, colour):
    i = SWATCHES.index(colour)
    xml.picture(name, "swatch", rect=(i, 0, i + 1, 1))


# The layouts ------------------------------------------------------------------------------------------
#
# Boxes are (x, y, width, height) in skin pixels at scale 1. The panels' boxes are relative to the
# panel that holds them.

LAYOUTS = {
    "portrait": dict(
        suffix="", template="Portrait", devices="P", size=(240, 268),
        bar=24, row=20, icon=24, folder_font=font(9, True), status_font=font(8), item_font=font(9),
        big=(0, 24, 240, 220), play_list=(0, 24, 240, 100), panel=(0, 124, 240, 120), left_line=False,
        display=(0, 0, 240, 48), clock=(8, 4, 110, 24), clock_font=font(15, True),
        info=(118, 8, 114, 18), info_font=font(7), title=(8, 28, 224, 18), title_font=font(9),
        levels=(0, 48, 240, 30), check=(8, 7, 16, 16), volume=(28, 7, 92, 16), volume_knob=10,
        meter_left=(132, 9, 100, 5), meter_right=(132, 16, 100, 5),
        position=(0, 78, 240, 42), step=28, step_left=(6, 7), step_right=(206, 7),
        seek=(40, 13, 160, 16), seek_knob=12),
    "landscape": dict(
        suffix="Landscape", template="Landscape", devices="P", size=(320, 188),
        bar=22, row=20, icon=24, folder_font=font(9, True), status_font=font(8), item_font=font(9),
        big=(0, 22, 320, 144), play_list=(0, 22, 140, 144), panel=(140, 22, 180, 144), left_line=True,
        display=(0, 0, 180, 58), clock=(10, 3, 160, 24), clock_font=font(15, True),
        info=(10, 43, 160, 14), info_font=font(7), info_align="LEFT",
        title=(10, 27, 160, 16), title_font=font(9),
        levels=(0, 58, 180, 40), check=(10, 4, 16, 16), volume=(30, 4, 140, 16), volume_knob=10,
        meter_left=(12, 26, 158, 5), meter_right=(12, 33, 158, 5),
        position=(0, 98, 180, 46), step=28, step_left=(6, 9), step_right=(146, 9),
        seek=(40, 15, 100, 16), seek_knob=12),
    "phone": dict(
        suffix="Phone", template="Phone", devices="S", size=(176, 180),
        bar=20, row=18, icon=20, folder_font=font(8, True), status_font=font(7), item_font=font(8),
        big=(0, 20, 176, 140), play_list=(0, 20, 176, 54), panel=(0, 74, 176, 86), left_line=False,
        display=(0, 0, 176, 38), clock=(6, 2, 72, 20), clock_font=font(11, True),
        info=(78, 5, 92, 14), info_font=font(6), title=(6, 22, 164, 15), title_font=font(8),
        levels=(0, 38, 176, 22), check=(6, 3, 16, 16), volume=(26, 5, 70, 12), volume_knob=8,
        meter_left=(104, 6, 66, 4), meter_right=(104, 12, 66, 4),
        position=(0, 60, 176, 26), step=20, step_left=(4, 3), step_right=(152, 3),
        seek=(28, 5, 120, 16), seek_knob=12),
}


def draw_default(skin):
    skin.save("swatch", swatches(SWATCHES))
    draw_icons(skin)
    draw_menu_icons(skin)
    draw_volume_boxes(skin)
    draw_scroll_thumb(skin)
    draw_focus(skin)
    done = set()
    for key, lay in LAYOUTS.items():
        w, h = lay["size"]
        skin.save("back_" + key, gradient_strip(4, h, BG_TOP, BG_BOTTOM))
        bar = lay["bar"]
        if bar not in done:
            done.add(bar)
            draw_header(skin, bar)
            skin.save("foot_%d" % bar, gradient_strip(4, bar, BAR_TOP, BAR_BOTTOM, [(0, LINE)]))
        pw, ph = lay["panel"][2:]
        draw_card(skin, "card_" + key, 8, ph, lay["left_line"])
        for what in ("step", "volume_slider", "seek_slider", "meter"):
            if what == "step" and ("step", lay["step"]) not in done:
                done.add(("step", lay["step"]))
                draw_step_buttons(skin, lay["step"])
            if what == "volume_slider" and ("slider", lay["volume"][3], lay["volume_knob"]) not in done:
                done.add(("slider", lay["volume"][3], lay["volume_knob"]))
                draw_slider(skin, lay["volume"][3], lay["volume_knob"])
            if what == "seek_slider" and ("slider", lay["seek"][3], lay["seek_knob"]) not in done:
                done.add(("slider", lay["seek"][3], lay["seek_knob"]))
                draw_slider(skin, lay["seek"][3], lay["seek_knob"])
            if what == "meter" and ("meter", lay["meter_left"][3]) not in done:
                done.add(("meter", lay["meter_left"][3]))
                draw_meter(skin, lay["meter_left"][3])


def slider_pictures(xml, height, knob):
    name = "slider_%d_k%d" % (height, knob)
    xml.picture("Background", name, rect=(0, 0, 16, height), border=(3, 0, 3, 0))
    xml.picture("Progress", name, rect=(16, 0, 32, height), border=(3, 0, 3, 0))
    xml.picture("Track", name, rect=(32, 0, 32 + knob, height))
    xml.int("TrackSize", knob)


def header_picture(xml, bar):
    xml.picture("Normal", "head_%d" % bar, border=(HEADER_ICON, 0, 0, 0))


def frame(xml, name, box, font_value, colour, align="LEFT", text=None, picture=None, anchors=(None, None),
          border=(0, 0), ellipsis=False, wrap=False, border_max=None):
    xml.open('<control name="%s">' % name)
    xml.place(box, *anchors)
    if picture:
        picture(xml)
    xml.font("Normal", font_value)
    xml.colour("Normal", colour)
    xml.string("HAlignment", align)
    xml.string("VAlignment", "VCENTER")
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


def main_form(xml, key, lay):
    """One layout of FormMain and the template forms of its panels."""
    t = lay["template"]
    w, h = lay["size"]
    bar = lay["bar"]
    xml.comment("%s: %dx%d work area" % (key, w, h))
    xml.open('<form name="FormMain%s">' % lay["suffix"])
    xml.point("Size", w, h)
    xml.string("Devices", lay["devices"])
    xml.int("StartPosition", 3)
    xml.picture("Background", "back_" + key)
    xml.add('<auto control="btnCaption" kind="Auto.Button"/>')
    xml.open('<control name="btnCaption">')
    xml.string("Action", "CAPTION")
    xml.string("Text", "Title_Main")
    xml.close("</control>")

    xml.comment("the soft keys: captions, and squares of MenuImages for the Pocket PC command bar")
    xml.picture("MenuImages", "menu_icons")
    xml.add('<control name="MenuMain"/>')
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

    frame(xml, "frmFolder", (0, 0, w, bar), lay["folder_font"], TEXT, border=(HEADER_ICON + 2, 0),
          border_max=(8, 0), picture=lambda x: header_picture(x, bar), anchors=("BOTH_SIDE", None))
    frame(xml, "frmStatus", (0, h - bar, w, bar), lay["status_font"], TEXT_DIM, border=(8, 0),
          picture=lambda x: x.picture("Normal", "foot_%d" % bar), anchors=("BOTH_SIDE", "MAX_SIDE"))
    for name, box, anchor_y in (("lstFiles_bigsize", lay["big"], "BOTH_SIDE"),
                                ("lstFiles_playsize", lay["play_list"], "BOTH_SIDE")):
        xml.open('<control name="%s">' % name)
        xml.int("Visible", 0)
        xml.place(box, "BOTH_SIDE", anchor_y)
        xml.close("</control>")

    xml.open('<control name="lstFiles">')
    xml.place(lay["big"], "BOTH_SIDE", "BOTH_SIDE")
    xml.int("ItemHeight", lay["row"])
    xml.int("IconWidth", lay["icon"])
    xml.int("IndentWidth", 4)
    xml.int("ScrollWidth", 6)
    xml.int("Gestures", 1)
    xml.string("KindScroll", "Kind.ListScroll")
    xml.string("KindHScroll", "Kind.ListScroll")
    swatch(xml, "Normal", BG_BOTTOM)
    xml.picture("IconUp", "icons", rect=(0, 0, 16, 16))
    xml.picture("IconFolder", "icons", rect=(16, 0, 32, 16))
    xml.picture("IconAudioFile", "icons", rect=(32, 0, 48, 16))
    xml.font("ItemNormal", lay["item_font"])
    xml.colour("ItemNormal", TEXT)
    swatch(xml, "ItemSelection", SELECTION)
    xml.colour("ItemSelection", (0xFF, 0xFF, 0xFF))
    swatch(xml, "ItemHighlight", HIGHLIGHT)
    swatch(xml, "ItemSelectionHighlight", SELECTION)
    xml.colour("ItemSelectionHighlight", (0xFF, 0xFF, 0xFF))
    xml.close("</control>")

    xml.open('<control name="panelPlay">')
    xml.string("FormTemplate", "Play" + t)
    # The play panel keeps its size on a larger screen; the list takes the rest.
    xml.place(lay["panel"], *(("MAX_SIDE", "BOTH_SIDE") if lay["left_line"] else ("BOTH_SIDE", "MAX_SIDE")))
    xml.int("Visible", 0)
    xml.close("</control>")
    xml.close("</form>")

    # The play panel and its three panels.
    pw, ph = lay["panel"][2:]
    xml.open('<form name="Play%s">' % t)
    xml.point("Size", pw, ph)
    xml.picture("Background", "card_" + key, border=(1, 0, 0, 0) if lay["left_line"] else (0, 1, 0, 0))
    for name, box in (("panelDisplay", lay["display"]), ("panelLevels", lay["levels"]),
                      ("panelPosition", lay["position"])):
        xml.open('<control name="%s">' % name)
        xml.string("FormTemplate", name[5:] + t)
        xml.place(box, "BOTH_SIDE", None)
        xml.picture("Focus", "focus", border=(4, 4, 4, 4))
        xml.close("</control>")
    xml.close("</form>")

    xml.open('<form name="Display%s">' % t)
    xml.point("Size", *lay["display"][2:])
    frame(xml, "frmClock", lay["clock"], lay["clock_font"], TEXT, text="0:00:00")
    frame(xml, "frmInfo", lay["info"], lay["info_font"], TEXT_DIM, align=lay.get("info_align", "RIGHT"),
          anchors=("MAX_SIDE", None) if lay.get("info_align", "RIGHT") == "RIGHT" else ("BOTH_SIDE", None))
    frame(xml, "frmTitle", lay["title"], lay["title_font"], ACCENT_LIGHT, ellipsis=True,
          anchors=("BOTH_SIDE", None))
    xml.close("</form>")

    xml.open('<form name="Levels%s">' % t)
    xml.point("Size", *lay["levels"][2:])
    for name, off, on in (("chkVolume", 0, 16), ("chkVAS", 32, 48)):
        xml.open('<control name="%s">' % name)
        xml.place(lay["check"])
        xml.comment("shows the volume state; tapping it changes nothing")
        xml.int("Enabled", 0)
        xml.int("WantFocus", 0)
        xml.picture("Normal", "volume", rect=(off, 0, off + 16, 16))
        xml.picture("CheckedNormal", "volume", rect=(on, 0, on + 16, 16))
        xml.close("</control>")
    xml.open('<control name="pbVolume">')
    xml.place(lay["volume"], "BOTH_SIDE" if key == "landscape" else None, None)
    slider_pictures(xml, lay["volume"][3], lay["volume_knob"])
    xml.close("</control>")
    mh = lay["meter_left"][3]
    for name in ("pbLeft", "pbRight"):
        xml.open('<control name="%s">' % name)
        xml.place(lay["meter_left" if name == "pbLeft" else "meter_right"],
                  "BOTH_SIDE" if key == "landscape" else "MAX_SIDE", None)
        xml.int("WantFocus", 0)
        xml.int("Enabled", 0)
        xml.picture("Background", "meter_%d" % mh, rect=(0, 0, 3, mh), stretch=0)
        xml.picture("Progress", "meter_%d" % mh, rect=(3, 0, 6, mh), stretch=0)
        xml.close("</control>")
    xml.close("</form>")

    xml.open('<form name="Position%s">' % t)
    xml.point("Size", *lay["position"][2:])
    s = lay["step"]
    for name, at, normal in (("btnLeft", lay["step_left"], 0), ("btnRight", lay["step_right"], 2)):
        xml.open('<control name="%s">' % name)
        xml.place((at[0], at[1], s, s), "MAX_SIDE" if name == "btnRight" else None, None)
        xml.int("WantFocus", 0)
        xml.picture("Normal", "step_%d" % s, rect=(normal * s, 0, normal * s + s, s))
        xml.picture("Pressed", "step_%d" % s, rect=(normal * s + s, 0, normal * s + 2 * s, s))
        xml.close("</control>")
    xml.open('<control name="pbPosition">')
    xml.place(lay["seek"], "BOTH_SIDE", None)
    slider_pictures(xml, lay["seek"][3], lay["seek_knob"])
    xml.close("</control>")
    xml.close("</form>")


def preview_forms(xml, key, lay):
    """Forms that only skin-preview shows: the main form as the player fills it, flattened, with
    sample texts (the player never asks for them)."""
    w, h = lay["size"]
    bar = lay["bar"]
    for mode in ("Browse", "Play"):
        xml.open('<form name="Preview%s%s">' % (mode, lay["suffix"]))
        xml.point("Size", w, h)
        xml.string("Devices", lay["devices"])
        xml.int("StartPosition", 3)
        xml.picture("Background", "back_" + key)
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
        frame(xml, "frmFolder", (0, 0, w, bar), lay["folder_font"], TEXT, border=(HEADER_ICON + 2, 0),
              border_max=(8, 0), text="/home/user/Music" if mode == "Play" else "My_device",
              picture=lambda x: header_picture(x, bar))
        frame(xml, "frmStatus", (0, h - bar, w, bar), lay["status_font"], TEXT_DIM, border=(8, 0),
              text="Status_Play Status_Repeat 3 Status_From 12" if mode == "Play" else "2K",
              picture=lambda x: x.picture("Normal", "foot_%d" % bar))
        xml.open('<control name="lstPreview">')
        xml.place(lay["play_list"] if mode == "Play" else lay["big"])
        xml.int("ItemHeight", lay["row"])
        xml.int("NumberWidth", lay["icon"] + 4)
        xml.int("ScrollWidth", 6)
        xml.string("KindScroll", "Kind.ListScroll")
        xml.string("KindHScroll", "Kind.ListScroll")
        swatch(xml, "Normal", BG_BOTTOM)
        xml.font("ItemNormal", lay["item_font"])
        xml.colour("ItemNormal", TEXT)
        swatch(xml, "ItemSelection", SELECTION)
        xml.colour("ItemSelection", (0xFF, 0xFF, 0xFF))
        swatch(xml, "ItemHighlight", HIGHLIGHT)
        swatch(xml, "ItemSelectionHighlight", SELECTION)
        xml.colour("ItemSelectionHighlight", (0xFF, 0xFF, 0xFF))
        xml.close("</control>")
        if mode == "Play":
            px, py = lay["panel"][:2]

            def at(panel, box):
                return (px + lay[panel][0] + box[0], py + lay[panel][1] + box[1], box[2], box[3])

            xml.open('<control name="panelPlay">')
            xml.place(lay["panel"])
            xml.picture("Normal", "card_" + key, border=(1, 0, 0, 0) if lay["left_line"] else (0, 1, 0, 0))
            xml.close("</control>")
            frame(xml, "frmClock", at("display", lay["clock"]), lay["clock_font"], TEXT, text="0:01:23")
            frame(xml, "frmInfo", at("display", lay["info"]), lay["info_font"], TEXT_DIM,
                  align=lay.get("info_align", "RIGHT"),
                  text="44kHz 16bit 128kbps")
            frame(xml, "frmTitle", at("display", lay["title"]), lay["title_font"], ACCENT_LIGHT,
                  ellipsis=True,
                  text="Sunrise - Melodeck demo")
            xml.open('<control name="chkVolume">')
            xml.place(at("levels", lay["check"]))
            xml.picture("Normal", "volume", rect=(16, 0, 32, 16))
            xml.close("</control>")
            xml.open('<control name="pbVolume">')
            xml.place(at("levels", lay["volume"]))
            slider_pictures(xml, lay["volume"][3], lay["volume_knob"])
            xml.close("</control>")
            mh = lay["meter_left"][3]
            for name, value in (("pbLeft", 72), ("pbRight", 55)):
                xml.open('<control name="%s">' % name)
                xml.place(at("levels", lay["meter_left" if name == "pbLeft" else "meter_right"]))
                xml.int("Value", value)
                xml.picture("Background", "meter_%d" % mh, rect=(0, 0, 3, mh), stretch=0)
                xml.picture("Progress", "meter_%d" % mh, rect=(3, 0, 6, mh), stretch=0)
                xml.close("</control>")
            s = lay["step"]
            steps = (("btnLeft", lay["step_left"], 0), ("btnRight", lay["step_right"], 2))
            for name, step_at, normal in steps:
                xml.open('<control name="%s">' % name)
                xml.place(at("position", (step_at[0], step_at[1], s, s)))
                xml.picture("Normal", "step_%d" % s, rect=(normal * s, 0, normal * s + s, s))
                xml.picture("Pressed", "step_%d" % s, rect=(normal * s + s, 0, normal * s + 2 * s, s))
                xml.close("</control>")
            xml.open('<control name="pbPosition">')
            xml.place(at("position", lay["seek"]))
            slider_pictures(xml, lay["seek"][3], lay["seek_knob"])
            xml.close("</control>")
        xml.close("</form>")


def header(xml, what):
    xml.add('<?xml version="1.0" encoding="UTF-8"?>')
    xml.add("<!-- %s" % what)
    xml.add("     Written by data/skins/make_skins.py (scripts/skins): edit that script, not this file.")
    xml.add("     Layouts: portrait 240x320 and landscape 320x240 Pocket PC, 176x220 Smartphone. -->")
    xml.open('<skin version="Melodeck_1.00" devices="PS">')
    xml.add('<size width="240" height="320"/>')
    xml.add('<size width="320" height="240"/>')
    xml.add('<size width="176" height="220"/>')
    xml.comment("wide screens: the portrait and landscape layouts stretch to them")
    xml.add('<size width="240" height="400"/>')
    xml.add('<size width="400" height="240"/>')


def kinds(xml):
    xml.open('<kind name="Kind.ScrollThumb">')
    xml.picture("Normal", "thumb", border=(0, 3, 0, 3))
    xml.close("</kind>")
    xml.open('<kind name="Kind.ListScroll">')
    xml.int("Vertical", 1)
    xml.int("MinButtonSize", 0)
    xml.int("MaxButtonSize", 0)
    xml.string("KindTrack", "Kind.ScrollThumb")
    xml.close("</kind>")


def write_default():
    folder = os.path.join(HERE, "default")
    skin = Skin(folder)
    draw_default(skin)
    xml = Xml()
    header(xml, "The default skin: the main form FormMain.")
    kinds(xml)
    for key, lay in LAYOUTS.items():
        main_form(xml, key, lay)
    for key, lay in LAYOUTS.items():
        preview_forms(xml, key, lay)
    xml.close("</skin>")
    with open(os.path.join(folder, "default.xml"), "w") as out:
        out.write(xml.text())
    return skin


# The about form ----------------------------------------------------------------------------------

ABOUT = {
    "portrait": dict(suffix="", devices="P", size=(240, 268), logo=(96, 18, 48, 48), product=(0, 72, 240, 26),
                     product_font=font(12, True), copyright=(16, 102, 208, 84), copyright_font=font(8),
                     link=(40, 190, 160, 28), ok=(40, 226, 160, 30), button_font=font(9, True),
                     ok_visible=True),
    "landscape": dict(suffix="Landscape", devices="P", size=(320, 188), logo=(16, 16, 48, 48),
                      product=(76, 14, 236, 26), product_font=font(12, True), copyright=(76, 42, 232, 74),
                      copyright_font=font(8), link=(16, 142, 140, 30), ok=(164, 142, 140, 30),
                      button_font=font(9, True), ok_visible=True),
    "phone": dict(suffix="Phone", devices="S", size=(176, 180), logo=(8, 8, 32, 32), product=(46, 6, 126, 36),
                  product_font=font(9, True), copyright=(8, 46, 160, 92), copyright_font=font(7),
                  link=(8, 146, 160, 26), ok=(8, 146, 160, 26), button_font=font(8, True), ok_visible=False),
}


def about_form(xml, key, lay, form):
    """One layout of the about form; "PreviewAbout" also makes what the player adds, for
    skin-preview."""
    w, h = lay["size"]
    xml.comment("%s %s: %dx%d work area" % (form, key, w, h))
    xml.open('<form name="%s%s">' % (form, lay["suffix"]))
    xml.point("Size", w, h)
    xml.string("Devices", lay["devices"])
    xml.int("StartPosition", 3)
    xml.picture("Background", "back_" + key)
    xml.add('<auto control="btnCaption" kind="Auto.Button"/>')
    xml.add('<auto control="frmLogo" kind="Auto.Frame"/>')
    xml.add('<auto control="btnOk" kind="Auto.Button"/>')
    if form == "PreviewAbout":
        # What the player makes: shown with skin-preview.
        for name, kind in (("frmProduct", "Auto.Frame"), ("frmCopyright", "Auto.Frame"),
                           ("btnLink", "Auto.Button")):
            xml.add('<auto control="%s" kind="%s"/>' % (name, kind))
    xml.add('<control name="MenuMain"/>')
    xml.comment("the player's soft key Ok takes its caption from the language key Ok")
    xml.add('<control name="Ok"/>')
    xml.open('<control name="menuSoftButtonOk">')
    xml.string("Action", "")
    xml.close("</control>")
    xml.open('<control name="menuSoftButtonMenu">')
    xml.string("Action", "")
    xml.close("</control>")
    xml.open('<control name="btnCaption">')
    xml.string("Action", "CAPTION")
    xml.string("Text", "About_Title")
    xml.close("</control>")
    size = lay["logo"][2]
    xml.open('<control name="frmLogo">')
    xml.place(lay["logo"])
    xml.picture("Normal", "logo_%d" % size)
    xml.close("</control>")
    align = "CENTER" if key == "portrait" else "LEFT"
    frame(xml, "frmProduct", lay["product"], lay["product_font"], TEXT, align=align,
          text="MOSK Melodeck v1.0", wrap=key == "phone")
    xml.open('<control name="frmCopyright">')
    xml.place(lay["copyright"])
    xml.int("Wrap", 1)
    xml.font("Normal", lay["copyright_font"])
    xml.colour("Normal", TEXT_DIM)
    xml.string("HAlignment", align)
    xml.string("VAlignment", "TOP")
    xml.string("Text", "About_Copyright")
    xml.close("</control>")
    for name, text, art in (("btnLink", "About_Link", "link"), ("btnOk", "Softkey_Ok", "ok")):
        box = lay["link" if name == "btnLink" else "ok"]
        xml.open('<control name="%s">' % name)
        xml.place(box)
        if name == "btnOk" and not lay["ok_visible"]:
            xml.comment("no touch screen: the soft key Ok closes the form")
            xml.int("Visible", 0)
        xml.string("Text", text)
        xml.string("Cursor", "HAND")
        bh = box[3]
        xml.picture("Normal", "%s_%d" % (art, bh), rect=(0, 0, 24, bh), border=(7, 0, 7, 0))
        xml.picture("Pressed", "%s_%d" % (art, bh), rect=(24, 0, 48, bh), border=(7, 0, 7, 0))
        xml.font("Normal", lay["button_font"])
        xml.colour("Normal", TEXT if art == "link" else DARK)
        xml.colour("Pressed", TEXT if art == "link" else DARK)
        xml.close("</control>")
    xml.close("</form>")


def write_settings():
    folder = os.path.join(HERE, "settings")
    skin = Skin(folder)
    for key, lay in ABOUT.items():
        skin.save("back_" + key, gradient_strip(4, lay["size"][1], BG_TOP, BG_BOTTOM))
    heights = sorted({lay["link"][3] for lay in ABOUT.values()} | {lay["ok"][3] for lay in ABOUT.values()})
    for height in heights:
        draw_button(skin, height, "link_%d" % height, BUTTON, BUTTON_RING, HIGHLIGHT)
        draw_button(skin, height, "ok_%d" % height, ACCENT, ACCENT_LIGHT, ACCENT_DARK)
    for size in sorted({lay["logo"][2] for lay in ABOUT.values()}):
        draw_logo(skin, "logo_%d" % size, size)

    xml = Xml()
    header(xml, "The settings skin: the about form About.")
    for key, lay in ABOUT.items():
        about_form(xml, key, lay, "About")
    for key, lay in ABOUT.items():
        about_form(xml, key, lay, "PreviewAbout")
    xml.close("</skin>")
    with open(os.path.join(folder, "settings.xml"), "w") as out:
        out.write(xml.text())


def clean(folder):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(".bmp") or name.endswith(".xml"):
            os.remove(os.path.join(folder, name))


def main():
    clean(os.path.join(HERE, "default"))
    clean(os.path.join(HERE, "settings"))
    write_default()
    write_settings()
    return 0


if __name__ == "__main__":
    sys.exit(main())
