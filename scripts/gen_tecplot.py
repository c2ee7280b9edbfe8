#!/usr/bin/env python3
"""Writes a deterministic multi-zone Tecplot ASCII result file of a hexahedral
(BRICK) mesh, the way a finite-element flow and transport simulator writes its
results: a title, a variables line, then one FEPOINT zone per output time with
one line per node and one line per element.

Used for the bundled example and for the throughput benchmark.
"""
import argparse
import math
import sys


def node_lines(nx, ny, nz, zone, concentrations):
    t = float(zone)
    for k in range(nz + 1):
        z = -2.5 * k if k else 0.0
        for j in range(ny + 1):
            y = 10.0 * j
            for i in range(nx + 1):
                x = 10.0 * i
                vx = 1.0e-5 * (1.0 + 0.1 * math.sin(0.3 * i + 0.2 * j))
                vy = 2.0e-6 * math.cos(0.25 * j + 0.1 * t)
                vz = -5.0e-7 * (1.0 + 0.05 * k)
                values = [x, y, z, vx, vy, vz]
                front = 10.0 * (1.0 + t) * (nx / 8.0)
                for c in range(concentrations):
                    decay = 0.5 + 0.15 * c
                    values.append(1.0e-3 * (c + 1) * math.exp(-max(0.0, x - front) / (25.0 * decay)))
                yield " " + " ".join("%.6E" % v for v in values) + "\n"


def element_lines(nx, ny, nz):
    def node(i, j, k):
        return 1 + i + (nx + 1) * (j + (ny + 1) * k)

    for k in range(nz):
        for j in range(ny):
            for i in range(nx):
                corners = (node(i, j, k), node(i + 1, j, k), node(i + 1, j + 1, k), node(i, j + 1, k),
                           node(i, j, k + 1), node(i + 1, j, k + 1), node(i + 1, j + 1, k + 1),
                           node(i, j + 1, k + 1))
                yield " ".join(str(n) for n in corners) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output")
    parser.add_argument("--nx", type=int, default=4)
    parser.add_argument("--ny", type=int, default=3)
    parser.add_argument("--nz", type=int, default=2)
    parser.add_argument("--zones", type=int, default=3)
    parser.add_argument("--concentrations", type=int, default=3,
                        help="concentration variables after X, Y, Z, VX, VY, VZ")
    args = parser.parse_args()

    nodes = (args.nx + 1) * (args.ny + 1) * (args.nz + 1)
    elements = args.nx * args.ny * args.nz
    names = ["X", "Y", "Z", "VX", "VY", "VZ"] + ["C%d" % (c + 1) for c in range(args.concentrations)]
    with open(args.output, "w", newline="\n", buffering=1 << 20) as out:
        out.write('TITLE = "Reactive transport results"\n')
        out.write("VARIABLES = " + ", ".join('"%s"' % n for n in names) + "\n")
        # The mesh is the same in every zone; only the node values change.
        connectivity = "".join(element_lines(args.nx, args.ny, args.nz))
        for zone in range(args.zones):
            out.write('ZONE T="TIME %g d", N=%d, E=%d, F=FEPOINT, ET=BRICK\n' % (10.0 * zone, nodes, elements))
            out.writelines(node_lines(args.nx, args.ny, args.nz, zone, args.concentrations))
            out.write(connectivity)
    return 0


if __name__ == "__main__":
    sys.exit(main())
