#!/usr/bin/env python3
"""Converts generated meshes of every cell kind with zonvert and reads each
VTK file back with VTK's own legacy reader (vtkUnstructuredGridReader),
checking points, cells, cell types and every point array against the values
that were generated.

One mesh carries what a Fortran simulator of 39 species writes: variables and
node lines far longer than 511 bytes, names with blanks and percent signs, a
name longer than VTK's reader takes, and values with D exponents or with the
exponent letter dropped (0.1234567-100). Its arrays must come back under
their names (the long one shortened to 255 characters) with their values.

Usage: vtk_reader_roundtrip.py /path/to/zonvert
"""
import math
import os
import random
import subprocess
import sys
import tempfile

import vtk

VTK_VERTEX, VTK_LINE, VTK_TRIANGLE, VTK_QUAD, VTK_TETRA, VTK_HEXAHEDRON, VTK_WEDGE = 1, 3, 5, 9, 10, 12, 13

rng = random.Random(20261208)
FORMATS = ["%.6E", "%.9g", "%g", "%.3f", "%.15e"]


def value_text(v):
    return rng.choice(FORMATS) % v


def fortran_text(v):
    """v as Fortran writes it: a D exponent, or, for three-digit exponents,
    no exponent letter at all. Returns (text written, the same in C form)."""
    if v != 0.0 and abs(math.log10(abs(v))) > 99:
        exponent = math.floor(math.log10(abs(v))) + 1
        mantissa = "%.7f" % (v / 10.0 ** exponent)
        return mantissa + "%+04d" % exponent, mantissa + "E%+04d" % exponent
    text = "%.9E" % v
    return text.replace("E", "D"), text


def grid_nodes(nx, ny, nz):
    return [(float(i), float(j) * 1.5, float(k) * -2.0) for k in range(nz) for j in range(ny) for i in range(nx)]


def node_id(i, j, k, nx, ny):
    return 1 + i + nx * (j + ny * k)


def hex_elements(nx, ny, nz):
    out = []
    for k in range(nz - 1):
        for j in range(ny - 1):
            for i in range(nx - 1):
                n = lambda a, b, c: node_id(i + a, j + b, k + c, nx, ny)
                out.append([n(0, 0, 0), n(1, 0, 0), n(1, 1, 0), n(0, 1, 0),
                            n(0, 0, 1), n(1, 0, 1), n(1, 1, 1), n(0, 1, 1)])
    return out


def meshes():
    """(name, element type, variables, nodes, elements, expected vtk type,
    positions of the element list written as cell points)"""
    grid3 = grid_nodes(3, 3, 2)
    hexes = hex_elements(3, 3, 2)
    tets = [[h[0], h[1], h[3], h[4]] for h in hexes] + [[h[1], h[2], h[3], h[6]] for h in hexes]
    # A wedge is a brick that repeats its first and fifth node numbers.
    wedges = [[h[0], h[0], h[1], h[3], h[4], h[4], h[5], h[7]] for h in hexes]
    grid2 = [(x, y) for (x, y, z) in grid_nodes(4, 3, 1)]
    quads = [[node_id(i, j, 0, 4, 3), node_id(i + 1, j, 0, 4, 3), node_id(i + 1, j + 1, 0, 4, 3),
              node_id(i, j + 1, 0, 4, 3)] for j in range(2) for i in range(3)]
    triangles = [[q[0], q[1], q[2]] for q in quads] + [[q[0], q[2], q[3]] for q in quads]
    vars3 = ["X", "Y", "Z", "VX", "VY", "VZ", "C1", "C2"]
    vars2 = ["X", "Y", "VX", "VY", "C1"]
    species = ["Conc mg/l", "50% tracer", "L" * 300] + ["SPECIES_%02d" % k for k in range(4, 40)]
    return [
        ("species", "BRICK", ["X", "Y", "Z", "VX", "VY", "VZ"] + species, grid3, hexes, VTK_HEXAHEDRON,
         list(range(8))),
        ("tet", "TETRAHEDRON", vars3, grid3, tets, VTK_TETRA, [0, 1, 2, 3]),
        ("hex", "BRICK", vars3, grid3, hexes, VTK_HEXAHEDRON, list(range(8))),
        ("wedge", "BRICK", vars3, grid3, wedges, VTK_WEDGE, [1, 2, 3, 5, 6, 7]),
        ("triangle", "TRIANGLE", vars2, grid2, triangles, VTK_TRIANGLE, [0, 1, 2]),
        ("quad", "QUADRILATERAL", vars2, grid2, quads, VTK_QUAD, [0, 1, 2, 3]),
        ("nodes", None, vars3, grid3, [], VTK_VERTEX, [0]),
    ]


def write_tecplot(path, element_type, names, coords, elements, fortran):
    """Writes one zone; returns the value texts (in C form) of every node by
    variable."""
    rows = []
    expected = []
    for c in coords:
        row = list(c)
        if fortran:
            row += [rng.choice([rng.uniform(-1e-4, 1e4), 10.0 ** rng.uniform(-300, -100)])
                    for _ in range(len(names) - len(c))]
            texts = [fortran_text(v) for v in row]
            rows.append([t[0] for t in texts])
            expected.append([t[1] for t in texts])
        else:
            row += [rng.uniform(-1e-4, 1e-4) for _ in range(len(names) - len(c))]
            rows.append([value_text(v) for v in row])
            expected.append(rows[-1])
    with open(path, "w", newline="\n") as f:
        f.write('TITLE = "roundtrip"\n')
        f.write("VARIABLES = " + ", ".join('"%s"' % n for n in names) + "\n")
        if element_type:
            f.write("ZONE T=\"T1\", N=%d, E=%d, F=FEPOINT, ET=%s\n" % (len(rows), len(elements), element_type))
        else:
            f.write("ZONE T=\"T1\", I=%d, F=POINT\n" % len(rows))
        for row in rows:
            f.write(" " + "  ".join(row) + "\n")
        for e in elements:
            f.write(" ".join(str(n) for n in e) + "\n")
    return [{name: row[i] for i, name in enumerate(names)} for row in expected]


def as_float32(text):
    arr = vtk.vtkFloatArray()
    arr.InsertNextValue(float(text))
    return arr.GetValue(0)


def close(actual, text):
    expected = as_float32(text)
    return abs(actual - expected) <= 2e-7 * max(abs(expected), 1e-30)


def check(name, vtk_path, names, rows, elements, cell_type, positions):
    errors = []
    reader = vtk.vtkUnstructuredGridReader()
    reader.SetFileName(vtk_path)
    reader.ReadAllScalarsOn()
    reader.ReadAllVectorsOn()
    reader.Update()
    grid = reader.GetOutput()

    if grid.GetNumberOfPoints() != len(rows):
        return ["%s: %d points, expected %d" % (name, grid.GetNumberOfPoints(), len(rows))]
    for i, row in enumerate(rows):
        p = grid.GetPoint(i)
        for axis, var in enumerate(["X", "Y", "Z"]):
            if not close(p[axis], row.get(var, "0.0")):
                errors.append("%s: point %d axis %s is %r, expected %s" % (name, i, var, p[axis], row.get(var)))

    cells = elements if elements else [[i + 1] for i in range(len(rows))]
    if grid.GetNumberOfCells() != len(cells):
        return errors + ["%s: %d cells, expected %d" % (name, grid.GetNumberOfCells(), len(cells))]
    for c, element in enumerate(cells):
        if grid.GetCellType(c) != cell_type:
            errors.append("%s: cell %d has type %d, expected %d" % (name, c, grid.GetCellType(c), cell_type))
        ids = vtk.vtkIdList()
        grid.GetCellPoints(c, ids)
        got = [ids.GetId(k) for k in range(ids.GetNumberOfIds())]
        want = [element[p] - 1 for p in positions]
        if got != want:
            errors.append("%s: cell %d has points %s, expected %s" % (name, c, got, want))

    data = grid.GetPointData()
    for var in names:
        if var in ("X", "Y", "Z"):
            if data.GetArray(var) is not None:
                errors.append("%s: coordinate %s written as a field" % (name, var))
            continue
        # VTK's reader takes names of up to 255 characters whole.
        array = data.GetArray(var[:255])
        if array is None:
            errors.append("%s: field %s missing" % (name, var[:40]))
            continue
        for i, row in enumerate(rows):
            if not close(array.GetValue(i), row[var]):
                errors.append("%s: %s[%d] = %r, expected %s" % (name, var, i, array.GetValue(i), row[var]))
    velocity = data.GetArray("velocity")
    if velocity is None or velocity.GetNumberOfComponents() != 3:
        errors.append("%s: velocity vectors missing" % name)
    else:
        for i, row in enumerate(rows):
            for k, var in enumerate(["VX", "VY", "VZ"]):
                if not close(velocity.GetComponent(i, k), row.get(var, "0.0")):
                    errors.append("%s: velocity[%d][%d] wrong" % (name, i, k))
    return errors


def main():
    zonvert = sys.argv[1]
    errors = []
    with tempfile.TemporaryDirectory() as folder:
        for name, element_type, names, coords, elements, cell_type, positions in meshes():
            tecplot = os.path.join(folder, name + ".dat")
            rows = write_tecplot(tecplot, element_type, names, coords, elements, name == "species")
            run = subprocess.run([zonvert, tecplot, os.path.join(folder, name + ".vtk")],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                errors.append("%s: zonvert ended with %d: %s" % (name, run.returncode, run.stdout))
                continue
            found = check(name, os.path.join(folder, name + "0.vtk"), names, rows, elements, cell_type, positions)
            print("%-9s %3d nodes %3d cells: %s" % (name, len(rows), len(elements) or len(rows),
                                                   "ok" if not found else "%d errors" % len(found)))
            errors += found
    for e in errors[:50]:
        print(e)
    failed = len({e.split(":")[0] for e in errors})
    print("%d passed, %d failed" % (len(meshes()) - failed, failed))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
