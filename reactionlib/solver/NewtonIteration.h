// The Newton iteration behind newtonSolve, with the two things that only the
// tests and the benchmarks need: the number of iterations it took, and a way
// to switch off the early end of a stalled iteration so that its result can
// be compared with running the iterations out.
#pragma once

namespace vrex {

enum class StallRule {
  // End as soon as an iteration with improvement passes leaves every
  // concentration bit for bit unchanged without converging: every later
  // iteration would repeat it exactly.
  endAtOnce,
  // Keep iterating until convergence or maxIter.
  runOut,
};

// Same contract as newtonSolve; returns the number of iterations performed
// (0 when maxIter is 0 or negative).
int runNewtonIteration(int nodeIndex, int &status, double tolResid, double tolStep, int maxIter,
                       int linSolver, StallRule stallRule);

} // namespace vrex
