// The Newton iteration on the real network: limits, tolerances, held
// species, the sticky negative flag, the improvement passes, the early end of
// a stalled iteration, non-finite values and the LAPACK path.
#include "solver/NewtonSolver.h"

#include "ReactionState.h"
#include "network/Network.h"
#include "solver/LuSolver.h"
#include "solver/NewtonIteration.h"
#include "solver/StepLimit.h"

#include "NodeStates.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace vrex {
namespace {

using test::plausibleTimeStep;
using test::prepareReactiveStep;
using test::realisticState;
using test::StdoutCapture;

ReactionState &state() { return reactionState; }

int solve(int maxIter, int linSolver = 1, double tolResid = 5e-12, double tolStep = 1e-12) {
  int status = -99;
  newtonSolve(1, status, tolResid, tolStep, maxIter, linSolver);
  return status;
}

void prepareRealistic(std::uint64_t seed, double dt = plausibleTimeStep) {
  double start[ncomp];
  realisticState(start, seed);
  prepareReactiveStep(start, dt);
}

bool sameBits(const void *a, const void *b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

TEST(StepLimit, LimitsPositiveSpeciesToTenPercent) {
  struct Case {
    double start, step, expected;
  };
  const Case cases[] = {
      {1.0, -5.0, 0.9},       // factor 0.02
      {1.0, 5.0, 1.1},        // the same limit upwards
      {1.0, -0.05, 0.95},     // within the limit: full step
      {1.0, -0.1, 1.0 - 0.1}, // exactly at the limit: not limited (strict test)
      {0.0, -5.0, -5.0},      // zero takes the full step
      {-2.0, 3.0, 1.0},       // so does a negative value
      {2.0, 0.0, 2.0},
  };
  for (const Case &c : cases) {
    EXPECT_DOUBLE_EQ(limitedUpdate(c.start, c.step), c.expected) << c.start << " " << c.step;
  }
  EXPECT_EQ(limitedUpdate(1.0, -0.1), 0.9); // the unlimited step, bit for bit
}

TEST(NewtonSolve, NoIterationsWhenMaxIterIsNotPositive) {
  for (int maxIter : {0, -3}) {
    prepareRealistic(1);
    const ReactionState before = state();
    EXPECT_EQ(solve(maxIter), 2);
    EXPECT_TRUE(sameBits(&before, &state(), sizeof(ReactionState))) << "maxIter " << maxIter;
  }
}

// A state at which every residual component is exactly zero: start equals
// guess, every kinetic law vanishes (empty substrates, decays and
// dissolutions exactly at their thresholds) and the equilibria hold exactly
// in floating point.
void prepareZeroResidualState() {
  double start[ncomp] = {};
  prepareReactiveStep(start, plausibleTimeStep);
  ReactionState &s = state();
  auto set = [&s](int species, double value) { s.conc[species - 1] = value; };
  for (int i = 1; i <= ncomp; ++i) {
    set(i, 0.0);
  }
  const double *p = s.netpar;
  set(31, p[12]); // decay thresholds netpar 13, 19, 24, 30, 36, 42
  set(32, p[18]);
  set(33, p[23]);
  set(34, p[29]);
  set(35, p[35]);
  set(36, p[41]);
  set(21, p[56]); // dissolution guards netpar 57
  set(22, p[56]);
  set(23, p[56]);
  set(30, p[57] * p[56]); // exchange 6 in balance: netpar 58 x species 23
  const double k43 = std::pow(10.0, -p[42]);
  const double k44 = std::pow(10.0, -p[43]);
  const double k45 = std::pow(10.0, -p[44]);
  const double k46 = std::pow(10.0, -p[45]);
  set(7, 1.0);
  set(8, k43);        // s7 s8 = K43
  set(9, 1.0);
  set(10, k44);       // s7 s10 = K44 s9
  set(11, k45 * k44); // s7 s11 = K45 s10
  // s5 s11 = K46 must hold after rounding: search the doubles around the
  // quotient for one whose product rounds to K46.
  double s5 = k46 / (k45 * k44);
  for (int tries = 0; tries < 64 && s5 * (k45 * k44) != k46; ++tries) {
    s5 = std::nextafter(s5, s5 * (k45 * k44) < k46 ? 1.0 : 0.0);
  }
  set(5, s5);
  set(39, 1.0);
  for (int i = 0; i < ncomp; ++i) {
    s.concOld[i] = s.conc[i];
  }
}

TEST(NewtonSolve, ZeroResidualEndsAfterOneIterationWithHeldSpeciesPinned) {
  prepareZeroResidualState();
  double residual[ncomp];
  evalResidual(residual, 1);
  for (int i = 0; i < ncomp; ++i) {
    ASSERT_EQ(residual[i], 0.0) << "row " << i + 1 << " of the prepared state";
  }
  ReactionState &s = state();
  s.solveMode[38] = 0; // hold species 39 at a value of its own
  s.fixedConc[38] = 0.25;
  double expected[ncomp];
  std::memcpy(expected, s.conc, sizeof(expected));
  expected[38] = 0.25;

  int status = -99;
  const int iterations =
      runNewtonIteration(1, status, s.tolResid, s.tolStep, 1, 1, StallRule::endAtOnce);
  EXPECT_EQ(iterations, 1);
  EXPECT_EQ(status, 0); // converged within maxIter = 1, not the limit
  EXPECT_TRUE(sameBits(s.conc, expected, sizeof(expected)));
}

TEST(NewtonSolve, ConvergenceTestsAreStrict) {
  // One iteration gives the step and residual measures of the start state;
  // tolerances equal to them must not count as converged.
  prepareRealistic(2);
  ReactionState &s = state();
  const ReactionState start = s;
  ASSERT_EQ(solve(1, 1, 0.0, 0.0), 2);
  double stepMax = 0.0;
  for (double step : s.resid) {
    stepMax = std::max(stepMax, std::fabs(step));
  }
  double residual[ncomp];
  std::memcpy(s.conc, start.conc, sizeof(s.conc));
  evalResidual(residual, 1);
  double largest = 0.0;
  for (double r : residual) {
    largest = std::max(largest, std::fabs(r));
  }
  const double resMax = start.dt * largest;

  struct Case {
    double tolResid, tolStep;
    int status;
  };
  const double above = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.0, stepMax, 2},
      {0.0, std::nextafter(stepMax, above), 0},
      {resMax, 0.0, 2},
      {std::nextafter(resMax, above), 0.0, 0},
  };
  for (const Case &c : cases) {
    s = start;
    EXPECT_EQ(solve(1, 1, c.tolResid, c.tolStep), c.status) << c.tolResid << " " << c.tolStep;
  }
}

TEST(NewtonSolve, FirstIterationLimitsEveryPositiveSpecies) {
  prepareRealistic(3);
  ReactionState &s = state();
  solve(1);
  int limited = 0;
  for (int k = 0; k < ncomp; ++k) {
    const double start = s.concStart[k];
    ASSERT_GT(start, 0.0);
    EXPECT_LE(std::fabs(s.conc[k] - start), 0.1 * start * (1 + 1e-15)) << "species " << k + 1;
    EXPECT_EQ(s.conc[k], limitedUpdate(start, s.resid[k]));
    limited += std::fabs(s.resid[k]) > 0.1 * start;
  }
  EXPECT_GT(limited, 0) << "the state should need the limit somewhere";
}

TEST(NewtonSolve, HeldSpeciesStayAtTheirValueAndDoNotCountInTheStep) {
  prepareRealistic(4);
  ReactionState &s = state();
  s.solveMode[6] = 0; // species 7 held off its equilibrium value
  s.fixedConc[6] = 2e-8;
  s.solveMode[30] = 0; // species 31 held where it starts
  s.fixedConc[30] = s.conc[30];
  EXPECT_EQ(solve(s.maxIter), 0);
  EXPECT_EQ(s.conc[6], 2e-8);
  EXPECT_EQ(s.conc[30], s.fixedConc[30]);
  EXPECT_EQ(s.resid[6], 0.0);
  EXPECT_EQ(s.resid[30], 0.0);
}

TEST(NewtonSolve, NegativeHeldValueSetsTheFlag) {
  for (int maxIter : {100000, 2}) {
    prepareRealistic(5);
    ReactionState &s = state();
    s.solveMode[11] = 0; // species 12 appears in one conserved row only
    s.fixedConc[11] = -1e-12;
    EXPECT_EQ(solve(maxIter), maxIter == 2 ? 3 : 1);
    EXPECT_EQ(s.conc[11], -1e-12);
  }
}

TEST(NewtonSolve, NegativeFlagIsStickyAfterRecovery) {
  // A negative starting estimate of species 25 takes the full step and
  // overshoots below zero in the first iteration; the iteration recovers and
  // converges with every concentration positive, yet reports the negative.
  double start[ncomp];
  test::plausibleState(start);
  for (int step = 0; step < 3; ++step) {
    prepareReactiveStep(start, plausibleTimeStep);
    solve(state().maxIter);
    std::memcpy(start, state().conc, sizeof(start));
  }
  for (int maxIter : {1, 100000}) {
    prepareReactiveStep(start, plausibleTimeStep);
    state().conc[24] = -1e-3;
    const int status = solve(maxIter);
    if (maxIter == 1) {
      EXPECT_EQ(status, 3);
      continue;
    }
    EXPECT_EQ(status, 1);
    for (int k = 0; k < ncomp; ++k) {
      EXPECT_GT(state().conc[k], 0.0) << "species " << k + 1;
    }
  }
}

// Negated residual at the iterate the last iteration started from.
void negatedResidualAtLastStart(double *b) {
  ReactionState &s = state();
  double conc[ncomp];
  std::memcpy(conc, s.conc, sizeof(conc));
  std::memcpy(s.conc, s.concStart, sizeof(conc));
  evalResidual(b, 1);
  std::memcpy(s.conc, conc, sizeof(conc));
  for (int k = 0; k < ncomp; ++k) {
    b[k] = -b[k];
  }
}

TEST(NewtonSolve, ImprovementPassesStartWithTheNinthIteration) {
  for (int maxIter : {8, 9}) {
    prepareRealistic(6);
    ASSERT_EQ(solve(maxIter), 2) << "the state must need more than 9 iterations";
    const ReactionState &s = state();
    double b[ncomp];
    negatedResidualAtLastStart(b);
    double plain[ncomp];
    std::memcpy(plain, b, sizeof(plain));
    luBackSubstitute(s.luMat, ncomp, ncomp, s.pivotIndex, plain);
    double improved[ncomp];
    std::memcpy(improved, plain, sizeof(improved));
    luImprove(s.jac, s.luMat, ncomp, ncomp, s.pivotIndex, b, improved);
    luImprove(s.jac, s.luMat, ncomp, ncomp, s.pivotIndex, b, improved);
    ASSERT_FALSE(sameBits(plain, improved, sizeof(plain))) << "improvement must change something";
    EXPECT_TRUE(sameBits(s.resid, maxIter == 8 ? plain : improved, sizeof(plain))) << maxIter;
  }
}

// The zero-residual state, except that species 39 sits at the smallest
// subnormal while its start-of-step value asks for -1. Its step of about -1
// never passes the convergence tests, yet 10 % of its value rounds to zero,
// so it cannot move: every iteration leaves every concentration unchanged.
void prepareStalledState() {
  prepareZeroResidualState();
  state().conc[38] = std::nextafter(0.0, 1.0);
  state().concOld[38] = -1.0;
}

TEST(NewtonSolve, StalledIterationEndsWithTheResultOfRunningOut) {
  prepareStalledState();
  int earlyStatus = -99;
  const int early =
      runNewtonIteration(1, earlyStatus, 5e-12, 1e-12, 100000, 1, StallRule::endAtOnce);
  const ReactionState earlyEnd = state();

  prepareStalledState();
  int fullStatus = -99;
  const int full = runNewtonIteration(1, fullStatus, 5e-12, 1e-12, 100000, 1, StallRule::runOut);

  EXPECT_EQ(early, 9); // the first iteration with improvement passes
  EXPECT_EQ(full, 100000);
  EXPECT_EQ(earlyStatus, 2);
  EXPECT_EQ(fullStatus, earlyStatus);
  // Everything the iteration leaves behind is identical, work arrays included.
  EXPECT_TRUE(sameBits(&earlyEnd, &state(), sizeof(ReactionState)));
}

TEST(NewtonSolve, StallBeforeTheNinthIterationDoesNotEndEarly) {
  // Iterations 1 to 8 have no improvement passes, so an unchanged iterate
  // there says nothing about the later ones.
  prepareStalledState();
  int status = -99;
  EXPECT_EQ(runNewtonIteration(1, status, 5e-12, 1e-12, 8, 1, StallRule::endAtOnce), 8);
  EXPECT_EQ(status, 2);
}

TEST(NewtonSolve, NonFiniteResidualStopsAtOnce) {
  prepareRealistic(7, 0.0); // dt = 0: every balance row is infinite or NaN
  const ReactionState before = state();
  int status = -99;
  const int iterations =
      runNewtonIteration(1, status, 5e-12, 1e-12, 100000, 1, StallRule::endAtOnce);
  EXPECT_EQ(iterations, 1);
  EXPECT_EQ(status, 2);
  EXPECT_TRUE(sameBits(before.conc, state().conc, sizeof(before.conc)));
}

TEST(NewtonSolve, NonFiniteResidualAfterNegativeValueGivesThree) {
  // Species 14 held below zero: its square root makes the second residual NaN.
  prepareRealistic(7);
  ReactionState &s = state();
  s.solveMode[13] = 0;
  s.fixedConc[13] = -1e-6;
  int status = -99;
  const int iterations =
      runNewtonIteration(1, status, 5e-12, 1e-12, 100000, 1, StallRule::endAtOnce);
  EXPECT_EQ(iterations, 2);
  EXPECT_EQ(status, 3);
  EXPECT_EQ(s.conc[13], -1e-6);
}

TEST(NewtonSolve, NonFiniteStepStopsAtOnce) {
  // Species 21 so small that its square underflows: the Jacobian divides by
  // zero while the residual stays finite, so only the step is not finite.
  prepareRealistic(8);
  ReactionState &s = state();
  s.conc[20] = 1e-200;
  const ReactionState before = s;
  int status = -99;
  const int iterations =
      runNewtonIteration(1, status, 5e-12, 1e-12, 100000, 1, StallRule::endAtOnce);
  double residual[ncomp];
  evalResidual(residual, 1);
  for (double r : residual) {
    ASSERT_TRUE(std::isfinite(r));
  }
  EXPECT_EQ(iterations, 1);
  EXPECT_EQ(status, 2);
  EXPECT_TRUE(sameBits(before.conc, s.conc, sizeof(before.conc)));
}

// Species 5 and 11 at zero empty the equilibrium row s5 s11 = K: a singular
// Jacobian with an all-zero row 5 and a finite residual.
void prepareSingularJacobian() {
  prepareRealistic(9);
  state().conc[4] = 0.0;
  state().conc[10] = 0.0;
}

TEST(NewtonSolve, LapackSingularMatrixStepsWithTheNegatedResidual) {
  prepareSingularJacobian();
  double b[ncomp];
  evalResidual(b, 1);
  double expected[ncomp];
  for (int k = 0; k < ncomp; ++k) {
    expected[k] = limitedUpdate(state().conc[k], -b[k]);
  }
  StdoutCapture capture;
  const int status = solve(1, 2);
  EXPECT_EQ(capture.finish(), " singular matrix in LUD\n");
  EXPECT_TRUE(sameBits(state().conc, expected, sizeof(expected)));
  // Species 5 and 11 start at zero and take the full step below it.
  EXPECT_TRUE(expected[4] < 0.0 || expected[10] < 0.0);
  EXPECT_EQ(status, 3);
}

TEST(NewtonSolve, OwnSolverReportsTheZeroRowAndGoesOn) {
  prepareSingularJacobian();
  test::feedStdin("");
  StdoutCapture capture;
  const int status = solve(1, 1);
  EXPECT_EQ(capture.finish(), " Singular matrix           5          39          39\n"
                              " Press Enter to continue.\n");
  EXPECT_EQ(status, 3); // the full steps from zero go below it, as with LAPACK
}

TEST(NewtonSolve, OwnSolverAndLapackAgreeOnRealisticStates) {
  for (std::uint64_t seed = 10; seed < 20; ++seed) {
    prepareRealistic(seed);
    const ReactionState start = state();
    ASSERT_EQ(solve(start.maxIter, 1), 0);
    double own[ncomp];
    std::memcpy(own, state().conc, sizeof(own));
    state() = start;
    ASSERT_EQ(solve(start.maxIter, 2), 0);
    for (int k = 0; k < ncomp; ++k) {
      EXPECT_NEAR(state().conc[k], own[k], 1e-9 * std::fabs(own[k]))
          << "seed " << seed << " species " << k + 1;
    }
  }
}

} // namespace
} // namespace vrex
