// The reaction network seen from the solver: the rate vector, the residual of
// the implicit mass balances and equilibria of one time step, and its
// analytic Jacobian. Each reads only its arguments: the node step, the
// parameter table netpar(1..62) (at index j - 1) and the output array.
#pragma once

#include "network/NodeStep.h"

namespace vrex {

// Fills rates[0..53] at the concentrations conc in the regime flushFlag.
void evalRates(const double *conc, const double *netpar, double flushFlag, double *rates);

// Fills resid[0..38] with the residual at step.conc.
void evalResidual(const NodeStep &step, const double *netpar, double *resid);

// Writes all 39 x 39 entries of jac (column-major, leading dimension 39):
// the derivative of residual row i with respect to conc(j) at step.conc.
void evalJacobian(const NodeStep &step, const double *netpar, double *jac);

} // namespace vrex
