#!/usr/bin/env python3
"""Writes reactionlib/network/Jacobian.cpp, the analytic Jacobian of the
residual, from the network description: the places the network couples (the
sparsity pattern) and one straight-line formula for the value at each.

The balance weights, kinetic coefficients, equilibria and flushed species are
read from reactionlib/network/NetworkConstants.h, the one place that holds the
network's constants. The rate laws are described below as products of
factors, each with its closed-form derivative; the product rule does the rest.
Every entry of the output refers to the tables by name (storageWeight,
kineticCoefficient), so the Jacobian uses exactly the constants the residual
uses.

    python3 scripts/generate_jacobian.py          # rewrite Jacobian.cpp
    python3 scripts/generate_jacobian.py --check  # fail if it is out of date
"""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CONSTANTS = ROOT / "reactionlib" / "network" / "NetworkConstants.h"
OUTPUT = ROOT / "reactionlib" / "network" / "Jacobian.cpp"

NCOMP = 39


# --- Reading the tables ------------------------------------------------------

def table_rows(text, name, fields):
    """The brace-enclosed entries of the constexpr array `name`."""
    match = re.search(name + r"\[\] = \{(.*?)\n\};", text, re.S)
    if not match:
        sys.exit(f"table {name} not found in {CONSTANTS}")
    pattern = r"\{" + r",\s*".join([r"([^,{}]+)"] * fields) + r"\}"
    return [tuple(v.strip() for v in m) for m in re.findall(pattern, match.group(1))]


def read_network():
    text = CONSTANTS.read_text()
    weights = {}
    for row, species, _ in table_rows(text, "balanceWeights", 3):
        weights.setdefault(int(row), []).append(int(species))
    coefficients = {}
    for row, entry, _ in table_rows(text, "kineticCoefficients", 3):
        coefficients.setdefault(int(row), []).append(int(entry))
    flushed = {int(fields[0]) for fields in table_rows(text, "flushingLaws", 4)}
    equilibria = [tuple(int(v) for v in fields) for fields in table_rows(text, "equilibria", 6)]
    return weights, coefficients, flushed, equilibria


# --- Factors of the rate laws -----------------------------------------------
#
# A factor has a value (a C++ expression, usually a named local) and partial
# derivatives by species. A derivative of None stands for 1. Each factor also
# lists the local definitions its expressions need.

class Factor:
    def __init__(self, value, partials, locals_=()):
        self.value = value
        self.partials = partials
        self.locals = list(locals_)


def species(i):
    return Factor(f"x{i}", {i: None})


def difference(a, b, scale=None):
    first = f"{scale} * x{a}" if scale else f"x{a}"
    return Factor(f"({first} - x{b})", {a: scale, b: "-1"})


def monod(k, i):
    """Saturation x/(K + x); derivative K/(K + x)^2."""
    name = f"sat{i}_{k}"
    return Factor(name, {i: "d" + name}, [
        (name, f"x{i} / ({k} + x{i})"),
        ("d" + name, f"{k} / (({k} + x{i}) * ({k} + x{i}))"),
    ])


def inhibition(k, i):
    """Inhibition K/(K + x); derivative -K/(K + x)^2."""
    name = f"inh{i}_{k}"
    return Factor(name, {i: "d" + name}, [
        (name, f"{k} / ({k} + x{i})"),
        ("d" + name, f"-{k} / (({k} + x{i}) * ({k} + x{i}))"),
    ])


def crowding():
    """B = p62/(p62 + x31 + x33 + x35 + x34 + x36); dB/dx = -p62/(...)^2."""
    return Factor("crowd", {i: "dCrowd" for i in (31, 33, 34, 35, 36)}, [
        ("crowdSum", "p62 + x31 + x33 + x35 + x34 + x36"),
        ("crowd", "p62 / crowdSum"),
        ("dCrowd", "-p62 / (crowdSum * crowdSum)"),
    ])


def threshold_decay(i):
    """x (1 - K/x) is x - K: its derivative is exactly 1."""
    return Factor(None, {i: None})


def guard(k, i):
    """(1 - K/x); derivative K/x^2."""
    name = f"guard{i}"
    return Factor(name, {i: "d" + name}, [
        (name, f"1.0 - {k} / x{i}"),
        ("d" + name, f"{k} / (x{i} * x{i})"),
    ])


def power_three_halves(i):
    """x sqrt(x); derivative 1.5 sqrt(x)."""
    name = f"pow15_{i}"
    return Factor(name, {i: "d" + name}, [
        ("sqrt" + str(i), f"std::sqrt(x{i})"),
        (name, f"x{i} * sqrt{i}"),
        ("d" + name, f"1.5 * sqrt{i}"),
    ])


# Kinetic law k = constant * (product of factors) * (1 - m).
KINETIC_LAWS = {
    1: ("p1", [difference(1, 24)]),
    2: ("p3", [difference(2, 26)]),
    3: ("p4", [difference(3, 27)]),
    4: ("p7", [difference(4, 28)]),
    5: ("p5", [difference(37, 29, "p58")]),
    6: ("p6", [difference(23, 30, "p58")]),
    7: ("p2", [difference(17, 25)]),
    8: ("p8", [species(31), monod("p11", 24), monod("p12", 26), crowding()]),
    9: ("p9", [threshold_decay(31)]),
    10: ("p14", [species(31), monod("p17", 24), monod("p18", 27), inhibition("p60", 2), crowding()]),
    11: ("p15", [threshold_decay(32)]),
    12: ("p20", [species(33), monod("p23", 24), inhibition("p61", 2), crowding()]),
    13: ("p21", [threshold_decay(33)]),
    14: ("p25", [species(34), monod("p28", 25), monod("p29", 29), inhibition("p61", 2), crowding()]),
    15: ("p26", [threshold_decay(34)]),
    16: ("p31", [species(35), monod("p34", 25), monod("p35", 30), inhibition("p61", 2), crowding()]),
    17: ("p32", [threshold_decay(35)]),
    18: ("p37", [species(36), monod("p40", 25), monod("p41", 28), inhibition("p61", 2), crowding()]),
    19: ("p38", [threshold_decay(36)]),
    29: ("p52", [species(6), species(15)]),
    30: ("p53", [guard("p57", 21)]),
    31: ("p54", [species(6), species(11)]),
    32: ("p55", [guard("p57", 22)]),
    33: ("p56", [power_three_halves(14), guard("p57", 23)]),
}


def law_partial(constant, factors, j):
    """d(law)/d x_j by the product rule, as a C++ expression."""
    terms = []
    for f in factors:
        if j not in f.partials:
            continue
        pieces = [g.value for g in factors if g is not f]
        d = f.partials[j]
        negative = d == "-1"
        if d not in (None, "-1"):
            pieces.insert(0, d)
        terms.append((negative, " * ".join(pieces)))
    if len(terms) == 1:
        negative, body = terms[0]
        expr = f"live * {constant}" + (f" * {body}" if body else "")
        return f"-({expr})" if negative else expr
    assert all(not neg and body for neg, body in terms)
    return f"live * {constant} * (" + " + ".join(body for _, body in terms) + ")"


# --- Assembling the matrix ---------------------------------------------------

def build(weights, coefficients, flushed, equilibria):
    locals_ = {}        # name -> definition, in order of first use
    partial_names = {}  # (law, species) -> local name
    for k, (constant, factors) in KINETIC_LAWS.items():
        for f in factors:
            for name, definition in f.locals:
                locals_.setdefault(name, definition)
        for j in sorted({j for f in factors for j in f.partials}):
            partial_names[(k, j)] = (f"dr{k}_dx{j}", law_partial(constant, factors, j))

    entries = {}  # (row, column) -> expression
    comments = {}
    equilibrium_constants = []
    for index, (entry, row, first, second, third, pk) in enumerate(equilibria):
        comments[row] = f"mass action of equilibrium {entry}"
        entries[(row, first)] = f"x{second}"
        entries[(row, second)] = f"x{first}"
        if third:
            equilibrium_constants.append((f"K{entry}", f"constants.K[{index}]"))
            entries[(row, third)] = f"-K{entry}"

    for row in sorted(weights):
        comments[row] = "balance"
        columns = set(weights[row])
        for k in coefficients.get(row, []):
            columns |= {j for (law, j) in partial_names if law == k}
        for j in sorted(columns):
            terms = []
            if j in weights[row]:
                rate = "flushedStorageRate" if j in flushed else "invDt"
                terms.append(f"-storageWeight({row}, {j}) * {rate}")
            for k in coefficients.get(row, []):
                if (k, j) in partial_names:
                    terms.append(f"kineticCoefficient({row}, {k}) * {partial_names[(k, j)][0]}")
            entries[(row, j)] = " + ".join(terms).replace("+ -", "- ")
    return locals_, partial_names, equilibrium_constants, entries, comments


def used_identifiers(texts):
    return set(re.findall(r"\b[a-zA-Z_]\w*\b", " ".join(texts)))


def render(weights, coefficients, flushed, equilibria):
    locals_, partial_names, constants, entries, comments = build(
        weights, coefficients, flushed, equilibria)
    used_partials = {name for name, _ in partial_names.values()
                     if any(re.search(rf"\b{name}\b", e) for e in entries.values())}
    partial_lines = [(name, expr) for name, expr in partial_names.values() if name in used_partials]
    texts = [e for e in entries.values()] + [expr for _, expr in partial_lines] + \
        [d for _, d in constants]
    needed = used_identifiers(texts)
    # Locals may refer to each other (crowd uses crowdSum): close over them.
    changed = True
    while changed:
        changed = False
        for name, definition in locals_.items():
            if name in needed:
                extra = used_identifiers([definition]) - needed
                if extra:
                    needed |= extra
                    changed = True
    xs = sorted(int(n[1:]) for n in needed if re.fullmatch(r"x\d+", n))
    ps = sorted(int(n[1:]) for n in needed if re.fullmatch(r"p\d+", n))

    # The values column by column, each column from its top row down.
    places = sorted(entries, key=lambda place: (place[1], place[0]))
    column_starts = [0]
    for j in range(1, NCOMP + 1):
        column_starts.append(column_starts[-1] + sum(1 for (_, c) in places if c == j))

    out = []
    w = out.append
    w("// GENERATED by scripts/generate_jacobian.py from network/NetworkConstants.h.")
    w("// Do not edit by hand: change the generator or the tables and run")
    w("//   python3 scripts/generate_jacobian.py")
    w("// A test fails when this file and its generator drift apart.")
    w("//")
    w("// The analytic Jacobian of the residual, J(i, j) = d resid(i) / d conc(j),")
    w("// at the places the network couples: closed-form derivatives built from the")
    w("// same tables as the residual, in straight-line code. Every other entry of")
    w("// the 39 x 39 matrix is identically zero and is not written here.")
    w('#include "network/Network.h"')
    w("")
    w("#include <cmath>")
    w("#include <cstdint>")
    w("#include <iterator>")
    w("")
    w('#include "network/NetworkConstants.h"')
    w("")
    w("namespace vrex {")
    w("")
    w("namespace {")
    w("")
    w("// Row (from 0) of each value, column by column.")
    w("constexpr std::uint8_t valueRows[] = {")
    for j in range(1, NCOMP + 1):
        rows = [str(i - 1) for (i, c) in places if c == j]
        w(f"    {', '.join(rows)}, // column {j}")
    w("};")
    w("static_assert(std::size(valueRows) == njacobianValues);")
    w("")
    w("// First value of each column; the last entry is the number of values.")
    w("constexpr std::uint16_t columnStarts[ncomp + 1] = {")
    line = "   "
    for start in column_starts:
        item = f" {start},"
        if len(line) + len(item) > 100:
            w(line)
            line = "   "
        line += item
    w(line)
    w("};")
    w("")
    w("} // namespace")
    w("")
    w("const SparsityPattern jacobianPattern{ncomp, njacobianValues, valueRows, columnStarts};")
    w("")
    w("void evalJacobian(const NodeStep &step, const double *netpar, const EquilibriumConstants &constants,")
    w("                  double *values) {")
    w("  using network::kineticCoefficient;")
    w("  using network::storageWeight;")
    w("")
    w("  const double m = step.flushFlag;")
    w("  // Kinetic laws act only in the reactive regime.")
    w("  const double live = 1.0 - m;")
    w("  const double invDt = 1.0 / step.dt;")
    w("  // A flushed species adds its flushing slope to its storage term.")
    w("  const double flushedStorageRate = invDt + m * network::residualFlushSlope;")
    w("")
    w("  // Every input is read before the first store, so no store to values can")
    w("  // be taken to change one.")
    for i in xs:
        w(f"  const double x{i} = step.conc[{i - 1}];")
    for j in ps:
        w(f"  const double p{j} = netpar[{j - 1}];")
    w("")
    sections = [
        ("Equilibrium constants of the equilibria whose third species is unknown.", constants),
        ("Factors of the rate laws and their derivatives.",
         [(name, d) for name, d in locals_.items() if name in needed]),
        ("Partial derivatives dr<k>_dx<j> of kinetic law k by conc(j).", partial_lines),
    ]
    for comment, definitions in sections:
        w(f"  // {comment}")
        for name, definition in definitions:
            w(f"  const double {name} = {definition};")
        w("")
    for j in range(1, NCOMP + 1):
        w(f"  // Column {j}")
        for index, (i, c) in enumerate(places):
            if c == j:
                w(f"  values[{index}] = {entries[(i, c)]}; // row {i}: {comments[i]}")
    w("}")
    w("")
    w("} // namespace vrex")
    assert column_starts[-1] == len(entries)
    return "\n".join(out) + "\n", len(entries)


def write_or_check(output, text, script, detail=""):
    """Writes a generated file, or with --check fails if it differs."""
    if "--check" in sys.argv[1:]:
        if output.read_text() != text:
            sys.exit(f"{output} is out of date: run python3 scripts/{script}")
        print(f"{output.name} matches its generator{detail}")
        return
    output.write_text(text)
    print(f"wrote {output}{detail}")


def main():
    text, structural = render(*read_network())
    write_or_check(OUTPUT, text, "generate_jacobian.py", f" ({structural} structural entries)")


if __name__ == "__main__":
    main()
