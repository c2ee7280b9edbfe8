// Cost of the reaction step as a simulation pays it: whole invokevrex calls on
// realistic node states, the order-39 linear solve of the own LU routines
// against LAPACK's dgesv, and single Newton iterations. The Newton
// iterations and the call that cycles to the iteration limit run once more
// without the code generated for the commonest pivot sequences, so that its
// gain is measured.
#include "NodeStates.h"
#include "linalg/DenseLu.h"
#include "linalg/Lapack.h"
#include "linalg/SparsityPattern.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"
#include "step/ReactionState.h"
#include "step/ReactiveStep.h"
#include "vrex.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace vrex;

constexpr int stateCount = 64;

// Start states as a simulation meets them, built once.
const std::vector<std::vector<double>> &realisticStates() {
  static const std::vector<std::vector<double>> states = [] {
    std::vector<std::vector<double>> all;
    for (int seed = 1; seed <= stateCount; ++seed) {
      std::vector<double> conc(ncomp);
      test::realisticState(conc.data(), static_cast<std::uint64_t>(seed));
      all.push_back(conc);
    }
    return all;
  }();
  return states;
}

// A node step of a realistic state, ready for the solver.
ReactionState &benchState() {
  static ReactionState state;
  return state;
}

// Newton iterations on the bench state with the given settings.
NewtonOutcome iterate(const NewtonSettings &settings, IterationOptions options) {
  ReactionState &s = benchState();
  return newtonSolve(s.step, s.held, s.work, settings, options);
}

// Settings that never converge: every iteration up to maxIter runs.
NewtonSettings neverConverging(int maxIter) { return {0.0, 0.0, maxIter, LinSolver::ownLu}; }

constexpr IterationOptions runOut{CycleRule::runOut};
constexpr IterationOptions runOutWithoutGeneratedCode{CycleRule::runOut,
                                                      LuPath::followStructureWithoutGeneratedCode};

// Newton iterations per call over the realistic states, and the share of
// them whose linear system went to the dense routines.
struct IterationCounts {
  double perCall;
  double denseShare;
};

IterationCounts countIterations() {
  long total = 0;
  long dense = 0;
  for (const std::vector<double> &conc : realisticStates()) {
    test::prepareReactiveStep(benchState(), conc.data(), test::plausibleTimeStep);
    const NewtonOutcome outcome = iterate(nodeStepSettings, {});
    total += outcome.iterations;
    dense += outcome.denseSolves;
  }
  return {static_cast<double>(total) / stateCount, static_cast<double>(dense) / static_cast<double>(total)};
}

void invokevrexOnRealisticStates(benchmark::State &state) {
  const auto &states = realisticStates();
  double concOut[ncomp];
  int fixFlags[ncomp] = {};
  const int nSpecies = ncomp;
  const double dt = test::plausibleTimeStep, switchValue = 1.0, tag = 0.0;
  double carried = 0.0;
  std::size_t next = 0;
  for (auto _ : state) {
    const double *conc = states[next].data();
    next = (next + 1) % states.size();
    int status = 0;
    invokevrex(conc, conc, concOut, &nSpecies, &dt, fixFlags, &status, &switchValue, &tag, &tag,
               &carried);
    benchmark::DoNotOptimize(concOut);
  }
  state.SetItemsProcessed(state.iterations());
  const IterationCounts counts = countIterations();
  const double iterations = counts.perCall;
  state.counters["newton_iterations_per_call"] = iterations;
  state.counters["dense_solve_share"] = counts.denseShare;
  state.counters["time_per_newton_iteration"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * iterations,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(invokevrexOnRealisticStates)->Unit(benchmark::kMicrosecond);

// A Jacobian and right-hand side the solver really meets: those of the
// tenth iteration from a realistic state.
struct LinearSystem {
  double jac[nmatrix];
  double rhs[ncomp];
};

const LinearSystem &realisticSystem() {
  static const LinearSystem system = [] {
    ReactionState &state = benchState();
    test::prepareReactiveStep(state, realisticStates()[0].data(), test::plausibleTimeStep);
    iterate(neverConverging(9), runOut);
    LinearSystem s;
    const double *netpar = network::netpar.data();
    const EquilibriumConstants constants = formEquilibriumConstants(netpar);
    evalResidual(state.step, netpar, constants, s.rhs);
    double values[njacobianValues];
    evalJacobian(state.step, netpar, constants, values);
    std::memset(s.jac, 0, sizeof(s.jac));
    scatterValues(jacobianPattern, values, s.jac);
    return s;
  }();
  return system;
}

void ownLuOrder39(benchmark::State &state) {
  const LinearSystem &system = realisticSystem();
  double lu[nmatrix], x[ncomp];
  int pivots[ncomp];
  double parity = 0.0;
  for (auto _ : state) {
    std::memcpy(lu, system.jac, sizeof(lu));
    std::memcpy(x, system.rhs, sizeof(x));
    luDecompose(lu, ncomp, ncomp, pivots, parity);
    luBackSubstitute(lu, ncomp, ncomp, pivots, x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(ownLuOrder39);

void lapackDgesvOrder39(benchmark::State &state) {
  const LinearSystem &system = realisticSystem();
  double lu[nmatrix], x[ncomp];
  int pivots[ncomp];
  const int order = ncomp, one = 1;
  int info = 0;
  for (auto _ : state) {
    std::memcpy(lu, system.jac, sizeof(lu));
    std::memcpy(x, system.rhs, sizeof(x));
    dgesv_(&order, &one, lu, &order, pivots, x, &order, &info);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(lapackDgesvOrder39);

// Newton iterations through the solver itself from a realistic start, with
// tolerances that never converge: 1 iteration (no improvement passes yet)
// and 40, the typical count of a call, 32 of them with the two improvement
// passes. The counter gives the time of one iteration.
void runNewtonIterations(benchmark::State &state, IterationOptions options) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<double> &start = realisticStates()[1];
  ReactionState &s = benchState();
  test::prepareReactiveStep(s, start.data(), test::plausibleTimeStep);
  for (auto _ : state) {
    std::memcpy(s.step.conc, start.data(), sizeof(s.step.conc));
    iterate(neverConverging(count), options);
    benchmark::DoNotOptimize(s.step.conc);
  }
  state.counters["time_per_iteration"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * count,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void newtonIterations(benchmark::State &state) { runNewtonIterations(state, runOut); }
BENCHMARK(newtonIterations)->Arg(1)->Arg(40);

void newtonIterationsWithoutGeneratedCode(benchmark::State &state) {
  runNewtonIterations(state, runOutWithoutGeneratedCode);
}
BENCHMARK(newtonIterationsWithoutGeneratedCode)->Arg(40);

// Calls of invokevrex with the given start, estimate and hold flags, which
// run to the limit of 100000 iterations.
void callToTheIterationLimit(benchmark::State &state, const double *concIn, const double *guess,
                             const int *fixFlags) {
  double concOut[ncomp];
  const int nSpecies = ncomp;
  const double dt = test::plausibleTimeStep, switchValue = 1.0, tag = 0.0;
  double carried = 0.0;
  int status = 0;
  for (auto _ : state) {
    status = 0;
    invokevrex(concIn, guess, concOut, &nSpecies, &dt, fixFlags, &status, &switchValue, &tag,
               &tag, &carried);
    benchmark::DoNotOptimize(concOut);
  }
  state.counters["status"] = status;
}

// Holding species 6 at its start value, as a host's hold flag does, keeps
// realistic states from converging without their iterates ever repeating:
// every iteration runs.
void invokevrexToTheIterationLimit(benchmark::State &state) {
  const double *conc = realisticStates()[0].data();
  int fixFlags[ncomp] = {};
  fixFlags[5] = 1;
  callToTheIterationLimit(state, conc, conc, fixFlags);
}
BENCHMARK(invokevrexToTheIterationLimit)->Unit(benchmark::kMillisecond);

// The same with species held at zero as a host may hold them: 5 and 11
// (range 0), which empties the equilibrium row 5 of every Jacobian, or 7 at
// -0 (range 1), which puts values of -0 into every Jacobian. The realistic
// state of seed 1 starts them.
void invokevrexHeldAtZeroToTheIterationLimit(benchmark::State &state) {
  const double *guess = realisticStates()[0].data();
  double conc[ncomp];
  std::memcpy(conc, guess, sizeof(conc));
  int fixFlags[ncomp] = {};
  if (state.range(0) == 0) {
    for (const int species : {5, 11}) {
      conc[species - 1] = 0.0;
      fixFlags[species - 1] = 1;
    }
  } else {
    conc[6] = -0.0;
    fixFlags[6] = 1;
  }
  callToTheIterationLimit(state, conc, guess, fixFlags);
}
BENCHMARK(invokevrexHeldAtZeroToTheIterationLimit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The state of seed 10 with species 39 stalled (its estimate the smallest
// subnormal, its start value -1: its step never passes the tests and 10 % of
// its value rounds to zero) is a call that reaches the limit through a
// cycle: from iteration 9830 on the other species repeat every 8196
// iterations.
void runIterationLimitThroughACycle(benchmark::State &state, IterationOptions options) {
  const std::vector<double> &start = realisticStates()[9];
  ReactionState &s = benchState();
  NewtonOutcome outcome{};
  for (auto _ : state) {
    test::prepareReactiveStep(s, start.data(), test::plausibleTimeStep);
    test::stallLastSpecies(s);
    outcome = iterate(nodeStepSettings, options);
    benchmark::DoNotOptimize(s.step.conc);
  }
  state.counters["iterations"] = outcome.iterations;
  state.counters["cycle_period"] = outcome.cyclePeriod;
}

void iterationLimitThroughACycle(benchmark::State &state) {
  runIterationLimitThroughACycle(state, {});
}
BENCHMARK(iterationLimitThroughACycle)->Unit(benchmark::kMillisecond);

void iterationLimitThroughACycleWithoutGeneratedCode(benchmark::State &state) {
  runIterationLimitThroughACycle(state, {CycleRule::skipRepeats,
                                         LuPath::followStructureWithoutGeneratedCode});
}
BENCHMARK(iterationLimitThroughACycleWithoutGeneratedCode)->Unit(benchmark::kMillisecond);

} // namespace
