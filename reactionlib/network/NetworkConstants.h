// The constants of the reaction network, in one place, as data.
//
// Everything the rate laws, the residual and the Jacobian need besides the
// concentrations lives here: the parameter table netpar, the flushing
// constants, the nine equilibria that form the algebraic rows and the two
// tables that define the 30 mass-balance rows. The Jacobian source is
// generated from this file by scripts/generate_jacobian.py; keep the layout of
// the tables (one {row, column, value} entry per line) so the generator can
// read them.
#pragma once

#include "network/NetworkSizes.h"

#include <array>

namespace vrex::network {

// ---------------------------------------------------------------------------
// Network parameters netpar(1..62). Entry j of the table is netpar(j). The five
// first-order decay coefficients that are a fixed fraction of a growth law's
// maximum rate are stored as 0.0 here and formed below (netpar), so that they
// are the double product of their factors.
inline constexpr double parameterTable[nnetpar] = {
    0.004050925925, // 1: rate constant of reaction 1
    0.004050925925, // 2: rate constant of reaction 7
    0.004050925925, // 3: rate constant of reaction 2
    0.004050925925, // 4: rate constant of reaction 3
    1.50462963e-08, // 5: rate constant of reaction 5
    1.273148148e-08, // 6: rate constant of reaction 6
    0.0002893518519, // 7: rate constant of reaction 4
    3.472222222e-05, // 8: maximum rate constant of reaction 8
    3.321759258e-06, // 9: decay constant of reaction 9
    0.1, // 10: yield y8 of reaction 8 (no rate law)
    0.0001, // 11: half-saturation constant of species 24 in reaction 8
    1e-06, // 12: half-saturation constant of species 26 in reaction 8
    1e-09, // 13: threshold of species 31 in reaction 9
    3.182870369e-05, // 14: maximum rate constant of reaction 10
    0.0, // 15: formed as 0.05 x netpar(14); decay constant of reaction 11
    0.092, // 16: yield y10 of reaction 10 (no rate law)
    0.0001, // 17: half-saturation constant of species 24 in reaction 10
    1e-06, // 18: half-saturation constant of species 27 in reaction 10
    1e-09, // 19: threshold of species 32 in reaction 11
    1.423611111e-05, // 20: maximum rate constant of reaction 12
    0.0, // 21: formed as 0.1 x netpar(20); decay constant of reaction 13
    0.041, // 22: yield y12 of reaction 12 (no rate law)
    0.0001, // 23: half-saturation constant of species 24 in reaction 12
    1e-09, // 24: threshold of species 33 in reaction 13
    2.546296296e-05, // 25: maximum rate constant of reaction 14
    0.0, // 26: formed as 0.1 x netpar(25); decay constant of reaction 15
    0.074, // 27: yield y14 of reaction 14 (no rate law)
    0.0001, // 28: half-saturation constant of species 25 in reaction 14
    1e-06, // 29: half-saturation constant of species 29 in reaction 14
    1e-09, // 30: threshold of species 34 in reaction 15
    1.125e-06, // 31: maximum rate constant of reaction 16
    0.0, // 32: formed as 0.1 x netpar(31); decay constant of reaction 17
    0.0032, // 33: yield y16 of reaction 16 (no rate law)
    0.0001, // 34: half-saturation constant of species 25 in reaction 16
    1e-06, // 35: half-saturation constant of species 30 in reaction 16
    1e-09, // 36: threshold of species 35 in reaction 17
    2.858796297e-06, // 37: maximum rate constant of reaction 18
    0.0, // 38: formed as 0.1 x netpar(37); decay constant of reaction 19
    0.0082, // 39: yield y18 of reaction 18 (no rate law)
    0.0001, // 40: half-saturation constant of species 25 in reaction 18
    1e-06, // 41: half-saturation constant of species 28 in reaction 18
    1e-09, // 42: threshold of species 36 in reaction 19
    13.998, // 43: pK of reaction 20
    6.351, // 44: pK of reaction 21
    10.33, // 45: pK of reaction 22
    8.475, // 46: pK of reaction 23
    6.994, // 47: pK of reaction 24
    12.918, // 48: pK of reaction 25
    3.858, // 49: pK of reaction 26
    4.872, // 50: pK of reaction 27
    4.756, // 51: pK of reaction 28
    81018518.53, // 52: rate constant of reaction 29
    8.101851853e-12, // 53: rate constant of reaction 30
    2893.518519, // 54: rate constant of reaction 31
    2.314814815e-08, // 55: rate constant of reaction 32
    0.03935185186, // 56: rate constant of reaction 33
    1e-30, // 57: guard concentration of reactions 30, 32 and 33
    2650.0, // 58: factor rho of reactions 5 and 6 and of the balance rows
    0.02, // 59: fraction f of the balance rows (no rate law)
    0.0002, // 60: inhibition constant of species 2 in reaction 10
    0.0001, // 61: inhibition constant of species 2 in reactions 12, 14, 16 and 18
    0.09, // 62: constant of the crowding factor (reactions 8, 10, 12, 14, 16 and 18)
};

// netpar(index) = factor x netpar(source).
struct DerivedParameter {
  int index;
  double factor;
  int source;
};

inline constexpr DerivedParameter derivedParameters[] = {
    {15, 0.05, 14}, // decay constant of reaction 11 from the maximum rate of reaction 10
    {21, 0.1, 20},  // decay constant of reaction 13 from the maximum rate of reaction 12
    {26, 0.1, 25},  // decay constant of reaction 15 from the maximum rate of reaction 14
    {32, 0.1, 31},  // decay constant of reaction 17 from the maximum rate of reaction 16
    {38, 0.1, 37},  // decay constant of reaction 19 from the maximum rate of reaction 18
};

// netpar(1..62) as the rate laws, the residual and the Jacobian read it: the
// table above with the five products formed. They are formed when the
// library is compiled, in double precision rounded to nearest, so each is
// the double product of its factors, as a product formed at run time in the
// library's floating-point environment is.
inline constexpr std::array<double, nnetpar> netpar = [] {
  std::array<double, nnetpar> table{};
  for (int j = 0; j < nnetpar; ++j) {
    table[j] = parameterTable[j];
  }
  for (const DerivedParameter &derived : derivedParameters) {
    table[derived.index - 1] = derived.factor * table[derived.source - 1];
  }
  return table;
}();

// ---------------------------------------------------------------------------
// Numbering of the rate vector: entries 1..19 and 29..33 are kinetic laws,
// 20..28 the deviations of the equilibria from mass action, 34..54 the
// flushing laws. Entries 1..33 are the "reaction laws" shared by the rate
// vector and the residual.
inline constexpr int nreactionLaws = 33;
inline constexpr int firstFlushingEntry = 34;

// Flushing pulls species i linearly toward a fixed value: the law is
// m * lambda * (target_i - scale * conc_i), m being the flushing switch. The
// rate vector and the residual carry their own constants: the rate vector's
// are single-precision values, the residual's are rounded to ten digits.
struct FlushingConstants {
  double rateConstant; // lambda
  double scale;        // b
};

inline constexpr FlushingConstants rateFlushing{337729.3125, 8.333332246479586e-09};
inline constexpr FlushingConstants residualFlushing{337729.2931, 8.333331596e-09};

// d(lambda * (target - b * conc))/d conc of the residual, as the Jacobian
// stores it: lambda * b folded into one ten-digit constant. It differs from
// the double product of the residual's two constants by about 3e-11
// relative, far below what the Newton iteration resolves.
inline constexpr double residualFlushSlope = 0.002814410189;

struct FlushingLaw {
  int species;          // 1..20 and 39
  int rateEntry;        // entry of the rate vector it fills
  double rateTarget;    // target term of the rate vector's law
  double residualTarget; // target term of the residual's law
};

inline constexpr FlushingLaw flushingLaws[] = {
    {1, 34, 9.998887134932133e-12, 9.998886807e-12},
    {2, 35, 1.5833329656059214e-12, 1.583333003e-12},
    {3, 36, 2.4999989058083205e-12, 2.499999479e-12},
    {4, 37, 1.9166660446268136e-12, 1.916666267e-12},
    {5, 38, 8.333332288112949e-12, 8.333331596e-12},
    {6, 39, 8.333331819491971e-19, 8.333331596e-19},
    {7, 40, 2.7916660106373e-16, 2.791666085e-16},
    {8, 41, 2.499998897337991e-15, 2.499999479e-15},
    {9, 42, 1.4999999940062958e-12, 1.499999687e-12},
    {10, 43, 1.9999999920083944e-11, 1.999999583e-11},
    {11, 44, 2.7916659259340053e-14, 2.791666085e-14},
    {12, 45, 8.333331819491971e-19, 8.333331596e-19},
    {13, 46, 8.333331819491971e-19, 8.333331596e-19},
    {14, 47, 8.333331819491971e-19, 8.333331596e-19},
    {15, 48, 8.333331819491971e-19, 8.333331596e-19},
    {16, 49, 1.773333037657671e-15, 1.773332964e-15},
    {17, 50, 1.6647500707305756e-29, 1.664749653e-29},
    {18, 51, 3.0491659306021923e-32, 3.049166031e-32},
    {19, 52, 1.108666011153181e-29, 1.108666436e-29},
    {20, 53, 1.5547220527090042e-32, 1.554721898e-32},
    {39, 54, 8.333332246479586e-09, 8.333331596e-09},
};

// ---------------------------------------------------------------------------
// Equilibria. Reaction e is conc(first) * conc(second) - K * conc(third), or
// conc(first) * conc(second) - K when third is 0, with K = 10^-netpar(pK).
// Its deviation is the rate entry e and the algebraic residual row `row`.
struct Equilibrium {
  int entry;
  int row;
  int first;
  int second;
  int third;
  int pK;
};

inline constexpr Equilibrium equilibria[] = {
    {20, 7, 8, 7, 0, 43},
    {21, 8, 7, 10, 9, 44},
    {22, 9, 7, 11, 10, 45},
    {23, 5, 11, 5, 0, 46},
    {24, 10, 7, 14, 13, 47},
    {25, 13, 7, 15, 14, 48},
    {26, 1, 7, 1, 16, 49},
    {27, 14, 7, 17, 18, 50},
    {28, 17, 7, 19, 20, 51},
};

// ---------------------------------------------------------------------------
// The 30 mass-balance rows. Row i of the residual is
//
//   F_i = -(sum_j W(i, j) * (conc_j - concOld_j)) / dt
//         + sum_k A(i, k) * law_k + m * sum_j W(i, j) * flush_j
//
// with the sums taken in the order of the tables below. Each row is a fixed
// combination of species balances in which every equilibrium cancels, so the
// equilibria need no rate. The values are rounded to twelve digits; they
// follow from the constant phi = 0.39, the fraction netpar(59), the factor
// netpar(58) and the six yields, but the stored values are used as they
// stand, not recomputed from those constants.
struct TableEntry {
  int row;
  int column;
  double value;
};

// Storage weights W(i, j): row i, species j.
inline constexpr TableEntry balanceWeights[] = {
    {2, 2, 1.0},
    {3, 3, 1.0},
    {4, 4, 1.0},
    {6, 23, -4008.97435897},
    {6, 30, -0.0512820512821},
    {6, 35, -74.547008547},
    {11, 2, -1.0},
    {11, 26, -0.0512820512821},
    {12, 29, -0.0512820512821},
    {12, 37, -4008.97435897},
    {15, 35, 37.2735042735},
    {16, 2, 0.37037037037},
    {16, 3, 0.458883994126},
    {16, 4, 2.10274827096},
    {16, 24, -0.0512820512821},
    {16, 25, -0.0802117590439},
    {16, 26, 0.0189933523267},
    {16, 27, 0.0235325125193},
    {16, 28, 0.107833244665},
    {16, 29, 0.0123745385751},
    {16, 35, -8.35539156707},
    {16, 37, 967.379553109},
    {18, 17, 1.0},
    {18, 18, 1.0},
    {19, 1, 1.0},
    {19, 2, -2.03703703704},
    {19, 3, -1.54221732746},
    {19, 4, -4.10826013491},
    {19, 7, -1.0},
    {19, 8, 1.0},
    {19, 9, -2.0},
    {19, 10, -1.0},
    {19, 13, -2.0},
    {19, 14, -1.0},
    {19, 17, 1.0},
    {19, 19, 1.0},
    {19, 23, 12026.9230769},
    {19, 24, 0.0512820512821},
    {19, 25, 0.105852784685},
    {19, 26, -0.104463437797},
    {19, 27, -0.0790880680749},
    {19, 28, -0.210680006919},
    {19, 29, 0.0496037998611},
    {19, 30, 0.153846153846},
    {19, 35, 112.197271909},
    {19, 37, 3877.77705414},
    {20, 4, -0.672178530618},
    {20, 25, 0.025641025641},
    {20, 28, -0.0344706938778},
    {20, 29, -0.00395572749784},
    {20, 35, 2.67094017094},
    {20, 37, -309.238997144},
    {21, 21, 1.0},
    {22, 22, 1.0},
    {23, 4, 0.000498880716342},
    {23, 28, 2.55836264791e-5},
    {24, 3, -0.0795398923152},
    {24, 27, -0.00407896883668},
    {25, 30, 1.93385398732},
    {25, 35, 2811.17907956},
    {26, 6, 25.7167388932},
    {26, 21, 103097.746819},
    {26, 22, 103097.746819},
    {26, 23, 103097.746819},
    {26, 30, 1.31880712273},
    {27, 2, -280.126750375},
    {27, 3, -350.158437968},
    {27, 4, -561.797521287},
    {27, 9, -280.126750375},
    {27, 10, -280.126750375},
    {27, 11, -280.126750375},
    {27, 22, -1123020.95952},
    {27, 25, 7.1827371891},
    {27, 26, -14.3654743782},
    {27, 27, -17.9568429727},
    {27, 28, -28.8101292968},
    {27, 29, -7.26473696571},
    {27, 35, 5223.04705934},
    {27, 37, -567920.812294},
    {27, 38, -1123020.95952},
    {28, 1, 4.675125},
    {28, 2, -1.73152777778},
    {28, 3, -2.14534003304},
    {28, 4, -9.83061101028},
    {28, 16, 4.675125},
    {28, 24, 0.23975},
    {28, 25, 0.375},
    {28, 26, -0.0887962962963},
    {28, 27, -0.110017437592},
    {28, 28, -0.504133897963},
    {28, 29, -0.057852514656},
    {28, 35, 39.0625},
    {28, 37, -4522.62033323},
    {29, 37, -78175.0},
    {30, 4, -39.0},
    {30, 13, -39.0},
    {30, 14, -39.0},
    {30, 15, -39.0},
    {30, 21, -156350.0},
    {30, 23, 78175.0},
    {30, 28, -2.0},
    {30, 30, 1.0},
    {30, 35, 1453.66666667},
    {31, 2, 2.16666666667},
    {31, 3, 2.46971365639},
    {31, 26, 0.111111111111},
    {31, 27, 0.126651982379},
    {31, 31, 1.0},
    {32, 32, 1.0},
    {33, 4, 5.0434417279},
    {33, 25, -0.192387904067},
    {33, 28, 0.258638037328},
    {33, 29, 0.0296803307724},
    {33, 33, 1.0},
    {33, 35, -20.0404066736},
    {33, 37, 2320.25985813},
    {34, 12, -0.667849429189},
    {34, 29, -0.0342486886763},
    {34, 37, -2677.39123727},
    {35, 4, -0.750863641863},
    {35, 19, -0.3744},
    {35, 20, -0.3744},
    {35, 25, 0.0096},
    {35, 28, -0.0385058277879},
    {35, 29, -0.00148102437519},
    {35, 35, 1.0},
    {35, 37, -115.779080531},
    {36, 4, 0.644888082275},
    {36, 28, 0.0330711837064},
    {36, 36, 1.0},
    {37, 29, 1.27918132395e-5},
    {37, 34, 0.000373497898282},
    {37, 37, 1.0},
    {38, 5, 0.000249440358171},
    {38, 38, 1.0},
    {39, 39, 1.0},
};

// Kinetic coefficients A(i, k): row i, kinetic rate entry k.
inline constexpr TableEntry kineticCoefficients[] = {
    {2, 2, -2.5641025641},
    {3, 3, -2.5641025641},
    {4, 4, -2.5641025641},
    {6, 17, 74.547008547},
    {6, 33, 1.0},
    {11, 8, 0.461538461538},
    {12, 14, 1.49734349734},
    {15, 16, 37.2735042735},
    {15, 17, -37.2735042735},
    {16, 1, -2.5641025641},
    {16, 7, -4.01058795219},
    {16, 17, 8.35539156707},
    {18, 7, -2.5641025641},
    {19, 7, 2.72853667014},
    {19, 17, -112.197271909},
    {20, 7, 1.28205128205},
    {20, 12, 0.133277743034},
    {20, 17, -2.67094017094},
    {21, 29, 0.000249440358171},
    {21, 30, -0.000249440358171},
    {22, 31, 0.000249440358171},
    {22, 32, -0.000249440358171},
    {23, 18, -0.000773592705546},
    {24, 10, 0.0322061191626},
    {25, 6, 96.6926993659},
    {25, 17, -2811.17907956},
    {27, 7, 359.136859455},
    {27, 17, -5223.04705934},
    {28, 7, 18.75},
    {28, 17, -39.0625},
    {29, 5, 50.0},
    {30, 17, -1453.66666667},
    {31, 9, -1.0},
    {32, 11, -1.0},
    {33, 7, -9.61939520334},
    {33, 13, -1.0},
    {33, 17, 20.0404066736},
    {35, 7, 0.48},
    {35, 17, -1.0},
    {36, 19, -1.0},
    {37, 15, -0.000373497898282},
};

// Looks up a table value at compile time; an entry that is not in the table
// is a compile error, so generated code cannot refer to a weight that does
// not exist.
template <auto &table>
consteval double tableValue(int row, int column) {
  for (const TableEntry &entry : table) {
    if (entry.row == row && entry.column == column) {
      return entry.value;
    }
  }
  throw "no such table entry";
}

consteval double storageWeight(int row, int species) {
  return tableValue<balanceWeights>(row, species);
}

consteval double kineticCoefficient(int row, int entry) {
  return tableValue<kineticCoefficients>(row, entry);
}

} // namespace vrex::network
