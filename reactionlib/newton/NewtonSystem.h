// A square nonlinear system F(x) = 0 as the Newton iteration sees it: its
// unknowns, which the iteration updates in place, the residual at their
// current values, and the Jacobian as the values at the places of a fixed
// sparsity pattern.
#pragma once

#include "linalg/PlanCode.h"
#include "linalg/SparsityPattern.h"

namespace vrex {

class NewtonSystem {
public:
  // Number of unknowns n, at most maxSystemOrder.
  virtual int order() const = 0;
  // The n unknowns: the starting estimate on entry, the result on return.
  virtual double *unknowns() = 0;
  // Factor of the residual measure: the iteration has converged when this
  // factor times the largest residual magnitude is below tolResid.
  virtual double residualScale() const = 0;
  // F at the current unknowns into resid[0..n-1].
  virtual void evalResidual(double *resid) const = 0;
  // The places where dF/dx can be non-zero, at most maxJacobianValues
  // (NewtonWork.h); every other entry is zero at every x. The same object
  // for the whole life of the system.
  virtual const SparsityPattern &jacobianPattern() const = 0;
  // dF/dx at the current unknowns, at the places of the pattern, in its
  // order.
  virtual void evalJacobianValues(double *values) const = 0;
  // LU code generated for the pivot sequences the Jacobian meets most, or
  // null when there is none.
  virtual const PlanCodeTable *planCode() const { return nullptr; }

protected:
  ~NewtonSystem() = default;
};

} // namespace vrex
