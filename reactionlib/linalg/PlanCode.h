// Code generated for the pivot sequences that the matrices of one sparsity
// pattern meet most (scripts/generate_plan_code.py writes it for the
// network's Jacobian): for each such plan the sparse factorisation along it
// and the forward and back substitutions with its factors, and for the
// pattern the residual of an improvement pass. The sparse LU routines run it
// whenever their plan and pattern are these; the results are those of their
// own loops, bit for bit.
#pragma once

#include "linalg/FactorPlan.h"

#include <cstdint>

namespace vrex {

struct PlanCode {
  int pivotRow[maxSystemOrder]; // of each step, original row numbers
  // factorFollowingPlan on this plan: steps from..n-1 of the elimination on
  // the factors (row by row, as SparseLuWork holds them) with the row
  // scales. Returns n when every step had the planned pivot row, else the
  // first step that did not (the steps before it done), or -1 when a value
  // was not finite.
  int (*factor)(double *factors, const double *scale, int from);
  // sparseLuSolve with the factors of a factorisation along this plan
  // (row by row, as SparseLuWork holds them): b by row, x by column, y a
  // scratch vector; plan is the recorded plan of these pivot rows. Returns
  // false when a value is not finite.
  bool (*solve)(const double *factors, const double *b, double *x, double *y,
                const FactorPlan &plan);
};

struct PlanCodeTable {
  int order;
  const std::uint64_t *patternRowColumns; // the pattern the plans are made for
  // A x - b of sparseLuImprove, with A given by its values at the places of
  // that pattern, into r: each element from -b(i) plus its products in
  // increasing column order.
  void (*residual)(const double *values, const double *b, const double *x, double *r);
  int count;
  const PlanCode *plans;
};

} // namespace vrex
