// The reaction laws 1..33 of the network: 24 kinetic laws and the deviations
// of the nine equilibria from mass action. The rate vector and the residual
// both evaluate them through this one routine, so the two can never disagree
// on a law.
#pragma once

#include "network/Network.h"

namespace vrex::network {

// Writes law k (1..33) to laws[k - 1] for the concentrations conc(1..39), the
// parameters netpar(1..62) with their equilibrium constants, and the
// flushing switch m. The kinetic laws carry the factor (1 - m), so they
// vanish in the flushing regime; the equilibrium deviations carry no switch.
void evalReactionLaws(const double *conc, const double *netpar,
                      const EquilibriumConstants &constants, double m, double *laws);

} // namespace vrex::network
