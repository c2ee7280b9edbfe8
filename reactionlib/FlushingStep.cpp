#include "FlushingStep.h"

#include "ReactionState.h"
#include "network/Network.h"

namespace vrex {

void takeFlushingStep() {
  ReactionState &s = reactionState;
  for (int i = 0; i < ncomp; ++i) {
    s.conc[i] = s.concOld[i];
  }
  // Rates at the start-of-step concentrations.
  evalRates(1);
  for (int i = 0; i < ncomp; ++i) {
    if (s.flushRateIndex[i] != 0.0) {
      const int rate = static_cast<int>(s.flushRateIndex[i]);
      s.conc[i] = s.concOld[i] + s.rates[rate - 1] * s.dt;
    }
  }
}

} // namespace vrex
