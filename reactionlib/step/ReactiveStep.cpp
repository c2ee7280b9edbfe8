#include "step/ReactiveStep.h"

#include "network/Network.h"
#include "newton/NewtonIteration.h"

namespace vrex {

static_assert(ncomp <= maxNewtonOrder, "the work arrays must hold the network's system");
static_assert(njacobianValues <= maxJacobianValues,
              "the work arrays must hold the network's Jacobian");

int NodeStepSystem::order() const { return ncomp; }
double *NodeStepSystem::unknowns() { return step_.conc; }
double NodeStepSystem::residualScale() const { return step_.dt; }
void NodeStepSystem::evalResidual(double *resid) const {
  vrex::evalResidual(step_, netpar_, constants_, resid);
}
const SparsityPattern &NodeStepSystem::jacobianPattern() const { return vrex::jacobianPattern; }
void NodeStepSystem::evalJacobianValues(double *values) const {
  vrex::evalJacobianValues(step_, netpar_, constants_, values);
}

NewtonOutcome newtonSolve(NodeStep &step, const double *netpar, const HeldSpecies &held,
                          const NewtonSettings &settings, NewtonWork &work) {
  NodeStepSystem system(step, netpar);
  return runNewtonIteration(system, held, settings, work);
}

} // namespace vrex
