#!/usr/bin/env python3
"""Checks runs of zonvert that ended with status 0 (each a folder under the
one given: in.dat, "start" holding the starting zone, and the files out<k>.vtk
or out<k>.vtu it left): every zone from the starting zone on that holds nodes
has its file, with the node and cell counts its header announces, as VTK's own
readers count them. The zones of in.dat are found by simple rules of this
script's own: a zone starts at a ZONE keyword, a line of zone keys, or data
that no ZONE record introduces; its cells are its elements, else those of its
I x J x K nodes, else one vertex per node; without I, J or K it announces no
count.
"""
import math
import os
import re
import sys

import vtk

ITEM = re.compile(r'"[^"]*"?|[=()]|[^\s,=()"]+')
NUMBER = re.compile(r"[-+.0-9].*|[-+]?(nan|inf|infinity)(\(.*\))?$", re.I)
RECORDS = {"TITLE", "FILETYPE", "VARIABLES", "ZONE", "TEXT", "GEOMETRY", "DATASETAUXDATA", "CUSTOMLABELS"}
ZONE_KEYS = {"T", "I", "J", "K", "N", "E", "NODES", "ELEMENTS", "ET", "F", "ZONETYPE", "DATAPACKING", "SOLUTIONTIME"}


def counts(keys):
    """(nodes, cells) a zone's keys announce; None for an ordered zone without sizes."""
    number = lambda key: int(keys[key]) if re.fullmatch(r"[-+]?[0-9]{1,9}", keys.get(key, "")) else None
    first = lambda *names: next((number(n) for n in names if number(n) is not None), 0)
    zone_type = keys.get("ZONETYPE", "ORDERED")
    if any(number(k) is not None for k in ("N", "NODES", "E", "ELEMENTS")) or zone_type != "ORDERED" or \
            "ET" in keys or keys.get("F", "").startswith("FE"):
        nodes, cells = first("N", "NODES", "I"), first("E", "ELEMENTS", "J")
    elif all(number(k) is None for k in "IJK"):
        return None
    else:
        sizes = [number(k) if number(k) is not None else 1 for k in "IJK"]
        axes = [s for s in sizes if s > 1]
        nodes, cells = math.prod(sizes), math.prod(s - 1 for s in axes) if len(axes) > 1 else 0
    return nodes, cells if cells > 0 else nodes


def announced_zones(text):
    zones, keys, state, variables = [], {}, "outside", False
    for line in text.splitlines():
        items = ITEM.findall(line)
        if not items or items[0].startswith("#"):
            continue
        first, start = items[0].upper(), 0
        if first in RECORDS:
            if state in ("header", "data"):
                zones.append(counts(keys))
            keys, variables = {}, variables or first == "VARIABLES"
            state = "skipping" if first in ("TEXT", "GEOMETRY", "CUSTOMLABELS") else "outside"
            if "ZONE" not in (item.upper() for item in items):
                continue
            state, start = "header", [item.upper() for item in items].index("ZONE") + 1
        elif state in ("skipping", "data"):
            continue
        elif state == "outside":
            key_line = len(items) > 1 and items[1] == "=" and first in ZONE_KEYS
            if not key_line and not (variables and NUMBER.match(items[0])):
                continue
            state = "header"
        k = start
        while state == "header" and k < len(items):
            is_key = k + 1 < len(items) and items[k + 1] == "="
            if not is_key and NUMBER.match(items[k]):
                state = "data"
            elif is_key and k + 2 < len(items):
                keys[items[k].upper()] = items[k + 2].upper()
                k += 2
            k += 1
    if state in ("header", "data"):
        zones.append(counts(keys))
    return zones


def main():
    vtk.vtkLogger.SetStderrVerbosity(vtk.vtkLogger.VERBOSITY_OFF)
    failures, files = [], 0
    for run in sorted(os.listdir(sys.argv[1])):
        folder = os.path.join(sys.argv[1], run)
        with open(os.path.join(folder, "in.dat"), "rb") as f:
            zones = announced_zones(f.read().decode("latin-1"))
        start = int(open(os.path.join(folder, "start")).read())
        extension = ".vtu" if any(name.endswith(".vtu") for name in os.listdir(folder)) else ".vtk"
        for number, zone in enumerate(zones):
            path = os.path.join(folder, "out%d%s" % (number, extension))
            if number < start or (zone is not None and zone[0] == 0):
                continue
            if not os.path.exists(path):
                failures.append("%s: zone %d has no file" % (run, number))
                continue
            reader = vtk.vtkXMLUnstructuredGridReader() if extension == ".vtu" else vtk.vtkUnstructuredGridReader()
            reader.SetFileName(path)
            reader.Update()
            found = (reader.GetOutput().GetNumberOfPoints(), reader.GetOutput().GetNumberOfCells())
            files += 1
            if found[0] == 0 or (zone is not None and found != zone):
                failures.append("%s: zone %d holds %s points and cells, announced %s" % (run, number, found, zone))
    print("\n".join(failures[:40]) or "%d zone files as announced" % files)
    return 1 if failures or files < 100 else 0


if __name__ == "__main__":
    sys.exit(main())
