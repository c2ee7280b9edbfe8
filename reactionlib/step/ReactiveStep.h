// The reactive step of one node: the backward-Euler equations of the network
// solved by the Newton iteration for step.conc, which holds the starting
// estimate on entry and the result on return.
#pragma once

#include "network/Network.h"
#include "newton/NewtonIteration.h"

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
  const PlanCodeTable *planCode() const override;

private:
  NodeStep &step_;
  const double *netpar_;
  EquilibriumConstants constants_;
};

// The settings of every call: fixed, nothing configures them.
inline constexpr NewtonSettings nodeStepSettings{
    .tolStep = 1e-12,
    .tolResid = 5e-12,
    .maxIter = 100000,
    .linSolver = LinSolver::ownLu,
};

// The Newton iteration on the node step with the network's parameters. A
// singular linear system is reported on standard output: one with an
// all-zero row once per call, followed by the console pause; each one dgesv
// finds (linSolver lapack) as it comes.
NewtonOutcome newtonSolve(NodeStep &step, const HeldUnknowns &held, NewtonWork &work,
                          const NewtonSettings &settings = nodeStepSettings,
                          IterationOptions options = {});

} // namespace vrex
