// Full Newton iteration.
//
// Every iteration evaluates the residual and its Jacobian at the current
// unknowns, solves J step = -residual, limits the step of each positive
// unknown to 10 % of its value, pins held unknowns, and tests two strict
// convergence criteria: the undamped step and the scaled residual of the
// iterate the step was computed at. There is no line search and no
// sub-stepping.
#include "newton/NewtonIteration.h"

#include "host/ConsoleLine.h"
#include "host/ConsolePause.h"
#include "linalg/Lapack.h"
#include "linalg/DenseLu.h"
#include "newton/RepeatDetector.h"
#include "linalg/SparseLu.h"
#include "newton/StepLimit.h"

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

// The status an iteration ends with when it stops without converging.
int notConverged(int status) { return status == 0 ? 2 : 3; }

// What the dense linear algebra keeps over the iterations of one call.
struct DenseSolves {
  // The places outside the Jacobian's pattern of work.jac hold their zeros:
  // they are written once per call, its values at every use.
  bool zerosWritten = false;
  // A matrix with an all-zero row has been reported; a held species at zero
  // can make every iteration's matrix singular.
  bool singularReported = false;
};

// Solves luMat x = rhs in place: rhs becomes the solution and luMat its
// factors, with pivotIndex recording the interchanges either way. A matrix
// with an all-zero row is reported once per call, with the console pause.
void solveLinearSystem(NewtonWork &work, int n, int linSolver, bool &singularReported) {
  if (linSolver == 1) {
    double parity = 0.0;
    const int zeroRow = luDecompose(work.luMat, n, n, work.pivotIndex, parity);
    if (zeroRow != 0 && !singularReported) {
      singularReported = true;
      ConsoleLine().text("Singular matrix").integer(zeroRow).integer(n).integer(n).write();
      pauseAtMostOncePerProcess();
    }
    luBackSubstitute(work.luMat, n, n, work.pivotIndex, work.rhs);
    return;
  }
  const int rightHandSides = 1;
  int info = 0;
  dgesv_(&n, &rightHandSides, work.luMat, &n, work.pivotIndex, work.rhs, &n, &info);
  // Either way the iteration goes on with whatever rhs holds: after a
  // singular factor dgesv leaves it unchanged, so the step is the negated
  // residual.
  if (info < 0) {
    ConsoleLine().text("illegal value in LUD").integer(info).write();
  } else if (info > 0) {
    ConsoleLine().text("singular matrix in LUD").write();
  }
}

// The step of one iteration with the dense routines (or dgesv) on the full
// Jacobian: its solution into work.rhs, the factors into work.luMat.
void solveDense(const SparsityPattern &pattern, NewtonWork &work, int n, int linSolver,
                bool improve, DenseSolves &dense) {
  const std::size_t entries = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  const std::size_t matrixBytes = sizeof(double) * entries;
  if (!dense.zerosWritten) {
    std::memset(work.jac, 0, matrixBytes);
    dense.zerosWritten = true;
  }
  scatterValues(pattern, work.jacValues, work.jac);
  std::memcpy(work.luMat, work.jac, matrixBytes);
  std::memcpy(work.rhs, work.resid, sizeof(double) * static_cast<std::size_t>(n));
  solveLinearSystem(work, n, linSolver, dense.singularReported);
  if (improve) {
    for (int pass = 0; pass < improvementPasses; ++pass) {
      luImprove(work.jac, work.luMat, n, n, work.pivotIndex, work.resid, work.rhs);
    }
  }
}

// The same step from the Jacobian's values at the places of its pattern,
// bit for bit what solveDense gives with the own LU routines, the factors
// into work.sparse. Returns false where that cannot be guaranteed;
// solveDense must then run.
bool solveFollowingStructure(const SparsityPattern &pattern, NewtonWork &work, int n,
                             bool improve) {
  if (!sparseLuDecompose(pattern, work.jacValues, work.pivotIndex, work.sparse) ||
      !sparseLuSolve(n, work.resid, work.rhs, work.sparse)) {
    return false;
  }
  if (improve) {
    for (int pass = 0; pass < improvementPasses; ++pass) {
      if (!sparseLuImprove(pattern, work.jacValues, work.resid, work.rhs, work.sparse)) {
        return false;
      }
    }
  }
  return true;
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
double applyStep(double *x, int n, const HeldSpecies &held, NewtonWork &work, int &status) {
  double stepMax = 0.0;
  for (int k = 0; k < n; ++k) {
    double value = limitedUpdate(work.concStart[k], work.resid[k]);
    if (held.solveMode[k] == 0) {
      value = held.fixedConc[k];
      work.resid[k] = 0.0;
    }
    x[k] = value;
    // Negative values are only reported, never clipped; the flag is sticky.
    if (value < 0.0) {
      status = 1;
    }
    const double magnitude = std::fabs(work.resid[k]);
    if (magnitude > stepMax) {
      stepMax = magnitude;
    }
  }
  return stepMax;
}

} // namespace

NewtonOutcome runNewtonIteration(NewtonSystem &system, const HeldSpecies &held,
                                 const NewtonSettings &settings, NewtonWork &work,
                                 IterationOptions options) {
  NewtonOutcome outcome{2, 0, 0, 0};
  if (settings.maxIter <= 0) {
    return outcome;
  }
  const int n = system.order();
  const std::size_t vectorBytes = sizeof(double) * static_cast<std::size_t>(n);
  const SparsityPattern &pattern = system.jacobianPattern();
  const bool followStructure = settings.linSolver == 1 && options.lu == LuPath::followStructure;
  if (followStructure) {
    preparePattern(pattern, work.sparse);
  }
  double *x = system.unknowns();
  int status = 0;
  DenseSolves dense;
  RepeatDetector repeats;
  const bool skipRepeats = options.cycles == CycleRule::skipRepeats;
  int lastIteration = settings.maxIter;
  const auto end = [&outcome](int endStatus, int iteration) {
    outcome.status = endStatus;
    outcome.iterations = iteration;
    return outcome;
  };
  for (int iteration = 1;; ++iteration) {
    // From here on an iteration is a fixed function of the unknowns and the
    // negative flag (everything else it reads is constant during the call).
    if (skipRepeats && iteration == firstImprovedIteration) {
      repeats.start(x, n, status, iteration - 1);
    }
    system.evalResidual(work.resid);
    const double resMax = negateResidual(work.resid, n, system.residualScale());
    // A residual that is not finite can only produce meaningless steps; stop
    // with the last finite iterate instead of running out the iterations.
    if (!allFinite(work.resid, n) || !std::isfinite(resMax)) {
      return end(notConverged(status), iteration);
    }

    system.evalJacobianValues(work.jacValues);
    const bool improve = iteration >= firstImprovedIteration;
    if (!followStructure || !solveFollowingStructure(pattern, work, n, improve)) {
      solveDense(pattern, work, n, settings.linSolver, improve, dense);
      ++outcome.denseSolves;
    }
    if (!allFinite(work.rhs, n)) {
      return end(notConverged(status), iteration);
    }

    std::memcpy(work.resid, work.rhs, vectorBytes);
    std::memcpy(work.concStart, x, vectorBytes);
    const double stepMax = applyStep(x, n, held, work, status);

    // Strict tests; resMax belongs to the iterate before this update.
    if (settings.tolStep > stepMax || settings.tolResid > resMax) {
      return end(status, iteration);
    }
    // A state seen before repeats with its period until maxIter; the last
    // iteration whose distance to maxIter is a whole number of periods
    // leaves exactly what maxIter would. An unchanged state is period 1.
    if (skipRepeats && improve && outcome.cyclePeriod == 0) {
      const int period = repeats.periodAfter(x, n, status, iteration);
      if (period > 0) {
        outcome.cyclePeriod = period;
        lastIteration = iteration + (settings.maxIter - iteration) % period;
      }
    }
    if (iteration >= lastIteration) {
      return end(notConverged(status), iteration);
    }
  }
}

} // namespace vrex
