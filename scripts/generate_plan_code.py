#!/usr/bin/env python3
"""Writes reactionlib/network/JacobianPlanCode.cpp: for each pivot record of
reactionlib/network/recorded_pivots.txt, the sparse factorisation of the
network's Jacobian along that record and the forward and back substitutions
with its factors, with every row, column and count a constant; and for the
Jacobian's pattern, the residual of an improvement pass row by row.

The code does what SparseLu.cpp does along a plan, so that its results are
the same bits. The factorisation: the same pivot checks (scaled candidates;
a candidate that stands before the pivot row in the dense routine's row
order may equal it), one reciprocal per pivot and then one multiplication
per multiplier, one product per place that can be non-zero, in each
element's order, the same watch over values that are not finite, and the
first step whose pivot row differs returned with the steps before it done,
for the sparse routine to go on from. The substitutions: the same leading
zeros of the right-hand side skipped, one statement per product that can be
non-zero, each sum's products in the same order, the same values of the
sums that end at -0. Which rows each step eliminates and which columns each
pivot row holds are worked out here from the Jacobian's pattern, as the
sparse factorisation works them out when it chooses the pivots itself.

The row operations stay loops over runs of consecutive columns: written
out as one statement per product (1 700 of them), right-looking or entry by
entry, the factorisation measured no faster than the sparse routine, its
code too large for the instruction caches, and the rest of the iteration
slowed.

The pattern comes from the network description through the Jacobian's
generator (scripts/generate_jacobian.py), so both files follow the network.

    python3 scripts/generate_plan_code.py          # rewrite the file
    python3 scripts/generate_plan_code.py --check  # fail if it is out of date
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import generate_jacobian  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
RECORDS = ROOT / "reactionlib" / "network" / "recorded_pivots.txt"
OUTPUT = ROOT / "reactionlib" / "network" / "JacobianPlanCode.cpp"

N = generate_jacobian.NCOMP


def pattern_places():
    """The Jacobian's structural places as (row, column), counted from 0."""
    _, _, _, entries, _ = generate_jacobian.build(*generate_jacobian.read_network())
    return {(i - 1, j - 1) for (i, j) in entries}


def read_records():
    records = []
    for line in RECORDS.read_text().splitlines():
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        record = [int(v) for v in line.split()]
        if len(record) != N or any(not (k + 1 <= p <= N) for k, p in enumerate(record)):
            sys.exit(f"{RECORDS}: not a pivot record of order {N}: {line}")
        records.append(record)
    return records


class Step:
    def __init__(self, k, pivot, lower, stands_before, upper):
        self.k = k
        self.pivot = pivot  # pivot row (original numbering)
        self.lower = lower  # rows that get a multiplier, ascending
        # Of those, the rows before the pivot row in the dense routine's row
        # order, which may equal it as candidates.
        self.stands_before = stands_before
        self.upper = upper  # columns right of k the pivot row can hold


def plan_of(places, record):
    """The steps of the elimination along a pivot record, with the places the
    factors fill as they grow step by step."""
    row_columns = [{c for (r, c) in places if r == i} for i in range(N)]
    column_rows = [{r for (r, c) in places if c == j} for j in range(N)]
    position = list(range(N))  # the dense routine's row order
    row_at = list(range(N))
    unpivoted = set(range(N))
    steps = []
    for k in range(N):
        pivot = row_at[record[k] - 1]
        candidates = column_rows[k] & unpivoted
        if pivot not in candidates:
            sys.exit(f"{RECORDS}: step {k + 1} pivots on row {pivot + 1}, which holds no value there")
        pivot_position = position[pivot]
        lower = sorted(candidates - {pivot})
        stands_before = {r for r in lower if position[r] < pivot_position}
        upper = sorted(c for c in row_columns[pivot] if c > k)
        displaced = row_at[k]
        row_at[pivot_position] = displaced
        position[displaced] = pivot_position
        row_at[k] = pivot
        position[pivot] = k
        unpivoted.discard(pivot)
        for r in lower:
            row_columns[r] |= set(upper)
        for c in upper:
            column_rows[c] |= set(lower)
        steps.append(Step(k, pivot, lower, stands_before, upper))
    return steps


def mask(indices):
    value = 0
    for i in indices:
        value |= 1 << i
    return f"0x{value:016x}u"


def at(r, c):
    return f"f[{N * r + c}]"


def runs(columns):
    """The columns as spans first..last of consecutive columns."""
    spans = []
    for c in columns:
        if spans and c == spans[-1][1] + 1:
            spans[-1][1] = c
        else:
            spans.append([c, c])
    return spans


def factor_function(name, steps):
    """factorFollowingPlan on one plan: per step the pivot check, the
    multipliers and the row operations, with every row, column and span a
    constant. The row operations run over the runs of consecutive columns
    the pivot row can hold, not over one span from its first to its last:
    the columns between hold +0 in the pivot row, and their zero products
    cannot change an element there, which is never -0 (see SparseLu.h)."""
    out = [
        "// The factorisation along the plan from step `from` on; see",
        "// PlanCode::factor.",
        f"int {name}(double *f, const double *scale, int from) {{",
        "  double guard = 0.0;",
        "  switch (from) {",
    ]
    w = out.append
    for s in steps:
        k, p = s.k, s.pivot
        w(f"  case {k}: {{")
        w(f"    const double best = scale[{p}] * std::fabs({at(p, k)});")
        checks = ["best > 0.0"]
        for r in s.lower:
            rule = "<=" if r in s.stands_before else "<"
            checks.append(f"scale[{r}] * std::fabs({at(r, k)}) {rule} best")
        w("    if (!(" + ("\n          && ".join(checks)) + ")) {")
        w(f"      return std::isfinite(guard) ? {k} : -1;")
        w("    }")
        reciprocal = f"1.0 / {at(p, k)}" if k + 1 < N else "1.0"
        w(f"    const double reciprocal = {reciprocal};")
        w(f"    guard += {at(p, k)} * 0.0;")
        w("    guard += reciprocal * 0.0;")
        for r in s.lower:
            w(f"    const double m{r} = {at(r, k)} * reciprocal;")
            w(f"    {at(r, k)} = m{r};")
            w(f"    guard += m{r} * 0.0;")
        for first, last in runs(s.upper):
            pairs = s.lower
            for a, b in zip(pairs[0::2], pairs[1::2]):
                w(f"    subtractFromTwoRows(f + {N * a}, m{a}, f + {N * b}, m{b}, f + {N * p}, {first}, {last});")
            if len(pairs) % 2:
                r = pairs[-1]
                w(f"    subtractFromRow(f + {N * r}, m{r}, f + {N * p}, {first}, {last});")
        w("  }")
        w("    [[fallthrough]];")
    w("  default:")
    w("    break;")
    w("  }")
    w(f"  return std::isfinite(guard) ? {N} : -1;")
    w("}")
    return out


def solve_function(name, steps):
    """The elements being summed live in locals, so that each sum's chain of
    subtractions runs in registers; y and x receive every final element
    too, for the rare sums that end at -0, whose dense value depends on the
    signs of elements before them."""
    pivots = ", ".join(str(s.pivot) for s in steps)
    out = [
        "// Forward and back substitution with the plan's factors; see",
        "// PlanCode::solve.",
        f"bool {name}(const double *f, const double *b, double *x, double *y, const FactorPlan &plan) {{",
        f"  constexpr int pivotRows[{N}] = {{{pivots}}};",
        "  // No products for the rows before the first non-zero element in pivot",
        "  // order (a NaN counts as non-zero).",
        "  int first = 0;",
        f"  while (first < {N} && !(b[pivotRows[first]] != 0.0)) {{",
        "    ++first;",
        "  }",
    ]
    w = out.append
    for i in range(N):
        w(f"  double y{i} = b[{i}];")
    w("  double guard = 0.0;")
    w("  switch (first) {")
    for s in steps:
        k, p = s.k, s.pivot
        w(f"  case {k}:")
        w(f"    if (isNegativeZero(y{p})) {{")
        w(f"      y{p} = denseForwardZero(f, {N}, first, {k}, y, plan);")
        w("    }")
        w(f"    y[{p}] = y{p};")
        w(f"    guard += y{p} * 0.0;")
        for r in s.lower:
            w(f"    y{r} -= {at(r, k)} * y{p};")
        w("    [[fallthrough]];")
    w("  default:")
    w("    break;")
    w("  }")
    w("  // Back substitution, each sum in increasing column order.")
    for s in reversed(steps):
        k, p = s.k, s.pivot
        w(f"  double x{k} = y{p};")
        for c in s.upper:
            w(f"  x{k} -= {at(p, c)} * x{c};")
        w(f"  if (isNegativeZero(x{k})) {{")
        later = range(k + 1, N)
        w(f"    x{k} = denseDifferenceZero({mask(later)}, {mask(s.upper)}, x);")
        w("  }")
        w(f"  x{k} /= {at(p, k)};")
        w(f"  x[{k}] = x{k};")
        w(f"  guard += x{k} * 0.0;")
    w("  return std::isfinite(guard);")
    w("}")
    return out


def residual_function(places):
    """A x - b of an improvement pass, row by row: each element from -b in
    increasing column order, as sparseLuImprove accumulates it."""
    order = sorted(places, key=lambda place: (place[1], place[0]))
    index = {place: e for e, place in enumerate(order)}
    out = [
        "// The residual A x - b of sparseLuImprove, A given by its values at the",
        "// places of the pattern; see PlanCodeTable::residual.",
        "void improvementResidual(const double *v, const double *b, const double *x, double *r) {",
    ]
    w = out.append
    for i in range(N):
        w("  {")
        w(f"    double sum = -b[{i}];")
        for j in sorted(c for (r, c) in places if r == i):
            w(f"    sum += v[{index[(i, j)]}] * x[{j}];")
        w(f"    r[{i}] = sum;")
        w("  }")
    w("}")
    return out


def render(places, records):
    out = []
    w = out.append
    w("// GENERATED by scripts/generate_plan_code.py from")
    w("// network/recorded_pivots.txt and the Jacobian's pattern")
    w("// (scripts/generate_jacobian.py). Do not edit by hand: change the generator")
    w("// or the records and run")
    w("//   python3 scripts/generate_plan_code.py")
    w("// A test fails when this file and its generator drift apart.")
    w("//")
    w("// For each recorded pivot sequence of the network's Jacobian, the sparse")
    w("// factorisation along it and the substitutions with its factors: the")
    w("// operations of SparseLu.cpp's plan replay and substitutions, with every")
    w("// row, column and count a constant instead of an entry of a list.")
    w(f"// Factors are stored row by row in original row numbering: row r of column")
    w(f"// j at f[{N} * r + j].")
    w('#include "network/JacobianPlanCode.h"')
    w("")
    w('#include "linalg/DenseZeroSums.h"')
    w('#include "linalg/RowElimination.h"')
    w("")
    w("#include <cmath>")
    w("")
    w("namespace vrex {")
    w("")
    w("namespace {")
    w("")
    w("// The Jacobian's pattern the plans are made for: its columns in each row.")
    w(f"constexpr std::uint64_t patternRowColumns[{N}] = {{")
    for i in range(N):
        w(f"    {mask(c for (r, c) in places if r == i)}, // row {i}")
    w("};")
    w("")
    out.extend(residual_function(places))
    w("")
    names = []
    for index, record in enumerate(records):
        steps = plan_of(places, record)
        w(f"// Plan {index}: pivot record " + " ".join(str(v) for v in record))
        out.extend(factor_function(f"factorPlan{index}", steps))
        w("")
        out.extend(solve_function(f"solvePlan{index}", steps))
        w("")
        names.append((index, steps))
    w(f"constexpr PlanCode plans[] = {{")
    for index, steps in names:
        rows = ", ".join(str(s.pivot) for s in steps)
        w(f"    {{{{{rows}}},")
        w(f"     factorPlan{index}, solvePlan{index}}},")
    w("};")
    w("")
    w("} // namespace")
    w("")
    w(f"const PlanCodeTable jacobianPlanCode{{{N}, patternRowColumns, improvementResidual,")
    w(f"                                       {len(records)}, plans}};")
    w("")
    w("} // namespace vrex")
    return "\n".join(out) + "\n"


def main():
    text = render(pattern_places(), read_records())
    generate_jacobian.write_or_check(OUTPUT, text, "generate_plan_code.py")


if __name__ == "__main__":
    main()
