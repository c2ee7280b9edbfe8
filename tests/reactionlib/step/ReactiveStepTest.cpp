// The reactive step of a node: the Newton iteration on the network, what it
// prints for singular matrices on either linear-solver route, the two
// routes against each other, and calls that cycle on their way to the
// iteration limit.
#include "step/ReactiveStep.h"

#include "network/NetworkConstants.h"
#include "newton/StepLimit.h"
#include "step/ReactionState.h"

#include "NodeStates.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace vrex {
namespace {

using test::StdoutCapture;

ReactionState testState;

NewtonSettings settingsWith(int maxIter, LinSolver linSolver = LinSolver::ownLu) {
  NewtonSettings settings = nodeStepSettings;
  settings.maxIter = maxIter;
  settings.linSolver = linSolver;
  return settings;
}

NewtonOutcome solve(const NewtonSettings &settings, IterationOptions options = {}) {
  return newtonSolve(testState.step, testState.held, testState.work, settings, options);
}

void prepareRealistic(std::uint64_t seed) {
  double start[ncomp];
  test::realisticState(start, seed);
  test::prepareReactiveStep(testState, start, test::plausibleTimeStep);
}

bool sameBits(const void *a, const void *b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

// Species 5 and 11 at zero empty the equilibrium row s5 s11 = K: a singular
// Jacobian with an all-zero row 5 and a finite residual.
void prepareSingularJacobian() {
  prepareRealistic(9);
  testState.step.conc[4] = 0.0;
  testState.step.conc[10] = 0.0;
}

TEST(ReactiveStep, LapackSingularMatrixStepsWithTheNegatedResidual) {
  prepareSingularJacobian();
  double b[ncomp];
  const double *netpar = network::netpar.data();
  evalResidual(testState.step, netpar, formEquilibriumConstants(netpar), b);
  double expected[ncomp];
  for (int k = 0; k < ncomp; ++k) {
    expected[k] = limitedUpdate(testState.step.conc[k], -b[k]);
  }
  StdoutCapture capture;
  const NewtonOutcome outcome = solve(settingsWith(1, LinSolver::lapack));
  EXPECT_EQ(capture.finish(), " singular matrix in LUD\n");
  EXPECT_TRUE(sameBits(testState.step.conc, expected, sizeof(expected)));
  // Species 5 and 11 start at zero and take the full step below it.
  EXPECT_TRUE(expected[4] < 0.0 || expected[10] < 0.0);
  EXPECT_EQ(outcome.status, NewtonStatus::notConvergedAfterNegative);
}

TEST(ReactiveStep, OwnSolverReportsTheZeroRowOncePerCallAndGoesOn) {
  // Once the full steps from zero have gone below it, as with LAPACK.
  prepareSingularJacobian();
  test::feedStdin(""); // not a terminal: no pause
  StdoutCapture capture;
  EXPECT_EQ(solve(settingsWith(1)).status, NewtonStatus::notConvergedAfterNegative);
  EXPECT_EQ(capture.finish(), " Singular matrix           5          39          39\n");

  // Held at zero, the row stays empty in every iteration: reported once.
  prepareSingularJacobian();
  for (int species : {5, 11}) {
    testState.held.solveMode[species - 1] = SolveMode::held;
    testState.held.fixedConc[species - 1] = 0.0;
  }
  StdoutCapture again;
  EXPECT_EQ(solve(settingsWith(20), {CycleRule::runOut}).iterations, 20);
  EXPECT_EQ(again.finish(), " Singular matrix           5          39          39\n");
}

TEST(ReactiveStep, OwnSolverAndLapackAgreeOnRealisticStates) {
  for (std::uint64_t seed = 10; seed < 20; ++seed) {
    prepareRealistic(seed);
    const ReactionState start = testState;
    ASSERT_EQ(solve(nodeStepSettings).status, NewtonStatus::converged);
    double own[ncomp];
    std::memcpy(own, testState.step.conc, sizeof(own));
    testState = start;
    ASSERT_EQ(solve(settingsWith(nodeStepSettings.maxIter, LinSolver::lapack)).status,
              NewtonStatus::converged);
    for (int k = 0; k < ncomp; ++k) {
      EXPECT_NEAR(testState.step.conc[k], own[k], 1e-9 * std::fabs(own[k]))
          << "seed " << seed << " species " << k + 1;
    }
  }
}

// Realistic states with species 39 stalled: the other species settle into
// rounding cycles that repeat bit for bit, with periods of 22 (seed 14) and
// 2731 iterations (seed 9).
TEST(ReactiveStep, RepeatingIterationEndsWithTheResultOfRunningOut) {
  struct Case {
    std::uint64_t seed;
    int maxIter;
  };
  for (const Case c : {Case{14, 10001}, Case{9, 20000}}) {
    prepareRealistic(c.seed);
    test::stallLastSpecies(testState);
    const NewtonOutcome skipped = solve(settingsWith(c.maxIter), {CycleRule::skipRepeats});
    const ReactionState skipEnd = testState;
    prepareRealistic(c.seed);
    test::stallLastSpecies(testState);
    const NewtonOutcome full = solve(settingsWith(c.maxIter), {CycleRule::runOut});
    const ReactionState &fullEnd = testState;

    EXPECT_GT(skipped.cyclePeriod, 1) << c.seed;
    EXPECT_LT(skipped.iterations, c.maxIter / 2) << c.seed;
    EXPECT_EQ(full.iterations, c.maxIter);
    EXPECT_EQ(skipped.status, full.status);
    // The result and what the last iteration left behind, bit for bit.
    EXPECT_TRUE(sameBits(skipEnd.step.conc, fullEnd.step.conc, sizeof(fullEnd.step.conc)));
    EXPECT_TRUE(sameBits(skipEnd.work.resid, fullEnd.work.resid, sizeof(fullEnd.work.resid)));
    EXPECT_TRUE(sameBits(skipEnd.work.rhs, fullEnd.work.rhs, sizeof(fullEnd.work.rhs)));
    EXPECT_TRUE(
        sameBits(skipEnd.work.concStart, fullEnd.work.concStart, sizeof(fullEnd.work.concStart)));
    EXPECT_TRUE(sameBits(skipEnd.work.jacValues, fullEnd.work.jacValues,
                         sizeof(fullEnd.work.jacValues)));
    EXPECT_TRUE(sameBits(skipEnd.work.linear.sparse.factors, fullEnd.work.linear.sparse.factors,
                         sizeof(fullEnd.work.linear.sparse.factors)));
  }
}

} // namespace
} // namespace vrex
