// Cost of one evaluation of the network: rate vector, residual and Jacobian
// at a fixed positive state in the reactive regime, alone and as the Newton
// iteration calls them.
#include <benchmark/benchmark.h>

#include <cmath>

#include "step/ReactionState.h"
#include "network/Network.h"

namespace {

vrex::ReactionState state;

void prepareState() {
  vrex::initSettings(state);
  vrex::initNetworkParameters(state);
  vrex::initSpeciesTables(state);
  for (int i = 0; i < vrex::ncomp; ++i) {
    // Spread over several decades, like a node's concentrations.
    state.step.conc[i] = std::pow(10.0, -1.0 - (i % 7));
    state.step.concOld[i] = 1.01 * state.step.conc[i];
  }
  state.step.dt = 3600.0;
  state.switchValue = 1.0;
  vrex::updateFlushFlag(state);
}

void BM_evalRates(benchmark::State &bench) {
  prepareState();
  for (auto _ : bench) {
    vrex::evalRates(state.step.conc, state.netpar, state.step.flushFlag, state.rates);
    benchmark::DoNotOptimize(state.rates);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalRates);

void BM_evalResidual(benchmark::State &bench) {
  prepareState();
  double resid[vrex::ncomp];
  for (auto _ : bench) {
    vrex::evalResidual(state.step, state.netpar, resid);
    benchmark::DoNotOptimize(resid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalResidual);

// The residual as the Newton iteration evaluates it, with the equilibrium
// constants formed once.
void BM_evalResidualWithConstants(benchmark::State &bench) {
  prepareState();
  const vrex::EquilibriumConstants constants = vrex::formEquilibriumConstants(state.netpar);
  double resid[vrex::ncomp];
  for (auto _ : bench) {
    vrex::evalResidual(state.step, state.netpar, constants, resid);
    benchmark::DoNotOptimize(resid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalResidualWithConstants);

// The Jacobian as the Newton iteration evaluates it: its 219 values.
void BM_evalJacobianValues(benchmark::State &bench) {
  prepareState();
  const vrex::EquilibriumConstants constants = vrex::formEquilibriumConstants(state.netpar);
  for (auto _ : bench) {
    vrex::evalJacobianValues(state.step, state.netpar, constants, state.work.jacValues);
    benchmark::DoNotOptimize(state.work.jacValues);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalJacobianValues);

void BM_evalJacobian(benchmark::State &bench) {
  prepareState();
  for (auto _ : bench) {
    vrex::evalJacobian(state.step, state.netpar, state.work.jac);
    benchmark::DoNotOptimize(state.work.jac);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalJacobian);

// The seven powers of ten the Jacobian forms, for comparison.
void BM_sevenPowersOfTen(benchmark::State &bench) {
  prepareState();
  const double *netpar = state.netpar;
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
