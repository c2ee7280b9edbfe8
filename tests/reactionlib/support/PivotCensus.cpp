// The pivot sequences that the network's Jacobian meets: the pivotIndex of
// luDecompose at every Newton iteration of two groups of node steps,
// counted per distinct sequence.
//
//   realistic  the 120 realistic calls of the differential test (seeds 1 to
//              120, hourly steps)
//   cycling    solver_bench's call that cycles to the iteration limit (the
//              realistic state of seed 10 with species 39 stalled)
//
// Prints, per group, a line "calls <group> <calls> <factorisations>" and
// then "<group> <count> <pivotIndex...>" for each sequence, the commonest
// first. scripts/record_pivots.py chooses from them the sequences that
// network/recorded_pivots.txt records.
#include "NodeStates.h"

#include "linalg/DenseLu.h"
#include "network/NetworkConstants.h"
#include "step/ReactionState.h"
#include "step/ReactiveStep.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace {

using namespace vrex;

using Sequence = std::vector<int>;
using Census = std::map<Sequence, long>;

// The node step's system, recording the dense routine's pivot sequence at
// every Jacobian the iteration evaluates.
class RecordedSystem final : public NewtonSystem {
public:
  RecordedSystem(NodeStep &step, Census &census)
      : system_(step, network::netpar.data()), census_(census) {}
  int order() const override { return system_.order(); }
  double *unknowns() override { return system_.unknowns(); }
  double residualScale() const override { return system_.residualScale(); }
  void evalResidual(double *resid) const override { system_.evalResidual(resid); }
  const SparsityPattern &jacobianPattern() const override { return system_.jacobianPattern(); }
  const PlanCodeTable *planCode() const override { return system_.planCode(); }
  void evalJacobianValues(double *values) const override {
    system_.evalJacobianValues(values);
    double lu[nmatrix] = {};
    scatterValues(jacobianPattern(), values, lu);
    Sequence pivots(ncomp);
    double parity = 0.0;
    luDecompose(lu, ncomp, ncomp, pivots.data(), parity);
    ++census_[pivots];
  }

private:
  NodeStepSystem system_;
  Census &census_;
};

struct Silent final : NewtonEvents {
  void singularLinearSystem(const LinearSolve &) override {}
};

void solveRecorded(ReactionState &s, Census &census) {
  RecordedSystem system(s.step, census);
  Silent events;
  runNewtonIteration(system, s.held, nodeStepSettings, s.work, events);
}

void print(const char *group, int calls, const Census &census) {
  std::vector<std::pair<long, Sequence>> byCount;
  long factorisations = 0;
  for (const auto &[sequence, count] : census) {
    byCount.emplace_back(count, sequence);
    factorisations += count;
  }
  // Commonest first; equal counts in the order of the sequences.
  std::stable_sort(byCount.begin(), byCount.end(),
                   [](const auto &a, const auto &b) { return a.first > b.first; });
  std::printf("calls %s %d %ld\n", group, calls, factorisations);
  for (const auto &[count, sequence] : byCount) {
    std::printf("%s %ld", group, count);
    for (int pivot : sequence) {
      std::printf(" %d", pivot);
    }
    std::printf("\n");
  }
}

} // namespace

int main() {
  static ReactionState s;
  double start[ncomp];

  constexpr int realisticCalls = 120;
  Census realistic;
  for (int seed = 1; seed <= realisticCalls; ++seed) {
    test::realisticState(start, static_cast<std::uint64_t>(seed));
    test::prepareReactiveStep(s, start, test::plausibleTimeStep);
    solveRecorded(s, realistic);
  }
  print("realistic", realisticCalls, realistic);

  Census cycling;
  test::realisticState(start, 10);
  test::prepareReactiveStep(s, start, test::plausibleTimeStep);
  test::stallLastSpecies(s);
  solveRecorded(s, cycling);
  print("cycling", 1, cycling);
  return 0;
}
