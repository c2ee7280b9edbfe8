// Helpers shared by the network tests: load the constants as every call of
// the library does, choose the regime, and draw random positive states.
#pragma once

#include <cmath>
#include <random>

#include "step/ReactionState.h"
#include "network/Network.h"

namespace vrex::test {

// The record the network tests evaluate the network on.
inline ReactionState reactionState;

// Switch values on either side of the flushing threshold 0.002.
inline constexpr double reactiveSwitch = 1.0;
inline constexpr double flushingSwitch = 0.001;

inline void loadNetwork() {
  initSettings(reactionState);
  initNetworkParameters(reactionState);
  initSpeciesTables(reactionState);
}

// m = 1.0 selects flushing, m = 0.0 the reactive regime, derived from the
// switch value as the driver does.
inline void selectRegime(double m) {
  reactionState.switchValue = m == 1.0 ? flushingSwitch : reactiveSwitch;
  updateFlushFlag(reactionState);
}

// The rate vector of the node into reactionState.rates.
inline void evalNodeRates() {
  evalRates(reactionState.step.conc, reactionState.netpar, reactionState.step.flushFlag,
            reactionState.rates);
}

// Concentrations spread log-uniformly over [low, high], so that saturation
// and inhibition factors are met on both sides of their constants.
inline void randomConcentrations(std::mt19937_64 &rng, double *conc, double low = 1e-6,
                                 double high = 1e-1) {
  std::uniform_real_distribution<double> exponent(std::log10(low), std::log10(high));
  for (int i = 0; i < ncomp; ++i) {
    conc[i] = std::pow(10.0, exponent(rng));
  }
}

// A freshly loaded network at a random positive node state: concentrations
// and start-of-step concentrations drawn independently.
inline void loadRandomNode(unsigned seed, double m, double dt = 100.0) {
  loadNetwork();
  selectRegime(m);
  std::mt19937_64 rng(seed);
  randomConcentrations(rng, reactionState.step.conc);
  randomConcentrations(rng, reactionState.step.concOld);
  reactionState.step.dt = dt;
}

// Species i and netpar(j) by their 1-based numbers.
inline double &conc(int i) { return reactionState.step.conc[i - 1]; }
inline double &concOld(int i) { return reactionState.step.concOld[i - 1]; }
inline double netpar(int j) { return reactionState.netpar[j - 1]; }
inline double rate(int k) { return reactionState.rates[k - 1]; }

// Entry (i, j) of a 39 x 39 column-major matrix, both counted from 1.
inline double entry(const double *matrix, int i, int j) { return matrix[ncomp * (j - 1) + (i - 1)]; }

} // namespace vrex::test
