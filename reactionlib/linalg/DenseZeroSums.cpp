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
