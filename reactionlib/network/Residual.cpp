#include "network/Network.h"

#include "network/NetworkConstants.h"
#include "network/ReactionLaws.h"

namespace vrex {

namespace {

// The storage and flushing sums of the balance rows, each in table order.
// The table keeps a row's weights together, so both running sums stay in
// registers, as two independent chains of additions in one pass.
void sumWeightedTerms(const double *change, const double *flush, double *storage,
                      double *flushed) {
  int row = 0;
  double storageSum = 0.0;
  double flushSum = 0.0;
  for (const network::TableEntry &w : network::balanceWeights) {
    if (w.row != row) {
      if (row != 0) {
        storage[row - 1] = storageSum;
        flushed[row - 1] = flushSum;
      }
      row = w.row;
      storageSum = 0.0;
      flushSum = 0.0;
    }
    storageSum += w.value * change[w.column - 1];
    flushSum += w.value * flush[w.column - 1];
  }
  storage[row - 1] = storageSum;
  flushed[row - 1] = flushSum;
}

} // namespace

// Backward Euler over one step: every law is taken at the new concentrations,
// the old ones enter only through the storage term.
void evalResidual(const NodeStep &step, const double *netpar, const EquilibriumConstants &constants,
                  double *resid) {
  const double m = step.flushFlag;
  const double *conc = step.conc;
  const double *concOld = step.concOld;

  double laws[network::nreactionLaws];
  network::evalReactionLaws(conc, netpar, constants, m, laws);

  // The residual's own flushing law of each species, zero where a species is
  // not flushed.
  double flush[ncomp] = {};
  const network::FlushingConstants &flushing = network::residualFlushing;
  for (const network::FlushingLaw &law : network::flushingLaws) {
    const double c = conc[law.species - 1];
    flush[law.species - 1] = flushing.rateConstant * (law.residualTarget - flushing.scale * c);
  }

  // The three sums of every balance row, each accumulated in table order.
  double storage[ncomp] = {};
  double kinetic[ncomp] = {};
  double flushed[ncomp] = {};
  double change[ncomp];
  for (int i = 0; i < ncomp; ++i) {
    change[i] = conc[i] - concOld[i];
  }
  sumWeightedTerms(change, flush, storage, flushed);
  for (const network::TableEntry &a : network::kineticCoefficients) {
    kinetic[a.row - 1] += a.value * laws[a.column - 1];
  }

  // Every row as a balance first; the nine algebraic rows, whose sums are
  // empty, are then overwritten by their equilibrium deviations.
  for (int i = 0; i < ncomp; ++i) {
    resid[i] = -storage[i] / step.dt + kinetic[i] + m * flushed[i];
  }
  for (const network::Equilibrium &eq : network::equilibria) {
    resid[eq.row - 1] = laws[eq.entry - 1];
  }
}

} // namespace vrex
