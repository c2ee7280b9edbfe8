// The dense LU routines' results at the cost the matrix's structure needs.
//
// luDecompose, luBackSubstitute and luImprove work on every entry of the
// matrix. A Jacobian of a reaction network is mostly zeros, and most of the
// dense routines' products have a zero factor. These routines skip rows and
// columns whose products are all zero, and give the dense routines' results
// bit for bit: the same pivot rows, chosen by the same rule, and for every
// entry the same start value and the same non-zero products subtracted (or
// added) in the same order.
//
// A product with an exactly zero factor and a finite other factor is +0 or
// -0, and leaving it out (or adding one) changes a sum in one case only: a
// sum that stands at -0 becomes +0 when -0 is subtracted (or +0 added).
// Every other value passes a zero product unchanged, and a sum that has left
// -0 never returns to it. So with finite values the two results can differ
// only where this path's sum ends at -0, and there the signs of the left-out
// zero products decide. The substitutions meet such sums in every solve (a
// residual component of exactly +0 is -0 on the right-hand side) and work
// out the dense value from those signs. The factorisation's sums start from
// the matrix values or from +0, and cannot end at -0 unless a matrix value
// is -0; the entries that do are worked out the same way when they are
// final. When a value is not finite, the routines give up: they return
// false, and the caller runs the dense routines instead. Otherwise the
// results are the dense routines' results exactly.
//
// Singular matrices are followed too. A row without a non-zero value (which
// the dense routine reports) has the scale +infinity, and its entries stay
// +0 through the elimination (its multipliers are zeros, subtracted from
// +0), so its scaled candidates are NaN, which the dense rule never takes.
// A pivot column whose other candidates are all zero gets the exact zero
// pivot the dense rule leaves there, replaced by TINY as the dense routine
// replaces it.
//
// Rows keep their original numbers throughout; the pivot rows are recorded
// in the order chosen, and pivotIndex in the dense routines' form.
#pragma once

#include "linalg/FactorPlan.h"
#include "linalg/MatrixOrder.h"
#include "linalg/PlanCode.h"
#include "linalg/SparsityPattern.h"

#include <cstdint>

namespace vrex {

struct SparseLuWork {
  // The factors: row r (original numbering) of column j at
  // factors[n * r + j]. Outside the places the factors can fill, every entry
  // holds +0.
  alignas(64) double factors[maxSystemOrder * maxSystemOrder];
  // Whether only the plan's fill and the matrix's pattern hold values other
  // than +0; otherwise the next factorisation clears everything.
  bool onlyPlanFilled;
  // Columns at which each row of the matrix has a value, rows at which each
  // column has one: the pattern as given, before the factorisation fills it.
  std::uint64_t patternRowColumns[maxSystemOrder];
  std::uint64_t patternColumnRows[maxSystemOrder];
  // The rows of the last matrix without a non-zero value, and whether a
  // value of it is -0.
  std::uint64_t zeroRows;
  bool negativeZeros;
  double scale[maxSystemOrder];    // 1 / largest magnitude of each row
  double forward[maxSystemOrder];  // right-hand side during forward substitution
  double residual[maxSystemOrder]; // A x - b of the last improvement pass
  // The plans of the last factorisation (plans[current]) and of the last
  // one before it that chose other pivot rows.
  FactorPlan plans[2];
  int current;
  int replays; // factorisations that followed a plan all the way
  // The generated code for the pattern, or null when there is none or it
  // is not to be used.
  const PlanCodeTable *planCode;
  // Factorisations along a plan with generated code, and factorisations
  // that left such a plan mid-way.
  int plannedUses;
  int plannedLeft;
};

// Records the pattern in work, clears the factors and forgets any plan. Once
// per pattern, before the first factorisation. planCode, when not null, is
// code generated for plans of this pattern: it is used if it was made for
// this pattern.
void preparePattern(const SparsityPattern &pattern, const PlanCodeTable *planCode,
                    SparseLuWork &work);

// Factorises the matrix of the prepared pattern with the given values into
// work.factors. pivotIndex receives what luDecompose records, and
// work.zeroRows the rows without a non-zero value (luDecompose reports the
// first). Returns false when the dense routine must be used instead. Values of U that are not
// finite are left to the substitution, which uses every one of them: the
// factors are the dense routine's when this and the next sparseLuSolve
// both return true.
bool sparseLuDecompose(const SparsityPattern &pattern, const double *values, int *pivotIndex,
                       SparseLuWork &work);

// Solves with the factors of the last sparseLuDecompose: b is indexed by
// row, the solution x by column, as luBackSubstitute's input and output.
// Returns false when a value is not finite.
bool sparseLuSolve(int n, const double *b, double *x, SparseLuWork &work);

// One pass of luImprove: with the matrix given by pattern and values, the
// factors of the last sparseLuDecompose, right-hand side b and solution x.
// Returns false when a value is not finite.
bool sparseLuImprove(const SparsityPattern &pattern, const double *values, const double *b,
                     double *x, SparseLuWork &work);

// The factors' storage (maxSystemOrder squared doubles), lent for another
// use such as the dense routines' matrix until the next sparseLuDecompose,
// which then clears all of it.
double *lendFactorStorage(SparseLuWork &work);

// The factors as luDecompose leaves them in its matrix (column-major, rows
// in pivot order), every entry outside the factors' places as the dense
// routine computes it.
void denseFactors(int n, const SparseLuWork &work, double *dense);

} // namespace vrex
