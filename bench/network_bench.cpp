// Cost of one evaluation of the network: rate vector, residual and Jacobian
// at a fixed positive state in the reactive regime, as the Newton iteration
// calls them.
#include <benchmark/benchmark.h>

#include <cmath>

#include "ReactionState.h"
#include "network/Network.h"

namespace {

void prepareState() {
  vrex::initSettings();
  vrex::initNetworkParameters();
  vrex::initSpeciesTables();
  vrex::ReactionState &state = vrex::reactionState;
  for (int i = 0; i < vrex::ncomp; ++i) {
    // Spread over several decades, like a node's concentrations.
    state.conc[i] = std::pow(10.0, -1.0 - (i % 7));
    state.concOld[i] = 1.01 * state.conc[i];
  }
  state.dt = 3600.0;
  state.nodeSwitch[0] = 1.0;
}

void BM_evalRates(benchmark::State &bench) {
  prepareState();
  for (auto _ : bench) {
    vrex::evalRates(1);
    benchmark::DoNotOptimize(vrex::reactionState.rates);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalRates);

void BM_evalResidual(benchmark::State &bench) {
  prepareState();
  double resid[vrex::ncomp];
  for (auto _ : bench) {
    vrex::evalResidual(resid, 1);
    benchmark::DoNotOptimize(resid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalResidual);

void BM_evalJacobian(benchmark::State &bench) {
  prepareState();
  for (auto _ : bench) {
    vrex::evalJacobian(vrex::reactionState.jac, 1);
    benchmark::DoNotOptimize(vrex::reactionState.jac);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalJacobian);

// The seven powers of ten the Jacobian forms, for comparison.
void BM_sevenPowersOfTen(benchmark::State &bench) {
  prepareState();
  const double *netpar = vrex::reactionState.netpar;
  for (auto _ : bench) {
    double sum = 0.0;
    for (int j : {44, 45, 47, 48, 49, 50, 51}) {
      double pK = netpar[j - 1];
      benchmark::DoNotOptimize(pK);
      sum += std::pow(10.0, -pK);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_sevenPowersOfTen);

} // namespace
