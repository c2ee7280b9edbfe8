#!/usr/bin/env python3
"""Checks that the includes of each deliverable follow its layers.

Each deliverable folder holds a file `layers.txt` that names its folders and,
for each, the folders its files may include besides their own:

    # folder: the folders below it that it may use
    zone:
    read: zone
    run: read zone

The deliverable's own top folder is named `.`. Every source file must sit in
a folder the table names, and every quoted include must resolve to a file of
the deliverable in the file's own folder or in one it may use. The table may hold no cycle
(a folder that, through others, may use itself), and no file may reach
itself through its includes, a source and its header counted as one
(SparseLu.cpp including PlanCode.h while PlanCode.h includes SparseLu.h is a
cycle). An include is
resolved against the deliverable's top folder first (`"zone/ZoneRecord.h"`),
then against the including file's folder. Includes in angle brackets (system
and third-party headers) are not looked at.

Usage: check_layers.py [repository root]   (default: the script's parent)
Exit status 0 when every include follows the layers, 1 otherwise.
"""
import pathlib
import re
import sys

SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def read_table(path):
    allowed = {}
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        folder, colon, uses = line.partition(":")
        if not colon:
            sys.exit(f"{path}:{number}: expected 'folder: folders it may use'")
        allowed[folder.strip()] = set(uses.split())
    for folder, uses in allowed.items():
        unknown = uses - allowed.keys()
        if unknown:
            sys.exit(f"{path}: {folder} uses folders the table does not name: {sorted(unknown)}")
    def reaches(start, goal, seen):
        for used in allowed[start]:
            if used == goal or (used not in seen and (seen.add(used) or reaches(used, goal, seen))):
                return True
        return False
    for folder in allowed:
        if reaches(folder, folder, set()):
            sys.exit(f"{path}: folder '{folder}' may use itself through the folders it uses")
    return allowed


def include_cycles(edges):
    """The modules (a header and its source) that reach themselves through their includes."""
    faults, state = [], {}
    def visit(node, trail):
        state[node] = "open"
        for target in edges.get(node, ()):
            if state.get(target) == "open":
                cycle = trail[trail.index(target):] + [target]
                faults.append("include cycle: " + " -> ".join(str(p) for p in cycle))
            elif target not in state:
                visit(target, trail + [target])
        state[node] = "done"
    for node in sorted(edges):
        if node not in state:
            visit(node, [node])
    return faults


def folder_of(path, top):
    parent = path.parent.relative_to(top)
    return "." if str(parent) == "." else parent.as_posix()


def check_deliverable(top):
    allowed = read_table(top / "layers.txt")
    faults, edges = [], {}
    for path in sorted(top.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        own = folder_of(path, top)
        if own not in allowed:
            faults.append(f"{path}: folder '{own}' is not in {top / 'layers.txt'}")
            continue
        for name in INCLUDE.findall(path.read_text(errors="replace")):
            target = top / name
            if not target.is_file():
                target = path.parent / name
            if not target.is_file():
                continue  # not a file of this deliverable (a generated or outside header)
            target = target.resolve()
            module, target_module = path.resolve().with_suffix(""), target.with_suffix("")
            if module != target_module:
                edges.setdefault(module, []).append(target_module)
            try:
                target_folder = folder_of(target, top.resolve())
            except ValueError:
                continue  # outside the deliverable
            if target_folder != own and target_folder not in allowed[own]:
                faults.append(f"{path}: includes \"{name}\" from '{target_folder}', "
                              f"which '{own}' may not use")
    return faults + include_cycles(edges)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    tables = sorted(root.glob("*/layers.txt"))
    if not tables:
        sys.exit(f"no */layers.txt under {root}")
    faults = []
    for table in tables:
        faults += check_deliverable(table.parent)
    for fault in faults:
        print(fault.replace(f"{root.resolve()}/", ""))
    print(f"{len(faults)} include(s) against the layers in {', '.join(t.parent.name for t in tables)}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
