#!/usr/bin/env python3
"""Draws Cardwharf's two pictures as 16-colour XPM sources:

  app/cog_icon.xpm     the window icon: a grey cog wheel with eight teeth,
                       32 by 32, transparent outside the wheel
  app/open_glyph.xpm   the Open button's picture: 32 by 16, two 16 by 16
                       pictures side by side (normal, disabled) of a sheet of
                       paper with a turned-down corner and yellow rays, on an
                       olive background that the button treats as transparent

Run it from the repository's root after changing a drawing; the XPM files
are what the build uses."""
import math

# The sixteen colours of the classic palette.
PALETTE = {
    "k": "#000000", "r": "#800000", "g": "#008000", "o": "#808000",
    "n": "#000080", "p": "#800080", "t": "#008080", "s": "#C0C0C0",
    "d": "#808080", "R": "#FF0000", "G": "#00FF00", "y": "#FFFF00",
    "b": "#0000FF", "m": "#FF00FF", "c": "#00FFFF", "w": "#FFFFFF",
}


def xpm(name, rows, colours, transparent=None):
    used = sorted({ch for row in rows for ch in row})
    lines = ["/* XPM */", "static const char* const %s[] = {" % name,
             '"%d %d %d 1",' % (len(rows[0]), len(rows), len(used))]
    for ch in used:
        value = "None" if ch == transparent else colours[ch]
        lines.append('"%s c %s",' % (ch, value))
    for i, row in enumerate(rows):
        lines.append('"%s"%s' % ("".join(row), "," if i + 1 < len(rows) else ""))
    lines.append("};")
    return "\n".join(lines) + "\n"


def cog():
    size = 32
    c = (size - 1) / 2.0
    grid = [["." for _ in range(size)] for _ in range(size)]
    inside = [[False] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            dx, dy = x - c, y - c
            r = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(dy, dx)) % 360
            # Eight teeth every 45 degrees: the four at the axes are larger.
            nearest = round(angle / 45) * 45
            off = abs(angle - nearest)
            axis = nearest % 90 == 0
            half = 13 if axis else 11
            reach = 15.2 if axis else 14.4
            tooth = off < half and r <= reach
            if r <= 11.2 or tooth:
                inside[y][x] = True
    for y in range(size):
        for x in range(size):
            if not inside[y][x]:
                continue
            edge = any(not (0 <= x + ox < size and 0 <= y + oy < size and inside[y + oy][x + ox])
                       for ox, oy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            r = math.hypot(x - c, y - c)
            if edge:
                colour = "k"
            elif 6.6 <= r < 7.6 or 2.4 <= r < 3.4:
                colour = "d"  # the concentric rings around the hub
            elif r < 1.5:
                colour = "k"  # the axle hole
            elif (x - c) + (y - c) < -4:
                colour = "w"  # light from the upper left
            elif (x - c) + (y - c) > 8:
                colour = "d"
            else:
                colour = "s"
            grid[y][x] = colour
    return grid


SHEET = [
    # 16 by 16: the sheet (w), outline (k), text lines (k), corner (s/d),
    # shadow (d) and yellow rays (y) on olive (o).
    "oooyoooooooooooo",
    "ooooyooyoooooooo",
    "yooooykkkkkkoooo",
    "oyoooykwwwwkkooo",
    "oooooykwkkwkwkoo",
    "yyoookwwwwwkkkko",
    "oooookwkkkwwwwkd",
    "oooookwwwwwwwwkd",
    "oyoookwkkkkkwwkd",
    "yooookwwwwwwwwkd",
    "oooookwkkkkkkwkd",
    "oooookwwwwwwwwkd",
    "oooookwkkkkwwwkd",
    "oooookwwwwwwwwkd",
    "oooookkkkkkkkkkd",
    "ooooooddddddddd",
]


def open_glyph():
    normal = [list(row.ljust(16, "o")) for row in SHEET]
    disabled = []
    for row in normal:
        # The disabled look: the same drawing in white and dark grey.
        disabled.append(["o" if ch == "o" else "w" if ch in "wy" else "d" for ch in row])
    return [n + d for n, d in zip(normal, disabled)]


if __name__ == "__main__":
    open("app/cog_icon.xpm", "w").write(xpm("cog_icon_xpm", cog(), PALETTE, transparent="."))
    open("app/open_glyph.xpm", "w").write(xpm("open_glyph_xpm", open_glyph(), PALETTE))
