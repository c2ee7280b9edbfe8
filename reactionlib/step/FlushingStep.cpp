#include "step/FlushingStep.h"

#include "network/Network.h"

namespace vrex {

void takeFlushingStep(NodeStep &step, const double *netpar, const double *flushRateIndex,
                      double *rates) {
  for (int i = 0; i < ncomp; ++i) {
    step.conc[i] = step.concOld[i];
  }
  // Rates at the start-of-step concentrations.
  evalRates(step.conc, netpar, step.flushFlag, rates);
  for (int i = 0; i < ncomp; ++i) {
    if (flushRateIndex[i] != 0.0) {
      const int rate = static_cast<int>(flushRateIndex[i]);
      step.conc[i] = step.concOld[i] + rates[rate - 1] * step.dt;
    }
  }
}

} // namespace vrex
