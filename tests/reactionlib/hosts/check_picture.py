#!/usr/bin/env python3
"""The C example host's picture of its first node, read back with Python's
XML parser: one line per species its legend names, through the 24 hours,
evenly spaced, and every point at the height of the log10 of the
concentration the host computed (its --bits output), on one scale for all
species.

Arguments: the C example host, the library."""
import math
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
# Coordinates are written with one decimal.
TOLERANCE = 0.2


def computed(bits_output):
    """Concentrations of node 1 after each hourly step."""
    rows = {}
    for line in bits_output.splitlines():
        fields = line.split()
        if len(fields) == 42 and fields[0] == "1":
            rows[int(fields[1])] = [struct.unpack(">d", bytes.fromhex(f))[0] for f in fields[3:]]
    return [rows[step] for step in range(1, 25)]


def main():
    host, library = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as scratch:
        picture = scratch + "/species.svg"
        subprocess.run([host, "--svg", picture, library], check=True, capture_output=True)
        root = ElementTree.parse(picture).getroot()
    bits = subprocess.run([host, "--bits", library], check=True, capture_output=True, text=True)
    hours = computed(bits.stdout)

    assert root.tag == SVG + "svg", root.tag
    lines = root.findall(".//" + SVG + "polyline")
    species = [int(t.text.split()[1]) for t in root.iter(SVG + "text") if t.text.startswith("species ")]
    assert len(lines) == len(species) > 0, f"{len(lines)} lines for {len(species)} legend entries"

    heights = []  # (y, log10 of the value) of every point
    for s, line in enumerate(lines):
        points = [tuple(map(float, p.split(","))) for p in line.get("points").split()]
        assert len(points) == 24, f"species {species[s]}: {len(points)} points"
        spacing = (points[-1][0] - points[0][0]) / (len(points) - 1)
        assert spacing > 0
        for p, (x, _) in enumerate(points):
            assert abs(x - points[0][0] - p * spacing) <= TOLERANCE, f"hour {p} at x {x}"
        heights += [(y, math.log10(hours[p][species[s] - 1])) for p, (_, y) in enumerate(points)]
    # One straight scale: y = a - b log10(value), b > 0.
    (y0, d0), (y1, d1) = min(heights, key=lambda h: h[1]), max(heights, key=lambda h: h[1])
    b = (y0 - y1) / (d1 - d0)
    assert b > 0, "larger values must be drawn higher"
    for y, d in heights:
        assert abs(y - (y0 - b * (d - d0))) <= TOLERANCE, f"point at y {y} for log10 {d}"
    print(f"{len(lines)} species lines of 24 points on one logarithmic scale")


if __name__ == "__main__":
    main()
