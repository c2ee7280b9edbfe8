// Where a square matrix can hold values that are not identically zero, and
// how such a matrix is passed around compactly: only the values at those
// places, column by column, each column from its top row down.
//
// A Jacobian generated from a network has the same pattern at every state:
// an entry outside the pattern is zero by construction, not by chance. An
// entry inside it may still evaluate to zero at some state.
#pragma once

#include <cstdint>

namespace vrex {

struct SparsityPattern {
  int order;                  // n: rows and columns
  int count;                  // number of places that hold values
  const std::uint8_t *row;    // row (from 0) of each value, in column order
  const std::uint16_t *columnStart; // n + 1 entries: the values of column j are
                                    // columnStart[j] .. columnStart[j + 1] - 1
};

// Writes the matrix given by pattern and values into dense, column-major
// with leading dimension n, and nothing else: the places outside the pattern
// must already hold zeros.
inline void scatterValues(const SparsityPattern &pattern, const double *values, double *dense) {
  const int n = pattern.order;
  for (int j = 0; j < n; ++j) {
    double *column = dense + static_cast<long>(n) * j;
    for (int e = pattern.columnStart[j]; e < pattern.columnStart[j + 1]; ++e) {
      column[pattern.row[e]] = values[e];
    }
  }
}

} // namespace vrex
