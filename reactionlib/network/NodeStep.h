// One node over one time step, as the network's equations see it: the
// concentrations they are evaluated at, the start-of-step concentrations, the
// length of the step and the regime. The rate laws, the residual and the
// Jacobian read nothing else but the parameter table.
#pragma once

#include "network/NetworkSizes.h"

namespace vrex {

struct NodeStep {
  double conc[ncomp];    // current concentrations; the unknowns of the step
  double concOld[ncomp]; // concentrations at the start of the step
  double dt;             // time step length
  double flushFlag;      // m: 1.0 flushing regime, 0.0 reactive regime
};

} // namespace vrex
