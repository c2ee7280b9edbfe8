#include "linalg/DenseZeroSums.h"

#include "linalg/BitSets.h"

#include <cmath>

namespace vrex {

using bits::bit;
using bits::lowest;

double denseForwardZero(const double *factors, int n, int first, int k, const double *y,
                        const FactorPlan &plan) {
  const std::uint64_t rowK = bit(plan.pivotRow[k]);
  for (int j = first; j < k; ++j) {
    const int pivotRow = plan.pivotRow[j];
    if ((plan.lowerRows[j] & rowK) == 0 &&
        std::signbit(factors[static_cast<long>(n) * pivotRow + j]) != std::signbit(y[pivotRow])) {
      return 0.0;
    }
  }
  return -0.0;
}

double denseEliminationZero(const double *factors, int n, int i, int j, int k,
                            const FactorPlan &plan) {
  for (int s = 0; s < k; ++s) {
    const std::uint64_t upper = plan.upperColumns[s];
    const bool lower = (plan.lowerRows[s] & bit(i)) != 0;
    const bool inSpan = upper != 0 && j >= bits::lowest(upper) && j <= bits::highest(upper);
    if (lower && inSpan) {
      continue;
    }
    const double *pivotRow = factors + static_cast<long>(n) * plan.pivotRow[s];
    const double multiplier =
        lower ? factors[static_cast<long>(n) * i + s] : std::copysign(0.0, pivotRow[s]);
    if (std::signbit(multiplier) != std::signbit(pivotRow[j])) {
      return 0.0;
    }
  }
  return -0.0;
}

double denseDifferenceZero(std::uint64_t columns, std::uint64_t included, const double *x) {
  for (std::uint64_t cols = columns & ~included; cols != 0; cols &= cols - 1) {
    if (std::signbit(x[lowest(cols)])) {
      return 0.0;
    }
  }
  return -0.0;
}

double denseSumZero(std::uint64_t columns, std::uint64_t included, const double *x) {
  for (std::uint64_t cols = columns & ~included; cols != 0; cols &= cols - 1) {
    if (!std::signbit(x[lowest(cols)])) {
      return 0.0;
    }
  }
  return -0.0;
}

} // namespace vrex
