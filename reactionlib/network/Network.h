// The reaction network seen from the solver: the rate vector, the residual of
// the implicit mass balances and equilibria of one time step, and its
// analytic Jacobian. Each reads only its arguments: the node step, the
// parameter table netpar(1..62) (at index j - 1; the library passes
// network::netpar, NetworkConstants.h) and the output array.
#pragma once

#include "linalg/SparsityPattern.h"
#include "network/NodeStep.h"

namespace vrex {

inline constexpr int nequilibria = 9;

// K = 10^-netpar(pK) of each equilibrium, in the order of the equilibria
// table. They depend on the parameters only, so a call forms them once (in
// the library's floating-point environment, where the power rounds the same
// every time) instead of at every evaluation.
struct EquilibriumConstants {
  double K[nequilibria];
};

EquilibriumConstants formEquilibriumConstants(const double *netpar);

// Fills rates[0..53] at the concentrations conc in the regime flushFlag.
void evalRates(const double *conc, const double *netpar, double flushFlag, double *rates);

// Fills resid[0..38] with the residual at step.conc; constants are those of
// netpar.
void evalResidual(const NodeStep &step, const double *netpar, const EquilibriumConstants &constants,
                  double *resid);

// The places of the Jacobian the network couples: 219 of the 1521. Every
// other entry is identically zero.
inline constexpr int njacobianValues = 219;
extern const SparsityPattern jacobianPattern;

// Writes the Jacobian's values at the places of jacobianPattern, in its
// order: the derivative of residual row i with respect to conc(j) at
// step.conc. scatterValues (linalg/SparsityPattern.h) makes the full matrix
// of them.
void evalJacobian(const NodeStep &step, const double *netpar, const EquilibriumConstants &constants,
                  double *values);

} // namespace vrex
