#!/usr/bin/env python3
"""The C example host's picture, read back with Python's XML parser: one line
of 24 evenly spaced points per species its legend names, each point at the
height of the log10 of the concentration the host computed for the first
node (its --bits output), on one scale for all species.

Arguments: the C example host, the library."""
import math
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
TOLERANCE = 0.2  # coordinates are written with one decimal


def main():
    host, library = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run([host, "--svg", scratch + "/p.svg", library], check=True, capture_output=True)
        root = ElementTree.parse(scratch + "/p.svg").getroot()
    bits = subprocess.run([host, "--bits", library], check=True, capture_output=True, text=True)
    hours = {int(f[1]): [struct.unpack(">d", bytes.fromhex(v))[0] for v in f[3:]]
             for f in map(str.split, bits.stdout.splitlines()) if len(f) == 42 and f[0] == "1"}

    lines = root.findall(".//" + SVG + "polyline")
    species = [int(t.text.split()[1]) for t in root.iter(SVG + "text") if t.text.startswith("species ")]
    assert len(lines) == len(species) > 0, f"{len(lines)} lines for {len(species)} legend entries"
    heights = []  # (y, log10 of the value) of every point
    for s, line in enumerate(lines):
        points = [tuple(map(float, p.split(","))) for p in line.get("points").split()]
        assert len(points) == 24, f"species {species[s]}: {len(points)} points"
        spacing = (points[-1][0] - points[0][0]) / 23
        for p, (x, y) in enumerate(points):
            assert abs(x - points[0][0] - p * spacing) <= TOLERANCE, f"hour {p + 1} at x {x}"
            heights.append((y, math.log10(hours[p + 1][species[s] - 1])))
    # One straight scale, y = a - b log10(value) with b > 0.
    (y0, d0), (y1, d1) = min(heights, key=lambda h: h[1]), max(heights, key=lambda h: h[1])
    b = (y0 - y1) / (d1 - d0)
    assert b > 0, "larger values must be drawn higher"
    for y, d in heights:
        assert abs(y - (y0 - b * (d - d0))) <= TOLERANCE, f"point at y {y} for log10 {d}"
    print(f"{len(lines)} species lines of 24 points on one logarithmic scale")


if __name__ == "__main__":
    main()
