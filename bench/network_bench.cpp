// Cost of one evaluation of the network as the library makes them: rate
// vector, equilibrium constants, residual and Jacobian at a fixed positive
// state in the reactive regime.
#include <benchmark/benchmark.h>

#include <cmath>

#include "network/Network.h"
#include "network/NetworkConstants.h"

namespace {

using namespace vrex;

NodeStep step;
double rates[nrates];
double values[njacobianValues];
const double *const netpar = network::netpar.data();

void prepareState() {
  for (int i = 0; i < ncomp; ++i) {
    // Spread over several decades, like a node's concentrations.
    step.conc[i] = std::pow(10.0, -1.0 - (i % 7));
    step.concOld[i] = 1.01 * step.conc[i];
  }
  step.dt = 3600.0;
  step.flushFlag = 0.0; // reactive regime
}

void BM_evalRates(benchmark::State &bench) {
  prepareState();
  for (auto _ : bench) {
    evalRates(step.conc, netpar, step.flushFlag, rates);
    benchmark::DoNotOptimize(rates);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalRates);

// The equilibrium constants, formed once per call.
void BM_formEquilibriumConstants(benchmark::State &bench) {
  for (auto _ : bench) {
    EquilibriumConstants constants = formEquilibriumConstants(netpar);
    benchmark::DoNotOptimize(constants);
  }
}
BENCHMARK(BM_formEquilibriumConstants);

// The residual as the Newton iteration evaluates it, with the equilibrium
// constants formed once.
void BM_evalResidual(benchmark::State &bench) {
  prepareState();
  const EquilibriumConstants constants = formEquilibriumConstants(netpar);
  double resid[ncomp];
  for (auto _ : bench) {
    evalResidual(step, netpar, constants, resid);
    benchmark::DoNotOptimize(resid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalResidual);

// The Jacobian as the Newton iteration evaluates it: its 219 values.
void BM_evalJacobian(benchmark::State &bench) {
  prepareState();
  const EquilibriumConstants constants = formEquilibriumConstants(netpar);
  for (auto _ : bench) {
    evalJacobian(step, netpar, constants, values);
    benchmark::DoNotOptimize(values);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_evalJacobian);

} // namespace
