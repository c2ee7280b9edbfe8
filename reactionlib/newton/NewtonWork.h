// What the Newton iteration reads besides its system and settings: the
// unknowns held at fixed values, and its work arrays. Both are sized for the
// largest system the library solves (the network's 39 species, whose
// Jacobian has 219 places); a smaller system uses their leading part, its
// matrices with its own order as leading dimension.
#pragma once

#include "linalg/LinearSolver.h"
#include "linalg/MatrixOrder.h"

namespace vrex {

// The most places a system's Jacobian pattern may have. The work arrays
// live on the stack of every call, so they hold what the library's system
// needs, not a full matrix of the largest order.
inline constexpr int maxJacobianValues = 256;

// Whether the iteration solves for an unknown or holds it at a fixed value.
enum class SolveMode : int {
  held = 0,
  solved = 5,
};

struct HeldUnknowns {
  SolveMode solveMode[maxSystemOrder];
  double fixedConc[maxSystemOrder]; // value a held unknown is pinned at
};

// After a return resid, rhs, concStart and jacValues hold the values of the
// last iteration, and linear what its linear solve left (LinearSolver.h).
struct NewtonWork {
  double resid[maxSystemOrder];        // residual, negated; after the solve the step
  double jacValues[maxJacobianValues]; // Jacobian at the places of its pattern
  double rhs[maxSystemOrder];          // the solution of the linear system
  double concStart[maxSystemOrder];    // the unknowns before the update
  LinearSolverWork linear;             // the linear solver's matrices and factors
};

} // namespace vrex
