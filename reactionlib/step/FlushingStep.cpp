#include "step/FlushingStep.h"

#include "network/Network.h"
#include "network/NetworkConstants.h"

namespace vrex {

void takeFlushingStep(NodeStep &step, const double *netpar, double *rates) {
  for (int i = 0; i < ncomp; ++i) {
    step.conc[i] = step.concOld[i];
  }
  // Rates at the start-of-step concentrations.
  evalRates(step.conc, netpar, step.flushFlag, rates);
  for (const network::FlushingLaw &law : network::flushingLaws) {
    const int i = law.species - 1;
    step.conc[i] = step.concOld[i] + rates[law.rateEntry - 1] * step.dt;
  }
}

} // namespace vrex
