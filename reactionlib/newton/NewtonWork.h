// What the Newton iteration reads besides its system and settings: the
// unknowns held at fixed values, and its work arrays. Both are sized for the
// largest system the library solves (the network's 39 species); a smaller
// system uses their leading part, its matrices with its own order as leading
// dimension.
#pragma once

#include "linalg/SparseLu.h"
#include "linalg/MatrixOrder.h"

namespace vrex {

inline constexpr int maxJacobianValues = maxNewtonOrder * maxNewtonOrder;

struct HeldSpecies {
  int solveMode[maxNewtonOrder];    // 0: held at fixedConc; any other value: solved for
  double fixedConc[maxNewtonOrder]; // value a held unknown is pinned at
};

// After a return resid, rhs, pivotIndex, concStart and jacValues hold the
// values of the last iteration. The dense matrices hold those of the last
// iteration that used the dense routines, sparse the factors of the last
// that did not.
struct NewtonWork {
  double resid[maxNewtonOrder];  // residual, negated; after the solve the step
  double jacValues[maxJacobianValues]; // Jacobian at the places of its pattern
  double jac[maxNewtonOrder * maxNewtonOrder];   // the same as a dense matrix
  double luMat[maxNewtonOrder * maxNewtonOrder]; // its factors
  double rhs[maxNewtonOrder];    // right-hand side, replaced by the solution
  int pivotIndex[maxNewtonOrder];
  double concStart[maxNewtonOrder]; // the unknowns before the update
  SparseLuWork sparse;           // the structure-following path's factors and arrays
};

} // namespace vrex
