#include "network/Network.h"

#include "ReactionState.h"
#include "network/NetworkConstants.h"
#include "network/ReactionLaws.h"

namespace vrex {

void evalRates(int nodeIndex) {
  updateFlushFlag(nodeIndex);
  ReactionState &state = reactionState;
  const double m = state.flushFlag;

  network::evalReactionLaws(state.conc, state.netpar, m, state.rates);

  // Flushing laws, entries 34..54: each pulls its species toward
  // target / scale, and only in the flushing regime.
  const network::FlushingConstants &flush = network::rateFlushing;
  for (const network::FlushingLaw &law : network::flushingLaws) {
    const double conc = state.conc[law.species - 1];
    state.rates[law.rateEntry - 1] = m * flush.rateConstant * (law.rateTarget - flush.scale * conc);
  }
}

} // namespace vrex
