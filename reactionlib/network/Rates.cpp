#include "network/Network.h"

#include "network/NetworkConstants.h"
#include "network/ReactionLaws.h"

namespace vrex {

void evalRates(const double *conc, const double *netpar, double flushFlag, double *rates) {
  const double m = flushFlag;
  network::evalReactionLaws(conc, netpar, formEquilibriumConstants(netpar), m, rates);

  // Flushing laws, entries 34..54: each pulls its species toward
  // target / scale, and only in the flushing regime.
  const network::FlushingConstants &flush = network::rateFlushing;
  for (const network::FlushingLaw &law : network::flushingLaws) {
    const double c = conc[law.species - 1];
    rates[law.rateEntry - 1] = m * flush.rateConstant * (law.rateTarget - flush.scale * c);
  }
}

} // namespace vrex
