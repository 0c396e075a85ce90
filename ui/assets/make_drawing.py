#!/usr/bin/env python3
"""Writes pier.svg: the dimensioned pier drawing shown beside the fields.

Drawn to scale from the default pier (L1 2.5, R1 4.488, L2 1.8, R2 13.032,
H1 3, h 3, H2 0.5, l1 0.1, l2 0.1, l3 0.5 m): two elevations on top, the two
cross-sections under them. White outlines and light-grey centre and dimension
lines on black, 462 x 528 px. Arrowheads are filled paths (Qt's SVG renderer
ignores markers). Run it again after changing anything here:
    python3 ui/assets/make_drawing.py > ui/assets/pier.svg
"""
import math

L1, R1, L2, R2 = 2.5, 4.488, 1.8, 13.032
H1, h, H2 = 3.0, 3.0, 0.5
l1, l2, l3 = 0.1, 0.1, 0.5

W, H = 462, 528
ELEV = 34.0  # px per metre, elevations
SECT = 64.0  # px per metre, sections
WHITE, GREY = "#ffffff", "#b4b4b4"
FONT = "font-family=\"DejaVu Serif, Noto Serif, serif\" font-style=\"italic\""

out = []


def f(x):
    return f"{x:.2f}".rstrip("0").rstrip(".")


def line(x1, y1, x2, y2, color=WHITE, width=1.4, dash=None):
    extra = f' stroke-dasharray="{dash}"' if dash else ""
    out.append(f'<line x1="{f(x1)}" y1="{f(y1)}" x2="{f(x2)}" y2="{f(y2)}" stroke="{color}" '
               f'stroke-width="{width}"{extra}/>')


def polyline(points, color=WHITE, width=1.6, closed=False):
    tag = "polygon" if closed else "polyline"
    pts = " ".join(f"{f(x)},{f(y)}" for x, y in points)
    out.append(f'<{tag} points="{pts}" fill="none" stroke="{color}" stroke-width="{width}" '
               f'stroke-linejoin="round"/>')


def text(x, y, label, size=15, anchor="middle"):
    # Each letter's digits as a smaller run keeps "L1" and "l2×l2" legible.
    body = ""
    for k, part in enumerate(label.split("×")):
        if k:
            body += "×"
        body += part[0]
        if part[1:]:
            body += f'<tspan font-size="{f(size * 0.72)}">{part[1:]}</tspan>'
    out.append(f'<text x="{f(x)}" y="{f(y)}" fill="{WHITE}" font-size="{size}" {FONT} '
               f'text-anchor="{anchor}">{body}</text>')


def arrow(x, y, dx, dy, color=GREY):
    """Filled arrowhead with its tip at (x, y), pointing along (dx, dy)."""
    n = math.hypot(dx, dy)
    ux, uy = dx / n, dy / n
    length, half = 7.0, 2.4
    bx, by = x - ux * length, y - uy * length
    pts = [(x, y), (bx - uy * half, by + ux * half), (bx + uy * half, by - ux * half)]
    d = "M" + " L".join(f"{f(px)},{f(py)}" for px, py in pts) + " Z"
    out.append(f'<path d="{d}" fill="{color}" stroke="none"/>')


def dim_h(x1, x2, y, label, text_below=True):
    line(x1, y, x2, y, GREY, 0.9)
    arrow(x1, y, -1, 0)
    arrow(x2, y, 1, 0)
    text((x1 + x2) / 2, y + 16 if text_below else y - 5, label)


def dim_v(x, y1, y2, label):
    line(x, y1, x, y2, GREY, 0.9)
    arrow(x, y1, 0, -1)
    arrow(x, y2, 0, 1)
    text(x - 6, (y1 + y2) / 2 + 5, label, anchor="end")


def centre_line(x1, y1, x2, y2):
    line(x1, y1, x2, y2, GREY, 0.8, "14,3,2,3")


def offset(R, y):
    return R - math.sqrt(R * R - y * y)


def elevation(cx, base, half_width, R, groove):
    """Shaft, flare along arcs of radius R, cap; returns the outline corners."""
    s = ELEV
    top_flare = base - (H1 + h) * s
    top = top_flare - H2 * s
    y_shaft = base - H1 * s
    steps = 48
    right = [(cx + half_width * s, base), (cx + half_width * s, y_shaft)]
    for k in range(1, steps + 1):
        y = h * k / steps
        right.append((cx + (half_width + offset(R, y)) * s, y_shaft - y * s))
    right.append((right[-1][0], top))
    left = [(2 * cx - x, y) for x, y in right]
    polyline(right + list(reversed(left)), closed=True)
    # The shaft, flare and cap meet along horizontal edges.
    wide = right[-1][0] - cx
    line(cx - half_width * s, y_shaft, cx + half_width * s, y_shaft, WHITE, 1.0)
    line(cx - wide, top_flare, cx + wide, top_flare, WHITE, 1.0)
    if groove:
        for edge in (l3 / 2, l3 / 2 + l2):
            for sign in (-1, 1):
                line(cx + sign * edge * s, base, cx + sign * edge * s, top, GREY, 0.7)
    centre_line(cx, top - 12, cx, base + 10)
    return {"top": top, "top_flare": top_flare, "shaft": y_shaft, "base": base, "wide": wide,
            "half": half_width * s}


def radius_leader(cx, ys, R, half_width, label, side=-1):
    """Leader from the middle of the left arc outward, marked with the radius letter."""
    y = h * 0.55
    px = cx + side * (half_width + offset(R, y)) * ELEV
    py = ys - y * ELEV
    # Normal of the arc at that point points away from the centre (cx - side R, ys).
    centre_x = cx + side * (half_width + R) * ELEV
    dx, dy = px - centre_x, py - ys
    n = math.hypot(dx, dy)
    ux, uy = dx / n, dy / n
    ex, ey = px - ux * 30, py - uy * 30
    line(ex, ey, px, py, GREY, 0.9)
    arrow(px, py, ux * -1 * -1, uy * -1 * -1)
    line(ex, ey, ex + side * 16, ey, GREY, 0.9)
    text(ex + side * 18, ey - 4, label, anchor="end" if side < 0 else "start")


def section(cx, cy, a, b, groove_on_horizontal):
    """Section with sides a (horizontal) and b (vertical), chamfers l1, grooves l2/l3."""
    s = SECT
    ha, hb, c = a * s / 2, b * s / 2, l1 * s
    gb, gd = l3 * s / 2, l2 * s  # half groove bottom, groove depth (= side leg)
    pts = []

    def horizontal_side(y, inward):
        row = [(cx - ha + c, y)]
        if groove_on_horizontal:
            row += [(cx - gb - gd, y), (cx - gb, y + inward * gd), (cx + gb, y + inward * gd), (cx + gb + gd, y)]
        row.append((cx + ha - c, y))
        return row

    def vertical_side(x, inward):
        col = [(x, cy - hb + c)]
        if not groove_on_horizontal:
            col += [(x, cy - gb - gd), (x + inward * gd, cy - gb), (x + inward * gd, cy + gb), (x, cy + gb + gd)]
        col.append((x, cy + hb - c))
        return col

    pts += horizontal_side(cy - hb, 1)
    pts += vertical_side(cx + ha, -1)
    pts += list(reversed(horizontal_side(cy + hb, -1)))
    pts += list(reversed(vertical_side(cx - ha, 1)))
    polyline(pts, closed=True)
    centre_line(cx - ha - 14, cy, cx + ha + 14, cy)
    centre_line(cx, cy - hb - 14, cx, cy + hb + 14)

    # l1 x l1 at the top-left chamfer.
    line(cx - ha + c / 2 - 2, cy - hb + c / 2 - 2, cx - ha - 14, cy - hb - 14, GREY, 0.9)
    arrow(cx - ha + c / 2, cy - hb + c / 2, 1, 1)
    text(cx - ha - 16, cy - hb - 17, "l1×l1", size=12, anchor="middle")
    if groove_on_horizontal:
        # Groove in the top side: l2 x l2 on its right slope, l3 across its bottom.
        gx, gy = cx + gb + gd / 2, cy - hb + gd / 2
        line(gx, gy, gx + 24, gy - 24, GREY, 0.9)
        arrow(gx, gy, -1, 1)
        text(gx + 26, gy - 27, "l2×l2", size=12, anchor="start")
        y = cy - hb + gd + 13
        line(cx - gb, cy - hb + gd, cx - gb, y + 3, GREY, 0.6)
        line(cx + gb, cy - hb + gd, cx + gb, y + 3, GREY, 0.6)
        dim_h(cx - gb, cx + gb, y, "l3")
    else:
        # Groove in the right side.
        gx, gy = cx + ha - gd / 2, cy - gb - gd / 2
        line(gx, gy, gx + 24, gy - 24, GREY, 0.9)
        arrow(gx, gy, -1, 1)
        text(gx + 20, gy - 27, "l2×l2", size=12, anchor="start")
        x = cx + ha - gd - 12
        line(cx + ha - gd, cy - gb, x - 3, cy - gb, GREY, 0.6)
        line(cx + ha - gd, cy + gb, x - 3, cy + gb, GREY, 0.6)
        line(x, cy - gb, x, cy + gb, GREY, 0.9)
        arrow(x, cy - gb, 0, -1)
        arrow(x, cy + gb, 0, 1)
        text(x - 5, cy + 5, "l3", anchor="end")


out.append(f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" viewBox="0 0 {W} {H}">')
out.append(f'<rect x="0" y="0" width="{W}" height="{H}" fill="#000000"/>')

base = 292
front = elevation(118, base, L1 / 2, R1, groove=True)
radius_leader(118, front["shaft"], R1, L1 / 2, "R1")
y = base + 16
line(118 - front["half"], base + 3, 118 - front["half"], y + 4, GREY, 0.6)
line(118 + front["half"], base + 3, 118 + front["half"], y + 4, GREY, 0.6)
dim_h(118 - front["half"], 118 + front["half"], y, "L1")

side_cx = 352
side = elevation(side_cx, base, L2 / 2, R2, groove=False)
radius_leader(side_cx, side["shaft"], R2, L2 / 2, "R2", side=1)
y = base + 16
line(side_cx - side["half"], base + 3, side_cx - side["half"], y + 4, GREY, 0.6)
line(side_cx + side["half"], base + 3, side_cx + side["half"], y + 4, GREY, 0.6)
dim_h(side_cx - side["half"], side_cx + side["half"], y, "L2")
# Height chain on the left of the side view: H1, h, H2 from the bottom up.
x = side_cx - side["wide"] - 22
for level in (side["base"], side["shaft"], side["top_flare"], side["top"]):
    line(x - 4, level, side_cx - side["wide"] - 3, level, GREY, 0.6)
dim_v(x, side["shaft"], side["base"], "H1")
dim_v(x, side["top_flare"], side["shaft"], "h")
dim_v(x, side["top"], side["top_flare"], "H2")

section(118, 428, L1, L2, groove_on_horizontal=True)
section(352, 428, L2, L1, groove_on_horizontal=False)

out.append("</svg>")
print("\n".join(out))
