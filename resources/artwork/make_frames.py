#!/usr/bin/env python3
"""Remakes the frame sequences of the drop zone in this folder:

  arrow-down_01..15.svg  the idle loop: the arrow bobs above the TV (10 frames a second, 15 flows into 01)
  arrow-end_01..13.svg   played once when work starts: the arrow dives into the screen, which lights up
  noise_01..50.svg       the static on the screen: 01..05 fade it in, 06..50 loop (50 flows into 06)

Every frame is a full 320 x 200 canvas, transparent outside what it draws, so the window stacks them over
the TV. The output is the same on every run (fixed seed); the build never runs this script.

    python3 make_frames.py
"""

import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 320, 200

# The TV's screen (tv-light.svg and tv-dark.svg draw their glass exactly here).
SCREEN_LEFT, SCREEN_TOP, SCREEN_RIGHT, SCREEN_BOTTOM = 110, 90, 190, 150
SCREEN_RADIUS = 8
SCREEN_CENTRE = ((SCREEN_LEFT + SCREEN_RIGHT) / 2, (SCREEN_TOP + SCREEN_BOTTOM) / 2)

# The arrow, centred on the origin: shaft 14 wide, head 38 wide, 46 tall, corners rounded by 3.
ARROW_OUTLINE = [(-7, -23), (7, -23), (7, -1), (19, -1), (0, 23), (-19, -1), (-7, -1)]
ARROW_CORNER = 3
ARROW_X = 160
ARROW_REST_Y = 32  # centre of the arrow at rest: it spans y 9..55, and 14..60 at the bottom of a bob
BOB_DEPTH = 5

IDLE_FRAMES = 15
END_FRAMES = 13
NOISE_FRAMES = 50
NOISE_FADE_FRAMES = 5

# The static: cells of 2 x 2 px in six tones; the lightest is the lit screen under them and is not drawn.
CELL = 2
STATIC_TONES = ["#C4CCD6", "#9AA3AE", "#737C88", "#4E5661", "#2E343C"]
SEED = 20240611

# Shared by the end of the dive and the static, so the last dive frame is the first static frame's base.
LIT_SCREEN_GRADIENT = (
    '<radialGradient id="lit" cx="0.5" cy="0.45" r="0.62">'
    '<stop offset="0" stop-color="#F4F8FE"/>'
    '<stop offset="0.7" stop-color="#D9E7F8"/>'
    '<stop offset="1" stop-color="#A9C6EC"/>'
    "</radialGradient>"
)
ARROW_GRADIENT = (
    '<linearGradient id="arrow" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#8CC0FA"/>'
    '<stop offset="1" stop-color="#4D90E8"/>'
    "</linearGradient>"
)


def fmt(value):
    """Shortest text for a coordinate: two decimals at most, no trailing zeros."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def write_svg(name, defs, body):
    text = (
        f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        f'width="{WIDTH}" height="{HEIGHT}" viewBox="0 0 {WIDTH} {HEIGHT}">\n'
    )
    if defs:
        text += f"<defs>{defs}</defs>\n"
    text += body + "</svg>\n"
    with open(os.path.join(HERE, name), "w", encoding="ascii", newline="\n") as out:
        out.write(text)


# ---- the arrow -------------------------------------------------------------------------------------------


def rounded_polygon(points, radius):
    """Path data of a closed polygon whose corners are cut by quadratic curves `radius` from each vertex."""
    parts = []
    count = len(points)
    for index, (x, y) in enumerate(points):
        before = points[index - 1]
        after = points[(index + 1) % count]
        entry = toward((x, y), before, radius)
        leave = toward((x, y), after, radius)
        parts.append(("M" if index == 0 else "L") + f"{fmt(entry[0])} {fmt(entry[1])}")
        parts.append(f"Q{fmt(x)} {fmt(y)} {fmt(leave[0])} {fmt(leave[1])}")
    return "".join(parts) + "Z"


def toward(start, end, distance):
    length = math.hypot(end[0] - start[0], end[1] - start[1])
    share = distance / length
    return (start[0] + (end[0] - start[0]) * share, start[1] + (end[1] - start[1]) * share)


ARROW_PATH = rounded_polygon(ARROW_OUTLINE, ARROW_CORNER)


def arrow(x, y, scale=1.0, opacity=1.0):
    """The arrow centred on (x, y), with its soft shadow; nothing when fully faded."""
    if opacity <= 0.005 or scale <= 0.01:
        return ""
    faded = f' opacity="{fmt(opacity)}"' if opacity < 0.995 else ""
    transform = f"translate({fmt(x)} {fmt(y)})" + (f" scale({fmt(scale)})" if abs(scale - 1) > 0.005 else "")
    shadow_opacity = fmt(0.16 * opacity)
    return (
        f'<g transform="{transform}">'
        f'<path d="{ARROW_PATH}" transform="translate(0 3)" fill="#1C3A66" opacity="{shadow_opacity}"/>'
        f'<path d="{ARROW_PATH}" fill="url(#arrow)"{faded}/>'
        "</g>\n"
    )


def half_pixel(value):
    """Rounded to half a pixel, so edges fall on the device pixel grid at 2x and stay sharp at 1x."""
    return round(value * 2) / 2


def idle_offset(frame):
    """How far the arrow has sunk at `frame` (0-based): a cosine bob that wraps after the last frame."""
    return BOB_DEPTH * (1 - math.cos(2 * math.pi * frame / IDLE_FRAMES)) / 2


def make_idle_frames():
    for frame in range(IDLE_FRAMES):
        y = half_pixel(ARROW_REST_Y + idle_offset(frame))
        write_svg(f"arrow-down_{frame + 1:02d}.svg", ARROW_GRADIENT, arrow(ARROW_X, y))


def dive_state(frame):
    """(x, y, scale, opacity, glow) of the dive's `frame` (0-based).

    Frame 0 is the arrow at rest, 1 and 2 lift it a little (the wind-up), 3..11 drop it with growing speed
    into the screen's centre while it shrinks and fades, and the screen lights up from frame 9 on."""
    glow = min(1.0, max(0.0, (frame - 8) / 4))
    if frame < 3:
        return ARROW_X, ARROW_REST_Y - (0, 3, 4)[frame], 1.0, 1.0, glow
    progress = min(1.0, (frame - 2) / 9) ** 2
    x = ARROW_X + (SCREEN_CENTRE[0] - ARROW_X) * progress
    y = ARROW_REST_Y - 4 + (SCREEN_CENTRE[1] - ARROW_REST_Y + 4) * progress
    scale = 1 - 0.8 * progress
    opacity = min(1.0, (1 - progress) / 0.55)
    return x, y, scale, opacity, glow


def make_end_frames():
    for frame in range(END_FRAMES):
        x, y, scale, opacity, glow = dive_state(frame)
        body = lit_screen(glow) + arrow(x, half_pixel(y), scale, opacity)
        write_svg(f"arrow-end_{frame + 1:02d}.svg", ARROW_GRADIENT + LIT_SCREEN_GRADIENT, body)


# ---- the screen ------------------------------------------------------------------------------------------


def screen_rect(fill, opacity=1.0):
    faded = f' opacity="{fmt(opacity)}"' if opacity < 0.995 else ""
    return (
        f'<rect x="{SCREEN_LEFT}" y="{SCREEN_TOP}" width="{SCREEN_RIGHT - SCREEN_LEFT}" '
        f'height="{SCREEN_BOTTOM - SCREEN_TOP}" rx="{SCREEN_RADIUS}" fill="{fill}"{faded}/>\n'
    )


def lit_screen(opacity):
    return screen_rect("url(#lit)", opacity) if opacity > 0.005 else ""


def screen_span(y):
    """Left and right edge of the rounded screen on the line y (SCREEN_TOP <= y <= SCREEN_BOTTOM)."""
    depth = max(SCREEN_TOP + SCREEN_RADIUS - y, y - (SCREEN_BOTTOM - SCREEN_RADIUS), 0)
    inset = SCREEN_RADIUS - math.sqrt(max(SCREEN_RADIUS**2 - depth**2, 0))
    return SCREEN_LEFT + inset, SCREEN_RIGHT - inset


def band(top, height):
    """Path data of a horizontal band of the screen, its ends following the rounded corners."""
    bottom = min(top + height, SCREEN_BOTTOM)
    top = max(top, SCREEN_TOP)
    if bottom - top < 0.5:
        return ""
    steps = [top + (bottom - top) * index / 6 for index in range(7)]
    left = [(screen_span(y)[0], y) for y in steps]
    right = [(screen_span(y)[1], y) for y in reversed(steps)]
    return "M" + "L".join(f"{fmt(x)} {fmt(y)}" for x, y in left + right) + "Z"


def static_cells(generator):
    """The runs of cells of each drawn tone (1 = lightest) of a random field over the screen.

    A cell often smears into the next ones of its row, and each row gets a small brightness offset of its
    own: both give the horizontal streaks of analogue static, and the runs keep the files small."""
    tones = len(STATIC_TONES) + 1
    runs = {tone: [] for tone in range(1, tones)}
    for top in range(SCREEN_TOP, SCREEN_BOTTOM, CELL):
        row_bias = generator.gauss(0, 0.12)
        x = SCREEN_LEFT
        while x < SCREEN_RIGHT:
            level = min(max(generator.random() + row_bias, 0), 0.999)
            tone = int(level * tones)
            width = CELL
            while x + width < SCREEN_RIGHT and generator.random() < 0.25:
                width += CELL  # a short horizontal smear
            if tone > 0:
                runs[tone].append(cell_run(x, top, width))
            x += width
    return runs


def cell_run(x, top, width):
    """The part of a run of cells inside the rounded screen as the corners of a quadrilateral (top left, top
    right, bottom right, bottom left); None when it does not reach into the screen on both of its edges.

    In the rounded corners the run's ends become chords of the arc, which lie inside the screen."""
    bottom = top + CELL
    left_top, right_top = screen_span(top)
    left_bottom, right_bottom = screen_span(bottom)
    corners = [
        (max(x, left_top), top),
        (min(x + width, right_top), top),
        (min(x + width, right_bottom), bottom),
        (max(x, left_bottom), bottom),
    ]
    if corners[1][0] - corners[0][0] < 0.25 or corners[2][0] - corners[3][0] < 0.25:
        return None
    return corners


def runs_path(runs):
    """Path data of the runs: plain rectangles as "h v h z", each placed relative to the one before; runs cut
    by a corner as four-point polygons."""
    parts = []
    last = None
    for run in runs:
        if run is None:
            continue
        (x0, y0), (x1, _), (x2, _), (x3, y3) = run
        move = f"M{fmt(x0)} {fmt(y0)}" if last is None else f"m{fmt(x0 - last[0])} {fmt(y0 - last[1])}"
        if x0 == x3 and x1 == x2:
            parts.append(f"{move}h{fmt(x1 - x0)}v{CELL}h-{fmt(x1 - x0)}z")
        else:
            parts.append(f"{move}L{fmt(x1)} {fmt(y0)}L{fmt(x2)} {fmt(y3)}L{fmt(x3)} {fmt(y3)}z")
        last = (x0, y0)
    return "".join(parts)


def scan_bands(loop_frame):
    """A wide bright band rolling down once per loop and a thin dark one rolling up three times per loop."""
    loop = NOISE_FRAMES - NOISE_FADE_FRAMES
    height = SCREEN_BOTTOM - SCREEN_TOP
    bright_top = SCREEN_TOP - 14 + (height + 14) * loop_frame / loop
    dark_top = SCREEN_BOTTOM - ((height + 4) * 3 * loop_frame / loop) % (height + 4)
    parts = []
    bright = band(bright_top, 14)
    if bright:
        parts.append(f'<path d="{bright}" fill="url(#scan)"/>\n')
    dark = band(dark_top, 3)
    if dark:
        parts.append(f'<path d="{dark}" fill="#0B0E12" opacity="0.22"/>\n')
    return "".join(parts)


NOISE_DEFS = (
    LIT_SCREEN_GRADIENT + '<linearGradient id="scan" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#FFFFFF" stop-opacity="0"/>'
    '<stop offset="0.5" stop-color="#FFFFFF" stop-opacity="0.32"/>'
    '<stop offset="1" stop-color="#FFFFFF" stop-opacity="0"/>'
    "</linearGradient>"
    '<radialGradient id="vignette" cx="0.5" cy="0.5" r="0.7">'
    '<stop offset="0.55" stop-color="#0B0E12" stop-opacity="0"/>'
    '<stop offset="1" stop-color="#0B0E12" stop-opacity="0.45"/>'
    "</radialGradient>"
)


def make_noise_frames():
    generator = random.Random(SEED)
    for frame in range(NOISE_FRAMES):
        # Eased in, so the first frames stay close to the lit screen the dive ended on.
        strength = min(1.0, ((frame + 1) / (NOISE_FADE_FRAMES + 1)) ** 1.5)
        runs = static_cells(generator)
        faded = f' opacity="{fmt(strength)}"' if strength < 0.995 else ""
        body = lit_screen(1.0)
        for tone in sorted(runs):
            body += f'<path fill="{STATIC_TONES[tone - 1]}"{faded} d="{runs_path(runs[tone])}"/>\n'
        loop_frame = max(frame - NOISE_FADE_FRAMES, 0)
        if strength >= 0.995:
            body += scan_bands(loop_frame)
        body += screen_rect("url(#vignette)", strength)
        write_svg(f"noise_{frame + 1:02d}.svg", NOISE_DEFS, body)


def main():
    make_idle_frames()
    make_end_frames()
    make_noise_frames()


if __name__ == "__main__":
    main()
