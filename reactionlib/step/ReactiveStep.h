// Backward-Euler Newton iteration over one time step of one node: the
// network's residual and Jacobian solved for step.conc, which holds the
// starting estimate on entry and the result on return.
#pragma once

#include "network/Network.h"
#include "newton/NewtonSettings.h"
#include "newton/NewtonSystem.h"
#include "newton/NewtonWork.h"

namespace vrex {

// The backward-Euler equations of one node step as a Newton system: the
// unknowns are the concentrations at the end of the step, and the residual
// measure is scaled by the time step. The equilibrium constants are formed
// once, when the system is made.
class NodeStepSystem final : public NewtonSystem {
public:
  NodeStepSystem(NodeStep &step, const double *netpar)
      : step_(step), netpar_(netpar), constants_(formEquilibriumConstants(netpar)) {}

  int order() const override;
  double *unknowns() override;
  double residualScale() const override;
  void evalResidual(double *resid) const override;
  const SparsityPattern &jacobianPattern() const override;
  void evalJacobianValues(double *values) const override;

private:
  NodeStep &step_;
  const double *netpar_;
  EquilibriumConstants constants_;
};

NewtonOutcome newtonSolve(NodeStep &step, const double *netpar, const HeldSpecies &held,
                          const NewtonSettings &settings, NewtonWork &work);

} // namespace vrex
