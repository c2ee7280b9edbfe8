#!/usr/bin/env python3
"""Writes reactionlib/network/recorded_pivots.txt, the pivot sequences of the
network's Jacobian that scripts/generate_plan_code.py turns into code, from a
census of the sequences the Newton iteration meets.

The census is the program pivot_census (tests/reactionlib/support/
PivotCensus.cpp, built with the tests): it runs the 120 realistic calls of
the differential test and the call of solver_bench that cycles to the
iteration limit, and counts the pivotIndex of luDecompose at every
iteration. Recorded are the REALISTIC_SEQUENCES commonest sequences of the
realistic calls, then the commonest of the cycling call (nearly all of its
iterations meet it, and it is common on realistic calls too).

After a change to the network, run

    cmake --build build/dev --target pivot_census
    python3 scripts/record_pivots.py build/dev/tests/reactionlib/support/pivot_census
    python3 scripts/generate_plan_code.py

and   python3 scripts/record_pivots.py --check <pivot_census>   fails if the
file is not what the census gives today.
"""

import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import generate_jacobian  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
OUTPUT = ROOT / "reactionlib" / "network" / "recorded_pivots.txt"

REALISTIC_SEQUENCES = 2


def read_census(program):
    """Per group: (calls, factorisations, [(count, sequence), ...]) with the
    commonest sequence first."""
    text = subprocess.run([program], check=True, capture_output=True, text=True).stdout
    groups = {}
    for line in text.splitlines():
        fields = line.split()
        if fields[0] == "calls":
            groups[fields[1]] = (int(fields[2]), int(fields[3]), [])
        else:
            groups[fields[0]][2].append((int(fields[1]), [int(v) for v in fields[2:]]))
    return groups


def share(count, total):
    return f"{100.0 * count / total:.2f} %"


def thousands(value):
    return f"{value:,}".replace(",", " ")


def render(groups):
    calls, total, realistic = groups["realistic"]
    _, cycleTotal, cycling = groups["cycling"]
    chosen = [sequence for _, sequence in realistic[:REALISTIC_SEQUENCES]]
    if cycling[0][1] not in chosen:
        chosen.append(cycling[0][1])
    realisticCount = {tuple(sequence): count for count, sequence in realistic}
    cyclingCount = {tuple(sequence): count for count, sequence in cycling}

    out = [
        "# Pivot records of the network's Jacobian that realistic Newton iterations",
        "# meet most, one per line: the pivotIndex of luDecompose (entry j is the row,",
        "# counted from 1 in the routine's current row order, exchanged with row j at",
        "# step j). scripts/generate_plan_code.py turns each into the factorisation",
        "# along it and the substitutions with its factors (JacobianPlanCode.cpp).",
        "#",
        "# WRITTEN by scripts/record_pivots.py from the census of the pivot sequences",
        f"# at every Newton iteration of the {calls} realistic calls of the differential",
        f"# test ({thousands(total)} factorisations, {len(realistic)} distinct sequences) and of the call",
        f"# that cycles to the iteration limit ({thousands(cycleTotal)} factorisations): the",
        f"# {REALISTIC_SEQUENCES} commonest sequences of the realistic calls, then the commonest of the",
        "# cycling call. Their shares of the realistic calls' factorisations and of",
        "# the cycling call's:",
    ]
    for number, sequence in enumerate(chosen, 1):
        key = tuple(sequence)
        out.append(f"#   {number}: {share(realisticCount.get(key, 0), total)}, "
                   f"{share(cyclingCount.get(key, 0), cycleTotal)}")
    for sequence in chosen:
        out.append(" ".join(str(v) for v in sequence))
    return "\n".join(out) + "\n"


def main():
    programs = [a for a in sys.argv[1:] if a != "--check"]
    if len(programs) != 1:
        sys.exit("usage: record_pivots.py [--check] <pivot_census program>")
    generate_jacobian.write_or_check(OUTPUT, render(read_census(programs[0])), "record_pivots.py")


if __name__ == "__main__":
    main()
