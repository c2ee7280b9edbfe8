// Crout factorisation with implicit partial pivoting, substitution and
// iterative improvement for column-major matrices.
//
// The arithmetic of every matrix and vector element is fixed: each sum starts
// from the element's own value and subtracts (or adds) its products one at a
// time in increasing index order. The loops below are arranged column by
// column so that the innermost loop runs down a contiguous column and updates
// many independent elements at once; that lets the compiler vectorise across
// rows while each single element still sees exactly the operation sequence of
// the textbook row-by-row formulation, so results are bit for bit the same.
#include "linalg/DenseLu.h"

#include <alloca.h>
#include <cmath>

namespace vrex {

namespace {

// Column j (0-based) of a column-major matrix with leading dimension np.
double *column(double *a, int np, int j) { return a + static_cast<long>(np) * j; }
const double *column(const double *a, int np, int j) { return a + static_cast<long>(np) * j; }

// scale[i] = 1 / (largest magnitude in row i). A row without any non-zero
// entry makes the system singular: its scale becomes +infinity, so its scaled
// pivot candidates are infinity x 0 = NaN and it never wins a pivot search.
// Returns the number (from 1) of the first such row, 0 when there is none.
int computeRowScales(const double *a, int n, int np, double *scale) {
  for (int i = 0; i < n; ++i) {
    scale[i] = 0.0;
  }
  // Column-outer order reads the matrix contiguously; a maximum does not
  // depend on the order in which the candidates are seen.
  for (int j = 0; j < n; ++j) {
    const double *col = column(a, np, j);
    for (int i = 0; i < n; ++i) {
      const double magnitude = std::fabs(col[i]);
      if (magnitude > scale[i]) {
        scale[i] = magnitude;
      }
    }
  }
  int firstZeroRow = 0;
  for (int i = 0; i < n; ++i) {
    if (scale[i] == 0.0 && firstZeroRow == 0) {
      firstZeroRow = i + 1;
    }
    scale[i] = 1.0 / scale[i];
  }
  return firstZeroRow;
}

// Brings every element of column j up to date with the columns before it:
// a(i, j) -= a(i, k) * a(k, j) for k = 0 .. min(i, j) - 1, in increasing k.
// Processing k in the outer loop keeps each element's subtraction order while
// the inner loop runs down column k and column j together. a(k, j) is final
// by the time it is used, because its own updates all come from k' < k.
//
// Four columns k .. k+3 are applied in one sweep, so that column j is loaded
// and stored once per four updates instead of once per update. Rows k+1 to
// k+3 take only the updates below their own index and are finished first;
// that also makes the four multipliers final. Every row below them then
// receives the four subtractions in increasing k, as before.
void eliminateColumn(double *a, int n, int np, int j) {
  double *__restrict colJ = column(a, np, j);
  int k = 0;
  for (; k + 4 <= j; k += 4) {
    const double *__restrict c0 = column(a, np, k);
    const double *__restrict c1 = column(a, np, k + 1);
    const double *__restrict c2 = column(a, np, k + 2);
    const double *__restrict c3 = column(a, np, k + 3);
    const double m0 = colJ[k];
    colJ[k + 1] -= c0[k + 1] * m0;
    const double m1 = colJ[k + 1];
    colJ[k + 2] -= c0[k + 2] * m0;
    colJ[k + 2] -= c1[k + 2] * m1;
    const double m2 = colJ[k + 2];
    colJ[k + 3] -= c0[k + 3] * m0;
    colJ[k + 3] -= c1[k + 3] * m1;
    colJ[k + 3] -= c2[k + 3] * m2;
    const double m3 = colJ[k + 3];
    for (int i = k + 4; i < n; ++i) {
      double value = colJ[i];
      value -= c0[i] * m0;
      value -= c1[i] * m1;
      value -= c2[i] * m2;
      value -= c3[i] * m3;
      colJ[i] = value;
    }
  }
  for (; k < j; ++k) {
    const double *__restrict colK = column(a, np, k);
    const double multiplier = colJ[k];
    for (int i = k + 1; i < n; ++i) {
      colJ[i] -= colK[i] * multiplier;
    }
  }
}

// Row with the largest scaled candidate among rows j..n-1 of column j. Equal
// candidates go to the later row (">="). Rows whose candidate is NaN never
// qualify; if no row qualifies at all, row j itself is kept, so the choice
// always lies within j..n-1.
int choosePivotRow(const double *colJ, const double *scale, int n, int j) {
  double big = 0.0;
  int pivotRow = j;
  for (int i = j; i < n; ++i) {
    const double candidate = scale[i] * std::fabs(colJ[i]);
    if (candidate >= big) {
      big = candidate;
      pivotRow = i;
    }
  }
  return pivotRow;
}

void exchangeRows(double *a, int n, int np, int r1, int r2) {
  for (int k = 0; k < n; ++k) {
    double *col = column(a, np, k);
    const double held = col[r1];
    col[r1] = col[r2];
    col[r2] = held;
  }
}

} // namespace

int luDecompose(double *a, int n, int np, int *pivotIndex, double &parity) {
  parity = 1.0;
  if (n <= 0) {
    return 0;
  }
  double *scale = static_cast<double *>(alloca(sizeof(double) * static_cast<unsigned>(n)));
  const int firstZeroRow = computeRowScales(a, n, np, scale);

  for (int j = 0; j < n; ++j) {
    eliminateColumn(a, n, np, j);
    double *colJ = column(a, np, j);
    const int pivotRow = choosePivotRow(colJ, scale, n, j);
    if (pivotRow != j) {
      exchangeRows(a, n, np, pivotRow, j);
      parity = -parity;
      scale[pivotRow] = scale[j];
    }
    pivotIndex[j] = pivotRow + 1;
    if (colJ[j] == 0.0) {
      colJ[j] = TINY;
    }
    if (j + 1 < n) {
      // One reciprocal, then multiplications: cheaper than n divisions, and
      // the rounding the factors are defined with.
      const double reciprocal = 1.0 / colJ[j];
      for (int i = j + 1; i < n; ++i) {
        colJ[i] *= reciprocal;
      }
    }
  }
  return firstZeroRow;
}

void luBackSubstitute(const double *a, int n, int np, const int *pivotIndex, double *b) {
  if (n <= 0) {
    return;
  }
  // The interchanges only ever touch rows that forward substitution has not
  // reached yet, so applying them all first gives the same permuted vector as
  // applying each one just before its row is solved.
  for (int i = 0; i < n; ++i) {
    const int other = pivotIndex[i] - 1;
    const double held = b[other];
    b[other] = b[i];
    b[i] = held;
  }

  // Forward substitution with the unit lower factor, skipping the leading
  // zeros of the permuted right-hand side: rows before the first non-zero
  // element stay as they are and form no products. (A NaN counts as non-zero.)
  int first = 0;
  while (first < n && !(b[first] != 0.0)) {
    ++first;
  }
  // Column-oriented: after column j is final, it is subtracted from all rows
  // below it; each row still receives its products in increasing j.
  for (int j = first; j < n; ++j) {
    const double *__restrict colJ = column(a, np, j);
    const double bj = b[j];
    double *__restrict below = b;
    for (int i = j + 1; i < n; ++i) {
      below[i] -= colJ[i] * bj;
    }
  }

  // Back substitution with the upper factor. Row i starts with the product
  // that needs b(i + 1), the value just computed, so the rows are inherently
  // sequential; each row's sum runs in increasing column order.
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < n; ++j) {
      sum -= column(a, np, j)[i] * b[j];
    }
    b[i] = sum / column(a, np, i)[i];
  }
}

namespace {

// One pass of iterative improvement with the residual A x - b of the
// current solution, formed with the unfactorised matrix column by column:
// column(j, scratch) gives column j of A (in scratch, or elsewhere). Each
// element of the residual is accumulated from -b(i) in increasing column
// order.
template <class Column>
void improve(Column column, const double *alud, int n, int np, const int *pivotIndex,
             const double *b, double *x) {
  if (n <= 0) {
    return;
  }
  double *correction = static_cast<double *>(alloca(sizeof(double) * static_cast<unsigned>(n)));
  double *scratch = static_cast<double *>(alloca(sizeof(double) * static_cast<unsigned>(n)));
  for (int i = 0; i < n; ++i) {
    correction[i] = -b[i];
  }
  for (int j = 0; j < n; ++j) {
    const double *__restrict colJ = column(j, scratch);
    const double xj = x[j];
    double *__restrict r = correction;
    for (int i = 0; i < n; ++i) {
      r[i] += colJ[i] * xj;
    }
  }
  luBackSubstitute(alud, n, np, pivotIndex, correction);
  for (int i = 0; i < n; ++i) {
    x[i] -= correction[i];
  }
}

} // namespace

void luImprove(const double *a, const double *alud, int n, int np, const int *pivotIndex,
               const double *b, double *x) {
  improve([a, np](int j, double *) { return column(a, np, j); }, alud, n, np, pivotIndex, b, x);
}

void luImprove(const SparsityPattern &pattern, const double *values, const double *alud, int np,
               const int *pivotIndex, const double *b, double *x) {
  const int n = pattern.order;
  const auto formColumn = [&pattern, values, n](int j, double *scratch) -> const double * {
    for (int i = 0; i < n; ++i) {
      scratch[i] = 0.0;
    }
    for (int e = pattern.columnStart[j]; e < pattern.columnStart[j + 1]; ++e) {
      scratch[pattern.row[e]] = values[e];
    }
    return scratch;
  };
  improve(formColumn, alud, n, np, pivotIndex, b, x);
}

} // namespace vrex
