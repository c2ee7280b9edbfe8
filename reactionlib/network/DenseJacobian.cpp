// The Jacobian as a full 39 x 39 matrix, for callers that want every entry.
#include "network/Network.h"

namespace vrex {

void evalJacobian(const NodeStep &step, const double *netpar, double *jac) {
  double values[njacobianValues];
  evalJacobianValues(step, netpar, formEquilibriumConstants(netpar), values);
  for (int k = 0; k < nmatrix; ++k) {
    jac[k] = 0.0;
  }
  scatterValues(jacobianPattern, values, jac);
}

} // namespace vrex
