// A square nonlinear system F(x) = 0 as the Newton iteration sees it: its
// unknowns, which the iteration updates in place, and the residual and
// Jacobian at their current values.
#pragma once

namespace vrex {

class NewtonSystem {
public:
  // Number of unknowns n, at most maxNewtonOrder.
  virtual int order() const = 0;
  // The n unknowns: the starting estimate on entry, the result on return.
  virtual double *unknowns() = 0;
  // Factor of the residual measure: the iteration has converged when this
  // factor times the largest residual magnitude is below tolResid.
  virtual double residualScale() const = 0;
  // F at the current unknowns into resid[0..n-1].
  virtual void evalResidual(double *resid) const = 0;
  // dF/dx at the current unknowns into jac, column-major with leading
  // dimension n; every entry written.
  virtual void evalJacobian(double *jac) const = 0;

protected:
  ~NewtonSystem() = default;
};

} // namespace vrex
