#include "network/ReactionLaws.h"

#include <cmath>
#include <iterator>

#include "network/NetworkConstants.h"

namespace vrex::network {

namespace {

// The crowding factor B of the growth laws: growth slows as the five growing
// populations (species 31, 33, 34, 35, 36) fill the capacity netpar(62). The
// sum is formed in this order on purpose, so that every evaluation rounds
// alike.
double crowding(const double *conc, const double *netpar) {
  const double capacity = netpar[62 - 1];
  return capacity / (capacity + conc[31 - 1] + conc[33 - 1] + conc[35 - 1] + conc[34 - 1] +
                     conc[36 - 1]);
}

void evalEquilibria(const double *conc, const EquilibriumConstants &constants, double *laws) {
  for (int e = 0; e < nequilibria; ++e) {
    const Equilibrium &eq = equilibria[e];
    const double constant = constants.K[e];
    const double product = conc[eq.first - 1] * conc[eq.second - 1];
    laws[eq.entry - 1] = eq.third == 0 ? product - constant : product - constant * conc[eq.third - 1];
  }
}

} // namespace

void evalReactionLaws(const double *conc, const double *netpar,
                      const EquilibriumConstants &constants, double m, double *laws) {
  // Read species and parameters with the network's own 1-based numbers, so
  // the laws below read like the rate table.
  const auto s = [conc](int i) { return conc[i - 1]; };
  const auto p = [netpar](int j) { return netpar[j - 1]; };
  const auto r = [laws](int k) -> double & { return laws[k - 1]; };
  const double live = 1.0 - m;
  const double B = crowding(conc, netpar);

  // Exchange between two species (or rho times one species and another).
  r(1) = p(1) * (s(1) - s(24)) * live;
  r(2) = p(3) * (s(2) - s(26)) * live;
  r(3) = p(4) * (s(3) - s(27)) * live;
  r(4) = p(7) * (s(4) - s(28)) * live;
  r(5) = p(5) * (p(58) * s(37) - s(29)) * live;
  r(6) = p(6) * (p(58) * s(23) - s(30)) * live;
  r(7) = p(2) * (s(17) - s(25)) * live;

  // Growth (Monod saturation, inhibition by species 2, crowding) and decay of
  // the catalysing species. Decay is kept in the form k X (1 - threshold/X).
  r(8) = p(8) * s(31) * s(24) / (p(11) + s(24)) * s(26) / (p(12) + s(26)) * B * live;
  r(9) = p(9) * s(31) * (1.0 - p(13) / s(31)) * live;
  r(10) = p(14) * s(31) * s(24) / (p(17) + s(24)) * s(27) / (p(18) + s(27)) * p(60) / (p(60) + s(2)) *
          B * live;
  r(11) = p(15) * s(32) * (1.0 - p(19) / s(32)) * live;
  r(12) = p(20) * s(33) * s(24) / (p(23) + s(24)) * p(61) / (p(61) + s(2)) * B * live;
  r(13) = p(21) * s(33) * (1.0 - p(24) / s(33)) * live;
  r(14) = p(25) * s(34) * s(25) / (p(28) + s(25)) * s(29) / (p(29) + s(29)) * p(61) / (p(61) + s(2)) *
          B * live;
  r(15) = p(26) * s(34) * (1.0 - p(30) / s(34)) * live;
  r(16) = p(31) * s(35) * s(25) / (p(34) + s(25)) * s(30) / (p(35) + s(30)) * p(61) / (p(61) + s(2)) *
          B * live;
  r(17) = p(32) * s(35) * (1.0 - p(36) / s(35)) * live;
  r(18) = p(37) * s(36) * s(25) / (p(40) + s(25)) * s(28) / (p(41) + s(28)) * p(61) / (p(61) + s(2)) *
          B * live;
  r(19) = p(38) * s(36) * (1.0 - p(42) / s(36)) * live;

  evalEquilibria(conc, constants, laws);

  // Precipitation and dissolution. The guard (1 - p57/s) stops a dissolving
  // solid at the guard concentration instead of letting it go negative.
  r(29) = p(52) * s(6) * s(15) * live;
  r(30) = p(53) * (1.0 - p(57) / s(21)) * live;
  r(31) = p(54) * s(6) * s(11) * live;
  r(32) = p(55) * (1.0 - p(57) / s(22)) * live;
  r(33) = p(56) * s(14) * std::sqrt(s(14)) * (1.0 - p(57) / s(23)) * live;
}

} // namespace vrex::network

namespace vrex {

EquilibriumConstants formEquilibriumConstants(const double *netpar) {
  static_assert(std::size(network::equilibria) == nequilibria);
  EquilibriumConstants constants;
  for (int e = 0; e < nequilibria; ++e) {
    constants.K[e] = std::pow(10.0, -netpar[network::equilibria[e].pK - 1]);
  }
  return constants;
}

} // namespace vrex
