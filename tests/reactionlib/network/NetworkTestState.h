// Helpers shared by the network tests: load the parameters as every call of
// the library uses them, choose the regime, evaluate the network, and draw
// random positive states.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>

#include "linalg/SparsityPattern.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"

namespace vrex::test {

// One node as the network tests evaluate it: the node step, the parameter
// table (a copy, which a test may change) and the rate vector.
struct NodeEvaluation {
  NodeStep step;
  double netpar[nnetpar];
  double rates[nrates];
};

inline NodeEvaluation node;

// The network's parameters as every call uses them, in the reactive regime.
inline void loadNetwork() {
  std::copy(network::netpar.begin(), network::netpar.end(), node.netpar);
  node.step.flushFlag = 0.0;
}

// m = 1.0 selects flushing, m = 0.0 the reactive regime.
inline void selectRegime(double m) { node.step.flushFlag = m; }

// The rate vector of the node into node.rates.
inline void evalNodeRates() { evalRates(node.step.conc, node.netpar, node.step.flushFlag, node.rates); }

// The residual of the node, with the equilibrium constants of its parameters.
inline void evalNodeResidual(double *resid) {
  evalResidual(node.step, node.netpar, formEquilibriumConstants(node.netpar), resid);
}

// The node's Jacobian as a full 39 x 39 matrix (column-major): its values
// at the places of the pattern, zeros elsewhere.
inline void evalNodeJacobian(double *jac) {
  double values[njacobianValues];
  evalJacobian(node.step, node.netpar, formEquilibriumConstants(node.netpar), values);
  std::fill(jac, jac + nmatrix, 0.0);
  scatterValues(jacobianPattern, values, jac);
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
  randomConcentrations(rng, node.step.conc);
  randomConcentrations(rng, node.step.concOld);
  node.step.dt = dt;
}

// Species i and netpar(j) by their 1-based numbers.
inline double &conc(int i) { return node.step.conc[i - 1]; }
inline double &concOld(int i) { return node.step.concOld[i - 1]; }
inline double netpar(int j) { return node.netpar[j - 1]; }
inline double rate(int k) { return node.rates[k - 1]; }

// Entry (i, j) of a 39 x 39 column-major matrix, both counted from 1.
inline double entry(const double *matrix, int i, int j) { return matrix[ncomp * (j - 1) + (i - 1)]; }

} // namespace vrex::test
