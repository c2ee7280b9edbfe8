// One row operation of the sparse elimination: a row minus its multiplier
// times the pivot row, over the contiguous columns first to last, each
// element with one product. The loops vectorise without changing any
// element's operations.
#pragma once

namespace vrex {

// For two rows at once: each value of the pivot row is loaded once.
inline void subtractFromTwoRows(double *__restrict rowA, double multiplierA,
                                double *__restrict rowB, double multiplierB,
                                const double *__restrict rowP, int first, int last) {
  for (int c = first; c <= last; ++c) {
    const double u = rowP[c];
    rowA[c] -= multiplierA * u;
    rowB[c] -= multiplierB * u;
  }
}

inline void subtractFromRow(double *__restrict rowI, double multiplier,
                            const double *__restrict rowP, int first, int last) {
  for (int c = first; c <= last; ++c) {
    rowI[c] -= multiplier * rowP[c];
  }
}

} // namespace vrex
