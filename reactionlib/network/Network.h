// The reaction network seen from the solver: the rate vector, the residual of
// the implicit mass balances and equilibria of one time step, and its
// analytic Jacobian. All three read the concentrations, parameters, time step
// and flushing switch from reactionState and call updateFlushFlag(nodeIndex)
// before they evaluate anything.
#pragma once

namespace vrex {

// Fills reactionState.rates[0..53] at the current conc.
void evalRates(int nodeIndex);

// Fills resid[0..38] with the residual at the current conc.
void evalResidual(double *resid, int nodeIndex);

// Writes all 39 x 39 entries of jac (column-major, leading dimension 39):
// the derivative of residual row i with respect to conc(j).
void evalJacobian(double *jac, int nodeIndex);

} // namespace vrex
