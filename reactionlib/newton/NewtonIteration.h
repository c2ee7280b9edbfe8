// The Newton iteration on any system of at most maxNewtonOrder unknowns,
// with what only the tests and the benchmarks need: counts of what an
// iteration did, and ways to switch off its two shortcuts (ending a
// repeating iteration early, and following the Jacobian's structure in the
// linear algebra) so that their results can be compared with the plain
// iteration's.
#pragma once

#include "newton/NewtonSettings.h"
#include "newton/NewtonSystem.h"
#include "newton/NewtonWork.h"

namespace vrex {

enum class CycleRule {
  // From the first iteration with improvement passes on, an iteration is a
  // fixed function of the unknowns and the negative flag. When that state
  // repeats bit for bit, run only the iterations left over whole periods:
  // the result is the one maxIter would end with.
  skipRepeats,
  // Keep iterating until convergence or maxIter.
  runOut,
};

enum class LuPath {
  // Sparse factorisation and substitutions where they give the dense
  // routines' results bit for bit, the dense routines elsewhere.
  followStructure,
  // The dense routines in every iteration.
  denseOnly,
};

struct IterationOptions {
  CycleRule cycles = CycleRule::skipRepeats;
  LuPath lu = LuPath::followStructure;
};

// Every iteration evaluates the residual and the Jacobian at the current
// unknowns, solves J step = -F, limits the step of each positive unknown to
// 10 % of its value, pins held unknowns and tests two strict convergence
// criteria. Reads and writes nothing but its arguments; a singular matrix
// is reported on standard output at most once per call, with the console
// pause.
NewtonOutcome runNewtonIteration(NewtonSystem &system, const HeldSpecies &held,
                                 const NewtonSettings &settings, NewtonWork &work,
                                 IterationOptions options = {});

} // namespace vrex
