// The Newton iteration on any system of at most maxNewtonOrder unknowns,
// with the two things that only the tests and the benchmarks need: the
// number of iterations it took, and a way to switch off the early end of a
// stalled iteration so that its result can be compared with running the
// iterations out.
#pragma once

#include "solver/NewtonSettings.h"
#include "solver/NewtonSystem.h"
#include "solver/NewtonWork.h"

namespace vrex {

enum class StallRule {
  // End as soon as an iteration with improvement passes leaves every unknown
  // bit for bit unchanged without converging: every later iteration would
  // repeat it exactly.
  endAtOnce,
  // Keep iterating until convergence or maxIter.
  runOut,
};

// Every iteration evaluates the residual and the Jacobian at the current
// unknowns, solves J step = -F, limits the step of each positive unknown to
// 10 % of its value, pins held unknowns and tests two strict convergence
// criteria. Reads and writes nothing but its arguments; a singular matrix
// is reported on standard output at most once per call, with the console
// pause.
NewtonOutcome runNewtonIteration(NewtonSystem &system, const HeldSpecies &held,
                                 const NewtonSettings &settings, NewtonWork &work,
                                 StallRule stallRule);

} // namespace vrex
