#include "step/ReactionState.h"

namespace vrex {

namespace {

// A switch value below this selects the flushing regime.
constexpr double flushSwitchThreshold = 0.002;

// Concentrations are never handed to the chemistry below this value; a NaN
// is not below it and passes unchanged.
constexpr double concentrationFloor = 1e-20;

double atLeastFloor(double value) { return value < concentrationFloor ? concentrationFloor : value; }

} // namespace

void prepareNodeStep(ReactionState &state, const double *concIn, const double *concGuess,
                     const int *fixFlags, double dt, double switchValue) {
  state.step.dt = dt;
  for (int i = 0; i < ncomp; ++i) {
    state.step.conc[i] = atLeastFloor(concGuess[i]);
    state.step.concOld[i] = atLeastFloor(concIn[i]);
    if (fixFlags[i] != 0) {
      // Held at the caller's value as given, not raised.
      state.held.fixedConc[i] = concIn[i];
      state.held.solveMode[i] = SolveMode::held;
    } else {
      state.held.solveMode[i] = SolveMode::solved;
    }
  }
  state.switchValue = switchValue;
  updateFlushFlag(state);
}

void updateFlushFlag(ReactionState &state) {
  // Written as "below the threshold" so that a switch value that is not a
  // number keeps the reactive regime.
  state.step.flushFlag = state.switchValue < flushSwitchThreshold ? 1.0 : 0.0;
}

} // namespace vrex
