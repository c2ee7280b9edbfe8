#include "step/ReactionState.h"

#include "network/NetworkConstants.h"

namespace vrex {

namespace {

// A switch value below this selects the flushing regime.
constexpr double flushSwitchThreshold = 0.002;

} // namespace

void initSettings(ReactionState &state) {
  state.settings.tolStep = 1e-12;
  state.settings.tolResid = 5e-12;
  state.settings.maxIter = 100000;
  state.settings.linSolver = LinSolver::ownLu;
}

void initNetworkParameters(ReactionState &state) {
  double *netpar = state.netpar;
  for (int j = 0; j < nnetpar; ++j) {
    netpar[j] = network::parameterTable[j];
  }
  // Formed here rather than stored, so each is the double product of its
  // factors and not a rounded decimal.
  for (const network::DerivedParameter &derived : network::derivedParameters) {
    netpar[derived.index - 1] = derived.factor * netpar[derived.source - 1];
  }
  state.step.flushFlag = 0.0;
}

void initSpeciesTables(ReactionState &state) {
  for (int i = 0; i < ncomp; ++i) {
    state.held.fixedConc[i] = 1.0;
    state.flushRateIndex[i] = 0.0;
  }
  for (const network::FlushingLaw &law : network::flushingLaws) {
    state.flushRateIndex[law.species - 1] = law.rateEntry;
  }
}

void updateFlushFlag(ReactionState &state) {
  // Written as "below the threshold" so that a switch value that is not a
  // number keeps the reactive regime.
  state.step.flushFlag = state.switchValue < flushSwitchThreshold ? 1.0 : 0.0;
}

} // namespace vrex
