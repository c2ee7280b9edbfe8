// Settings and outcome of the Newton iteration.
#pragma once

#include "linalg/LinearSolver.h"

namespace vrex {

struct NewtonSettings {
  double tolStep;      // converged when the largest undamped step is below it
  double tolResid;     // converged when the scaled residual is below it
  int maxIter;         // largest number of iterations
  LinSolver linSolver; // the route of the linear solves
};

// How the iteration ended. The values are the status codes the library's
// callers get.
enum class NewtonStatus : int {
  converged = 0,
  convergedAfterNegative = 1, // an updated unknown was below zero in some iteration
  notConverged = 2,           // maxIter iterations without convergence, or maxIter not positive
  notConvergedAfterNegative = 3,
};

struct NewtonOutcome {
  NewtonStatus status;
  int iterations;      // iterations performed; 0 when maxIter is 0 or negative
  int denseSolves = 0; // iterations whose linear system was solved on the full matrix
  int cyclePeriod = 0; // period of the repeat that ended the iteration early, or 0
};

} // namespace vrex
