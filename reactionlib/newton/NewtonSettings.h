// Settings and outcome of the Newton iteration.
#pragma once

namespace vrex {

struct NewtonSettings {
  double tolStep;  // converged when the largest undamped step is below it
  double tolResid; // converged when the scaled residual is below it
  int maxIter;     // largest number of iterations
  int linSolver;   // 1: own LU solver; any other value: LAPACK dgesv
};

// Status: 0 converged, 1 converged after a negative value was seen, 2 not
// converged within maxIter, 3 not converged and a negative value was seen.
struct NewtonOutcome {
  int status;
  int iterations;  // iterations performed; 0 when maxIter is 0 or negative
  int denseSolves = 0; // iterations whose linear system the dense routines solved
  int cyclePeriod = 0; // period of the repeat that ended the iteration early, or 0
};

} // namespace vrex
