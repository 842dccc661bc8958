"""Draws, from the RESULT lines of one benchmark run, how the cost grows with the picture:
CPU per second of preview (% of a core) and the time of a whole grab (ms), each against
the pixels per second of the mode, TestBench.exe beside the bare platform. Plain SVG, no
library needed.
    python3 bench/growth_chart.py RESULTS_FILE OUTPUT_SVG
"""

import re
import sys

PREVIEW = re.compile(r"^preview (\d+)x(\d+) (\d+) fps: % of a core$")
GRAB = re.compile(r"^grab (\d+)x(\d+): ")

PANEL_WIDTH, PANEL_HEIGHT = 420, 300
LEFT, RIGHT, TOP, BOTTOM = 60, 40, 40, 72
PROGRAM_COLOUR, BARE_COLOUR = "#1f5fbf", "#d9822b"


def read_points(path):
    """{"preview": [(pixels/s, program, bare, label)], "grab": [...]} from RESULT lines."""
    rows = []
    with open(path, encoding="utf-8", errors="replace") as results:
        for line in results:
            fields = line.rstrip("\r\n").split("|")
            if len(fields) >= 7 and fields[0] == "RESULT":
                rows.append(fields)
    rates = {}  # (width, height) -> frames per second of the measured mode
    preview = []
    for _, name, median, _, reference, _, _ in rows:
        match = PREVIEW.match(name)
        if match:
            width, height, fps = (int(v) for v in match.groups())
            rates[(width, height)] = fps
            preview.append((width * height * fps, float(median), float(reference),
                            "%dx%d@%d" % (width, height, fps)))
    grab = []
    for _, name, median, _, reference, _, _ in rows:
        match = GRAB.match(name)
        if match:
            width, height = (int(v) for v in match.groups())
            if (width, height) in rates:
                fps = rates[(width, height)]
                grab.append((width * height * fps, float(median) / 1000, float(reference) / 1000,
                             "%dx%d@%d" % (width, height, fps)))
    return {"preview": sorted(preview), "grab": sorted(grab)}


def panel(x0, title, unit, points):
    """The SVG elements of one panel at horizontal offset x0."""
    out = ['<text x="%d" y="22" font-size="14" font-weight="bold">%s</text>' % (x0 + LEFT, title)]
    width = PANEL_WIDTH - LEFT - RIGHT
    height = PANEL_HEIGHT - TOP - BOTTOM
    bottom = TOP + height
    out.append('<rect x="%d" y="%d" width="%d" height="%d" fill="none" stroke="#999"/>'
               % (x0 + LEFT, TOP, width, height))
    if not points:
        out.append('<text x="%d" y="%d" font-size="12">no figures in this run</text>'
                   % (x0 + LEFT + 10, TOP + 20))
        return out
    x_max = max(p[0] for p in points) * 1.05
    y_max = max(max(p[1], p[2]) for p in points) * 1.15 or 1.0

    def sx(value):
        return x0 + LEFT + width * value / x_max

    def sy(value):
        return bottom - height * value / y_max

    for i in range(5):  # value grid
        value = y_max * i / 4
        out.append('<line x1="%d" y1="%.1f" x2="%d" y2="%.1f" stroke="#eee"/>'
                   % (x0 + LEFT, sy(value), x0 + LEFT + width, sy(value)))
        out.append('<text x="%d" y="%.1f" font-size="10" text-anchor="end">%.3g</text>'
                   % (x0 + LEFT - 4, sy(value) + 3, value))
    for index, (rate, _, _, label) in enumerate(points):
        row = bottom + 14 + 22 * (index % 2)  # every other label lower: close points
        out.append('<text x="%.1f" y="%d" font-size="9" text-anchor="middle">%s</text>'
                   % (sx(rate), row, label))
        out.append('<text x="%.1f" y="%d" font-size="9" text-anchor="middle">%.0f M</text>'
                   % (sx(rate), row + 10, rate / 1e6))
    out.append('<text x="%d" y="%d" font-size="11" text-anchor="middle">pixels per second</text>'
               % (x0 + LEFT + width // 2, bottom + 64))
    out.append('<text x="%d" y="%d" font-size="11" transform="rotate(-90 %d %d)" '
               'text-anchor="middle">%s</text>'
               % (x0 + 14, TOP + height // 2, x0 + 14, TOP + height // 2, unit))
    for index, colour in ((1, PROGRAM_COLOUR), (2, BARE_COLOUR)):
        line = " ".join("%.1f,%.1f" % (sx(p[0]), sy(p[index])) for p in points)
        out.append('<polyline points="%s" fill="none" stroke="%s" stroke-width="2"/>'
                   % (line, colour))
        for p in points:
            out.append('<circle cx="%.1f" cy="%.1f" r="3" fill="%s"/>'
                       % (sx(p[0]), sy(p[index]), colour))
    return out


def svg(points):
    total_width = 2 * PANEL_WIDTH
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
             'font-family="sans-serif">' % (total_width, PANEL_HEIGHT + 20),
             '<rect width="100%" height="100%" fill="white"/>']
    parts += panel(0, "Preview: CPU per second", "% of a core", points["preview"])
    parts += panel(PANEL_WIDTH, "Whole grab: time per frame", "ms", points["grab"])
    legend_y = PANEL_HEIGHT + 8
    for offset, colour, text in ((LEFT, PROGRAM_COLOUR, "TestBench.exe"),
                                 (LEFT + 140, BARE_COLOUR, "bare platform, same run")):
        parts.append('<rect x="%d" y="%d" width="14" height="4" fill="%s"/>'
                     % (offset, legend_y - 4, colour))
        parts.append('<text x="%d" y="%d" font-size="11">%s</text>'
                     % (offset + 20, legend_y + 1, text))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    points = read_points(sys.argv[1])
    with open(sys.argv[2], "w", encoding="utf-8") as output:
        output.write(svg(points))
    print("chart: %d preview and %d grab points in %s"
          % (len(points["preview"]), len(points["grab"]), sys.argv[2]))


if __name__ == "__main__":
    main()
