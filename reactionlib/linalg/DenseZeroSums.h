// The dense routines' value of a sum that the sparse path ends at -0.
//
// The substitutions meet such sums in every solve: a residual component that
// is exactly +0 is -0 on the right-hand side. The factorisation meets them
// where a matrix value is -0. For them the dense routines' value is worked
// out from the signs of the zero products the sparse path leaves out; the
// dense multipliers outside the pattern are zeros with the sign of their
// column's pivot, its entries of U outside the pattern +0, and the places of
// the matrix outside its pattern +0.
#pragma once

#include "linalg/FactorPlan.h"

#include <bit>
#include <cstdint>

namespace vrex {

inline bool isNegativeZero(double value) {
  return std::bit_cast<std::uint64_t>(value) == std::bit_cast<std::uint64_t>(-0.0);
}

// Forward substitution of the row at position k, whose sum ended at -0: the
// dense routine also subtracted, for each step j from first on where the row
// has no multiplier, the zero multiplier times y at position j. One -0
// product among them turns the -0 into +0. factors as SparseLuWork holds
// them, y by row.
double denseForwardZero(const double *factors, int n, int first, int k, const double *y,
                        const FactorPlan &plan);

// Entry (i, j) of the factors (as SparseLuWork holds them), final before
// step k, whose elimination ended at -0: the dense routine also subtracted,
// at each step s before k where the sparse elimination left the entry alone
// (row i without a multiplier, or column j outside the span of the pivot
// row's columns), the zero product L(i, s) U(s, j). One -0 product among
// them turns the -0 into +0.
double denseEliminationZero(const double *factors, int n, int i, int j, int k,
                            const FactorPlan &plan);

// A sum that ended at -0 after subtracting products with the unknowns x at
// the columns of `included`, where the dense routine subtracted +0 x(c) at
// every other column c of `columns`: one negative x(c) gives a -0 product,
// and +0.
double denseDifferenceZero(std::uint64_t columns, std::uint64_t included, const double *x);

// The same for a sum of products added, where one +0 product gives +0.
double denseSumZero(std::uint64_t columns, std::uint64_t included, const double *x);

} // namespace vrex
