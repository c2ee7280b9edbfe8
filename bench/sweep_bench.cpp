// A host's node loop: one invokevrex call per node for 10 000 realistic
// nodes (the inflow composition and the realistic states of the solver
// benchmark, each species perturbed by up to 3 %), hourly reactive steps, the
// nodes shared among 1 or 2 threads as a simulator's parallel loop shares
// them. Reports nodes per second and the median and 99th-percentile time of
// one call.
#include "NodeStates.h"
#include "network/NetworkSizes.h"
#include "vrex.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace vrex;

constexpr int nodeCount = 10000;
constexpr int baseStateCount = 64;

struct Node {
  double conc[ncomp];
};

const std::vector<Node> &nodes() {
  static const std::vector<Node> all = [] {
    std::vector<Node> bases(baseStateCount + 1);
    for (int b = 0; b < baseStateCount; ++b) {
      test::realisticState(bases[static_cast<std::size_t>(b)].conc, static_cast<std::uint64_t>(b + 1));
    }
    test::plausibleState(bases[baseStateCount].conc); // the inflow composition
    std::vector<Node> result(nodeCount);
    std::mt19937_64 engine(20250);
    std::uniform_real_distribution<double> factor(0.97, 1.03);
    for (int k = 0; k < nodeCount; ++k) {
      const Node &base = bases[static_cast<std::size_t>(k) % bases.size()];
      for (int i = 0; i < ncomp; ++i) {
        result[static_cast<std::size_t>(k)].conc[i] = base.conc[i] * factor(engine);
      }
    }
    return result;
  }();
  return all;
}

// Calls invokevrex for nodes first, first + stride, ... and records the
// time of each call.
void sweepShare(int first, int stride, std::vector<double> &callSeconds) {
  const int fixFlags[ncomp] = {};
  const int nSpecies = ncomp;
  const double dt = test::plausibleTimeStep, switchValue = 1.0, tag = 0.0;
  double concOut[ncomp];
  for (int k = first; k < nodeCount; k += stride) {
    const double *conc = nodes()[static_cast<std::size_t>(k)].conc;
    int status = 0;
    double carried = 0.0;
    const auto start = std::chrono::steady_clock::now();
    invokevrex(conc, conc, concOut, &nSpecies, &dt, fixFlags, &status, &switchValue, &tag, &tag,
               &carried);
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(concOut);
    callSeconds.push_back(std::chrono::duration<double>(end - start).count());
  }
}

double quantile(std::vector<double> &values, double q) {
  const auto at = values.begin() + static_cast<long>(q * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

void hostSweep(benchmark::State &state) {
  const int threadCount = static_cast<int>(state.range(0));
  nodes();
  std::vector<std::vector<double>> callSeconds(static_cast<std::size_t>(threadCount));
  for (std::vector<double> &times : callSeconds) {
    times.reserve(static_cast<std::size_t>(nodeCount) * 4);
  }
  for (auto _ : state) {
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
      threads.emplace_back(sweepShare, t, threadCount, std::ref(callSeconds[static_cast<std::size_t>(t)]));
    }
    for (std::thread &thread : threads) {
      thread.join();
    }
  }
  std::vector<double> all;
  for (const std::vector<double> &times : callSeconds) {
    all.insert(all.end(), times.begin(), times.end());
  }
  state.SetItemsProcessed(state.iterations() * nodeCount);
  state.counters["median_call_us"] = quantile(all, 0.5) * 1e6;
  state.counters["p99_call_us"] = quantile(all, 0.99) * 1e6;
  state.counters["max_call_us"] = *std::max_element(all.begin(), all.end()) * 1e6;
}
BENCHMARK(hostSweep)->Arg(1)->Arg(2)->ArgName("threads")->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
