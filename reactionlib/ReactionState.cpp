#include "ReactionState.h"

#include "network/NetworkConstants.h"

namespace vrex {

// Zero-filled at load like every object of static storage duration.
ReactionState reactionState;

namespace {

// A switch value below this selects the flushing regime.
constexpr double flushSwitchThreshold = 0.002;

} // namespace

void initSettings() {
  reactionState.tolStep = 1e-12;
  reactionState.tolResid = 5e-12;
  reactionState.maxIter = 100000;
  reactionState.linSolver = 1;
}

void initNetworkParameters() {
  double *netpar = reactionState.netpar;
  for (int j = 0; j < nnetpar; ++j) {
    netpar[j] = network::parameterTable[j];
  }
  // Formed here rather than stored, so each is the double product of its
  // factors and not a rounded decimal.
  for (const network::DerivedParameter &derived : network::derivedParameters) {
    netpar[derived.index - 1] = derived.factor * netpar[derived.source - 1];
  }
  reactionState.flushFlag = 0.0;
}

void initSpeciesTables() {
  for (int i = 0; i < ncomp; ++i) {
    reactionState.fixedConc[i] = 1.0;
    reactionState.flushRateIndex[i] = 0.0;
  }
  for (const network::FlushingLaw &law : network::flushingLaws) {
    reactionState.flushRateIndex[law.species - 1] = law.rateEntry;
  }
}

void updateFlushFlag(int nodeIndex) {
  reactionState.switchValue = reactionState.nodeSwitch[nodeIndex - 1];
  // Written as "below the threshold" so that a switch value that is not a
  // number keeps the reactive regime.
  reactionState.flushFlag = reactionState.switchValue < flushSwitchThreshold ? 1.0 : 0.0;
}

} // namespace vrex
