// The Newton iteration on any system of at most maxSystemOrder unknowns,
// with what only the tests and the benchmarks need: counts of what an
// iteration did, and ways to switch off its shortcuts (ending a repeating
// iteration early, following the Jacobian's structure in the linear algebra,
// the code generated for its commonest pivot sequences) so that their
// results and their gain can be compared with the plain iteration's.
#pragma once

#include "linalg/LinearSolver.h"
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

struct IterationOptions {
  CycleRule cycles = CycleRule::skipRepeats;
  LuPath lu = LuPath::followStructure;
};

// What the iteration tells its caller while it runs. It writes nothing
// itself: what is reported, and how, is the caller's.
class NewtonEvents {
public:
  // The linear system of an iteration was singular; the iteration goes on
  // with the step the solve gave (see Singularity).
  virtual void singularLinearSystem(const LinearSolve &solve) = 0;

protected:
  ~NewtonEvents() = default;
};

// Every iteration evaluates the residual and the Jacobian at the current
// unknowns, solves J step = -F, limits the step of each positive unknown to
// 10 % of its value, pins held unknowns and tests two strict convergence
// criteria. Reads and writes nothing but its arguments.
NewtonOutcome runNewtonIteration(NewtonSystem &system, const HeldUnknowns &held,
                                 const NewtonSettings &settings, NewtonWork &work,
                                 NewtonEvents &events, IterationOptions options = {});

} // namespace vrex
