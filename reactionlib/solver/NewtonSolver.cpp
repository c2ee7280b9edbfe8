// Full Newton iteration for the backward-Euler step of one node.
//
// Every iteration evaluates the residual and its analytic Jacobian at the
// current concentrations, solves J step = -residual, limits the step of each
// positive species to 10 % of its value, pins held species, and tests two
// strict convergence criteria: the undamped step and the residual (scaled by
// dt) of the iterate the step was computed at. There is no line search and no
// sub-stepping; the time step is always taken whole.
#include "solver/NewtonSolver.h"

#include "ConsoleLine.h"
#include "ReactionState.h"
#include "network/Network.h"
#include "solver/Lapack.h"
#include "solver/LuSolver.h"
#include "solver/NewtonIteration.h"
#include "solver/StepLimit.h"

#include <cmath>
#include <cstring>

namespace vrex {

namespace {

// Iterations from this one on refine each solution with two passes of
// iterative improvement; the Jacobian of a stiff network is badly scaled.
constexpr int firstImprovedIteration = 9;
constexpr int improvementPasses = 2;

bool allFinite(const double *values) {
  for (int k = 0; k < ncomp; ++k) {
    if (!std::isfinite(values[k])) {
      return false;
    }
  }
  return true;
}

// The status an iteration ends with when it stops without converging.
void markNotConverged(int &status) { status = status == 0 ? 2 : 3; }

// Solves luMat x = rhs in place: rhs becomes the solution and luMat its
// factors, with pivotIndex recording the interchanges either way.
void solveLinearSystem(ReactionState &s, int linSolver) {
  if (linSolver == 1) {
    double parity = 0.0;
    luDecompose(s.luMat, ncomp, ncomp, s.pivotIndex, parity);
    luBackSubstitute(s.luMat, ncomp, ncomp, s.pivotIndex, s.rhs);
    return;
  }
  const int order = ncomp;
  const int rightHandSides = 1;
  int info = 0;
  dgesv_(&order, &rightHandSides, s.luMat, &order, s.pivotIndex, s.rhs, &order, &info);
  // Either way the iteration goes on with whatever rhs holds: after a
  // singular factor dgesv leaves it unchanged, so the step is the negated
  // residual.
  if (info < 0) {
    ConsoleLine().text("illegal value in LUD").integer(info).write();
  } else if (info > 0) {
    ConsoleLine().text("singular matrix in LUD").write();
  }
}

// Negates the residual in place to form the right-hand side and returns
// dt times its largest magnitude (0 when every component is 0).
double negateResidual(ReactionState &s) {
  double largest = 0.0;
  for (int k = 0; k < ncomp; ++k) {
    s.resid[k] = -s.resid[k];
    const double magnitude = std::fabs(s.resid[k]);
    if (magnitude > largest) {
      largest = magnitude;
    }
  }
  return s.dt * largest;
}

// Applies the step now held in resid to conc, species by species. Held
// species are pinned and their step zeroed so that they do not count in the
// step measure. Returns the largest undamped step magnitude.
double applyStep(ReactionState &s, int nodeIndex, int &status) {
  double stepMax = 0.0;
  for (int k = 0; k < ncomp; ++k) {
    double value = limitedUpdate(s.concStart[k], s.resid[k]);
    if (nodeIndex == 1 && s.solveMode[k] == 0) {
      value = s.fixedConc[k];
      s.resid[k] = 0.0;
    }
    s.conc[k] = value;
    // Negative values are only reported, never clipped; the flag is sticky.
    if (value < 0.0) {
      status = 1;
    }
    const double magnitude = std::fabs(s.resid[k]);
    if (magnitude > stepMax) {
      stepMax = magnitude;
    }
  }
  return stepMax;
}

} // namespace

int runNewtonIteration(int nodeIndex, int &status, double tolResid, double tolStep, int maxIter,
                       int linSolver, StallRule stallRule) {
  if (maxIter <= 0) {
    status = 2;
    return 0;
  }
  ReactionState &s = reactionState;
  status = 0;
  for (int iteration = 1;; ++iteration) {
    evalResidual(s.resid, nodeIndex);
    const double resMax = negateResidual(s);
    // A residual that is not finite can only produce meaningless steps; stop
    // with the last finite iterate instead of running out the iterations.
    if (!allFinite(s.resid) || !std::isfinite(resMax)) {
      markNotConverged(status);
      return iteration;
    }

    evalJacobian(s.jac, nodeIndex);
    std::memcpy(s.luMat, s.jac, sizeof(s.luMat));
    std::memcpy(s.rhs, s.resid, sizeof(s.rhs));
    solveLinearSystem(s, linSolver);
    if (iteration >= firstImprovedIteration) {
      for (int pass = 0; pass < improvementPasses; ++pass) {
        luImprove(s.jac, s.luMat, ncomp, ncomp, s.pivotIndex, s.resid, s.rhs);
      }
    }
    if (!allFinite(s.rhs)) {
      markNotConverged(status);
      return iteration;
    }

    std::memcpy(s.resid, s.rhs, sizeof(s.resid));
    std::memcpy(s.concStart, s.conc, sizeof(s.concStart));
    const double stepMax = applyStep(s, nodeIndex, status);

    // Strict tests; resMax belongs to the iterate before this update.
    if (tolStep > stepMax || tolResid > resMax) {
      return iteration;
    }
    // From the first improved iteration on, an iteration is a fixed function
    // of conc (everything else it reads is constant during the call). If it
    // left conc bit for bit unchanged, all remaining iterations would repeat
    // it exactly and end at maxIter with this very state.
    if (stallRule == StallRule::endAtOnce && iteration >= firstImprovedIteration &&
        std::memcmp(s.conc, s.concStart, sizeof(s.conc)) == 0) {
      markNotConverged(status);
      return iteration;
    }
    if (iteration >= maxIter) {
      markNotConverged(status);
      return iteration;
    }
  }
}

void newtonSolve(int nodeIndex, int &status, double tolResid, double tolStep, int maxIter,
                 int linSolver) {
  runNewtonIteration(nodeIndex, status, tolResid, tolStep, maxIter, linSolver,
                     StallRule::endAtOnce);
}

} // namespace vrex
