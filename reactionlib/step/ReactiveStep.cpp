#include "step/ReactiveStep.h"

#include "host/ConsoleLine.h"
#include "host/ConsolePause.h"
#include "network/JacobianPlanCode.h"
#include "network/NetworkConstants.h"

namespace vrex {

static_assert(ncomp <= maxSystemOrder, "the work arrays must hold the network's system");
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
  vrex::evalJacobian(step_, netpar_, constants_, values);
}
const PlanCodeTable *NodeStepSystem::planCode() const { return &jacobianPlanCode; }

namespace {

// The diagnostic lines of one call's singular linear systems.
class ConsoleReports final : public NewtonEvents {
public:
  void singularLinearSystem(const LinearSolve &solve) override {
    switch (solve.singularity) {
    case Singularity::zeroRow:
      // A held species at zero can empty a row in every iteration: one line
      // per call, and the pause at most once per process.
      if (!zeroRowReported_) {
        zeroRowReported_ = true;
        ConsoleLine().text("Singular matrix").integer(solve.detail).integer(ncomp).integer(ncomp).write();
        pauseAtMostOncePerProcess();
      }
      break;
    case Singularity::lapackIllegalValue:
      ConsoleLine().text("illegal value in LUD").integer(solve.detail).write();
      break;
    case Singularity::lapackSingular:
      ConsoleLine().text("singular matrix in LUD").write();
      break;
    case Singularity::none:
      break;
    }
  }

private:
  bool zeroRowReported_ = false;
};

} // namespace

NewtonOutcome newtonSolve(NodeStep &step, const HeldUnknowns &held, NewtonWork &work,
                          const NewtonSettings &settings, IterationOptions options) {
  NodeStepSystem system(step, network::netpar.data());
  ConsoleReports reports;
  return runNewtonIteration(system, held, settings, work, reports, options);
}

} // namespace vrex
