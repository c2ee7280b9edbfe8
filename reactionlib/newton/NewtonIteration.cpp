// Full Newton iteration.
//
// Every iteration evaluates the residual and its Jacobian at the current
// unknowns, solves J step = -residual, limits the step of each positive
// unknown to 10 % of its value, pins held unknowns, and tests two strict
// convergence criteria: the undamped step and the scaled residual of the
// iterate the step was computed at. There is no line search and no
// sub-stepping.
#include "newton/NewtonIteration.h"

#include "newton/RepeatDetector.h"
#include "newton/StepLimit.h"

#include <cassert>
#include <cmath>
#include <cstring>

namespace vrex {

namespace {

// Iterations from this one on refine each solution with two passes of
// iterative improvement; the Jacobian of a stiff network is badly scaled.
constexpr int firstImprovedIteration = 9;
constexpr int improvementPasses = 2;

bool allFinite(const double *values, int n) {
  for (int k = 0; k < n; ++k) {
    if (!std::isfinite(values[k])) {
      return false;
    }
  }
  return true;
}

NewtonStatus endStatus(bool converged, bool negativeSeen) {
  if (converged) {
    return negativeSeen ? NewtonStatus::convergedAfterNegative : NewtonStatus::converged;
  }
  return negativeSeen ? NewtonStatus::notConvergedAfterNegative : NewtonStatus::notConverged;
}

// Negates the residual in place to form the right-hand side and returns
// scale times its largest magnitude (0 when every component is 0).
double negateResidual(double *resid, int n, double scale) {
  double largest = 0.0;
  for (int k = 0; k < n; ++k) {
    resid[k] = -resid[k];
    const double magnitude = std::fabs(resid[k]);
    if (magnitude > largest) {
      largest = magnitude;
    }
  }
  return scale * largest;
}

// Applies the step now held in work.resid to x, unknown by unknown. Held
// unknowns are pinned and their step zeroed so that they do not count in the
// step measure. Returns the largest undamped step magnitude.
double applyStep(double *x, int n, const HeldUnknowns &held, NewtonWork &work,
                 bool &negativeSeen) {
  double stepMax = 0.0;
  for (int k = 0; k < n; ++k) {
    double value = limitedUpdate(work.concStart[k], work.resid[k]);
    if (held.solveMode[k] == SolveMode::held) {
      value = held.fixedConc[k];
      work.resid[k] = 0.0;
    }
    x[k] = value;
    // Negative values are only reported, never clipped; the flag is sticky.
    if (value < 0.0) {
      negativeSeen = true;
    }
    const double magnitude = std::fabs(work.resid[k]);
    if (magnitude > stepMax) {
      stepMax = magnitude;
    }
  }
  return stepMax;
}

} // namespace

NewtonOutcome runNewtonIteration(NewtonSystem &system, const HeldUnknowns &held,
                                 const NewtonSettings &settings, NewtonWork &work,
                                 NewtonEvents &events, IterationOptions options) {
  NewtonOutcome outcome{NewtonStatus::notConverged, 0, 0, 0};
  if (settings.maxIter <= 0) {
    return outcome;
  }
  const int n = system.order();
  assert(n <= maxSystemOrder && system.jacobianPattern().count <= maxJacobianValues);
  const std::size_t vectorBytes = sizeof(double) * static_cast<std::size_t>(n);
  LinearSolver linear(system.jacobianPattern(), system.planCode(), settings.linSolver, options.lu,
                      work.linear);
  double *x = system.unknowns();
  // Sticky over the iterations: some updated unknown was below zero.
  bool negativeSeen = false;
  RepeatDetector repeats;
  const bool skipRepeats = options.cycles == CycleRule::skipRepeats;
  int lastIteration = settings.maxIter;
  const auto end = [&](bool converged, int iteration) {
    outcome.status = endStatus(converged, negativeSeen);
    outcome.iterations = iteration;
    return outcome;
  };
  for (int iteration = 1;; ++iteration) {
    // From here on an iteration is a fixed function of the unknowns and the
    // negative flag (everything else it reads is constant during the call).
    if (skipRepeats && iteration == firstImprovedIteration) {
      repeats.start(x, n, negativeSeen, iteration - 1);
    }
    system.evalResidual(work.resid);
    const double resMax = negateResidual(work.resid, n, system.residualScale());
    // A residual that is not finite can only produce meaningless steps; stop
    // with the last finite iterate instead of running out the iterations.
    if (!allFinite(work.resid, n) || !std::isfinite(resMax)) {
      return end(false, iteration);
    }

    system.evalJacobianValues(work.jacValues);
    const bool improve = iteration >= firstImprovedIteration;
    const LinearSolve solved =
        linear.solve(work.jacValues, work.resid, work.rhs, improve ? improvementPasses : 0);
    if (solved.singularity != Singularity::none) {
      events.singularLinearSystem(solved);
    }
    outcome.denseSolves += solved.dense ? 1 : 0;
    if (!allFinite(work.rhs, n)) {
      return end(false, iteration);
    }

    std::memcpy(work.resid, work.rhs, vectorBytes);
    std::memcpy(work.concStart, x, vectorBytes);
    const double stepMax = applyStep(x, n, held, work, negativeSeen);

    // Strict tests; resMax belongs to the iterate before this update.
    if (settings.tolStep > stepMax || settings.tolResid > resMax) {
      return end(true, iteration);
    }
    // A state seen before repeats with its period until maxIter; the last
    // iteration whose distance to maxIter is a whole number of periods
    // leaves exactly what maxIter would. An unchanged state is period 1.
    if (skipRepeats && improve && outcome.cyclePeriod == 0) {
      const int period = repeats.periodAfter(x, n, negativeSeen, iteration);
      if (period > 0) {
        outcome.cyclePeriod = period;
        lastIteration = iteration + (settings.maxIter - iteration) % period;
      }
    }
    if (iteration >= lastIteration) {
      return end(false, iteration);
    }
  }
}

} // namespace vrex
