// The linear systems of an iteration, A x = b with A given by its values at
// the places of a fixed sparsity pattern, behind one interface. Two routes
// factorise:
//
// - the own LU routines (DenseLu.h): Crout factorisation with implicit
//   partial pivoting on the full matrix. Where it can show that this gives
//   their results bit for bit, the factorisation and the substitutions
//   follow the matrix's structure instead (SparseLu.h), along code generated
//   for the commonest pivot sequences where the pattern has some
//   (PlanCode.h);
// - LAPACK's dgesv on the full matrix.
//
// Iterative improvement then refines x with the own routines, on the factors
// of the route taken (dgesv's factors and interchanges have the form of the
// own routines').
#pragma once

#include "linalg/MatrixOrder.h"
#include "linalg/PlanCode.h"
#include "linalg/SparseLu.h"
#include "linalg/SparsityPattern.h"

namespace vrex {

// The setting that chooses the route (linSolver).
enum class LinSolver : int {
  ownLu = 1,  // the own LU routines
  lapack = 2, // LAPACK's dgesv
};

// How the own LU routines run; every path gives the same bits.
enum class LuPath {
  // Along the structure where that is exact, with the generated code where
  // the pattern has some; the dense routines elsewhere.
  followStructure,
  // The same without the generated code: its gain can be measured.
  followStructureWithoutGeneratedCode,
  // The dense routines on the full matrix every time.
  denseOnly,
};

// A singular matrix met by a solve. The solve still gives an x: the own
// routines factorise to the end (a zero row never becomes a pivot row, a
// zero pivot becomes TINY), and after a singular factor dgesv leaves x = b.
enum class Singularity {
  none,
  zeroRow,            // own routines: a row without any non-zero value
  lapackSingular,     // dgesv: info > 0, an exactly zero pivot
  lapackIllegalValue, // dgesv: info < 0, an argument with an illegal value
};

// What one solve did.
struct LinearSolve {
  Singularity singularity = Singularity::none;
  int detail = 0;     // zeroRow: the first such row, from 1; dgesv: its info
  bool dense = false; // solved on the full matrix (dense routines or dgesv)
};

// The solver's work arrays, sized for the largest system. After a solve
// pivotIndex holds its row interchanges (in luDecompose's form, whichever
// route ran), and sparse.factors its factors: row by row when it followed
// the structure, column-major (leading dimension n) when it ran on the full
// matrix. No full copy of A is kept: the improvement passes form its
// columns from its values one at a time.
struct LinearSolverWork {
  int pivotIndex[maxSystemOrder];
  SparseLuWork sparse;
};

class LinearSolver {
public:
  // Prepares the solves of the matrices of one pattern, which must outlive
  // the solver. planCode is code generated for the pattern's commonest
  // pivot sequences, or null.
  LinearSolver(const SparsityPattern &pattern, const PlanCodeTable *planCode, LinSolver route,
               LuPath path, LinearSolverWork &work);

  // Solves A x = b, A given by `values` at the places of the pattern in its
  // order, then refines x with `improvementPasses` passes of iterative
  // improvement. b and x hold n elements each and do not overlap.
  LinearSolve solve(const double *values, const double *b, double *x, int improvementPasses);

private:
  bool solveFollowingStructure(const double *values, const double *b, double *x,
                               int improvementPasses);
  LinearSolve solveDense(const double *values, const double *b, double *x, int improvementPasses);

  const SparsityPattern &pattern_;
  LinearSolverWork &work_;
  LinSolver route_;
  bool followStructure_;
};

} // namespace vrex
