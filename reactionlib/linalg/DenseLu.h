// Dense linear solvers: Crout factorisation with implicit (scaled) partial
// pivoting, substitution for one right-hand side, and one pass of iterative
// improvement. Matrices are column-major with leading dimension np; vectors
// and the row-interchange record are indexed from 0 here, and pivotIndex[j]
// holds the 1-based row exchanged with row j + 1, the same form LAPACK's
// dgesv fills, so the factors of either path can be substituted alike.
#pragma once

#include "linalg/SparsityPattern.h"

namespace vrex {

inline constexpr double TINY = 1e-20; // replaces an exactly zero pivot

// Factorises a in place. A row without any non-zero entry makes the matrix
// singular; the factorisation still runs to its end (the row never becomes a
// pivot row, and zero pivots are replaced by TINY). Returns the number (from
// 1) of the first all-zero row, 0 when there is none, for the caller to
// report.
int luDecompose(double *a, int n, int np, int *pivotIndex, double &parity);
void luBackSubstitute(const double *a, int n, int np, const int *pivotIndex, double *b);
void luImprove(const double *a, const double *alud, int n, int np, const int *pivotIndex,
               const double *b, double *x);
// luImprove with the unfactorised matrix given by its values at the places
// of a pattern (zeros elsewhere), of the pattern's order: the same
// operations, each column of the matrix formed only when it is used.
void luImprove(const SparsityPattern &pattern, const double *values, const double *alud, int np,
               const int *pivotIndex, const double *b, double *x);

} // namespace vrex
