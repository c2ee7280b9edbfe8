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

Then files in the forms other programs write (block layout, ordered zones,
zone keys over several lines, collapsed elements of every shape, records to
read past, values wrapped over lines, tabs and commas, cell-centred values,
variables and connectivity shared with an earlier zone) are converted and each
zone is compared with what VTK's own Tecplot reader (vtkTecplotReader) makes
of the same file, values as its 32-bit floats. Where that reader keeps
collapsed elements as they stand, or misreads the form altogether (see the
comments), the cells and values are compared with what the file describes.
Every cell must have the size (length, area, volume) that VTK's own Cell Size
filter (vtkCellSizeFilter, ParaView's "Cell Size") gives the element it was
written from: every element of these files is ordered positively, so every
3-D cell must have its positive volume, and every 2-D cell (all lie in the
x-y plane, counter-clockwise) a normal towards +z; the total volume that
ParaView's Integrate Variables (vtkIntegrateAttributes) gives must be theirs.

Every file is converted a second time as VTK XML (--vtu --series) and read
back with VTK's XML reader (vtkXMLUnstructuredGridReader): the same points,
cells, cell types and arrays as the legacy file read back, under the same
names (whole, where the legacy file had to shorten them), every value the
double that strtod (Python's float) reads from its text, bit for bit, NaN
and infinities included. The series file must be JSON listing every zone
file in order with its time, each file there and readable; runs on one and
on four threads must give the same bytes.

Each of those files is then picked from: --list --json, read by Python's
JSON parser, must give every zone the points and cells VTK reads from its
XML file and the time of the series file; --zones on the last zone must
write that zone's file byte for byte (with a series of it alone), on one
thread and on four; --variables naming one field must leave VTK reading the
arrays of the full file but the other fields.

Usage: vtk_reader_roundtrip.py /path/to/zonvert
"""
import json
import math
import os
import random
import struct
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
    return [(float(i), float(j) * 1.5, float(k) * 2.0) for k in range(nz) for j in range(ny) for i in range(nx)]


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
    positions of the element list written as cell points, size of each
    cell: 1 x 1.5 x 2 grid spacing)"""
    grid3 = grid_nodes(3, 3, 2)
    hexes = hex_elements(3, 3, 2)
    tets = [[h[0], h[1], h[3], h[4]] for h in hexes] + [[h[1], h[2], h[3], h[6]] for h in hexes]
    # A wedge is a brick that repeats its first and fifth node numbers; VTK
    # winds a wedge's triangles the other way round than a brick's faces.
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
         list(range(8)), 3.0),
        ("tet", "TETRAHEDRON", vars3, grid3, tets, VTK_TETRA, [0, 1, 2, 3], 0.5),
        ("hex", "BRICK", vars3, grid3, hexes, VTK_HEXAHEDRON, list(range(8)), 3.0),
        ("wedge", "BRICK", vars3, grid3, wedges, VTK_WEDGE, [1, 3, 2, 5, 7, 6], 1.5),
        ("triangle", "TRIANGLE", vars2, grid2, triangles, VTK_TRIANGLE, [0, 1, 2], 0.75),
        ("quad", "QUADRILATERAL", vars2, grid2, quads, VTK_QUAD, [0, 1, 2, 3], 1.5),
        ("nodes", None, vars3, grid3, [], VTK_VERTEX, [0], 0.0),
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


def check(name, vtk_path, names, rows, elements, cell_type, positions, size):
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
    errors += check_sizes(name, grid, [size] * len(cells))

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


# Files in the forms other programs write, each zone checked against VTK's
# own Tecplot reader where it reads that form right, else against the
# values, cells and corner orders the file describes.

VTK_PYRAMID = 14
CUBE = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 0, 1), (1, 0, 1), (1, 1, 1), (0, 1, 1)]


def zone_of(names, rows, cells, sizes, cell_values=None):
    """What a converted zone must hold: points, point arrays (by name),
    cells (VTK type, 0-based corners) and cell arrays, from value texts by
    node (and by cell for the cell-centred variables in `cell_values`), and
    the size of each cell (see sizes_of)."""
    cell_values = cell_values or {}
    coordinate = lambda row, axis: as_float32(row[names.index(axis)]) if axis in names else 0.0
    return {"points": [tuple(coordinate(row, a) for a in "XYZ") for row in rows],
            "arrays": {n: [as_float32(row[k]) for row in rows] for k, n in enumerate(names)
                       if n not in "XYZ" and n not in cell_values},
            "cells": cells,
            "cellArrays": {n: [as_float32(v) for v in values] for n, values in cell_values.items()},
            "sizes": sizes}


def grid_of(dataset, names):
    points = [dataset.GetPoint(i) for i in range(dataset.GetNumberOfPoints())]
    arrays, cell_arrays = {}, {}
    for data, found in ((dataset.GetPointData(), arrays), (dataset.GetCellData(), cell_arrays)):
        for n in names:
            array = data.GetArray(n)
            if array is not None:
                found[n] = [array.GetValue(i) for i in range(array.GetNumberOfTuples())]
    cells = []
    for c in range(dataset.GetNumberOfCells()):
        ids = vtk.vtkIdList()
        dataset.GetCellPoints(c, ids)
        cells.append((dataset.GetCellType(c), [ids.GetId(k) for k in range(ids.GetNumberOfIds())]))
    return {"points": points, "arrays": arrays, "cells": cells, "cellArrays": cell_arrays}


def read_legacy(path, names):
    reader = vtk.vtkUnstructuredGridReader()
    reader.SetFileName(path)
    reader.ReadAllScalarsOn()
    reader.Update()
    return grid_of(reader.GetOutput(), names), reader.GetOutput()


def read_with_vtk_tecplot_reader(path, names):
    reader = vtk.vtkTecplotReader()
    reader.SetFileName(path)
    reader.Update()
    return grid_of(reader.GetOutput().GetBlock(0), names)


def sizes_of(dataset):
    """Each cell's size as VTK's Cell Size filter measures it: the length of a
    line, the area of a 2-D cell with the sign of its normal's z (the normal
    as VTK's vtkPolygon computes it), the signed volume of a 3-D cell; 0.0
    for a vertex."""
    sizes = vtk.vtkCellSizeFilter()
    sizes.SetInputData(dataset)
    sizes.Update()
    data = sizes.GetOutput().GetCellData()
    found = []
    for c in range(dataset.GetNumberOfCells()):
        cell = dataset.GetCell(c)
        dimension = cell.GetCellDimension()
        size = data.GetArray(["VertexCount", "Length", "Area", "Volume"][dimension]).GetValue(c) if dimension else 0.0
        if dimension == 2:
            normal = [0.0, 0.0, 0.0]
            vtk.vtkPolygon.ComputeNormal(cell.GetPoints(), normal)
            size = math.copysign(size, normal[2])
        found.append(size)
    return found


def check_sizes(name, dataset, expected):
    """The cells' sizes against those of the positively ordered elements they
    were written from, and (3-D) their total volume as ParaView's Integrate
    Variables (vtkIntegrateAttributes) finds it."""
    same = lambda a, b: abs(a - b) <= 1e-9 * max(1.0, abs(b))
    got = sizes_of(dataset)
    if len(got) != len(expected) or not all(same(a, b) for a, b in zip(got, expected)):
        return ["%s: cell sizes %s, expected %s" % (name, got, expected)]
    integrate = vtk.vtkIntegrateAttributes()
    integrate.SetInputData(dataset)
    integrate.Update()
    volume = integrate.GetOutput().GetCellData().GetArray("Volume")
    volumes = [size for c, size in enumerate(expected) if dataset.GetCell(c).GetCellDimension() == 3]
    if volumes and not same(volume.GetValue(0), sum(volumes)):
        return ["%s: integrated volume %r, expected %r" % (name, volume.GetValue(0), sum(volumes))]
    return []


def block(values_by_variable):
    return "\n".join(" ".join(column) for column in values_by_variable) + "\n"


def forms():
    """(name, Tecplot text, variable names, expected zones, whether VTK's
    Tecplot reader reads the points and values right, and the cells too)"""
    cases = []
    # Bricks of every collapsed shape (the format's wedge patterns, the
    # simulator's, a pyramid, a tetrahedron) in block layout.
    nodes = CUBE + [(0.5, 0.5, 2), (0.5, 0, 1), (0.5, 1, 1)]
    rows = [["%g" % v for v in xyz] + ["%.7e" % (i * 1.25e-3)] for i, xyz in enumerate(nodes)]
    bricks = [[1, 2, 3, 4, 5, 6, 7, 8], [1, 2, 4, 4, 5, 6, 8, 8], [1, 2, 3, 4, 10, 10, 11, 11],
              [1, 1, 2, 4, 5, 5, 6, 8], [5, 6, 7, 8, 9, 9, 9, 9], [1, 2, 4, 4, 5, 5, 5, 5]]
    cells = [(VTK_HEXAHEDRON, [0, 1, 2, 3, 4, 5, 6, 7]), (VTK_WEDGE, [0, 3, 1, 4, 7, 5]),
             (VTK_WEDGE, [0, 1, 9, 3, 2, 10]), (VTK_WEDGE, [0, 3, 1, 4, 7, 5]),
             (VTK_PYRAMID, [4, 5, 6, 7, 8]), (VTK_TETRA, [0, 1, 3, 4])]
    text = ('VARIABLES = "X" "Y" "Z" "Mat"\nZONE T="bricks", NODES=%d, ELEMENTS=%d, ZONETYPE=FEBRICK\n'
            "DATAPACKING=BLOCK, SOLUTIONTIME=0.0, STRANDID=1\n" % (len(rows), len(bricks)) +
            block(list(zip(*rows))) + "".join(" ".join(map(str, b)) + "\n" for b in bricks))
    sizes = [1.0, 0.5, 0.5, 0.5, 1 / 3, 1 / 6]
    cases.append(("bricks", text, ["X", "Y", "Z", "Mat"], [zone_of(["X", "Y", "Z", "Mat"], rows, cells, sizes)], True,
                  False))

    # Quadrilaterals with a collapsed triangle, point layout, ZONETYPE keys.
    rows = [["0.0", "0.0", "1.0"], ["1.0", "0.0", "2.0"], ["1.0", "1.0", "3.0"], ["0.0", "1.0", "4.0"],
            ["2.0", "0.5", "5.0"]]
    text = ('VARIABLES = "X" "Y" "T"\nZONE T="mixed 2d", NODES=5, ELEMENTS=2, ZONETYPE=FEQUADRILATERAL, '
            "DATAPACKING=POINT\n" + "".join(" ".join(r) + "\n" for r in rows) + "1 2 3 4\n2 5 3 3\n")
    cells = [(VTK_QUAD, [0, 1, 2, 3]), (VTK_TRIANGLE, [1, 4, 2])]
    cases.append(("quads", text, ["X", "Y", "T"], [zone_of(["X", "Y", "T"], rows, cells, [1.0, 0.5])], True, False))

    # Ordered zones: I x J in point layout, I x J x K in block layout.
    rows = [["%d" % i, "%d" % j, "%d" % (10 * j + i)] for j in range(2) for i in range(3)]
    text = 'VARIABLES = "X" "Y" "P"\nZONE T="plate", I=3, J=2, DATAPACKING=POINT\n' + "".join(
        " ".join(r) + "\n" for r in rows)
    cells = [(VTK_QUAD, [0, 1, 4, 3]), (VTK_QUAD, [1, 2, 5, 4])]
    cases.append(("plate", text, ["X", "Y", "P"], [zone_of(["X", "Y", "P"], rows, cells, [1.0, 1.0])], True, True))
    rows = [["%d" % i, "%.1f" % (1.5 * j), "%d" % k, "%.3e" % (i + 3 * j + 6 * k + 0.5)]
            for k in range(3) for j in range(2) for i in range(3)]
    text = 'VARIABLES = "X", "Y", "Z", "Q"\nZONE T="box", I=3, J=2, K=3\nDATAPACKING=BLOCK\n' + block(list(zip(*rows)))
    cases.append(("box", text, ["X", "Y", "Z", "Q"],
                  [zone_of(["X", "Y", "Z", "Q"], rows, [(VTK_HEXAHEDRON, [c + n for n in (0, 1, 4, 3, 6, 7, 10, 9)])
                                                       for c in (0, 1, 6, 7)], [1.5] * 4)],
                  True, True))

    # Cell-centred variables: one value per cell, written as cell data.
    rows = [["%g" % v for v in xyz] for xyz in CUBE + [(0.5, 0.5, 2)]]
    text = ('VARIABLES = "X" "Y" "Z" "Mat"\nZONE T="cube+pyramid", N=9, E=2, ZONETYPE=FEBRICK\n'
            "DATAPACKING=BLOCK, VARLOCATION=([4]=CELLCENTERED)\n" + block(list(zip(*rows))) +
            "1 2\n1 2 3 4 5 6 7 8\n5 6 7 8 9 9 9 9\n")
    cells = [(VTK_HEXAHEDRON, list(range(8))), (VTK_PYRAMID, [4, 5, 6, 7, 8])]
    cases.append(("cellvalues", text, ["X", "Y", "Z", "Mat"],
                  [zone_of(["X", "Y", "Z"], rows, cells, [1.0, 1 / 3], {"Mat": ["1", "2"]})], True, False))
    rows = [["%d" % i, "%d" % j, "%.2f" % (i * j + 0.25)] for j in range(3) for i in range(3)]
    text = ('VARIABLES = "X" "Y" "P" "Flux"\nZONE T="cells", I=3, J=3\nDATAPACKING=BLOCK\n'
            "VARLOCATION=(NODAL, NODAL, NODAL, CELLCENTERED)\n" + block(list(zip(*rows))) + "1.5E-03 -2 3 4e1\n")
    cells = [(VTK_QUAD, [c, c + 1, c + 4, c + 3]) for c in (0, 1, 3, 4)]
    cases.append(("cellgrid", text, ["X", "Y", "P", "Flux"],
                  [zone_of(["X", "Y", "P"], rows, cells, [1.0] * 4, {"Flux": ["1.5E-03", "-2", "3", "4e1"]})], True,
                   True))

    # Triangles with everything real writers put around them: records read
    # past, keys over lines, values wrapped, tabs and commas, comments.
    rows = [["%d" % (i % 3), "%d" % (i // 3), "%.6E" % (i * -0.75), "%.4f" % (i / 7.0)] for i in range(6)]
    text = ('TITLE = "triangles"\nVARIABLES = "X", "Y"\n"Temperature"\n"Conc"\n'
            'DATASETAUXDATA Source="hand"\nTEXT X=10, Y=90, T="label"\nGEOMETRY X=0, Y=0, T=LINE\n1\n2\n0 0\n1 1\n'
            '# the mesh\nZONE T="tris"\n, N=6, E=4\n, F=FEPOINT, ET=TRIANGLE\nDT=(SINGLE SINGLE DOUBLE DOUBLE)\n'
            'AUXDATA Step="1"\n\n' + "".join("\t".join(r[:2]) + ",\n  " + " ".join(r[2:]) + "\n\n" for r in rows) +
            "1 2 5\n1 5\n4\n2 3 6 2 6 5\n")
    cells = [(VTK_TRIANGLE, [0, 1, 4]), (VTK_TRIANGLE, [0, 4, 3]), (VTK_TRIANGLE, [1, 2, 5]),
             (VTK_TRIANGLE, [1, 5, 4])]
    names = ["X", "Y", "Temperature", "Conc"]
    cases.append(("triangles", text, names, [zone_of(names, rows, cells, [0.5] * 4)], True, True))

    # A time series sharing the grid and connectivity of its first zone
    # (VTK's Tecplot reader reads such data as if every zone held all).
    rows = [["0.0", "0.0", "1.0"], ["1.0", "0.0", "2.0"], ["1.0", "1.0", "3.0"], ["0.0", "1.0", "4.0"]]
    later = [r[:2] + ["%d.5" % k] for k, r in enumerate(rows)]
    text = ('VARIABLES = "X" "Y" "T"\nZONE T="t0", N=4, E=1, ZONETYPE=FEQUADRILATERAL, DATAPACKING=POINT\n' +
            "".join(" ".join(r) + "\n" for r in rows) + "1 2 3 4\n" +
            'ZONE T="t1", N=4, E=1, ZONETYPE=FEQUADRILATERAL, DATAPACKING=BLOCK, VARSHARELIST=([1-2]=1)\n'
            "CONNECTIVITYSHAREZONE=1, SOLUTIONTIME=1.0, STRANDID=1\n" + " ".join(r[2] for r in later) + "\n")
    cells = [(VTK_QUAD, [0, 1, 2, 3])]
    cases.append(("shared", text, ["X", "Y", "T"], [zone_of(["X", "Y", "T"], rows, cells, [1.0]),
                                                  zone_of(["X", "Y", "T"], later, cells, [1.0])], False, False))

    # Forms VTK's Tecplot reader rejects or misreads (FILETYPE, unquoted
    # titles, line segments, the legacy I=nodes J=elements header, repeat
    # counts): checked against what the file describes.
    rows = [["0", "0", "1.5"], ["1", "0", "2.5"], ["1", "1", "2.5"], ["0", "1", "2.5"]]
    text = ("TITLE = plain words\nFILETYPE = FULL\nVARIABLES = X, Y, V\n"
            "zone t=segments n=4 e=3 zonetype=felineseg datapacking=block\n0 1 1 0\n0 0 1 1\n1.5 3*2.5\n1 2 2 3 3 4\n"
            'ZONE T="legacy", I=4, J=1, F=FEPOINT, ET=QUADRILATERAL\n' + "".join(" ".join(r) + "\n" for r in rows) +
            "1 2 3 4\n")
    zones = [zone_of(["X", "Y", "V"], rows, [(VTK_LINE, [0, 1]), (VTK_LINE, [1, 2]), (VTK_LINE, [2, 3])], [1.0] * 3),
             zone_of(["X", "Y", "V"], rows, [(VTK_QUAD, [0, 1, 2, 3])], [1.0])]
    cases.append(("misread", text, ["X", "Y", "V"], zones, False, False))
    return cases


def check_forms(zonvert, folder):
    errors = []
    for name, text, names, zones, vtk_values, vtk_cells in forms():
        found = []
        tecplot = os.path.join(folder, name + ".dat")
        with open(tecplot, "w") as f:
            f.write(text)
        run = subprocess.run([zonvert, tecplot, os.path.join(folder, name + ".vtk")], capture_output=True, text=True)
        if run.returncode != 0:
            found.append("%s: zonvert ended with %d: %s" % (name, run.returncode, run.stdout))
            zones = []
        reference = read_with_vtk_tecplot_reader(tecplot, names) if vtk_values and zones else None
        for z, expected in enumerate(zones):
            got, grid = read_legacy(os.path.join(folder, "%s%d.vtk" % (name, z)), names)
            found += check_sizes("%s zone %d" % (name, z), grid, expected["sizes"])
            if reference:
                # VTK's reader keeps collapsed elements as hexahedra and
                # quadrilaterals: their cells are checked against the file.
                expected = dict(reference, cells=reference["cells"] if vtk_cells else expected["cells"])
            for part in ("points", "arrays", "cells", "cellArrays"):
                if got[part] != expected[part]:
                    found.append("%s zone %d: %s %s, expected %s" % (name, z, part, got[part], expected[part]))
        print("%-9s %d zone(s): %s" % (name, len(zones), "ok" if not found else "%d errors" % len(found)))
        errors += found
    return errors


def read_vtu(path):
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(path)
    reader.Update()
    return reader.GetOutput()


def same_double(actual, text):
    """actual is the double strtod reads from text: the same bits (a NaN: a
    NaN of the same sign)."""
    expected = float(text)
    if math.isnan(expected):
        return math.isnan(actual) and math.copysign(1, actual) == math.copysign(1, expected)
    return struct.pack("<d", actual) == struct.pack("<d", expected)


def cells_of(dataset):
    found = []
    for c in range(dataset.GetNumberOfCells()):
        ids = vtk.vtkIdList()
        dataset.GetCellPoints(c, ids)
        found.append((dataset.GetCellType(c), [ids.GetId(k) for k in range(ids.GetNumberOfIds())]))
    return found


def check_vtu(name, vtu_path, legacy, names, rows):
    """The XML file against the legacy file read back (`legacy`) and the value
    texts of every node by variable (`rows`)."""
    grid = read_vtu(vtu_path)
    if grid.GetNumberOfPoints() != len(rows):
        return ["%s vtu: %d points, expected %d" % (name, grid.GetNumberOfPoints(), len(rows))]
    errors = []
    if legacy is not None and cells_of(grid) != cells_of(legacy):
        errors.append("%s vtu: cells or cell types differ from the legacy file's" % name)
    for i, row in enumerate(rows):
        for axis, var in enumerate("XYZ"):
            if not same_double(grid.GetPoint(i)[axis], row.get(var, "0.0")):
                errors.append("%s vtu: point %d %s is %r, text %s" % (name, i, var, grid.GetPoint(i)[axis], row.get(var)))
    data = grid.GetPointData()
    legacy_names = set()
    if legacy is not None:
        legacy_data = legacy.GetPointData()
        legacy_names = {legacy_data.GetArrayName(k) for k in range(legacy_data.GetNumberOfArrays())}
    for var in names:
        if var in ("X", "Y", "Z"):
            continue
        array = data.GetArray(var)
        if array is None or (legacy is not None and var[:255] not in legacy_names):
            errors.append("%s vtu: field %s missing here or in the legacy file" % (name, var[:40]))
            continue
        for i, row in enumerate(rows):
            if not same_double(array.GetValue(i), row[var]):
                errors.append("%s vtu: %s[%d] = %r, text %s" % (name, var[:40], i, array.GetValue(i), row[var]))
    velocity = data.GetArray("velocity")
    if any(v in names for v in ("VX", "VY", "VZ")):
        for i, row in enumerate(rows):
            for k, var in enumerate(["VX", "VY", "VZ"]):
                if not same_double(velocity.GetComponent(i, k), row.get(var, "0.0")):
                    errors.append("%s vtu: velocity[%d][%d] wrong" % (name, i, k))
    return errors


def check_series(name, folder, base, times):
    """base.vtu.series lists base0.vtu, base1.vtu, ... with `times`, and VTK
    reads each file it names."""
    path = os.path.join(folder, base + ".vtu.series")
    with open(path) as f:
        series = json.load(f)
    expected = [{"name": "%s%d.vtu" % (base, k), "time": t} for k, t in enumerate(times)]
    if series.get("file-series-version") != "1.0" or series.get("files") != expected:
        return ["%s series: %s, expected %s" % (name, series, expected)]
    errors = []
    for entry in series["files"]:
        if read_vtu(os.path.join(folder, entry["name"])).GetNumberOfPoints() == 0:
            errors.append("%s series: %s does not read" % (name, entry["name"]))
    return errors


def convert_vtu(zonvert, tecplot, output, threads=None, more=()):
    options = ["--vtu", "--series"] + (["--threads", str(threads)] if threads else []) + list(more)
    return subprocess.run([zonvert] + options + [tecplot, output], capture_output=True, text=True)


def check_vtu_forms(zonvert, folder):
    """Each file of the other writers' forms as XML, zone by zone, against its
    legacy file; multi-zone files with their times."""
    errors = []
    times = {"shared": [0, 1.0], "misread": [0, 1]}
    for name, text, names, zones, _, _ in forms():
        tecplot = os.path.join(folder, name + ".dat")
        run = convert_vtu(zonvert, tecplot, os.path.join(folder, "x" + name + ".vtk"))
        if run.returncode != 0:
            errors.append("%s vtu: zonvert ended with %d: %s" % (name, run.returncode, run.stdout))
            continue
        for z in range(len(zones)):
            got, _ = read_legacy(os.path.join(folder, "%s%d.vtk" % (name, z)), names)
            xml_grid = read_vtu(os.path.join(folder, "x%s%d.vtu" % (name, z)))
            errors += check_sizes("%s vtu zone %d" % (name, z), xml_grid, zones[z]["sizes"])
            xml = grid_of(xml_grid, names)
            as32 = lambda values: [as_float32(v) for v in values]
            xml["points"] = [tuple(as_float32(c) for c in p) for p in xml["points"]]
            for part in ("arrays", "cellArrays"):
                xml[part] = {n: as32(v) for n, v in xml[part].items()}
            for part in ("points", "arrays", "cells", "cellArrays"):
                if xml[part] != got[part]:
                    errors.append("%s vtu zone %d: %s %s, legacy %s" % (name, z, part, xml[part], got[part]))
        errors += check_series(name, folder, "x" + name, times.get(name, list(range(len(zones)))))
    return errors


def arrays_of(dataset):
    """Every point and cell array by name, with all its values."""
    found = {}
    for data in (dataset.GetPointData(), dataset.GetCellData()):
        for k in range(data.GetNumberOfArrays()):
            array = data.GetArray(k)
            found[array.GetName()] = [array.GetValue(i) for i in range(array.GetNumberOfValues())]
    return found


def check_picking(zonvert, folder):
    """After check_vtu_forms, each file again: --list --json, read by Python's
    JSON parser, lists every zone with the points and cells VTK's XML reader
    finds in its file and the time the series file gives it; --zones on its
    last zone, on one thread and on four, writes that zone's file byte for
    byte and a series of it alone; --variables with one scalar field writes
    the arrays of the full file but the other scalar fields."""
    errors = []
    for name, _, _, zones, _, _ in forms():
        tecplot = os.path.join(folder, name + ".dat")
        full = lambda z: os.path.join(folder, "x%s%d.vtu" % (name, z))
        with open(os.path.join(folder, "x%s.vtu.series" % name)) as f:
            times = [entry["time"] for entry in json.load(f)["files"]]
        run = subprocess.run([zonvert, "--list", "--json", tecplot], capture_output=True, text=True)
        listed = json.loads(run.stdout)
        for z, zone in enumerate(listed["zones"]):
            grid = read_vtu(full(z))
            cells = grid.GetNumberOfCells() if zone["elements"] > 0 else 0
            seen = (zone["zone"], zone["time"], zone["nodes"], zone["elements"])
            if run.returncode != 0 or seen != (z, times[z], grid.GetNumberOfPoints(), cells):
                errors.append("%s list zone %d: %s, VTK and the series: %s" %
                              (name, z, seen, (z, times[z], grid.GetNumberOfPoints(), cells)))
        last = len(zones) - 1
        for threads in (1, 4):
            out = os.path.join(folder, "pick%d%s.vtk" % (threads, name))
            run = subprocess.run([zonvert, "--vtu", "--series", "--threads", str(threads), "--zones", str(last),
                                  tecplot, out], capture_output=True, text=True)
            picked = os.path.join(folder, "pick%d%s%d.vtu" % (threads, name, last))
            with open(os.path.join(folder, "pick%d%s.vtu.series" % (threads, name))) as f:
                series = json.load(f)["files"]
            if run.returncode != 0 or open(picked, "rb").read() != open(full(last), "rb").read() or \
                    series != [{"name": os.path.basename(picked), "time": times[last]}]:
                errors.append("%s --zones %d on %d threads: %s, series %s" % (name, last, threads, run.stdout, series))
        arrays = arrays_of(read_vtu(full(last)))
        kept = sorted(arrays)[0]
        out = os.path.join(folder, "fields%s.vtk" % name)
        run = subprocess.run([zonvert, "--vtu", "--zones", str(last), "--variables", kept, tecplot, out],
                             capture_output=True, text=True)
        got = arrays_of(read_vtu(os.path.join(folder, "fields%s%d.vtu" % (name, last))))
        if run.returncode != 0 or got != {n: v for n, v in arrays.items() if n == kept or n == "velocity"}:
            errors.append("%s --variables %s: %s, arrays %s of %s" % (name, kept, run.stdout, sorted(got), sorted(arrays)))
    return errors


def check_compressions(zonvert, folder):
    """After check_vtu_forms, each file again with --compress lz4 and with no
    compression: VTK's XML reader must read from each zone file the points,
    cells and arrays of the zlib file, every value bit for bit, and the file
    must name its compressor (none: no compressor)."""
    errors = []
    for name, _, _, zones, _, _ in forms():
        for options, compressor in ((["--compress", "lz4"], ' compressor="vtkLZ4DataCompressor"'),
                                    (["--compress=NONE"], "")):
            out = os.path.join(folder, "c%s%s.vtk" % (options[-1][-4:], name))
            run = convert_vtu(zonvert, os.path.join(folder, name + ".dat"), out, more=options)
            for z in range(len(zones)):
                path = out[:-4] + "%d.vtu" % z
                with open(path, "rb") as f:
                    start = f.readline().decode()
                got, zlib = read_vtu(path), read_vtu(os.path.join(folder, "x%s%d.vtu" % (name, z)))
                same = [grid.GetPoints().GetData() for grid in (got, zlib)]
                if run.returncode != 0 or not start.endswith('header_type="UInt64"%s>\n' % compressor) or \
                        cells_of(got) != cells_of(zlib) or arrays_of(got) != arrays_of(zlib) or \
                        [same[0].GetTuple(i) for i in range(same[0].GetNumberOfTuples())] != \
                        [same[1].GetTuple(i) for i in range(same[1].GetNumberOfTuples())]:
                    errors.append("%s %s zone %d: %s, %s" % (name, options[-1], z, run.stdout, start))
    return errors


def check_vtu_numbers(zonvert, folder):
    """Values as strtod reads them, also those the legacy format cannot hold."""
    texts = ["nan", "-inf", "1e-320", "1e400", "+1.5", "0.1234567-100", "-NaN", "2.5D-3", "-0.0"]
    tecplot = os.path.join(folder, "numbers.dat")
    with open(tecplot, "w") as f:
        f.write('VARIABLES = "X" "V"\nZONE I=%d\n' % len(texts))
        f.writelines("%d %s\n" % (i, t) for i, t in enumerate(texts))
    run = convert_vtu(zonvert, tecplot, os.path.join(folder, "numbers.vtk"))
    if run.returncode != 0:
        return ["numbers vtu: zonvert ended with %d: %s" % (run.returncode, run.stdout)]
    c_form = {"0.1234567-100": "0.1234567E-100", "2.5D-3": "2.5E-3"}
    rows = [{"X": str(i), "V": c_form.get(t, t)} for i, t in enumerate(texts)]
    return check_vtu("numbers", os.path.join(folder, "numbers0.vtu"), None, ["X", "V"], rows)


def check_float_range(zonvert, folder):
    """Values a 32-bit float cannot hold (the sentinel -1.5E+300 among them,
    in the Fortran form too) in points, velocity, node and cell data: VTK's
    legacy reader reads every array whole, those values as the doubles
    strtod reads, every other array still as 32-bit floats, and what follows
    them unharmed."""
    names = ["X", "Y", "Z", "VX", "VY", "VZ", "Big", "Small", "Plain"]
    written = [["0", "0", "0", "1", "2", "3", "-1.5E+300", "1e-50", "1"],
               ["1", "0", "0", "1", "2", "3.5e38", "2.5", "-7e-46", "2"],
               ["0", "1", "0", "1", "2", "3", "-1.5+300", "3.4028235e38", "3"],
               ["1", "1e39", "0", "1", "2", "3", "4", "5", "6"]]
    c_form = {"-1.5+300": "-1.5E+300"}
    tecplot = os.path.join(folder, "range.dat")
    with open(tecplot, "w") as f:
        f.write("VARIABLES = %s\nZONE N=4, E=2, F=FEPOINT, ET=TRIANGLE\n" % " ".join('"%s"' % n for n in names))
        f.writelines(" ".join(row) + "\n" for row in written)
        f.write("1 2 3\n2 4 3\n")
        f.write("ZONE N=4, E=2, ET=TRIANGLE, DATAPACKING=BLOCK, VARLOCATION=([9]=CELLCENTERED)\n")
        f.write(block([[row[k] for row in written] for k in range(8)]) + "-2.5E+300 7\n1 2 3\n2 4 3\n")
    run = subprocess.run([zonvert, tecplot, os.path.join(folder, "range.vtk")], capture_output=True, text=True)
    if run.returncode != 0 or "WARNING" in run.stdout:
        return ["range: zonvert ended with %d: %s" % (run.returncode, run.stdout)]
    texts = {n: [c_form.get(row[k], row[k]) for row in written] for k, n in enumerate(names)}
    doubles = {"Y", "VZ", "Big"}
    errors = []
    for zone, cell_values in ((0, None), (1, ["-2.5E+300", "7"])):
        grid = read_legacy(os.path.join(folder, "range%d.vtk" % zone), names)[1]
        point_data, cell_data = grid.GetPointData(), grid.GetCellData()

        def exact(array, expected, double):
            if array is None or array.GetNumberOfTuples() * array.GetNumberOfComponents() != len(expected):
                return False
            wanted = [float(t) if double else as_float32(t) for t in expected]
            return [array.GetValue(i) for i in range(len(expected))] == wanted and \
                array.GetDataTypeAsString() == ("double" if double else "float")

        found = {"Points": exact(grid.GetPoints().GetData(), [t for i in range(4) for t in
                                                               (texts["X"][i], texts["Y"][i], texts["Z"][i])], True),
                 "velocity": exact(point_data.GetArray("velocity"), [t for i in range(4) for t in
                                                                     (texts["VX"][i], texts["VY"][i], texts["VZ"][i])],
                                   True)}
        for n in names[3:] if zone == 0 else names[3:8]:
            found[n] = exact(point_data.GetArray(n), texts[n], n in doubles)
        if cell_values:
            found["cell Plain"] = exact(cell_data.GetArray("Plain"), cell_values, True)
        errors += ["range zone %d: %s not read whole as written" % (zone, n) for n, ok in found.items() if not ok]
    return errors


def check_names(zonvert, folder):
    """Names as VTK's readers read them back: in XML the empty name (with
    which VTK reads no points) as V and its number, U+FFFE as U+FFFD; bytes
    that are no UTF-8 as Windows-1252 characters, in legacy files too."""
    tecplot = os.path.join(folder, "names.dat")
    with open(tecplot, "wb") as f:
        f.write(b'VARIABLES = "X", "", "a\xef\xbf\xbeb", "\x80\x96\xe9\x81", "V2"\nZONE I=2\n1 2 3 4 5\n4 5 6 7 8\n')
    runs = [subprocess.run([zonvert, tecplot, os.path.join(folder, "names.vtk")], capture_output=True),
            convert_vtu(zonvert, tecplot, os.path.join(folder, "names.vtk"))]
    if any(run.returncode != 0 for run in runs):
        return ["names: zonvert ended with %s" % [run.returncode for run in runs]]
    expected = {
        "names0.vtk": ["", "a\ufffeb", "\u20ac\u2013\u00e9\ufffd", "V2"],
        "names0.vtu": ["V2 (unnamed)", "a\ufffdb", "\u20ac\u2013\u00e9\ufffd", "V2"],
    }
    errors = []
    for file, names in expected.items():
        grid = read_vtu(os.path.join(folder, file)) if file.endswith(".vtu") else read_legacy(
            os.path.join(folder, file), [])[1]
        data = grid.GetPointData()
        got = [data.GetArrayName(k) for k in range(data.GetNumberOfArrays())]
        values = [[data.GetArray(k).GetValue(i) for i in range(grid.GetNumberOfPoints())] for k in range(len(got))]
        if got != names or values != [[2, 5], [3, 6], [4, 7], [5, 8]]:
            errors.append("names: %s holds %s with %s, expected %s" % (file, got, values, names))
    return errors


def check_threads_agree(zonvert, folder):
    """A file of several zones as XML on one and on four threads: the same bytes."""
    tecplot = os.path.join(folder, "hex.dat")
    with open(tecplot) as f:
        text = f.read()
    zone_start = text.index("ZONE")
    with open(tecplot, "a") as f:
        f.write(text[zone_start:] * 5)
    outputs = []
    for threads in (1, 4):
        sub = os.path.join(folder, "threads%d" % threads)
        os.mkdir(sub)
        run = convert_vtu(zonvert, tecplot, os.path.join(sub, "hex.vtk"), threads)
        files = {n: open(os.path.join(sub, n), "rb").read() for n in sorted(os.listdir(sub))}
        outputs.append((run.returncode, run.stdout, files))
    if outputs[0] != outputs[1] or len(outputs[0][2]) != 7:
        return ["threads: runs on one and four threads differ, or not 6 zones and a series"]
    return []


def check_repeated_cells(zonvert, folder):
    """Zones listing the cells of the zone before them, or nearly: the same
    cells, one cell's corners turned (in the second 32 KiB block of the
    connectivity), half the cells, all again; with each compression. VTK
    reads each zone's own cells, points and values, and one thread and three
    write the same bytes."""
    nx, ny, nz = 13, 12, 10
    nodes, cells = grid_nodes(nx, ny, nz), hex_elements(nx, ny, nz)
    turned = cells[:-1] + [[cells[-1][k] for k in (1, 2, 3, 0, 5, 6, 7, 4)]]
    zones = [cells, cells, turned, cells[:len(cells) // 2], cells]
    tecplot = os.path.join(folder, "repeated.dat")
    with open(tecplot, "w") as f:
        f.write('VARIABLES = "X" "Y" "Z" "T"\n')
        for z, elements in enumerate(zones):
            f.write("ZONE N=%d, E=%d, F=FEPOINT, ET=BRICK\n" % (len(nodes), len(elements)))
            f.writelines("%s %s %s %d\n" % (x, y, w, z) for x, y, w in nodes)
            f.writelines(" ".join(map(str, e)) + "\n" for e in elements)
    errors = []
    # In blocks compressed with zlib, with LZ4, or stored as they are.
    for compression in ("zlib", "lz4", "none"):
        outputs = []
        for threads in (1, 3):
            sub = os.path.join(folder, "repeated%s%d" % (compression, threads))
            os.mkdir(sub)
            run = convert_vtu(zonvert, tecplot, os.path.join(sub, "r.vtk"), threads, ["--compress", compression])
            outputs.append((run.returncode, run.stdout,
                            {n: open(os.path.join(sub, n), "rb").read() for n in sorted(os.listdir(sub))}))
        if outputs[0] != outputs[1] or len(outputs[0][2]) != len(zones) + 1:
            errors.append("repeated cells %s: runs on one and three threads differ, or not %d zones" %
                          (compression, len(zones)))
        for z, elements in enumerate(zones):
            expected = [(VTK_HEXAHEDRON, [n - 1 for n in e]) for e in elements]
            grid = read_vtu(os.path.join(folder, "repeated%s1" % compression, "r%d.vtu" % z))
            if cells_of(grid) != expected or [grid.GetPoint(i) for i in range(grid.GetNumberOfPoints())] != nodes or \
                    [grid.GetPointData().GetArray("T").GetValue(i) for i in range(len(nodes))] != [z] * len(nodes):
                errors.append("repeated cells %s zone %d: VTK reads other cells or values than the zone has" %
                              (compression, z))
    return errors


def main():
    zonvert = sys.argv[1]
    errors = []
    with tempfile.TemporaryDirectory() as folder:
        for name, element_type, names, coords, elements, cell_type, positions, size in meshes():
            tecplot = os.path.join(folder, name + ".dat")
            rows = write_tecplot(tecplot, element_type, names, coords, elements, name == "species")
            run = subprocess.run([zonvert, tecplot, os.path.join(folder, name + ".vtk")],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                errors.append("%s: zonvert ended with %d: %s" % (name, run.returncode, run.stdout))
                continue
            found = check(name, os.path.join(folder, name + "0.vtk"), names, rows, elements, cell_type, positions, size)
            run = convert_vtu(zonvert, tecplot, os.path.join(folder, name + ".vtk"))
            if run.returncode != 0:
                found.append("%s vtu: zonvert ended with %d: %s" % (name, run.returncode, run.stdout))
            else:
                legacy = read_legacy(os.path.join(folder, name + "0.vtk"), names)[1]
                found += check_vtu(name, os.path.join(folder, name + "0.vtu"), legacy, names, rows)
                found += check_sizes(name + " vtu", read_vtu(os.path.join(folder, name + "0.vtu")),
                                     [size] * legacy.GetNumberOfCells())
                found += check_series(name, folder, name, [0])
            print("%-9s %3d nodes %3d cells: %s" % (name, len(rows), len(elements) or len(rows),
                                                   "ok" if not found else "%d errors" % len(found)))
            errors += found
        errors += check_forms(zonvert, folder)
        errors += check_vtu_forms(zonvert, folder)
        errors += check_picking(zonvert, folder)
        errors += check_compressions(zonvert, folder)
        errors += check_vtu_numbers(zonvert, folder)
        errors += check_names(zonvert, folder)
        errors += check_float_range(zonvert, folder)
        errors += check_threads_agree(zonvert, folder)
        errors += check_repeated_cells(zonvert, folder)
    for e in errors[:50]:
        print(e)
    failed = len({e.split(":")[0].split(" zone")[0] for e in errors})
    print("%d passed, %d failed" % (len(meshes()) + len(forms()) + 6 - failed, failed))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
